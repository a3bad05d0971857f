// The demo LAN as a classic capture file, whole or frame by frame.
#include <cstdio>
#include <memory>

#include "tools/demo_lan.h"
#include "tools/demo_packer.h"

namespace nw::demo {
namespace {

constexpr std::uint32_t SNAPLEN = 65535;
constexpr std::uint32_t LINKTYPE_ETHERNET = 1;
constexpr std::uint64_t US_PER_SECOND = 1000000;

void file_header(packer& p) {
  p.u32le(0xA1B2C3D4).u16le(2).u16le(4).u32le(0).u32le(0).u32le(SNAPLEN).u32le(LINKTYPE_ETHERNET);
}

void record(packer& p, std::uint64_t time_us, const std::vector<std::uint8_t>& frame) {
  const auto length = static_cast<std::uint32_t>(frame.size());
  p.u32le(static_cast<std::uint32_t>(time_us / US_PER_SECOND));
  p.u32le(static_cast<std::uint32_t>(time_us % US_PER_SECOND));
  p.u32le(length).u32le(length).put(frame);
}

}  // namespace

std::vector<std::uint8_t> pcap_image(const std::vector<demo_frame>& frames) {
  packer p;
  file_header(p);
  for (const demo_frame& f : frames) record(p, f.time_us, f.octets);
  return p.take();
}

bool write_pcap(const std::string& path, const std::vector<demo_frame>& frames) {
  pcap_writer writer;
  if (!writer.open(path)) return false;
  for (const demo_frame& f : frames) writer.add(f.time_us, f.octets);
  return writer.close();
}

bool pcap_writer::open(const std::string& path) {
  file_.reset(std::fopen(path.c_str(), "wb"));
  failed_ = false;
  if (!file_) return false;
  packer p;
  file_header(p);
  const bytes header = p.take();
  failed_ = std::fwrite(header.data(), 1, header.size(), file_.get()) != header.size();
  return !failed_;
}

void pcap_writer::add(std::uint64_t time_us, const std::vector<std::uint8_t>& frame) {
  if (!file_ || failed_) return;
  packer p;
  record(p, time_us, frame);
  const bytes r = p.take();
  failed_ = std::fwrite(r.data(), 1, r.size(), file_.get()) != r.size();
}

bool pcap_writer::close() {
  if (!file_) return false;
  const bool closed = std::fclose(file_.release()) == 0;
  return closed && !failed_;
}

}  // namespace nw::demo
