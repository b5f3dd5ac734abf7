#include "core/settings/config_location.h"

#include <string>

namespace kv {

std::optional<std::filesystem::path> UserConfigDirectory(std::string_view xdgConfigHome,
                                                         std::string_view home) {
  const std::filesystem::path xdg(xdgConfigHome);
  if (xdg.is_absolute()) return xdg / "kestrovane";
  const std::filesystem::path homePath(home);
  if (homePath.is_absolute()) return homePath / ".config" / "kestrovane";
  return std::nullopt;
}

std::filesystem::path ChooseConfigPath(std::string_view exeDirectory,
                                       const std::optional<std::filesystem::path>& userDirectory,
                                       FileStore& store) {
  std::filesystem::path beside(std::string(exeDirectory) + std::string(kConfigFileName));
  if (!userDirectory || store.Exists(beside)) return beside;
  const std::filesystem::path dir(exeDirectory.empty() ? std::string(".")
                                                       : std::string(exeDirectory));
  if (store.CanCreateFileIn(dir)) return beside;
  return *userDirectory / kConfigFileName;
}

}  // namespace kv
