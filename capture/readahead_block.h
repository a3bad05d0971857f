// A block of frames read ahead from a capture file: their headers, octets and protocol paths,
// stored back to back so that a block's buffers are reused from one block to the next.
#pragma once

#include <pcap/pcap.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace nw {

struct protocol_node;

class readahead_block {
 public:
  // One frame, classified from media when media is not null. A frame is stored whole or not at
  // all: when memory runs out the block is left as it was and std::bad_alloc propagates.
  void add(const pcap_pkthdr& header, std::span<const std::uint8_t> data, protocol_node* media);
  void clear();

  [[nodiscard]] std::size_t frames() const { return headers_.size(); }
  [[nodiscard]] std::size_t octets() const { return octets_.size(); }
  [[nodiscard]] const pcap_pkthdr& header(std::size_t i) const { return headers_[i]; }
  [[nodiscard]] const std::uint8_t* data(std::size_t i) const { return octets_.data() + offsets_[i]; }
  // Start loading what taking frame i reads: the reading thread wrote it on the other core.
  void preload_frame(std::size_t i) const;
  void preload_path(std::size_t i) const;
  // The frame's protocol path ended by nullptr, or nullptr when it was not classified.
  [[nodiscard]] protocol_node* const* path(std::size_t i) const;

  int end = 1;  // 1 while more frames follow, else what the taker gets after the last frame
  std::string error;

 private:
  static constexpr std::size_t NO_PATH = ~std::size_t{0};

  void classify(std::span<const std::uint8_t> frame, protocol_node* media);
  // Drops what a frame that could not be stored whole left behind (shrinking never allocates).
  void keep_frames(std::size_t frames, std::size_t octet_count, std::size_t path_count);

  std::vector<pcap_pkthdr> headers_;
  std::vector<std::size_t> offsets_;
  std::vector<std::uint8_t> octets_;
  std::vector<protocol_node*> paths_;  // each frame's path, ended by nullptr, back to back
  std::vector<std::size_t> path_at_;   // by frame: where its path starts in paths_, or NO_PATH
};

}  // namespace nw
