// The adapter list from libpcap and the kernel's interface attributes.
#include "capture/adapter_list.h"

#include <net/if.h>
#include <net/if_arp.h>
#include <pcap/pcap.h>

#include <charconv>
#include <fstream>
#include <memory>
#include <optional>

#include "capture/capfile.h"

namespace nw {
namespace {

// A replayed file has no link of its own. The classic rate of its medium gives the load strip
// a load to show and the adapter dialog a speed to name; a file recorded on a faster link may
// read above 100 percent.
constexpr std::uint64_t FILE_ETHERNET_SPEED = 10'000'000;
constexpr std::uint64_t FILE_TOKEN_RING_SPEED = 16'000'000;
constexpr std::uint64_t MBIT = 1'000'000;

struct alldevs_free {
  void operator()(pcap_if_t* list) const { pcap_freealldevs(list); }
};
using alldevs_list = std::unique_ptr<pcap_if_t, alldevs_free>;

// The first line of a sysfs attribute; nothing when it cannot be read (a down interface
// refuses its speed with EINVAL).
std::optional<std::string> read_attribute(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  return line;
}

// Decimal, or hexadecimal with a 0x prefix (the "flags" attribute).
std::optional<std::int64_t> read_number(const std::filesystem::path& path) {
  const auto text = read_attribute(path);
  if (!text) return std::nullopt;
  std::string_view digits = *text;
  int base = 10;
  if (digits.starts_with("0x")) {
    digits.remove_prefix(2);
    base = 16;
  }
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (ec != std::errc{} || end == digits.data()) return std::nullopt;
  return value;
}

// Interface names never hold a slash; a name that would step out of the sysfs folder is not one.
bool plain_name(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

bool interface_down(const std::filesystem::path& dir) {
  if (read_attribute(dir / "operstate") == "down") return true;
  const auto flags = read_number(dir / "flags");
  return flags && (*flags & IFF_UP) == 0;
}

std::int32_t interface_type(const std::filesystem::path& dir) {
  switch (read_number(dir / "type").value_or(-1)) {
    case ARPHRD_ETHER: return NETTYPE_ETHERNET;
    case ARPHRD_IEEE802_TR: return NETTYPE_TOKEN_RING;
    default: return NETTYPE_UNSUPPORTED;
  }
}

// The kernel reports Mbit/s, and -1 when the driver does not know.
std::uint64_t interface_speed(const std::filesystem::path& dir) {
  const auto mbits = read_number(dir / "speed");
  return mbits && *mbits > 0 ? static_cast<std::uint64_t>(*mbits) * MBIT : 0;
}

// UTF-8 error texts, so that they can go into message boxes as they are. Once per process.
void library_init() {
  static const bool done = [] {
    char errbuf[PCAP_ERRBUF_SIZE] = "";
    return pcap_init(PCAP_CHAR_ENC_UTF_8, errbuf) == 0;
  }();
  (void)done;
}

}  // namespace

std::int32_t adapter_type_of_dlt(int dlt) {
  switch (dlt) {
    case DLT_EN10MB: return NETTYPE_ETHERNET;
    case DLT_IEEE802: return NETTYPE_TOKEN_RING;
    default: return NETTYPE_UNSUPPORTED;
  }
}

int adapter_list_find(std::vector<adapter_desc>& adapters, std::string& error) {
  library_init();
  char errbuf[PCAP_ERRBUF_SIZE] = "";
  pcap_if_t* first = nullptr;
  if (pcap_findalldevs(&first, errbuf) != 0) {
    error = errbuf;
    return -1;
  }
  const alldevs_list list(first);
  adapters.clear();
  for (const pcap_if_t* dev = list.get(); dev != nullptr; dev = dev->next) {
    adapters.push_back(adapter_from_interface(dev->name, dev->description != nullptr ? dev->description : ""));
  }
  return 1;
}

adapter_desc adapter_from_interface(std::string_view name, std::string_view description,
                                    const std::filesystem::path& sysfs_root) {
  adapter_desc adapter{std::string(name), std::string(description), NETTYPE_UNSUPPORTED, 0, false};
  std::error_code ec;
  const std::filesystem::path dir = sysfs_root / name;
  if (!plain_name(name) || !std::filesystem::is_directory(dir, ec)) return adapter;
  adapter.type = interface_down(dir) ? NETTYPE_DOWN : interface_type(dir);
  adapter.speed = interface_speed(dir);
  return adapter;
}

int adapter_from_file(const std::string& path, adapter_desc& adapter, std::string& error) {
  library_init();
  char errbuf[PCAP_ERRBUF_SIZE] = "";
  const pcap_handle file(pcap_open_offline(path.c_str(), errbuf));
  if (!file) {
    error = errbuf;
    return -1;
  }
  const int dlt = pcap_datalink(file.get());
  const char* description = pcap_datalink_val_to_description(dlt);
  adapter = adapter_desc{path, description != nullptr ? description : "", adapter_type_of_dlt(dlt), 0, true};
  if (adapter.type == NETTYPE_ETHERNET) adapter.speed = FILE_ETHERNET_SPEED;
  if (adapter.type == NETTYPE_TOKEN_RING) adapter.speed = FILE_TOKEN_RING_SPEED;
  return 1;
}

}  // namespace nw
