#include "core/settings/settings_file.h"

#include <system_error>

#include "core/actions/catalogue.h"
#include "core/settings/profile_file.h"

namespace kv {
namespace {

constexpr std::string_view kGeneral = "General";
constexpr std::string_view kMotion = "Motion";

// Every key of config.ini in the order a save writes it, with its default. Load and save both
// walk this one list, so they can never disagree about a name, an order or a default.
// `Settings`/`Assign` are const for the save and mutable for the load.
template <class Settings, class Assign, class Visitor>
void VisitKeys(Settings& s, Assign& assign, Visitor&& visit) {
  visit.Text(kGeneral, "CursorMode", s.CursorMode, "Motion");
  visit.Bool(kGeneral, "RumbleOnEdge", s.RumbleOnEdge, true);
  visit.Bool(kGeneral, "UseMotionWhenLostIR", s.UseMotionWhenLostIR, false);
  visit.Bool(kGeneral, "MinimizeOnStartup", s.MinimizeOnStartup, false);
  visit.Integer(kMotion, "SensorThreshold", s.SensorThreshold, 2);
  visit.Text(kMotion, "OnPush", s.OnPush, "Slower");
  visit.Bool(kMotion, "InvertH", s.InvertH, false);
  visit.Bool(kMotion, "InvertV", s.InvertV, false);
  visit.Integer(kMotion, "BaseX", s.BaseX, 128);
  visit.Integer(kMotion, "BaseY", s.BaseY, 128);
  visit.Integer(kMotion, "BaseZ", s.BaseZ, 160);
  visit.Integer(kMotion, "SpeedFast", s.SpeedFast, 5);
  visit.Integer(kMotion, "SpeedSlow", s.SpeedSlow, 3);
  visit.Bool(kMotion, "Recalibrate", s.Recalibrate, false);
  for (size_t slot = 0; slot < kButtonSlots.size(); ++slot) {
    const ButtonSlotInfo& info = kButtonSlots[slot];
    visit.Text(info.SectionName, "Type", assign[slot].ActionType, info.DefaultType);
    visit.Text(info.SectionName, "Value", assign[slot].ActionValue, info.DefaultValue);
  }
}

struct Loader {
  const ProfileFile& file;
  void Text(std::string_view section, std::string_view key, std::string& field,
            std::string_view fallback) {
    field = file.ReadString(section, key, fallback);
  }
  void Integer(std::string_view section, std::string_view key, int32_t& field, int32_t fallback) {
    field = file.ReadInteger(section, key, fallback);
  }
  void Bool(std::string_view section, std::string_view key, bool& field, bool fallback) {
    field = file.ReadBool(section, key, fallback);
  }
};

// Our section and key names are all storable, so the writes cannot be refused.
struct Saver {
  ProfileFile& file;
  void Text(std::string_view section, std::string_view key, const std::string& field,
            std::string_view) {
    file.WriteString(section, key, field);
  }
  void Integer(std::string_view section, std::string_view key, int32_t field, int32_t) {
    file.WriteInteger(section, key, field);
  }
  void Bool(std::string_view section, std::string_view key, bool field, bool) {
    file.WriteBool(section, key, field);
  }
};

std::string FullPathText(const std::filesystem::path& file) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(file, error);
  return (error ? file : full).string();
}

}  // namespace

SettingsWriteError::SettingsWriteError(const std::filesystem::path& file, FileError cause)
    : std::runtime_error(FullPathText(file) + " に書き込めません"),
      file_(file),
      cause_(std::move(cause)) {}

void LoadSettings(FileStore& store, const std::filesystem::path& file, TKestrovaneSetting& settings,
                  TWiimoteButtonAssign& assign) {
  // A file that exists but cannot be read gives the defaults, as a missing one does; the save
  // at exit then refuses to overwrite it (see SaveSettings).
  FileReadResult read = store.ReadWhole(file);
  const ProfileFile profile(read.Status == FileReadStatus::Ok ? std::move(read.Bytes)
                                                              : std::string());
  VisitKeys(settings, assign, Loader{profile});
}

void DefaultSettings(TKestrovaneSetting& settings, TWiimoteButtonAssign& assign) {
  const ProfileFile empty{std::string()};
  VisitKeys(settings, assign, Loader{empty});
}

void SaveSettings(FileStore& store, const std::filesystem::path& file,
                  const TKestrovaneSetting& settings, const TWiimoteButtonAssign& assign) {
  // The new file is built from the old one, so lines we cannot read could not be kept: refuse
  // rather than overwrite them.
  FileReadResult read = store.ReadWhole(file);
  if (read.Status == FileReadStatus::Failed) throw SettingsWriteError(file, read.Error);

  ProfileFile profile(std::move(read.Bytes));
  VisitKeys(settings, assign, Saver{profile});

  if (read.Status == FileReadStatus::Missing && file.has_parent_path()) {
    if (std::optional<FileError> error = store.CreateDirectories(file.parent_path()))
      throw SettingsWriteError(file, *error);
  }
  if (std::optional<FileError> error = store.ReplaceWhole(file, profile.Bytes()))
    throw SettingsWriteError(file, *error);
}

}  // namespace kv
