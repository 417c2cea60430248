// The dsrtool commands. Each reads its operands from `arguments`, writes
// its result to `out` and returns the exit code; a file that cannot be read,
// written or understood raises ToolError, and nothing is written then.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "tools/dsrtool_src/command_line.h"

namespace dsrtool {

// Runs `each` on every path in turn; a file that fails (ToolError, printed
// on `err`) does not stop the others. kExitFailure when any failed or
// `each` returned false, kExitSuccess otherwise.
int ForEachFile(const std::vector<std::string>& paths, std::ostream& err,
                const std::function<bool(const std::string& path)>& each);

// dump FILE...: the records of each FILE as one JSON value on `out`.
int RunDump(const Arguments& arguments, std::ostream& out, std::ostream& err);
// build JSON OUT: the file a dump describes, written with the library.
int RunBuild(const Arguments& arguments, std::ostream& out, std::ostream& err);
// roundtrip IN OUT: IN read with the library and written back as OUT.
int RunRoundtrip(const Arguments& arguments, std::ostream& out,
                 std::ostream& err);
// validate FILE...: the violations of the schema, one line each on `err`.
int RunValidate(const Arguments& arguments, std::ostream& out,
                std::ostream& err);
// merge INSTALLED NEW: the library's merge update with the new file taken
// from NEW.
int RunMerge(const Arguments& arguments, std::ostream& out, std::ostream& err);
// list FILE... [KIND]: one line per record.
int RunList(const Arguments& arguments, std::ostream& out, std::ostream& err);
// diff A B: one line per difference; exit code 1 when there is one.
int RunDiff(const Arguments& arguments, std::ostream& out, std::ostream& err);
// get FILE PATH...: the values the paths name.
int RunGet(const Arguments& arguments, std::ostream& out, std::ostream& err);
// set FILE PATH=VALUE... [-o OUT]: the file with those values changed.
int RunSet(const Arguments& arguments, std::ostream& out, std::ostream& err);
// curves FILE: the expanded output tables of the separations.
int RunCurves(const Arguments& arguments, std::ostream& out, std::ostream& err);
// report FILE -o HTML: a page of tables and charts.
int RunReport(const Arguments& arguments, std::ostream& out, std::ostream& err);
// json-schema: the JSON Schema of the dump form.
int RunJsonSchema(const Arguments& arguments, std::ostream& out,
                  std::ostream& err);

}  // namespace dsrtool
