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

TEST(ProfileFile, TypedReadsFallBackOnTheirOwn) {
  ProfileFile file("[s]\nnum=0x10\nbad=7x\nyes=2\nword=true\n");
  EXPECT_EQ(file.ReadString("s", "missing", "dflt"), "dflt");
  EXPECT_EQ(file.ReadInteger("s", "num", 5), 16);
  EXPECT_EQ(file.ReadInteger("s", "bad", 5), 5);
  EXPECT_EQ(file.ReadInteger("s", "missing", -3), -3);
  EXPECT_TRUE(file.ReadBool("s", "yes", false));
  EXPECT_TRUE(file.ReadBool("s", "word", true));
  EXPECT_FALSE(file.ReadBool("s", "word", false));
}

struct IntegerCase {
  const char* text;
  std::optional<int32_t> expected;
};

class ProfileInteger : public testing::TestWithParam<IntegerCase> {};

TEST_P(ProfileInteger, Parses) {
  EXPECT_EQ(ParseProfileInteger(GetParam().text), GetParam().expected) << GetParam().text;
}

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Forms, ProfileInteger,
    testing::Values(IntegerCase{"0", 0}, IntegerCase{"7", 7}, IntegerCase{" \t7", 7},
                    IntegerCase{"-12", -12}, IntegerCase{"+12", 12}, IntegerCase{"-0", 0},
                    IntegerCase{"007", 7}, IntegerCase{"0x10", 16}, IntegerCase{"0X1f", 31},
                    IntegerCase{"$10", 16}, IntegerCase{"x10", 16}, IntegerCase{"XaB", 171},
                    IntegerCase{"-$10", -16}, IntegerCase{"+0x10", 16},
                    IntegerCase{"2147483647", kMax}, IntegerCase{"-2147483648", kMin},
                    IntegerCase{"$7FFFFFFF", kMax}, IntegerCase{"-$80000000", kMin},
                    IntegerCase{"000000000000000000042", 42},
                    // Out of range: the number as written, not its 32-bit pattern.
                    IntegerCase{"2147483648", std::nullopt},
                    IntegerCase{"-2147483649", std::nullopt},
                    IntegerCase{"$80000000", std::nullopt}, IntegerCase{"$FFFFFFFF", std::nullopt},
                    IntegerCase{"99999999999999999999999", std::nullopt},
                    // Not entirely a number.
                    IntegerCase{"", std::nullopt}, IntegerCase{" ", std::nullopt},
                    IntegerCase{"7x", std::nullopt}, IntegerCase{"7 ", std::nullopt},
                    IntegerCase{"- 7", std::nullopt}, IntegerCase{"+", std::nullopt},
                    IntegerCase{"$", std::nullopt}, IntegerCase{"0x", std::nullopt},
                    IntegerCase{"$-1", std::nullopt}, IntegerCase{"--1", std::nullopt},
                    IntegerCase{"1.5", std::nullopt}, IntegerCase{"12a", std::nullopt},
                    IntegerCase{"0x1g", std::nullopt}, IntegerCase{"00x1", std::nullopt},
                    IntegerCase{"true", std::nullopt}));

// --- writing ---

std::string Written(std::string before, std::string_view section, std::string_view key,
                    std::string_view value) {
  ProfileFile file(std::move(before));
  EXPECT_TRUE(file.WriteString(section, key, value));
  return file.Bytes();
}

TEST(ProfileFileWrite, ReplacesTheValueInPlaceKeepingEverythingElse) {
  EXPECT_EQ(
      Written("; top\n[General]\n  cursormode = Motion\nX=1\n", "GENERAL", "CursorMode", "IR"),
      "; top\n[General]\n  cursormode = IR\nX=1\n");
  EXPECT_EQ(Written("[s]\r\nk=old\r\nj=2\r\n", "s", "k", "new"), "[s]\r\nk=new\r\nj=2\r\n");
  EXPECT_EQ(Written("[s]\nk=old", "s", "k", "new"), "[s]\nk=new");
}

TEST(ProfileFileWrite, LeavesALineThatAlreadyHoldsTheValue) {
  EXPECT_EQ(Written("[s]\nk = 'Motion'  \n", "s", "k", "Motion"), "[s]\nk = 'Motion'  \n");
}

TEST(ProfileFileWrite, AddsAKeyAfterTheLastKeyOfItsSection) {
  EXPECT_EQ(Written("[s]\na=1\n; about t\n\n[t]\n", "s", "b", "2"),
            "[s]\na=1\nb=2\n; about t\n\n[t]\n");
  EXPECT_EQ(Written("[s]\n\n[t]\n", "s", "b", "2"), "[s]\nb=2\n\n[t]\n");
  EXPECT_EQ(Written("[s]\r\na=1\r\n", "s", "b", "2"), "[s]\r\na=1\r\nb=2\r\n");
  EXPECT_EQ(Written("[s]\na=1", "s", "b", "2"), "[s]\na=1\nb=2\n");
  // Only the first section of the name is written to, as only it is read.
  EXPECT_EQ(Written("[s]\na=1\n[s]\nb=1\n", "s", "b", "2"), "[s]\na=1\nb=2\n[s]\nb=1\n");
}

TEST(ProfileFileWrite, AppendsAMissingSectionAtTheEnd) {
  EXPECT_EQ(Written("", "s", "k", "v"), "[s]\nk=v\n");
  EXPECT_EQ(Written("[a]\nx=1\n", "s", "k", "v"), "[a]\nx=1\n\n[s]\nk=v\n");
  EXPECT_EQ(Written("[a]\nx=1\n\n", "s", "k", "v"), "[a]\nx=1\n\n[s]\nk=v\n");
  EXPECT_EQ(Written("[a]\r\nx=1", "s", "k", "v"), "[a]\r\nx=1\r\n\r\n[s]\r\nk=v\r\n");
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

TEST(ProfileFileWrite, AValueEndsAtItsFirstLineBreak) {
  ProfileFile file("[s]\n");
  ASSERT_TRUE(file.WriteString("s", "k", "one\n[s]\nk=evil"));
  ASSERT_TRUE(file.WriteString("s", "j", "two\r\nmore"));
  EXPECT_EQ(file.Bytes(), "[s]\nk=one\nj=two\n");
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

TEST(ProfileFileWrite, TypedWritesUseTheirTextForms) {
  ProfileFile file;
  file.WriteInteger("s", "neg", -42);
  file.WriteInteger("s", "min", kMin);
  file.WriteBool("s", "t", true);
  file.WriteBool("s", "f", false);
  EXPECT_EQ(file.Bytes(), "[s]\nneg=-42\nmin=-2147483648\nt=1\nf=0\n");
  EXPECT_EQ(file.ReadInteger("s", "min", 0), kMin);
}

}  // namespace
}  // namespace kv
