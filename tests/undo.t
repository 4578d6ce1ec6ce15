Undo: every run that moves something is written down, move by move, before
the move is made; /undo takes the newest run back, then the one before.

  $ . "$TESTDIR/setup.sh"; mkdir -p "$XDG_STATE_HOME"
  $ journals() { ls "$XDG_STATE_HOME/kavo" 2>/dev/null | sed 's/^0*//' | paste -sd' '; }

Wine hands a changed %LOCALAPPDATA% down only from a Windows parent.

  $ on linux || kavo() { run cmd /c "set LOCALAPPDATA=$(winepath -w "$XDG_STATE_HOME")&& $(winepath -w "$KAVO_TEST_BINARY") $*"; }

/undo replays a run's moves last first with the move that never replaces
anything (a file named by its full path too), so directories renamed under
/d come back deepest first, and prints and counts as a run does. Given
again it takes back the run before; /test shows what it would do; a run
that moved nothing leaves no journal, and with nothing left to take back it
says so and answers 2.

  $ fresh back; mk a1.txt ad/as/a2.txt keep.txt
  $ row kavo a b "c:$here\\back\\a1.txt"; row kavo a z '*' /d /fa; row kavo k z keep.txt /test; row kavo x y keep.txt
  <here>\back\a1.txt→b1.txt  改名成功:1個
  ad→zd zd\as→zs zd\zs\a2.txt→z2.txt  改名成功:3個
  keep.txt→zeep.txt  改名成功:1個
  改名対象なし [2]
  $ row kavo /undo /test; row kavo /UNDO; row kavo /undo /v=c
  zd\zs\z2.txt→a2.txt zd\zs→as zd→ad  改名成功:3個
  zd\zs\z2.txt→a2.txt zd\zs→as zd→ad  改名成功:3個
  b1.txt→a1.txt
  $ row tree; row kavo /undo; journals
  a1.txt ad/ ad/as/ ad/as/a2.txt keep.txt
  取消対象なし [2]
  1.done 2.done 3.undo 4.undo

A move that can no longer be taken back as written is never forced: a new
name gone gets 改名不能, an old name taken since gets 存在済, the others are
taken back. A move the run never made (its old name still there) is passed
by; one the run was refused is not in the journal at all.

  $ fresh changed; mk a1 a2 a3 a4 b4; row kavo a b 'a*' /c
  a1→b1 a2→b2 a3→b3 存在済:a4≠b4  改名成功:3個 改名失敗:1個 [2]
  $ rm b1; mk a2; mv b3 a3; row kavo /undo /c; row tree
  存在済:b2≠a2 改名不能:b1≠a1  改名失敗:2個 [2]
  a2 a3 a4 b2 <a2> b4

A file that /o replaced goes to the trash first; undo moves the source back
and brings the replaced file back from the trash.

  $ fresh replaced; mk a.txt b.txt c.txt; row kavo a b a.txt /o; row kavo /undo; row tree
  a.txt=>b.txt  改名成功:1個（通常:0個, 上書:1個）
  b.txt→a.txt  改名成功:1個
  a.txt b.txt c.txt

A journal that cannot be written costs the run nothing but one warning
line; the last 20 journals are kept.

  $ fresh unwritable; mk a.txt; XDG_STATE_HOME=$PWD/a.txt row kavo a b a.txt
  a.txt→b.txt  改名成功:1個 改名記録が書けません。この実行は取り消せません。
  $ for i in $(seq 11); do kavo b c b.txt; kavo c b c.txt; done >/dev/null; journals | wc -w
  20
