set(TARGETS_SOURCES
  targets/paths.cc
  targets/walk.cc
  targets/rename.cc
)
set(TARGETS_TESTS
  targets/paths_test.cc
  targets/rename_test.cc
)
# Tests that need Linux itself: a path longer than Windows' ANSI calls take.
set(TARGETS_POSIX_TESTS
  targets/paths_posix_test.cc
)
