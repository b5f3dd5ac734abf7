#include "core/ui/integer_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace kv {
namespace {

struct Case {
  std::string_view Text;
  std::optional<int32_t> Value;
};

TEST(IntegerText, AcceptedForms) {
  // clang-format off
  const Case cases[] = {
      {"0", 0}, {"2", 2}, {"0007", 7}, {"  42", 42}, {"+5", 5}, {"-5", -5}, {"-0", 0}, {"$10", 16},
      {"x1f", 31}, {"X1F", 31}, {"0x10", 16}, {"0XfF", 255}, {"-$10", -16},
      {" +0x7FFFFFFF", 2147483647}, {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
      {"-$80000000", INT32_MIN}, {"000000000000000000000000000012", 12}};
  // clang-format on

  for (const Case& c : cases) EXPECT_EQ(IntegerOfText(c.Text), c.Value) << "'" << c.Text << "'";
}

TEST(IntegerText, RefusedTexts) {
  // clang-format off
  const std::string_view refused[] = {
      "", " ", "-", "+", "$", "0x", "x", "12a", "a12", "7x", "1 ", "1\t", "\t1", "1 2", "+-1",
      "--1", "- 1", "1.0", "1e3", "$g", "0x-1", "2147483648", "-2147483649", "$80000000",
      "$FFFFFFFF", "99999999999999999999", "\xef\xbc\x91", "0b1", "1,000"};
  // clang-format on

  for (const std::string_view text : refused) {
    EXPECT_EQ(IntegerOfText(text), std::nullopt) << "'" << text << "'";
  }
}

}  // namespace
}  // namespace kv
