Filters: the skip (/s...) and limit (/l...) options on the entries of a walk.

  $ . "$TESTDIR/setup.sh"

A name's extension is the text after its last period, read character by
character: the second byte of 表 is the code of `\`, yet it separates
nothing, so /se表 skips a.表.

  $ touch a.表 a.txt
  $ kavo a b '*' /se表
  a.txt→b.txt
  
  改名成功:1個
  $ tree
  a.表
  b.txt
