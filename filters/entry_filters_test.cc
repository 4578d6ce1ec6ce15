#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "filters/filter_parts.h"
#include "filters/filters.h"
#include "platform/platform.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

using kavo_testing::utc_seconds;

constexpr uint32_t kFile = 0x20;  // a writable file (archive set)
constexpr uint32_t kDir = 0x10;   // a writable directory
constexpr uint32_t kReadOnly = 0x01;
constexpr uint32_t kHidden = 0x02;

// `options`: skip and limit options without their slash, space separated.
FilterSet filters_of(const std::string& options) {
  FilterSet f;
  std::istringstream words(options);
  for (std::string o; words >> o;) {
    int result = o[0] == 's' ? compile_skip_option(o.c_str(), &f)
                             : compile_limit_option(o.c_str(), &f);
    EXPECT_EQ(result, 0) << o;
  }
  EXPECT_TRUE(finish_filters(&f));
  return f;
}

// An entry as the walk hands it over: its path and its record.
struct Entry {
  std::string path;
  FindRecord record;
};

Entry f(const std::string& path, uint32_t attributes = kFile,
        uint64_t size = 0) {
  Entry e{path, FindRecord()};
  e.record.attributes = attributes;
  e.record.size = size;
  e.record.complete = true;
  return e;
}

Entry d(const std::string& path, uint32_t attributes = kDir) {
  return f(path, attributes);
}

// A file whose record the walk left for the filters to look up.
Entry unread(const std::string& path) { return Entry{path, FindRecord()}; }

// The options, and the entries they keep and those they exclude.
struct EntryCase {
  std::string options;
  std::vector<Entry> kept;
  std::vector<Entry> excluded;
};

bool excluded_by(const FilterSet& f, const Entry& e) {
  uint32_t attributes = e.record.attributes;
  bool directory = (attributes & kDir) != 0 && attributes != kAttrMissing;
  return directory ? directory_excluded(f, e.path, e.record)
                   : file_excluded(f, e.path, e.record);
}

void check_all(const std::vector<EntryCase>& cases) {
  for (const EntryCase& c : cases) {
    FilterSet filters = filters_of(c.options);
    for (const Entry& e : c.kept) {
      EXPECT_FALSE(excluded_by(filters, e)) << c.options << " on " << e.path;
    }
    for (const Entry& e : c.excluded) {
      EXPECT_TRUE(excluded_by(filters, e)) << c.options << " on " << e.path;
    }
  }
}

TEST(FilterEntriesTest, NamesAndPaths) {
  check_all({
      // No filter excludes anything, not even an unreadable entry.
      {"", {f("a.txt"), f("gone", kAttrMissing)}, {}},
      {"sfa.txt", {d("a.txt")}, {f("x\\A.TXT")}},
      {"sFa.txt", {f("x\\A.TXT")}, {}},
      {"sdwork", {f("work")}, {d("x\\WORK")}},
      {"sDwork", {d("x\\WORK")}, {}},
      // Directory names are matched with '\' escaping the wildcards (a name
      // holding a star: see match_whole_escaped and the transcripts).
      {"sd\\*", {d("x")}, {}},
      // The name of a path ending in '\' is the component before it.
      {"sdC", {d("a\\b\\")}, {d("a\\c\\")}},
      {"setxt,doc", {}, {f("a.DOC")}},
      // A name without extension is not limited by /le.
      {"letxt", {f("A.TXT"), f("README"), d("sub.doc")}, {f("a.doc"), f("a.")}},
      {"lEtxt", {}, {f("A.TXT")}},
      {"lf*.jpg,*.png", {f("d\\x.png")}, {f("d\\x.gif")}},
      {"ldwork", {d("work\\work"), f("a.txt")}, {d("x")}},
      {"lDwork", {}, {d("WORK")}},
      // A skip wins over a limit; path tests decide before the record is
      // looked at.
      {"sfa.txt lfa.txt", {}, {f("a.txt")}},
      {"sdx ldx", {}, {d("x")}},
      {"shsub lhsub", {}, {f("sub\\a.txt")}},
      {"shsub saw", {}, {f("sub\\gone", kAttrMissing)}},
      {"ltx law", {}, {f("y", kAttrMissing)}},
      {"lhsub", {d("sub")}, {d("other"), f("a.txt")}},
      {"ltsub\\*.txt", {d("x")}, {}},
  });
}

TEST(FilterEntriesTest, AttributesAndSizes) {
  const uint32_t hidden_file = kFile | kHidden;
  const uint32_t read_only_file = kFile | kReadOnly;
  check_all({
      {"sadh", {f(".h", hidden_file)}, {d(".h", kDir | kHidden)}},
      {"sah", {d(".h", kDir | kHidden)}, {f(".h", hidden_file)}},
      {"lad", {d("a", kDir | kHidden | kReadOnly), f("f")}, {}},
      {"lAd", {d("plain")}, {d(".h", kDir | kHidden)}},
      // A failed query: a skip does not skip, a limit excludes.
      {"saw", {f("gone", kAttrMissing), unread("\\no\\such\\f")}, {}},
      {"law",
       {f("f")},
       {f("f", read_only_file), f("gone", kAttrMissing),
        unread("\\no\\such\\f")}},
      {"lar", {f("f", read_only_file)}, {f("f")}},
      {"lAr", {f("f", kReadOnly)}, {f("f", read_only_file)}},
      {"sAa", {f("f", hidden_file)}, {f("f")}},
      // /la and /lA together must both be satisfied.
      {"lah lAah", {f(".f", hidden_file)}, {}},
      {"lah lAa", {}, {f(".f", hidden_file)}},
      {"ls0",
       {f("f"), d("d", kDir)},
       {f("f", kFile, 1), f("gone", kAttrMissing)}},
      {"ls1K-1K",
       {f("f", kFile, 1024)},
       {f("f", kFile, 1023), f("f", kFile, 1025)}},
      {"ls1K-", {f("f", kFile, uint64_t{1} << 40)}, {}},
      {"ls-1.5M", {f("f", kFile, 1572864)}, {f("f", kFile, 1572865)}},
      {"ls1.5K-2M", {f("f", kFile, 2097152)}, {f("f", kFile, 1535)}},
  });
}

// A calendar time written as digits, YYYYMMDD[hh[mm[ss]]].
CalendarTime at(std::string digits) {
  digits.resize(14, '0');
  CalendarTime t;
  std::sscanf(digits.c_str(), "%4d%2d%2d%2d%2d%2d", &t.year, &t.month, &t.day,
              &t.hour, &t.minute, &t.second);
  return t;
}

TEST(FilterEntriesTest, TimeInRange) {
  struct Case {
    std::string value;
    std::vector<std::string> inside;
    std::vector<std::string> outside;
  };
  const Case cases[] = {
      {"2001", {"20011231235959"}, {"20020101", "20001231235959"}},
      {"200104", {"20010430235959"}, {"20010501"}},
      {"20010417", {"2001041708"}, {}},
      {"20010301-20010310",
       {"20010310235959", "20010301"},
       {"20010311", "20010228235959"}},
      {"200101-200102", {"20010228235959"}, {"20010301"}},
      {"200012-200102", {"20010115"}, {"20001130235959"}},
      {"1999-2003", {"20010601"}, {"20040101"}},
      {"200104-", {"20010401", "20300101"}, {"20010331235959"}},
      {"-2018", {"20181231235959"}, {"20190101"}},
      {"-2018062512", {"20180625125959"}, {"2018062513"}},
      {"2005-2001", {"20060101"}, {"20041231"}},
      {"20-2001", {"19900101"}, {"20020101"}},
      {"-20", {}, {"20010101"}},
      // A month beyond December ends like a 31-day month.
      {"2001-200113", {"20011231235959"}, {"20030101"}},
  };
  for (const Case& c : cases) {
    DateRange range;
    parse_date_range(c.value, &range);
    for (const std::string& t : c.inside) {
      EXPECT_TRUE(time_in_range(at(t), range)) << c.value << " at " << t;
    }
    for (const std::string& t : c.outside) {
      EXPECT_FALSE(time_in_range(at(t), range)) << c.value << " at " << t;
    }
  }
}

// Mid-year times, so that the years compared hold in any time zone.
TEST(FilterEntriesTest, DatesOfFilesAndDirectories) {
  Entry file = f("f", kFile);
  file.record.write_time = utc_seconds(2001, 6, 15);
  file.record.creation_time = utc_seconds(2005, 6, 1);
  file.record.access_time = utc_seconds(2010, 6, 1);
  Entry dir = d("d");
  dir.record.write_time = dir.record.creation_time = utc_seconds(2001, 6, 1);
  check_all({
      {"ly2001", {file}, {f("gone", kAttrMissing)}},
      {"ly2002", {dir}, {file}},
      {"lyw2001 lyc2005", {file}, {}},
      {"lyw2001 lyc2006", {}, {file}},
      {"lyr2010", {file}, {}},
      {"lyr2009", {}, {file}},
      {"lyd2002", {file}, {dir}},
      {"lydc2001", {dir}, {}},
  });
}

}  // namespace
}  // namespace kavo
