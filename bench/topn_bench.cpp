// What a ranking costs on the frame path: every frame offers its hosts and link to a full list.
//
//   topn_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
//
// ranked_busiest: the top host grows and stays on top (the common case on a busy segment);
// ranked_mixed: ranked hosts grow in a shuffled order and overtake each other; refused: a quiet
// host that the full list turns away.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "stats/host_topn.h"
#include "stats/topn.h"

namespace {

struct bench_host {
  std::string name;
  std::uint64_t tx_bytes = 0;
  std::uint64_t rx_bytes = 0;
  std::int32_t senders_pos = -1;
  std::int32_t receivers_pos = -1;
};

const std::string& node_best_label(const bench_host& host) { return host.name; }

constexpr std::uint64_t FRAME_BYTES = 1514;

// A full senders ranking over 50 hosts of distinct values, plus one host too quiet to enter.
struct full_ranking {
  std::vector<bench_host> hosts = std::vector<bench_host>(nw::TOPN_SIZE + 1);
  nw::topn<bench_host> ranking = nw::host_topn_create<bench_host>();

  full_ranking() {
    for (std::size_t i = 0; i < hosts.size(); ++i) {
      hosts[i].name = "host" + std::to_string(i);
      hosts[i].tx_bytes = 1'000'000 + (hosts.size() - i) * 1000;
    }
    hosts.back().tx_bytes = 0;
    for (std::size_t i = 0; i < nw::TOPN_SIZE; ++i) nw::topn_offer(ranking, hosts[i]);
  }
};

void ranked_busiest(benchmark::State& state) {
  full_ranking full;
  bench_host& top = full.hosts[0];
  for (auto _ : state) {
    top.tx_bytes += FRAME_BYTES;
    nw::topn_offer(full.ranking, top);
    benchmark::DoNotOptimize(top.senders_pos);
  }
}

void ranked_mixed(benchmark::State& state) {
  full_ranking full;
  std::array<std::uint8_t, 4096> order{};
  std::mt19937 rng(7);
  for (auto& k : order) k = static_cast<std::uint8_t>(rng() % nw::TOPN_SIZE);
  std::size_t next = 0;
  for (auto _ : state) {
    bench_host& host = full.hosts[order[next++ % order.size()]];
    host.tx_bytes += FRAME_BYTES;
    nw::topn_offer(full.ranking, host);
    benchmark::DoNotOptimize(host.senders_pos);
  }
}

void refused(benchmark::State& state) {
  full_ranking full;
  bench_host& quiet = full.hosts.back();
  for (auto _ : state) {
    nw::topn_offer(full.ranking, quiet);
    benchmark::DoNotOptimize(quiet.senders_pos);
  }
  if (quiet.senders_pos != -1) state.SkipWithError("the quiet host was admitted");
}

}  // namespace

BENCHMARK(ranked_busiest)->Name("topn_offer/ranked_busiest");
BENCHMARK(ranked_mixed)->Name("topn_offer/ranked_mixed");
BENCHMARK(refused)->Name("topn_offer/refused");
BENCHMARK_MAIN();
