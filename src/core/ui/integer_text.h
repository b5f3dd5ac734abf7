#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kv {

// Reads a number field the user typed (the preferences dialog's threshold edit). The accepted
// form is the one the program's number texts have always had:
//   - any number of blanks (spaces) in front, nothing after;
//   - an optional "+" or "-";
//   - decimal digits, or hexadecimal digits (either letter case) after "$", "x", "X", "0x" or
//     "0X";
//   - at least one digit, and a value (sign applied) inside the signed 32-bit range, so
//     "$FFFFFFFF" is refused instead of wrapping to -1.
// Returns nullopt for every other text, the empty text included.
std::optional<int32_t> IntegerOfText(std::string_view text);

}  // namespace kv
