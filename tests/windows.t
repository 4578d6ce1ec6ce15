What only the Windows build has: names found without regard to letter
case, 8.3 alternate names, drive letters, the limit of MAX_PATH, a log held
open by another Windows program.

  $ . "$TESTDIR/setup.sh"
  $ only windows

B.txt is b.txt to Windows: an overwrite of it under another spelling is
tried, refused, and nothing is replaced. A name given in another case is
found under its stored spelling.

  $ fresh case; mk x.txt b.txt c.TXT
  $ row kavo x B x.txt /o
  改名不能:x.txt≠B.txt  [1]
  $ row kavo x B x.txt /or
  改名不能:x.txt≠B.txt  [1]
  $ row kavo c d C.txt
  c.TXT→d.TXT  改名成功:1個
  $ row tree
  b.txt d.TXT <c.TXT> x.txt

A pattern with ~ matches the 8.3 alternate names (a name already 8.3 has
none); each entry is renamed under its long name. A single alternate name
names its entry, but not with /fcase.

  $ fresh short; mk longfilename_one.txt longfilename_two.txt longfile.txt
  $ short() { start cmd /c dir /x | tr -d '\r' | awk -v n="$1" '$NF == n { print $(NF-1) }'; }
  $ short longfile.txt | grep -c '~'
  0
  [1]
  $ row kavo name NAME 'LONG~*.TXT'
  longfilename_one.txt→longfileNAME_one.txt longfilename_two.txt→longfileNAME_two.txt  改名成功:2個
  $ row kavo one uno "$(short longfileNAME_one.txt)"
  longfileNAME_one.txt→longfileNAME_uno.txt  改名成功:1個
  $ row kavo uno one "$(short longfileNAME_uno.txt)" /fcase | sed 's/:.*~[^ ]*/:<alias>/'
  存在せず:<alias> [1]
  $ row tree
  longfile.txt longfileNAME_two.txt <longfilename_two.txt> longfileNAME_uno.txt <longfilename_one.txt>

The working directory is the current directory of drive C:, so c: names it.

  $ fresh drive; mk ax.txt sub/bx.txt
  $ row kavo x y 'c:*.txt'
  c:ax.txt→c:ay.txt  改名成功:1個
  $ row kavo x y C: /d
  C:sub\bx.txt→by.txt  改名成功:1個
  $ row tree
  ay.txt <ax.txt> sub/ sub/by.txt <sub/bx.txt>

Windows' ANSI calls take paths of up to 259 characters: a rename to the
same length is made, one character longer refused (under /o too); entries
beyond the limit are out of reach and left as they are.

  $ fresh maxpath
  $ d=$(printf 'd%.0s' $(seq 100)); n=$((259 - 2 - ${#here} - 9 - 101))
  $ f=a$(printf 'f%.0s' $(seq $((n - 5)))).txt; mk $d/$f
  $ p="C:$here\\maxpath\\$d\\"
  $ abbr() { sed "s/$d/D/g; s/f\{20,\}/F/g"; }
  $ row kavo a b "$p$f" | abbr
  <here>\maxpath\D\aF.txt→bF.txt  改名成功:1個
  $ row kavo b bb "$p${f/a/b}" /o- | abbr
  改名不能:<here>\maxpath\D\bF.txt≠bbF.txt  [1]
  $ row kavo b bb "$p${f/a/b}" /o | abbr
  改名不能:<here>\maxpath\D\bF.txt≠bbF.txt  [1]
  $ row tree | abbr
  D/ D/bF.txt <D/aF.txt>

  $ fresh beyond; mk $d/$d/$d/a1.txt $d/a2.txt a3.txt
  $ row kavo a b '*' /d | abbr
  D\a2.txt→b2.txt a3.txt→b3.txt  改名成功:2個
  $ row tree | abbr
  b3.txt <a3.txt> D/ D/b2.txt <D/a2.txt> D/D/ D/D/D/ D/D/D/a1.txt

A log another Windows program holds open stops the run before anything is
renamed; once it is free, the log is taken.

  $ fresh held; mk a1.txt; printf 'held\r\n' > run.txt
  $ mkfifo hold; (start cmd /c 'more >> run.txt' < hold &) ; exec 8>hold
  $ for i in $(seq 100); do [ -n "$(find /proc/[0-9]*/fd -lname "$PWD/run.txt" 2>/dev/null)" ] && break; sleep 0.1; done
  $ row kavo a b /logrun.txt a1.txt
   \x07処理停止:ログ・ファイル"run.txt"がオープン中です。 [1] (esc)
  $ row kavo a b /LOGrun.txt a1.txt
   \x07処理停止:ログ・ファイル"run.txt"がオープン中です。 [1] (esc)
  $ exec 8>&-; sleep 1; kavo a b /LOGrun.txt a1.txt > /dev/null; echo $?
  0

  $ fresh fixed-windows
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
  >   KAVO_TEST_BINARY=$exe row kavo q Q1 q.txt
  >   KAVO_TEST_BINARY=$exe kavo a b |
  >     sed -n -e '/□ 旧文字列/p' -e 's/^・設定ファイル=.*\\/・設定ファイル=/p'
  > done
  q.txt→Q1.txt  改名成功:1個
  kavolongname □ 旧文字列 □ 新文字列［△ オプション群］□ ファイル名…
  ・設定ファイル=kavolongname.cfg
  q.txt→Q1.txt  改名成功:1個
  kavolongname □ 旧文字列 □ 新文字列［△ オプション群］□ ファイル名…
  ・設定ファイル=kavolongname.cfg
  [1]
  $ ls | paste -sd' '; rm -r tools q.txt
  q.txt tools

A name with characters the code page lacks (also in a name argument)
reaches kavo with '?' in their place, and no call finds the entry by that
name: /test shows what would be tried; each refused move of the real run
is a failure that stops the run without /c (in date mode too).

  $ touch 'a😀.txt' 'a〜b.txt' 'a−c.txt' a1.txt
  $ row kavo a X '*.txt' /test
  a1.txt→X1.txt a??.txt→X??.txt a?b.txt→X?b.txt a?c.txt→X?c.txt  改名成功:4個
  $ row kavo a X '*.txt'
  a1.txt→X1.txt 改名不能:a??.txt≠X??.txt  改名成功:1個 [1]
  $ row kavo a X '*.txt' /c
  改名不能:a??.txt≠X??.txt 改名不能:a?b.txt≠X?b.txt 改名不能:a?c.txt≠X?c.txt  改名失敗:3個 [2]
  $ row kavo a X 'a〜b.txt'
  改名不能:a?b.txt≠X?b.txt  [1]
  $ touch -d '2001-02-03 04:05:06' 'a−c.txt'
  $ row kavo a / 'a−c.txt' /date
  改名不能:a?c.txt≠20010203-040506?c.txt  [1]
  $ ls | paste -sd' '; rm *
  X1.txt a−c.txt a〜b.txt a😀.txt

Windows counts a path's length against MAX_PATH in characters, a
double-byte character as one: below two folders of 60 表 each, the path's
bytes pass MAX_PATH while its characters do not, and it is in reach.

  $ d=$(printf '表%.0s' {1..60})
  $ mkdir -p "$d/$d" && cd "$d/$d" && touch a.txt
  $ row kavo a aaaaaaaa a.txt
  a.txt→aaaaaaaa.txt  改名成功:1個
  $ ls
  aaaaaaaa.txt
  $ cd ../.. && rm -r "$d"

A single named target in a `\\?\` path is found: the '?' of that prefix is
no wildcard.

  $ mkdir sub && touch sub/b.txt
  $ w=$("$KAVO_TEST_RUNNER" winepath -w "$PWD")
  $ row kavo b c "\\\\?\\$w\\sub\\b.txt"
  \\?\<here>\fixed-windows\sub\b.txt→c.txt  改名成功:1個
  $ ls sub
  c.txt
  $ rm -r sub

/or clears the attributes of a file it replaces, never those of a directory
in the way: the overwrite is refused and the target stays as it was.

  $ touch a.txt && mkdir b.txt && win attrib +h b.txt
  $ row kavo a b a.txt /or
  上書改名不能:a.txt≠b.txt  [1]
  $ win attrib /d b.txt | sed 's/[A-Z]:\\.*//' | tr -d ' '
  H

  $ fresh fixed-windows-2

Windows takes C:ex and c:EX (like C:\ex and c:\EX) for one directory: file
arguments spelled so share it, so an absolute path element is checked
against it as for one spelling, and a relative one skips the same entries.

  $ mkdir -p ex/sub; touch ex/a.txt ex/b.doc ex/sub/a.txt ex/sub/a.doc
  $ row kavo a b 'C:ex\*.txt' 'c:EX\*.doc' /d '/shC:\other'
   \x07処理停止:オプション /shC:\\other のパスは改名ディレクトリ C:ex\\ 以下ではありません。 [1] (esc)
  $ row kavo a b 'C:ex\*.txt' 'c:EX\*.doc' /d /shsub
  C:ex\a.txt→b.txt  改名成功:1個
  $ row tree
  ex/ ex/b.doc ex/b.txt ex/sub/ ex/sub/a.doc ex/sub/a.txt
