// Token Ring MAC frames (IEEE 802.5): the major vector's identifier picks an event row; the row
// says what text the event gives and which label colours it leaves.
#include "capture/trmac.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/netaddr.h"
#include "core/netaddr_ether.h"
#include "model/net.h"
#include "model/node.h"
#include "output/event_list.h"

namespace nw {
namespace {

// Frame layout: access control, frame control, destination (2-7), source (8-13), then the
// routing information when the source address's top bit (the routing information indicator) is
// set, its length in the low five bits of its first octet. The MAC information field follows.
constexpr std::size_t SOURCE_OFFSET = 8;
constexpr std::uint8_t ROUTING_PRESENT = 0x80;
constexpr std::size_t ROUTING_OFFSET = 14;
constexpr std::uint8_t ROUTING_LENGTH_MASK = 0x1F;

// Major vector: length (2, most significant first), class, identifier, subvectors. Subvector:
// length (counting its header), identifier, value.
constexpr std::size_t VECTOR_ID_OFFSET = 3;
constexpr std::size_t VECTOR_HEADER = 4;
constexpr std::size_t SUBVECTOR_HEADER = 2;

constexpr std::uint8_t SV_BEACON_TYPE = 0x23;  // also the value of a request initialisation
constexpr std::uint8_t SV_UPSTREAM_ADDRESS = 0x0A;
constexpr std::uint8_t SV_ERROR_CODE = 0x30;
constexpr std::uint8_t SV_ISOLATING_COUNTS = 0x2D;
constexpr std::uint8_t SV_NON_ISOLATING_COUNTS = 0x2E;

constexpr std::int32_t LABEL_RED = 1;
constexpr std::int32_t LABEL_GREEN = 2;
constexpr std::int32_t LABEL_YELLOW = 3;

const std::string VALUE_NAME = "trmac defaults";

// Long enough for two 79-character names or twelve counters and one name, and within the room
// an event line keeps, so that adding it allocates nothing.
constexpr std::size_t TEXT_SIZE = OUTPUT_LINE_RESERVE;

// The event's text, built on the stack: the frame path allocates nothing for it.
class text_out {
 public:
  void add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer_.data() + length_, buffer_.size() - length_, format, args);
    va_end(args);
    if (n > 0) length_ = std::min(length_ + static_cast<std::size_t>(n), buffer_.size() - 1);
  }
  void drop_last() {
    if (length_ > 0) buffer_[--length_] = '\0';
  }
  [[nodiscard]] bool empty() const { return length_ == 0; }
  [[nodiscard]] std::string_view view() const { return {buffer_.data(), length_}; }

 private:
  std::array<char, TEXT_SIZE> buffer_{};
  std::size_t length_ = 0;
};

std::optional<std::uint8_t> get_u8(std::span<const std::uint8_t> octets, std::size_t offset) {
  if (offset >= octets.size()) return std::nullopt;
  return octets[offset];
}

std::optional<std::uint16_t> get_be16(std::span<const std::uint8_t> octets, std::size_t offset) {
  if (octets.size() < 2 || offset > octets.size() - 2) return std::nullopt;
  return static_cast<std::uint16_t>(octets[offset] << 8 | octets[offset + 1]);
}

// The MAC information field to the frame's end; empty when the frame ends before it.
std::span<const std::uint8_t> mac_field(std::span<const std::uint8_t> frame) {
  const auto source = get_u8(frame, SOURCE_OFFSET);
  if (!source) return {};
  std::size_t start = ROUTING_OFFSET;
  if ((*source & ROUTING_PRESENT) != 0) {
    const auto routing = get_u8(frame, ROUTING_OFFSET);
    if (!routing) return {};
    start += static_cast<std::size_t>(*routing & ROUTING_LENGTH_MASK);
  }
  return start < frame.size() ? frame.subspan(start) : std::span<const std::uint8_t>{};
}

// A subvector's value when it is there with at least `needed` octets; otherwise empty, and the
// event reads as if the subvector were missing.
std::span<const std::uint8_t> value_of(std::span<const std::uint8_t> vector, std::uint8_t identifier,
                                       std::size_t needed) {
  const auto sub = trmac_find_subvector(vector, identifier);
  if (sub.size() < SUBVECTOR_HEADER + needed) return {};
  return sub.subspan(SUBVECTOR_HEADER);
}

struct code_name {
  std::uint16_t code;
  const char* name;
};

constexpr code_name BEACON_TYPES[] = {{1, "Reserved"}, {2, "Cont. J"}, {3, "Timer No Claim"}, {4, "Timer Claim"}};
constexpr code_name MONITOR_ERRORS[] = {{1, "Active Mon."}, {2, "Dup. AM"}, {3, "Dup. Addr"}};

const char* name_of(std::span<const code_name> table, std::uint16_t code) {
  for (const code_name& row : table)
    if (row.code == code) return row.name;
  return nullptr;
}

// The error counters of a report error, one octet each, in subvector order.
constexpr const char* ISOLATING_COUNTERS[] = {"line", "int", "burst", "A//C", "abort", "rsvd"};
constexpr const char* NON_ISOLATING_COUNTERS[] = {"lost", "conj", "copied", "freq", "token", "rsvd"};
constexpr std::size_t COUNTERS = std::size(ISOLATING_COUNTERS);

struct mac_frame {
  const node& src;
  const node& dst;
  std::span<const std::uint8_t> vector;
};

enum class named { source, destination };

struct event_row;
using describe_fn = void (*)(const mac_frame& frame, const event_row& row, text_out& out);

struct event_row {
  std::uint8_t vector_id;
  const char* check_box;
  describe_fn describe;
  const char* prefix = nullptr;  // a one-name text: "CL_TK" gives "CL_TK [name]"
  named who = named::source;
  std::int32_t source_state = 0;  // the source's label colour afterwards; 0 leaves it
  bool resets_labels = false;     // every label white afterwards
};

void one_name(const mac_frame& f, const event_row& row, text_out& out) {
  out.add("%s [%s]", row.prefix, node_best_label(row.who == named::source ? f.src : f.dst));
}

void beacon(const mac_frame& f, const event_row&, text_out& out) {
  const auto type = get_be16(value_of(f.vector, SV_BEACON_TYPE, 2), 0);
  if (!type) return out.add("BCN [%s]", node_best_label(f.src));
  const char* word = name_of(BEACON_TYPES, *type);
  out.add("BCN '%s' [%s]", word != nullptr ? word : "Undef", node_best_label(f.src));
}

void duplicate_address(const mac_frame& f, const event_row&, text_out& out) {
  out.add("DAT [%s:%s]", node_best_label(f.src), node_best_label(f.dst));
}

void request_init(const mac_frame& f, const event_row&, text_out& out) {
  const auto number = get_be16(value_of(f.vector, SV_BEACON_TYPE, 2), 0);
  if (!number) return out.add("RQ_INIT [%s]", node_best_label(f.src));
  out.add("RQ_INIT [%s:%u]", node_best_label(f.src), unsigned{*number});
}

void neighbour_incomplete(const mac_frame& f, const event_row&, text_out& out) {
  const auto value = value_of(f.vector, SV_UPSTREAM_ADDRESS, NETADDR_HW_LENGTH);
  if (value.empty()) return out.add("RNNI [NO LAST AMP]");
  netaddr upstream;
  netaddr_init(upstream, NETADDR_TR);
  std::copy_n(value.begin(), NETADDR_HW_LENGTH, netaddr_bytes(upstream));
  std::array<char, NETADDR_TEXT_SIZE> text{};
  (void)netaddr_to_text(upstream, text);
  out.add("RNNI [%s]", text.data());
}

void monitor_error(const mac_frame& f, const event_row&, text_out& out) {
  const auto code = get_be16(value_of(f.vector, SV_ERROR_CODE, 2), 0);
  if (!code) return out.add("ERR 'unknown' [%s]", node_best_label(f.src));
  if (const char* word = name_of(MONITOR_ERRORS, *code)) {
    out.add("ERR '%s' [%s]", word, node_best_label(f.src));
  } else {
    out.add("ERR 'Undef (0x%x)' [%s]", unsigned{*code}, node_best_label(f.src));
  }
}

void add_counters(std::span<const std::uint8_t> vector, std::uint8_t identifier,
                  const char* const (&names)[COUNTERS], text_out& out) {
  const auto counts = value_of(vector, identifier, COUNTERS);
  if (counts.empty()) return;
  for (std::size_t i = 0; i < COUNTERS; ++i)
    if (counts[i] != 0) out.add("%s(%u);", names[i], unsigned{counts[i]});
}

void report_error(const mac_frame& f, const event_row&, text_out& out) {
  text_out list;
  add_counters(f.vector, SV_ISOLATING_COUNTS, ISOLATING_COUNTERS, list);
  add_counters(f.vector, SV_NON_ISOLATING_COUNTS, NON_ISOLATING_COUNTERS, list);
  list.drop_last();  // the last item's ";"
  out.add("ERR '%s' [%s]", list.view().data(), node_best_label(f.src));
}

// In switch order.
constexpr event_row EVENTS[] = {
    {0x02, "Show Beacon", beacon, nullptr, named::source, LABEL_RED},
    {0x03, "Show Claim Token", one_name, "CL_TK"},
    {0x04, "Show Ring Purge", one_name, "PURGE", named::source, 0, true},
    {0x05, "Show Active Monitor Present", one_name, "AMP", named::source, LABEL_GREEN},
    {0x06, "Show Status Monitor Present", one_name, "SMP", named::source, LABEL_YELLOW},
    {0x07, "Show Duplicate Address Test", duplicate_address},
    {0x08, "Show Lobe Media Test", one_name, "LMT"},
    {0x0B, "Show Remove Ring Station", one_name, "REM", named::destination},
    {0x0C, "Show Change Parameters", one_name, "CHNG PARAMS", named::destination},
    {0x0D, "Show Initialise Ring Station", one_name, "INIT", named::destination},
    {0x25, "Show Report New Active Monitor", one_name, "NEW AM", named::source, 0, true},
    {0x26, "Show Report SUA Change", one_name, "SUA CHG", named::source, 0, true},
    {0x20, "Show Request Initialisation", request_init},
    {0x27, "Show Neig. Notify Incompete", neighbour_incomplete},
    {0x28, "Show Active Monitor Error", monitor_error},
    {0x29, "Show Report Error", report_error},
};
static_assert(std::size(EVENTS) == TRMAC_FLAGS);

// Set on the window thread, read on the capture thread.
struct event_switch {
  std::atomic<bool> on{true};
};
std::array<event_switch, TRMAC_FLAGS> switches;

// The switch (and row) of a vector identifier; TRMAC_FLAGS for one without a row.
std::size_t flag_of(std::uint8_t vector_id) {
  std::size_t flag = 0;
  while (flag < TRMAC_FLAGS && EVENTS[flag].vector_id != vector_id) ++flag;
  return flag;
}

}  // namespace

std::span<const std::uint8_t> trmac_find_subvector(std::span<const std::uint8_t> vector, std::uint8_t identifier) {
  const auto declared = get_be16(vector, 0);
  if (!declared) return {};
  const std::size_t end = std::min<std::size_t>(*declared, vector.size());
  for (std::size_t p = VECTOR_HEADER; p + SUBVECTOR_HEADER <= end;) {
    const std::size_t length = vector[p];
    // A length below the header's own two octets would stall the walk (0) or read the
    // identifier as the next length (1).
    if (length < SUBVECTOR_HEADER || length > end - p) return {};
    if (vector[p + 1] == identifier) return vector.subspan(p, length);
    p += length;
  }
  return {};
}

void trmac_frame(net& network, node& src, node& dst, std::span<const std::uint8_t> frame) {
  const auto when = static_cast<std::uint32_t>(std::time(nullptr));
  const auto vector = mac_field(frame);
  const auto vector_id = get_u8(vector, VECTOR_ID_OFFSET);
  if (!vector_id) return;

  text_out text;
  const std::size_t flag = flag_of(*vector_id);
  if (flag == TRMAC_FLAGS) {
    text.add("MAC Unknown");  // whatever the switches
  } else {
    const event_row& row = EVENTS[flag];
    if (trmac_flag(flag)) row.describe(mac_frame{src, dst, vector}, row, text);
    if (row.source_state != 0) node_set_label_state(src, row.source_state);
    if (row.resets_labels) net_reset_label_states(network);
  }
  if (!text.empty()) output_add_event(text.view(), when);
}

bool trmac_flag(std::size_t flag) {
  return flag < TRMAC_FLAGS && switches[flag].on.load(std::memory_order_relaxed);
}

void trmac_set_flag(std::size_t flag, bool on) {
  if (flag < TRMAC_FLAGS) switches[flag].on.store(on, std::memory_order_relaxed);
}

const char* trmac_flag_text(std::size_t flag) { return flag < TRMAC_FLAGS ? EVENTS[flag].check_box : nullptr; }

void trmac_load_defaults(settings_store& store) {
  const auto block = store.read_binary(VALUE_NAME);
  const auto words = block ? settings_unpack_words(*block, TRMAC_FLAGS) : std::nullopt;
  for (std::size_t i = 0; i < TRMAC_FLAGS; ++i) trmac_set_flag(i, !words || (*words)[i] != 0);
  if (!words) trmac_save_defaults(store);
}

void trmac_save_defaults(settings_store& store) {
  std::vector<std::uint32_t> words(TRMAC_FLAGS);
  for (std::size_t i = 0; i < TRMAC_FLAGS; ++i) words[i] = trmac_flag(i) ? 1 : 0;
  store.write_binary(VALUE_NAME, settings_pack_words(words));
}

}  // namespace nw
