// nodewren-headless: classifies every frame of capture files with the protocol tree and
// prints the protocol breakdown, without windows and without pacing.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture/capfile.h"
#include "pdl/pd.h"
#include "pdl/pd_stat.h"
#include "pdl/pdl.h"

namespace {

// 0 when the file was classified, 1 when it could not be read.
int classify_file(const std::string& path, nw::protocol_node* root) {
  nw::capfile file;
  if (file.open(path) < 0) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), file.error().c_str());
    return 1;
  }
  const char* media = nw::capfile_media_path(file.link_type());
  nw::protocol_node* start = media != nullptr ? nw::pd_find_path(root, media) : nullptr;
  if (start == nullptr) {
    std::fprintf(stderr, "%s: link type %d has no media protocol\n", path.c_str(), file.link_type());
    return 1;
  }
  const int read = file.for_each([start](const nw::capfile_frame& frame) {
    (void)nw::pd_decode(frame.octets, static_cast<std::int32_t>(frame.length), start);
  });
  if (read < 0) {
    std::fprintf(stderr, "%s: %s (frames before the damage are counted)\n", path.c_str(),
                 file.error().c_str());
    return 1;
  }
  return 0;
}

// Every node that counted a frame, in tree order, with its path from the root.
void print_breakdown(const nw::protocol_node* root) {
  std::printf("%12s %16s  %s\n", "frames", "bytes", "protocol");
  struct visit {
    const nw::protocol_node* node;
    std::string parent_path;
  };
  std::vector<visit> pending{{root, ""}};
  while (!pending.empty()) {
    visit v = std::move(pending.back());
    pending.pop_back();
    if (v.node == nullptr) continue;
    std::string path = v.parent_path.empty() ? v.node->def->name : v.parent_path + "\\" + v.node->def->name;
    if (nw::pd_stat_frames(v.node) > 0) {
      std::printf("%12.0f %16.0f  %s\n", nw::pd_stat_frames(v.node), nw::pd_stat_bytes(v.node), path.c_str());
    }
    pending.push_back({v.node->next, v.parent_path});
    pending.push_back({v.node->child, std::move(path)});
  }
}

void usage() {
  std::fprintf(stderr, "usage: nodewren-headless [--protocols FILE] CAPTURE...\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string protocols = "protocol.pdl";
  std::vector<std::string> captures;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--protocols") == 0 && i + 1 < argc) {
      protocols = argv[++i];
    } else if (argv[i][0] == '-') {
      usage();
      return 2;
    } else {
      captures.emplace_back(argv[i]);
    }
  }
  if (captures.empty()) {
    usage();
    return 2;
  }
  nw::protocol_node* root = nw::pdl_load(protocols);
  if (root == nullptr) return 255;
  int failures = 0;
  for (const auto& path : captures) failures += classify_file(path, root);
  print_breakdown(root);
  return failures == 0 ? 0 : 1;
}
