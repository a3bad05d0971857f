// The ethers row: its fields and tags, and the rules that turn a row into a name record and back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/parse.h"
#include "namedb/cb_ether.h"
#include "xbase/xbase.h"

namespace nw {

// Field numbers of the open table, taken once after it opens.
struct ethers_handles {
  int mac = -1;
  int local_name = -1;
  int ip_addr = -1;
  int ip_name = -1;
  int ip_resolve = -1;
};

[[nodiscard]] const std::vector<dbf_field>& ethers_row_fields();
[[nodiscard]] const std::vector<xbase_tag_spec>& ethers_row_tags();
inline constexpr const char* ETHERS_MAC_TAG = "MAC_ADDR_TAG";
inline constexpr const char* ETHERS_NAME_TAG = "LOCAL_NAME_TAG";

// 1 when the table has the five fields, character type and the widths of our layout; 0 when
// it is some other table.
[[nodiscard]] int ethers_row_bind(const dbf_table& table, ethers_handles& handles);

// The current row as a record whose hardware address takes hw's family (Ethernet when hw is
// unset). listing: a row with resolve 0 still reports its stored IP name.
[[nodiscard]] name_record ethers_row_read(const xbase_table& table, const ethers_handles& h, const netaddr& hw,
                                          bool listing);

// Fills the row buffer of a new station; returns the local name the row was given (a group
// address takes the multicast name), or none.
[[nodiscard]] std::optional<std::string> ethers_row_fill_new(xbase_table& table, const ethers_handles& h,
                                                             const name_record& record,
                                                             const addr_name_table* multicast);
// Changes the current row as the record says: a missing local name leaves the stored one.
void ethers_row_fill_update(xbase_table& table, const ethers_handles& h, const name_record& record);

// True for a group address (first octet odd) or a Token Ring functional address (C0:00:...).
[[nodiscard]] bool ethers_row_is_group(const netaddr& hw);
// The multicast table's name for a group address, or "Multicast".
[[nodiscard]] std::string ethers_row_group_name(const netaddr& hw, const addr_name_table* multicast);
// A text as stored: cut to the field, with its NUL when there is room for it.
[[nodiscard]] std::vector<std::uint8_t> ethers_row_text(std::string_view text);

}  // namespace nw
