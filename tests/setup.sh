# Sourced at the top of every transcript: runs in cram's scratch directory.
# `kavo` starts the command under test. For the Linux build that is the
# built kavo in the locale's encoding (UTF-8, so that transcripts read as
# text). For the Windows build ($KAVO_TEST_RUNNER, e.g. wine, and
# $KAVO_TEST_BINARY, kavo.exe) arguments reach Wine in UTF-8 and its code
# page 932 output comes back as UTF-8 with LF line ends, so the same
# transcript holds for both builds.
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC
unset KAVO_ENCODING
# The configuration file of whoever runs the tests is never read.
export XDG_CONFIG_HOME="$CRAMTMP/no-config"
: "${KAVO_TEST_BINARY:=$KAVO_BINARY}"

if [ -n "$KAVO_TEST_RUNNER" ]; then
  export WINEDEBUG=-all
  unset DISPLAY
  kavo() {
    LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$KAVO_TEST_RUNNER" \
      "$KAVO_TEST_BINARY" "$@" 2>"$CRAMTMP/.err" | kavo_text
    local code=${PIPESTATUS[0]}
    kavo_text <"$CRAMTMP/.err" >&2
    return "$code"
  }
  kavo_text() { iconv -f CP932 -t UTF-8 | tr -d '\r'; }
else
  kavo() { "$KAVO_TEST_BINARY" "$@"; }
fi

# `kavo_raw` starts the command with its standard output left as the
# command writes it (not converted for the Windows build), for the cases
# about standard output itself; standard error is converted as for `kavo`.
kavo_raw() {
  if [ -z "$KAVO_TEST_RUNNER" ]; then
    "$KAVO_TEST_BINARY" "$@"
    return
  fi
  LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$KAVO_TEST_RUNNER" \
    "$KAVO_TEST_BINARY" "$@" 2>"$CRAMTMP/.err"
  local code=$?
  kavo_text <"$CRAMTMP/.err" >&2
  return "$code"
}

# `kavo_exec` replaces the shell by the command, its output as it writes
# it, so that the shell's process id (written down before) is the
# command's own, which a signal reaches.
kavo_exec() {
  if [ -n "$KAVO_TEST_RUNNER" ]; then
    LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 exec "$KAVO_TEST_RUNNER" \
      "$KAVO_TEST_BINARY" "$@"
  fi
  exec "$KAVO_TEST_BINARY" "$@"
}

# `only linux` or `only windows` as a transcript's first command skips the
# whole file on the other build (cram skips a script that exits with 80).
only() {
  case "$1" in
    linux) [ -z "$KAVO_TEST_RUNNER" ] || exit 80 ;;
    windows) [ -n "$KAVO_TEST_RUNNER" ] || exit 80 ;;
  esac
}

# Every entry below the working directory, sorted, directories with a
# final '/', each file followed by its content when it has one.
tree() {
  find . -mindepth 1 \( -type d -printf '%P/\n' \) -o \
    \( -type l -printf '%P -> %l\n' \) -o \
    \( -type f -printf '%P' -exec sh -c \
       'test -s "$1" && printf " <%s>" "$(cat "$1")"; echo' _ {} \; \) -o \
    -printf '%P\n' | LC_ALL=C sort
}
