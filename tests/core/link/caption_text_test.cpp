#include "core/link/caption_text.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(CaptionText, ErrorCaptionTrimsTheSystemMessageEnd) {
  EXPECT_EQ(ErrorCaption(19, "No such device"), "Error(19):No such device");
  // A message ending in a full stop, blanks and a line break loses all of them...
  EXPECT_EQ(ErrorCaption(1167, "The device is not connected.  \r\n"),
            "Error(1167):The device is not connected");
  // ...but inner full stops and blanks stay.
  EXPECT_EQ(ErrorCaption(5, "Access denied. Try again. \t"), "Error(5):Access denied. Try again");
  EXPECT_EQ(ErrorCaption(0, ""), "Error(0):");
  EXPECT_EQ(ErrorCaption(4294967295u, "..."), "Error(4294967295):");
}

TEST(CaptionText, SystemMessageIsCutAt256CharactersBeforeTrimming) {
  std::string longMessage(300, 'x');
  EXPECT_EQ(TrimSystemMessage(longMessage).size(), 256u);
  // A blank at position 255 becomes the trailing character after the cut and is dropped.
  std::string message(255, 'y');
  message += " tail";
  EXPECT_EQ(TrimSystemMessage(message), std::string(255, 'y'));
}

}  // namespace
}  // namespace kv
