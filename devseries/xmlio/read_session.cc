#include "devseries/xmlio/read_session.h"

#include <charconv>
#include <cstdint>
#include <exception>
#include <iterator>
#include <new>

#include "devseries/platform/com_codes.h"
#include "devseries/xmlio/number_text.h"

namespace devseries {

std::string DescribeNode(DomNode node) {
  switch (node.GetNodeType()) {
    case platform::NODE_ELEMENT:
      return "the element " + node.GetNodeName();
    case platform::NODE_COMMENT:
      return "a comment";
    case platform::NODE_PROCESSING_INSTRUCTION:
      return "a processing instruction";
    case platform::NODE_TEXT:
    case platform::NODE_CDATA_SECTION: {
      // The start of the text is enough to find it.
      constexpr size_t kShown = 20;
      std::string scratch;
      const std::string_view text = node.TextView(scratch);
      return "the text \"" + std::string(text.substr(0, kShown)) +
             (text.size() > kShown ? "...\"" : "\"");
    }
    default:
      return "a node of type " + FormatInt(node.GetNodeType());
  }
}

namespace {

bool IsElement(DomNode node) {
  return node && node.GetNodeType() == platform::NODE_ELEMENT;
}

// True when `node` is `ancestor` or lies below it.
bool IsWithin(DomNode node, DomNode ancestor) {
  for (; node; node = node.GetParentNode()) {
    if (node == ancestor) return true;
  }
  return false;
}

size_t CountChildren(DomNode node) {
  const DomNode::ChildRange children = node.Children();
  return static_cast<size_t>(std::distance(children.begin(), children.end()));
}

// "12.3 MiB" with one decimal, rounded down.
std::string Mebibytes(std::uint64_t bytes) {
  constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
  return FormatInt(static_cast<std::int64_t>(bytes / kMiB)) + "." +
         FormatInt(static_cast<std::int64_t>(bytes % kMiB * 10 / kMiB)) +
         " MiB";
}

// "128 MiB", "1 GiB", or the exact bytes of a limit that is not whole
// mebibytes.
std::string SizeText(std::uint64_t bytes) {
  constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
  constexpr std::uint64_t kGiB = kMiB << 10;
  if (bytes % kGiB == 0) {
    return FormatInt(static_cast<std::int64_t>(bytes / kGiB)) + " GiB";
  }
  if (bytes % kMiB == 0) {
    return FormatInt(static_cast<std::int64_t>(bytes / kMiB)) + " MiB";
  }
  return FormatInt(static_cast<std::int64_t>(bytes)) + " bytes";
}

// What was found where the positional member `expected` was read from.
std::string Misplaced(std::string_view expected, DomNode node) {
  if (IsElement(node)) {
    return "expected the element " + std::string(expected) + ", found " +
           DescribeNode(node);
  }
  return "expected an element (" + std::string(expected) + "), found " +
         DescribeNode(node);
}

// `reason` without the "path: " the file seam puts in front of it.
std::string WithoutPath(const std::string& reason, const std::string& path) {
  const std::string prefix = path + ": ";
  if (reason.compare(0, prefix.size(), prefix) == 0) {
    return reason.substr(prefix.size());
  }
  return reason;
}

}  // namespace

ReadSession::ReadSession(DomDocument& document, ReadReport& report)
    : document_(document),
      report_(report),
      previous_(document.SetReadObserver(this)) {}

ReadSession::~ReadSession() { document_.SetReadObserver(previous_); }

void ReadSession::NoteMisplaced() {
  const Place& place = last_;
  // Records read to their end no longer matter: keep only the places whose
  // record holds this one.
  while (!misplaced_.empty() &&
         !IsWithin(place.parent, misplaced_.back().parent)) {
    misplaced_.pop_back();
  }
  misplaced_.push_back(place);
  if (report_.collectWarnings) {
    NoteCoercion(place.node,
                 Misplaced(place.expected, place.node) + "; read by position");
  }
}

void ReadSession::NoteCoercion(DomNode node, std::string_view what) {
  if (!report_.collectWarnings) return;
  if (report_.warnings.size() >= ReadReport::kMaxWarnings) {
    ++report_.warningsLeftOut;
    return;
  }
  try {
    report_.warnings.push_back(Locate(node, std::string(what)));
  } catch (...) {
    // A warning that cannot be kept is dropped; the read goes on.
  }
}

void ReadSession::Refuse(DomNode node) {
  Fail(ReadFailure::kRefused, node,
       "the document read so far takes more than " +
           SizeText(document_.MemoryBound()) +
           " in memory, its bound; the read stops here");
  throw DocumentBoundExceeded();
}

void ReadSession::RecordCurrentException() {
  bool missing = false;
  std::string what;
  try {
    throw;
  } catch (const DocumentBoundExceeded&) {
    return;  // recorded where the bound was passed
  } catch (const _com_error& error) {
    // A null node used as a node: the member the trail was after is absent.
    missing = error.Error() == platform::E_POINTER;
    what = error.Description().empty() ? error.ErrorMessage()
                                       : error.Description();
  } catch (const std::bad_alloc&) {
    what = "out of memory";
  } catch (const std::exception& error) {
    what = error.what();
  } catch (int code) {
    what = "error code " + FormatInt(code);
  } catch (...) {
    what = "an unknown error";
  }

  try {
    DomNode place;
    std::string message;
    if (missing && !last_.node) {
      // The cursor ran past the last child of its parent.
      place = last_.parent;
      if (place && !IsElement(place)) {
        message = "expected an element, found " + DescribeNode(place);
      } else if (!last_.expected.empty()) {
        message = std::string(last_.expected) + " is missing";
      } else {
        message = "a child node is missing";
      }
    } else if (missing) {
      // Something below the node the trail reached was absent.
      place = last_.node;
      if (!IsElement(place)) {
        message = "expected an element, found " + DescribeNode(place);
      } else {
        message = "too few child nodes (it has " +
                  FormatInt(static_cast<std::int64_t>(CountChildren(place))) +
                  ")";
      }
    } else {
      place = last_.node ? last_.node : last_.parent;
      message = "cannot be read: " + what;
    }

    // A positional member out of place earlier in the same record shifted
    // every member after it: that is the cause of a missing one, shown
    // first.
    while (place && !misplaced_.empty() &&
           !IsWithin(place, misplaced_.back().parent)) {
      misplaced_.pop_back();
    }
    if (place && !misplaced_.empty() && !missing) {
      // A value that cannot be read is named where it is; the shift is
      // told beside it.
      const Place& cause = misplaced_.front();
      message += "; " + Misplaced(cause.expected, cause.node) + " at line " +
                 FormatInt(cause.node.GetLine()) +
                 ", and the members after it are read one place out";
    } else if (place && !misplaced_.empty()) {
      const Place& cause = misplaced_.front();
      std::string explained = Misplaced(cause.expected, cause.node);
      if (!(place == cause.node)) {
        ReadDiagnostic inner = Locate(place, message);
        explained +=
            "; the members after it are read one place out, and "
            "the read failed at " +
            inner.elementPath + " (line " + FormatInt(inner.line) +
            "): " + inner.message;
      }
      Fail(ReadFailure::kNotReadable, cause.node, std::move(explained));
      return;
    }
    Fail(ReadFailure::kNotReadable, place, std::move(message));
  } catch (...) {
    report_.failure = ReadFailure::kNotReadable;
    report_.error = ReadDiagnostic();
    report_.error.message = "the file cannot be read: " + what;
  }
}

void ReadSession::Fail(ReadFailure failure, DomNode node, std::string message) {
  report_.failure = failure;
  report_.error = Locate(node, std::move(message));
}

ReadDiagnostic ReadSession::Locate(DomNode node, std::string message) {
  ReadDiagnostic diagnostic;
  diagnostic.elementPath = PathOf(node);
  diagnostic.line = node ? node.GetLine() : 0;
  diagnostic.message = std::move(message);
  return diagnostic;
}

std::string ReadSession::PathOf(DomNode node) {
  std::vector<DomNode> elements;
  for (; node; node = node.GetParentNode()) {
    if (IsElement(node)) elements.push_back(node);
  }
  std::string path;
  size_t depth = 0;
  for (auto it = elements.rbegin(); it != elements.rend(); ++it, ++depth) {
    if (!path.empty()) path += '/';
    path += it->NodeName();
    if (int position = PositionOf(*it, depth); position > 0) {
      path += '[' + FormatInt(position) + ']';
    } else if (position == kPending) {
      path += PendingMark(*it);
    }
  }
  return path;
}

int ReadSession::PositionOf(DomNode element, size_t depth) {
  if (positions_.size() <= depth) positions_.resize(depth + 1);
  std::pair<DomNode, int>& cached = positions_[depth];
  if (cached.first == element) return cached.second;

  const std::string_view name = element.NodeName();
  int before = 0;
  for (DomNode sibling = element.GetPreviousSibling(); sibling;
       sibling = sibling.GetPreviousSibling()) {
    if (!sibling.IsElementNamed(name)) continue;
    if (sibling == cached.first && cached.second > 0) {
      // The position of an earlier entry of the same list is known.
      before += cached.second;
      break;
    }
    ++before;
  }
  int position = before + 1;
  // In a streamed read an open parent may get more children after it.
  if (before == 0 && streamed_ && IsOpenParent(element.GetParentNode())) {
    position = kPending;
  } else if (before == 0) {
    position = 0;
    for (DomNode sibling = element.GetNextSibling(); sibling;
         sibling = sibling.GetNextSibling()) {
      if (sibling.IsElementNamed(name)) {
        position = 1;
        break;
      }
    }
  }
  cached = {element, position};
  return position;
}

namespace {

// Marks are "\x01<number>\x02": no element name or message holds those
// bytes (the reader's texts are valid XML characters).
constexpr char kMarkStart = '\x01';
constexpr char kMarkEnd = '\x02';

// How many elements stand above `element` (0 for the root element).
size_t ElementDepth(DomNode element) {
  size_t depth = 0;
  for (DomNode up = element.GetParentNode(); up && IsElement(up);
       up = up.GetParentNode()) {
    ++depth;
  }
  return depth;
}

}  // namespace

bool ReadSession::IsOpenParent(DomNode parent) const {
  return parent && (parent == open_[0] || parent == open_[1]);
}

std::string ReadSession::PendingMark(DomNode element) {
  size_t number = pending_.size();
  // Warnings of one record name the same few elements over and over.
  constexpr size_t kRecent = 8;
  for (size_t i = pending_.size(); i > 0 && pending_.size() - i < kRecent;
       --i) {
    if (pending_[i - 1] == element) {
      number = i - 1;
      break;
    }
  }
  if (number == pending_.size()) pending_.push_back(element);
  return kMarkStart + FormatInt(static_cast<std::int64_t>(number)) + kMarkEnd;
}

void ReadSession::ResolvePendingPositions() {
  if (pending_.empty()) return;
  streamed_ = false;
  positions_.clear();
  std::vector<std::string> marks(pending_.size());
  for (size_t i = 0; i < pending_.size(); ++i) {
    const int position = PositionOf(pending_[i], ElementDepth(pending_[i]));
    if (position > 0) marks[i] = '[' + FormatInt(position) + ']';
  }
  auto resolve = [&](std::string& text) {
    size_t at = text.find(kMarkStart);
    if (at == std::string::npos) return;
    std::string out(text, 0, at);
    while (at != std::string::npos) {
      const size_t end = text.find(kMarkEnd, at);
      if (end == std::string::npos) {
        out.append(text, at);
        break;
      }
      size_t number = marks.size();
      std::from_chars(text.data() + at + 1, text.data() + end, number);
      if (number < marks.size()) out += marks[number];
      const size_t next = text.find(kMarkStart, end);
      out.append(text, end + 1,
                 (next == std::string::npos ? text.size() : next) - end - 1);
      at = next;
    }
    text = std::move(out);
  };
  for (ReadDiagnostic& warning : report_.warnings) {
    resolve(warning.elementPath);
    resolve(warning.message);
  }
  resolve(report_.error.elementPath);
  resolve(report_.error.message);
  pending_.clear();
}

void ReadSession::Forget(DomNode element) {
  const size_t depth = ElementDepth(element);
  if (positions_.size() > depth + 1) positions_.resize(depth + 1);
  // Places whose parent is the element or below it name nodes about to go.
  while (!misplaced_.empty() && IsWithin(misplaced_.back().parent, element)) {
    misplaced_.pop_back();
  }
  if (last_.parent && IsWithin(last_.parent, element)) last_ = Place();
}

void RecordLoadFailure(const platform::DomParseError& error,
                       const std::string& path, ReadReport& report) {
  using platform::DomLoadFailure;
  report.error = ReadDiagnostic();
  report.error.line = error.line;
  switch (error.failure) {
    case DomLoadFailure::kRefused:
      report.failure = ReadFailure::kRefused;
      if (error.errorCode == platform::XML_E_FILEIO) {
        // The only read error that is a refusal: the size limit.
        const std::uint64_t limit = error.limitBytes;
        report.error.line = 0;
        report.error.message =
            (error.fileBytes > 0
                 ? "the file is " + Mebibytes(error.fileBytes) + " (" +
                       FormatInt(static_cast<std::int64_t>(error.fileBytes)) +
                       " bytes), over the "
                 : std::string("the file is over the ")) +
            SizeText(limit) + " limit";
      } else {
        report.error.message = error.reason;
      }
      return;
    case DomLoadFailure::kNotWellFormed:
      report.failure = ReadFailure::kNotWellFormed;
      report.error.message = "not well-formed XML: " + error.reason;
      return;
    case DomLoadFailure::kSchemaInvalid:
      report.failure = ReadFailure::kNotReadable;
      report.error.message = "does not match the schema: " + error.reason;
      return;
    case DomLoadFailure::kCannotRead:
      report.failure = ReadFailure::kCannotRead;
      report.error.line = 0;
      report.error.message =
          "cannot be read: " + WithoutPath(error.reason, path);
      return;
    case DomLoadFailure::kOutOfMemory:
      // Nothing is wrong with the file: it cannot be read now.
      report.failure = ReadFailure::kCannotRead;
      report.error.line = 0;
      report.error.message = "cannot be read: out of memory";
      return;
    case DomLoadFailure::kNone:
      break;
  }
  // The load ended without saying why (the DOM could not be made).
  report.failure = ReadFailure::kCannotRead;
  report.error.line = 0;
  report.error.message = "cannot be loaded";
}

}  // namespace devseries
