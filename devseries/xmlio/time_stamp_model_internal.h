// The time stamp's field model: the children of its element, which the
// time-stamp codec reads and writes.
#pragma once

#include "devseries/xmlio/field_model_internal.h"
#include "devseries/xmlio/time_stamp.h"

namespace devseries::field_model {

template <>
struct Model<TimeStamp> {
  using R = TimeStamp;
  static constexpr std::string_view kElement = "TimeStamp";
  static constexpr auto kFields = std::tuple{
      At("year", &R::year, {"year"}),
      At("month", &R::month, {"month"}),
      At("day", &R::day, {"day of the month"}),
      At("hour", &R::hour, {"hour"}),
      At("minute", &R::minute, {"minute"}),
      At("second", &R::second, {"second"}),
      At("ms", &R::ms, {"millisecond"}),
  };
};
static_assert(CoversEveryMember<TimeStamp>(),
              "every member of TimeStamp has a row in its model");

}  // namespace devseries::field_model
