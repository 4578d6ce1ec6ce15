set(E2E_TESTS
  tests/harness.cc
  tests/pty_harness.cc
  tests/driver_e2e_test.cc
  tests/rename_e2e_test.cc
  tests/date_e2e_test.cc
  tests/encoding_e2e_test.cc
  tests/filter_e2e_test.cc
  tests/output_e2e_test.cc
  tests/config_e2e_test.cc
  tests/usage_e2e_test.cc
  tests/race_e2e_test.cc
  tests/crash_e2e_test.cc
  tests/hostile_e2e_test.cc
  tests/windows_e2e_test.cc
  tests/windows_console_e2e_test.cc
  tests/syscall_e2e_test.cc
)
set(E2E_RACE_PRELOAD_SOURCES
  tests/race_preload.cc
)
# Transcripts: a tree, a command, the bytes it prints, its exit code and
# the tree after, run by cram against the Linux build (and, through
# $KAVO_TEST_RUNNER, against the Windows build under Wine).
set(E2E_TRANSCRIPTS
  tests/renaming.t
  tests/filters.t
  tests/output.t
  tests/windows.t
)
