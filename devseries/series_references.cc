// CheckReferences: the index members of a series that name no record, and
// the keys that repeat within their list, found from the field models
// alone.
//
// A row's Meaning::refersTo ("aInkInfoList[].nInkIndex") says which list
// and member an index member names; the member it names is that list's key
// (the member some other member refers to), so the keys are the targets of
// the models' references and no kind lists its own. A reference names the
// list of that name in the nearest record that holds it, from the
// referring record outwards: a quality level's permission indices name the
// permission sets of its own medium, an ink index the series' inks. An
// index below 0 names nothing (the format's "none"), as the tools read it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "devseries/device_series_model_internal.h"
#include "devseries/devseries.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries {
namespace {

using field_model::ForEachField;
using field_model::HeldRecord;
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

// Whether a record of kind Record may hold a finding: it has an index
// member or a list of records, or holds a record that may. A record that
// may not (a time stamp, a colour, a calibration step) is not walked.
template <typename Record>
constexpr bool MayHoldFindings() {
  return std::apply(
      [](const auto&... row) {
        return (
            (!row.meaning.refersTo.empty() ||
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

class Checker {
 public:
  std::vector<Finding> Check(const DeviceSeries& series) {
    path_ = Model<DeviceSeries>::kElement;
    Walk(series, EntryOf{});
    return std::move(findings_);
  }

 private:
  // Walks `record`, whose element is the end of path_: its keys, then its
  // rows in the writer's order (the document's).
  template <typename Record>
  void Walk(const Record& record, const EntryOf& entryOf) {
    scopes_.push_back(KeysOf(record));
    ForEachField<Record>([&](const auto& row) {
      if (!Stored(row, record)) return;
      using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
      const Member& member = record.*row.member;
      const size_t length = path_.size();
      path_ += '/';
      path_ += row.name;
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
      path_.resize(length);
    });
    scopes_.pop_back();
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
    // The entries' element names, as the list's codec writes them.
    std::string_view item = "value";
    bool numbered = false;
    if constexpr (requires {
                    row.codec.item;
                    row.codec.numbered;
                  }) {
      item = row.codec.item;
      numbered = row.codec.numbered;
    }
    const size_t length = path_.size();
    for (size_t i = 0; i < list.size(); ++i) {
      if (numbered) {
        path_ += '/';
        path_ += NumberedName(item, i);
      } else {
        AppendEntry(item, i);
      }
      CheckIndex(row.meaning.refersTo, list[i]);
      path_.resize(length);
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
  return Checker().Check(series);
}

}  // namespace devseries
