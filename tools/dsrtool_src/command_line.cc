#include "tools/dsrtool_src/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <exception>
#include <iostream>
#include <memory>
#include <ostream>
#include <set>

#include "devseries/platform/debug_output.h"
#include "devseries/platform/dom.h"
#include "devseries/platform/process.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/host_title.h"
#include "tools/dsrtool_src/memory_files.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

constexpr const char* kToolVersion = DSRTOOL_VERSION;

const OptionSpec kHostTitle = {
    "host-title", "TEXT",
    "behave as a host whose application title is TEXT; the title "
    "\"Vintrell Ostrivane Dual\" turns the version gate on"};

const OptionSpec kMaxSize = {
    "max-size", "SIZE",
    "refuse any file read that is over SIZE bytes (K, M, G: KiB, MiB, "
    "GiB); by default 1 GiB, and 128 MiB for a file loaded whole"};

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> commands = {
      {"dump",
       {{"FILE", FileUse::kRead, Arity::kOneOrMore}},
       {{"compact", nullptr, "print each JSON value on one line"},
        {"memory", nullptr,
         "show the whole record in memory (expanded output tables and the "
         "members no file stores); build refuses this form"},
        kMaxSize,
        kHostTitle},
       "print the records of files as JSON",
       "Reads each FILE, a device-series file or a standalone record file,\n"
       "with the library's readers and prints one JSON value per file: an\n"
       "object whose single key is the root element's name and whose value\n"
       "holds the record's members by their names, as the library keeps\n"
       "them after reading. Only what a file stores is shown: an output\n"
       "table as its 256 stored samples (\"usOutputTableSamples\") when its\n"
       "eType stores one, a language string set as an object keyed by the\n"
       "thirteen language names, byte strings as lower-case hex, floats as\n"
       "numbers (\"NaN\", \"Infinity\" and \"-Infinity\" when not finite).\n"
       "Several files give a stream of JSON values, one per file.\n",
       RunDump},
      {"build",
       {{"JSON", FileUse::kRead}, {"OUT", FileUse::kWritten}},
       {kMaxSize, kHostTitle},
       "write the file a JSON dump describes",
       "Reads JSON, in the form dump prints, and writes OUT with the "
       "library's\n"
       "writer of the kind the root key names. Absent keys keep the values a\n"
       "new record has (a missing language is an empty entry, which the\n"
       "writer fills with the English text); unknown keys, members the file\n"
       "does not store, values of the wrong type or range and tables of the\n"
       "wrong length are errors naming the JSON path, and nothing is written\n"
       "then. Nor is it when the library's reader would refuse the file\n"
       "written (over the 1 GiB it streams, or the 128 MiB of a record\n"
       "file, say). Values the file stores in another form (a float rounded\n"
       "to the digits the format keeps) are reported as warnings. The JSON\n"
       "of a device series is read record by record, never held as one\n"
       "tree. A device series is written as format version 3.3.0.0.\n",
       RunBuild},
      {"roundtrip",
       {{"IN", FileUse::kRead}, {"OUT", FileUse::kWritten}},
       {kMaxSize, kHostTitle},
       "read a file with the library and write it back",
       "Reads IN as dump does and writes its records to OUT with the\n"
       "library's writer of the same kind (DeviceSeriesIO2 for a device\n"
       "series, which writes format version 3.3.0.0), checked as build\n"
       "checks it.\n",
       RunRoundtrip},
      {"validate",
       {{"FILE", FileUse::kRead, Arity::kOneOrMore}},
       {{"schema", "XSD", "validate against XSD instead of the built-in schema",
         FileUse::kRead},
        {"strict", nullptr,
         "also report the values the reader coerces, and fail on any "
         "warning"},
        {"quiet", nullptr,
         "print nothing for a file that is valid (warnings and errors still "
         "go to standard error)"},
        kMaxSize,
        kHostTitle},
       "check files against the schema and the library's reader",
       "Validates each FILE against the XML Schema of the format (the one\n"
       "built into the tool, from resources/device_series.xsd, or XSD) as it\n"
       "parses it, holding no tree of it, and reads it with the library's\n"
       "reader of its kind, as dump does. Prints \"FILE: valid\" for each\n"
       "file both accept (nothing with --quiet); otherwise prints each schema\n"
       "violation and the reader's refusal as \"FILE:LINE: message\" on\n"
       "standard error, and exits with 1 when any file is invalid. Values the\n"
       "format tolerates but no printer means are printed as \"FILE:LINE:\n"
       "warning: PATH: message\" and leave the file valid: an index that\n"
       "names no record, a key that repeats within its list, a value outside\n"
       "the range or the named values the format gives (output levels 0 to\n"
       "4095), an expanded output curve that falls where its samples rise, a\n"
       "calibration density that falls as the step rises, a medium whose\n"
       "quality levels name no visible permission set. With --strict the\n"
       "values the reader had to coerce (number text that is not a number, a\n"
       "saturated integer, a boolean other than true or false, an output\n"
       "table that is not Base64...) are printed as warnings too, and any\n"
       "warning makes the file invalid.\n",
       RunValidate,
       true},
      {"list",
       {{"FILE", FileUse::kRead, Arity::kOneOrMore}},
       {{"json", nullptr, "print one JSON object per record instead"},
        kMaxSize,
        kHostTitle},
       "list the records of files, one line each",
       "Prints one line per record of each FILE: its kind, its position in\n"
       "its list, its index where it has one, its English name and a few key\n"
       "figures. When the last operand is a kind (model, ink, inkconfig,\n"
       "resolution, mode, separation, vcontrol, pattern, media, printchart,\n"
       "inkvolume), only records of that kind are listed; write ./media for\n"
       "a file of that name. An operand that names no file and is near a\n"
       "kind's name (\"medias\") is a usage error. With several files each\n"
       "line starts with the file's name. With --json each line is a JSON\n"
       "object with the same facts.\n",
       RunList},
      {"diff",
       {{"A", FileUse::kRead}, {"B", FileUse::kRead}},
       {{"stat", nullptr,
         "print, per kind of record, how many records changed (and how "
         "many of their values), were renamed, added or removed, instead of "
         "the lines"},
        {"tolerance", "N",
         "take numbers (table samples too) that differ by at most N as "
         "equal"},
        {"color", "WHEN",
         "colour the output: auto (only on a terminal, the default), always "
         "or never"},
        {"max-lines", "N",
         "print at most N lines of differences, 0 for all; by default 200 "
         "on a terminal and all otherwise"},
        kMaxSize,
        kHostTitle},
       "show how two files differ, record by record",
       "Reads A and B as dump does and prints one line per difference: the\n"
       "JSON path in A's form (0-based), the value in A and the value in B.\n"
       "Media are matched by their names in the first ten languages, as the\n"
       "merge matches them; records with an index member (inks, ink\n"
       "configurations, resolutions, modes, separations, VControl points, FM\n"
       "patterns, print-chart file sets, ink volumes, permission sets) by\n"
       "that index; the others (models, quality levels, calibration entries,\n"
       "separation tables, the command set) by position. Records with the\n"
       "same key are matched in order and reported. A medium no name matches\n"
       "that stands where such a medium of the other file stands, with at\n"
       "least 80% of its other values equal, is shown as renamed (\"PATH:\n"
       "renamed \"OLD\" -> \"NEW\"\"), then its other differences.\n"
       "--tolerance N takes numbers that differ by at most N as equal, but\n"
       "not enumerations, packed values, indexes and references to other\n"
       "records, which stay exact. On a terminal the lines are coloured (what\n"
       "only A has red, what only B has green, changed values red and green)\n"
       "and stop after 200, with a line that counts the rest; a pipe or a\n"
       "file gets every line, uncoloured, unless --max-lines or --color says\n"
       "otherwise. The two files are compared as the library holds them in\n"
       "memory. Exit codes: 0 the same, 1 different, 2 a usage error or a\n"
       "file that cannot be read.\n",
       RunDiff},
      {"merge",
       {{"INSTALLED", FileUse::kReplaced}, {"NEW", FileUse::kRead}},
       {{"dry-run", nullptr,
         "show what the merge would do and write nothing at all"},
        kMaxSize,
        kHostTitle},
       "merge a new device-series file into an installed one",
       "The merge update of the library with the new file taken from NEW:\n"
       "media that exist only in INSTALLED are kept, the visibility of the\n"
       "others comes from INSTALLED, calibration lists are cut to their\n"
       "separation's channel count, and the result, marked with NEW's\n"
       "version, replaces INSTALLED. Both files must read as device series;\n"
       "INSTALLED is left as it was whenever the merge cannot complete.\n"
       "Prints a summary: the media carried over with their visibility, the\n"
       "media appended, the calibration lists cut, the version before and\n"
       "after. With --dry-run the same summary is printed and no file is\n"
       "written, moved or removed.\n",
       RunMerge,
       true},
      {"get",
       {{"FILE", FileUse::kRead}, {"PATH", FileUse::kNone, Arity::kOneOrMore}},
       {{"json", nullptr, "print each value as JSON"}, kMaxSize, kHostTitle},
       "print values of a file by their paths in dump's JSON",
       "Reads FILE as dump does and prints the value each PATH names, one\n"
       "line each, as dump's JSON shows it: a path such as\n"
       "DeviceSeries.aMediaInfoList[3].nDryTime (the root's name may be left\n"
       "out), \"[*]\" for every entry of a list, and \"[KEY=VALUE]\" for the\n"
       "entries whose index member (aInkInfoList[nInkIndex=3]) or English\n"
       "name (aMediaInfoList[name=Glossy photo paper]) is VALUE. Texts are\n"
       "printed bare (their line breaks too), records and lists as JSON on\n"
       "one line; with --json every value is JSON. A path that names several\n"
       "values prints each after its path (\"PATH: value\"), or with --json\n"
       "one object keyed by the paths. A path that names nothing is an\n"
       "error saying where it stopped, and the exit code is then 1.\n",
       RunGet},
      {"set",
       {{"FILE", FileUse::kRead},
        {"PATH=VALUE", FileUse::kNone, Arity::kOneOrMore}},
       {{"output", "OUT",
         "write the result to OUT (\"-\": standard output) and leave FILE "
         "as it is",
         FileUse::kWritten, 'o'},
        kMaxSize,
        kHostTitle},
       "change values of a file in place, every other byte kept",
       "Changes the values the paths name (as get takes them) to VALUE and\n"
       "replaces FILE, or writes OUT, with the file where only the text of\n"
       "their elements differs: comments, unknown elements, the layout and\n"
       "the XML declaration stay as they were. Each value is checked first\n"
       "against its member: its type (an integer, a number, true or false,\n"
       "a text, hex digits for a byte string), the range of its type, and\n"
       "the range and named values the format gives; a language of a\n"
       "language set is named by its key (strMediaName.German). A list, a\n"
       "record or an output table cannot be set, nor a member the file\n"
       "holds no element for. The value is written as the library's writers\n"
       "write it (a number with three decimals) and a value the file then\n"
       "holds in another form is reported as a warning. The file is edited\n"
       "in one streamed pass and read back with the library's reader before\n"
       "it replaces anything, atomically; when the reader would refuse it,\n"
       "or read another value than the one set, nothing is written.\n",
       RunSet},
      {"curves",
       {{"FILE", FileUse::kRead}},
       {{"separation", "N", "only the separation whose nSeparationIndex is N"},
        {"csv", nullptr,
         "print every input level (0 to 4095) as comma-separated values"},
        kMaxSize,
        kHostTitle},
       "print the output curves of a device series's separations",
       "Reads FILE, a device series or a separation file, and prints the\n"
       "output curve of each channel whose table the file stores: the output\n"
       "level for input levels 0 to 4095, as the library expands the 256\n"
       "stored samples. Without --csv a table of every 256th input level;\n"
       "with --csv one row per input level, the input level first and one\n"
       "column per channel, named \"SEPARATION:CHANNEL\".\n",
       RunCurves},
      {"report",
       {{"A", FileUse::kRead}, {"B", FileUse::kRead, Arity::kOptional}},
       {{"output", "HTML", "write the page to HTML (\"-\": standard output)",
         FileUse::kWritten, 'o', true},
        kMaxSize,
        kHostTitle},
       "write an HTML page with charts of a device series, or comparing two",
       "Reads A, a device series, and writes one self-contained HTML page\n"
       "(no network, no script): the file's format version, size and SHA-256,\n"
       "tables of every list of records with each member's label, unit and\n"
       "meaning, and SVG charts of each separation's output curves (each\n"
       "channel in its ink's colour), of each medium's calibration densities\n"
       "and Lab values per permission set, and of the VControl points. Every\n"
       "medium and separation has a section of its own that opens and\n"
       "closes, listed in an index at the top; printed, every section shows.\n"
       "With B, a second device series, the page compares A with B: records\n"
       "are paired as diff pairs them, every value that differs is marked,\n"
       "records only one file holds are marked so, each separation's curves\n"
       "of both files are overlaid and each permission set's calibration is\n"
       "shown side by side.\n",
       RunReport,
       true},
      {"json-schema",
       {},
       {},
       "print the JSON Schema of the form dump prints",
       "Prints the JSON Schema (draft 2020-12) that every value dump prints\n"
       "(without --memory) and build reads conforms to, made from the same\n"
       "field models as dump and build, with each member's description,\n"
       "unit, named values, packed layout and range where the format gives\n"
       "them (as \"description\" and the annotations \"x-unit\", \"x-names\",\n"
       "\"x-layout\", \"x-refersTo\" and \"x-range\").\n",
       RunJsonSchema},
  };
  return commands;
}

const CommandSpec* FindCommand(const std::string& name) {
  for (const CommandSpec& command : Commands()) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

// "FILE", "[FILE]" or "FILE..." as the operand takes values.
std::string OperandUsage(const OperandSpec& operand) {
  switch (operand.arity) {
    case Arity::kOptional:
      return std::string("[") + operand.name + "]";
    case Arity::kOneOrMore:
      return std::string(operand.name) + "...";
    case Arity::kOne:
      break;
  }
  return operand.name;
}

// "--output HTML" or "-o, --output HTML".
std::string OptionUsage(const OptionSpec& option) {
  std::string text = std::string("--") + option.name;
  if (option.shortName != 0) {
    text = std::string("-") + option.shortName + ", " + text;
  }
  if (option.value != nullptr) text += std::string(" ") + option.value;
  return text;
}

std::string Synopsis(const CommandSpec& command) {
  std::string text = std::string("dsrtool ") + command.name;
  for (const OptionSpec& option : command.options) {
    std::string usage = std::string("--") + option.name;
    if (option.value != nullptr) usage += std::string(" ") + option.value;
    text += option.required ? " " + usage : " [" + usage + "]";
  }
  for (const OperandSpec& operand : command.operands) {
    text += " " + OperandUsage(operand);
  }
  return text;
}

// `head` followed by blanks up to `width` (at least one), then `text`.
std::string Column(const std::string& head, size_t width,
                   const std::string& text) {
  return head +
         std::string(head.size() < width ? width - head.size() : 1, ' ') + text;
}

void PrintToolHelp(std::ostream& out) {
  out << "Usage: dsrtool COMMAND [OPTIONS] OPERANDS...\n"
         "\n"
         "Looks inside, converts, checks and merges device-series files\n"
         "(\".dsr\") and standalone record files.\n"
         "\n"
         "Commands:\n";
  for (const CommandSpec& command : Commands()) {
    std::string head = command.name;
    for (const OperandSpec& operand : command.operands) {
      head += " " + OperandUsage(operand);
    }
    out << "  " << Column(head, 24, command.summary) << '\n';
  }
  out << "\n"
         "'dsrtool --version' prints the version. Every command but\n"
         "json-schema takes --max-size SIZE and --host-title TEXT, and all\n"
         "take --help. A file operand \"-\" is standard input where the file\n"
         "is read and standard output where it is written.\n"
         "Errors are printed as \"FILE:LINE: message\". Exit codes: 0 "
         "success,\n"
         "1 invalid input or failed operation, 2 usage error.\n"
         "'dsrtool COMMAND --help' describes a command.\n";
}

void PrintCommandHelp(const CommandSpec& command, std::ostream& out) {
  out << "Usage: " << Synopsis(command) << "\n\n"
      << command.details << "\nOptions:\n";
  for (const OptionSpec& option : command.options) {
    out << "  " << Column(OptionUsage(option), 20, option.help) << '\n';
  }
  out << "  " << Column("--help", 20, "show this text") << '\n';
}

// The command line as CLI11 parses it: one subcommand per command of the
// table, whose values land in `values`.
class Parser {
 public:
  Parser() : app_("dsrtool") {
    // Options are "--name" and "-x" on every system: a Windows path such as
    // "/data/series.dsr" is an operand, not a "/d" option (subcommands
    // inherit this).
    app_.allow_windows_style_options(false);
    app_.require_subcommand(0, 1);
    app_.add_flag("--version", version_, "print the version");
    for (const CommandSpec& command : Commands()) {
      CLI::App* sub = app_.add_subcommand(command.name, command.summary);
      Values& values = values_[command.name];
      values.operands.resize(command.operands.size());
      values.options.resize(command.options.size());
      for (size_t i = 0; i < command.options.size(); ++i) {
        const OptionSpec& option = command.options[i];
        std::string names = std::string("--") + option.name;
        if (option.shortName != 0) {
          names = std::string("-") + option.shortName + "," + names;
        }
        CLI::Option* added =
            option.value == nullptr
                ? sub->add_flag(names, option.help)->disable_flag_override()
                : sub->add_option(names, values.options[i], option.help)
                      ->type_name(option.value);
        if (option.required) added->required();
      }
      values.single.resize(command.operands.size());
      for (size_t i = 0; i < command.operands.size(); ++i) {
        const OperandSpec& operand = command.operands[i];
        if (operand.arity == Arity::kOneOrMore) {
          sub->add_option(operand.name, values.operands[i])->required();
        } else {
          CLI::Option* added = sub->add_option(operand.name, values.single[i]);
          if (operand.arity == Arity::kOne) added->required();
        }
      }
    }
  }

  // Parses `arguments`; raises the CLI11 errors (help asked for included).
  void Parse(const std::vector<std::string>& arguments) {
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    app_.parse(reversed);
  }

  bool VersionAsked() const { return version_; }

  // The command named on the command line, once parsing got that far.
  const CommandSpec* Selected() const {
    const std::vector<CLI::App*> selected = app_.get_subcommands();
    return selected.empty() ? nullptr : FindCommand(selected[0]->get_name());
  }

  Arguments ArgumentsOf(const CommandSpec& command) {
    const CLI::App* sub = app_.get_subcommand(command.name);
    Values& values = values_[command.name];
    Arguments arguments;
    for (size_t i = 0; i < command.operands.size(); ++i) {
      if (command.operands[i].arity == Arity::kOneOrMore) {
        const std::vector<std::string>& given = values.operands[i];
        arguments.operands.insert(arguments.operands.end(), given.begin(),
                                  given.end());
      } else if (sub->get_option(command.operands[i].name)->count() > 0) {
        arguments.operands.push_back(values.single[i]);
      }
    }
    for (size_t i = 0; i < command.options.size(); ++i) {
      const OptionSpec& option = command.options[i];
      if (sub->get_option(std::string("--") + option.name)->count() > 0) {
        arguments.options[option.name] = values.options[i];
      }
    }
    return arguments;
  }

 private:
  struct Values {
    // Per operand: the value of a single one, the values of a repeated one.
    std::vector<std::string> single;
    std::vector<std::vector<std::string>> operands;
    std::vector<std::string> options;
  };

  CLI::App app_;
  bool version_ = false;
  std::map<std::string, Values> values_;
};

// Serves `in` as the file `name` through `held`: streamed in pieces when
// it is read once, so it takes the memory a file takes; held whole, up to
// `limit`, when it is read twice (`hold`; the bytes then stay in memory
// rather than in a temporary file, within the limit every read of the
// command has, and `in` is read to its end here).
void ServeInput(const std::string& name, std::istream& in, size_t limit,
                bool hold, MemoryFiles& held) {
  if (!hold) {
    held.AddStreamed(name, in);
    return;
  }
  if (!held.AddStream(name, in, limit)) throw ToolError(name, "cannot be read");
  platform::FileInfo info;
  if (held.Stat(name, &info) == platform::FileError::kNone &&
      info.size > limit) {
    throw ToolError(name, WithSizeRefusalHint("is over the " +
                                              LimitText(limit) + " limit"));
  }
}

// Opens once each file the command reads that is not a regular file (a
// FIFO, what process substitution gives, a device): looking at its root
// element and then reading it would otherwise open it twice, and the
// second open finds a pipe already drained.
void OpenPipes(const CommandSpec& command, const Arguments& arguments,
               std::unique_ptr<MemoryFiles>& held) {
  std::vector<const std::string*> reads;
  for (size_t i = 0; i < arguments.operands.size(); ++i) {
    const OperandSpec& operand =
        command.operands[std::min(i, command.operands.size() - 1)];
    if (operand.use == FileUse::kRead) reads.push_back(&arguments.operands[i]);
  }
  for (const OptionSpec& option : command.options) {
    auto found = arguments.options.find(option.name);
    if (option.use == FileUse::kRead && found != arguments.options.end()) {
      reads.push_back(&found->second);
    }
  }
  std::set<std::string> opened;
  for (const std::string* path : reads) {
    if (*path == kStandardInputName || !opened.insert(*path).second) continue;
    platform::FileInfo info;
    if (platform::FileSystem::Current()->Stat(*path, &info) !=
            platform::FileError::kNone ||
        info.kind != platform::FileKind::kOther) {
      continue;
    }
    // Opened once, through the file seam, and read from that descriptor.
    platform::FileSystem& fs = *platform::FileSystem::Current();
    platform::FileSystem::Handle handle = -1;
    platform::FileError error =
        fs.OpenForReading(*path, platform::ReadOptions(), &handle, &info);
    if (error != platform::FileError::kNone) {
      throw ToolError(*path, platform::FileErrorText(error));
    }
    if (!held) held = std::make_unique<MemoryFiles>();
    // A pipe named twice is read twice, so it is held.
    const auto named = std::count_if(
        reads.begin(), reads.end(),
        [&](const std::string* other) { return *other == *path; });
    if (!command.readsTwice && named == 1) {
      held->AddOpenFile(*path, handle);
      continue;
    }
    const size_t limit = arguments.sizeLimit.Streamed();
    std::string bytes;
    error = platform::ReadOpenFileInPieces(fs, handle, limit,
                                           [&](std::string_view piece) {
                                             bytes.append(piece);
                                             return true;
                                           });
    fs.Close(handle);
    if (error == platform::FileError::kTooLarge) {
      throw ToolError(*path, WithSizeRefusalHint("is over the " +
                                                 LimitText(limit) + " limit"));
    }
    if (error != platform::FileError::kNone) {
      throw ToolError(*path, platform::FileErrorText(error));
    }
    held->Add(*path, std::move(bytes));
  }
}

// Gives the command the bytes of standard input where "-" names a file it
// reads: `held` serves them under kStandardInputName, which replaces the
// "-". Raises UsageError where "-" cannot be, ToolError when standard input
// cannot be read.
void OpenStandardInput(const CommandSpec& command, Arguments& arguments,
                       std::istream& in, std::unique_ptr<MemoryFiles>& held) {
  std::vector<std::string*> reads;
  const std::string prefix = std::string(command.name) + ": ";
  for (size_t i = 0; i < arguments.operands.size(); ++i) {
    std::string& value = arguments.operands[i];
    if (value != kStandardStream) continue;
    // Values past the last operand belong to a repeated last operand.
    const OperandSpec& operand =
        command.operands[std::min(i, command.operands.size() - 1)];
    if (operand.use == FileUse::kReplaced) {
      throw UsageError(prefix + operand.name +
                       " cannot be \"-\": it is replaced where it is");
    }
    if (operand.use == FileUse::kRead) reads.push_back(&value);
  }
  for (const OptionSpec& option : command.options) {
    auto found = arguments.options.find(option.name);
    if (option.use == FileUse::kRead && found != arguments.options.end() &&
        found->second == kStandardStream) {
      reads.push_back(&found->second);
    }
  }
  if (reads.empty()) return;
  if (reads.size() > 1) {
    throw UsageError(prefix + "standard input (\"-\") can be read only once");
  }
  held = std::make_unique<MemoryFiles>();
  ServeInput(kStandardInputName, in, arguments.sizeLimit.Streamed(),
             command.readsTwice, *held);
  *reads.front() = kStandardInputName;
}

int UsageFailure(const std::string& message, const CommandSpec* command,
                 std::ostream& err) {
  err << "dsrtool: " << OneLine(message) << "\n"
      << "Try 'dsrtool "
      << (command != nullptr ? std::string(command->name) + " " : "")
      << "--help'.\n";
  return kExitUsage;
}

}  // namespace

std::optional<std::string> Arguments::Get(const std::string& option) const {
  auto found = options.find(option);
  if (found == options.end()) return std::nullopt;
  return found->second;
}

namespace {

int Run(const std::vector<std::string>& args, std::istream& in,
        std::ostream& out, std::ostream& err, bool outputIsTerminal);

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out,
                   std::ostream& err) {
  return Run(args, std::cin, out, err, platform::StandardOutputIsTerminal());
}

int RunCommandLine(const std::vector<std::string>& args, std::istream& in,
                   std::ostream& out, std::ostream& err) {
  return Run(args, in, out, err, false);
}

namespace {

int Run(const std::vector<std::string>& args, std::istream& in,
        std::ostream& out, std::ostream& err, bool outputIsTerminal) {
  if (args.empty()) return UsageFailure("no command given", nullptr, err);
  if (!args[0].starts_with("-") && FindCommand(args[0]) == nullptr) {
    return UsageFailure("unknown command \"" + args[0] + "\"", nullptr, err);
  }
  Parser parser;
  try {
    parser.Parse(args);
  } catch (const CLI::CallForHelp&) {
    if (const CommandSpec* command = parser.Selected()) {
      PrintCommandHelp(*command, out);
    } else {
      PrintToolHelp(out);
    }
    out.flush();
    return out ? kExitSuccess : kExitFailure;
  } catch (const CLI::ParseError& error) {
    // CLI11's own codes (100 and more) are all usage errors here.
    const CommandSpec* command = parser.Selected();
    return UsageFailure(
        (command != nullptr ? std::string(command->name) + ": " : "") +
            error.what(),
        command, err);
  }
  if (parser.VersionAsked()) {
    out << "dsrtool " << kToolVersion << '\n';
    out.flush();
    return out ? kExitSuccess : kExitFailure;
  }
  if (parser.Selected() == nullptr) {
    return UsageFailure("no command given", nullptr, err);
  }
  const CommandSpec& command = *parser.Selected();
  Arguments arguments = parser.ArgumentsOf(command);
  arguments.outputIsTerminal = outputIsTerminal;
  if (std::optional<std::string> size = arguments.Get("max-size")) {
    std::optional<size_t> bytes = ParseSize(*size);
    if (!bytes) {
      return UsageFailure(
          std::string(command.name) +
              ": --max-size wants a number of bytes, or of "
              "KiB, MiB or GiB with K, M or G (\"2G\"), not \"" +
              *size + "\"",
          &command, err);
    }
    arguments.sizeLimit.given = *bytes;
  }

  std::optional<ScopedHostTitle> host;
  if (std::optional<std::string> title = arguments.Get("host-title")) {
    host.emplace(*title);
  }
  // The library's debug output is not the tool's: a command reports what
  // went wrong in its own messages.
  platform::ScopedDebugCapture debugOutput;
  try {
    std::unique_ptr<MemoryFiles> standardInput;
    OpenStandardInput(command, arguments, in, standardInput);
    OpenPipes(command, arguments, standardInput);
    return command.run(arguments, out, err);
  } catch (const UsageError& error) {
    return UsageFailure(error.what(), &command, err);
  } catch (const ToolError& error) {
    err << error.what() << '\n';
  } catch (const std::exception& error) {
    err << "dsrtool: " << command.name << ": " << OneLine(error.what()) << '\n';
  } catch (...) {
    err << "dsrtool: " << command.name << ": unexpected failure\n";
  }
  return kExitFailure;
}

}  // namespace

}  // namespace dsrtool
