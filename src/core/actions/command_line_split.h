#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// A program and its arguments, as an "Execute" command line names them.
struct ProgramInvocation {
  std::string Program;                 // also the started program's first argument
  std::vector<std::string> Arguments;  // the further arguments
  friend bool operator==(const ProgramInvocation&, const ProgramInvocation&) = default;
};

// Tells whether a program name (a path, or a bare name to look up) names an executable file.
using ProgramFileTest = std::function<bool(const std::string& program)>;

// Splits a command line the way the command lines of "Execute" have always been split:
// - The line ends at its first NUL byte; leading blanks (space, tab) are skipped.
// - Program name: a double quote toggles quoting and is dropped, a blank outside quotes ends the
//   name; backslashes are plain characters. An unquoted name may contain blanks: the prefixes of
//   the line that end before a blank (and before any double quote) are tried from the longest to
//   the shortest, and the first that `isProgramFile` accepts is the program.
// - Arguments: blanks separate them; double quotes group; 2n backslashes before a double quote
//   give n backslashes and the quote toggles quoting, 2n+1 give n backslashes and a literal
//   quote; two double quotes inside quotes give one literal quote; other backslashes are literal.
// Returns nullopt when the line names no program (empty, blank, or an empty quoted name).
std::optional<ProgramInvocation> SplitCommandLine(std::string_view commandLine,
                                                  const ProgramFileTest& isProgramFile);

}  // namespace kv
