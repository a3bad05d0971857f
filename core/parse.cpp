// Reading the address-name files: hardware address, then a name, one entry per line.
#include "core/parse.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/netaddr_ether.h"

namespace nw {
namespace {

constexpr std::string_view NAME_DELIMITERS = ": \t\n";

struct file_close {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using file_ptr = std::unique_ptr<std::FILE, file_close>;

// The next piece as fgets in text mode gives it: up to and including a newline, at most
// ADDR_LINE_MAX characters, CR LF read as LF so that files written on any system read alike.
// False at the end of the file.
bool read_piece(std::FILE* file, std::string& piece) {
  piece.clear();
  int c = 0;
  while (piece.size() < ADDR_LINE_MAX && (c = std::getc(file)) != EOF) {
    if (c == '\r') {
      const int next = std::getc(file);
      if (next == '\n') {
        c = '\n';
      } else if (next != EOF) {
        std::ungetc(next, file);
      }
    }
    piece.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return !piece.empty();
}

bool is_c_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Blank lines and comments: the first character after the leading white space is '#' or none.
bool is_skipped(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && is_c_space(line[i])) ++i;
  return i == line.size() || line[i] == '#';
}

}  // namespace

int addr_line_parse(std::string_view line, netaddr& addr, std::string& name) {
  line = line.substr(0, line.find('\0'));
  std::array<std::uint8_t, NETADDR_HW_LENGTH> octets{};
  const std::size_t rest = netaddr_ether_scan(line, octets.data());
  if (rest == std::string_view::npos) return -1;
  const std::size_t start = line.find_first_not_of(NAME_DELIMITERS, rest);
  if (start == std::string_view::npos) return -1;
  const std::size_t end = line.find_first_of(NAME_DELIMITERS, start);
  const std::size_t length = (end == std::string_view::npos ? line.size() : end) - start;
  std::copy(octets.begin(), octets.end(), netaddr_bytes(addr));
  name.assign(line.substr(start, std::min(length, ADDR_NAME_MAX)));
  return 0;
}

std::unique_ptr<addr_name_table> addr_file_load(const std::string& path) {
  auto table = std::make_unique<addr_name_table>(netaddr_functions);
  netaddr addr;
  netaddr_init(addr, NETADDR_ETHER);
  // Keys without a family would hash to 0 and never compare equal: better no table at all.
  if (addr.type == nullptr) return table;
  const file_ptr file(std::fopen(path.c_str(), "rb"));
  if (!file) return table;
  std::string line;
  line.reserve(ADDR_LINE_MAX);
  std::string name;
  while (read_piece(file.get(), line)) {
    if (is_skipped(line)) continue;
    if (addr_line_parse(line, addr, name) == 0) ht_insert_copy(*table, addr, name);
  }
  return table;
}

}  // namespace nw
