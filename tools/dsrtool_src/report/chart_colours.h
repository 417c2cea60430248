// The colours of the report's chart lines: a separation channel's line in
// its ink's own colour, any other line in a colour of a fixed palette, and
// no two lines of one chart alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devseries/device_series.h"
#include "tools/dsrtool_src/report/series_view.h"

namespace dsrtool {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

// "#3a7fc0".
std::string HexColour(const Rgb& colour);

// The distance of two colours as people see it: the CIE 1976 colour
// difference (ΔE*ab) of their CIELAB values, sRGB colours under D65.
double ColourDifference(const Rgb& a, const Rgb& b);

// Two lines whose colours differ by less than this look alike on a chart
// (thin lines on white: black and a grey of 40 are 16 apart, a cyan and
// its light cyan 21), and a line that differs this little from the white
// page hardly shows.
inline constexpr double kAlike = 25;

// The palette of lines that stand for no ink, in the order they are taken:
// ten colours that differ clearly from each other and from white.
const std::vector<Rgb>& LinePalette();

// The colour of the k-th line of a chart whose lines stand for no ink.
std::string PaletteColour(size_t k);

// The colours of a chart's lines, "#rrggbb" each, from the colours each
// line may take (`wanted`, in order of preference; none for a line without
// a colour of its own). A line takes the first of its colours that looks
// alike (kAlike) neither to the page nor to a colour taken by a line before
// it; a line left without one gets the first colour of LinePalette() that
// looks like no line's colour and not like the page (all of them alike:
// the palette's colours in turn).
std::vector<std::string> LineColours(
    const std::vector<std::vector<Rgb>>& wanted);

// The colours the line of the ink with index `inkIndex` may take: its dark
// display colour, which shows best on the white page, then its light one;
// none when the index is below 0, the series has no such ink, or both its
// colours are black (what the reader gives an ink without colours).
std::vector<Rgb> InkColours(const SeriesView& view, std::int32_t inkIndex);

// The colours of the first `count` channels of `separation` (null: of no
// separation), each channel's line in its ink's colour: what the
// separation's curves and the calibration of its channels are drawn with.
std::vector<std::string> ChannelColours(
    const SeriesView& view, const devseries::SeparationInfo* separation,
    size_t count);

}  // namespace dsrtool
