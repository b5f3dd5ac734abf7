#pragma once

#include <cstdint>

namespace kv {

// Receives the 16-bit core-button word of every input report (data byte 0 high, byte 1 low).
class ButtonWordHandler {
 public:
  virtual ~ButtonWordHandler() = default;
  virtual void HandleButtonWord(uint16_t word) = 0;
};

}  // namespace kv
