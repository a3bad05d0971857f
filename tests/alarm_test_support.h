// Helpers shared by the alarm tests: the shipped protocol file under one Ethernet network, a
// clean alarm state, the messages the reader showed, a temporary folder, and the host-name
// cache's resolver run for real.
#pragma once

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <string>
#include <vector>

#include "alarm/adl.h"
#include "alarm/alarm.h"
#include "alarm/alarm_ref.h"
#include "alarm/alarm_text.h"
#include "hostc/hostc.h"
#include "pdl/pdl.h"
#include "tests/model_test_support.h"

namespace nw::test {

inline std::string source_file(const char* relative) { return std::string(NODEWREN_SOURCE_DIR) + "/" + relative; }

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class alarm_fixture : public model_test {
 protected:
  void SetUp() override {
    // The network's media node is looked up in the tree when the network is made.
    ASSERT_NE(pdl_load(source_file("data/protocol.pdl")), nullptr);
    model_test::SetUp();
    hostc_shutdown();
    alarm_init();
    std::string pattern = (std::filesystem::temp_directory_path() / "nodewren-alarm-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    message_set_hook([this](const message& m) { messages.push_back(m); });
  }
  void TearDown() override {
    hostc_shutdown();  // joins the resolver before the alarms go
    alarm_init();
    message_set_hook(nullptr);
    std::filesystem::remove_all(dir_);
    model_test::TearDown();
  }

  [[nodiscard]] std::string path(const std::string& file) const { return (dir_ / file).string(); }

  // Loads alarm text into the (emptied) current list.
  alarm_list& load(std::string_view text) {
    alarm_init();
    return adl_load_text(text);
  }

  // The resolver with "resolve" on and a host-name service answering from `dns` (name ->
  // dotted address); without entries there, names stay unresolved.
  void start_resolver() {
    hostc_options options;
    options.resolve_enabled = [] { return true; };
    options.forward = [this](const std::string& name) -> std::optional<hostc_hostent> {
      const auto it = dns.find(name);
      if (it == dns.end()) return std::nullopt;
      const netaddr ip = parse_addr(NETADDR_IPV4, it->second);
      const std::uint8_t* o = netaddr_bytes(ip);
      return hostc_hostent{name, {}, AF_INET, 4, {{o[0], o[1], o[2], o[3]}}};
    };
    options.reverse = [](const netaddr&) { return std::optional<hostc_hostent>{}; };
    ASSERT_EQ(hostc_init(options), 1);
    ASSERT_EQ(hostc_thread_start(), 1);
  }

  // Requests are served in order: once a request made now is answered, every callback of the
  // requests before it has run.
  static void drain_resolver() {
    auto done = std::make_shared<std::promise<void>>();
    ASSERT_EQ(hostc_request_text("0.0.0.1", [done](const hostc_entry*) { done->set_value(); }), 1);
    ASSERT_EQ(done->get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  }

  std::vector<message> messages;
  std::map<std::string, std::string> dns;

 private:
  std::filesystem::path dir_;
};

}  // namespace nw::test
