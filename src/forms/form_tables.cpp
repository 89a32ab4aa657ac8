#include "forms/form_tables.h"

#include <array>

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

}  // namespace

const FormLayout kDeviceDialogForm{"SelPrn1", kSelPrnCaption, 428, 390, {16, false}, 0x8888FF, kDeviceDialogRows};
const FormLayout kProgressForm{"Form1", "", 450, 146, {11, false}, kSkyBlue, kProgressRows};
const FormLayout kSystemMenuForm{"SysMenu1",          TSysMenu1::kCaption, TSysMenu1::kClientWidth,
                                 TSysMenu1::kClientHeight, {11, false},   kSkyBlue,
                                 kSystemMenuRows};
const FormLayout kBookmarkForm{"AddBookMark1", "しおり追加処理画面", 842, 570, {14, false}, kBookmarkColour, kBookmarkRows};
const FormLayout kOutlinerPage{"TabSheetOutliner", "", 580, 360, {14, false}, kNoColour, kOutlinerRows};
const FormLayout kFilingPage{"TabSheetFiling", "", 580, 420, {14, false}, kNoColour, kFilingRows};

std::span<const FormLayout* const> AllForms() {
  static const FormLayout* const all[] = {&kDeviceDialogForm, &kProgressForm, &kSystemMenuForm,
                                          &kBookmarkForm,     &kOutlinerPage, &kFilingPage};
  return all;
}

}  // namespace kestrel
