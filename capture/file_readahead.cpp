#include "capture/file_readahead.h"

#include <new>
#include <utility>

namespace nw {
namespace {

// Enough blocks to keep the reader ahead through a pass's ageing and drawing, and to let it
// classify through the short spells when the capture thread takes frames faster than it reads
// them; a block ends at either bound, so frames of any size keep it to a few megabytes.
constexpr std::size_t MAX_READY = 8;
constexpr std::size_t BLOCK_FRAMES = 512;
constexpr std::size_t BLOCK_OCTETS = std::size_t{1} << 20;
// The reader classifies a block's frames only while the capture thread has this many blocks
// waiting: classifying makes the reader the slower of the two threads once the capture thread
// has little else to do, and a reader that falls behind leaves the walk to the capture thread
// until it is ahead again, so the two share the work by themselves.
constexpr std::size_t CLASSIFY_WHEN_READY = 2;
constexpr std::size_t FRAME_AHEAD = 16;
constexpr std::size_t PATH_AHEAD = 8;

}  // namespace

file_readahead::file_readahead(pcap_t* handle) : handle_(handle), reader_([this] { read_blocks(); }) {}

file_readahead::~file_readahead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  reader_.join();
}

void file_readahead::fill(readahead_block& b, protocol_node* media) {
  while (b.frames() < BLOCK_FRAMES && b.octets() < BLOCK_OCTETS) {
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    const int got = pcap_next_ex(handle_, &header, &data);
    if (got != 1) {
      b.end = got == PCAP_ERROR ? PCAP_ERROR : 0;
      if (got == PCAP_ERROR) b.error = pcap_geterr(handle_);
      return;
    }
    b.add(*header, std::span<const std::uint8_t>(data, header->caplen), media);
  }
}

void file_readahead::read_blocks() {
  for (;;) {
    readahead_block b;
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
  while (at_ == current_.frames()) {
    if (current_.end != 1) return current_.end;
    taken_.push_back(std::exchange(current_, readahead_block{}));
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty(); });
    current_ = std::move(ready_.front());
    ready_.pop_front();
    at_ = 0;
    lock.unlock();
    changed_.notify_all();
  }
  // A frame's header and path come from the other core: loaded a few frames ahead, the path once
  // where it lies is known.
  current_.preload_frame(at_ + FRAME_AHEAD);
  current_.preload_path(at_ + PATH_AHEAD);
  header = &current_.header(at_);
  data = current_.data(at_);
  path = current_.path(at_);
  ++at_;
  return 1;
}

void file_readahead::release_taken() {
  if (taken_.empty()) return;
  std::lock_guard lock(mutex_);
  for (readahead_block& b : taken_) spare_.push_back(std::move(b));
  taken_.clear();
}

}  // namespace nw
