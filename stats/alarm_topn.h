// The top-alarms ranking: alarms by times triggered, shown by their message.
#pragma once

#include <cstdint>
#include <string>

#include "stats/topn.h"

namespace nw {

// One entry of the hits list per activation; an alarm that never fired ranks at 0.
template <typename Alarm>
std::uint64_t alarm_topn_value(const Alarm& alarm) {
  return static_cast<std::uint64_t>(alarm.hits.size());
}

template <typename Alarm>
std::string alarm_topn_label(const Alarm& alarm) {
  return alarm.message;
}

template <typename Alarm>
inline constexpr topn_callbacks<Alarm> alarm_topn_callbacks{
    topn_compare_by<Alarm, alarm_topn_value<Alarm>>,
    topn_field_index<Alarm, &Alarm::rank_index>,
    topn_field_set_index<Alarm, &Alarm::rank_index>,
    alarm_topn_label<Alarm>,
    alarm_topn_value<Alarm>,
};

template <typename Alarm>
[[nodiscard]] topn<Alarm> alarm_topn_create() {
  return topn_create(&alarm_topn_callbacks<Alarm>);
}

}  // namespace nw
