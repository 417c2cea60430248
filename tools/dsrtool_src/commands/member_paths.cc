#include "tools/dsrtool_src/commands/member_paths.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

#include "devseries/platform/dom.h"
#include "devseries/xmlio/number_text.h"
#include "devseries/xmlio/value_codecs.h"

namespace dsrtool {

namespace {

bool IsDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return c >= '0' && c <= '9';
  });
}

// "the member", "the list"... of a shape, for messages.
std::string_view WhatItIs(const Shape& shape) {
  switch (shape.kind) {
    case ShapeKind::kRecord:
      return "a record";
    case ShapeKind::kList:
      return "a list";
    case ShapeKind::kTable:
      return "a table";
    case ShapeKind::kLanguageSet:
      return "a language set";
    case ShapeKind::kValue:
      break;
  }
  switch (shape.value) {
    case ValueKind::kText:
      return "a text";
    case ValueKind::kBytes:
      return "a byte string";
    case ValueKind::kBoolean:
      return "a boolean";
    default:
      return "a number";
  }
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

std::string LanguageList() {
  std::string names;
  for (const std::string& key : LanguageKeys()) {
    names += (names.empty() ? "" : ", ") + key;
  }
  return names;
}

// The language `name` names; kLanguageCount for none.
size_t LanguageIndex(std::string_view name) {
  const auto& keys = LanguageKeys();
  const auto found = std::find(keys.begin(), keys.end(), name);
  return found == keys.end() || name.empty()
             ? devseries::kLanguageCount
             : static_cast<size_t>(found - keys.begin());
}

// The row of `record` the member step `name` names, or a PathError saying
// why none does, `where` being the record's path.
const RowShape& MemberRow(const RecordShape& record, const std::string& where,
                          const std::string& name) {
  if (const RowShape* row = record.Member(name)) {
    if (row->shown == Shown::kInMemory) {
      throw PathError(where + "." + name +
                      " is kept in memory only; no file stores it");
    }
    return *row;
  }
  std::string hint;
  for (const RowShape& row : record.rows) {
    if (row.shown == Shown::kSamples && row.member == name) {
      hint = " (its stored samples are " + std::string(kSamplesKey) + ")";
    } else if (row.element == name && row.member != name) {
      hint =
          " (the element " + name + " holds " + std::string(row.member) + ")";
    }
  }
  throw PathError(where + " (" + std::string(record.name) + ") has no member " +
                  Quoted(name) + hint);
}

// The row a selector [KEY=...] on entries of `record` looks at.
const RowShape& SelectorRow(const RecordShape& record, const std::string& where,
                            const std::string& key) {
  std::string keys;
  if (record.label != nullptr) keys = "name";
  if (record.index != nullptr) {
    keys += (keys.empty() ? "" : " or ") + std::string(record.index->member);
  }
  if (keys.empty()) {
    throw PathError("the entries of " + where + " (" +
                    std::string(record.name) +
                    ") have no index or name to select by; give a position "
                    "[N]");
  }
  if (key == "name" && record.label != nullptr) return *record.label;
  if (record.index != nullptr && key == record.index->member) {
    return *record.index;
  }
  throw PathError("select entries of " + where + " by " + keys + ", not " +
                  Quoted(key));
}

// The integer a selector's or an assignment's text gives: decimal digits
// with an optional minus sign.
std::optional<std::int64_t> ParseInteger(std::string_view text) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || text[0] == '+' || ec != std::errc() || ptr != end) {
    return std::nullopt;
  }
  return value;
}

std::int64_t SelectorIndex(const std::string& where, const PathStep& step) {
  std::optional<std::int64_t> value = ParseInteger(step.value);
  if (!value) {
    throw PathError(where + "[" + step.name + "=" + step.value + "]: " +
                    step.name + " is an integer, not " + Quoted(step.value));
  }
  return *value;
}

// Whether the record `entry` (of `record`) is what `step` selects by
// `row`.
bool Selected(const RecordShape& record, const void* entry, const RowShape& row,
              const PathStep& step, std::int64_t index) {
  const void* member = row.access(entry);
  if (&row == record.index) return row.shape->integer(member) == index;
  const Shape& held = *row.shape;
  const std::string* text =
      held.text != nullptr ? held.text(member) : held.english(member);
  return *text == step.value;
}

class Finder {
 public:
  explicit Finder(std::vector<FoundValue>& found) : found_(found) {}

  void Walk(const Shape& shape, const void* value, const MemberPath& path,
            size_t i, const std::string& where,
            const std::shared_ptr<const void>& keep) {
    if (i == path.steps.size()) {
      found_.push_back({where, &shape, value, keep});
      return;
    }
    const PathStep& step = path.steps[i];
    if (step.kind == PathStep::kMember) {
      Member(shape, value, path, i, where, keep);
      return;
    }
    if (shape.kind != ShapeKind::kList && shape.kind != ShapeKind::kTable) {
      throw PathError(where + " is " + std::string(WhatItIs(shape)) +
                      ", not a list");
    }
    const size_t size = shape.size(value);
    if (step.kind == PathStep::kIndex) {
      if (step.index >= size) {
        Stop(where + " has " + std::to_string(size) + " entries");
        return;
      }
      Entry(shape, value, step.index, path, i, where, keep);
      return;
    }
    if (size == 0) Stop(where + " is empty");
    if (step.kind == PathStep::kAll) {
      for (size_t n = 0; n < size; ++n) {
        Entry(shape, value, n, path, i, where, keep);
      }
      return;
    }
    if (shape.entry->kind != ShapeKind::kRecord) {
      throw PathError("the entries of " + where + " are " +
                      std::string(WhatItIs(*shape.entry)) +
                      "s; select them by position [N]");
    }
    const RecordShape& record = *shape.entry->record;
    const RowShape& row = SelectorRow(record, where, step.name);
    const std::int64_t index =
        &row == record.index ? SelectorIndex(where, step) : 0;
    bool any = false;
    for (size_t n = 0; n < size; ++n) {
      if (!Selected(record, shape.at(value, n), row, step, index)) continue;
      any = true;
      Entry(shape, value, n, path, i, where, keep);
    }
    if (!any && size > 0) {
      Stop("no entry of " + where + " has " + step.name + " " +
           Quoted(step.value));
    }
  }

  // Why the first branch that found nothing stopped.
  const std::string& stopped() const { return stopped_; }

 private:
  void Stop(std::string why) {
    if (stopped_.empty()) stopped_ = std::move(why);
  }

  void Entry(const Shape& shape, const void* value, size_t n,
             const MemberPath& path, size_t i, const std::string& where,
             const std::shared_ptr<const void>& keep) {
    Walk(*shape.entry, shape.at(value, n), path, i + 1,
         where + "[" + std::to_string(n) + "]", keep);
  }

  void Member(const Shape& shape, const void* value, const MemberPath& path,
              size_t i, const std::string& where,
              const std::shared_ptr<const void>& keep) {
    const std::string& name = path.steps[i].name;
    const std::string next = where + "." + name;
    if (shape.kind == ShapeKind::kLanguageSet) {
      const size_t language = LanguageIndex(name);
      if (language == devseries::kLanguageCount) {
        throw PathError(where + " has no language " + Quoted(name) +
                        " (the languages are " + LanguageList() + ")");
      }
      const auto& set =
          *static_cast<const devseries::LanguageStringSet*>(value);
      Walk(ShapeOf<std::string>(), &set[language], path, i + 1, next, keep);
      return;
    }
    if (shape.kind != ShapeKind::kRecord) {
      throw PathError(where + " is " + std::string(WhatItIs(shape)) +
                      "; it has no member " + Quoted(name));
    }
    const RowShape& row = MemberRow(*shape.record, where, name);
    const void* member = row.access(value);
    if (row.stored != nullptr && !row.stored(value)) {
      Stop(next + " is not stored: a file stores it only when " +
           std::string(row.storedWhen));
      return;
    }
    if (row.shown == Shown::kSamples) {
      std::shared_ptr<const void> samples = row.samples(member);
      Walk(*row.samplesShape, samples.get(), path, i + 1, next, samples);
      return;
    }
    Walk(*row.shape, member, path, i + 1, next, keep);
  }

  std::vector<FoundValue>& found_;
  std::string stopped_;
};

// The first step of a path past the root's name.
size_t FirstStep(const MemberPath& path, std::string_view root) {
  return !path.steps.empty() && path.steps[0].kind == PathStep::kMember &&
                 path.steps[0].name == root
             ? 1
             : 0;
}

// `text` escaped as the library's writers escape element text.
std::string EscapedText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

template <typename T>
std::string JsonOf(const T& value) {
  std::ostringstream text;
  JsonEmitter out(text, false);
  EmitValue(out, value, JsonForm::kFile);
  return text.str();
}

// "0 to 4095" or the names the format gives.
std::string NamesText(const model::Meaning& meaning) {
  std::string text;
  for (const model::EnumName& name : meaning.names) {
    text += (text.empty() ? "" : ", ") + std::to_string(name.value) + " (" +
            std::string(name.name) + ")";
  }
  return text;
}

// Checks a number against the range and named values of `meaning`.
void CheckMeaning(const model::Meaning& meaning, double value,
                  const std::string& given) {
  if (meaning.ranged &&
      !(value >= meaning.minimum && value <= meaning.maximum)) {
    throw PathError(given + " is outside the range the format gives (" +
                    FormatShortest(meaning.minimum) + " to " +
                    FormatShortest(meaning.maximum) + ")");
  }
  if (meaning.namesAll &&
      std::none_of(
          meaning.names.begin(), meaning.names.end(),
          [&](const model::EnumName& name) { return name.value == value; })) {
    throw PathError(given + " is none of the values the format allows: " +
                    NamesText(meaning));
  }
}

NewValue IntegerValue(const Shape& shape, TextForm form,
                      const model::Meaning& meaning,
                      std::int64_t (*rule)(std::int64_t),
                      const std::string& given) {
  std::optional<std::int64_t> parsed = ParseInteger(given);
  if (!parsed) {
    for (const model::EnumName& name : meaning.names) {
      if (name.name == given) parsed = name.value;
    }
  }
  if (!parsed) {
    throw PathError("expected an integer, not " + Quoted(given));
  }
  const std::int64_t value = *parsed;
  if (value < shape.low || value > shape.high) {
    throw PathError(given + " is out of range (" + std::to_string(shape.low) +
                    " to " + std::to_string(shape.high) + ")");
  }
  CheckMeaning(meaning, static_cast<double>(value), given);
  NewValue result;
  switch (form) {
    case TextForm::kIntegerAsBoolean:
      if (value != 0 && value != 1) {
        throw PathError(
            "the file stores this member as a boolean: 0 or 1, "
            "not " +
            given);
      }
      result.text = value == 1 ? "true" : "false";
      break;
    case TextForm::kIntegerAsDecimal:
      result.text = FormatFixed(static_cast<double>(value), 3);
      break;
    default:
      result.text = FormatInt(value);
  }
  const std::int64_t read = rule != nullptr ? rule(value) : value;
  result.readBack = FormatInt(read);
  if (read != value) {
    result.warning = given + " is read back as " + result.readBack;
  }
  return result;
}

NewValue NumberValue(ValueKind kind, const model::Meaning& meaning,
                     const std::string& given) {
  double value = 0;
  if (given == "NaN") {
    value = std::numeric_limits<double>::quiet_NaN();
  } else if (given == "Infinity" || given == "-Infinity") {
    value = given[0] == '-' ? -std::numeric_limits<double>::infinity()
                            : std::numeric_limits<double>::infinity();
  } else {
    const char* end = given.data() + given.size();
    auto [ptr, ec] = std::from_chars(given.data(), end, value);
    const size_t digit = given.starts_with('-') ? 1 : 0;
    if (given.size() <= digit || given[digit] < '0' || given[digit] > '9' ||
        ec == std::errc::invalid_argument || ptr != end) {
      throw PathError("expected a number (or NaN, Infinity, -Infinity), not " +
                      Quoted(given));
    }
    if (ec == std::errc::result_out_of_range) {
      throw PathError(given + " is out of range for a 64-bit float");
    }
  }
  CheckMeaning(meaning, value, given);
  NewValue result;
  if (kind == ValueKind::kFloat) {
    if (std::isfinite(value) &&
        std::fabs(value) > std::numeric_limits<float>::max()) {
      throw PathError(given + " is out of range for a 32-bit float");
    }
    const float narrow = static_cast<float>(value);
    result.text = FormatFixed(narrow, devseries::kFloatPrecision);
    result.readBack = JsonOf(NarrowToFloat(ParseCDouble(result.text)));
    if (result.readBack != JsonOf(narrow)) {
      result.warning = given + " is stored as " + result.readBack +
                       " (the format keeps three decimals)";
    }
  } else {
    result.text = FormatFixed(value, devseries::kFloatPrecision);
    result.readBack = JsonOf(ParseCDouble(result.text));
    if (result.readBack != JsonOf(value)) {
      result.warning = given + " is stored as " + result.readBack +
                       " (the format keeps three decimals)";
    }
  }
  // printf's "nan" reads back as a NaN, "-nan" too.
  return result;
}

NewValue TextValue(const std::string& given, bool language) {
  std::string scratch;
  const std::string safe(devseries::platform::XmlSafeText(given, scratch));
  NewValue result;
  result.text = EscapedText(safe);
  result.readBack = JsonOf(safe);
  if (safe != given) {
    result.warning =
        "bytes that are not UTF-8 text of XML characters are stored as "
        "U+FFFD, as the library's writers store them";
  } else if (language && given.empty()) {
    result.warning =
        "an empty language entry: the library's writers fill it with the "
        "English text when they next write the file";
  }
  return result;
}

NewValue BytesValue(const std::string& given) {
  std::string bytes;
  if (!HexToBytes(given, bytes)) {
    throw PathError(
        "expected pairs of hex digits, one pair per byte "
        "(\"1b40\"), not " +
        Quoted(given));
  }
  NewValue result;
  result.text =
      EscapedText(devseries::EncodeEscapedString(bytes.data(), bytes.size()));
  result.readBack = "\"" + BytesToHex(bytes) + "\"";
  return result;
}

template <size_t... I>
const RecordShape* RootShape(std::string_view root, std::index_sequence<I...>) {
  const RecordShape* found = nullptr;
  ((kRootNames[I] == root
        ? void(found =
                   &RecordShapeOf<std::variant_alternative_t<I, AnyRecord>>())
        : void()),
   ...);
  return found;
}

}  // namespace

bool MemberPath::MayNameSeveral() const {
  return std::any_of(steps.begin(), steps.end(), [](const PathStep& step) {
    return step.kind == PathStep::kAll || step.kind == PathStep::kSelect;
  });
}

MemberPath ParseMemberPath(std::string_view text) {
  MemberPath path;
  path.text = std::string(text);
  const auto fail = [&](size_t at, const std::string& what) -> PathError {
    return PathError(path.text + ": " + what + " at character " +
                     std::to_string(at + 1));
  };
  size_t at = 0;
  bool first = true;
  while (at < text.size() || first) {
    if (text[at] == '[') {
      if (first) throw fail(at, "a path starts with a member's name");
      const size_t open = at++;
      PathStep step;
      if (text.substr(at).starts_with("*]")) {
        step.kind = PathStep::kAll;
        at += 2;
      } else {
        const size_t close = text.find(']', at);
        const size_t equals = text.find('=', at);
        if (close != std::string_view::npos &&
            (equals == std::string_view::npos || close < equals) &&
            IsDigits(text.substr(at, close - at))) {
          step.kind = PathStep::kIndex;
          std::optional<std::int64_t> index =
              ParseInteger(text.substr(at, close - at));
          if (!index) throw fail(at, "a position too large");
          step.index = static_cast<size_t>(*index);
          at = close + 1;
        } else if (equals == std::string_view::npos || equals == at) {
          throw fail(open, "expected [N], [*] or [KEY=VALUE]");
        } else {
          step.kind = PathStep::kSelect;
          step.name = std::string(text.substr(at, equals - at));
          at = equals + 1;
          if (at < text.size() && text[at] == '"') {
            // A quoted value: \" and \\ stand for " and \.
            for (++at; at < text.size() && text[at] != '"'; ++at) {
              if (text[at] == '\\' && at + 1 < text.size()) ++at;
              step.value += text[at];
            }
            if (at + 1 >= text.size() || text[at + 1] != ']') {
              throw fail(open, "a quoted value without its closing \"]");
            }
            at += 2;
          } else {
            // Up to the first "]" that ends the step.
            size_t end = at;
            for (;; ++end) {
              end = text.find(']', end);
              if (end == std::string_view::npos) {
                throw fail(open, "a selector without its \"]\"");
              }
              if (end + 1 == text.size() || text[end + 1] == '.' ||
                  text[end + 1] == '[') {
                break;
              }
            }
            step.value = std::string(text.substr(at, end - at));
            at = end + 1;
          }
        }
      }
      path.steps.push_back(std::move(step));
      continue;
    }
    if (!first) {
      if (text[at] != '.') throw fail(at, "expected \".\" or \"[\"");
      ++at;
    }
    first = false;
    const size_t end = std::min(text.find_first_of(".[", at), text.size());
    if (end == at) throw fail(at, "expected a member's name");
    PathStep step;
    step.name = std::string(text.substr(at, end - at));
    path.steps.push_back(std::move(step));
    at = end;
  }
  return path;
}

size_t AssignmentSplit(std::string_view operand) {
  int depth = 0;
  for (size_t i = 0; i < operand.size(); ++i) {
    const char c = operand[i];
    if (c == '[') {
      ++depth;
    } else if (c == ']' && depth > 0) {
      --depth;
    } else if (c == '=' && depth == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

namespace shape_detail {

const Shape& BytesShape() {
  static const Shape shape = [] {
    Shape bytes = ShapeOf<std::string>();
    bytes.value = ValueKind::kBytes;
    bytes.emit = [](JsonEmitter& out, const void* value) {
      out.String(BytesToHex(*static_cast<const std::string*>(value)));
    };
    return bytes;
  }();
  return shape;
}

}  // namespace shape_detail

const RowShape* RecordShape::Member(std::string_view name) const {
  for (const RowShape& row : rows) {
    if (row.shown == Shown::kSamples ? name == kSamplesKey
                                     : name == row.member) {
      return &row;
    }
  }
  return nullptr;
}

const RowShape* RecordShape::Named(std::string_view name) const {
  for (const RowShape& row : rows) {
    if (!row.positional && row.layout != Layout::kNone && row.element == name) {
      return &row;
    }
  }
  return nullptr;
}

const RecordShape* RecordShapeForRoot(std::string_view root) {
  return RootShape(root,
                   std::make_index_sequence<std::variant_size_v<AnyRecord>>());
}

std::vector<FoundValue> FindValues(const AnyRecord& record,
                                   const MemberPath& path) {
  const std::string root(RootName(record));
  MemberPath rest = path;
  rest.steps.erase(
      rest.steps.begin(),
      rest.steps.begin() + static_cast<std::ptrdiff_t>(FirstStep(path, root)));
  std::vector<FoundValue> found;
  Finder finder(found);
  std::visit(
      [&](const auto& value) {
        finder.Walk(ShapeOf<std::decay_t<decltype(value)>>(), &value, rest, 0,
                    root, nullptr);
      },
      record);
  if (found.empty()) throw PathError(finder.stopped());
  return found;
}

std::string JsonText(const Shape& shape, const void* value) {
  std::ostringstream text;
  JsonEmitter out(text, false);
  shape.emit(out, value);
  return text.str();
}

std::string PlainText(const Shape& shape, const void* value) {
  if (shape.kind == ShapeKind::kValue && shape.value == ValueKind::kText) {
    return *shape.text(value);
  }
  if (shape.kind == ShapeKind::kValue && shape.value == ValueKind::kBytes) {
    return BytesToHex(*shape.text(value));
  }
  return JsonText(shape, value);
}

std::int64_t ReadIndexText(const RowShape& row, std::string_view text) {
  std::int64_t value = row.form == TextForm::kDecimalAsInteger
                           ? devseries::TruncateToInt32(ParseCDouble(text))
                           : devseries::ParseCLong(text);
  if (row.afterRead != nullptr) value = row.afterRead(value);
  return value;
}

Plan PlanAssignment(const RecordShape& root, const MemberPath& path,
                    const std::string& value) {
  Plan plan;
  plan.given = path.text;
  // What the element reached so far holds; the root's own shape is not
  // needed, as the first step is always one of its rows.
  const Shape* shape = nullptr;
  const RecordShape* record = &root;
  const RowShape* row = nullptr;  // the row the last element is for
  std::string where(root.element);
  bool entryOfRow = false;  // the last step is an entry of `row`
  bool language = false;
  for (size_t i = FirstStep(path, root.element); i < path.steps.size(); ++i) {
    const PathStep& step = path.steps[i];
    if (step.kind == PathStep::kMember) {
      const std::string next = where + "." + step.name;
      if (row != nullptr && shape->kind == ShapeKind::kLanguageSet) {
        PlanStep add;
        add.kind = PlanStep::kLanguage;
        add.language = LanguageIndex(step.name);
        if (add.language == devseries::kLanguageCount) {
          throw PathError(where + " has no language " + Quoted(step.name) +
                          " (the languages are " + LanguageList() + ")");
        }
        plan.steps.push_back(add);
        shape = &ShapeOf<std::string>();
        language = true;
      } else {
        if (row != nullptr) {
          if (shape->kind != ShapeKind::kRecord) {
            throw PathError(where + " is " + std::string(WhatItIs(*shape)) +
                            "; it has no member " + Quoted(step.name));
          }
          record = shape->record;
        }
        row = &MemberRow(*record, where, step.name);
        if (row->shown == Shown::kSamples) {
          throw PathError(next +
                          " is an output table's samples, which set does "
                          "not change");
        }
        if (row->layout == Layout::kOwn || row->layout == Layout::kNone) {
          throw PathError(next +
                          " is stored in a layout of its own, which set does "
                          "not change");
        }
        PlanStep add;
        add.kind = PlanStep::kRow;
        add.record = record;
        add.row = row;
        plan.steps.push_back(add);
        shape = row->shape;
        entryOfRow = false;
      }
      where = next;
      continue;
    }
    if (row == nullptr || language ||
        (shape->kind != ShapeKind::kList && shape->kind != ShapeKind::kTable)) {
      throw PathError(
          where + " is " +
          std::string(row == nullptr ? "a record" : WhatItIs(*shape)) +
          ", not a list");
    }
    PlanStep add;
    add.kind = PlanStep::kEntry;
    add.row = row;
    add.entry = step;
    std::string next = where;
    if (step.kind == PathStep::kSelect) {
      if (shape->entry->kind != ShapeKind::kRecord) {
        throw PathError("the entries of " + where + " are " +
                        std::string(WhatItIs(*shape->entry)) +
                        "s; select them by position [N]");
      }
      const RecordShape& entries = *shape->entry->record;
      add.selectBy = &SelectorRow(entries, where, step.name);
      if (add.selectBy == entries.index) {
        add.selectIndex = SelectorIndex(where, step);
      }
      next += "[" + step.name + "=" + step.value + "]";
    } else {
      next += step.kind == PathStep::kAll
                  ? std::string("[*]")
                  : "[" + std::to_string(step.index) + "]";
    }
    plan.steps.push_back(add);
    shape = shape->entry;
    entryOfRow = true;
    where = next;
  }
  if (row == nullptr || shape->kind != ShapeKind::kValue) {
    const std::string what = row == nullptr ? std::string("the whole file")
                                            : std::string(WhatItIs(*shape));
    std::string hint;
    if (row == nullptr) {
      hint = "; name one of its values: " + where + ".MEMBER...";
    } else if (shape->kind == ShapeKind::kLanguageSet) {
      hint = "; name a language: " + where + ".English";
    } else if (shape->kind == ShapeKind::kList ||
               shape->kind == ShapeKind::kTable) {
      hint = "; name an entry: " + where + "[0]";
    }
    throw PathError(where + " is " + what + ", and set changes single values" +
                    hint);
  }
  const model::Meaning& meaning = *row->meaning;
  const TextForm form = entryOfRow ? TextForm::kPlain : row->form;
  switch (shape->value) {
    case ValueKind::kInteger:
      plan.value = IntegerValue(*shape, form, meaning,
                                entryOfRow ? nullptr : row->afterRead, value);
      break;
    case ValueKind::kFloat:
    case ValueKind::kDouble:
      plan.value = NumberValue(shape->value, meaning, value);
      break;
    case ValueKind::kBoolean:
      if (value != "true" && value != "false") {
        throw PathError("expected true or false, not " + Quoted(value));
      }
      plan.value.text = value;
      plan.value.readBack = value;
      break;
    case ValueKind::kText:
      plan.value = TextValue(value, language);
      break;
    case ValueKind::kBytes:
      plan.value = BytesValue(value);
      break;
  }
  return plan;
}

}  // namespace dsrtool
