// Paths to the members of a record as dump's JSON shows them
// ("DeviceSeries.aMediaInfoList[3].nDryTime"), and what each step of such a
// path is, in memory and in the file, taken from the records' field models.
//
// A path is the root's name (which may be left out), then steps:
//   .NAME          a member of a record, or a language of a language set
//   [N]            the entry N (from 0) of a list or table
//   [*]            every entry
//   [KEY=VALUE]    the entries whose index member (KEY is its name) or
//                  English name (KEY is "name") is VALUE; VALUE runs to the
//                  first "]" followed by ".", "[" or the end, or is quoted
//                  ("..." with \" and \\ inside)
//
// The field models become shapes here: a Shape says what a member holds (a
// record, a list, a language set, a value of some type), with type-erased
// access to it in memory; a RowShape says where a record's member lies in
// the record's element (its element name, by position or by name, how its
// entries are laid out) and how dump's JSON shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "devseries/xmlio/field_model_internal.h"
#include "tools/dsrtool_src/json/json_codec.h"
#include "tools/dsrtool_src/record_kinds.h"
#include "tools/dsrtool_src/record_members.h"

namespace dsrtool {

// ----------------------------------------------------------------- paths

struct PathStep {
  enum Kind { kMember, kIndex, kAll, kSelect };
  Kind kind = kMember;
  std::string name;   // kMember: the member or language; kSelect: the key
  std::string value;  // kSelect: the value looked for
  size_t index = 0;   // kIndex
};

struct MemberPath {
  std::string text;  // as given
  // The root's name, when the path starts with it, is the first step.
  std::vector<PathStep> steps;
  // Whether the path may name several values ([*] or a selector).
  bool MayNameSeveral() const;
};

// A path that does not parse, or names nothing in a file; what() says
// where it stopped ("DeviceSeries.aMediaInfoList[3] has no member ...").
class PathError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses `text`. Raises PathError for a malformed path.
MemberPath ParseMemberPath(std::string_view text);

// The position of the "=" that ends the path of a "PATH=VALUE" operand: the
// first one outside brackets; npos when there is none.
size_t AssignmentSplit(std::string_view operand);

// ---------------------------------------------------------------- shapes

namespace model = ::devseries::field_model;

enum class ShapeKind {
  kRecord,
  kList,   // std::vector
  kTable,  // std::array
  kLanguageSet,
  kValue,
};

enum class ValueKind { kInteger, kFloat, kDouble, kBoolean, kText, kBytes };

struct RecordShape;

struct Shape {
  ShapeKind kind = ShapeKind::kValue;
  const RecordShape* record = nullptr;  // kRecord
  const Shape* entry = nullptr;         // kList, kTable
  size_t fixed = 0;                     // kTable: its number of entries
  ValueKind value = ValueKind::kInteger;
  // The range of an integer's type.
  std::int64_t low = 0;
  std::int64_t high = 0;
  // Access to a value in memory of this shape.
  size_t (*size)(const void*) = nullptr;                 // kList, kTable
  const void* (*at)(const void*, size_t) = nullptr;      // kList, kTable
  void (*emit)(JsonEmitter&, const void*) = nullptr;     // dump's file form
  std::int64_t (*integer)(const void*) = nullptr;        // kInteger
  const std::string* (*text)(const void*) = nullptr;     // kText, kBytes
  const std::string* (*english)(const void*) = nullptr;  // kLanguageSet
};

// How an element's text holds a value.
enum class TextForm {
  kPlain,             // by the member's type
  kIntegerAsDecimal,  // an int written with three decimals
  kDecimalAsInteger,  // an int read as a number with decimals, truncated
  kIntegerAsBoolean,  // an int 1 / 0 written as true / false
  kEscaped,           // bytes as escaped text
};

// How a member's element holds it.
enum class Layout {
  kValue,        // one value in the element's text
  kRecord,       // a record's children
  kRecordList,   // one child record per entry
  kRecordSlots,  // a fixed table of child records, read in order
  kValueList,    // one child value per entry
  kSlots,        // a fixed table of child values, read in order
  kLanguageSet,  // one child per language
  kOwn,          // a layout of the kind's own, which set does not edit
  kNone,         // no element: kept in memory or implied by another
};

// How dump's JSON shows a member.
enum class Shown {
  kAlways,
  kWhenStored,  // only when `stored` says the file stores it
  kInMemory,    // never
  kSamples,     // an output table, as its samples under kSamplesKey
};

struct RowShape {
  std::string_view member;   // the member's name (JSON key)
  std::string_view element;  // the element's name
  bool positional = false;   // read by position (else by name)
  size_t position = 0;       // among the positional rows
  bool anyName = false;      // a positional element of any name
  const model::Meaning* meaning = nullptr;
  const Shape* shape = nullptr;
  Layout layout = Layout::kNone;
  TextForm form = TextForm::kPlain;  // the value's, or each entry's
  // kRecordList: which children are entries; kValueList: the item's name.
  model::Entries entries = model::Entries::kEvery;
  std::string_view item;
  bool onlyItems = false;
  bool numbered = false;
  devseries::SlotNameFn readName = nullptr;  // kSlots
  std::string_view entryElement;             // kRecordList, kRecordSlots
  Shown shown = Shown::kAlways;
  std::string_view storedWhen;
  const void* (*access)(const void* record) = nullptr;
  bool (*stored)(const void* record) = nullptr;  // kWhenStored, kSamples
  // kSamples: the stored samples of the table at `access`.
  std::shared_ptr<const void> (*samples)(const void* table) = nullptr;
  const Shape* samplesShape = nullptr;
  // The row's own rule after reading an int member (-1 read as 0); null:
  // none.
  std::int64_t (*afterRead)(std::int64_t) = nullptr;
};

struct RecordShape {
  std::string_view name;            // in the JSON Schema and messages
  std::string_view element;         // the record's element
  std::vector<RowShape> rows;       // the model's order: the writer's
  size_t positional = 0;            // rows read by position, first
  const RowShape* index = nullptr;  // summary "index"
  const RowShape* label = nullptr;  // summary "name"
  // What a record read without the index or name element holds there.
  std::int64_t indexDefault = 0;
  std::string labelDefault;

  // The row of the member `name` (its JSON key); null when none.
  const RowShape* Member(std::string_view name) const;
  // The row the reader takes a child element `name` for when the positional
  // prefix is read: the first row read by name with that element; null.
  const RowShape* Named(std::string_view name) const;
};

template <typename T>
const Shape& ShapeOf();
template <typename T>
const RecordShape& RecordShapeOf();

namespace shape_detail {

template <typename T>
void Emit(JsonEmitter& out, const void* value) {
  EmitValue(out, *static_cast<const T*>(value), JsonForm::kFile);
}

template <typename T>
Shape MakeShape() {
  Shape shape;
  shape.emit = &Emit<T>;
  if constexpr (FieldRecord<T>) {
    shape.kind = ShapeKind::kRecord;
    shape.record = &RecordShapeOf<T>();
  } else if constexpr (LanguageSet<T>) {
    shape.kind = ShapeKind::kLanguageSet;
    shape.english = [](const void* set) {
      return &(*static_cast<const T*>(set))[0];
    };
  } else if constexpr (std::is_same_v<T, bool>) {
    shape.value = ValueKind::kBoolean;
  } else if constexpr (std::is_integral_v<T>) {
    shape.value = ValueKind::kInteger;
    shape.low = std::numeric_limits<T>::min();
    shape.high = static_cast<std::int64_t>(std::numeric_limits<T>::max());
    shape.integer = [](const void* value) {
      return static_cast<std::int64_t>(*static_cast<const T*>(value));
    };
  } else if constexpr (std::is_same_v<T, float>) {
    shape.value = ValueKind::kFloat;
  } else if constexpr (std::is_floating_point_v<T>) {
    shape.value = ValueKind::kDouble;
  } else if constexpr (std::is_same_v<T, std::string>) {
    shape.value = ValueKind::kText;
    shape.text = [](const void* value) {
      return static_cast<const std::string*>(value);
    };
  } else {
    // std::vector and std::array.
    shape.kind = kIsVector<T> ? ShapeKind::kList : ShapeKind::kTable;
    if constexpr (kIsArray<T>) shape.fixed = std::tuple_size_v<T>;
    shape.entry = &ShapeOf<typename T::value_type>();
    shape.size = [](const void* list) {
      return static_cast<const T*>(list)->size();
    };
    shape.at = [](const void* list, size_t i) -> const void* {
      return &(*static_cast<const T*>(list))[i];
    };
  }
  return shape;
}

// A byte string, which dump shows as hex.
const Shape& BytesShape();

template <typename Codec>
constexpr TextForm FormOf() {
  if constexpr (std::is_same_v<Codec, model::IntegerAsDecimal>) {
    return TextForm::kIntegerAsDecimal;
  } else if constexpr (std::is_same_v<Codec, model::DecimalAsInteger>) {
    return TextForm::kDecimalAsInteger;
  } else if constexpr (std::is_same_v<Codec, model::IntegerAsBoolean>) {
    return TextForm::kIntegerAsBoolean;
  } else if constexpr (std::is_same_v<Codec, model::EscapedText>) {
    return TextForm::kEscaped;
  } else {
    return TextForm::kPlain;
  }
}

// The row I of Record's model as a RowShape.
template <typename Record, size_t I>
RowShape MakeRow(size_t& positional) {
  static constexpr const auto& row = std::get<I>(model::Model<Record>::kFields);
  using Row = std::remove_cvref_t<decltype(row)>;
  using Codec = typename Row::CodecType;
  using Member = typename Row::MemberType;
  RowShape shape;
  shape.member = row.MemberName();
  shape.element = row.name;
  shape.meaning = &row.meaning;
  shape.positional = row.find == model::Find::kPosition;
  if (shape.positional) shape.position = positional++;
  shape.anyName = row.anyName;
  shape.shape = &ShapeOf<Member>();
  shape.form = FormOf<Codec>();
  shape.access = [](const void* record) -> const void* {
    return &(static_cast<const Record*>(record)->*row.member);
  };
  if constexpr (std::is_same_v<Member, std::int32_t>) {
    if (row.afterRead != nullptr) {
      shape.afterRead = [](std::int64_t value) -> std::int64_t {
        auto member = static_cast<std::int32_t>(value);
        row.afterRead(member);
        return member;
      };
    }
  }
  // The layout in the file.
  if constexpr (std::is_same_v<Codec, model::NotStored> ||
                std::is_same_v<Codec, model::Implied>) {
    shape.layout = Layout::kNone;
  } else if constexpr (std::is_same_v<Codec, model::Plain>) {
    if constexpr (LanguageSet<Member>) {
      shape.layout = Layout::kLanguageSet;
    } else if constexpr (FieldRecord<Member>) {
      shape.layout = Layout::kRecord;  // a time stamp
    } else {
      shape.layout = Layout::kValue;
    }
  } else if constexpr (std::is_same_v<Codec, model::IntegerAsDecimal> ||
                       std::is_same_v<Codec, model::DecimalAsInteger> ||
                       std::is_same_v<Codec, model::IntegerAsBoolean> ||
                       std::is_same_v<Codec, model::EscapedText>) {
    shape.layout = Layout::kValue;
  } else if constexpr (std::is_same_v<Codec, model::Slots>) {
    shape.layout = Layout::kSlots;
    shape.readName = row.codec.readName;
  } else if constexpr (std::is_same_v<Codec, model::ValueList>) {
    shape.layout = Layout::kValueList;
    shape.item = row.codec.item;
    shape.onlyItems = row.codec.onlyItems;
    shape.numbered = row.codec.numbered;
  } else if constexpr (std::is_same_v<Codec, model::NestedRecord> ||
                       std::is_same_v<Codec, model::InkColor>) {
    shape.layout = Layout::kRecord;
  } else if constexpr (std::is_same_v<Codec, model::RecordList>) {
    shape.layout = Layout::kRecordList;
    shape.entries = row.codec.entries;
    shape.entryElement = model::Model<model::HeldRecord<Member>>::kElement;
  } else if constexpr (std::is_same_v<Codec, model::RecordSlots>) {
    shape.layout = Layout::kRecordSlots;
    shape.entryElement = model::Model<model::HeldRecord<Member>>::kElement;
  } else {
    shape.layout = Layout::kOwn;
  }
  // How dump shows it, as EachMember visits it.
  if constexpr (std::is_same_v<Codec, model::NotStored>) {
    shape.shown = Shown::kInMemory;
  } else if constexpr (std::is_same_v<Codec, model::EscapedText>) {
    shape.shape = &BytesShape();
  } else if constexpr (std::is_same_v<Member, devseries::OutputTable>) {
    shape.shown = Shown::kSamples;
    shape.storedWhen = Codec::kStoredWhen;
    shape.stored = [](const void* record) {
      return Codec::SamplesStored(*static_cast<const Record*>(record));
    };
    shape.samples = [](const void* table) -> std::shared_ptr<const void> {
      return std::make_shared<devseries::OutputTableSamples>(
          devseries::TakeOutputTableSamples(
              *static_cast<const devseries::OutputTable*>(table)));
    };
    shape.samplesShape = &ShapeOf<devseries::OutputTableSamples>();
  } else if constexpr (!row.storedWhen.empty()) {
    shape.shown = Shown::kWhenStored;
    shape.storedWhen = row.storedWhen;
    shape.stored = [](const void* record) {
      return row.writeIf(*static_cast<const Record*>(record));
    };
  }
  return shape;
}

template <typename Record, size_t... I>
RecordShape MakeRecord(std::index_sequence<I...>) {
  RecordShape shape;
  shape.name = model::RecordName<Record>();
  shape.element = model::Model<Record>::kElement;
  size_t positional = 0;
  (shape.rows.push_back(MakeRow<Record, I>(positional)), ...);
  shape.positional = positional;
  // A time stamp's children are read by position whatever their names.
  if constexpr (std::is_same_v<Record, devseries::TimeStamp>) {
    for (RowShape& row : shape.rows) row.anyName = true;
  }
  Record probe{};
  model::ApplyReadDefaults(probe, true);
  model::ApplyReadDefaults(probe, false);
  for (const RowShape& row : shape.rows) {
    if (row.meaning->summary == "index" && row.shape->integer != nullptr) {
      shape.index = &row;
      shape.indexDefault = row.shape->integer(row.access(&probe));
    } else if (row.meaning->summary == "name") {
      const Shape& held = *row.shape;
      const std::string* text =
          held.text != nullptr      ? held.text(row.access(&probe))
          : held.english != nullptr ? held.english(row.access(&probe))
                                    : nullptr;
      if (text == nullptr) continue;
      shape.label = &row;
      shape.labelDefault = *text;
    }
  }
  return shape;
}

}  // namespace shape_detail

template <typename T>
const Shape& ShapeOf() {
  static const Shape shape = shape_detail::MakeShape<T>();
  return shape;
}

template <typename T>
const RecordShape& RecordShapeOf() {
  static const RecordShape shape =
      shape_detail::MakeRecord<T>(std::make_index_sequence<kMemberCount<T>>());
  return shape;
}

// The shape of the records of the kind whose root element is `root`; null
// for a name that is no root.
const RecordShape* RecordShapeForRoot(std::string_view root);

// -------------------------------------------------------- finding values

// A value a path names in a record in memory.
struct FoundValue {
  std::string path;  // concrete: every entry by its position
  const Shape* shape = nullptr;
  const void* value = nullptr;
  // Holds what `value` points to when it was made for the path (an output
  // table's samples).
  std::shared_ptr<const void> keep;
};

// The values `path` names in `record`, in document order, as dump's JSON shows
// them. Raises PathError saying where the path stopped when it names nothing.
std::vector<FoundValue> FindValues(const AnyRecord& record,
                                   const MemberPath& path);

// The value as dump's JSON shows it, on one line.
std::string JsonText(const Shape& shape, const void* value);
// As get prints it without --json: a text or byte string as its bare text
// (the bytes as hex), anything else as JsonText.
std::string PlainText(const Shape& shape, const void* value);

// ------------------------------------------------------- changing values

// What `set` writes for one value of a leaf: the element's text, and what
// the reader will read from it.
struct NewValue {
  std::string text;      // the element's content, escaped for XML
  std::string readBack;  // JsonText of the value the reader reads from it
  // Set when the file will hold another value than the one given ("0.123"
  // for "0.12345"): the message of the warning.
  std::string warning;
};

// The leaf a path to a single value names, step by step down the element
// tree: the row or entry each element is for.
struct PlanStep {
  enum Kind { kRow, kEntry, kLanguage };
  Kind kind = kRow;
  const RecordShape* record = nullptr;  // kRow: the record holding the row
  const RowShape* row = nullptr;        // kRow: the row; kEntry: the list's row
  PathStep entry;                       // kEntry: [N], [*] or a selector
  // kEntry with a selector: the record row it looks at and the value.
  const RowShape* selectBy = nullptr;
  std::int64_t selectIndex = 0;
  size_t language = 0;  // kLanguage
};

struct Plan {
  std::string given;  // the operand's path as given
  std::vector<PlanStep> steps;
  NewValue value;
};

// Resolves `path` against the records whose root element is `root`, for a
// set of `value`, checking the value against the member's type, range and
// named values. Raises PathError when the path names no single value set
// can change or the value does not fit it.
Plan PlanAssignment(const RecordShape& root, const MemberPath& path,
                    const std::string& value);

// The text a selector compares: an entry's index member as read from its
// element's text `text` through `row`.
std::int64_t ReadIndexText(const RowShape& row, std::string_view text);

}  // namespace dsrtool
