#include "devseries/xmlio/value_codecs.h"

#include <limits>
#include <stdexcept>
#include <type_traits>

#include "devseries/platform/hex_digit.h"
#include "devseries/xmlio/dom_element_builder.h"
#include "devseries/xmlio/number_text.h"
#include "devseries/xmlio/read_report.h"

namespace devseries {

namespace {

// `text` for a note: in quotes, control characters as blanks, cut after
// 40 bytes (at a character boundary) with "..." when longer.
std::string Quoted(std::string_view text) {
  constexpr size_t kShown = 40;
  size_t length = text.size();
  if (length > kShown) {
    length = kShown;
    // Not inside a UTF-8 sequence: continuation bytes are 10xxxxxx.
    while (length > 0 &&
           (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
      --length;
    }
  }
  std::string quoted = "\"";
  for (char c : text.substr(0, length)) {
    quoted += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  }
  if (length < text.size()) quoted += "...";
  return quoted + "\"";
}

// Notes a number text that did not read as it stands; `read` is the value
// taken from it. For an integer reader, a number with a fraction or an
// exponent is "not an integer", and one whose value is the integer read
// ("170.000", as some int fields are written) is no coercion at all.
template <typename Number>
[[gnu::cold]] void NoteNumber(DomNode node, std::string_view text,
                              NumberFit fit, Number read) {
  constexpr bool kInteger = std::is_integral_v<Number>;
  if (kInteger && !IntegerTextCoerced(text, fit, static_cast<double>(read))) {
    return;
  }
  NumberFit asFloat = NumberFit::kNoNumber;
  if (kInteger && fit == NumberFit::kTrailingText) ParseCDouble(text, asFloat);
  std::string what = Quoted(text);
  if (fit == NumberFit::kOutOfRange) {
    what += " is out of range";
  } else {
    what += asFloat == NumberFit::kExact ? " is not an integer"
                                         : " is not a number";
  }
  if constexpr (kInteger) {
    NoteCoercion(node, what + "; read as " + FormatInt(read));
  } else {
    NoteCoercion(node, what + "; read as " + FormatShortest(read));
  }
}

// The number `parse` reads from the text of `node`; text that is not exactly
// one number of the type is noted.
template <typename Number, Number (*parse)(std::string_view, NumberFit&)>
Number ReadNumber(DomNode node) {
  std::string scratch;
  const std::string_view text = node.TextView(scratch);
  NumberFit fit;
  const Number value = parse(text, fit);
  if (fit != NumberFit::kExact) [[unlikely]] {
    NoteNumber(node, text, fit, value);
  }
  return value;
}

// The int of a time-stamp field, keeping the low bits as a narrowing store
// does; a value beyond the field's range is noted.
template <typename Field>
Field ReadStampField(DomNode node, const char* name) {
  const std::int32_t value = ReadIntValue(node);
  const auto field = static_cast<Field>(value);
  if (value != static_cast<std::int32_t>(field)) [[unlikely]] {
    std::string scratch;
    NoteCoercion(node, Quoted(node.TextView(scratch)) + " does not fit " +
                           name + " (0 to " +
                           FormatInt(std::numeric_limits<Field>::max()) +
                           "); read as " + FormatInt(field));
  }
  return field;
}

}  // namespace

DomNode WriteBoolElement(DomDocument& doc, std::string_view name, bool value) {
  return BuildElement(
      doc, [&](DomElementBuilder& out) { WriteBoolTo(out, name, value); });
}

DomNode WriteIntElement(DomDocument& doc, std::string_view name,
                        std::int32_t value) {
  return BuildElement(
      doc, [&](DomElementBuilder& out) { WriteIntTo(out, name, value); });
}

DomNode WriteFloatElement(DomDocument& doc, std::string_view name, double value,
                          int precision) {
  return BuildElement(doc, [&](DomElementBuilder& out) {
    WriteFloatTo(out, name, value, precision);
  });
}

DomNode WriteStringElement(DomDocument& doc, std::string_view name,
                           std::string_view value) {
  return BuildElement(
      doc, [&](DomElementBuilder& out) { out.TextElement(name, value); });
}

DomNode WriteIntAttribute(DomDocument& doc, std::string_view name,
                          std::int32_t value) {
  DomNode attribute = doc.CreateAttribute(name);
  attribute.SetText(FormatInt(value));
  return attribute;
}

DomNode WriteLanguageStringSet(DomDocument& doc, std::string_view name,
                               const LanguageStringSet& set) {
  return BuildElement(doc, [&](DomElementBuilder& out) {
    WriteLanguageStringSetTo(out, name, set);
  });
}

DomNode WriteTimeStamp(DomDocument& doc, std::string_view name,
                       const TimeStamp& stamp) {
  return BuildElement(
      doc, [&](DomElementBuilder& out) { WriteTimeStampTo(out, name, stamp); });
}

bool IntegerTextCoerced(std::string_view text, NumberFit fit, double read) {
  NumberFit asFloat = NumberFit::kNoNumber;
  return !(fit == NumberFit::kTrailingText &&
           ParseCDouble(text, asFloat) == read && asFloat == NumberFit::kExact);
}

bool ReadBoolValue(DomNode node) {
  std::string scratch;
  std::string_view text = node.TextView(scratch);
  if (text == "true") return true;
  if (text != "false") [[unlikely]] {
    NoteCoercion(node, Quoted(text) + " is not true or false; read as false");
  }
  return false;
}

std::int32_t ReadIntValue(DomNode node) {
  return ReadNumber<std::int32_t, ParseCLong>(node);
}

std::int64_t ReadInt64Value(DomNode node) {
  return ReadNumber<std::int64_t, ParseCLongLong>(node);
}

double ReadFloatValue(DomNode node) {
  return ReadNumber<double, ParseCDouble>(node);
}

std::string ReadStringValue(DomNode node) { return node.GetText(); }

void ReadLanguageStringSet(DomNode node, LanguageStringSet& set) {
  const auto& languages = LanguageNameTable();
  for (DomNode child : node.Children()) {
    std::string_view name = child.NodeName();
    for (size_t i = 0; i < kLanguageCount; ++i) {
      if (name == languages[i]) {
        set[i] = ReadStringValue(child);
        break;
      }
    }
  }
}

TimeStamp ReadTimeStamp(DomNode node) {
  TimeStamp stamp;
  DomNode child = node.GetFirstChild();
  // Each field keeps the low bits of the decoded value, as a narrowing
  // store does.
  stamp.year = ReadStampField<std::uint16_t>(child, "year");
  child = child.GetNextSibling();
  stamp.month = ReadStampField<std::uint8_t>(child, "month");
  child = child.GetNextSibling();
  stamp.day = ReadStampField<std::uint8_t>(child, "day");
  child = child.GetNextSibling();
  stamp.hour = ReadStampField<std::uint8_t>(child, "hour");
  child = child.GetNextSibling();
  stamp.minute = ReadStampField<std::uint8_t>(child, "minute");
  child = child.GetNextSibling();
  stamp.second = ReadStampField<std::uint8_t>(child, "second");
  child = child.GetNextSibling();
  stamp.ms = ReadStampField<std::uint16_t>(child, "ms");
  return stamp;
}

std::string EncodeEscapedString(const void* bytes, size_t length) {
  static const char kHex[] = "0123456789ABCDEF";
  const auto* p = static_cast<const unsigned char*>(bytes);
  std::string text;
  text.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = p[i];
    bool plain = c >= 0x20 && c <= 0x7E && c != '"' && c != '&' && c != '\'' &&
                 c != '<' && c != '>' && c != '\\';
    if (plain) {
      text += static_cast<char>(c);
    } else {
      text += "\\x";
      text += kHex[c >> 4];
      text += kHex[c & 0x0F];
    }
  }
  return text;
}

std::string decodeEscapedString(const char* text, size_t length) {
  std::string bytes;
  bytes.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
      continue;
    }
    if (i + 1 >= length) {
      throw std::runtime_error("decodeEscapedString(): invalid source string");
    }
    if (text[i + 1] != 'x') {
      throw std::runtime_error(
          "decodeEscapedString(): unrecognized escape sequence");
    }
    if (i + 3 >= length) {
      throw std::runtime_error("decodeEscapedString(): invalid source string");
    }
    // strtol(base 16) on the two characters alone: blanks, a sign, then the
    // leading hexadecimal digits count.
    const char* pair = text + i + 2;
    size_t k = 0;
    while (k < 2 && (pair[k] == ' ' || (pair[k] >= '\t' && pair[k] <= '\r'))) {
      ++k;
    }
    bool negative = false;
    if (k < 2 && (pair[k] == '+' || pair[k] == '-')) {
      negative = pair[k] == '-';
      ++k;
    }
    int value = 0;
    for (; k < 2 && platform::HexDigitValue(pair[k]) >= 0; ++k) {
      value = value * 16 + platform::HexDigitValue(pair[k]);
    }
    bytes += static_cast<char>(negative ? -value : value);
    i += 3;
  }
  return bytes;
}

}  // namespace devseries
