#include "tools/dsrtool_src/report/record_sections.h"

namespace dsrtool {

void SectionHeading(HtmlWriter& html, std::string_view id,
                    std::string_view title) {
  html.Open("h2").Attribute("id", id).Text(title);
  html.Close();
  html.Newline();
}

bool Holds(HtmlWriter& html, const SectionInfo& section, size_t count) {
  if (count != 0) return true;
  html.Element("p", "The file holds no " + section.description + ".");
  return false;
}

void ModelsSection(HtmlWriter& html, const SeriesView& view,
                   const SectionInfo& section,
                   const std::vector<devseries::ModelInfo>& models) {
  SectionHeading(html, section.id, section.title);
  if (Holds(html, section, models.size())) {
    TransposedTable(html, view.values, models);
  }
}

}  // namespace dsrtool
