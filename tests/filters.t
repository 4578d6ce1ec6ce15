Filters: the skip (/s...) and limit (/l...) options on real trees. `rows
ARGS -- OPTIONS...` prints a row for each OPTIONS (a quoted list) of `kavo x
y ARGS OPTIONS /test`: the entries it would rename, any other line but the
totals, and [N].

  $ . "$TESTDIR/setup.sh"
  $ rows() {
  >   local args=() o; while [ "$1" != -- ]; do args+=("$1"); shift; done; shift
  >   for o; do
  >     eval "local opts=($o)"; kavo x y "${args[@]}" "${opts[@]}" /test >"$CRAMTMP/out" 2>&1
  >     local code=$?; { echo "$o:"; grep '→' "$CRAMTMP/out" | sed 's/→.*//'
  >       grep -v -e '→' -e '^$' -e '^改名成功' "$CRAMTMP/out"
  >       [ $code = 0 ] || echo "[$code]"; } | paste -sd' '
  >   done
  > }

Path and name elements: hierarchy (/h), tail (/t), pattern (/p), directory
name (/d), file name (/f), extension (/e); upper case means case matters.
A skip wins over a limit; an unknown kind stops the run.

  $ fresh tree
  $ mk ax.txt bx.doc sub/cx.txt sub/deep/ex.txt subway/fx.txt work/gx.txt other/work/hx.txt
  $ rows '*' /d -- '' /shsub /sHSub "'/stdeep\ex.txt'" "'/sp*.doc'" /sdwork /sfCX.TXT /seDOC /sEDOC
  : other\work\hx.txt sub\deep\ex.txt sub\cx.txt subway\fx.txt work\gx.txt ax.txt bx.doc
  /shsub: other\work\hx.txt subway\fx.txt work\gx.txt ax.txt bx.doc
  /sHSub: other\work\hx.txt sub\deep\ex.txt sub\cx.txt subway\fx.txt work\gx.txt ax.txt bx.doc
  '/stdeep\ex.txt': other\work\hx.txt sub\cx.txt subway\fx.txt work\gx.txt ax.txt bx.doc
  '/sp*.doc': other\work\hx.txt sub\deep\ex.txt sub\cx.txt subway\fx.txt work\gx.txt ax.txt
  /sdwork: sub\deep\ex.txt sub\cx.txt subway\fx.txt ax.txt bx.doc
  /sfCX.TXT: other\work\hx.txt sub\deep\ex.txt subway\fx.txt work\gx.txt ax.txt bx.doc
  /seDOC: other\work\hx.txt sub\deep\ex.txt sub\cx.txt subway\fx.txt work\gx.txt ax.txt
  /sEDOC: other\work\hx.txt sub\deep\ex.txt sub\cx.txt subway\fx.txt work\gx.txt ax.txt bx.doc
  $ rows '*' /d -- /lhsub "'/lhsub\deep\'" "'/ltwork\*.txt'" "'/lp*.txt'" "'/lpsub\deep\*.txt'" /ldwork
  /lhsub: sub\deep\ex.txt sub\cx.txt
  '/lhsub\deep\': sub\deep\ex.txt
  '/ltwork\*.txt': other\work\hx.txt work\gx.txt
  '/lp*.txt': ax.txt
  '/lpsub\deep\*.txt': sub\deep\ex.txt
  /ldwork: work\gx.txt ax.txt bx.doc
  $ rows '*' /d -- "'/lfcx.txt, ex.txt'" /ledoc "/lhsub '/ltdeep\*'" "/lhsub '/shsub\deep' /lfcx.txt,ex.txt /sfex.txt"
  '/lfcx.txt, ex.txt': sub\deep\ex.txt sub\cx.txt
  /ledoc: bx.doc
  /lhsub '/ltdeep\*': sub\deep\ex.txt
  /lhsub '/shsub\deep' /lfcx.txt,ex.txt /sfex.txt: sub\cx.txt
  $ rows '*' /d -- "'/sp*'" /sx /sS /lz /sy2001 "'/shC:\other'"
  '/sp*': 改名対象なし [2]
  /sx: \x07処理停止:無効オプション  /sx ※引数なしで実行すると使用方法を表示します。 [1] (esc)
  /sS: \x07処理停止:無効オプション  /sS ※引数なしで実行すると使用方法を表示します。 [1] (esc)
  /lz: \x07処理停止:無効オプション  /lz ※引数なしで実行すると使用方法を表示します。 [1] (esc)
  /sy2001: \x07処理停止:無効オプション  /sy2001 ※引数なしで実行すると使用方法を表示します。 [1] (esc)
  '/shC:\\other': \x07処理停止:オプション /shC:\\other のパスは改名ディレクトリ以下ではありません。 [1] (esc)

Relative elements are completed against an absolute directory argument; an
absolute element must lie below it (all of it, final backslash included),
or the run stops before any entry.

  $ abs="c:$here\\tree\\"
  $ rows "$abs" /d -- '"/shsub,${abs}work"' "'/lpsub\deep\*.txt'" "/v+k /shsub '/lhC:\other'" '"/sh${abs%\\}z"'
  "/shsub,${abs}work": <here>\tree\other\work\hx.txt <here>\tree\subway\fx.txt <here>\tree\ax.txt <here>\tree\bx.doc
  '/lpsub\deep\*.txt': <here>\tree\sub\deep\ex.txt
  /v+k /shsub '/lhC:\\other': \x07処理停止:オプション /lhC:\\other のパスは改名ディレクトリ <here>\\tree\\ 以下ではありません。 [1] (esc)
  "/sh${abs%\\\\}z": \x07処理停止:オプション /sh<here>\\treez のパスは改名ディレクトリ <here>\\tree\\ 以下ではありません。 [1] (esc)

Sizes in bytes and K; "zz/d" is one element, and the /d after it still
applies.

  $ fresh sizes
  $ for f in a:0 b:100 c:1024 d:1536 e:2000; do head -c ${f#*:} /dev/zero > ${f%:*}x; done
  $ mk sub/fx
  $ rows '*' -- /ls100 /ls0 /ls1K- /ls-1.5K /ls1.5K-2000 /ls1K-1K /ls- /shzz/d
  /ls100: bx
  /ls0: ax
  /ls1K-: cx dx ex
  /ls-1.5K: ax bx cx dx
  /ls1.5K-2000: dx ex
  /ls1K-1K: cx
  /ls-: ax bx cx dx ex
  /shzz/d: sub\fx ax bx cx dx ex

Dates of last write (/ly, /lyw), last access (/lyr) and of directories
(/lyd); files are not limited by /lyd, and only the old directory is
entered. A lone /ly clears the limit.

  $ fresh dates; mk ax bx cx dx old/ex new/fx
  $ at() { touch -m -d "$1" "$3"; touch -a -d "$2" "$3"; }
  $ at '2001-12-31 23:59:59' 2010-05-05 ax; at 2002-01-01 2010-05-05 bx
  $ at '2001-03-10 23:59:59' 2011-01-01 cx; at 2001-03-11 2011-01-01 dx
  $ for f in old/ex new/fx new; do at 2009-06-01 2009-06-01 $f; done; at 2001-06-01 2001-06-01 old
  $ rows '*' /d -- /ly2001 /ly2002 /ly20010301-20010310 /ly20010311 /ly200101-200102 /ly-20010310
  /ly2001: ax cx dx
  /ly2002: bx
  /ly20010301-20010310: cx
  /ly20010311: dx
  /ly200101-200102: 改名対象なし [2]
  /ly-20010310: cx
  $ rows '*' /d -- /ly2001123123- '/lyw2001 /lyr2010' /lyr2010 /lyd2001 '/ly2001 /ly'
  /ly2001123123-: new\fx old\ex ax bx
  /lyw2001 /lyr2010: ax
  /lyr2010: ax bx
  /lyd2001: old\ex ax bx cx dx
  /ly2001 /ly: new\fx old\ex ax bx cx dx

Attributes: read-only (r, or not writable w), hidden (h: a name that starts
with a dot), directory (d), archive (a, which every Linux file has).

  $ fresh attributes; mk ax .bx.t cx .hid/dx
  $ chmod 444 ax
  $ rows '*' /d -- /sar /law /lar /sah /lah /sadh /ladh /lAd /lAdh /sAa '/sarh /or'
  /sar: .hid\dx .bx.t cx
  /law: .hid\dx .bx.t cx
  /lar: ax
  /sah: .hid\dx ax cx
  /lah: .bx.t
  /sadh: .bx.t ax cx
  /ladh: .hid\dx .bx.t ax cx
  /lAd: .bx.t ax cx
  /lAdh: .hid\dx .bx.t ax cx
  /sAa: .bx.t ax
  /sarh /or: .hid\dx ax cx

/v+k reports what the filters excluded, whether a directory was asked as a
candidate (/fa) or only before the walk enters it; without it nothing is
said about them.

  $ fresh reported; mk ax.txt bx.txt subx/cx.txt keepx/dx.txt
  $ row kavo x y '*' /d /fa '/sdsub*' /sfbx.txt /v+k
  keepx→keepy keepy\dx.txt→dy.txt DIR対象外:subx ax.txt→ay.txt 対象外:bx.txt  改名成功:3個
  $ row kavo x y '*' /d '/sdsub*' /v+k
  DIR対象外:subx bx.txt→by.txt  改名成功:1個
  $ row kavo x y '*' /d '/sdsub*'
  改名対象なし [2]
  $ row tree
  ay.txt <ax.txt> by.txt <bx.txt> keepy/ keepy/dy.txt <keepx/dx.txt> subx/ subx/cx.txt

Filter values are text in the user's encoding. A name's extension is the
text after its last period, read character by character: the second byte of
表 is the code of `\`, yet it separates nothing, so /se表 skips a.表.

  $ fresh utf8; mk 表x.txt ソx.txt 表/ax.txt a.表 a.txt
  $ row kavo x y '*' /d '/sf表*' /sh表
  ソx.txt→ソy.txt  改名成功:1個
  $ row kavo a b '*' /se表
  a.txt→b.txt  改名成功:1個
  $ row tree
  a.表 b.txt <a.txt> ソy.txt <ソx.txt> 表/ 表/ax.txt 表x.txt

A relative path element is completed against the directory of each file
argument as that argument is processed: it selects the same entries whatever
other arguments stand beside it, and an argument in the same directory never
completes it twice (d\keep, not d\d\keep).

  $ fresh complete; mkdir -p d/keep d/other; touch d/keep/a.doc d/other/a.txt d/a.txt
  $ row kavo a b 'd/*.txt' 'd/keep/*.doc' /d /shother
  d\a.txt→b.txt d\keep\a.doc→b.doc  改名成功:2個
  $ touch d/keep/c.txt d/c.doc
  $ row kavo c e 'd/*.txt' 'd/*.doc' /d /shkeep
  d\c.doc→e.doc  改名成功:1個
  $ row tree
  d/ d/b.txt d/e.doc d/keep/ d/keep/b.doc d/keep/c.txt d/other/ d/other/a.txt
