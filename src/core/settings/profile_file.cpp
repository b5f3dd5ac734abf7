#include "core/settings/profile_file.h"

#include "core/ui/integer_text.h"

namespace kv {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool IsEnclosedInQuotes(std::string_view text) {
  return text.size() >= 2 && IsQuote(text.front()) && text.back() == text.front();
}

// A value as read, before the length cut.
std::string_view DecodeValue(std::string_view raw) {
  std::string_view value = TrimBlanks(raw);
  if (IsEnclosedInQuotes(value)) value = value.substr(1, value.size() - 2);
  return value;
}

// The part of `value` before its first line ending (LF or CR LF). A lone CR breaks no line
// here, so it stays part of the value, as it is when read.
std::string_view FirstLineOf(std::string_view value) {
  size_t end = value.find('\n');
  if (end == std::string_view::npos) return value;
  if (end > 0 && value[end - 1] == '\r') --end;
  return value.substr(0, end);
}

// The text to put after '=' so that DecodeValue gives `value` back.
std::string EncodeValue(std::string_view value) {
  const bool needsQuotes = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                                              IsEnclosedInQuotes(value));
  if (!needsQuotes) return std::string(value);
  std::string quoted;
  quoted.reserve(value.size() + 2);
  quoted += '"';
  quoted += value;
  quoted += '"';
  return quoted;
}

bool IsStorableName(std::string_view name) {
  return !name.empty() && !IsBlank(name.front()) && !IsBlank(name.back()) &&
         name.find_first_of("\r\n") == std::string_view::npos;
}

bool IsStorableSectionName(std::string_view name) {
  return IsStorableName(name) && name.find(']') == std::string_view::npos;
}

bool IsStorableKeyName(std::string_view name) {
  return IsStorableName(name) && name.find('=') == std::string_view::npos && name.front() != '[' &&
         name.front() != ';';
}

// One line of the file as offsets into its bytes.
struct LineSpan {
  size_t Begin = 0;
  size_t ContentEnd = 0;  // where the line ending (LF or CR LF) starts
  size_t End = 0;         // first byte of the next line
};

LineSpan LineAt(std::string_view bytes, size_t begin) {
  const size_t lf = bytes.find('\n', begin);
  if (lf == std::string_view::npos) return {begin, bytes.size(), bytes.size()};
  const size_t contentEnd = (lf > begin && bytes[lf - 1] == '\r') ? lf - 1 : lf;
  return {begin, contentEnd, lf + 1};
}

enum class LineKind { Other, Section, Key };

struct LineInfo {
  LineKind Kind = LineKind::Other;
  std::string_view Name;  // section or key name without blanks
  size_t ValueBegin = 0;  // for a key: offset of the byte after '='
};

LineInfo Classify(std::string_view bytes, const LineSpan& line) {
  std::string_view content = bytes.substr(line.Begin, line.ContentEnd - line.Begin);
  size_t offset = line.Begin;
  if (line.Begin == 0 && content.starts_with(kByteOrderMark)) {
    content.remove_prefix(kByteOrderMark.size());
    offset += kByteOrderMark.size();
  }
  while (!content.empty() && IsBlank(content.front())) {
    content.remove_prefix(1);
    ++offset;
  }
  if (content.empty() || content.front() == ';') return {};
  if (content.front() == '[') {
    const size_t close = content.find(']');
    if (close == std::string_view::npos) return {};
    return {LineKind::Section, TrimBlanks(content.substr(1, close - 1)), 0};
  }
  const size_t equals = content.find('=');
  if (equals == std::string_view::npos) return {};
  const std::string_view name = TrimBlanks(content.substr(0, equals));
  if (name.empty()) return {};
  return {LineKind::Key, name, offset + equals + 1};
}

// Where a key is, or where it would go.
struct KeySearch {
  bool SectionFound = false;
  size_t InsertAt = 0;  // end of the section's last key line, or of its header
  bool KeyFound = false;
  LineSpan KeyLine;
  size_t ValueBegin = 0;
};

KeySearch FindKey(std::string_view bytes, std::string_view section, std::string_view key) {
  KeySearch search;
  bool inSection = false;
  for (size_t begin = 0; begin < bytes.size();) {
    const LineSpan line = LineAt(bytes, begin);
    begin = line.End;
    const LineInfo info = Classify(bytes, line);
    if (info.Kind == LineKind::Section) {
      if (inSection) break;  // only the first section of a name counts
      if (EqualsIgnoringCase(info.Name, section)) {
        inSection = search.SectionFound = true;
        search.InsertAt = line.End;
      }
    } else if (info.Kind == LineKind::Key && inSection) {
      search.InsertAt = line.End;
      if (EqualsIgnoringCase(info.Name, key)) {
        search.KeyFound = true;
        search.KeyLine = line;
        search.ValueBegin = info.ValueBegin;
        break;
      }
    }
  }
  return search;
}

std::string_view NewlineOf(std::string_view bytes) {
  const size_t lf = bytes.find('\n');
  return (lf != std::string_view::npos && lf > 0 && bytes[lf - 1] == '\r') ? "\r\n" : "\n";
}

bool LastLineIsBlank(std::string_view bytes) {
  if (!bytes.empty() && bytes.back() == '\n') bytes.remove_suffix(1);
  const size_t lf = bytes.rfind('\n');
  const std::string_view last = lf == std::string_view::npos ? bytes : bytes.substr(lf + 1);
  return TrimBlanks(last).empty();
}

}  // namespace

std::optional<std::string> ProfileFile::Lookup(std::string_view section,
                                               std::string_view key) const {
  if (section.empty() || key.empty()) return std::nullopt;
  const KeySearch search = FindKey(bytes_, section, key);
  if (!search.KeyFound) return std::nullopt;
  const std::string_view raw = std::string_view(bytes_).substr(
      search.ValueBegin, search.KeyLine.ContentEnd - search.ValueBegin);
  return std::string(DecodeValue(raw).substr(0, kProfileValueMaxLength));
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
  std::optional<std::string> value = Lookup(section, key);
  return value ? std::move(*value) : std::string(fallback);
}

int32_t ProfileFile::ReadInteger(std::string_view section, std::string_view key,
                                 int32_t fallback) const {
  const std::optional<std::string> value = Lookup(section, key);
  if (!value) return fallback;
  return ParseProfileInteger(*value).value_or(fallback);
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  if (!IsStorableSectionName(section) || !IsStorableKeyName(key)) return false;
  value = FirstLineOf(value);
  const std::string encoded = EncodeValue(value);
  const KeySearch search = FindKey(bytes_, section, key);

  if (search.KeyFound) {
    const LineSpan& line = search.KeyLine;
    const std::string_view raw =
        std::string_view(bytes_).substr(search.ValueBegin, line.ContentEnd - search.ValueBegin);
    if (DecodeValue(raw) == value) return true;  // keep the user's spelling of the same value
    size_t valueStart = search.ValueBegin;
    while (valueStart < line.ContentEnd &&
           (bytes_[valueStart] == ' ' || bytes_[valueStart] == '\t'))
      ++valueStart;
    bytes_.replace(valueStart, line.ContentEnd - valueStart, encoded);
    return true;
  }

  const std::string_view newline = NewlineOf(bytes_);
  std::string keyLine;
  keyLine.append(key).append("=").append(encoded).append(newline);
  if (search.SectionFound) {
    // The section's last line may be the file's last line without a line ending.
    if (search.InsertAt == bytes_.size() && !bytes_.empty() && bytes_.back() != '\n')
      keyLine.insert(0, newline);
    bytes_.insert(search.InsertAt, keyLine);
    return true;
  }

  std::string appended;
  if (!bytes_.empty()) {
    if (bytes_.back() != '\n') appended += newline;
    if (!LastLineIsBlank(bytes_)) appended += newline;
  }
  appended.append("[").append(section).append("]").append(newline).append(keyLine);
  bytes_ += appended;
  return true;
}

bool ProfileFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  return WriteString(section, key, std::to_string(value));
}

bool ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

std::optional<int32_t> ParseProfileInteger(std::string_view text) {
  // Tabs in front count as blanks here too; the number itself reads as every number text does.
  while (text.starts_with(' ') || text.starts_with('\t')) text.remove_prefix(1);
  return IntegerOfText(text);
}

}  // namespace kv
