Encodings (Linux): text in the external encoding ($KAVO_ENCODING, else the
locale's), and names kept byte for byte where they have no Shift-JIS form.

  $ . "$TESTDIR/setup.sh"
  $ only linux

Text is converted both ways in the chosen encoding.

  $ fresh convert; mk 写真1.jpg; KAVO_ENCODING=UTF-8 row kavo 写真 旅 '*'
  写真1.jpg→旅1.jpg  改名成功:1個
  $ e() { printf %s "$1" | iconv -t EUC-JP; }
  $ mk $(e 日本.txt); KAVO_ENCODING=EUC-JP row kavo $(e 日本) $(e 東京) '*.txt' | iconv -f EUC-JP
  日本.txt→東京.txt  改名成功:1個
  $ ls *.txt | iconv -f EUC-JP; ls *.jpg
  東京.txt
  旅1.jpg
  $ fresh sjis
  $ touch $(printf '\x95\x5c.txt'); KAVO_ENCODING=CP932 row kavo $(printf '\x95\x5c \x97\xa0') '*.txt'
  \x95\\.txt\x81\xa8\x97\xa0.txt  \x89\xfc\x96\xbc\x90\xac\x8c\xf7:1\x8c\xc2 (esc)
  $ tree
  \x97\xa0.txt (esc)

A name without a Shift-JIS form, or invalid in the encoding, is kept byte
for byte; the old string can name such a character.

  $ fresh bytes; mk a😀.txt $(printf 'bad\xff\xc3.txt')
  $ row kavo a b 'a*'
  a😀.txt→b😀.txt  改名成功:1個
  $ row kavo 😀 - '*'
  b😀.txt→b-.txt  改名成功:1個
  $ row kavo bad ok 'bad*'
  bad\xff\xc3.txt→ok\xff\xc3.txt  改名成功:1個 (esc)
  $ row tree
  b-.txt <a\xf0\x9f\x98\x80.txt> ok\xff\xc3.txt <bad\xff\xc3.txt> (esc)

Bytes Windows forbids in names are name bytes: never a drive, a separator,
or a place a wildcard or the old string stops inside.

  $ fresh forbidden
  $ mk 1:00.mp3 'a\b.txt' a:3.txt 'a|3.txt' 'user@host' '12:00 memo' d/日記1
  $ row kavo 00 30 1:00.mp3
  1:00.mp3→1:30.mp3  改名成功:1個
  $ row kavo b c 'a\b.txt'
  a\b.txt→a\c.txt  改名成功:1個
  $ row kavo 3 4 'a*'
  a:3.txt→a:4.txt a|3.txt→a|4.txt  改名成功:2個
  $ row kavo : - '*.mp3'
  1:30.mp3→1-30.mp3  改名成功:1個
  $ KAVO_ENCODING=CP932 row kavo '*@' '' '*' /e
  user@host\x81\xa8host  \x89\xfc\x96\xbc\x90\xac\x8c\xf7:1\x8c\xc2 (esc)
  $ touch 1:2.txt; KAVO_ENCODING=CP932 row kavo 2 3 1:2.txt
  1:2.txt\x81\xa81:3.txt  \x89\xfc\x96\xbc\x90\xac\x8c\xf7:1\x8c\xc2 (esc)
  $ row kavo 日記 x 'd/*'
  d\日記1→x1  改名成功:1個
  $ row tree
  1-30.mp3 <1:00.mp3> 12:00 memo 1:3.txt a:4.txt <a:3.txt> a\c.txt <a\b.txt> a|4.txt <a|3.txt> d/ d/x1 <d/日記1> host <user@host>

Names a shell expands from an absolute pattern are file arguments.

  $ fresh absolute; mk x1.txt x2.txt
  $ row kavo x y "$PWD"/x*.txt
  <here>\absolute\x1.txt→y1.txt <here>\absolute\x2.txt→y2.txt  改名成功:2個
  $ row tree
  y1.txt <x1.txt> y2.txt <x2.txt>

Names of 255 bytes, the most Linux holds, are measured as the file system
holds them (85 kana are 170 bytes inside, 252 colons 504): a replacement of
the same length is made, a longer one is a move the file system refuses.

  $ fresh long
  $ t=$(printf 'x%.0s' $(seq 248)); k=$(printf 'あ%.0s' $(seq 84)); c=$(printf ':%.0s' $(seq 252))
  $ mk ABC$t.txt い$k c/ABC$c
  $ short() { sed "s/$t/<248 x>/g; s/$k/<84 あ>/g; s/$c/<252 :>/g"; }
  $ row kavo ABC XYZ '*.txt' | short
  ABC<248 x>.txt→XYZ<248 x>.txt  改名成功:1個
  $ row kavo い う 'い*' | short
  い<84 あ>→う<84 あ>  改名成功:1個
  $ cd c; row kavo ABC XYZ 'ABC*' | short
  ABC<252 :>→XYZ<252 :>  改名成功:1個
  $ row kavo XYZ XYZW 'XYZ*' | short
  改名不能:XYZ<252 :>≠XYZW<252 :>  [1]
  $ cd ..; row tree | short
  XYZ<248 x>.txt <ABC<248 x>.txt> c/ c/XYZ<252 :> <c/ABC<252 :>> う<84 あ> <い<84 あ>>

Every byte but '/' and NUL, one a file and all in one name, comes back
byte for byte in either external encoding.

  $ fresh every
  $ byte() { local b; b=$(printf "\\$(printf %o $1)x"); printf %s "${b%x}"; }
  $ for enc in CP932 UTF-8; do
  >   mkdir -p $enc/all; all=ABC
  >   for i in $(seq 255); do
  >     [ $i = 47 ] || { byte $i > "$enc/ABC$(byte $i).t"; [[ $i = 6[5-7] ]] || all+=$(byte $i); }
  >   done
  >   touch "$enc/all/$all"
  >   (cd $enc && KAVO_ENCODING=$enc kavo ABC XYZ 'ABC*' >/dev/null); echo -n "$enc $? "
  >   (cd $enc/all && KAVO_ENCODING=$enc kavo ABC XYZ '*' /e >/dev/null); echo -n "$? "
  >   for i in $(seq 255); do
  >     [ $i = 47 ] || cmp -s "$enc/XYZ$(byte $i).t" <(byte $i) || echo -n "byte $i lost "
  >   done
  >   echo $(ls $enc | wc -l) $([ -e "$enc/all/XYZ${all#ABC}" ] && echo all kept)
  > done
  CP932 0 0 255 all kept
  UTF-8 0 0 255 all kept

The configuration file is read in the user's encoding, line by line, and
its faults are reported in it.

  $ fresh config
  $ copy bin/kavo.exe; mk a.txt
  $ echo '/log記録.log # 日本語の注釈' > bin/kavo.cfg
  $ KAVO_ENCODING=UTF-8 row run bin/kavo.exe a b a.txt
  a.txt→b.txt  改名成功:1個
  $ printf '/d\n\x01\n' > bin/kavo.cfg
  $ KAVO_ENCODING=UTF-8 row run bin/kavo.exe a b b.txt
   \x07処理停止:設定ファイル"<here>\\config\\bin\\kavo.cfg"が異常です。2行目にバイナリ・データを検出しました。 [1] (esc)
  $ ls | paste -sd' '
  b.txt bin 記録.log

An escape pair of the old string (`\?` `\*` `\\`) stands for that byte as a
name holds it, and in a file argument's pattern the bytes Windows forbids
(but the wildcards, the separators and a drive colon) are name bytes.

  $ fresh escapes; mkdir sub; touch 'q?.txt' 'st*r.txt' 'a\b.txt' 1:00.mp3 sub/a:0.txt
  $ row kavo '\?' - '*' /e
  q?.txt→q-.txt  改名成功:1個
  $ row kavo '\*' - '*' /e
  st*r.txt→st-r.txt  改名成功:1個
  $ row kavo '\\' - '*' /e
  a\b.txt→a-b.txt  改名成功:1個
  $ row kavo 0 5 '1:00*' 'sub/a:*'
  1:00.mp3→1:50.mp3 sub\a:0.txt→a:5.txt  改名成功:2個

A name counts as stored: 44 Hangul syllables (264 bytes inside, 132 on
disk) may grow; a name the file system refuses is reported, in date mode too.

  $ rm -r *; touch "$(printf '가%.0s' {1..44}).txt"
  $ row kavo '' 2024_ '*' /h
  가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가.txt→2024_가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가.txt  改名成功:1個
  $ rm *; touch -d '2005-04-19 09:05:07' $(printf 'a%.0s' {1..244})
  $ row kavo '' / 'a*' /t /date | sed 's/a\{244\}/a…a/g'
  改名不能:a…a≠a…a20050419-090507  [1]

In CP932 mode a character whose lead byte is the escape's own (0xF9) is
escaped whole: F9 40 holds no `@`, F9 9F a holds an `a`, four `?` take it.

  $ rm -r *; export KAVO_ENCODING=CP932
  $ touch $'\xf9\x40x.txt' $'\xf9\x9fab.txt'
  $ row kavo @ Q '*' /e
  \x89\xfc\x96\xbc\x91\xce\x8f\xdb\x82\xc8\x82\xb5 [2] (esc)
  $ row kavo a A '*' /e
  \xf9\x9fab.txt\x81\xa8\xf9\x9fAb.txt  \x89\xfc\x96\xbc\x90\xac\x8c\xf7:1\x8c\xc2 (esc)
  $ row kavo '????' '' '*' /h
  \xf9@x.txt\x81\xa8x.txt \xf9\x9fAb.txt\x81\xa8Ab.txt  \x89\xfc\x96\xbc\x90\xac\x8c\xf7:2\x8c\xc2 (esc)
  $ row tree
  Ab.txt x.txt

A filter element is read the way a name is, once the value's comma and
white-space rules have cut it: `:` `*` in /sf, /se, /sd and /sh elements
meet the names that hold them, `\*` in /sd is a star, wildcards stay.

  $ unset KAVO_ENCODING; fresh filter-values
  $ mkdir 'sk:ip' 'st*r' 'ho:me'
  $ touch 'keep:me.txt' other.txt 'e.t:t' one.txt sk:ip/e.txt 'st*r/e.txt' ho:me/e.txt
  $ row kavo e E '*' /d $'/sfkeep:me.txt,\tother.txt' /set:t '/sdsk:ip,st\*r' /shho:me
  one.txt→onE.txt  改名成功:1個
  $ row kavo e E '*' '/lfkeep:*'
  keep:me.txt→kEep:me.txt  改名成功:1個
  $ row tree
  e.t:t ho:me/ ho:me/e.txt kEep:me.txt onE.txt other.txt sk:ip/ sk:ip/e.txt st*r/ st*r/e.txt
