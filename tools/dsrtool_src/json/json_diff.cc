#include "tools/dsrtool_src/json/json_diff.h"

#include <map>
#include <string_view>

namespace dsrtool {

namespace {

// Lists whose records are matched by an index member.
struct KeyedList {
  std::string_view list;
  std::string_view member;
};
constexpr KeyedList kKeyedLists[] = {
    {"aInkInfoList", "nInkIndex"},
    {"aInkConfigInfoList", "nInkConfigIndex"},
    {"aResolutionInfoList", "nResolutionIndex"},
    {"aModeInfoList", "nModeIndex"},
    {"aSeparationInfoList", "nSeparationIndex"},
    {"aVControlPointList", "nVControlIndex"},
    {"aPatternInfoList", "nFMPatternIndex"},
    {"aPrintChartFileInfoSetList", "nIndex"},
    {"aInkVolumeInfoList", "nInkVolumeIndex"},
    {"aPermissionSetList", "nPermissionIndex"},
};
constexpr std::string_view kMediaList = "aMediaInfoList";

std::string Compact(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The key of `record` in a list matched by `member`.
std::string KeyOf(const Json& record, std::string_view member) {
  if (!record.is_object()) return Compact(record);
  if (member == "*") {
    auto names = record.find(kMediaNameMember);
    if (names == record.end() || !names->is_object()) return "";
    std::string key;
    size_t taken = 0;
    for (auto it = names->begin();
         it != names->end() && taken < kMatchedLanguages; ++it, ++taken) {
      key += Compact(it.value()) + ",";
    }
    return key;
  }
  auto found = record.find(std::string(member));
  return found == record.end() ? std::string() : Compact(*found);
}

// "nInkIndex 5 "Cyan"": the record's key and its English name, to tell
// which record a line is about.
std::string Describe(const Json& record, std::string_view member) {
  if (!record.is_object()) return Compact(record);
  std::string text;
  if (!member.empty() && member != "*") {
    auto found = record.find(std::string(member));
    if (found != record.end())
      text = std::string(member) + " " + Compact(*found);
  }
  const std::string& english = LanguageKeys()[0];
  for (auto it = record.begin(); it != record.end(); ++it) {
    if (it.value().is_object() && it.value().contains(english) &&
        it.value()[english].is_string()) {
      text += (text.empty() ? "" : " ") + Compact(it.value()[english]);
      break;
    }
  }
  return text.empty() ? "a record" : text;
}

// "1 record", "2 records".
std::string Records(size_t count) {
  return std::to_string(count) + (count == 1 ? " record" : " records");
}

class Comparer {
 public:
  Comparer(std::vector<Difference>& out, Matching matching)
      : out_(out), matching_(matching) {}

  void Value(const Json& a, const Json& b, const std::string& path,
             std::string_view name) {
    if (a.is_object() && b.is_object()) return Object(a, b, path);
    if (a.is_array() && b.is_array()) return Array(a, b, path, name);
    if (a != b)
      out_.push_back({Difference::kChanged, path, Compact(a), Compact(b)});
  }

 private:
  void Object(const Json& a, const Json& b, const std::string& path) {
    for (auto it = a.begin(); it != a.end(); ++it) {
      const std::string member =
          path.empty() ? it.key() : path + "." + it.key();
      auto other = b.find(it.key());
      if (other == b.end()) {
        out_.push_back({Difference::kRemoved, member, Compact(it.value()), ""});
      } else {
        Value(it.value(), *other, member, it.key());
      }
    }
    for (auto it = b.begin(); it != b.end(); ++it) {
      if (!a.contains(it.key())) {
        const std::string member =
            path.empty() ? it.key() : path + "." + it.key();
        out_.push_back({Difference::kAdded, member, "", Compact(it.value())});
      }
    }
  }

  static std::string At(const std::string& path, size_t index) {
    return path + "[" + std::to_string(index) + "]";
  }

  void Array(const Json& a, const Json& b, const std::string& path,
             std::string_view name) {
    const std::string_view member =
        matching_ == Matching::kByKey ? MatchMember(name) : "";
    if (member.empty()) {
      const size_t common = std::min(a.size(), b.size());
      for (size_t i = 0; i < common; ++i) Value(a[i], b[i], At(path, i), "");
      for (size_t i = common; i < a.size(); ++i) {
        out_.push_back(
            {Difference::kRemoved, At(path, i), Describe(a[i], ""), ""});
      }
      for (size_t i = common; i < b.size(); ++i) {
        out_.push_back(
            {Difference::kAdded, At(path, i), "", Describe(b[i], "")});
      }
      return;
    }
    // Keyed: each record of A takes the first record of B with its key not
    // yet taken, so records sharing a key are matched in order.
    std::map<std::string, std::vector<size_t>> inB;
    std::map<std::string, size_t> countA;
    for (size_t i = 0; i < b.size(); ++i) inB[KeyOf(b[i], member)].push_back(i);
    for (size_t i = 0; i < a.size(); ++i) ++countA[KeyOf(a[i], member)];
    ReportDuplicates(a, b, path, member, countA, inB);

    std::map<std::string, size_t> next;
    std::vector<bool> matched(b.size(), false);
    for (size_t i = 0; i < a.size(); ++i) {
      const std::string key = KeyOf(a[i], member);
      const std::vector<size_t>& candidates = inB[key];
      size_t& taken = next[key];
      if (taken < candidates.size()) {
        const size_t j = candidates[taken++];
        matched[j] = true;
        Value(a[i], b[j], At(path, i), "");
      } else {
        out_.push_back(
            {Difference::kRemoved, At(path, i), Describe(a[i], member), ""});
      }
    }
    for (size_t j = 0; j < b.size(); ++j) {
      if (!matched[j]) {
        out_.push_back(
            {Difference::kAdded, At(path, j), "", Describe(b[j], member)});
      }
    }
  }

  void ReportDuplicates(const Json& a, const Json& b, const std::string& path,
                        std::string_view member,
                        const std::map<std::string, size_t>& countA,
                        const std::map<std::string, std::vector<size_t>>& inB) {
    std::map<std::string, bool> reported;
    auto report = [&](const Json& record, const std::string& key) {
      if (reported[key]) return;
      reported[key] = true;
      auto a_count = countA.find(key);
      auto b_found = inB.find(key);
      const size_t inA = a_count == countA.end() ? 0 : a_count->second;
      const size_t inBCount = b_found == inB.end() ? 0 : b_found->second.size();
      if (inA < 2 && inBCount < 2) return;
      out_.push_back({Difference::kDuplicate, path,
                      Describe(record, member) + " is the key of " +
                          Records(inA) + " in A and " +
                          std::to_string(inBCount) + " in B",
                      ""});
    };
    for (const Json& record : a) report(record, KeyOf(record, member));
    for (const Json& record : b) report(record, KeyOf(record, member));
  }

  std::vector<Difference>& out_;
  Matching matching_;
};

}  // namespace

std::string_view MatchMember(std::string_view list) {
  if (list == kMediaList) return "*";
  for (const KeyedList& keyed : kKeyedLists) {
    if (keyed.list == list) return keyed.member;
  }
  return "";
}

std::string Difference::ToString() const {
  switch (kind) {
    case kChanged:
      return path + ": " + before + " -> " + after;
    case kRemoved:
      return path + ": only in A: " + before;
    case kAdded:
      return path + ": only in B: " + after;
    case kRenamed:
      return path + ": renamed " + before + " -> " + after;
    case kDuplicate:
      break;
  }
  return path + ": " + before + "; matched in order";
}

std::vector<Difference> CompareRecords(const Json& a, const Json& b,
                                       Matching matching) {
  std::vector<Difference> differences;
  Comparer(differences, matching).Value(a, b, "", "");
  return differences;
}

std::vector<Difference> CompareValues(const Json& a, const Json& b,
                                      const std::string& path) {
  std::vector<Difference> differences;
  Comparer(differences, Matching::kByPosition).Value(a, b, path, "");
  return differences;
}

Difference OnlyInOne(Difference::Kind kind, const std::string& path,
                     const Json& record) {
  const std::string described = Describe(record, "");
  if (kind == Difference::kAdded) return {kind, path, "", described};
  return {kind, path, described, ""};
}

}  // namespace dsrtool
