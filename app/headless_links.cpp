#include "app/headless_links.h"

#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/headless_text.h"
#include "core/prefetch.h"
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
    n.hosts_made.for_each([&](const node& h) {
      starts_[h.number] = texts_.size();
      texts_ += node_best_label(h);
    });
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

// What a link line shows besides its source.
struct link_row {
  std::uint32_t dst_number;
  std::uint32_t protocol;
  std::uint64_t frames;
  std::uint64_t bytes;
};

// Into `text`, which it empties first: the lines of the hosts [from, to) of `hosts`, whose rows
// start at rows[first_row[from]].
void lines_of(std::span<const node* const> hosts, std::span<const std::size_t> first_row, std::span<const link_row> rows,
              const host_labels& labels, const main_protocols& protocols, std::size_t from, std::size_t to,
              std::string& text) {
  text.clear();
  for (std::size_t i = from; i < to; ++i) {
    const std::string_view source = labels.of(hosts[i]->number);
    for (std::size_t place = first_row[i]; place < first_row[i + 1]; ++place) {
      const link_row& row = rows[place];
      append_left(text, source, 24);
      text += ' ';
      append_left(text, labels.of(row.dst_number), 24);
      text += ' ';
      append_right(text, row.frames, 10);
      text += ' ';
      append_right(text, row.bytes, 12);
      text += "  ";
      text += protocols.text(row.protocol);
      text += '\n';
    }
  }
}

// Where slices of about SLICE_ROWS lines start, by host, ending with the number of hosts.
std::vector<std::size_t> slice_starts(std::span<const std::size_t> first_row) {
  constexpr std::size_t SLICE_ROWS = 1 << 14;
  std::vector<std::size_t> starts{0};
  const std::size_t hosts = first_row.size() - 1;
  for (std::size_t i = 1; i < hosts; ++i)
    if (first_row[i] - first_row[starts.back()] >= SLICE_ROWS) starts.push_back(i);
  starts.push_back(hosts);
  return starts;
}

}  // namespace

// A large segment has hundreds of thousands of links, and in host order they lie all over the
// heap: what the lines show is gathered in creation order, which reads the links' blocks front
// to back, each row put in its place in host order, and the lines are written from the rows.
void headless_print_links(std::FILE* out, const net& n) {
  std::fprintf(out, "%-24s %-24s %10s %12s  %s\n", "source", "destination", "frames", "bytes", "mostly");
  const std::vector<const node*> hosts(n.host_list.begin(), n.host_list.end());
  std::vector<std::size_t> first_row(hosts.size() + 1);  // by place in hosts
  std::vector<std::size_t> next_row(n.hosts_made.size());  // by host number
  for (std::size_t i = 0; i < hosts.size(); ++i) {
    next_row[hosts[i]->number] = first_row[i];
    first_row[i + 1] = first_row[i] + hosts[i]->links_out.count();
  }
  main_protocols protocols;
  std::vector<link_row> rows(first_row.back());
  // Records come front to back; each one's protocol tree lies elsewhere and is loaded ahead.
  constexpr std::size_t TREE_AHEAD = 8;
  for (std::size_t number = 0; number < n.links.size(); ++number) {
    if (number + TREE_AHEAD < n.links.size()) cache_preload(n.links[number + TREE_AHEAD].proto_nodes.data());
    const link& l = n.links[number];
    rows[next_row[l.src_number]++] = {l.dst_number, protocols.of(l, n.proto_paths), l.pkts, l.bytes};
  }
  const host_labels labels(n);
  // Formatting is most of what is left, and the reading thread is idle by now: slices of lines
  // are formatted two at a time, every other one on a thread of its own, and written in order.
  // The two buffers serve every slice, so their pages are faulted in once, not once per slice.
  const std::vector<std::size_t> starts = slice_starts(first_row);
  std::string mine;
  std::string theirs;
  const auto slice = [&](std::size_t k, std::string& text) {
    lines_of(hosts, first_row, rows, labels, protocols, starts[k], starts[k + 1], text);
  };
  const auto write = [&](const std::string& text) { std::fwrite(text.data(), 1, text.size(), out); };
  for (std::size_t k = 0; k + 1 < starts.size(); k += 2) {
    const bool pair = k + 2 < starts.size();
    std::future<void> next;
    if (pair) {
      try {
        next = std::async(std::launch::async, slice, k + 1, std::ref(theirs));
      } catch (const std::system_error&) {
        // No thread to be had: this one formats both.
      }
    }
    slice(k, mine);
    write(mine);
    if (!pair) continue;
    if (next.valid()) {
      next.get();
    } else {
      slice(k + 1, theirs);
    }
    write(theirs);
  }
  std::fputc('\n', out);
}

}  // namespace nw
