// A writer of XML text that streams a document out element by element, in
// exactly the bytes the DOM service saves for the same tree (DomDocument::
// Save): the declaration line, children indented by two blanks per level
// (at most 30 levels deep), an element holding only text on one line, an
// element without content as <name/>, and the DOM's escaping of text and
// attribute values. Text and attribute values are stored as the DOM stores
// them (platform::XmlSafeText), so a byte that is not valid UTF-8 or a
// character XML cannot carry becomes U+FFFD here as well.
//
// The writer has the shape of DomElementBuilder (Begin, Attribute, Text,
// End, TextElement), so one record layout written as a template over its
// output builds a DOM element or streams a file.
//
// An element holds either one text or child elements, never both: the
// records of this library never mix them, and a mixed element is saved by
// the DOM in another layout. Begin and TextElement raise _com_error
// (XML_E_INVALIDNAME) for a name the DOM's CreateElement refuses, Attribute
// for one CreateAttribute refuses; misuse (content after text, an attribute
// after content, End without Begin) raises std::logic_error.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/read_report.h"

namespace devseries {

class XmlStreamWriter {
 public:
  // Receives the text in pieces of about kPieceBytes, in order; returns
  // false when it cannot take one. The writer then discards everything that
  // follows, and Finish reports the failure.
  using Sink = std::function<bool(std::string_view piece)>;

  static constexpr size_t kPieceBytes = size_t{1} << 20;

  explicit XmlStreamWriter(Sink sink);
  XmlStreamWriter(const XmlStreamWriter&) = delete;
  XmlStreamWriter& operator=(const XmlStreamWriter&) = delete;

  // The XML declaration the DOM service writes first:
  // <?xml version="1.0" encoding="UTF-8"?>
  void Declaration();
  // Starts an element: the document's root, or a child of the element
  // still open.
  void Begin(std::string_view name);
  // Adds an attribute to the element just begun, before any content; each
  // name once.
  void Attribute(std::string_view name, std::string_view value);
  // The text of the element open, as its only content; an empty text adds
  // nothing.
  void Text(std::string_view text);
  // Ends the element open.
  void End();
  // Begin(name), Text(text), End().
  void TextElement(std::string_view name, std::string_view text);

  // Hands what is still held to the sink. True when every element was
  // ended and the sink took every piece.
  [[nodiscard]] bool Finish();

 private:
  struct Open {
    std::string name;
    bool startTagOpen = true;  // "<name attrs" written, not yet closed
    bool hasChildren = false;
    bool hasText = false;
  };

  // Makes the open element (if any) a parent: its start tag closed and its
  // line ended, before a child's line begins.
  void OpenChildLine();
  void Indent(size_t level);
  void AppendEscapedText(std::string_view text);
  void AppendEscapedAttribute(std::string_view value);
  void FlushIfFull() {
    if (buffer_.size() >= kPieceBytes) Flush();
  }
  void Flush();

  Sink sink_;
  bool failed_ = false;
  std::string buffer_;
  std::vector<Open> open_;  // entries beyond depth_ keep their capacity
  size_t depth_ = 0;
  std::string scratch_;
};

// Writes the document `emit` streams (its root element, after the
// declaration this function writes) to `path` through a
// platform::FileReplacement, with the component runtime initialised and the
// DOM service checked first, as for a DOM save. A regular file (or a new
// one) is opened when the first piece is ready and written piece by piece;
// a target written in place (a FIFO, a device) is opened and written only
// once the whole document is made. False on any failure, `emit` raising
// included, and the previous file at `path` is then left as it was. Once
// the runtime and the service are there, `emit` always runs to its end or
// to its exception, whatever the file system does, so what it changes on
// the way is what a DOM build would change. Never throws.
//
// With a `report`, it is reset, and a failure is recorded in it
// (RecordWriteFailure: ReadFailure::kCannotWrite, "cannot write PATH:
// REASON"): the text of the first file-system error met (looking at the
// path, opening, writing or putting the file in place), else what `emit`
// raised, or the missing runtime or DOM service.
[[nodiscard]] bool StreamDocumentFile(
    const std::string& path, const std::function<void(XmlStreamWriter&)>& emit,
    ReadReport* report = nullptr);

}  // namespace devseries
