// The headless run's link lines on a segment large enough that they are formatted in several
// slices at once: one line per link, by source in host order, each host's links oldest first.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/headless_links.h"
#include "model_test_support.h"

namespace nw::test {
namespace {

using HeadlessLinks = model_test;

TEST_F(HeadlessLinks, EveryLinkIsOneLineInHostOrderAcrossSlices) {
  constexpr int HOSTS = 300;
  constexpr int LINKS_EACH = 120;  // 36,000 links: more than two slices' worth
  std::vector<node*> hosts;
  for (int i = 0; i < HOSTS; ++i) {
    // Made out of address order, so that host order differs from creation order.
    const int v = i * 7 % HOSTS;
    hosts.push_back(node_create(*network, make_addr(NETADDR_ETHER, {0x02, 0, 0, static_cast<std::uint8_t>(v / 256),
                                                                    static_cast<std::uint8_t>(v % 256), 1})));
  }
  // Links made round by round, so that each host's links lie far apart in creation order.
  for (int round = 0; round < LINKS_EACH; ++round) {
    for (int i = 0; i < HOSTS; ++i) {
      link* l = link_create(*hosts[static_cast<std::size_t>(i)], *hosts[static_cast<std::size_t>((i + round + 1) % HOSTS)]);
      l->pkts = static_cast<std::uint64_t>(round * HOSTS + i);
    }
  }
  std::vector<std::string> expected;
  for (const node* h : network->host_list) {
    network->links.for_each([&](const link& l) {
      if (l.src != h) return;
      char line[160];
      std::snprintf(line, sizeof line, "%-24s %-24s %10llu %12llu  -", h->mac_text, l.dst->mac_text,
                    static_cast<unsigned long long>(l.pkts), 0ULL);
      expected.emplace_back(line);
    });
  }
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  ASSERT_NE(out, nullptr);
  headless_print_links(out, *network);
  std::fclose(out);
  std::istringstream lines(std::string(text, size));
  std::free(text);
  std::string line;
  std::getline(lines, line);  // the heading
  for (std::size_t k = 0; k < expected.size(); ++k) {
    ASSERT_TRUE(std::getline(lines, line)) << "line " << k;
    ASSERT_EQ(line, expected[k]) << "line " << k;
  }
  ASSERT_TRUE(std::getline(lines, line));
  EXPECT_EQ(line, "");
  EXPECT_FALSE(std::getline(lines, line));
}

}  // namespace
}  // namespace nw::test
