// Fuzz target: the colour element readers (ReadColorElement and the
// readers of each space, ReadRGBValue) and the custom colour record reader
// (ReadCustomColorInfo), on the root element of any document.
//
// Properties: nothing crashes; the readers end in a colour, null or the
// component error; a colour that was read writes out as an element that
// reads back as the same text.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "devseries/color/color_xml.h"
#include "devseries/color/custom_color_info.h"
#include "devseries/platform/dom.h"
#include "fuzz/fuzz_support.h"

using namespace devseries;

namespace {

// The element `write` makes, as text.
template <typename Write>
std::string ElementText(Write&& write) {
  DomDocument document;
  DomNode element = write(document);
  if (!element) return "";
  document.AppendChild(element);
  return document.ToXml();
}

// Reads `color` back from its own element with `read` and checks that it
// writes the same element.
template <typename Read>
void CheckRoundTrip(const AbstractColor& color, Read&& read) {
  std::string first =
      ElementText([&](DomDocument& d) { return WriteColorElement(d, color); });
  if (first.empty()) return;
  DomDocument document;
  if (!document.LoadFromMemory(first, "color")) {
    tovra::fuzz::Fail("a written colour element does not load", first);
  }
  std::unique_ptr<AbstractColor> again(read(document.GetFirstChild()));
  if (!again)
    tovra::fuzz::Fail("a written colour element does not read", first);
  std::string second =
      ElementText([&](DomDocument& d) { return WriteColorElement(d, *again); });
  if (second != first) {
    tovra::fuzz::Fail("the written colour changes on a second round",
                      first + "\n----\n" + second);
  }
}

void ReadColors(DomNode root) {
  try {
    std::unique_ptr<AbstractColor> typed(ReadColorElement(root));
    if (typed)
      CheckRoundTrip(*typed, [](DomNode n) { return ReadColorElement(n); });
    std::unique_ptr<AbstractColor> rgb(ReadRGBColor(root));
    CheckRoundTrip(*rgb, [](DomNode n) { return ReadRGBColor(n); });
    std::unique_ptr<AbstractColor> cmyk(ReadCMYKColor(root));
    CheckRoundTrip(*cmyk, [](DomNode n) { return ReadCMYKColor(n); });
    std::unique_ptr<AbstractColor> cmykog(ReadCMYKOGColor(root));
    CheckRoundTrip(*cmykog, [](DomNode n) { return ReadCMYKOGColor(n); });
    std::unique_ptr<AbstractColor> lab(ReadLabColor(root));
    CheckRoundTrip(*lab, [](DomNode n) { return ReadLabColor(n); });
    ReadRGBValue(root);
  } catch (const _com_error&) {
  }
}

void ReadCustomColor(DomNode root) {
  CustomColorInfo info;
  try {
    if (!ReadCustomColorInfo(root, info)) return;
  } catch (const _com_error&) {
    return;
  }
  std::string first = ElementText(
      [&](DomDocument& d) { return WriteCustomColorInfo(d, info); });
  DomDocument document;
  if (!document.LoadFromMemory(first, "custom colour")) {
    tovra::fuzz::Fail("a written custom colour does not load", first);
  }
  CustomColorInfo again;
  try {
    if (!ReadCustomColorInfo(document.GetFirstChild(), again)) {
      tovra::fuzz::Fail("a written custom colour does not read", first);
    }
  } catch (const _com_error&) {
    tovra::fuzz::Fail("a written custom colour raises", first);
  }
  std::string second = ElementText(
      [&](DomDocument& d) { return WriteCustomColorInfo(d, again); });
  if (second != first) {
    tovra::fuzz::Fail("the written custom colour changes on a second round",
                      first + "\n----\n" + second);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tovra::fuzz::Quiet();
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  DomDocument document;
  if (!document.LoadFromMemory(bytes, "fuzz input")) return 0;
  DomNode root = document.GetFirstChild();
  // The root may be preceded by comments and processing instructions.
  while (root && root.GetNodeType() != platform::NODE_ELEMENT) {
    root = root.GetNextSibling();
  }
  if (!root) return 0;
  ReadColors(root);
  ReadCustomColor(root);
  return 0;
}
