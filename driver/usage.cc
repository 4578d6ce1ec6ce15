// The usage text: 23 pages written straight to standard output (neither
// logged nor counted by the run pager), stopped at each page break by the
// help pager when standard output is a console.

#include "driver/usage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/config_file.h"
#include "output/channels.h"
#include "output/pager.h"
#include "text/sjis.h"

namespace kavo {
namespace {

constexpr char kBuildDate[] = "Apr 19 2005";

// The names the text shows for the executable at hand.
struct UsageNames {
  std::string command;      // its file name without extension
  std::string file_name;    // its file name as stored
  std::string config_file;  // the configuration file's path
};

// The command name follows the configuration file's own rule: the file
// name's extension is replaced ("kavo.exe" reads "kavo.cfg") or, where
// there is none, appended ("kavo" reads "kavo.cfg"). The file shown is the
// one the run reads, which need not lie beside the executable.
UsageNames usage_names(const std::string& program_path,
                       const std::string& config_file) {
  std::string path = program_path.empty() ? kProgramName : program_path;
  UsageNames names;
  names.config_file = config_file;
  std::string beside = config_path(path);
  std::string stem = beside.substr(0, beside.size() - 4);
  size_t separator = sjis_find_last_char(stem, '\\');
  size_t start = separator == kNoPosition ? 0 : separator + 1;
  names.command = stem.substr(start);
  names.file_name = path.substr(start);
  return names;
}

// "Apr 19 2005" gives "2005-04-19"; an unknown month gives 13.
std::string build_date_text(const char* date) {
  static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  int month = 1;
  while (month <= 12 && strncmp(kMonths + (month - 1) * 3, date, 3) != 0) {
    ++month;
  }
  char text[32];
  snprintf(text, sizeof text, "%s-%02d-%02d", date + 7, month, atoi(date + 4));
  return text;
}

template <size_t N>
void print_lines(const char* const (&lines)[N]) {
  for (const char* line : lines) print_unpaged("%s\n", line);
}

// Example lines: the command name, one space, the arguments and comment.
template <size_t N>
void print_examples(const UsageNames& names, const char* const (&lines)[N]) {
  for (const char* line : lines) {
    print_unpaged("%s %s\n", names.command.c_str(), line);
  }
}

const char* const kPage1[] = {
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
};

const char* const kPage2[] = {
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
};

const char* const kPage3[] = {
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
    "          ;<n> は 2以上の整数値。1 の場合は付加なし。0以下の場合は 999。",
    "",
    "/date+<n> ;増補正秒数  DATE PLUS",
    "/date-<n> ;減補正秒数  DATE MINUS",
    "          ;<n> は 整数値",
};

const char* const kPage4[] = {
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
};

const char* const kPage5[] = {
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
};

const char* const kPage6[] = {
    "",
    "/lh[<e>[,<e>...]] ;改名限定先頭一致パス     Limit Head path",
    "/lH[<e>[,<e>...]] ;改名限定先頭一致パス(大小区別)",
    "/lt[<e>[,<e>...]] ;改名限定末尾一致パス     Limit Tail path ※ファイルのみ",
    "/lT[<e>[,<e>...]] ;改名限定末尾一致パス(大小区別)           ※ファイルのみ",
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
};

const char* const kPage7[] = {
    "",
    "/lydc[開始日時][-[終了日時]] ;改名限定DIR生成日時 Limit Year Directory "
    "Create",
    "/lydw[開始日時][-[終了日時]] ;改名限定DIR書込日時 Limit Year Directory "
    "Write",
    "/lydr[開始日時][-[終了日時]] ;改名限定DIR読出日時 Limit Year Directory "
    "Read",
    "/lyd[開始日時][-[終了日時]]  ; /lydw の場合と同じ",
    "/lyc[開始日時][-[終了日時]]  ;改名限定ファイル生成日時 Limit Year Create",
    "/lyw[開始日時][-[終了日時]]  ;改名限定ファイル書込日時 Limit Year Write",
    "/lyr[開始日時][-[終了日時]]  ;改名限定ファイル読出日時 Limit Year Read",
    "/ly[開始日時][-[終了日時]]   ; /lyw の場合と同じ",
    "  ;日時は YYYY[MM[DD[HH[MM[SS]]]]] の形式",
};

const char* const kPage8[] = {
    "",
    "  ;/s～オプションは OR結合で対象外にする。",
    "  ;/l～オプションは AND結合で限定する。同一オプション内は OR結合で限定。",
    "  ;限定よりも対象外オプションが優先。",
    "  ;/sd,sD,ld,lD,lyd～オプションは、ディレクトリのみに作用。",
    "  ;/sf,sF,se,sE,lf,lF,le,lE,lt,lT,ls,ly～オプションはファイルのみに作用。",
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
};

const char* const kPage9[] = {
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
};

const char* const kPage10[] = {
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
    "/undo ;最後の改名の取消（旧文字列の位置に指定）  UNDO",
    "      ;繰り返すとその前の改名を取消。/oで上書きしたファイルはごみ箱から戻す。",
    "",
    "/?, /help ;使用方法説明（設定ファイルに登録不可） HELP",
    "",
    "【終了コード】",
};

const char* const kPage11[] = {
    "",
    "【解説】",
    "・旧文字列と新文字列を指定し、複数のファイル名を置換して改名するコマンドで"
    "す。",
    "・実行すると、以下のように表示されます。",
    "  元ファイル名→新ファイル名 …… 改名成功（/v+cオプション）",
    "  元ファイル名=>新ファイル名 …… 上書改名成功（/v+c, /oオプション）",
    "  元ファイル名≠新ファイル名 …… 改名失敗（/v+eオプション）",
    "・新文字列に \"\" を指定すると、旧文字列を削除することが出来ます。",
};

const char* const kPage12[] = {
    "・ファイル名は複数指定可能で、ワイルドカード(?, *)も使用できます。",
    "・旧文字列にも、ワイルドカード(?, *)が使用できます。",
    "  ? は万能文字で任意の 1バイトの文字と一致します。",
    "  * は可変万能文字で任意の 0バイト以上の文字と一致します。",
    "  ?* は任意の 1バイト以上の文字と一致します。",
    "・<n>を使用するオプションにおいて、<n>の指定がない場合は 0 "
    "が指定されたことになります。",
    "・オプションが重複する場合は、設定ファイルよりもコマンドラインが優先され、"
    "後に指定したものが有効になります。",
    "  設定ファイルでは下の行、コマンドラインでは右側のものが有効です。例えば、"
    "/v=c /v=a では /v=a が有効です。",
    "・/pオプション（画面一時停止モード[ON]）を指定すると実行結果の表示がページ"
    "毎されます。",
    "  ページ末尾の (Continue,/All/Quit) の表示で、[C]（または[Enter]）キーを押"
    "すと続行、",
    "  "
    "[A]キーで一時停止を解除して全て実行、[Q]（または[Esc]）キーで処理を中止し"
    "ます。",
    "  "
    "なお、出力結果をリダイレクトした場合は、画面一時停止が自動的に解除されます"
    "（/p-オプションが指定されたことになります）。",
};

const char* const kPage13Head[] = {
    "",
    "【注意】",
    "・/"
    "caseオプション（旧文字列半角英大小文字同一視モード[ON]）を指定すると、文"
    "字列改名の大文字と小文字を区別しません。",
    "・置換は 1つのファイル名につき 1回だけ行われます。",
};

const char* const kPage13Tail[] = {
    "・拡張子はピリオド(.)の後の部分です。ピリオドが複数ある場合は、",
    "  /eb, /ebr, /ee, /eer は右端の、/ebl, /eel "
    "は左端のピリオドで区切ります。",
    "・空白を含んだ文字列は \"～\" で囲みます。",
    "・/hオプション時（文字列先頭一致モード[ON]）に、旧文字列に \"\" "
    "を指定した場合は、先頭に新文字列を挿入します。",
    "・/tオプション時（文字列末尾一致モード[ON]）に、旧文字列に \"\" "
    "を指定した場合は、末尾に新文字列を追加します。",
};

const char* const kPage14[] = {
    "",
    "【ファイル名】",
    "・以下の 24個の半角記号と、英数字, "
    "漢字（シフトJIS）がファイル名に使用可能で"
    "す。",
    "  空白 ! # $ % & ' ( ) + , - . ; = @ [ ] ^ _ ` { } ~",
    "・以下の 9個の半角記号はファイル名に使用できません。",
    "  * / : < > ? \" \\ |",
    "・Windows と MS-DOS では、AUX, CON, PRN, NUL は大文字小文字に関係なく、"
    "3文字以下の拡張子を",
    "  付けても付けなくても（Windows NT 系では "
    "4文字以上の拡張子でも）ファイル名"
    "に使用できません。",
    "  さらに、MS-DOS では CLOCK、Windows 95 系では COM1～COM4（NEC PC-9800シリ"
    "ーズでは COM1～COM3）,",
    "  CLOCK$, LPT1～LPT9, XMSXXXX0、Windows NT 系では COM1～COM9, LPT1～LPT9 "
    "も使用できません。",
};

const char* const kPage15Head[] = {
    "",
    "【ファイルとディレクトリの指定方法】",
    "・ファイル名は複数指定可能で、ワイルドカード(?, *)も使用できます。",
    "・8.3形式のファイル名（~"
    "が付いたファイル名）を指定した場合は、自動的にロング"
    "ファイル名に変換され処理されます。",
    "・隠しファイル（不可視ファイル）やシステム・ファイルも改名します。",
};

const char* const kPage15Middle[] = {
    "・/d と /fa "
    "を指定してワイルドカードを使用した場合は、一致したファイルとディ"
    "レクトリの両方を改名します。",
    "・/d と /fd（または "
    "/fa）を指定した場合は、改名したディレクトリを新しい名前"
    "で処理します。",
    "  /test では改名しないため、/test- の場合とは表示結果が異なります。",
    "・/d と /fa を指定してワイルドカードを使用しない場合は、末尾に \\ "
    "がなくても"
    "引数をディレクトリとして、",
    "  "
    "その下のすべてのファイルを改名します。ディレクトリが存在しない場合は処理を"
    "中止します。",
    "  引数をファイルとして処理するには、/fa の代わりに /ff を指定します。",
    "・ディレクトリをワイルドカードで指定する場合は、/lh "
    "にワイルドカードを含むディレクトリを指定して /d を付けます。",
};

const char* const kPage16[] = {
    "",
    "【ファイル日時改名】",
    "・/"
    "dateオプション（日時変換モード[ON]）を指定すると、ファイルの日時で改名す"
    "ることが出来ます。",
    "  新文字列中の /文字が YYYYMMDD-HHMMSS 形式の日時文字列に変換されます。",
    "・新文字列に指定できる /文字は 1文字だけです。",
    "・日時の形式は 6種類から選ぶことが出来ます。",
    "・改名後のファイル名が重複する場合は、-n "
    "形式で数字（2以上）が付加されます。",
    "  例えば、20030417-060352 は 20030417-060352-2 となります。",
    "・付加する数字の上限は /datel "
    "オプションで指定します。上限を超えた場合は改名しません。",
    "・/date+,/"
    "date-オプション（補正秒数）で日時を秒単位で補正することが出来ます"
    "。",
};

const char* const kPage17[] = {
    "",
    "【設定ファイル】",
    "・オプション等の設定を登録するテキスト・ファイルで、テキスト・エディタで変"
    "更できます。",
    "  起動時に毎回、コマンドのあるディレクトリから読み込まれます。",
    "  ファイル名は、コマンドのファイル名の拡張子を cfg にしたものです。",
    "",
};

// One comment runs on to a second line, indented to stand under the first.
const char* const kExamples18[] = {
    "ABC 123 *.txt …… 拡張子\"txt\"のファイル名本体の\"ABC\"を\"123\"に変更",
    "a b /d *.txt …… サブディレクトリも処理",
    "a b /o *.txt …… 上書モード",
    "a b /c *.txt …… 改名失敗があっても続行",
    "a b /c- *.txt …… 改名失敗があったら終了《既定》",
    "ABC 12345 *.txt …… \"ABC\"を\"12345\"に変更",
    "ABC 12345 /case  *.txt …… 旧文字列の半角英大小文字同一視",
    "ABC 12345 /case- *.txt …… 旧文字列の半角英大小文字区別《既定》",
    "ABC 12345 /case- /fcase *.txt …… 旧文字列とファイル名の半角英大小文字区別",
    "ABC 12345 /sort  *.txt …… ファイル名をソートせず改名",
    "ABC 12345 /sort- *.txt …… ソートした後で改名《既定》",
    "a*b _xyz_ *.txt …… \"a\"～\"b\"を\"_xyz_\"に変更",
    "a* \"\" *.txt …… \"a\"以降を削除",
    "a XY *.txt /h …… ファイル名本体先頭の\"a\"を\"XY\"に変更",
    "a XY *.txt /t …… ファイル名本体末尾の\"a\"を\"XY\"に変更",
    "a XY * /h /t …… ファイル名本体が\"a\"からなる場合に、\n"
    "                       ファイル名本体を\"XY\"に変更",
    "a XY * /ht …… 上と同じ動作",
    "a a0 a?.txt …… a1.txt, a2.txt, ... を a01.txt, a02.txt, ... に変更",
    "v v0 *.v? /ee …… a.v1, a.v2, ... を a.v01, a.v02, ... に変更",
    "ABC 12 * /e …… ファイル名全体の\"ABC\"を\"12\"に変更",
    "ABC 12 * /eb …… ファイル名本体の\"ABC\"を\"12\"に変更《既定》",
};

const char* const kExamples19[] = {
    "_tar.gz .tar.gz *.gz /e /t …… 末尾\"_tar.gz\"を\".tar.gz\"に変更",
    "htm html *.html /ee …… 拡張子\"htm\"を\"html\"に変更",
    "net co.jp *.net /ee …… 拡張子\"net\"を\"co.jp\"に変更",
    "co.jp net *.co.jp /eel …… 拡張子\"co.jp\"を\"net\"に変更",
    "txt \"\" *.txt /ee …… 拡張子\"txt\"を削除",
    "\"\" txt * /ee …… 拡張子のないファイルに拡張子\"txt\"を付加",
    "\"\" AB * /e /h…… ファイル名先頭（本体先頭）に\"AB\"を挿入",
    "\"\" CD * /e /t…… ファイル名末尾（拡張子末尾）に\"CD\"を追加",
    "\"\" AB * /h…… ファイル名本体先頭に\"AB\"を挿入",
    "\"\" CD * /h…… ファイル名本体末尾に\"CD\"を追加",
    "\"\" AB * /ee /h…… 拡張子先頭に\"AB\"を挿入",
    "\"\" CD * /ee /t…… 拡張子末尾に\"CD\"を追加",
};

const char* const kExamples20[] = {
    "img* img/ *.jpg /date …… img以下の文字列を "
    "YYYYMMDD-HHMMSS形式の日時文字列に変更",
    "* /.jpg *.jpg /ee /dateyyyymmdd …… "
    "拡張子\".jpg\"を\".YYYYMMDD形式日付.jpg\"に変更",
    ".jpg /.jpg *.jpg /e /t /case /dateyyyymmdd …… "
    "\"～.jpg\"や\"～.JPG\"を\"～YYYYMMDD.jpg\"に変更",
    "img* img/ *.jpg /date+5 …… 5秒進んだ日時の文字列に変更",
    "a b c: …… ドライブC のファイルを改名",
    "a b c:\\f1 …… ドライブC のファイルf1 を改名",
    "a b \\\\server\\c …… ネットワーク・ドライブ \\\\server\\c "
    "のファイルを改名",
    "a b \\\\server\\c\\f1 …… ネットワーク・ファイル \\\\server\\c\\f1 を改名",
};

const char* const kExamples21[] = {
    "a b * /f …… ファイルのみを処理《既定》",
    "a b * /fd …… ディレクトリのみを処理",
    "a b * /fa …… ファイルとディレクトリ両方を処理",
    "a b C:\\ /d /shC:\\d1 …… C:\\d1 以下は対象外",
    "a b * /d /shC:d1a,c:d1b …… C:d1a と C:d1b 以下は対象外",
    "a b C:\\ /d /shC:\\d1a,c:\\d1b\\*\\sc …… C:\\d1a と C:\\d1b\\*\\sc "
    "以下は対象外",
    "a b C:\\   /d /ltC:\\*\\ …… Cドライブのルートにあるファイルは対象外",
    "a b C:\\d1 /d /ltC:\\d1\\*\\ …… C:\\d1直下にあるファイルは対象外",
    "a b d1 /d /spd1\\sa\\f1 …… ファイル d1\\sa\\f1 は対象外",
    "a b * /d /sdold …… ディレクトリold 以下は対象外",
    "a b * /d /sdo*  …… ディレクトリo* 以下は対象外",
    "a b * /d /seobj,lib,exe,htm? …… 拡張子obj,lib,exe,htm? は対象外",
    "a b * /d /sas,ds …… 属性 s ファイルと、属性 s のディレクトリ以下は対象外",
};

const char* const kExamples22[] = {
    "a b d1 /d /lhd1\\abc?\\* …… ディレクトリd1\\abc? 以下のみ改名",
    "a b d1 /d /lhd1\\abc? /ltd1\\*\\* …… ディレクトリd1\\abc? "
    "以下のみ改名（上と同じ動作）",
    "a b * /ls1K       …… 1Kバイトのファイルを改名",
    "a b * /ls0.9M-    …… 0.9Mバイト以上のファイルを改名",
    "a b * /ls-1048575 …… 1Mバイト未満のファイルを改名",
    "a b * /ls3M-5M    …… 3～5Mバイトのファイルを改名",
    "a b * /ly2001     …… 2001年のファイルを改名",
    "a b * /ly200104   …… 2001年4月のファイルを改名",
    "a b * /ly20010417 …… 2001年4月17日のファイルを改名",
    "a b * /ly20010417123456 …… 2001年4月17日12時34分56秒のファイルを改名",
    "a b * /ly20010417- …… 2001年4月17日からのファイルを改名",
    "a b * /ly20010417-20180625 …… "
    "2001年4月17日～2018年6月25日のファイルを改名",
    "a b * /ly-20180625 …… 2018年6月25日までのファイルを改名",
};

const char* const kExamples23[] = {
    "a b * /v= …… 表示なし",
    "a b * /v=c  …… 改名した場合のみ表示",
    "a b * /v+n  …… 非改名も表示",
    "a b * /v+k  …… 改名対象外も表示",
    "a b * /v+nk …… 非改名も改名対象外も表示",
    "a b * /v=e  …… 改名失敗した場合のみ表示",
    "a b * /p   …… 画面一時停止あり",
    "a b * /p-  …… 画面一時停止なし《既定》",
    "a b * /logc:\\tmp\\f1.log …… c:\\tmp\\f1.logへログ・ファイル出力",
    "a b * /LOGc:\\tmp\\f1.log …… ログ・ファイル追加出力",
    "a b * /time60 …… 60秒以上で処理時間表示",
    "a b * /time-1 …… 処理時間表示なし",
    "a b * /test …… 試験モード（表示のみ、改名せず）",
    "/undo …… 最後の改名を取り消す",
    "/? …… 使用方法説明",
};

void print_page_1(const UsageNames& names) {
  print_unpaged("ファイル名置換コマンド\n");
  print_unpaged("%s第%s版  %s\n", kProgramName, kVersion,
                build_date_text(kBuildDate).c_str());
  print_unpaged("\n");
  print_unpaged("%s □ 旧文字列 □ 新文字列［△ オプション群］□ ファイル名…\n",
                names.command.c_str());
  print_lines(kPage1);
}

void print_page_10() {
  print_lines(kPage10);
  print_unpaged("%d:エラーなし、改名成功\n", 0);
  print_unpaged("%d:エラー発生、改名中断\n", 1);
  print_unpaged("%d:エラー発生、改名継続\n", 2);
}

void print_page_13(const UsageNames& names) {
  print_lines(kPage13Head);
  print_unpaged(
      "  例えば、%s a b caaa.zaa の実行結果は caaa.zaa→cbaa.zaa "
      "となります。\n",
      names.command.c_str());
  print_lines(kPage13Tail);
}

void print_page_15(const UsageNames& names) {
  const char* command = names.command.c_str();
  print_lines(kPage15Head);
  print_unpaged("・%s 自身は、本コマンドで改名できません。\n",
                names.file_name.c_str());
  print_lines(kPage15Middle);
  print_unpaged(
      "  例えば、%s a b /d C:\\dir1 /lhC:\\dir1\\abc?\\ は C:\\dir1 "
      "の下のサブディレクトリ abc? 以下を処理します。\n",
      command);
  print_unpaged(
      "  末尾の \\ を付けずに /lhC:\\dir1\\abc? とすると、C:\\dir1 "
      "直下の abc? に一致するファイルも改名されます。\n");
}

void print_switch_lines(char switch_char) {
  if (switch_char == '/') {
    print_unpaged("・スイッチ文字= / のみが使用可能。\n");
    return;
  }
  print_unpaged("・スイッチ文字= / 及び %c が使用可能。\n", switch_char);
  print_unpaged("  /p と %cp は意味が同じになります。\n", switch_char);
  print_unpaged("  /f/p と %cf %cp は意味が同じになります。\n", switch_char,
                switch_char);
  print_unpaged("  %cスイッチではオプションの区切に空白が必須です。\n",
                switch_char);
}

void print_page_17(const UsageNames& names, char switch_char) {
  print_lines(kPage17);
  print_unpaged("・設定ファイル=%s\n", names.config_file.c_str());
  print_unpaged("・現在設定=");
  config_list_options(names.config_file, switch_char);
  print_switch_lines(switch_char);
}

void print_page_18(const UsageNames& names) {
  print_unpaged("\n");
  print_unpaged("【使用例】 ※f1 はファイル、d1 はディレクトリ\n");
  print_examples(names, kExamples18);
}

// Waits at a page break; false when the user answered Quit.
bool page_break() { return help_page_break(kPagePrompt); }

}  // namespace

void print_usage(const std::string& program_path,
                 const std::string& config_file, char switch_char) {
  help_pager_setup();
  UsageNames names = usage_names(program_path, config_file);
  print_page_1(names);
  if (!page_break()) return;
  print_lines(kPage2);
  if (!page_break()) return;
  print_lines(kPage3);
  if (!page_break()) return;
  print_lines(kPage4);
  if (!page_break()) return;
  print_lines(kPage5);
  if (!page_break()) return;
  print_lines(kPage6);
  if (!page_break()) return;
  print_lines(kPage7);
  if (!page_break()) return;
  print_lines(kPage8);
  if (!page_break()) return;
  print_lines(kPage9);
  if (!page_break()) return;
  print_page_10();
  if (!page_break()) return;
  print_lines(kPage11);
  if (!page_break()) return;
  print_lines(kPage12);
  if (!page_break()) return;
  print_page_13(names);
  if (!page_break()) return;
  print_lines(kPage14);
  if (!page_break()) return;
  print_page_15(names);
  if (!page_break()) return;
  print_lines(kPage16);
  if (!page_break()) return;
  print_page_17(names, switch_char);
  if (!page_break()) return;
  print_page_18(names);
  if (!page_break()) return;
  print_examples(names, kExamples19);
  if (!page_break()) return;
  print_examples(names, kExamples20);
  if (!page_break()) return;
  print_examples(names, kExamples21);
  if (!page_break()) return;
  print_examples(names, kExamples22);
  if (!page_break()) return;
  print_examples(names, kExamples23);
}

}  // namespace kavo
