#include "tools/dsrtool_src/report/heading_section.h"

#include <functional>
#include <iterator>
#include <utility>

#include "tools/dsrtool_src/report/page_style.h"
#include "tools/dsrtool_src/report/record_tables.h"

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

std::string ByteSizeText(std::uint64_t bytes) {
  std::string text = std::to_string(bytes) + " bytes";
  static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB"};
  if (bytes < 1024) return text;
  // Tenths of the largest unit the size reaches, rounded down.
  std::uint64_t unit = 1024;
  size_t u = 0;
  while (u + 1 < std::size(kUnits) && bytes >= unit * 1024) {
    unit *= 1024;
    ++u;
  }
  const std::uint64_t tenths = bytes * 10 / unit;
  return text + " (" + std::to_string(tenths / 10) + "." +
         std::to_string(tenths % 10) + " " + kUnits[u] + ")";
}

void Heading(HtmlWriter& html, std::string_view title,
             const std::vector<const SeriesView*>& views,
             const PageStamp& stamp) {
  html.Element("h1", title);
  html.Newline();
  html.Open("table").Attribute("id", "file");
  if (views.size() > 1) {
    html.Open("tr");
    html.Element("th", "");
    for (size_t i = 0; i < views.size(); ++i) {
      html.Element("th", std::string(1, static_cast<char>('A' + i)));
    }
    html.Close();
  }
  using Fact = std::function<std::string(const SeriesView&)>;
  const std::pair<const char*, Fact> rows[] = {
      {"File", [](const SeriesView& view) { return view.path; }},
      {"Format version",
       [](const SeriesView& view) { return view.facts.version; }},
      {"Size",
       [](const SeriesView& view) { return ByteSizeText(view.facts.size); }},
      {"SHA-256", [](const SeriesView& view) { return view.facts.sha256; }},
  };
  for (const auto& [label, fact] : rows) {
    html.Open("tr");
    html.Element("th", label);
    const std::string first = fact(*views.front());
    for (const SeriesView* view : views) {
      const std::string value = fact(*view);
      html.Open("td");
      // Two files are two paths: only their facts are marked.
      if (views.size() > 1 && value != first && label != rows[0].first) {
        html.Attribute("class", "chg");
      }
      html.Text(value);
      html.Close();
    }
    html.Close();
    html.Newline();
  }
  for (const auto& [label, value] :
       {std::pair{"Made by", stamp.tool}, {"Made on (UTC)", stamp.date}}) {
    html.Open("tr");
    html.Element("th", label);
    html.Open("td");
    if (views.size() > 1) {
      html.Attribute("colspan", std::to_string(views.size()));
    }
    html.Text(value);
    html.Close();
    html.Close();
    html.Newline();
  }
  html.Close();
  html.Newline();
}

}  // namespace dsrtool
