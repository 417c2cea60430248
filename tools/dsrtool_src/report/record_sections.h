// The sections of a report page for the series' lists of records that
// need no chart: a table of each list, the models side by side, and a
// nested record's members as figures.
#pragma once

#include <string>
#include <vector>

#include "tools/dsrtool_src/report/record_tables.h"
#include "tools/dsrtool_src/report/series_view.h"

namespace dsrtool {

// The section's heading, with the id the index links to.
void SectionHeading(HtmlWriter& html, std::string_view id,
                    std::string_view title);

// Says so when the list holds no records ("The file holds no inks."); false
// then.
bool Holds(HtmlWriter& html, const SectionInfo& section, size_t count);

// A list of records: a table of them, a row each.
template <typename Record>
void RecordsSection(HtmlWriter& html, const SeriesView& view,
                    const SectionInfo& section,
                    const std::vector<Record>& records) {
  SectionHeading(html, section.id, section.title);
  if (!Holds(html, section, records.size())) return;
  RecordTable(html, records, Columns<Record>(view.values));
}

// A nested record: its members as figures.
template <typename Record>
void NestedSection(HtmlWriter& html, const SeriesView& view,
                   const SectionInfo& section, const Record& record) {
  SectionHeading(html, section.id, section.title);
  Figures(html, view.values, record);
}

// The models: few, each of many members, side by side.
void ModelsSection(HtmlWriter& html, const SeriesView& view,
                   const SectionInfo& section,
                   const std::vector<devseries::ModelInfo>& models);

}  // namespace dsrtool
