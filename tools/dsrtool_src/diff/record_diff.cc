#include "tools/dsrtool_src/diff/record_diff.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace dsrtool {

namespace {

using devseries::field_model::Meaning;
using devseries::field_model::Packing;

// ------------------------------------------------------------ values' texts

// `text` as a JSON string, as the JSON form prints it (and nlohmann's dump
// of that form then prints it again).
std::string QuotedText(std::string_view text) {
  std::ostringstream out;
  JsonEmitter(out, false).String(text);
  return out.str();
}

// The number the JSON form's text of a finite float reads back as: the
// shortest decimal that reads back as the float.
template <typename F>
double JsonNumber(F value) {
  char text[64];
  const char* end = std::to_chars(text, text + sizeof text, value).ptr;
  double number = 0;
  std::from_chars(text, end, number);
  return number;
}

// The text of `value` in a difference: nlohmann's compact dump of the value
// the JSON form holds, as CompareRecords prints it.
template <typename T>
std::string Compact(const T& value) {
  if constexpr (std::is_same_v<T, bool>) {
    return value ? "true" : "false";
  } else if constexpr (std::is_same_v<T, std::string>) {
    return QuotedText(value);
  } else if constexpr (std::is_floating_point_v<T>) {
    if (std::isnan(value)) return "\"NaN\"";
    if (std::isinf(value)) return value < 0 ? "\"-Infinity\"" : "\"Infinity\"";
    return Json(JsonNumber(value)).dump();
  } else if constexpr (std::is_integral_v<T>) {
    return std::to_string(value);
  } else {
    // Records, language sets and tables: rare in a difference (a member
    // only one side stores), so made the way the JSON form makes them.
    std::ostringstream text;
    JsonEmitter emitter(text, false);
    EmitValue(emitter, value, JsonForm::kFile);
    return Json::parse(text.str())
        .dump(-1, ' ', false, Json::error_handler_t::replace);
  }
}

// True when the meaning makes a member's numbers codes, compared exactly
// whatever the tolerance.
bool HoldsCode(const Meaning& meaning) {
  return !meaning.names.empty() || meaning.packing != Packing::kNone ||
         !meaning.refersTo.empty() || meaning.summary == "index";
}

// --------------------------------------------------- walking one record

// Calls `found` with the member named `name` when the file stores it (byte
// strings and output tables aside: no key is one).
template <typename Found>
struct MemberFinder {
  std::string_view name;
  Found& found;
  template <typename M>
  void operator()(std::string_view member, const M& value) {
    if (member == name) found(value);
  }
  void Bytes(std::string_view, const std::string&) {}
  template <typename M>
  void StoredWhen(bool stored, std::string_view member, const M& value,
                  std::string_view) {
    if (stored) (*this)(member, value);
  }
  template <typename M>
  void InMemory(std::string_view, const M&) {}
  void Table(std::string_view, const devseries::OutputTable&, bool) {}
};

template <typename Record, typename Found>
void WithStoredMember(const Record& record, std::string_view name,
                      Found&& found) {
  MemberFinder<Found> visit{name, found};
  EachMember(record, visit);
}

// Finds the first language set a record stores.
struct LanguageSetFinder {
  const devseries::LanguageStringSet* set = nullptr;
  template <typename M>
  void operator()(std::string_view, const M& value) {
    if constexpr (LanguageSet<M>) {
      if (set == nullptr) set = &value;
    }
  }
  void Bytes(std::string_view, const std::string&) {}
  template <typename M>
  void StoredWhen(bool stored, std::string_view name, const M& value,
                  std::string_view) {
    if (stored) (*this)(name, value);
  }
  template <typename M>
  void InMemory(std::string_view, const M&) {}
  void Table(std::string_view, const devseries::OutputTable&, bool) {}
};

// The first language set `record` stores, or null.
template <typename Record>
const devseries::LanguageStringSet* FirstLanguageSet(const Record& record) {
  LanguageSetFinder visit;
  EachMember(record, visit);
  return visit.set;
}

// How many values the JSON form of `value` holds: numbers, texts and
// booleans, each entry of a table or a language set one.
template <typename T>
size_t Leaves(const T& value, std::string_view skipped = {});

struct LeafCounter {
  std::string_view skipped;  // a member left out
  size_t count = 0;
  template <typename M>
  void operator()(std::string_view name, const M& value) {
    if (name != skipped) count += Leaves(value);
  }
  void Bytes(std::string_view, const std::string&) { ++count; }
  template <typename M>
  void StoredWhen(bool stored, std::string_view name, const M& value,
                  std::string_view) {
    if (stored) (*this)(name, value);
  }
  template <typename M>
  void InMemory(std::string_view, const M&) {}
  void Table(std::string_view, const devseries::OutputTable&, bool stored) {
    if (stored) count += devseries::kOutputTableSampleCount;
  }
};

template <typename T>
size_t Leaves(const T& value, std::string_view skipped) {
  if constexpr (FieldRecord<T>) {
    LeafCounter counter{skipped};
    EachMember(value, counter);
    return counter.count;
  } else if constexpr (LanguageSet<T>) {
    return value.size();
  } else if constexpr (kScalar<T>) {
    return 1;
  } else if constexpr (kScalar<typename T::value_type>) {
    return value.size();
  } else {
    size_t count = 0;
    for (const auto& entry : value) count += Leaves(entry);
    return count;
  }
}

// The key that matches `record` in a list matched by `member` (MatchMember):
// its media names, or its index member; empty when it has none.
template <typename Record>
std::string KeyOf(const Record& record, std::string_view member) {
  std::string key;
  if (member == "*") {
    WithStoredMember(record, kMediaNameMember, [&](const auto& names) {
      if constexpr (LanguageSet<std::decay_t<decltype(names)>>) {
        for (size_t i = 0; i < names.size() && i < kMatchedLanguages; ++i) {
          key += QuotedText(names[i]) + ",";
        }
      }
    });
  } else {
    WithStoredMember(record, member,
                     [&](const auto& value) { key = Compact(value); });
  }
  return key;
}

// "nInkIndex 5 "Cyan"": a record's key member and its first English text,
// to tell which record a line is about; a plain value's text.
template <typename T>
std::string Describe(const T& value, std::string_view member) {
  if constexpr (FieldRecord<T>) {
    std::string text;
    if (!member.empty() && member != "*") {
      WithStoredMember(value, member, [&](const auto& found) {
        text = std::string(member) + " " + Compact(found);
      });
    }
    if (const devseries::LanguageStringSet* set = FirstLanguageSet(value)) {
      text += (text.empty() ? "" : " ") + QuotedText((*set)[0]);
    }
    return text.empty() ? "a record" : text;
  } else if constexpr (LanguageSet<T>) {
    return "a record";  // an object without language sets in it
  } else {
    return Compact(value);
  }
}

// "1 record", "2 records".
std::string Records(size_t count) {
  return std::to_string(count) + (count == 1 ? " record" : " records");
}

// ------------------------------------------------------------ comparing

// How a member is held in the JSON form.
enum class Form {
  kValue,    // as its type is
  kBytes,    // a byte string, as hex
  kSamples,  // an output table, as its stored samples
};

class Comparer {
 public:
  Comparer(const DiffOptions& options, DifferenceSink* sink)
      : options_(options), sink_(sink) {}

  template <typename T>
  void Root(const T& a, const T& b, std::string_view rootName) {
    root_ = rootName;
    series_ = std::is_same_v<T, DeviceSeries>;
    place_ = {rootName, false, 0, false};
    path_ = rootName;
    Value(a, b, rootName);
  }

  // How many values of `a` and `b` differ, their member `skipped` left out;
  // a value only one has counts, a record only one has by its values.
  template <typename T>
  static size_t Differing(const T& a, const T& b, const DiffOptions& options,
                          std::string_view skipped) {
    Comparer measure(options, nullptr);
    measure.skipped_ = skipped;
    measure.Record(a, b);
    return measure.differing_;
  }

 private:
  // A member's place in a record as EachMember visits it: the member and
  // whether the file stores it.
  struct Slot {
    const void* member = nullptr;
    bool stored = false;
  };

  // Takes the slots of one record.
  struct SlotTaker {
    Slot* slots;
    size_t next = 0;
    template <typename M>
    void operator()(std::string_view, const M& value) {
      slots[next++] = {&value, true};
    }
    void Bytes(std::string_view, const std::string& value) {
      slots[next++] = {&value, true};
    }
    template <typename M>
    void StoredWhen(bool stored, std::string_view, const M& value,
                    std::string_view) {
      slots[next++] = {&value, stored};
    }
    template <typename M>
    void InMemory(std::string_view, const M& value) {
      slots[next++] = {&value, false};
    }
    void Table(std::string_view, const devseries::OutputTable& value,
               bool stored) {
      slots[next++] = {&value, stored};
    }
  };

  // Walks the members of A's record, each with B's at the same row: both
  // records are of one kind, so EachMember visits their rows in one order.
  struct PairVisitor {
    Comparer& comparer;
    const Slot* b;
    size_t next = 0;
    const Meaning* meaning = nullptr;
    // The members only B stores, shown after A's, as a JSON object's keys
    // that only the second object has.
    std::vector<std::function<void()>> onlyInB;

    void Describe(const Meaning& described) { meaning = &described; }
    template <typename M>
    void operator()(std::string_view name, const M& value) {
      Pair(name, value, true, Form::kValue);
    }
    void Bytes(std::string_view name, const std::string& value) {
      Pair(name, value, true, Form::kBytes);
    }
    template <typename M>
    void StoredWhen(bool stored, std::string_view name, const M& value,
                    std::string_view) {
      Pair(name, value, stored, Form::kValue);
    }
    template <typename M>
    void InMemory(std::string_view, const M&) {
      ++next;
    }
    void Table(std::string_view, const devseries::OutputTable& value,
               bool stored) {
      Pair(kSamplesKey, value, stored, Form::kSamples);
    }

    template <typename M>
    void Pair(std::string_view name, const M& a, bool storedA, Form form) {
      const Slot& slot = b[next++];
      if (comparer.depth_ == 1 && name == comparer.skipped_) return;
      const M& other = *static_cast<const M*>(slot.member);
      const DifferencePlace place = comparer.PlaceOf<M>(*meaning);
      if (storedA && slot.stored) {
        comparer.place_ = place;
        comparer.Member(name, a, other, form, *meaning);
      } else if (storedA) {
        comparer.place_ = place;
        comparer.OnlyIn(Difference::kRemoved, name, a, form);
      } else if (slot.stored) {
        Comparer* c = &comparer;
        onlyInB.push_back([c, name, &other, form, place] {
          c->place_ = place;
          c->OnlyIn(Difference::kAdded, name, other, form);
        });
      }
    }
  };

  // The place of the record's member of type M: a new group for each
  // member of a device series, the place the walk is at otherwise.
  template <typename M>
  DifferencePlace PlaceOf(const Meaning& meaning) const {
    if (!series_ || depth_ != 1) return place_;
    if constexpr (kIsVector<M>) {
      if constexpr (FieldRecord<typename M::value_type>) {
        return {meaning.description, true, 0, false};
      }
    }
    return {root_, false, 0, false};
  }

  // Appends to the path for as long as it lives.
  class PathPart {
   public:
    PathPart(std::string& path, char separator, std::string_view part)
        : path_(path), size_(path.size()) {
      path_ += separator;
      path_ += part;
    }
    PathPart(std::string& path, size_t index)
        : path_(path), size_(path.size()) {
      char digits[24];
      const char* end =
          std::to_chars(digits, digits + sizeof digits, index).ptr;
      path_ += '[';
      path_.append(digits, static_cast<size_t>(end - digits));
      path_ += ']';
    }
    ~PathPart() { path_.resize(size_); }
    PathPart(const PathPart&) = delete;
    PathPart& operator=(const PathPart&) = delete;

   private:
    std::string& path_;
    size_t size_;
  };

  // A difference at the path; `leaves`: the values it covers, which a
  // measure counts; `whole`: it is about a record of the place's group;
  // `before` and `after` make its texts.
  template <typename Before, typename After>
  void Emit(Difference::Kind kind, size_t leaves, bool whole, Before before,
            After after) {
    if (sink_ == nullptr) {
      differing_ += leaves;
      return;
    }
    if (!unshown_.empty() && path_ == unshown_) return;
    DifferencePlace place = place_;
    place.whole = whole;
    sink_->Found(Difference{kind, path_, before(), after()}, place);
  }

  // The values of `value` when measuring; not counted otherwise.
  template <typename T>
  size_t Measured(const T& value) const {
    return sink_ == nullptr ? Leaves(value) : 0;
  }

  template <typename T>
  void Changed(const T& a, const T& b) {
    Emit(
        Difference::kChanged, 1, false, [&] { return Compact(a); },
        [&] { return Compact(b); });
  }

  // The text of a member only one side stores: the whole value's.
  template <typename M>
  static std::string MemberText(const M& value, Form form) {
    if constexpr (std::is_same_v<M, std::string>) {
      if (form == Form::kBytes) return "\"" + BytesToHex(value) + "\"";
    }
    if constexpr (std::is_same_v<M, devseries::OutputTable>) {
      return Compact(devseries::TakeOutputTableSamples(value));
    } else {
      return Compact(value);
    }
  }

  template <typename M>
  void OnlyIn(Difference::Kind kind, std::string_view name, const M& value,
              Form form) {
    PathPart part(path_, '.', name);
    size_t leaves = 1;
    if constexpr (std::is_same_v<M, devseries::OutputTable>) {
      leaves = devseries::kOutputTableSampleCount;
    } else {
      if (form == Form::kValue) leaves = Measured(value);
    }
    auto text = [&] { return MemberText(value, form); };
    auto none = [] { return std::string(); };
    if (kind == Difference::kAdded) {
      Emit(kind, leaves, false, none, text);
    } else {
      Emit(kind, leaves, false, text, none);
    }
  }

  template <typename M>
  void Member(std::string_view name, const M& a, const M& b, Form form,
              const Meaning& meaning) {
    PathPart part(path_, '.', name);
    const bool exact = exact_;
    exact_ = HoldsCode(meaning);
    if constexpr (std::is_same_v<M, devseries::OutputTable>) {
      Value(devseries::TakeOutputTableSamples(a),
            devseries::TakeOutputTableSamples(b), kSamplesKey);
    } else if constexpr (std::is_same_v<M, std::string>) {
      if (form == Form::kBytes) {
        if (a != b) {
          Emit(
              Difference::kChanged, 1, false,
              [&] { return "\"" + BytesToHex(a) + "\""; },
              [&] { return "\"" + BytesToHex(b) + "\""; });
        }
      } else {
        Value(a, b, name);
      }
    } else {
      Value(a, b, name);
    }
    exact_ = exact;
  }

  template <typename T>
  void Record(const T& a, const T& b) {
    std::array<Slot, kMemberCount<T>> slots;
    SlotTaker taker{slots.data()};
    EachMember(b, taker);
    ++depth_;
    PairVisitor visit{*this, slots.data(), 0, nullptr, {}};
    EachMember(a, visit);
    for (const auto& added : visit.onlyInB) added();
    --depth_;
  }

  template <typename T>
  bool Differ(const T& a, const T& b) const {
    if constexpr (std::is_same_v<T, std::string>) {
      // Texts that are not UTF-8 are compared as the JSON form shows them.
      return a != b && QuotedText(a) != QuotedText(b);
    } else if constexpr (std::is_same_v<T, bool>) {
      return a != b;
    } else if constexpr (std::is_floating_point_v<T>) {
      if (std::isnan(a) || std::isnan(b)) return std::isnan(a) != std::isnan(b);
      if (a == b) return false;
      if (options_.tolerance <= 0 || exact_ || !std::isfinite(a) ||
          !std::isfinite(b)) {
        return true;
      }
      return Beyond(JsonNumber(a), JsonNumber(b));
    } else {
      if (a == b) return false;
      if (options_.tolerance <= 0 || exact_) return true;
      return Beyond(static_cast<double>(a), static_cast<double>(b));
    }
  }

  // Whether `a` and `b` differ by more than the tolerance, allowing for
  // the rounding of their difference (1.1 - 1.0 is a little over 0.1).
  bool Beyond(double a, double b) const {
    const double slack = 4 * DBL_EPSILON * std::max(std::fabs(a), std::fabs(b));
    return std::fabs(a - b) > options_.tolerance + slack;
  }

  template <typename T>
  void Value(const T& a, const T& b, std::string_view name) {
    if constexpr (FieldRecord<T>) {
      Record(a, b);
    } else if constexpr (LanguageSet<T>) {
      const auto& languages = LanguageKeys();
      for (size_t i = 0; i < a.size(); ++i) {
        if (!Differ(a[i], b[i])) continue;
        PathPart part(path_, '.', languages[i]);
        Changed(a[i], b[i]);
      }
    } else if constexpr (kScalar<T>) {
      if (Differ(a, b)) Changed(a, b);
    } else {
      using Entry = typename T::value_type;
      if constexpr (FieldRecord<Entry>) {
        const std::string_view member =
            options_.matching == Matching::kByKey ? MatchMember(name) : "";
        if (!member.empty()) return Keyed(a, b, member);
      }
      Positional(a, b);
    }
  }

  // Whether the entries of the list being compared are the records of a
  // place's group (a list of a device series).
  template <typename Entry>
  bool EntriesAreRecords() const {
    return FieldRecord<Entry> && series_ && depth_ == 1;
  }

  template <typename T>
  void Positional(const T& a, const T& b) {
    using Entry = typename T::value_type;
    const bool records = EntriesAreRecords<Entry>();
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
      if constexpr (kScalar<Entry>) {
        if (!Differ<Entry>(a[i], b[i])) continue;
        PathPart part(path_, i);
        Changed<Entry>(a[i], b[i]);
      } else {
        PathPart part(path_, i);
        if (records) place_.record = i;
        Value(a[i], b[i], "");
      }
    }
    for (size_t i = common; i < a.size(); ++i) {
      PathPart part(path_, i);
      if (records) place_.record = i;
      Emit(
          Difference::kRemoved, Measured(a[i]), records,
          [&] { return Describe(a[i], ""); }, [] { return std::string(); });
    }
    for (size_t i = common; i < b.size(); ++i) {
      PathPart part(path_, i);
      if (records) place_.record = i;
      Emit(
          Difference::kAdded, Measured(b[i]), records,
          [] { return std::string(); }, [&] { return Describe(b[i], ""); });
    }
  }

  // Each record of A takes the first record of B with its key not yet
  // taken, so records sharing a key are matched in order.
  template <typename T>
  void Keyed(const T& a, const T& b, std::string_view member) {
    using Entry = typename T::value_type;
    const bool records = EntriesAreRecords<Entry>();
    constexpr size_t kNone = std::numeric_limits<size_t>::max();
    std::vector<std::string> keysA(a.size());
    std::vector<std::string> keysB(b.size());
    std::unordered_map<std::string, std::vector<size_t>> inB;
    std::unordered_map<std::string, size_t> countA;
    for (size_t j = 0; j < b.size(); ++j) {
      keysB[j] = KeyOf(b[j], member);
      inB[keysB[j]].push_back(j);
    }
    for (size_t i = 0; i < a.size(); ++i) {
      keysA[i] = KeyOf(a[i], member);
      ++countA[keysA[i]];
    }
    ReportDuplicates(a, keysA, b, keysB, member, countA, inB, records);

    std::vector<size_t> pairOf(a.size(), kNone);
    std::vector<bool> taken(b.size(), false);
    std::unordered_map<std::string, size_t> next;
    for (size_t i = 0; i < a.size(); ++i) {
      const std::vector<size_t>& candidates = inB[keysA[i]];
      size_t& used = next[keysA[i]];
      if (used < candidates.size()) {
        pairOf[i] = candidates[used++];
        taken[pairOf[i]] = true;
      }
    }
    std::vector<bool> renamed(a.size(), false);
    if (member == "*" && options_.findRenames && sink_ != nullptr) {
      for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (pairOf[i] != kNone || taken[i] || !Renamed(a[i], b[i])) continue;
        pairOf[i] = i;
        taken[i] = true;
        renamed[i] = true;
      }
    }

    for (size_t i = 0; i < a.size(); ++i) {
      PathPart part(path_, i);
      if (records) place_.record = i;
      if (pairOf[i] == kNone) {
        Emit(
            Difference::kRemoved, Measured(a[i]), records,
            [&] { return Describe(a[i], member); },
            [] { return std::string(); });
      } else if (renamed[i]) {
        Rename(a[i], b[i], records);
      } else {
        Value(a[i], b[pairOf[i]], "");
      }
    }
    for (size_t j = 0; j < b.size(); ++j) {
      if (taken[j]) continue;
      PathPart part(path_, j);
      if (records) place_.record = j;
      Emit(
          Difference::kAdded, Measured(b[j]), records,
          [] { return std::string(); }, [&] { return Describe(b[j], member); });
    }
  }

  template <typename T>
  void ReportDuplicates(
      const T& a, const std::vector<std::string>& keysA, const T& b,
      const std::vector<std::string>& keysB, std::string_view member,
      const std::unordered_map<std::string, size_t>& countA,
      const std::unordered_map<std::string, std::vector<size_t>>& inB,
      bool records) {
    std::unordered_map<std::string, bool> reported;
    auto report = [&](const auto& record, const std::string& key) {
      bool& done = reported[key];
      if (done) return;
      done = true;
      auto inA = countA.find(key);
      auto found = inB.find(key);
      const size_t countInA = inA == countA.end() ? 0 : inA->second;
      const size_t countInB = found == inB.end() ? 0 : found->second.size();
      if (countInA < 2 && countInB < 2) return;
      if (records) place_.record = kNoRecord;
      Emit(
          Difference::kDuplicate, 0, records,
          [&] {
            return Describe(record, member) + " is the key of " +
                   Records(countInA) + " in A and " + std::to_string(countInB) +
                   " in B";
          },
          [] { return std::string(); });
    };
    for (size_t i = 0; i < a.size(); ++i) report(a[i], keysA[i]);
    for (size_t j = 0; j < b.size(); ++j) report(b[j], keysB[j]);
  }

  // Whether `a` and `b`, media that no name matched, are one medium
  // renamed.
  template <typename Entry>
  bool Renamed(const Entry& a, const Entry& b) const {
    const size_t values =
        std::max(Leaves(a, kMediaNameMember), Leaves(b, kMediaNameMember));
    const size_t differing = Differing(a, b, options_, kMediaNameMember);
    return static_cast<double>(differing) <=
           (1 - kRenamedShare) * static_cast<double>(values);
  }

  // The renamed line of media `a` and `b`, then their other differences.
  // The line shows the names of the first language whose name differs
  // (the one that made their keys differ), naming that language when it is
  // not the first; that name's own line is left out.
  template <typename Entry>
  void Rename(const Entry& a, const Entry& b, bool whole) {
    const devseries::LanguageStringSet* namesA = nullptr;
    const devseries::LanguageStringSet* namesB = nullptr;
    WithStoredMember(a, kMediaNameMember, [&](const auto& names) {
      if constexpr (LanguageSet<std::decay_t<decltype(names)>>) namesA = &names;
    });
    WithStoredMember(b, kMediaNameMember, [&](const auto& names) {
      if constexpr (LanguageSet<std::decay_t<decltype(names)>>) namesB = &names;
    });
    size_t language = 0;
    if (namesA != nullptr && namesB != nullptr) {
      while (language + 1 < kMatchedLanguages &&
             !Differ((*namesA)[language], (*namesB)[language])) {
        ++language;
      }
    }
    const std::string& languageName = LanguageKeys()[language];
    Emit(
        Difference::kRenamed, 0, whole,
        [&] {
          return namesA == nullptr ? "\"\"" : QuotedText((*namesA)[language]);
        },
        [&] {
          std::string name =
              namesB == nullptr ? "\"\"" : QuotedText((*namesB)[language]);
          if (language != 0) name += " (" + languageName + ")";
          return name;
        });
    unshown_ = path_ + "." + std::string(kMediaNameMember) + "." + languageName;
    Value(a, b, "");
    unshown_.clear();
  }

  static constexpr size_t kNoRecord = std::numeric_limits<size_t>::max();

  const DiffOptions& options_;
  // Null when measuring: the differing values are counted instead.
  DifferenceSink* sink_;
  size_t differing_ = 0;
  std::string_view root_;
  bool series_ = false;
  std::string path_;
  DifferencePlace place_;
  // Records entered: 1 while the root's members are compared.
  size_t depth_ = 0;
  // The member of the outermost record left out of a measure.
  std::string_view skipped_;
  // The path of a difference not shown: a renamed medium's English name,
  // which its renamed line shows.
  std::string unshown_;
  // The member being compared holds codes: the tolerance does not apply.
  bool exact_ = false;
};

}  // namespace

void DiffRecords(const AnyRecord& a, const AnyRecord& b,
                 const DiffOptions& options, DifferenceSink& sink) {
  if (a.index() != b.index()) {
    throw std::invalid_argument("records of different kinds are not compared");
  }
  std::visit(
      [&](const auto& recordA) {
        using T = std::decay_t<decltype(recordA)>;
        Comparer(options, &sink).Root(recordA, std::get<T>(b), RootName(a));
      },
      a);
}

}  // namespace dsrtool
