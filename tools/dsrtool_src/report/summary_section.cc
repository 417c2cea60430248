#include "tools/dsrtool_src/report/summary_section.h"

#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "tools/dsrtool_src/report/record_tables.h"

namespace dsrtool {

using namespace ::devseries;
namespace field_model = ::devseries::field_model;

namespace {

template <typename Record>
std::string CountDetail(const std::vector<Record>&) {
  return "";
}
std::string CountDetail(const std::vector<SeparationInfo>& list) {
  size_t channels = 0;
  size_t curves = 0;
  for (const SeparationInfo& separation : list) {
    channels += separation.aSeparationTableList.size();
    for (const SeparationTable& table : separation.aSeparationTableList) {
      curves += table.eType == 1 ? 1 : 0;
    }
  }
  return " (" + std::to_string(channels) + " channels, " +
         std::to_string(curves) + " with a stored curve)";
}
std::string CountDetail(const std::vector<MediaInfo>& list) {
  size_t visible = 0;
  size_t permissionSets = 0;
  for (const MediaInfo& media : list) {
    visible += media.bVisibleMedia ? 1 : 0;
    permissionSets += media.aPermissionSetList.size();
  }
  return " (" + std::to_string(visible) + " visible, " +
         std::to_string(permissionSets) + " permission sets)";
}

using Links = std::vector<std::pair<std::string, std::string>>;

void IndexLink(HtmlWriter& html, std::string_view id, std::string_view text) {
  html.Open("li");
  html.Open("a").Attribute("href", "#" + std::string(id)).Text(text);
  html.Close();
  html.Close();
  html.Newline();
}

// A link with a list of links under it.
void IndexLinks(HtmlWriter& html, std::string_view id, std::string_view text,
                const Links& sub) {
  html.Open("li");
  html.Open("a").Attribute("href", "#" + std::string(id)).Text(text);
  html.Close();
  html.Open("ul");
  for (const auto& [subId, subText] : sub) IndexLink(html, subId, subText);
  html.Close();
  html.Close();
  html.Newline();
}

template <typename Member>
void IndexEntry(HtmlWriter& html, const SeriesView&, const SectionInfo& section,
                const Member&) {
  IndexLink(html, section.id, section.title);
}
void IndexEntry(HtmlWriter& html, const SeriesView& view,
                const SectionInfo& section,
                const std::vector<SeparationInfo>& list) {
  Links sub;
  for (size_t i = 0; i < list.size(); ++i) {
    sub.emplace_back(SeparationId(i), view.SeparationTitle(i));
  }
  IndexLinks(html, section.id, section.title, sub);
}
void IndexEntry(HtmlWriter& html, const SeriesView& view,
                const SectionInfo& section,
                const std::vector<MediaInfo>& list) {
  IndexLink(html, section.id, section.title);
  Links sub;
  for (size_t i = 0; i < list.size(); ++i) {
    sub.emplace_back(MediumId(i), view.MediumTitle(i));
  }
  IndexLinks(html, kMediaSectionsId, kMediaSectionsTitle, sub);
}

}  // namespace

void SummarySection(HtmlWriter& html, const SeriesView& view) {
  struct Row {
    std::string label;
    std::string id;  // the section the label links to; none: empty
    std::string value;
  };
  std::vector<Row> rows;
  field_model::ForEachField<DeviceSeries>([&](const auto& row) {
    using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
    if (!row.stored()) return;
    const std::string title = MemberLabel(row.meaning, row.kEncoding);
    if constexpr (report_detail::kIsRecordList<Member>) {
      const Member& list = view.series.*row.member;
      rows.push_back({title, std::string(row.name),
                      std::to_string(list.size()) + CountDetail(list)});
    } else if constexpr (!report_detail::Modelled<Member> &&
                         report_detail::Showable<Member>()) {
      const std::optional<CellValue> value = view.values(row, view.series);
      if (value) rows.push_back({title, "", value->text});
    }
  });
  html.Open("table").Attribute("id", "summary");
  html.Newline();
  for (const Row& row : rows) {
    html.Open("tr");
    html.Open("th");
    if (row.id.empty()) {
      html.Text(row.label);
    } else {
      html.Open("a").Attribute("href", "#" + row.id).Text(row.label);
      html.Close();
    }
    html.Close();
    Cell(html, row.value);
    html.Close();
    html.Newline();
  }
  html.Close();
  html.Newline();
}

void IndexSection(HtmlWriter& html, const SeriesView& view) {
  html.Open("nav").Attribute("id", "index");
  html.Element("h2", "Contents");
  html.Open("ul");
  ForEachSection(view.series, [&](const auto& row, const auto& member) {
    IndexEntry(html, view, SectionOf(row), member);
  });
  html.Close();
  html.Close();
  html.Newline();
}

}  // namespace dsrtool
