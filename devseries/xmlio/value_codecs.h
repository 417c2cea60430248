// Values in elements: every field of a device-series file is one child
// element whose text is the value.
//
// Writers create a new element (not attached) through the document and
// return it; the caller appends it where it belongs. Readers take one node
// and convert its text; a null node raises the COM error E_POINTER, which is
// how a missing positional field surfaces. Number text never depends on the
// process locale and malformed numbers are never errors: a value read other
// than as its text stands (not a number, trailing text, out of range, a
// boolean other than "true" or "false", a time-stamp field too wide) is
// noted with NoteCoercion for a read that collects warnings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/language_string_set.h"
#include "devseries/xmlio/number_text.h"
#include "devseries/xmlio/time_stamp.h"

namespace devseries {

// "true" or "false".
DomNode WriteBoolElement(DomDocument& doc, std::string_view name, bool value);
// Decimal, a minus sign for negatives.
DomNode WriteIntElement(DomDocument& doc, std::string_view name,
                        std::int32_t value);
// printf "%.*f": fixed point, '.' as decimal point, `precision` decimals.
DomNode WriteFloatElement(DomDocument& doc, std::string_view name, double value,
                          int precision);
// The text unchanged (markup characters are escaped when saving).
DomNode WriteStringElement(DomDocument& doc, std::string_view name,
                           std::string_view value);
// A new attribute node with the decimal text; the caller attaches it.
DomNode WriteIntAttribute(DomDocument& doc, std::string_view name,
                          std::int32_t value);
// An element with 13 children named after LanguageNameTable(), in order;
// child i holds entry i, or entry 0 when entry i is empty.
DomNode WriteLanguageStringSet(DomDocument& doc, std::string_view name,
                               const LanguageStringSet& set);
// An element with "year", "month", "day", "hour", "minute", "second", "ms".
DomNode WriteTimeStamp(DomDocument& doc, std::string_view name,
                       const TimeStamp& stamp);

// The elements of the writers above, made at `out`: a DomElementBuilder
// (xmlio/dom_element_builder.h), which the writers above use, or an
// XmlStreamWriter (xmlio/xml_stream_writer.h), which writes the same
// elements as text.
template <typename Out>
void WriteBoolTo(Out& out, std::string_view name, bool value) {
  out.TextElement(name, value ? "true" : "false");
}
template <typename Out>
void WriteIntTo(Out& out, std::string_view name, std::int32_t value) {
  out.TextElement(name, FormatInt(value));
}
template <typename Out>
void WriteFloatTo(Out& out, std::string_view name, double value,
                  int precision) {
  out.TextElement(name, FormatFixed(value, precision));
}
template <typename Out>
void WriteLanguageStringSetTo(Out& out, std::string_view name,
                              const LanguageStringSet& set) {
  const auto& languages = LanguageNameTable();
  out.Begin(name);
  for (size_t i = 0; i < kLanguageCount; ++i) {
    out.TextElement(languages[i], set[i].empty() ? set[0] : set[i]);
  }
  out.End();
}
template <typename Out>
void WriteTimeStampTo(Out& out, std::string_view name, const TimeStamp& stamp) {
  out.Begin(name);
  WriteIntTo(out, "year", stamp.year);
  WriteIntTo(out, "month", stamp.month);
  WriteIntTo(out, "day", stamp.day);
  WriteIntTo(out, "hour", stamp.hour);
  WriteIntTo(out, "minute", stamp.minute);
  WriteIntTo(out, "second", stamp.second);
  WriteIntTo(out, "ms", stamp.ms);
  out.End();
}

// Whether an integer reader notes `text`, which parsed with `fit` (not
// kExact) into `read`: not when the text is a number with decimals whose
// value is the integer read ("170.000", as some int fields are written).
bool IntegerTextCoerced(std::string_view text, NumberFit fit, double read);

// True exactly when the text is "true".
bool ReadBoolValue(DomNode node);
// The C library's atol rules, saturating at the 32-bit range.
std::int32_t ReadIntValue(DomNode node);
std::int64_t ReadInt64Value(DomNode node);
// The C library's atof rules.
double ReadFloatValue(DomNode node);
std::string ReadStringValue(DomNode node);
// For each child whose name equals a language name, entry i takes its text;
// other children are skipped; entries without a child keep their value.
void ReadLanguageStringSet(DomNode node, LanguageStringSet& set);
// The seven children in order, each truncated to its field's width.
TimeStamp ReadTimeStamp(DomNode node);

// Escapes a byte string for an element: printable ASCII other than " & ' <
// > \ stays, every other byte becomes \xHH (upper-case hex).
std::string EncodeEscapedString(const void* bytes, size_t length);
// The reverse; the result's size is the byte count and may include zero
// bytes. Throws std::runtime_error with "decodeEscapedString(): invalid
// source string" or "decodeEscapedString(): unrecognized escape sequence".
std::string decodeEscapedString(const char* text, size_t length);

}  // namespace devseries
