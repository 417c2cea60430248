#include "tools/dsrtool_src/report/charts.h"

#include <algorithm>
#include <cmath>

namespace dsrtool {

std::string Int(long value) { return std::to_string(value); }

long Scale(double value, double low, double high, long from, long to) {
  double t = (value - low) / (high - low);
  t = std::clamp(t, 0.0, 1.0);
  return std::lround(from + t * static_cast<double>(to - from));
}

void SvgText(HtmlWriter& html, long x, long y, std::string_view text,
             const char* anchor) {
  html.Open("text").Attribute("x", Int(x)).Attribute("y", Int(y));
  if (anchor != nullptr) html.Attribute("class", anchor);
  html.Text(text);
  html.Close();
}

void SvgPath(HtmlWriter& html, std::string_view classes, std::string_view d) {
  html.Open("path").Attribute("class", classes).Attribute("d", d);
  html.Close();
}

void SvgStroke(HtmlWriter& html, std::string_view kind, std::string_view colour,
               std::string_view d) {
  html.Open("path")
      .Attribute("class", kind)
      .Attribute("stroke", colour)
      .Attribute("d", d);
  html.Close();
}

void SvgFrame(HtmlWriter& html, const Plot& plot) {
  html.Open("rect")
      .Attribute("class", "fr")
      .Attribute("x", Int(plot.left))
      .Attribute("y", Int(plot.top))
      .Attribute("width", Int(plot.width))
      .Attribute("height", Int(plot.height));
  html.Close();
}

void OpenSvg(HtmlWriter& html, long width, long height,
             std::string_view label) {
  html.Open("svg")
      .Attribute("width", Int(width))
      .Attribute("height", Int(height))
      .Attribute("viewBox", "0 0 " + Int(width) + " " + Int(height))
      .Attribute("role", "img")
      .Attribute("aria-label", label);
}

void Use(HtmlWriter& html, const char* id) {
  html.Open("use").Attribute("href", std::string("#") + id);
  html.Close();
}

void LegendEntry(HtmlWriter& html, std::string_view colour, long x, long y,
                 std::string_view label, std::string_view kind) {
  SvgStroke(html, kind, colour, "M" + Int(x) + " " + Int(y - 4) + "h24");
  SvgText(html, x + 30, y, label);
}

}  // namespace dsrtool
