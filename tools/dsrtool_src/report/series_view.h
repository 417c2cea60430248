// What the sections of a report page read of the device series they
// describe: the series and the file it came from, its members' values as
// the page shows them, its inks and separations by index, and the ids and
// titles of its sections.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "devseries/device_series.h"
#include "tools/dsrtool_src/member_text.h"
#include "tools/dsrtool_src/report/report_members.h"

namespace dsrtool {

// The first record of each index value, looked up in constant time.
template <typename Record>
class ByIndex {
 public:
  ByIndex(const std::vector<Record>& records, std::int32_t Record::*index) {
    for (const Record& record : records) {
      found_.try_emplace(record.*index, &record);
    }
  }
  const Record* Find(std::int32_t index) const {
    auto found = found_.find(index);
    return found == found_.end() ? nullptr : found->second;
  }

 private:
  std::unordered_map<std::int32_t, const Record*> found_;
};

// A section of the page about one member of the device series (a list of
// records or a nested record): the id the index links to, its heading, and
// what the model says the member is.
struct SectionInfo {
  std::string id;           // "aInkInfoList"
  std::string title;        // "Inks"
  std::string description;  // "inks"
};

template <typename Row>
SectionInfo SectionOf(const Row& row) {
  return {std::string(row.name), MemberLabel(row.meaning, row.kEncoding),
          std::string(row.meaning.description)};
}

// Calls `f(row, member)` for each member of `series` that has a section of
// the page: its lists of records and its nested records, in the file's
// order.
template <typename F>
void ForEachSection(const devseries::DeviceSeries& series, F&& f) {
  devseries::field_model::ForEachField<devseries::DeviceSeries>(
      [&](const auto& row) {
        using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
        if constexpr (report_detail::kIsRecordList<Member> ||
                      report_detail::Modelled<Member>) {
          if (row.stored()) f(row, series.*row.member);
        }
      });
}

// The section of the media's own settings and calibration, after the table
// of the media.
inline constexpr std::string_view kMediaSectionsId = "calibration";
inline constexpr std::string_view kMediaSectionsTitle =
    "Media settings and calibration";

// The ids of the sections of each separation, medium and permission set.
std::string SeparationId(size_t position);
std::string MediumId(size_t position);
// The calibration of the medium's permission set at `position`.
std::string PermissionId(size_t medium, size_t position);

// What the page says of the file a series was read from.
struct FileFacts {
  // The format version the file's root element gives, as the reader took
  // it ("3.3.0.0").
  std::string version;
  std::uint64_t size = 0;  // bytes
  std::string sha256;      // of the file's bytes, 64 lower-case hex digits
};

// What the page says of itself: the tool and day that made it.
struct PageStamp {
  std::string tool;  // "dsrtool 1.4.0"
  std::string date;  // "2026-12-10", in UTC
};

// A device series as the page shows it. Refers to `path` and `series`,
// which must outlive it; not copyable, since its parts refer to each other.
class SeriesView {
 public:
  SeriesView(const std::string& path, const devseries::DeviceSeries& series,
             FileFacts facts = {});
  SeriesView(const SeriesView&) = delete;
  SeriesView& operator=(const SeriesView&) = delete;

  const std::string& path;
  const devseries::DeviceSeries& series;
  const FileFacts facts;
  const References references;
  const MemberValues values;
  const ByIndex<devseries::InkInfo> inks;
  const ByIndex<devseries::SeparationInfo> separations;

  // The file's name without its folders.
  std::string FileName() const;
  // "Separation 2: CMYK photo".
  std::string SeparationTitle(size_t position) const;
  // The medium's English name.
  std::string MediumTitle(size_t position) const;
  // The legend label of a separation channel: its input channel and ink,
  // "C (ink C)".
  std::string ChannelLabel(const devseries::SeparationTable& table,
                           size_t position) const;
};

}  // namespace dsrtool
