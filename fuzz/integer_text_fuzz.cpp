// Reads arbitrary texts as number fields and checks what any accepted value must satisfy: blanks
// in front change nothing, and the value's own decimal and hexadecimal texts read back as it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/ui/integer_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto value = kv::IntegerOfText(text);
  if (kv::IntegerOfText("  " + std::string(text)) != value) std::abort();
  if (!value) return 0;

  if (kv::IntegerOfText(std::to_string(*value)) != value) std::abort();
  const int64_t wide = *value;
  char hex[32];
  std::snprintf(hex, sizeof hex, "%s$%llx", wide < 0 ? "-" : "",
                static_cast<unsigned long long>(wide < 0 ? -wide : wide));
  if (kv::IntegerOfText(hex) != value) std::abort();
  return 0;
}
