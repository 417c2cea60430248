#include "tools/dsrtool_src/report/series_page.h"

#include <type_traits>
#include <vector>

#include "tools/dsrtool_src/report/heading_section.h"
#include "tools/dsrtool_src/report/media_section.h"
#include "tools/dsrtool_src/report/record_sections.h"
#include "tools/dsrtool_src/report/separation_section.h"
#include "tools/dsrtool_src/report/series_view.h"
#include "tools/dsrtool_src/report/summary_section.h"
#include "tools/dsrtool_src/report/vcontrol_section.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

// The section of the series' member `member`, by what it holds.
template <typename Member>
void Section(HtmlWriter& html, const SeriesView& view,
             const SectionInfo& section, const Member& member) {
  if constexpr (std::is_same_v<Member, std::vector<SeparationInfo>>) {
    SeparationsSection(html, view, section, member);
  } else if constexpr (std::is_same_v<Member, std::vector<MediaInfo>>) {
    MediaSection(html, view, section, member);
  } else if constexpr (std::is_same_v<Member, std::vector<VControlPoint>>) {
    VControlSection(html, view, section, member);
  } else if constexpr (std::is_same_v<Member, std::vector<ModelInfo>>) {
    ModelsSection(html, view, section, member);
  } else if constexpr (report_detail::kIsRecordList<Member>) {
    RecordsSection(html, view, section, member);
  } else {
    NestedSection(html, view, section, member);
  }
}

}  // namespace

void ChartDefinitions(HtmlWriter& html) {
  html.Open("svg").Attribute("class", "defs").Attribute("aria-hidden", "true");
  html.Open("defs");
  CurveFrame(html);
  CalibrationFrame(html);
  html.Close();
  html.Close();
  html.Newline();
}

std::string WriteSeriesPage(const std::string& path, const DeviceSeries& series,
                            const FileFacts& facts, const PageStamp& stamp) {
  const SeriesView view(path, series, facts);
  HtmlWriter html;
  html.Doctype();
  html.Open("html").Attribute("lang", "en");
  html.Newline();
  PageHead(html, "Device series " + view.FileName());
  html.Open("body");
  html.Newline();
  ChartDefinitions(html);
  Heading(html, "Device series " + view.FileName(), {&view}, stamp);
  SummarySection(html, view);
  IndexSection(html, view);
  ForEachSection(series, [&](const auto& row, const auto& member) {
    Section(html, view, SectionOf(row), member);
  });
  html.Close();  // body
  html.Newline();
  html.Close();  // html
  html.Newline();
  return html.Finish();
}

}  // namespace dsrtool
