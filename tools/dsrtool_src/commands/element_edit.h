// Changing the text of chosen elements of a record file in one streamed
// pass, every other byte copied as it is: comments, unknown elements, the
// layout and the XML declaration stay.
//
// The editor follows the file's markup with a scanner of its own (start and
// end tags, text, comments, CDATA sections, processing instructions), which
// keeps a frame only for the elements on the way to a value it changes and
// counts the others, so that it costs little beside the library's reader
// that reads the result. Which element the reader takes for a member is
// decided as the library's event reader decides it (field_model_events):
// positional members by their place among the child elements, the others
// by name, list entries by their place. Where that reader would hand the
// file to the DOM codecs (a comment or text among positional members, a
// processing instruction, a prefixed name, an element below a value) the
// editor refuses to change a value there, as it does for a member whose
// element appears twice, a file that is not UTF-8, and a document type
// declaration. What it cannot follow as markup it passes on unchanged and
// says so (malformed()); the reader then says where the file is wrong.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dsrtool_src/commands/member_paths.h"

namespace dsrtool {

// A value the editor changed.
struct MadeChange {
  size_t plan = 0;    // the index of its plan
  std::string path;   // concrete
  size_t offset = 0;  // of its element's start tag in the file
};

class ElementEditor {
 public:
  using Sink = std::function<bool(std::string_view piece)>;

  // Changes the values `plans` name in a file whose root element is
  // `root`'s. `plans` must outlive the editor.
  ElementEditor(const RecordShape& root, const std::vector<Plan>& plans);

  // Takes the next bytes of the file and hands `out` the edited file's
  // bytes decided so far, in order. False when `out` returned false. Once
  // the editor refused (refusal() says why) or met markup it cannot follow
  // (malformed()), it changes nothing more and hands the rest on as it is.
  bool Feed(std::string_view bytes, const Sink& out);
  // The file has ended: hands `out` the rest. False as for Feed.
  bool Finish(const Sink& out);

  // Why the editor refused to go on, and where: the offset in the file of
  // the markup it met. (Lines are not counted as the editor goes: the
  // caller finds the line of an offset when it has one to show.)
  const std::optional<std::pair<size_t, std::string>>& refusal() const {
    return refusal_;
  }
  // Markup the editor could not follow: it changed nothing past it.
  bool malformed() const { return malformed_; }
  const std::vector<MadeChange>& changes() const { return changes_; }
  // For a plan that changed nothing: the deepest element of its path the
  // file has ("DeviceSeries.aMediaInfoList").
  const std::string& Reached(size_t plan) const { return reached_[plan]; }

 private:
  struct Cursor {
    std::uint32_t plan = 0;
    std::uint32_t step = 0;  // the plan's next step, below this element
    std::string path;        // this element's, concrete
    std::vector<std::uint32_t> gates;
  };
  struct Pending {  // a selector an entry decides when it ends
    std::uint32_t gate;
    const PlanStep* step;
  };
  enum class Kind : std::uint8_t {
    kDocument,
    kRecord,
    kList,
    kLanguages,
    kValue
  };
  struct Frame {
    Kind kind = Kind::kDocument;
    const RecordShape* record = nullptr;  // kRecord
    const RowShape* row = nullptr;        // kList: the list's row
    std::string name;                     // the element's name
    std::string path;                     // for messages
    std::vector<Cursor> cursors;
    size_t children = 0;             // kRecord: positional read; kList: entries
    std::vector<std::uint8_t> seen;  // named rows or languages met
    std::vector<Pending> pendings;
    std::optional<std::string> indexText;
    std::optional<std::string> labelText;
    bool watchEnglish = false;  // kLanguages: the English text is a label
    // kValue: collect the text for the frame at `owner` (its index or its
    // label); and the candidate it changes (-1: none).
    int collect = 0;
    size_t owner = 0;
    long candidate = -1;
    std::string text;  // kValue: the text read, references resolved
  };
  struct Candidate {
    size_t start = 0;  // the bytes replaced, absolute
    size_t end = 0;
    bool open = true;  // its element has not ended yet
    std::string replacement;
    std::string name;  // its element's, for a self-closing one
    bool selfClosing = false;
    std::vector<std::uint32_t> gates;
    MadeChange change;
  };

  void Process(bool final);
  // Follows the tags of the elements passed over from `at`, up to where
  // the element they are in ends (skipped_ back to 0) or markup the tokens
  // take; returns where it stopped.
  const char* SkipTags(const char* at, const char* end);
  void Text(size_t from, size_t to, bool cdata);
  void StartElement(std::string_view name, size_t tagStart, size_t after,
                    bool selfClosing);
  void EndElement(size_t tagStart, size_t after);
  void Comment();
  void Instruction(std::string_view target, std::string_view data);
  void EndFrame(Frame& frame, size_t endTag);
  // Pushes a frame for the element starting now.
  Frame& Push(Kind kind, std::string_view name);
  void Compact();
  void Refuse(const std::string& why);
  void Irregular(const Frame& frame, const std::string& what);
  bool Pump(const Sink& out, bool final);
  bool Emit(std::string_view piece, const Sink& out);
  bool FlushOut(const Sink& out);
  void Reach(const Cursor& cursor);

  const RecordShape& root_;
  const std::vector<Plan>& plans_;
  std::vector<std::string> reached_;
  std::vector<std::uint32_t> reachedStep_;

  std::string buf_;
  size_t base_ = 0;     // the absolute position of buf_[0]
  size_t pos_ = 0;      // in buf_: the next token
  size_t resume_ = 0;   // in buf_: where the current token's search goes on
  char quote_ = 0;      // the quote the search is in, within a start tag
  size_t emitted_ = 0;  // absolute: bytes handed on
  bool started_ = false;
  bool rootSeen_ = false;

  std::vector<Frame> frames_;  // frames_[0..depth_) are open
  size_t depth_ = 0;
  size_t skipped_ = 0;  // open elements below the top frame, passed over

  std::vector<std::uint8_t> gates_;  // 0 open, 1 passes, 2 fails
  std::deque<Candidate> candidates_;
  long firstCandidate_ = 0;  // the number of candidates popped
  std::vector<MadeChange> changes_;
  std::string out_;  // small pieces gathered before they are handed on

  std::optional<std::pair<size_t, std::string>> refusal_;
  bool malformed_ = false;
  bool stopped_ = false;  // the sink wants no more
};

}  // namespace dsrtool
