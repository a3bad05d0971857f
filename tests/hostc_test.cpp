// The host-name cache with its resolver thread: answers kept under every name and address, the
// name database's local names, the "resolve" gate, requests from several threads, shutdown with
// requests waiting, and the system resolver on the loopback host.
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "hostc/hostc.h"
#include "tests/ethers_test_support.h"

namespace nw {
namespace {

using namespace std::chrono_literals;
using test::ip;
using test::mac;

// The entries the callbacks were given, waited for with a deadline so that a lost request
// fails the test instead of hanging it.
struct answers {
  std::mutex mutex;
  std::condition_variable cv;
  std::vector<const hostc_entry*> entries;
  std::set<std::thread::id> threads;

  hostc_callback collector() {
    return [this](const hostc_entry* e) {
      {
        std::lock_guard lock(mutex);
        entries.push_back(e);
        threads.insert(std::this_thread::get_id());
      }
      cv.notify_all();
    };
  }
  bool wait_for(std::size_t count) {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, 10s, [&] { return entries.size() >= count; });
  }
  std::size_t count() {
    std::lock_guard lock(mutex);
    return entries.size();
  }
};

hostc_hostent answer(std::string name, std::vector<std::string> aliases, std::vector<std::string> addresses) {
  hostc_hostent h{std::move(name), std::move(aliases), AF_INET, 4, {}};
  for (const auto& text : addresses) {
    const netaddr a = ip(text);
    h.h_addr_list.emplace_back(netaddr_bytes(a), netaddr_bytes(a) + 4);
  }
  return h;
}

// A host-name service answering from one map (names, and dotted addresses for the reverse
// direction) and counting what it is asked.
struct fake_service {
  std::map<std::string, hostc_hostent> known;
  std::atomic<int> forward_calls{0};
  std::atomic<int> reverse_calls{0};

  std::optional<hostc_hostent> find(const std::string& key) const {
    const auto it = known.find(key);
    return it == known.end() ? std::nullopt : std::optional(it->second);
  }
  hostc_options options(std::atomic<bool>& resolve) {
    hostc_options o;
    o.resolve_enabled = [&resolve] { return resolve.load(); };
    o.forward = [this](const std::string& name) {
      ++forward_calls;
      return find(name);
    };
    o.reverse = [this](const netaddr& addr) {
      ++reverse_calls;
      return find(netaddr_to_text_new(addr));
    };
    return o;
  }
};

class Hostc : public test::ethers_fixture {
 protected:
  void SetUp() override {
    test::ethers_fixture::SetUp();
    hostc_shutdown();
  }
  void TearDown() override {
    hostc_shutdown();
    test::ethers_fixture::TearDown();
  }

  void start(bool resolve = true) {
    resolve_ = resolve;
    ASSERT_EQ(hostc_init(service_.options(resolve_)), 1);
    ASSERT_EQ(hostc_thread_start(), 1);
  }
  // Requests one text and waits for its answer.
  const hostc_entry* resolve_text(std::string_view text) {
    const std::size_t before = got.count();
    EXPECT_EQ(hostc_request_text(text, got.collector()), 1);
    EXPECT_TRUE(got.wait_for(before + 1));
    std::lock_guard lock(got.mutex);
    return got.entries.at(before);
  }

  std::atomic<bool> resolve_{true};
  fake_service service_;
  answers got;  // a member: the resolver thread is joined (TearDown) before it goes
};

TEST_F(Hostc, AnAnswerIsKeptUnderEveryNameAndEveryAddressLeftInIt) {
  service_.known["srv"] = answer("srv.lan main", {"srv", "www.lan x"}, {"10.0.0.1", "10.0.0.2", "10.0.0.3"});
  start();
  const hostc_entry* e = resolve_text("srv");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->name, "srv.lan");
  EXPECT_EQ(netaddr_to_text_new(e->addr), "10.0.0.2");  // the first address is left out
  ASSERT_TRUE(e->hostent);
  EXPECT_EQ(e->hostent->h_aliases, (std::vector<std::string>{"srv", "www.lan"}));
  for (const char* name : {"srv.lan", "srv", "www.lan"}) EXPECT_EQ(hostc_find_name(name), e) << name;
  EXPECT_EQ(hostc_find_ip(ip("10.0.0.3")), e);
  EXPECT_EQ(hostc_find_ip(ip("10.0.0.1")), nullptr);
  EXPECT_EQ(hostc_find_name("srv.lan main"), nullptr);

  // Every name and address of the answer is answered from the cache from now on.
  EXPECT_EQ(resolve_text("www.lan"), e);
  EXPECT_EQ(resolve_text("10.0.0.2"), e);
  EXPECT_EQ(service_.forward_calls.load() + service_.reverse_calls.load(), 1);
  EXPECT_NE(*got.threads.begin(), std::this_thread::get_id());
}

TEST_F(Hostc, AddressesAreNamedByTheServiceOrByThemselvesOnce) {
  service_.known["192.168.5.5"] = answer("printer.lan", {}, {"192.168.5.5"});
  start();
  const hostc_entry* named = resolve_text("192.168.5.5");
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(named->name, "printer.lan");
  EXPECT_EQ(hostc_find_name("printer.lan"), named);

  const hostc_entry* unnamed = resolve_text("192.168.5.6");
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(unnamed->name, "192.168.5.6");
  EXPECT_EQ(resolve_text("192.168.5.6"), unnamed);
  EXPECT_EQ(service_.reverse_calls.load(), 2);
  // A short dotted form means what the classic conversion reads.
  EXPECT_EQ(netaddr_to_text_new(resolve_text("10.7")->addr), "10.0.0.7");
}

TEST_F(Hostc, TheResolveGateAndNamesWithoutAnswer) {
  service_.known["srv"] = answer("srv.lan", {}, {"10.0.0.1"});
  service_.known["10.0.0.1"] = answer("srv.lan", {}, {"10.0.0.1"});
  start(false);
  EXPECT_EQ(resolve_text("srv"), nullptr);
  const hostc_entry* first = resolve_text("10.0.0.1");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->name, "10.0.0.1");
  EXPECT_EQ(resolve_text("10.0.0.1"), first);
  EXPECT_EQ(service_.forward_calls.load() + service_.reverse_calls.load(), 0);

  // Turned on later: an address's answer is final, a name without one is asked again, and
  // a name the service does not know is asked every time (any text, valid name or not).
  resolve_ = true;
  EXPECT_EQ(resolve_text("10.0.0.1"), first);
  EXPECT_NE(resolve_text("srv"), nullptr);
  EXPECT_EQ(resolve_text("bad name/x"), nullptr);
  EXPECT_EQ(resolve_text("bad name/x"), nullptr);
  EXPECT_EQ(service_.reverse_calls.load(), 0);
  EXPECT_EQ(service_.forward_calls.load(), 3);
}

TEST_F(Hostc, LocalNamesAndHardwareAddressesComeFromTheNameDatabase) {
  ASSERT_EQ(ethers_open(options()), 1);
  for (const auto& [hw, name] : {std::pair{"00:A0:C9:14:C8:29", "pc10"}, {"00:A0:C9:14:C8:30", "pc1"}})
    ASSERT_EQ(ethers_store(test::record(hw, name, {}, {}, 1)), 1);
  start();
  const hostc_entry* pc1 = resolve_text("pc1");
  ASSERT_NE(pc1, nullptr);
  EXPECT_EQ(netaddr_to_text_new(pc1->addr), "00:A0:C9:14:C8:30");
  EXPECT_EQ(service_.forward_calls.load(), 0);
  // The database's search is by prefix: "pc" must not become one of them.
  EXPECT_EQ(resolve_text("pc"), nullptr);
  EXPECT_EQ(service_.forward_calls.load(), 1);

  const hostc_entry* pc10 = resolve_text("00:a0:c9:14:c8:29");
  ASSERT_NE(pc10, nullptr);
  EXPECT_EQ(pc10->name, "pc10");
  const hostc_entry* unknown = resolve_text("00:a0:c9:00:00:01");
  ASSERT_NE(unknown, nullptr);
  EXPECT_EQ(unknown->name, "00:A0:C9:00:00:01");
  EXPECT_EQ(resolve_text("00:A0:C9:00:00:01"), unknown);

  EXPECT_EQ(hostc_find_mac(mac("00:A0:C9:14:C8:29")), pc10);
  EXPECT_EQ(hostc_find_text("pc10"), pc10);
  EXPECT_EQ(hostc_find_text("00:a0:c9:14:c8:30"), pc1);
  EXPECT_EQ(hostc_find_name("pc1"), nullptr);  // local names are not DNS names
}

TEST_F(Hostc, HostReferencesAreRequestedByTheirKind) {
  start(false);
  EXPECT_EQ(hostc_request_ref(nullptr, got.collector()), 0);
  host_ref ref = hostc_ref_new();
  EXPECT_EQ(ref.kind, -1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(hostc_request_ref(&ref, got.collector()), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "hostc_resolve_rec_process: invalid                             request\n");
  ref = {nullptr, HOSTC_BY_NAME, {}, "10.9.9.9"};  // a name's text is classed again
  EXPECT_EQ(hostc_request_ref(&ref, got.collector()), 1);
  ref = {nullptr, HOSTC_BY_HW, mac("02:00:00:00:00:01"), {}};
  EXPECT_EQ(hostc_request_ref(&ref, got.collector()), 1);
  ref.addr = ip("10.9.9.9");  // an address of the wrong family is refused
  EXPECT_EQ(hostc_request_ref(&ref, got.collector()), 0);
  ASSERT_TRUE(got.wait_for(2));
  EXPECT_EQ(got.entries[0], hostc_find_ip(ip("10.9.9.9")));
  EXPECT_EQ(got.entries[1], hostc_find_mac(mac("02:00:00:00:00:01")));
}

// Callbacks run without the cache's locks: one may ask the cache again from inside.
TEST_F(Hostc, ACallbackMayRequestAgain) {
  start(false);
  auto second = got.collector();
  ASSERT_EQ(hostc_request_text("10.0.0.1", [second](const hostc_entry* e) {
              EXPECT_EQ(hostc_find_ip(e->addr), e);
              EXPECT_EQ(hostc_request_ip(e->addr, second), 1);
            }),
            1);
  ASSERT_TRUE(got.wait_for(1));
  EXPECT_EQ(got.entries[0], hostc_find_ip(ip("10.0.0.1")));
}

// Requests put while the thread empties the queue must not wait for the next one, and each key
// is asked of the service once whatever the order of arrival.
TEST_F(Hostc, RequestsFromSeveralThreadsAreAllAnsweredAndEachKeyAskedOnce) {
  constexpr int keys = 12, threads = 4, per_thread = 300;
  for (int n = 0; n < keys; ++n) {
    const std::string name = "h" + std::to_string(n);
    service_.known[name] = answer(name + ".lan", {name}, {"10.1.0." + std::to_string(n)});
  }
  start();
  // Each thread asks for every key by name, by address or by hardware address in turn, and
  // looks into every table meanwhile.
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([this, t] {
      for (int i = 0; i < per_thread; ++i) {
        const std::string n = std::to_string((i + t) % keys);
        const std::string texts[] = {"h" + n, "10.2.0." + n, "02:00:00:00:00:" + n};
        EXPECT_EQ(hostc_request_text(texts[i % 3], got.collector()), 1);
        (void)hostc_find_name("h" + n + ".lan");
        (void)hostc_find_ip(ip("10.1.0." + n));
        (void)hostc_find_text("02:00:00:00:00:" + n);
        (void)hostc_find_text("h" + n);
        if (i % 50 == 0) std::this_thread::sleep_for(1ms);
      }
    });
  }
  for (auto& w : workers) w.join();
  ASSERT_TRUE(got.wait_for(threads * per_thread));
  EXPECT_EQ(got.entries.size(), std::size_t{threads * per_thread});
  EXPECT_EQ(service_.forward_calls.load(), keys);
  EXPECT_EQ(service_.reverse_calls.load(), keys);
  const std::set<const hostc_entry*> distinct(got.entries.begin(), got.entries.end());
  EXPECT_EQ(distinct.size(), std::size_t{3 * keys});
  EXPECT_EQ(distinct.count(nullptr), 0u);
}

TEST_F(Hostc, ShutdownFinishesTheRequestInServiceAndDropsTheQueuedOnes) {
  std::mutex m;
  std::condition_variable cv;
  bool entered = false, release = false;
  hostc_options o = service_.options(resolve_);
  o.forward = [&](const std::string&) -> std::optional<hostc_hostent> {
    std::unique_lock lock(m);
    entered = true;
    cv.notify_all();
    cv.wait(lock, [&] { return release; });
    return answer("slow.lan", {}, {"10.0.0.1"});
  };
  ASSERT_EQ(hostc_init(o), 1);
  ASSERT_EQ(hostc_thread_start(), 1);
  EXPECT_EQ(hostc_thread_start(), 0);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(hostc_request_text("slow" + std::to_string(i), got.collector()), 1);
  {
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, 10s, [&] { return entered; }));
  }
  EXPECT_EQ(hostc_queued(), 4u);
  std::thread closer([] { hostc_shutdown(); });
  while (hostc_queued() != 0) std::this_thread::sleep_for(1ms);  // dropped: shutdown has begun
  {
    std::lock_guard lock(m);
    release = true;
  }
  cv.notify_all();
  closer.join();
  EXPECT_EQ(got.count(), 1u);
  EXPECT_EQ(hostc_request_text("late", got.collector()), 0);
  EXPECT_EQ(hostc_find_name("slow.lan"), nullptr);  // the tables went with it
}

TEST_F(Hostc, RequestsWaitForTheThreadAndGoWithAShutdownBeforeIt) {
  EXPECT_EQ(hostc_request_text("10.0.0.1", got.collector()), 0);  // nothing made yet
  ASSERT_EQ(hostc_init(service_.options(resolve_)), 1);
  EXPECT_EQ(hostc_init(service_.options(resolve_)), 0);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(hostc_request_text("10.0.0.1", got.collector()), 1);
  hostc_shutdown();
  EXPECT_EQ(got.count(), 0u);

  start(false);
  ASSERT_EQ(hostc_request_text("10.0.0.2", got.collector()), 1);
  ASSERT_TRUE(got.wait_for(1));
  EXPECT_EQ(hostc_find_ip(ip("10.0.0.1")), nullptr);  // a fresh cache
}

// The machine's hosts file names the loopback address "localhost"; no network is needed.
TEST_F(Hostc, TheSystemResolverAnswersForLocalhost) {
  hostc_options o;
  o.resolve_enabled = [] { return true; };
  ASSERT_EQ(hostc_init(o), 1);
  ASSERT_EQ(hostc_thread_start(), 1);
  const hostc_entry* forward = resolve_text("localhost");
  ASSERT_NE(forward, nullptr);
  EXPECT_EQ(netaddr_to_text_new(forward->addr), "127.0.0.1");
  EXPECT_EQ(hostc_find_name("localhost"), forward);

  hostc_shutdown();  // a fresh cache, so the address is asked of the resolver
  ASSERT_EQ(hostc_init(o), 1);
  ASSERT_EQ(hostc_thread_start(), 1);
  const hostc_entry* reverse = resolve_text("127.0.0.1");
  ASSERT_NE(reverse, nullptr);
  ASSERT_TRUE(reverse->hostent);
  EXPECT_NE(reverse->name, "127.0.0.1");
  EXPECT_FALSE(reverse->name.empty());
  EXPECT_EQ(hostc_find_name(reverse->name), reverse);
}

}  // namespace
}  // namespace nw
