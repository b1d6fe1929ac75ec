// The replay's key script: what a line means, and what is refused.
#include <gtest/gtest.h>

#include "platform/messages.h"
#include "tools/replay/replay.h"

namespace {

TEST(ReplayScript, ParsesKeysResetsCommentsAndReleases) {
  ReplayScript script;
  char error[256] = "";
  const char* text =
      "# a comment line\n"
      "\n"
      "1\n"
      "10 left up   # steer\n"
      "11\treset space\r\n"
      "12\n"
      "500 escape f1 f2 right down";
  ASSERT_EQ(ParseReplayScript(text, &script, error, sizeof error), 1) << error;
  ASSERT_EQ(script.steps.size(), 5u);
  EXPECT_EQ(script.steps[0].frame, 1u);
  EXPECT_EQ(script.steps[0].keys, 0u);
  EXPECT_EQ(script.steps[1].keys, REPLAY_LEFT | REPLAY_UP);
  EXPECT_EQ(script.steps[1].reset, 0);
  EXPECT_EQ(script.steps[2].keys, (uint32_t)REPLAY_SPACE);
  EXPECT_EQ(script.steps[2].reset, 1);
  EXPECT_EQ(script.steps[3].keys, 0u);  // an empty list releases everything
  EXPECT_EQ(script.steps[4].frame, 500u);
  EXPECT_EQ(script.steps[4].keys,
            REPLAY_ESCAPE | REPLAY_F1 | REPLAY_F2 | REPLAY_RIGHT | REPLAY_DOWN);
  // The bits map onto the virtual-key codes the key table uses.
  uint32_t codes[kReplayKeyCount] = {VK_LEFT, VK_RIGHT, VK_UP,     VK_DOWN,
                                     VK_SPACE, VK_ESCAPE, VK_F1, VK_F2};
  for (int32_t i = 0; i < kReplayKeyCount; i++) EXPECT_EQ(ReplayKeyCode(i), codes[i]) << i;
}

TEST(ReplayScript, RejectsWhatItCannotPlayAndSaysWhere) {
  struct Case {
    const char* text;
    const char* says;
  } cases[] = {
      {"5 left\n5 right\n", "line 2: frame 5 does not come after frame 5"},
      {"5 left\n3 right\n", "line 2: frame 3 does not come after frame 5"},
      {"0 left\n", "line 1: '0' is not a frame number"},
      {"-4\n", "line 1: '-4' is not a frame number"},
      {"left 5\n", "line 1: 'left' is not a frame number"},
      {"1\n2 Left\n", "line 2: unknown key 'Left'"},
      {"99999999999 left\n", "line 1: '99999999999' is not a frame number"},
  };
  for (const Case& c : cases) {
    ReplayScript script;
    char error[256] = "";
    EXPECT_EQ(ParseReplayScript(c.text, &script, error, sizeof error), 0) << c.text;
    EXPECT_EQ(std::string(error).rfind(c.says, 0), 0u) << error;
  }
}

}  // namespace
