// One suite over every record kind, driven by the kinds' field models: a
// record whose every stored member differs from its construction value
// (made from the model) survives the DOM writer and reader, and the stream
// writer gives the bytes the DOM document saves. Adding a member to a model
// adds it here without touching the test.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "devseries/color/custom_color_info_model_internal.h"
#include "devseries/device_series_model_internal.h"
#include "devseries/records/media/uv_lamp_power_model_internal.h"
#include "devseries/xmlio/dom_element_builder.h"
#include "devseries/xmlio/xml_stream_writer.h"
#include "tests/support/model_filler.h"
#include "tests/support/temp_dir.h"

using namespace devseries;
using namespace devseries::field_model;
using tovra::testing::Filler;
using tovra::testing::SameMembers;

namespace {

template <typename Record>
class FieldModelTest : public ::testing::Test {};

using Kinds =
    ::testing::Types<ModelInfo, InkInfo, InkConfigInfo, InkVolumeInfo,
                     ResolutionInfo, ModeInfo, PatternInfo, MediaInfo,
                     QualityInfo, PermissionSet, CalibrationInfo, ScreenOption,
                     SeparationInfo, SeparationTable, VControlPoint,
                     PrintChartFileInfoSet, UVLampPower, CustomColorInfo,
                     DeviceSeriesCommandSet, DeviceSeries>;
TYPED_TEST_SUITE(FieldModelTest, Kinds);

TYPED_TEST(FieldModelTest, EveryStoredMemberSurvivesWriteAndRead) {
  TypeParam written;
  Filler().FillRecord(written);
  ASSERT_FALSE(SameMembers(written, TypeParam()));

  DomDocument document;
  document.AppendChild(BuildElement(
      document, [&](DomElementBuilder& out) { WriteRecord(out, written); }));
  TypeParam read;
  if constexpr (std::is_same_v<TypeParam, DeviceSeries>) {
    // The document's own reader adds its normalisations; the filled series
    // needs none of them.
    ASSERT_TRUE(ReadDeviceSeriesElement(document.GetFirstChild(), read));
  } else {
    // Through the saved text, as a file carries it.
    DomDocument reloaded;
    ASSERT_TRUE(reloaded.LoadFromMemory(document.ToXml(), "written"));
    ReadRecord(reloaded.GetFirstChild(), read);
  }
  EXPECT_TRUE(SameMembers(read, written));

  // The stream writer's bytes are those the DOM document saves.
  if constexpr (!std::is_same_v<TypeParam, CustomColorInfo>) {
    std::string streamed;
    XmlStreamWriter out([&](std::string_view piece) {
      streamed.append(piece);
      return true;
    });
    out.Declaration();
    WriteRecord(out, written);
    ASSERT_TRUE(out.Finish());
    EXPECT_EQ(streamed, document.ToXml());
  }
}

}  // namespace
