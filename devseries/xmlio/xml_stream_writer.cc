#include "devseries/xmlio/xml_stream_writer.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "devseries/platform/file_system.h"
#include "devseries/xmlio/common_io.h"

namespace devseries {

namespace {

// The DOM service indents by two blanks per level, up to 30 levels; deeper
// elements stand at the 30th.
constexpr size_t kIndentBlanks = 2;
constexpr size_t kMaxIndentLevels = 30;

// The entity the DOM writes for a byte of element text, or null for a byte
// written as it is.
const char* TextEntity(char c) {
  switch (c) {
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '&':
      return "&amp;";
    case '\r':
      return "&#13;";
    default:
      return nullptr;
  }
}

// As TextEntity, for a byte of an attribute value in double quotes: the
// quote, tab and line feed are written as entities too.
const char* AttributeEntity(char c) {
  switch (c) {
    case '"':
      return "&quot;";
    case '\t':
      return "&#9;";
    case '\n':
      return "&#10;";
    default:
      return TextEntity(c);
  }
}

// Appends `text` to `out` with each byte `entity` names replaced.
template <const char* (*entity)(char)>
void AppendEscaped(std::string& out, std::string_view text) {
  const char* run = text.data();
  const char* const end = run + text.size();
  for (const char* p = run; p != end; ++p) {
    const char* replacement = entity(*p);
    if (replacement == nullptr) continue;
    out.append(run, static_cast<size_t>(p - run));
    out.append(replacement);
    run = p + 1;
  }
  out.append(run, static_cast<size_t>(end - run));
}

[[noreturn]] void Misuse(const char* what) {
  throw std::logic_error(std::string("XmlStreamWriter: ") + what);
}

void CheckName(std::string_view name, const char* kind) {
  if (!platform::IsValidXmlName(name)) {
    throw _com_error(
        platform::XML_E_INVALIDNAME,
        std::string("invalid ") + kind + " name \"" + std::string(name) + "\"");
  }
}

}  // namespace

XmlStreamWriter::XmlStreamWriter(Sink sink) : sink_(std::move(sink)) {
  // Room for a full piece and the element that crosses its end.
  buffer_.reserve(kPieceBytes + kPieceBytes / 8);
}

void XmlStreamWriter::Declaration() {
  buffer_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
}

void XmlStreamWriter::Begin(std::string_view name) {
  CheckName(name, "element");
  OpenChildLine();
  Indent(depth_);
  buffer_ += '<';
  buffer_.append(name);
  if (depth_ == open_.size()) open_.emplace_back();
  Open& element = open_[depth_++];
  element.name.assign(name);
  element.startTagOpen = true;
  element.hasChildren = false;
  element.hasText = false;
}

void XmlStreamWriter::Attribute(std::string_view name, std::string_view value) {
  if (depth_ == 0) Misuse("an attribute outside an element");
  const Open& element = open_[depth_ - 1];
  if (!element.startTagOpen) Misuse("an attribute after content");
  CheckName(name, "attribute");
  buffer_ += ' ';
  buffer_.append(name);
  buffer_ += "=\"";
  AppendEscaped<AttributeEntity>(buffer_,
                                 platform::XmlSafeText(value, scratch_));
  buffer_ += '"';
}

void XmlStreamWriter::Text(std::string_view text) {
  if (depth_ == 0) Misuse("text outside an element");
  // The DOM holds no node for an empty text.
  if (text.empty()) return;
  Open& element = open_[depth_ - 1];
  if (element.hasChildren || element.hasText) {
    Misuse("text beside other content");
  }
  buffer_ += '>';
  element.startTagOpen = false;
  element.hasText = true;
  AppendEscaped<TextEntity>(buffer_, platform::XmlSafeText(text, scratch_));
}

void XmlStreamWriter::End() {
  if (depth_ == 0) Misuse("End without Begin");
  const Open& element = open_[depth_ - 1];
  if (element.startTagOpen) {
    buffer_ += "/>\n";
  } else {
    // Text stays on the start tag's line; children end on lines of their
    // own, so the end tag stands indented on a line of its own.
    if (!element.hasText) Indent(depth_ - 1);
    buffer_ += "</";
    buffer_.append(element.name);
    buffer_ += ">\n";
  }
  --depth_;
  FlushIfFull();
}

void XmlStreamWriter::TextElement(std::string_view name,
                                  std::string_view text) {
  CheckName(name, "element");
  OpenChildLine();
  Indent(depth_);
  buffer_ += '<';
  buffer_.append(name);
  if (text.empty()) {
    buffer_ += "/>\n";
  } else {
    buffer_ += '>';
    AppendEscaped<TextEntity>(buffer_, platform::XmlSafeText(text, scratch_));
    buffer_ += "</";
    buffer_.append(name);
    buffer_ += ">\n";
  }
  FlushIfFull();
}

bool XmlStreamWriter::Finish() {
  Flush();
  return !failed_ && depth_ == 0;
}

void XmlStreamWriter::OpenChildLine() {
  if (depth_ == 0) return;
  Open& parent = open_[depth_ - 1];
  if (parent.hasText) Misuse("a child element beside text");
  if (parent.startTagOpen) {
    buffer_ += ">\n";
    parent.startTagOpen = false;
  }
  parent.hasChildren = true;
}

void XmlStreamWriter::Indent(size_t level) {
  buffer_.append(kIndentBlanks * std::min(level, kMaxIndentLevels), ' ');
}

void XmlStreamWriter::Flush() {
  if (buffer_.empty()) return;
  if (!failed_ && !sink_(buffer_)) failed_ = true;
  buffer_.clear();
}

namespace {

// Records in `report` (when given) that the write of `path` failed with
// `error`; never throws.
void RecordFileFailure(const std::string& path, platform::FileError error,
                       ReadReport* report) {
  if (report == nullptr) return;
  try {
    RecordWriteFailure(path, platform::FileErrorText(error), *report);
  } catch (...) {
    RecordWriteFailure(path, "out of memory", *report);
  }
}

}  // namespace

bool StreamDocumentFile(const std::string& path,
                        const std::function<void(XmlStreamWriter&)>& emit,
                        ReadReport* report) {
  if (report != nullptr) report->Reset();
  ScopedComInit com;
  if (!com.ok() || !IsMsxmlRegistered()) {
    if (report != nullptr) {
      RecordWriteFailure(path, WriteServiceFailureReason(com.ok()), *report);
    }
    return false;
  }
  // The first error of the file system, for the report.
  platform::FileError fileError = platform::FileError::kNone;
  auto note = [&](platform::FileError error) {
    if (fileError == platform::FileError::kNone) fileError = error;
  };
  auto failed = [&](platform::FileError error) {
    note(error);
    RecordFileFailure(path, fileError, report);
    return false;
  };
  try {
    platform::FileSystem& fs = *platform::FileSystem::Current();
    // A target that exists and is not a regular file (a FIFO, a device) is
    // written in place and cannot take back what it was given: it is
    // opened and written only once the whole document is made, as a DOM
    // save would. A path that cannot be looked at fails as its save would.
    platform::FileInfo info;
    const platform::FileError found = fs.Stat(path, &info);
    const bool unusable = found != platform::FileError::kNone &&
                          found != platform::FileError::kNotFound;
    const bool whole = found == platform::FileError::kNone &&
                       info.kind != platform::FileKind::kRegular;
    // Aborted by its destructor unless committed: nothing is left behind.
    platform::FileReplacement out;
    bool opened = false;
    std::string held;
    XmlStreamWriter writer([&](std::string_view piece) {
      if (unusable) {
        note(found);
        return false;
      }
      if (whole) {
        held.append(piece);
        return true;
      }
      // Opened with the first piece, so a document that fails early never
      // touches the file system.
      if (!opened) {
        const platform::FileError error = out.Open(fs, path);
        if (error != platform::FileError::kNone) {
          note(error);
          return false;
        }
        opened = true;
      }
      const platform::FileError error = out.Write(piece);
      note(error);
      return error == platform::FileError::kNone;
    });
    writer.Declaration();
    emit(writer);
    if (!writer.Finish()) {
      if (fileError != platform::FileError::kNone) return failed(fileError);
      // `emit` left an element open.
      if (report != nullptr) {
        RecordWriteFailure(path, "the document's root element is not ended",
                           *report);
      }
      return false;
    }
    if (whole) {
      platform::FileError error = out.Open(fs, path);
      if (error == platform::FileError::kNone) error = out.Write(held);
      if (error != platform::FileError::kNone) return failed(error);
    }
    const platform::FileError committed = out.Commit();
    if (committed != platform::FileError::kNone) return failed(committed);
    return true;
  } catch (...) {
    // The file system's error came first when there was one; `emit` went
    // on to its end or its exception all the same.
    if (fileError != platform::FileError::kNone) {
      RecordFileFailure(path, fileError, report);
    } else if (report != nullptr) {
      RecordWriteFailure(path, CurrentWriteExceptionReason(path), *report);
    }
    return false;
  }
}

}  // namespace devseries
