// Fuzz target: dsrtool's JSON form of the records. The input is a JSON
// text as build reads it.
//
// Properties: reading never crashes and ends in a record or in the codec's
// JsonError (or the JSON parser's refusal); a record that was read prints
// as JSON that reads back into a record printing the same text, so what
// dump prints, build takes back unchanged; and build's streaming reader
// (nlohmann's SAX interface, one list entry at a time) gives what the
// reading of the whole tree gives: the same record, or the same error.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "tools/dsrtool_src/json/json_record_reader.h"
#include "tools/dsrtool_src/record_kinds.h"

namespace {

using tovra::fuzz::Fail;

// The file form of `record`, compact.
std::string Print(const dsrtool::AnyRecord& record) {
  std::ostringstream text;
  dsrtool::WriteRecordJson(text, record, dsrtool::JsonForm::kFile, false);
  return text.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tovra::fuzz::Quiet();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  dsrtool::Json document;
  try {
    document = dsrtool::Json::parse(input);
  } catch (const dsrtool::Json::exception&) {
    // Every error the parser raises for a bad text is the text's fault, as
    // it is for build: a syntax error (parse_error) and a number it cannot
    // hold (out_of_range 406) alike. The streaming reader must refuse it too.
    try {
      dsrtool::ReadRecordJson(input);
    } catch (const dsrtool::JsonSyntaxError&) {
      return 0;
    } catch (...) {
    }
    Fail("the streaming reader takes a text the parser refuses");
  }
  std::string streamed;
  try {
    streamed = Print(dsrtool::ReadRecordJson(input));
  } catch (const dsrtool::JsonError& error) {
    streamed = std::string("error: ") + error.what();
  }
  std::string first;
  try {
    first = Print(dsrtool::RecordFromJson(document));
  } catch (const dsrtool::JsonError& error) {
    if (streamed != std::string("error: ") + error.what()) {
      Fail("the streaming reader fails otherwise than the tree's reading",
           streamed + "\n----\n" + error.what());
    }
    return 0;
  }
  if (streamed != first) {
    Fail("the streaming reader reads another record", streamed);
  }
  std::string second;
  try {
    second = Print(dsrtool::RecordFromJson(dsrtool::Json::parse(first)));
  } catch (const std::exception& error) {
    Fail("the printed record does not read back", error.what());
  }
  if (first != second) Fail("the record prints differently read back", first);
  return 0;
}
