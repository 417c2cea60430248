// The two outputs a record's element is made at: a DomElementBuilder
// (xmlio/dom_element_builder.h) builds it in a DOM document, an
// XmlStreamWriter (xmlio/xml_stream_writer.h) writes it as the text the DOM
// service would save for it. Record headers declare a writer for each.
#pragma once

#pragma GCC visibility push(default)
namespace devseries {

class DomElementBuilder;
class XmlStreamWriter;

}  // namespace devseries
#pragma GCC visibility pop
