#include "capture/frame_batch.h"

#include <algorithm>
#include <array>

#include "capture/frame_addr.h"
#include "core/prefetch.h"
#include "model/frame_prefetch.h"
#include "model/model_config.h"

namespace nw {
namespace {

constexpr std::size_t KEYS_KEPT = 16;  // more than the look-ahead's farthest stage
// A capture file's frames were written by the reading thread, on the other core: their first
// octets (addresses and the headers the decoder reads) are loaded before the keys are read.
constexpr std::size_t OCTETS_AHEAD = PREFETCH_SLOT_AHEAD + 8;
static_assert(KEYS_KEPT > PREFETCH_SLOT_AHEAD);
constexpr std::size_t FIRST_OCTETS_READ = 30;  // through an Ethernet frame's IPv4 source

using key_reader = bool (*)(std::span<const std::uint8_t>, frame_keys&);
using frame_handler = int (*)(net&, const frame_header&, std::span<const std::uint8_t>);

struct link_type_row {
  key_reader keys;
  frame_handler handle;
};

constexpr link_type_row ETHERNET_ROW{frame_ether_keys, netif_ether_frame};
constexpr link_type_row TOKEN_RING_ROW{frame_tr_keys, netif_tr_frame};

// The keys of the frames between the first look-ahead stage and the frame itself, packed once.
class keys_ahead {
 public:
  keys_ahead(const link_type_row& row, const frame_batch& batch) : row_(row), batch_(batch) {}

  // Reads frame i's addresses (keys 0 when it has none, or is past the batch's end).
  const frame_keys& read(std::size_t i) {
    frame_keys& k = kept_[i % KEYS_KEPT];
    if (i >= batch_.size() || !row_.keys(batch_.data(i), k)) k = frame_keys{};
    return k;
  }
  [[nodiscard]] frame_keys& of(std::size_t i) { return kept_[i % KEYS_KEPT]; }

 private:
  const link_type_row& row_;
  const frame_batch& batch_;
  std::array<frame_keys, KEYS_KEPT> kept_{};
};

}  // namespace

void frame_batch::add(const frame_header& header, std::span<const std::uint8_t> data) {
  frames_.push_back(entry{header, nullptr, octets_.size(), data.size()});
  octets_.insert(octets_.end(), data.begin(), data.end());
}

void frame_batch::add_kept(const frame_header& header, std::span<const std::uint8_t> data) {
  frames_.push_back(entry{header, data.data(), 0, data.size()});
}

void frame_batch::clear() {
  frames_.clear();
  octets_.clear();
}

std::span<const std::uint8_t> frame_batch::data(std::size_t i) const {
  const entry& e = frames_[i];
  if (e.kept != nullptr) return {e.kept, e.size};
  return std::span<const std::uint8_t>(octets_).subspan(e.offset, e.size);
}

std::size_t frame_batch_run(net& network, std::int32_t link_type, const frame_batch& batch) {
  const link_type_row* row = link_type == LINK_ETHERNET     ? &ETHERNET_ROW
                             : link_type == LINK_TOKEN_RING ? &TOKEN_RING_ROW
                                                            : nullptr;
  if (row == nullptr) return 0;
  keys_ahead keys(*row, batch);
  model_lock lock;
  for (std::size_t i = 0; i < PREFETCH_SLOT_AHEAD; ++i) frame_prefetch_slot(network, keys.read(i));
  for (std::size_t i = 0; i < batch.size(); ++i) {
    if (i + OCTETS_AHEAD < batch.size()) {
      // The octets the handler reads end with the IPv4 source, which may start the next line.
      const std::span<const std::uint8_t> ahead = batch.data(i + OCTETS_AHEAD);
      cache_preload(ahead.data());
      if (ahead.size() > FIRST_OCTETS_READ) cache_preload(ahead.data() + FIRST_OCTETS_READ - 1);
    }
    frame_prefetch_slot(network, keys.read(i + PREFETCH_SLOT_AHEAD));
    frame_prefetch_link(network, keys.of(i + PREFETCH_LINK_AHEAD));
    frame_prefetch_hosts(network, keys.of(i + PREFETCH_HOSTS_AHEAD));
    frame_prefetch_new_link(keys.of(i + PREFETCH_NEW_LINK_AHEAD));
    (void)row->handle(network, batch.header(i), batch.data(i));
  }
  return batch.size();
}

}  // namespace nw
