Encodings: names as Linux holds them, inside a program that works in
Shift-JIS, and the bytes Windows forbids in names.

  $ . "$TESTDIR/setup.sh"
  $ only linux

An escape pair of the old string (`\?` `\*` `\\`) stands for that byte as a
name holds it, and in a file argument's pattern the bytes Windows forbids
(but the wildcards, the separators and a drive colon) are name bytes.

  $ mkdir sub; touch 'q?.txt' 'st*r.txt' 'a\b.txt' 1:00.mp3 sub/a:0.txt
  $ kavo '\?' - '*' /e
  q?.txt→q-.txt
  
  改名成功:1個
  $ kavo '\*' - '*' /e
  st*r.txt→st-r.txt
  
  改名成功:1個
  $ kavo '\\' - '*' /e
  a\b.txt→a-b.txt
  
  改名成功:1個
  $ kavo 0 5 '1:00*' 'sub/a:*'
  1:00.mp3→1:50.mp3
  sub\a:0.txt→a:5.txt
  
  改名成功:2個

A name is counted as the file system holds it: 44 Hangul syllables, which
have no Shift-JIS form and take 264 bytes inside, are 132 bytes on disk and
may grow. A name the file system refuses is reported, in date mode too (a
duplicate number would only make it longer).

  $ rm -r *; touch "$(printf '가%.0s' {1..44}).txt"
  $ kavo '' 2024_ '*' /h
  가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가.txt→2024_가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가가.txt
  
  改名成功:1個
  $ rm *; touch -d '2005-04-19 09:05:07' $(printf 'a%.0s' {1..244})
  $ kavo '' / 'a*' /t /date >out
  [1]
  $ sed 's/a\{244\}/a…a/g' out
  改名不能:a…a≠a…a20050419-090507
  

In CP932 mode a character whose lead byte is the escape's own (0xF9) is
escaped whole, both bytes: its trail byte is never a character of its own
(F9 40 holds no `@`) nor the lead of the next one (F9 9F a holds an `a`),
and four `?` take it whole.

  $ rm -r *; export KAVO_ENCODING=CP932
  $ touch $'\xf9\x40x.txt' $'\xf9\x9fab.txt'
  $ kavo @ Q '*' /e
  \x89\xfc\x96\xbc\x91\xce\x8f\xdb\x82\xc8\x82\xb5 (esc)
  [2]
  $ kavo a A '*' /e
  \xf9\x9fab.txt\x81\xa8\xf9\x9fAb.txt (esc)
  
  \x89\xfc\x96\xbc\x90\xac\x8c\xf7:1\x8c\xc2 (esc)
  $ kavo '????' '' '*' /h
  \xf9@x.txt\x81\xa8x.txt (esc)
  \xf9\x9fAb.txt\x81\xa8Ab.txt (esc)
  
  \x89\xfc\x96\xbc\x90\xac\x8c\xf7:2\x8c\xc2 (esc)
  $ tree
  Ab.txt
  x.txt

A filter element is read the way a name is, once the value's own comma and
white-space rules have cut it (a tab after a comma is dropped on the command
line too): `:` `*` `"` in /sf, /se, /sd and /sh elements meet the names
that hold them, `\*` in /sd is a star, and wildcards keep their meaning.

  $ unset KAVO_ENCODING; mkdir ../filters && cd ../filters
  $ mkdir 'sk:ip' 'st*r' 'ho:me'
  $ touch 'keep:me.txt' other.txt 'e.t:t' one.txt sk:ip/e.txt 'st*r/e.txt' ho:me/e.txt
  $ kavo e E '*' /d $'/sfkeep:me.txt,\tother.txt' /set:t '/sdsk:ip,st\*r' /shho:me
  one.txt→onE.txt
  
  改名成功:1個
  $ kavo e E '*' '/lfkeep:*'
  keep:me.txt→kEep:me.txt
  
  改名成功:1個
  $ tree
  e.t:t
  ho:me/
  ho:me/e.txt
  kEep:me.txt
  onE.txt
  other.txt
  sk:ip/
  sk:ip/e.txt
  st*r/
  st*r/e.txt
