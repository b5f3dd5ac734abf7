// Parses arbitrary key-combination texts, with and without the Windows-key removal the dialog and
// key injection apply first, and checks that any word found reads back: its text must parse to a
// word with the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/actions/catalogue.h"
#include "platform/sim/us_key_names.h"

namespace {

void CheckReadsBack(uint16_t word, kv::KeyNames& keyNames) {
  if (word == 0) return;
  const std::string text = kv::ShortCutToText(word, keyNames);
  if (text.empty()) std::abort();  // a word found by name always has a name
  if (kv::ShortCutToText(kv::TextToShortCut(text, keyNames), keyNames) != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static kv::sim::UsKeyNames keyNames;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckReadsBack(kv::TextToShortCut(text, keyNames), keyNames);
  CheckReadsBack(kv::TextToShortCut(kv::RemoveWindowsKey(text), keyNames), keyNames);
  return 0;
}
