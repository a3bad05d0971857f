#include "app/headless_links.h"

#include <charconv>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/prefetch.h"
#include "model/link.h"
#include "model/net.h"
#include "model/node.h"
#include "pdl/pd_model.h"

namespace nw {
namespace {

constexpr std::size_t CHUNK_BYTES = 1 << 16;

// Every host's label, by host number, in one block: a link line reads two of them, and on a
// large segment the hosts' own records lie all over the heap.
class host_labels {
 public:
  explicit host_labels(const net& n) : starts_(n.hosts_made.size() + 1) {
    for (const auto& h : n.hosts_made) {
      starts_[h->number] = texts_.size();
      texts_ += node_best_label(*h);
    }
    starts_.back() = texts_.size();
  }
  // Hosts are numbered in creation order, which is the order of hosts_made.
  [[nodiscard]] std::string_view of(std::uint32_t number) const {
    return std::string_view(texts_).substr(starts_[number], starts_[number + 1] - starts_[number]);
  }

 private:
  std::string texts_;
  std::vector<std::size_t> starts_;
};

// The protocols that carried most of a link's bytes, level by level: a handful of distinct
// paths among all links, each named by a number.
class main_protocols {
 public:
  main_protocols() { texts_.emplace_back("-"); }  // number 0: no protocol counted
  [[nodiscard]] std::uint32_t of(const link& l, const proto_path_table& paths) {
    if (l.one_path != 0) {
      // A link of one path: that path is its main one, looked up once per path.
      if (l.one_path >= by_one_path_.size()) by_one_path_.resize(l.one_path + 1, NOT_YET);
      std::uint32_t& number = by_one_path_[l.one_path];
      if (number == NOT_YET) {
        const auto one = paths.at(l.one_path);
        path_.assign(one.begin(), one.end());
        number = number_of_path();
      }
      return number;
    }
    const std::span<const proto_stat> tree = l.proto_nodes;
    path_.clear();
    for (const proto_stat* level = proto_stat_root(tree); level != nullptr;) {
      const proto_stat* best = level;
      for (const proto_stat* p = proto_stat_at(tree, level->sibling); p != nullptr; p = proto_stat_at(tree, p->sibling))
        if (p->bytes > best->bytes) best = p;
      path_.push_back(best->proto);
      level = proto_stat_at(tree, best->child);
    }
    return number_of_path();
  }
  [[nodiscard]] const std::string& text(std::uint32_t number) const { return texts_[number]; }

 private:
  using path = std::vector<const protocol_node*>;
  static std::string text_of(const path& p) {
    std::string text;
    for (const protocol_node* proto : p) {
      if (!text.empty()) text += '\\';
      text += proto->def->name;
    }
    return text;
  }
  static constexpr std::uint32_t NOT_YET = UINT32_MAX;

  [[nodiscard]] std::uint32_t number_of_path() {
    if (path_.empty()) return 0;
    const auto [at, made] = numbers_.try_emplace(path_, static_cast<std::uint32_t>(texts_.size()));
    if (made) texts_.push_back(text_of(path_));
    return at->second;
  }

  path path_;  // reused: the path of the link at hand
  std::map<path, std::uint32_t> numbers_;
  std::vector<std::uint32_t> by_one_path_;  // by one_path: the number of its path
  std::vector<std::string> texts_;
};

// printf's "%-*s": the text, then spaces up to width.
void append_left(std::string& line, std::string_view text, std::size_t width) {
  line += text;
  if (text.size() < width) line.append(width - text.size(), ' ');
}

// printf's "%*" PRIu64.
void append_right(std::string& line, std::uint64_t value, std::size_t width) {
  char digits[20];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  const auto length = static_cast<std::size_t>(end - digits);
  if (length < width) line.append(width - length, ' ');
  line.append(digits, length);
}

// What a link line shows besides its source.
struct link_row {
  std::uint32_t dst_number;
  std::uint32_t protocol;
  std::uint64_t frames;
  std::uint64_t bytes;
};

}  // namespace

// A large segment has hundreds of thousands of links, and in host order they lie all over the
// heap: what the lines show is gathered in creation order, which reads the links' blocks front
// to back, each row put in its place in host order, and the lines are written from the rows.
void headless_print_links(std::FILE* out, const net& n) {
  std::fprintf(out, "%-24s %-24s %10s %12s  %s\n", "source", "destination", "frames", "bytes", "mostly");
  std::vector<std::size_t> next_place(n.hosts_made.size());  // by host number
  std::size_t places = 0;
  for (const auto& h : n.host_list) {
    next_place[h->number] = places;
    places += h->links_out.count();
  }
  main_protocols protocols;
  std::vector<link_row> rows(places);
  // Records come front to back; each one's protocol tree lies elsewhere and is loaded ahead.
  constexpr std::size_t TREE_AHEAD = 8;
  for (std::size_t number = 0; number < n.links.size(); ++number) {
    if (number + TREE_AHEAD < n.links.size()) cache_preload(n.links[number + TREE_AHEAD].proto_nodes.data());
    const link& l = n.links[number];
    rows[next_place[l.src_number]++] = {l.dst_number, protocols.of(l, n.proto_paths), l.pkts, l.bytes};
  }
  const host_labels labels(n);
  std::string chunk;
  std::size_t place = 0;
  for (const auto& h : n.host_list) {
    const std::string_view source = labels.of(h->number);
    for (const std::size_t end = place + h->links_out.count(); place < end; ++place) {
      const link_row& row = rows[place];
      append_left(chunk, source, 24);
      chunk += ' ';
      append_left(chunk, labels.of(row.dst_number), 24);
      chunk += ' ';
      append_right(chunk, row.frames, 10);
      chunk += ' ';
      append_right(chunk, row.bytes, 12);
      chunk += "  ";
      chunk += protocols.text(row.protocol);
      chunk += '\n';
      if (chunk.size() >= CHUNK_BYTES) {
        std::fwrite(chunk.data(), 1, chunk.size(), out);
        chunk.clear();
      }
    }
  }
  std::fwrite(chunk.data(), 1, chunk.size(), out);
  std::fputc('\n', out);
}

}  // namespace nw
