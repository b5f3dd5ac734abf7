#include "platform/sim/wiimote_scenario.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kv::sim {
namespace {

using Kind = WiimoteScenarioStep::Kind;

WiimoteScenario Parse(std::string_view text) {
  std::string error;
  std::optional<WiimoteScenario> scenario = ParseWiimoteScenario(text, error);
  EXPECT_TRUE(scenario.has_value()) << error;
  return scenario.value_or(WiimoteScenario{});
}

TEST(WiimoteScenario, ParsesDirectivesCommentsAndTimeOrder) {
  const WiimoteScenario scenario = Parse(
      "# a controller that is pressed, taken away and brought back\r\n"
      "\n"
      "battery 0x80   # low\n"
      "500 31 00 08 80 80 9a\n"
      "  200\tunplug\r\n"
      "500 0x31 0 4 # same time: after the line above\n"
      "300 plug\n");
  EXPECT_EQ(scenario.Battery, 0x80);
  ASSERT_EQ(scenario.Steps.size(), 4u);
  EXPECT_EQ(scenario.Steps[0].What, Kind::Unplug);
  EXPECT_EQ(scenario.Steps[0].AtMs, 200u);
  EXPECT_EQ(scenario.Steps[0].Line, 5u);
  EXPECT_EQ(scenario.Steps[1].What, Kind::Plug);
  EXPECT_EQ(scenario.Steps[2].What, Kind::Report);
  EXPECT_EQ(scenario.Steps[2].AtMs, 500u);
  EXPECT_EQ(scenario.Steps[2].Length, 6u);
  const std::array<uint8_t, 22> padded = {0x31, 0x00, 0x08, 0x80, 0x80, 0x9a};
  EXPECT_EQ(scenario.Steps[2].Report, padded);
  EXPECT_EQ(scenario.Steps[3].Report[2], 4);
  EXPECT_EQ(scenario.Steps[3].Line, 6u);
}

TEST(WiimoteScenario, DefaultsAndEmptyText) {
  const WiimoteScenario scenario = Parse("");
  EXPECT_EQ(scenario.Battery, kDefaultWiimoteBattery);
  EXPECT_TRUE(scenario.Steps.empty());
  EXPECT_TRUE(Parse("# only a comment").Steps.empty());
}

TEST(WiimoteScenario, ByteNotation) {
  struct Case {
    const char* token;
    uint8_t value;
  };
  const Case cases[] = {{"31", 0x31},   {"9a", 0x9a}, {"FF", 0xff}, {"09", 0x09}, {"0x7", 7},
                        {"0x9A", 0x9a}, {"7", 7},     {"200", 200}, {"255", 255}, {"000", 0}};
  for (const Case& c : cases) {
    const WiimoteScenario scenario = Parse(std::string("0 ") + c.token);
    ASSERT_EQ(scenario.Steps.size(), 1u) << c.token;
    EXPECT_EQ(scenario.Steps[0].Report[0], c.value) << c.token;
  }
  EXPECT_EQ(Parse("0x1f4 31").Steps[0].AtMs, 500u);  // times: decimal or 0x..
  EXPECT_EQ(Parse("10 31").Steps[0].AtMs, 10u);      // two digits are decimal here
  EXPECT_EQ(Parse("4294967295 31").Steps[0].AtMs, 4294967295u);
}

TEST(WiimoteScenario, BadLinesAreNamedWithTheirNumber) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"battery", "line 1: 'battery' takes one number (0 to 255)"},
      {"battery 1 2", "line 1: 'battery' takes one number (0 to 255)"},
      {"battery 256", "line 1: bad battery value '256' (0 to 255)"},
      {"battery 0x", "line 1: bad battery value '0x' (0 to 255)"},
      {"# ok\n\nbeep 31", "line 3: expected 'battery' or a time in milliseconds, got 'beep'"},
      {"4294967296 31", "line 1: expected 'battery' or a time in milliseconds, got '4294967296'"},
      {"-5 31", "line 1: expected 'battery' or a time in milliseconds, got '-5'"},
      {"500", "line 1: nothing to do at 500 ms"},
      {"500 # just a comment", "line 1: nothing to do at 500 ms"},
      {"500 unplug now", "line 1: 'unplug' takes nothing after it"},
      {"500 plug 31", "line 1: 'plug' takes nothing after it"},
      {"500 31 zz", "line 1: bad report byte 'zz' (two hex digits, 0x.. or decimal 0 to 255)"},
      {"500 256", "line 1: bad report byte '256' (two hex digits, 0x.. or decimal 0 to 255)"},
      {"500 1ff", "line 1: bad report byte '1ff' (two hex digits, 0x.. or decimal 0 to 255)"},
      {"500 0x100", "line 1: bad report byte '0x100' (two hex digits, 0x.. or decimal 0 to 255)"},
      {"500 Unplug", "line 1: bad report byte 'Unplug' (two hex digits, 0x.. or decimal 0 to 255)"},
      {"0 31 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
       "line 1: report of 23 bytes; at most 22"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseWiimoteScenario(c.text, error).has_value()) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}

TEST(WiimoteScenario, ProductPicksTheOriginalOrThePlusAndNothingElse) {
  EXPECT_EQ(Parse("").ProductId, 0x0306);
  EXPECT_EQ(Parse("product 0x0330\n0 31").ProductId, 0x0330);
  EXPECT_EQ(Parse("product 816   # decimal 0x0330").ProductId, 0x0330);
  EXPECT_EQ(Parse("product 0x0330\nproduct 0x306").ProductId, 0x0306);  // the last one holds
  const std::string refusal = "'product' takes 0x0306 (Wii Remote) or 0x0330 (Wii Remote Plus)";
  for (const char* text : {"product", "product 0x0330 0x0306", "product 0x0337", "product 0",
                           "product 0x10330", "product 330", "product wiimote"}) {
    std::string error;
    EXPECT_FALSE(ParseWiimoteScenario(std::string("battery 5\n") + text, error).has_value())
        << text;
    EXPECT_EQ(error, "line 2: " + refusal) << text;
  }
}

TEST(WiimoteScenario, LongTokensAreShortenedInMessages) {
  std::string error;
  EXPECT_FALSE(ParseWiimoteScenario("0 " + std::string(1000, 'q'), error).has_value());
  EXPECT_EQ(error, "line 1: bad report byte '" + std::string(40, 'q') +
                       "...' (two hex digits, 0x.. or decimal 0 to 255)");
}

TEST(WiimoteScenario, LoadNamesTheFile) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::string path = (dir / "kv_scenario_test.txt").string();
  {
    std::ofstream file(path);
    file << "battery 12\n0 31 00 08\n";
  }
  std::string error;
  std::optional<WiimoteScenario> scenario = LoadWiimoteScenario(path, error);
  ASSERT_TRUE(scenario.has_value()) << error;
  EXPECT_EQ(scenario->Battery, 12);
  {
    std::ofstream file(path);
    file << "0 31\n1 xyz\n";
  }
  EXPECT_FALSE(LoadWiimoteScenario(path, error).has_value());
  EXPECT_EQ(error,
            path + ": line 2: bad report byte 'xyz' (two hex digits, 0x.. or decimal 0 to 255)");
  std::remove(path.c_str());
  EXPECT_FALSE(LoadWiimoteScenario(path, error).has_value());
  EXPECT_EQ(error, "cannot read " + path);
}

TEST(WiimoteScenario, BinaryTokensAreShownEscaped) {
  std::string error;
  EXPECT_FALSE(ParseWiimoteScenario(std::string("0 31 \x1b[2J\x01\\\xff\n"), error).has_value());
  EXPECT_EQ(error,
            "line 1: bad report byte '\\x1b[2J\\x01\\\\\\xff' (two hex digits, 0x.. or decimal "
            "0 to 255)");
  // The shortening counts what is shown: ten escaped bytes fill the 40 characters.
  EXPECT_FALSE(ParseWiimoteScenario(std::string(20, '\x07'), error).has_value());
  EXPECT_EQ(error, "line 1: expected 'battery' or a time in milliseconds, got '" +
                       std::string("\\x07\\x07\\x07\\x07\\x07\\x07\\x07\\x07\\x07\\x07") + "...'");
}

TEST(WiimoteScenario, LoadRefusesFilesThatAreTooLargeOrNotRegular) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::string path = (dir / "kv_scenario_large_test.txt").string();
  {
    // Nothing but comments: it would parse, it is only too long.
    std::ofstream file(path, std::ios::binary);
    file << std::string(kMaxWiimoteScenarioBytes, '#');
  }
  std::string error;
  EXPECT_TRUE(LoadWiimoteScenario(path, error).has_value()) << error;
  {
    std::ofstream file(path, std::ios::binary | std::ios::app);
    file << "#";
  }
  EXPECT_FALSE(LoadWiimoteScenario(path, error).has_value());
  EXPECT_EQ(error, path + ": too large for a scenario (more than 4 MiB)");
  std::remove(path.c_str());

  EXPECT_FALSE(LoadWiimoteScenario(dir.string(), error).has_value());
  EXPECT_EQ(error, dir.string() + ": not a regular file");
#ifndef _WIN32
  // A stream that never ends, and a FIFO nobody writes to (opening it would block).
  EXPECT_FALSE(LoadWiimoteScenario("/dev/zero", error).has_value());
  EXPECT_EQ(error, "/dev/zero: not a regular file");
  const std::string fifo = (dir / "kv_scenario_fifo_test").string();
  std::remove(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(LoadWiimoteScenario(fifo, error).has_value());
  EXPECT_EQ(error, fifo + ": not a regular file");
  std::remove(fifo.c_str());
#endif
}

}  // namespace
}  // namespace kv::sim
