Filters: the skip (/s...) and limit (/l...) options on real trees. `sel`
shows the entries a test run would rename (old paths), then any other
line but the totals, and answers the run's exit code.

  $ . "$TESTDIR/setup.sh"
  $ sel() {
  >   kavo x y "$@" /test >"$CRAMTMP/out"; local code=$?
  >   grep '→' "$CRAMTMP/out" | sed 's/→.*//' | paste -sd' '
  >   grep -v -e '→' -e '^$' -e '^改名成功' "$CRAMTMP/out"
  >   return $code
  > }

Path and name elements: hierarchy (/h), tail (/t), pattern (/p), directory
name (/d), file name (/f), extension (/e); upper case means case matters.
A skip wins over a limit; an unknown kind stops the run.

  $ fresh tree
  $ mk ax.txt bx.doc sub/cx.txt sub/deep/ex.txt subway/fx.txt work/gx.txt other/work/hx.txt
  $ sel '*' /d
  other\work\hx.txt sub\deep\ex.txt sub\cx.txt subway\fx.txt work\gx.txt ax.txt bx.doc
  $ sel '*' /d /shsub
  other\work\hx.txt subway\fx.txt work\gx.txt ax.txt bx.doc
  $ sel '*' /d /sHSub
  other\work\hx.txt sub\deep\ex.txt sub\cx.txt subway\fx.txt work\gx.txt ax.txt bx.doc
  $ sel '*' /d '/stdeep\ex.txt'
  other\work\hx.txt sub\cx.txt subway\fx.txt work\gx.txt ax.txt bx.doc
  $ sel '*' /d '/sp*.doc'
  other\work\hx.txt sub\deep\ex.txt sub\cx.txt subway\fx.txt work\gx.txt ax.txt
  $ sel '*' /d /sdwork
  sub\deep\ex.txt sub\cx.txt subway\fx.txt ax.txt bx.doc
  $ sel '*' /d /sfCX.TXT
  other\work\hx.txt sub\deep\ex.txt subway\fx.txt work\gx.txt ax.txt bx.doc
  $ sel '*' /d /seDOC
  other\work\hx.txt sub\deep\ex.txt sub\cx.txt subway\fx.txt work\gx.txt ax.txt
  $ sel '*' /d /sEDOC
  other\work\hx.txt sub\deep\ex.txt sub\cx.txt subway\fx.txt work\gx.txt ax.txt bx.doc
  $ sel '*' /d /lhsub
  sub\deep\ex.txt sub\cx.txt
  $ sel '*' /d '/lhsub\deep\'
  sub\deep\ex.txt
  $ sel '*' /d '/ltwork\*.txt'
  other\work\hx.txt work\gx.txt
  $ sel '*' /d '/lp*.txt'
  ax.txt
  $ sel '*' /d '/lpsub\deep\*.txt'
  sub\deep\ex.txt
  $ sel '*' /d /ldwork
  work\gx.txt ax.txt bx.doc
  $ sel '*' /d '/lfcx.txt, ex.txt'
  sub\deep\ex.txt sub\cx.txt
  $ sel '*' /d /ledoc
  bx.doc
  $ sel '*' /d /lhsub '/ltdeep\*'
  sub\deep\ex.txt
  $ sel '*' /d /lhsub '/shsub\deep' /lfcx.txt,ex.txt /sfex.txt
  sub\cx.txt
  $ sel '*' /d '/sp*'
  
  改名対象なし
  [2]
  $ sel '*' /d /sx
  
  \x07処理停止:無効オプション  /sx (esc)
  ※引数なしで実行すると使用方法を表示します。
  [1]
  $ sel '*' /d /sS
  
  \x07処理停止:無効オプション  /sS (esc)
  ※引数なしで実行すると使用方法を表示します。
  [1]
  $ sel '*' /d /lz
  
  \x07処理停止:無効オプション  /lz (esc)
  ※引数なしで実行すると使用方法を表示します。
  [1]
  $ sel '*' /d /sy2001
  
  \x07処理停止:無効オプション  /sy2001 (esc)
  ※引数なしで実行すると使用方法を表示します。
  [1]
  $ sel '*' /d '/shC:\other'
  
  \x07処理停止:オプション /shC:\\other のパスは改名ディレクトリ以下ではありません。 (esc)
  [1]

Relative elements are completed against an absolute directory argument; an
absolute element must lie below it (all of it, final backslash included),
or the run stops before any entry.

  $ abs="c:$here\\tree\\"
  $ sel "$abs" /d "/shsub,${abs}work"
  <here>\tree\other\work\hx.txt <here>\tree\subway\fx.txt <here>\tree\ax.txt <here>\tree\bx.doc
  $ sel "$abs" /d '/lpsub\deep\*.txt'
  <here>\tree\sub\deep\ex.txt
  $ sel "$abs" /d /v+k /shsub '/lhC:\other'
  
  \x07処理停止:オプション /lhC:\\other のパスは改名ディレクトリ <here>\\tree\\ 以下ではありません。 (esc)
  [1]
  $ sel "$abs" /d "/sh${abs%\\}z"
  
  \x07処理停止:オプション /sh<here>\\treez のパスは改名ディレクトリ <here>\\tree\\ 以下ではありません。 (esc)
  [1]

A second argument in the same directory is not completed again.

  $ fresh again
  $ mk d/ox.txt d/px.doc d/keep/ax.txt d/keep/bx.doc
  $ sel 'd/*.txt' 'd/*.doc' /d /shkeep
  d\ox.txt d\px.doc

Sizes in bytes and K; "zz/d" is one element, and the /d after it still
applies.

  $ fresh sizes
  $ for f in a:0 b:100 c:1024 d:1536 e:2000; do head -c ${f#*:} /dev/zero > ${f%:*}x; done
  $ mk sub/fx
  $ sel '*' /ls100
  bx
  $ sel '*' /ls0
  ax
  $ sel '*' /ls1K-
  cx dx ex
  $ sel '*' /ls-1.5K
  ax bx cx dx
  $ sel '*' /ls1.5K-2000
  dx ex
  $ sel '*' /ls1K-1K
  cx
  $ sel '*' /ls-
  ax bx cx dx ex
  $ sel '*' /shzz/d
  sub\fx ax bx cx dx ex

Dates of last write (/ly, /lyw), last access (/lyr) and of directories
(/lyd); files are not limited by /lyd, and only the old directory is
entered. A lone /ly clears the limit.

  $ fresh dates
  $ mk ax bx cx dx old/ex new/fx
  $ at() { touch -m -d "$1" "$3"; touch -a -d "$2" "$3"; }
  $ at '2001-12-31 23:59:59' 2010-05-05 ax; at 2002-01-01 2010-05-05 bx
  $ at '2001-03-10 23:59:59' 2011-01-01 cx; at 2001-03-11 2011-01-01 dx
  $ for f in old/ex new/fx new; do at 2009-06-01 2009-06-01 $f; done; at 2001-06-01 2001-06-01 old
  $ sel '*' /d /ly2001
  ax cx dx
  $ sel '*' /d /ly2002
  bx
  $ sel '*' /d /ly20010301-20010310
  cx
  $ sel '*' /d /ly20010311
  dx
  $ sel '*' /d /ly200101-200102
  
  改名対象なし
  [2]
  $ sel '*' /d /ly-20010310
  cx
  $ sel '*' /d /ly2001123123-
  new\fx old\ex ax bx
  $ sel '*' /d /lyw2001 /lyr2010
  ax
  $ sel '*' /d /lyr2010
  ax bx
  $ sel '*' /d /lyd2001
  old\ex ax bx cx dx
  $ sel '*' /d /ly2001 /ly
  new\fx old\ex ax bx cx dx

Attributes: read-only (r, or not writable w), hidden (h: a name that starts
with a dot), directory (d), archive (a, which every Linux file has).

  $ fresh attributes
  $ mk ax .bx.t cx .hid/dx
  $ chmod 444 ax
  $ sel '*' /d /sar
  .hid\dx .bx.t cx
  $ sel '*' /d /law
  .hid\dx .bx.t cx
  $ sel '*' /d /lar
  ax
  $ sel '*' /d /sah
  .hid\dx ax cx
  $ sel '*' /d /lah
  .bx.t
  $ sel '*' /d /sadh
  .bx.t ax cx
  $ sel '*' /d /ladh
  .hid\dx .bx.t ax cx
  $ sel '*' /d /lAd
  .bx.t ax cx
  $ sel '*' /d /lAdh
  .hid\dx .bx.t ax cx
  $ sel '*' /d /sAa
  .bx.t ax
  $ sel '*' /d /sarh /or
  .hid\dx ax cx

/v+k reports what the filters excluded, whether a directory was asked as a
candidate (/fa) or only before the walk enters it; without it nothing is
said about them.

  $ fresh reported
  $ mk ax.txt bx.txt subx/cx.txt keepx/dx.txt
  $ kavo x y '*' /d /fa '/sdsub*' /sfbx.txt /v+k
  keepx→keepy
  keepy\dx.txt→dy.txt
  DIR対象外:subx
  ax.txt→ay.txt
  対象外:bx.txt
  
  改名成功:3個
  $ kavo x y '*' /d '/sdsub*' /v+k
  DIR対象外:subx
  bx.txt→by.txt
  
  改名成功:1個
  $ kavo x y '*' /d '/sdsub*'
  改名対象なし
  [2]
  $ tree
  ay.txt <ax.txt>
  by.txt <bx.txt>
  keepy/
  keepy/dy.txt <keepx/dx.txt>
  subx/
  subx/cx.txt

Filter values are text in the user's encoding.

  $ fresh utf8
  $ mk 表x.txt ソx.txt 表/ax.txt
  $ kavo x y '*' /d '/sf表*' /sh表
  ソx.txt→ソy.txt
  
  改名成功:1個
  $ tree
  ソy.txt <ソx.txt>
  表/
  表/ax.txt
  表x.txt
