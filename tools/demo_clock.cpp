// Days since 1970 to a Gregorian date, after H. Hinnant's civil_from_days, for dates after 1970.
#include "tools/demo_clock.h"

namespace nw::demo {

civil_time civil_from_us(std::uint64_t time_us) {
  const std::uint64_t seconds = time_us / SECOND;
  const std::uint64_t days = seconds / 86400;
  const std::uint64_t of_day = seconds % 86400;
  const std::uint64_t z = days + 719468;  // days since 0000-03-01
  const std::uint64_t era = z / 146097;
  const std::uint64_t doe = z - era * 146097;
  const std::uint64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::uint64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::uint64_t mp = (5 * doy + 2) / 153;  // months since March
  const std::uint64_t month = mp < 10 ? mp + 3 : mp - 9;
  civil_time t{};
  t.year = static_cast<unsigned>(era * 400 + yoe + (month <= 2 ? 1 : 0));
  t.month = static_cast<unsigned>(month);
  t.day = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
  t.hour = static_cast<unsigned>(of_day / 3600);
  t.minute = static_cast<unsigned>(of_day / 60 % 60);
  t.second = static_cast<unsigned>(of_day % 60);
  t.weekday = static_cast<unsigned>((days + 4) % 7);  // 1970-01-01 was a Thursday
  return t;
}

}  // namespace nw::demo
