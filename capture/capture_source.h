// A capture handle: a live adapter opened in promiscuous mode, or a capture file replayed at
// the pace of its time stamps (the program) or as fast as it can be read (the headless run).
// One thread dispatches; any thread may break the loop.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "capture/capfile.h"
#include "capture/file_readahead.h"
#include "capture/frame.h"
#include "model/adapter_desc.h"

namespace nw {

inline constexpr int CAPTURE_SNAPLEN_DEFAULT = 250;
inline constexpr std::chrono::milliseconds CAPTURE_READ_TIMEOUT{1000};
// What dispatch returns when breakloop ended it before it delivered a frame.
inline constexpr int CAPTURE_BREAK = PCAP_ERROR_BREAK;

enum class replay_pace { timestamps, fastest };

// Called once per frame; data holds the captured octets, header.length the length on the wire.
using capture_handler = void (*)(void* user, const frame_header& header, std::span<const std::uint8_t> data);

class capture_source {
 public:
  // The adapter opened (snaplen, promiscuous, 1000 ms read time-out), or its file; nullptr with
  // error filled when the library cannot. The pace matters to files only.
  [[nodiscard]] static std::unique_ptr<capture_source> open(const adapter_desc& adapter, int snaplen,
                                                            replay_pace pace, std::string& error);

  capture_source(const capture_source&) = delete;
  capture_source& operator=(const capture_source&) = delete;
  ~capture_source();

  // The adapter's network type when the handle's link type agrees with it; otherwise
  // NETTYPE_UNSUPPORTED, whose frames the model does not take (loopback speaks Ethernet
  // framing, but its network has no media node).
  [[nodiscard]] std::int32_t link_type() const { return link_type_; }

  // Calls handler for up to max frames and returns how many it delivered: fewer when the read
  // time-out passed first, 0 at once when a file has no frame left; CAPTURE_BREAK when breakloop
  // ended it before any frame; -1 on a library error (error() tells).
  [[nodiscard]] int dispatch(int max, capture_handler handler, void* user);

  // Whether the octets handed to a handler stay valid until the next dispatch (a file's, which
  // lie in its read-ahead blocks), so that the caller may keep them without a copy; a live
  // adapter's are valid only during the handler's call.
  [[nodiscard]] bool frames_kept() const { return file_; }

  // A file's frames are classified from media (the network's, for the frames it takes) while
  // they are read ahead, so that their handler only counts their path. No effect on a live
  // adapter.
  void classify_ahead(protocol_node* media);

  // Ends the dispatch running on another thread, or the next one, as soon as it can: a replay
  // waiting for a frame's time stamp wakes at once.
  void breakloop();

  // Frames received and dropped: the library's counters for a live adapter, the frames read
  // and none dropped for a file. 1, or -1 when the library failed.
  [[nodiscard]] int stats(std::uint32_t& received, std::uint32_t& dropped);

  // A live adapter, whose frame times are the wall clock.
  [[nodiscard]] bool live() const { return !file_; }

  // A file whose every frame has been delivered or that is damaged past its last good frame.
  [[nodiscard]] bool finished() const { return finished_; }

  [[nodiscard]] const std::string& error() const { return error_; }

 private:
  using clock = std::chrono::steady_clock;

  capture_source() = default;
  int dispatch_live(int max, capture_handler handler, void* user);
  bool make_live_wait(std::string& error);
  int wait_live();
  int dispatch_file(int max, capture_handler handler, void* user);
  bool read_next();
  clock::time_point due_time();
  bool wait_until(clock::time_point when);
  bool take_break();

  std::unique_ptr<char[]> file_buffer_;  // a file's stream buffer, freed after the handle
  pcap_handle handle_;
  std::unique_ptr<file_readahead> readahead_;  // a file's frames; destroyed before the handle
  std::int32_t link_type_ = NETTYPE_UNSUPPORTED;
  bool file_ = false;
  replay_pace pace_ = replay_pace::timestamps;
  std::string error_;

  // Replay state, the dispatching thread's own.
  bool pending_ = false;  // pending_header_ and pending_data_ hold the next frame
  pcap_pkthdr pending_header_{};
  const std::uint8_t* pending_data_ = nullptr;  // valid until the next read
  protocol_node* const* pending_path_ = nullptr;
  bool finished_ = false;
  bool error_pending_ = false;  // a read error after frames that were delivered first
  bool paced_ = false;  // the first frame set the time base
  clock::time_point base_wall_;
  std::int64_t base_us_ = 0;
  std::uint32_t delivered_ = 0;

  // Set under break_mutex_ so that a waiting replay cannot miss it; read without it per frame.
  std::atomic<bool> broken_{false};
  std::mutex break_mutex_;
  std::condition_variable break_cv_;

  // Live handles: breakloop's wake-up for the wait on the handle's descriptor.
  struct fd_closer {
    void operator()(int* fd) const;
  };
  std::unique_ptr<int, fd_closer> wake_fd_;
};

}  // namespace nw
