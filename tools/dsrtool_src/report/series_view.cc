#include "tools/dsrtool_src/report/series_view.h"

#include <utility>

namespace dsrtool {

using namespace ::devseries;

std::string SeparationId(size_t position) {
  return "s" + std::to_string(position);
}

std::string MediumId(size_t position) { return "m" + std::to_string(position); }

std::string PermissionId(size_t medium, size_t position) {
  return MediumId(medium) + "-" + std::to_string(position);
}

SeriesView::SeriesView(const std::string& path, const DeviceSeries& series,
                       FileFacts facts)
    : path(path),
      series(series),
      facts(std::move(facts)),
      references(series),
      values(references),
      inks(series.aInkInfoList, &InkInfo::nInkIndex),
      separations(series.aSeparationInfoList,
                  &SeparationInfo::nSeparationIndex) {}

std::string SeriesView::FileName() const {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SeriesView::SeparationTitle(size_t position) const {
  const SeparationInfo& separation = series.aSeparationInfoList[position];
  const std::string name = RecordName(separation);
  return "Separation " +
         std::to_string(RecordIndex(separation)
                            .value_or(static_cast<std::int64_t>(position))) +
         ": " + (name.empty() ? "(no English name)" : name);
}

std::string SeriesView::MediumTitle(size_t position) const {
  const std::string name = RecordName(series.aMediaInfoList[position]);
  return name.empty()
             ? "(medium " + std::to_string(position) + ", no English name)"
             : name;
}

std::string SeriesView::ChannelLabel(const SeparationTable& table,
                                     size_t position) const {
  std::string label = table.strInputChannel.empty()
                          ? "channel " + std::to_string(position)
                          : table.strInputChannel;
  if (table.nInkIndex < 0) return label + " (no ink)";
  if (const InkInfo* ink = inks.Find(table.nInkIndex)) {
    return label + " (ink " + ink->strShortInkName + ")";
  }
  return label + " (ink " + std::to_string(table.nInkIndex) +
         ", not in the file)";
}

}  // namespace dsrtool
