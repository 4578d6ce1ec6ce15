What only the Windows build has: names found without regard to letter
case, 8.3 alternate names, drive letters, the limit of MAX_PATH, a log held
open by another Windows program.

  $ . "$TESTDIR/setup.sh"
  $ only windows

B.txt is b.txt to Windows: an overwrite of it under another spelling is
tried, refused, and nothing is replaced. A name given in another case is
found under its stored spelling unless /fcase.

  $ fresh case
  $ mk x.txt b.txt c.TXT
  $ row kavo x B x.txt /o
  改名不能:x.txt≠B.txt  [1]
  $ row kavo x B x.txt /or
  改名不能:x.txt≠B.txt  [1]
  $ row kavo c d c.txt /fcase
  存在せず:c.txt [1]
  $ row kavo c d C.txt
  c.TXT→d.TXT  改名成功:1個
  $ tree
  b.txt
  d.TXT <c.TXT>
  x.txt

A pattern with ~ matches the 8.3 alternate names (a name already 8.3 has
none); each entry is renamed under its long name. A single alternate name
names its entry, but not with /fcase.

  $ fresh short
  $ mk longfilename_one.txt longfilename_two.txt longfile.txt
  $ short() { start cmd /c dir /x | tr -d '\r' | awk -v n="$1" '$NF == n { print $(NF-1) }'; }
  $ short longfile.txt | grep -c '~'
  0
  [1]
  $ kavo name NAME 'LONG~*.TXT'
  longfilename_one.txt→longfileNAME_one.txt
  longfilename_two.txt→longfileNAME_two.txt
  
  改名成功:2個
  $ kavo one uno "$(short longfileNAME_one.txt)"
  longfileNAME_one.txt→longfileNAME_uno.txt
  
  改名成功:1個
  $ kavo uno one "$(short longfileNAME_uno.txt)" /fcase 2>&1 | sed 's/:.*~.*/:<alias>/'
  存在せず:<alias>
  [1]
  $ tree
  longfile.txt
  longfileNAME_two.txt <longfilename_two.txt>
  longfileNAME_uno.txt <longfilename_one.txt>

The working directory is the current directory of drive C:, so c: names it.

  $ fresh drive
  $ mk ax.txt sub/bx.txt
  $ row kavo x y 'c:*.txt'
  c:ax.txt→c:ay.txt  改名成功:1個
  $ row kavo x y C: /d
  C:sub\bx.txt→by.txt  改名成功:1個
  $ row kavo x y c:
  存在せず:c: [1]
  $ (cd / && row kavo y z "C:$here\\drive\\sub\\by.txt")
  <here>\drive\sub\by.txt→bz.txt  改名成功:1個
  $ tree
  ay.txt <ax.txt>
  sub/
  sub/bz.txt <sub/bx.txt>

Japanese names are UTF-8 on Wine's disk.

  $ fresh japanese
  $ mk 表示.txt; kavo 表示 一覧 '*.txt'; ls
  表示.txt→一覧.txt
  
  改名成功:1個
  一覧.txt

Windows' ANSI calls take paths of up to 259 characters: a rename to the
same length is made, one character longer refused (under /o too); entries
beyond the limit are out of reach and left as they are.

  $ fresh maxpath
  $ d=$(printf 'd%.0s' $(seq 100)); n=$((259 - 2 - ${#here} - 9 - 101))
  $ f=a$(printf 'f%.0s' $(seq $((n - 5)))).txt; mk $d/$f
  $ p="C:$here\\maxpath\\$d\\"
  $ kavo a b "$p$f" 2>&1 | sed "s/$d/D/g; s/f\{20,\}/F/g"
  <here>\maxpath\D\aF.txt→bF.txt
  
  改名成功:1個
  $ kavo b bb "$p${f/a/b}" /o- 2>&1 | sed "s/$d/D/g; s/f\{20,\}/F/g"
  改名不能:<here>\maxpath\D\bF.txt≠bbF.txt
  
  [1]
  $ kavo b bb "$p${f/a/b}" /o 2>&1 | sed "s/$d/D/g; s/f\{20,\}/F/g"
  改名不能:<here>\maxpath\D\bF.txt≠bbF.txt
  
  [1]
  $ tree | sed "s/$d/D/g; s/f\{20,\}/F/g"
  D/
  D/bF.txt <D/aF.txt>

  $ fresh beyond
  $ mk $d/$d/$d/a1.txt $d/a2.txt a3.txt
  $ kavo a b '*' /d 2>&1 | sed "s/$d/D/g"
  D\a2.txt→b2.txt
  a3.txt→b3.txt
  
  改名成功:2個
  $ tree | sed "s/$d/D/g"
  b3.txt <a3.txt>
  D/
  D/b2.txt <D/a2.txt>
  D/D/
  D/D/D/
  D/D/D/a1.txt

A log another Windows program holds open stops the run before anything is
renamed; once it is free, the log is taken.

  $ fresh held
  $ mk a1.txt; printf 'held\r\n' > run.txt
  $ mkfifo hold; (start cmd /c 'more >> run.txt' < hold &) ; exec 8>hold
  $ for i in $(seq 100); do [ -n "$(find /proc/[0-9]*/fd -lname "$PWD/run.txt" 2>/dev/null)" ] && break; sleep 0.1; done
  $ kavo a b /logrun.txt a1.txt
  
  \x07処理停止:ログ・ファイル"run.txt"がオープン中です。 (esc)
  [1]
  $ kavo a b /LOGrun.txt a1.txt
  
  \x07処理停止:ログ・ファイル"run.txt"がオープン中です。 (esc)
  [1]
  $ exec 8>&-; sleep 1; kavo a b /LOGrun.txt a1.txt > /dev/null; echo $?
  0
