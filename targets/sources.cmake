set(TARGETS_SOURCES
  targets/paths.cc
  targets/walk.cc
  targets/rename.cc
)
set(TARGETS_TESTS
  targets/paths_test.cc
)
