// The ethers row format: NUL-terminated names in blank-padded fields, raw address bytes.
#include "namedb/ethers_row.h"

#include <algorithm>
#include <array>

#include "core/netaddr_ether.h"
#include "core/netaddr_ipv4.h"
#include "core/str_cache.h"

namespace nw {

namespace {

constexpr std::uint32_t STR_MULTICAST = 50336;
constexpr std::uint16_t RESOLVE_WIDTH = 2;

std::span<const std::uint8_t> bytes_of(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Up to the first NUL; a field without one (a name that filled it) is read whole.
std::optional<std::string> read_text(std::span<const std::uint8_t> field) {
  const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  if (end == field.begin()) return std::nullopt;
  return std::string(field.begin(), end);
}

bool all_zero(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

netaddr hw_of(std::span<const std::uint8_t> field, const netaddr& like) {
  netaddr hw;
  netaddr_init(hw, like.type != nullptr ? like.type->family : NETADDR_ETHER);
  std::copy_n(field.begin(), std::min<std::size_t>(field.size(), NETADDR_HW_LENGTH), netaddr_bytes(hw));
  return hw;
}

void assign_ip(xbase_table& table, const ethers_handles& h, const std::optional<netaddr>& ip) {
  std::array<std::uint8_t, NETADDR_IPV4_LENGTH> bytes{};
  if (ip && ip->type != nullptr && ip->type->family == NETADDR_IPV4)
    std::copy_n(netaddr_bytes(*ip), bytes.size(), bytes.begin());
  table.assign(h.ip_addr, bytes);
}

void assign_text(xbase_table& table, int field, std::string_view text) { table.assign(field, ethers_row_text(text)); }

}  // namespace

const std::vector<dbf_field>& ethers_row_fields() {
  static const std::vector<dbf_field> fields = {{"MAC_ADDR", 'C', NETADDR_HW_LENGTH, 0},
                                                {"LOCAL_NAME", 'C', ETHERS_NAME_MAX, 0},
                                                {"IP_ADDR", 'C', NETADDR_IPV4_LENGTH, 0},
                                                {"IP_NAME", 'C', ETHERS_NAME_MAX, 0},
                                                {"IP_RESOLVE", 'C', RESOLVE_WIDTH, 0}};
  return fields;
}

const std::vector<xbase_tag_spec>& ethers_row_tags() {
  static const std::vector<xbase_tag_spec> tags = {{ETHERS_MAC_TAG, "MAC_ADDR"}, {ETHERS_NAME_TAG, "LOCAL_NAME"}};
  return tags;
}

int ethers_row_bind(const dbf_table& table, ethers_handles& handles) {
  int* slots[] = {&handles.mac, &handles.local_name, &handles.ip_addr, &handles.ip_name, &handles.ip_resolve};
  const auto& want = ethers_row_fields();
  for (std::size_t i = 0; i < want.size(); ++i) {
    const int f = table.field_index(want[i].name);
    if (f < 0) return 0;
    const dbf_field& have = table.fields()[static_cast<std::size_t>(f)];
    if (have.type != want[i].type || have.width != want[i].width) return 0;
    *slots[i] = f;
  }
  return 1;
}

name_record ethers_row_read(const xbase_table& table, const ethers_handles& h, const netaddr& hw, bool listing) {
  name_record r;
  r.hw = hw_of(table.field(h.mac), hw);
  r.local_name = read_text(table.field(h.local_name));
  const auto resolve = table.field(h.ip_resolve);
  r.resolve = !resolve.empty() && resolve[0] == 'Y' ? 1 : 0;
  if (r.resolve == 0) {
    if (listing) r.ip_name = read_text(table.field(h.ip_name)).value_or("");
    return r;
  }
  const auto ip = table.field(h.ip_addr);
  if (ip.size() == NETADDR_IPV4_LENGTH && !all_zero(ip)) {
    netaddr addr;
    netaddr_init(addr, NETADDR_IPV4);
    std::copy(ip.begin(), ip.end(), netaddr_bytes(addr));
    if (addr.type != nullptr) r.ip = addr;
  }
  r.ip_name = read_text(table.field(h.ip_name));
  return r;
}

std::optional<std::string> ethers_row_fill_new(xbase_table& table, const ethers_handles& h, const name_record& record,
                                               const addr_name_table* multicast) {
  table.blank();
  assign_text(table, h.local_name, "");
  table.assign(h.ip_resolve, bytes_of("N"));
  assign_ip(table, h, std::nullopt);
  assign_text(table, h.ip_name, "");
  table.assign(h.mac, std::span<const std::uint8_t>(netaddr_bytes(record.hw), NETADDR_HW_LENGTH));
  if (ethers_row_is_group(record.hw)) {
    std::string name = ethers_row_group_name(record.hw, multicast);
    // The caller's record must say what the row says, and the row keeps 40 characters.
    if (name.size() > ETHERS_NAME_MAX) name.resize(ETHERS_NAME_MAX);
    assign_text(table, h.local_name, name);
    return name;
  }
  if (record.local_name) assign_text(table, h.local_name, *record.local_name);
  if (record.resolve == 1) {
    table.assign(h.ip_resolve, bytes_of("Y"));
    assign_ip(table, h, record.ip);
    if (record.ip_name) assign_text(table, h.ip_name, *record.ip_name);
  }
  return record.local_name;
}

void ethers_row_fill_update(xbase_table& table, const ethers_handles& h, const name_record& record) {
  if (record.local_name) assign_text(table, h.local_name, *record.local_name);
  const bool resolve = record.resolve == 1;
  table.assign(h.ip_resolve, bytes_of(resolve ? "Y" : "N"));
  assign_ip(table, h, resolve ? record.ip : std::nullopt);
  assign_text(table, h.ip_name, resolve && record.ip_name ? std::string_view(*record.ip_name) : "");
}

bool ethers_row_is_group(const netaddr& hw) {
  const std::uint8_t* b = netaddr_bytes(hw);
  return (b[0] & 0x01) != 0 || (b[0] == 0xC0 && b[1] == 0x00);
}

std::string ethers_row_group_name(const netaddr& hw, const addr_name_table* multicast) {
  if (multicast != nullptr) {
    if (const std::string* name = multicast->find(hw)) return *name;
  }
  const char* text = str_get(STR_MULTICAST);
  return text != nullptr ? text : "Multicast";
}

std::vector<std::uint8_t> ethers_row_text(std::string_view text) {
  std::vector<std::uint8_t> out(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min(text.size(), ETHERS_NAME_MAX)));
  if (out.size() < ETHERS_NAME_MAX) out.push_back(0);
  return out;
}

}  // namespace nw
