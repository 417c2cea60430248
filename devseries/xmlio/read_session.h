// The state of one read in progress, kept with the document it reads: the
// reader's trail (the last step of a child cursor), the positional members
// found out of place, and the report the read fills. The IO object or the
// standalone loader attaches a session for the read; the codecs reach it
// from any node (ReadSession::Of) and never see it otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "devseries/platform/dom.h"
#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/read_report.h"

#pragma GCC visibility push(default)
namespace devseries {

// Ends a read whose document has grown past the session's memory bound;
// the session has already recorded the refusal.
class DocumentBoundExceeded : public std::exception {
 public:
  const char* what() const noexcept override {
    return "the document is over its memory bound";
  }
};

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

  // Bounds the memory of the read: the document's nodes (charged by the
  // DOM as a load makes them) and the records charged here count against
  // the document's memory bound, which this sets (DomDocument::
  // SetMemoryBound; 0: the document's default, eight times its size
  // limit).
  void SetMemoryBound(std::uint64_t bytes) { document_.SetMemoryBound(bytes); }
  // Charges what a reader builds from `node` that takes `bytes` in memory.
  // Past the bound, records the refusal at `node` and raises
  // DocumentBoundExceeded.
  void Charge(DomNode node, std::uint64_t bytes) {
    if (!document_.ChargeMemory(bytes)) Refuse(node);
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

  // For a read that runs while the document is being parsed (a streamed
  // read): an element whose parent is still open may get siblings after
  // it, so where a path needs to know whether such an element has later
  // siblings of its name, it holds a mark that ResolvePendingPositions
  // replaces once the parse is over.
  void SetStreamed(bool streamed) { streamed_ = streamed; }
  // The elements whose end tags have not been parsed yet, outermost first
  // (those below them that the read sees are complete); null for none.
  void SetOpenElements(DomNode root, DomNode child) { open_ = {root, child}; }
  // Replaces the marks in the report's paths and messages by the positions
  // the finished document gives.
  void ResolvePendingPositions();
  // Lets go of every reference to the nodes below `element`, whose
  // children are about to be discarded.
  void Forget(DomNode element);

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
  [[noreturn]] void Refuse(DomNode node);
  // The 1-based position of `element` among its siblings of the same name,
  // 0 when it has none, kPending when a streamed read cannot tell yet.
  int PositionOf(DomNode element, size_t depth);
  static constexpr int kPending = -1;
  bool IsOpenParent(DomNode parent) const;
  // The mark standing for the position of `element` in a path.
  std::string PendingMark(DomNode element);
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
  bool streamed_ = false;
  std::array<DomNode, 2> open_;
  // The elements whose marks stand in the report, by mark number.
  std::vector<DomNode> pending_;
};

// What `node` is, for a message saying what stood where an element was
// expected: "a comment", "the text \"12\"", "the element strFoo".
std::string DescribeNode(DomNode node);

// Fills `report` from a load that failed, for the file at `path`.
void RecordLoadFailure(const platform::DomParseError& error,
                       const std::string& path, ReadReport& report);

}  // namespace devseries
#pragma GCC visibility pop
