// The command line of dsrtool: a table of commands with their operands and
// options, parsed without any other help, and the help texts made from it.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dsrtool {

// The operands and options of one command line, as the table allowed them.
struct Arguments {
  std::vector<std::string> operands;
  // Option name without the leading "--" to its value ("" for a flag).
  std::map<std::string, std::string> options;

  bool Has(const std::string& option) const {
    return options.count(option) != 0;
  }
  std::optional<std::string> Get(const std::string& option) const;
};

struct OptionSpec {
  const char* name;   // without "--"
  const char* value;  // the value's name in help texts; null for a flag
  const char* help;
};

struct CommandSpec {
  const char* name;
  std::vector<const char*> operands;
  std::vector<OptionSpec> options;
  const char* summary;
  // The command's help text after the usage line.
  const char* details;
  // Runs the command; output on `out`, messages on `err`. Returns the exit
  // code; may raise ToolError.
  int (*run)(const Arguments& arguments, std::ostream& out, std::ostream& err);
};

// Runs the command line `arguments` (argv without the program name) and
// returns the process's exit code: 0 success, 1 a file problem or failed
// operation (one line on `err` naming the file and the problem), 2 a usage
// error.
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err);

}  // namespace dsrtool
