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

  $ mkdir ../filters-more && cd ../filters-more

A relative path element is completed against the directory of each file
argument as that argument is processed: it selects the same entries whatever
other arguments stand beside it, and an argument in the same directory never
completes it twice (d\keep, not d\d\keep).

  $ mkdir -p d/keep d/other; touch d/keep/a.doc d/other/a.txt d/a.txt
  $ kavo a b 'd/*.txt' 'd/keep/*.doc' /d /shother
  d\a.txt→b.txt
  d\keep\a.doc→b.doc
  
  改名成功:2個
  $ touch d/keep/c.txt d/c.doc
  $ kavo c e 'd/*.txt' 'd/*.doc' /d /shkeep
  d\c.doc→e.doc
  
  改名成功:1個
  $ tree
  d/
  d/b.txt
  d/e.doc
  d/keep/
  d/keep/b.doc
  d/keep/c.txt
  d/other/
  d/other/a.txt
