#include "tools/dsrtool_src/report/vcontrol_section.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>

#include "tools/dsrtool_src/report/chart_colours.h"
#include "tools/dsrtool_src/report/charts.h"
#include "tools/dsrtool_src/report/record_sections.h"
#include "tools/dsrtool_src/report/record_tables.h"

namespace dsrtool {

using namespace ::devseries;
namespace field_model = ::devseries::field_model;

namespace {

// Geometry of the VControl chart: one plot per group of members, side by
// side.
constexpr long kVControlLeft = 60;
constexpr long kVControlStride = 280;
constexpr long kVControlPlotWidth = 220;
constexpr long kVControlLegendTop = 228;

// The members of Record whose labels the model groups ("small droplet:
// start", "small droplet: peak", ...), for a chart per group: the group's
// name, and each member's name within it and its value as a number.
template <typename Record>
struct NumberGroup {
  std::string name;
  std::vector<std::string> parts;
  std::vector<std::function<double(const Record&)>> values;
};

template <typename Record>
std::vector<NumberGroup<Record>> NumberGroups() {
  std::vector<NumberGroup<Record>> groups;
  field_model::ForEachField<Record>([&](const auto& row) {
    using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
    if constexpr (std::is_arithmetic_v<Member> &&
                  !std::is_same_v<Member, bool>) {
      HeadingParts heading =
          SplitHeading(MemberLabel(row.meaning, row.kEncoding));
      if (!IsShown(row) || heading.group.empty()) return;
      if (groups.empty() || groups.back().name != heading.group) {
        groups.push_back({heading.group, {}, {}});
      }
      groups.back().parts.push_back(std::move(heading.label));
      groups.back().values.push_back([row](const Record& record) {
        return static_cast<double>(record.*row.member);
      });
    }
  });
  return groups;
}

}  // namespace

void VControlSection(HtmlWriter& html, const SeriesView& view,
                     const SectionInfo& section,
                     const std::vector<VControlPoint>& points) {
  SectionHeading(html, section.id, section.title);
  if (!Holds(html, section, points.size())) return;
  const std::vector<NumberGroup<VControlPoint>> groups =
      NumberGroups<VControlPoint>();
  double low = 0;
  double high = 0;
  for (const VControlPoint& point : points) {
    for (const NumberGroup<VControlPoint>& group : groups) {
      for (const auto& read : group.values) {
        const double value = read(point);
        if (!std::isfinite(value)) continue;
        low = std::min(low, value);
        high = std::max(high, value);
      }
    }
  }
  high = NiceCeiling(high);
  low = low < 0 ? -NiceCeiling(-low) : 0;
  const long rows = static_cast<long>((points.size() + 7) / 8);
  const long width = kVControlStride * static_cast<long>(groups.size()) + 40;
  std::string label = "VControl points:";
  for (size_t g = 0; g < groups.size(); ++g) {
    label += (g == 0 ? " " : ", ") + groups[g].name;
  }
  OpenSvg(html, width, kVControlLegendTop + 18 * rows, label);
  for (size_t g = 0; g < groups.size(); ++g) {
    const NumberGroup<VControlPoint>& group = groups[g];
    const Plot plot = {kVControlLeft + kVControlStride * static_cast<long>(g),
                       24, kVControlPlotWidth, 160};
    const long steps =
        std::max<long>(1, static_cast<long>(group.values.size()) - 1);
    auto x = [&](size_t k) {
      return plot.left + static_cast<long>(k) * plot.width / steps;
    };
    PathData grid;
    for (size_t k = 1; k + 1 < group.values.size(); ++k) {
      grid.MoveTo(x(k), plot.top);
      grid.LineTo(x(k), plot.bottom());
    }
    const long zero = Scale(0, low, high, plot.bottom(), plot.top);
    grid.MoveTo(plot.left, zero);
    grid.LineTo(plot.right(), zero);
    SvgPath(html, "gr", grid.text());
    SvgFrame(html, plot);
    SvgText(html, plot.left, plot.top - 8, group.name);
    SvgText(html, plot.left - 5, plot.top + 4, NumberText(high), "e");
    SvgText(html, plot.left - 5, (plot.top + plot.bottom()) / 2 + 4,
            NumberText((low + high) / 2), "e");
    SvgText(html, plot.left - 5, plot.bottom() + 4, NumberText(low), "e");
    for (size_t k = 0; k < group.parts.size(); ++k) {
      SvgText(html, x(k), plot.bottom() + 15, group.parts[k], "c");
    }
    for (size_t n = 0; n < points.size(); ++n) {
      PathData line;
      PathData dots;
      bool gap = true;
      for (size_t k = 0; k < group.values.size(); ++k) {
        const double value = group.values[k](points[n]);
        if (std::isfinite(value)) {
          const long y = Scale(value, low, high, plot.bottom(), plot.top);
          gap ? line.MoveTo(x(k), y) : line.LineTo(x(k), y);
          dots.Dot(x(k), y);
        }
        gap = !std::isfinite(value);
      }
      if (!line.empty()) SvgStroke(html, "ln", PaletteColour(n), line.text());
      if (!dots.empty()) SvgStroke(html, "dt", PaletteColour(n), dots.text());
    }
  }
  for (size_t n = 0; n < points.size(); ++n) {
    const std::optional<std::int64_t> index = RecordIndex(points[n]);
    LegendEntry(html, PaletteColour(n), 60 + 100 * static_cast<long>(n % 8),
                kVControlLegendTop + 18 * static_cast<long>(n / 8),
                "point " + std::to_string(
                               index.value_or(static_cast<std::int64_t>(n))));
  }
  html.Close();
  html.Newline();
  RecordTable(html, points, Columns<VControlPoint>(view.values));
}

}  // namespace dsrtool
