#include "tools/dsrtool_src/report/comparison_separations.h"

#include <algorithm>
#include <cstdlib>

#include "tools/dsrtool_src/report/chart_colours.h"
#include "tools/dsrtool_src/report/record_sections.h"
#include "tools/dsrtool_src/report/separation_section.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

const SeparationTable* ChannelAt(const SeparationInfo* separation, size_t k) {
  if (separation == nullptr || k >= separation->aSeparationTableList.size()) {
    return nullptr;
  }
  return &separation->aSeparationTableList[k];
}

bool StoresCurve(const SeparationTable* table) {
  return table != nullptr && table->eType == 1;
}

// How the curves of a channel differ: "the same", "differs at 812 of 4096
// levels, by up to 37", "stored in A only"; empty where they do not.
std::string CurveDifference(const SeparationTable* a,
                            const SeparationTable* b) {
  if (!StoresCurve(a) || !StoresCurve(b)) {
    if (StoresCurve(a)) return "stored in A only";
    return StoresCurve(b) ? "stored in B only" : "";
  }
  size_t levels = 0;
  int largest = 0;
  for (size_t i = 0; i < a->usOutputTable.size(); ++i) {
    const int difference =
        std::abs(int{a->usOutputTable[i]} - int{b->usOutputTable[i]});
    levels += difference != 0 ? 1 : 0;
    largest = std::max(largest, difference);
  }
  if (levels == 0) return "";
  return "differs at " + std::to_string(levels) + " of " +
         std::to_string(a->usOutputTable.size()) + " levels, by up to " +
         std::to_string(largest);
}

void PairCurves(HtmlWriter& html, const Compared& files,
                const Paired<SeparationInfo>& pair) {
  const size_t channels =
      std::max(pair.a != nullptr ? pair.a->aSeparationTableList.size() : 0,
               pair.b != nullptr ? pair.b->aSeparationTableList.size() : 0);
  // A channel keeps one colour in both files: A's ink's, where A holds the
  // separation.
  const std::vector<std::string> colours =
      pair.a != nullptr ? ChannelColours(files.a, pair.a, channels)
                        : ChannelColours(files.b, pair.b, channels);
  std::vector<CurveLine> lines;
  std::vector<std::pair<std::string, std::string>> differences;
  for (size_t k = 0; k < channels; ++k) {
    const SeparationTable* a = ChannelAt(pair.a, k);
    const SeparationTable* b = ChannelAt(pair.b, k);
    const std::string label = a != nullptr ? files.a.ChannelLabel(*a, k)
                                           : files.b.ChannelLabel(*b, k);
    if (StoresCurve(a)) {
      lines.push_back(
          {&a->usOutputTable, colours[k], "ln", label + " A", false});
    }
    if (StoresCurve(b)) {
      lines.push_back(
          {&b->usOutputTable, colours[k], "ln b", label + " B", false});
    }
    if (pair.a != nullptr && pair.b != nullptr &&
        (StoresCurve(a) || StoresCurve(b))) {
      differences.emplace_back(label, CurveDifference(a, b));
    }
  }
  if (lines.empty()) {
    html.Element("p", "No channel stores an output curve.");
    return;
  }
  CurveChart(html,
             "Output curves of A and B: output level against input level per "
             "channel",
             lines);
  html.Element("p",
               "Solid lines: A's output curves; dashed lines: B's, each "
               "channel in its ink's colour.");
  if (differences.empty()) return;
  html.Open("ul").Attribute("class", "cd");
  for (const auto& [label, text] : differences) {
    html.Open("li");
    if (!text.empty()) html.Attribute("class", "chg");
    html.Text(label + ": " + (text.empty() ? "the same" : text));
    html.Close();
  }
  html.Close();
  html.Newline();
}

}  // namespace

std::string ComparedSeparationTitle(const Compared& files,
                                    const Paired<SeparationInfo>& pair) {
  const std::string title = pair.a != nullptr
                                ? files.a.SeparationTitle(pair.positionA)
                                : files.b.SeparationTitle(pair.positionB);
  if (pair.a == nullptr) return title + " (only in B)";
  if (pair.b == nullptr) return title + " (only in A)";
  return title + (pair.Changed() ? " (changed)" : " (the same)");
}

void ComparedSeparationsSection(
    HtmlWriter& html, const Compared& files, const SectionInfo& section,
    const std::vector<Paired<SeparationInfo>>& pairs) {
  SectionHeading(html, section.id, section.title);
  EitherHolds(html, section, pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) {
    const Paired<SeparationInfo>& pair = pairs[i];
    html.Open("details").Attribute("id", SeparationId(i));
    if (*PairClass(pair) != 0) html.Attribute("class", PairClass(pair));
    html.Element("summary", ComparedSeparationTitle(files, pair));
    ComparedTransposed(html, files, std::vector{pair});
    PairCurves(html, files, pair);
    static const std::vector<SeparationTable> kNone;
    ComparedRecords(html, files,
                    pair.a != nullptr ? pair.a->aSeparationTableList : kNone,
                    pair.b != nullptr ? pair.b->aSeparationTableList : kNone);
    html.Close();
    html.Newline();
  }
}

}  // namespace dsrtool
