Output: the log file the run writes, and the result lines around it.

  $ . "$TESTDIR/setup.sh"

The open log is never replaced, whatever name reaches it: a symbolic link,
another hard link, a path through `..`. Such an overwrite fails like any
refused one, and the log keeps its earlier lines.

  $ echo old > RUN.log; ln -s RUN.log link.log; echo X > x.txt
  $ kavo x.txt RUN.log x.txt /e /o /LOGlink.log
  上書改名不能:x.txt≠RUN.log
  
  [1]
  $ mkdir sub; ln RUN.log sub/hard.log
  $ kavo x.txt RUN.log x.txt /e /o /c '/LOGsub\..\sub\hard.log'
  上書改名不能:x.txt≠RUN.log
  
  改名失敗:1個
  [2]
  $ head -1 RUN.log; cat x.txt
  old
  X

A directory that holds the open log is not renamed, as Windows refuses to
rename it: the move is refused like any other (with /c the walk goes on
inside under the old name), and the log stays where it was opened.

  $ mkdir dir; touch dir/dir.txt
  $ kavo dir DIR '*' /d /fa '/logdir\p.log'
  改名不能:dir≠DIR
  
  [1]
  $ kavo dir DIR '*' /d /fa /c '/LOGdir\p.log'
  改名不能:dir≠DIR
  dir\dir.txt→DIR.txt
  
  改名成功:1個
  改名失敗:1個
  [2]
  $ ls dir
  DIR.txt
  p.log

  $ mkdir ../output-more && cd ../output-more

A write to standard output that fails (a full device, a reader that has
gone, a closed stream) neither stops nor half-does the run: every entry is
renamed and the log gets every line; at the end one note on standard error
says that standard output could not be written, and the exit code is 2
unless the run ends with 1 anyway.

  $ long=$(printf '%0190d' 0)
  $ seq -f "old_${long}_%03g.txt" 600 | xargs touch
  $ kavo_raw old new '*' /logrun.log >/dev/full
  標準出力の出力に異常を検出しました。
  [2]
  $ ls | grep -c '^new_'; LC_ALL=C grep -c '^old_.*new_' run.log
  600
  600
  $ (set -o pipefail; kavo_raw new old '*' | head -1 >/dev/null)
  標準出力の出力に異常を検出しました。
  [2]
  $ ls | grep -c '^old_'
  600
  $ kavo_raw old new '*' >&-
  標準出力の出力に異常を検出しました。
  [2]
  $ ls | grep -c '^new_'
  600
  $ kavo_raw new old '*' missing.txt >/dev/full
  標準出力の出力に異常を検出しました。
  [1]
  $ ls | grep -c '^old_'
  600

SIGINT (like SIGTERM and SIGHUP, or Ctrl-C on Windows) stops the run as a
failed rename does: the entry in hand is finished, every rename made has its
line on standard output (never lost in a buffer), the totals and the log's
footer follow, and the exit code is 1. Here the signal comes once the first
lines have reached the reader.

  $ rm -f *; seq -f 'old%05g.txt' 20000 | xargs touch
  $ (echo $BASHPID >pid; kavo_exec old new '*' /logrun.log) |
  > (read -r line; kill -INT "$(cat pid)"; echo "$line"; cat) >out.txt;
  > echo "exit ${PIPESTATUS[0]}"
  exit 1
  $ renamed=$(ls | grep -c "^new"); [ "$renamed" -gt 0 -a "$renamed" -lt 20000 ] && echo stopped
  stopped
  $ LC_ALL=C grep -c 'old.*new' out.txt | grep -x "$renamed"
  [0-9]+ (re)
  $ tail -1 out.txt | tr -dc 0-9 | grep -x "$renamed"
  [0-9]+ (re)
  $ LC_ALL=C grep -c '^old.*new' run.log | grep -x "$renamed"
  [0-9]+ (re)
  $ tail -2 run.log | LC_ALL=C grep -c '^kavo'
  1
