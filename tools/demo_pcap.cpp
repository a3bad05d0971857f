// The demo LAN as a classic capture file.
#include <cstdio>
#include <memory>

#include "tools/demo_lan.h"
#include "tools/demo_packer.h"

namespace nw::demo {

std::vector<std::uint8_t> pcap_image(const std::vector<demo_frame>& frames) {
  constexpr std::uint32_t SNAPLEN = 65535;
  constexpr std::uint32_t LINKTYPE_ETHERNET = 1;
  constexpr std::uint64_t US_PER_SECOND = 1000000;
  packer p;
  p.u32le(0xA1B2C3D4).u16le(2).u16le(4).u32le(0).u32le(0).u32le(SNAPLEN).u32le(LINKTYPE_ETHERNET);
  for (const demo_frame& f : frames) {
    const auto length = static_cast<std::uint32_t>(f.octets.size());
    p.u32le(static_cast<std::uint32_t>(f.time_us / US_PER_SECOND));
    p.u32le(static_cast<std::uint32_t>(f.time_us % US_PER_SECOND));
    p.u32le(length).u32le(length).put(f.octets);
  }
  return p.take();
}

bool write_pcap(const std::string& path, const std::vector<demo_frame>& frames) {
  const bytes image = pcap_image(frames);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) return false;
  const bool written = std::fwrite(image.data(), 1, image.size(), file.get()) == image.size();
  return std::fclose(file.release()) == 0 && written;
}

}  // namespace nw::demo
