#include "core/actions/key_injection.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "platform/sim/recording_input_injector.h"
#include "platform/sim/us_key_names.h"

namespace kv {
namespace {

using sim::InjectedEvent;

// The events of a combination that presses `held` around one tap of `key` (0: no key).
std::vector<InjectedEvent> Chord(std::vector<uint8_t> held, uint8_t key) {
  std::vector<InjectedEvent> events;
  for (uint8_t vk : held) events.push_back(InjectedEvent::KeyDown(vk));
  if (key != 0) {
    events.push_back(InjectedEvent::KeyDown(key));
    events.push_back(InjectedEvent::KeyUp(key));
  }
  for (auto it = held.rbegin(); it != held.rend(); ++it)
    events.push_back(InjectedEvent::KeyUp(*it));
  return events;
}

struct Case {
  std::string Text;
  std::vector<InjectedEvent> Expected;
};

class SendKeyCombinationTest : public ::testing::TestWithParam<Case> {};

TEST_P(SendKeyCombinationTest, TypesTheExpectedEvents) {
  sim::RecordingInputInjector injector;
  sim::UsKeyNames keyNames;
  SendKeyCombination(GetParam().Text, injector, keyNames);
  EXPECT_EQ(injector.Events, GetParam().Expected) << "text: " << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(
    Combinations, SendKeyCombinationTest,
    ::testing::Values(
        // Modifiers go down Alt, Ctrl, Shift whatever order the text names them in.
        Case{"Ctrl+Alt+Del", Chord({kVkMenu, kVkControl}, 0x2E)},
        Case{"Shift+Ctrl+Alt+F5", Chord({kVkMenu, kVkControl, kVkShift}, 0x74)},
        Case{"alt+shift+ctrl+f5", Chord({kVkMenu, kVkControl, kVkShift}, 0x74)},
        Case{"Alt+Right", Chord({kVkMenu}, 0x27)}, Case{"Alt+Left", Chord({kVkMenu}, 0x25)},
        Case{"Enter", Chord({}, 0x0D)}, Case{"Tab", Chord({}, 0x09)}, Case{"BkSp", Chord({}, 0x08)},
        Case{"ctrl+x", Chord({kVkControl}, 'X')}, Case{"^C", Chord({kVkControl}, 'C')},
        // The Windows key in front, behind, alone, and after the other modifiers.
        Case{"Win+D", Chord({kVkLeftWindows}, 'D')}, Case{"D+Win", Chord({kVkLeftWindows}, 'D')},
        Case{"Win", Chord({kVkLeftWindows}, 0)},
        Case{"Win+Shift+Tab", Chord({kVkShift, kVkLeftWindows}, 0x09)},
        Case{"Win+Ctrl+Alt+Del", Chord({kVkMenu, kVkControl, kVkLeftWindows}, 0x2E)},
        // What is left of Ctrl+Alt+Win is Ctrl with the Alt key itself as the key.
        Case{"Ctrl+Alt+Win", Chord({kVkControl, kVkLeftWindows}, kVkMenu)},
        // Rejected texts type no modifiers, only a Windows-key part.
        Case{"Ctrl+Win+D", Chord({kVkLeftWindows}, 0)}, Case{"win+d", {}}, Case{"", {}},
        Case{"Ctrl+", {}}, Case{"Ctrl+NoSuchKey", {}}),
    [](const auto& info) {
      std::string name = info.param.Text.empty() ? "Empty" : info.param.Text;
      for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return name + "_" + std::to_string(info.index);
    });

}  // namespace
}  // namespace kv
