#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "core/port/file_store.h"

namespace kv {

// The settings file's name.
inline constexpr std::string_view kConfigFileName = "config.ini";

// The per-user directory for the settings file: "kestrovane" in $XDG_CONFIG_HOME, or in
// $HOME/.config when that is unset. Empty or relative values count as unset (they would make the
// location depend on the working directory). nullopt when neither gives a directory.
std::optional<std::filesystem::path> UserConfigDirectory(std::string_view xdgConfigHome,
                                                         std::string_view home);

// Where the settings file lives: "config.ini" in `exeDirectory` (the executable's directory,
// with its trailing separator). When a `userDirectory` is given and the executable's directory
// neither holds a config.ini nor lets us create files, the file goes there instead; a save then
// creates that directory. Writability is decided by trying, so a user who may write anywhere
// keeps the file beside the executable.
std::filesystem::path ChooseConfigPath(std::string_view exeDirectory,
                                       const std::optional<std::filesystem::path>& userDirectory,
                                       FileStore& store);

}  // namespace kv
