#include "capture/readahead_block.h"

#include <new>

#include "core/prefetch.h"
#include "pdl/pd.h"

namespace nw {

void readahead_block::add(const pcap_pkthdr& header, std::span<const std::uint8_t> data, protocol_node* media) {
  const std::size_t frames = headers_.size(), octets = octets_.size(), paths = paths_.size();
  try {
    headers_.push_back(header);
    offsets_.push_back(octets);
    octets_.insert(octets_.end(), data.begin(), data.end());
    classify(data, media);
  } catch (const std::bad_alloc&) {
    keep_frames(frames, octets, paths);
    throw;
  }
}

void readahead_block::clear() {
  keep_frames(0, 0, 0);
  end = 1;
  error.clear();
}

void readahead_block::preload_frame(std::size_t i) const {
  if (i >= headers_.size()) return;
  cache_preload(&headers_[i]);
  cache_preload(&offsets_[i]);
  cache_preload(&path_at_[i]);
}

void readahead_block::preload_path(std::size_t i) const {
  if (i < path_at_.size() && path_at_[i] != NO_PATH) cache_preload(paths_.data() + path_at_[i]);
}

protocol_node* const* readahead_block::path(std::size_t i) const {
  return path_at_[i] != NO_PATH ? paths_.data() + path_at_[i] : nullptr;
}

// Classifying here, on the reading thread, takes the walk of the protocol tree off the
// capture thread, which only counts the path.
void readahead_block::classify(std::span<const std::uint8_t> frame, protocol_node* media) {
  decode_path path;
  if (media == nullptr || !pd_classify(frame, media, path)) {
    path_at_.push_back(NO_PATH);
    return;
  }
  path_at_.push_back(paths_.size());
  for (protocol_node* const* n = path.data(); *n != nullptr; ++n) paths_.push_back(*n);
  paths_.push_back(nullptr);
}

void readahead_block::keep_frames(std::size_t frames, std::size_t octet_count, std::size_t path_count) {
  headers_.resize(frames);
  offsets_.resize(frames);
  path_at_.resize(frames);
  octets_.resize(octet_count);
  paths_.resize(path_count);
}

}  // namespace nw
