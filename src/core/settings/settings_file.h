#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "core/actions/assign.h"
#include "core/port/file_store.h"
#include "core/settings/settings.h"

namespace kv {

// A save that could not be completed. what() is the text the user sees: the file's full path
// followed by " に書き込めません". The file is then exactly as it was before the save.
class SettingsWriteError : public std::runtime_error {
 public:
  SettingsWriteError(const std::filesystem::path& file, FileError cause);

  const std::filesystem::path& File() const { return file_; }
  // The refusing system call, for diagnostics; the user sees only what().
  const FileError& Cause() const { return cause_; }

 private:
  std::filesystem::path file_;
  FileError cause_;
};

// Fills `settings` and all eleven `assign` slots from the profile file `file`. Every key falls
// back to its own default when it is missing or (for numbers) not a number, so a missing or
// unreadable file gives the defaults everywhere. Never writes anything.
void LoadSettings(FileStore& store, const std::filesystem::path& file, TKestrovaneSetting& settings,
                  TWiimoteButtonAssign& assign);

// Fills `settings` and all eleven `assign` slots with the values a start without config.ini has.
void DefaultSettings(TKestrovaneSetting& settings, TWiimoteButtonAssign& assign);

// Writes every setting and assignment into `file`, keeping all other lines of the file as they
// are, and replaces the file in one step. Creates the file's directory when the file does not
// exist yet. Throws SettingsWriteError when the file cannot be read or replaced; the file is
// then left byte for byte unchanged.
void SaveSettings(FileStore& store, const std::filesystem::path& file,
                  const TKestrovaneSetting& settings, const TWiimoteButtonAssign& assign);

}  // namespace kv
