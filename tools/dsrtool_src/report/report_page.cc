#include "tools/dsrtool_src/report/report_page.h"

#include <libxml/xmlwriter.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace dsrtool {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the valid UTF-8 sequence at the start of `text`, or 0.
size_t ValidSequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) {
    return static_cast<unsigned char>(text[i]);
  };
  const unsigned char lead = byte(0);
  size_t length = 0;
  char32_t value = 0;
  char32_t least = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    least = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    value = value << 6 | (byte(i) & 0x3F);
  }
  if (value < least || value > 0x10FFFF) return 0;
  if (value >= 0xD800 && value <= 0xDFFF) return 0;
  return length;
}

// A control character's picture: U+2400 + code, U+2421 for DEL.
void AppendControlPicture(unsigned char code, std::string& out) {
  const char32_t picture = code == 0x7F ? 0x2421 : 0x2400 + code;
  out += static_cast<char>(0xE0 | (picture >> 12));
  out += static_cast<char>(0x80 | ((picture >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (picture & 0x3F));
}

bool NeedsNoChange(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 0x20 && u < 0x7F) || u == '\t' || u == '\n';
  });
}

template <typename Float>
std::string ShortestText(Float value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  if (value == 0) return "0";
  char buffer[64];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end);
}

// The output buffer's sink: appends to the page string.
int AppendToPage(void* context, const char* data, int length) {
  static_cast<std::string*>(context)->append(data, static_cast<size_t>(length));
  return length;
}

const xmlChar* Chars(const char* text) {
  return reinterpret_cast<const xmlChar*>(text);
}

}  // namespace

std::string PageText(std::string_view bytes) {
  if (NeedsNoChange(bytes)) return std::string(bytes);
  std::string text;
  text.reserve(bytes.size());
  while (!bytes.empty()) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    size_t length = ValidSequenceLength(bytes);
    if (length == 0) {
      text += kReplacement;
      length = 1;
    } else if ((lead < 0x20 && lead != '\t' && lead != '\n') || lead == 0x7F) {
      AppendControlPicture(lead, text);
    } else {
      text.append(bytes.substr(0, length));
    }
    bytes.remove_prefix(length);
  }
  return text;
}

std::string NumberText(double value) { return ShortestText(value); }
std::string NumberText(float value) { return ShortestText(value); }

// ------------------------------------------------------------ HtmlWriter

HtmlWriter::HtmlWriter() {
  xmlOutputBufferPtr output =
      xmlOutputBufferCreateIO(AppendToPage, nullptr, &page_, nullptr);
  if (output == nullptr) throw PageError("the page cannot be made");
  // The writer owns the output buffer once it exists.
  writer_ = xmlNewTextWriter(output);
  if (writer_ == nullptr) {
    xmlOutputBufferClose(output);
    throw PageError("the page cannot be made");
  }
}

HtmlWriter::~HtmlWriter() {
  if (writer_ != nullptr) xmlFreeTextWriter(writer_);
}

void HtmlWriter::Check(int result) const {
  if (result < 0) throw PageError("the page cannot be written");
}

void HtmlWriter::Doctype() {
  // Raw text, since the writer's own DTD form is XML's; nothing from a
  // file goes this way.
  Check(xmlTextWriterWriteRaw(writer_, Chars("<!DOCTYPE html>\n")));
}

HtmlWriter& HtmlWriter::Open(const char* name) {
  Check(xmlTextWriterStartElement(writer_, Chars(name)));
  return *this;
}

HtmlWriter& HtmlWriter::Attribute(const char* name, std::string_view value) {
  const std::string text = PageText(value);
  Check(xmlTextWriterWriteAttribute(writer_, Chars(name), Chars(text.c_str())));
  return *this;
}

HtmlWriter& HtmlWriter::Text(std::string_view text) {
  const std::string shown = PageText(text);
  Check(xmlTextWriterWriteString(writer_, Chars(shown.c_str())));
  return *this;
}

void HtmlWriter::Close() { Check(xmlTextWriterFullEndElement(writer_)); }

void HtmlWriter::CloseVoid() { Check(xmlTextWriterEndElement(writer_)); }

void HtmlWriter::Element(const char* name, std::string_view text) {
  Open(name);
  Text(text);
  Close();
}

void HtmlWriter::Newline() { Text("\n"); }

std::string HtmlWriter::Finish() {
  // Closing what is open and flushing; ending the writer's "document"
  // would add nothing but the checks.
  while (xmlTextWriterFullEndElement(writer_) >= 0) {
  }
  Check(xmlTextWriterFlush(writer_));
  xmlFreeTextWriter(writer_);
  writer_ = nullptr;
  return std::move(page_);
}

// -------------------------------------------------------------- PathData

void PathData::Command(char command) {
  // A command repeats itself implicitly ("l1 2 3 4"), except a move, whose
  // repeated pairs would be lines.
  if (command == last_ && command != 'm') return;
  d_ += command;
  last_ = command;
}

void PathData::Coordinate(long value) {
  // A minus sign separates a number from the one before by itself.
  char buffer[24];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (value >= 0 && !d_.empty() && d_.back() >= '0' && d_.back() <= '9') {
    d_ += ' ';
  }
  d_.append(buffer, end);
}

void PathData::MoveTo(long x, long y) {
  Command('m');
  Coordinate(x - x_);
  Coordinate(y - y_);
  x_ = x;
  y_ = y;
}

void PathData::LineTo(long x, long y) {
  if (d_.empty()) {
    MoveTo(x, y);
    return;
  }
  Command('l');
  Coordinate(x - x_);
  Coordinate(y - y_);
  x_ = x;
  y_ = y;
}

void PathData::Dot(long x, long y) {
  MoveTo(x, y);
  d_ += "h0";
  last_ = 'h';
}

// --------------------------------------------------------- GraphVertices

std::vector<size_t> GraphVertices(std::span<const std::uint16_t> values) {
  // Greedy: from each vertex, the line goes to the farthest point whose
  // slope keeps every point in between within the tolerance. The slopes
  // that do form an interval that narrows with each point passed; once it
  // is empty no farther point can qualify. A point that qualified is
  // followed at most kLookahead points further, which bounds the work.
  constexpr double kTolerance = 0.49;
  constexpr size_t kLookahead = 64;
  std::vector<size_t> vertices;
  if (values.empty()) return vertices;
  vertices.push_back(0);
  size_t anchor = 0;
  while (anchor + 1 < values.size()) {
    const double from = values[anchor];
    double low = -std::numeric_limits<double>::infinity();
    double high = std::numeric_limits<double>::infinity();
    size_t last = anchor + 1;
    for (size_t j = anchor + 1; j < values.size() && j - last <= kLookahead;
         ++j) {
      const double run = static_cast<double>(j - anchor);
      const double rise = values[j] - from;
      const double slope = rise / run;
      if (slope >= low && slope <= high) last = j;
      low = std::max(low, (rise - kTolerance) / run);
      high = std::min(high, (rise + kTolerance) / run);
      if (low > high) break;
    }
    vertices.push_back(last);
    anchor = last;
  }
  return vertices;
}

double NiceCeiling(double value) {
  if (!(value > 0) || !std::isfinite(value)) return 1;
  double power = std::pow(10.0, std::floor(std::log10(value)));
  for (double step : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (step * power >= value) return step * power;
  }
  return 10 * power;
}

}  // namespace dsrtool
