// Capture-file reader over libpcap.
#include "capture/capfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace nw {
namespace {

constexpr std::size_t STREAM_BUFFER_BYTES = std::size_t{1} << 20;

}  // namespace

pcap_handle capfile_open_offline(const std::string& path, std::unique_ptr<char[]>& buffer, char* errbuf) {
  if (path == "-") return pcap_handle(pcap_open_offline(path.c_str(), errbuf));
  std::FILE* stream = std::fopen(path.c_str(), "rb");
  if (stream == nullptr) {
    std::snprintf(errbuf, PCAP_ERRBUF_SIZE, "%s: %s", path.c_str(), std::strerror(errno));
    return nullptr;
  }
  auto own = std::make_unique_for_overwrite<char[]>(STREAM_BUFFER_BYTES);
  (void)std::setvbuf(stream, own.get(), _IOFBF, STREAM_BUFFER_BYTES);  // without it the file reads the same, slower
  pcap_handle handle(pcap_fopen_offline(stream, errbuf));
  if (!handle) {
    std::fclose(stream);  // a stream that is not a capture is the caller's to close
    return nullptr;
  }
  buffer = std::move(own);
  return handle;
}

const char* capfile_media_path(int link_type) {
  switch (link_type) {
    case DLT_EN10MB: return "ROOT\\ETHERNET";
    case DLT_IEEE802: return "ROOT\\TOKENRING";
    default: return nullptr;
  }
}

int capfile::open(const std::string& path) {
  char errbuf[PCAP_ERRBUF_SIZE] = "";
  handle_.reset();  // before its stream's buffer goes
  handle_ = capfile_open_offline(path, buffer_, errbuf);
  if (!handle_) {
    error_ = errbuf;
    return -1;
  }
  return 1;
}

int capfile::for_each(const std::function<void(const capfile_frame&)>& fn) {
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  int got = 0;
  while ((got = pcap_next_ex(handle_.get(), &header, &data)) == 1) {
    capfile_frame frame;
    frame.time = {static_cast<std::int32_t>(header->ts.tv_sec), static_cast<std::int32_t>(header->ts.tv_usec)};
    frame.length = header->len;
    frame.octets = {data, header->caplen};
    fn(frame);
  }
  if (got == PCAP_ERROR_BREAK) return 1;
  error_ = pcap_geterr(handle_.get());
  return -1;
}

}  // namespace nw
