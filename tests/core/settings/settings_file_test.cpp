#include "core/settings/settings_file.h"

#include <gtest/gtest.h>

#include "platform/sim/memory_file_store.h"

namespace kv {
namespace {

const std::filesystem::path kFile = "/opt/kestrovane/config.ini";

// What a save of the defaults writes into a new file.
constexpr std::string_view kDefaultFile =
    "[General]\nCursorMode=Motion\nRumbleOnEdge=1\nUseMotionWhenLostIR=0\nMinimizeOnStartup=0\n"
    "\n[Motion]\nSensorThreshold=2\nOnPush=Slower\nInvertH=0\nInvertV=0\nBaseX=128\nBaseY=128\n"
    "BaseZ=160\nSpeedFast=5\nSpeedSlow=3\nRecalibrate=0\n"
    "\n[Up]\nType=Keys\nValue=Up\n"
    "\n[Down]\nType=Keys\nValue=Down\n"
    "\n[Right]\nType=Keys\nValue=Right\n"
    "\n[Left]\nType=Keys\nValue=Left\n"
    "\n[A]\nType=Mouse->Left Click\nValue=\n"
    "\n[B]\nType=Cursor ON/OFF\nValue=\n"
    "\n[Home]\nType=Keys\nValue=BkSp\n"
    "\n[Plus]\nType=Keys\nValue=Enter\n"
    "\n[Minus]\nType=Mouse->Right Click\nValue=\n"
    "\n[1]\nType=Keys\nValue=Tab\n"
    "\n[2]\nType=Keys\nValue=Enter\n";

class SettingsFileTest : public testing::Test {
 protected:
  void Load() { LoadSettings(store_, kFile, settings_, assign_); }
  void Save() { SaveSettings(store_, kFile, settings_, assign_); }
  void LoadFrom(std::string bytes) {
    store_.PutFile(kFile, std::move(bytes));
    Load();
  }

  sim::MemoryFileStore store_;
  TKestrovaneSetting settings_;
  TWiimoteButtonAssign assign_;
};

TEST_F(SettingsFileTest, WithoutAFileEverythingTakesItsDefault) {
  store_.AddDirectory(kFile.parent_path());
  Load();
  EXPECT_EQ(assign_[kSlotA], (TButtonAssign{"Mouse->Left Click", ""}));
  EXPECT_EQ(store_.ReplaceCount(), 0) << "loading must not create the file";

  // Saving what was loaded shows every default, in order.
  Save();
  EXPECT_EQ(store_.FileBytes(kFile), kDefaultFile);
}

// Every key a value unlike its default and unlike the others, so a key read into the wrong
// field shows.
TEST_F(SettingsFileTest, EveryKeyLandsInItsOwnField) {
  LoadFrom(
      "[general]\ncursormode=IR\nRumbleOnEdge=0\nUseMotionWhenLostIR=1\nMinimizeOnStartup=1\n"
      "[MOTION]\nSensorThreshold=11\nOnPush=faster\nInvertH=1\nInvertV=0\nBaseX=-7\nBaseY=12\n"
      "BaseZ=13\nSpeedFast=50\nSpeedSlow=14\nRecalibrate=1\n"
      "[Up]\nType=Mouse -> Left Click\nValue=\n[2]\nValue=Win+D\n");
  const TKestrovaneSetting& s = settings_;
  EXPECT_EQ(std::tie(s.CursorMode, s.RumbleOnEdge, s.UseMotionWhenLostIR, s.MinimizeOnStartup),
            std::make_tuple("IR", false, true, true));
  EXPECT_EQ(std::tie(s.SensorThreshold, s.OnPush, s.InvertH, s.InvertV, s.Recalibrate),
            std::make_tuple(11, "faster", true, false, true));
  EXPECT_EQ(std::tie(s.BaseX, s.BaseY, s.BaseZ, s.SpeedFast, s.SpeedSlow),
            std::make_tuple(-7, 12, 13, 50, 14));
  EXPECT_EQ(assign_[kSlotUp], (TButtonAssign{"Mouse -> Left Click", ""}))
      << "an empty Value is empty, not the default";
  EXPECT_EQ(assign_[kSlotTwo], (TButtonAssign{"Keys", "Win+D"}));
  EXPECT_EQ(assign_[kSlotDown], (TButtonAssign{"Keys", "Down"}));
}

TEST_F(SettingsFileTest, IntegerKeysFallBackToTheirDefault) {
  const std::pair<const char*, int32_t> cases[] = {{"0x10", 16},  {"$10", 16},      {" 7", 7},
                                                   {"\" 7\"", 7}, {"7x", 5},        {"", 5},
                                                   {"true", 5},   {"2147483648", 5}};
  for (const auto& [text, expected] : cases) {
    LoadFrom(std::string("[Motion]\nSpeedFast=") + text + "\n");
    EXPECT_EQ(settings_.SpeedFast, expected) << text;
  }
}

TEST_F(SettingsFileTest, BooleanKeysReadAsIntegers) {
  const std::tuple<const char*, bool, bool> cases[] = {
      // value, InvertV (default false), RumbleOnEdge (default true)
      {"2", true, true},     {"-1", true, true}, {"0", false, false},
      {"true", false, true}, {"", false, true},  {"$0", false, false}};
  for (const auto& [text, invertV, rumble] : cases) {
    LoadFrom(std::string("[Motion]\nInvertV=") + text + "\n[General]\nRumbleOnEdge=" + text + "\n");
    EXPECT_EQ(settings_.InvertV, invertV) << text;
    EXPECT_EQ(settings_.RumbleOnEdge, rumble) << text;
  }
}

TEST_F(SettingsFileTest, SaveKeepsEveryForeignByte) {
  const std::string before =
      "; my settings\r\n"
      "[Extra]\r\nfoo = bar \r\n"
      "[general]\r\ncursormode=IR\r\nUnknown=1\r\n\r\n"
      "odd line\r\n"
      "[Up]\r\nType=Keys\r\n; trailing comment\r\n";
  store_.PutFile(kFile, before);
  Load();
  settings_.SpeedFast = 9;
  assign_[kSlotUp].ActionValue = "Ctrl+C";
  Save();
  const std::string after = *store_.FileBytes(kFile);
  EXPECT_TRUE(after.starts_with(
      "; my settings\r\n"
      "[Extra]\r\nfoo = bar \r\n"
      "[general]\r\ncursormode=IR\r\nUnknown=1\r\nRumbleOnEdge=1\r\nUseMotionWhenLostIR=0\r\n"
      "MinimizeOnStartup=0\r\n\r\n"
      "odd line\r\n"
      "[Up]\r\nType=Keys\r\nValue=Ctrl+C\r\n; trailing comment\r\n\r\n[Motion]\r\n"))
      << after;
  EXPECT_NE(after.find("\r\nSpeedFast=9\r\n"), std::string::npos);
  for (size_t lf = after.find('\n'); lf != std::string::npos; lf = after.find('\n', lf + 1))
    ASSERT_EQ(after[lf - 1], '\r') << "new lines end like the file's own, at " << lf;

  // A second load sees exactly what was saved; a second save changes nothing.
  TKestrovaneSetting reloaded;
  TWiimoteButtonAssign reassigned;
  LoadSettings(store_, kFile, reloaded, reassigned);
  EXPECT_EQ(reloaded.SpeedFast, 9);
  EXPECT_EQ(reloaded.CursorMode, "IR");
  EXPECT_EQ(reassigned, assign_);
  Save();
  EXPECT_EQ(store_.FileBytes(kFile), after);
}

TEST_F(SettingsFileTest, ASaveCreatesTheMissingConfigurationDirectory) {
  const std::filesystem::path file = "/home/u/.config/kestrovane/config.ini";
  store_.AddDirectory("/home/u");
  LoadSettings(store_, file, settings_, assign_);
  SaveSettings(store_, file, settings_, assign_);
  EXPECT_EQ(store_.FileBytes(file), kDefaultFile);
}

// Every refusal: the error names the full path, and the file is exactly as before.
class SettingsSaveRefusal : public SettingsFileTest {
 protected:
  void ExpectRefusedSave(const std::optional<std::string>& bytesBefore) {
    try {
      Save();
      ADD_FAILURE() << "the save was not refused";
    } catch (const SettingsWriteError& error) {
      EXPECT_STREQ(error.what(), "/opt/kestrovane/config.ini に書き込めません");
      EXPECT_NE(error.Cause().Code, 0);
    }
    EXPECT_EQ(store_.FileBytes(kFile), bytesBefore);
  }
};

TEST_F(SettingsSaveRefusal, ReadOnlyFile) {
  store_.PutFile(kFile, "[General]\nCursorMode=IR\n", /*readOnly=*/true);
  Load();
  settings_.SpeedFast = 9;
  ExpectRefusedSave("[General]\nCursorMode=IR\n");
}

TEST_F(SettingsSaveRefusal, DirectoryThatTakesNoNewFile) {
  store_.AddDirectory(kFile.parent_path(), /*writable=*/false);
  Load();
  ExpectRefusedSave(std::nullopt);
}

TEST_F(SettingsSaveRefusal, DiskFullWhileWriting) {
  store_.PutFile(kFile, "[General]\nCursorMode=IR\n");
  Load();
  settings_.CursorMode = "Motion";
  store_.FailNextReplace({"write", ENOSPC, "No space left on device"});
  ExpectRefusedSave("[General]\nCursorMode=IR\n");
}

TEST_F(SettingsSaveRefusal, FileThatCannotBeReadIsNotOverwritten) {
  store_.PutFile(kFile, "[Mine]\nkeep=me\n");
  store_.FailReadsOf(kFile);
  Load();
  EXPECT_EQ(settings_.CursorMode, "Motion") << "an unreadable file loads as defaults";
  ExpectRefusedSave("[Mine]\nkeep=me\n");
  EXPECT_EQ(store_.ReplaceCount(), 0);
}

TEST(SettingsWriteError, NamesTheFullPathOfARelativeFile) {
  const SettingsWriteError error("config.ini", {"open", EACCES, "Permission denied"});
  EXPECT_EQ(std::string(error.what()),
            (std::filesystem::current_path() / "config.ini").string() + " に書き込めません");
  EXPECT_EQ(error.Cause().Call, "open");
}

}  // namespace
}  // namespace kv
