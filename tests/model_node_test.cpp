// Hosts and networks: creation, ordering, names, IP learning and host ageing.
#include <atomic>
#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/parse.h"
#include "core/str_cache.h"
#include "model_test_support.h"
#include "pdl_test_support.h"

namespace nw::test {
namespace {

std::vector<std::string> list_texts(const net& n) {
  std::vector<std::string> out;
  for (const auto& h : n.host_list) out.push_back(h->mac_text);
  return out;
}

using NodeCreate = model_test;

TEST_F(NodeCreate, HostListIsAscendingByUnsignedOctetsWhateverTheArrivalOrder) {
  // Arrival order deliberately unsorted; 0x80 must sort above 0x7F (unsigned), and the first
  // octet outweighs the last.
  const netaddr macs[] = {mac_of(0x29), mac_of(0x01, 0x80), mac_of(0xFF, 0x7F), mac_of(0x05)};
  for (const auto& m : macs) ASSERT_NE(node_create(*network, m), nullptr);
  EXPECT_EQ(network->node_count, 4U);
  EXPECT_EQ(list_texts(*network), (std::vector<std::string>{"00:A0:C9:14:C8:05", "00:A0:C9:14:C8:29",
                                                            "7F:A0:C9:14:C8:FF", "80:A0:C9:14:C8:01"}));
  for (const auto& m : macs) {
    node* found = node_find(*network, m);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(netaddr_compare(found->mac, m), 0);
  }
  EXPECT_EQ(node_find(*network, mac_of(0x06)), nullptr);
  EXPECT_EQ(node_find(*network, netaddr{}), nullptr);
}

TEST_F(NodeCreate, HostListStaysInOrderWhenHostsArriveBetweenReads) {
  // Reads in between leave part of the list ordered and part newly added; every read must show
  // all hosts so far in order, by index as well as by walk.
  std::mt19937 random(7);
  std::vector<std::string> expected;
  for (int made = 1; made <= 300; ++made) {
    const auto first = static_cast<std::uint8_t>(random() % 5);  // shared first octets: ties above
    const netaddr mac = mac_of(static_cast<std::uint8_t>(random()), first);
    if (node_find(*network, mac) != nullptr) continue;
    node* h = node_create(*network, mac);
    ASSERT_NE(h, nullptr);
    expected.push_back(h->mac_text);
    if (made % 37 != 0 && made != 300) continue;
    std::sort(expected.begin(), expected.end());  // equal-length upper-case hex sorts as octets
    ASSERT_EQ(list_texts(*network), expected) << "after " << made;
    ASSERT_EQ(network->host_list.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(network->host_list[i]->mac_text, expected[i]);
  }
}

TEST_F(NodeCreate, NewHostStartsUnrankedIdleWithWhiteLabels) {
  node* h = node_create(*network, mac_of(0x29));
  EXPECT_EQ(h->network, network);
  EXPECT_EQ(h->senders_pos, -1);
  EXPECT_EQ(h->receivers_pos, -1);
  EXPECT_EQ(h->active, 0);
  EXPECT_EQ(h->ip, nullptr);
  EXPECT_EQ(h->name, nullptr);
  for (const name_label* l : {&h->ip_label, &h->dns_label, &h->local_label, &h->mac_label, &h->manuf_label}) {
    EXPECT_EQ(l->state, 7);
  }
  // Only a host with nothing but a hardware address: the best name is its MAC text.
  EXPECT_STREQ(node_best_label(*h), "00:A0:C9:14:C8:29");
  EXPECT_EQ(h->mac_text, h->mac_label.text.data());
  EXPECT_FLOAT_EQ(h->mac_label.height, 0.03f);
  EXPECT_GT(h->mac_label.width, 0.0f);
  EXPECT_EQ(h->dns_label.width, 0.0f);
  EXPECT_EQ(h->dns_label.height, 0.0f);
}

TEST_F(NodeCreate, NamesComeFromTheRecordAndAreCutTo79Characters) {
  name_record r;
  r.hw = mac_of(0x10);
  r.local_name = std::string(100, 'L');
  r.ip = ip_of(10, 0, 0, 1);
  r.ip_name = "printer";
  r.resolve = 1;
  names.records["00:A0:C9:14:C8:10"] = r;
  node* h = node_create(*network, mac_of(0x10));
  EXPECT_EQ(std::string(h->local_label.text.data()), std::string(79, 'L'));
  EXPECT_EQ(h->name, h->local_label.text.data());
  ASSERT_NE(h->ip, nullptr);
  EXPECT_STREQ(h->ip_label.text.data(), "10.0.0.1");
  EXPECT_STREQ(h->dns_label.text.data(), "printer");
  EXPECT_EQ(node_find(*network, ip_of(10, 0, 0, 1)), h);
  EXPECT_EQ(node_best_label(*h), h->local_label.text.data());

  // A Cyrillic name is cut before a letter whose second byte would not fit, never inside it.
  node_set_local_name(*h, "Ж" + std::string(76, 'x') + "Жy");  // the second Ж takes bytes 79-80
  EXPECT_EQ(std::string(h->local_label.text.data()), "Ж" + std::string(76, 'x'));
}

TEST_F(NodeCreate, ResolveZeroNeverGivesAnIpEvenWhenTheHostSendsIp) {
  name_record r;
  r.hw = mac_of(0x11);
  r.ip = ip_of(10, 0, 0, 2);
  r.ip_name = "hidden";
  r.resolve = 0;
  names.records["00:A0:C9:14:C8:11"] = r;
  node* h = node_create(*network, mac_of(0x11));
  const std::uint8_t octets[] = {10, 0, 0, 3};
  node_learn_ip(*h, octets);
  EXPECT_EQ(h->resolve, 0);
  EXPECT_EQ(h->ip, nullptr);
  EXPECT_TRUE(label_empty(h->ip_label));
  EXPECT_TRUE(label_empty(h->dns_label));
  EXPECT_TRUE(names.requests.empty());
  EXPECT_EQ(node_find(*network, ip_of(10, 0, 0, 2)), nullptr);
  EXPECT_EQ(node_find(*network, ip_of(10, 0, 0, 3)), nullptr);
}

TEST_F(NodeCreate, ManufacturerIsFoundByTheFirstThreeOctets) {
  addr_name_table manf(netaddr_functions);
  ht_insert(manf, make_addr(NETADDR_ETHER, {0x00, 0xA0, 0xC9, 0, 0, 0}), std::string("Intel"));
  node_set_manufacturers(&manf);
  EXPECT_STREQ(node_create(*network, mac_of(0x29))->manuf_label.text.data(), "Intel");
  EXPECT_TRUE(label_empty(node_create(*network, mac_of(0x29, 0x02))->manuf_label));
}

using NodeIp = model_test;

TEST_F(NodeIp, LearnedAddressIsLookedUpAndTheAnswerStoredWithResolveOne) {
  node* h = node_create(*network, mac_of(0x20));
  const std::uint8_t octets[] = {192, 168, 1, 10};
  node_learn_ip(*h, octets);
  ASSERT_NE(h->ip, nullptr);
  EXPECT_STREQ(h->ip_label.text.data(), "192.168.1.10");
  EXPECT_STREQ(node_best_label(*h), "192.168.1.10");
  ASSERT_EQ(names.requests.size(), 1U);
  EXPECT_EQ(netaddr_compare(names.requests[0].ip, ip_of(192, 168, 1, 10)), 0);

  names.requests[0].done("files");
  EXPECT_STREQ(h->dns_label.text.data(), "files");
  EXPECT_STREQ(node_best_label(*h), "files");
  ASSERT_EQ(names.stored.size(), 1U);
  const name_record& s = names.stored[0];
  EXPECT_EQ(netaddr_compare(s.hw, h->mac), 0);
  ASSERT_TRUE(s.ip.has_value());
  EXPECT_EQ(netaddr_compare(*s.ip, ip_of(192, 168, 1, 10)), 0);
  EXPECT_EQ(s.ip_name, std::optional<std::string>("files"));
  EXPECT_EQ(s.resolve, 1);
  // The local name is not the resolver's to touch.
  EXPECT_FALSE(s.local_name.has_value());

  names.requests[0].done("");
  EXPECT_TRUE(label_empty(h->dns_label));
  EXPECT_STREQ(node_best_label(*h), "192.168.1.10");
}

TEST_F(NodeIp, TwoHostsWithOneAddressFindTheLaterLearner) {
  node* a = node_create(*network, mac_of(0x01));
  node* b = node_create(*network, mac_of(0x02));
  const std::uint8_t octets[] = {10, 1, 1, 1};
  node_learn_ip(*a, octets);
  EXPECT_EQ(node_find(*network, ip_of(10, 1, 1, 1)), a);
  node_learn_ip(*b, octets);
  EXPECT_EQ(node_find(*network, ip_of(10, 1, 1, 1)), b);
  EXPECT_EQ(network->host_index.count(), 3U);  // two hardware addresses, one IP address
}

TEST_F(NodeIp, ClearForgetsTheAddressButKeepsTheLookUpEntry) {
  node* h = node_create(*network, mac_of(0x21));
  const std::uint8_t octets[] = {10, 2, 2, 2};
  node_learn_ip(*h, octets);
  names.requests[0].done("db");
  node_clear_ip(*h);
  EXPECT_EQ(h->ip, nullptr);
  EXPECT_TRUE(label_empty(h->ip_label));
  EXPECT_TRUE(label_empty(h->dns_label));
  EXPECT_EQ(h->dns_label.width, 0.0f);
  EXPECT_EQ(node_find(*network, ip_of(10, 2, 2, 2)), h);
  EXPECT_STREQ(node_best_label(*h), "00:A0:C9:14:C8:21");
}

TEST_F(NodeIp, LocalNameSetLeavesTheNameReferenceAlone) {
  node* h = node_create(*network, mac_of(0x22));
  node_set_local_name(*h, "desk");
  EXPECT_STREQ(h->local_label.text.data(), "desk");
  EXPECT_GT(h->local_label.width, 0.0f);
  EXPECT_EQ(h->name, nullptr);
  EXPECT_STREQ(node_best_label(*h), "desk");
  node_set_local_name(*h, "");
  EXPECT_TRUE(label_empty(h->local_label));
  EXPECT_EQ(h->local_label.width, 0.0f);
}

TEST_F(NodeIp, LabelStatesSkipTheManufacturer) {
  node* h = node_create(*network, mac_of(0x23));
  node_set_label_state(*h, 3);
  EXPECT_EQ(h->ip_label.state, 3);
  EXPECT_EQ(h->dns_label.state, 3);
  EXPECT_EQ(h->local_label.state, 3);
  EXPECT_EQ(h->mac_label.state, 3);
  EXPECT_EQ(h->manuf_label.state, 7);
  net_reset_label_states(*network);
  EXPECT_EQ(h->mac_label.state, 7);
}

TEST_F(NodeIp, ResolverAnswerWaitsForTheModelLock) {
  node* h = node_create(*network, mac_of(0x24));
  const std::uint8_t octets[] = {10, 3, 3, 3};
  node_learn_ip(*h, octets);
  std::atomic<bool> answered{false};
  std::thread resolver;
  {
    model_lock held;
    resolver = std::thread([&] {
      names.requests[0].done("late");
      answered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(answered.load());
    EXPECT_TRUE(label_empty(h->dns_label));
  }
  resolver.join();
  EXPECT_STREQ(h->dns_label.text.data(), "late");
  EXPECT_FALSE(model_lock_held());
}

using NodeAge = model_test;

TEST_F(NodeAge, TenSecondsIsNotBelowTheTimeOut) {
  node* h = node_create(*network, mac_of(0x30));
  node* quiet = node_create(*network, mac_of(0x31));
  h->last_tx = at(1000);
  node_age(*h, at(1009, 999'999), network->host_averages);
  EXPECT_EQ(h->active, 1);
  node_age(*h, at(1010), network->host_averages);
  EXPECT_EQ(h->active, 0);
  node_age(*quiet, at(5), network->host_averages);  // never sent, even with a clock near zero
  EXPECT_EQ(quiet->active, 0);
  model_settings().node_timeout_s = 20;
  node_age(*h, at(1019, 999'999), network->host_averages);
  EXPECT_EQ(h->active, 1);
}

TEST_F(NodeAge, AveragesTakeOneSampleOfTheLastSecondPerPass) {
  node* h = node_create(*network, mac_of(0x32));
  h->tx_pkts_sec2 = 100;
  h->tx_bytes_sec2 = 6'000'000'000ULL;  // beyond 32 bits
  node_age(*h, at(1), network->host_averages);
  EXPECT_DOUBLE_EQ(node_tx_avg(*h).frames, 10.0);
  EXPECT_DOUBLE_EQ(node_tx_avg(*h).bytes, 600'000'000.0);
}

TEST_F(NodeAge, ALongPauseIsNotMistakenForRecentTraffic) {
  node* h = node_create(*network, mac_of(0x33));
  h->last_tx = at(1000);
  // 49.7 days in milliseconds wraps 32 bits to 4 ms; the host is long idle.
  node_age(*h, at(1000 + 4'294'967, 300'000), network->host_averages);
  EXPECT_EQ(h->active, 0);
}

class NetList : public model_test {
 protected:
  std::vector<message> shown;
  void SetUp() override {
    model_test::SetUp();
    message_set_hook([this](const message& m) { shown.push_back(m); });
  }
  void TearDown() override {
    message_set_hook(nullptr);
    model_test::TearDown();
  }
};

TEST_F(NetList, FindsByNameAndKeepsTheCurrentNetwork) {
  EXPECT_EQ(net_find(adapter_desc{"eth0", "", 0}), network);
  EXPECT_EQ(net_find(adapter_desc{"eth9", "", 0}), nullptr);
  EXPECT_EQ(net_current(), nullptr);
  net_set_current(network);
  net_set_current(nullptr);
  EXPECT_EQ(net_current(), network);
  EXPECT_EQ(net_new(adapter_desc{std::string(300, 'n'), "", 0})->name.size(), 255U);
}

TEST_F(NetList, FailedAdapterShowsBothMessagesAndHasNoMedia) {
  auto pdl = load_pdl(R"(
    protocol ROOT: 0 "Network" 0 { byte: 0 ETHERNET  byte: 0 TOKENRING }
    protocol ETHERNET: 0, 255 "Ethernet" 14 { byte: 0 ETHERNET }
    protocol TOKENRING: 0, 255 "Token Ring" 14 { byte: 0 TOKENRING }
  )");
  ASSERT_NE(pdl.root, nullptr);
  EXPECT_TRUE(pdl.messages.empty());
  message_set_hook([this](const message& m) { shown.push_back(m); });  // loading replaced it
  const std::vector<adapter_desc> adapters{{"eth1", "", NETTYPE_ETHERNET},
                                           {"eth-down", "", NETTYPE_DOWN},
                                           {"tr0", "", NETTYPE_TOKEN_RING}};
  adapter_nets_create(adapters);
  ASSERT_EQ(net_list().size(), 4U);
  EXPECT_NE(net_list()[1]->media, nullptr);
  EXPECT_EQ(net_list()[2]->media, nullptr);
  EXPECT_NE(net_list()[3]->media, nullptr);
  EXPECT_NE(net_list()[1]->media, net_list()[3]->media);
  ASSERT_EQ(shown.size(), 2U);
  EXPECT_NE(shown[0].text.find("eth-down"), std::string::npos);
  EXPECT_EQ(shown[0].text, message_format(str_get(50043), "eth-down"));
  EXPECT_EQ(shown[1].text, str_get(50048));
  EXPECT_EQ(shown[1].caption, str_get(50008));
  EXPECT_EQ(shown[1].icon, message_icon::stop);
}

}  // namespace
}  // namespace nw::test
