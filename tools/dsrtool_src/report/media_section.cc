#include "tools/dsrtool_src/report/media_section.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "tools/dsrtool_src/report/chart_colours.h"
#include "tools/dsrtool_src/report/charts.h"
#include "tools/dsrtool_src/report/record_sections.h"
#include "tools/dsrtool_src/report/record_tables.h"

namespace dsrtool {

using namespace ::devseries;
namespace field_model = ::devseries::field_model;

namespace {

// Geometry of a calibration chart: densities and L* by step in two plots
// side by side, a* against b* in a square plot, the legend below.
constexpr Plot kDensityPlot = {50, 24, 220, 150};
constexpr Plot kLightnessPlot = {340, 24, 220, 150};
constexpr Plot kAbPlot = {630, 24, 150, 150};
constexpr long kCalibrationWidth = 800;
constexpr long kCalibrationLegendTop = 230;
constexpr size_t kLegendColumns = 6;

// Writes the media's sections; remembers which calibration values it has
// drawn, to refer to them when a permission set repeats them.
class MediaWriter {
 public:
  MediaWriter(HtmlWriter& html, const SeriesView& view)
      : html_(html), view_(view) {}

  void Medium(size_t position) {
    const MediaInfo& media = view_.series.aMediaInfoList[position];
    html_.Open("details").Attribute("id", MediumId(position));
    html_.Element("summary",
                  view_.MediumTitle(position) + " (" +
                      Int(static_cast<long>(media.aPermissionSetList.size())) +
                      " permission sets)");
    Figures(html_, view_.values, media);
    // A table for each of the medium's lists of records (its permission
    // sets and quality levels), then each permission set's calibration.
    field_model::ForEachField<MediaInfo>([&](const auto& row) {
      using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
      if constexpr (report_detail::kIsRecordList<Member>) {
        using Entry = typename Member::value_type;
        const Member& list = media.*row.member;
        if (list.empty()) return;
        std::function<std::string(size_t)> link;
        if constexpr (std::is_same_v<Entry, PermissionSet>) {
          link = [position](size_t j) { return PermissionId(position, j); };
        }
        RecordTable(html_, list, Columns<Entry>(view_.values),
                    MemberLabel(row.meaning, row.kEncoding), link);
      }
    });
    for (size_t j = 0; j < media.aPermissionSetList.size(); ++j) {
      Permission(position, j);
    }
    html_.Close();
    html_.Newline();
  }

 private:
  void Permission(size_t medium, size_t position) {
    const PermissionSet& permission =
        view_.series.aMediaInfoList[medium].aPermissionSetList[position];
    const std::string id = PermissionId(medium, position);
    const std::string index = std::to_string(
        RecordIndex(permission).value_or(static_cast<std::int64_t>(position)));
    html_.Open("h4").Attribute("id", id).Text("Permission set " + index);
    html_.Close();
    if (permission.aCalibrationInfoList.empty()) {
      html_.Element("p", "No calibration data.");
      html_.Newline();
      return;
    }
    // Files often repeat calibration values; each set of values is drawn
    // once and referred to after that, which keeps large files' pages
    // small.
    if (shown_.ReferToEarlier(html_, permission, nullptr)) return;
    shown_.Add(permission, nullptr, id,
               view_.MediumTitle(medium) + ", permission set " + index);
    const std::vector<std::string> labels =
        CalibrationLabels(view_, permission);
    const std::vector<std::string> colours = ChannelColours(
        view_, view_.separations.Find(permission.nSeparationIndex),
        permission.aCalibrationInfoList.size());
    CalibrationChart(html_, permission.aCalibrationInfoList, labels, colours);
    CalibrationTable(html_, permission.aCalibrationInfoList, labels);
  }

  HtmlWriter& html_;
  const SeriesView& view_;
  ShownCalibrations shown_;
};

}  // namespace

size_t ShownCalibrations::Hash(const PermissionSet* permission) {
  std::uint64_t hash = 1469598103934665603u;
  if (permission == nullptr) return static_cast<size_t>(hash);
  auto mix = [&](std::uint32_t value) {
    hash = (hash ^ value) * 1099511628211u;
  };
  mix(static_cast<std::uint32_t>(permission->nSeparationIndex));
  for (const CalibrationInfo& calibration : permission->aCalibrationInfoList) {
    mix(static_cast<std::uint32_t>(calibration.nOutputLimit));
    for (size_t s = 0; s < kCalibrationStepCount; ++s) {
      mix(std::bit_cast<std::uint32_t>(calibration.density[s]));
      mix(std::bit_cast<std::uint32_t>(calibration.lab[s].l));
      mix(std::bit_cast<std::uint32_t>(calibration.lab[s].a));
      mix(std::bit_cast<std::uint32_t>(calibration.lab[s].b));
    }
  }
  return static_cast<size_t>(hash);
}

bool ShownCalibrations::Same(const PermissionSet* a, const PermissionSet* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return a->nSeparationIndex == b->nSeparationIndex &&
         a->aCalibrationInfoList == b->aCalibrationInfoList;
}

bool ShownCalibrations::ReferToEarlier(HtmlWriter& html, const PermissionSet& a,
                                       const PermissionSet* b) const {
  const size_t hash = Hash(&a) * 31 + Hash(b);
  auto [first, last] = shown_.equal_range(hash);
  for (auto it = first; it != last; ++it) {
    if (Same(&a, it->second.a) && Same(b, it->second.b)) {
      html.Open("p").Text("The same calibration values as ");
      html.Open("a")
          .Attribute("href", "#" + it->second.id)
          .Text(it->second.title);
      html.Close();
      html.Text(".");
      html.Close();
      html.Newline();
      return true;
    }
  }
  return false;
}

void ShownCalibrations::Add(const PermissionSet& a, const PermissionSet* b,
                            std::string id, std::string title) {
  shown_.emplace(Hash(&a) * 31 + Hash(b),
                 Shown{&a, b, std::move(id), std::move(title)});
}

// What the rows of a calibration table hold, from the models of the
// calibration and its Lab values: "Each channel's density at each of the
// 21 steps; lightness L*; a* (green to red); b* (blue to yellow)".
const std::string& CalibrationCaption() {
  static const std::string caption = [] {
    std::string text = "Each channel's ";
    field_model::ForEachField<CalibrationInfo>([&](const auto& row) {
      if (row.MemberName() == "density") text += row.meaning.description;
    });
    field_model::ForEachField<CalibrationLab>([&](const auto& row) {
      text += "; " + std::string(row.meaning.description);
    });
    return text;
  }();
  return caption;
}

// A chart of the calibration of a permission set's channels (`list`):
// densities and L* by step, a* against b*, each channel in its colour, with
// a legend of `labels`.
void CalibrationChart(HtmlWriter& html,
                      const std::vector<CalibrationInfo>& list,
                      const std::vector<std::string>& labels,
                      const std::vector<std::string>& colours) {
  double densityTop = 0;
  double abRange = 0;
  for (const CalibrationInfo& calibration : list) {
    for (size_t s = 0; s < kCalibrationStepCount; ++s) {
      if (std::isfinite(calibration.density[s])) {
        densityTop = std::max<double>(densityTop, calibration.density[s]);
      }
      for (float value : {calibration.lab[s].a, calibration.lab[s].b}) {
        if (std::isfinite(value)) {
          abRange = std::max<double>(abRange, std::fabs(value));
        }
      }
    }
  }
  densityTop = NiceCeiling(densityTop);
  abRange = NiceCeiling(std::max(abRange, 10.0));
  const long rows =
      static_cast<long>((list.size() + kLegendColumns - 1) / kLegendColumns);
  OpenSvg(html, kCalibrationWidth, kCalibrationLegendTop + 18 * rows,
          "Calibration densities, L* and a*, b* by step per channel");
  Use(html, "cf");
  SvgText(html, kDensityPlot.left - 5, kDensityPlot.top + 4,
          NumberText(densityTop), "e");
  SvgText(html, kDensityPlot.left - 5,
          kDensityPlot.top + kDensityPlot.height / 2 + 4,
          NumberText(densityTop / 2), "e");
  SvgText(html, kAbPlot.left, kAbPlot.bottom() + 15, NumberText(-abRange), "c");
  SvgText(html, kAbPlot.right(), kAbPlot.bottom() + 15, NumberText(abRange),
          "c");
  SvgText(html, kAbPlot.left - 5, kAbPlot.top + 4, NumberText(abRange), "e");
  for (size_t k = 0; k < list.size(); ++k) {
    const CalibrationInfo& calibration = list[k];
    PathData density;
    PathData lightness;
    PathData ab;
    bool densityGap = true;
    bool lightnessGap = true;
    for (size_t s = 0; s < kCalibrationStepCount; ++s) {
      const long x = kDensityPlot.left + static_cast<long>(s) * 11;
      const long lx = kLightnessPlot.left + static_cast<long>(s) * 11;
      const float d = calibration.density[s];
      const CalibrationLab& lab = calibration.lab[s];
      // Values that are not numbers leave a gap in the line.
      if (std::isfinite(d)) {
        const long y =
            Scale(d, 0, densityTop, kDensityPlot.bottom(), kDensityPlot.top);
        densityGap ? density.MoveTo(x, y) : density.LineTo(x, y);
      }
      densityGap = !std::isfinite(d);
      if (std::isfinite(lab.l)) {
        const long y =
            Scale(lab.l, 0, 100, kLightnessPlot.bottom(), kLightnessPlot.top);
        lightnessGap ? lightness.MoveTo(lx, y) : lightness.LineTo(lx, y);
      }
      lightnessGap = !std::isfinite(lab.l);
      if (std::isfinite(lab.a) && std::isfinite(lab.b)) {
        ab.Dot(Scale(lab.a, -abRange, abRange, kAbPlot.left, kAbPlot.right()),
               Scale(lab.b, -abRange, abRange, kAbPlot.bottom(), kAbPlot.top));
      }
    }
    if (!density.empty()) {
      SvgStroke(html, "ln", colours[k], density.text());
    }
    if (!lightness.empty()) {
      SvgStroke(html, "ln", colours[k], lightness.text());
    }
    if (!ab.empty()) SvgStroke(html, "dt", colours[k], ab.text());
  }
  for (size_t k = 0; k < list.size(); ++k) {
    LegendEntry(
        html, colours[k],
        kDensityPlot.left + 125 * static_cast<long>(k % kLegendColumns),
        kCalibrationLegendTop + 18 * static_cast<long>(k / kLegendColumns),
        labels[k]);
  }
  html.Close();
  html.Newline();
}

std::vector<std::string> CalibrationLabels(const SeriesView& view,
                                           const PermissionSet& permission) {
  std::vector<std::string> labels;
  const SeparationInfo* separation =
      view.separations.Find(permission.nSeparationIndex);
  for (size_t k = 0; k < permission.aCalibrationInfoList.size(); ++k) {
    labels.push_back(
        separation != nullptr && k < separation->aSeparationTableList.size()
            ? view.ChannelLabel(separation->aSeparationTableList[k], k)
            : "channel " + std::to_string(k));
  }
  return labels;
}

void OpenCalibrationTable(HtmlWriter& html) {
  html.Open("div").Attribute("class", "x");
  html.Open("table").Attribute("class", "k");
  html.Element("caption", CalibrationCaption());
  html.Open("tr");
  html.Element("th", "Channel");
  html.Element("th", "Step");
  for (size_t s = 0; s < kCalibrationStepCount; ++s) {
    html.Element("th", std::to_string(s));
  }
  html.Close();
  html.Newline();
}

void CalibrationTable(HtmlWriter& html,
                      const std::vector<CalibrationInfo>& list,
                      const std::vector<std::string>& labels) {
  OpenCalibrationTable(html);
  for (size_t k = 0; k < list.size(); ++k) {
    const CalibrationInfo& calibration = list[k];
    for (int row = 0; row < 4; ++row) {
      html.Open("tr");
      if (row == 0) {
        html.Open("th").Attribute("rowspan", "4").Text(labels[k]);
        html.Open("span")
            .Attribute("class", "m")
            .Text("output limit " + Int(calibration.nOutputLimit));
        html.Close();
        html.Close();
      }
      static constexpr const char* kRows[] = {"density", "L*", "a*", "b*"};
      html.Element("th", kRows[row]);
      for (size_t s = 0; s < kCalibrationStepCount; ++s) {
        const CalibrationLab& lab = calibration.lab[s];
        const float value = row == 0   ? calibration.density[s]
                            : row == 1 ? lab.l
                            : row == 2 ? lab.a
                                       : lab.b;
        html.Element("td", NumberText(value));
      }
      html.Close();
      html.Newline();
    }
  }
  html.Close();
  html.Close();
  html.Newline();
}

void CalibrationFrame(HtmlWriter& html) {
  html.Open("g").Attribute("id", "cf");
  PathData grid;
  for (const Plot& plot : {kDensityPlot, kLightnessPlot}) {
    for (long step = 5; step < 20; step += 5) {
      grid.MoveTo(plot.left + step * 11, plot.top);
      grid.LineTo(plot.left + step * 11, plot.bottom());
    }
    grid.MoveTo(plot.left, plot.top + plot.height / 2);
    grid.LineTo(plot.right(), plot.top + plot.height / 2);
    for (long step = 0; step <= 20; step += 5) {
      SvgText(html, plot.left + step * 11, plot.bottom() + 15, Int(step), "c");
    }
    SvgText(html, plot.left + plot.width / 2, plot.bottom() + 32, "step", "c");
    SvgText(html, plot.left - 5, plot.bottom() + 4, "0", "e");
  }
  SvgPath(html, "gr", grid.text());
  PathData axes;
  axes.MoveTo(kAbPlot.left, kAbPlot.top + kAbPlot.height / 2);
  axes.LineTo(kAbPlot.right(), kAbPlot.top + kAbPlot.height / 2);
  axes.MoveTo(kAbPlot.left + kAbPlot.width / 2, kAbPlot.top);
  axes.LineTo(kAbPlot.left + kAbPlot.width / 2, kAbPlot.bottom());
  SvgPath(html, "ax", axes.text());
  for (const Plot& plot : {kDensityPlot, kLightnessPlot, kAbPlot}) {
    SvgFrame(html, plot);
  }
  SvgText(html, kDensityPlot.left, kDensityPlot.top - 8, "Density");
  SvgText(html, kLightnessPlot.left, kLightnessPlot.top - 8, "L*");
  SvgText(html, kLightnessPlot.left - 5, kLightnessPlot.top + 4, "100", "e");
  SvgText(html, kLightnessPlot.left - 5,
          kLightnessPlot.top + kLightnessPlot.height / 2 + 4, "50", "e");
  SvgText(html, kAbPlot.left, kAbPlot.top - 8, "b* (up) against a*");
  SvgText(html, kAbPlot.left + kAbPlot.width / 2, kAbPlot.bottom() + 32, "a*",
          "c");
  html.Close();
}

void MediaSection(HtmlWriter& html, const SeriesView& view,
                  const SectionInfo& section,
                  const std::vector<MediaInfo>& media) {
  SectionHeading(html, section.id, section.title);
  if (Holds(html, section, media.size())) {
    std::vector<Column<MediaInfo>> columns = Columns<MediaInfo>(view.values);
    std::erase_if(columns, [](const Column<MediaInfo>& column) {
      return column.summary.empty();
    });
    RecordTable(html, media, columns, {}, &MediumId);
  }
  SectionHeading(html, kMediaSectionsId, kMediaSectionsTitle);
  Holds(html, section, media.size());
  MediaWriter writer(html, view);
  for (size_t i = 0; i < media.size(); ++i) writer.Medium(i);
}

}  // namespace dsrtool
