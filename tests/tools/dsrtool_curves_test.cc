// dsrtool curves, end to end through the built tool: the channels' output
// curves as the library expands them, the --separation filter, and the
// files and options it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "devseries/device_series.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/tool_runner.h"

using namespace devseries;

namespace {

using tovra::testing::LineCount;
using tovra::testing::RunDsrTool;
using tovra::testing::ScopedTempDir;
using tovra::testing::ToolRun;

// A table of a channel: `eType` 1 stores its curve, an S-shaped one that
// `shift` tells apart from the others.
SeparationTable Table(std::int32_t eType, const std::string& channel,
                      int shift) {
  SeparationTable table;
  table.eType = eType;
  table.strInputChannel = channel;
  for (size_t i = 0; i < kOutputTableSize; ++i) {
    const size_t level = i < 2048 ? i * i / 2048 : i;
    table.usOutputTable[i] =
        static_cast<std::uint16_t>(std::min<size_t>(level + shift, 4095));
  }
  return table;
}

SeparationInfo Separation(std::int32_t index,
                          std::vector<SeparationTable> tables) {
  SeparationInfo separation;
  separation.nSeparationIndex = index;
  separation.aSeparationTableList = std::move(tables);
  return separation;
}

// The rows of a CSV text, split at commas (the fixture's names hold none).
std::vector<std::vector<std::string>> Rows(const std::string& csv) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(csv);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');) {
      fields.push_back(cell);
    }
    rows.push_back(fields);
  }
  return rows;
}

class CurvesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Separation 3: a named channel, one named by its position, one that
    // stores no curve; separation 8: one channel; separation 9: none.
    DeviceSeries series;
    series.aSeparationInfoList = {
        Separation(3, {Table(1, "C", 0), Table(1, "", 300), Table(0, "Y", 0)}),
        Separation(8, {Table(1, "K", 700)}),
        Separation(9, {Table(0, "K", 0)}),
    };
    series_ = dir_.File("series.dsr");
    ASSERT_TRUE(DeviceSeriesIO2(series_).Write(series));
    separation_ = dir_.File("separation.xml");
    ASSERT_TRUE(SeparationInfoIO().SaveSeparationInfoFile(
        separation_, series.aSeparationInfoList[1]));
    // The curves as the library reads them back: the stored samples,
    // expanded.
    ASSERT_TRUE(DeviceSeriesIO2(series_).Read(read_));
  }

  // The library's expanded table of the channel `table` of separation
  // `separation` (positions in the fixture's lists).
  const OutputTable& Expanded(size_t separation, size_t table) const {
    return read_.aSeparationInfoList[separation]
        .aSeparationTableList[table]
        .usOutputTable;
  }

  ScopedTempDir dir_;
  std::string series_;
  std::string separation_;
  DeviceSeries read_;
};

TEST_F(CurvesTest, CsvHoldsTheLibrarysExpansionOfEveryLevel) {
  struct Column {
    std::string name;
    size_t separation;
    size_t table;
  };
  struct Case {
    std::vector<std::string> arguments;
    std::vector<Column> columns;
    std::string err;  // "": none
  };
  const std::string note9 = series_ +
                            ": note: separation 9 stores no output curve (no "
                            "table has eType 1)\n";
  const Case cases[] = {
      {{series_}, {{"3:C", 0, 0}, {"3:1", 0, 1}, {"8:K", 1, 0}}, note9},
      {{"--separation", "8", series_}, {{"8:K", 1, 0}}, ""},
      {{"--separation=3", series_}, {{"3:C", 0, 0}, {"3:1", 0, 1}}, ""},
      {{separation_}, {{"8:K", 1, 0}}, ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"curves", "--csv"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    SCOPED_TRACE(c.arguments.back() + " " + c.arguments.front());
    ToolRun run = RunDsrTool(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, c.err);
    const auto rows = Rows(run.out);
    ASSERT_EQ(rows.size(), kOutputTableSize + 1);
    std::vector<std::string> header = {"input"};
    for (const Column& column : c.columns) header.push_back(column.name);
    EXPECT_EQ(rows[0], header);
    for (size_t level = 0; level < kOutputTableSize; ++level) {
      std::vector<std::string> expected = {std::to_string(level)};
      for (const Column& column : c.columns) {
        expected.push_back(
            std::to_string(Expanded(column.separation, column.table)[level]));
      }
      ASSERT_EQ(rows[level + 1], expected) << "input level " << level;
    }
  }
}

// Without --csv: a header and every 256th input level, then 4095, aligned.
TEST_F(CurvesTest, TableShowsEvery256thLevel) {
  ToolRun run = RunDsrTool({"curves", "--separation", "8", series_});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::istringstream lines(run.out);
  std::string line;
  ASSERT_TRUE(std::getline(lines, line));
  EXPECT_EQ(line, "input   8:K");
  for (size_t level = 0; level <= kOutputTableSize; level += 256) {
    const size_t shown = std::min(level, kOutputTableSize - 1);
    ASSERT_TRUE(std::getline(lines, line));
    std::istringstream cells(line);
    size_t input = 0;
    unsigned output = 0;
    cells >> input >> output;
    EXPECT_EQ(input, shown);
    EXPECT_EQ(output, Expanded(1, 0)[shown]);
    EXPECT_EQ(line.size(), 11u) << line;
  }
  EXPECT_EQ(LineCount(run.out), 18);
}

TEST_F(CurvesTest, Refusals) {
  const std::string empty = dir_.File("empty.dsr");
  DeviceSeries none;
  ASSERT_TRUE(DeviceSeriesIO2(empty).Write(none));
  const std::string model = dir_.File("model.xml");
  ASSERT_TRUE(ModelInfoIO().SaveModelInfoFile(model, ModelInfo{}));
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string err;  // the start of standard error
  };
  const Case cases[] = {
      {{"--separation", "5", series_},
       1,
       series_ + ": has no separation whose nSeparationIndex is 5\n"},
      {{"--separation", "9", series_},
       1,
       series_ +
           ": separation 9 stores no output curve (no table has eType 1)\n"},
      {{empty}, 1, empty + ": has no separations\n"},
      {{model}, 1, model + ": is a standalone ModelInfo file"},
      {{"--separation", "8x", series_}, 2, "dsrtool: curves: --separation"},
      {{"--separation", "", series_}, 2, "dsrtool: curves: --separation"},
      {{"--separation", "99999999999", series_},
       2,
       "dsrtool: curves: --separation"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"curves"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    SCOPED_TRACE(c.arguments.front() + " " + c.arguments.back());
    ToolRun run = RunDsrTool(arguments);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << run.err;
  }
}

}  // namespace
