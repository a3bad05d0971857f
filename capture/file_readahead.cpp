#include "capture/file_readahead.h"

#include <new>

#include "pdl/pd.h"
#include <utility>

namespace nw {
namespace {

// Enough blocks to keep the reader ahead through a pass's ageing and drawing; a block ends at
// either bound, so frames of any size keep it to a few megabytes.
constexpr std::size_t MAX_READY = 4;
constexpr std::size_t BLOCK_FRAMES = 512;
constexpr std::size_t BLOCK_OCTETS = std::size_t{1} << 20;
// The reader classifies a block's frames only while the capture thread has this many blocks
// waiting: classifying makes the reader the slower of the two threads once the capture thread
// has little else to do, and a reader that falls behind leaves the walk to the capture thread
// until it is ahead again, so the two share the work by themselves.
constexpr std::size_t CLASSIFY_WHEN_READY = 2;

}  // namespace

void file_readahead::block::clear() {
  headers.clear();
  offsets.clear();
  octets.clear();
  paths.clear();
  path_at.clear();
  end = 1;
  error.clear();
}

file_readahead::file_readahead(pcap_t* handle) : handle_(handle), reader_([this] { read_blocks(); }) {}

file_readahead::~file_readahead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  reader_.join();
}

// Classifying here, on the reading thread, takes the walk of the protocol tree off the
// capture thread, which only counts the path.
void file_readahead::classify(block& b, std::span<const std::uint8_t> frame, protocol_node* media) {
  decode_path path;
  if (media == nullptr || !pd_classify(frame, media, path)) {
    b.path_at.push_back(NO_PATH);
    return;
  }
  b.path_at.push_back(b.paths.size());
  for (protocol_node* const* n = path.data(); *n != nullptr; ++n) b.paths.push_back(*n);
  b.paths.push_back(nullptr);
}

void file_readahead::fill(block& b, protocol_node* media) {
  while (b.headers.size() < BLOCK_FRAMES && b.octets.size() < BLOCK_OCTETS) {
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    const int got = pcap_next_ex(handle_, &header, &data);
    if (got != 1) {
      b.end = got == PCAP_ERROR ? PCAP_ERROR : 0;
      if (got == PCAP_ERROR) b.error = pcap_geterr(handle_);
      return;
    }
    b.headers.push_back(*header);
    b.offsets.push_back(b.octets.size());
    b.octets.insert(b.octets.end(), data, data + header->caplen);
    classify(b, std::span<const std::uint8_t>(data, header->caplen), media);
  }
}

void file_readahead::read_blocks() {
  for (;;) {
    block b;
    bool ahead = false;
    {
      std::lock_guard lock(mutex_);
      if (!spare_.empty()) {
        b = std::move(spare_.back());
        spare_.pop_back();
      }
      ahead = ready_.size() >= CLASSIFY_WHEN_READY;
    }
    b.clear();
    try {
      fill(b, ahead ? media_.load() : nullptr);
    } catch (const std::bad_alloc&) {
      // The frames of the block so far are kept; the rest of the file is not read.
      b.end = PCAP_ERROR;
      b.error = "out of memory while reading the file";
    }
    const bool last = b.end != 1;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || ready_.size() < MAX_READY; });
    if (stopping_) return;
    ready_.push_back(std::move(b));
    lock.unlock();
    changed_.notify_all();
    if (last) return;
  }
}

int file_readahead::next(const pcap_pkthdr*& header, const std::uint8_t*& data, protocol_node* const*& path) {
  while (at_ == current_.headers.size()) {
    if (current_.end != 1) return current_.end;
    taken_.push_back(std::exchange(current_, block{}));
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty(); });
    current_ = std::move(ready_.front());
    ready_.pop_front();
    at_ = 0;
    lock.unlock();
    changed_.notify_all();
  }
  header = &current_.headers[at_];
  data = current_.octets.data() + current_.offsets[at_];
  const std::size_t path_at = current_.path_at[at_];
  path = path_at != NO_PATH ? current_.paths.data() + path_at : nullptr;
  ++at_;
  return 1;
}

void file_readahead::release_taken() {
  if (taken_.empty()) return;
  std::lock_guard lock(mutex_);
  for (block& b : taken_) spare_.push_back(std::move(b));
  taken_.clear();
}

}  // namespace nw
