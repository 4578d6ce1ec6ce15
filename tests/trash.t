Where no trash can be made (its place taken by a plain file; Linux, a
private mount as root) a file /o replaces is deleted as ever, and undo moves
the source back and reports the file as one it cannot bring back.

  $ . "$TESTDIR/setup.sh"; only linux; unshare -m true 2>/dev/null || exit 80
  $ mkdir tmpfs; export here_pattern KAVO_TEST_BINARY; export -f $(declare -F | cut -d' ' -f3)
  $ unshare -m bash -c 'mount -t tmpfs none tmpfs && cd tmpfs && touch .Trash-$(id -u) && mk a.txt b.txt c.txt &&
  >   row kavo a b a.txt /o && row kavo /undo /c; row tree'
  a.txt=>b.txt  改名成功:1個（通常:0個, 上書:1個）
  b.txt→a.txt 上書改名不能:b.txt≠a.txt  改名成功:1個 改名失敗:1個 [2]
  .Trash-0 a.txt c.txt
