// Refusals that say where: the report a read leaves beside its bool result
// (failure class, element path, line, what was expected and found), for the
// device-series reader and the standalone loaders, and the values a read
// that collects warnings notes on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "devseries/color/custom_color_info.h"
#include "devseries/device_series.h"
#include "devseries/platform/resources.h"
#include "devseries/records/media/media_info.h"
#include "devseries/records/media/vcontrol_point.h"
#include "devseries/records/printer/model_info.h"
#include "devseries/xmlio/read_report.h"
#include "devseries/xmlio/time_stamp.h"
#include "tests/support/host_title.h"
#include "tests/support/temp_dir.h"

using namespace devseries;

namespace {

using tovra::testing::MakeFolder;
using tovra::testing::ReadFileBytes;
using tovra::testing::ResizeFile;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

// The product's host: the version gate is on while it lives.
class ProductHost {
 public:
  explicit ProductHost(std::string title) : title_(std::move(title)) {}

 private:
  tovra::testing::HostTitle title_;
  platform::ScopedResourceProvider installed_{&title_};
};

// The 1-based line of the first occurrence of `needle` in `text`.
int LineOf(const std::string& text, const std::string& needle) {
  size_t at = text.find(needle);
  EXPECT_NE(at, std::string::npos) << needle;
  return 1 +
         static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
}

std::string Replace(std::string text, const std::string& from,
                    const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

class ReadDiagnosticsTest : public ::testing::Test {
 protected:
  // A file the reader accepts: one model, one pattern, one medium.
  std::string ValidSeries() {
    DeviceSeries series;
    series.aModelInfoList.resize(1);
    series.aPatternInfoList.resize(1);
    series.aMediaInfoList.resize(1);
    series.aMediaInfoList[0].aflFeedCalibration = {0.5f};
    DeviceSeriesIO2 io(dir_.File("valid.dsr"));
    EXPECT_TRUE(io.Write(series));
    return ReadFileBytes(dir_.File("valid.dsr"));
  }

  ScopedTempDir dir_;
};

TEST_F(ReadDiagnosticsTest, RefusedDeviceSeriesSaysWhereAndWhy) {
  const std::string valid = ValidSeries();
  struct Case {
    const char* name;
    std::string text;  // the file; empty: see `make`
    std::function<void(const std::string& path)> make;
    ReadFailure failure;
    std::string path;
    int line;  // -1: the line of `lineOf` in the text
    std::string lineOf;
    std::string message;  // contained in the message
  };
  const std::string withComment =
      Replace(valid, "<MediaInfo>", "<MediaInfo><!-- note -->");
  // libxml2 keeps 16 bits of a node's line; these lines lie beyond.
  const std::string farDown = "\n" + std::string(70000, '\n') + "<DeviceSeries";
  const Case cases[] = {
      {"missing list",
       "<?xml version=\"1.0\"?>\n<DeviceSeries strVersion=\"3.3.0.0\">\n"
       "<aModelInfoList/><aInkInfoList/><aInkConfigInfoList/>\n"
       "</DeviceSeries>",
       nullptr, ReadFailure::kNotReadable, "DeviceSeries", 2, "",
       "aResolutionInfoList is missing"},
      // The schema allows the comment; reading by position counts it.
      {"comment in a prefix", withComment, nullptr, ReadFailure::kNotReadable,
       "DeviceSeries/aMediaInfoList/MediaInfo", -1, "<!-- note -->",
       "expected an element (strMediaName), found a comment; the members "
       "after it are read one place out"},
      {"missing positional child", Replace(valid, "<strPatternFile/>", ""),
       nullptr, ReadFailure::kNotReadable,
       "DeviceSeries/aPatternInfoList/PatternInfo", -1, "<PatternInfo>",
       "strPatternFile is missing"},
      {"positional child left out in the middle",
       Replace(valid, "<nCutForce>0</nCutForce>", ""), nullptr,
       ReadFailure::kNotReadable,
       "DeviceSeries/aMediaInfoList/MediaInfo/flCutOffset", -1, "<flCutOffset>",
       "expected the element nCutForce, found the element flCutOffset"},
      {"comment past line 65535",
       Replace(withComment, "<DeviceSeries", farDown), nullptr,
       ReadFailure::kNotReadable, "DeviceSeries/aMediaInfoList/MediaInfo", -1,
       "<!-- note -->", "expected an element (strMediaName), found a comment"},
      {"missing positional child past line 65535",
       Replace(Replace(valid, "<strPatternFile/>", ""), "<DeviceSeries",
               farDown),
       nullptr, ReadFailure::kNotReadable,
       "DeviceSeries/aPatternInfoList/PatternInfo", -1, "<PatternInfo>",
       "strPatternFile is missing"},
      {"bad escaped command string",
       Replace(valid, "<strPrintHeader/>",
               "<strPrintHeader>\\q</strPrintHeader>"),
       nullptr, ReadFailure::kNotReadable,
       "DeviceSeries/commandSet/strPrintHeader", -1, "<strPrintHeader>",
       "unrecognized escape sequence"},
      {"wrong root", "<?xml version=\"1.0\"?>\n<MediaInfo/>", nullptr,
       ReadFailure::kNotReadable, "", 0, "",
       "no DeviceSeries element (the root element is MediaInfo)"},
      {"missing strVersion", Replace(valid, " strVersion=\"3.3.0.0\"", ""),
       nullptr, ReadFailure::kNotReadable, "DeviceSeries", 2, "",
       "the strVersion attribute is missing"},
      {"rejected version", Replace(valid, "3.3.0.0", "7.0.1.0"), nullptr,
       ReadFailure::kNotReadable, "DeviceSeries", 2, "",
       "version 7.0.1.0 is not one this host reads (3.3, or 1.0 through the "
       "1.0 reader)"},
      {"older version than the 1.0 reader",
       Replace(valid, "3.3.0.0", "0.9.0.0"), nullptr, ReadFailure::kNotReadable,
       "DeviceSeries", 2, "", "version 0.9.0.0 is not one this host reads"},
      {"document type",
       Replace(valid, "<DeviceSeries",
               "<!DOCTYPE DeviceSeries>\n<DeviceSeries"),
       nullptr, ReadFailure::kRefused, "", 2, "",
       "a document type declaration is not allowed"},
      {"not well-formed",
       "<?xml version=\"1.0\"?>\n<DeviceSeries strVersion=\"3.3.0.0\">\n"
       "<aModelInfoList>\n</DeviceSeries>\n",
       nullptr, ReadFailure::kNotWellFormed, "", 4, "",
       "not well-formed XML: "},
      {"empty file", "", nullptr, ReadFailure::kNotWellFormed, "", 0, "",
       "not well-formed XML: "},
      {"missing file", "", [](const std::string&) {}, ReadFailure::kCannotRead,
       "", 0, "", "cannot be read: No such file or directory"},
      {"folder", "",
       [](const std::string& path) { ASSERT_TRUE(MakeFolder(path)); },
       ReadFailure::kCannotRead, "", 0, "", "cannot be read: Is a directory"},
      {"over the size limit", "",
       [&](const std::string& path) {
         // The accepted file, padded with zero bytes (a sparse file).
         WriteFileBytes(path, valid);
         ResizeFile(path, platform::kMaxStreamedDocumentBytes + 1);
       },
       ReadFailure::kRefused, "", 0, "",
       "the file is 1024.0 MiB (1073741825 bytes), over the 1 GiB limit"},
  };
  ProductHost product(kVersionGateTitle);
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir_.File("case" + std::to_string(index++));
    if (c.make) {
      c.make(path);
    } else {
      WriteFileBytes(path, c.text);
    }
    DeviceSeries series;
    DeviceSeriesIO2 io(path);
    EXPECT_FALSE(io.Read(series));
    const ReadReport& report = io.Report();
    EXPECT_EQ(report.failure, c.failure);
    EXPECT_EQ(report.error.elementPath, c.path);
    EXPECT_EQ(report.error.line,
              c.line < 0 ? LineOf(c.text, c.lineOf) : c.line);
    EXPECT_NE(report.error.message.find(c.message), std::string::npos)
        << report.error.message;
    EXPECT_EQ(series, DeviceSeries());
  }
}

TEST_F(ReadDiagnosticsTest, StandaloneLoadersReportThroughTheirOutParameter) {
  struct Case {
    const char* name;
    std::string text;
    std::function<bool(const std::string& path, ReadReport* report)> load;
    std::string path;
    std::string lineOf;
    std::string message;
  };
  const Case cases[] = {
      // As without a report, the loader raises E_POINTER for a missing
      // member; the report says which one first.
      {"model without dMaxWidth",
       "<?xml version=\"1.0\"?>\n<ModelInfo>\n<strLongModelName/>\n"
       "<strMIBModelName/>\n<strFolderName/>\n</ModelInfo>",
       [](const std::string& path, ReadReport* report) {
         ModelInfo record;
         try {
           return ModelInfoIO().LoadModelInfoFile(path, record, report);
         } catch (const _com_error&) {
           return false;
         }
       },
       "ModelInfo", "<ModelInfo>", "dMaxWidth is missing"},
      {"time stamp without ms",
       "<?xml version=\"1.0\"?>\n<TimeStamp><year>2024</year><month>1</month>"
       "<day>2</day><hour>3</hour><minute>4</minute><second>5</second>"
       "</TimeStamp>",
       [](const std::string& path, ReadReport* report) {
         TimeStamp stamp;
         return LoadTimeStampFile(path, stamp, report);
       },
       "TimeStamp", "<TimeStamp>", "too few child nodes (it has 6)"},
      {"custom colour of the wrong space",
       "<?xml version=\"1.0\"?>\n<CustomColorInfo><strColorName/>\n"
       "<RGBColor/><strMatchLibName/></CustomColorInfo>",
       [](const std::string& path, ReadReport* report) {
         CustomColorInfo info;
         return LoadCustomColorInfoFile(path, info, report);
       },
       "CustomColorInfo/RGBColor", "<RGBColor/>",
       "expected a CMYKColor or CMYKOGColor element, found the element "
       "RGBColor"},
      {"no VControlPoint", "<?xml version=\"1.0\"?>\n<Other/>",
       [](const std::string& path, ReadReport* report) {
         VControlPoint record;
         return LoadVControlPointFile(path, record, report);
       },
       "", "", "no VControlPoint element"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(dir_.File("record.xml"), c.text);
    ReadReport report;
    EXPECT_FALSE(c.load(dir_.File("record.xml"), &report));
    EXPECT_EQ(report.failure, ReadFailure::kNotReadable);
    EXPECT_EQ(report.error.elementPath, c.path);
    EXPECT_EQ(report.error.line,
              c.lineOf.empty() ? 0 : LineOf(c.text, c.lineOf));
    EXPECT_EQ(report.error.message, c.message);
  }

  // A file that cannot be loaded: the class and the reason, then the same
  // error as without a report.
  ReadReport report;
  MediaInfo media;
  EXPECT_THROW(
      MediaInfoIO().LoadMediaInfoFile(dir_.File("none.xml"), media, &report),
      _com_error);
  EXPECT_EQ(report.failure, ReadFailure::kCannotRead);
  EXPECT_EQ(report.error.ToString(),
            "cannot be read: No such file or directory");
}

TEST_F(ReadDiagnosticsTest,
       SuccessfulReadLeavesAnEmptyReportAndNotesWhenAsked) {
  // A comment among the feed calibration values reads as 0.0 (the format
  // counts it as a value); a read that collects warnings notes it.
  const std::string text = Replace(ValidSeries(), "<aflFeedCalibration>",
                                   "<aflFeedCalibration><!-- note -->");
  WriteFileBytes(dir_.File("in.dsr"), text);
  for (bool collect : {false, true}) {
    SCOPED_TRACE(collect);
    DeviceSeriesIO2 io(dir_.File("in.dsr"));
    io.Report().collectWarnings = collect;
    DeviceSeries series;
    ASSERT_TRUE(io.Read(series));
    EXPECT_EQ(series.aMediaInfoList[0].aflFeedCalibration,
              (std::vector<float>{0.0f, 0.5f}));
    EXPECT_EQ(io.Report().failure, ReadFailure::kNone);
    EXPECT_TRUE(io.Report().error.IsEmpty());
    if (!collect) {
      EXPECT_TRUE(io.Report().warnings.empty());
      continue;
    }
    ASSERT_FALSE(io.Report().warnings.empty());
    const ReadDiagnostic& note = io.Report().warnings.front();
    EXPECT_EQ(note.elementPath,
              "DeviceSeries/aMediaInfoList/MediaInfo/aflFeedCalibration");
    EXPECT_EQ(note.line, LineOf(text, "<!-- note -->"));
    EXPECT_NE(note.message.find("expected an element (value), found a comment"),
              std::string::npos)
        << note.message;
  }

  // A second read on the same object starts from an empty report.
  WriteFileBytes(dir_.File("bad.dsr"), "<DeviceSeries/>");
  DeviceSeriesIO2 io(dir_.File("bad.dsr"));
  DeviceSeries series;
  EXPECT_FALSE(io.Read(series));
  EXPECT_FALSE(io.Report().error.IsEmpty());
}

}  // namespace
