The configuration file beside the executable (its name with the extension
.cfg): options, the switch character, comments, environment references and
the faults that stop every run.

  $ . "$TESTDIR/setup.sh"
  $ copy bin/kavo.exe
  $ cfg() { printf "$1" > "$top/bin/kavo.cfg"; }
  $ try() { fresh $1; shift; mk a.txt sub/a.txt; row run "$top/bin/kavo.exe" a b "$@" '*.txt'; }

Its options come before the command line's (which win); comments (# and
;), blank lines, CR LF line ends and a last line without one are fine. %X%
is the variable X (names ignore case); an undefined one disappears, a
value is never scanned again, a lone % stays, and a name over 1,022 bytes is
no reference; a line may grow to 10,240 bytes. The last switch line sets a second switch character; "Switch" is no switch
line, and without one -d is a file argument. A Ctrl-Z ends the file; tab
and Esc are text.

  $ export KAVO_OPT=d KAVO_SHOW=c
  $ cfg '/d\n/v=c\n'; try 1
  sub\a.txt→b.txt a.txt→b.txt
  $ try 2 /v=a
  sub\a.txt→b.txt a.txt→b.txt  改名成功:2個
  $ cfg '# x\n\n/d   # into subdirectories\n; /test\n  #/v=\n'; try 3
  sub\a.txt→b.txt a.txt→b.txt  改名成功:2個
  $ cfg '/%%kavo_opt%%%%KAVO_UNDEFINED%%\n/v=%%KAVO_SHOW%%\n'; try 4
  sub\a.txt→b.txt a.txt→b.txt
  $ export KAVO_PCT=%KAVO_B% KAVO_B=b BIG=$(printf 'x%.0s' $(seq 10237)) long=$(printf 'N%.0s' $(seq 1023)); export "$long=v"
  $ cfg "/sh50%%\n/sh%%KAVO_PCT%%-%%kavo_b%%\n/sh50%% %%KAVO_B%%\n/sh%%$long%%%%KAVO_B%%\n/sh%%BIG%%\n"
  $ run "$top/bin/kavo.exe" a b | grep 現在設定 | sed "s/$long/<1023 N>/; s/$BIG/<10237 x>/"
  ・現在設定=/sh50% /sh%KAVO_B%-b /sh50KAVO_B% /sh%<1023 N>%%KAVO_B% /sh<10237 x>
  [1]
  $ cfg 'switch = +\nswitch = -\nSwitch=+\n'; try 5 -d
  sub\a.txt→b.txt a.txt→b.txt  改名成功:2個
  $ cfg 'switch=-\n-d\n'; try 6
  sub\a.txt→b.txt a.txt→b.txt  改名成功:2個
  $ cfg '/v=e\n'; try 7 -d
  存在せず:-d [1]
  $ cfg 'switch=\n'; try 8 ''
  存在せず: [1]
  $ cfg '/v=c\r\n/d'; try 10
  sub\a.txt→b.txt a.txt→b.txt
  $ cfg '/v=c\n\x1a'; try 11
  a.txt→b.txt
  $ cfg '/v=c\t\x1b\n'; try 12
  a.txt→b.txt

A faulty file stops every run before anything is done, even a request for
the usage text: binary data, mixed line ends, a line over 10,240 bytes once
expanded, an invalid option (/? among them: it cannot be registered).

  $ fresh faults; mk a.txt
  $ k() { row run "$top/bin/kavo.exe" a b a.txt; }
  $ for c in '/d\n\n# \x7f\n' '/d\n/v\xff\n' '/d\x1a\n' '/d\r\n/v=c\n' '\n\n/d\r' \
  >   '/d\n/shy%%BIG%%\n' '/d\n/nosuch\n' '/?\n'; do cfg "$c"; k; done | paste -sd' '
   \x07処理停止:設定ファイル"<here>\\bin\\kavo.cfg"が異常です。3行目にバイナリ・データを検出しました。 [1]  \x07処理停止:設定ファイル"<here>\\bin\\kavo.cfg"が異常です。2行目にバイナリ・データを検出しました。 [1]  \x07処理停止:設定ファイル"<here>\\bin\\kavo.cfg"が異常です。1行目にバイナリ・データを検出しました。 [1]  \x07処理停止:設定ファイル"<here>\\bin\\kavo.cfg"が異常です。2行目に異なる改行コードを検出しました。 [1]  \x07処理停止:設定ファイル"<here>\\bin\\kavo.cfg"が異常です。3行目に異なる改行コードを検出しました。 [1]  \x07処理停止:設定ファイル"<here>\\bin\\kavo.cfg"が異常です。2行目が展開後に10240バイトを超えました。 [1]  \x07処理停止:設定ファイル無効オプション  /nosuch ※引数なしで実行すると使用方法を表示します。  [1]  \x07処理停止:設定ファイル無効オプション  /? ※引数なしで実行すると使用方法を表示します。  [1] (esc)
  $ cfg '/d\r\n/o\n'; row run "$top/bin/kavo.exe" a b
   \x07処理停止:設定ファイル"<here>\\bin\\kavo.cfg"が異常です。2行目に異なる改行コードを検出しました。 [1] (esc)
  $ tree
  a.txt

The log echoes the file's options, here from a variable whose name has the
longest length the reading accepts (1,022 bytes).

  $ fresh echo; mk a.txt
  $ name=$(printf 'N%.0s' $(seq 1022)); cfg "/v%%$name%%\n"
  $ export "$name==cf"; run "$top/bin/kavo.exe" a b /logrun.log a.txt >/dev/null
  $ unset $name
  $ text run.log | grep -c ' a b /v=cf /logrun.log a.txt'
  1

A directory in its place is no configuration file.

  $ rm "$top/bin/kavo.cfg"; mkdir "$top/bin/kavo.cfg"
  $ row run "$top/bin/kavo.exe" b c b.txt
  b.txt→c.txt  改名成功:1個
  $ run "$top/bin/kavo.exe" a b | grep -n '現在設定'
  233:・現在設定=設定ファイルが存在しません。
  [1]
