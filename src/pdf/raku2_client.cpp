#include "pdf/raku2_client.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

#include "pdf/outliner_call.h"
#include "util/char_forms.h"
#include "util/find_files.h"
#include "util/paths.h"
#include "util/profile_file.h"
#include "util/windows_command_line.h"
#include "platform/native_path.h"

namespace kestrel {

namespace {

struct CallText {
  const char* executable;
  const char* section;
  const char* cannotOpen;  // %s: the result file
  const char* resultNotZero;  // %d: Result
  const char* exception;
};

constexpr CallText kCalls[Raku2Client::kCallCount] = {
    {"RkFileCnv.exe", "RkPdfCnv_Output", "楽々ファイル作成でエラーが発生しました。\niniファイルがオープン出来ません。[%s]",
     "楽々ファイル作成実行時エラーが発生しました。\nResult[%d]", "楽々ファイル作成実行時例外エラーが発生しました。"},
    {"RkViewCtl.exe", "RkViewCtl_Output", "楽々ビューアでエラーが発生しました。\niniファイルがオープン出来ません。[%s]",
     "楽々ビューア実行時エラーが発生しました。\nResult[%d]", "楽々ビューア実行時例外エラーが発生しました。"},
    {"RkBindEdt.exe", "RkBindEdt_Output",
     "楽々バインダ編集でエラーが発生しました。\niniファイルがオープン出来ません。[%s]",
     "楽々バインダ編集実行時エラーが発生しました。\nResult[%d]", "楽々バインダ編集実行時例外エラーが発生しました。"},
    {"RkBindOpe.exe", "RkBindOpe_Output",
     "楽々バインダ操作でエラーが発生しました。\niniファイルがオープン出来ません。[%s]",
     "楽々バインダ操作実行時エラーが発生しました。\nResult[%d]", "楽々バインダ操作実行時例外エラーが発生しました。"},
    {"RkLinkFolderInfo.exe", "RkLinkFolderInfo_Output",
     "楽々リンクフォルダ取得でエラーが発生しました。\niniファイルがオープン出来ません。[%s]",
     "楽々リンクフォルダ取得実行時エラーが発生しました。\nResult[%d]",
     "楽々リンクフォルダ取得実行時例外エラーが発生しました。"},
    // Binder search reports its result and exception as the binder
    // operation does.
    {"RkBindFind.exe", "RkBindFind_Output",
     "楽々バインダ検索でエラーが発生しました。\niniファイルがオープン出来ません。[%s]",
     "楽々バインダ操作実行時エラーが発生しました。\nResult[%d]", "楽々バインダ操作実行時例外エラーが発生しました。"},
};

// text with its first "%s" or "%d" replaced by value.
std::string Fill(std::string text, const char* mark, const std::string& value) {
  const size_t at = text.find(mark);
  if (at != std::string::npos) text.replace(at, 2, value);
  return text;
}

std::string Number(int value) { return std::to_string(value); }

}  // namespace

const char* Raku2Client::ExecutableName(Call call) { return kCalls[call].executable; }
const char* Raku2Client::OutputSection(Call call) { return kCalls[call].section; }

Raku2Client::Raku2Client(System& system, Ui& ui, std::string baseDir)
    : system_(system), ui_(ui), baseDir_(std::move(baseDir)) {
  for (int call = 0; call < kCallCount; ++call)
    executable[call] = std::string(kPluginFolder) + kCalls[call].executable;
}

std::string Raku2Client::Resolve(const std::string& path) const { return ResolvePath(baseDir_, path); }

std::string Raku2Client::CommandLine(Call call, const std::vector<std::string>& items) const {
  std::string line = Resolve(executable[call]);
  for (const std::string& item : items) line += " " + item;
  return line;
}

int Raku2Client::Run(Call call, const std::vector<std::string>& items) {
  const CallText& text = kCalls[call];
  const std::string result = Resolve(resultFile[call]);
  try {
    std::vector<std::string> all = items;
    all.push_back(QuoteText(result));
    const std::string line = CommandLine(call, all);
    std::error_code ec;
    if (!std::filesystem::is_directory(FsPath(result), ec)) std::filesystem::remove(FsPath(result), ec);
    // The exit code tells nothing: the answer is the result file.
    if (line.size() < kCommandLineBuffer) RunCommandLine(system_, line);

    ProfileFile file;
    const ProfileFile::LoadResult loaded = file.Load(result);
    if (loaded != ProfileFile::LoadResult::kOk && loaded != ProfileFile::LoadResult::kMissing) {
      ui_.ShowMessage(Fill(text.cannotOpen, "%s", result), MessageKind::Error);
      return -1;
    }
    const int value = file.GetInt(text.section, "Result", kRaku2ResultMissing);
    if (value != 0) {
      ui_.ShowMessage(Fill(text.resultNotZero, "%d", Number(value)), MessageKind::Error);
      return -2;
    }
    return call == kLinkFolders ? ReadLinkFolders(file) : 0;
  } catch (const std::exception&) {
    ui_.ShowMessage(text.exception, MessageKind::Error);
    return -99;
  }
}

int Raku2Client::ReadLinkFolders(const ProfileFile& file) {
  const char* section = kCalls[kLinkFolders].section;
  auto fail = [&](std::string message, int code) {
    ui_.ShowMessage(message, MessageKind::Error);
    return code;
  };
  const int count = file.GetInt(section, "FolderNum", 0);
  if (count <= 0)
    return fail(Fill("楽々リンクフォルダ数取得時にエラーが発生しました。\nFolderNum[%d]", "%d", Number(count)), -3);
  folderCount = count;
  linkFolderPaths.clear();
  linkFolderNames.clear();
  const std::string current = file.GetString(section, "CurrentFolder", "");
  if (current.empty())
    return fail("楽々カレントリンクフォルダパス取得時にエラーが発生しました。\nCurrentFolderPath[]", -4);
  linkFolderPaths.push_back(current);
  for (int i = 1; i <= count; ++i) {
    const std::string path = file.GetString(section, "LinkFolder" + Number(i), "");
    if (path.empty())
      return fail("楽々リンクフォルダパス取得時にエラーが発生しました。\nLinkFolder" + Number(i) + "[]", -5);
    linkFolderPaths.push_back(path);
  }
  const std::string currentName = file.GetString(section, "CurrentName", "");
  if (currentName.empty())
    return fail("楽々カレントリンクフォルダ名取得時にエラーが発生しました。\nCurrentFolderName[]", -6);
  linkFolderNames.push_back(currentName);
  for (int j = 1; j <= count; ++j) {
    const std::string name = file.GetString(section, "LinkName" + Number(j), "");
    if (name.empty())
      return fail("楽々リンクフォルダ名取得時にエラーが発生しました。\nLinkName" + Number(j) + "[]", -7);
    linkFolderNames.push_back(name);
  }
  return 0;
}

int Raku2Client::CreateFilingFile(int mode) {
  return Run(kFileCreation, {QuoteText(Resolve(sourceFile)), QuoteText(Resolve(binderFile)), Number(mode)});
}

int Raku2Client::ShowFilingViewer(int a, int b) {
  return Run(kViewer, {QuoteText(Resolve(binderFile)), Number(a) + " " + Number(b)});
}

int Raku2Client::EditBinder(int mode) { return Run(kBinderEdit, {QuoteText(Resolve(binderFile)), Number(mode)}); }

int Raku2Client::OperateBinder() { return Run(kBinderOperation, {}); }

int Raku2Client::GetLinkFolders() { return Run(kLinkFolders, {}); }

int Raku2Client::FindBinder() { return Run(kBinderSearch, {QuoteText(Resolve(documentRoot))}); }

// The test tab.

namespace {

constexpr const char* kResultNames[Raku2Client::kCallCount] = {"raku2_mk.ini", "raku2_v.ini",  "raku2_ed.ini",
                                                                "raku2_op.ini", "raku2_lk.ini", "raku2_bs.ini"};
constexpr const char* kResultFolder = "C:\\zoq\\bunsho\\";

}  // namespace

Raku2TestTab::Raku2TestTab(std::string baseDir, System& system, Ui& ui)
    : baseDir_(std::move(baseDir)), system_(system), ui_(ui) {}

std::string Raku2TestTab::FolderListFolder() const { return ResolvePath(baseDir_, kFolder); }

void Raku2TestTab::OpenFolderList() { ListFolder(openFolder_); }

void Raku2TestTab::OpenFolderRow(int row) {
  if (row < 0 || row >= int(folderTree_.size())) return;
  const FolderRow target = folderTree_[size_t(row)];
  // A folder of the path: the path down to it; a folder in the open one:
  // the whole path and its name.
  std::string folder;
  auto append = [&folder](const std::string& name) {
    folder += name;
    if (folder.back() != '\\') folder += '\\';
  };
  for (const FolderRow& r : folderTree_)
    if (r.open && (!target.open || r.depth <= target.depth)) append(r.name);
  if (!target.open) append(target.name);
  ListFolder(folder);
}

void Raku2TestTab::ListFolder(const std::string& windowsFolder) {
  openFolder_ = windowsFolder;
  folderTree_.clear();
  // The path's folders: the drive, then each name between backslashes.
  size_t start = 0;
  const size_t colon = windowsFolder.find(':');
  if (colon != std::string::npos && colon + 1 < windowsFolder.size() && windowsFolder[colon + 1] == '\\') {
    folderTree_.push_back({windowsFolder.substr(0, colon + 2), 0, true});
    start = colon + 2;
  }
  while (start < windowsFolder.size()) {
    size_t end = windowsFolder.find('\\', start);
    if (end == std::string::npos) end = windowsFolder.size();
    if (end > start)
      folderTree_.push_back({windowsFolder.substr(start, end - start), int(folderTree_.size()), true});
    start = end + 1;
  }
  // The folders in it, in name order.
  std::vector<std::string> names;
  for (const System::FolderEntry& e : system_.ListFolder(ResolvePath(baseDir_, windowsFolder)))
    if (e.kind == System::EntryKind::kFolder) names.push_back(e.name);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareNamesForListing(a, b) < 0; });
  const int depth = int(folderTree_.size());
  for (std::string& name : names) folderTree_.push_back({std::move(name), depth, false});
  Changed("DirectoryListBox1");
}

Raku2Client Raku2TestTab::NewClient() const {
  Raku2Client client(system_, ui_, baseDir_);
  for (int call = 0; call < Raku2Client::kCallCount; ++call)
    client.resultFile[call] = std::string(kResultFolder) + kResultNames[call];
  return client;
}

int Raku2TestTab::FileCreationClick() {
  Raku2Client client = NewClient();
  client.sourceFile = kSampleSource;
  client.binderFile = kSampleBinder;
  return client.CreateFilingFile(3);
}

int Raku2TestTab::ViewerClick() {
  Raku2Client client = NewClient();
  client.binderFile = kSampleBinder;
  return client.ShowFilingViewer(0, 0);
}

int Raku2TestTab::BinderEditClick() {
  Raku2Client client = NewClient();
  client.binderFile = kSampleBinder;
  return client.EditBinder(1);
}

int Raku2TestTab::BinderOperationClick() { return NewClient().OperateBinder(); }

int Raku2TestTab::LinkFoldersClick() { return NewClient().GetLinkFolders(); }

int Raku2TestTab::BinderSearchClick() {
  Raku2Client client = NewClient();
  client.documentRoot = kSampleRoot;
  return client.FindBinder();
}

int Raku2TestTab::FlowTestClick() {
  Raku2Client client = NewClient();
  const int operated = client.OperateBinder();
  if (operated != 0) return operated;
  std::string binder;
  try {
    ProfileFile file;
    file.Load(client.Resolve(client.resultFile[Raku2Client::kBinderOperation]));
    binder = file.GetString(Raku2Client::OutputSection(Raku2Client::kBinderOperation), "CreateFilePath", "");
  } catch (const std::exception&) {
    ui_.ShowMessage("バインダパスが取得時に例外が発生しました\n処理を中断します。", MessageKind::Error);
    return -99;
  }
  if (binder.empty()) {
    ui_.ShowMessage("バインダパスが取得出来ません\n処理を中断します。", MessageKind::Error);
    return -10;
  }
  client.binderFile = binder;
  return client.EditBinder(1);
}

}  // namespace kestrel
