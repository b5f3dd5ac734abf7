// Any bytes as a profile file: look keys up, write keys, and check after every write that the
// value reads back, that no other key changed and that every untouched line kept its bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/settings/profile_file.h"

namespace {

#define CHECK(condition)                                                     \
  do {                                                                       \
    if (!(condition)) {                                                      \
      fprintf(stderr, "check failed: %s (line %d)\n", #condition, __LINE__); \
      abort();                                                               \
    }                                                                        \
  } while (0)

const char* const kSections[] = {"General", "motion", "Up", "1", "s", "[x", "a b"};
const char* const kKeys[] = {"CursorMode", "speedfast", "Type", "Value", "k", "a;b", "x y"};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The file cut after each LF; the last piece may lack one.
std::vector<std::string_view> Pieces(std::string_view bytes) {
  std::vector<std::string_view> pieces;
  while (!bytes.empty()) {
    const size_t lf = bytes.find('\n');
    const size_t length = lf == std::string_view::npos ? bytes.size() : lf + 1;
    pieces.push_back(bytes.substr(0, length));
    bytes.remove_prefix(length);
  }
  return pieces;
}

// A write changes at most one existing line (the key's own line, keeping everything up to its
// '=', or a last line that gets its missing line ending) and adds at most a blank line, a
// header and a key line.
void CheckOnlyOneLineChanged(std::string_view before, std::string_view after) {
  const std::vector<std::string_view> old = Pieces(before), now = Pieces(after);
  size_t prefix = 0;
  while (prefix < old.size() && prefix < now.size() && old[prefix] == now[prefix]) ++prefix;
  size_t suffix = 0;
  while (suffix < old.size() - prefix && suffix < now.size() - prefix &&
         old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix])
    ++suffix;
  const size_t oldChanged = old.size() - prefix - suffix;
  const size_t newChanged = now.size() - prefix - suffix;
  CHECK(oldChanged <= 1);
  CHECK(newChanged <= 4);
  if (oldChanged == 0) return;
  const std::string_view was = old[prefix];
  CHECK(newChanged >= 1);
  const std::string_view is = now[prefix];
  if (!was.ends_with('\n') && (is == std::string(was) + "\n" || is == std::string(was) + "\r\n"))
    return;
  const size_t equals = was.find('=');
  CHECK(equals != std::string_view::npos);
  CHECK(newChanged == 1);
  CHECK(is.starts_with(was.substr(0, equals + 1)));
  CHECK(was.ends_with("\r\n") == is.ends_with("\r\n"));
  CHECK(was.ends_with('\n') == is.ends_with('\n'));
}

std::string ExpectedReadBack(std::string_view value) {
  if (const size_t lf = value.find('\n'); lf != std::string_view::npos)
    value = value.substr(0, lf > 0 && value[lf - 1] == '\r' ? lf - 1 : lf);
  return std::string(value.substr(0, kv::kProfileValueMaxLength));
}

std::string PickName(FuzzedDataProvider& data, const char* const* fixed, size_t count) {
  if (data.ConsumeBool()) return data.ConsumeRandomLengthString(12);
  return fixed[data.ConsumeIntegralInRange<size_t>(0, count - 1)];
}

void CheckInteger(std::string_view text) {
  const std::optional<int32_t> number = kv::ParseProfileInteger(text);
  if (number) CHECK(kv::ParseProfileInteger(std::to_string(*number)) == number);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  struct Write {
    std::string Section, Key, Value;
  };
  std::vector<Write> writes(data.ConsumeIntegralInRange<size_t>(0, 6));
  for (Write& write : writes) {
    write.Section = PickName(data, kSections, std::size(kSections));
    write.Key = PickName(data, kKeys, std::size(kKeys));
    write.Value = data.ConsumeBool() ? data.ConsumeRandomLengthString(40)
                                     : std::string(data.ConsumeIntegral<uint16_t>() % 2100, 'v');
  }
  const std::string original = data.ConsumeRemainingBytesAsString();

  kv::ProfileFile file(original);
  CHECK(file.Bytes() == original);
  for (const Write& probe : writes) {
    const std::optional<std::string> value = file.Lookup(probe.Section, probe.Key);
    if (value) {
      CHECK(value->size() <= kv::kProfileValueMaxLength);
      CheckInteger(*value);
    }
  }

  for (const Write& write : writes) {
    std::vector<std::optional<std::string>> others;
    for (const Write& probe : writes) others.push_back(file.Lookup(probe.Section, probe.Key));

    const std::string before = file.Bytes();
    if (!file.WriteString(write.Section, write.Key, write.Value)) {
      CHECK(file.Bytes() == before);
      continue;
    }
    CHECK(file.Lookup(write.Section, write.Key) == ExpectedReadBack(write.Value));
    CheckOnlyOneLineChanged(before, file.Bytes());
    for (size_t i = 0; i < writes.size(); ++i) {
      const Write& probe = writes[i];
      if (SameIgnoringCase(probe.Section, write.Section) && SameIgnoringCase(probe.Key, write.Key))
        continue;
      CHECK(file.Lookup(probe.Section, probe.Key) == others[i]);
    }
  }
  return 0;
}
