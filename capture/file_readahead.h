// The frames of a capture file, read ahead on a thread of their own a block at a time: reading
// the file (system calls and the library's parsing) overlaps the handling of frames read
// before, on another core.
#pragma once

#include <pcap/pcap.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/readahead_block.h"

namespace nw {

class file_readahead {
 public:
  // Starts reading handle, which belongs to the reader from now until destruction.
  explicit file_readahead(pcap_t* handle);
  ~file_readahead();
  file_readahead(const file_readahead&) = delete;
  file_readahead& operator=(const file_readahead&) = delete;

  // Frames read from now on may be classified from media, a node of the loaded protocol tree
  // (those the reader has time for; the others carry no path).
  void classify_with(protocol_node* media) { media_.store(media); }

  // The next frame: 1 with its header, octets and protocol path (nullptr when not classified;
  // all valid until release_taken), 0 after the last frame, PCAP_ERROR when the file is
  // damaged past the frames before (error() tells).
  int next(const pcap_pkthdr*& header, const std::uint8_t*& data, protocol_node* const*& path);
  // The frames next() gave before the current one may be given up: their blocks are read into
  // again.
  void release_taken();
  [[nodiscard]] const std::string& error() const { return current_.error; }

 private:
  void read_blocks();
  void fill(readahead_block& b, protocol_node* media);

  pcap_t* handle_;
  std::atomic<protocol_node*> media_{nullptr};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<readahead_block> ready_;   // read, not yet taken; at most MAX_READY
  std::vector<readahead_block> spare_;  // given back, their buffers kept
  bool stopping_ = false;
  // The taker's own.
  readahead_block current_;
  std::size_t at_ = 0;
  std::vector<readahead_block> taken_;  // read to their end, their frames still in use
  std::thread reader_;  // last: started when everything above is ready
};

}  // namespace nw
