The command line: the usage text, and the old and new strings and options
that are refused before anything is done.

  $ . "$TESTDIR/setup.sh"
  $ copy bin/kavo.exe
  $ mk work/a.txt; cd work
  $ k() { run ../bin/kavo.exe "$@"; }

Without a file argument, or when asked (/? or /help, anywhere among the
options, in either case), the usage text is shown with exit code 1. It has
318 lines besides its switch lines; the lines built at run time name the
executable, its configuration file and the options the file holds. Not on a
terminal, only the note that names the prompt holds it.

  $ k a b > usage.txt
  [1]
  $ wc -l < usage.txt; cksum < usage.txt; grep -c '^kavo ' usage.txt; grep -c '(Continue,/All/Quit)' usage.txt
  319
  2477383747 20640
  83
  1
  $ sed -n '1,4p;157,160p;185p;206p;214p;232,236p;$p' usage.txt | paste -sd' '
  ファイル名置換コマンド kavo第1.37版  2005-04-19  kavo □ 旧文字列 □ 新文字列［△ オプション群］□ ファイル名… 【終了コード】 0:エラーなし、改名成功 1:エラー発生、改名中断 2:エラー発生、改名継続   例えば、kavo a b caaa.zaa の実行結果は caaa.zaa→cbaa.zaa となります。 ・kavo.exe 自身は、本コマンドで改名できません。   例えば、kavo a b /d C:\dir1 /lhC:\dir1\abc?\ は C:\dir1 の下のサブディレクトリ abc? 以下を処理します。 ・設定ファイル=<here>\bin\kavo.cfg ・現在設定=設定ファイルが存在しません。 ・スイッチ文字= / のみが使用可能。  【使用例】 ※f1 はファイル、d1 はディレクトリ kavo /? …… 使用方法説明
  $ for o in '/d' 'a.txt /?' 'a.txt /help/d' 'a.txt /HELP' '/? a.txt' '/d a.txt /help'; do
  >   k a b $o > again.txt; echo $?; cmp again.txt usage.txt; done | paste -sd' '
  1 1 1 1 1 1
  $ rm usage.txt again.txt; cd .. && row tree
  bin/ bin/kavo.exe work/ work/a.txt

A second switch character and the file's options are listed.

  $ printf 'switch=-\n/d\n-v=c\n# /o\n/sh a  ; spaced\nnote\n' > bin/kavo.cfg
  $ cd work && k a b > usage.txt
  [1]
  $ for o in '-?' -help; do k a b a.txt $o > again.txt; echo $?; cmp again.txt usage.txt; done | paste -sd' '
  1 1
  $ wc -l < usage.txt; sed -n '232,239p' usage.txt | paste -sd' '
  322
  ・設定ファイル=<here>\bin\kavo.cfg ・現在設定=/d -v=c "/sh a" ・スイッチ文字= / 及び - が使用可能。   /p と -p は意味が同じになります。   /f/p と -f -p は意味が同じになります。   -スイッチではオプションの区切に空白が必須です。  【使用例】 ※f1 はファイル、d1 はディレクトリ

The command name and the configuration file follow the executable's file
name: its extension replaced, or ".cfg" appended where it has none.

  $ for f in rn kv.bin; do copy ../bin/$f; echo /d > ../bin/${f%.bin}.cfg
  >   run ../bin/$f a b | sed -n "4p;185p;206p;232,233p;\$p" | paste -sd' '; done
  rn □ 旧文字列 □ 新文字列［△ オプション群］□ ファイル名…   例えば、rn a b caaa.zaa の実行結果は caaa.zaa→cbaa.zaa となります。 ・rn 自身は、本コマンドで改名できません。 ・設定ファイル=<here>\bin\rn.cfg ・現在設定=/d rn /? …… 使用方法説明
  kv □ 旧文字列 □ 新文字列［△ オプション群］□ ファイル名…   例えば、kv a b caaa.zaa の実行結果は caaa.zaa→cbaa.zaa となります。 ・kv.bin 自身は、本コマンドで改名できません。 ・設定ファイル=<here>\bin\kv.cfg ・現在設定=/d kv /? …… 使用方法説明
  [1]

The old and new strings: the first test that finds its character decides;
an empty old string needs an anchor. Each ends the run with its stop line
before anything is renamed.

  $ for n in 'x*' /d '<' '>' '?' '"' '|' : '\' '?*'; do row kavo a "$n" a.txt; done | paste -sd' '
   \x07処理停止:ファイル名に "*" は使用できません。 [1]  \x07処理停止:ファイル名に "/" は使用できません。 [1]  \x07処理停止:ファイル名に "<" は使用できません。 [1]  \x07処理停止:ファイル名に ">" は使用できません。 [1]  \x07処理停止:ファイル名に "?" は使用できません。 [1]  \x07処理停止:ファイル名に " は使用できません。 [1]  \x07処理停止:ファイル名に "|" は使用できません。 [1]  \x07処理停止:ファイル名に ":" は使用できません。 [1]  \x07処理停止:ファイル名に "\\" は使用できません。 [1]  \x07処理停止:ファイル名に "*" は使用できません。 [1] (esc)
  $ row kavo '' x a.txt
   \x07処理停止:旧文字列に""は指定できません。 [1] (esc)
  $ row kavo '' x a.txt /ht
   \x07処理停止:旧文字列に""は指定できません。 [1] (esc)

An invalid option, alone or in a group, stops the run.

  $ row kavo a b a.txt /d/x/o
   \x07処理停止:無効オプション  /x/o ※オプション群 /d/x/o の一部が無効です。 ※引数なしで実行すると使用方法を表示します。  [1] (esc)
  $ row kavo a b a.txt /c/x
   \x07処理停止:無効オプション  /x ※オプション群 /c/x の一部が無効です。 ※引数なしで実行すると使用方法を表示します。  [1] (esc)
  $ kavo a b a.txt /x 2>/dev/null
  [1]
  $ rm usage.txt again.txt; tree
  a.txt <work/a.txt>
