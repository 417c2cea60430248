#include "tools/dsrtool_src/report/comparison_tables.h"

namespace dsrtool {

bool EitherHolds(HtmlWriter& html, const SectionInfo& section, size_t pairs) {
  if (pairs != 0) return true;
  html.Element("p", "Neither file holds " + section.description + ".");
  return false;
}

bool SameCell(const std::optional<CellValue>& a,
              const std::optional<CellValue>& b) {
  if (!a || !b) return !a && !b;
  return a->text == b->text;
}

void ComparedCell(HtmlWriter& html, const std::optional<CellValue>& a,
                  const std::optional<CellValue>& b) {
  if (SameCell(a, b)) return ValueCell(html, a);
  html.Open("td").Attribute("class", "chg");
  for (const auto& [side, value] : {std::pair{"a", &a}, std::pair{"b", &b}}) {
    html.Open("span").Attribute("class", side);
    if (!*value) {
      // The file does not store the member for this record.
      html.Text("–");
    } else {
      if (value->value().kind == CellValue::Kind::kColour) {
        html.Open("span")
            .Attribute("class", "sw")
            .Attribute("style", "background:" + value->value().text);
        html.Close();
      }
      html.Text(value->value().text);
    }
    html.Close();
  }
  html.Close();
}

}  // namespace dsrtool
