// The program's own profile-file reader against the system's GetPrivateProfileStringA and
// GetPrivateProfileIntA, on files with the awkward corners real files have.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "core/settings/profile_file.h"
#include "win32/win32_temp_dir.h"

namespace kv {
namespace {

constexpr DWORD kValueBuffer = 2048;  // the longest value either reader gives, plus its NUL
const char kAbsent[] = "\x01<absent>";

std::optional<std::string> SystemLookup(const std::string& file, const std::string& section,
                                        const std::string& key) {
  std::vector<char> buffer(kValueBuffer, '\0');
  const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), kAbsent,
                                                buffer.data(), kValueBuffer, file.c_str());
  std::string value(buffer.data(), length);
  if (value == kAbsent) return std::nullopt;
  return value;
}

std::string Show(const std::optional<std::string>& value) {
  if (!value) return "(absent)";
  if (value->size() > 40) return "<" + std::to_string(value->size()) + " bytes>";
  return "'" + *value + "'";
}

struct FileCase {
  const char* Name;
  std::string Bytes;
  std::vector<std::pair<std::string, std::string>> Lookups;
};

std::vector<FileCase> Cases() {
  const std::string longValue(3000, 'v');
  return {
      {"case",
       "[General]\r\nKey=Value\r\n[MiXeD]\r\nSoMe=x\r\n",
       {{"General", "Key"},
        {"general", "KEY"},
        {"mixed", "some"},
        {"General", "Nope"},
        {"Other", "Key"}}},
      {"blanks",
       "  [ Sect ]  \r\n  key  =  value with blanks  \r\n\tk2\t=\tv\t\r\n",
       {{"Sect", "key"}, {"Sect", "k2"}}},
      {"quotes",
       "[S]\na=\"quoted\"\nb='single'\nc=\"unbalanced\nd=\"a\" b\"\ne=\"\"\nf= \" x \" \n"
       "g='mixed\"\nh=\"\"\"\n",
       {{"S", "a"},
        {"S", "b"},
        {"S", "c"},
        {"S", "d"},
        {"S", "e"},
        {"S", "f"},
        {"S", "g"},
        {"S", "h"}}},
      {"long", "[S]\nlong=" + longValue + "\nafter=1\n", {{"S", "long"}, {"S", "after"}}},
      {"duplicates",
       "[S]\na=1\na=2\n[s]\na=3\nb=4\n[T]\nc=5\n",
       {{"S", "a"}, {"S", "b"}, {"T", "c"}}},
      {"before first section", "a=1\n[S]\nb=2\n", {{"S", "a"}, {"S", "b"}}},
      {"line endings", "[S]\r\na=1\r\nd=4\n\n\ne=5", {{"S", "a"}, {"S", "d"}, {"S", "e"}}},
      {"comments", "[S]\n;a=1\na=2\n# b=3\nc=5\n", {{"S", "a"}, {"S", "# b"}, {"S", "c"}}},
      {"odd lines",
       "[S]\nkeyonly\na=1\n=novalue\nb=\nc=x=y\n",
       {{"S", "keyonly"}, {"S", "a"}, {"S", "b"}, {"S", "c"}}},
      {"odd headers",
       "[S\na=1\n[T]trailing\nb=2\n[U\nc=3\n",
       {{"S", "a"}, {"T", "b"}, {"T", "c"}, {"U", "c"}}},
      {"empty section", "[S]\n[T]\na=1\n", {{"S", "a"}, {"T", "a"}}},
  };
}

// Same value, or both absent, for every lookup of every file. Mismatches are listed together.
TEST(ProfileFileVsSystem, StringsReadAsTheSystemReadsThem) {
  test::Win32TempDir dir;
  std::string differences;
  for (const FileCase& c : Cases()) {
    const std::string file = dir.Write("case.ini", c.Bytes).string();
    const ProfileFile ours(c.Bytes);
    for (const auto& [section, key] : c.Lookups) {
      const std::optional<std::string> mine = ours.Lookup(section, key);
      const std::optional<std::string> system = SystemLookup(file, section, key);
      if (mine != system) {
        differences += std::string("\n  ") + c.Name + " [" + section + "] " + key + ": ours " +
                       Show(mine) + ", system " + Show(system);
      }
    }
  }
  EXPECT_EQ(differences, "");
}

// Where the two readers part. Each row pins both sides, so a change on either side shows. The
// program's reader keeps its rules (names are matched as given, a line ends at LF only, a line
// whose first non-blank is ';' is a comment); the system's reader here splits lines at a lone CR
// too, trims blanks off the names it is asked for, and takes an indented ';' line for a key.
TEST(ProfileFileVsSystem, KnownDifferencesStayAsTheyAre) {
  test::Win32TempDir dir;
  const struct {
    std::string Bytes, Section, Key;
    std::optional<std::string> Ours, System;
  } rows[] = {
      {"[S]\nb=2\rc=3\n", "S", "b", "2\rc=3", "2"},
      {"[S]\nb=2\rc=3\n", "S", "c", std::nullopt, "3"},
      {"[Sect]\nkey=v\n", " Sect ", "key", std::nullopt, "v"},
      {"[Sect]\nkey=v\n", "Sect", " key ", std::nullopt, "v"},
      {"[S]\n  ;c=4\n", "S", ";c", std::nullopt, "4"},
  };
  for (const auto& row : rows) {
    const std::string file = dir.Write("diff.ini", row.Bytes).string();
    EXPECT_EQ(ProfileFile(row.Bytes).Lookup(row.Section, row.Key), row.Ours) << row.Bytes;
    EXPECT_EQ(SystemLookup(file, row.Section, row.Key), row.System) << row.Bytes;
  }
}

// Numbers: both readers agree on decimal numbers with blanks and a sign, and on "0x" hexadecimal.
// The program's reader also takes "$" hexadecimal and gives the fallback for anything that is not
// wholly a number; the system's reads the leading digits and gives 0 for a value without any.
TEST(ProfileFileVsSystem, IntegersAgreeOnDecimalsAndDifferAsDesigned) {
  test::Win32TempDir dir;
  const struct {
    const char* Value;
    int32_t Ours, System;
  } rows[] = {
      {"12", 12, 12},
      {"  42  ", 42, 42},
      {"-7", -7, -7},
      {"+5", 5, 5},
      {"0", 0, 0},
      {"", -99, -99},
      {"0x1F", 31, 31},
      {"$10", 16, 0},
      {"12abc", -99, 12},
      {"abc", -99, 0},
      {"2147483647", 2147483647, 2147483647},
  };
  for (const auto& row : rows) {
    const std::string bytes = std::string("[S]\nn=") + row.Value + "\n";
    const std::string file = dir.Write("int.ini", bytes).string();
    EXPECT_EQ(ProfileFile(bytes).ReadInteger("S", "n", -99), row.Ours) << row.Value;
    EXPECT_EQ(static_cast<int32_t>(GetPrivateProfileIntA("S", "n", -99, file.c_str())), row.System)
        << row.Value;
  }
}

}  // namespace
}  // namespace kv
