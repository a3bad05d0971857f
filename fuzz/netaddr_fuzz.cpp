// Any text, as an address-file line, as a hardware and an IPv4 address, and as a whole address
// file, must parse without reading or writing outside its buffers, and what it gives back must
// be well formed: names within their limit and free of delimiters, text forms that parse back
// to the same octets.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/netaddr.h"
#include "core/netaddr_ether.h"
#include "core/netaddr_ipv4.h"
#include "core/netaddr_tr.h"
#include "core/parse.h"

namespace {

std::string file_path;

void check_text_form(const nw::netaddr& addr) {
  char text[nw::NETADDR_TEXT_SIZE];
  if (nw::netaddr_to_text(addr, text) != 1) __builtin_trap();
  const std::string made = nw::netaddr_to_text_new(addr);
  if (made != text) __builtin_trap();
  const bool hardware = addr.type->length == nw::NETADDR_HW_LENGTH;
  if (hardware ? made.size() != 17 : made.size() < 7 || made.size() > 15) __builtin_trap();
  nw::netaddr again;
  nw::netaddr_init(again, addr.type->family);
  nw::netaddr_parse(again, made);
  if (nw::netaddr_compare(addr, again) != 0) __builtin_trap();
}

void check_name(const std::string& name) {
  if (name.empty() || name.size() > nw::ADDR_NAME_MAX) __builtin_trap();
  if (name.find_first_of(std::string(": \t\n") + '\0') != std::string::npos) __builtin_trap();
}

void parse_as_addresses(std::string_view text) {
  for (std::uint32_t family : {nw::NETADDR_ETHER, nw::NETADDR_IPV4, nw::NETADDR_TR}) {
    nw::netaddr addr;
    nw::netaddr_init(addr, family);
    nw::netaddr_parse(addr, text);
    check_text_form(addr);
  }
  nw::netaddr addr;
  nw::netaddr_init(addr, nw::NETADDR_ETHER);
  std::string name;
  if (nw::addr_line_parse(text, addr, name) == 0) {
    check_name(name);
    check_text_form(addr);
  }
}

void load_as_file(std::string_view text) {
  std::FILE* file = std::fopen(file_path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size()) std::abort();
  std::fclose(file);
  const auto table = nw::addr_file_load(file_path);
  table->foreach ([](const nw::netaddr& key, const std::string& name) {
    check_name(name);
    check_text_form(key);
  });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  nw::netaddr_registry_init();
  if (nw::netaddr_ether_register() + nw::netaddr_ipv4_register() + nw::netaddr_tr_register() != 3) std::abort();
  file_path = "/tmp/netaddr_fuzz." + std::to_string(getpid());
  std::atexit([] { std::remove(file_path.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A view of exactly the input's heap block: AddressSanitizer catches any read past it.
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  parse_as_addresses(text);
  load_as_file(text);
  return 0;
}
