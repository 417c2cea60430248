#include "xmlio/value_codecs.h"

#include <stdexcept>

#include "xmlio/number_text.h"

namespace {

DomNode TextElement(DomDocument& doc, std::string_view name,
                    std::string_view text) {
  DomNode element = doc.CreateElement(name);
  element.SetText(text);
  return element;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

DomNode WriteBoolElement(DomDocument& doc, std::string_view name, bool value) {
  return TextElement(doc, name, value ? "true" : "false");
}

DomNode WriteIntElement(DomDocument& doc, std::string_view name,
                        std::int32_t value) {
  return TextElement(doc, name, FormatInt(value));
}

DomNode WriteFloatElement(DomDocument& doc, std::string_view name, double value,
                          int precision) {
  return TextElement(doc, name, FormatFixed(value, precision));
}

DomNode WriteStringElement(DomDocument& doc, std::string_view name,
                           std::string_view value) {
  return TextElement(doc, name, value);
}

DomNode WriteIntAttribute(DomDocument& doc, std::string_view name,
                          std::int32_t value) {
  DomNode attribute = doc.CreateAttribute(name);
  attribute.SetText(FormatInt(value));
  return attribute;
}

DomNode WriteLanguageStringSet(DomDocument& doc, std::string_view name,
                               const LanguageStringSet& set) {
  const auto& languages = LanguageNameTable();
  DomNode element = doc.CreateElement(name);
  for (size_t i = 0; i < kLanguageCount; ++i) {
    const std::string& text = set[i].empty() ? set[0] : set[i];
    element.AppendChild(WriteStringElement(doc, languages[i], text));
  }
  return element;
}

DomNode WriteTimeStamp(DomDocument& doc, std::string_view name,
                       const TimeStamp& stamp) {
  DomNode element = doc.CreateElement(name);
  element.AppendChild(WriteIntElement(doc, "year", stamp.year));
  element.AppendChild(WriteIntElement(doc, "month", stamp.month));
  element.AppendChild(WriteIntElement(doc, "day", stamp.day));
  element.AppendChild(WriteIntElement(doc, "hour", stamp.hour));
  element.AppendChild(WriteIntElement(doc, "minute", stamp.minute));
  element.AppendChild(WriteIntElement(doc, "second", stamp.second));
  element.AppendChild(WriteIntElement(doc, "ms", stamp.ms));
  return element;
}

bool ReadBoolValue(DomNode node) {
  std::string scratch;
  return node.TextView(scratch) == "true";
}

std::int32_t ReadIntValue(DomNode node) {
  std::string scratch;
  return ParseCLong(node.TextView(scratch));
}

std::int64_t ReadInt64Value(DomNode node) {
  std::string scratch;
  return ParseCLongLong(node.TextView(scratch));
}

double ReadFloatValue(DomNode node) {
  std::string scratch;
  return ParseCDouble(node.TextView(scratch));
}

std::string ReadStringValue(DomNode node) { return node.GetText(); }

void ReadLanguageStringSet(DomNode node, LanguageStringSet& set) {
  const auto& languages = LanguageNameTable();
  for (DomNode child = node.GetFirstChild(); child;
       child = child.GetNextSibling()) {
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
  stamp.year = static_cast<std::uint16_t>(ReadIntValue(child));
  child = child.GetNextSibling();
  stamp.month = static_cast<std::uint8_t>(ReadIntValue(child));
  child = child.GetNextSibling();
  stamp.day = static_cast<std::uint8_t>(ReadIntValue(child));
  child = child.GetNextSibling();
  stamp.hour = static_cast<std::uint8_t>(ReadIntValue(child));
  child = child.GetNextSibling();
  stamp.minute = static_cast<std::uint8_t>(ReadIntValue(child));
  child = child.GetNextSibling();
  stamp.second = static_cast<std::uint8_t>(ReadIntValue(child));
  child = child.GetNextSibling();
  stamp.ms = static_cast<std::uint16_t>(ReadIntValue(child));
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
    for (; k < 2 && HexDigit(pair[k]) >= 0; ++k) {
      value = value * 16 + HexDigit(pair[k]);
    }
    bytes += static_cast<char>(negative ? -value : value);
    i += 3;
  }
  return bytes;
}
