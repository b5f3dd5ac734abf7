#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace kv {

// Longest value a read returns; longer values are cut there.
inline constexpr size_t kProfileValueMaxLength = 2047;

// A profile file ("[Section]" lines followed by "Key=Value" lines) held as its bytes in memory.
//
// Reading rules:
// - Lines end at LF; a CR before the LF belongs to the line ending. Other bytes, NUL and
//   invalid UTF-8 included, are ordinary text.
// - Section and key names are matched ignoring ASCII letter case. Blanks (space, tab, VT, FF,
//   CR) around names and values are not part of them.
// - "[Name]" after optional blanks starts a section; text after the first ']' is ignored. A line
//   starting with '[' but without ']' is no header and does not end the section it is in.
// - A line whose first non-blank character is ';' is a comment. Any other line with '=' and a
//   non-blank name before it is a key; everything after the first '=' is its value. Lines that
//   are none of these are kept and otherwise ignored, as are keys before the first section.
// - Only the first section of a name counts, and in it only the first key of a name.
// - A value read has its blanks dropped, then one pair of equal quotes (' or ") enclosing all
//   of it, and is then cut to kProfileValueMaxLength bytes.
// - A UTF-8 byte order mark at the very start of the file is skipped.
//
// Writing touches only what it must; every other byte stays as it was:
// - An existing key keeps its line, its name's spelling, the blanks after '=' and the line
//   ending; only the value text is replaced (and not even that when it already reads as the
//   new value).
// - A missing key is inserted after the last key line of its section (right after the header
//   when the section has no keys), so comments and blank lines that end a section stay in front
//   of the next header.
// - A missing section is appended at the end of the file, after one blank line unless the file
//   is empty or already ends with a blank line.
// - New lines end like the file's first line ending (CR LF or LF); LF in a file without one.
// - Values are stored so that they read back unchanged: a value with blanks at either end or
//   already enclosed in a pair of quotes is wrapped in double quotes. A value cannot span
//   lines, so it ends at its first line ending (LF or CR LF); a lone CR is kept.
class ProfileFile {
 public:
  // A file without any lines (what a missing file reads as).
  ProfileFile() = default;
  explicit ProfileFile(std::string bytes) : bytes_(std::move(bytes)) {}

  // The value of `key` in `section`, or nullopt when the section or the key is not there (or a
  // name is empty). A key present with an empty value reads as an empty text.
  std::optional<std::string> Lookup(std::string_view section, std::string_view key) const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;

  // The value read as ParseProfileInteger does; `fallback` when missing or not such a number.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;

  // Read as an integer with the default 1 for a true `fallback` and 0 for a false one; any
  // non-zero number is true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  // Stores `value` under `key` in `section`. Returns false and changes nothing when a name
  // cannot be stored: empty, with blanks at either end, with CR or LF, a section name with ']',
  // a key name with '=' or starting with '[' or ';'.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);

  // Writes the number in decimal, with a leading "-" when negative.
  bool WriteInteger(std::string_view section, std::string_view key, int32_t value);

  // Writes "1" for true and "0" for false.
  bool WriteBool(std::string_view section, std::string_view key, bool value);

  // The file's bytes with every write applied.
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Reads an integer: blanks in front, an optional sign, then decimal digits or hexadecimal
// digits after "$", "x", "X", "0x" or "0X", and nothing else. The number, sign applied, must
// lie in the signed 32-bit range (so "$FFFFFFFF" is out of range, "-$80000000" is the lowest
// value). Returns nullopt for anything else, the empty text included.
std::optional<int32_t> ParseProfileInteger(std::string_view text);

}  // namespace kv
