// Splits arbitrary bytes as an "Execute" command line and checks what comes out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/actions/command_line_split.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  // Accept some prefixes as program files so the prefix search runs to various depths.
  const auto result = kv::SplitCommandLine(
      line, [](const std::string& candidate) { return candidate.size() % 7 == 3; });
  if (!result) return 0;
  const std::string_view head = line.substr(0, line.find('\0'));
  std::size_t total = result->Program.size();
  if (result->Program.empty()) std::abort();
  for (const auto& argument : result->Arguments) total += argument.size();
  // Nothing is invented: every character comes from the line, and no NUL reaches an argument.
  if (total > head.size()) std::abort();
  if (result->Program.find('\0') != std::string::npos) std::abort();
  for (const auto& argument : result->Arguments) {
    if (argument.find('\0') != std::string::npos) std::abort();
  }
  return 0;
}
