// The pieces dsrtool's report page is made of: an HTML writer over
// libxml2's text writer, texts and numbers as the page shows them, and the
// path data of its SVG charts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct _xmlTextWriter;

namespace dsrtool {

// `bytes` as valid UTF-8 fit for a page: each byte that does not start a
// valid UTF-8 sequence (overlong forms, surrogates and values over U+10FFFF
// included) becomes U+FFFD, and each control character other than tab and
// line feed becomes its visible picture (U+2400 to U+2421: "\x1b" shows as
// U+241B). Nothing else changes.
std::string PageText(std::string_view bytes);

// The shortest text that reads back as `value` ("0.05" for 0.05f, "1371.6",
// "1e+30"); "NaN", "inf" and "-inf" for values that are not finite. A
// negative zero shows as "0".
std::string NumberText(double value);
std::string NumberText(float value);

// The page's writer failed (it runs out of memory only).
class PageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes an HTML page through libxml2's text writer into memory. Elements
// are opened with Open, given attributes with Attribute, content with Text
// or further elements, and closed with Close: every element gets its end
// tag, since "<div/>" is only a start tag to a browser, except the void
// elements ("meta", "br"), closed with CloseVoid as "<br/>". Text and
// attribute values are escaped by the writer and made valid UTF-8 with
// PageText first, so any bytes of a file may be given. Each call raises
// PageError when the writer fails. Not copyable or movable.
class HtmlWriter {
 public:
  HtmlWriter();
  ~HtmlWriter();
  HtmlWriter(const HtmlWriter&) = delete;
  HtmlWriter& operator=(const HtmlWriter&) = delete;

  // "<!DOCTYPE html>" and a line break; first, before any element. No XML
  // declaration is ever written.
  void Doctype();
  HtmlWriter& Open(const char* name);
  // An attribute of the element just opened, before its content.
  HtmlWriter& Attribute(const char* name, std::string_view value);
  HtmlWriter& Text(std::string_view text);
  // Closes the innermost open element with its end tag.
  void Close();
  // Closes the innermost open element, a void element without content.
  void CloseVoid();
  // Open(name), Text(text), Close().
  void Element(const char* name, std::string_view text);
  // A line break between elements, for people reading the source.
  void Newline();

  // The page written so far, after closing every open element. The writer
  // is done then.
  [[nodiscard]] std::string Finish();

 private:
  void Check(int result) const;

  std::string page_;
  _xmlTextWriter* writer_ = nullptr;
};

// The "d" text of an SVG path over integer points, every command relative
// to the point before so that a long line costs a few characters a point:
// "m0 4095l16-40 16-38" rather than absolute coordinates.
class PathData {
 public:
  // Starts a new line at (x, y).
  void MoveTo(long x, long y);
  // Draws a line from the current point to (x, y).
  void LineTo(long x, long y);
  // A dot at (x, y): a line of length zero, which a stroke with round
  // caps draws as a filled circle of the stroke's width.
  void Dot(long x, long y);

  bool empty() const { return d_.empty(); }
  const std::string& text() const { return d_; }

 private:
  void Command(char command);
  void Coordinate(long value);

  std::string d_;
  long x_ = 0;
  long y_ = 0;
  char last_ = 0;
};

// The positions of the vertices of a line through the points (i, values[i])
// that passes within less than half a unit of every point: rounding the
// line's height at any position i gives values[i] back, so the line shows
// every entry exactly while it keeps only the points where the slope
// changes (a straight run of any length keeps its two ends). The first and
// last positions are always vertices; time and result are linear in the
// number of values.
std::vector<size_t> GraphVertices(std::span<const std::uint16_t> values);

// The smallest of 1, 2, 2.5 and 5 times a power of ten that is at least
// `value`, for the top of a chart's axis; 1 for values that are not
// positive and finite.
double NiceCeiling(double value);

}  // namespace dsrtool
