# Transcripts: a tree, a command, the bytes it prints, its exit code and
# the tree after, run by cram against the Linux build (and, through
# $KAVO_TEST_RUNNER, against the Windows build under Wine).
set(E2E_TRANSCRIPTS
  tests/renaming.t
  tests/walk.t
  tests/filters.t
  tests/dates.t
  tests/output.t
  tests/configuration.t
  tests/usage.t
  tests/encodings.t
  tests/linux.t
  tests/windows.t
)
# What a transcript cannot drive: keys on a terminal, a run held at its
# prompt while the tree changes, a run killed at random moments.
set(E2E_TESTS
  tests/terminal_test.cc
  tests/race_test.cc
)
# Preloaded by a transcript to create each target just before its move.
set(E2E_RACE_PRELOAD_SOURCES
  tests/race_preload.cc
)
