#include "app/help_file.h"

#include <cstdio>
#include <memory>

#include "util/paths.h"
#include "util/replacing_file.h"
#include "platform/text_codec.h"

namespace kestrel {

namespace {

// The example printer port uses an address of a documentation range.
constexpr const char* kExampleLine = "               ex) NEC MultiWriter 2000E NPDL2. 192.0.2.10:RAW=100,100";

constexpr const char* kHelpLines[] = {
      "通常の使用方法",
      "kestrel -p <output file path>",
      "  デバッグ用画面が表示されずに、印刷処理のみ実行",
      "",
      "  オプション説明(以下のオプションは-debugと併用する場合は、-debugより前に書く)",
      "  ※ Ver 1.0.0.4以降はkestrel.infで指定できます。",
      "",
      "      -p <output file path>   :   印刷するファイルを指定",
      "                              :   -pオプションはオプションの最後に指定すること",
      "                              :   ※通常印刷では必須引数",
      "      -winprt                 :   デフォルト印刷プリンタ設定を行う",
      "      -pd                     :   出力プリンタ指定（その他のプリンタ指定より最優先されまｓ）",
      "      -plist=<ファイルパス>   :   印刷手順ファイル指定",
      " ※※※ 以下のオプションはzoq\\kestrel.infがない場合に有効です ※※※",
      "      -f                      :   プログラムログファイルを残す",
      "                              :   zoq\\plogの下へ落ちます",
      "      -g                      :   使用したpdatファイルを削除しない",
      "      -t <time out>           :   プログラム待ち時間を指定",
      "                                      0-60000 ミリ秒",
      "      -h <Parent Handle>      :   呼出元プログラムハンドルを指定",
      "                              :   ※通常印刷では必須引数",
      "      -l <flg>                :   線の太さ計算時の端数処理",
      "                                      0 = 四捨五入(Default)",
      "                                      1 = 切り捨て",
      "                                      以外 = 切り上げ",
      "      -a <pattern>            :   塗り潰し方法指定",
      "                                      1 = Windows範囲塗り潰し(Default)",
      "                                      2 = Windowsパターン",
      "                                      3 = 外部Bitmap(予めBitmapパターンを/zoq/pmapへコピーする必要がある)",
      "                                      4 = 動的作成Bitmap",
      "                                      5 = SetPixel方式",
      "      -e                      :   一部エラーを無視する(2000,NT,XP使用時)",
      "      -x <掛け率指定>         :   出力するデータの大きさを変更する。",
      "                                  (例)A4のデータをA4に出力する場合は、1で等倍なので縮小する時は0.95等と入力",
      "                                      A3のデータをA4に出力する場合は、1でA3サイズと等倍なので、",
      "                                          より縮小する場合は0.70714以下に設定",
      "                                      B4のデータをA4に出力する場合は、1でB4サイズと等倍なので、",
      "                                          より縮小する場合は0.81593以下に設定",
      "      -?                      :   ヘルプファイル出力",
      "",
      "  印刷オフセットの指定",
      "      pofset.txt : kestrel経由での印刷データのオフセットを指定しておくファイル",
      "      [通常設定の場合]",
      "           kestrel_ofset.exeで設定可能。",
      "      [手入力の場合]",
      "           プリンタ名＋ポート = Xオフセット,Yオフセット(単位はミリ単位で指定する。)",
      kExampleLine,
      "                   そしてこれらの設定の一番先頭の行に[OFSET]を記しておく。",
      "      ※pofset.txtがzoq下に存在しているだけ有効になりますので注意して下さい。",
      "",
      "  ＯＣＲフォント指定",
      "      pfont.txt : OCRフォントを強制的に指定して印字する",
      "      [pfont.txtが無い場合、又はpfont.txtが指定するフォントが無い場合]",
      "           defaultと同様：フォント名：カルメナＯＣＲ－Ｂ 又はKARMENA OCR-B",
      "                          ファイル名：KRM_OCR-B.TTF",
      "                          を使用する。",
      "      [pfont.txtがあり且つpfont.txtで指定するフォントがある場合]",
      "           指定したフォントを使用する(書体名で指定）",
      "               ex) [OCR]",
      "                   FONT=\"HG正楷書体-PRO\"",
      "      debug画面のフォントリストボタンを実行すると、その端末にインストールされているフォントリストが出力できます",
      "      ※pfont.txtがzoq下に存在しているだけ有効になりますので注意して下さい。",
      "",
      "",
      "",
      "  デバッグ使用方法(他のオプションと併用する場合は、デバッグオプションは最後に書く)",
      "      kestrel -debug      :   汎用(但し、オープンエラーが必ず起こるが問題なし)",
};

}  // namespace

std::vector<std::string> HelpFileLines() { return {std::begin(kHelpLines), std::end(kHelpLines)}; }

std::string HelpFilePath(const std::string& baseDir) { return ProductPath(baseDir, "zoq\\kestrel_help.txt"); }

bool WriteHelpFile(const std::string& baseDir, Ui& ui, std::string* error) {
  std::string path = HelpFilePath(baseDir);
  SjisString text;
  for (const char* line : kHelpLines) {
    text += SjisFromUtf8(line);
    text += "\r\n";
  }
  if (!ReplaceFileContents(path, text)) {
    if (error != nullptr) *error = "ファイル " + path + " を作成できません。";
    return false;
  }
  ui.ShowMessage(path + "へ出力しました");
  return true;
}

}  // namespace kestrel
