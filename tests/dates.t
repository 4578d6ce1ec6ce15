Date naming (/date): the layouts, the time zone and the correction, and the
duplicate numbers of names that are taken.

  $ . "$TESTDIR/setup.sh"

The date of the last write takes the place of the slash in the new string,
in each layout, in the local time zone, moved by a correction in seconds.
A second slash, or none, is refused.

  $ fresh layouts; touch -d @1113901507 p.jpg
  $ for o in '' yyyymmdd-hhmmss yyyymmdd-hhmm yymmdd-hhmmss yymmdd-hhmm yyyymmdd yymmdd; do
  >   kavo p / p.jpg /date$o /test | sed -n 1p; done | paste -sd' '
  p.jpg→20050419-090507.jpg p.jpg→20050419-090507.jpg p.jpg→20050419-0905.jpg p.jpg→050419-090507.jpg p.jpg→050419-0905.jpg p.jpg→20050419.jpg p.jpg→050419.jpg
  $ for z in JST-9 HST10; do TZ=$z kavo p / p.jpg /date /test | sed -n 1p; done | paste -sd' '
  p.jpg→20050419-180507.jpg p.jpg→20050418-230507.jpg
  $ touch -d @946782245 q.jpg; touch -d @1104535800 r.jpg; touch -d @1104537630 s.jpg
  $ { kavo q / q.jpg /dateyymmdd /test; kavo r / r.jpg /date /date+3600 /test; kavo s / s.jpg /date /date-60 /test; } | grep → | paste -sd' '
  q.jpg→000102.jpg r.jpg→20050101-003000.jpg s.jpg→20041231-235930.jpg
  $ row kavo p x/ p.jpg /dateyymmdd
  p.jpg→x050419.jpg  改名成功:1個
  $ row kavo q /x/ q.jpg /date
   \x07処理停止:/dataオプション時は、新文字列に "/" を指定できますが、2文字以上指定することは出来ません。 [1] (esc)
  $ row kavo q x q.jpg /date
   \x07処理停止:メモリー不足で改名できません。 [1] (esc)
  $ row tree
  q.jpg r.jpg s.jpg x050419.jpg

Entries of one second take duplicate numbers; in test mode nothing is
renamed, so both show the plain name. /o replaces a name that was taken
before the run, never one the run itself has just given: that one counts as
taken and the next number is tried.

  $ fresh same; mk ia.jpg ib.jpg; touch -d @1113901507 ia.jpg ib.jpg
  $ row kavo 'i?' / '*.jpg' /date /test
  ia.jpg→20050419-090507.jpg ib.jpg→20050419-090507.jpg  改名成功:2個
  $ row kavo 'i?' / '*.jpg' /date
  ia.jpg→20050419-090507.jpg ib.jpg→20050419-090507-2.jpg  改名成功:2個
  $ mk ia.jpg ib.jpg ic.jpg; touch -d @1113901507 i?.jpg; echo old > 20050419-2.jpg
  $ row kavo 'i?' / '*.jpg' /dateyyyymmdd /o
  ia.jpg→20050419.jpg ib.jpg=>20050419-2.jpg ic.jpg→20050419-3.jpg  改名成功:3個（通常:2個, 上書:1個）
  $ row tree
  20050419-090507-2.jpg <ib.jpg> 20050419-090507.jpg <ia.jpg> 20050419-2.jpg <ib.jpg> 20050419-3.jpg <ic.jpg> 20050419.jpg <ia.jpg>

/datel limits the names tried: 1 only the bare date name, 2 one number.

  $ fresh limit; mk ia.jpg ib.jpg ic.jpg id.jpg; touch -d @1113901507 *.jpg
  $ row kavo 'i?' / '*.jpg' /dateyyyymmdd /datel1
  ia.jpg→20050419.jpg 存在済:ib.jpg≠20050419.jpg  改名成功:1個 [1]
  $ row kavo 'i?' / '*.jpg' /dateyyyymmdd /datel1 /c
  存在済:ib.jpg≠20050419.jpg 存在済:ic.jpg≠20050419.jpg 存在済:id.jpg≠20050419.jpg  改名失敗:3個 [2]
  $ rm 20050419.jpg; row kavo 'i?' / '*.jpg' /dateyyyymmdd /datel2 /c
  ib.jpg→20050419.jpg ic.jpg→20050419-2.jpg 存在済:id.jpg≠20050419-2.jpg  改名成功:2個 改名失敗:1個 [2]
  $ row tree
  20050419-2.jpg <ic.jpg> 20050419.jpg <ib.jpg> id.jpg

Many entries of one day each take the next free number, also past a name
taken before the run.

  $ fresh many
  $ for i in $(seq 100 139); do touch -d @1113901507 i$i.jpg; done; touch 20050419-5.jpg
  $ kavo 'i*' / '*.jpg' /dateyyyymmdd /v=
  $ ls | paste -sd' '
  20050419-10.jpg 20050419-11.jpg 20050419-12.jpg 20050419-13.jpg 20050419-14.jpg 20050419-15.jpg 20050419-16.jpg 20050419-17.jpg 20050419-18.jpg 20050419-19.jpg 20050419-2.jpg 20050419-20.jpg 20050419-21.jpg 20050419-22.jpg 20050419-23.jpg 20050419-24.jpg 20050419-25.jpg 20050419-26.jpg 20050419-27.jpg 20050419-28.jpg 20050419-29.jpg 20050419-3.jpg 20050419-30.jpg 20050419-31.jpg 20050419-32.jpg 20050419-33.jpg 20050419-34.jpg 20050419-35.jpg 20050419-36.jpg 20050419-37.jpg 20050419-38.jpg 20050419-39.jpg 20050419-4.jpg 20050419-40.jpg 20050419-41.jpg 20050419-5.jpg 20050419-6.jpg 20050419-7.jpg 20050419-8.jpg 20050419-9.jpg 20050419.jpg

A name found taken may become free when its entry is renamed; a later
entry then gets it.

  $ fresh freed; mk img1.jpg img2.jpg z20050419.jpg zz.jpg
  $ touch -d @1113901507 img1.jpg img2.jpg zz.jpg; touch -d @946782245 z20050419.jpg
  $ row kavo '*' z/ '*.jpg' /dateyyyymmdd
  img1.jpg→z20050419-2.jpg img2.jpg→z20050419-3.jpg z20050419.jpg→z20000102.jpg zz.jpg→z20050419.jpg  改名成功:4個
