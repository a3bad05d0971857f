// Capture handles over libpcap: live adapters, and capture files replayed by their time stamps.
#include "capture/capture_source.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "capture/adapter_list.h"

namespace nw {
namespace {

constexpr int PROMISCUOUS = 1;

struct live_context {
  capture_handler handler;
  void* user;
};

frame_header header_of(const pcap_pkthdr& h) {
  return frame_header{capture_time{static_cast<std::int32_t>(h.ts.tv_sec), static_cast<std::int32_t>(h.ts.tv_usec)},
                      h.len};
}

void live_frame(u_char* user, const pcap_pkthdr* h, const u_char* bytes) {
  const auto* context = static_cast<const live_context*>(static_cast<void*>(user));
  context->handler(context->user, header_of(*h), std::span<const std::uint8_t>(bytes, h->caplen));
}

std::int64_t time_us(const timeval& t) { return static_cast<std::int64_t>(t.tv_sec) * 1'000'000 + t.tv_usec; }

}  // namespace

std::unique_ptr<capture_source> capture_source::open(const adapter_desc& adapter, int snaplen, replay_pace pace,
                                                     std::string& error) {
  std::unique_ptr<capture_source> source(new capture_source());
  char errbuf[PCAP_ERRBUF_SIZE] = "";
  if (adapter.file) {
    source->handle_ = capfile_open_offline(adapter.name, source->file_buffer_, errbuf);
  } else {
    const int timeout_ms = static_cast<int>(CAPTURE_READ_TIMEOUT.count());
    source->handle_.reset(pcap_open_live(adapter.name.c_str(), snaplen, PROMISCUOUS, timeout_ms, errbuf));
  }
  if (!source->handle_) {
    error = errbuf;
    return nullptr;
  }
  if (!adapter.file && !source->make_live_wait(error)) return nullptr;
  source->file_ = adapter.file;
  source->pace_ = pace;
  const std::int32_t handle_type = adapter_type_of_dlt(pcap_datalink(source->handle_.get()));
  source->link_type_ = handle_type == adapter.type ? handle_type : NETTYPE_UNSUPPORTED;
  // From here the reader thread alone touches a file's handle.
  if (adapter.file) {
    try {
      source->readahead_ = std::make_unique<file_readahead>(source->handle_.get());
    } catch (const std::system_error& e) {
      error = e.what();
      return nullptr;
    }
  }
  return source;
}

capture_source::~capture_source() = default;

void capture_source::classify_ahead(protocol_node* media) {
  if (readahead_) readahead_->classify_with(media);
}

int capture_source::dispatch(int max, capture_handler handler, void* user) {
  return file_ ? dispatch_file(max, handler, user) : dispatch_live(max, handler, user);
}

void capture_source::breakloop() {
  if (!file_) {
    pcap_breakloop(handle_.get());
    const std::uint64_t one = 1;
    if (wake_fd_) (void)!write(*wake_fd_, &one, sizeof one);
    return;
  }
  {
    std::lock_guard lock(break_mutex_);
    broken_ = true;
  }
  break_cv_.notify_all();
}

int capture_source::stats(std::uint32_t& received, std::uint32_t& dropped) {
  if (file_) {
    received = delivered_;
    dropped = 0;
    return 1;
  }
  pcap_stat counts{};
  if (pcap_stats(handle_.get(), &counts) != 0) {
    error_ = pcap_geterr(handle_.get());
    return -1;
  }
  received = counts.ps_recv;
  dropped = counts.ps_drop;
  return 1;
}

void capture_source::fd_closer::operator()(int* fd) const {
  close(*fd);
  delete fd;
}

// On Linux a live handle can wait far past its read time-out while the segment is silent, and
// a silent segment must still make passes (they age hosts and empty the window). So the handle
// does not block; the wait is ours: the handle's descriptor and breakloop's wake-up, at most
// the read time-out.
bool capture_source::make_live_wait(std::string& error) {
  char errbuf[PCAP_ERRBUF_SIZE] = "";
  if (pcap_setnonblock(handle_.get(), 1, errbuf) != 0) {
    error = errbuf;
    return false;
  }
  const int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  wake_fd_.reset(new int(fd));
  return true;
}

// 1 when frames may be read, 0 after the read time-out, CAPTURE_BREAK when woken.
int capture_source::wait_live() {
  const int fd = pcap_get_selectable_fd(handle_.get());
  if (fd < 0) return 1;  // nothing to wait on: the non-blocking read returns at once
  pollfd fds[2] = {{fd, POLLIN, 0}, {*wake_fd_, POLLIN, 0}};
  const int ready = poll(fds, 2, static_cast<int>(CAPTURE_READ_TIMEOUT.count()));
  if (ready > 0 && (fds[1].revents & POLLIN) != 0) {
    std::uint64_t count = 0;
    (void)!read(*wake_fd_, &count, sizeof count);
    return CAPTURE_BREAK;
  }
  return ready > 0 ? 1 : 0;
}

int capture_source::dispatch_live(int max, capture_handler handler, void* user) {
  const int ready = wait_live();
  if (ready <= 0) return ready;
  live_context context{handler, user};
  const int got = pcap_dispatch(handle_.get(), max, live_frame, static_cast<u_char*>(static_cast<void*>(&context)));
  if (got == PCAP_ERROR) error_ = pcap_geterr(handle_.get());
  return got;
}

// Like a live adapter, a paced replay returns after max frames or after the read time-out,
// whichever comes first, so that passes keep their live rhythm.
int capture_source::dispatch_file(int max, capture_handler handler, void* user) {
  const clock::time_point deadline = clock::now() + CAPTURE_READ_TIMEOUT;
  readahead_->release_taken();  // the previous dispatch's frames are done with
  int count = 0;
  while (count < max) {
    if (take_break()) return count > 0 ? count : CAPTURE_BREAK;
    if (!pending_ && !read_next()) {
      if (count > 0) return count;  // a read error is told by the next dispatch
      return std::exchange(error_pending_, false) ? -1 : 0;
    }
    if (pace_ == replay_pace::timestamps) {
      const clock::time_point due = due_time();
      if (due > clock::now()) {
        if (wait_until(std::min(due, deadline))) continue;
        if (due > deadline) return count;
      }
    }
    frame_header header = header_of(pending_header_);
    header.path = pending_path_;
    handler(user, header, std::span<const std::uint8_t>(pending_data_, pending_header_.caplen));
    pending_ = false;
    ++delivered_;
    ++count;
  }
  return count;
}

bool capture_source::read_next() {
  if (finished_) return false;
  const pcap_pkthdr* header = nullptr;
  const std::uint8_t* data = nullptr;
  protocol_node* const* path = nullptr;
  const int got = readahead_->next(header, data, path);
  if (got == 1) {
    pending_header_ = *header;
    pending_data_ = data;
    pending_path_ = path;
    pending_ = true;
    return true;
  }
  finished_ = true;
  if (got == PCAP_ERROR) {
    error_ = readahead_->error();
    error_pending_ = true;
  }
  return false;
}

// The first frame sets the time base; every later one is due as long after it as its time
// stamp says. A time stamp earlier than the first is due at once.
capture_source::clock::time_point capture_source::due_time() {
  const std::int64_t stamp = time_us(pending_header_.ts);
  if (!paced_) {
    paced_ = true;
    base_wall_ = clock::now();
    base_us_ = stamp;
  }
  return base_wall_ + std::chrono::microseconds(stamp - base_us_);
}

// true when breakloop woke it.
bool capture_source::wait_until(clock::time_point when) {
  std::unique_lock lock(break_mutex_);
  return break_cv_.wait_until(lock, when, [this] { return broken_.load(); });
}

bool capture_source::take_break() { return broken_.load() && broken_.exchange(false); }

}  // namespace nw
