set(TEXT_SOURCES
  text/sjis.cc
  text/path_text.cc
)
set(TEXT_TESTS
  text/sjis_test.cc
)
