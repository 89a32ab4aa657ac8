// TSysMenu1: the system menu's behaviour, without a toolkit.
//
// The controller creates the menu, hands it the paths of the list files and
// the settings file and the hooks into what lies above this layer (saving
// the settings, the print entry, the font settings and bookmark forms),
// chooses the small form (the button column alone) or the full form (with
// the tab panel), and asks the Ui to show it. A window (Qt) owns no rule:
// it lays out the controls described here, calls FormShow when it is shown
// and the handlers below on clicks, and reads the state back to draw it.
// Tests drive the same calls.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "forms/run_request.h"
#include "platform/form_model.h"
#include "platform/print_system.h"
#include "platform/ui.h"

namespace kestrel {

// One button of the tool column (all at left 32, width 377, height 30).
struct MenuButton {
  const char* name;
  int top;
  const char* caption;
  bool red;  // caption drawn in red
};

inline constexpr int kMenuButtonLeft = 32;
inline constexpr int kMenuButtonWidth = 377;
inline constexpr int kMenuButtonHeight = 30;
inline constexpr std::array<MenuButton, 9> kMenuButtons = {{
    {"Button1", 8, "PDF出力デバイス選択", false},
    {"Button2", 39, "フォントリスト出力", false},
    {"Button16", 70, "kestrel.inf作成", false},
    {"Button27", 101, "しおり追加処理", false},
    {"Button29", 132, "プリンタドライバリスト出力", false},
    {"Button30", 163, "印刷可能用紙リスト出力", false},
    {"Button31", 194, "Win直デフォルト印刷プリンタ設定", false},
    {"Button33", 225, "印字フォント設定", false},
    {"Button3", 256, "終　　了", true},
}};

// The tabs of the full form, in order.
inline constexpr std::array<const char*, 7> kMenuTabs = {
    "印刷基本設定", "楽々テスト", "PDAT解析", "解析ログ", "アウトライナー２", "スプーラ情報（途中）", "解析イメージ",
};
inline constexpr int kPrintTab = 0;
inline constexpr int kSpoolerTab = 5;

// The print tab's choices.
inline constexpr std::array<const char*, 4> kCommandKinds = {
    "旧コマンド片面印刷(kestrel同様)",
    "旧コマンド両面印刷(指定データが両面に印刷される：kestrel同様）",
    "新コマンド片面印刷(フォルダ内全pdat印刷指定）",
    "新コマンド両面印刷(フォルダ内全pdat印刷指定）",
};
inline constexpr std::array<const char*, 3> kPaperChoices = {
    "指定なし（データ指定通り）", "印刷用紙A4強制指定", "印刷用紙B4強制指定"};
inline constexpr std::array<const char*, 7> kFillChoices = {
    "０：塗り潰しなし",     "１：Windows範囲塗り潰し（デフォルト）", "２：WindowsPattern", "３：外部Bitmap",
    "４：MakeBitmap", "５：Windows範囲塗り潰し（簡素版）",    "６：SetPixel"};
inline constexpr std::array<const char*, 2> kPaperCheckChoices = {"印刷定数でチェック（従来）",
                                                                   "印刷サイズでチェック（デフォルト）"};

// The folders of the debug start-folder list, below the base folder (an
// empty item comes first).
inline constexpr std::array<const char*, 6> kDebugFolders = {
    "other\\works\\kestrelII", "other\\works\\kestrelII\\resource", "other\\works\\kestrelII\\testdata",
    "zoq",                     "zoq\\plog",                         "zoq\\palog",
};

inline constexpr int kDefaultJpegDpiChoice = 350;

// What the menu asks of the layers above it. A hook left empty shows its
// placeholder message (forms not part of the program yet).
struct SystemMenuHooks {
  // Writes the current settings to path.
  std::function<void(const std::string& path)> saveSettings;
  // The controller's print entry: argument list, run mode, request.
  std::function<int(const std::vector<std::string>& args, int runMode, const RunRequest& request)> printMain;
  // The font settings form (may throw).
  std::function<void()> showFontForm;
  // The bookmark dialog.
  std::function<void()> showBookmarkDialog;
};

// The spooler query's result: -1 the printer could not be asked, -99 the
// printer reports an error, 1 a printing job reports one, 0 otherwise.
int ClassifyPrinterState(int queryResult, const PrinterQueueState& state);
// The status line shown under the printer's name (also for -99, which names
// the printer's error bits).
std::string SpoolerStatusLine(int classification, const PrinterQueueState& state);

class TSysMenu1 final : public FormModel {
 public:
  const char* FormName() const override { return "SysMenu1"; }
  static constexpr const char* kCaption = "システムメニュー";
  static constexpr int kClientWidth = 1018;
  static constexpr int kClientHeight = 768;
  static constexpr int kFullWidth = 1024, kFullHeight = 800;
  static constexpr int kSmallWidth = 470, kSmallHeight = 340;

  static constexpr const char* kNoDataMessage = "印刷するPDATデータファイルを選択してください";
  static constexpr const char* kDpiMessage =
      "JPEG出力時DPI指定値には、自然数(0を除く)を指定して下さい。\n今回の出力は、350DPIで出力を行います。";
  static constexpr const char* kFontFormPlaceholder = "印字フォント設定画面はこのビルドでは使用できません。";
  static constexpr const char* kBookmarkPlaceholder = "しおり追加画面はこのビルドでは使用できません。";

  TSysMenu1(Ui& ui, PrintSystem& printers, SystemMenuHooks hooks);

  // Set by the controller after creation.
  std::string FontListPath, PrinterListPath, PaperListPath, SettingsPath;
  // The base folder (the debug start folders lie under it).
  void SetBaseDir(const std::string& baseDir);
  // The small form: outer 470 x 340, the tab panel hidden; else 1024 x 800.
  void SetSmallForm(bool small);
  bool Panel1Visible() const { return panel1Visible_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // The menu's tabs that are forms of their own (the outliner tab, the
  // filing test tab), shown in the tab of their form's name; a tab without
  // one stays empty.
  void SetPages(std::vector<FormModel*> pages) { pages_ = std::move(pages); }
  const std::vector<FormModel*>& Pages() const { return pages_; }

  // Every show starts on the first tab.
  void FormShow();
  int ActiveTab() const { return activeTab_; }
  void SetActiveTab(int tab);

  // The button column.
  void Button1Click();   // PDF device
  void Button2Click();   // font list
  void Button16Click();  // settings file
  void Button27Click();  // bookmark dialog
  void Button29Click();  // printer list
  void Button30Click();  // paper list
  void Button31Click();  // Win-direct printer
  void Button33Click();  // font settings
  void Button3Click();   // close
  // The close button or the close box: the window fades out and closes.
  bool CloseRequested() const { return closeRequested_; }

  // The debug start-folder list (ComboBox2): an empty item, then the base
  // folder's debug folders; nothing chosen at start.
  const std::vector<std::string>& ComboBox2Items() const { return comboBox2Items_; }
  int ComboBox2Index() const { return comboBox2Index_; }
  void SetComboBox2Index(int index);
  // The start folder of a file dialog named by its component name: the
  // chosen debug folder, else the dialog's own.
  std::string SetDialogStartFolder(const std::string& dialogName);

  // The print tab.
  int ComboBox1Index() const { return comboBox1Index_; }
  void SetComboBox1Index(int index);
  const std::string& Label1() const { return label1_; }
  // Also the analysis tab's file label.
  const std::string& AnalysisFileLabel() const { return analysisFileLabel_; }
  void SetAnalysisFileLabel(std::string text) {
    analysisFileLabel_ = std::move(text);
    Changed("Label4");
  }
  // The analysis tab's data choice: both labels show the file.
  void SetDataLabels(const std::string& file);
  int RadioGroup1() const { return radioGroup1_; }
  int RadioGroup2() const { return radioGroup2_; }
  int RadioGroup3() const { return radioGroup3_; }
  void SetRadioGroup1(int index) { Set(radioGroup1_, index, "RadioGroup1"); }
  void SetRadioGroup2(int index) { Set(radioGroup2_, index, "RadioGroup2"); }
  void SetRadioGroup3(int index) { Set(radioGroup3_, index, "RadioGroup3"); }
  bool CheckBox11() const { return checkBox11_; }  // JPEG
  bool CheckBox12() const { return checkBox12_; }  // program log
  bool CheckBox13() const { return checkBox13_; }  // PDF
  bool CheckBox14() const { return checkBox14_; }  // printer dialog
  bool CheckBox15() const { return checkBox15_; }  // no file-name label
  // Ticking JPEG unticks PDF and enables the DPI field; ticking PDF unticks
  // JPEG, which disables it.
  void CheckBox11Click(bool checked);
  void CheckBox13Click(bool checked);
  void SetCheckBox12(bool checked) { Set(checkBox12_, checked, "CheckBox12"); }
  void SetCheckBox14(bool checked) { Set(checkBox14_, checked, "CheckBox14"); }
  void SetCheckBox15(bool checked) { Set(checkBox15_, checked, "CheckBox15"); }
  const std::string& DpiText() const { return dpiText_; }
  bool DpiEnabled() const { return dpiEnabled_; }
  void SetDpiText(std::string text) { Set(dpiText_, std::move(text), "LabeledEdit1"); }

  void Button4Click();   // data selection
  void Button13Click();  // print run
  // The -p value of the chosen command kind for Label1.
  std::string PrintTarget() const;
  // The request of a run in mode 0 (print) or 1 (analysis); an invalid DPI
  // is shown and 350 taken.
  RunRequest MakeRunRequest(int mode);
  // Builds the argument list and the request and calls the print entry;
  // an analysis (mode 1) runs the analysis tab's file, without quotes.
  int RunFromMenu(int mode);
  // The analysis tab's exclusion lists, handed over in mode 1.
  std::array<std::string, 5> AnalysisFilters;

  // The spooler tab's "情報取得": the selected printer's state, appended to
  // the tab's text area. Returns the classification.
  int GetSpoolerInfoClick();
  const std::vector<std::string>& SpoolerLines() const { return spoolerLines_; }

  // The texts right of the column that nothing changes.
  static constexpr const char* kTestButton1 = "テスト用";
  static constexpr const char* kTestButton2 = "テスト2用";
  static constexpr std::array<const char*, 2> kMemoLines = {"テスト情報出力用", "適当な情報を表示するための領域"};
  static constexpr const char* kDebugFolderHeading = "デバッグ用オープンダイアログ初期表示ディレクトリ変更コンボボックス";
  static constexpr std::array<const char*, 3> kPrintTabNotes = {
      "システムメニュー起動中にプリンタ切り替えを行った場合は、一旦終了してから再度システムメニューを起動しなおしてください。",
      "印刷基本設定で設定した内容はPDAT解析に反映されます。注意して下さい。",
      "新コマンド印刷(フォルダ指定）をした時にファルダ内に、plist.infが存在した場合、印刷はplist.infの内容に依存します（印"
      "刷データリスト指定テスト用）。",
  };

 private:
  bool FileExists(const std::string& path) const;
  void ChooseData();
  // Sets a field and tells the observers when it changed.
  template <class T, class V>
  void Set(T& field, V&& value, const char* what) {
    if (field == value) return;
    field = std::forward<V>(value);
    Changed(what);
  }

  Ui& ui_;
  PrintSystem& printers_;
  SystemMenuHooks hooks_;
  std::string baseDir_;
  bool panel1Visible_ = true;
  int width_ = kFullWidth, height_ = kFullHeight;
  int activeTab_ = 0;
  bool closeRequested_ = false;
  std::vector<std::string> comboBox2Items_;
  int comboBox2Index_ = -1;
  std::map<std::string, std::string> rememberedFolders_;
  int comboBox1Index_ = -1;
  std::string openDialog1FileName_;
  std::string label1_;
  std::string analysisFileLabel_;
  int radioGroup1_ = 0;
  int radioGroup2_ = 1;
  int radioGroup3_ = 1;
  bool checkBox11_ = false, checkBox12_ = false, checkBox13_ = false, checkBox14_ = false, checkBox15_ = false;
  std::string dpiText_ = "350";
  bool dpiEnabled_ = false;
  std::vector<std::string> spoolerLines_;
  std::vector<FormModel*> pages_;
};

}  // namespace kestrel
