// Helpers shared by the codec tests: inline XML, compact written text,
// element outlines, caught error codes, rounded values and seam guards.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "devseries/platform/dom_testing.h"
#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/language_string_set.h"
#include "devseries/xmlio/number_text.h"

namespace xml_test {

using namespace ::devseries;

// The root element of `xml`, loaded into `doc`.
inline DomNode Parse(DomDocument& doc, std::string_view xml) {
  EXPECT_TRUE(doc.LoadFromMemory(xml, "inline")) << xml;
  for (DomNode node = doc.GetFirstChild(); node; node = node.GetNextSibling()) {
    if (node.GetNodeType() == platform::NODE_ELEMENT) return node;
  }
  ADD_FAILURE() << "no root element in " << xml;
  return DomNode();
}

// The document's XML without the declaration, line breaks and indentation.
inline std::string Compact(const DomDocument& doc) {
  const std::string xml = doc.ToXml();
  std::string out;
  size_t pos = xml.find("?>");
  pos = pos == std::string::npos ? 0 : pos + 2;
  bool lineStart = false;
  for (; pos < xml.size(); ++pos) {
    const char c = xml[pos];
    if (c == '\n') {
      lineStart = true;
      continue;
    }
    if (lineStart && c == ' ') continue;
    lineStart = false;
    out += c;
  }
  return out;
}

// The compact text of the element `write` makes, as a document's root.
inline std::string WrittenXml(
    const std::function<DomNode(DomDocument&)>& write) {
  DomDocument doc;
  doc.AppendChild(write(doc));
  return Compact(doc);
}

// The names of the child nodes of `node`, joined by commas.
inline std::string ChildNames(DomNode node) {
  std::string names;
  for (DomNode child = node.GetFirstChild(); child;
       child = child.GetNextSibling()) {
    if (!names.empty()) names += ',';
    names += child.GetNodeName();
  }
  return names;
}

// The first child element of `node` named `name`, or null.
inline DomNode Child(DomNode node, std::string_view name) {
  for (DomNode child = node.GetFirstChild(); child;
       child = child.GetNextSibling()) {
    if (child.IsElementNamed(name)) return child;
  }
  return DomNode();
}

// A new element of `element`'s name in `doc` holding the children of
// `element` in reverse order (they are moved).
inline DomNode Reversed(DomDocument& doc, DomNode element) {
  DomNode reversed = doc.CreateElement(element.GetNodeName());
  for (DomNode last = element.GetFirstChild(); last;
       last = element.GetFirstChild()) {
    while (last.GetNextSibling()) last = last.GetNextSibling();
    reversed.AppendChild(last);
  }
  return reversed;
}

// The code of the _com_error `action` raises; 0 when it raises nothing.
inline HRESULT ComErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const _com_error& error) {
    return error.Error();
  }
  return 0;
}

// A value as it reads back after being written with 3 decimals.
inline float Rounded(float value) {
  return NarrowToFloat(ParseCDouble(FormatFixed(value, 3)));
}
inline double Rounded(double value) {
  return ParseCDouble(FormatFixed(value, 3));
}

// Thirteen distinct texts: "<stem> 0" to "<stem> 12".
inline LanguageStringSet Texts(const std::string& stem) {
  LanguageStringSet set;
  for (size_t i = 0; i < set.size(); ++i) {
    set[i] = stem + " " + std::to_string(i);
  }
  return set;
}

// Asserts that the calling thread's component-runtime count is back where
// it was when the guard was made.
class ComCountGuard {
 public:
  ComCountGuard() : before_(platform::CoInitializeCount()) {}
  ~ComCountGuard() { EXPECT_EQ(platform::CoInitializeCount(), before_); }

 private:
  int before_;
};

// Restores the runtime and DOM service seams at the end of a test.
class SeamReset {
 public:
  ~SeamReset() {
    platform::SetCoInitializeFailureForTesting(platform::S_OK);
    platform::SetDomServiceAvailableForTesting(true);
  }
};

}  // namespace xml_test
