#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "filters/filter_parts.h"
#include "filters/filters.h"
#include "platform/platform.h"

namespace kavo {
namespace {

void use_time_zone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

int64_t utc(int year, int month, int day, int hour = 0, int minute = 0,
            int second = 0) {
  struct tm t = {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return timegm(&t);
}

FindRecord record(uint32_t attributes, uint64_t size = 0, int64_t written = 0) {
  FindRecord r;
  r.attributes = attributes;
  r.size = size;
  r.write_time = r.creation_time = r.access_time = written;
  r.complete = true;
  return r;
}

FilterSet filters_of(const std::vector<std::string>& options) {
  FilterSet f;
  for (const std::string& o : options) {
    int result = o[0] == 's' ? compile_skip_option(o.c_str(), &f)
                             : compile_limit_option(o.c_str(), &f);
    EXPECT_EQ(result, 0) << o;
  }
  EXPECT_TRUE(finish_filters(&f));
  return f;
}

constexpr uint32_t kFile = 0x20;  // a writable file (archive set)
constexpr uint32_t kDir = 0x10;   // a writable directory
constexpr uint32_t kReadOnly = 0x01;
constexpr uint32_t kHidden = 0x02;

struct EntryCase {
  std::vector<std::string> options;
  std::string path;
  FindRecord entry;
  bool excluded;
};

void check(const EntryCase& c) {
  FilterSet f = filters_of(c.options);
  bool directory =
      (c.entry.attributes & kDir) != 0 && c.entry.attributes != kAttrMissing;
  bool excluded = directory ? directory_excluded(f, c.path, c.entry)
                            : file_excluded(f, c.path, c.entry);
  EXPECT_EQ(excluded, c.excluded)
      << c.options[0] << (c.options.size() > 1 ? " ..." : "") << " on "
      << c.path;
}

TEST(FilterEntriesTest, NoFilterExcludesNothing) {
  FilterSet f = filters_of({});
  EXPECT_FALSE(file_excluded(f, "a.txt", record(kFile)));
  EXPECT_FALSE(directory_excluded(f, "sub", record(kDir)));
  // Not even an entry whose record could not be read.
  EXPECT_FALSE(file_excluded(f, "gone", record(kAttrMissing)));
}

TEST(FilterEntriesTest, NamesAndExtensions) {
  const EntryCase cases[] = {
      {{"sfa.txt"}, "x\\A.TXT", record(kFile), true},
      {{"sFa.txt"}, "x\\A.TXT", record(kFile), false},
      {{"sfa.txt"}, "a.txt", record(kDir), false},
      {{"sdwork"}, "x\\WORK", record(kDir), true},
      {{"sdwork"}, "work", record(kFile), false},
      {{"sDwork"}, "x\\WORK", record(kDir), false},
      {{"sd\\*"}, "*", record(kDir), true},
      {{"sd\\*"}, "x", record(kDir), false},
      {{"setxt,doc"}, "a.DOC", record(kFile), true},
      {{"setxt"}, "README", record(kFile), false},
      {{"setxt"}, "dir.txt", record(kDir), false},
      {{"letxt"}, "a.txt", record(kFile), false},
      {{"letxt"}, "A.TXT", record(kFile), false},
      {{"letxt"}, "README", record(kFile), false},
      {{"letxt"}, "a.doc", record(kFile), true},
      {{"letxt"}, "a.", record(kFile), true},
      {{"letxt"}, "sub.doc", record(kDir), false},
      {{"lEtxt"}, "A.TXT", record(kFile), true},
      {{"lf*.jpg,*.png"}, "d\\x.png", record(kFile), false},
      {{"lf*.jpg,*.png"}, "d\\x.gif", record(kFile), true},
      {{"ldwork"}, "work\\work", record(kDir), false},
      {{"ldwork"}, "x", record(kDir), true},
      {{"ldwork"}, "a.txt", record(kFile), false},
      {{"lDwork"}, "WORK", record(kDir), true},
  };
  for (const EntryCase& c : cases) check(c);
}

TEST(FilterEntriesTest, Attributes) {
  const EntryCase cases[] = {
      {{"sadh"}, ".hid", record(kDir | kHidden), true},
      {{"sadh"}, ".hid", record(kFile | kHidden), false},
      {{"sah"}, ".hid", record(kFile | kHidden), true},
      {{"sah"}, ".hid", record(kDir | kHidden), false},
      {{"sah"}, "vis", record(kFile), false},
      {{"lad"}, "any", record(kDir | kHidden | kReadOnly), false},
      {{"lad"}, "f", record(kFile), false},
      {{"lAd"}, "plain", record(kDir), false},
      {{"lAd"}, ".hid", record(kDir | kHidden), true},
      {{"law"}, "f", record(kFile), false},
      {{"law"}, "f", record(kFile | kReadOnly), true},
      {{"lar"}, "f", record(kFile | kReadOnly), false},
      {{"lar"}, "f", record(kFile), true},
      {{"lAr"}, "f", record(kReadOnly), false},
      {{"lAr"}, "f", record(kFile | kReadOnly), true},
      {{"sAa"}, "f", record(kFile), true},
      {{"sAa"}, "f", record(kFile | kHidden), false},
      // /la and /lA together must both be satisfied.
      {{"lah", "lAah"}, ".f", record(kFile | kHidden), false},
      {{"lah", "lAa"}, ".f", record(kFile | kHidden), true},
      // A failed query: a skip does not skip, a limit excludes.
      {{"saw"}, "gone", record(kAttrMissing), false},
      {{"law"}, "gone", record(kAttrMissing), true},
  };
  for (const EntryCase& c : cases) check(c);
}

TEST(FilterEntriesTest, IncompleteRecordIsLookedUp) {
  FilterSet f = filters_of({"law"});
  FindRecord partial;
  partial.name = "missing";
  partial.complete = false;
  // The lookup finds nothing: the limit excludes.
  EXPECT_TRUE(file_excluded(f, "\\no\\such\\dir\\missing", partial));
  FilterSet skip = filters_of({"saw"});
  EXPECT_FALSE(file_excluded(skip, "\\no\\such\\dir\\missing", partial));
}

TEST(FilterEntriesTest, Sizes) {
  const EntryCase cases[] = {
      {{"ls0"}, "f", record(kFile, 0), false},
      {{"ls0"}, "f", record(kFile, 1), true},
      {{"ls1K-1K"}, "f", record(kFile, 1024), false},
      {{"ls1K-1K"}, "f", record(kFile, 1023), true},
      {{"ls1K-1K"}, "f", record(kFile, 1025), true},
      {{"ls1K-"}, "f", record(kFile, uint64_t{1} << 40), false},
      {{"ls-1.5M"}, "f", record(kFile, 1572864), false},
      {{"ls-1.5M"}, "f", record(kFile, 1572865), true},
      {{"ls1.5K-2M"}, "f", record(kFile, 1535), true},
      {{"ls1.5K-2M"}, "f", record(kFile, 2097152), false},
      {{"ls0"}, "d", record(kDir, 4096), false},
      {{"ls0"}, "gone", record(kAttrMissing, 0), true},
  };
  for (const EntryCase& c : cases) check(c);
}

CalendarTime at(int year, int month, int day, int hour = 0, int minute = 0,
                int second = 0) {
  return CalendarTime{year, month, day, hour, minute, second, 0};
}

DateRange range_of(const std::string& value) {
  DateRange range;
  parse_date_range(value, &range);
  return range;
}

TEST(FilterEntriesTest, TimeInRange) {
  struct Case {
    std::string value;
    CalendarTime time;
    bool inside;
  };
  const Case cases[] = {
      {"2001", at(2001, 12, 31, 23, 59, 59), true},
      {"2001", at(2002, 1, 1), false},
      {"2001", at(2000, 12, 31, 23, 59, 59), false},
      {"200104", at(2001, 4, 30, 23, 59, 59), true},
      {"200104", at(2001, 5, 1), false},
      {"20010417", at(2001, 4, 17, 8), true},
      {"20010301-20010310", at(2001, 3, 10, 23, 59, 59), true},
      {"20010301-20010310", at(2001, 3, 11), false},
      {"20010301-20010310", at(2001, 3, 1), true},
      {"20010301-20010310", at(2001, 2, 28, 23, 59, 59), false},
      {"200101-200102", at(2001, 2, 28, 23, 59, 59), true},
      {"200101-200102", at(2001, 3, 1), false},
      {"200012-200102", at(2001, 1, 15), true},
      {"200012-200102", at(2000, 11, 30, 23, 59, 59), false},
      {"1999-2003", at(2001, 6, 1), true},
      {"1999-2003", at(2004, 1, 1), false},
      {"200104-", at(2001, 4, 1), true},
      {"200104-", at(2001, 3, 31, 23, 59, 59), false},
      {"200104-", at(2030, 1, 1), true},
      {"-2018", at(2018, 12, 31, 23, 59, 59), true},
      {"-2018", at(2019, 1, 1), false},
      {"-2018062512", at(2018, 6, 25, 12, 59, 59), true},
      {"-2018062512", at(2018, 6, 25, 13), false},
      {"2005-2001", at(2004, 12, 31), false},
      {"2005-2001", at(2006, 1, 1), true},
      {"20-2001", at(1990, 1, 1), true},
      {"20-2001", at(2002, 1, 1), false},
      {"-20", at(2001, 1, 1), false},
      // A month beyond December ends like a 31-day month.
      {"2001-200113", at(2001, 12, 31, 23, 59, 59), true},
      {"2001-200113", at(2003, 1, 1), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(time_in_range(c.time, range_of(c.value)), c.inside)
        << c.value << " at " << c.time.year << "-" << c.time.month << "-"
        << c.time.day << " " << c.time.hour << ":" << c.time.minute << ":"
        << c.time.second;
  }
}

TEST(FilterEntriesTest, DatesOfFilesAndDirectories) {
  use_time_zone("UTC");
  FindRecord file = record(kFile, 0, utc(2001, 12, 31, 23, 59, 59));
  file.creation_time = utc(2005, 6, 1);
  file.access_time = utc(2010, 1, 1);
  const EntryCase cases[] = {
      {{"ly2001"}, "f", file, false},
      {{"ly2002"}, "f", file, true},
      {{"lyw2001", "lyc2005"}, "f", file, false},
      {{"lyw2001", "lyc2006"}, "f", file, true},
      {{"lyr2010"}, "f", file, false},
      {{"lyr2009"}, "f", file, true},
      {{"lyd2002"}, "f", file, false},
      {{"ly2002"}, "d", record(kDir, 0, utc(2001, 1, 1)), false},
      {{"lyd2002"}, "d", record(kDir, 0, utc(2001, 1, 1)), true},
      {{"lydc2001"}, "d", record(kDir, 0, utc(2001, 1, 1)), false},
      {{"ly2001"}, "gone", record(kAttrMissing), true},
  };
  for (const EntryCase& c : cases) check(c);
}

TEST(FilterEntriesTest, DatesAreComparedInLocalTime) {
  use_time_zone("JST-9");
  // 15:00 UTC on New Year's Eve is already the next year nine hours east.
  FindRecord file = record(kFile, 0, utc(2001, 12, 31, 15, 0, 0));
  FilterSet f2001 = filters_of({"ly2001"});
  FilterSet f2002 = filters_of({"ly2002"});
  EXPECT_TRUE(file_excluded(f2001, "f", file));
  EXPECT_FALSE(file_excluded(f2002, "f", file));
  use_time_zone("UTC");
  EXPECT_FALSE(file_excluded(f2001, "f", file));
}

TEST(FilterEntriesTest, SkipWinsAndPathsComeFirst) {
  const EntryCase cases[] = {
      {{"sfa.txt", "lfa.txt"}, "a.txt", record(kFile), true},
      {{"sdx", "ldx"}, "x", record(kDir), true},
      {{"shsub", "lhsub"}, "sub\\a.txt", record(kFile), true},
      // The path tests decide before the record is looked at.
      {{"shsub", "saw"}, "sub\\gone", record(kAttrMissing), true},
      {{"ltx", "law"}, "y", record(kAttrMissing), true},
      {{"lhsub"}, "sub", record(kDir), false},
      {{"lhsub"}, "other", record(kDir), true},
      {{"lhsub"}, "a.txt", record(kFile), true},
      {{"ltsub\\*.txt"}, "x", record(kDir), false},
  };
  for (const EntryCase& c : cases) check(c);
}

TEST(FilterEntriesTest, DirectoryNameOfPathEndingInBackslash) {
  FilterSet f = filters_of({"sdC"});
  EXPECT_TRUE(directory_excluded(f, "a\\c\\", record(kDir)));
  EXPECT_FALSE(directory_excluded(f, "a\\b\\", record(kDir)));
}

}  // namespace
}  // namespace kavo
