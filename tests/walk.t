The walk: its order, directories renamed and entered, later arguments.

  $ . "$TESTDIR/setup.sh"

A renamed directory is entered under its new name; in test mode under the
old one.

  $ fresh entered
  $ mk old1/old2/old3/old_c.txt old1/old2/old_b.txt old1/old2/zold.txt old1/old_a.txt
  $ row kavo old new '*' /d /fa /test
  old1→new1 old1\old2→new2 old1\old2\old3→new3 old1\old2\old3\old_c.txt→new_c.txt old1\old2\old_b.txt→new_b.txt old1\old2\zold.txt→znew.txt old1\old_a.txt→new_a.txt  改名成功:7個
  $ row kavo old new '*' /d /fa
  old1→new1 new1\old2→new2 new1\new2\old3→new3 new1\new2\new3\old_c.txt→new_c.txt new1\new2\old_b.txt→new_b.txt new1\new2\zold.txt→znew.txt new1\old_a.txt→new_a.txt  改名成功:7個
  $ row tree
  new1/ new1/new2/ new1/new2/new3/ new1/new2/new3/new_c.txt <old1/old2/old3/old_c.txt> new1/new2/new_b.txt <old1/old2/old_b.txt> new1/new2/znew.txt <old1/old2/zold.txt> new1/new_a.txt <old1/old_a.txt>

Later arguments see the tree as it has become: the last one names the
directory that has just taken the name "ba".

  $ fresh later; mk ba/aa1.txt aa/aa2.txt
  $ row kavo a b 'ba/*' ba aa 'ba/*' /c
  ba\aa1.txt→ba1.txt ba→bb aa→ba ba\aa2.txt→ba2.txt  改名成功:4個
  $ row tree
  ba/ ba/ba2.txt <aa/aa2.txt> bb/ bb/ba1.txt <ba/aa1.txt>

/fd renames directories alone; by default they are only entered. A name
without wildcards is looked for in every subdirectory.

  $ fresh dirs; mk old1/old2.txt old3.txt
  $ row kavo old new '*' /fd /d
  old1→new1  改名成功:1個
  $ row kavo new old '*' /d
  改名対象なし [2]
  $ row kavo old x '*' /d
  new1\old2.txt→x2.txt old3.txt→x3.txt  改名成功:2個
  $ mk a.txt s/a.txt s/t/a.txt s/t/c.txt
  $ row kavo a b a.txt /d
  s\t\a.txt→b.txt s\a.txt→b.txt a.txt→b.txt  改名成功:3個
  $ row tree
  b.txt <a.txt> new1/ new1/x2.txt <old1/old2.txt> s/ s/b.txt <s/a.txt> s/t/ s/t/b.txt <s/t/a.txt> s/t/c.txt x3.txt <old3.txt>
