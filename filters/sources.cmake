set(FILTERS_SOURCES
  filters/filter_options.cc
  filters/path_filters.cc
  filters/entry_filters.cc
)
set(FILTERS_TESTS
  filters/filter_options_test.cc
  filters/path_filters_test.cc
  filters/entry_filters_test.cc
)
# Tests that need Linux itself: a time zone of the test's choosing.
set(FILTERS_POSIX_TESTS
  filters/entry_filters_posix_test.cc
)
