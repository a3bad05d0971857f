// One alarm definition: what it watches, when it fires, what it does, and how often it fired.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostc/hostc.h"

namespace nw {

struct node;
struct link;
struct net;
struct protocol_def;
struct protocol_node;

inline constexpr std::int32_t ALARM_SUBJECT_NONE = 0;
inline constexpr std::int32_t ALARM_HOST = 1;
inline constexpr std::int32_t ALARM_LINK = 2;
inline constexpr std::int32_t ALARM_PROTOCOL = 3;
inline constexpr std::int32_t ALARM_NETWORK = 4;

inline constexpr std::int32_t ALARM_OCCURRENCE = 0;
inline constexpr std::int32_t ALARM_THRESHOLD = 1;

inline constexpr std::int32_t ALARM_HIGH = 0;  // fires at or above the value
inline constexpr std::int32_t ALARM_LOW = 1;   // fires below the value

inline constexpr std::int32_t ALARM_PACKETS = 0;
inline constexpr std::int32_t ALARM_KBYTES = 1;
inline constexpr std::int32_t ALARM_BANDWIDTH = 2;

inline constexpr std::int32_t ALARM_ON = 0;
inline constexpr std::int32_t ALARM_OFF = 1;

// One firing as the alarm thread recorded it: calendar time in seconds.
struct alarm_hit {
  std::uint32_t time = 0;
};

// The times an alarm fired. A copy shares the list with its original, so that hits recorded
// while the editor works on copies are still there after its commit. Appended and read under
// the alarm mutex (alarm_mutex).
class alarm_hits {
 public:
  [[nodiscard]] std::size_t size() const { return list_->size(); }
  void push_back(alarm_hit hit) { list_->push_back(hit); }
  [[nodiscard]] std::vector<alarm_hit>::const_iterator begin() const { return list_->begin(); }
  [[nodiscard]] std::vector<alarm_hit>::const_iterator end() const { return list_->end(); }

 private:
  std::shared_ptr<std::vector<alarm_hit>> list_ = std::make_shared<std::vector<alarm_hit>>();
};

// Host references are shared between an alarm, its copies and the host-name cache's pending
// request, which writes the entry into them when it is resolved (see alarm_ref.h); the alarm
// may be gone by then.
using alarm_host = std::shared_ptr<host_ref>;

struct alarm_def {
  std::int32_t subject = ALARM_SUBJECT_NONE;
  std::int32_t type = ALARM_OCCURRENCE;
  alarm_host host_a;  // a network occurrence alarm's reference sits in both slots
  alarm_host host_b;
  // Bound by alarm_bind in the network model; hosts and links are never freed.
  node* node_a = nullptr;
  node* node_b = nullptr;
  link* lnk = nullptr;
  net* network = nullptr;  // where the editor made it; none when read from the file
  const protocol_def* protocol = nullptr;
  // The node watched: set by the editor, else bound to the protocol's first node under the
  // adapter's media node. proto_seen is its frame counter at the previous check.
  protocol_node* proto_node = nullptr;
  double proto_seen = 0;
  std::uint32_t value = 0;
  std::int32_t direction = ALARM_LOW;
  std::int32_t unit = ALARM_KBYTES;
  std::string message;
  std::int32_t state = ALARM_OFF;
  std::string sound;  // empty: none
  std::int32_t sound_enabled = 0;
  std::string program;  // empty: none
  std::int32_t program_enabled = 0;
  alarm_hits hits;
  std::int32_t rank_index = -1;
  // Replaced by a commit of the editor. Kept (not freed) until alarm_init, as events queued
  // for it and the alarm thread may still refer to it; never offered to a ranking again.
  bool retired = false;
};

// Alarms in file order; the list owns them.
using alarm_list = std::vector<std::unique_ptr<alarm_def>>;

// A record as a new alarm starts: no subject, occurrence, low, 0, kilobytes, off, no texts.
[[nodiscard]] std::unique_ptr<alarm_def> alarm_new();

// The editor's copy: every field, texts duplicated; hits and host references shared; not ranked.
[[nodiscard]] std::unique_ptr<alarm_def> alarm_copy(const alarm_def& alarm);
[[nodiscard]] alarm_list alarm_list_copy(const alarm_list& list);

// Makes the alarm watch `node` (nullptr: none), its protocol being the node's. Its first check
// then looks at every frame the node counted so far, as for an alarm read from the file.
void alarm_set_protocol_node(alarm_def& alarm, protocol_node* node);

}  // namespace nw
