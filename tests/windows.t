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

A name with characters the code page lacks reaches kavo with '?' in their
place, and no call finds the entry by that name. /test shows what would be
tried; the real run tries the same entries, and each refused move is a
failure that stops the run without /c (in date mode too: no other date name
would help). A name argument holding such characters reaches kavo with the
same '?', so it selects these entries and reports their refused moves.

  $ touch 'a😀.txt' 'a〜b.txt' 'a−c.txt' a1.txt
  $ kavo a X '*.txt' /test
  a1.txt→X1.txt
  a??.txt→X??.txt
  a?b.txt→X?b.txt
  a?c.txt→X?c.txt
  
  改名成功:4個
  $ kavo a X '*.txt'
  a1.txt→X1.txt
  改名不能:a??.txt≠X??.txt
  
  改名成功:1個
  [1]
  $ kavo a X '*.txt' /c
  改名不能:a??.txt≠X??.txt
  改名不能:a?b.txt≠X?b.txt
  改名不能:a?c.txt≠X?c.txt
  
  改名失敗:3個
  [2]
  $ kavo a X 'a〜b.txt'
  改名不能:a?b.txt≠X?b.txt
  
  [1]
  $ touch -d '2001-02-03 04:05:06' 'a−c.txt'
  $ kavo a / 'a−c.txt' /date
  改名不能:a?c.txt≠20010203-040506?c.txt
  
  [1]
  $ ls
  X1.txt
  a−c.txt
  a〜b.txt
  a😀.txt
  $ rm *

Windows counts a path's length against MAX_PATH in characters, a
double-byte character as one: below two folders of 60 表 each, the path's
bytes pass MAX_PATH while its characters do not, and it is in reach.

  $ d=$(printf '表%.0s' {1..60})
  $ mkdir -p "$d/$d" && cd "$d/$d" && touch a.txt
  $ kavo a aaaaaaaa a.txt
  a.txt→aaaaaaaa.txt
  
  改名成功:1個
  $ ls
  aaaaaaaa.txt
  $ cd ../.. && rm -r "$d"

A single named target in a `\\?\` path is found: the '?' of that prefix is
no wildcard.

  $ mkdir sub && touch sub/b.txt
  $ here=$("$KAVO_TEST_RUNNER" winepath -w "$PWD")
  $ out=$(kavo b c "\\\\?\\$here\\sub\\b.txt"); echo "[$?]"; echo "${out//"$here"/<here>}"
  [0]
  \\?\<here>\sub\b.txt→c.txt
  
  改名成功:1個
  $ ls sub
  c.txt
  $ rm -r sub

/or clears the attributes of a file it replaces, never those of a directory
in the way: the overwrite is refused and the target stays as it was.

  $ touch a.txt && mkdir b.txt && win attrib +h b.txt
  $ kavo a b a.txt /or
  上書改名不能:a.txt≠b.txt
  
  [1]
  $ win attrib /d b.txt | sed 's/[A-Z]:\\.*//' | tr -d ' '
  H

  $ mkdir ../windows-more && cd ../windows-more

Windows takes C:ex and c:EX (like C:\ex and c:\EX) for one directory: file
arguments spelled so share it, so an absolute path element is checked
against it as for one spelling, and a relative one skips the same entries.

  $ mkdir -p ex/sub; touch ex/a.txt ex/b.doc ex/sub/a.txt ex/sub/a.doc
  $ kavo a b 'C:ex\*.txt' 'c:EX\*.doc' /d '/shC:\other'
  
  \x07処理停止:オプション /shC:\\other のパスは改名ディレクトリ C:ex\\ 以下ではありません。 (esc)
  [1]
  $ kavo a b 'C:ex\*.txt' 'c:EX\*.doc' /d /shsub
  C:ex\a.txt→b.txt
  
  改名成功:1個
  $ tree
  ex/
  ex/b.doc
  ex/b.txt
  ex/sub/
  ex/sub/a.doc
  ex/sub/a.txt
