// Text conversion of the Windows program: the core's UTF-8 to the wide calls and back.
#include "winapp/wide_text.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace kv::winapp {
namespace {

TEST(WideText, JapaneseMessagesReachTheWideCallsIntact) {
  // The runtime's error texts, whatever the system's ANSI code page.
  EXPECT_EQ(Widen("C:\\kv\\config.ini に書き込めません"),
            L"C:\\kv\\config.ini \u306b\u66f8\u304d\u8fbc\u3081\u307e\u305b\u3093");
  EXPECT_EQ(Widen("'12a' は整数ではありません"),
            L"'12a' \u306f\u6574\u6570\u3067\u306f\u3042\u308a\u307e\u305b\u3093");
}

TEST(WideText, RoundTripsEveryPlane) {
  const std::string texts[] = {"",
                               "Kestrovane",
                               "Cursor On/OFF",
                               "\xc3\xa4\xc3\xb6",
                               "\xe6\x95\xb4\xe6\x95\xb0",
                               "\xf0\x9f\x98\x80 smile"};
  for (const std::string& text : texts) EXPECT_EQ(Narrow(Widen(text)), text) << text;
  // U+1F600 is one surrogate pair.
  EXPECT_EQ(Widen("\xf0\x9f\x98\x80"), std::wstring(L"\xd83d\xde00"));
}

TEST(WideText, BytesThatAreNotUtf8ComeFromTheAnsiCodePage) {
  // A narrow system call's text (a key name, an error text) in the ANSI code page still shows
  // as the system wrote it, instead of vanishing.
  if (GetACP() != 1252) GTEST_SKIP() << "checked with code page 1252 only";
  EXPECT_EQ(Widen("Umschalt \xe4"), L"Umschalt \u00e4");
}

TEST(WideText, UnpairedSurrogatesBecomeReplacementCharacters) {
  const std::wstring broken(L"a\xd800z");
  EXPECT_EQ(Narrow(broken), "a\xef\xbf\xbdz");
}

}  // namespace
}  // namespace kv::winapp
