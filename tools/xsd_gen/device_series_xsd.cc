// device_series_xsd: prints the XML Schema of the device-series file and of
// the standalone record files, made from the records' field models.
//
//   device_series_xsd [OUTPUT]
//
// Writes the schema to OUTPUT (a new sibling first, committed over it
// when complete), or to standard output without one. Exit code 0; 1, with a
// message on standard error, when a model asks for something that cannot be
// described or the output cannot be written.
//
// The element layouts the kinds' own codecs write are described here, one
// CodecSchema per codec, after their writers.
#include <iostream>
#include <string>
#include <string_view>

#include "devseries/color/custom_color_info_model_internal.h"
#include "devseries/device_series_model_internal.h"
#include "devseries/platform/file_error.h"
#include "devseries/platform/file_system.h"
#include "devseries/records/media/uv_lamp_power_model_internal.h"
#include "tools/xsd_gen/xml_schema.h"

namespace devseries::xsd_gen {

namespace fm = field_model;

// An ink's display colour: the colour's members in the member's element.
template <>
struct CodecSchema<fm::InkColor> {
  template <typename Row>
  static void Describe(Schema& schema, Text& out, const Element& element) {
    schema.Typed(out, element, schema.RecordType<InkRGB>());
  }
};

// The UV lamp powers of the lamp positions: nothing while every power
// equals its base power, else one entry per position, in order, each naming
// its position in an attribute.
template <>
struct CodecSchema<fm::LampPowers> {
  template <typename Row>
  static void Describe(Schema& schema, Text& out, Element element) {
    constexpr size_t kPositions = std::tuple_size_v<typename Row::MemberType>;
    const std::string positions = std::to_string(kPositions);
    element.Note(
        "empty while every power equals its entry's base power; otherwise "
        "one entry per lamp position, in order");
    schema.Define("type LampPosition", [&](Text& text) {
      text.Open("xs:simpleType", {{"name", "LampPosition"}});
      text.Open("xs:restriction", {{"base", "xs:string"}});
      for (size_t i = 0; i < kPositions; ++i) {
        text.Empty("xs:enumeration", {{"value", std::to_string(i)}});
      }
      text.Close("xs:restriction");
      text.Close("xs:simpleType");
    });
    const std::string entry = schema.RecordType<UVLampPower>([](Text& text) {
      RequiredAttribute(text, "position", "LampPosition",
                        "the lamp position of the entry's powers");
    });
    schema.Inline(out, element, [&](Text& body) {
      body.Open("xs:sequence", {{"minOccurs", "0"}});
      body.Empty("xs:element",
                 {{"name", std::string(fm::Model<UVLampPower>::kElement)},
                  {"type", entry},
                  {"minOccurs", positions},
                  {"maxOccurs", positions}});
      body.Close("xs:sequence");
    });
  }
};

// A separation table's output table: its samples in Base64 when they are
// stored, else empty.
template <>
struct CodecSchema<fm::OutputTableText> {
  template <typename Row>
  static void Describe(Schema& schema, Text& out, Element element) {
    element.Note("the samples when " +
                 std::string(fm::OutputTableText::kStoredWhen) +
                 ", empty otherwise");
    schema.Typed(out, element, "OutputTableText");
  }
};

// The custom colour's stored colour: the colour's element, named after its
// space, one channel element per channel with the byte in its "VALUE"
// attribute; no element for a space without one.
struct StoredColorElement {
  std::string_view element;
  std::string_view channels;  // one letter per channel, in channel order
};
constexpr StoredColorElement kStoredColorElements[] = {
    {"CMYKColor", "CMYK"}, {"CMYKOGColor", "CMYKOG"}};
static_assert(kStoredColorElements[0].channels.size() ==
              CMYKColor::kChannelCount);
static_assert(kStoredColorElements[1].channels.size() ==
              CMYKOGColor::kChannelCount);

template <>
struct CodecSchema<fm::StoredColor> {
  template <typename Row>
  static void Describe(Schema& schema, Text& out, Element element) {
    element.Note("no colour element for a space other than CMYK and CMYKOG");
    schema.Define("type ColorChannel", [](Text& text) {
      text.Comment(
          "A colour channel: an empty element whose VALUE is the byte.");
      text.Open("xs:complexType", {{"name", "ColorChannel"}});
      text.Empty("xs:attribute",
                 {{"name", "VALUE"}, {"type", "Byte"}, {"use", "required"}});
      text.Close("xs:complexType");
    });
    for (const StoredColorElement& color : kStoredColorElements) {
      schema.Define("type " + std::string(color.element), [&](Text& text) {
        text.Open("xs:complexType", {{"name", std::string(color.element)}});
        text.Open("xs:sequence");
        for (const char channel : color.channels) {
          text.Empty("xs:element", {{"name", std::string(1, channel)},
                                    {"type", "ColorChannel"}});
        }
        text.Close("xs:sequence");
        text.Close("xs:complexType");
      });
    }
    out.Open("xs:choice", {{"minOccurs", "0"}});
    out.Documentation(element.documentation);
    for (const StoredColorElement& color : kStoredColorElements) {
      out.Empty("xs:element", {{"name", std::string(color.element)},
                               {"type", std::string(color.element)}});
    }
    out.Close("xs:choice");
  }
};

namespace {

constexpr std::string_view kAbout =
    R"(  XML Schema of the device-series file (".dsr") and of the standalone record
  files: what the library's writers produce. The build makes it from the
  records' field models (tools/xsd_gen); change the models, not this file.

  Every member of a record is one child element whose text is the value;
  children come in the writers' order and are all present except where a
  writer leaves one out or files of older writers lack one (minOccurs="0",
  with the reason in the member's documentation). Values have the writers'
  exact forms: integers in decimal, floats in fixed point with three
  decimals, bools "true" or "false", command strings with \xHH escapes,
  output tables in Base64. Language string sets carry one child per
  language, named after the host's string table (the names below are the
  ones dsrtool and the test programs carry).

)";

// The screen angles of the custom screening settings.
constexpr NumberedListType kNumberedLists[] = {{"flDegree", "ScreenAngles"}};

std::string DeviceSeriesSchema() {
  Schema schema(kNumberedLists);
  const Root roots[] = {
      // The document's root also names the version of the format its
      // writer wrote.
      {std::string(fm::Model<DeviceSeries>::kElement),
       schema.RecordType<DeviceSeries>([](Text& text) {
         RequiredAttribute(text, "strVersion", "Version",
                           "the format version the file was written in");
       })},
      RootOf<ModelInfo>(schema),
      RootOf<InkInfo>(schema),
      RootOf<InkConfigInfo>(schema),
      RootOf<ResolutionInfo>(schema),
      RootOf<ModeInfo>(schema),
      RootOf<PatternInfo>(schema),
      RootOf<MediaInfo>(schema),
      RootOf<SeparationInfo>(schema),
      RootOf<VControlPoint>(schema),
      RootOf<TimeStamp>(schema),
      RootOf<CustomColorInfo>(schema),
  };
  return SchemaDocument(kAbout, schema, roots);
}

// Writes `text` to `path` through the library's atomic replacement: a new
// sibling committed over the target, never through a link or FIFO that
// stands at the target or beside it.
void WriteFile(const std::string& path, const std::string& text) {
  const platform::FileError error = platform::ReplaceFileAtomically(
      *platform::FileSystem::Current(), path, text);
  if (error != platform::FileError::kNone) {
    throw SchemaError("cannot write " + path + ": " +
                      platform::FileErrorText(error));
  }
}

}  // namespace
}  // namespace devseries::xsd_gen

int main(int argc, char** argv) {
  using namespace devseries::xsd_gen;
  if (argc > 2) {
    std::cerr << "usage: device_series_xsd [OUTPUT]\n";
    return 1;
  }
  try {
    const std::string schema = DeviceSeriesSchema();
    if (argc == 2) {
      WriteFile(argv[1], schema);
    } else {
      std::cout << schema << std::flush;
      if (!std::cout) throw SchemaError("cannot write standard output");
    }
  } catch (const SchemaError& error) {
    std::cerr << "device_series_xsd: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
