Output: the log file the run writes, and the result lines around it.

  $ . "$TESTDIR/setup.sh"

The open log is never replaced, whatever name reaches it: a symbolic link,
another hard link, a path through `..`. Such an overwrite fails like any
refused one, and the log keeps its earlier lines.

  $ echo old > RUN.log; ln -s RUN.log link.log; echo X > x.txt
  $ kavo x.txt RUN.log x.txt /e /o /LOGlink.log
  上書改名不能:x.txt≠RUN.log
  
  [1]
  $ mkdir sub; ln RUN.log sub/hard.log
  $ kavo x.txt RUN.log x.txt /e /o /c '/LOGsub\..\sub\hard.log'
  上書改名不能:x.txt≠RUN.log
  
  改名失敗:1個
  [2]
  $ head -1 RUN.log; cat x.txt
  old
  X

A directory that holds the open log is not renamed, as Windows refuses to
rename it: the move is refused like any other (with /c the walk goes on
inside under the old name), and the log stays where it was opened.

  $ mkdir dir; touch dir/dir.txt
  $ kavo dir DIR '*' /d /fa '/logdir\p.log'
  改名不能:dir≠DIR
  
  [1]
  $ kavo dir DIR '*' /d /fa /c '/LOGdir\p.log'
  改名不能:dir≠DIR
  dir\dir.txt→DIR.txt
  
  改名成功:1個
  改名失敗:1個
  [2]
  $ ls dir
  DIR.txt
  p.log
