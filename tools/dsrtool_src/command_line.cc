#include "tools/dsrtool_src/command_line.h"

#include <exception>
#include <ostream>

#include "platform/debug_output.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/host_title.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

namespace {

const OptionSpec kHostTitle = {
    "host-title", "TEXT",
    "behave as a host whose application title is TEXT; the title "
    "\"Vintrell Ostrivane Dual\" turns the version gate on"};

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> commands = {
      {"dump",
       {"FILE"},
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
       {"JSON", "OUT"},
       {kHostTitle},
       "write the file a JSON dump describes",
       "Reads JSON, in the form dump prints, and writes OUT with the "
       "library's\n"
       "writer of the kind the root key names. Absent keys keep the values a\n"
       "new record has; unknown keys, values of the wrong type or range and\n"
       "tables of the wrong length are errors, and nothing is written then.\n"
       "A device series is written as format version 3.3.0.0.\n",
       RunBuild},
      {"roundtrip",
       {"IN", "OUT"},
       {kHostTitle},
       "read a file with the library and write it back",
       "Reads IN as dump does and writes its records to OUT with the\n"
       "library's writer of the same kind (DeviceSeriesIO2 for a device\n"
       "series, which writes format version 3.3.0.0).\n",
       RunRoundtrip},
      {"validate",
       {"FILE"},
       {{"schema", "XSD",
         "validate against XSD instead of the built-in schema"},
        kHostTitle},
       "check a file against the XML Schema of the format",
       "Loads FILE validating it against the XML Schema of the format (the\n"
       "one built into the tool, from resources/device_series.xsd, or XSD).\n"
       "Prints \"FILE: valid\", or each violation with its line number on\n"
       "standard error and exits with 1.\n",
       RunValidate},
      {"merge",
       {"INSTALLED", "NEW"},
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

const OptionSpec* FindOption(const CommandSpec& command,
                             const std::string& name) {
  for (const OptionSpec& option : command.options) {
    if (name == option.name) return &option;
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
  for (const char* operand : command.operands) {
    text += std::string(" ") + operand;
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
    for (const char* operand : command.operands) {
      head += std::string(" ") + operand;
    }
    out << "  " << Column(head, 24, command.summary) << '\n';
  }
  out << "\n"
         "Every command takes --host-title TEXT and --help.\n"
         "Exit codes: 0 success, 1 invalid input or failed operation, 2 usage\n"
         "error. 'dsrtool COMMAND --help' describes a command.\n";
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

// The parsed command line: the command and its arguments, or a request for
// help (the tool's own when no command is named).
struct CommandLine {
  const CommandSpec* command = nullptr;
  bool help = false;
  Arguments arguments;
};

CommandLine Parse(const std::vector<std::string>& args) {
  CommandLine line;
  if (args.empty()) throw UsageError("no command given");
  if (args[0] == "--help" || args[0] == "-h") {
    line.help = true;
    return line;
  }
  line.command = FindCommand(args[0]);
  if (line.command == nullptr) {
    throw UsageError("unknown command \"" + args[0] + "\"");
  }
  const CommandSpec& command = *line.command;
  const std::string prefix = std::string(command.name) + ": ";
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // A lone "-" is an operand, as is everything after "--".
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      line.arguments.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      line.help = true;
      return line;
    }
    size_t equals = arg.find('=');
    std::string name = arg.substr(
        2, equals == std::string::npos ? std::string::npos : equals - 2);
    const OptionSpec* option =
        arg.compare(0, 2, "--") == 0 ? FindOption(command, name) : nullptr;
    if (option == nullptr) {
      throw UsageError(prefix + "unknown option " + arg.substr(0, equals));
    }
    if (line.arguments.Has(name)) {
      throw UsageError(prefix + "option --" + name + " given twice");
    }
    std::string value;
    if (option->value == nullptr) {
      if (equals != std::string::npos) {
        throw UsageError(prefix + "option --" + name + " takes no value");
      }
    } else if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      throw UsageError(prefix + "option --" + name + " needs a value " +
                       option->value);
    }
    line.arguments.options[name] = value;
  }
  if (line.arguments.operands.size() != command.operands.size()) {
    std::string expected;
    for (const char* operand : command.operands) {
      expected += std::string(expected.empty() ? "" : " ") + operand;
    }
    size_t found = line.arguments.operands.size();
    throw UsageError(prefix + "expected " + expected + ", found " +
                     std::to_string(found) +
                     (found == 1 ? " operand" : " operands"));
  }
  return line;
}

}  // namespace

std::optional<std::string> Arguments::Get(const std::string& option) const {
  auto found = options.find(option);
  if (found == options.end()) return std::nullopt;
  return found->second;
}

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out,
                   std::ostream& err) {
  CommandLine line;
  try {
    line = Parse(args);
  } catch (const UsageError& error) {
    const CommandSpec* command = args.empty() ? nullptr : FindCommand(args[0]);
    err << "dsrtool: " << error.what() << "\n"
        << "Try 'dsrtool "
        << (command != nullptr ? std::string(command->name) + " " : "")
        << "--help'.\n";
    return kExitUsage;
  }
  if (line.help) {
    if (line.command == nullptr) {
      PrintToolHelp(out);
    } else {
      PrintCommandHelp(*line.command, out);
    }
    out.flush();
    return out ? kExitSuccess : kExitFailure;
  }

  std::optional<ScopedHostTitle> host;
  if (std::optional<std::string> title = line.arguments.Get("host-title")) {
    host.emplace(*title);
  }
  // The library's debug output is not the tool's: a command reports what
  // went wrong in its own one-line message.
  platform::ScopedDebugCapture debugOutput;
  try {
    return line.command->run(line.arguments, out, err);
  } catch (const ToolError& error) {
    err << "dsrtool: " << error.what() << '\n';
  } catch (const std::exception& error) {
    err << "dsrtool: " << line.command->name << ": " << OneLine(error.what())
        << '\n';
  } catch (...) {
    err << "dsrtool: " << line.command->name << ": unexpected failure\n";
  }
  return kExitFailure;
}

}  // namespace dsrtool
