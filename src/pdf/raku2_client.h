// Raku2Client: the calls of the document-filing product's plug-in programs
// ("楽々"). Each call starts one plug-in executable with paths (and
// numbers) on its command line, the last of which names an ini-form result
// file, waits for it without a time-out, and reads "Result" (0 success,
// -10000 when the file or the key is missing) from the call's output
// section:
//
//   call              executable            arguments                     section
//   CreateFilingFile  RkFileCnv.exe         source binder mode result     RkPdfCnv_Output
//   ShowFilingViewer  RkViewCtl.exe         binder "a b" result           RkViewCtl_Output
//   EditBinder        RkBindEdt.exe         binder mode result            RkBindEdt_Output
//   OperateBinder     RkBindOpe.exe         result                        RkBindOpe_Output
//   GetLinkFolders    RkLinkFolderInfo.exe  result                        RkLinkFolderInfo_Output
//   FindBinder        RkBindFind.exe        root result                   RkBindFind_Output
//
// The executables live in "C:\Program Files\PFU\Raku2\plugin\", which is,
// as every Windows path, a folder under the base folder; the executable's
// path is written first and unquoted, the paths after it in double quotes.
// A result file left by an earlier call is removed before the executable
// starts, so a call that did not run never reads an old answer.
//
// Returns: 0; -1 the result file cannot be opened; -2 "Result" is not 0;
// -99 an exception; GetLinkFolders also -3 to -7 (a key it needs missing).
// Every failure is shown to the operator with the call's own message.
#pragma once

#include <string>
#include <vector>

#include "platform/form_model.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace kestrel {

inline constexpr int kRaku2ResultMissing = -10000;

class Raku2Client {
 public:
  enum Call { kFileCreation, kViewer, kBinderEdit, kBinderOperation, kLinkFolders, kBinderSearch, kCallCount };

  static constexpr const char* kPluginFolder = "C:\\Program Files\\PFU\\Raku2\\plugin\\";
  static const char* ExecutableName(Call call);
  static const char* OutputSection(Call call);

  Raku2Client(System& system, Ui& ui, std::string baseDir);

  std::string sourceFile;    // handed to file creation
  std::string binderFile;    // the binder (PDF): viewer, binder edit, file creation
  std::string documentRoot;  // handed to binder search
  std::string resultFile[kCallCount];
  std::string executable[kCallCount];  // kPluginFolder + the executable's name

  // Set by GetLinkFolders: the count, and count + 1 paths and names (the
  // current folder first).
  int folderCount = 0;
  std::vector<std::string> linkFolderPaths;
  std::vector<std::string> linkFolderNames;

  int CreateFilingFile(int mode);
  int ShowFilingViewer(int a, int b);
  int EditBinder(int mode);
  int OperateBinder();
  int GetLinkFolders();
  int FindBinder();

  // The command line of a call as it is started (paths of this system).
  std::string CommandLine(Call call, const std::vector<std::string>& items) const;
  // A path of this system for a Windows path.
  std::string Resolve(const std::string& path) const;

 private:
  int Run(Call call, const std::vector<std::string>& items);
  int ReadLinkFolders(const class ProfileFile& file);

  System& system_;
  Ui& ui_;
  std::string baseDir_;
};

// The system menu's tab "楽々テスト": seven buttons that each make one
// client, one call (two in the flow test) on fixed sample paths, with the
// result files "C:\zoq\bunsho\raku2_*.ini".
// The tab's layout is kFilingPage (forms/form_tables.h).
class Raku2TestTab final : public FormModel {
 public:
  const char* FormName() const override { return "TabSheetFiling"; }
  static constexpr const char* kFolder = "c:\\zoq\\bunsho\\";
  static constexpr const char* kSampleSource = "C:\\tmp\\b4_2.jpg";
  static constexpr const char* kSampleBinder = "C:\\zoq\\bunsho\\sample\\binder.pdf";
  static constexpr const char* kSampleRoot = "C:\\zoq\\bunsho\\sample\\";

  Raku2TestTab(std::string baseDir, System& system, Ui& ui);

  // The folder the tab's folder list opens (its choice is used by nothing).
  std::string FolderListFolder() const;

  // The folder list as a folder tree: the open folder's path from its
  // drive, one entry a folder (the drive "c:\", then each folder below it,
  // one level deeper each), then the folders in the open folder, one level
  // deeper again, in name order.
  struct FolderRow {
    std::string name;
    int depth = 0;
    bool open = false;  // a folder of the path (else one in the open folder)
  };
  const std::vector<FolderRow>& FolderTree() const { return folderTree_; }
  // Opens the list's folder: on showing, and when a row is double-clicked
  // (OpenFolderRow: that folder becomes the open one).
  void OpenFolderList();
  void OpenFolderRow(int row);
  // A client with the tab's result files.
  Raku2Client NewClient() const;

  int FileCreationClick();   // "ファイル作成": mode 3, the sample source and binder
  int ViewerClick();         // "ビューア表示": 0 0, the sample binder
  int BinderEditClick();     // "バインダ編集": mode 1, the sample binder
  int BinderOperationClick();  // "バインダ操作"
  int LinkFoldersClick();    // "リンクフォルダ取得"
  int BinderSearchClick();   // "バインダ検索": the sample document root
  // "流れテスト": binder operation, then binder edit (mode 1) of the binder
  // the operation names ("CreateFilePath"). 0, or the first failure's code
  // (-10 when the operation named no binder).
  int FlowTestClick();

  // The seven buttons' actions, in the order of their controls
  // ("Button1" to "Button7").
  static constexpr int (Raku2TestTab::*kClicks[7])() = {
      &Raku2TestTab::FileCreationClick, &Raku2TestTab::ViewerClick,      &Raku2TestTab::BinderEditClick,
      &Raku2TestTab::BinderOperationClick, &Raku2TestTab::LinkFoldersClick, &Raku2TestTab::BinderSearchClick,
      &Raku2TestTab::FlowTestClick,
  };

 private:
  void ListFolder(const std::string& windowsFolder);

  std::string openFolder_ = kFolder;  // the list's open folder, as Windows names it
  std::vector<FolderRow> folderTree_;
  std::string baseDir_;
  System& system_;
  Ui& ui_;
};

}  // namespace kestrel
