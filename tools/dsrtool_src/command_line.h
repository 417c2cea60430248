// The command line of dsrtool: a table of commands with their operands and
// options, parsed with CLI11, and the help texts made from the same table.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/dsrtool_src/size_limit.h"

namespace dsrtool {

// The operands and options of one command line, as the table allowed them.
// An operand or option value "-" that names a file read is given to the
// command as kStandardInputName, whose bytes are standard input's.
struct Arguments {
  // In the order of the command's operands; a repeated operand contributes
  // every value it was given, an optional one none when it was not given.
  std::vector<std::string> operands;
  // Option name without the leading "--" to its value ("" for a flag).
  std::map<std::string, std::string> options;
  // The limit --max-size sets on every file the command reads.
  SizeLimit sizeLimit;
  // The command's output goes to the process's standard output, and that
  // is a terminal, which people read as it comes.
  bool outputIsTerminal = false;

  bool Has(const std::string& option) const {
    return options.count(option) != 0;
  }
  std::optional<std::string> Get(const std::string& option) const;
};

// What a command does with the file an operand or option names, which
// decides what "-" means there.
enum class FileUse {
  kNone,      // not a file
  kRead,      // read: "-" is standard input
  kWritten,   // written whole: "-" is standard output
  kReplaced,  // read and then replaced where it is: "-" is not allowed
};

// How many values an operand takes. Only the last operands of a command
// may be optional or repeated.
enum class Arity {
  kOne,        // exactly one
  kOptional,   // none or one
  kOneOrMore,  // one or more: every remaining value
};

struct OperandSpec {
  const char* name;
  FileUse use;
  Arity arity = Arity::kOne;
};

struct OptionSpec {
  const char* name;   // without "--"
  const char* value;  // the value's name in help texts; null for a flag
  const char* help;
  FileUse use = FileUse::kNone;
  // A one-letter name ("-o"), or 0 for none.
  char shortName = 0;
  // Must be given.
  bool required = false;
};

struct CommandSpec {
  const char* name;
  std::vector<OperandSpec> operands;
  std::vector<OptionSpec> options;
  const char* summary;
  // The command's help text after the usage line.
  const char* details;
  // Runs the command; output on `out`, messages on `err`. Returns the exit
  // code; may raise ToolError.
  int (*run)(const Arguments& arguments, std::ostream& out, std::ostream& err);
  // Reads its input files more than once (validate: the schema, then the
  // reader; merge: the library reads the new file several times), so
  // standard input and pipes are held rather than streamed.
  bool readsTwice = false;
};

// Runs the command line `arguments` (argv without the program name) and
// returns the process's exit code: 0 success, 1 a file problem or failed
// operation (lines on `err` of the form "FILE:LINE: problem"), 2 a usage
// error. Standard input, where "-" names a file read, is `in`.
int RunCommandLine(const std::vector<std::string>& arguments, std::istream& in,
                   std::ostream& out, std::ostream& err);
// As above with the process's standard input, `out` being the process's
// standard output (whether it is a terminal decides diff's colours and
// lines).
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err);

}  // namespace dsrtool
