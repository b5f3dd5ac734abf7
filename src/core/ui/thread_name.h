#pragma once

#if defined(__linux__)
#include <pthread.h>
#endif

namespace kv {

// Names the calling thread as tools that list a process's threads show it (top, ps, /proc),
// so that a profile tells the program's own threads apart. Linux keeps at most 15 characters.
// Elsewhere it does nothing.
inline void NameCurrentThread([[maybe_unused]] const char* name) {
#if defined(__linux__)
  pthread_setname_np(pthread_self(), name);
#endif
}

}  // namespace kv
