// The host, statistics and alarm reports over a model built frame by frame: what each report
// leaves out, how its tables are cut and coloured, text from the network read back as text by
// real readers, failures said in the event list, and runs on their own threads while the model
// changes.
#include <gtest/gtest.h>
#include <stdlib.h>  // setenv
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <filesystem>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "alarm/alarm.h"
#include "model/linkstat.h"
#include "output/event_list.h"
#include "pdl/pd.h"
#include "pdl/pd_stat.h"
#include "pdl/pdl.h"
#include "report/report_dir.h"
#include "report/report_run.h"
#include "report/report_table.h"
#include "stats/host_topn.h"
#include "stats/link_topn.h"
#include "stats/recv_topn.h"
#include "tests/model_test_support.h"
#include "tests/report_test_support.h"

namespace nw {
namespace {

using namespace std::literals;
namespace fs = std::filesystem;

constexpr std::string_view PROTOCOLS = R"(
  primitive ARP: 0x0806 "ARP"
  primitive TCP: 6 "TCP"
  protocol ROOT: 0 "Network" 0 { byte: 0 ETHERNET }
  protocol ETHERNET: 0, 255 "Ethernet" 14 { word: 12 ARP  word: 12 IP }
  protocol IP: 0x0800 "IPv4" 20 { byte: 9 TCP }
)";

const protocol_node* named(const protocol_node* list, std::string_view name) {
  for (; list != nullptr; list = list->next)
    if (list->def->name == name) return list;
  return nullptr;
}

class Reports : public test::model_test {
 protected:
  void SetUp() override {
    root_ = pdl_load_text(PROTOCOLS);
    ASSERT_NE(root_, nullptr);
    model_test::SetUp();
    alarm_init();
    output_lists_reset();
    ethernet_ = const_cast<protocol_node*>(named(root_->child, "ETHERNET"));
    ip_ = const_cast<protocol_node*>(named(ethernet_->child, "IP"));
    arp_ = const_cast<protocol_node*>(named(ethernet_->child, "ARP"));
    tcp_ = const_cast<protocol_node*>(named(ip_->child, "TCP"));
    ASSERT_TRUE(arp_ != nullptr && tcp_ != nullptr);
  }
  void TearDown() override {
    report_wait_all();
    model_test::TearDown();  // no network, so no ranking holds an alarm
    alarm_init();
    output_lists_reset();
  }

  node& host(std::uint8_t last, std::string_view name = {}) {
    node& h = *node_create(*network, test::mac_of(last));
    if (!name.empty()) node_set_local_name(h, name);
    return h;
  }

  // One frame along path as the frame handler counts it: hosts, link, rankings, the link's
  // protocols and the protocol tree.
  void send(node& s, node& d, std::uint32_t len, std::vector<protocol_node*> path) {
    model_lock lock;
    link& l = *carry(s, d, len);
    topn_offer(network->senders_rank, s);
    topn_offer(network->receivers_rank, d);
    topn_offer(network->links_rank, l);
    link_proto_count(l, path, len);
    for (protocol_node* p : path) {
      p->stats->bytes += len;
      p->stats->frames += 1;
    }
  }
  std::vector<protocol_node*> tcp_path() { return {ethernet_, ip_, tcp_}; }

  // Writes one report into the scratch folder; its three files by extension.
  std::map<std::string, std::string> write(report_kind kind) {
    report_request r{kind, network, root_, 1'700'000'000, base(kind), {}};
    std::string error;
    EXPECT_EQ(report_write(r, &error), 1) << error;
    std::map<std::string, std::string> files;
    for (const char* ext : {"txt", "rtf", "html"}) files[ext] = test::read_whole(r.base_path + "." + ext);
    return files;
  }
  std::string base(report_kind kind) const { return (dir_.path() / report_info(kind).stem).string(); }

  protocol_node* root_ = nullptr;
  protocol_node *ethernet_ = nullptr, *ip_ = nullptr, *arp_ = nullptr, *tcp_ = nullptr;
  test::scratch_dir dir_;
};

std::size_t count_of(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A ranked row of the text file: "%-71.71s %u\n" written as a line.
std::string ranked_line(const char* label, unsigned value) {
  char line[128];
  std::snprintf(line, sizeof line, "%-71.71s %u\n\n", label, value);
  return line;
}

// The row starts of an HTML file in order, one letter each: L(ight) or D(ark).
std::string row_colours(const std::string& html) {
  std::string out;
  for (std::size_t at = html.find("<TR BGCOLOR=#"); at != std::string::npos; at = html.find("<TR BGCOLOR=#", at + 1)) {
    const std::string_view colour = std::string_view(html).substr(at + 13, 6);
    if (colour == "F0F0F0") out += 'L';
    if (colour == "D8D8D8") out += 'D';
  }
  return out;
}

TEST_F(Reports, NetworkWithoutTrafficGivesOnlyTheOverallStatistics) {
  auto files = write(report_kind::stats);
  EXPECT_EQ(test::mask_calendar_texts(files["txt"]),
            "Network Statistics Report\n\n\n"
            "Www Mmm dd hh:mm:ss yyyy - Www Mmm dd hh:mm:ss yyyy\n\n"
            "\n\n\n"
            "Overall Statistics\nPeak Network Load = 0\nAverage Network Load = 0.000000\n"
            "produced by Nodewren - a LAN traffic monitor from Korvane Software, Inc.\n");
  EXPECT_EQ(count_of(files["html"], "<TABLE"), 1U);
  EXPECT_EQ(count_of(files["rtf"], "Top "), 0U);
  // The run's own period: from the program's start to now.
  EXPECT_NE(files["txt"].find(output_time_text(1'700'000'000).data() + " - "s), std::string::npos);
}

TEST_F(Reports, HostThatOnlySentIsListedUnderSentTrafficOnly) {
  node& alpha = host(1, "alpha");
  node& bravo = host(2, "bravo");
  send(alpha, bravo, 100, tcp_path());
  send(alpha, bravo, 60, {ethernet_, arp_});
  auto files = write(report_kind::hosts);
  const std::string& txt = files["txt"];
  const std::size_t received = txt.find("Принятый трафик:");
  ASSERT_NE(received, std::string::npos);
  const std::string sent_part = txt.substr(0, received);
  const std::string received_part = txt.substr(received);
  EXPECT_NE(sent_part.find("\nalpha\nDestination "), std::string::npos) << sent_part;
  EXPECT_EQ(sent_part.find("\nbravo\n"), std::string::npos) << sent_part;
  EXPECT_NE(received_part.find("\nbravo\nSource "), std::string::npos) << received_part;
  EXPECT_EQ(received_part.find("\nalpha\n"), std::string::npos) << received_part;
  // Every protocol entry of the pair in the order the link first carried it.
  EXPECT_NE(sent_part.find("bravo                               ETHERNET                 2        160\n"
                           "bravo                               IP                       1        100\n"
                           "bravo                               TCP                      1        100\n"
                           "bravo                               ARP                      1         60\n"),
            std::string::npos)
      << sent_part;
  // Rows alternate within a table and start light in each.
  EXPECT_EQ(row_colours(files["html"]), "LDLD" "LDLD");
  EXPECT_NE(files["html"].find("<TR BGCOLOR = #255199><TD WIDTH=30%><FONT SIZE =+0 COLOR=\"#FFFFFF\"><I>Местонахождение"),
            std::string::npos);
  EXPECT_NE(files["html"].find("<TR BGCOLOR = #255199><TD WIDTH=30%> <FONT SIZE =+0 COLOR=\"#FFFFFF\"><I>Исходный"),
            std::string::npos);
}

TEST_F(Reports, LinkCellsSplitSourceFromDestinationEvenWhenANameHoldsAComma) {
  node& alpha = host(1, "alpha");
  node& bravo = host(2, "bravo");
  node& smith = host(3, "Smith, J.");
  send(alpha, bravo, 300, tcp_path());
  send(smith, bravo, 200, tcp_path());
  auto files = write(report_kind::stats);
  constexpr std::string_view cell = "<FONT SIZE = -1 FACE=\"Arial\">";
  const std::string link_row = "<TD WIDTH=40%>"s + cell.data() + "alpha</TD>\n<TD WIDTH=40%>" + cell.data() + "\n bravo</TD>";
  EXPECT_NE(files["html"].find(link_row), std::string::npos) << files["html"];
  const std::string comma_row = "<TD WIDTH=40%>"s + cell.data() + "Smith, J.</TD>\n<TD WIDTH=40%>" + cell.data() + "\n bravo</TD>";
  EXPECT_NE(files["html"].find(comma_row), std::string::npos);
  EXPECT_NE(files["txt"].find("Top 2 Links \n"), std::string::npos);
  EXPECT_NE(files["txt"].find(ranked_line("Smith, J., bravo", 200)), std::string::npos) << files["txt"];
}

TEST_F(Reports, TopSendersAreSortedAndTheTitleCountsThem) {
  node& sink = host(9, "sink");
  node& small = host(1, "small");
  node& middle = host(2, "middle");
  node& large = host(3, "large");
  send(small, sink, 100, tcp_path());
  send(middle, sink, 200, tcp_path());
  send(large, sink, 300, tcp_path());
  send(small, sink, 250, tcp_path());  // 350 now: first, though ranked last when offered
  auto files = write(report_kind::stats);
  const std::string& txt = files["txt"];
  EXPECT_NE(txt.find("\n\n\nTop 3 Senders\nHost Name "), std::string::npos) << txt;
  const std::size_t first = txt.find(ranked_line("small", 350));
  const std::size_t second = txt.find(ranked_line("large", 300));
  const std::size_t third = txt.find(ranked_line("middle", 200));
  EXPECT_TRUE(first < second && second < third && third != std::string::npos) << txt;
  EXPECT_NE(files["rtf"].find("{\\f3\\fs20\\b Top 3 Senders  }"), std::string::npos);
  EXPECT_NE(files["html"].find("<B>Top 3 Senders</B><BR>"), std::string::npos);
  EXPECT_NE(txt.find("Top 1 Receivers\n"), std::string::npos);
}

TEST_F(Reports, ZeroByteProtocolIsNeitherListedNorCounted) {
  ethernet_->stats->bytes = 1000, ethernet_->stats->frames = 10;
  ip_->stats->bytes = 600, ip_->stats->frames = 6;
  arp_->stats->bytes = 400, arp_->stats->frames = 4;
  tcp_->stats->bytes = 0, tcp_->stats->frames = 5;  // frames without bytes must not count either
  auto files = write(report_kind::stats);
  const std::string& txt = files["txt"];
  EXPECT_NE(txt.find("\nETHERNET             1000        (50.00%)                 10          (50.00%) \n"),
            std::string::npos)
      << txt;
  EXPECT_NE(txt.find("\nARP                  400         (20.00%)                 4           (20.00%) \n"),
            std::string::npos);
  EXPECT_EQ(txt.find("\nTCP "), std::string::npos);
  EXPECT_EQ(files["html"].find(">TCP<"), std::string::npos);
  EXPECT_EQ(row_colours(files["html"]), "LDL" "LD");  // three protocols, then peak and average
}

TEST(PdStatTable, SumsEveryNodeOfAProtocolInTreeOrder) {
  protocol_node* root = pdl_load_text(R"(
    primitive TCP: 6 "TCP"
    protocol ROOT: 0 "Network" 0 { byte: 0 A  byte: 0 B }
    protocol A: 0, 255 "A" 1 { byte: 1 IP }
    protocol B: 0, 255 "B" 2 { byte: 2 IP }
    protocol IP: 4 "IPv4" 20 { byte: 9 TCP })");
  ASSERT_NE(root, nullptr);
  for (const char* path : {"ROOT\\A\\IP", "ROOT\\B\\IP", "ROOT\\A\\IP\\TCP"}) {
    pd_find_path(root, path)->stats->bytes += 10;
  }
  std::vector<std::string> names;
  double ip_bytes = -1;
  for (const pd_stat_row& row : pd_stat_table(root)) {
    names.push_back(row.def->name);
    if (row.def->name == "IP") ip_bytes = row.bytes;
  }
  // Children are listed from the last written; each block ends with its catch-all.
  EXPECT_EQ(names, (std::vector<std::string>{"ROOT", "B", "IP", "TCP", "OTHER_IP", "OTHER_B", "A", "OTHER_A",
                                             "OTHER_ROOT"}));
  EXPECT_EQ(ip_bytes, 20);
}

TEST_F(Reports, HostileHostNameStaysTextInEveryReader) {
  const std::string hostile = "<script>{x}</script>";
  node& bad = host(1, hostile);
  node& alpha = host(2, "alpha");
  send(bad, alpha, 100, tcp_path());
  send(alpha, bad, 100, tcp_path());
  for (const report_kind kind : {report_kind::hosts, report_kind::stats}) {
    auto files = write(kind);
    EXPECT_NE(files["txt"].find(hostile), std::string::npos);
    if (test::have_command("python3")) {
      const test::parsed_html parsed = test::parse_html(base(kind) + ".html", dir_.path());
      std::istringstream tags(parsed.tags);
      const std::set<std::string> allowed{"html", "head", "meta", "body", "center", "h2", "b", "p", "br",
                                          "hr", "i", "font", "a", "table", "tr", "td"};
      for (std::string tag; tags >> tag;) EXPECT_TRUE(allowed.contains(tag)) << tag;
      EXPECT_NE(parsed.text.find(hostile), std::string::npos);
    }
    if (test::have_command("unrtf")) {
      EXPECT_NE(test::run_command("unrtf --text " + base(kind) + ".rtf").find(hostile), std::string::npos);
    }
  }
  if (!test::have_command("unrtf") || !test::have_command("python3")) GTEST_SKIP() << "no unrtf or python3";
  const std::string shown = test::rtf_as_read(base(report_kind::hosts) + ".rtf");
  EXPECT_NE(shown.find("Отправленный трафик:"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Принятый трафик:"), std::string::npos) << shown;
}

TEST_F(Reports, FiredAlarmsListTheirFiringsOldestFirstWithColoursRunningOn) {
  const auto add = [&](std::int32_t type, std::string message, std::vector<std::uint32_t> hits) {
    alarm_list_current().push_back(alarm_new());
    alarm_def& a = *alarm_list_current().back();
    a.type = type;
    a.message = std::move(message);
    std::lock_guard lock(alarm_mutex());
    for (const std::uint32_t t : hits) {
      a.hits.push_back({t});
      alarm_rank_offer(*network, a);
    }
  };
  add(ALARM_THRESHOLD, "load above 50%", {1'700'000'000, 1'700'000'060});
  add(ALARM_OCCURRENCE, "never fired", {});
  add(ALARM_OCCURRENCE, "<b>{telnet}</b> & co", {1'700'000'120});
  auto files = write(report_kind::alarms);
  const auto at = [](std::uint32_t t) { return std::string(output_time_text(t).data()); };
  EXPECT_EQ(files["txt"].substr(files["txt"].find("Alarm Type")),
            "Alarm Type: Threshold\nУведомление о тревоге: load above 50%\nAlarm was triggered 2 times\n" +
                at(1'700'000'000) + "\n\n" + at(1'700'000'060) + "\n\n\n\n\n" +
                "Alarm Type: Occurrence\nУведомление о тревоге: <b>{telnet}</b> & co\nAlarm was triggered 1 times\n" +
                at(1'700'000'120) + "\n\n\n\n\n" +
                "produced by Nodewren - a LAN traffic monitor from Korvane Software, Inc.\n");
  EXPECT_EQ(row_colours(files["html"]), "LDL");
  EXPECT_NE(files["html"].find("&lt;b&gt;{telnet}&lt;/b&gt; &amp; co"), std::string::npos);
  EXPECT_NE(files["rtf"].find("\\{telnet\\}"), std::string::npos);
  // The statistics report ranks them by firings, as the ranking holds them.
  auto stats = write(report_kind::stats);
  EXPECT_NE(stats["txt"].find("Top 2 Alarms\nAlarm Notify String"), std::string::npos) << stats["txt"];
  EXPECT_NE(stats["html"].find("\n   (2 activations)\n</TD></TR>"), std::string::npos);
}

TEST_F(Reports, FilesThatCannotBeWrittenSayWhyAndTellNoViewer) {
  int told = 0;
  std::string told_path;
  report_request r{report_kind::hosts, network, root_, 0, (dir_.path() / "missing" / "hostrep").string(),
                   [&](int message, const std::string& path) {
                     told += message == REPORT_WRITTEN_MESSAGE ? 1 : 100;
                     told_path = path;
                   }};
  std::string error;
  EXPECT_EQ(report_write(r, &error), -1);
  EXPECT_NE(error.find("hostrep.txt"), std::string::npos) << error;
  if (fs::exists("/dev/full")) {
    fs::create_symlink("/dev/full", dir_.path() / "full.html");
    r.base_path = (dir_.path() / "full").string();
    EXPECT_EQ(report_write(r, &error), -1);
    EXPECT_NE(error.find("No space left"), std::string::npos) << error;
  }
  EXPECT_EQ(told, 0);
  const std::vector<output_line> events = output_event_list().lines();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().text.rfind("Host Report not written: cannot open ", 0), 0U) << events.front().text;

  r.base_path = base(report_kind::hosts);
  EXPECT_EQ(report_write(r, &error), 1);
  EXPECT_EQ(told, 1);
  EXPECT_EQ(told_path, r.base_path);
}

// Each run copies under the locks while another thread keeps adding hosts and traffic as the
// capture thread does; the sanitizer builds see any read the locks do not cover.
TEST_F(Reports, RunsOnTheirOwnThreadsWhileTheModelChanges) {
  node& hub = host(200, "hub");
  send(hub, host(201), 100, tcp_path());
  std::atomic<bool> stop{false};
  std::thread capture([&] {
    for (std::uint32_t i = 0; !stop && i < 4000; ++i) {
      std::this_thread::yield();
      model_lock lock;
      const auto low = static_cast<std::uint8_t>(i % 150);
      const auto high = static_cast<std::uint8_t>(2 + i / 150);
      node& fresh = *node_create(*network, test::mac_of(low, high));
      link* l = carry(fresh, hub, 64);
      topn_offer(network->senders_rank, fresh);
      topn_offer(network->links_rank, *l);
      std::vector<protocol_node*> path = tcp_path();
      link_proto_count(*l, path, 64);
      std::lock_guard alarms(alarm_mutex());  // the alarm thread's side of a firing
      (void)alarm_rank(*network);
    }
  });
  std::mutex told_mutex;
  std::vector<std::string> told;
  for (int round = 0; round < 5; ++round) {
    for (const report_kind kind : REPORT_KINDS) {
      report_start({kind, network, root_, 0, base(kind), [&](int, const std::string& path) {
                      std::lock_guard lock(told_mutex);
                      told.push_back(path);
                    }});
    }
  }
  report_wait_all();
  stop = true;
  capture.join();
  EXPECT_EQ(told.size(), 15U);
  for (const report_kind kind : REPORT_KINDS) {
    const std::string html = test::read_whole(base(kind) + ".html");
    EXPECT_TRUE(html.ends_with("</BODY></HTML>")) << report_info(kind).stem;
    EXPECT_TRUE(test::read_whole(base(kind) + ".rtf").ends_with("}"));
  }
}

TEST(ReportDir, IsAFolderOfTheUsersOwnThatNobodyElseCanPlantIn) {
  test::scratch_dir tmp;
  const char* saved = std::getenv("TMPDIR");
  const std::string restore = saved != nullptr ? saved : "";
  ::setenv("TMPDIR", (tmp.path().string() + "/").c_str(), 1);
  const fs::path expected = tmp.path() / ("nodewren-" + std::to_string(::geteuid()));
  std::string dir, error;
  EXPECT_EQ(report_dir(&dir, &error), 1) << error;
  EXPECT_EQ(dir, expected.string());
  struct stat st {};
  ASSERT_EQ(::lstat(dir.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700U);
  std::string base;
  EXPECT_EQ(report_base_path(report_kind::stats, &base), 1);
  EXPECT_EQ(base, dir + "/statsrep");

  fs::remove(expected);  // a link planted in its place leads nowhere
  fs::create_directory(tmp.path() / "elsewhere");
  fs::create_directory_symlink(tmp.path() / "elsewhere", expected);
  EXPECT_EQ(report_dir(&dir, &error), -1);
  EXPECT_NE(error.find("not a private folder"), std::string::npos) << error;
  output_lists_reset();
  EXPECT_EQ(report_base_path(report_kind::alarms, &base), -1);
  ASSERT_EQ(output_event_list().size(), 1U);
  EXPECT_EQ(output_event_list().lines()[0].text.rfind("Доклад о тревогах not written: ", 0), 0U);

  fs::remove(expected);  // a folder others may write in
  fs::create_directory(expected);
  fs::permissions(expected, fs::perms::all);
  EXPECT_EQ(report_dir(&dir, &error), -1);

  output_lists_reset();
  if (saved != nullptr) ::setenv("TMPDIR", restore.c_str(), 1); else ::unsetenv("TMPDIR");
}

TEST(ReportTable, ColumnsCountCharactersNotBytes) {
  EXPECT_EQ(report_column("Сервер-1", 5), "Серве");
  EXPECT_EQ(report_column("ab", 4), "ab  ");
  EXPECT_EQ(report_column("a\xFF" "bc", 3), "a\xFF" "b");  // a broken byte is one character
  EXPECT_EQ(report_pad("Сервер", 8), "Сервер  ");
  EXPECT_EQ(report_pad("longer than wide", 4), "longer than wide");
  report_row_colours colours;
  EXPECT_EQ(colours.next().view(), "<TR BGCOLOR=#F0F0F0>");
  EXPECT_EQ(colours.next().view(), "<TR BGCOLOR=#D8D8D8>");
  EXPECT_EQ(colours.next().view(), "<TR BGCOLOR=#F0F0F0>");
}

}  // namespace
}  // namespace nw
