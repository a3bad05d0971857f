// Reading capture files (libpcap's file format) frame by frame.
#pragma once

#include <pcap/pcap.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "core/timer.h"

namespace nw {

struct capfile_frame {
  capture_time time;
  std::uint32_t length = 0;  // on the wire; the octets may be fewer (snapshot length)
  std::span<const std::uint8_t> octets;
};

struct pcap_closer {
  void operator()(pcap_t* handle) const { pcap_close(handle); }
};
using pcap_handle = std::unique_ptr<pcap_t, pcap_closer>;

// A capture file's handle, as pcap_open_offline makes it ("-" is the standard input), reading
// through a large stream buffer made here into `buffer`, which must outlive the handle: libpcap
// reads a file frame by frame with fread, and a stream's own buffer refills 4 KiB at a time, a
// system call every few frames. nullptr with errbuf (PCAP_ERRBUF_SIZE) saying why.
[[nodiscard]] pcap_handle capfile_open_offline(const std::string& path, std::unique_ptr<char[]>& buffer, char* errbuf);

// The protocol-tree path of the media node that classifies frames of a link type, or nullptr
// for a link type the program does not decode.
[[nodiscard]] const char* capfile_media_path(int link_type);

class capfile {
 public:
  // 1 when open, -1 with error() telling why.
  [[nodiscard]] int open(const std::string& path);
  [[nodiscard]] int link_type() const { return pcap_datalink(handle_.get()); }
  // Calls fn for every frame in file order; 1 at the end of the file, -1 on a damaged file.
  [[nodiscard]] int for_each(const std::function<void(const capfile_frame&)>& fn);
  [[nodiscard]] const std::string& error() const { return error_; }

 private:
  std::unique_ptr<char[]> buffer_;  // the file's stream buffer, freed after the handle
  pcap_handle handle_;
  std::string error_;
};

}  // namespace nw
