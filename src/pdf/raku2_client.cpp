#include "pdf/raku2_client.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "pdf/outliner_call.h"
#include "util/char_forms.h"
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

const Raku2TestTab::Button Raku2TestTab::kButtons[7] = {
    {"ファイル作成", &Raku2TestTab::FileCreationClick},   {"ビューア表示", &Raku2TestTab::ViewerClick},
    {"バインダ編集", &Raku2TestTab::BinderEditClick},     {"バインダ操作", &Raku2TestTab::BinderOperationClick},
    {"リンクフォルダ取得", &Raku2TestTab::LinkFoldersClick}, {"バインダ検索", &Raku2TestTab::BinderSearchClick},
    {"流れテスト", &Raku2TestTab::FlowTestClick},
};

Raku2TestTab::Raku2TestTab(std::string baseDir, System& system, Ui& ui)
    : baseDir_(std::move(baseDir)), system_(system), ui_(ui) {}

std::string Raku2TestTab::FolderListFolder() const { return ResolvePath(baseDir_, kFolder); }

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
