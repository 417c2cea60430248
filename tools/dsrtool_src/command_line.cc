#include "tools/dsrtool_src/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <exception>
#include <iostream>
#include <memory>
#include <ostream>

#include "platform/debug_output.h"
#include "platform/dom.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/host_title.h"
#include "tools/dsrtool_src/memory_files.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

const OptionSpec kHostTitle = {
    "host-title", "TEXT",
    "behave as a host whose application title is TEXT; the title "
    "\"Vintrell Ostrivane Dual\" turns the version gate on"};

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> commands = {
      {"dump",
       {{"FILE", FileUse::kRead}},
       {{"compact", nullptr, "print the JSON on one line"}, kHostTitle},
       "print the records of a file as JSON",
       "Reads FILE, a device-series file or a standalone record file, with\n"
       "the library's readers and prints one JSON object whose single key is\n"
       "the root element's name and whose value holds every member of the\n"
       "record by its name. Byte strings are lower-case hex, floats numbers\n"
       "(\"NaN\", \"Infinity\" and \"-Infinity\" when not finite), language\n"
       "string sets arrays of 13 texts, fixed-size tables arrays of their\n"
       "full length.\n",
       RunDump},
      {"build",
       {{"JSON", FileUse::kRead}, {"OUT", FileUse::kWritten}},
       {kHostTitle},
       "write the file a JSON dump describes",
       "Reads JSON, in the form dump prints, and writes OUT with the "
       "library's\n"
       "writer of the kind the root key names. Absent keys keep the values a\n"
       "new record has; unknown keys, values of the wrong type or range and\n"
       "tables of the wrong length are errors, and nothing is written then.\n"
       "Nor is it when the library's reader would refuse the file written\n"
       "(over the 128 MiB it reads, say). A device series is written as\n"
       "format version 3.3.0.0.\n",
       RunBuild},
      {"roundtrip",
       {{"IN", FileUse::kRead}, {"OUT", FileUse::kWritten}},
       {kHostTitle},
       "read a file with the library and write it back",
       "Reads IN as dump does and writes its records to OUT with the\n"
       "library's writer of the same kind (DeviceSeriesIO2 for a device\n"
       "series, which writes format version 3.3.0.0), checked as build\n"
       "checks it.\n",
       RunRoundtrip},
      {"validate",
       {{"FILE", FileUse::kRead}},
       {{"schema", "XSD", "validate against XSD instead of the built-in schema",
         FileUse::kRead},
        {"strict", nullptr,
         "also report the values the reader coerces, and fail on them"},
        kHostTitle},
       "check a file against the schema and the library's reader",
       "Loads FILE validating it against the XML Schema of the format (the\n"
       "one built into the tool, from resources/device_series.xsd, or XSD),\n"
       "then reads it with the library's reader of its kind, as dump does.\n"
       "Prints \"FILE: valid\" when both accept it; otherwise prints each\n"
       "schema violation and the reader's refusal as \"FILE:LINE: message\"\n"
       "on standard error and exits with 1. With --strict the values the\n"
       "reader had to coerce (number text that is not a number, a saturated\n"
       "integer, a boolean other than true or false, an output table that is\n"
       "not Base64...) are printed as \"FILE:LINE: warning: message\" and "
       "make\n"
       "the file invalid too.\n",
       RunValidate},
      {"merge",
       {{"INSTALLED", FileUse::kReplaced}, {"NEW", FileUse::kRead}},
       {kHostTitle},
       "merge a new device-series file into an installed one",
       "The merge update of the library with the new file taken from NEW:\n"
       "media that exist only in INSTALLED are kept, the visibility of the\n"
       "others comes from INSTALLED, calibration lists are cut to their\n"
       "separation's channel count, and the result, marked with NEW's\n"
       "version, replaces INSTALLED. Both files must read as device series;\n"
       "INSTALLED is left as it was whenever the merge cannot complete.\n",
       RunMerge},
  };
  return commands;
}

const CommandSpec* FindCommand(const std::string& name) {
  for (const CommandSpec& command : Commands()) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

std::string Synopsis(const CommandSpec& command) {
  std::string text = std::string("dsrtool ") + command.name;
  for (const OptionSpec& option : command.options) {
    text += std::string(" [--") + option.name;
    if (option.value != nullptr) text += std::string(" ") + option.value;
    text += "]";
  }
  for (const OperandSpec& operand : command.operands) {
    text += std::string(" ") + operand.name;
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
      head += std::string(" ") + operand.name;
    }
    out << "  " << Column(head, 24, command.summary) << '\n';
  }
  out << "\n"
         "Every command takes --host-title TEXT and --help. A file operand\n"
         "\"-\" is standard input where the file is read and standard output\n"
         "where it is written.\n"
         "Errors are printed as \"FILE:LINE: message\". Exit codes: 0 "
         "success,\n"
         "1 invalid input or failed operation, 2 usage error.\n"
         "'dsrtool COMMAND --help' describes a command.\n";
}

void PrintCommandHelp(const CommandSpec& command, std::ostream& out) {
  out << "Usage: " << Synopsis(command) << "\n\n"
      << command.details << "\nOptions:\n";
  for (const OptionSpec& option : command.options) {
    std::string head = std::string("--") + option.name;
    if (option.value != nullptr) head += std::string(" ") + option.value;
    out << "  " << Column(head, 20, option.help) << '\n';
  }
  out << "  " << Column("--help", 20, "show this text") << '\n';
}

// The command line as CLI11 parses it: one subcommand per command of the
// table, whose values land in `values`.
class Parser {
 public:
  Parser() : app_("dsrtool") {
    app_.require_subcommand(1);
    for (const CommandSpec& command : Commands()) {
      CLI::App* sub = app_.add_subcommand(command.name, command.summary);
      Values& values = values_[command.name];
      values.operands.resize(command.operands.size());
      values.options.resize(command.options.size());
      for (size_t i = 0; i < command.options.size(); ++i) {
        const OptionSpec& option = command.options[i];
        const std::string name = std::string("--") + option.name;
        if (option.value == nullptr) {
          sub->add_flag(name, option.help)->disable_flag_override();
        } else {
          sub->add_option(name, values.options[i], option.help)
              ->type_name(option.value);
        }
      }
      for (size_t i = 0; i < command.operands.size(); ++i) {
        sub->add_option(command.operands[i].name, values.operands[i])
            ->required();
      }
    }
  }

  // Parses `arguments`; raises the CLI11 errors (help asked for included).
  void Parse(const std::vector<std::string>& arguments) {
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    app_.parse(reversed);
  }

  // The command named on the command line, once parsing got that far.
  const CommandSpec* Selected() const {
    const std::vector<CLI::App*> selected = app_.get_subcommands();
    return selected.empty() ? nullptr : FindCommand(selected[0]->get_name());
  }

  Arguments ArgumentsOf(const CommandSpec& command) {
    const CLI::App* sub = app_.get_subcommand(command.name);
    Values& values = values_[command.name];
    Arguments arguments;
    arguments.operands = values.operands;
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
    std::vector<std::string> operands;
    std::vector<std::string> options;
  };

  CLI::App app_;
  std::map<std::string, Values> values_;
};

// Gives the command the bytes of standard input where "-" names a file it
// reads: `held` serves them under kStandardInputName, which replaces the
// "-". Raises UsageError where "-" cannot be, ToolError when standard input
// cannot be read.
void OpenStandardInput(const CommandSpec& command, Arguments& arguments,
                       std::istream& in, std::unique_ptr<MemoryFiles>& held) {
  std::vector<std::string*> reads;
  const std::string prefix = std::string(command.name) + ": ";
  for (size_t i = 0; i < command.operands.size(); ++i) {
    std::string& value = arguments.operands[i];
    if (value != kStandardStream) continue;
    if (command.operands[i].use == FileUse::kReplaced) {
      throw UsageError(prefix + command.operands[i].name +
                       " cannot be \"-\": it is replaced where it is");
    }
    if (command.operands[i].use == FileUse::kRead) reads.push_back(&value);
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
  if (!held->AddStream(kStandardInputName, in, platform::kMaxDocumentBytes)) {
    throw ToolError(kStandardInputName, "cannot be read");
  }
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

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out,
                   std::ostream& err) {
  return RunCommandLine(args, std::cin, out, err);
}

int RunCommandLine(const std::vector<std::string>& args, std::istream& in,
                   std::ostream& out, std::ostream& err) {
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
  const CommandSpec& command = *parser.Selected();
  Arguments arguments = parser.ArgumentsOf(command);

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

}  // namespace dsrtool
