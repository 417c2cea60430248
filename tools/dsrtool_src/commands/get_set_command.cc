// get and set: single values of a file by their paths in dump's JSON.
//
// get reads the file with the library's reader, as dump does, and prints
// the values the paths name. set changes the text of the elements that hold
// the values in one streamed pass (ElementEditor), every other byte as it
// was; the edited bytes go at once to the library's reader, which reads them
// back as build reads back what it writes, and to the replacement of the
// target, which is put in place only once the reader took the whole file
// and holds the values set.
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "devseries/platform/dom.h"
#include "devseries/platform/file_system.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/commands/element_edit.h"
#include "tools/dsrtool_src/commands/member_paths.h"
#include "tools/dsrtool_src/memory_files.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

MemberPath ParsePathOperand(const char* command, std::string_view text) {
  try {
    return ParseMemberPath(text);
  } catch (const PathError& error) {
    throw UsageError(std::string(command) + ": " + error.what());
  }
}

// Serves, under the name of the file being edited, the file as the edit
// makes it, to the library's reader: each read runs the edit afresh over
// the file, and hands `write` the edited bytes past those it was handed by
// an earlier read (the reader first looks at the root element only).
//
// A regular file is edited on a thread of its own, a few pieces ahead of
// the reader, so that the edit costs little more time than the reading; the
// pieces are written to the target and handed to the reader on the
// reader's thread, which alone shows progress. Anything else (a pipe,
// standard input) is edited piece by piece as the reader asks, so that a
// look at its root element reads no more of it than the first piece.
class EditedFile : public platform::FileSystemWrapper {
 public:
  using Writer = std::function<bool(std::string_view piece)>;

  EditedFile(std::string name, size_t inputLimit, const RecordShape& root,
             const std::vector<Plan>& plans, Writer write)
      : FileSystemWrapper(platform::FileSystem::Current()),
        name_(std::move(name)),
        inputLimit_(inputLimit),
        root_(root),
        plans_(plans),
        write_(std::move(write)) {
    platform::FileInfo info;
    ahead_ = target()->Stat(name_, &info) == platform::FileError::kNone &&
             info.kind == platform::FileKind::kRegular;
  }

  // The editor of the last read, and whether that read went to the end.
  const ElementEditor* editor() const { return editor_.get(); }
  bool complete() const { return complete_; }
  bool writeFailed() const { return writeFailed_; }

  // What the file is (Stat and the others) is the unedited file's: the
  // reader reads a regular file again where it must, anything else once.
  platform::FileError ReadFile(const std::string& path, size_t maxBytes,
                               std::string* contents) override {
    if (path != name_) return target()->ReadFile(path, maxBytes, contents);
    contents->clear();
    return ReadFileInPieces(path, maxBytes, [&](std::string_view piece) {
      contents->append(piece);
      return true;
    });
  }
  platform::FileError ReadFileInPieces(const std::string& path, size_t maxBytes,
                                       const ChunkSink& sink) override {
    if (path != name_) return target()->ReadFileInPieces(path, maxBytes, sink);
    editor_ = std::make_unique<ElementEditor>(root_, plans_);
    complete_ = false;
    size_t made = 0;
    bool tooLarge = false;
    const ElementEditor::Sink deliver = [&](std::string_view piece) {
      if (made + piece.size() > written_) {
        const size_t done = written_ > made ? written_ - made : 0;
        if (!write_(piece.substr(done))) {
          writeFailed_ = true;
          return false;
        }
        written_ = made + piece.size();
      }
      made += piece.size();
      if (made > maxBytes) {
        tooLarge = true;
        return false;
      }
      return sink(piece);
    };
    const platform::FileError error =
        ahead_ ? EditAhead(deliver) : EditAsAsked(deliver);
    return tooLarge ? platform::FileError::kTooLarge : error;
  }

 private:
  platform::FileError EditAsAsked(const ElementEditor::Sink& deliver) {
    bool goOn = true;
    const platform::FileError error = target()->ReadFileInPieces(
        name_, inputLimit_, [&](std::string_view piece) {
          goOn = editor_->Feed(piece, deliver);
          return goOn;
        });
    if (error == platform::FileError::kNone && goOn) {
      complete_ = editor_->Finish(deliver);
    }
    return error;
  }

  platform::FileError EditAhead(const ElementEditor::Sink& deliver) {
    // The edited pieces the editor's thread has made and the reader not yet
    // taken, up to kAhead bytes.
    constexpr size_t kAhead = size_t{4} << 20;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::string> pieces;
    size_t queued = 0;
    bool made = false, stop = false, finished = false;
    platform::FileError error = platform::FileError::kNone;
    const ElementEditor::Sink queue = [&](std::string_view piece) {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return stop || queued < kAhead; });
      if (stop) return false;
      pieces.emplace_back(piece);
      queued += piece.size();
      changed.notify_all();
      return true;
    };
    std::thread editing([&] {
      platform::FileError read = platform::FileError::kNone;
      bool whole = false;
      try {
        bool goOn = true;
        read = target()->ReadFileInPieces(name_, inputLimit_,
                                          [&](std::string_view piece) {
                                            goOn = editor_->Feed(piece, queue);
                                            return goOn;
                                          });
        whole = read == platform::FileError::kNone && goOn &&
                editor_->Finish(queue);
      } catch (const std::bad_alloc&) {
        read = platform::FileError::kNoMemory;
      } catch (...) {
        read = platform::FileError::kOther;
      }
      std::lock_guard<std::mutex> lock(mutex);
      error = read;
      finished = whole;
      made = true;
      changed.notify_all();
    });
    bool taken = true;
    for (;;) {
      std::string piece;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return made || !pieces.empty(); });
        if (pieces.empty()) break;
        piece = std::move(pieces.front());
        pieces.pop_front();
        queued -= piece.size();
        changed.notify_all();
      }
      if (!deliver(piece)) {
        taken = false;
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
        changed.notify_all();
        break;
      }
    }
    editing.join();
    complete_ = finished && taken;
    return error;
  }

  const std::string name_;
  const size_t inputLimit_;
  const RecordShape& root_;
  const std::vector<Plan>& plans_;
  const Writer write_;
  bool ahead_ = false;
  std::unique_ptr<ElementEditor> editor_;
  size_t written_ = 0;
  bool complete_ = false;
  bool writeFailed_ = false;
  platform::ScopedFileSystem installed_{this};
};

// The shape of the records of the file at `path`, from its root element,
// read up to the end of that element's start tag.
const RecordShape& RootShapeOf(const std::string& path, size_t limit) {
  platform::DomDocument document;
  document.SetSizeLimit(limit);
  if (!document.LoadUpToRootElement(path)) {
    throw LoadFailureError(path, document.parseError());
  }
  for (DomNode node : document.AsNode().Children()) {
    if (node.GetNodeType() != platform::NODE_ELEMENT) continue;
    if (const RecordShape* shape = RecordShapeForRoot(node.GetNodeName())) {
      return *shape;
    }
    throw ToolError(path, node.GetLine(),
                    "the root element \"" + node.GetNodeName() +
                        "\" is not one of " + RootNameList());
  }
  throw ToolError(path, "the file has no root element");
}

// The line of the file at `path` that the byte at `offset` is on; 0 when
// the file cannot be read again (a pipe).
int LineOf(const std::string& path, size_t offset, size_t limit) {
  int line = 1;
  size_t at = 0;
  const platform::FileError error =
      platform::FileSystem::Current()->ReadFileInPieces(
          path, limit, [&](std::string_view piece) {
            const size_t take = std::min(piece.size(), offset - at);
            line += static_cast<int>(
                std::count(piece.begin(), piece.begin() + take, '\n'));
            at += take;
            return at < offset;
          });
  return error == platform::FileError::kNone && at == offset ? line : 0;
}

}  // namespace

int RunGet(const Arguments& arguments, std::ostream& out, std::ostream& err) {
  const std::string& file = arguments.operands[0];
  std::vector<MemberPath> paths;
  for (size_t i = 1; i < arguments.operands.size(); ++i) {
    paths.push_back(ParsePathOperand("get", arguments.operands[i]));
  }
  const bool json = arguments.Has("json");
  const AnyRecord record = ReadRecordFile(file, arguments.sizeLimit);
  bool allFound = true;
  for (const MemberPath& path : paths) {
    std::vector<FoundValue> found;
    try {
      found = FindValues(record, path);
    } catch (const PathError& error) {
      err << Located(file, 0, path.text + ": no such member: " + error.what())
          << '\n';
      allFound = false;
      continue;
    }
    if (found.size() == 1) {
      out << (json ? JsonText(*found[0].shape, found[0].value)
                   : PlainText(*found[0].shape, found[0].value))
          << '\n';
    } else if (json) {
      // Several values: one object keyed by their concrete paths.
      JsonEmitter emitter(out, false);
      emitter.BeginObject();
      for (const FoundValue& value : found) {
        emitter.Key(value.path);
        value.shape->emit(emitter, value.value);
      }
      emitter.EndObject();
      out << '\n';
    } else {
      for (const FoundValue& value : found) {
        out << value.path << ": " << PlainText(*value.shape, value.value)
            << '\n';
      }
    }
  }
  Flush(out);
  return allFound ? kExitSuccess : kExitFailure;
}

int RunSet(const Arguments& arguments, std::ostream& out, std::ostream& err) {
  const std::string& file = arguments.operands[0];
  const std::optional<std::string> output = arguments.Get("output");
  if (file == kStandardInputName && !output) {
    throw UsageError(
        "set: standard input (\"-\") cannot be replaced; give -o OUT");
  }
  struct Assignment {
    MemberPath path;
    std::string value;
  };
  std::vector<Assignment> assignments;
  for (size_t i = 1; i < arguments.operands.size(); ++i) {
    const std::string& operand = arguments.operands[i];
    const size_t split = AssignmentSplit(operand);
    if (split == std::string::npos) {
      throw UsageError("set: expected PATH=VALUE, not \"" + operand + "\"");
    }
    assignments.push_back({ParsePathOperand("set", operand.substr(0, split)),
                           operand.substr(split + 1)});
  }

  platform::FileSystem& fs = *platform::FileSystem::Current();
  if (fs.IsDirectory(file)) throw ToolError(file, "is a folder, not a file");
  platform::FileInfo info;
  if (!output && fs.Stat(file, &info) == platform::FileError::kNone &&
      info.kind != platform::FileKind::kRegular) {
    throw ToolError(file,
                    "is not a regular file and cannot be replaced where it "
                    "is; give -o OUT");
  }
  const std::string target = output.value_or(file);
  const bool toOut = target == kStandardStream;
  if (!toOut) CheckOutputPath(target);

  // Every path and value is checked before anything is written.
  const size_t limit = arguments.sizeLimit.Streamed();
  const RecordShape& root = RootShapeOf(file, limit);
  std::vector<Plan> plans;
  for (const Assignment& assignment : assignments) {
    try {
      plans.push_back(PlanAssignment(root, assignment.path, assignment.value));
    } catch (const PathError& error) {
      throw ToolError(file, assignment.path.text + ": " + error.what());
    }
  }

  // The edited bytes go to the replacement as they are made, except where
  // they cannot be taken back (standard output, a target written in
  // place): those are held until the reader took them.
  platform::FileReplacement replacement;
  if (!toOut) {
    const platform::FileError error = replacement.Open(fs, target);
    if (error != platform::FileError::kNone) {
      throw ToolError(target, platform::FileErrorText(error));
    }
  }
  const bool hold = toOut || replacement.writesInPlace();
  std::string held;
  AnyRecord record;
  std::optional<ToolError> refused;
  std::optional<std::pair<size_t, std::string>> editorRefusal;
  bool followed = false;
  bool writeFailed = false;
  std::vector<MadeChange> changes;
  std::vector<std::string> reached;
  {
    EditedFile edited(file, limit, root, plans, [&](std::string_view piece) {
      if (hold) {
        held.append(piece);
        return true;
      }
      return replacement.Write(piece) == platform::FileError::kNone;
    });
    try {
      record = ReadRecordFile(file, SizeLimit());
    } catch (const ToolError& error) {
      refused = error;
    }
    writeFailed = edited.writeFailed();
    if (const ElementEditor* editor = edited.editor()) {
      editorRefusal = editor->refusal();
      followed = !editor->malformed() && edited.complete();
      changes = editor->changes();
      for (size_t plan = 0; plan < plans.size(); ++plan) {
        reached.push_back(editor->Reached(plan));
      }
    }
  }
  // The file is read as it is again only for the line of a message.
  if (writeFailed) {
    throw ToolError(target, platform::FileErrorText(replacement.error()));
  }
  if (refused) {
    const std::string where =
        refused->line() > 0 ? " (line " + std::to_string(refused->line()) + ")"
                            : std::string();
    throw ToolError(file,
                    "not written: the library's reader would refuse the "
                    "file" +
                        where + ": " + refused->problem());
  }
  if (editorRefusal) {
    throw ToolError(file, LineOf(file, editorRefusal->first, limit),
                    "nothing written: " + editorRefusal->second);
  }
  if (!followed) {
    throw ToolError(file,
                    "not written: set cannot follow the file's markup, "
                    "though the library's reader takes it");
  }
  bool allChanged = true;
  for (size_t plan = 0; plan < plans.size(); ++plan) {
    if (std::any_of(changes.begin(), changes.end(),
                    [&](const MadeChange& c) { return c.plan == plan; })) {
      continue;
    }
    err << Located(file, 0,
                   plans[plan].given +
                       ": no such member: the file has no element for it in " +
                       reached[plan])
        << '\n';
    allChanged = false;
  }
  if (!allChanged) return kExitFailure;
  // The values as the reader took them from the edited file.
  for (const MadeChange& change : changes) {
    const std::string& expected = plans[change.plan].value.readBack;
    std::string found = "nothing";
    try {
      const std::vector<FoundValue> values =
          FindValues(record, ParseMemberPath(change.path));
      found = JsonText(*values[0].shape, values[0].value);
    } catch (const PathError&) {
    }
    if (found != expected) {
      throw ToolError(file, LineOf(file, change.offset, limit),
                      "not written: after the change the library's reader "
                      "reads " +
                          change.path + " as " + found + ", not " + expected);
    }
  }
  record = AnyRecord();

  platform::FileError error = platform::FileError::kNone;
  if (toOut) {
    out.write(held.data(), static_cast<std::streamsize>(held.size()));
    Flush(out);
  } else {
    if (hold) error = replacement.Write(held);
    if (error == platform::FileError::kNone) error = replacement.Commit();
  }
  if (error != platform::FileError::kNone) {
    throw ToolError(target, platform::FileErrorText(error));
  }
  for (const Plan& plan : plans) {
    if (plan.value.warning.empty()) continue;
    err << Located(file, 0,
                   "warning: " + plan.given + ": " + plan.value.warning)
        << '\n';
  }
  return kExitSuccess;
}

}  // namespace dsrtool
