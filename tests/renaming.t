Renaming: the replacement, existing targets, overwrites and test mode.

  $ . "$TESTDIR/setup.sh"

A plain run renames each matching file once and counts it.

  $ echo 1 > a.ABC.txt; echo 2 > b.ABC.txt; touch c.txt
  $ kavo ABC 123 '*.txt'
  a.ABC.txt→a.123.txt
  b.ABC.txt→b.123.txt
  
  改名成功:2個
  $ tree
  a.123.txt <1>
  b.123.txt <2>
  c.txt
