// Token Ring MAC frames: the ring events they announce, as lines of the network event list,
// and the label colours they leave on the hosts involved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/settings_store.h"

namespace nw {

struct net;
struct node;

// One switch per event kind; a switched-off kind still changes label colours.
inline constexpr std::size_t TRMAC_FLAGS = 16;

// One MAC frame from its access-control octet on, sent by src to dst: the event's text goes to
// the event list with the wall-clock time, and beacons, monitor announcements and resets
// colour the labels. A frame too short to hold the major vector identifier gives nothing.
// Capture thread; the caller holds the model lock.
void trmac_frame(net& network, node& src, node& dst, std::span<const std::uint8_t> frame);

// The first subvector (length octet, identifier, value) with `identifier` among those of
// `vector`, a major vector from its length octets on; the vector ends at its length field or at
// the span's end, whichever is first. Empty when there is none, and when a subvector shorter
// than its own two header octets or one running past the vector's end comes first.
[[nodiscard]] std::span<const std::uint8_t> trmac_find_subvector(std::span<const std::uint8_t> vector,
                                                                 std::uint8_t identifier);

// The switches in stored order, which is also that of the preferences page's check boxes. Read
// by the capture thread, set by the window thread; no lock. An index past the last reads false,
// is ignored when set and has no check box text (nullptr).
[[nodiscard]] bool trmac_flag(std::size_t flag);
void trmac_set_flag(std::size_t flag, bool on);
[[nodiscard]] const char* trmac_flag_text(std::size_t flag);

// "trmac defaults": 64 raw bytes, the switches as little-endian 32-bit words (non-zero is on).
// When the value is missing or malformed every switch is on and the value is written at once.
void trmac_load_defaults(settings_store& store);
void trmac_save_defaults(settings_store& store);

}  // namespace nw
