#include "devseries/xmlio/dom_element_builder.h"

#include <stdexcept>

namespace devseries {

DomNode DomElementBuilder::Top() const {
  if (open_.empty())
    throw std::logic_error("DomElementBuilder: no element open");
  return open_.back();
}

void DomElementBuilder::Begin(std::string_view name) {
  DomNode element = document_.CreateElement(name);
  if (!open_.empty()) {
    open_.back().AppendChild(element);
  } else if (!result_) {
    result_ = element;
  } else {
    throw std::logic_error("DomElementBuilder: a second top element");
  }
  open_.push_back(element);
}

void DomElementBuilder::Append(DomNode node) { Top().AppendChild(node); }

void DomElementBuilder::Attribute(std::string_view name,
                                  std::string_view value) {
  Top().SetAttribute(name, value);
}

void DomElementBuilder::Text(std::string_view text) { Top().SetText(text); }

void DomElementBuilder::End() {
  Top();
  open_.pop_back();
}

void DomElementBuilder::TextElement(std::string_view name,
                                    std::string_view text) {
  Begin(name);
  Text(text);
  End();
}

}  // namespace devseries
