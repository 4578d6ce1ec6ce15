Filters: the skip (/s...) and limit (/l...) options on names that hold bytes
Windows forbids, which only Linux names can.

  $ . "$TESTDIR/setup.sh"
  $ only linux

A filter element is read the way a name is, once the value's own comma and
white-space rules have cut it (a tab after a comma is dropped on the command
line too): `:` `*` `"` in /sf, /se, /sd and /sh elements meet the names
that hold them, `\*` in /sd is a star, and wildcards keep their meaning.

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
