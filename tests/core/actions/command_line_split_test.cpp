#include "core/actions/command_line_split.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace kv {
namespace {

using Args = std::vector<std::string>;

std::optional<ProgramInvocation> Split(std::string_view line) {
  return SplitCommandLine(line, [](const std::string&) { return false; });
}

struct Case {
  std::string Line;
  std::string Program;
  Args Arguments;
};

TEST(SplitCommandLine, QuotingAndBackslashRules) {
  const Case cases[] = {
      {"prog a b", "prog", {"a", "b"}},
      {"  prog\ta   b  ", "prog", {"a", "b"}},
      {R"("C:\Program Files\x.exe" "a b" c)", R"(C:\Program Files\x.exe)", {"a b", "c"}},
      {R"("C:\dir\\" arg)", R"(C:\dir\\)", {"arg"}},  // no escapes in the program name
      {R"(pro"g x"y z)", "prog xy", {"z"}},
      {R"(prog a\\b c\)", "prog", {R"(a\\b)", R"(c\)"}},  // backslashes before no quote
      {R"(prog a\"b)", "prog", {R"(a"b)"}},
      {R"(prog a\\"b c")", "prog", {R"(a\b c)"}},
      {R"(prog a\\\"b)", "prog", {R"(a\"b)"}},
      {R"(prog "a""b" "")", "prog", {R"(a"b)", ""}},
      {R"(prog "a"b"c d" e)", "prog", {"abc d", "e"}},
      {R"(prog "unterminated arg)", "prog", {"unterminated arg"}},
      {std::string("prog a\0b c", 10), "prog", {"a"}},  // the line ends at a NUL
  };
  for (const Case& c : cases) {
    const auto result = Split(c.Line);
    ASSERT_TRUE(result.has_value()) << c.Line;
    EXPECT_EQ(result->Program, c.Program) << c.Line;
    EXPECT_EQ(result->Arguments, c.Arguments) << c.Line;
  }
}

TEST(SplitCommandLine, LinesWithoutProgram) {
  for (std::string_view line : {"", "   \t ", "\"\"", "\"\" arg"}) {
    EXPECT_FALSE(Split(std::string(line)).has_value()) << line;
  }
  EXPECT_FALSE(Split(std::string_view("\0prog", 5)).has_value());
}

struct PrefixCase {
  std::string Line;
  std::set<std::string> Files;
  std::string Program;
  Args Arguments;
  Args Tried;  // the prefixes asked about, in order
};

TEST(SplitCommandLine, UnquotedProgramWithBlanksPrefersTheLongestExistingFile) {
  const PrefixCase cases[] = {
      {R"(/opt/my app/run --x "y z")",
       {"/opt/my app/run"},
       "/opt/my app/run",
       {"--x", "y z"},
       {"/opt/my app/run --x", "/opt/my app/run"}},
      {"/a b c d", {"/a b", "/a b c"}, "/a b c", {"d"}, {"/a b c d", "/a b c"}},
      {"/a b c d", {"/a b"}, "/a b", {"c", "d"}, {"/a b c d", "/a b c", "/a b"}},
      {"/a b c", {}, "/a", {"b", "c"}, {"/a b c", "/a b"}},
      {"/a  b\t", {"/a  b"}, "/a  b", {}, {"/a  b"}},
      // A prefix never reaches past a double quote; a quoted name is never searched.
      {R"(/a b "c")", {"/a b c", "/a b \"c\""}, "/a", {"b", "c"}, {"/a b"}},
      {R"("/a b" c)", {"/a b c"}, "/a b", {"c"}, {}},
      {"prog", {"prog"}, "prog", {}, {}},
  };
  for (const PrefixCase& c : cases) {
    Args tried;
    const auto result = SplitCommandLine(c.Line, [&](const std::string& candidate) {
      tried.push_back(candidate);
      return c.Files.count(candidate) > 0;
    });
    ASSERT_TRUE(result.has_value()) << c.Line;
    EXPECT_EQ(result->Program, c.Program) << c.Line;
    EXPECT_EQ(result->Arguments, c.Arguments) << c.Line;
    EXPECT_EQ(tried, c.Tried) << c.Line;
  }
}

TEST(SplitCommandLine, WithoutAFileTestTheFirstTokenIsTheProgram) {
  const auto result = SplitCommandLine("/a b c", ProgramFileTest{});
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->Program, "/a");
  EXPECT_EQ(result->Arguments, (Args{"b", "c"}));
}

}  // namespace
}  // namespace kv
