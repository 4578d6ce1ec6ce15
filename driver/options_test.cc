#include "driver/options.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "filters/filters.h"
#include "output/channels.h"

namespace kavo {
namespace {

RunOptions parse(const std::vector<std::string>& args) {
  RunOptions options;
  FilterSet filters;
  for (const std::string& a : args) {
    parse_option_argument(a, false, &options, &filters);
  }
  return options;
}

// Whether parsing `arg` ends the run as an invalid option.
bool invalid(const std::string& arg, RunOptions* options = nullptr) {
  RunOptions local;
  FilterSet filters;
  channels_reset();
  try {
    parse_option_argument(arg, false, options ? options : &local, &filters);
  } catch (const ProcessExit& e) {
    return e.code == 1;
  }
  return false;
}

TEST(OptionsTest, DefaultsMatchAPlainRun) {
  RunOptions o;
  EXPECT_FALSE(o.recurse_subdirs);
  EXPECT_TRUE(o.select_files);
  EXPECT_FALSE(o.select_dirs);
  EXPECT_EQ(o.name_part, 1);
  EXPECT_TRUE(o.name_case_fold);
  EXPECT_TRUE(o.sort_names);
  EXPECT_EQ(o.date_suffix_limit, 999);
  EXPECT_EQ(o.time_display_seconds, 300);
  EXPECT_TRUE(o.show_renamed && o.show_errors && o.show_totals);
  EXPECT_FALSE(o.show_skipped || o.show_unchanged);
}

struct FlagCase {
  std::vector<std::string> args;
  std::function<bool(const RunOptions&)> check;
  const char* what;
};

TEST(OptionsTest, SpellingsSetTheirFields) {
  const FlagCase cases[] = {
      {{"/d/o/c"},
       [](const RunOptions& o) {
         return o.recurse_subdirs && o.overwrite && o.continue_on_error;
       },
       "group"},
      {{"/D-"}, [](const RunOptions& o) { return !o.recurse_subdirs; }, "D-"},
      {{"/Case"}, [](const RunOptions& o) { return o.old_case_fold; }, "Case"},
      {{"/case", "/case-"},
       [](const RunOptions& o) { return !o.old_case_fold; },
       "case-"},
      {{"/FCASE"}, [](const RunOptions& o) { return !o.name_case_fold; },
       "FCASE"},
      {{"/fcase", "/fcase-"},
       [](const RunOptions& o) { return o.name_case_fold; },
       "fcase-"},
      {{"/fa"},
       [](const RunOptions& o) { return o.select_files && o.select_dirs; },
       "fa"},
      {{"/fd"},
       [](const RunOptions& o) { return !o.select_files && o.select_dirs; },
       "fd"},
      {{"/fd", "/f"},
       [](const RunOptions& o) { return o.select_files && !o.select_dirs; },
       "f"},
      {{"/e"}, [](const RunOptions& o) { return o.name_part == 0; }, "e"},
      {{"/e", "/ebr"}, [](const RunOptions& o) { return o.name_part == 1; },
       "ebr"},
      {{"/ebl"}, [](const RunOptions& o) { return o.name_part == 3; }, "ebl"},
      {{"/eer"}, [](const RunOptions& o) { return o.name_part == 2; }, "eer"},
      {{"/eel"}, [](const RunOptions& o) { return o.name_part == 4; }, "eel"},
      {{"/ht"},
       [](const RunOptions& o) { return o.anchor_head && o.anchor_tail; },
       "ht"},
      {{"/th", "/h-"},
       [](const RunOptions& o) { return !o.anchor_head && o.anchor_tail; },
       "th h-"},
      {{"/or", "/o"},
       [](const RunOptions& o) { return o.overwrite && !o.overwrite_readonly; },
       "or o"},
      {{"/or", "/o-"},
       [](const RunOptions& o) { return !o.overwrite && o.overwrite_readonly; },
       "or o-"},
      {{"/sort"}, [](const RunOptions& o) { return !o.sort_names; }, "sort"},
      {{"/sort", "/sort-"}, [](const RunOptions& o) { return o.sort_names; },
       "sort-"},
      {{"/test"}, [](const RunOptions& o) { return o.test_mode; }, "test"},
      {{"/p"}, [](const RunOptions& o) { return o.pause_output; }, "p"},
      {{"/t"}, [](const RunOptions& o) { return o.anchor_tail; }, "t"},
  };
  for (const FlagCase& c : cases) {
    EXPECT_TRUE(c.check(parse(c.args))) << c.what;
  }
}

TEST(OptionsTest, DateOptions) {
  EXPECT_EQ(parse({"/date"}).date_format, 1);
  EXPECT_EQ(parse({"/DATEYYMMDD"}).date_format, 6);
  EXPECT_EQ(parse({"/dateyyyymmdd-hhmm"}).date_format, 2);
  EXPECT_EQ(parse({"/dateyymmdd-hhmmss"}).date_format, 3);
  EXPECT_EQ(parse({"/dateyyyymmdd"}).date_format, 5);
  EXPECT_EQ(parse({"/date", "/date-"}).date_format, 0);
  RunOptions back = parse({"/date-30"});
  EXPECT_EQ(back.date_shift_seconds, 30);
  EXPECT_EQ(back.date_shift_sign, -1);
  RunOptions forward = parse({"/date+3600"});
  EXPECT_EQ(forward.date_shift_seconds, 3600);
  EXPECT_EQ(forward.date_shift_sign, 1);
  RunOptions off_and_d = parse({"/date", "/date-/d"});
  EXPECT_EQ(off_and_d.date_format, 0);
  EXPECT_TRUE(off_and_d.recurse_subdirs);
  EXPECT_EQ(off_and_d.date_shift_sign, 0);
}

TEST(OptionsTest, DateSuffixLimit) {
  const std::pair<const char*, int> cases[] = {
      {"/datel1", 0},  {"/datel0", 999}, {"/datel-5", 999},
      {"/datel", 999}, {"/datel2", 2},   {"/datel50", 50},
  };
  for (const auto& [arg, limit] : cases) {
    EXPECT_EQ(parse({arg}).date_suffix_limit, limit) << arg;
  }
  RunOptions with_d = parse({"/datel5/d"});
  EXPECT_EQ(with_d.date_suffix_limit, 5);
  EXPECT_TRUE(with_d.recurse_subdirs);
  EXPECT_TRUE(invalid("/DATEL5"));
}

TEST(OptionsTest, TimeOption) {
  EXPECT_EQ(parse({"/time"}).time_display_seconds, 0);
  EXPECT_EQ(parse({"/time-1"}).time_display_seconds, -1);
  EXPECT_EQ(parse({"/TIME30"}).time_display_seconds, 30);
  EXPECT_EQ(parse({"/time5x"}).time_display_seconds, 5);
  EXPECT_TRUE(invalid("/time/d"));
  EXPECT_TRUE(invalid("/timex"));
}

TEST(OptionsTest, LogOptions) {
  RunOptions create = parse({"/logrun.txt"});
  EXPECT_EQ(create.log_mode, 1);
  EXPECT_EQ(create.log_path, "run.txt");
  RunOptions append = parse({"/LOGrun.txt"});
  EXPECT_EQ(append.log_mode, 2);
  EXPECT_EQ(append.log_path, "run.txt");
  RunOptions off = parse({"/logrun.txt", "/log"});
  EXPECT_EQ(off.log_mode, 0);
  EXPECT_EQ(off.log_path, "run.txt");
  EXPECT_EQ(parse({"/logx", "/LOG"}).log_mode, 0);
  // The file name runs to the end and a '/' in it starts a further option.
  RunOptions grouped = parse({"/logdir/d"});
  EXPECT_EQ(grouped.log_path, "dir/d");
  EXPECT_TRUE(grouped.recurse_subdirs);
}

TEST(OptionsTest, DisplayList) {
  RunOptions only_c = parse({"/v=c"});
  EXPECT_TRUE(only_c.show_renamed);
  EXPECT_FALSE(only_c.show_errors || only_c.show_totals);
  RunOptions all = parse({"/v=c", "/v=a"});
  EXPECT_TRUE(all.show_renamed && all.show_errors && all.show_totals &&
              all.show_skipped && all.show_unchanged);
  RunOptions none = parse({"/v="});
  EXPECT_FALSE(none.show_renamed || none.show_errors || none.show_totals);
  RunOptions added = parse({"/v+nk"});
  EXPECT_TRUE(added.show_unchanged && added.show_skipped && added.show_renamed);
  EXPECT_FALSE(parse({"/vc"}).show_renamed);
  RunOptions standard = parse({"/v=a", "/v"});
  EXPECT_TRUE(standard.show_renamed && standard.show_errors &&
              standard.show_totals);
  EXPECT_FALSE(standard.show_skipped || standard.show_unchanged);
  RunOptions unchanged = parse({"/vq"});
  EXPECT_TRUE(unchanged.show_renamed && unchanged.show_errors);
  RunOptions then_d = parse({"/v-e/d"});
  EXPECT_FALSE(then_d.show_errors);
  EXPECT_TRUE(then_d.recurse_subdirs);
}

TEST(OptionsTest, InvalidOptionsEndTheRun) {
  for (const char* arg : {"/", "//", "/x", "/d-o", "/help", "/?", "/DATEL5",
                          "/testx", "/e-x", "/oo"}) {
    EXPECT_TRUE(invalid(arg)) << arg;
  }
  // Options to the left of the failing one in a group are applied.
  RunOptions partial;
  EXPECT_TRUE(invalid("/d/x/o", &partial));
  EXPECT_TRUE(partial.recurse_subdirs);
  EXPECT_FALSE(partial.overwrite);
}

TEST(OptionsTest, AlternativeSwitchCharacterIsSkippedLikeSlash) {
  RunOptions o = parse({"-d/o"});
  EXPECT_TRUE(o.recurse_subdirs && o.overwrite);
  EXPECT_TRUE(invalid("-d-o"));
}

TEST(OptionsTest, ReadNumberLikeAtol) {
  EXPECT_EQ(read_number("  42x"), 42);
  EXPECT_EQ(read_number("-7"), -7);
  EXPECT_EQ(read_number("+8"), 8);
  EXPECT_EQ(read_number(""), 0);
  EXPECT_EQ(read_number("x1"), 0);
  EXPECT_EQ(read_number("4294967297"), 1);  // wraps to 32 bits
}

}  // namespace
}  // namespace kavo
