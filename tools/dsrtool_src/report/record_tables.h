// The tables of records on a report page: a row per record and a column
// per member (RecordTable), a row per member and a column per record
// (TransposedTable), one record's members as figures (Figures) or a line
// (Line). The columns come from the field model through Columns<Record>.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dsrtool_src/report/charts.h"
#include "tools/dsrtool_src/report/report_members.h"
#include "tools/dsrtool_src/report/report_page.h"

namespace dsrtool {

// Opens a table of `columns` columns. A wide one is marked ("w1" over 10
// columns, "w2" over 16, "w3" over 24), for the print style sheet to set it
// smaller: printed, a table wider than the page is cut at its edge.
void OpenTable(HtmlWriter& html, size_t columns);

void Cell(HtmlWriter& html, std::string_view text);
void NumberCell(HtmlWriter& html, std::string_view text);

// A cell showing `value`: right-aligned for a number, with a swatch for a
// colour, "–" when the file does not store the member for the record.
void ValueCell(HtmlWriter& html, const std::optional<CellValue>& value);

// A column's heading split at its group: "Small droplet: start" is the
// column "Start" of the group "Small droplet"; a heading without ": " has
// no group.
struct HeadingParts {
  std::string group;
  std::string label;
};
HeadingParts SplitHeading(const std::string& label);

// A header cell: what the member is (its label, with its unit), what the
// label does not say of it (`note`) under it, and the member's name in
// small type; the description is its title too. `span`, when given, is the
// attribute ("rowspan", "colspan") that makes it `count` cells wide.
void HeaderCell(HtmlWriter& html, std::string_view label,
                std::string_view description, std::string_view note,
                std::string_view member, const char* span = nullptr,
                long count = 1);

template <typename Record>
void HeaderCell(HtmlWriter& html, const Column<Record>& column,
                std::string_view label, const char* span = nullptr,
                long count = 1) {
  HeaderCell(html, label, column.description, column.note, column.member, span,
             count);
}

// The header rows of a table of records: a column headed `first` first
// when it is given ("#" for the records' positions), then a column per
// member; columns whose headings share a group ("Small droplet: start") get
// the group's heading above theirs.
template <typename Record>
void Headers(HtmlWriter& html, const std::vector<Column<Record>>& columns,
             const char* first) {
  std::vector<HeadingParts> parts;
  bool grouped = false;
  for (const Column<Record>& column : columns) {
    parts.push_back(SplitHeading(column.label));
    grouped = grouped || !parts.back().group.empty();
  }
  html.Open("tr");
  if (first != nullptr) {
    html.Open("th");
    if (grouped) html.Attribute("rowspan", "2");
    html.Text(first);
    html.Close();
  }
  for (size_t i = 0; i < columns.size();) {
    if (parts[i].group.empty()) {
      if (grouped) {
        HeaderCell(html, columns[i], parts[i].label, "rowspan", 2);
      } else {
        HeaderCell(html, columns[i], parts[i].label);
      }
      ++i;
      continue;
    }
    size_t end = i;
    while (end < columns.size() && parts[end].group == parts[i].group) ++end;
    html.Open("th")
        .Attribute("colspan", Int(static_cast<long>(end - i)))
        .Text(parts[i].group);
    html.Close();
    i = end;
  }
  html.Close();
  if (grouped) {
    html.Open("tr");
    for (size_t i = 0; i < columns.size(); ++i) {
      if (!parts[i].group.empty()) HeaderCell(html, columns[i], parts[i].label);
    }
    html.Close();
  }
  html.Newline();
}

// A table of records, a row each and a column per member the report
// shows (`columns`), under `caption` when there is one. `link(i)`, when
// given, is the id of the section about record i, which its name (its
// index for a record without one) links to.
template <typename Record>
void RecordTable(HtmlWriter& html, const std::vector<Record>& records,
                 const std::vector<Column<Record>>& columns,
                 std::string_view caption = {},
                 const std::function<std::string(size_t)>& link = {}) {
  constexpr bool positions = !HasIndexMember<Record>();
  const std::string_view linked =
      std::any_of(columns.begin(), columns.end(),
                  [](const Column<Record>& c) { return c.summary == "name"; })
          ? "name"
          : "index";
  html.Open("div").Attribute("class", "x");
  OpenTable(html, columns.size() + (positions ? 1 : 0));
  if (!caption.empty()) html.Element("caption", caption);
  Headers(html, columns, positions ? "#" : nullptr);
  for (size_t i = 0; i < records.size(); ++i) {
    html.Open("tr");
    if (positions) NumberCell(html, Int(static_cast<long>(i)));
    for (const Column<Record>& column : columns) {
      const std::optional<CellValue> value = column.value(records[i]);
      if (link && column.summary == linked && value) {
        html.Open("td");
        if (value->kind == CellValue::Kind::kNumber) {
          html.Attribute("class", "n");
        }
        html.Open("a").Attribute("href", "#" + link(i)).Text(value->text);
        html.Close();
        html.Close();
      } else {
        ValueCell(html, value);
      }
    }
    html.Close();
    html.Newline();
  }
  html.Close();
  html.Close();
  html.Newline();
}

// A table of records with a row per member and a column per record, for
// records of many members that are few.
template <typename Record>
void TransposedTable(HtmlWriter& html, const MemberValues& values,
                     const std::vector<Record>& records) {
  const std::vector<Column<Record>> columns = Columns<Record>(values);
  html.Open("div").Attribute("class", "x");
  OpenTable(html, records.size() + 1);
  html.Open("tr");
  html.Element("th", "#");
  for (size_t i = 0; i < records.size(); ++i) {
    html.Element("th", Int(static_cast<long>(i)));
  }
  html.Close();
  html.Newline();
  for (const Column<Record>& column : columns) {
    html.Open("tr");
    HeaderCell(html, column, column.label);
    for (const Record& record : records) ValueCell(html, column.value(record));
    html.Close();
    html.Newline();
  }
  html.Close();
  html.Close();
  html.Newline();
}

// The members of a record as a table of figures, three to a row.
template <typename Record>
void Figures(HtmlWriter& html, const MemberValues& values,
             const Record& record) {
  constexpr size_t kPerRow = 3;
  const std::vector<Column<Record>> columns = Columns<Record>(values);
  html.Open("table");
  for (size_t i = 0; i < columns.size(); i += kPerRow) {
    html.Open("tr");
    for (size_t j = i; j < std::min(columns.size(), i + kPerRow); ++j) {
      HeaderCell(html, columns[j], columns[j].label);
      ValueCell(html, columns[j].value(record));
    }
    html.Close();
    html.Newline();
  }
  html.Close();
  html.Newline();
}

// The members of a record as one paragraph: "Label: value · Label:
// value", each label titled with the member's description and name.
template <typename Record>
void Line(HtmlWriter& html, const MemberValues& values, const Record& record) {
  html.Open("p");
  bool first = true;
  for (const Column<Record>& column : Columns<Record>(values)) {
    const std::optional<CellValue> value = column.value(record);
    if (!value) continue;
    if (!first) html.Text(" · ");
    first = false;
    html.Open("span")
        .Attribute("title", column.description + " (" + column.member + ")")
        .Text(column.label);
    html.Close();
    html.Text(": " + (value->text.empty() ? "(empty)" : value->text));
  }
  html.Close();
  html.Newline();
}

}  // namespace dsrtool
