// The findings of a series or of a standalone record: what the format
// tolerates but makes no sense, found from the field models in one walk of
// the record, in document order.
//
// References (all that CheckReferences looks for): the index members that
// name no record, and the keys that repeat within their list. A row's
// Meaning::refersTo ("aInkInfoList[].nInkIndex") says which list and member
// an index member names; the member it names is that list's key (the
// member some other member refers to), so the keys are the targets of the
// models' references and no kind lists its own. A reference names the list
// of that name in the nearest record that holds it, from the referring
// record outwards: a quality level's permission indices name the
// permission sets of its own medium, an ink index the series' inks. An
// index below 0 names nothing (the format's "none"), as the tools read it.
// A record read alone has no lists but its own: its other indices name
// nothing to check against.
//
// Values (CheckSeries, CheckRecord) besides: a value outside the range its
// row states (Meaning::ranged), a value a closed enumeration does not name
// (Meaning::namesAll), a table that falls where its row says it rises
// (Meaning::risesWith), an output table whose stored samples expand to a
// curve that falls where the samples do not, and a medium whose quality
// levels lead to no visible permission set. Only what the file stores is
// looked at: the output table's samples only where the table stores them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "devseries/color/custom_color_info_model_internal.h"
#include "devseries/device_series_model_internal.h"
#include "devseries/devseries.h"
#include "devseries/records/media/output_table_internal.h"
#include "devseries/series_findings_internal.h"
#include "devseries/xmlio/field_model_internal.h"
#include "devseries/xmlio/number_text.h"
#include "devseries/xmlio/time_stamp_model_internal.h"

namespace devseries {
namespace {

using field_model::Encoding;
using field_model::ForEachField;
using field_model::HeldRecord;
using field_model::Meaning;
using field_model::Model;
using field_model::Modelled;

// An index value: an integer, not a flag.
template <typename T>
constexpr bool kIsIndex = std::is_integral_v<T> && !std::is_same_v<T, bool>;

// A list or table of index values.
template <typename T>
constexpr bool kIsIndexList = false;
template <typename T>
constexpr bool kIsIndexList<std::vector<T>> = kIsIndex<T>;
template <typename T, size_t N>
constexpr bool kIsIndexList<std::array<T, N>> = kIsIndex<T>;

template <typename T>
constexpr bool kIsRecordList = false;
template <Modelled T>
constexpr bool kIsRecordList<std::vector<T>> = true;

// A number: an integer or a floating-point value, not a flag.
template <typename T>
constexpr bool kIsNumber = std::is_arithmetic_v<T> && !std::is_same_v<T, bool>;

// A fixed table of numbers.
template <typename T>
constexpr bool kIsNumberTable = false;
template <typename T, size_t N>
constexpr bool kIsNumberTable<std::array<T, N>> = kIsNumber<T>;

// A row whose codec stores an output table's samples only for some
// records (SamplesStored says for which).
template <typename Row>
constexpr bool kHoldsSamples =
    requires(const typename Row::RecordType& record) {
  Row::CodecType::SamplesStored(record);
};

// Whether a row may give a finding itself: an index, or a value one of
// the checks looks at.
template <typename Row>
constexpr bool RowMayFind(const Row& row) {
  const Meaning& meaning = row.meaning;
  return !meaning.refersTo.empty() || meaning.ranged || meaning.namesAll ||
         !meaning.risesWith.empty() || kHoldsSamples<Row> ||
         std::is_same_v<typename Row::MemberType, std::vector<QualityInfo>>;
}

template <typename Record>
constexpr bool MayHoldFindings();

// Whether the records a member of type Member holds may hold an index
// member or a list (whose entries may have a key).
template <typename Member>
constexpr bool HeldMayHoldFindings() {
  if constexpr (kIsRecordList<Member>) {
    return true;
  } else if constexpr (std::is_void_v<HeldRecord<Member>>) {
    return false;
  } else {
    return MayHoldFindings<HeldRecord<Member>>();
  }
}

// Whether a record of kind Record may hold a finding: it has a row that
// may give one or a list of records, or holds a record that may. A record
// that may not (a time stamp, an ink's colour, a calibration step) is not
// walked.
template <typename Record>
constexpr bool MayHoldFindings() {
  return std::apply(
      [](const auto&... row) {
        return (
            (RowMayFind(row) ||
             HeldMayHoldFindings<
                 typename std::remove_cvref_t<decltype(row)>::MemberType>()) ||
            ...);
      },
      Model<Record>::kFields);
}

// Appends the references of Record's rows and of the records they hold.
template <typename Record>
void CollectReferences(std::vector<std::string_view>& references) {
  ForEachField<Record>([&](const auto& row) {
    using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
    if (!row.meaning.refersTo.empty()) {
      references.push_back(row.meaning.refersTo);
    }
    if constexpr (!std::is_void_v<HeldRecord<Member>>) {
      CollectReferences<HeldRecord<Member>>(references);
    }
  });
}

// "aInkInfoList[].nInkIndex" as its list and member; empty where the text
// is not of that form.
struct Reference {
  std::string_view list;
  std::string_view member;
};
Reference SplitReference(std::string_view refersTo) {
  constexpr std::string_view kEntry = "[].";
  const size_t at = refersTo.find(kEntry);
  if (at == std::string_view::npos) return {};
  return {refersTo.substr(0, at), refersTo.substr(at + kEntry.size())};
}

// Whether member `member` of the entries of the list `list` is a key: the
// target of some reference of the series' models.
bool IsKey(std::string_view list, std::string_view member) {
  static const std::vector<Reference> targets = [] {
    std::vector<std::string_view> references;
    CollectReferences<DeviceSeries>(references);
    std::vector<Reference> split;
    for (std::string_view reference : references) {
      split.push_back(SplitReference(reference));
    }
    return split;
  }();
  for (const Reference& target : targets) {
    if (target.list == list && target.member == member) return true;
  }
  return false;
}

// A key of a list of one record: the position of the first entry that
// holds each value.
struct KeyTable {
  std::string_view list;                           // "aInkInfoList"
  std::string_view member;                         // "nInkIndex"
  std::string_view entry;                          // "InkInfo"
  std::unordered_map<std::int64_t, size_t> first;  // value: 1-based position
};

// The keys of the lists of one record being walked.
struct Scope {
  std::vector<KeyTable> keys;
};

// The record being walked as an entry of a list: its position (1-based)
// and the keys of that list.
struct EntryOf {
  size_t position = 0;
  std::vector<const KeyTable*> keys;
};

// "1 step", "3 steps".
std::string Count(size_t count, std::string_view noun) {
  return std::to_string(count) + " " + std::string(noun) +
         (count == 1 ? "" : "s");
}

// "1 step falls", "3 steps fall".
std::string CountFalling(size_t count, std::string_view noun) {
  return Count(count, noun) + (count == 1 ? " falls" : " fall");
}

// A value as the file writes it: floating-point values with three
// decimals.
template <typename T>
std::string ValueText(T value) {
  if constexpr (std::is_floating_point_v<T>) {
    return FormatFixed(value, 3);
  } else {
    return std::to_string(value);
  }
}

// A value as a reader of the file gets it back.
template <typename T>
double WrittenValue(T value) {
  if constexpr (std::is_floating_point_v<T>) {
    return ParseCDouble(FormatFixed(value, 3));
  } else {
    return static_cast<double>(value);
  }
}

class Checker {
 public:
  // `values`: the values are checked too, not only the references and keys.
  explicit Checker(bool values) : values_(values) {}

  template <typename Record>
  std::vector<Finding> Check(const Record& record) {
    path_ = Model<Record>::kElement;
    Walk(record, EntryOf{});
    return std::move(findings_);
  }

 private:
  // Walks `record`, whose element is the end of path_: its keys, then its
  // rows in the writer's order (the document's).
  template <typename Record>
  void Walk(const Record& record, const EntryOf& entryOf) {
    scopes_.push_back(KeysOf(record));
    ForEachField<Record>([&](const auto& row) {
      using Row = std::remove_cvref_t<decltype(row)>;
      using Member = typename Row::MemberType;
      const bool stored = Stored(row, record);
      // A member the file stores through another's element (a colour's
      // space) has a value all the same.
      const bool implied = Row::kEncoding == Encoding::kImplied;
      if (!stored && !(values_ && implied)) return;
      const Member& member = record.*row.member;
      const size_t length = path_.size();
      path_ += '/';
      path_ += row.name;
      if (values_) CheckValues(row, record);
      if (stored) {
        if constexpr (kIsIndex<Member>) {
          CheckKey(row.MemberName(), member, entryOf);
          CheckIndex(row.meaning.refersTo, member);
        } else if constexpr (kIsRecordList<Member>) {
          WalkList(row.name, member);
        } else if constexpr (!std::is_void_v<HeldRecord<Member>>) {
          if constexpr (MayHoldFindings<HeldRecord<Member>>()) {
            WalkHeld(member);
          }
        } else if constexpr (kIsIndexList<Member>) {
          if (!row.meaning.refersTo.empty()) CheckIndices(row, member);
        }
      }
      path_.resize(length);
    });
    scopes_.pop_back();
  }

  // Checks the value of `row`'s member of `record` (the member at path_)
  // against what its row says of it.
  template <typename Row, typename Record>
  void CheckValues(const Row& row, const Record& record) {
    using Member = typename Row::MemberType;
    const Meaning& meaning = row.meaning;
    const Member& member = record.*row.member;
    if constexpr (kIsNumber<Member>) {
      if (meaning.ranged) CheckRange(row.MemberName(), meaning, member);
      if (meaning.namesAll) CheckNamed(row.MemberName(), meaning, member);
    } else if constexpr (kHoldsSamples<Row>) {
      // The output table, whose codec stores only its samples, and only
      // for some tables.
      if (!Row::CodecType::SamplesStored(record)) return;
      const OutputTableSamples samples = TakeOutputTableSamples(member);
      if (meaning.ranged) CheckSamples(meaning, samples);
      CheckExpandedCurve(samples);
    } else if constexpr (kIsNumberTable<Member>) {
      if (!meaning.risesWith.empty()) CheckRising(row, member);
    } else if constexpr (std::is_same_v<Member, std::vector<QualityInfo>>) {
      CheckQualityLevels(record);
    }
  }

  // Whether the file stores the member of `row` for `record`.
  template <typename Row, typename Record>
  static bool Stored(const Row& row, const Record& record) {
    if (!row.stored()) return false;
    return row.storedWhen.empty() || row.writeIf == nullptr ||
           row.writeIf(record);
  }

  // The keys of the lists of `record`, each with its values.
  template <typename Record>
  static Scope KeysOf(const Record& record) {
    Scope scope;
    ForEachField<Record>([&](const auto& row) {
      using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
      if constexpr (kIsRecordList<Member>) {
        if (!Stored(row, record)) return;
        using Entry = typename Member::value_type;
        const Member& entries = record.*row.member;
        ForEachField<Entry>([&](const auto& entryRow) {
          using Key =
              typename std::remove_cvref_t<decltype(entryRow)>::MemberType;
          if constexpr (kIsIndex<Key>) {
            if (!entryRow.stored() || !IsKey(row.name, entryRow.MemberName())) {
              return;
            }
            KeyTable table{
                row.name, entryRow.MemberName(), Model<Entry>::kElement, {}};
            for (size_t i = 0; i < entries.size(); ++i) {
              table.first.try_emplace(entries[i].*entryRow.member, i + 1);
            }
            scope.keys.push_back(std::move(table));
          }
        });
      }
    });
    return scope;
  }

  // Walks the entries of a list of records (those of path_), each as an
  // entry of that list.
  template <typename Entry>
  void WalkList(std::string_view list, const std::vector<Entry>& entries) {
    EntryOf entryOf;
    for (const KeyTable& table : scopes_.back().keys) {
      if (table.list == list) entryOf.keys.push_back(&table);
    }
    if (!MayHoldFindings<Entry>() && entryOf.keys.empty()) return;
    const size_t length = path_.size();
    for (size_t i = 0; i < entries.size(); ++i) {
      entryOf.position = i + 1;
      AppendEntry(Model<Entry>::kElement, i);
      Walk(entries[i], entryOf);
      path_.resize(length);
    }
  }

  // Walks the records a member other than a list of records holds: a
  // nested record, or a table of them.
  template <typename Member>
  void WalkHeld(const Member& member) {
    if constexpr (requires {
                    member.size();
                    member[0];
                  }) {
      const size_t length = path_.size();
      for (size_t i = 0; i < member.size(); ++i) {
        AppendEntry(Model<HeldRecord<Member>>::kElement, i);
        Walk(member[i], EntryOf{});
        path_.resize(length);
      }
    } else {
      Walk(member, EntryOf{});
    }
  }

  // Checks the entries of a list or table of indices (path_ its element).
  template <typename Row, typename List>
  void CheckIndices(const Row& row, const List& list) {
    const size_t length = path_.size();
    for (size_t i = 0; i < list.size(); ++i) {
      AppendItem(row, i);
      CheckIndex(row.meaning.refersTo, list[i]);
      path_.resize(length);
    }
  }

  // Appends the element of entry `index` of a list or table of values to
  // path_, named as the row's codec writes it: "/value3" for a numbered
  // table, "/nInkIndex[4]" otherwise.
  template <typename Row>
  void AppendItem(const Row& row, size_t index) {
    std::string_view item = "value";
    bool numbered = false;
    if constexpr (requires {
                    row.codec.item;
                    row.codec.numbered;
                  }) {
      item = row.codec.item;
      numbered = row.codec.numbered;
    }
    if (numbered) {
      path_ += '/';
      path_ += NumberedName(item, index);
    } else {
      AppendEntry(item, index);
    }
  }

  // Appends "/element[position]" (the position 1-based) to path_.
  void AppendEntry(std::string_view element, size_t index) {
    path_ += '/';
    path_ += element;
    path_ += '[';
    path_ += std::to_string(index + 1);
    path_ += ']';
  }

  // Notes the index `value` (the member at path_) when it names no entry
  // of the list `refersTo` names.
  void CheckIndex(std::string_view refersTo, std::int64_t value) {
    if (refersTo.empty() || value < 0) return;
    const KeyTable* table = Find(SplitReference(refersTo));
    if (table == nullptr || table->first.count(value) != 0) return;
    const std::string number = std::to_string(value);
    const std::string entry(table->entry);
    findings_.push_back(
        {path_, "names " + entry + " " + number + " (no " + entry + " has " +
                    std::string(table->member) + " " + number + ")"});
  }

  // Notes the key `value` (the member `member` at path_) when an earlier
  // entry of the record's list holds it.
  void CheckKey(std::string_view member, std::int64_t value,
                const EntryOf& entryOf) {
    for (const KeyTable* table : entryOf.keys) {
      if (table->member != member) continue;
      const size_t first = table->first.at(value);
      if (first == entryOf.position) continue;
      findings_.push_back({path_, std::string(member) + " " +
                                      std::to_string(value) + " repeats " +
                                      std::string(table->entry) + "[" +
                                      std::to_string(first) + "]'s"});
    }
  }

  // Notes the number `value` (the member `member` at path_) when it lies
  // outside the range `meaning` states.
  template <typename T>
  void CheckRange(std::string_view member, const Meaning& meaning, T value) {
    const double number = static_cast<double>(value);
    if (number >= meaning.minimum && number <= meaning.maximum) return;
    findings_.push_back(
        {path_,
         std::string(member) + " is " + ValueText(value) + ", " +
             (number < meaning.minimum
                  ? "under the least value " + FormatShortest(meaning.minimum)
                  : "over the greatest value " +
                        FormatShortest(meaning.maximum))});
  }

  // Notes the value `value` (the member `member` at path_) when none of
  // the names `meaning` gives, every value the format allows, is its.
  template <typename T>
  void CheckNamed(std::string_view member, const Meaning& meaning, T value) {
    std::string allowed;
    for (const field_model::EnumName& name : meaning.names) {
      if (static_cast<double>(name.value) == static_cast<double>(value)) {
        return;
      }
      if (!allowed.empty()) allowed += ", ";
      allowed += std::to_string(name.value) + " " + std::string(name.name);
    }
    findings_.push_back({path_, std::string(member) + " " + ValueText(value) +
                                    " is none of the values the format "
                                    "allows (" +
                                    allowed + ")"});
  }

  // Notes the stored samples of an output table (its element at path_)
  // that lie outside the range of output levels: the first, and how many.
  void CheckSamples(const Meaning& meaning, const OutputTableSamples& samples) {
    size_t outside = 0, first = 0;
    for (size_t j = 0; j < samples.size(); ++j) {
      if (samples[j] < meaning.minimum || samples[j] > meaning.maximum) {
        if (outside++ == 0) first = j;
      }
    }
    if (outside == 0) return;
    const bool under = samples[first] < meaning.minimum;
    findings_.push_back(
        {path_, "input level " +
                    std::to_string(OutputTableSamplePosition(first)) + " is " +
                    std::to_string(samples[first]) + ", " +
                    (under ? "under the least output level " +
                                 FormatShortest(meaning.minimum)
                           : "over the greatest output level " +
                                 FormatShortest(meaning.maximum)) +
                    " (" + Count(outside, "sample") + " out of range in all)"});
  }

  // Notes an output table (its element at path_) whose samples expand to
  // a curve that falls where the samples do not.
  void CheckExpandedCurve(const OutputTableSamples& samples) {
    const ExpandedFall fall = FindExpandedFall(samples);
    if (fall.levels == 0) return;
    findings_.push_back(
        {path_, "the expanded curve falls by " + Count(fall.drop, "level") +
                    " at input level " + std::to_string(fall.level) +
                    " where its samples do not fall (" +
                    CountFalling(fall.levels, "level") + " in all)"});
  }

  // Notes a table that should rise (`row`'s, at path_) where its values,
  // as written, fall: at the first entry that is below the one before it,
  // and how many are.
  template <typename Row, typename Table>
  void CheckRising(const Row& row, const Table& table) {
    size_t falls = 0, first = 0;
    for (size_t i = 1; i < table.size(); ++i) {
      if (WrittenValue(table[i]) < WrittenValue(table[i - 1])) {
        if (falls++ == 0) first = i;
      }
    }
    if (falls == 0) return;
    const std::string noun(row.meaning.risesWith);
    const size_t length = path_.size();
    AppendItem(row, first);
    findings_.push_back(
        {path_, std::string(row.MemberName()) + " falls from " +
                    ValueText(table[first - 1]) + " at " + noun + " " +
                    std::to_string(first) + " to " + ValueText(table[first]) +
                    " at " + noun + " " + std::to_string(first + 1) + " (" +
                    CountFalling(falls, noun) + " in all)"});
    path_.resize(length);
  }

  // Notes a medium whose quality levels lead to no visible permission set
  // (its aQualityInfoList at path_): the sets they name are all hidden, or
  // they name none. Levels that name only sets the medium lacks are left
  // to the references' findings.
  void CheckQualityLevels(const MediaInfo& media) {
    if (media.aQualityInfoList.empty()) return;
    const auto& sets = media.aPermissionSetList;
    // The sets the levels name, by position (the first of a number, as
    // the references take it).
    std::set<size_t> named;
    bool namesMissing = false;
    for (const QualityInfo& level : media.aQualityInfoList) {
      for (std::int32_t index : level.anPermissionIndexList) {
        if (index < 0) continue;
        size_t at = 0;
        while (at < sets.size() && sets[at].nPermissionIndex != index) ++at;
        if (at == sets.size()) {
          namesMissing = true;
        } else if (sets[at].bVisiblePermission) {
          return;
        } else {
          named.insert(at);
        }
      }
    }
    if (named.empty() && namesMissing) return;
    findings_.push_back(
        {path_, named.empty()
                    ? "its quality levels name no permission set"
                    : "its quality levels name no visible permission set (" +
                          (named.size() == 1
                               ? std::string("the one they name is hidden")
                               : "the " + std::to_string(named.size()) +
                                     " they name are hidden") +
                          ")"});
  }

  // The key `reference` names, in the nearest record being walked that
  // holds its list; null when none does.
  const KeyTable* Find(const Reference& reference) const {
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
      for (const KeyTable& table : scope->keys) {
        if (table.list == reference.list && table.member == reference.member) {
          return &table;
        }
      }
    }
    return nullptr;
  }

  const bool values_;
  std::vector<Finding> findings_;
  // The element path of what is being walked.
  std::string path_;
  // The keys of the records being walked, outermost first. A deque: the
  // tables of the outer records stay where they are while inner ones come
  // and go.
  std::deque<Scope> scopes_;
};

}  // namespace

std::vector<Finding> CheckReferences(const DeviceSeries& series) {
  return Checker(false).Check(series);
}

std::vector<Finding> CheckSeries(const DeviceSeries& series) {
  return Checker(true).Check(series);
}

std::vector<Finding> CheckRecord(const DeviceSeries& series) {
  return CheckSeries(series);
}
std::vector<Finding> CheckRecord(const ModelInfo& record) {
  return Checker(true).Check(record);
}
std::vector<Finding> CheckRecord(const InkInfo& record) {
  return Checker(true).Check(record);
}
std::vector<Finding> CheckRecord(const InkConfigInfo& record) {
  return Checker(true).Check(record);
}
std::vector<Finding> CheckRecord(const ResolutionInfo& record) {
  return Checker(true).Check(record);
}
std::vector<Finding> CheckRecord(const ModeInfo& record) {
  return Checker(true).Check(record);
}
std::vector<Finding> CheckRecord(const PatternInfo& record) {
  return Checker(true).Check(record);
}
std::vector<Finding> CheckRecord(const MediaInfo& record) {
  return Checker(true).Check(record);
}
std::vector<Finding> CheckRecord(const SeparationInfo& record) {
  return Checker(true).Check(record);
}
std::vector<Finding> CheckRecord(const VControlPoint& record) {
  return Checker(true).Check(record);
}
std::vector<Finding> CheckRecord(const TimeStamp& record) {
  return Checker(true).Check(record);
}
std::vector<Finding> CheckRecord(const CustomColorInfo& record) {
  return Checker(true).Check(record);
}

}  // namespace devseries
