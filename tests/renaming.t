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

/o never replaces a file the same run moved into place. In date mode such a
name counts as taken and the next number is tried; otherwise the overwrite
fails. A file that was there before the run (or that an earlier run moved
there) is still overwritten.

  $ mkdir photos; cd photos
  $ for i in 1 2 3; do echo $i > img$i.jpg; touch -d '2005-04-19 09:05:07' img$i.jpg; done
  $ echo old > img20050419-090507-2.jpg
  $ kavo 'img?' 'img/' 'img?.jpg' /date /o
  img1.jpg→img20050419-090507.jpg
  img2.jpg=>img20050419-090507-2.jpg
  img3.jpg→img20050419-090507-3.jpg
  
  改名成功:3個（通常:2個, 上書:1個）
  $ tree
  img20050419-090507-2.jpg <2>
  img20050419-090507-3.jpg <3>
  img20050419-090507.jpg <1>
  $ cd ..; mkdir two; cd two
  $ echo x > xa.txt; echo y > ya.txt; echo z > za.txt
  $ kavo '?a' b '*.txt' /o /c
  xa.txt→b.txt
  上書改名不能:ya.txt≠b.txt
  上書改名不能:za.txt≠b.txt
  
  改名成功:1個（通常:1個, 上書:0個）
  改名失敗:2個
  [2]
  $ kavo ya b ya.txt /o
  ya.txt=>b.txt
  
  改名成功:1個（通常:0個, 上書:1個）
  $ tree
  b.txt <y>
  za.txt <z>
  $ cd ..

/o onto another hard link of the same file: the old name goes and the new
name holds the file, as for any overwrite. Without /o the name is taken.

  $ mkdir links; cd links
  $ echo A > a.txt; ln a.txt b.txt
  $ kavo a b a.txt
  存在済:a.txt≠b.txt
  
  [1]
  $ kavo a b a.txt /o
  a.txt=>b.txt
  
  改名成功:1個（通常:0個, 上書:1個）
  $ tree
  b.txt <A>
  $ cd ..
