// The usage text as the built command prints it: its lines byte for byte,
// its exit code, and its pages on a terminal.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/harness.h"
#include "tests/pty_harness.h"

namespace kavo_test {
namespace {

using Lines = std::vector<std::string>;

// The command copied into a directory of its own, so that its
// configuration file can be put beside it.
class UsageE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.dir("bin");
    dir_.dir("work");
    binary_ = dir_.at(executable_name("bin/kavo"));
    write_file(binary_, read_file(kavo_binary()));
    chmod(binary_.c_str(), 0755);
  }

  RunResult run(const Lines& args,
                const Lines& env = {"KAVO_ENCODING=CP932", "TZ=UTC"}) {
    RunSpec spec;
    spec.binary = binary_;
    spec.directory = dir_.at("work");
    spec.args = args;
    spec.env = env;
    return run_command(spec);
  }

  // The configuration file's path as the text shows it: the internal form,
  // with '\' between the directories.
  std::string shown_config_path() const {
    return program_path(dir_.at("bin/kavo.cfg"));
  }

  TempDir dir_;
  std::string binary_;
};

Lines split_lines(const std::string& text) {
  Lines lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Where `block` stands as consecutive whole lines of `lines`, at or after
// `from`; npos when it does not.
size_t find_block(const Lines& lines, const Lines& block, size_t from) {
  for (size_t i = from; i + block.size() <= lines.size(); ++i) {
    bool equal = true;
    for (size_t k = 0; k < block.size() && equal; ++k) {
      equal = lines[i + k] == block[k];
    }
    if (equal) return i;
  }
  return std::string::npos;
}

// The lines the text must hold word for word, as runs of consecutive lines
// in this order; between the runs stand the explanatory notes. The first
// run opens the text and the last one ends it.
std::vector<Lines> quoted_runs(const std::string& cmd,
                               const std::string& file_name,
                               const std::string& config_path,
                               const std::string& listing,
                               const Lines& switch_lines) {
  std::vector<Lines> runs;
  runs.push_back({
      "ファイル名置換コマンド",
      "kavo第1.37版  2005-04-19",
      "",
      cmd + " □ 旧文字列 □ 新文字列［△ オプション群］□ ファイル名…",
      "",
      "/d  ;[ON ]  サブディレクトリ処理モード  subDirectory",
      "/d- ;[OFF](既定)",
      "",
      "/o  ;[ON ]  上書モード  Over write",
      "/o- ;[OFF](既定)",
      "/or ;[書込禁止も上書]   Over write Read only attribute",
      "    ; /orオプションを指定すると、設定されていた "
      "/sarオプションは自動削除。",
      "",
      "/c  ;[ON ]  改名失敗時続行モード  Continue",
      "/c- ;[OFF](既定)",
      "",
      "/ff ;[ファイル    ]  ファイル種別モード  File File",
      "/f  ;[ファイル    ](既定) （/ff と同じ） File",
      "/fd ;[ディレクトリ]                      File Directory",
      "/fa ;[両用        ]（/f- と同じ）        File All",
      "    ;ファイル名にワイルドカードを使用しない場合は常に /fa となる。",
      "",
      "/e   ;[本体と拡張子両用   ]  拡張子モード              Extension",
      "/eb  ;[.を←検索した本体  ](既定) （/e-, /ebr と同じ） Extension Body "
      "Right",
      "/ebl ;[.を→検索した本体  ]                            Extension Body "
      "Left",
      "/ee  ;[.を←検索した拡張子]（/eer と同じ） Extension Extension Right",
      "/eel ;[.を→検索した拡張子]                Extension Extension Left",
      "",
      "/h  ;[ON  ]  文字列先頭一致モード  Head",
      "/h- ;[OFF ](既定)",
      "/ht ;[両端]（/h/t, /th と同じ）",
      "",
      "/t  ;[ON  ]  文字列末尾一致モード  Tail",
      "/t- ;[OFF ](既定)",
      "/th ;[両端]（/t/h, /ht と同じ）",
      "",
      "/date- ;[OFF](既定)  日時変換モード  DATE",
      "/date  ;[ON ] （/dateyyyymmdd-hhmmss と同じ）",
      "/dateyyyymmdd-hhmmss ;[4桁年月日-時分秒形式]",
      "/dateyyyymmdd-hhmm   ;[4桁年月日-時分形式]",
      "/dateyymmdd-hhmmss   ;[2桁年月日-時分秒形式]",
      "/dateyymmdd-hhmm     ;[2桁年月日-時分形式]",
      "/dateyyyymmdd        ;[4桁年月日形式]",
      "/dateyymmdd          ;[2桁年月日形式]",
      " ; 新文字列中の "
      "/文字をファイル日時の文字列に変換して、旧文字列を置換します。",
      " ; 重複していた場合は -n 形式で数字（2以上）が付加されます。例えば、",
      " ; yyyymmdd-hhmmss が重複していた場合は yyyymmdd-hhmmss-n となる。",
      "",
      "/datel<n> ;[任意値] 日時重複時付加数字上限  DATE Limit",
      "/datel    ;[999](既定)",
      "          ;<n> は 2以上の整数値。1 の場合は付加なし。0以下の場合は "
      "999。",
      "",
      "/date+<n> ;増補正秒数  DATE PLUS",
      "/date-<n> ;減補正秒数  DATE MINUS",
      "          ;<n> は 整数値",
      "",
      "/sort  ;[OFF]  ソート後改名モード  SORT",
      "/sort- ;[ON ](既定)",
      "",
      "/case  ;[ON ]  旧文字列半角英大小文字同一視モード  CASE",
      "/case- ;[OFF](既定)",
      "",
      "/fcase  ;[OFF]  ファイル名半角英大小文字同一視モード  File CASE",
      "/fcase- ;[ON ](既定)",
      "        ;引数のファイル名のみに作用し、以下のオプションには作用しない。",
      "",
      "/sh[<e>[,<e>...]] ;改名対象外先頭一致パス   Skip Head path",
      "/sH[<e>[,<e>...]] ;改名対象外先頭一致パス(大小区別)",
      "/st[<e>[,<e>...]] ;改名対象外末尾一致パス   Skip Tail path",
      "/sT[<e>[,<e>...]] ;改名対象外末尾一致パス(大小区別)",
      "/sp[<e>[,<e>...]] ;改名対象外パス           Skip Path",
      "/sP[<e>[,<e>...]] ;改名対象外パス(大小区別)",
      "/sd[<e>[,<e>...]] ;改名対象外ディレクトリ名 Skip Directory",
      "/sD[<e>[,<e>...]] ;改名対象外ディレクトリ名(大小区別)",
      "/sf[<e>[,<e>...]] ;改名対象外ファイル名     Skip File",
      "/sF[<e>[,<e>...]] ;改名対象外ファイル名(大小区別)",
      "/se[<e>[,<e>...]] ;改名対象外拡張子         Skip Extension",
      "/sE[<e>[,<e>...]] ;改名対象外拡張子(大小区別)",
      "/sa[<a>[,<a>...]] ;改名対象外属性           Skip Attribute",
      "/sA[<a>[,<a>...]] ;改名対象外属性(完全一致)",
      "",
      "/lh[<e>[,<e>...]] ;改名限定先頭一致パス     Limit Head path",
      "/lH[<e>[,<e>...]] ;改名限定先頭一致パス(大小区別)",
      "/lt[<e>[,<e>...]] ;改名限定末尾一致パス     Limit Tail path "
      "※ファイルのみ",
      "/lT[<e>[,<e>...]] ;改名限定末尾一致パス(大小区別)           "
      "※ファイルのみ",
      "/lp[<e>[,<e>...]] ;改名限定パス             Limit Path",
      "/lP[<e>[,<e>...]] ;改名限定パス(大小区別)",
      "/ld[<e>[,<e>...]] ;改名限定ディレクトリ名   Limit Directory",
      "/lD[<e>[,<e>...]] ;改名限定ディレクトリ名(大小区別)",
      "/lf[<e>[,<e>...]] ;改名限定ファイル名       Limit File",
      "/lF[<e>[,<e>...]] ;改名限定ファイル名(大小区別)",
      "/le[<e>[,<e>...]] ;改名限定拡張子           Limit Extension",
      "/lE[<e>[,<e>...]] ;改名限定拡張子(大小区別)",
      "/la[<a>[,<a>...]] ;改名限定属性             Limit Attribute",
      "/lA[<a>[,<a>...]] ;改名限定属性(完全一致)",
      "/ls[開始サイズ][-[終了サイズ]] ;改名限定サイズ  Limit Size",
      "  ;サイズはバイト値を実数で指定。倍数単位 K, M, G が使用可能。",
      "  ;  K（キロ）=1024, M（メガ）=1024*1024, G（ギガ）=1024*1024*1024",
      "",
      "/lydc[開始日時][-[終了日時]] ;改名限定DIR生成日時 Limit Year Directory "
      "Create",
      "/lydw[開始日時][-[終了日時]] ;改名限定DIR書込日時 Limit Year Directory "
      "Write",
      "/lydr[開始日時][-[終了日時]] ;改名限定DIR読出日時 Limit Year Directory "
      "Read",
      "/lyd[開始日時][-[終了日時]]  ; /lydw の場合と同じ",
      "/lyc[開始日時][-[終了日時]]  ;改名限定ファイル生成日時 Limit Year "
      "Create",
      "/lyw[開始日時][-[終了日時]]  ;改名限定ファイル書込日時 Limit Year Write",
      "/lyr[開始日時][-[終了日時]]  ;改名限定ファイル読出日時 Limit Year Read",
      "/ly[開始日時][-[終了日時]]   ; /lyw の場合と同じ",
      "  ;日時は YYYY[MM[DD[HH[MM[SS]]]]] の形式",
      "",
      "  ;/s～オプションは OR結合で対象外にする。",
      "  ;/l～オプションは AND結合で限定する。同一オプション内は "
      "OR結合で限定。",
      "  ;限定よりも対象外オプションが優先。",
      "  ;/sd,sD,ld,lD,lyd～オプションは、ディレクトリのみに作用。",
      "  "
      ";/sf,sF,se,sE,lf,lF,le,lE,lt,lT,ls,ly～オプションはファイルのみに作用。",
      "  ;/s～,l～オプションを無効にするには、<e>, <a>, 日時なしで指定。",
      "  ;<e>は要素（element）で、ファイル名, ディレクトリ名, パス名, 拡張子。",
      "  ;<e>はワイルドカードも可能（/lh,lH,lt,lT,lp,lP では末尾のみ）。",
      "  ;先頭末尾一致は \\ や : を区切りに比較。",
      "  ;<a>は属性で、次の文字の組み合わせで指定。",
      "  ; d:ディレクトリ属性 Directory attribute",
      "  ; r:読出専用属性 Read only attribute／w:書込可属性 Write attribute",
      "  ; h:隠しファイル属性（不可視ファイル属性） Hidden file attribute",
      "  ; s:システムファイル属性 System file attribute",
      "  ; a:未保管属性 Archive attribute",
      "",
      "/v[<m>][<e>...][<m>[<e>...]...] ;表示設定  Verbose",
      " <m>=+ ;付加      plus",
      "     - ;削除      minus （省略時）",
      "     = ;強制設定  equal",
      " <e>=a ;すべて                  All",
      "     c ;改名ファイル表示        Compelte",
      "     n ;非改名ファイル表示      Non",
      "     k ;改名対象外ファイル表示  sKip",
      "     e ;改名不能ファイル表示    Error",
      "     f ;終了合計表示            Finish",
      "/v ;[標準](既定) （/v=cef と同じ）",
      "",
      "/time[<n>];処理時間表示開始秒数  TIME",
      "          ;<n>は整数、負値で表示なし、既定 /time300",
      "",
      "/log<file> ;[ON  ]  ログ・ファイル出力モード  LOG file",
      "/LOG<file> ;[追加]",
      "/log       ;[OFF ](既定)",
      "           ;<file>はログ・ファイルのファイル名",
      "",
      "/test  ;[ON ]  試験モード（表示のみ、改名せず） TEST",
      "/test- ;[OFF](既定)",
      "",
      "/p  ;[ON ]  画面一時停止モード  Pause",
      "/p- ;[OFF](既定)",
      "",
      "/?, /help ;使用方法説明（設定ファイルに登録不可） HELP",
      "",
      "【終了コード】",
      "0:エラーなし、改名成功",
      "1:エラー発生、改名中断",
      "2:エラー発生、改名継続",
      "",
      "【解説】",
      "・旧文字列と新文字列を指定し、複数のファイル名を置換して改名するコマンド"
      "です。",
      "・実行すると、以下のように表示されます。",
      "  元ファイル名→新ファイル名 …… 改名成功（/v+cオプション）",
      "  元ファイル名=>新ファイル名 …… 上書改名成功（/v+c, /oオプション）",
      "  元ファイル名≠新ファイル名 …… 改名失敗（/v+eオプション）",
      "・新文字列に \"\" を指定すると、旧文字列を削除することが出来ます。",
      "・ファイル名は複数指定可能で、ワイルドカード(?, *)も使用できます。",
      "・旧文字列にも、ワイルドカード(?, *)が使用できます。",
      "  ? は万能文字で任意の 1バイトの文字と一致します。",
      "  * は可変万能文字で任意の 0バイト以上の文字と一致します。",
      "  ?* は任意の 1バイト以上の文字と一致します。",
      "・<n>を使用するオプションにおいて、<n>の指定がない場合は 0 "
      "が指定されたことになります。",
  });
  runs.push_back({
      "・/pオプション（画面一時停止モード[ON]）を指定すると実行結果の表示がペ"
      "ージ毎されます。",
  });
  runs.push_back({
      "  なお、出力結果をリダイレクトした場合は、画面一時停止が自動的に解除さ"
      "れます（/p-オプションが指定されたことになります）。",
      "",
      "【注意】",
      "・/caseオプション（旧文字列半角英大小文字同一視モード[ON]）を指定する"
      "と、文字列改名の大文字と小文字を区別しません。",
  });
  runs.push_back({
      "・空白を含んだ文字列は \"～\" で囲みます。",
      "・/hオプション時（文字列先頭一致モード[ON]）に、旧文字列に \"\" を指定"
      "した場合は、先頭に新文字列を挿入します。",
      "・/tオプション時（文字列末尾一致モード[ON]）に、旧文字列に \"\" を指定"
      "した場合は、末尾に新文字列を追加します。",
      "",
      "【ファイル名】",
      "・以下の 24個の半角記号と、英数字, 漢字（シフトJIS）がファイル名に使用"
      "可能です。",
      "  空白 ! # $ % & ' ( ) + , - . ; = @ [ ] ^ _ ` { } ~",
      "・以下の 9個の半角記号はファイル名に使用できません。",
      "  * / : < > ? \" \\ |",
  });
  runs.push_back({
      "",
      "【ファイルとディレクトリの指定方法】",
      "・ファイル名は複数指定可能で、ワイルドカード(?, *)も使用できます。",
      "・8.3形式のファイル名（~が付いたファイル名）を指定した場合は、自動的に"
      "ロングファイル名に変換され処理されます。",
      "・隠しファイル（不可視ファイル）やシステム・ファイルも改名します。",
      // The executable's real file name: no ".exe" where it has none.
      "・" + file_name + " 自身は、本コマンドで改名できません。",
  });
  runs.push_back({"", "【ファイル日時改名】"});
  runs.push_back({
      "・新文字列に指定できる /文字は 1文字だけです。",
      "・日時の形式は 6種類から選ぶことが出来ます。",
  });
  runs.push_back({
      "・/date+,/date-オプション（補正秒数）で日時を秒単位で補正することが出"
      "来ます。",
      "",
      "【設定ファイル】",
  });
  Lines last = {"", "・設定ファイル=" + config_path, "・現在設定=" + listing};
  last.insert(last.end(), switch_lines.begin(), switch_lines.end());
  Lines examples = {
      "",
      "【使用例】 ※f1 はファイル、d1 はディレクトリ",
      cmd +
          " ABC 123 *.txt …… "
          "拡張子\"txt\"のファイル名本体の\"ABC\"を\"123\"に変更",
      cmd + " a b /d *.txt …… サブディレクトリも処理",
      cmd + " a b /o *.txt …… 上書モード",
      cmd + " a b /c *.txt …… 改名失敗があっても続行",
      cmd + " a b /c- *.txt …… 改名失敗があったら終了《既定》",
      cmd + " ABC 12345 *.txt …… \"ABC\"を\"12345\"に変更",
      cmd + " ABC 12345 /case  *.txt …… 旧文字列の半角英大小文字同一視",
      cmd + " ABC 12345 /case- *.txt …… 旧文字列の半角英大小文字区別《既定》",
      cmd +
          " ABC 12345 /case- /fcase *.txt …… "
          "旧文字列とファイル名の半角英大小文字区別",
      cmd + " ABC 12345 /sort  *.txt …… ファイル名をソートせず改名",
      cmd + " ABC 12345 /sort- *.txt …… ソートした後で改名《既定》",
      cmd + " a*b _xyz_ *.txt …… \"a\"～\"b\"を\"_xyz_\"に変更",
      cmd + " a* \"\" *.txt …… \"a\"以降を削除",
      cmd + " a XY *.txt /h …… ファイル名本体先頭の\"a\"を\"XY\"に変更",
      cmd + " a XY *.txt /t …… ファイル名本体末尾の\"a\"を\"XY\"に変更",
      cmd + " a XY * /h /t …… ファイル名本体が\"a\"からなる場合に、",
      "                       ファイル名本体を\"XY\"に変更",
      cmd + " a XY * /ht …… 上と同じ動作",
      cmd +
          " a a0 a?.txt …… a1.txt, a2.txt, ... を a01.txt, a02.txt, ... に変更",
      cmd + " v v0 *.v? /ee …… a.v1, a.v2, ... を a.v01, a.v02, ... に変更",
      cmd + " ABC 12 * /e …… ファイル名全体の\"ABC\"を\"12\"に変更",
      cmd + " ABC 12 * /eb …… ファイル名本体の\"ABC\"を\"12\"に変更《既定》",
      cmd + " _tar.gz .tar.gz *.gz /e /t …… 末尾\"_tar.gz\"を\".tar.gz\"に変更",
      cmd + " htm html *.html /ee …… 拡張子\"htm\"を\"html\"に変更",
      cmd + " net co.jp *.net /ee …… 拡張子\"net\"を\"co.jp\"に変更",
      cmd + " co.jp net *.co.jp /eel …… 拡張子\"co.jp\"を\"net\"に変更",
      cmd + " txt \"\" *.txt /ee …… 拡張子\"txt\"を削除",
      cmd + " \"\" txt * /ee …… 拡張子のないファイルに拡張子\"txt\"を付加",
      cmd + " \"\" AB * /e /h…… ファイル名先頭（本体先頭）に\"AB\"を挿入",
      cmd + " \"\" CD * /e /t…… ファイル名末尾（拡張子末尾）に\"CD\"を追加",
      cmd + " \"\" AB * /h…… ファイル名本体先頭に\"AB\"を挿入",
      cmd + " \"\" CD * /h…… ファイル名本体末尾に\"CD\"を追加",
      cmd + " \"\" AB * /ee /h…… 拡張子先頭に\"AB\"を挿入",
      cmd + " \"\" CD * /ee /t…… 拡張子末尾に\"CD\"を追加",
      cmd +
          " img* img/ *.jpg /date …… img以下の文字列を "
          "YYYYMMDD-HHMMSS形式の日時文字列に変更",
      cmd +
          " * /.jpg *.jpg /ee /dateyyyymmdd …… "
          "拡張子\".jpg\"を\".YYYYMMDD形式日付.jpg\"に変更",
      cmd +
          " .jpg /.jpg *.jpg /e /t /case /dateyyyymmdd …… "
          "\"～.jpg\"や\"～.JPG\"を\"～YYYYMMDD.jpg\"に変更",
      cmd + " img* img/ *.jpg /date+5 …… 5秒進んだ日時の文字列に変更",
      cmd + " a b c: …… ドライブC のファイルを改名",
      cmd + " a b c:\\f1 …… ドライブC のファイルf1 を改名",
      cmd +
          " a b \\\\server\\c …… ネットワーク・ドライブ \\\\server\\c "
          "のファイルを改名",
      cmd +
          " a b \\\\server\\c\\f1 …… ネットワーク・ファイル \\\\server\\c\\f1 "
          "を改名",
      cmd + " a b * /f …… ファイルのみを処理《既定》",
      cmd + " a b * /fd …… ディレクトリのみを処理",
      cmd + " a b * /fa …… ファイルとディレクトリ両方を処理",
      cmd + " a b C:\\ /d /shC:\\d1 …… C:\\d1 以下は対象外",
      cmd + " a b * /d /shC:d1a,c:d1b …… C:d1a と C:d1b 以下は対象外",
      cmd +
          " a b C:\\ /d /shC:\\d1a,c:\\d1b\\*\\sc …… C:\\d1a と C:\\d1b\\*\\sc "
          "以下は対象外",
      cmd +
          " a b C:\\   /d /ltC:\\*\\ …… "
          "Cドライブのルートにあるファイルは対象外",
      cmd + " a b C:\\d1 /d /ltC:\\d1\\*\\ …… C:\\d1直下にあるファイルは対象外",
      cmd + " a b d1 /d /spd1\\sa\\f1 …… ファイル d1\\sa\\f1 は対象外",
      cmd + " a b * /d /sdold …… ディレクトリold 以下は対象外",
      cmd + " a b * /d /sdo*  …… ディレクトリo* 以下は対象外",
      cmd + " a b * /d /seobj,lib,exe,htm? …… 拡張子obj,lib,exe,htm? は対象外",
      cmd +
          " a b * /d /sas,ds …… 属性 s ファイルと、属性 s "
          "のディレクトリ以下は対象外",
      cmd + " a b d1 /d /lhd1\\abc?\\* …… ディレクトリd1\\abc? 以下のみ改名",
      cmd +
          " a b d1 /d /lhd1\\abc? /ltd1\\*\\* …… ディレクトリd1\\abc? "
          "以下のみ改名（上と同じ動作）",
      cmd + " a b * /ls1K       …… 1Kバイトのファイルを改名",
      cmd + " a b * /ls0.9M-    …… 0.9Mバイト以上のファイルを改名",
      cmd + " a b * /ls-1048575 …… 1Mバイト未満のファイルを改名",
      cmd + " a b * /ls3M-5M    …… 3～5Mバイトのファイルを改名",
      cmd + " a b * /ly2001     …… 2001年のファイルを改名",
      cmd + " a b * /ly200104   …… 2001年4月のファイルを改名",
      cmd + " a b * /ly20010417 …… 2001年4月17日のファイルを改名",
      cmd +
          " a b * /ly20010417123456 …… "
          "2001年4月17日12時34分56秒のファイルを改名",
      cmd + " a b * /ly20010417- …… 2001年4月17日からのファイルを改名",
      cmd +
          " a b * /ly20010417-20180625 …… "
          "2001年4月17日～2018年6月25日のファイルを改名",
      cmd + " a b * /ly-20180625 …… 2018年6月25日までのファイルを改名",
      cmd + " a b * /v= …… 表示なし",
      cmd + " a b * /v=c  …… 改名した場合のみ表示",
      cmd + " a b * /v+n  …… 非改名も表示",
      cmd + " a b * /v+k  …… 改名対象外も表示",
      cmd + " a b * /v+nk …… 非改名も改名対象外も表示",
      cmd + " a b * /v=e  …… 改名失敗した場合のみ表示",
      cmd + " a b * /p   …… 画面一時停止あり",
      cmd + " a b * /p-  …… 画面一時停止なし《既定》",
      cmd + " a b * /logc:\\tmp\\f1.log …… c:\\tmp\\f1.logへログ・ファイル出力",
      cmd + " a b * /LOGc:\\tmp\\f1.log …… ログ・ファイル追加出力",
      cmd + " a b * /time60 …… 60秒以上で処理時間表示",
      cmd + " a b * /time-1 …… 処理時間表示なし",
      cmd + " a b * /test …… 試験モード（表示のみ、改名せず）",
      cmd + " /? …… 使用方法説明",
  };
  last.insert(last.end(), examples.begin(), examples.end());
  runs.push_back(last);
  return runs;
}

// Checks that the runs stand in `text` in order, the first at its start
// and the last at its end.
void expect_quoted_runs(const std::string& text,
                        const std::vector<Lines>& runs) {
  Lines lines = split_lines(text);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  size_t at = 0;
  for (size_t r = 0; r < runs.size(); ++r) {
    size_t found = find_block(lines, runs[r], at);
    ASSERT_NE(found, std::string::npos)
        << "run " << r << " starting \"" << runs[r][0] << "\" not found";
    if (r == 0) {
      EXPECT_EQ(found, 0u);
    }
    at = found + runs[r].size();
  }
  EXPECT_EQ(at, lines.size()) << "text after the last example";
}

Lines standard_switch_lines() { return {"・スイッチ文字= / のみが使用可能。"}; }

const char kNoConfig[] = "設定ファイルが存在しません。";

TEST_F(UsageE2E, WithoutFileArgumentsTheWholeTextIsShown) {
  RunResult r = run({"a", "b"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "");
  // On a pipe no prompt is shown; the text names the prompt once.
  size_t note = r.out.find("(Continue,/All/Quit)");
  ASSERT_NE(note, std::string::npos);
  EXPECT_EQ(r.out.find("(Continue,/All/Quit)", note + 1), std::string::npos);
  expect_quoted_runs(
      r.out, quoted_runs("kavo", executable_name("kavo"), shown_config_path(),
                         kNoConfig, standard_switch_lines()));
}

TEST_F(UsageE2E, HelpOptionsShowTheSameText) {
  RunResult plain = run({"a", "b"});
  const Lines requests[] = {
      {"a", "b", "x", "/?"},          {"a", "b", "x", "/help/d"},
      {"a", "b", "x", "/HELP"},       {"a", "b", "/?", "x"},
      {"a", "b", "/d", "x", "/help"},
  };
  for (const Lines& args : requests) {
    RunResult r = run(args);
    EXPECT_EQ(r.exit_code, 1) << args[3];
    EXPECT_EQ(r.err, "") << args[3];
    EXPECT_EQ(r.out, plain.out) << args[3];
  }
  // Arguments 1 and 2 are never options.
  RunResult r = run({"/?", "/help"});
  EXPECT_EQ(r.out, plain.out);
}

TEST_F(UsageE2E, ListsTheConfiguredOptionsAndSwitchCharacter) {
  write_file(dir_.at("bin/kavo.cfg"),
             "switch=-\n/d\n-v=c\n# /o\n/sh a  ; spaced\nnote\n");
  Lines switch_lines = {
      "・スイッチ文字= / 及び - が使用可能。",
      "  /p と -p は意味が同じになります。",
      "  /f/p と -f -p は意味が同じになります。",
      "  -スイッチではオプションの区切に空白が必須です。",
  };
  for (const Lines& args : {Lines{"a", "b"}, Lines{"a", "b", "x", "-?"},
                            Lines{"a", "b", "x", "-help"}}) {
    RunResult r = run(args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "");
    expect_quoted_runs(
        r.out, quoted_runs("kavo", executable_name("kavo"), shown_config_path(),
                           "/d -v=c \"/sh a\"", switch_lines));
  }
}

TEST_F(UsageE2E, NamesComeFromTheExecutablesFileName) {
  const struct {
    const char* file;
    const char* command;
    const char* config;
  } cases[] = {{"rn", "rn", "rn.cfg"}, {"kv.bin", "kv", "kv.cfg"}};
  for (const auto& c : cases) {
    std::string binary = dir_.at(std::string("bin/") + c.file);
    write_file(binary, read_file(kavo_binary()));
    chmod(binary.c_str(), 0755);
    write_file(dir_.at(std::string("bin/") + c.config), "/d\n");
    RunSpec spec;
    spec.binary = binary;
    spec.directory = dir_.at("work");
    spec.args = {"a", "b"};
    RunResult r = run_command(spec);
    EXPECT_EQ(r.exit_code, 1) << c.file;
    std::string config = shown_config_path();
    config = config.substr(0, config.size() - 8) + c.config;
    expect_quoted_runs(r.out, quoted_runs(c.command, c.file, config, "/d",
                                          standard_switch_lines()));
  }
}

TEST_F(UsageE2E, ConvertedForAUtf8Terminal) {
  if (windows_build()) GTEST_SKIP() << "the external encoding is Linux's";
  RunResult r = run({"a", "b"}, {"KAVO_ENCODING=UTF-8", "TZ=UTC"});
  EXPECT_EQ(r.exit_code, 1);
  Lines lines = split_lines(r.out);
  ASSERT_GT(lines.size(), 3u);
  EXPECT_EQ(lines[0],
            reinterpret_cast<const char*>(u8"ファイル名置換コマンド"));
  EXPECT_EQ(lines[3], reinterpret_cast<const char*>(
                          u8"kavo □ 旧文字列 □ 新文字列［△ オプション群］□ "
                          u8"ファイル名…"));
  EXPECT_NE(r.out.find(reinterpret_cast<const char*>(
                u8"\n・現在設定=設定ファイルが存在しません。\n")),
            std::string::npos);
}

// A prompt stands at the start of a line; the text's own note that names
// the prompt does not.
const char kPrompt[] = "\n(Continue,/All/Quit)";

// On a terminal the text stops at each of its 22 page breaks.
TEST_F(UsageE2E, PagesStopAtEachBreakOnATerminal) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  PtySpec spec;
  spec.binary = binary_;
  spec.directory = dir_.at("work");
  spec.args = {"a", "b"};
  spec.rows = 40;
  PtySession session(spec);
  int prompts = 0;
  while (session.wait_for(kPrompt, 5000)) {
    ++prompts;
    ASSERT_TRUE(session.answer("c"));
  }
  EXPECT_EQ(session.finish(), 1);
  EXPECT_EQ(prompts, 22);
  EXPECT_NE(session.screen().find("kavo /? …… 使用方法説明"),
            std::string::npos);
}

TEST_F(UsageE2E, QuitAndAllAtTheFirstBreak) {
  if (windows_build()) GTEST_SKIP() << "drives a Linux terminal";
  PtySpec spec;
  spec.binary = binary_;
  spec.directory = dir_.at("work");
  spec.args = {"a", "b"};
  PtyResult quit = run_in_pty(spec, {{kPrompt, "q"}});
  EXPECT_TRUE(quit.all_steps_seen);
  EXPECT_EQ(quit.exit_code, 1);
  EXPECT_EQ(quit.screen.find("/eb  ;"), std::string::npos);

  PtyResult all = run_in_pty(spec, {{kPrompt, "a"}});
  EXPECT_TRUE(all.all_steps_seen);
  EXPECT_EQ(all.exit_code, 1);
  size_t first = all.screen.find(kPrompt);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(all.screen.find(kPrompt, first + 1), std::string::npos);
  EXPECT_NE(all.screen.find("kavo /? …… 使用方法説明"), std::string::npos);
}

// A faulty configuration file stops even a request for the usage text.
TEST_F(UsageE2E, FaultyConfigurationStopsBeforeTheText) {
  write_file(dir_.at("bin/kavo.cfg"), "/d\n\x7f\n");
  RunResult r = run({"a", "b"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "\n\a処理停止:設定ファイル\"" + shown_config_path() +
                "\"が異常です。2行目にバイナリ・データを検出しました。\n");
}

}  // namespace
}  // namespace kavo_test
