Output and log: the log file's entries, its failures, the open log kept in
place, and the processing time line.

  $ . "$TESTDIR/setup.sh"
  $ copy bin/kavo.exe
  $ k() { run "$top/bin/kavo.exe" "$@"; }
  $ logtext() { text "$1" | python3 -c '
  > import datetime as dt, re, sys
  > today = dt.datetime.now(dt.timezone.utc).date()
  > def clock(m):
  >     d = dt.date(int(m[1]), int(m[2]), int(m[3]))
  >     ok = 0 <= (today - d).days <= 1 and "月火水木金土日"[d.weekday()] == m[4]
  >     return "<time>" if ok else m[0]
  > s = re.sub(r"(\d{4})年(\d\d)月(\d\d)日\((.)\) \d\d時\d\d分\d\d秒", clock, sys.stdin.read())
  > print(re.sub(r"\d\d時間\d\d分\d\d秒", "<spent>", s), end="")' | hide_here; }

A log entry holds a header (start time, version, the command line), the
output, and a footer (end time, time taken), with CR LF line ends, in the
user's encoding. /log replaces the file; /LOG appends, after a rule when the
file existed (even empty). A fatal error ends the entry with its stop line
and no footer.

  $ fresh log; mk a1.txt a2.txt; printf 'old\r\n' > run.txt
  $ row k a b /logrun.txt 'a*.txt'
  a1.txt→b1.txt a2.txt→b2.txt  改名成功:2個
  $ logtext run.txt
  kavo実行開始 <time> ［kavo 第1.37版］\r (esc)
  <here>\\bin\\kavo.exe a b /logrun.txt a*.txt\r (esc)
  \r (esc)
  a1.txt→b1.txt\r (esc)
  a2.txt→b2.txt\r (esc)
  \r (esc)
  改名成功:2個\r (esc)
  \r (esc)
  kavo実行終了 <time>（処理時間 <spent>）\r (esc)
  $ k b a /LOGnew.txt 'b*.txt' >/dev/null; logtext new.txt | sed -n 1p
  kavo実行開始 <time> ［kavo 第1.37版］\r (esc)
  $ : > empty.txt; k a b /LOGempty.txt 'a*.txt' >/dev/null; logtext empty.txt | sed -n 1,2p | tr -d '\r' | paste -sd' '
  ------------------------------------------------------------------------------- kavo実行開始 <time> ［kavo 第1.37版］
  $ k b a /LOGrun.txt 'b*.txt' >/dev/null; logtext run.txt | grep -n -e ^- -e kavo -e 成功 | tr -d '\r' | paste -sd' '
  1:kavo実行開始 <time> ［kavo 第1.37版］ 2:<here>\bin\kavo.exe a b /logrun.txt a*.txt 7:改名成功:2個 9:kavo実行終了 <time>（処理時間 <spent>） 10:------------------------------------------------------------------------------- 11:kavo実行開始 <time> ［kavo 第1.37版］ 12:<here>\bin\kavo.exe b a /LOGrun.txt b*.txt 17:改名成功:2個 19:kavo実行終了 <time>（処理時間 <spent>）
  $ row k a b /date /logrun.txt 'a*.txt'
   \x07処理停止:メモリー不足で改名できません。 [1] (esc)
  $ logtext run.txt | tr -d '\r' | paste -sd' '
  kavo実行開始 <time> ［kavo 第1.37版］ <here>\bin\kavo.exe a b /date /logrun.txt a*.txt   処理停止:メモリー不足で改名できません。

A log that cannot be opened stops the run before anything is renamed; a
failed write (a full disk) is reported when the log is closed, after the
run and its flushed output; /log alone turns logging off.

  $ fresh fails; mk a1.txt a2.txt; ln -s /dev/full full.txt
  $ row kavo a b '/lognodir\run.txt' 'a*.txt'
   \x07処理停止:ログ・ファイル"nodir\\run.txt"がオープン出来ません。 [1] (esc)
  $ start "$KAVO_TEST_BINARY" a b /logfull.txt 'a*.txt' 2>&1 | shown | paste -sd' '
  a1.txt→b1.txt a2.txt→b2.txt  改名成功:2個  \x07処理停止:ログ・ファイル"full.txt"の出力に異常を検出しました。 (esc)
  [1]
  $ row kavo b a /logrun.txt /log 'b*.txt'
  b1.txt→a1.txt b2.txt→a2.txt  改名成功:2個
  $ row tree
  a1.txt a2.txt full.txt -> /dev/full

The log's name runs to the end of its argument, '/' included, and the
options after that '/' apply too: /logsub/d logs to sub/d and walks.

  $ fresh slash; mk a.txt sub/x/a.txt
  $ kavo a b '*' /logsub/d >/dev/null
  $ text sub/d | grep -c '→'; rm sub/d
  2
  $ row tree
  b.txt <a.txt> sub/ sub/x/ sub/x/b.txt <sub/x/a.txt>

The log's command line holds a whole argument of 10,000 bytes.

  $ fresh long
  $ deep=$(printf 'ABC/%.0s' $(seq 2500))
  $ kavo ABC XYZ /logrun.log $deep >/dev/null 2>&1
  [1]
  $ text run.log | grep -c -F -- " ABC XYZ /logrun.log $deep"
  1

/time0 adds the processing time after the totals when anything was
renamed; /time-1 never does. The number is read as atol reads it: digits
up to the first other byte, wrapped to 32 bits.

  $ fresh time; mk a.txt
  $ row kavo a b a.txt /time0 | sed 's/:[0-9][0-9]*秒$/:N秒/'
  a.txt→b.txt  改名成功:1個 処理時間:N秒
  $ row kavo b c b.txt /time-1
  b.txt→c.txt  改名成功:1個
  $ row kavo q r c.txt /time0
  改名対象なし [2]
  $ for t in 5x 4294967296 4294967295 '' x; do row kavo c d c.txt /test /time$t; done | sed 's/:[0-9]*秒/:N秒/'
  c.txt→d.txt  改名成功:1個
  c.txt→d.txt  改名成功:1個 処理時間:N秒
  c.txt→d.txt  改名成功:1個
  c.txt→d.txt  改名成功:1個 処理時間:N秒
   \x07処理停止:無効オプション  /timex ※引数なしで実行すると使用方法を表示します。  [1] (esc)

The run never moves or replaces the log file it is writing, whatever name
reaches it (a symbolic link, another hard link, a path through `..`): such
a move fails like any refused one, and the log keeps its earlier lines.

  $ fresh open; echo old > RUN.log; ln -s RUN.log link.log; echo X > x.txt
  $ mkdir sub; ln RUN.log sub/hard.log
  $ row kavo x run x.txt /o /LOGrun.txt
  上書改名不能:x.txt≠run.txt  [1]
  $ row kavo x run x.txt /LOGrun.txt
  存在済:x.txt≠run.txt  [1]
  $ row kavo run moved run.txt /LOGrun.txt
  改名不能:run.txt≠moved.txt  [1]
  $ row kavo x.txt RUN.log x.txt /e /o /LOGlink.log
  上書改名不能:x.txt≠RUN.log  [1]
  $ row kavo x.txt RUN.log x.txt /e /o /c '/LOGsub\..\sub\hard.log'
  上書改名不能:x.txt≠RUN.log  改名失敗:1個 [2]
  $ ls | paste -sd' '; head -1 RUN.log; cat x.txt
  RUN.log link.log run.txt sub x.txt
  old
  X

A directory that holds the open log is not renamed, as Windows refuses to
rename it: the move is refused like any other (with /c the walk goes on
inside under the old name), and the log stays where it was opened.

  $ mkdir dir; touch dir/dir.txt
  $ row kavo dir DIR '*' /d /fa '/logdir\p.log'
  改名不能:dir≠DIR  [1]
  $ row kavo dir DIR '*' /d /fa /c '/LOGdir\p.log'
  改名不能:dir≠DIR dir\dir.txt→DIR.txt  改名成功:1個 改名失敗:1個 [2]
  $ ls dir
  DIR.txt
  p.log

A write to standard output that fails (a full device, a reader that has
gone, a closed stream) neither stops nor half-does the run: every entry is
renamed and logged, one note on standard error says so at the end, and the
exit code is 2 unless the run ends with 1 anyway.

  $ fresh lost
  $ long=$(printf '%0190d' 0)
  $ seq -f "old_${long}_%03g.txt" 600 | xargs touch
  $ named() { echo "[$?] $(ls | grep -c "^$1_") $1"; }
  $ kavo_raw old new '*' /logrun.log >/dev/full; named new
  標準出力の出力に異常を検出しました。
  [2] 600 new
  $ LC_ALL=C grep -c '^old_.*new_' run.log
  600
  $ kavo_raw new old '*' | head -1 >/dev/null; named old
  標準出力の出力に異常を検出しました。
  [2] 600 old
  $ kavo_raw old new '*' >&-; named new
  標準出力の出力に異常を検出しました。
  [2] 600 new
  $ kavo_raw new old '*' missing.txt >/dev/full; named old
  標準出力の出力に異常を検出しました。
  [1] 600 old

SIGINT (like SIGTERM and SIGHUP, or Ctrl-C on Windows), here once the
first lines have reached the reader, stops the run as a failed rename does:
the entry in hand is finished, every rename made has its line on standard
output, the totals and the log's footer follow, and the exit code is 1.

  $ rm -f *; seq -f 'old%05g.txt' 20000 | xargs touch
  $ (echo $BASHPID >pid; kavo_exec old new '*' /logrun.log) |
  > (read -r line; kill -INT "$(cat pid)"; echo "$line"; cat) >out.txt;
  > echo "exit ${PIPESTATUS[0]}"
  exit 1
  $ n=$(ls | grep -c "^new"); [ "$n" -gt 0 -a "$n" -lt 20000 ] && echo stopped
  stopped
  $ export LC_ALL=C; echo $(grep -c 'old.*new' out.txt) $(tail -1 out.txt | tr -dc 0-9) \
  >   $(grep -c '^old.*new' run.log) $(tail -2 run.log | grep -c '^kavo') | grep -x "$n $n $n 1"
  [0-9]+ [0-9]+ [0-9]+ 1 (re)
