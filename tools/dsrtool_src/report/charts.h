// The pieces the report's SVG charts are drawn with: plot areas, the
// scaling of values to pixels, text, paths, frames and legends.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "tools/dsrtool_src/report/report_page.h"

namespace dsrtool {

// A rectangle of a chart in pixels.
struct Plot {
  long left;
  long top;
  long width;
  long height;
  long right() const { return left + width; }
  long bottom() const { return top + height; }
};

// The number of line colours the page's style sheet defines (classes c0 to
// c9), taken in turn.
inline constexpr size_t kColourCount = 10;

std::string Int(long value);

// "ln c3": the class of a chart element of kind `kind` ("ln" a line, "dt"
// dots) in the k-th colour.
std::string ColourClass(const char* kind, size_t k);

// A pixel position for `value` on an axis from `low` (at pixel `from`) to
// `high` (at pixel `to`), held within the axis.
long Scale(double value, double low, double high, long from, long to);

void SvgText(HtmlWriter& html, long x, long y, std::string_view text,
             const char* anchor = nullptr);
void SvgPath(HtmlWriter& html, std::string_view classes, std::string_view d);
void SvgFrame(HtmlWriter& html, const Plot& plot);

// Opens an <svg> of the given size, described by `label` for readers that
// do not see it.
void OpenSvg(HtmlWriter& html, long width, long height, std::string_view label);

// Places the shared drawing `id` (defined once in the page) in a chart.
void Use(HtmlWriter& html, const char* id);

// One legend entry: a short line of colour `k` and its label.
void LegendEntry(HtmlWriter& html, size_t k, long x, long y,
                 std::string_view label);

}  // namespace dsrtool
