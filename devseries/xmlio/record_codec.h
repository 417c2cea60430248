// The mechanics every record codec shares: a cursor over an element's child
// nodes, "decode this node into that member" by the member's type, "append
// this member as a child element", and the match of an optional child by
// name. Each record codec is then a plain list of its fields in order.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "devseries/xmlio/dom_element_builder.h"
#include "devseries/xmlio/number_text.h"
#include "devseries/xmlio/read_session.h"
#include "devseries/xmlio/value_codecs.h"
#include "devseries/xmlio/xml_stream_writer.h"

namespace devseries {

// Precision of every floating-point field in the files.
inline constexpr int kFloatPrecision = 3;

// Walks the child nodes of one node in document order, one node per step,
// of any kind, as the DOM's nextNode on the child list does. Constructing it
// over a null node raises E_POINTER.
//
// In a read with a ReadSession attached to the document, each step is the
// session's trail: where a read that fails was, and which member it was
// after. Without one the cursor only walks.
class ChildCursor {
 public:
  explicit ChildCursor(DomNode parent)
      : parent_(parent),
        next_(parent.Children().begin()),
        session_(ReadSession::Of(parent)) {}

  // The next child, or a null node after the last. `expected` names the
  // element the caller reads from it (a positional member, a list entry; a
  // literal that outlives the read), empty when any node will do: a node
  // that is not that element is noted by the session as out of place.
  DomNode Next(std::string_view expected = {}) {
    DomNode node = *next_;
    if (node) ++next_;
    if (session_ != nullptr) session_->Step(parent_, node, expected);
    return node;
  }

 private:
  DomNode parent_;
  DomNode::ChildIterator next_;
  ReadSession* session_;
};

// Decodes `node` into a member by the member's type (int, float, double,
// bool, text, language set, time stamp). A null node raises E_POINTER.
inline void ReadValue(DomNode node, std::int32_t& member) {
  member = ReadIntValue(node);
}
inline void ReadValue(DomNode node, double& member) {
  member = ReadFloatValue(node);
}
inline void ReadValue(DomNode node, float& member) {
  member = NarrowToFloat(ReadFloatValue(node));
}
inline void ReadValue(DomNode node, bool& member) {
  member = ReadBoolValue(node);
}
inline void ReadValue(DomNode node, std::string& member) {
  member = ReadStringValue(node);
}
inline void ReadValue(DomNode node, LanguageStringSet& member) {
  ReadLanguageStringSet(node, member);
}
inline void ReadValue(DomNode node, TimeStamp& member) {
  member = ReadTimeStamp(node);
}

// Decodes the next child of the cursor, the element `name` as the writer
// names it (not checked: members are read by position), into `member`.
template <typename T>
void ReadNext(ChildCursor& cursor, std::string_view name, T& member) {
  ReadValue(cursor.Next(name), member);
}

// The element name of slot `index` of a table, as the writer names it; the
// text lives as long as the program.
using SlotNameFn = std::string_view (*)(size_t index);

// Decodes the first slots.size() child nodes of `table` by the slots' type,
// whatever their names (slotName tells the name each should have); fewer
// children raise E_POINTER after the ones present.
template <typename T>
void ReadSlots(DomNode table, std::span<T> slots, SlotNameFn slotName) {
  ChildCursor cursor(table);
  for (size_t i = 0; i < slots.size(); ++i) {
    ReadNext(cursor, slotName(i), slots[i]);
  }
}
// ReadSlots of ints.
void ReadIntSlots(DomNode table, std::span<std::int32_t> slots,
                  SlotNameFn slotName);

// When `nodeName` is `name`, decodes `node` into `member` and returns true.
template <typename T>
bool MatchField(DomNode node, std::string_view nodeName, std::string_view name,
                T& member) {
  if (nodeName != name) return false;
  ReadValue(node, member);
  return true;
}

// The element writer for a member's type; floats with 3 decimals.
inline DomNode WriteValue(DomDocument& doc, std::string_view name,
                          std::int32_t value) {
  return WriteIntElement(doc, name, value);
}
inline DomNode WriteValue(DomDocument& doc, std::string_view name,
                          double value) {
  return WriteFloatElement(doc, name, value, kFloatPrecision);
}
inline DomNode WriteValue(DomDocument& doc, std::string_view name,
                          float value) {
  return WriteFloatElement(doc, name, value, kFloatPrecision);
}
inline DomNode WriteValue(DomDocument& doc, std::string_view name, bool value) {
  return WriteBoolElement(doc, name, value);
}
inline DomNode WriteValue(DomDocument& doc, std::string_view name,
                          const std::string& value) {
  return WriteStringElement(doc, name, value);
}
inline DomNode WriteValue(DomDocument& doc, std::string_view name,
                          const LanguageStringSet& value) {
  return WriteLanguageStringSet(doc, name, value);
}
inline DomNode WriteValue(DomDocument& doc, std::string_view name,
                          const TimeStamp& value) {
  return WriteTimeStamp(doc, name, value);
}

// Appends one child element for a member to `parent`.
template <typename T>
void AppendField(DomDocument& doc, DomNode parent, std::string_view name,
                 const T& value) {
  parent.AppendChild(WriteValue(doc, name, value));
}

// The record writers' own form of the above: each record's layout is one
// template over its output `out`, a DomElementBuilder (the record's DOM
// writer) or an XmlStreamWriter (its streamed form), so both make the same
// elements in the same order.
//
// One child element for a member, by the member's type: the element
// AppendField appends.
template <typename Out>
void WriteField(Out& out, std::string_view name, std::int32_t value) {
  WriteIntTo(out, name, value);
}
template <typename Out>
void WriteField(Out& out, std::string_view name, double value) {
  WriteFloatTo(out, name, value, kFloatPrecision);
}
template <typename Out>
void WriteField(Out& out, std::string_view name, float value) {
  WriteFloatTo(out, name, value, kFloatPrecision);
}
template <typename Out>
void WriteField(Out& out, std::string_view name, bool value) {
  WriteBoolTo(out, name, value);
}
template <typename Out>
void WriteField(Out& out, std::string_view name, const std::string& value) {
  out.TextElement(name, value);
}
template <typename Out>
void WriteField(Out& out, std::string_view name,
                const LanguageStringSet& value) {
  WriteLanguageStringSetTo(out, name, value);
}
template <typename Out>
void WriteField(Out& out, std::string_view name, const TimeStamp& value) {
  WriteTimeStampTo(out, name, value);
}

// An element `name` holding one child per slot, by the slots' type, named
// by `childName` for each slot index (e.g. "value0".."value23", or the same
// name for all).
template <typename Out, typename T, typename ChildName>
void WriteSlotsTo(Out& out, std::string_view name, std::span<const T> slots,
                  ChildName&& childName) {
  out.Begin(name);
  for (size_t i = 0; i < slots.size(); ++i) {
    WriteField(out, childName(i), slots[i]);
  }
  out.End();
}
// WriteSlotsTo of ints.
template <typename Out, typename ChildName>
void WriteIntSlotsTo(Out& out, std::string_view name,
                     std::span<const std::int32_t> slots,
                     ChildName&& childName) {
  WriteSlotsTo(out, name, slots, childName);
}

// An element `name` holding what `write(out, record)` makes for each
// record, in list order; an empty list gives an empty element.
template <typename Out, typename Record, typename Write>
void WriteEachRecord(Out& out, std::string_view name,
                     const std::vector<Record>& records, Write&& write) {
  out.Begin(name);
  for (const Record& record : records) write(out, record);
  out.End();
}

// As WriteIntSlotsTo, as a new element of `doc`.
template <typename ChildName>
DomNode WriteIntSlots(DomDocument& doc, std::string_view name,
                      std::span<const std::int32_t> slots,
                      ChildName&& childName) {
  return BuildElement(doc, [&](DomElementBuilder& out) {
    WriteIntSlotsTo(out, name, slots, childName);
  });
}

// "value" followed by the slot number: value0, value1, ...
std::string NumberedName(std::string_view stem, size_t index);
// NumberedName("value", index) for a reader's trail: value0 to value63 (an
// empty name past those).
std::string_view NumberedSlotName(size_t index);

// Charges the read in progress (if any) with `count` values of type
// `Value` about to be added to a list read from `node` (ReadSession::
// Charge): twice their size, as a list's storage grows by doubling.
template <typename Value>
void ChargeValues(DomNode node, std::uint64_t count) {
  if (ReadSession* session = ReadSession::Of(node)) {
    session->Charge(node, 2 * sizeof(Value) * count);
  }
}

// Charges the read in progress (if any) with a record about to be read
// from `node`.
template <typename Record>
void ChargeRecord(DomNode node) {
  ChargeValues<Record>(node, 1);
}

// Reads `node` into a freshly constructed record with `read` and appends
// it; a record whose read raises is not appended.
template <typename Record, typename Read>
void AppendRecord(DomNode node, std::vector<Record>& records, Read&& read) {
  ChargeRecord<Record>(node);
  Record record;
  read(node, record);
  records.push_back(std::move(record));
}

// Reads every child node of `list` (`entry` is the name the writer gives
// each) into a freshly constructed record with `read` and appends it. A
// record whose read raises is not appended; the ones before it stay.
template <typename Record, typename Read>
void AppendEveryChildRecord(DomNode list, std::string_view entry,
                            std::vector<Record>& records, Read&& read) {
  ChildCursor cursor(list);
  for (DomNode node = cursor.Next(entry); node; node = cursor.Next(entry)) {
    AppendRecord(node, records, read);
  }
}

}  // namespace devseries
