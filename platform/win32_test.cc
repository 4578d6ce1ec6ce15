// The Windows platform layer against the real Win32 calls (run under Wine
// on the build machine, in a Japanese locale: code page 932, TZ=UTC).

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "platform/test_support.h"

namespace kavo {
namespace {

// A fresh directory under the system's temporary directory, removed with
// its files afterwards (read-only ones included, which std::filesystem
// cannot remove there).
class Win32Test : public ::testing::Test {
 protected:
  void TearDown() override { remove_tree(dir_); }

  static void remove_tree(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        std::string full = path + "\\" + name;
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          remove_tree(full);
        } else {
          DeleteFileA(full.c_str());
        }
      } while (FindNextFileA(h, &data));
      FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
  }

  std::string at(const std::string& name) const { return dir_ + "\\" + name; }

  void make_file(const std::string& name, const std::string& content = "") {
    HANDLE h = CreateFileA(at(name).c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << name;
    DWORD written = 0;
    if (!content.empty()) {
      WriteFile(h, content.data(), content.size(), &written, nullptr);
    }
    CloseHandle(h);
  }

  std::string content(const std::string& name) {
    std::string bytes;
    return read_file_bytes(at(name), &bytes) ? bytes : "<missing>";
  }

  // The name as the directory stores it, or empty.
  std::string stored_name(const std::string& name) {
    FindRecord record;
    return find_entry(at(name), &record) ? record.name : "";
  }

  kavo_testing::ScratchDir scratch_;
  std::string dir_ = scratch_.native();
};

TEST(Win32Environment, AnsiCodePageIsShiftJis) { EXPECT_EQ(GetACP(), 932u); }

TEST(Win32Time, LocalCalendarTimeGoesThroughFileTimeAndTicksAdvance) {
  struct Case {
    int64_t seconds;
    CalendarTime expected;
  } cases[] = {
      {1113901507, {2005, 4, 19, 9, 5, 7, 2}},
      {0, {1970, 1, 1, 0, 0, 0, 4}},
      {-1, {1969, 12, 31, 23, 59, 59, 3}},
      {951782400, {2000, 2, 29, 0, 0, 0, 2}},
      {253402300799, {9999, 12, 31, 23, 59, 59, 5}},
  };
  auto fields = [](const CalendarTime& t) {
    return std::tuple(t.year, t.month, t.day, t.hour, t.minute, t.second,
                      t.weekday);
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fields(local_calendar_time(c.seconds)), fields(c.expected))
        << c.seconds;
  }
  // Before 1601 there is no FILETIME: an empty calendar time.
  EXPECT_EQ(local_calendar_time(-20000000000LL).year, 0);

  EXPECT_GT(current_time(), 1600000000);
  uint32_t first = tick_count_ms();
  Sleep(20);
  EXPECT_GE(static_cast<uint32_t>(tick_count_ms() - first), 15u);
}

TEST_F(Win32Test, DirectorySearchListsEveryEntry) {
  make_file("b.txt", "bb");
  make_file("a.txt");
  ASSERT_TRUE(CreateDirectoryA(at("sub").c_str(), nullptr));
  for (const std::string& directory : {dir_, dir_ + "\\", dir_ + "/"}) {
    DirectorySearch* search = directory_search_open(directory);
    ASSERT_NE(search, nullptr) << directory;
    std::vector<std::string> names;
    FindRecord record;
    while (directory_search_next(search, &record)) {
      names.push_back(record.name);
      EXPECT_TRUE(record.complete);
      if (record.name == "b.txt") {
        EXPECT_EQ(record.size, 2u);
      }
      if (record.name == "sub") {
        EXPECT_NE(record.attributes & kAttrDirectory, 0u);
      }
    }
    directory_search_close(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{".", "..", "a.txt", "b.txt", "sub"}))
        << directory;
  }
  EXPECT_EQ(directory_search_open(at("missing")), nullptr);
  EXPECT_EQ(directory_search_open(at("a.txt")), nullptr);
  directory_search_close(nullptr);
}

TEST_F(Win32Test, FindAndCompleteEntries) {
  make_file("Mixed.Txt", "12345");
  make_file("longfilename_entry.txt");
  ASSERT_TRUE(CreateDirectoryA(at("sub").c_str(), nullptr));
  HANDLE h = CreateFileA(at("Mixed.Txt").c_str(), FILE_WRITE_ATTRIBUTES, 0,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  // 2005-04-19 09:05:07 UTC.
  uint64_t ticks = (1113901507ULL + 11644473600ULL) * 10000000ULL;
  FILETIME when = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  ASSERT_TRUE(SetFileTime(h, &when, &when, &when));
  CloseHandle(h);
  FindRecord record;
  ASSERT_TRUE(find_entry(at("MIXED.TXT"), &record));
  EXPECT_EQ(record.name, "Mixed.Txt");  // as the directory stores it
  EXPECT_EQ(record.write_time, 1113901507);
  EXPECT_EQ(record.creation_time, 1113901507);
  EXPECT_EQ(record.access_time, 1113901507);
  EXPECT_EQ(record.size, 5u);
  EXPECT_TRUE(record.complete);
  EXPECT_EQ(record.attributes & kAttrDirectory, 0u);
  ASSERT_TRUE(find_entry(at("longfilename_entry.txt"), &record));
  ASSERT_FALSE(record.short_name.empty());
  EXPECT_NE(record.short_name.find('~'), std::string::npos);
  // The 8.3 alias leads to the long name.
  EXPECT_EQ(stored_name(record.short_name), "longfilename_entry.txt");
  // A final separator asks for a directory; wildcards are no lookup.
  EXPECT_EQ(stored_name("sub\\"), "sub");
  EXPECT_EQ(stored_name("Mixed.Txt\\"), "");
  EXPECT_EQ(stored_name("Mixed.*"), "");
  EXPECT_EQ(stored_name("?ixed.Txt"), "");
  EXPECT_FALSE(find_entry("", &record));

  record.name = "listed";
  record.short_name = "LISTED~1";
  ASSERT_TRUE(complete_entry(at("mixed.txt"), &record));
  EXPECT_EQ(record.name, "listed");
  EXPECT_EQ(record.short_name, "LISTED~1");
  EXPECT_EQ(record.size, 5u);
  EXPECT_FALSE(complete_entry(at("gone.txt"), &record));
  EXPECT_EQ(record.attributes, kAttrMissing);
}

TEST_F(Win32Test, AttributesAndTheirReset) {
  make_file("a.txt");
  EXPECT_EQ(get_attributes(at("missing")), kAttrMissing);
  EXPECT_NE(get_attributes(dir_) & kAttrDirectory, 0u);
  ASSERT_TRUE(SetFileAttributesA(at("a.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(get_attributes(at("a.txt")) & kAttrReadOnly, 0u);
  EXPECT_TRUE(set_normal_attributes(at("a.txt")));
  uint32_t attributes = get_attributes(at("a.txt"));
  EXPECT_EQ(attributes & kAttrReadOnly, 0u);
  EXPECT_NE(attributes, 0u);
  EXPECT_FALSE(set_normal_attributes(at("missing")));
}

TEST_F(Win32Test, MoveNeverReplaces) {
  make_file("a.txt", "A");
  make_file("b.txt", "B");
  EXPECT_TRUE(move_reports_existing_target());
  EXPECT_EQ(move_entry(at("a.txt"), at("b.txt")), MoveResult::kTargetExists);
  // Another spelling of a taken name is taken too.
  EXPECT_EQ(move_entry(at("a.txt"), at("B.TXT")), MoveResult::kTargetExists);
  EXPECT_EQ(content("a.txt"), "A");
  EXPECT_EQ(content("b.txt"), "B");
  EXPECT_EQ(move_entry(at("a.txt"), at("c.txt")), MoveResult::kMoved);
  EXPECT_EQ(content("c.txt"), "A");
  EXPECT_EQ(move_entry(at("a.txt"), at("d.txt")), MoveResult::kFailed);
  EXPECT_EQ(move_entry(at("c.txt"), at("nodir\\c.txt")), MoveResult::kFailed);
}

TEST_F(Win32Test, LetterCaseOnlyMoveChangesTheStoredName) {
  make_file("case.txt", "C");
  ASSERT_TRUE(CreateDirectoryA(at("dir").c_str(), nullptr));
  EXPECT_EQ(move_entry(at("case.txt"), at("CASE.txt")), MoveResult::kMoved);
  EXPECT_EQ(stored_name("case.txt"), "CASE.txt");
  EXPECT_EQ(content("CASE.txt"), "C");
  EXPECT_EQ(move_entry(at("dir"), at("Dir")), MoveResult::kMoved);
  EXPECT_EQ(stored_name("dir"), "Dir");
  // Nothing is left behind under a temporary name.
  DirectorySearch* search = directory_search_open(dir_);
  FindRecord record;
  int entries = 0;
  while (directory_search_next(search, &record)) ++entries;
  directory_search_close(search);
  EXPECT_EQ(entries, 4);
}

TEST_F(Win32Test, ReplaceAndDeleteRefuseReadOnlyEntriesAndDirectories) {
  make_file("a.txt", "A");
  make_file("b.txt", "B");
  make_file("ro.txt", "R");
  ASSERT_TRUE(CreateDirectoryA(at("dir").c_str(), nullptr));
  SetFileAttributesA(at("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(replace_entry(at("a.txt"), at("ro.txt")));
  EXPECT_FALSE(replace_entry(at("a.txt"), at("dir")));
  EXPECT_FALSE(delete_entry(at("ro.txt")));
  EXPECT_FALSE(delete_entry(at("dir")));
  EXPECT_FALSE(delete_entry(at("missing")));
  EXPECT_EQ(content("a.txt"), "A");
  EXPECT_EQ(content("ro.txt"), "R");
  EXPECT_NE(get_attributes(at("dir")) & kAttrDirectory, 0u);
  EXPECT_TRUE(replace_entry(at("a.txt"), at("b.txt")));
  EXPECT_EQ(content("b.txt"), "A");
  EXPECT_EQ(get_attributes(at("a.txt")), kAttrMissing);
  // A missing target is no obstacle.
  EXPECT_TRUE(replace_entry(at("b.txt"), at("new.txt")));
  EXPECT_TRUE(delete_entry(at("new.txt")));
  EXPECT_EQ(get_attributes(at("new.txt")), kAttrMissing);
}

TEST(Win32Volume, AvailableVolumes) {
  EXPECT_TRUE(volume_available(""));
  char windows[MAX_PATH];
  ASSERT_NE(GetWindowsDirectoryA(windows, sizeof windows), 0u);
  EXPECT_TRUE(volume_available(std::string(windows, 3)));
  // Asked twice, answered the same.
  EXPECT_TRUE(volume_available(std::string(windows, 3)));
  EXPECT_FALSE(volume_available("\\\\nosuchserver\\noshare\\"));
}

TEST(Win32Process, ExecutablePathNamesThisProgram) {
  std::string path = executable_path();
  ASSERT_GT(path.size(), 4u);
  EXPECT_EQ(path[1], ':');
  FindRecord record;
  ASSERT_TRUE(find_entry(path, &record));
  EXPECT_EQ(record.name, "platform_tests.exe");
}

TEST(Win32Process, FileArgumentsTakeBackslashes) {
  std::string args[] = {"kavo",   "a/b",  "c/d",       "sub/*.txt",
                        "/lhx/y", "-d/e", "\x95\x5c/x"};
  const char* expected[] = {"kavo",   "a/b",  "c/d",        "sub\\*.txt",
                            "/lhx/y", "-d/e", "\x95\x5c\\x"};
  char* argv[7];
  for (int i = 0; i < 7; ++i) argv[i] = args[i].data();
  std::vector<CommandArgument> out = command_arguments(7, argv, '-');
  ASSERT_EQ(out.size(), 7u);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(out[i].text, expected[i]) << i;
    EXPECT_FALSE(out[i].file_only) << i;
  }
}

TEST(Win32Process, EnvironmentNamesIgnoreCase) {
  ASSERT_TRUE(SetEnvironmentVariableA("KAVO_WIN32_TEST", "\x95\x5c value"));
  ASSERT_TRUE(SetEnvironmentVariableA("KAVO_WIN32_EMPTY", ""));
  std::string value;
  ASSERT_TRUE(find_environment_variable("kavo_win32_test", &value));
  EXPECT_EQ(value, "\x95\x5c value");
  value = "x";
  EXPECT_TRUE(find_environment_variable("KAVO_WIN32_EMPTY", &value));
  EXPECT_EQ(value, "");
  EXPECT_FALSE(find_environment_variable("KAVO_WIN32_UNDEFINED", &value));
  std::string long_value(2500, 'v');
  for (int i = 0; i < 1000; ++i) long_value += "\x95\x5c";
  SetEnvironmentVariableA("KAVO_WIN32_LONG", long_value.c_str());
  ASSERT_TRUE(find_environment_variable("KAVO_WIN32_LONG", &value));
  EXPECT_EQ(value, long_value);
}

TEST(Win32Console, RedirectedOutputIsNoConsole) {
  // The test runner collects standard output and gives no console input.
  EXPECT_EQ(console_rows(), 0);
  EXPECT_EQ(read_key(), 'A');
  EXPECT_EQ(console_write(Stream::kOut, "", 0), 0);
  EXPECT_EQ(console_write(Stream::kErr, "", 0), 0);
}

TEST_F(Win32Test, TextFilesStoreCrLfAndHoldTheFile) {
  TextFile* file = text_file_open(at("log.txt"), TextFileMode::kCreate);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(text_file_is_empty(file));
  EXPECT_TRUE(text_file_write(file, "a\nb\x95\x5c\n", 6));
  EXPECT_TRUE(text_file_flush(file));
  EXPECT_FALSE(text_file_is_empty(file));
  // While open, nobody may have the file for exclusive use; to this
  // process its own log is not in use elsewhere.
  HANDLE other = CreateFileA(at("log.txt").c_str(), GENERIC_READ, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(other, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(file_in_use_elsewhere(at("log.txt")));
  EXPECT_TRUE(text_file_close(file));
  EXPECT_EQ(content("log.txt"), "a\r\nb\x95\x5c\r\n");

  file = text_file_open(at("log.txt"), TextFileMode::kUpdate);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(text_file_seek_end(file));
  EXPECT_TRUE(text_file_write(file, "c\n", 2));
  EXPECT_TRUE(text_file_close(file));
  file = text_file_open(at("log.txt"), TextFileMode::kAppend);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(text_file_write(file, "d\n", 2));
  EXPECT_TRUE(text_file_close(file));
  EXPECT_EQ(content("log.txt"), "a\r\nb\x95\x5c\r\nc\r\nd\r\n");

  file = text_file_open(at("log.txt"), TextFileMode::kCreateUpdate);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(text_file_is_empty(file));
  EXPECT_TRUE(text_file_close(file));
  EXPECT_EQ(text_file_open(at("missing.txt"), TextFileMode::kUpdate), nullptr);
  EXPECT_EQ(text_file_open(dir_, TextFileMode::kCreate), nullptr);
  EXPECT_EQ(text_file_open(at("nodir\\x.txt"), TextFileMode::kAppend), nullptr);
}

TEST_F(Win32Test, FileHeldByAnotherHandleIsInUse) {
  make_file("held.txt", "x");
  EXPECT_FALSE(file_in_use_elsewhere(at("held.txt")));
  EXPECT_FALSE(file_in_use_elsewhere(at("missing.txt")));
  HANDLE holder = CreateFileA(at("held.txt").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(file_in_use_elsewhere(at("held.txt")));
  CloseHandle(holder);
  EXPECT_FALSE(file_in_use_elsewhere(at("held.txt")));
}

TEST_F(Win32Test, ReadFileBytesIsBinary) {
  make_file("cfg.txt", std::string("/d\r\n\x1a\0x", 7));
  std::string bytes;
  ASSERT_TRUE(read_file_bytes(at("cfg.txt"), &bytes));
  EXPECT_EQ(bytes, std::string("/d\r\n\x1a\0x", 7));
  EXPECT_FALSE(read_file_bytes(at("missing"), &bytes));
  EXPECT_FALSE(read_file_bytes(dir_, &bytes));
  EXPECT_EQ(external_text_to_internal("\x95\x5c\r\n"), "\x95\x5c\r\n");
}

TEST_F(Win32Test, JapaneseNamesRoundTrip) {
  const std::string name = "\x95\x5c\x8e\xa6.txt";  // 表示.txt
  make_file(name, "J");
  EXPECT_EQ(stored_name(name), name);
  EXPECT_EQ(move_entry(at(name), at("\x88\xea\x97\x97.txt")),
            MoveResult::kMoved);
  EXPECT_EQ(content("\x88\xea\x97\x97.txt"), "J");
}

}  // namespace
}  // namespace kavo
