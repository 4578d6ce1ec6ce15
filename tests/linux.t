What only the Linux build has: names that differ only in case, links,
unreadable directories, trees deeper than any path, locks on the log.

  $ . "$TESTDIR/setup.sh"
  $ only linux

Directories come first, then names in byte order (A.txt and a.txt are two
names on Linux only).

  $ fresh order; mk b.txt A.txt a.txt z/c.txt あ.txt samepref100 samepref20 samepref3
  $ row kavo '' x '*' /h /d
  z\c.txt→xc.txt A.txt→xA.txt a.txt→xa.txt b.txt→xb.txt samepref100→xsamepref100 samepref20→xsamepref20 samepref3→xsamepref3 あ.txt→xあ.txt  改名成功:8個
  $ row tree
  xA.txt <A.txt> xa.txt <a.txt> xb.txt <b.txt> xsamepref100 <samepref100> xsamepref20 <samepref20> xsamepref3 <samepref3> xあ.txt <あ.txt> z/ z/xc.txt <z/c.txt>

Symbolic links are renamed as links and never entered, loops and dangling
ones too; named as a directory, a link is not one.

  $ fresh links; mk outside/ABC_in.txt work/ABC_real/ABC_f.txt
  $ cd work
  $ ln -s ../outside ABC_link; ln -s .. ABC_real/ABC_up; ln -s . ABC_self
  $ ln -s ABC_two ABC_one; ln -s ABC_one ABC_two; ln -s missing ABC_dangling
  $ row kavo ABC XYZ '*' /d /fa
  ABC_real→XYZ_real XYZ_real\ABC_f.txt→XYZ_f.txt XYZ_real\ABC_up→XYZ_up ABC_dangling→XYZ_dangling ABC_link→XYZ_link ABC_one→XYZ_one ABC_self→XYZ_self ABC_two→XYZ_two  改名成功:8個
  $ row kavo ABC XYZ 'XYZ_link/*' /d
  存在せず:XYZ_link/* [1]
  $ row kavo ABC XYZ XYZ_link/ABC_in.txt
  存在せず:XYZ_link/ABC_in.txt [1]
  $ cd .. && row tree
  outside/ outside/ABC_in.txt work/ work/XYZ_dangling -> missing work/XYZ_link -> ../outside work/XYZ_one -> ABC_two work/XYZ_real/ work/XYZ_real/XYZ_f.txt <work/ABC_real/ABC_f.txt> work/XYZ_real/XYZ_up -> .. work/XYZ_self -> . work/XYZ_two -> ABC_one

A directory the command may not read is passed over, also once renamed
(root is made to obey permission bits by dropping its capabilities).

  $ fresh unreadable; mk ABC_a/ABC_1.txt ABC_b/ABC_2.txt ABC_c/ABC_3.txt
  $ chmod 0 ABC_b
  $ nodac() { setpriv --bounding-set -dac_override,-dac_read_search "$@"; }
  $ row nodac "$KAVO_TEST_BINARY" ABC XYZ '*' /d
  ABC_a\ABC_1.txt→XYZ_1.txt ABC_c\ABC_3.txt→XYZ_3.txt  改名成功:2個
  $ row nodac "$KAVO_TEST_BINARY" ABC Q '*' /d /fa
  ABC_a→Q_a ABC_b→Q_b ABC_c→Q_c  改名成功:3個
  $ chmod 755 Q_b && row tree
  Q_a/ Q_a/XYZ_1.txt <ABC_a/ABC_1.txt> Q_b/ Q_b/ABC_2.txt <ABC_b/ABC_2.txt> Q_c/ Q_c/XYZ_3.txt <ABC_c/ABC_3.txt>

A tree deeper than the path length limit stops the run with the path it
could not hold, and nothing is renamed: 18 levels of 250-byte names (the
buffer ends at the ninth), and 1,500 levels of one byte (the 1,024th
directory with its separator no longer fits). With /fd the first eight
levels are renamed before the same stop.

  $ fresh deep
  $ name=ABC$(printf 'd%.0s' $(seq 247))
  $ mkdir long short; (cd long && for i in $(seq 18); do touch ABC_file.txt; mkdir $name; cd $name; done)
  $ p=; for i in $(seq 1500); do printf '%sABC_file.txt\0' $p; p+=d/; done > list
  $ (cd short && mkdir -p $p && xargs -0 touch < ../list)
  $ (cd long && row kavo ABC XYZ '*' /d) | sed "s/$name/N/g"
   \x07処理停止:パス名が長すぎます:N\\N\\N\\N\\N\\N\\N\\N\\N [1] (esc)
  $ (cd short && row kavo ABC XYZ '*' /d) | sed 's/\(d\\\)\{1024\}/<d\\ x1024>/'
   \x07処理停止:パス名が長すぎます:<d\\ x1024> [1] (esc)
  $ find . -name ABC_file.txt | wc -l
  1518
  $ (cd long && row kavo ABC XYZ '*' /d /fd) | sed "s/$name/N/g; s/XYZ${name:3}/X/g"
  N→X X\N→X X\X\N→X X\X\X\N→X X\X\X\X\N→X X\X\X\X\X\N→X X\X\X\X\X\X\N→X X\X\X\X\X\X\X\N→X  \x07処理停止:パス名が長すぎます:X\\X\\X\\X\\X\\X\\X\\X\\N [1] (esc)
  $ echo $(find . -name ABC_file.txt | wc -l) $(find . -name 'XYZ*' | wc -l)
  1518 8
  $ rm -rf long short

A log another process holds locked stops the run before anything is
renamed, whether it would be replaced or appended to.

  $ fresh held; mk a1.txt; printf 'held\r\n' > held.txt
  $ (flock 9 && row kavo a b /logheld.txt a1.txt && row kavo a b /LOGheld.txt a1.txt) 9<held.txt
   \x07処理停止:ログ・ファイル"held.txt"がオープン中です。 [1] (esc)
   \x07処理停止:ログ・ファイル"held.txt"がオープン中です。 [1] (esc)
  $ ls | paste -sd' '; cat held.txt
  a1.txt held.txt
  held\r (esc)

A target that appears after every check and before the move (a preloaded
module creates each target just before the rename call) is never replaced:
the move itself refuses; the walk carries on with /c; test mode moves
nothing.

  $ fresh race; mk x1.txt y1.txt y2.txt
  $ export KAVO_RACE_CONTENT=intruder
  $ LD_PRELOAD=$KAVO_RACE_PRELOAD row kavo x z x1.txt
  存在済:x1.txt≠z1.txt  [1]
  $ LD_PRELOAD=$KAVO_RACE_PRELOAD row kavo y w 'y*.txt' /c
  存在済:y1.txt≠w1.txt 存在済:y2.txt≠w2.txt  改名失敗:2個 [2]
  $ LD_PRELOAD=$KAVO_RACE_PRELOAD row kavo x v x1.txt /test
  x1.txt→v1.txt  改名成功:1個
  $ row tree
  w1.txt <intruder> w2.txt <intruder> x1.txt y1.txt y2.txt z1.txt <intruder>

Filter dates are local dates of the zone in force (TZ): 15:00 UTC on New
Year's Eve 2001 is already 2002 nine hours east.

  $ fresh local-dates; mk f.txt; touch -d '2001-12-31 15:00 UTC' f.txt
  $ TZ=JST-9 row kavo f g '*.txt' /ly2002 /test
  f.txt→g.txt  改名成功:1個
  $ TZ=UTC row kavo f g '*.txt' /ly2002 /test
  改名対象なし [2]

The configuration file is the one beside the executable, else the user's
~/.config/kavo/kavo.cfg ($XDG_CONFIG_HOME, when absolute, in place of
~/.config): the usage text names it (beside the executable when there is
none) and lists it, the run and the log's command line take its options,
and a faulty one is named where it lies.

  $ fresh config-places; mkdir bin; cp "$KAVO_TEST_BINARY" bin/kavo
  $ export HOME=$PWD/home; unset XDG_CONFIG_HOME
  $ here() { tr '\\' / | sed "s|$PWD|\$PWD|"; }
  $ settings() { bin/kavo a b | grep -A1 '設定ファイル=' | here | paste -sd' '; }
  $ settings
  ・設定ファイル=$PWD/bin/kavo.cfg ・現在設定=設定ファイルが存在しません。
  [1]
  $ mkdir -p home/.config/kavo; echo /test > home/.config/kavo/kavo.cfg
  $ settings
  ・設定ファイル=$PWD/home/.config/kavo/kavo.cfg ・現在設定=/test
  [1]
  $ touch x.txt; row bin/kavo x y x.txt /logrun.log
  x.txt→y.txt  改名成功:1個
  $ sed -n 2p run.log | tr -d '\r' | here; ls *.txt
  $PWD/bin/kavo x y /test x.txt /logrun.log
  x.txt
  $ mkdir -p xdg/kavo; printf '/v=c\n/d\r\n' > xdg/kavo/kavo.cfg
  $ XDG_CONFIG_HOME=$PWD/xdg row bin/kavo x y x.txt | here
   \x07処理停止:設定ファイル"$PWD/xdg/kavo/kavo.cfg"が異常です。2行目に異なる改行コードを検出しました。 [1] (esc)
  $ XDG_CONFIG_HOME=xdg settings
  ・設定ファイル=$PWD/home/.config/kavo/kavo.cfg ・現在設定=/test
  [1]
  $ echo /v=c > bin/kavo.cfg
  $ settings
  ・設定ファイル=$PWD/bin/kavo.cfg ・現在設定=/v=c
  [1]
  $ bin/kavo x y x.txt; ls *.txt
  x.txt→y.txt
  y.txt
