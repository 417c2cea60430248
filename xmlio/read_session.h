// The state of one read in progress, kept with the document it reads: the
// reader's trail (the last step of a child cursor), the positional members
// found out of place, and the report the read fills. The IO object or the
// standalone loader attaches a session for the read; the codecs reach it
// from any node (ReadSession::Of) and never see it otherwise.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/dom.h"
#include "xmlio/dom_types.h"
#include "xmlio/read_report.h"

#pragma GCC visibility push(default)
namespace devseries {

class ReadSession : public platform::DomReadObserver {
 public:
  // Attaches the session to `document` for its lifetime; the outcome of the
  // read goes to `report`. A session attached before is restored on
  // destruction, so an inner reader can take the document over for a while.
  ReadSession(DomDocument& document, ReadReport& report);
  ~ReadSession();
  ReadSession(const ReadSession&) = delete;
  ReadSession& operator=(const ReadSession&) = delete;

  // The session attached to the document of `node`, or null. The library
  // attaches no other kind of observer to the documents it reads.
  static ReadSession* Of(DomNode node) {
    return static_cast<ReadSession*>(node.ReadObserver());
  }

  // One step of a child cursor: `node` (null past the last child) was taken
  // from `parent` as the member whose element is named `expected` (empty:
  // any node). `expected` must outlive the read (a literal). A node that is
  // not the element `expected` is noted: it shifts the positional members
  // after it.
  void Step(DomNode parent, DomNode node, std::string_view expected) {
    last_ = {parent, node, expected};
    if (!expected.empty() && node && !node.IsElementNamed(expected)) {
      NoteMisplaced();
    }
  }

  // Appends a warning for `node` when the report collects warnings.
  void NoteCoercion(DomNode node, std::string_view what);

  // Records, in a handler of the exception that ended the read, where and
  // why the read failed (ReadFailure::kNotReadable): the innermost place
  // the trail reached, explained by a positional member found out of place
  // before it in the same record when there is one.
  void RecordCurrentException();
  // Records a failure at `node` (a null node: the file as a whole).
  void Fail(ReadFailure failure, DomNode node, std::string message);

  // The element path of `node` from the root ("DeviceSeries/aMediaInfoList/
  // MediaInfo[3]/strMediaName"): a position wherever an element has
  // siblings of its name; a node that is not an element stands for its
  // parent element. Empty for the document node or a null node.
  std::string PathOf(DomNode node);

 private:
  struct Place {
    DomNode parent;
    DomNode node;
    std::string_view expected;
  };

  void NoteMisplaced();
  // The 1-based position of `element` among its siblings of the same name,
  // 0 when it has none.
  int PositionOf(DomNode element, size_t depth);
  ReadDiagnostic Locate(DomNode node, std::string message);

  DomDocument& document_;
  ReadReport& report_;
  platform::DomReadObserver* previous_;
  Place last_;
  // Positional members found out of place in the records still being read,
  // outermost first: each one's parent holds the next one.
  std::vector<Place> misplaced_;
  // The last position computed at each depth, so the paths of warnings in
  // a long list cost one step per entry rather than a walk from its start.
  std::vector<std::pair<DomNode, int>> positions_;
};

// What `node` is, for a message saying what stood where an element was
// expected: "a comment", "the text \"12\"", "the element strFoo".
std::string DescribeNode(DomNode node);

// Fills `report` from a load that failed, for the file at `path`.
void RecordLoadFailure(const platform::DomParseError& error,
                       const std::string& path, ReadReport& report);

}  // namespace devseries
#pragma GCC visibility pop
