#include "tools/dsrtool_src/report/report_members.h"

#include <cstdio>

namespace dsrtool {

using namespace ::devseries;
using field_model::ForEachField;

std::string TimeText(const TimeStamp& time) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u.%03u",
                unsigned{time.year}, unsigned{time.month}, unsigned{time.day},
                unsigned{time.hour}, unsigned{time.minute},
                unsigned{time.second}, unsigned{time.ms});
  return buffer;
}

std::string RgbText(const InkRGB& colour) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", unsigned{colour.nRed},
                unsigned{colour.nGreen}, unsigned{colour.nBlue});
  return buffer;
}

std::string MemberNote(const field_model::Meaning& meaning) {
  std::string note;
  auto add = [&](std::string_view part) {
    if (!note.empty()) note += "; ";
    note += part;
  };
  if (!meaning.label.empty()) add(meaning.description);
  if (!meaning.layout.empty()) add(meaning.layout);
  if (!meaning.names.empty()) {
    std::string names = "values:";
    for (const field_model::EnumName& name : meaning.names) {
      names += (names.back() == ':' ? " " : ", ") + std::to_string(name.value) +
               " " + std::string(name.name);
    }
    add(names);
  }
  return note;
}

namespace {

// "aInkInfoList[].nInkIndex" as its list and member.
std::pair<std::string_view, std::string_view> SplitReference(
    std::string_view refersTo) {
  constexpr std::string_view kEntry = "[].";
  const size_t at = refersTo.find(kEntry);
  if (at == std::string_view::npos) return {};
  return {refersTo.substr(0, at), refersTo.substr(at + kEntry.size())};
}

}  // namespace

References::References(const DeviceSeries& series) : series_(series) {
  ForEachField<DeviceSeries>([&](const auto& row) {
    using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
    if constexpr (report_detail::kIsRecordList<Member>) {
      if (!row.stored()) return;
      std::vector<std::string>& names = names_[std::string(row.name)];
      for (const auto& entry : series.*row.member) {
        names.push_back(RecordName(entry));
      }
    }
  });
}

const std::vector<std::string>* References::Names(std::string_view list) const {
  auto found = names_.find(list);
  return found == names_.end() ? nullptr : &found->second;
}

References::Found References::Find(std::string_view refersTo,
                                   std::int64_t index) const {
  const std::vector<std::string>* names = Names(SplitReference(refersTo).first);
  if (names == nullptr) return {};
  auto cached = positions_.find(refersTo);
  if (cached == positions_.end()) {
    const auto [list, member] = SplitReference(refersTo);
    std::unordered_map<std::int64_t, size_t> positions;
    ForEachField<DeviceSeries>([&](const auto& row) {
      using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
      if constexpr (report_detail::kIsRecordList<Member>) {
        if (row.name != list || !row.stored()) return;
        using Entry = typename Member::value_type;
        const Member& entries = series_.*row.member;
        ForEachField<Entry>([&](const auto& entryRow) {
          using Index =
              typename std::remove_cvref_t<decltype(entryRow)>::MemberType;
          if constexpr (std::is_integral_v<Index>) {
            if (entryRow.MemberName() != member) return;
            for (size_t i = 0; i < entries.size(); ++i) {
              positions.try_emplace(entries[i].*entryRow.member, i);
            }
          }
        });
      }
    });
    cached =
        positions_.emplace(std::string(refersTo), std::move(positions)).first;
  }
  auto position = cached->second.find(index);
  if (position == cached->second.end()) return {true, nullptr};
  return {true, &(*names)[position->second]};
}

std::string References::Text(std::string_view refersTo,
                             std::int64_t index) const {
  std::string text = std::to_string(index);
  if (index < 0) return text;
  const Found found = Find(refersTo, index);
  if (!found.listed) return text;
  if (found.name == nullptr) return text + " (not in the file)";
  return found.name->empty() ? text : text + " (" + *found.name + ")";
}

std::string References::Name(std::string_view refersTo,
                             std::int64_t index) const {
  if (index >= 0) {
    const Found found = Find(refersTo, index);
    if (found.name != nullptr && !found.name->empty()) return *found.name;
  }
  return Text(refersTo, index);
}

}  // namespace dsrtool
