Windows: what only the Windows build shows (8.3 names, names the ANSI code
page lacks, MAX_PATH, `\\?\` paths, attributes), run under Wine.

  $ . "$TESTDIR/setup.sh"
  $ only windows
  $ win() { "$KAVO_TEST_RUNNER" cmd /c "$@" | iconv -f CP932 -t UTF-8 | tr -d '\r'; }

Started through its 8.3 alias or in another letter case, kavo knows itself
by its file name as stored: it reads that name's configuration file (which
sets /test here) and names it in its usage text.

  $ mkdir tools
  $ cp "$KAVO_TEST_BINARY" tools/kavolongname.exe
  $ printf '/test\r\n' > tools/kavolongname.cfg
  $ alias=$(win dir /x tools | awk '$NF == "kavolongname.exe" { print $(NF-1) }')
  $ touch q.txt
  $ for exe in "tools\\$alias" tools/KAVOLONGNAME.EXE; do
  >   KAVO_TEST_BINARY=$exe kavo q Q1 q.txt
  >   KAVO_TEST_BINARY=$exe kavo a b |
  >     sed -n -e '/□ 旧文字列/p' -e 's/^・設定ファイル=.*\\/・設定ファイル=/p'
  > done
  q.txt→Q1.txt
  
  改名成功:1個
  kavolongname □ 旧文字列 □ 新文字列［△ オプション群］□ ファイル名…
  ・設定ファイル=kavolongname.cfg
  q.txt→Q1.txt
  
  改名成功:1個
  kavolongname □ 旧文字列 □ 新文字列［△ オプション群］□ ファイル名…
  ・設定ファイル=kavolongname.cfg
  $ ls
  q.txt
  tools
  $ rm -r tools q.txt
