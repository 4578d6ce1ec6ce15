#include "driver/options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "filters/filters.h"
#include "output/channels.h"

namespace kavo {
namespace {

// The options after applying the space-separated `args` in order;
// `*invalid` set when one of them ended the run.
RunOptions parse(const std::string& args, bool* invalid = nullptr) {
  RunOptions options;
  FilterSet filters;
  channels_reset();
  try {
    std::istringstream words(args);
    for (std::string word; words >> word;) {
      parse_option_argument(word, false, &options, &filters);
    }
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(1, exit.code);
    if (invalid != nullptr) *invalid = true;
  }
  return options;
}

// The settings that differ from a plain run's (its defaults written out
// below), in a fixed order: a flag's name when set, with '-' when cleared;
// name=value for a number.
std::string changes(const RunOptions& o) {
  const char* const flag_names[] = {
      "recurse", "overwrite", "readonly", "continue", "files",   "dirs",
      "head",    "tail",      "case",     "fold",     "sort",    "test",
      "pause",   "renamed",   "errors",   "totals",   "skipped", "unchanged"};
  const bool plain[] = {false, false, false, false, true,  false,
                        false, false, false, true,  true,  false,
                        false, true,  true,  true,  false, false};
  const bool set[] = {o.recurse_subdirs,   o.overwrite,    o.overwrite_readonly,
                      o.continue_on_error, o.select_files, o.select_dirs,
                      o.anchor_head,       o.anchor_tail,  o.old_case_fold,
                      o.name_case_fold,    o.sort_names,   o.test_mode,
                      o.pause_output,      o.show_renamed, o.show_errors,
                      o.show_totals,       o.show_skipped, o.show_unchanged};
  const char* const number_names[] = {"part", "date", "suffix", "shift",
                                      "sign", "time", "log"};
  const int usual[] = {1, 0, 999, 0, 0, 300, 0};
  const int value[] = {o.name_part,         o.date_format,
                       o.date_suffix_limit, o.date_shift_seconds,
                       o.date_shift_sign,   o.time_display_seconds,
                       o.log_mode};
  std::string text;
  for (int i = 0; i < 18; ++i) {
    if (set[i] != plain[i]) {
      text += std::string(" ") + flag_names[i] + (set[i] ? "" : "-");
    }
  }
  for (int i = 0; i < 7; ++i) {
    if (value[i] != usual[i]) {
      text +=
          std::string(" ") + number_names[i] + "=" + std::to_string(value[i]);
    }
  }
  return text.empty() ? text : text.substr(1);
}

// Defaults first. The first byte is the switch character, whatever it is;
// longer date layouts are tried before their prefixes; the log's name runs to
// the end, yet a '/' starts a further option.
TEST(OptionsTest, SpellingsSetTheirFieldsAndNothingElse) {
  const struct {
    const char* args;  // space-separated
    const char* changes;
  } cases[] = {{"", ""},  // the defaults
               {"/d/o/c", "recurse overwrite continue"},
               {"/d /D-", ""},
               {"/c /c-", ""},
               {"/Case", "case"},
               {"/case /case-", ""},
               {"/FCASE", "fold-"},
               {"/fcase /fcase-", ""},
               {"/fa", "dirs"},
               {"/fd", "files- dirs"},
               {"/fd /f", ""},
               {"/ht", "head tail"},
               {"/th /h-", "tail"},
               {"/t", "tail"},
               {"/or /o", "overwrite"},
               {"/or /o-", "readonly"},
               {"/sort", "sort-"},
               {"/sort /sort-", ""},
               {"/test", "test"},
               {"/p", "pause"},
               {"-d/o", "recurse overwrite"},
               {"/e", "part=0"},
               {"/e /ebr", ""},
               {"/ebl", "part=3"},
               {"/eer", "part=2"},
               {"/eel", "part=4"},
               {"/date", "date=1"},
               {"/dateyyyymmdd-hhmm", "date=2"},
               {"/dateyymmdd-hhmmss", "date=3"},
               {"/dateyyyymmdd", "date=5"},
               {"/DATEYYMMDD", "date=6"},
               {"/date /date-", ""},
               {"/date /date-/d", "recurse"},
               {"/date-30", "shift=30 sign=-1"},
               {"/date+3600", "shift=3600 sign=1"},
               {"/datel1", "suffix=0"},
               {"/datel0", ""},
               {"/datel-5", ""},
               {"/datel", ""},
               {"/datel2", "suffix=2"},
               {"/datel50", "suffix=50"},
               {"/datel5/d", "recurse suffix=5"},
               {"/time", "time=0"},
               {"/time-1", "time=-1"},
               {"/TIME30", "time=30"},
               {"/time5x", "time=5"},
               {"/logrun.txt", "log=1"},
               {"/LOGrun.txt", "log=2"},
               {"/logrun.txt /log", ""},
               {"/logx /LOG", ""},
               {"/logdir/d", "recurse log=1"},
               {"/v=c", "errors- totals-"},
               {"/v=c /v=a", "skipped unchanged"},
               {"/v=", "renamed- errors- totals-"},
               {"/v+nk", "skipped unchanged"},
               {"/vc", "renamed-"},
               {"/v=a /v", ""},
               {"/vq", ""},
               {"/v-e/d", "recurse errors-"}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.changes, changes(parse(c.args))) << c.args;
  }
  EXPECT_EQ("dir/d", parse("/logdir/d").log_path);
  // Turning the log off keeps its name.
  EXPECT_EQ("run.txt", parse("/LOGrun.txt /log").log_path);
}

TEST(OptionsTest, InvalidOptionsEndTheRun) {
  for (const char* arg :
       {"/", "//", "/x", "/d-o", "/help", "/?", "/DATEL5", "/testx", "/e-x",
        "/oo", "/time/d", "/timex", "-d-o"}) {
    bool invalid = false;
    parse(arg, &invalid);
    EXPECT_TRUE(invalid) << arg;
  }
  // Options to the left of the failing one in a group are applied.
  bool invalid = false;
  EXPECT_EQ("recurse", changes(parse("/d/x/o", &invalid)));
  EXPECT_TRUE(invalid);
}

TEST(OptionsTest, ReadNumberLikeAtol) {
  const std::pair<const char*, int32_t> cases[] = {
      {"  42x", 42}, {"-7", -7}, {"+8", 8},
      {"", 0},       {"x1", 0},  {"4294967297", 1},  // wrapped to 32 bits
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(want, read_number(text));
}

}  // namespace
}  // namespace kavo
