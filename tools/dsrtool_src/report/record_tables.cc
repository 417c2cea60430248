#include "tools/dsrtool_src/report/record_tables.h"

#include "tools/dsrtool_src/member_text.h"

namespace dsrtool {

void OpenTable(HtmlWriter& html, size_t columns) {
  html.Open("table");
  if (columns > 24) {
    html.Attribute("class", "w3");
  } else if (columns > 16) {
    html.Attribute("class", "w2");
  } else if (columns > 10) {
    html.Attribute("class", "w1");
  }
}

void Cell(HtmlWriter& html, std::string_view text) { html.Element("td", text); }

void NumberCell(HtmlWriter& html, std::string_view text) {
  html.Open("td").Attribute("class", "n").Text(text);
  html.Close();
}

void ValueCell(HtmlWriter& html, const std::optional<CellValue>& value) {
  if (!value) {
    // The file does not store the member for this record.
    Cell(html, "–");
    return;
  }
  switch (value->kind) {
    case CellValue::Kind::kNumber:
      NumberCell(html, value->text);
      return;
    case CellValue::Kind::kColour:
      html.Open("td");
      html.Open("span")
          .Attribute("class", "sw")
          .Attribute("style", "background:" + value->text);
      html.Close();
      html.Text(value->text);
      html.Close();
      return;
    case CellValue::Kind::kText:
      Cell(html, value->text);
      return;
  }
}

HeadingParts SplitHeading(const std::string& label) {
  const size_t colon = label.find(": ");
  if (colon == std::string::npos) return {"", label};
  return {label.substr(0, colon), Capitalised(label.substr(colon + 2))};
}

void HeaderCell(HtmlWriter& html, std::string_view label,
                std::string_view description, std::string_view note,
                std::string_view member, const char* span, long count) {
  html.Open("th").Attribute("title", description);
  if (span != nullptr) html.Attribute(span, Int(count));
  html.Text(label);
  if (!note.empty()) {
    html.Open("span").Attribute("class", "d").Text(note);
    html.Close();
  }
  html.Open("span").Attribute("class", "m").Text(member);
  html.Close();
  html.Close();
}

}  // namespace dsrtool
