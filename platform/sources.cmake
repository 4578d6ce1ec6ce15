set(PLATFORM_POSIX_SOURCES
  platform/posix_entries.cc
  platform/posix_files.cc
  platform/posix_console.cc
  platform/posix_text.cc
  platform/posix_trash.cc
)
set(PLATFORM_WIN32_SOURCES
  platform/win32.cc
)
# The contract both layers pass; the Linux layer's text boundary apart.
set(PLATFORM_TESTS
  platform/platform_test.cc
)
set(PLATFORM_POSIX_TESTS
  platform/posix_text_test.cc
)
# Fixtures shared by the unit tests of every folder.
set(PLATFORM_TEST_SUPPORT_SOURCES
  platform/test_support.cc
)
