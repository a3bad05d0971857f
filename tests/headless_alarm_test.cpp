// The headless run with alarms, end to end: the generated LAN through the built
// nodewren-headless with alarms on its file server. The alarms that match fire and are listed
// with their times, hits and ranking, those that cannot fire stay at 0, a batch run starts no
// program, the data directory's alarm.adl serves when no file is named, and a run without
// alarms prints nothing about them.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tools/demo_lan.h"

namespace nw {
namespace {

// What a run printed about alarms: lines per message (each checked for its calendar time),
// hits per message, and the first network's "Top alarms" in order.
struct alarm_report {
  std::map<std::string, long> lines;
  std::map<std::string, long> hits;
  std::vector<std::pair<std::string, long>> top;
  bool any = false;  // an alarm section or ranking was printed at all
};

std::string trimmed(const std::string& text) { return text.substr(0, text.find_last_not_of(' ') + 1); }

alarm_report read_report(const std::string& out) {
  const std::regex timed(R"(^(Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} [ 1-3]\d \d\d:\d\d:\d\d \d{4}  (.*)$)");
  const std::regex hits_row(R"(^ *(\d+)  (.{24})  .{24}  (.*)$)");
  const std::regex top_row(R"(^ *\d+\. (.{50}) +(\d+)$)");
  alarm_report r;
  std::istringstream in(out);
  std::string section;
  std::smatch m;
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) {
      section.clear();
    } else if (line.rfind("Alarm lines: ", 0) == 0 || line.rfind("    hits", 0) == 0 || line.rfind("Top alarms", 0) == 0) {
      section = line.rfind("Top", 0) == 0 && !r.top.empty() ? "a later network's" : line.substr(0, 4);
      r.any = true;
    } else if (section == "Alar") {
      EXPECT_TRUE(std::regex_match(line, m, timed)) << line;
      ++r.lines[m[2]];
    } else if (section == "    " && std::regex_match(line, m, hits_row)) {
      r.hits[m[3]] = std::stol(m[1]);
      if (m[1] != "0") {
        EXPECT_TRUE(std::regex_match(trimmed(m[2]) + "  x", timed)) << line;  // its first time
      }
    } else if (section == "Top " && std::regex_match(line, m, top_row)) {
      r.top.emplace_back(trimmed(m[1]), std::stol(m[2]));
    }
  }
  return r;
}

class HeadlessAlarms : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "nodewren-headless-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ASSERT_TRUE(demo::write_pcap(path("lan.pcap"), demo::demo_lan_frames()));
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  [[nodiscard]] std::string path(const char* name) const { return (dir_ / name).string(); }

  // Alarms on the demo's file server, by hardware and by IPv4 address, and two that cannot fire.
  void write_alarms(const char* name) const {
    const auto& stations = demo::demo_stations();
    const auto server = std::find_if(stations.begin(), stations.end(),
                                     [](const auto& s) { return s.role == demo::station_role::file_server; });
    ASSERT_NE(server, stations.end());
    char mac[18];
    char ip[16];
    const auto& [m0, m1, m2, m3, m4, m5] = server->mac;
    std::snprintf(mac, sizeof mac, "%02x:%02x:%02x:%02x:%02x:%02x", m0, m1, m2, m3, m4, m5);
    std::snprintf(ip, sizeof ip, "%u.%u.%u.%u", server->ip[0], server->ip[1], server->ip[2], server->ip[3]);
    std::ofstream(path(name))
        << "Occurrence host " << mac << " \"File server active\" on \"touch " << path("program-ran") << "\" \""
        << path("bell.wav") << "\"\n"
        << "Threshold host " << ip << " high 2 pkts \"File server above 2 packets a second\" on \"\" \"\"\n"
        << "Occurrence host 02:4e:57:10:00:fe \"A station that never talks\" on \"\" \"\"\n"
        << "Occurrence host " << mac << " \"Switched off\" off \"\" \"\"\n";
  }

  // Standard output of a run over the generated LAN (`times` times) with `options`, which must
  // end with `status`.
  std::string run(const std::string& options, int times = 1, int status = 0) const {
    std::string command = std::string("'") + NODEWREN_HEADLESS + "' --protocols '" + NODEWREN_SOURCE_DIR +
                          "/data/protocol.pdl' --no-names --data '" + dir_.string() + "' " + options;
    for (int i = 0; i < times; ++i) command += " '" + path("lan.pcap") + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    EXPECT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    for (std::size_t n = 0; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
    const int ended = pclose(pipe.release());
    EXPECT_TRUE(WIFEXITED(ended) && WEXITSTATUS(ended) == status) << command;
    return out;
  }

  std::filesystem::path dir_;
};

TEST_F(HeadlessAlarms, TheFileServersAlarmsFireAndAreListedWithTheirHitsAndRanking) {
  write_alarms("server.adl");
  const alarm_report r = read_report(run("--alarms '" + path("server.adl") + "'"));
  ASSERT_EQ(r.hits.size(), 4U);
  EXPECT_GT(r.hits.at("File server active"), 1);
  EXPECT_GT(r.hits.at("File server above 2 packets a second"), 0);
  EXPECT_EQ(r.hits.at("A station that never talks"), 0);
  EXPECT_EQ(r.hits.at("Switched off"), 0);
  // One line a hit; every alarm ranked by its hits.
  EXPECT_EQ(r.lines, (std::map<std::string, long>{{"File server active", r.hits.at("File server active")},
                                                  {"File server above 2 packets a second",
                                                   r.hits.at("File server above 2 packets a second")}}));
  ASSERT_EQ(r.top.size(), 4U);
  EXPECT_EQ(r.top[0].first, "File server active");
  for (std::size_t i = 0; i < r.top.size(); ++i) {
    EXPECT_EQ(r.top[i].second, r.hits.at(r.top[i].first)) << r.top[i].first;
    if (i > 0) {
      EXPECT_GE(r.top[i - 1].second, r.top[i].second);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(path("program-ran")));  // a batch run starts nothing

  // The data directory's alarm.adl when none is named. The capture twice: the alarms bind anew
  // to the second network's stations, and all firings of the first are carried out before it.
  std::filesystem::rename(path("server.adl"), path("alarm.adl"));
  const alarm_report twice = read_report(run("", 2));
  for (const auto& [message, hits] : r.hits) EXPECT_EQ(twice.hits.at(message), 2 * hits) << message;
}

TEST_F(HeadlessAlarms, WithoutAnAlarmFileNothingAboutAlarmsIsPrinted) {
  const std::string out = run("");
  EXPECT_FALSE(read_report(out).any);
  EXPECT_NE(out.find("Top links (bytes)"), std::string::npos);  // the run itself did happen
  // A named file that cannot be read ends the run as a failure, not a run without alarms.
  EXPECT_EQ(run("--alarms '" + path("missing.adl") + "'", 1, 255), "");
  // Output that cannot be written is a failed run, not a quiet one.
  EXPECT_EQ(run("2>/dev/null >/dev/full", 1, 1), "");
}

}  // namespace
}  // namespace nw
