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

std::string Int(long value);

// A pixel position for `value` on an axis from `low` (at pixel `from`) to
// `high` (at pixel `to`), held within the axis.
long Scale(double value, double low, double high, long from, long to);

void SvgText(HtmlWriter& html, long x, long y, std::string_view text,
             const char* anchor = nullptr);
void SvgPath(HtmlWriter& html, std::string_view classes, std::string_view d);
void SvgFrame(HtmlWriter& html, const Plot& plot);

// A line or marks of a chart: a path of the page's class `kind` ("ln" a
// line, "dt" dots, "sm" the marks of samples) stroked in `colour`
// ("#rrggbb").
void SvgStroke(HtmlWriter& html, std::string_view kind, std::string_view colour,
               std::string_view d);

// Opens an <svg> of the given size, described by `label` for readers that
// do not see it.
void OpenSvg(HtmlWriter& html, long width, long height, std::string_view label);

// Places the shared drawing `id` (defined once in the page) in a chart.
void Use(HtmlWriter& html, const char* id);

// One legend entry: a short line of class `kind` ("ln", or "ln b" for the
// dashed line of a second file) in `colour`, and its label.
void LegendEntry(HtmlWriter& html, std::string_view colour, long x, long y,
                 std::string_view label, std::string_view kind = "ln");

}  // namespace dsrtool
