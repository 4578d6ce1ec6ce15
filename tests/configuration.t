The configuration file: where kavo looks for it on Linux.

  $ . "$TESTDIR/setup.sh"
  $ only linux
  $ mkdir bin; cp "$KAVO_TEST_BINARY" bin/kavo
  $ export HOME=$PWD/home; unset XDG_CONFIG_HOME
  $ here() { tr '\\' / | sed "s|$PWD|\$PWD|"; }
  $ settings() { bin/kavo a b | grep -A1 '設定ファイル=' | here; }

With no file anywhere, the usage text names the file beside the executable.

  $ settings
  ・設定ファイル=$PWD/bin/kavo.cfg
  ・現在設定=設定ファイルが存在しません。

With none beside the executable, the user's own ~/.config/kavo/kavo.cfg is
read: the usage text names and lists it, its /test keeps the file from being
renamed, and the log's command line holds its option.

  $ mkdir -p home/.config/kavo; echo /test > home/.config/kavo/kavo.cfg
  $ settings
  ・設定ファイル=$PWD/home/.config/kavo/kavo.cfg
  ・現在設定=/test
  $ touch x.txt; bin/kavo x y x.txt /logrun.log
  x.txt→y.txt
  
  改名成功:1個
  $ sed -n 2p run.log | tr -d '\r' | here; ls *.txt
  $PWD/bin/kavo x y /test x.txt /logrun.log
  x.txt

$XDG_CONFIG_HOME, when it is an absolute path, takes the place of ~/.config,
and a faulty file is named where it lies.

  $ mkdir -p xdg/kavo; printf '/v=c\n/d\r\n' > xdg/kavo/kavo.cfg
  $ XDG_CONFIG_HOME=$PWD/xdg bin/kavo x y x.txt 2>&1 | here
  
  \x07処理停止:設定ファイル"$PWD/xdg/kavo/kavo.cfg"が異常です。2行目に異なる改行コードを検出しました。 (esc)
  $ XDG_CONFIG_HOME=xdg settings
  ・設定ファイル=$PWD/home/.config/kavo/kavo.cfg
  ・現在設定=/test

A file beside the executable wins over the user's.

  $ echo /v=c > bin/kavo.cfg
  $ settings
  ・設定ファイル=$PWD/bin/kavo.cfg
  ・現在設定=/v=c
  $ bin/kavo x y x.txt; ls *.txt
  x.txt→y.txt
  y.txt
