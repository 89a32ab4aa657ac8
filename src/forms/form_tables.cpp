#include "forms/form_tables.h"

#include <array>

#include "forms/analysis_tabs.h"
#include "forms/system_menu.h"
#include "platform/device_selection.h"

namespace kestrel {
namespace {

using K = ControlKind;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kSilver = 0xC0C0C0;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kSkyBlue = 0xA6CAF0;

// The device selection dialog. The heading is drawn in 15 px: the longest
// heading (the PDF device's, 27 full-width characters) needs 432 px in bold
// 16 px and the label has 412.
constexpr ControlRow kDeviceDialogRows[] = {
    {K::Label, "Label1", "", kSelPrnHeading, {8, 8, 412, 19}, {15, true}},
    {K::List, "ListBox1", "", "", {8, 32, 410, 265}, {16, false}},
    {K::Label, "Label2", "", "", {8, 303, 410, 19}, {16, true}, kWhite},
    {K::Label, "Label3", "", kSelPrnHint, {8, 328, 410, 52}, {16, true}, kSilver, kNoColour, kWordWrap | kAlignTop},
};

constexpr ControlRow kProgressRows[] = {
    {K::Label, "Label1", "", "", {16, 24, 417, 17}, {13, false}, kWhite},
    {K::ProgressBar, "ProgressBar1", "", "", {16, 56, 417, 17}},
    {K::SpeedButton, "SpeedButton1", "", "キャンセル", {176, 103, 105, 25}, {}, kNoColour, kNoColour, kNoFocus},
};

// The system menu's button column, from its table.
constexpr ControlRow ColumnButton(const MenuButton& b) {
  return {K::Button, b.name, "", b.caption, {kMenuButtonLeft, b.top, kMenuButtonWidth, kMenuButtonHeight}, {},
          kNoColour, b.red ? kRed : kNoColour};
}

constexpr int kPanelTop = 294;

constexpr ControlRow kSystemMenuRows[] = {
    ColumnButton(kMenuButtons[0]), ColumnButton(kMenuButtons[1]), ColumnButton(kMenuButtons[2]),
    ColumnButton(kMenuButtons[3]), ColumnButton(kMenuButtons[4]), ColumnButton(kMenuButtons[5]),
    ColumnButton(kMenuButtons[6]), ColumnButton(kMenuButtons[7]), ColumnButton(kMenuButtons[8]),
    // Right of the column, outside the small form.
    {K::Button, "Button5", "", TSysMenu1::kTestButton1, {480, 8, 160, 30}},
    {K::Button, "Button6", "", TSysMenu1::kTestButton2, {648, 8, 160, 30}},
    {K::Memo, "Memo1", "", "", {480, 46, 530, 150}, {}, kNoColour, kNoColour, 0, -1, TSysMenu1::kMemoLines},
    {K::Label, "Label10", "", TSysMenu1::kDebugFolderHeading, {480, 206, 530, 17}},
    {K::Combo, "ComboBox2", "", "", {480, 226, 530, 24}},
    // The tab panel.
    {K::Panel, "Panel1", "", "", {0, kPanelTop, TSysMenu1::kClientWidth, TSysMenu1::kClientHeight - kPanelTop}},
    {K::Tabs, "PageControl1", "Panel1", "", {8, 0, TSysMenu1::kClientWidth - 16, TSysMenu1::kClientHeight - kPanelTop - 8}},
    // The print settings tab.
    {K::TabSheet, "TabSheet1", "PageControl1", kMenuTabs[0], {}},
    {K::Combo, "ComboBox1", "TabSheet1", "", {8, 8, 560, 24}, {}, kNoColour, kNoColour, 0, -1, kCommandKinds},
    {K::Button, "Button4", "TabSheet1", "データ選択", {576, 6, 120, 28}, {}, kNoColour, kRed},
    {K::Button, "Button13", "TabSheet1", "印刷実行", {704, 6, 120, 28}, {}, kNoColour, kRed},
    {K::Label, "Label1", "TabSheet1", "", {8, 40, 976, 20}, {}, kWhite},
    {K::RadioGroup, "RadioGroup1", "TabSheet1", "印刷用紙指定", {8, 68, 240, 96}},
    {K::RadioItem, "RadioGroup1Item0", "RadioGroup1", kPaperChoices[0], {10, 20, 220, 20}},
    {K::RadioItem, "RadioGroup1Item1", "RadioGroup1", kPaperChoices[1], {10, 42, 220, 20}},
    {K::RadioItem, "RadioGroup1Item2", "RadioGroup1", kPaperChoices[2], {10, 64, 220, 20}},
    {K::RadioGroup, "RadioGroup3", "TabSheet1", "印刷用紙判定指定", {8, 172, 240, 74}},
    {K::RadioItem, "RadioGroup3Item0", "RadioGroup3", kPaperCheckChoices[0], {10, 20, 220, 20}},
    {K::RadioItem, "RadioGroup3Item1", "RadioGroup3", kPaperCheckChoices[1], {10, 42, 220, 20}},
    {K::RadioGroup, "RadioGroup2", "TabSheet1", "塗り潰し方法指定", {256, 68, 300, 178}},
    {K::RadioItem, "RadioGroup2Item0", "RadioGroup2", kFillChoices[0], {10, 20, 280, 20}},
    {K::RadioItem, "RadioGroup2Item1", "RadioGroup2", kFillChoices[1], {10, 42, 280, 20}},
    {K::RadioItem, "RadioGroup2Item2", "RadioGroup2", kFillChoices[2], {10, 64, 280, 20}},
    {K::RadioItem, "RadioGroup2Item3", "RadioGroup2", kFillChoices[3], {10, 86, 280, 20}},
    {K::RadioItem, "RadioGroup2Item4", "RadioGroup2", kFillChoices[4], {10, 108, 280, 20}},
    {K::RadioItem, "RadioGroup2Item5", "RadioGroup2", kFillChoices[5], {10, 130, 280, 20}},
    {K::RadioItem, "RadioGroup2Item6", "RadioGroup2", kFillChoices[6], {10, 152, 280, 20}},
    {K::CheckBox, "CheckBox14", "TabSheet1", "プリンタ選択画面表示(PDF出力を選択した場合は無効です）", {568, 68, 420, 20}},
    {K::CheckBox, "CheckBox13", "TabSheet1", "PDF出力(プリンタへ出ない／kestrel.infのPDF指定による）", {568, 92, 420, 20}},
    {K::CheckBox, "CheckBox11", "TabSheet1", "JPEG出力(プリンタへ出ない／保存先は印刷データと同じ場所）",
     {568, 116, 420, 20}},
    {K::Label, "", "TabSheet1", "JPEG出力時DPI指定", {568, 140, 200, 17}},
    {K::Edit, "LabeledEdit1", "TabSheet1", "", {568, 158, 120, 22}},
    {K::CheckBox, "CheckBox12", "TabSheet1", "ログ出力（zoq下plog内へログが出力されます）", {568, 190, 420, 20}},
    {K::CheckBox, "CheckBox15", "TabSheet1", "デバッグ印刷時に印刷されるpdatファイル名を印刷しない", {568, 214, 420, 20}},
    {K::Label, "", "TabSheet1", TSysMenu1::kPrintTabNotes[0], {8, 262, 976, 18}},
    {K::Label, "", "TabSheet1", TSysMenu1::kPrintTabNotes[1], {8, 284, 976, 18}},
    {K::Label, "", "TabSheet1", TSysMenu1::kPrintTabNotes[2], {8, 306, 976, 18}},
    // The tabs whose pages are forms of their own (installed by name).
    {K::TabSheet, "TabSheetFiling", "PageControl1", kMenuTabs[1], {}},
    {K::TabSheet, "TabSheetAnalysis", "PageControl1", kMenuTabs[2], {}},
    {K::TabSheet, "TabSheetAnalysisLog", "PageControl1", kMenuTabs[3], {}},
    {K::TabSheet, "TabSheetOutliner", "PageControl1", kMenuTabs[4], {}},
    // The spooler tab.
    {K::TabSheet, "TabSheet6", "PageControl1", kMenuTabs[5], {}},
    {K::Button, "Button40", "TabSheet6", "情報取得", {8, 8, 120, 28}},
    {K::Memo, "Memo2", "TabSheet6", "", {8, 44, 976, 380}, {}, kNoColour, kNoColour, kReadOnly},
    {K::TabSheet, "TabSheetAnalysisImage", "PageControl1", kMenuTabs[6], {}},
};

// The bookmark dialog.
constexpr uint32_t kBookmarkColour = 0xCAD3C7;
constexpr uint32_t kPathFlags = kSunken | kSelectable;
constexpr ControlRow kBookmarkRows[] = {
    {K::GroupBox, "GroupBox1", "", "環境設定", {16, 10, 810, 176}, {14, true}},
    {K::Label, "Label1", "GroupBox1", "アウトライナーコマンド実行プログラムパス設定", {16, 30, 560, 20}, {14, true}},
    {K::Label, "Label10", "GroupBox1", "", {16, 54, 680, 26}, {14, false}, kWhite, kNoColour, kPathFlags},
    {K::Button, "Button26", "GroupBox1", "参照", {710, 52, 84, 30}, {14, false}},
    {K::Label, "Label4", "GroupBox1", "しおり付加後PDFファイル保存フォルダ設定", {16, 100, 560, 20}, {14, true}},
    {K::Label, "Label5", "GroupBox1", "", {16, 124, 680, 26}, {14, false}, kWhite, kNoColour, kPathFlags},
    {K::Button, "Button2", "GroupBox1", "参照", {710, 122, 84, 30}, {14, false}},
    {K::GroupBox, "GroupBox2", "", "対象ファイル設定", {16, 196, 810, 176}, {14, true}},
    {K::Label, "Label2", "GroupBox2", "しおり追加対象PDFファイルパス指定", {16, 30, 560, 20}, {14, true}},
    {K::Label, "Label8", "GroupBox2", "", {16, 54, 680, 26}, {14, false}, kWhite, kNoColour, kPathFlags},
    {K::Button, "Button23", "GroupBox2", "参照", {710, 52, 84, 30}, {14, false}},
    {K::Label, "Label3", "GroupBox2", "しおり追加設定CSVファイルパス指定", {16, 100, 560, 20}, {14, true}},
    {K::Label, "Label9", "GroupBox2", "", {16, 124, 680, 26}, {14, false}, kWhite, kNoColour, kPathFlags},
    {K::Button, "Button25", "GroupBox2", "参照", {710, 122, 84, 30}, {14, false}},
    {K::CheckBox, "CheckBox1", "", "作成後にPDFを開く", {32, 388, 300, 24}, {14, false}},
    {K::Button, "Button24", "", "しおり付加実行", {32, 420, 260, 44}, {16, true}},
    {K::Button, "Button1", "", "終     了", {666, 420, 160, 44}, {16, true}},
    {K::Label, "Label11", "", "※ しおり付きのPDFファイルは、選択したPDFファイルに _bk が付いたファイル名で保存されます。",
     {32, 484, 794, 48}, {14, false}, kNoColour, kNoColour, kWordWrap},
};

// The system menu's tab "アウトライナー２".
constexpr ControlRow kOutlinerRows[] = {
    {K::Button, "ButtonPdf", "", "PDF選択", {16, 16, 200, 30}, {14, false}},
    {K::Label, "LabelPdf", "", "", {16, 52, 548, 24}, {14, false}, kWhite, kNoColour, kSunken},
    {K::Button, "ButtonCsv", "", "しおり設定選択", {16, 92, 200, 30}, {14, false}},
    {K::Label, "LabelCsv", "", "", {16, 128, 548, 24}, {14, false}, kWhite, kNoColour, kSunken},
    {K::Button, "ButtonOutliner", "", "OutlinerCmdパス", {16, 168, 200, 30}, {14, false}},
    {K::Label, "LabelOutliner", "", "", {16, 204, 548, 24}, {14, false}, kWhite, kNoColour, kSunken},
    {K::Button, "ButtonAdd", "", "しおり付加", {16, 248, 200, 30}, {14, true}},
    {K::Label, "LabelNote", "", "しおりが付いたＰＤＦファイルは、選択したＰＤＦファイルに_Addという名前が付いたファイルで"
                               "同じファイルパスに作成されます。",
     {16, 290, 548, 48}, {14, false}, kNoColour, kNoColour, kWordWrap},
};

// The system menu's tab "楽々テスト": the folder list, and the seven
// buttons of the filing test tab (Raku2TestTab), in its order.
constexpr ControlRow kFilingRows[] = {
    {K::Label, "LabelFolder", "", "印刷データフォルダ指定", {16, 12, 300, 20}, {14, true}},
    {K::FolderTree, "DirectoryListBox1", "", "", {16, 36, 300, 360}, {14, false}},
    {K::Button, "Button1", "", "ファイル作成", {336, 36, 228, 32}, {14, false}},
    {K::Button, "Button2", "", "ビューア表示", {336, 80, 228, 32}, {14, false}},
    {K::Button, "Button3", "", "バインダ編集", {336, 124, 228, 32}, {14, false}},
    {K::Button, "Button4", "", "バインダ操作", {336, 168, 228, 32}, {14, false}},
    {K::Button, "Button5", "", "リンクフォルダ取得", {336, 212, 228, 32}, {14, false}},
    {K::Button, "Button6", "", "バインダ検索", {336, 256, 228, 32}, {14, false}},
    {K::Button, "Button7", "", "流れテスト", {336, 300, 228, 32}, {14, false}},
};


// The font settings form (TFontSet), in the order its controls take the
// focus. Headings and notes are drawn smaller than the controls, so that
// the longest fits its place.
constexpr uint32_t kFontSetColour = 0xE3E8B3;
constexpr LayoutFont kNoteFont{10, false};
constexpr const char* kMinchoHeading = "明朝体印字設定出力フォント";
constexpr const char* kGothicHeading = "ゴシック体印字設定出力フォント";
constexpr const char* kMemo5Lines[] = {
    "全GP文字データには、明朝体かゴシックで出力する設定がされてます",
    "この画面では、明朝体で出力するデータに対して別のフォントを設定し",
    "たりできます。ゴシック体も同様です。",
    "また特定文字列のみをフォント変更の対象とすることもできます。",
    "半角文字、全角文字は別指定なので注意して下さい。",
};
constexpr const char* kGroupCheckHint = "半角の英字・数字を全て対象にする場合はチェックをしてください。";
constexpr const char* kFaceHint[6] = {
    "明朝体印刷指定されている印字データを他のフォントで印刷したい場合に変更するフォントを指定してください。",
    "ゴシック体印刷指定されている印字データを他のフォントで印刷したい場合に変更するフォントを指定してください。",
    "明朝体印刷指定されている印字データを他のフォントで印刷したい場合に変更するフォントと変更させたい半角文字列を"
    "指定してください。",
    "ゴシック体印刷指定されている印字データを他のフォントで印刷したい場合に変更するフォントと変更させたい半角文字列"
    "を指定してください。",
    "明朝体印刷指定されている印字データを他のフォントで印刷したい場合に変更するフォントと変更させたい全角文字列を"
    "指定してください。",
    "ゴシック体印刷指定されている印字データを他のフォントで印刷したい場合に変更するフォントと変更させたい全角文字列"
    "を指定してください。",
};
// A face box: typed text is kept, only a chosen entry counts.
constexpr ControlRow FaceBox(const char* name, const char* parent, LayoutRect rect, const char* hint) {
  return {K::Combo, name, parent, "", rect, {}, kNoColour, kNoColour, kEditable, -1, {}, hint};
}
constexpr uint32_t kListFlags = kNoWrap;
constexpr ControlRow kFontSetRows[] = {
    {K::Label, "Label1", "", "", {360, 8, 233, 26}, {19, false}},
    {K::Button, "BitBtn7", "", "全初期化", {360, 40, 108, 41}},
    {K::Button, "BitBtn2", "", "キャンセル", {474, 40, 108, 41}},
    {K::Button, "BitBtn1", "", "設定保存", {588, 40, 108, 41}},
    // The two main faces.
    {K::GroupBox, "GroupBox1", "", "印刷フォント設定", {16, 8, 337, 73}},
    {K::Label, "", "GroupBox1", kMinchoHeading, {8, 16, 160, 16}, kNoteFont},
    {K::Label, "", "GroupBox1", kGothicHeading, {172, 16, 160, 16}, kNoteFont},
    FaceBox("ComboBox1", "GroupBox1", {8, 36, 157, 24}, kFaceHint[0]),
    FaceBox("ComboBox2", "GroupBox1", {172, 36, 157, 24}, kFaceHint[1]),
    // Blank removal before comparing.
    {K::GroupBox, "GroupBox4", "", "比較印字文字列の制御文字判定処理指定", {16, 87, 337, 72}},
    {K::CheckBox, "CheckBox1", "GroupBox4", "印字文字列の左側制御文字は削除して判定[1]", {8, 16, 320, 17}},
    {K::CheckBox, "CheckBox2", "GroupBox4", "印字文字列の右側制御文字は削除して判定[2]", {8, 33, 320, 17}},
    {K::CheckBox, "CheckBox3", "GroupBox4", "印字文字列内の全ての制御文字は削除して判定[4]", {8, 50, 320, 17}},
    // Five lines in the notes' size, each on one line.
    {K::Memo, "Memo5", "", "", {359, 87, 337, 72}, kNoteFont, kNoColour, kNoColour, kReadOnly | kNoWrap | kNoScrollBars,
     -1, kMemo5Lines},
    // Font width.
    {K::GroupBox, "GroupBox5", "", "フォント幅をフォント高に合わせて自動調整する設定", {16, 165, 680, 61}},
    {K::CheckBox, "CheckBox4", "GroupBox5", "自動調整する[1]", {8, 24, 120, 17}},
    {K::Label, "", "GroupBox5", "この設定を行う場合の注意点", {130, 16, 546, 14}, kNoteFont},
    {K::Label, "", "GroupBox5", "自動調整を行うとフォント幅は計算されませんので、文字自体のイメージは変化がなくなりますが、",
     {130, 30, 546, 14}, kNoteFont},
    {K::Label, "", "GroupBox5",
     "印刷レイアウトが崩れて、文字と文字が被ってしまうことがあります(△(半角幅イメージ)が△（全角幅イメージ))。",
     {130, 44, 546, 14}, kNoteFont},
    // The half-width lists (with the group boxes) and the full-width lists,
    // Mincho left, Gothic right.
    {K::GroupBox, "GroupBox2", "", "フォントを変更したい特定半角文字のフォント設定", {16, 232, 337, 448}},
    {K::GroupBox, "GroupBox3", "", "フォントを変更したい特定全角文字のフォント設定", {359, 232, 337, 448}},
    {K::Label, "", "GroupBox2", kMinchoHeading, {8, 18, 157, 16}, kNoteFont},
    FaceBox("ComboBox3", "GroupBox2", {8, 36, 157, 24}, kFaceHint[2]),
    {K::CheckBox, "hanmin_chk1", "GroupBox2", "半角英数字一括設定[1]", {8, 64, 157, 17}, {}, kNoColour, kNoColour, 0, -1,
     {}, kGroupCheckHint},
    {K::Memo, "Memo1", "GroupBox2", "", {8, 86, 157, 312}, {}, kNoColour, kNoColour, kListFlags},
    {K::Button, "BitBtn3", "GroupBox2", "初期化", {8, 404, 157, 34}},
    {K::Label, "", "GroupBox3", kMinchoHeading, {8, 18, 157, 16}, kNoteFont},
    FaceBox("ComboBox5", "GroupBox3", {8, 36, 157, 24}, kFaceHint[4]),
    {K::Memo, "Memo3", "GroupBox3", "", {8, 64, 157, 334}, {}, kNoColour, kNoColour, kListFlags},
    {K::Button, "BitBtn5", "GroupBox3", "初期化", {8, 404, 157, 34}},
    {K::Label, "", "GroupBox2", kGothicHeading, {172, 18, 157, 16}, kNoteFont},
    FaceBox("ComboBox4", "GroupBox2", {172, 36, 157, 24}, kFaceHint[3]),
    {K::CheckBox, "hangot_chk1", "GroupBox2", "半角英数字一括設定[1]", {172, 64, 157, 17}, {}, kNoColour, kNoColour, 0,
     -1, {}, kGroupCheckHint},
    {K::Memo, "Memo2", "GroupBox2", "", {172, 86, 157, 312}, {}, kNoColour, kNoColour, kListFlags},
    {K::Button, "BitBtn4", "GroupBox2", "初期化", {172, 404, 157, 34}},
    {K::Label, "", "GroupBox3", kGothicHeading, {172, 18, 157, 16}, kNoteFont},
    FaceBox("ComboBox6", "GroupBox3", {172, 36, 157, 24}, kFaceHint[5]),
    {K::Memo, "Memo4", "GroupBox3", "", {172, 64, 157, 334}, {}, kNoColour, kNoColour, kListFlags},
    {K::Button, "BitBtn6", "GroupBox3", "初期化", {172, 404, 157, 34}},
    // Hidden: they carry bits 2 and 4 of the group keys.
    {K::CheckBox, "hanmin_chk2", "GroupBox2", "", {8, 64, 157, 17}, {}, kNoColour, kNoColour, kHidden},
    {K::CheckBox, "hanmin_chk3", "GroupBox2", "", {8, 64, 157, 17}, {}, kNoColour, kNoColour, kHidden},
    {K::CheckBox, "hangot_chk2", "GroupBox2", "", {8, 64, 157, 17}, {}, kNoColour, kNoColour, kHidden},
    {K::CheckBox, "hangot_chk3", "GroupBox2", "", {8, 64, 157, 17}, {}, kNoColour, kNoColour, kHidden},
};

// The analysis tabs' pages: the size of the system menu's tab pages.
constexpr int kAnalysisPageWidth = 996, kAnalysisPageHeight = 436;

// The system menu's tab "PDAT解析": the data choice and run, and the boxes
// whose ticks are excluded from the analysis log, named as the model names
// them (kExclusionGroups), eight to a row.
constexpr ControlRow kAnalysisRows[] = {
    {K::Button, "Button14", "", "データ選択", {8, 8, 120, 28}, {}, kNoColour, kRed},
    {K::Label, "Label4", "", "", {136, 8, 600, 28}, {}, kWhite},
    {K::Button, "Button15", "", "解析実行", {744, 8, 120, 28}, {}, kNoColour, kRed},
    {K::GroupBox, "GroupSettings", "", "解析設定", {8, 42, 980, 310}},
    {K::Label, "", "", "印刷基本設定で設定した内容で解析します。注意して下さい。", {8, 358, 980, 18}},
    {K::Label, "", "", kAnalysisNote, {8, 380, 980, 18}},
    {K::GroupBox, "GroupPatterns", "GroupSettings", "解析ログ除外：網掛けパターン選択", {8, 22, 964, 80}},
    {K::CheckBox, "patcheck1", "GroupPatterns", "パターン1", {12, 24, 96, 22}},
    {K::CheckBox, "patcheck2", "GroupPatterns", "パターン2", {108, 24, 96, 22}},
    {K::CheckBox, "patcheck3", "GroupPatterns", "パターン3", {204, 24, 96, 22}},
    {K::CheckBox, "patcheck4", "GroupPatterns", "パターン4", {300, 24, 96, 22}},
    {K::CheckBox, "patcheck5", "GroupPatterns", "パターン5", {396, 24, 96, 22}},
    {K::CheckBox, "patcheck6", "GroupPatterns", "パターン6", {492, 24, 96, 22}},
    {K::CheckBox, "patcheck7", "GroupPatterns", "パターン7", {588, 24, 96, 22}},
    {K::CheckBox, "patcheck8", "GroupPatterns", "パターン8", {684, 24, 96, 22}},
    {K::CheckBox, "patcheck9", "GroupPatterns", "パターン9", {12, 50, 96, 22}},
    {K::CheckBox, "patcheck10", "GroupPatterns", "パターン10", {108, 50, 96, 22}},
    {K::CheckBox, "patcheck11", "GroupPatterns", "パターン11", {204, 50, 96, 22}},
    {K::CheckBox, "patcheck12", "GroupPatterns", "パターン12", {300, 50, 96, 22}},
    {K::CheckBox, "patcheck13", "GroupPatterns", "パターン13", {396, 50, 96, 22}},
    {K::CheckBox, "patcheck14", "GroupPatterns", "パターン14", {492, 50, 96, 22}},
    {K::CheckBox, "patcheck15", "GroupPatterns", "パターン15", {588, 50, 96, 22}},
    {K::Button, "Button17", "GroupPatterns", "オールチェック", {812, 20, 140, 26}},
    {K::Button, "Button18", "GroupPatterns", "オールチェック解除", {812, 48, 140, 26}},
    {K::GroupBox, "GroupLines", "GroupSettings", "解析ログ除外：線種選択", {8, 106, 964, 56}},
    {K::CheckBox, "LinePat1", "GroupLines", "実線", {12, 24, 96, 22}},
    {K::CheckBox, "LinePat2", "GroupLines", "破線", {108, 24, 96, 22}},
    {K::CheckBox, "LinePat3", "GroupLines", "点線", {204, 24, 96, 22}},
    {K::CheckBox, "LinePat4", "GroupLines", "一点鎖線", {300, 24, 96, 22}},
    {K::CheckBox, "LinePat5", "GroupLines", "二点鎖線", {396, 24, 96, 22}},
    {K::Button, "Button19", "GroupLines", "オールチェック", {664, 20, 140, 26}},
    {K::Button, "Button20", "GroupLines", "オールチェック解除", {812, 20, 140, 26}},
    {K::GroupBox, "GroupCircles", "GroupSettings", "解析ログ除外：円選択", {8, 166, 964, 52}},
    {K::CheckBox, "circle1", "GroupCircles", "解析しない", {12, 24, 96, 22}},
    {K::GroupBox, "GroupChars", "GroupSettings", "解析ログ除外：文字選択", {8, 222, 964, 80}},
    {K::CheckBox, "strsize1", "GroupChars", "半角英数", {12, 24, 120, 22}},
    {K::CheckBox, "strsize2", "GroupChars", "カタカナ半角", {132, 24, 120, 22}},
    {K::CheckBox, "strsize3", "GroupChars", "全角(JIS)", {252, 24, 120, 22}},
    {K::CheckBox, "strsize4", "GroupChars", "外字(86,87区)", {372, 24, 120, 22}},
    {K::CheckBox, "strsize5", "GroupChars", "13区", {492, 24, 120, 22}},
    {K::CheckBox, "font1", "GroupChars", "ゴシック", {12, 50, 120, 22}},
    {K::CheckBox, "font2", "GroupChars", "明朝", {132, 50, 120, 22}},
    {K::Button, "Button21", "GroupChars", "オールチェック", {812, 20, 140, 26}},
    {K::Button, "Button22", "GroupChars", "オールチェック解除", {812, 48, 140, 26}},
};

// The tab "解析ログ": a tool bar over the log area (black, yellow), which
// grows with the tab. The area takes the focus first.
constexpr ControlRow kAnalysisLogRows[] = {
    {K::Button, "LogOpen", "", "解析ログ選択", {2, 2, 100, 26}, {}, kNoColour, kNoColour, kNoFocus},
    {K::Button, "LogSave", "", "保  存", {104, 2, 80, 26}, {}, kNoColour, kNoColour, kNoFocus},
    {K::Button, "LogTop", "", "F1 解析ログの先頭へ", {186, 2, 140, 26}, {}, kNoColour, kNoColour, kNoFocus},
    {K::Button, "LogEnd", "", "F2 解析ログの最終へ", {328, 2, 140, 26}, {}, kNoColour, kNoColour, kNoFocus},
    {K::Button, "LogFind", "", "F3 下 へ 検　索", {470, 2, 120, 26}, {}, kNoColour, kNoColour, kNoFocus},
    {K::Edit, "Edit1", "", "", {592, 2, 402, 26}, {}, kNoColour, kNoColour, kAnchorRight, 1},
    {K::Memo, "RichEdit1", "", "", {0, 30, kAnalysisPageWidth, kAnalysisPageHeight - 30}, {13, false}, 0x000000, 0xFFFF00,
     kReadOnly | kNoWrap | kScrollBars | kAnchorRight | kAnchorBottom, 0},
};

// The tab "解析イメージ": the page image at its own size, scrolled in an
// area that grows with the tab.
constexpr ControlRow kAnalysisImageRows[] = {
    {K::Button, "ImageOpen", "", "イメージ選択", {2, 2, 100, 26}},
    {K::ImageView, "ScrollBox1", "", "", {0, 30, kAnalysisPageWidth, kAnalysisPageHeight - 30}, {}, kNoColour, kNoColour,
     kAnchorRight | kAnchorBottom},
};

}  // namespace

const FormLayout kDeviceDialogForm{"SelPrn1", kSelPrnCaption, 428, 390, {16, false}, 0x8888FF, kDeviceDialogRows};
const FormLayout kProgressForm{"Form1", "", 450, 146, {11, false}, kSkyBlue, kProgressRows};
const FormLayout kSystemMenuForm{"SysMenu1",          TSysMenu1::kCaption, TSysMenu1::kClientWidth,
                                 TSysMenu1::kClientHeight, {11, false},   kSkyBlue,
                                 kSystemMenuRows};
const FormLayout kBookmarkForm{"AddBookMark1", "しおり追加処理画面", 842, 570, {14, false}, kBookmarkColour, kBookmarkRows};
const FormLayout kOutlinerPage{"TabSheetOutliner", "", 580, 360, {14, false}, kNoColour, kOutlinerRows};
const FormLayout kFilingPage{"TabSheetFiling", "", 580, 420, {14, false}, kNoColour, kFilingRows};
const FormLayout kAnalysisPage{"TabSheetAnalysis", "", kAnalysisPageWidth, kAnalysisPageHeight, {12, false}, kNoColour,
                               kAnalysisRows};
const FormLayout kAnalysisLogPage{"TabSheetAnalysisLog", "", kAnalysisPageWidth, kAnalysisPageHeight, {12, false},
                                  kNoColour, kAnalysisLogRows};
const FormLayout kAnalysisImagePage{"TabSheetAnalysisImage", "", kAnalysisPageWidth, kAnalysisPageHeight, {12, false},
                                    kNoColour, kAnalysisImageRows};
const FormLayout kFontSetForm{"FontSet", "印字フォント設定画面", 711, 686, {11, false}, kFontSetColour, kFontSetRows};

std::span<const FormLayout* const> AllForms() {
  static const FormLayout* const all[] = {&kDeviceDialogForm, &kProgressForm, &kSystemMenuForm,
                                          &kBookmarkForm,     &kOutlinerPage, &kFilingPage,
                                          &kFontSetForm,      &kAnalysisPage, &kAnalysisLogPage,
                                          &kAnalysisImagePage};
  return all;
}

}  // namespace kestrel
