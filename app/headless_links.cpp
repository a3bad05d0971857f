#include "app/headless_links.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/link.h"
#include "model/net.h"
#include "model/node.h"
#include "pdl/pd_model.h"

namespace nw {
namespace {

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

constexpr std::size_t CHUNK_BYTES = 1 << 16;
constexpr std::size_t LINE_BYTES_GUESS = 96;  // two labels, two counts and a protocol path

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

// The protocols that carried most of the link's bytes, level by level.
void append_main_protocol(std::string& line, const link& l) {
  const std::size_t start = line.size();
  for (const proto_stat* level = proto_stat_root(l); level != nullptr;) {
    const proto_stat* best = level;
    for (const proto_stat* p = proto_stat_at(l, level->sibling); p != nullptr; p = proto_stat_at(l, p->sibling))
      if (p->bytes > best->bytes) best = p;
    if (line.size() != start) line += '\\';
    line += best->proto->def->name;
    level = proto_stat_at(l, best->child);
  }
  if (line.size() == start) line += '-';
}

void append_link_line(std::string& text, const link& l, const host_labels& labels) {
  append_left(text, labels.of(l.src_number), 24);
  text += ' ';
  append_left(text, labels.of(l.dst_number), 24);
  text += ' ';
  append_right(text, l.pkts, 10);
  text += ' ';
  append_right(text, l.bytes, 12);
  text += "  ";
  append_main_protocol(text, l);
  text += '\n';
}

}  // namespace

// A large segment has hundreds of thousands of links, and in host order they lie all over the
// heap: the lines are made in creation order, which reads the links' blocks front to back, each
// put in its place in host order, and then written in that order.
void headless_print_links(std::FILE* out, const net& n) {
  std::fprintf(out, "%-24s %-24s %10s %12s  %s\n", "source", "destination", "frames", "bytes", "mostly");
  const host_labels labels(n);
  std::vector<std::size_t> next_place(n.hosts_made.size());  // by host number
  std::size_t places = 0;
  for (const auto& h : n.host_list) {
    next_place[h->number] = places;
    places += h->links_made.size();
  }
  struct span_of_text {
    std::size_t start = 0;
    std::size_t length = 0;
  };
  std::string text;
  text.reserve(places * LINE_BYTES_GUESS);
  std::vector<span_of_text> lines(places);  // by place
  for (const link* l : n.links) {
    const std::size_t start = text.size();
    append_link_line(text, *l, labels);
    lines[next_place[l->src_number]++] = {start, text.size() - start};
  }
  std::string chunk;
  for (const span_of_text& line : lines) {
    chunk.append(text, line.start, line.length);
    if (chunk.size() >= CHUNK_BYTES) {
      std::fwrite(chunk.data(), 1, chunk.size(), out);
      chunk.clear();
    }
  }
  std::fwrite(chunk.data(), 1, chunk.size(), out);
  std::fputc('\n', out);
}

}  // namespace nw
