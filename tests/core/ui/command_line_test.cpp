#include "core/ui/command_line.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(CommandLine, NoArgumentsMeansTheRealController) {
  const auto result = ParseCommandLine({});
  EXPECT_TRUE(result.Error.empty());
  EXPECT_FALSE(result.Options.UsesVirtualWiimote());
  EXPECT_FALSE(result.Options.ShowHelp);
}

TEST(CommandLine, OptionsTakeTheirValueSeparatedOrAfterEquals) {
  auto result = ParseCommandLine({"--virtual-wiimote", "a.txt", "--virtual-wiimote-log=out.log"});
  ASSERT_TRUE(result.Error.empty()) << result.Error;
  EXPECT_EQ(result.Options.VirtualWiimoteFile, "a.txt");
  EXPECT_EQ(result.Options.VirtualWiimoteLog, "out.log");
  EXPECT_TRUE(result.Options.UsesVirtualWiimote());

  result = ParseCommandLine({"--demo", "--virtual-wiimote-log", "demo.log"});
  ASSERT_TRUE(result.Error.empty()) << result.Error;
  EXPECT_TRUE(result.Options.Demo);
  EXPECT_EQ(result.Options.VirtualWiimoteLog, "demo.log");
}

TEST(CommandLine, InputBackendIsAutomaticUnlessForced) {
  EXPECT_EQ(ParseCommandLine({}).Options.InputBackend, InputBackendChoice::Automatic);
  EXPECT_EQ(ParseCommandLine({"--input-backend=x11"}).Options.InputBackend,
            InputBackendChoice::X11);
  EXPECT_EQ(ParseCommandLine({"--input-backend", "uinput", "--demo"}).Options.InputBackend,
            InputBackendChoice::Uinput);
  EXPECT_EQ(
      ParseCommandLine({"--input-backend=uinput", "--input-backend=auto"}).Options.InputBackend,
      InputBackendChoice::Automatic);
  for (const char* bad : {"--input-backend=wayland", "--input-backend=X11", "--input-backend"}) {
    EXPECT_NE(ParseCommandLine({bad}).Error.find("x11, uinput or auto"), std::string::npos) << bad;
  }
  EXPECT_NE(CommandLineHelp("kestrovane").find("--input-backend"), std::string::npos);
}

// The Windows program has no input backends to choose from: the option is unknown there and its
// help leaves it out, while every other option stays as on Linux.
TEST(CommandLine, InputBackendOptionCanBeAbsent) {
  const auto refused = ParseCommandLine({"--input-backend=x11"}, InputBackendOption::Absent);
  EXPECT_NE(refused.Error.find("unknown argument '--input-backend=x11'"), std::string::npos);
  EXPECT_TRUE(
      ParseCommandLine({"--demo", "--virtual-wiimote-log=d.log"}, InputBackendOption::Absent)
          .Error.empty());
  const std::string linuxHelp = CommandLineHelp("kestrovane");
  const std::string windowsHelp = CommandLineHelp("kestrovane", InputBackendOption::Absent);
  EXPECT_EQ(windowsHelp.find("--input-backend"), std::string::npos);
  EXPECT_EQ(windowsHelp.find("uinput"), std::string::npos);
  for (const char* option : {"--virtual-wiimote FILE", "--virtual-wiimote-log FILE", "--demo",
                             "--help", "--version", "Usage: kestrovane [OPTION]..."}) {
    EXPECT_NE(windowsHelp.find(option), std::string::npos) << option;
    EXPECT_NE(linuxHelp.find(option), std::string::npos) << option;
  }
  // Only the option's own lines differ.
  const std::size_t from = linuxHelp.find("  --input-backend");
  const std::size_t to = linuxHelp.find("  --help");
  ASSERT_LT(from, to);
  EXPECT_EQ(std::string(linuxHelp).erase(from, to - from), windowsHelp);
}

TEST(CommandLine, BadArgumentsAreNamed) {
  EXPECT_NE(ParseCommandLine({"--frobnicate"}).Error.find("--frobnicate"), std::string::npos);
  EXPECT_FALSE(ParseCommandLine({"--virtual-wiimote"}).Error.empty());
  EXPECT_FALSE(ParseCommandLine({"--virtual-wiimote="}).Error.empty());
  EXPECT_FALSE(ParseCommandLine({"--virtual-wiimote-log", "x"}).Error.empty());
  EXPECT_FALSE(ParseCommandLine({"--demo", "--virtual-wiimote", "s"}).Error.empty());
  // A prefix of a known option is not that option.
  EXPECT_FALSE(ParseCommandLine({"--virtual-wiimotes", "x"}).Error.empty());
}

TEST(CommandLine, HelpAndVersion) {
  const auto result = ParseCommandLine({"--help", "--version"});
  EXPECT_TRUE(result.Options.ShowHelp);
  EXPECT_TRUE(result.Options.ShowVersion);
  EXPECT_NE(CommandLineHelp("kestrovane").find("--virtual-wiimote-log FILE"), std::string::npos);
}

}  // namespace
}  // namespace kv
