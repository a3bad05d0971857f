// Capture-file reader over libpcap.
#include "capture/capfile.h"

namespace nw {

const char* capfile_media_path(int link_type) {
  switch (link_type) {
    case DLT_EN10MB: return "ROOT\\ETHERNET";
    case DLT_IEEE802: return "ROOT\\TOKENRING";
    default: return nullptr;
  }
}

int capfile::open(const std::string& path) {
  char errbuf[PCAP_ERRBUF_SIZE] = "";
  handle_.reset(pcap_open_offline(path.c_str(), errbuf));
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
