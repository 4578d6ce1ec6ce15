Filters: skip and limit options on names and paths.

  $ . "$TESTDIR/setup.sh"

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
