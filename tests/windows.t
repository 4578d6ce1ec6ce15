Windows: drive letters, letter case and the console of kavo.exe.

  $ . "$TESTDIR/setup.sh"
  $ only windows

Windows takes C:ex and c:EX (like C:\ex and c:\EX) for one directory: file
arguments spelled so share it, so an absolute path element is checked
against it as for one spelling, and a relative one skips the same entries.

  $ mkdir -p ex/sub; touch ex/a.txt ex/b.doc ex/sub/a.txt ex/sub/a.doc
  $ kavo a b 'C:ex\*.txt' 'c:EX\*.doc' /d '/shC:\other'
  
  \x07処理停止:オプション /shC:\\other のパスは改名ディレクトリ C:ex\\ 以下ではありません。 (esc)
  [1]
  $ kavo a b 'C:ex\*.txt' 'c:EX\*.doc' /d /shsub
  C:ex\a.txt→b.txt
  
  改名成功:1個
  $ tree
  ex/
  ex/b.doc
  ex/b.txt
  ex/sub/
  ex/sub/a.doc
  ex/sub/a.txt
