// The frames of one dispatch, collected while the capture library delivers them and then
// handled in order under one hold of the model lock. Handling them together lets each frame
// start loading the hosts and link of the frames a few places behind it, which is what keeps
// the frame path fast once the segment's hosts no longer fit in the cache; and the model lock
// is never held while the library waits for frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "capture/frame.h"

namespace nw {

struct net;

// Link types of the handle (the network type of the adapter).
inline constexpr std::int32_t LINK_ETHERNET = 0;
inline constexpr std::int32_t LINK_TOKEN_RING = 1;

class frame_batch {
 public:
  // Copies one frame's captured octets; allocates only while the batch grows past what an
  // earlier dispatch needed.
  void add(const frame_header& header, std::span<const std::uint8_t> data);
  // Refers to octets that stay valid until the batch is cleared, without copying them.
  void add_kept(const frame_header& header, std::span<const std::uint8_t> data);
  void clear();
  [[nodiscard]] std::size_t size() const { return frames_.size(); }
  [[nodiscard]] frame_header header(std::size_t i) const { return frames_[i].header; }
  [[nodiscard]] std::span<const std::uint8_t> data(std::size_t i) const;

 private:
  struct entry {
    frame_header header;
    const std::uint8_t* kept = nullptr;  // the caller's octets, or nullptr for a copy in octets_
    std::size_t offset = 0;
    std::size_t size = 0;
  };
  std::vector<entry> frames_;
  std::vector<std::uint8_t> octets_;
};

// Handles every frame of the batch in order with netif_ether_frame or netif_tr_frame (by link
// type; any other link type handles nothing and returns 0). Takes the model lock itself.
// Returns the number of frames handled.
std::size_t frame_batch_run(net& network, std::int32_t link_type, const frame_batch& batch);

}  // namespace nw
