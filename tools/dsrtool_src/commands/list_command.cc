#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "devseries/color/custom_color_info_model_internal.h"
#include "devseries/device_series_model_internal.h"
#include "devseries/platform/file_system.h"
#include "devseries/xmlio/time_stamp_model_internal.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/json/json_emitter.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/record_members.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

struct Figure {
  std::string name;
  std::string value;
  bool number = true;
};

// A figure that is a text, whatever it looks like.
Figure Text(std::string name, std::string value) {
  return {std::move(name), std::move(value), false};
}

// One line of the listing.
struct Entry {
  const char* kind;
  size_t position;
  std::optional<std::int64_t> index;  // the record's index member
  std::string name;
  // Key figures, name and value; `number` ones are numbers in the JSON
  // form, the others texts.
  std::vector<Figure> figures;
};

// A figure that is a floating-point value: a number in the JSON form when
// finite ("nan" and "inf" are texts there).
Figure Amount(std::string name, double value) {
  std::ostringstream text;
  text << value;
  return {std::move(name), text.str(), std::isfinite(value)};
}

std::string YesNo(bool value) { return value ? "yes" : "no"; }

template <typename T>
constexpr bool kIsIntegerTable = false;
template <typename T, size_t N>
constexpr bool kIsIntegerTable<std::array<T, N>> = std::is_integral_v<T>;

// The member types a summary figure can show.
template <typename Member>
constexpr bool kSummarisable =
    std::is_arithmetic_v<Member> || std::is_same_v<Member, std::string> ||
    std::is_same_v<Member, LanguageStringSet> || kIsVector<Member> ||
    kIsIntegerTable<Member>;

// The figure `key` of a member the model marks for the summary: a number,
// a flag as yes or no, a text (a language set's English one), or the
// entries of a list: how many there are, and of a fixed table of indices
// how many refer to an entry (an index below 0 refers to none).
template <typename Row, typename Member>
Figure SummaryFigure(const Row& row, std::string key, const Member& member) {
  if constexpr (std::is_same_v<Member, bool>) {
    return Text(std::move(key), YesNo(member));
  } else if constexpr (std::is_integral_v<Member>) {
    return {std::move(key), std::to_string(member)};
  } else if constexpr (std::is_floating_point_v<Member>) {
    return Amount(std::move(key), member);
  } else if constexpr (std::is_same_v<Member, std::string>) {
    return Text(std::move(key), member);
  } else if constexpr (std::is_same_v<Member, LanguageStringSet>) {
    return Text(std::move(key), member[0]);
  } else if constexpr (kIsVector<Member>) {
    return {std::move(key), std::to_string(member.size())};
  } else {
    if (row.meaning.refersTo.empty()) {
      return {std::move(key), std::to_string(member.size())};
    }
    const auto referring = std::count_if(member.begin(), member.end(),
                                         [](auto index) { return index >= 0; });
    return {std::move(key), std::to_string(referring)};
  }
}

// True when every member the model of `Record` marks for the summary is of
// a type the summary can show: the index an integer, the name a text.
template <typename Record>
constexpr bool SummaryMarksFit() {
  return std::apply(
      [](const auto&... row) {
        auto fits = [](const auto& field) {
          using Member =
              typename std::remove_cvref_t<decltype(field)>::MemberType;
          const std::string_view key = field.meaning.summary;
          if (key.empty()) return true;
          if (key == "index") return std::is_integral_v<Member>;
          if (key == "name") {
            return std::is_same_v<Member, std::string> ||
                   std::is_same_v<Member, LanguageStringSet>;
          }
          return kSummarisable<Member>;
        };
        return (fits(row) && ...);
      },
      devseries::field_model::Model<Record>::kFields);
}

// What the listing calls each kind of record.
template <typename Record>
constexpr const char* kKind = nullptr;
template <>
constexpr const char* kKind<ModelInfo> = "model";
template <>
constexpr const char* kKind<InkInfo> = "ink";
template <>
constexpr const char* kKind<InkConfigInfo> = "inkconfig";
template <>
constexpr const char* kKind<ResolutionInfo> = "resolution";
template <>
constexpr const char* kKind<ModeInfo> = "mode";
template <>
constexpr const char* kKind<SeparationInfo> = "separation";
template <>
constexpr const char* kKind<VControlPoint> = "vcontrol";
template <>
constexpr const char* kKind<PatternInfo> = "pattern";
template <>
constexpr const char* kKind<MediaInfo> = "media";
template <>
constexpr const char* kKind<PrintChartFileInfoSet> = "printchart";
template <>
constexpr const char* kKind<InkVolumeInfo> = "inkvolume";
template <>
constexpr const char* kKind<TimeStamp> = "timestamp";
template <>
constexpr const char* kKind<CustomColorInfo> = "customcolor";

// Places `figure` after the figure named `after`.
void InsertAfter(Entry& entry, std::string_view after, Figure figure) {
  auto at = std::find_if(entry.figures.begin(), entry.figures.end(),
                         [&](const Figure& f) { return f.name == after; });
  if (at != entry.figures.end()) ++at;
  entry.figures.insert(at, std::move(figure));
}

// The figures no single member holds.
void AddComputed(const SeparationInfo& r, Entry& entry) {
  const auto curves = std::count_if(
      r.aSeparationTableList.begin(), r.aSeparationTableList.end(),
      [](const SeparationTable& table) { return table.eType == 1; });
  InsertAfter(entry, "channels", {"curves", std::to_string(curves)});
}
void AddComputed(const MediaInfo& r, Entry& entry) {
  size_t calibration = 0;
  for (const PermissionSet& permission : r.aPermissionSetList) {
    calibration += permission.aCalibrationInfoList.size();
  }
  InsertAfter(entry, "qualities", {"calibration", std::to_string(calibration)});
}
void AddComputed(const TimeStamp& r, Entry& entry) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", r.year,
                r.month, r.day, r.hour, r.minute, r.second);
  entry.name = text;
}
template <typename Record>
void AddComputed(const Record&, Entry&) {}

// The line of `record`, the entry at `at` of its list: the members its model
// marks for the summary (the index, the name and the figures in their
// places), then the computed figures.
template <typename Record>
Entry Describe(const Record& record, size_t at) {
  static_assert(SummaryMarksFit<Record>(),
                "a member marked for the summary is of a type it cannot show");
  Entry entry{kKind<Record>, at, std::nullopt, "", {}};
  std::vector<std::pair<int, Figure>> placed;
  devseries::field_model::ForEachField<Record>([&](const auto& row) {
    const std::string_view key = row.meaning.summary;
    if (key.empty()) return;
    const auto& member = record.*row.member;
    using Member = std::remove_cvref_t<decltype(member)>;
    if (key == "index") {
      if constexpr (std::is_integral_v<Member>) entry.index = member;
    } else if (key == "name") {
      if constexpr (std::is_same_v<Member, LanguageStringSet>) {
        entry.name = member[0];
      } else if constexpr (std::is_same_v<Member, std::string>) {
        entry.name = member;
      }
    } else if constexpr (kSummarisable<Member>) {
      placed.emplace_back(row.meaning.summaryPlace,
                          SummaryFigure(row, std::string(key), member));
    }
  });
  std::stable_sort(
      placed.begin(), placed.end(),
      [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [place, figure] : placed)
    entry.figures.push_back(std::move(figure));
  AddComputed(record, entry);
  return entry;
}

// Calls `f(list)` for each list of records the device series stores, in the
// file's order.
template <typename F>
void ForEachSeriesList(const DeviceSeries& series, F&& f) {
  devseries::field_model::ForEachField<DeviceSeries>([&](const auto& row) {
    using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
    if constexpr (kIsVector<Member>) {
      if (row.stored() && kKind<typename Member::value_type> != nullptr) {
        f(series.*row.member);
      }
    }
  });
}

// The kinds a listing can be narrowed to: those of the device series'
// lists, in the order they are listed.
std::vector<std::string_view> SeriesKinds() {
  std::vector<std::string_view> kinds;
  ForEachSeriesList(DeviceSeries{}, [&](const auto& list) {
    kinds.push_back(kKind<typename std::decay_t<decltype(list)>::value_type>);
  });
  return kinds;
}

// The edit distance between `a` and `b`, letters compared without regard
// to case: the fewest insertions, deletions, substitutions and swaps of
// neighbours that make one of the other (optimal string alignment).
size_t EditDistance(std::string_view a, std::string_view b) {
  auto same = [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  };
  // Three rows of the table: two back, one back, this one.
  std::vector<size_t> before(b.size() + 1), last(b.size() + 1),
      row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) last[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = same(a[i - 1], b[j - 1]) ? 0 : 1;
      row[j] = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + cost});
      if (i > 1 && j > 1 && same(a[i - 1], b[j - 2]) &&
          same(a[i - 2], b[j - 1])) {
        row[j] = std::min(row[j], before[j - 2] + 1);
      }
    }
    std::swap(before, last);
    std::swap(last, row);
  }
  return last[b.size()];
}

// The kind that `operand`, which names no file, was likely meant to be: the
// nearest of `kinds` that it misses by at most two letters (one for a name
// of four letters or fewer), a plural or another case included. Nothing for
// an operand that is a kind exactly or is a path ("./media").
std::optional<std::string_view> MeantKind(
    const std::string& operand, const std::vector<std::string_view>& kinds) {
  if (operand.find_first_of("/\\") != std::string::npos ||
      std::find(kinds.begin(), kinds.end(), operand) != kinds.end()) {
    return std::nullopt;
  }
  std::optional<std::string_view> nearest;
  size_t nearestDistance = 0;
  for (std::string_view kind : kinds) {
    const size_t distance = EditDistance(operand, kind);
    if (distance > (kind.size() <= 4 ? 1u : 2u)) continue;
    if (!nearest || distance < nearestDistance) {
      nearest = kind;
      nearestDistance = distance;
    }
  }
  if (!nearest) return std::nullopt;
  platform::FileInfo info;
  if (platform::FileSystem::Current()->Stat(operand, &info) ==
      platform::FileError::kNone) {
    return std::nullopt;  // a file of that name: it is read
  }
  return nearest;
}

template <typename T>
void Add(std::vector<Entry>& entries, const std::vector<T>& records) {
  for (size_t i = 0; i < records.size(); ++i) {
    entries.push_back(Describe(records[i], i));
  }
}

std::vector<Entry> Entries(const AnyRecord& record) {
  std::vector<Entry> entries;
  if (const DeviceSeries* series = std::get_if<DeviceSeries>(&record)) {
    ForEachSeriesList(*series, [&](const auto& list) { Add(entries, list); });
  } else {
    std::visit(
        [&](const auto& value) {
          if constexpr (!std::is_same_v<std::decay_t<decltype(value)>,
                                        DeviceSeries>) {
            entries.push_back(Describe(value, 0));
          }
        },
        record);
  }
  return entries;
}

void PrintText(std::ostream& out, const std::string& prefix,
               const Entry& entry) {
  std::ostringstream line;
  line << prefix << entry.kind;
  line << std::string(11 - std::min<size_t>(10, std::string(entry.kind).size()),
                      ' ');
  std::string position = std::to_string(entry.position);
  std::string index = entry.index ? std::to_string(*entry.index) : "-";
  line << std::string(4 - std::min<size_t>(3, position.size()), ' ') << position
       << std::string(7 - std::min<size_t>(6, index.size()), ' ') << index
       << "  \"" << entry.name << '"';
  for (const Figure& figure : entry.figures) {
    line << "  " << figure.name << '=' << figure.value;
  }
  out << line.str() << '\n';
}

void PrintJson(std::ostream& out, const std::string& file, const Entry& entry) {
  JsonEmitter json(out, false);
  json.BeginObject();
  json.Key("file");
  json.String(file);
  json.Key("kind");
  json.String(entry.kind);
  json.Key("position");
  json.Unsigned(entry.position);
  if (entry.index) {
    json.Key("index");
    json.Integer(*entry.index);
  }
  json.Key("name");
  json.String(entry.name);
  for (const Figure& figure : entry.figures) {
    json.Key(figure.name);
    if (figure.number) {
      json.Number(figure.value);
    } else {
      json.String(figure.value);
    }
  }
  json.EndObject();
  out << '\n';
}

}  // namespace

int RunList(const Arguments& arguments, std::ostream& out, std::ostream& err) {
  std::vector<std::string> files = arguments.operands;
  std::optional<std::string> kind;
  const std::vector<std::string_view> kinds = SeriesKinds();
  // A mistyped kind would otherwise be a file that cannot be read, after
  // the listing of the others: it is refused before anything is listed.
  for (const std::string& operand : files) {
    if (std::optional<std::string_view> meant = MeantKind(operand, kinds)) {
      throw UsageError("list: unknown kind '" + operand + "' (did you mean " +
                       std::string(*meant) + "?)");
    }
  }
  if (files.size() > 1 &&
      std::find(kinds.begin(), kinds.end(), files.back()) != kinds.end()) {
    kind = files.back();
    files.pop_back();
  }
  const bool json = arguments.Has("json");
  const bool named = files.size() > 1;
  return ForEachFile(files, err, [&](const std::string& path) {
    const std::string prefix = named ? path + ": " : std::string();
    for (const Entry& entry :
         Entries(ReadRecordFile(path, arguments.sizeLimit))) {
      if (kind && *kind != entry.kind) continue;
      if (json) {
        PrintJson(out, path, entry);
      } else {
        PrintText(out, prefix, entry);
      }
    }
    Flush(out);
    return true;
  });
}

}  // namespace dsrtool
