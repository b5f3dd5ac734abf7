#include "core/settings/profile_file.h"

#include <gtest/gtest.h>

#include <limits>

namespace kv {
namespace {

using std::string_literals::operator""s;

struct LookupCase {
  const char* name;
  std::string file;
  const char* section;
  const char* key;
  std::optional<std::string> expected;
};

class ProfileLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(ProfileLookup, FindsTheValue) {
  const LookupCase& c = GetParam();
  EXPECT_EQ(ProfileFile(c.file).Lookup(c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ProfileLookup,
    testing::Values(
        LookupCase{"Plain", "[General]\nCursorMode=IR\n", "General", "CursorMode", "IR"},
        LookupCase{"NamesIgnoreCase", "[general]\ncursormode=IR\n", "General", "CursorMode", "IR"},
        LookupCase{"ValueKeepsCase", "[GENERAL]\nCURSORMODE=ir\n", "general", "cursormode", "ir"},
        LookupCase{"BlanksAroundEverything", "  [ General ]  \n\t CursorMode \t=  I R \t\n",
                   "General", "CursorMode", "I R"},
        LookupCase{"DoubleQuotesDropped", "[s]\nk=\" a b \"\n", "s", "k", " a b "},
        LookupCase{"SingleQuotesDropped", "[s]\nk='x'\n", "s", "k", "x"},
        LookupCase{"OnlyOnePairDropped", "[s]\nk=\"\"x\"\"\n", "s", "k", "\"x\""},
        LookupCase{"MixedQuotesKept", "[s]\nk='x\"\n", "s", "k", "'x\""},
        LookupCase{"LoneQuoteKept", "[s]\nk=\"\n", "s", "k", "\""},
        LookupCase{"InnerQuotesKept", "[s]\nk=\"a\" \"b\"\n", "s", "k", "a\" \"b"},
        LookupCase{"EqualsInValue", "[s]\nk=a=b\n", "s", "k", "a=b"},
        LookupCase{"EmptyValue", "[s]\nk=\n", "s", "k", ""},
        LookupCase{"BlankValue", "[s]\nk=   \n", "s", "k", ""},
        LookupCase{"MissingKey", "[s]\nk=1\n", "s", "other", std::nullopt},
        LookupCase{"MissingSection", "[s]\nk=1\n", "t", "k", std::nullopt},
        LookupCase{"KeyOfOtherSection", "[s]\n[t]\nk=1\n", "s", "k", std::nullopt},
        LookupCase{"KeyBeforeAnySection", "k=1\n[s]\n", "s", "k", std::nullopt},
        LookupCase{"CommentIsNoKey", "[s]\n;k=1\n", "s", ";k", std::nullopt},
        LookupCase{"IndentedComment", "[s]\n  ; [t]\nk=1\n", "s", "k", "1"},
        LookupCase{"LineWithoutEquals", "[s]\nk\nk=2\n", "s", "k", "2"},
        LookupCase{"TextAfterHeader", "[s] ; note\nk=1\n", "s", "k", "1"},
        LookupCase{"UnclosedHeaderKeepsSection", "[s]\n[t\nk=1\n", "s", "k", "1"},
        LookupCase{"FirstKeyWins", "[s]\nK=1\nk=2\n", "s", "k", "1"},
        LookupCase{"OnlyFirstSectionCounts", "[s]\na=1\n[S]\nb=2\n", "s", "b", std::nullopt},
        LookupCase{"FirstSectionWins", "[s]\nk=1\n[s]\nk=2\n", "s", "k", "1"},
        LookupCase{"CrLf", "[s]\r\nk=v\r\n", "s", "k", "v"},
        LookupCase{"LastLineWithoutEnding", "[s]\nk=v", "s", "k", "v"},
        LookupCase{"ByteOrderMarkSkipped", "\xEF\xBB\xBF[s]\nk=v\n", "s", "k", "v"},
        LookupCase{"AnyBytesInValue", "[s]\nk=a\0b\xff\xfe\n"s, "s", "k", "a\0b\xff\xfe"s},
        LookupCase{"EmptyNamesFindNothing", "[]\n=1\n", "", "", std::nullopt}),
    [](const testing::TestParamInfo<LookupCase>& info) { return info.param.name; });

TEST(ProfileFile, LongValuesAreCutAfterTheirQuotesAreDropped) {
  const std::string value(3000, 'v');
  ProfileFile file("[s]\nk=" + value + "\nq=\"" + value + "\"\n");
  EXPECT_EQ(file.Lookup("s", "k"), value.substr(0, kProfileValueMaxLength));
  EXPECT_EQ(file.Lookup("s", "q"), value.substr(0, kProfileValueMaxLength));
}

TEST(ProfileInteger, ParsesWholeNumbersInTheSigned32BitRange) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  const std::pair<const char*, int32_t> numbers[] = {{"0", 0},
                                                     {" \t7", 7},
                                                     {"-12", -12},
                                                     {"+12", 12},
                                                     {"-0", 0},
                                                     {"007", 7},
                                                     {"0x10", 16},
                                                     {"0X1f", 31},
                                                     {"$10", 16},
                                                     {"x10", 16},
                                                     {"XaB", 171},
                                                     {"-$10", -16},
                                                     {"+0x10", 16},
                                                     {"2147483647", kMax},
                                                     {"-2147483648", kMin},
                                                     {"$7FFFFFFF", kMax},
                                                     {"-$80000000", kMin},
                                                     {"000000000000000000042", 42}};
  for (const auto& [text, number] : numbers) EXPECT_EQ(ParseProfileInteger(text), number) << text;

  // Out of range as written (not as a 32-bit pattern), or not entirely a number.
  const char* const rejected[] = {
      "2147483648", "-2147483649", "$80000000", "$FFFFFFFF", "99999999999999999999999",
      "",           " ",           "7x",        "7 ",        "- 7",
      "+",          "$",           "0x",        "$-1",       "--1",
      "1.5",        "0x1g",        "00x1",      "true"};
  for (const char* text : rejected) EXPECT_EQ(ParseProfileInteger(text), std::nullopt) << text;
}

struct WriteCase {
  std::string before, section, key, value, after;
};

TEST(ProfileFileWrite, ChangesOnlyWhatItMust) {
  const WriteCase cases[] = {
      // In place, keeping the name's spelling, the blanks after '=' and the line ending.
      {"; top\n[General]\n  cursormode = Motion\nX=1\n", "GENERAL", "CursorMode", "IR",
       "; top\n[General]\n  cursormode = IR\nX=1\n"},
      {"[s]\r\nk=old\r\nj=2\r\n", "s", "k", "new", "[s]\r\nk=new\r\nj=2\r\n"},
      {"[s]\nk=old", "s", "k", "new", "[s]\nk=new"},
      {"[s]\nk = 'Motion'  \n", "s", "k", "Motion", "[s]\nk = 'Motion'  \n"},
      // A new key goes after the section's last key line.
      {"[s]\na=1\n; about t\n\n[t]\n", "s", "b", "2", "[s]\na=1\nb=2\n; about t\n\n[t]\n"},
      {"[s]\n\n[t]\n", "s", "b", "2", "[s]\nb=2\n\n[t]\n"},
      {"[s]\r\na=1\r\n", "s", "b", "2", "[s]\r\na=1\r\nb=2\r\n"},
      {"[s]\na=1", "s", "b", "2", "[s]\na=1\nb=2\n"},
      {"[s]\na=1\n[s]\nb=1\n", "s", "b", "2", "[s]\na=1\nb=2\n[s]\nb=1\n"},
      // A new section goes at the end.
      {"", "s", "k", "v", "[s]\nk=v\n"},
      {"[a]\nx=1\n", "s", "k", "v", "[a]\nx=1\n\n[s]\nk=v\n"},
      {"[a]\nx=1\n\n", "s", "k", "v", "[a]\nx=1\n\n[s]\nk=v\n"},
      {"[a]\r\nx=1", "s", "k", "v", "[a]\r\nx=1\r\n\r\n[s]\r\nk=v\r\n"},
      // A value cannot add lines.
      {"[s]\n", "s", "k", "one\n[s]\nk=evil", "[s]\nk=one\n"},
      {"[s]\n", "s", "k", "two\r\nmore", "[s]\nk=two\n"},
      {"[s]\n", "s", "k", "a\rb", "[s]\nk=a\rb\n"}};
  for (const WriteCase& c : cases) {
    ProfileFile file(c.before);
    EXPECT_TRUE(file.WriteString(c.section, c.key, c.value));
    EXPECT_EQ(file.Bytes(), c.after) << c.before;
  }
}

TEST(ProfileFileWrite, EveryValueReadsBackAsWritten) {
  const std::string values[] = {"",
                                " lead",
                                "trail\t",
                                "\"q\"",
                                "'q'",
                                "\"",
                                "'a\"",
                                "a=b",
                                "\"C:\\a b\" \"%1\"",
                                "a\0b"s,
                                "c\r",
                                "\xff\xfe",
                                "  ",
                                std::string(2047, 'x')};
  for (const std::string& value : values) {
    ProfileFile file("[s]\nk=old\n");
    ASSERT_TRUE(file.WriteString("s", "k", value));
    ASSERT_TRUE(file.WriteString("s", "new", value));
    EXPECT_EQ(file.Lookup("s", "k"), value) << file.Bytes();
    EXPECT_EQ(file.Lookup("s", "new"), value) << file.Bytes();
  }
}

TEST(ProfileFileWrite, RefusesNamesThatCannotBeStored) {
  const std::pair<const char*, const char*> names[] = {
      {"", "k"},    {"s", ""},   {" s", "k"}, {"s", "k "},   {"s]", "k"},
      {"s", "k=1"}, {"s", "[k"}, {"s", ";k"}, {"a\nb", "k"}, {"s", "a\rb"}};
  for (const auto& [section, key] : names) {
    ProfileFile file("[s]\nk=1\n");
    EXPECT_FALSE(file.WriteString(section, key, "v")) << section << "/" << key;
    EXPECT_EQ(file.Bytes(), "[s]\nk=1\n");
  }
}

}  // namespace
}  // namespace kv
