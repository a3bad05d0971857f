// The manufacturer table: short maker names made from the organization names of the IEEE MA-L
// registry, one line per three-octet prefix.
//
// The address-file reader ends a name at the first blank or colon and the windows have room for
// about twenty characters, so registered names like "Taiwan Semiconductor Manufacturing Co.,
// Ltd." have to become something like "Taiwan-Semiconductor" without losing what tells one
// maker from another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace nw::manf {

inline constexpr std::size_t MAX_NAME_LENGTH = 20;

// One MA-L assignment as registered.
struct assignment {
  std::uint32_t prefix = 0;  // the first three octets, most significant first
  std::string organization;  // UTF-8, as the registry spells it
};

// The short name of a registered organization: ASCII letters, digits and a little punctuation,
// at most MAX_NAME_LENGTH characters, never a blank or a colon. Legal forms ("Co., Ltd.",
// "GmbH & Co. KG"), bracketed remarks and trailing generic words ("Systems", "Technology") are
// dropped, whole words are joined with '-' while they fit, and names registered all in capitals
// are put in readable case. Empty when the organization name holds nothing usable.
[[nodiscard]] std::string maker_name(std::string_view organization);

// The MA-L rows of the registry's CSV form (Registry,Assignment,Organization Name,Organization
// Address, with quoted fields that may span lines), in file order. Rows of other registries and
// rows whose assignment is not six hexadecimal digits are skipped.
[[nodiscard]] std::vector<assignment> read_registry_csv(std::istream& in);

// "AA:BB:CC:00:00:00 Name" lines sorted by prefix. The first registration of a prefix wins
// (the registry lists a handful twice); entries without a usable name are left out.
[[nodiscard]] std::vector<std::string> manf_lines(const std::vector<assignment>& assignments);

}  // namespace nw::manf
