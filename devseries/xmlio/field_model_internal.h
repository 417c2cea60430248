// The field model: each record kind describes its members once, as one
// ordered table the compiler sees (Model<Record>::kFields), and every XML
// codec of the kind derives from that table: the DOM reader, the DOM and
// stream writers, the standalone record files.
//
// A row (Field) names the member's element and the member it fills, its
// encoding (a codec type below), how the reader finds it (by position in the
// positional prefix, by name in the optional part, or not at all for a
// member kept only in memory), the reader default where the format gives one
// that differs from the member's construction value, the writer's condition
// where the format has one, a per-member read rule, and what the member
// means (description, unit, enumeration names, the member an index refers
// to, a range).
//
// The table is in the writer's order; its positional rows form the prefix
// the reader takes in order. A model may add hooks: AfterPrefix(record),
// run once the positional members are read (before the optional part), and
// AfterRead(record) or AfterRead(record, rows), run at the end (`rows`: what
// was read, and from which node).
//
// Every row is a constexpr value; reading and writing unfold over the tuple
// at compile time, so a model-driven codec is the code a hand-written one
// would be.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "devseries/xmlio/record_codec.h"

namespace devseries::field_model {

// ------------------------------------------------------------- meaning

// One named value of an enumeration the format gives.
struct EnumName {
  std::int32_t value;
  std::string_view name;
};

// How a packed value is made up, for the tools that show it decoded.
enum class Packing : std::uint8_t {
  kNone,
  // Low 16 bits: flags, bit n allowing choice n + 1; high 16 bits: the
  // preferred choice.
  kChoicesAndPreferred,
};

// What the format says a member means. Empty texts where it says nothing.
struct Meaning {
  std::string_view description;
  // The unit where the format gives one: "mm", "pl", "level" (output levels
  // 0 to 4095).
  std::string_view unit = {};
  std::span<const EnumName> names = {};
  // For an index member, the list and member it names:
  // "aSeparationInfoList[].nSeparationIndex".
  std::string_view refersTo = {};
  // The layout of a packed value, in words.
  std::string_view layout = {};
  bool ranged = false;
  double minimum = 0;
  double maximum = 0;
  // A short label for the tools that head a column or a line with the
  // member, where the description is too long for one ("MIB model name");
  // empty: they derive one from the description.
  std::string_view label = {};
  // How a packed value's parts are laid out (its `layout` in words).
  Packing packing = Packing::kNone;
  // For a list with one entry per entry of another list, in that list's
  // order, the other list: "aModelInfoList".
  std::string_view entryPer = {};
  // The key under which a record's one-line summary shows the member
  // ("heads", "width"); "index" and "name" mark the member that identifies
  // the record and the one that names it. Empty: the summary leaves it out.
  std::string_view summary = {};
  // The figure's place in that summary where the model's order is not the
  // summary's: figures of lower places come first, in the model's order
  // within a place.
  int summaryPlace = 0;
  // The names are every value the format allows, so a value without a name
  // makes no sense; otherwise they name only some values.
  bool namesAll = false;
  // For a table whose values should not fall from one entry to the next,
  // what an entry is ("step"); empty: the values may fall.
  std::string_view risesWith = {};
};

// A Meaning with a stated range.
constexpr Meaning Ranged(std::string_view description, std::string_view unit,
                         double minimum, double maximum) {
  Meaning meaning{description, unit};
  meaning.ranged = true;
  meaning.minimum = minimum;
  meaning.maximum = maximum;
  return meaning;
}

// ------------------------------------------------------------- encodings
//
// A codec reads a member from its node (Read) and makes its element at an
// output (Write); kEncoding names the encoding for the tools that describe
// the format.

enum class Encoding {
  kInteger,           // integer text
  kFloat,             // number with three decimals
  kIntegerAsDecimal,  // an integer written with three decimals
  kDecimalAsInteger,  // an integer read as a number with decimals, truncated
  kBoolean,           // "true" / "false" (and the forms the reader takes)
  kIntegerAsBoolean,  // an int member 1 / 0 stored as a boolean
  kText,
  kLanguageSet,
  kTimeStamp,
  kSlots,        // a fixed table, one child per slot
  kValueList,    // one child per entry
  kRecord,       // a nested record
  kRecordList,   // one child record per entry
  kEscapedText,  // bytes as text, control bytes escaped (command strings)
  kCustom,       // the kind's own element layout
  kNotStored,    // kept in memory only
  kImplied,      // stored through another member's element
};

// The member's type decides: int, float, double, bool, text, language set,
// time stamp.
struct Plain {
  template <typename T>
  static constexpr Encoding EncodingOf() {
    if constexpr (std::is_same_v<T, bool>) {
      return Encoding::kBoolean;
    } else if constexpr (std::is_integral_v<T>) {
      return Encoding::kInteger;
    } else if constexpr (std::is_floating_point_v<T>) {
      return Encoding::kFloat;
    } else if constexpr (std::is_same_v<T, std::string>) {
      return Encoding::kText;
    } else if constexpr (std::is_same_v<T, LanguageStringSet>) {
      return Encoding::kLanguageSet;
    } else {
      return Encoding::kTimeStamp;
    }
  }
  template <typename T>
  void Read(DomNode node, T& member) const {
    ReadValue(node, member);
  }
  template <typename Out, typename T>
  void Write(Out& out, std::string_view name, const T& member) const {
    WriteField(out, name, member);
  }
};

// An int the format writes with decimals (170 as "170.000"); the integer
// reader stops at the point.
struct IntegerAsDecimal {
  static constexpr Encoding kEncoding = Encoding::kIntegerAsDecimal;
  void Read(DomNode node, std::int32_t& member) const {
    member = ReadIntValue(node);
  }
  template <typename Out>
  void Write(Out& out, std::string_view name, std::int32_t member) const {
    WriteField(out, name, static_cast<double>(member));
  }
};

// An int written as integer text but read as a number with decimals and
// truncated: 7.99 gives 7.
struct DecimalAsInteger {
  static constexpr Encoding kEncoding = Encoding::kDecimalAsInteger;
  void Read(DomNode node, std::int32_t& member) const {
    member = TruncateToInt32(ReadFloatValue(node));
  }
  template <typename Out>
  void Write(Out& out, std::string_view name, std::int32_t member) const {
    WriteField(out, name, member);
  }
};

// An int member holding 1 or 0, stored as a boolean (written "true" only for
// 1).
struct IntegerAsBoolean {
  static constexpr Encoding kEncoding = Encoding::kIntegerAsBoolean;
  void Read(DomNode node, std::int32_t& member) const {
    member = ReadBoolValue(node) ? 1 : 0;
  }
  template <typename Out>
  void Write(Out& out, std::string_view name, std::int32_t member) const {
    WriteField(out, name, member == 1);
  }
};

// A fixed table of values (ints or floats), one child per slot: named
// `item` and the slot number (value0, value1, ...), or `item` alone when not
// `numbered`. The reader takes the first children in order, whatever their
// names (`readName` tells the name each should have); fewer children raise
// E_POINTER after the ones present.
struct Slots {
  static constexpr Encoding kEncoding = Encoding::kSlots;
  std::string_view item = "value";
  bool numbered = true;
  SlotNameFn readName = NumberedSlotName;
  template <typename T, size_t N>
  void Read(DomNode node, std::array<T, N>& member) const {
    ReadSlots(node, std::span<T>(member), readName);
  }
  template <typename Out, typename T, size_t N>
  void Write(Out& out, std::string_view name,
             const std::array<T, N>& member) const {
    if (numbered) {
      WriteSlotsTo(out, name, std::span<const T>(member),
                   [this](size_t i) { return NumberedName(item, i); });
    } else {
      WriteSlotsTo(out, name, std::span<const T>(member),
                   [this](size_t) { return item; });
    }
  }
};

// A list of values, one child named `item` per entry (`item` and the entry
// number when `numbered`). The reader appends every child node (`onlyItems`:
// only the elements named `item`; `replaces`: after emptying the list).
struct ValueList {
  static constexpr Encoding kEncoding = Encoding::kValueList;
  std::string_view item;
  bool onlyItems = false;
  bool numbered = false;
  bool replaces = false;
  template <typename T>
  void Read(DomNode node, std::vector<T>& member) const {
    if (replaces) member.clear();
    ChildCursor cursor(node);
    const std::string_view expected =
        onlyItems || numbered ? std::string_view() : item;
    for (DomNode child = cursor.Next(expected); child;
         child = cursor.Next(expected)) {
      if (onlyItems && child.NodeName() != item) continue;
      ChargeValues<T>(child, 1);
      T value{};
      ReadValue(child, value);
      member.push_back(value);
    }
  }
  template <typename Out, typename T>
  void Write(Out& out, std::string_view name,
             const std::vector<T>& member) const {
    out.Begin(name);
    for (size_t i = 0; i < member.size(); ++i) {
      if (numbered) {
        WriteField(out, NumberedName(item, i), member[i]);
      } else {
        WriteField(out, item, member[i]);
      }
    }
    out.End();
  }
};

// A byte string that may hold zero bytes, written as text with its control
// bytes escaped (the printer command strings).
struct EscapedText {
  static constexpr Encoding kEncoding = Encoding::kEscapedText;
  void Read(DomNode node, std::string& member) const {
    const std::string text = ReadStringValue(node);
    member = decodeEscapedString(text.data(), text.size());
  }
  template <typename Out>
  void Write(Out& out, std::string_view name, const std::string& member) const {
    out.TextElement(name, EncodeEscapedString(member.data(), member.size()));
  }
};

// A member kept in memory only: never written, never read (a reader default
// may still reset it).
struct NotStored {
  static constexpr Encoding kEncoding = Encoding::kNotStored;
  template <typename T>
  void Read(DomNode, T&) const {}
  template <typename Out, typename T>
  void Write(Out&, std::string_view, const T&) const {}
};

// A member the file stores through another member's element (a colour's
// space is the name of the colour's element): its own row reads and writes
// nothing.
struct Implied : NotStored {
  static constexpr Encoding kEncoding = Encoding::kImplied;
};

template <typename Codec, typename Member>
constexpr Encoding EncodingOf() {
  if constexpr (std::is_same_v<Codec, Plain>) {
    return Plain::EncodingOf<Member>();
  } else {
    return Codec::kEncoding;
  }
}

// ------------------------------------------------------------------ rows

// How the reader finds a member.
enum class Find {
  kPosition,  // the next child of the positional prefix, whatever its name
  kName,      // a child of the optional part with the member's name
  kNowhere,   // not read (a member kept only in memory)
};

// The value a reader default of a member type is given as; members of other
// types have none.
struct NoDefault {};
template <typename Member>
struct DefaultOf {
  using type =
      std::conditional_t<std::is_arithmetic_v<Member>, Member, NoDefault>;
};
template <>
struct DefaultOf<std::string> {
  using type = std::string_view;
};

template <typename Record, typename Member, typename Codec>
struct Field {
  using RecordType = Record;
  using MemberType = Member;
  using CodecType = Codec;
  using DefaultType = typename DefaultOf<Member>::type;

  std::string_view name;
  Member Record::*member;
  Codec codec;
  Find find;
  Meaning meaning;
  // The writer writes the member only when this holds; null: always.
  bool (*writeIf)(const Record&) = nullptr;
  // A rule applied to the member right after it is read.
  void (*afterRead)(Member&) = nullptr;
  // The value the reader gives the member before the optional part, where
  // the format gives one that differs from the construction value.
  bool hasReadDefault = false;
  DefaultType readDefault{};
  // The reader gives the default before anything is read, not only before
  // the optional part (seen only when a read fails midway).
  bool defaultFirst = false;
  // A positional member whose element may bear one of several names: the
  // reader's trail expects none.
  bool anyName = false;
  // The member's own name where it differs from its element's (the tools
  // that show members by name use it).
  std::string_view memberName = {};
  // Where the writer's condition decides whether the file stores the member
  // at all (not merely whether it writes a value the reader would derive):
  // the condition in words, "eScreen is 8 (the custom screen)".
  std::string_view storedWhen = {};
  // Where files that other writers made may lack the element although this
  // writer always writes it: which files, in words, "files of older writers"
  // (the XML Schema lets the element be absent).
  std::string_view absentFrom = {};

  static constexpr Encoding kEncoding = EncodingOf<Codec, Member>();

  constexpr bool stored() const { return find != Find::kNowhere; }
  constexpr std::string_view MemberName() const {
    return memberName.empty() ? name : memberName;
  }

  constexpr Field WrittenIf(bool (*condition)(const Record&)) const {
    Field copy = *this;
    copy.writeIf = condition;
    return copy;
  }
  // Written, and so stored, only when `condition` holds, which `words` say.
  constexpr Field StoredOnlyWhen(bool (*condition)(const Record&),
                                 std::string_view words) const {
    Field copy = WrittenIf(condition);
    copy.storedWhen = words;
    return copy;
  }
  constexpr Field MemberNamed(std::string_view member) const {
    Field copy = *this;
    copy.memberName = member;
    return copy;
  }
  // Always written here, but absent from the files `files` names.
  constexpr Field AbsentFrom(std::string_view files) const {
    Field copy = *this;
    copy.absentFrom = files;
    return copy;
  }
  constexpr Field ReadThen(void (*rule)(Member&)) const {
    Field copy = *this;
    copy.afterRead = rule;
    return copy;
  }
  constexpr Field ReadDefault(DefaultType value) const {
    Field copy = *this;
    copy.hasReadDefault = true;
    copy.readDefault = value;
    return copy;
  }
  constexpr Field OfAnyName() const {
    Field copy = *this;
    copy.anyName = true;
    return copy;
  }
  constexpr Field ReadDefaultFirst(DefaultType value) const {
    Field copy = ReadDefault(value);
    copy.defaultFirst = true;
    return copy;
  }
};

// A writer condition: the text member is not empty.
template <typename Record, std::string Record::*Member>
constexpr bool NotEmpty(const Record& record) {
  return !(record.*Member).empty();
}

// A member of the positional prefix.
template <typename Record, typename Member, typename Codec = Plain>
constexpr Field<Record, Member, Codec> At(std::string_view name,
                                          Member Record::*member,
                                          Meaning meaning, Codec codec = {}) {
  return {name, member, codec, Find::kPosition, meaning};
}

// A member of the optional part, found by its name.
template <typename Record, typename Member, typename Codec = Plain>
constexpr Field<Record, Member, Codec> Named(std::string_view name,
                                             Member Record::*member,
                                             Meaning meaning,
                                             Codec codec = {}) {
  return {name, member, codec, Find::kName, meaning};
}

// A member kept only in memory.
template <typename Record, typename Member>
constexpr Field<Record, Member, NotStored> Kept(std::string_view name,
                                                Member Record::*member,
                                                Meaning meaning) {
  return {name, member, NotStored{}, Find::kNowhere, meaning};
}

// A member stored through another member's element.
template <typename Record, typename Member>
constexpr Field<Record, Member, Implied> ImpliedBy(std::string_view name,
                                                   Member Record::*member,
                                                   Meaning meaning) {
  return {name, member, Implied{}, Find::kNowhere, meaning};
}

// Model<Record> is specialised beside each record: kElement (the element
// the record's writer makes), kFields (a tuple of rows) and, where the
// record's name differs from its element's, kName.
template <typename Record>
struct Model;

// A record kind with a model.
template <typename T>
concept Modelled = requires {
  Model<T>::kFields;
};

// The record a member holds: the member itself, or the entries of its list
// or table; void for a member that holds none.
template <typename T>
struct Held {
  using type = void;
};
template <Modelled T>
struct Held<T> {
  using type = T;
};
template <typename T>
struct Held<std::vector<T>> {
  using type = typename Held<T>::type;
};
template <typename T, size_t N>
struct Held<std::array<T, N>> {
  using type = typename Held<T>::type;
};
template <typename T>
using HeldRecord = typename Held<T>::type;

// The record's name: kName where the model gives one, else its element's.
template <typename Record>
constexpr std::string_view RecordName() {
  if constexpr (requires { Model<Record>::kName; }) {
    return Model<Record>::kName;
  } else {
    return Model<Record>::kElement;
  }
}

// --------------------------------------------------- a forgotten row fails
//
// The number of members of an aggregate, counted from how many initializers
// it takes: the same on every build, whatever the members' sizes.

struct AnyMember {
  template <typename T>
  constexpr operator T&() const noexcept;
  template <typename T>
  constexpr operator T&&() const noexcept;
};

template <typename T, typename... Initializers>
constexpr size_t MemberCount() {
  if constexpr (requires { T{Initializers{}..., AnyMember{}}; }) {
    return MemberCount<T, Initializers..., AnyMember>();
  } else {
    return sizeof...(Initializers);
  }
}

// True when the rows the reader finds by position come before every row it
// finds by name, as the positional prefix of the element does.
template <typename Record>
constexpr bool PositionalRowsFirst() {
  bool named = false, ok = true;
  std::apply(
      [&](const auto&... row) {
        ((row.find == Find::kName                ? void(named = true)
          : row.find == Find::kPosition && named ? void(ok = false)
                                                 : void()),
         ...);
      },
      Model<Record>::kFields);
  return ok;
}

// True when the model of `Record` has one row per member of the record.
template <typename Record>
constexpr bool CoversEveryMember() {
  return std::tuple_size_v<
             std::remove_cvref_t<decltype(Model<Record>::kFields)>> ==
         MemberCount<Record>();
}

// ------------------------------------------------------ the derived codecs

// Calls `f(row)` for every row of Record's model, in order.
template <typename Record, typename F>
constexpr void ForEachField(F&& f) {
  std::apply([&](const auto&... row) { (f(row), ...); },
             Model<Record>::kFields);
}

// The rows one read has decoded, by element name, with the node each was
// decoded from: for the models whose AfterRead(record, rows) rule depends on
// whether an element was there, or decodes one once the others are known.
template <typename Record>
class ReadRows {
 public:
  static constexpr size_t kRows =
      std::tuple_size_v<std::remove_cvref_t<decltype(Model<Record>::kFields)>>;

  void Note(size_t row, DomNode node) { nodes_[row] = node; }
  // Whether the element `name` was decoded.
  bool operator()(std::string_view name) const {
    return static_cast<bool>(Node(name));
  }
  // The node the element `name` was decoded from; null when none was.
  DomNode Node(std::string_view name) const {
    size_t row = 0, found = kRows;
    ForEachField<Record>([&](const auto& field) {
      if (found == kRows && field.name == name) found = row;
      ++row;
    });
    return found < kRows ? nodes_[found] : DomNode();
  }
  // The text of the element `name` decoded (E_POINTER when none was).
  std::string Text(std::string_view name) const {
    return ReadStringValue(Node(name));
  }
  // Notes `what` as a value of the element `name` coerced.
  void Note(std::string_view name, const std::string& what) const {
    NoteCoercion(Node(name), what);
  }

 private:
  std::array<DomNode, kRows> nodes_{};
};

template <typename Record>
concept HasAfterPrefix = requires(Record& r) {
  Model<Record>::AfterPrefix(r);
};
template <typename Record>
concept HasAfterRead = requires(Record& r) {
  Model<Record>::AfterRead(r);
};
template <typename Record>
concept HasAfterReadRows = requires(Record& r, const ReadRows<Record>& rows) {
  Model<Record>::AfterRead(r, rows);
};

// True when some row of the model is found by name.
template <typename Record>
constexpr bool HasNamedRows() {
  return std::apply(
      [](const auto&... row) { return ((row.find == Find::kName) || ...); },
      Model<Record>::kFields);
}

template <typename Row, typename Record>
void ReadRow(const Row& row, DomNode node, Record& record) {
  // A codec that fills more than its member takes the record.
  if constexpr (requires { row.codec.ReadIntoRecord(node, record); }) {
    row.codec.ReadIntoRecord(node, record);
  } else {
    row.codec.Read(node, record.*row.member);
  }
  if (row.afterRead != nullptr) row.afterRead(record.*row.member);
}

// What a read that no rule asks about notes of the rows it decodes: nothing.
struct NoRows {
  void Note(size_t, DomNode) {}
};

// Decodes `node` into the first row of the optional part that bears its
// name, noting it in `rows` (a ReadRows, or NoRows); false when no row does.
template <typename Record, typename Rows = NoRows>
bool ReadNamedRow(DomNode node, Record& record, Rows&& rows = {}) {
  const std::string_view name = node.NodeName();
  size_t index = 0;
  return std::apply(
      [&](const auto&... row) {
        return (
            (row.find == Find::kName && row.name == name
                 ? (ReadRow(row, node, record), rows.Note(index, node), true)
                 : (++index, false)) ||
            ...);
      },
      Model<Record>::kFields);
}

// True when `name` is the element of a row of the optional part.
template <typename Record>
bool IsNamedRow(std::string_view name) {
  return std::apply(
      [&](const auto&... row) {
        return ((row.find == Find::kName && row.name == name) || ...);
      },
      Model<Record>::kFields);
}

// Gives every row that has a reader default (given first, or not) its
// default.
template <typename Record>
void ApplyReadDefaults(Record& record, bool first) {
  ForEachField<Record>([&](const auto& row) {
    using Row = std::remove_cvref_t<decltype(row)>;
    if constexpr (!std::is_same_v<typename Row::DefaultType, NoDefault>) {
      if (row.hasReadDefault && row.defaultFirst == first) {
        record.*row.member = row.readDefault;
      }
    }
  });
}

// Reads `element`'s children into `record`: the positional prefix in order
// (a missing child raises E_POINTER), the reader defaults, the model's
// AfterPrefix rule, the optional part by name (the first row of the name
// decodes the child; a child no row names is skipped), the model's
// AfterRead rule.
template <typename Record>
void ReadRecord(DomNode element, Record& record) {
  static_assert(PositionalRowsFirst<Record>(),
                "a row found by position after one found by name");
  ApplyReadDefaults(record, true);
  // The nodes are kept only for a model whose last rule asks for them.
  std::conditional_t<HasAfterReadRows<Record>, ReadRows<Record>, NoRows> rows;
  ChildCursor cursor(element);
  size_t index = 0;
  ForEachField<Record>([&](const auto& row) {
    if (row.find == Find::kPosition) {
      const DomNode node =
          cursor.Next(row.anyName ? std::string_view() : row.name);
      ReadRow(row, node, record);
      rows.Note(index, node);
    }
    ++index;
  });
  ApplyReadDefaults(record, false);
  if constexpr (HasAfterPrefix<Record>) Model<Record>::AfterPrefix(record);
  if constexpr (HasNamedRows<Record>()) {
    for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
      ReadNamedRow(node, record, rows);
    }
  }
  if constexpr (HasAfterReadRows<Record>) {
    Model<Record>::AfterRead(record, rows);
  } else if constexpr (HasAfterRead<Record>) {
    Model<Record>::AfterRead(record);
  }
}

// Makes the record's children at `out`: every stored row in order, each
// only when its condition holds.
template <typename Out, typename Record>
void WriteFields(Out& out, const Record& record) {
  ForEachField<Record>([&](const auto& row) {
    if (!row.stored()) return;
    if (row.writeIf != nullptr && !row.writeIf(record)) return;
    // A codec whose element depends on other members takes the record.
    if constexpr (requires {
                    row.codec.WriteFromRecord(out, row.name, record);
                  }) {
      row.codec.WriteFromRecord(out, row.name, record);
    } else {
      row.codec.Write(out, row.name, record.*row.member);
    }
  });
}

// Makes the record's element at `out`.
template <typename Out, typename Record>
void WriteRecord(Out& out, const Record& record) {
  out.Begin(Model<Record>::kElement);
  WriteFields(out, record);
  out.End();
}

// A nested record, in its own element (the one its model names; `name`
// must be that element).
struct NestedRecord {
  static constexpr Encoding kEncoding = Encoding::kRecord;
  template <typename Record>
  void Read(DomNode node, Record& member) const {
    ReadRecord(node, member);
  }
  template <typename Out, typename Record>
  void Write(Out& out, std::string_view, const Record& member) const {
    WriteRecord(out, member);
  }
};

// A list of records in an element of the member's name, one child per
// entry (the element the entry's model names). Which children the reader
// takes as entries:
enum class Entries {
  kEvery,          // every child node
  kElementsNamed,  // the elements of the entry's name
  kNodesNamed,     // the nodes of the entry's name (elements, and
                   // processing instructions of that target)
};
struct RecordList {
  static constexpr Encoding kEncoding = Encoding::kRecordList;
  Entries entries = Entries::kEvery;
  template <typename Record>
  void Read(DomNode node, std::vector<Record>& member) const {
    constexpr std::string_view entry = Model<Record>::kElement;
    auto read = [](DomNode child, Record& record) {
      ReadRecord(child, record);
    };
    if (entries == Entries::kEvery) {
      AppendEveryChildRecord(node, entry, member, read);
      return;
    }
    ChildCursor cursor(node);
    for (DomNode child = cursor.Next(); child; child = cursor.Next()) {
      if (entries == Entries::kElementsNamed ? !child.IsElementNamed(entry)
                                             : child.NodeName() != entry) {
        continue;
      }
      AppendRecord(child, member, read);
    }
  }
  template <typename Out, typename Record>
  void Write(Out& out, std::string_view name,
             const std::vector<Record>& member) const {
    WriteEachRecord(out, name, member, [](Out& to, const Record& record) {
      WriteRecord(to, record);
    });
  }
};

// A fixed table of records, one child per entry (the element the entry's
// model names), read in order by position.
struct RecordSlots {
  static constexpr Encoding kEncoding = Encoding::kRecordList;
  template <typename Record, size_t N>
  void Read(DomNode node, std::array<Record, N>& member) const {
    ChildCursor cursor(node);
    for (Record& record : member) {
      ReadRecord(cursor.Next(Model<Record>::kElement), record);
    }
  }
  template <typename Out, typename Record, size_t N>
  void Write(Out& out, std::string_view name,
             const std::array<Record, N>& member) const {
    out.Begin(name);
    for (const Record& record : member) WriteRecord(out, record);
    out.End();
  }
};

}  // namespace devseries::field_model
