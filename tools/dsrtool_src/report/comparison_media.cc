#include "tools/dsrtool_src/report/comparison_media.h"

#include <algorithm>
#include <type_traits>

#include "tools/dsrtool_src/report/chart_colours.h"
#include "tools/dsrtool_src/report/media_section.h"
#include "tools/dsrtool_src/report/record_sections.h"

namespace dsrtool {

using namespace ::devseries;
namespace field_model = ::devseries::field_model;

namespace {

// The medium's English name, A's where A holds it.
std::string MediumName(const Compared& files, const Paired<MediaInfo>& pair) {
  return pair.a != nullptr ? files.a.MediumTitle(pair.positionA)
                           : files.b.MediumTitle(pair.positionB);
}

const char* const kCalibrationRows[] = {"density", "L*", "a*", "b*"};

float CalibrationValue(const CalibrationInfo& calibration, int row,
                       size_t step) {
  const CalibrationLab& lab = calibration.lab[step];
  return row == 0   ? calibration.density[step]
         : row == 1 ? lab.l
         : row == 2 ? lab.a
                    : lab.b;
}

// The calibration values of two permission sets' channels, paired by
// position: a row per value and channel, a column per step, each value
// compared.
void ComparedCalibrationTable(HtmlWriter& html,
                              const std::vector<CalibrationInfo>& a,
                              const std::vector<CalibrationInfo>& b,
                              const std::vector<std::string>& labels) {
  OpenCalibrationTable(html);
  for (size_t k = 0; k < std::max(a.size(), b.size()); ++k) {
    const CalibrationInfo* inA = k < a.size() ? &a[k] : nullptr;
    const CalibrationInfo* inB = k < b.size() ? &b[k] : nullptr;
    const char* rowClass = inB == nullptr ? "oa" : inA == nullptr ? "ob" : "";
    for (int row = 0; row < 4; ++row) {
      html.Open("tr");
      if (*rowClass != 0) html.Attribute("class", rowClass);
      if (row == 0) {
        html.Open("th").Attribute("rowspan", "4").Text(labels[k]);
        const CalibrationInfo& either = inA != nullptr ? *inA : *inB;
        std::string limit =
            "output limit " + std::to_string(either.nOutputLimit);
        const bool changed = inA != nullptr && inB != nullptr &&
                             inA->nOutputLimit != inB->nOutputLimit;
        if (changed) {
          limit = "output limit: A " + std::to_string(inA->nOutputLimit) +
                  ", B " + std::to_string(inB->nOutputLimit);
        }
        html.Open("span")
            .Attribute("class", changed ? "m chg" : "m")
            .Text(limit);
        html.Close();
        html.Close();
      }
      html.Element("th", kCalibrationRows[row]);
      for (size_t s = 0; s < kCalibrationStepCount; ++s) {
        std::optional<CellValue> valueA;
        std::optional<CellValue> valueB;
        if (inA) valueA = CellValue{NumberText(CalibrationValue(*inA, row, s))};
        if (inB) valueB = CellValue{NumberText(CalibrationValue(*inB, row, s))};
        // A channel only one file holds shows its values unmarked.
        ComparedCell(html, inA ? valueA : valueB, inB ? valueB : valueA);
      }
      html.Close();
      html.Newline();
    }
  }
  html.Close();
  html.Close();
  html.Newline();
}

// A figure of one file's calibration chart, captioned with the file.
void CalibrationFigure(HtmlWriter& html, const char* file,
                       const SeriesView& view,
                       const PermissionSet& permission) {
  html.Open("figure");
  html.Element("figcaption", file);
  CalibrationChart(
      html, permission.aCalibrationInfoList,
      CalibrationLabels(view, permission),
      ChannelColours(view, view.separations.Find(permission.nSeparationIndex),
                     permission.aCalibrationInfoList.size()));
  html.Close();
}

void PermissionPair(HtmlWriter& html, const Compared& files,
                    ShownCalibrations& shown, const std::string& medium,
                    const std::string& id, const Paired<PermissionSet>& pair) {
  const PermissionSet& record = pair.a != nullptr ? *pair.a : *pair.b;
  const std::string index = std::to_string(RecordIndex(record).value_or(
      static_cast<std::int64_t>(pair.a ? pair.positionA : pair.positionB)));
  html.Open("h4").Attribute("id", id);
  if (*PairClass(pair) != 0) html.Attribute("class", PairClass(pair));
  html.Text("Permission set " + index +
            (pair.a == nullptr   ? " (only in B)"
             : pair.b == nullptr ? " (only in A)"
                                 : ""));
  html.Close();
  static const std::vector<CalibrationInfo> kNone;
  const std::vector<CalibrationInfo>& a =
      pair.a != nullptr ? pair.a->aCalibrationInfoList : kNone;
  const std::vector<CalibrationInfo>& b =
      pair.b != nullptr ? pair.b->aCalibrationInfoList : kNone;
  if (a.empty() && b.empty()) {
    html.Element("p", "No calibration data.");
    html.Newline();
    return;
  }
  // Each pair of calibrations drawn once, as on a page of one file.
  const PermissionSet* second = pair.a != nullptr ? pair.b : nullptr;
  if (shown.ReferToEarlier(html, record, second)) return;
  shown.Add(record, second, id, medium + ", permission set " + index);
  const SeriesView& labelled = pair.a != nullptr ? files.a : files.b;
  std::vector<std::string> labels = CalibrationLabels(labelled, record);
  for (size_t k = labels.size(); k < std::max(a.size(), b.size()); ++k) {
    labels.push_back("channel " + std::to_string(k));
  }
  const bool same = pair.a != nullptr && pair.b != nullptr && a == b &&
                    pair.a->nSeparationIndex == pair.b->nSeparationIndex;
  if (same || pair.a == nullptr || pair.b == nullptr) {
    if (same) html.Element("p", "The same calibration in A and B.");
    CalibrationChart(
        html, record.aCalibrationInfoList, labels,
        ChannelColours(labelled,
                       labelled.separations.Find(record.nSeparationIndex),
                       record.aCalibrationInfoList.size()));
    CalibrationTable(html, record.aCalibrationInfoList, labels);
    return;
  }
  // Side by side: A's chart beside B's.
  html.Open("div").Attribute("class", "pair");
  CalibrationFigure(html, "A", files.a, *pair.a);
  CalibrationFigure(html, "B", files.b, *pair.b);
  html.Close();
  html.Newline();
  ComparedCalibrationTable(html, a, b, labels);
}

void MediumPair(HtmlWriter& html, const Compared& files,
                ShownCalibrations& shown, size_t position,
                const Paired<MediaInfo>& pair) {
  html.Open("details").Attribute("id", MediumId(position));
  if (*PairClass(pair) != 0) html.Attribute("class", PairClass(pair));
  html.Element("summary", ComparedMediumTitle(files, pair));
  ComparedTransposed(html, files, std::vector{pair});
  // A table for each of the media's lists of records, paired (permission
  // sets by index, quality levels by position), then each pair of
  // permission sets' calibration.
  std::vector<Paired<PermissionSet>> permissions;
  field_model::ForEachField<MediaInfo>([&](const auto& row) {
    using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
    if constexpr (report_detail::kIsRecordList<Member>) {
      using Entry = typename Member::value_type;
      static const Member kNone;
      const auto pairs =
          PairRecords(pair.a != nullptr ? (*pair.a).*row.member : kNone,
                      pair.b != nullptr ? (*pair.b).*row.member : kNone);
      if (pairs.empty()) return;
      std::function<std::string(size_t)> link;
      if constexpr (std::is_same_v<Entry, PermissionSet>) {
        link = [position](size_t j) { return PermissionId(position, j); };
        permissions = pairs;
      }
      ComparedTable(html, pairs, Columns<Entry>(files.a.values),
                    Columns<Entry>(files.b.values),
                    MemberLabel(row.meaning, row.kEncoding), link);
    }
  });
  for (size_t j = 0; j < permissions.size(); ++j) {
    PermissionPair(html, files, shown, MediumName(files, pair),
                   PermissionId(position, j), permissions[j]);
  }
  html.Close();
  html.Newline();
}

}  // namespace

std::string ComparedMediumTitle(const Compared& files,
                                const Paired<MediaInfo>& pair) {
  const std::string title = MediumName(files, pair);
  if (pair.a == nullptr) return title + " (only in B)";
  if (pair.b == nullptr) return title + " (only in A)";
  return title + (pair.Changed() ? " (changed)" : " (the same)");
}

void ComparedMediaSection(HtmlWriter& html, const Compared& files,
                          const SectionInfo& section,
                          const std::vector<Paired<MediaInfo>>& pairs) {
  SectionHeading(html, section.id, section.title);
  if (EitherHolds(html, section, pairs.size())) {
    auto summaryColumns = [](const SeriesView& view) {
      std::vector<Column<MediaInfo>> columns = Columns<MediaInfo>(view.values);
      std::erase_if(columns, [](const Column<MediaInfo>& column) {
        return column.summary.empty();
      });
      return columns;
    };
    ComparedTable(html, pairs, summaryColumns(files.a), summaryColumns(files.b),
                  {}, &MediumId);
  }
  SectionHeading(html, kMediaSectionsId, kMediaSectionsTitle);
  EitherHolds(html, section, pairs.size());
  ShownCalibrations shown;
  for (size_t i = 0; i < pairs.size(); ++i) {
    MediumPair(html, files, shown, i, pairs[i]);
  }
}

}  // namespace dsrtool
