// The system menu's analysis tabs without a toolkit:
//  - TAnalysisTab ("PDAT解析"): the print-data file and the check boxes
//    whose ticks become the analysis log's five exclusion lists, and the
//    analysis run;
//  - TAnalysisLogTab ("解析ログ"): an analysis log loaded into a text area,
//    moved through with F1/F2 and searched with F3, saved as plain text;
//  - TAnalysisImageTab ("解析イメージ"): the page image of an analysis run.
// A window (Qt) builds each tab from its layout table (forms/form_tables.h),
// draws the model again whenever it says it changed, and turns clicks and
// keys into the calls below; `kestrel-tools analyse` drives TAnalysisTab without a window. File
// choices and messages go through the Ui; what the tabs need of the menu
// window that holds them (its dialogs' start folders, its print run) comes
// in through the hooks.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/system_menu.h"
#include "platform/form_model.h"
#include "platform/ui.h"

namespace kestrel {

// The five exclusion lists of an analysis run, in the order of the run
// request: fill patterns, line types, circles, character classes,
// typefaces. Each is the ascending comma list of the ticked boxes' numbers
// ("1,3,5"), empty when none is ticked.
using ExclusionLists = std::array<std::string, 5>;

// Check boxes found by component name, letter case ignored.
class NamedCheckBoxes {
 public:
  // Adds an unticked box (a name already present is kept once).
  void Add(const std::string& name);
  // The box of that name; nullptr when there is none.
  bool* Find(std::string_view name);
  const bool* Find(std::string_view name) const;
  // Ticks or unticks a box; false when there is none of that name.
  bool Set(std::string_view name, bool ticked);
  const std::vector<std::pair<std::string, bool>>& Boxes() const { return boxes_; }

 private:
  std::vector<std::pair<std::string, bool>> boxes_;
};

// The list of one group: for i from 1 to count, i and a comma when the box
// prefix + i is ticked; the last comma dropped.
std::string CollectChecked(const NamedCheckBoxes& boxes, std::string_view prefix, int count);
void SetAllChecks(NamedCheckBoxes& boxes, std::string_view prefix, int count);
void ClearAllChecks(NamedCheckBoxes& boxes, std::string_view prefix, int count);

// One exclusion group: the component names of its boxes (prefix 1 ...
// prefix count, spelled as the tab names them) and the prefix its list is
// collected with.
struct ExclusionGroup {
  const char* componentPrefix;
  const char* listPrefix;
  int count;
};
// In the order of ExclusionLists.
inline constexpr std::array<ExclusionGroup, 5> kExclusionGroups{{
    {"patcheck", "patcheck", 15},
    {"LinePat", "linepat", 5},
    {"circle", "circle", 1},
    {"strsize", "strsize", 5},
    {"font", "font", 2},
}};

// The start folder of one of the menu window's file dialogs, by the
// dialog's component name (the menu's SetDialogStartFolder); without it a
// dialog starts where the Ui likes.
using DialogStartFolder = std::function<std::string(const std::string& dialogName)>;

// The dialogs' component names.
inline constexpr const char* kDataDialog = "OpenDialog1";
inline constexpr const char* kLogDialog = "AnalyzeFOpen1";
inline constexpr const char* kImageDialog = "AnalyzeImageFOpen1";

inline constexpr const char* kAnalysisNote =
    "システムメニュー起動中にプリンタ切り替えを行った場合は、一旦終了してから再度システムメニューを起動しなおしてください。";

// Tab "PDAT解析".
class TAnalysisTab final : public FormModel {
 public:
  const char* FormName() const override { return "TabSheetAnalysis"; }

  struct Hooks {
    // SetDialogStartFolder of the menu; without it the design folder.
    DialogStartFolder startFolder;
    // The file label, which the menu holds: its print tab's data choice
    // sets it too, and this tab's choice sets the print tab's label.
    // Without these the tab holds it.
    std::function<std::string()> label;
    std::function<void(const std::string& file)> setLabel;
    // RunFromMenu with mode 1 and these exclusion lists (the -p value is
    // the label without quotes).
    std::function<void(const ExclusionLists& lists)> runFromMenu;
    // Empties the log tab's text area.
    std::function<void()> clearLog;
  };

  TAnalysisTab(Ui& ui, Hooks hooks);

  // データ選択: the dialog's file name, also when it was cancelled (then
  // the name it last took), goes to the label.
  void Button14Click();
  // 解析実行: false when no file is chosen (the operator is told).
  bool Button15Click();
  // オールチェック / オールチェック解除 of the fill patterns, the line
  // types, and the character classes with the typefaces.
  void Button17Click();
  void Button18Click();
  void Button19Click();
  void Button20Click();
  void Button21Click();
  void Button22Click();

  // The chosen file (Label4).
  std::string Label4() const;
  void SetLabel4(const std::string& file);

  NamedCheckBoxes& Boxes() { return boxes_; }
  const NamedCheckBoxes& Boxes() const { return boxes_; }
  // The operator ticked or unticked a box.
  void SetBox(std::string_view name, bool ticked);
  // The label's holder (the menu) changed it.
  void LabelChanged() { Changed("Label4"); }
  ExclusionLists CollectExclusions() const;

 private:
  std::string StartFolder(const char* dialog) const;

  Ui& ui_;
  Hooks hooks_;
  NamedCheckBoxes boxes_;
  std::string label4_;
  std::string dialogFileName_;  // the data dialog's file name
};

// Key codes the log tab reacts to (Windows virtual keys).
inline constexpr int kKeyF1 = 112;
inline constexpr int kKeyF2 = 113;
inline constexpr int kKeyF3 = 114;

// Tab "解析ログ". Positions count UTF-16 units of the text (a CP932 text has
// no character outside the basic plane, so they count characters).
class TAnalysisLogTab final : public FormModel {
 public:
  const char* FormName() const override { return "TabSheetAnalysisLog"; }

  static constexpr const char* kSearchPlaceholder = "ログ内検索ワード";
  static constexpr const char* kSaveDefaultName = "analyzetest.txt";

  TAnalysisLogTab(Ui& ui, DialogStartFolder startFolder = {});

  // 解析ログ選択, and the change to this tab: a cancelled dialog changes
  // nothing; a missing file is reported. True when a log was loaded.
  bool OpenLog();
  // Loads a log (Shift-JIS) into the text area, replacing its content;
  // false when it cannot be read (nothing changes).
  bool LoadLog(const std::string& path);
  void Clear();
  // 保  存: the text area's lines as a plain Shift-JIS text file, each
  // line followed by a line feed. False when cancelled or not written.
  bool Save();

  // F1 / F2: the caret to the start of the text / of its last line. The
  // window then focuses the text area and shows the caret.
  void Top();
  void End();
  // F3: the next match of the search text after the caret, letter case
  // ignored. Found: selected (true), the window focuses the text area and
  // shows it. Not found: the operator is told, the caret stays (false).
  bool FindNextInLog();
  // A key pressed in the text area (or passed on from the search field);
  // true when the key is consumed (F1, F2).
  bool RichEdit1KeyDown(int key);

  // The search field: emptied when it takes the focus still holding its
  // first text.
  void Edit1Enter();
  const std::string& SearchText() const { return search_; }
  void SetSearchText(std::string text);

  // The text area.
  const std::u16string& Text() const { return text_; }
  // Counts changes of the text, so that a window reloads it only then.
  unsigned Revision() const { return revision_; }
  size_t SelStart() const { return selStart_; }
  size_t SelLength() const { return selLength_; }
  // The operator moved the caret (or selected); clipped to the text.
  void SetSelection(size_t start, size_t length = 0);

 private:
  void Replace(std::u16string text);

  Ui& ui_;
  DialogStartFolder startFolder_;
  std::u16string text_;
  unsigned revision_ = 0;
  size_t selStart_ = 0, selLength_ = 0;
  std::string search_ = kSearchPlaceholder;
};

// Tab "解析イメージ".
class TAnalysisImageTab final : public FormModel {
 public:
  const char* FormName() const override { return "TabSheetAnalysisImage"; }

  TAnalysisImageTab(Ui& ui, DialogStartFolder startFolder = {});
  // イメージ選択, and the change to this tab: a cancelled dialog changes
  // nothing; a missing file is reported. True when a file was chosen; the
  // window then loads it at its own size.
  bool ChooseImage();
  const std::string& ImagePath() const { return path_; }
  unsigned Revision() const { return revision_; }

 private:
  Ui& ui_;
  DialogStartFolder startFolder_;
  std::string path_;
  unsigned revision_ = 0;
};

// The three tabs of one system menu, bound to it: their dialogs start where
// the menu's SetDialogStartFolder says, the file label is the menu's, the
// run is the menu's RunFromMenu(1) and empties this log tab's area first.
struct MenuAnalysisTabs {
  MenuAnalysisTabs(Ui& ui, TSysMenu1& menu);
  TAnalysisLogTab log;
  TAnalysisImageTab image;
  TAnalysisTab data;

 private:
  // The menu's data choice is the data tab's label too.
  FormModel::Subscription menuLabel_;
};

// The search of the log tab: the first position at or after from where
// needle starts in text, comparing without letter case (Latin, full-width
// Latin, Greek and Cyrillic letters); npos when none or needle is empty.
size_t FindIgnoringCase(std::u16string_view text, std::u16string_view needle, size_t from);

// UTF-8 and UTF-16 texts (the log area's form).
std::u16string Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);

}  // namespace kestrel
