#include "capture/frame_batch.h"

#include <algorithm>

#include "capture/frame_addr.h"
#include "model/frame_prefetch.h"
#include "model/model_config.h"

namespace nw {
namespace {

// How far ahead the two look-ahead stages run: far enough for a load from memory to finish
// while the frames in between are handled, near enough that what was loaded is still cached.
constexpr std::size_t SLOTS_AHEAD = 8;
constexpr std::size_t RECORDS_AHEAD = 4;

using address_reader = bool (*)(std::span<const std::uint8_t>, netaddr&, netaddr&);
using frame_handler = int (*)(net&, const frame_header&, std::span<const std::uint8_t>);

struct link_type_row {
  address_reader addresses;
  frame_handler handle;
};

constexpr link_type_row ETHERNET_ROW{frame_ether_addresses, netif_ether_frame};
constexpr link_type_row TOKEN_RING_ROW{frame_tr_addresses, netif_tr_frame};

void prefetch(const net& network, const link_type_row& row, const frame_batch& batch, std::size_t i,
              void (*stage)(const net&, const netaddr&, const netaddr&)) {
  if (i >= batch.size()) return;
  netaddr src, dst;
  if (row.addresses(batch.data(i), src, dst)) stage(network, src, dst);
}

}  // namespace

void frame_batch::add(const frame_header& header, std::span<const std::uint8_t> data) {
  frames_.push_back(entry{header, octets_.size(), data.size()});
  octets_.insert(octets_.end(), data.begin(), data.end());
}

void frame_batch::clear() {
  frames_.clear();
  octets_.clear();
}

std::span<const std::uint8_t> frame_batch::data(std::size_t i) const {
  const entry& e = frames_[i];
  return std::span<const std::uint8_t>(octets_).subspan(e.offset, e.size);
}

std::size_t frame_batch_run(net& network, std::int32_t link_type, const frame_batch& batch) {
  const link_type_row* row = link_type == LINK_ETHERNET     ? &ETHERNET_ROW
                             : link_type == LINK_TOKEN_RING ? &TOKEN_RING_ROW
                                                            : nullptr;
  if (row == nullptr) return 0;
  model_lock lock;
  for (std::size_t i = 0; i < batch.size(); ++i) {
    prefetch(network, *row, batch, i + SLOTS_AHEAD, frame_prefetch_slots);
    prefetch(network, *row, batch, i + RECORDS_AHEAD, frame_prefetch_records);
    (void)row->handle(network, batch.header(i), batch.data(i));
  }
  return batch.size();
}

}  // namespace nw
