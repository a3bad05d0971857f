#include "app/headless_print.h"

#include <array>
#include <cinttypes>
#include <iterator>
#include <mutex>
#include <string>

#include "alarm/alarm.h"
#include "app/headless_links.h"
#include "app/headless_text.h"
#include "capture/adapter_rows.h"
#include "model/link.h"
#include "model/linkstat.h"
#include "model/model_config.h"
#include "model/net.h"
#include "model/node.h"
#include "output/event_list.h"
#include "pdl/pd_model.h"
#include "pdl/pd_stat.h"
#include "stats/host_topn.h"
#include "stats/link_topn.h"
#include "stats/recv_topn.h"

namespace nw {
namespace {

const char* or_dash(const char* text) { return text != nullptr && *text != '\0' ? text : "-"; }

void print_figures(std::FILE* out, const headless_network& run) {
  const net& n = *run.network;
  std::fprintf(out, "== %s: %s (%s, %s) ==\n", n.name.c_str(), run.file.c_str(),
               n.adapter.type == NETTYPE_TOKEN_RING ? "Token Ring" : "Ethernet",
               adapter_rows_speed_text(n.adapter.speed));
  std::fprintf(out, "frames %" PRIu64 "  bytes %" PRIu64 "  hosts %u  links %u  received %u  dropped %u\n",
               n.pkts, n.bytes, n.node_count, n.link_count, n.received, n.dropped);
  std::fprintf(out, "load: last %d%%  peak %d%%  mean %.2f%%  (%" PRIu64 " passes)\n\n", n.load, n.peak_load,
               static_cast<double>(n.avg_load), run.passes);
}

void print_hosts(std::FILE* out, const net& n) {
  std::fprintf(out, "%-18s %-15s %-24s %-16s %10s %12s %10s %12s\n", "hardware address", "IP address", "name",
               "manufacturer", "sent", "sent bytes", "received", "recv bytes");
  constexpr std::size_t FLUSH_AT = 1 << 20;
  std::string lines;
  std::array<char, NETADDR_TEXT_SIZE> ip{};
  for (const auto& h : n.host_list) {
    if (h->ip == nullptr) {
      ip = {'-'};
    } else {
      (void)netaddr_to_text(*h->ip, ip);  // "" for an unset address
    }
    append_left(lines, h->mac_text, 18);
    lines += ' ';
    append_left(lines, ip.data(), 15);
    lines += ' ';
    append_left(lines, node_best_label(*h), 24);
    lines += ' ';
    append_left(lines, or_dash(h->manuf_label.text.data()), 16);
    lines += ' ';
    append_right(lines, h->tx_pkts, 10);
    lines += ' ';
    append_right(lines, h->tx_bytes, 12);
    lines += ' ';
    append_right(lines, h->rx_pkts, 10);
    lines += ' ';
    append_right(lines, h->rx_bytes, 12);
    lines += '\n';
    // Written a block at a time: one buffer's pages serve every line.
    if (lines.size() >= FLUSH_AT) {
      std::fwrite(lines.data(), 1, lines.size(), out);
      lines.clear();
    }
  }
  lines += '\n';
  std::fwrite(lines.data(), 1, lines.size(), out);
}

template <typename Item>
void print_list(std::FILE* out, const char* title, const topn<Item>& ranking) {
  topn_list list;
  topn_get_list(ranking, list);
  std::fprintf(out, "%s\n", title);
  for (std::int32_t i = 0; i < ranking.count; ++i) {
    const topn_pair& p = list[static_cast<std::size_t>(i)];
    std::fprintf(out, "%3d. %-50s %14" PRIu64 "\n", i + 1, p.label.c_str(), p.value);
  }
  std::fputc('\n', out);
}

template <typename Item>
void print_ranking(std::FILE* out, const char* title, topn<Item>& ranking) {
  topn_sort(ranking);
  print_list(out, title, ranking);
}

// Firings keep the alarm ranking in order, so it is read as it stands; a network that never
// ranked an alarm (no alarm file) has none.
void print_alarm_ranking(std::FILE* out, const net& n) {
  std::lock_guard lock(alarm_mutex());
  if (n.alarms_rank.fns != nullptr) print_list(out, "Top alarms (times triggered)", n.alarms_rank);
}

void print_output_list(std::FILE* out, const char* title, const event_list& list) {
  const std::vector<output_line> lines = list.lines();
  std::fprintf(out, "%s: %zu\n", title, lines.size());
  for (const output_line& line : lines)
    std::fprintf(out, "%s  %s\n", output_time_text(line.time).data(), line.text.c_str());
}

// The first and last times an alarm fired, or dashes.
void print_hits(std::FILE* out, const alarm_def& alarm) {
  std::array<char, OUTPUT_TIME_TEXT_SIZE> first{};
  std::array<char, OUTPUT_TIME_TEXT_SIZE> last{};
  if (alarm.hits.size() > 0) {
    first = output_time_text(alarm.hits.begin()->time);
    last = output_time_text(std::prev(alarm.hits.end())->time);
  }
  std::fprintf(out, "%8zu  %-24s  %-24s  %s\n", alarm.hits.size(), or_dash(first.data()), or_dash(last.data()),
               alarm.message.c_str());
}

}  // namespace

void headless_print_network(std::FILE* out, const headless_network& run) {
  model_lock lock;
  net& n = *run.network;
  print_figures(out, run);
  print_hosts(out, n);
  headless_print_links(out, n);
  print_ranking(out, "Top senders (bytes sent)", n.senders_rank);
  print_ranking(out, "Top receivers (bytes received)", n.receivers_rank);
  print_ranking(out, "Top links (bytes)", n.links_rank);
  print_alarm_ranking(out, n);
}

void headless_print_protocols(std::FILE* out, const protocol_node* root) {
  std::fprintf(out, "%12s %16s  %s\n", "frames", "bytes", "protocol");
  struct visit {
    const protocol_node* node;
    std::string parent_path;
  };
  std::vector<visit> pending{{root, ""}};
  while (!pending.empty()) {
    visit v = std::move(pending.back());
    pending.pop_back();
    if (v.node == nullptr) continue;
    std::string path = v.parent_path.empty() ? v.node->def->name : v.parent_path + "\\" + v.node->def->name;
    if (pd_stat_frames(v.node) > 0)
      std::fprintf(out, "%12.0f %16.0f  %s\n", pd_stat_frames(v.node), pd_stat_bytes(v.node), path.c_str());
    pending.push_back({v.node->next, v.parent_path});
    pending.push_back({v.node->child, std::move(path)});
  }
  std::fputc('\n', out);
}

void headless_print_events(std::FILE* out) { print_output_list(out, "Network events", output_event_list()); }

void headless_print_alarms(std::FILE* out) {
  print_output_list(out, "Alarm lines", output_alarm_list());
  std::fprintf(out, "\n%8s  %-24s  %-24s  %s\n", "hits", "first", "last", "alarm");
  std::lock_guard lock(alarm_mutex());
  for (const auto& alarm : alarm_list_current()) print_hits(out, *alarm);
  std::fputc('\n', out);
}

}  // namespace nw
