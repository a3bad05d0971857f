// What classifying one frame costs: pd_decode over every frame of the capture corpus, a real
// mix of Ethernet and Token Ring LANs, or over the demo LAN when the corpus is absent.
//
//   pd_decode_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
//
// ns_per_frame is the figure to watch; $NODEWREN_PROTOCOLS overrides the protocol file.
#include <benchmark/benchmark.h>
#include <pcap/dlt.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "capture/capfile.h"
#include "pdl/pd.h"
#include "pdl/pdl.h"
#include "tests/corpus.h"
#include "tools/demo_lan.h"

namespace {

// The frames of one link type, their octets back to back as a capture buffer holds them.
struct frame_set {
  const char* media = nullptr;  // path of the media node in the protocol tree
  std::vector<std::uint8_t> data;
  struct frame {
    std::size_t offset;
    std::size_t size;
    std::int32_t length;  // on the wire
  };
  std::vector<frame> frames;

  void add(std::span<const std::uint8_t> octets, std::uint32_t length) {
    frames.push_back({data.size(), octets.size(), static_cast<std::int32_t>(length)});
    data.insert(data.end(), octets.begin(), octets.end());
  }
};

struct frame_mix {
  std::vector<frame_set> sets;
  [[nodiscard]] std::size_t frame_count() const {
    std::size_t n = 0;
    for (const auto& s : sets) n += s.frames.size();
    return n;
  }
};

frame_mix corpus_mix() {
  std::map<int, frame_set> by_link;
  for (const auto& path : nw::test::corpus_files()) {
    nw::capfile file;
    if (file.open(path.string()) < 0) continue;
    const char* media = nw::capfile_media_path(file.link_type());
    if (media == nullptr) continue;
    frame_set& set = by_link[file.link_type()];
    set.media = media;
    if (file.for_each([&set](const nw::capfile_frame& f) { set.add(f.octets, f.length); }) < 0) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), file.error().c_str());
    }
  }
  frame_mix mix;
  for (auto& [link, set] : by_link) mix.sets.push_back(std::move(set));
  return mix;
}

frame_mix demo_mix() {
  frame_set set;
  set.media = nw::capfile_media_path(DLT_EN10MB);
  for (const auto& f : nw::demo::demo_lan_frames()) {
    set.add(f.octets, static_cast<std::uint32_t>(f.octets.size()));
  }
  frame_mix mix;
  mix.sets.push_back(std::move(set));
  return mix;
}

void decode_mix(benchmark::State& state, const frame_mix* mix) {
  std::vector<nw::protocol_node*> starts;
  for (const auto& set : mix->sets) {
    starts.push_back(nw::pd_find_path(nw::pdl_root(), set.media));
    if (starts.back() == nullptr) {
      state.SkipWithError((std::string("no media node ") + set.media).c_str());
      return;
    }
  }
  for (auto _ : state) {
    for (std::size_t i = 0; i < mix->sets.size(); ++i) {
      const frame_set& set = mix->sets[i];
      nw::protocol_node* start = starts[i];
      for (const auto& f : set.frames) {
        const nw::decode_path& path = nw::pd_decode({set.data.data() + f.offset, f.size}, f.length, start);
        benchmark::DoNotOptimize(path[0]);
      }
    }
  }
  const auto frames = static_cast<double>(mix->frame_count());
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(mix->frame_count()));
  // Seconds per frame: the console shows it with an SI prefix ("33.4n"), the JSON output in seconds.
  state.counters["ns_per_frame"] =
      benchmark::Counter(frames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["frames"] = frames;
}

std::string protocol_file() {
  if (const char* env = std::getenv("NODEWREN_PROTOCOLS")) return env;
  return NODEWREN_SOURCE_DIR "/data/protocol.pdl";
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const std::string protocols = protocol_file();
  if (nw::pdl_load(protocols) == nullptr) {
    std::fprintf(stderr, "%s: no protocol tree\n", protocols.c_str());
    return 1;
  }
  // Registered benchmarks keep pointers to these.
  static const frame_mix corpus = corpus_mix();
  static const frame_mix demo = demo_mix();
  if (corpus.frame_count() > 0) {
    benchmark::RegisterBenchmark("pd_decode/corpus_mix", decode_mix, &corpus)->Unit(benchmark::kMicrosecond);
  } else {
    std::fprintf(stderr, "capture corpus absent: measuring the demo LAN only\n");
  }
  benchmark::RegisterBenchmark("pd_decode/demo_lan", decode_mix, &demo)->Unit(benchmark::kMicrosecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
