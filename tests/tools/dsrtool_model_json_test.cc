// dsrtool's JSON form over every kind of file, driven by the field models: a
// record whose every stored member is set survives dump and build, the file
// form names exactly the stored members and the memory form every member,
// in declaration order. Adding a member to a model adds it here without
// touching the test.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "devseries/xmlio/common_io.h"
#include "devseries/xmlio/dom_element_builder.h"
#include "devseries/xmlio/time_stamp_model_internal.h"
#include "tests/support/model_filler.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/tool_runner.h"

namespace {

using namespace ::devseries;
using namespace ::devseries::field_model;
using Json = nlohmann::ordered_json;
using tovra::testing::Filler;
using tovra::testing::ReadFileBytes;
using tovra::testing::RunDsrTool;
using tovra::testing::SameMembers;
using tovra::testing::ScopedTempDir;
using tovra::testing::ToolRun;
using tovra::testing::WriteFileBytes;

// Writes `record` as its kind's file at `path`.
template <typename Record>
void WriteFile(const std::string& path, const Record& record) {
  if constexpr (std::is_same_v<Record, DeviceSeries>) {
    DeviceSeries copy = record;
    ASSERT_TRUE(DeviceSeriesIO2(path).Write(copy));
  } else if constexpr (std::is_same_v<Record, TimeStamp>) {
    ASSERT_TRUE(SaveTimeStampFile(path, record));
  } else {
    DomDocument document;
    document.AppendChild(
        document.CreateProcessingInstruction("xml", kXmlDeclarationData));
    document.AppendChild(BuildElement(
        document, [&](DomElementBuilder& out) { WriteRecord(out, record); }));
    WriteFileBytes(path, document.ToXml());
  }
}

// Reads the file at `path` into `record`.
template <typename Record>
void ReadFile(const std::string& path, Record& record) {
  if constexpr (std::is_same_v<Record, DeviceSeries>) {
    ASSERT_TRUE(DeviceSeriesIO2(path).Read(record));
  } else if constexpr (std::is_same_v<Record, TimeStamp>) {
    ASSERT_TRUE(LoadTimeStampFile(path, record));
  } else {
    DomDocument document;
    ASSERT_TRUE(document.LoadFromMemory(ReadFileBytes(path), path));
    ReadRecord(document.AsNode().FirstChildNamed(Model<Record>::kElement),
               record);
  }
}

// The member names the form shows, in declaration order: the stored ones,
// or all.
template <typename Record>
std::vector<std::string> Names(bool all) {
  struct Row {
    std::ptrdiff_t at;
    std::string name;
  };
  std::vector<Row> rows;
  const Record probe{};
  ForEachField<Record>([&](const auto& row) {
    using Field = std::remove_cvref_t<decltype(row)>;
    if (!all && Field::kEncoding == Encoding::kNotStored) return;
    std::string name(row.MemberName());
    if (std::is_same_v<typename Field::MemberType, OutputTable> && !all) {
      name = "usOutputTableSamples";
    }
    rows.push_back({reinterpret_cast<const char*>(&(probe.*row.member)) -
                        reinterpret_cast<const char*>(&probe),
                    name});
  });
  std::sort(rows.begin(), rows.end(),
            [](const Row& a, const Row& b) { return a.at < b.at; });
  std::vector<std::string> names;
  for (const Row& row : rows) names.push_back(row.name);
  return names;
}

std::vector<std::string> Keys(const Json& object) {
  std::vector<std::string> keys;
  for (auto it = object.begin(); it != object.end(); ++it) {
    if (it.key() != "inMemory") keys.push_back(it.key());
  }
  return keys;
}

template <typename Record>
class ModelJsonTest : public ::testing::Test {};

using Kinds =
    ::testing::Types<DeviceSeries, ModelInfo, InkInfo, InkConfigInfo,
                     ResolutionInfo, ModeInfo, PatternInfo, MediaInfo,
                     SeparationInfo, VControlPoint, TimeStamp, CustomColorInfo>;
TYPED_TEST_SUITE(ModelJsonTest, Kinds);

TYPED_TEST(ModelJsonTest, EveryStoredMemberSurvivesDumpAndBuild) {
  ScopedTempDir dir;
  TypeParam written;
  Filler().FillRecord(written);
  WriteFile(dir.File("written"), written);
  const std::string root(RecordName<TypeParam>());

  ToolRun dump = RunDsrTool({"dump", dir.File("written")});
  ASSERT_EQ(dump.exitCode, 0) << dump.err;
  const Json form = Json::parse(dump.out);
  EXPECT_EQ(Keys(form.at(root)), Names<TypeParam>(false));

  ToolRun memory = RunDsrTool({"dump", "--memory", dir.File("written")});
  ASSERT_EQ(memory.exitCode, 0) << memory.err;
  EXPECT_EQ(Keys(Json::parse(memory.out).at(root)), Names<TypeParam>(true));

  ToolRun build = RunDsrTool({"build", "-", dir.File("built")}, dump.out);
  ASSERT_EQ(build.exitCode, 0) << build.err;
  TypeParam read;
  ReadFile(dir.File("built"), read);
  EXPECT_TRUE(SameMembers(read, written));
}

}  // namespace
