// What the expansion of an output table's samples makes of them, for the
// checks of a series.
#pragma once

#include <cstddef>

#include "devseries/records/media/output_table.h"

namespace devseries {

// Where the table BuildOutputTable expands from samples falls although the
// samples it is interpolated between do not: the spline overshooting a
// bend. A level falls when it is more than one output level below the
// level before it. The levels that hold a sample unchanged are left out
// (the level after one is compared with the level before it): the
// spline's points lie at j / 256 of the table, the samples at j / 255, so
// next to a sample of a rising curve the spline is already a little ahead
// of it, and the curve steps back onto every sample whatever the samples
// are.
struct ExpandedFall {
  // How many levels fall; 0: none.
  size_t levels = 0;
  // The input level where the curve falls most (the first such), and by
  // how many output levels.
  size_t level = 0;
  unsigned drop = 0;
};
ExpandedFall FindExpandedFall(const OutputTableSamples& samples);

}  // namespace devseries
