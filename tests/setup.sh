# Sourced at the top of every transcript: runs in cram's scratch directory.
# `kavo` starts the command under test: the built kavo in the locale's
# encoding (UTF-8, so that transcripts read as text), or kavo.exe
# ($KAVO_TEST_BINARY) under $KAVO_TEST_RUNNER (wine), whose code page 932,
# CR LF output comes back as UTF-8 lines, so one transcript holds for both
# builds. Standard output comes first, then standard error; the
# transcript's directory in an absolute path reads <here> (with its drive
# letter, if any). $here is that path without a drive letter.
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC
set -o pipefail
unset KAVO_ENCODING
# The configuration file of whoever runs the tests is never read, and the
# run journals (and the trash) are the transcript's own.
export XDG_CONFIG_HOME="$CRAMTMP/no-config"
export XDG_STATE_HOME="$CRAMTMP/$TESTFILE.state" XDG_DATA_HOME="$CRAMTMP/$TESTFILE.data"
: "${KAVO_TEST_BINARY:=$KAVO_BINARY}"

if [ -n "$KAVO_TEST_RUNNER" ]; then
  export WINEDEBUG=-all
  unset DISPLAY
  here=$(winepath -w "$(pwd -P)")
  here=${here#?:}
  runner=(env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$KAVO_TEST_RUNNER")
  kavo_text() { iconv -f CP932 -t UTF-8 | tr -d '\r'; }
  # A file kavo wrote (a log), in UTF-8 as the transcript reads it.
  text() { iconv -f CP932 -t UTF-8 "$@"; }
else
  here=$(pwd -P | tr / '\\')
  runner=()
  kavo_text() { cat; }
  text() { cat "$@"; }
fi
here_pattern=$(printf '%s' "$here" | sed 's/[][\\/.*^$]/\\&/g')
start() { "${runner[@]}" "$@"; }

# `run PROGRAM ARGS...` runs a copy of the command made by `copy`.
run() {
  start "$@" 2>"$CRAMTMP/.err" | shown
  local code=${PIPESTATUS[0]}
  shown <"$CRAMTMP/.err" >&2
  return "$code"
}
shown() { kavo_text | hide_here; }
hide_here() {
  LC_ALL=C sed "s/\\([A-Za-z]:\\)\\{0,1\\}$here_pattern/<here>/g"
}
kavo() { run "$KAVO_TEST_BINARY" "$@"; }
# `kavo_raw` leaves standard output as the command writes it (not converted
# for the Windows build), for the cases about standard output itself.
kavo_raw() {
  start "$KAVO_TEST_BINARY" "$@" 2>"$CRAMTMP/.err"
  local code=$?
  shown <"$CRAMTMP/.err" >&2
  return "$code"
}
# `kavo_exec` replaces the shell by the command, so that the shell's process
# id (written down before) is the command's own, which a signal reaches.
kavo_exec() { exec "${runner[@]}" "$KAVO_TEST_BINARY" "$@"; }
# `row CMD...` prints what a command prints as one line (its lines joined
# by spaces), then [N] for an exit code other than 0.
row() { { "$@" 2>&1; local c=$?; [ $c = 0 ] || echo "[$c]"; } | paste -sd' '; }

# `copy PATH` puts a copy of the command under test at PATH (its
# configuration file is PATH with the extension .cfg).
copy() {
  mkdir -p "$(dirname "$1")" && cp "$KAVO_TEST_BINARY" "$1" && chmod +x "$1"
}

# `on linux` or `on windows` tests the build; `only linux|windows` as a
# transcript's first command skips the whole file on the other build (cram
# skips a script that exits with 80).
on() {
  case $1 in linux) [ -z "$KAVO_TEST_RUNNER" ] ;; *) [ -n "$KAVO_TEST_RUNNER" ] ;; esac
}
only() { on "$1" || exit 80; }

# `mk PATH...` makes each file holding its own path (and its directories);
# a PATH that ends in '/' is a directory.
mk() {
  local f
  for f; do
    mkdir -p "$(dirname "$f")"
    case $f in */) mkdir -p "$f" ;; *) printf %s "$f" >"$f" ;; esac
  done
}

# Every entry below the working directory, sorted, directories with a
# final '/', each file followed by its content when that is not its own
# path (so a file moved or replaced shows where it came from); never that
# of a file of 4 KiB or more.
tree() {
  find . -mindepth 1 \( -type d -printf '%P/\n' \) -o \
    \( -type l -printf '%P -> %l\n' \) -o \
    \( -type f -printf '%P' -exec sh -c \
       's=$(stat -c %s "$1"); [ $s -lt 4096 ] || { echo; exit; }
        c=$(cat "$1"); [ -z "$c" ] || [ "$c" = "${1#./}" ] ||
        printf " <%s>" "$c"; echo' _ {} \; \) -o \
    -printf '%P\n' | LC_ALL=C sort
}

# `fresh NAME` starts a paragraph in a new empty directory NAME below the
# transcript's own.
top=$PWD
fresh() { cd "$top" && mkdir "$1" && cd "$1"; }
