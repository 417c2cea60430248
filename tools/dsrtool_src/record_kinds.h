// The kinds of file dsrtool handles: the device-series document and the
// standalone record files, each known by its root element, and their JSON
// form ({"<root name>": <record>}).
#pragma once

#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "devseries/color/custom_color_info.h"
#include "devseries/device_series.h"
#include "devseries/xmlio/time_stamp.h"
#include "tools/dsrtool_src/json/json_codec.h"

namespace dsrtool {

using namespace ::devseries;

// One record of any kind; the alternatives in the order of kRootNames.
using AnyRecord =
    std::variant<DeviceSeries, ModelInfo, InkInfo, InkConfigInfo,
                 ResolutionInfo, ModeInfo, PatternInfo, MediaInfo,
                 SeparationInfo, VControlPoint, TimeStamp, CustomColorInfo>;

// The root element of each kind's file.
inline constexpr std::array<std::string_view, std::variant_size_v<AnyRecord>>
    kRootNames = {"DeviceSeries",  "ModelInfo",      "InkInfo",
                  "InkConfigInfo", "ResolutionInfo", "ModeInfo",
                  "PatternInfo",   "MediaInfo",      "SeparationInfo",
                  "VControlPoint", "TimeStamp",      "CustomColorInfo"};

// A newly constructed record of the kind whose root element is `root`;
// nothing for a name that is not a root.
std::optional<AnyRecord> NewRecordForRoot(std::string_view root);
std::string_view RootName(const AnyRecord& record);
// "DeviceSeries, ModelInfo, ..., CustomColorInfo".
std::string RootNameList();

// The first key of the memory form, which build refuses.
inline constexpr const char* kInMemoryKey = "inMemory";

// {"<root name>": <the record's members>} on `out`, in `form`; the memory
// form starts with the key kInMemoryKey. Pretty output ends with a line
// break.
void WriteRecordJson(std::ostream& out, const AnyRecord& record, JsonForm form,
                     bool pretty);
// The file form of `record` as a JSON tree, for comparing and listing.
Json RecordJsonTree(const AnyRecord& record);
// The reverse of the file form. Raises JsonError when `document` is not an
// object with one key naming a kind, or its value does not fit the record.
AnyRecord RecordFromJson(const Json& document);

// What RecordFromJson checks of a document before it reads the record.
struct DocumentShape {
  bool isObject = false;
  // Only for an object: whether it has the key kInMemoryKey, how many
  // different keys it has, and its first key.
  bool hasInMemoryKey = false;
  size_t keys = 0;
  std::string firstKey;
};
// The newly constructed record of the kind a document of `shape` names.
// Raises the JsonError RecordFromJson raises for the memory form, for a
// document that is not an object with one key, or one naming no kind.
AnyRecord NewRecordForDocument(const DocumentShape& shape);

}  // namespace dsrtool
