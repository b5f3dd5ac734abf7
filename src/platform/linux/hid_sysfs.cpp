#include "platform/linux/hid_sysfs.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace kv::linux_backend {
namespace {

// Parses 1 to 8 hexadecimal digits; nullopt for anything else.
std::optional<uint32_t> ParseHex32(std::string_view text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (const char c : text) {
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = (value << 4) | digit;
  }
  return value;
}

std::optional<uint16_t> ParseHex16(std::string_view text) {
  const std::optional<uint32_t> v = ParseHex32(text);
  if (!v || *v > 0xFFFF) return std::nullopt;
  return static_cast<uint16_t>(*v);
}

}  // namespace

uint32_t Fnv1a32(std::string_view text) {
  uint32_t hash = 2166136261u;
  for (const char c : text) {
    hash ^= static_cast<uint8_t>(c);
    hash *= 16777619u;
  }
  return hash;
}

std::optional<HidId> ParseHidId(std::string_view text) {
  const size_t first = text.find(':');
  if (first == std::string_view::npos) return std::nullopt;
  const size_t second = text.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const auto bus = ParseHex16(text.substr(0, first));
  const auto vendor = ParseHex16(text.substr(first + 1, second - first - 1));
  const auto product = ParseHex16(text.substr(second + 1));
  if (!bus || !vendor || !product) return std::nullopt;
  return HidId{*bus, *vendor, *product};
}

std::optional<std::string> UeventValue(std::string_view uevent, std::string_view key) {
  while (!uevent.empty()) {
    const size_t end = uevent.find('\n');
    const std::string_view line = uevent.substr(0, end);
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=') {
      return std::string(line.substr(key.size() + 1));
    }
    if (end == std::string_view::npos) break;
    uevent.remove_prefix(end + 1);
  }
  return std::nullopt;
}

std::optional<std::string> ReadSmallFile(const std::string& path, size_t maxBytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string content;
  char chunk[4096];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      close(fd);
      errno = error;
      return std::nullopt;
    }
    if (n == 0) break;
    if (static_cast<size_t>(n) > maxBytes - content.size()) {
      close(fd);
      errno = EFBIG;
      return std::nullopt;
    }
    content.append(chunk, static_cast<size_t>(n));
  }
  close(fd);
  return content;
}

uint16_t UsbReleaseNumber(const std::string& sysfsRoot, const std::string& deviceDir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path devices = fs::canonical(fs::path(sysfsRoot) / "devices", ec);
  if (ec) return 0;
  fs::path dir = fs::canonical(deviceDir, ec);
  if (ec) return 0;
  const std::string inside = devices.string() + "/";
  // Device trees are shallow; the bound only guards against a malformed tree.
  for (int depth = 0; depth < 64 && dir.string().rfind(inside, 0) == 0; ++depth) {
    const auto text = ReadSmallFile((dir / "bcdDevice").string(), 64);
    if (text) {
      const size_t end = text->find_first_of(" \n");
      return ParseHex16(std::string_view(*text).substr(0, end)).value_or(0);
    }
    dir = dir.parent_path();
  }
  return 0;
}

}  // namespace kv::linux_backend
