// The name thread: reverse answers cut to their first label, the resolve setting, bursts of
// requests from several threads, and requests around close.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "namedb/cb_ether.h"
#include "tests/ethers_test_support.h"

namespace nw {
namespace {

using namespace std::chrono_literals;
using test::ip;
using test::mac;

// The answers the name thread hands back, waited for with a deadline so a lost request fails
// the test instead of hanging it.
struct answers {
  std::mutex mutex;
  std::condition_variable cv;
  std::vector<std::string> names;

  ethers_name_done collector() {
    return [this](const std::string& name) {
      {
        std::lock_guard lock(mutex);
        names.push_back(name);
      }
      cv.notify_all();
    };
  }
  bool wait_for(std::size_t count) {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, 10s, [&] { return names.size() >= count; });
  }
};

class EthersNames : public test::ethers_fixture {
 protected:
  // Opens with resolving on and a look-up that answers from `reply` for every address.
  void open_with(std::function<std::string(const netaddr&)> lookup, bool resolve = true) {
    ethers_options o = options();
    o.resolve_enabled = [this] { return resolve_.load(); };
    o.reverse_lookup = std::move(lookup);
    resolve_ = resolve;
    ASSERT_EQ(ethers_open(o), 1);
  }

  std::atomic<bool> resolve_{true};
  // A member, so the name thread is joined (TearDown) before the answers go.
  answers got;
};

TEST_F(EthersNames, AnswersAreCutToTheirFirstLabelOrFirstWord) {
  struct row {
    std::string answer, name;
  };
  const std::string long80(80, 'x');
  const row rows[] = {
      {"host.example.com", "host"},
      {"my host", "my"},
      {"my host.example.com", "my host"},  // the dot wins over the blank
      {"plain", "plain"},
      {"", ""},
      {".leading", ""},
      {long80 + "yyy.zz", long80},  // cut to 80 first: no dot is left
      {std::string(79, 'w') + " tail", std::string(79, 'w')},
  };
  std::size_t next = 0;
  std::mutex m;
  open_with([&](const netaddr&) {
    std::lock_guard lock(m);
    return rows[next++].answer;
  });
  for (std::size_t i = 0; i < std::size(rows); ++i) ASSERT_EQ(ethers_request_name(ip("10.0.0.1"), got.collector()), 1);
  ASSERT_TRUE(got.wait_for(std::size(rows)));
  for (std::size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(got.names[i], rows[i].name) << rows[i].answer;
}

TEST_F(EthersNames, TheLookupSeesTheRequestedAddressAndResolveOffGivesNoName) {
  std::atomic<int> calls{0};
  std::string seen;
  open_with(
      [&](const netaddr& addr) {
        ++calls;
        seen = netaddr_to_text_new(addr);
        return std::string("named.lan");
      },
      false);
  ASSERT_EQ(ethers_request_name(ip("192.168.7.9"), got.collector()), 1);
  ASSERT_TRUE(got.wait_for(1));
  EXPECT_EQ(got.names[0], "");
  EXPECT_EQ(calls.load(), 0);
  resolve_ = true;
  ASSERT_EQ(ethers_request_name(ip("192.168.7.9"), got.collector()), 1);
  ASSERT_TRUE(got.wait_for(2));
  EXPECT_EQ(got.names[1], "named");
  EXPECT_EQ(seen, "192.168.7.9");
}

// Whatever the machine's resolver says about the loopback address, the answer arrives cut.
TEST_F(EthersNames, TheSystemResolverAnswersForLoopback) {
  open_with(nullptr);
  ASSERT_EQ(ethers_request_name(ip("127.0.0.1"), got.collector()), 1);
  ASSERT_TRUE(got.wait_for(1));
  const std::string& name = got.names[0];
  EXPECT_LE(name.size(), ETHERS_ANSWER_MAX);
  EXPECT_EQ(name.find('.'), std::string::npos) << name;
  EXPECT_EQ(name.find(' '), std::string::npos) << name;
}

// Requests put while the thread empties the queue must not wait for the next one.
TEST_F(EthersNames, BurstsFromSeveralThreadsAreAllAnswered) {
  open_with([](const netaddr& addr) { return netaddr_to_text_new(addr); });
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this] {
      for (int i = 0; i < 250; ++i) {
        ASSERT_EQ(ethers_request_name(ip("10.0.0.1"), got.collector()), 1);
        if (i % 50 == 0) std::this_thread::sleep_for(1ms);
      }
    });
  }
  for (auto& th : threads) th.join();
  ASSERT_TRUE(got.wait_for(1000));
  EXPECT_EQ(got.names.size(), 1000u);
  EXPECT_EQ(got.names.front(), "10");
}

TEST_F(EthersNames, CallbacksMayStoreTheNameTheyWereGiven) {
  open_with([](const netaddr&) { return std::string("station.lan"); });
  const netaddr hw = mac("00:A0:C9:14:C8:29");
  auto done = got.collector();
  ASSERT_EQ(ethers_request_name(ip("10.1.1.1"), [&, done](const std::string& name) {
              name_record r;
              r.hw = hw;
              r.ip = ip("10.1.1.1");
              r.ip_name = name;
              (void)ethers_store(r);
              done(name);
            }),
            1);
  ASSERT_TRUE(got.wait_for(1));
  EXPECT_EQ(ethers_lookup_address(hw)->ip_name, "station");
}

TEST_F(EthersNames, RequestsOutsideOpenAndCloseAreIgnoredSafely) {
  EXPECT_EQ(ethers_request_name(ip("10.0.0.1"), got.collector()), 0);  // before open
  std::atomic<bool> release{false};
  std::atomic<int> started{0};
  open_with([&](const netaddr&) {
    ++started;
    while (!release) std::this_thread::sleep_for(1ms);
    return std::string("slow");
  });
  EXPECT_EQ(ethers_request_name(mac("00:00:00:00:00:01"), got.collector()), 0);  // not IPv4
  for (int i = 0; i < 5; ++i) ASSERT_EQ(ethers_request_name(ip("10.0.0.1"), got.collector()), 1);
  while (started == 0) std::this_thread::sleep_for(1ms);
  // Close waits for the look-up in progress and drops the rest.
  std::thread closer([] { ethers_close(); });
  std::this_thread::sleep_for(20ms);
  release = true;
  closer.join();
  EXPECT_EQ(ethers_request_name(ip("10.0.0.1"), got.collector()), 0);
  std::this_thread::sleep_for(20ms);
  std::lock_guard lock(got.mutex);
  EXPECT_EQ(got.names, std::vector<std::string>{"slow"});
}

}  // namespace
}  // namespace nw
