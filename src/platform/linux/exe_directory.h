#pragma once

#include <filesystem>
#include <string>

#include "core/port/file_store.h"

namespace kv::linux_backend {

// The directory of the running executable with its trailing '/', e.g. "/opt/kestrovane/".
// Returns an empty text when the system does not tell (then files named relative to it land in
// the working directory).
std::string ExeDirectory();

// The settings file of this process: config.ini beside the executable, or in the user's
// configuration directory ($XDG_CONFIG_HOME or ~/.config, then "kestrovane") when the
// executable's directory holds none and does not let us create one.
std::filesystem::path ConfigFilePath(FileStore& store);

}  // namespace kv::linux_backend
