#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/json_emitter.h"
#include "tools/dsrtool_src/record_io.h"
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

Entry Describe(const ModelInfo& r, size_t at) {
  return {"model",
          at,
          std::nullopt,
          r.strLongModelName,
          {{"heads", std::to_string(r.nHeadNum)},
           Amount("width", r.dMaxWidth),
           Text("folder", r.strFolderName)}};
}
Entry Describe(const InkInfo& r, size_t at) {
  return {"ink",
          at,
          r.nInkIndex,
          r.strLongInkName[0],
          {Text("short", r.strShortInkName),
           {"capacity", std::to_string(r.nCapacity)}}};
}
Entry Describe(const InkConfigInfo& r, size_t at) {
  const auto inks =
      std::count_if(r.nInkIndexList.begin(), r.nInkIndexList.end(),
                    [](std::int32_t ink) { return ink >= 0; });
  return {"inkconfig",
          at,
          r.nInkConfigIndex,
          r.strInkConfigName[0],
          {{"inks", std::to_string(inks)}, Text("folder", r.strFolderName)}};
}
Entry Describe(const ResolutionInfo& r, size_t at) {
  return {
      "resolution",
      at,
      r.nResolutionIndex,
      r.strResolutionName[0],
      {Amount("scan", r.flScanResolution), Amount("feed", r.flFeedResolution)}};
}
Entry Describe(const ModeInfo& r, size_t at) {
  return {"mode",
          at,
          r.nModeIndex,
          r.strModeName,
          {{"inks", std::to_string(r.nInkNum)},
           {"bits", std::to_string(r.nBitsPerPixel)},
           {"passes", std::to_string(r.nPassesPerLine)}}};
}
Entry Describe(const SeparationInfo& r, size_t at) {
  const auto curves = std::count_if(
      r.aSeparationTableList.begin(), r.aSeparationTableList.end(),
      [](const SeparationTable& table) { return table.eType == 1; });
  return {"separation",
          at,
          r.nSeparationIndex,
          r.strSeparationName[0],
          {{"channels", std::to_string(r.aSeparationTableList.size())},
           {"curves", std::to_string(curves)},
           {"inputs", std::to_string(r.anInputChannelInkIndexList.size())}}};
}
Entry Describe(const VControlPoint& r, size_t at) {
  return {
      "vcontrol",
      at,
      r.nVControlIndex,
      "",
      {Amount("small_peak", r.dSmallPeak), Amount("medium_peak", r.dMediumPeak),
       Amount("large_peak", r.dLargePeak)}};
}
Entry Describe(const PatternInfo& r, size_t at) {
  return {"pattern",
          at,
          r.nFMPatternIndex,
          r.strPatternFile,
          {{"scan_pixels", std::to_string(r.nScanPixelSize)},
           {"feed_pixels", std::to_string(r.nFeedPixelSize)}}};
}
Entry Describe(const MediaInfo& r, size_t at) {
  size_t calibration = 0;
  for (const PermissionSet& permission : r.aPermissionSetList) {
    calibration += permission.aCalibrationInfoList.size();
  }
  return {"media",
          at,
          std::nullopt,
          r.strMediaName[0],
          {{"permissions", std::to_string(r.aPermissionSetList.size())},
           {"qualities", std::to_string(r.aQualityInfoList.size())},
           {"calibration", std::to_string(calibration)},
           Text("visible", YesNo(r.bVisibleMedia))}};
}
Entry Describe(const PrintChartFileInfoSet& r, size_t at) {
  return {"printchart",
          at,
          r.nIndex,
          r.strCalibrationFileName,
          {Text("ink_limit", r.strInkLimitFileName),
           Text("test_print", r.strTestPrintFileName)}};
}
Entry Describe(const InkVolumeInfo& r, size_t at) {
  return {"inkvolume",
          at,
          r.nInkVolumeIndex,
          "",
          {{"volumes", std::to_string(r.astrInkVolumeList.size())}}};
}
Entry Describe(const TimeStamp& r, size_t at) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", r.year,
                r.month, r.day, r.hour, r.minute, r.second);
  return {"timestamp", at, std::nullopt, text, {}};
}
Entry Describe(const CustomColorInfo& r, size_t at) {
  return {"customcolor",
          at,
          std::nullopt,
          r.strColorName,
          {{"space", std::to_string(r.nColorSpace)},
           Text("library", r.strMatchLibName)}};
}

// The kinds a listing can be narrowed to, in the order they are listed.
constexpr std::array<const char*, 11> kKinds = {
    "model",    "ink",     "inkconfig", "resolution", "mode",     "separation",
    "vcontrol", "pattern", "media",     "printchart", "inkvolume"};

template <typename T>
void Add(std::vector<Entry>& entries, const std::vector<T>& records) {
  for (size_t i = 0; i < records.size(); ++i) {
    entries.push_back(Describe(records[i], i));
  }
}

std::vector<Entry> Entries(const AnyRecord& record) {
  std::vector<Entry> entries;
  if (const DeviceSeries* series = std::get_if<DeviceSeries>(&record)) {
    Add(entries, series->aModelInfoList);
    Add(entries, series->aInkInfoList);
    Add(entries, series->aInkConfigInfoList);
    Add(entries, series->aResolutionInfoList);
    Add(entries, series->aModeInfoList);
    Add(entries, series->aSeparationInfoList);
    Add(entries, series->aVControlPointList);
    Add(entries, series->aPatternInfoList);
    Add(entries, series->aMediaInfoList);
    Add(entries, series->aPrintChartFileInfoSetList);
    Add(entries, series->aInkVolumeInfoList);
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
  if (files.size() > 1 &&
      std::find(kKinds.begin(), kKinds.end(), files.back()) != kKinds.end()) {
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
