// What the name database costs a host's first sighting with 100,000 stations in the table: the
// look-up of a known station, the append of a new one with both index updates, the prefix
// search by local name, and the process's peak memory.
//
//   ethers_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <stdlib.h>  // mkdtemp
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/netaddr.h"
#include "core/netaddr_ether.h"
#include "core/netaddr_ipv4.h"
#include "core/netaddr_tr.h"
#include "namedb/cb_ether.h"

namespace {

constexpr std::uint32_t ROWS = 100000;

nw::netaddr station(std::uint32_t n) {
  nw::netaddr addr;
  nw::netaddr_init(addr, nw::NETADDR_ETHER);
  const std::uint8_t octets[6] = {0x00, 0x1B, 0x21, static_cast<std::uint8_t>(n >> 16),
                                  static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
  std::copy(std::begin(octets), std::end(octets), nw::netaddr_bytes(addr));
  return addr;
}

std::string name_of(std::uint32_t n) {
  char text[16];
  std::snprintf(text, sizeof text, "host-%06u", n);
  return text;
}

long max_rss_kib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Resident now, from /proc: the peak alone hides what is transient.
long rss_kib() {
  long pages = 0;
  long resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;
}

// Stations are stored in a shuffled order, as a LAN shows them.
void fill_table() {
  std::vector<std::uint32_t> order(ROWS);
  for (std::uint32_t i = 0; i < ROWS; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(11));
  for (std::uint32_t n : order) {
    nw::name_record r;
    r.hw = station(n);
    r.local_name = name_of(n);
    nw::netaddr ip;
    nw::netaddr_init(ip, nw::NETADDR_IPV4);
    nw::netaddr_bytes(ip)[0] = 10;
    nw::netaddr_bytes(ip)[3] = static_cast<std::uint8_t>(n);
    r.ip = ip;
    r.ip_name = "ip-" + name_of(n);
    if (nw::ethers_store(r) != 1) std::fprintf(stderr, "store failed at %u\n", n);
  }
}

std::vector<std::uint32_t> probes() {
  std::vector<std::uint32_t> out(4096);
  std::mt19937 random(5);
  for (auto& n : out) n = static_cast<std::uint32_t>(random() % ROWS);
  return out;
}

void lookup_known(benchmark::State& state) {
  const auto order = probes();
  std::size_t i = 0;
  for (auto _ : state) {
    nw::name_record r = nw::ethers_lookup_host(station(order[i]));
    if (!r.local_name) state.SkipWithError("a known station has no name");
    benchmark::DoNotOptimize(r);
    if (++i == order.size()) i = 0;
  }
}

// Every iteration is a station never seen: the row is appended and both tags take its key.
void lookup_new_appends(benchmark::State& state) {
  static std::uint32_t next = ROWS;
  for (auto _ : state) {
    nw::name_record r = nw::ethers_lookup_host(station(next++));
    benchmark::DoNotOptimize(r);
  }
  state.counters["rows"] = static_cast<double>(next);
}

void lookup_name_prefix(benchmark::State& state) {
  const auto order = probes();
  std::vector<std::string> prefixes;
  for (std::uint32_t n : order) prefixes.push_back(name_of(n).substr(0, 10));  // "host-01234": ten rows match
  std::size_t i = 0;
  for (auto _ : state) {
    auto r = nw::ethers_lookup_name(prefixes[i]);
    if (!r) state.SkipWithError("a prefix found nothing");
    benchmark::DoNotOptimize(r);
    if (++i == prefixes.size()) i = 0;
  }
}

}  // namespace

BENCHMARK(lookup_known);
BENCHMARK(lookup_new_appends);
BENCHMARK(lookup_name_prefix);

int main(int argc, char** argv) {
  nw::netaddr_registry_init();
  if (nw::netaddr_ether_register() != 1 || nw::netaddr_ipv4_register() != 1 || nw::netaddr_tr_register() != 1) return 1;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  std::string dir = (std::filesystem::temp_directory_path() / "nodewren-ethers-bench-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) return 1;
  nw::ethers_options options;
  options.directory = dir;
  const long rss_before = max_rss_kib();
  const auto start = std::chrono::steady_clock::now();
  if (nw::ethers_open(options) != 1) return 1;
  fill_table();
  const auto filled = std::chrono::steady_clock::now();
  const long rss_filled = rss_kib();
  const long peak_filled = max_rss_kib();
  // Reopening checks the whole index against the table, as every start does.
  nw::ethers_close();
  if (nw::ethers_open(options) != 1) return 1;
  const auto reopened = std::chrono::steady_clock::now();
  std::fprintf(stderr, "RSS after filling %ld KiB (peak %ld), after reopening %ld KiB (peak %ld)\n", rss_filled,
               peak_filled, rss_kib(), max_rss_kib());
  std::fprintf(stderr, "%u rows: filled in %.2f s, reopened in %.2f s, table %ju bytes, index %ju bytes\n", ROWS,
               std::chrono::duration<double>(filled - start).count(),
               std::chrono::duration<double>(reopened - filled).count(),
               static_cast<std::uintmax_t>(std::filesystem::file_size(dir + "/ethers.dbf")),
               static_cast<std::uintmax_t>(std::filesystem::file_size(dir + "/ethers.cdx")));

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const long rss_end = rss_kib();
  nw::ethers_close();
  std::fprintf(stderr, "max RSS: %ld KiB before the table, %ld KiB at the end; RSS before closing %ld KiB\n", rss_before,
               max_rss_kib(), rss_end);
  std::filesystem::remove_all(dir);
  return 0;
}
