Renaming: the replacement, the totals and exit codes, existing targets,
overwrites, test mode and the runs that stop.

  $ . "$TESTDIR/setup.sh"

A plain run renames each matching file once and counts it. A new string
whose last byte is 0x5C (表) or 0x7C (ポ) in Shift-JIS holds no backslash
and no bar.

  $ fresh plain; echo 1 > a.ABC.txt; echo 2 > b.ABC.txt; touch c.txt; mk ab ac
  $ row kavo ABC 123 '*.txt'
  a.ABC.txt→a.123.txt b.ABC.txt→b.123.txt  改名成功:2個
  $ row kavo a 表 ab
  ab→表b  改名成功:1個
  $ row kavo a ポ ac
  ac→ポc  改名成功:1個
  $ row tree
  a.123.txt <1> b.123.txt <2> c.txt ポc <ac> 表b <ab>

Arguments 1 and 2 are never options; an empty old string needs an anchor or
an extension mode.

  $ fresh strings; mk x_d.txt read.me readme
  $ row kavo /d e '*.txt'
  改名対象なし [2]
  $ row kavo /? x x_d.txt
  改名対象なし [2]
  $ row kavo '' x read.me /h
  read.me→xread.me  改名成功:1個
  $ row kavo '' txt '*' /ee
  readme→readme.txt  改名成功:1個
  $ row tree
  readme.txt <readme> x_d.txt xread.me <read.me>

A renamed file never comes back in the same walk, even when its new name
sorts later and still matches.

  $ fresh snapshot
  $ for i in $(seq 1000 1599); do touch a$i; done
  $ kavo a ba '*' /v=
  $ echo $(ls | sed -n '1p;$p') $(ls | grep -c '^ba')
  ba1000 ba1599 600

A file argument that finds nothing stops the run unless /c; so does a
refused move. Nothing renamed answers 2.

  $ fresh missing; mk a.txt b.txt sub/
  $ for f in x.txt sub/x.txt 'missing\*.txt' 'a.txt\*' c: 'c:\'; do row kavo a b "$f" a.txt; done | paste -sd' '
  存在せず:x.txt [1] 存在せず:sub/x.txt [1] 存在せず:missing\*.txt [1] 存在せず:a.txt\* [1] 存在せず:c: [1] 存在せず:c:\ [1]
  $ row kavo a b x.txt /v-e
  ファイルが存在しません [1]
  $ row kavo a b x.txt 'y*' /c
  存在せず:x.txt 存在せず:y* [2]
  $ row kavo q z '*.txt'
  改名対象なし [2]
  $ row kavo a a '*.txt' /v+n
  a.txt b.txt 改名対象なし [2]
  $ row tree
  a.txt b.txt sub/

An existing target stops the run, or with /c is passed over; /test shows
what a run would do and touches nothing. An overwrite replaces the target
in one move and is counted apart.

  $ fresh exists; mk a.txt b.txt c_a.txt a1 a2 b2
  $ row kavo a b '*.txt'
  存在済:a.txt≠b.txt  [1]
  $ row kavo a b '*.txt' /test /o
  a.txt=>b.txt c_a.txt→c_b.txt  改名成功:2個（通常:1個, 上書:1個）
  $ row kavo a b '*.txt' /test /c
  存在済:a.txt≠b.txt c_a.txt→c_b.txt  改名成功:1個 改名失敗:1個 [2]
  $ row kavo a b '*.txt' /c
  存在済:a.txt≠b.txt c_a.txt→c_b.txt  改名成功:1個 改名失敗:1個 [2]
  $ row kavo a b 'a?' /o
  a1→b1 a2=>b2  改名成功:2個（通常:1個, 上書:1個）
  $ row kavo a b a.txt /o
  a.txt=>b.txt  改名成功:1個（通常:0個, 上書:1個）
  $ row tree
  b.txt <a.txt> b1 <a1> b2 <a2> c_b.txt <c_a.txt>

/o never replaces a file the same run moved into place (that overwrite
fails), but one an earlier run moved there, and another hard link of the
file itself (the old name goes), which without /o is a taken name.

  $ fresh again; echo x > xa.txt; echo y > ya.txt; echo z > za.txt; ln za.txt zb.txt
  $ row kavo '?a' b '*a.txt' /o /c
  xa.txt→b.txt 上書改名不能:ya.txt≠b.txt 上書改名不能:za.txt≠b.txt  改名成功:1個（通常:1個, 上書:0個） 改名失敗:2個 [2]
  $ row kavo ya b ya.txt /o
  ya.txt=>b.txt  改名成功:1個（通常:0個, 上書:1個）
  $ row kavo a b za.txt
  存在済:za.txt≠zb.txt  [1]
  $ row kavo a b za.txt /o
  za.txt=>zb.txt  改名成功:1個（通常:0個, 上書:1個）
  $ row tree
  b.txt <y> zb.txt <z>

A refused overwrite keeps both entries (a directory is never replaced);
/or clears a read-only target first, /o alone does not.

  $ fresh refused; mk a.txt b.txt a.log b.log/inner
  $ chmod 444 b.txt
  $ row kavo a b '*' /o /c
  上書改名不能:a.log≠b.log 上書改名不能:a.txt≠b.txt  改名失敗:2個 [2]
  $ row kavo a b a.txt /or
  a.txt=>b.txt  改名成功:1個（通常:0個, 上書:1個）
  $ row tree
  a.log b.log/ b.log/inner b.txt <a.txt>

A change of letter case alone is a plain move; names are looked up with
their case, wildcards fold it.

  $ fresh case; mk a.txt b.txt c.TXT
  $ row kavo a A a.txt /e
  a.txt→A.txt  改名成功:1個
  $ row kavo b B '*' /e /o
  b.txt→B.txt  改名成功:1個（通常:1個, 上書:0個）
  $ row kavo c d c.txt /fcase
  存在せず:c.txt [1]
  $ row kavo c d '*.txt' /fcase
  改名対象なし [2]
  $ row kavo c d '*.txt'
  c.TXT→d.TXT  改名成功:1個
  $ row tree
  A.txt <a.txt> B.txt <b.txt> d.TXT <c.TXT>

A move the file system refuses (a name over 255 bytes) stops the run with
its reason; with /v-e only the count says so.

  $ fresh toolong; mk a.txt
  $ long=$(printf 'x%.0s' $(seq 252))
  $ row kavo a $long a.txt | sed "s/$long/<252 x>/"
  改名不能:a.txt≠<252 x>.txt  [1]
  $ row kavo a $long a.txt /v-e /c; ls
   改名失敗:1個 [2]
  a.txt

A directory or file named alone is renamed itself, wherever it lies (a
drive letter and a name is a name in the working directory), also by an
absolute path with a drive letter from another directory.

  $ fresh named; mk sub/old1/keep.txt sub/old3.txt old4.txt old5.txt
  $ row kavo old new 'sub\old1'
  sub\old1→new1  改名成功:1個
  $ row kavo old new sub/old3.txt
  sub\old3.txt→new3.txt  改名成功:1個
  $ row kavo old new old4.txt c:old5.txt
  old4.txt→new4.txt c:old5.txt→c:new5.txt  改名成功:2個
  $ abs="c:$here\\named\\sub\\new1"
  $ (cd / && row kavo new old "$abs")
  <here>\named\sub\new1→old1  改名成功:1個
  $ row tree
  new4.txt <old4.txt> new5.txt <old5.txt> sub/ sub/new3.txt <sub/old3.txt> sub/old1/ sub/old1/keep.txt

Arguments longer than the path length limit, a network path without a share, or
a file given as the directory to walk stop the run before anything else.

  $ fresh stops; mk a.txt
  $ row kavo a b $(printf 'a%.0s' $(seq 2100)) | sed 's/a\{2100\}/<2100 a>/'
   \x07処理停止:パス名が長すぎます:<2100 a> [1] (esc)
  $ deep=$(printf 'ABC/%.0s' $(seq 2500)); row kavo a b ${deep:0:10000} | sed 's/\(ABC\\\)\{2499\}A/<ABC\\ x2499>A/'
   \x07処理停止:パス名が長すぎます:<ABC\\ x2499>ABC\\ [1] (esc)
  $ row kavo a b $(printf '*%.0s' $(seq 9999))C | sed 's/\*\{9999\}/<9999 *>/'
   \x07処理停止:パス名が長すぎます:<9999 *>C [1] (esc)
  $ row kavo a b '\\server'
   \x07処理停止:複写元"\\\\server"に共有名がありません。 [1] (esc)
  $ row kavo a b a.txt /d /fa
   \x07処理停止:複写元ディレクトリ"a.txt"がありません。 [1] (esc)
  $ tree
  a.txt
