#include "tools/dsrtool_src/report/comparison_page.h"

#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "tools/dsrtool_src/report/comparison_media.h"
#include "tools/dsrtool_src/report/comparison_separations.h"
#include "tools/dsrtool_src/report/comparison_tables.h"
#include "tools/dsrtool_src/report/heading_section.h"
#include "tools/dsrtool_src/report/record_sections.h"
#include "tools/dsrtool_src/report/series_page.h"

namespace dsrtool {

using namespace ::devseries;
namespace field_model = ::devseries::field_model;

namespace {

// Calls `f(row, memberOfA, memberOfB)` for each member of the device series
// that has a section of the page, in the file's order.
template <typename F>
void ForEachSectionPair(const Compared& files, F&& f) {
  field_model::ForEachField<DeviceSeries>([&](const auto& row) {
    using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
    if constexpr (report_detail::kIsRecordList<Member> ||
                  report_detail::Modelled<Member>) {
      if (row.stored()) {
        f(row, files.a.series.*row.member, files.b.series.*row.member);
      }
    }
  });
}

// What differs, list by list: each list's records in A and in B and how
// many pairs differ; the series' plain members compared.
void ComparedSummary(HtmlWriter& html, const Compared& files) {
  html.Open("table").Attribute("id", "summary");
  html.Open("tr");
  for (const char* heading : {"", "A", "B", "Differences"}) {
    html.Element("th", heading);
  }
  html.Close();
  html.Newline();
  field_model::ForEachField<DeviceSeries>([&](const auto& row) {
    using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
    if (!row.stored()) return;
    const std::string title = MemberLabel(row.meaning, row.kEncoding);
    if constexpr (report_detail::kIsRecordList<Member>) {
      const Member& a = files.a.series.*row.member;
      const Member& b = files.b.series.*row.member;
      const std::string counts = PairCounts(PairRecords(a, b));
      html.Open("tr");
      html.Open("th");
      html.Open("a").Attribute("href", "#" + std::string(row.name)).Text(title);
      html.Close();
      html.Close();
      NumberCell(html, std::to_string(a.size()));
      NumberCell(html, std::to_string(b.size()));
      html.Open("td");
      if (counts != "the same") html.Attribute("class", "chg");
      html.Text(counts);
      html.Close();
      html.Close();
      html.Newline();
    } else if constexpr (!report_detail::Modelled<Member> &&
                         report_detail::Showable<Member>()) {
      const std::optional<CellValue> a = files.a.values(row, files.a.series);
      const std::optional<CellValue> b = files.b.values(row, files.b.series);
      html.Open("tr");
      html.Element("th", title);
      ValueCell(html, a);
      ValueCell(html, b);
      html.Open("td");
      if (!SameCell(a, b)) html.Attribute("class", "chg");
      html.Text(SameCell(a, b) ? "the same" : "changed");
      html.Close();
      html.Close();
      html.Newline();
    }
  });
  html.Close();
  html.Newline();
}

void IndexLink(HtmlWriter& html, std::string_view id, std::string_view text) {
  html.Open("li");
  html.Open("a").Attribute("href", "#" + std::string(id)).Text(text);
  html.Close();
  html.Close();
  html.Newline();
}

// A link with a link to each pair's section under it.
template <typename Record, typename Title>
void IndexPairs(HtmlWriter& html, std::string_view id, std::string_view text,
                const std::vector<Paired<Record>>& pairs,
                std::string (*pairId)(size_t), Title title) {
  html.Open("li");
  html.Open("a").Attribute("href", "#" + std::string(id)).Text(text);
  html.Close();
  html.Open("ul");
  for (size_t i = 0; i < pairs.size(); ++i) {
    IndexLink(html, pairId(i), title(pairs[i]));
  }
  html.Close();
  html.Close();
  html.Newline();
}

void ComparedIndex(HtmlWriter& html, const Compared& files) {
  html.Open("nav").Attribute("id", "index");
  html.Element("h2", "Contents");
  html.Open("ul");
  ForEachSectionPair(files, [&](const auto& row, const auto& a, const auto& b) {
    using Member = std::remove_cvref_t<decltype(a)>;
    const SectionInfo section = SectionOf(row);
    if constexpr (std::is_same_v<Member, std::vector<SeparationInfo>>) {
      IndexPairs(html, section.id, section.title, PairRecords(a, b),
                 &SeparationId, [&](const Paired<SeparationInfo>& pair) {
                   return ComparedSeparationTitle(files, pair);
                 });
    } else if constexpr (std::is_same_v<Member, std::vector<MediaInfo>>) {
      IndexLink(html, section.id, section.title);
      IndexPairs(html, kMediaSectionsId, kMediaSectionsTitle, PairRecords(a, b),
                 &MediumId, [&](const Paired<MediaInfo>& pair) {
                   return ComparedMediumTitle(files, pair);
                 });
    } else {
      IndexLink(html, section.id, section.title);
    }
  });
  html.Close();
  html.Close();
  html.Newline();
}

// The section of the series' member, by what it holds.
template <typename Member>
void ComparedSection(HtmlWriter& html, const Compared& files,
                     const SectionInfo& section, const Member& a,
                     const Member& b) {
  if constexpr (std::is_same_v<Member, std::vector<SeparationInfo>>) {
    ComparedSeparationsSection(html, files, section, PairRecords(a, b));
  } else if constexpr (std::is_same_v<Member, std::vector<MediaInfo>>) {
    ComparedMediaSection(html, files, section, PairRecords(a, b));
  } else if constexpr (std::is_same_v<Member, std::vector<ModelInfo>>) {
    SectionHeading(html, section.id, section.title);
    if (EitherHolds(html, section, a.size() + b.size())) {
      ComparedTransposed(html, files, PairRecords(a, b));
    }
  } else if constexpr (report_detail::kIsRecordList<Member>) {
    SectionHeading(html, section.id, section.title);
    if (EitherHolds(html, section, a.size() + b.size())) {
      ComparedRecords(html, files, a, b);
    }
  } else {
    SectionHeading(html, section.id, section.title);
    ComparedTransposed(html, files,
                       std::vector<Paired<Member>>{{&a, &b, 0, 0}});
  }
}

}  // namespace

std::string WriteComparisonPage(const SeriesView& a, const SeriesView& b,
                                const PageStamp& stamp) {
  const Compared files = {a, b};
  HtmlWriter html;
  html.Doctype();
  html.Open("html").Attribute("lang", "en");
  html.Newline();
  const std::string title =
      "Device series " + a.FileName() + " compared with " + b.FileName();
  PageHead(html, title);
  html.Open("body");
  html.Newline();
  ChartDefinitions(html);
  Heading(html, title, {&a, &b}, stamp);
  ComparedSummary(html, files);
  ComparedIndex(html, files);
  ForEachSectionPair(files,
                     [&](const auto& row, const auto& inA, const auto& inB) {
                       ComparedSection(html, files, SectionOf(row), inA, inB);
                     });
  html.Close();  // body
  html.Newline();
  html.Close();  // html
  html.Newline();
  return html.Finish();
}

}  // namespace dsrtool
