// The tables of a page that compares two device series, A and B: records
// paired as `diff` pairs them, a value shown once where both files show
// the same and both values marked where they differ, and the records only
// one file holds marked as such.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dsrtool_src/report/record_matching.h"
#include "tools/dsrtool_src/report/record_tables.h"
#include "tools/dsrtool_src/report/report_members.h"
#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/report/series_view.h"

namespace dsrtool {

// Two files' views, side by side.
struct Compared {
  const SeriesView& a;
  const SeriesView& b;
};

// Says so when neither file holds a record of the section's list
// ("Neither file holds inks."); false then.
bool EitherHolds(HtmlWriter& html, const SectionInfo& section, size_t pairs);

// Whether two cells show the same: both absent, or the same text.
bool SameCell(const std::optional<CellValue>& a,
              const std::optional<CellValue>& b);

// A cell comparing A's value and B's: the value once where they show the
// same; both, marked as A's and B's, in a cell marked changed ("chg")
// otherwise.
void ComparedCell(HtmlWriter& html, const std::optional<CellValue>& a,
                  const std::optional<CellValue>& b);

// A compared row's class: "oa" for a record only A holds, "ob" only B,
// empty for one both hold.
template <typename Record>
const char* PairClass(const Paired<Record>& pair) {
  return pair.b == nullptr ? "oa" : pair.a == nullptr ? "ob" : "";
}

// How a pair of records is named: "A 0, B 2", "only in A (3)", "only in B
// (1)" (the records' positions in their lists).
template <typename Record>
std::string PairLabel(const Paired<Record>& pair) {
  if (pair.b == nullptr) {
    return "only in A (" + std::to_string(pair.positionA) + ")";
  }
  if (pair.a == nullptr) {
    return "only in B (" + std::to_string(pair.positionB) + ")";
  }
  return "A " + std::to_string(pair.positionA) + ", B " +
         std::to_string(pair.positionB);
}

// The cell of column `k` for `pair`: compared where both hold the record,
// the one value where one does.
template <typename Record>
void PairCell(HtmlWriter& html, const Paired<Record>& pair,
              const Column<Record>& columnA, const Column<Record>& columnB) {
  if (pair.a == nullptr) return ValueCell(html, columnB.value(*pair.b));
  if (pair.b == nullptr) return ValueCell(html, columnA.value(*pair.a));
  ComparedCell(html, columnA.value(*pair.a), columnB.value(*pair.b));
}

// A table of paired records, a row per pair (its label first, linked to
// `link(i)` when given) and a column per member the report shows: A's
// columns (`columnsA`) and B's (`columnsB`, the same members read with B's
// references), under `caption` when there is one.
template <typename Record>
void ComparedTable(HtmlWriter& html, const std::vector<Paired<Record>>& pairs,
                   const std::vector<Column<Record>>& columnsA,
                   const std::vector<Column<Record>>& columnsB,
                   std::string_view caption = {},
                   const std::function<std::string(size_t)>& link = {}) {
  html.Open("div").Attribute("class", "x");
  OpenTable(html, columnsA.size() + 1);
  if (!caption.empty()) html.Element("caption", caption);
  Headers(html, columnsA, "A, B");
  for (size_t i = 0; i < pairs.size(); ++i) {
    html.Open("tr");
    if (*PairClass(pairs[i]) != 0) html.Attribute("class", PairClass(pairs[i]));
    html.Open("th").Attribute("class", "pl");
    if (link) {
      html.Open("a").Attribute("href", "#" + link(i)).Text(PairLabel(pairs[i]));
      html.Close();
    } else {
      html.Text(PairLabel(pairs[i]));
    }
    html.Close();
    for (size_t k = 0; k < columnsA.size(); ++k) {
      PairCell(html, pairs[i], columnsA[k], columnsB[k]);
    }
    html.Close();
    html.Newline();
  }
  html.Close();
  html.Close();
  html.Newline();
}

// As ComparedTable with a row per member and a column per pair, for
// records of many members that are few (a nested record is one pair).
template <typename Record>
void ComparedTransposed(HtmlWriter& html, const Compared& files,
                        const std::vector<Paired<Record>>& pairs) {
  const std::vector<Column<Record>> columnsA = Columns<Record>(files.a.values);
  const std::vector<Column<Record>> columnsB = Columns<Record>(files.b.values);
  html.Open("div").Attribute("class", "x");
  OpenTable(html, pairs.size() + 1);
  html.Open("tr");
  html.Element("th", "A, B");
  for (const Paired<Record>& pair : pairs) {
    html.Open("th").Attribute("class", std::string("pl ") + PairClass(pair));
    html.Text(PairLabel(pair));
    html.Close();
  }
  html.Close();
  html.Newline();
  for (size_t k = 0; k < columnsA.size(); ++k) {
    html.Open("tr");
    HeaderCell(html, columnsA[k], columnsA[k].label);
    for (const Paired<Record>& pair : pairs) {
      PairCell(html, pair, columnsA[k], columnsB[k]);
    }
    html.Close();
    html.Newline();
  }
  html.Close();
  html.Close();
  html.Newline();
}

// ComparedTable of the records of `a` and `b`, paired, with the columns of
// every member the report shows.
template <typename Record>
void ComparedRecords(HtmlWriter& html, const Compared& files,
                     const std::vector<Record>& a, const std::vector<Record>& b,
                     std::string_view caption = {}) {
  ComparedTable(html, PairRecords(a, b), Columns<Record>(files.a.values),
                Columns<Record>(files.b.values), caption);
}

// "2 changed, 1 only in A, 0 only in B", or "the same" when no pair
// differs.
template <typename Record>
std::string PairCounts(const std::vector<Paired<Record>>& pairs) {
  size_t changed = 0;
  size_t onlyA = 0;
  size_t onlyB = 0;
  for (const Paired<Record>& pair : pairs) {
    changed += pair.Changed() ? 1 : 0;
    onlyA += pair.b == nullptr ? 1 : 0;
    onlyB += pair.a == nullptr ? 1 : 0;
  }
  if (changed + onlyA + onlyB == 0) return "the same";
  return std::to_string(changed) + " changed, " + std::to_string(onlyA) +
         " only in A, " + std::to_string(onlyB) + " only in B";
}

}  // namespace dsrtool
