#include "platform/linux/exe_directory.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "core/settings/config_location.h"

namespace kv::linux_backend {
namespace {

std::string_view EnvironmentText(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string_view(value) : std::string_view();
}

}  // namespace

std::string ExeDirectory() {
  // readlink does not say whether it truncated, so grow the buffer until the link fits.
  for (size_t size = 256; size <= 65536; size *= 2) {
    std::vector<char> buffer(size);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<size_t>(length) < buffer.size()) {
      const std::string path(buffer.data(), static_cast<size_t>(length));
      const size_t slash = path.rfind('/');
      return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    }
  }
  return {};
}

std::filesystem::path ConfigFilePath(FileStore& store) {
  return ChooseConfigPath(
      ExeDirectory(),
      UserConfigDirectory(EnvironmentText("XDG_CONFIG_HOME"), EnvironmentText("HOME")), store);
}

}  // namespace kv::linux_backend
