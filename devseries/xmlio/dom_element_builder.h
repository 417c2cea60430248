// Builds a DOM element tree from the calls a record layout makes (Begin,
// Attribute, Text, End, TextElement): the counterpart of XmlStreamWriter
// that makes nodes where the writer makes text. A record layout written as
// a template over its output thus gives the DOM element the record's DOM
// writer returns and the bytes its streamed form writes, from one
// description.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "devseries/xmlio/dom_types.h"

namespace devseries {

class DomElementBuilder {
 public:
  explicit DomElementBuilder(DomDocument& document) : document_(document) {}
  DomElementBuilder(const DomElementBuilder&) = delete;
  DomElementBuilder& operator=(const DomElementBuilder&) = delete;

  // Creates an element: the first one made is the result; a later one is
  // appended to the element still open. DOM failures raise _com_error (an
  // invalid name: XML_E_INVALIDNAME).
  void Begin(std::string_view name);
  // Sets an attribute of the element open.
  void Attribute(std::string_view name, std::string_view value);
  // Sets the text of the element open (an empty text leaves it empty).
  void Text(std::string_view text);
  // Ends the element open; the next Begin appends to its parent.
  void End();
  // Begin(name), Text(text), End().
  void TextElement(std::string_view name, std::string_view text);
  // Appends `node`, made in the same document and not yet attached, to the
  // element open: an element another writer of the DOM has built.
  void Append(DomNode node);

  // The first element made, unattached (null before Begin).
  DomNode Result() const { return result_; }
  DomDocument& document() { return document_; }

 private:
  DomNode Top() const;

  DomDocument& document_;
  DomNode result_;
  std::vector<DomNode> open_;
};

// The element `write` builds with a DomElementBuilder over `document`.
template <typename Write>
DomNode BuildElement(DomDocument& document, Write&& write) {
  DomElementBuilder builder(document);
  std::forward<Write>(write)(builder);
  return builder.Result();
}

}  // namespace devseries
