#include "core/actions/command_line_split.h"

namespace kv {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The program name by the quoting rule of names; `pos` moves past it.
std::string ReadQuotedProgramName(std::string_view line, std::size_t& pos) {
  std::string name;
  bool quoted = false;
  for (; pos < line.size(); ++pos) {
    const char c = line[pos];
    if (c == '"') {
      quoted = !quoted;
    } else if (IsBlank(c) && !quoted) {
      break;
    } else {
      name += c;
    }
  }
  return name;
}

// The longest prefix ending before a blank (and before any double quote) that names a program
// file and contains a blank; 0 when there is none.
std::size_t ProgramPrefixWithBlanks(std::string_view line, const ProgramFileTest& isProgramFile) {
  const std::size_t quote = line.find('"');
  const std::size_t limit = quote == std::string_view::npos ? line.size() : quote;
  const std::size_t firstBlank = line.find_first_of(" \t");
  if (firstBlank >= limit || !isProgramFile) return 0;
  // A prefix may end at the end of the line too, when the line has no quote.
  std::size_t end = limit == line.size() ? limit : line.find_last_of(" \t", limit - 1);
  while (end != std::string_view::npos && end > firstBlank) {
    if (!IsBlank(line[end - 1]) && (end == line.size() || IsBlank(line[end])) &&
        isProgramFile(std::string(line.substr(0, end)))) {
      return end;
    }
    end = line.find_last_of(" \t", end - 1);
  }
  return 0;
}

// One argument by the argument rules, starting at a non-blank `pos`; `pos` moves past it.
std::string ReadArgument(std::string_view line, std::size_t& pos) {
  std::string argument;
  bool quoted = false;
  while (true) {
    std::size_t backslashes = 0;
    while (pos < line.size() && line[pos] == '\\') {
      ++backslashes;
      ++pos;
    }
    bool copy = true;
    if (pos < line.size() && line[pos] == '"') {
      if (backslashes % 2 == 0) {
        if (quoted && pos + 1 < line.size() && line[pos + 1] == '"') {
          ++pos;  // "" inside quotes: one literal quote, still quoted
        } else {
          copy = false;
          quoted = !quoted;
        }
      }
      backslashes /= 2;
    }
    argument.append(backslashes, '\\');
    if (pos >= line.size() || (!quoted && IsBlank(line[pos]))) break;
    if (copy) argument += line[pos];
    ++pos;
  }
  return argument;
}

}  // namespace

std::optional<ProgramInvocation> SplitCommandLine(std::string_view commandLine,
                                                  const ProgramFileTest& isProgramFile) {
  std::string_view line = commandLine.substr(0, commandLine.find('\0'));
  const std::size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos) return std::nullopt;
  line.remove_prefix(start);

  ProgramInvocation invocation;
  std::size_t pos = 0;
  if (line.front() != '"') pos = ProgramPrefixWithBlanks(line, isProgramFile);
  if (pos != 0) {
    invocation.Program = std::string(line.substr(0, pos));
  } else {
    invocation.Program = ReadQuotedProgramName(line, pos);
  }
  if (invocation.Program.empty()) return std::nullopt;

  while (true) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size()) break;
    invocation.Arguments.push_back(ReadArgument(line, pos));
  }
  return invocation;
}

}  // namespace kv
