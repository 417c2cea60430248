// The media on a report page: a table of the media, then a section per
// medium with every member, its quality levels and permission sets, and
// each permission set's calibration as a chart and a table.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/report/series_view.h"

namespace dsrtool {

// The frames, grids and axes every calibration chart shares, as the group
// "cf", for the page's definitions.
void CalibrationFrame(HtmlWriter& html);

// Where calibration values were first shown on a page, to refer to them
// where a permission set repeats them: files often repeat them, and each
// set of values drawn once keeps large files' pages small. Keyed by the
// values' hash, compared in full. Refers to the permission sets added, which
// must outlive it.
class ShownCalibrations {
 public:
  // When the calibration of `a` (with that of `b`, on a page comparing two
  // files; null otherwise) was shown before, writes a paragraph that refers
  // to it and returns true.
  bool ReferToEarlier(HtmlWriter& html, const devseries::PermissionSet& a,
                      const devseries::PermissionSet* b) const;
  // Remembers that the calibration of `a` (and `b`) is shown at the
  // element `id`, which the reference names `title`.
  void Add(const devseries::PermissionSet& a, const devseries::PermissionSet* b,
           std::string id, std::string title);

 private:
  struct Shown {
    const devseries::PermissionSet* a;
    const devseries::PermissionSet* b;
    std::string id;
    std::string title;
  };
  static size_t Hash(const devseries::PermissionSet* permission);
  static bool Same(const devseries::PermissionSet* a,
                   const devseries::PermissionSet* b);

  std::unordered_multimap<size_t, Shown> shown_;
};

// The labels of the calibration entries of `permission`: the channels of
// its separation, by position ("C (ink C)"); "channel 4" past them.
std::vector<std::string> CalibrationLabels(
    const SeriesView& view, const devseries::PermissionSet& permission);

// A chart of the calibration of a permission set's channels (`list`):
// densities and L* by step, a* against b*, each channel in its colour, with
// a legend of `labels`.
void CalibrationChart(HtmlWriter& html,
                      const std::vector<devseries::CalibrationInfo>& list,
                      const std::vector<std::string>& labels,
                      const std::vector<std::string>& colours);

// A table of the calibration values of a permission set's channels
// (`list`): a row per value and channel, a column per step.
void CalibrationTable(HtmlWriter& html,
                      const std::vector<devseries::CalibrationInfo>& list,
                      const std::vector<std::string>& labels);

// What the rows of a calibration table hold, from the models.
const std::string& CalibrationCaption();
// Opens the calibration table (its scrolling box, caption and the row of
// step numbers) that CalibrationTable and the comparison fill.
void OpenCalibrationTable(HtmlWriter& html);

void MediaSection(HtmlWriter& html, const SeriesView& view,
                  const SectionInfo& section,
                  const std::vector<devseries::MediaInfo>& media);

}  // namespace dsrtool
