// The baseline of the headless benchmark: libpcap reading a capture file with an empty callback,
// 500 frames a dispatch, as the capture loop asks for them. Prints the frames read.
#include <pcap/pcap.h>

#include <cstdio>

namespace {

void count(u_char* user, const pcap_pkthdr*, const u_char*) { ++*reinterpret_cast<unsigned long long*>(user); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pcap_loop FILE\n");
    return 2;
  }
  char error[PCAP_ERRBUF_SIZE] = "";
  pcap_t* handle = pcap_open_offline(argv[1], error);
  if (handle == nullptr) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error);
    return 1;
  }
  unsigned long long frames = 0;
  while (pcap_dispatch(handle, 500, count, reinterpret_cast<u_char*>(&frames)) > 0) {
  }
  pcap_close(handle);
  std::printf("%llu\n", frames);
  return 0;
}
