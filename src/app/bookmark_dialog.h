// The bookmark forms without a toolkit: the bookmark dialog TAddBookMark1
// (opened from the system menu's button "しおり追加処理") and the system
// menu's older outliner tab "アウトライナー２". Both add bookmarks to a PDF
// with the outliner (pdf/outliner_call.h); a window (or a test, or
// kestrel-tools) shows their labels and presses their buttons.
//
// The labels are what the forms hold: the paths are read back from them
// when the outliner runs, resolved as every Windows path is (util/paths.h:
// "C:\..." and "\..." under the base folder).
#pragma once

#include <functional>
#include <string>

#include "app/run_settings.h"
#include "platform/form_model.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace kestrel {

// The dialog's layout is kBookmarkForm (forms/form_tables.h).
class TAddBookMark1 final : public FormModel {
 public:
  const char* FormName() const override { return "AddBookMark1"; }
  // The outliner label's text when the dialog could not take the settings.
  static constexpr const char* kOutlinerDesignText = "C:\\Program Files\\Antenna\\Outliner\\OutlinerCmd.exe";
  static constexpr const char* kExeFilter = "exe|*.exe|com|*.com|全て|*.*";
  static constexpr const char* kPdfFilter = "pdf|*.pdf|全て|*.*";
  static constexpr const char* kCsvFilter = "csv|*.csv|xml|*.xml|全て|*.*";
  static constexpr const char* kExeStartFolder = "C:\\Program Files";

  // Creation: makes the PDF folder when it is missing; when it is there (or
  // was made) the PDF and CSV choosers start in it and the labels show
  // $OutLinerPath and $BookMarkPdfPath, else a message and the design texts.
  TAddBookMark1(RunSettings& settings, System& system, Ui& ui);

  std::string Label10;  // outliner ($OutLinerPath)
  std::string Label5;   // output folder ($BookMarkPdfPath)
  std::string Label8;   // source PDF
  std::string Label9;   // bookmark CSV
  bool CheckBox1 = false;  // "作成後にPDFを開く"

  // "参照" of the source PDF: the chosen file, and beside it a CSV of the
  // same name when there is one.
  void Button23Click();
  // "参照" of the bookmark CSV.
  void Button25Click();
  // "参照" of the outliner: the chosen file, stored as $OutLinerPath.
  void Button26Click();
  // "参照" of the output folder: the chosen folder, stored as $BookMarkPdfPath.
  void Button2Click();
  // "しおり付加実行": the four checks, then the outliner writes
  // OutputPdfPath(), then (with CheckBox1) the result is opened. 0 when the
  // outliner ran, -1 when a check failed or it could not be started.
  int Button24Click();

  // <output folder>/<source name without its last extension>_bk.pdf, on
  // this system (an empty folder label is the base folder).
  std::string OutputPdfPath() const;
  // Where the PDF and CSV choosers start (empty: the chooser's own choice).
  const std::string& documentFolder() const { return documentFolder_; }

 private:
  std::string Resolve(const std::string& label) const;
  // Writes a key of section PDF and reads it back into field.
  void Store(const char* key, const std::string& value, std::string& field);
  bool SettingsFileOpens();

  RunSettings& settings_;
  System& system_;
  Ui& ui_;
  std::string documentFolder_;
};

// The system menu's tab "アウトライナー２": three choosers and "しおり付加"
// (the outliner checks only; the output is the source's path with "_add.pdf"
// for its extension; nothing is opened, no setting written).
// The tab's layout is kOutlinerPage (forms/form_tables.h).
class OutlinerTab final : public FormModel {
 public:
  const char* FormName() const override { return "TabSheetOutliner"; }
  static constexpr const char* kExeFilter = "exe|*.exe";

  // startFolder gives a chooser's start folder by the chooser's name
  // ("OpenDialog2" PDF, "OpenDialog3" CSV, "OpenDialog4" outliner); the
  // system menu hands its own (the debug folder list's choice). Without
  // it the choosers start in their own folders: c:\vpdf and C:\Program Files
  // under the base folder.
  using StartFolder = std::function<std::string(const std::string& dialogName)>;
  OutlinerTab(std::string baseDir, System& system, Ui& ui, StartFolder startFolder = {});

  std::string pdfLabel, csvLabel, outlinerLabel;

  // Each chooser's file name goes to its label whether or not the operator
  // confirmed: a cancelled chooser keeps the name it had (empty at first).
  void ChoosePdf();       // "PDF選択"
  void ChooseCsv();       // "しおり設定選択"
  void ChooseOutliner();  // "OutlinerCmdパス"
  // "しおり付加": 0 when the outliner ran, -1 otherwise.
  int AddBookmarks();
  // The source's path without its extension, "_add.pdf" after it.
  std::string OutputPdfPath() const;

 private:
  std::string Choose(const char* dialogName, const char* designFolder, const char* title, const char* filter,
                     std::string& fileName);

  std::string baseDir_;
  System& system_;
  Ui& ui_;
  StartFolder startFolder_;
  std::string pdfFile_, csvFile_, exeFile_;  // the choosers' file names
};

}  // namespace kestrel
