#include "tools/dsrtool_src/report/heading_section.h"

#include "tools/dsrtool_src/report/page_style.h"

namespace dsrtool {

void PageHead(HtmlWriter& html, std::string_view title) {
  html.Open("head");
  html.Open("meta").Attribute("charset", "utf-8");
  html.CloseVoid();
  html.Element("title", title);
  html.Element("style", kPageStyle);
  html.Close();
  html.Newline();
}

void Heading(HtmlWriter& html, const SeriesView& view) {
  html.Element("h1", "Device series " + view.FileName());
}

}  // namespace dsrtool
