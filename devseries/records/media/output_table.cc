#include "devseries/records/media/output_table.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "devseries/records/media/output_table_internal.h"
#include "devseries/xmlio/base64.h"
#include "devseries/xmlio/read_report.h"

namespace devseries {

namespace {

// Distance between neighbouring sample positions: 4095 / 255.
constexpr double kSampleStep = 16.058823529411764;
// Full scale of the spline's coordinates.
constexpr double kSplineScale = 65535.0;

// Sample positions, computed once as the same running sum the writer and
// the reader use, so both agree to the last bit.
const std::array<size_t, kOutputTableSampleCount>& SamplePositions() {
  static const auto positions = [] {
    std::array<size_t, kOutputTableSampleCount> result{};
    double x = 0.0;
    for (size_t& position : result) {
      // Held within the table whatever the rounding of the running sum.
      position = std::min(static_cast<size_t>(x + 0.5), kOutputTableSize - 1);
      x += kSampleStep;
    }
    return result;
  }();
  return positions;
}

// The spline's x of sample j: j / 256 (not / 255) of full scale, as the
// tables in circulation were made.
double PointX(size_t j) {
  return static_cast<double>(j) * 0.00390625 * kSplineScale;
}

// The spline's x at which entry k is evaluated, before it is held within
// the first and last point.
double LevelX(size_t k) {
  return std::trunc(static_cast<double>(k) * kSplineScale / 4095.0);
}

// A natural cubic spline through points with increasing x: the second
// derivative is zero at the first and the last point.
class NaturalCubicSpline {
 public:
  explicit NaturalCubicSpline(std::vector<std::pair<double, double>> points)
      : points_(std::move(points)), second_(points_.size(), 0.0) {
    const size_t n = points_.size();
    if (n < 3) return;
    // Tridiagonal system for the inner second derivatives, solved by
    // forward elimination and back substitution.
    std::vector<double> diagonal(n, 0.0);
    std::vector<double> rhs(n, 0.0);
    for (size_t i = 1; i + 1 < n; ++i) {
      const double hPrev = Width(i - 1);
      const double h = Width(i);
      diagonal[i] = 2.0 * (hPrev + h);
      rhs[i] = 6.0 * ((Y(i + 1) - Y(i)) / h - (Y(i) - Y(i - 1)) / hPrev);
      if (i > 1) {
        const double factor = hPrev / diagonal[i - 1];
        diagonal[i] -= factor * hPrev;
        rhs[i] -= factor * rhs[i - 1];
      }
    }
    for (size_t i = n - 2; i >= 1; --i) {
      second_[i] = (rhs[i] - Width(i) * second_[i + 1]) / diagonal[i];
    }
  }

  double FirstX() const { return points_.front().first; }
  double LastX() const { return points_.back().first; }

  // Evaluates the spline at points t that do not decrease from one call to
  // the next, each within the first and last point, walking the intervals
  // forward instead of searching for each one.
  class Walk {
   public:
    explicit Walk(const NaturalCubicSpline& spline) : spline_(spline) {}

    double At(double t) {
      // The first point whose x is not below t ends the interval (t at the
      // first point uses the first interval); the points passed for an
      // earlier t lie below this one too.
      const auto& points = spline_.points_;
      while (next_ < points.size() && points[next_].first < t) ++next_;
      const size_t i = std::clamp<size_t>(next_, 1, points.size() - 1) - 1;
      if (i != interval_) Enter(i);
      const double dx = t - points[i].first;
      return spline_.Y(i) + dx * (slope_ + dx * (curve_ + dx * cubic_));
    }

   private:
    // The coefficients of interval `i`, computed once for all its points.
    void Enter(size_t i) {
      const std::vector<double>& second = spline_.second_;
      const double h = spline_.Width(i);
      slope_ = (spline_.Y(i + 1) - spline_.Y(i)) / h -
               h * (2.0 * second[i] + second[i + 1]) / 6.0;
      curve_ = second[i] / 2.0;
      cubic_ = (second[i + 1] - second[i]) / (6.0 * h);
      interval_ = i;
    }

    const NaturalCubicSpline& spline_;
    size_t next_ = 0;
    size_t interval_ = SIZE_MAX;
    double slope_ = 0, curve_ = 0, cubic_ = 0;
  };

 private:
  double Width(size_t i) const {
    return points_[i + 1].first - points_[i].first;
  }
  double Y(size_t i) const { return points_[i].second; }

  std::vector<std::pair<double, double>> points_;
  std::vector<double> second_;
};

}  // namespace

size_t OutputTableSamplePosition(size_t index) {
  return SamplePositions().at(index);
}

OutputTableSamples TakeOutputTableSamples(const OutputTable& table) {
  OutputTableSamples samples{};
  for (size_t i = 0; i < kOutputTableSampleCount; ++i) {
    samples[i] = table[SamplePositions()[i]];
  }
  return samples;
}

void BuildOutputTable(const OutputTableSamples& samples, OutputTable& table) {
  std::vector<std::pair<double, double>> points;
  points.reserve(kOutputTableSampleCount);
  for (size_t j = 0; j < kOutputTableSampleCount; ++j) {
    // y = sample / 4096 (not / 4095), as the tables in circulation were
    // made.
    const double y = static_cast<double>(samples[j]) * 0.000244140625;
    points.emplace_back(PointX(j), y * kSplineScale);
  }
  const NaturalCubicSpline spline(std::move(points));

  const double first = std::trunc(spline.FirstX());
  const double last = std::trunc(spline.LastX());
  // t does not decrease with k.
  NaturalCubicSpline::Walk walk(spline);
  for (size_t k = 0; k < kOutputTableSize; ++k) {
    const double t = std::clamp(LevelX(k), first, last);
    const double value = walk.At(t);
    std::uint32_t level;
    if (value >= kSplineScale) {
      level = 65535;
    } else if (value < 0.0 || std::isnan(value)) {
      level = 0;
    } else {
      level = static_cast<std::uint32_t>(value);
    }
    table[k] = static_cast<std::uint16_t>(level >> 4);
  }

  for (size_t j = 0; j < kOutputTableSampleCount; ++j) {
    table[SamplePositions()[j]] = samples[j];
  }
}

ExpandedFall FindExpandedFall(const OutputTableSamples& samples) {
  OutputTable table{};
  BuildOutputTable(samples, table);
  std::array<bool, kOutputTableSize> holdsSample{};
  for (size_t position : SamplePositions()) holdsSample[position] = true;
  // Whether samples `from` to `to` do not fall.
  auto rise = [&](size_t from, size_t to) {
    for (size_t j = from; j < to; ++j) {
      if (samples[j + 1] < samples[j]) return false;
    }
    return true;
  };

  const double last = std::trunc(PointX(kOutputTableSampleCount - 1));
  ExpandedFall fall;
  // The spline interval (between samples j and j + 1) entry k is evaluated
  // in, as BuildOutputTable's walk picks it: the first whose end is not
  // below the entry's x.
  size_t interval = 0;
  // The last entry looked at, and its interval.
  size_t previous = kOutputTableSize;
  size_t previousInterval = 0;
  for (size_t k = 0; k < kOutputTableSize; ++k) {
    const double t = std::min(LevelX(k), last);
    while (interval + 2 < kOutputTableSampleCount && PointX(interval + 1) < t) {
      ++interval;
    }
    if (holdsSample[k]) continue;
    // A fall of one level is the expansion's own: it scales sample s to a
    // hair under 16 s and truncates, so a spline that wavers by a hair
    // about a flat stretch reads a level lower or higher.
    if (previous != kOutputTableSize && rise(previousInterval, interval + 1) &&
        table[k] + 1 < table[previous]) {
      const unsigned drop = table[previous] - table[k];
      ++fall.levels;
      if (drop > fall.drop) {
        fall.drop = drop;
        fall.level = k;
      }
    }
    previous = k;
    previousInterval = interval;
  }
  return fall;
}

std::string EncodeOutputTableText(const OutputTable& table) {
  const OutputTableSamples samples = TakeOutputTableSamples(table);
  std::array<unsigned char, kOutputTableTextBytes> bytes{};
  for (size_t i = 0; i < kOutputTableSampleCount; ++i) {
    bytes[2 * i] = static_cast<unsigned char>(samples[i] >> 8);
    bytes[2 * i + 1] = static_cast<unsigned char>(samples[i] & 0xFF);
  }
  return CBase64::Encode(bytes.data(), bytes.size());
}

bool DecodeOutputTableText(std::string_view text, OutputTable& table) {
  return DecodeOutputTableText(text, table, nullptr);
}

bool DecodeOutputTableText(std::string_view text, OutputTable& table,
                           DomNode element) {
  if (!element) return DecodeOutputTableText(text, table);
  return DecodeOutputTableText(
      text, table, [&](std::string what) { NoteCoercion(element, what); });
}

bool DecodeOutputTableText(std::string_view text, OutputTable& table,
                           const std::function<void(std::string)>& note) {
  std::vector<unsigned char> bytes;
  CBase64::Problem problem;
  if (!CBase64::Decode(text, bytes, &problem)) {
    if (note) {
      note("the output table is not Base64 (" + problem.what +
           ", at character " + std::to_string(problem.offset + 1) +
           "); the table is left as it was");
    }
    return false;
  }
  if (bytes.size() < kOutputTableTextBytes) {
    if (note) {
      note("the output table text decodes to " + std::to_string(bytes.size()) +
           " bytes, not the 512 of 256 samples; the table is left as it was");
    }
    return false;
  }
  if (bytes.size() > kOutputTableTextBytes && note) {
    note("the output table text decodes to " + std::to_string(bytes.size()) +
         " bytes; read the first 512 (256 samples)");
  }
  OutputTableSamples samples{};
  for (size_t i = 0; i < kOutputTableSampleCount; ++i) {
    samples[i] =
        static_cast<std::uint16_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
  }
  BuildOutputTable(samples, table);
  return true;
}

}  // namespace devseries
