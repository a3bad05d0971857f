// Alarm records: a new one, and the editor's copies.
#include "alarm/alarm_def.h"

#include "pdl/pd_model.h"

namespace nw {

std::unique_ptr<alarm_def> alarm_new() { return std::make_unique<alarm_def>(); }

std::unique_ptr<alarm_def> alarm_copy(const alarm_def& alarm) {
  auto copy = std::make_unique<alarm_def>(alarm);
  copy->rank_index = -1;
  copy->retired = false;
  return copy;
}

alarm_list alarm_list_copy(const alarm_list& list) {
  alarm_list copies;
  copies.reserve(list.size());
  for (const auto& alarm : list) copies.push_back(alarm_copy(*alarm));
  return copies;
}

void alarm_set_protocol_node(alarm_def& alarm, protocol_node* node) {
  alarm.proto_node = node;
  alarm.protocol = node != nullptr ? node->def : nullptr;
  alarm.proto_seen = 0;
}

}  // namespace nw
