// What the per-frame address work costs: hashing and comparing hardware addresses, and finding
// a host's address in a hash table of 1,000 or 50,000 stations (the table never grows past its
// 256 chains, so the larger one walks long chains).
//
//   netaddr_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "core/hashtable.h"
#include "core/netaddr.h"
#include "core/netaddr_ether.h"
#include "core/parse.h"

namespace {

// Prefixes of common adapter makers, as a LAN mixes them.
constexpr std::uint8_t OUIS[][3] = {{0x00, 0x00, 0x0C}, {0x00, 0x1B, 0x21}, {0x3C, 0xFD, 0xFE},
                                    {0x00, 0x50, 0x56}, {0xF4, 0xCE, 0x46}, {0x08, 0x00, 0x27}};

// `count` distinct stations: a maker's prefix and random low octets.
std::vector<nw::netaddr> stations(std::size_t count) {
  std::mt19937 random(20240601);
  std::vector<nw::netaddr> out;
  nw::hash_table<nw::netaddr, int> seen(nw::netaddr_functions);
  while (out.size() < count) {
    nw::netaddr addr;
    nw::netaddr_init(addr, nw::NETADDR_ETHER);
    std::copy_n(OUIS[random() % std::size(OUIS)], 3, nw::netaddr_bytes(addr));
    const auto low = static_cast<std::uint32_t>(random());
    for (std::size_t i = 0; i < 3; ++i) addr.octets[3 + i] = static_cast<std::uint8_t>(low >> (8 * i));
    if (seen.find(addr) != nullptr) continue;
    seen.push_front(addr, 0);
    out.push_back(addr);
  }
  return out;
}

void hash_and_compare(benchmark::State& state) {
  const std::vector<nw::netaddr> addrs = stations(64);
  std::size_t i = 0;
  for (auto _ : state) {
    const nw::netaddr& a = addrs[i & 63];
    const nw::netaddr& b = addrs[(i + 1) & 63];
    benchmark::DoNotOptimize(nw::netaddr_hash(a));
    benchmark::DoNotOptimize(nw::netaddr_compare(a, b));
    ++i;
  }
}

void table_lookup(benchmark::State& state) {
  const std::vector<nw::netaddr> keys = stations(static_cast<std::size_t>(state.range(0)));
  nw::hash_table<nw::netaddr, std::uint32_t> table(nw::netaddr_functions);
  for (std::uint32_t k = 0; k < keys.size(); ++k) nw::ht_insert(table, keys[k], k);
  // Frames arrive in no order the table knows: look the stations up in a shuffled order.
  std::vector<nw::netaddr> order = keys;
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  std::size_t i = 0;
  std::uint32_t value = 0;
  for (auto _ : state) {
    if (nw::ht_lookup(table, order[i], &value) != 1) state.SkipWithError("a station was not found");
    benchmark::DoNotOptimize(value);
    if (++i == order.size()) i = 0;
  }
}

}  // namespace

BENCHMARK(hash_and_compare);
BENCHMARK(table_lookup)->Arg(1000)->Arg(50000);

int main(int argc, char** argv) {
  nw::netaddr_registry_init();
  if (nw::netaddr_ether_register() != 1) return 1;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
