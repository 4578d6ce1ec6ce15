#include "output/pager.h"

#include <cstring>
#include <string>
#include <thread>

#include "platform/platform.h"

namespace kavo {
namespace {

// A prompt never appears sooner than this after the pager was set up or the
// previous prompt was answered, so a held key cannot race through pages.
constexpr uint32_t kPromptIntervalMs = 500;

constexpr int kColumnsPerLine = 80;

struct IntervalTimer {
  bool restart_pending = true;
  uint32_t mark_ms = 0;
};

struct Pager {
  int page_rows = 24;
  int lines_on_page = 0;
  IntervalTimer timer;
};

struct HelpPager {
  bool enabled = true;
  IntervalTimer timer;
};

Pager g_pager;
HelpPager g_help_pager;

enum class KeyAction { kContinue, kAll, kQuit };

// Both the Latin letters and their kana-mode counterparts (ﾀ on the Q key,
// ﾁ on the A key) answer, so the prompt works whatever the input mode.
KeyAction key_action(int key) {
  switch (key) {
    case 27:
    case 'Q':
    case 'q':
    case 0xC0:
      return KeyAction::kQuit;
    case 'A':
    case 'a':
    case 0xC1:
      return KeyAction::kAll;
    default:
      return KeyAction::kContinue;
  }
}

void interval_timer_restart(IntervalTimer* timer) {
  timer->mark_ms = tick_count_ms();
  timer->restart_pending = false;
}

void interval_timer_wait(IntervalTimer* timer, uint32_t ms) {
  if (timer->restart_pending) interval_timer_restart(timer);
  while (!interval_passed(timer->mark_ms, tick_count_ms(), ms)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  timer->mark_ms = tick_count_ms();
}

void put_repeated(Stream stream, char c, size_t count) {
  std::string text(count, c);
  console_write(stream, text.data(), text.size());
}

// Blanks the prompt's line and leaves the cursor at its start, so the next
// output overwrites it.
void erase_prompt(size_t prompt_bytes) {
  console_write(Stream::kOut, "\r", 1);
  put_repeated(Stream::kOut, ' ', prompt_bytes);
  console_write(Stream::kOut, "\r", 1);
  console_flush();
}

// Shows `prompt` and waits for the answer.
KeyAction prompt_answer(IntervalTimer* timer, const char* prompt) {
  interval_timer_wait(timer, kPromptIntervalMs);
  size_t bytes = strlen(prompt);
  console_write(Stream::kOut, prompt, bytes);
  console_flush();
  int key = read_key();
  interval_timer_restart(timer);
  erase_prompt(bytes);
  return key_action(key);
}

// Starts a new page behind a prompt; All switches paging off.
PagerState new_page(const char* prompt) {
  g_pager.lines_on_page = 0;
  switch (prompt_answer(&g_pager.timer, prompt)) {
    case KeyAction::kQuit:
      return PagerState::kQuit;
    case KeyAction::kAll:
      g_pager.page_rows = 0;
      return PagerState::kOff;
    case KeyAction::kContinue:
      break;
  }
  return PagerState::kOn;
}

}  // namespace

// The difference is taken modulo 2^32, so a counter that wraps between the
// mark and now still gives the true elapsed time.
bool interval_passed(uint32_t mark_ms, uint32_t now_ms, uint32_t ms) {
  return static_cast<uint32_t>(now_ms - mark_ms) > ms;
}

int screen_lines(int columns) {
  if (columns <= 0) return 0;
  return (columns + kColumnsPerLine - 1) / kColumnsPerLine;
}

int pager_setup(bool enabled) {
  interval_timer_restart(&g_pager.timer);
  int rows = enabled ? console_rows() : 0;
  if (rows <= 0) {
    g_pager.page_rows = 0;
    return 0;
  }
  // The last row is left for the prompt and one more for the line that
  // triggers it.
  g_pager.page_rows = rows - 2;
  return rows;
}

PagerState pager_make_room(int columns, const char* prompt) {
  if (g_pager.page_rows < 1) return PagerState::kOff;
  if (g_pager.lines_on_page == 0) return PagerState::kOn;
  int lines = screen_lines(columns);
  if (lines < 2) return PagerState::kOn;
  if (g_pager.lines_on_page + lines <= g_pager.page_rows) {
    return PagerState::kOn;
  }
  return new_page(prompt);
}

PagerState pager_count(int columns, const char* prompt) {
  if (g_pager.page_rows < 1) return PagerState::kOff;
  g_pager.lines_on_page += screen_lines(columns);
  if (g_pager.lines_on_page <= g_pager.page_rows) return PagerState::kOn;
  return new_page(prompt);
}

int help_pager_setup() {
  interval_timer_restart(&g_help_pager.timer);
  int rows = console_rows();
  g_help_pager.enabled = rows > 0;
  return rows > 0 ? rows : 0;
}

bool help_page_break(const char* prompt) {
  if (!g_help_pager.enabled) return true;
  KeyAction action = prompt_answer(&g_help_pager.timer, prompt);
  if (action == KeyAction::kAll) g_help_pager.enabled = false;
  return action != KeyAction::kQuit;
}

void pager_reset() {
  g_pager = Pager();
  g_help_pager = HelpPager();
}

}  // namespace kavo
