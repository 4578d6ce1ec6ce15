// The prompts themselves, in a child process without a controlling
// terminal, where the key read answers All at once.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "output/pager.h"
#include "platform/platform.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

// Both pagers start as a fresh process has them: the run pager with 24
// lines a page, the help pager on. Returns 0 when every check passed, else
// the number of the first failed check.
int page_without_terminal(const kavo_testing::ScratchDir& dir) {
  setsid();
  dup2(open("/dev/null", O_RDONLY), 0);
  dup2(open(dir.native("shown").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644),
       1);
  pager_reset();
  uint32_t start = tick_count_ms();
  // Before an output: the top of a page takes any block, a single line is
  // never moved, a block that fits stays.
  if (!pager_make_room(100000, kPagePrompt)) return 1;
  for (int i = 0; i < 22; ++i) {
    if (!pager_count(80, kPagePrompt)) return 2;
  }
  if (!pager_make_room(80, kPagePrompt)) return 3;
  if (!pager_make_room(160, kPagePrompt)) return 4;
  if (static_cast<uint32_t>(tick_count_ms() - start) >= 400) return 5;
  // Three lines do not fit on the two left: a prompt, after the minimum
  // interval, answered All.
  if (pager_make_room(161, kPagePrompt)) return 6;
  if (static_cast<uint32_t>(tick_count_ms() - start) <= 500) return 7;
  if (pager_count(80, kPagePrompt)) return 8;
  // After an output: the 25th counted line of a fresh pager prompts.
  pager_reset();
  for (int i = 0; i < 24; ++i) {
    if (!pager_count(79, kPagePrompt)) return 9;
  }
  if (pager_count(1, kPagePrompt)) return 10;
  // The help pager prompts until All switches it off.
  help_page_break(kPagePrompt);
  help_page_break(kPagePrompt);
  console_flush();
  // Each prompt is blanked again after the answer.
  std::string prompt = kPagePrompt;
  prompt += "\r" + std::string(prompt.size(), ' ') + "\r";
  return dir.read("shown") == prompt + prompt + prompt ? 0 : 11;
}

TEST(PagerDeathTest, PromptWithoutTerminalIsAnsweredAllAfterTheInterval) {
  kavo_testing::ScratchDir dir;
  EXPECT_EXIT(_exit(page_without_terminal(dir)), ::testing::ExitedWithCode(0),
              "");
}

}  // namespace
}  // namespace kavo
