#include "core/link/caption_text.h"

namespace kv {

std::string TrimSystemMessage(std::string_view message) {
  if (message.size() > kSystemMessageMaxLength)
    message = message.substr(0, kSystemMessageMaxLength);
  while (!message.empty()) {
    const auto last = static_cast<unsigned char>(message.back());
    if (last > ' ' && last != '.') break;
    message.remove_suffix(1);
  }
  return std::string(message);
}

std::string ErrorCaption(uint32_t code, std::string_view systemMessage) {
  return "Error(" + std::to_string(code) + "):" + TrimSystemMessage(systemMessage);
}

}  // namespace kv
