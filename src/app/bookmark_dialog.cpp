#include "app/bookmark_dialog.h"

#include <filesystem>
#include <system_error>

#include "pdf/outliner_call.h"
#include "util/file_control.h"
#include "util/paths.h"
#include "util/profile_file.h"
#include "platform/native_path.h"

namespace kestrel {

namespace {

constexpr const char* kPdfSection = "PDF";

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(FsPath(path), ec);
}

std::string WithSettingsPath(const char* text, const std::string& path) { return text + path + ")"; }

// path without the extension of its last name ("a.b/c" keeps its dot).
std::string WithoutFileExtension(const std::string& path) {
  const size_t name = path.find_last_of("\\/");
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (name != std::string::npos && dot < name)) return path;
  return path.substr(0, dot);
}

}  // namespace

TAddBookMark1::TAddBookMark1(RunSettings& settings, System& system, Ui& ui)
    : settings_(settings), system_(system), ui_(ui) {
  const std::string& folder = settings_.PdfFolder;
  if (IsFolder(folder) || FileControl(system_).MakeFolder(folder, 0) == 0) {
    documentFolder_ = folder;
    Label10 = settings_.OutLinerPath;
    Label5 = settings_.BookMarkPdfPath;
  } else {
    ui_.ShowMessage(folder + "フォルダの作成に失敗しました\nPDF出力を中止します", MessageKind::Error);
    Label10 = kOutlinerDesignText;
  }
}

std::string TAddBookMark1::Resolve(const std::string& label) const { return ResolvePath(settings_.BaseDir, label); }

void TAddBookMark1::Button23Click() {
  const std::string file = ui_.ChooseFile("しおり追加対象PDFファイルパス指定", documentFolder_, kPdfFilter);
  if (file.empty()) return;
  Label8 = file;
  const std::string csv = WithoutFileExtension(file) + ".csv";
  if (IsExistingFile(Resolve(csv))) Label9 = csv;
  Changed();
}

void TAddBookMark1::Button25Click() {
  const std::string file = ui_.ChooseFile("しおり追加設定CSVファイルパス指定", documentFolder_, kCsvFilter);
  if (file.empty()) return;
  Label9 = file;
  Changed("Label9");
}

bool TAddBookMark1::SettingsFileOpens() {
  ProfileFile file;
  const ProfileFile::LoadResult loaded = file.Load(settings_.SettingsPath);
  if (loaded == ProfileFile::LoadResult::kOk || loaded == ProfileFile::LoadResult::kMissing) return true;
  ui_.ShowMessage(WithSettingsPath("infが生成できませんでした(", settings_.SettingsPath), MessageKind::Error);
  return false;
}

void TAddBookMark1::Store(const char* key, const std::string& value, std::string& field) {
  ProfileFile file;
  const ProfileFile::LoadResult loaded = file.Load(settings_.SettingsPath);
  bool saved = loaded == ProfileFile::LoadResult::kOk || loaded == ProfileFile::LoadResult::kMissing;
  if (saved) {
    file.SetString(kPdfSection, key, value);
    saved = file.Save(settings_.SettingsPath);
  }
  ProfileFile back;
  if (saved && back.Load(settings_.SettingsPath) == ProfileFile::LoadResult::kOk) {
    field = back.GetString(kPdfSection, key, value);
    return;
  }
  ui_.ShowMessage(WithSettingsPath("infが保存できませんでした(", settings_.SettingsPath), MessageKind::Error);
}

void TAddBookMark1::Button26Click() {
  const std::string file =
      ui_.ChooseFile("アウトライナーコマンド実行プログラムパス設定", Resolve(kExeStartFolder), kExeFilter);
  if (file.empty()) return;
  Label10 = file;
  if (SettingsFileOpens()) Store("$OutLinerPath", Label10, settings_.OutLinerPath);
  Changed("Label10");
}

void TAddBookMark1::Button2Click() {
  if (!SettingsFileOpens()) return;
  const std::string folder = ui_.ChooseFolder("しおり付加後PDFファイル保存フォルダ設定", Resolve(Label5));
  if (folder.empty()) return;
  Label5 = folder;
  Store("$BookMarkPdfPath", Label5, settings_.BookMarkPdfPath);
  Changed("Label5");
}

std::string TAddBookMark1::OutputPdfPath() const {
  std::string folder = Label5.empty() ? settings_.BaseDir : Resolve(Label5);
  while (folder.size() > 1 && (folder.back() == '/' || (kWindowsFileNames && folder.back() == '\\')))
    folder.pop_back();
  return folder + kPathSeparator + WithoutExtension(FileNameOf(Label8)) + "_bk.pdf";
}

int TAddBookMark1::Button24Click() {
  const std::string outliner = Resolve(Label10);
  if (!CheckOutlinerPath(ui_, outliner, Label10)) return -1;
  if (!IsExistingFile(Resolve(Label8))) {
    ui_.ShowMessage("指定されたPDFファイルは存在していません。", MessageKind::Error);
    return -1;
  }
  if (!IsExistingFile(Resolve(Label9))) {
    ui_.ShowMessage("指定されたしおり設定用CSVファイルは存在していません。", MessageKind::Error);
    return -1;
  }
  const std::string output = OutputPdfPath();
  if (RunOutliner(system_, ui_, outliner, Resolve(Label8), output, Resolve(Label9)) != 0) return -1;
  if (CheckBox1) OpenWithShell(system_, ui_, output);
  return 0;
}

OutlinerTab::OutlinerTab(std::string baseDir, System& system, Ui& ui, StartFolder startFolder)
    : baseDir_(std::move(baseDir)), system_(system), ui_(ui), startFolder_(std::move(startFolder)) {}

std::string OutlinerTab::Choose(const char* dialogName, const char* designFolder, const char* title,
                                const char* filter, std::string& fileName) {
  const std::string folder = startFolder_ ? startFolder_(dialogName) : ResolvePath(baseDir_, designFolder);
  const std::string chosen = ui_.ChooseFile(title, folder, filter);
  if (!chosen.empty()) fileName = chosen;
  return fileName;
}

void OutlinerTab::ChoosePdf() {
  pdfLabel = Choose("OpenDialog2", "c:\\vpdf", "PDF選択", TAddBookMark1::kPdfFilter, pdfFile_);
  Changed("LabelPdf");
}

void OutlinerTab::ChooseCsv() {
  csvLabel = Choose("OpenDialog3", "c:\\vpdf", "しおり設定選択", TAddBookMark1::kCsvFilter, csvFile_);
  Changed("LabelCsv");
}

void OutlinerTab::ChooseOutliner() {
  outlinerLabel = Choose("OpenDialog4", TAddBookMark1::kExeStartFolder, "OutlinerCmdパス", kExeFilter, exeFile_);
  Changed("LabelOutliner");
}

std::string OutlinerTab::OutputPdfPath() const {
  return WithoutFileExtension(ResolvePath(baseDir_, pdfLabel)) + "_add.pdf";
}

int OutlinerTab::AddBookmarks() {
  const std::string outliner = ResolvePath(baseDir_, outlinerLabel);
  if (!CheckOutlinerPath(ui_, outliner, outlinerLabel)) return -1;
  return RunOutliner(system_, ui_, outliner, ResolvePath(baseDir_, pdfLabel), OutputPdfPath(),
                     ResolvePath(baseDir_, csvLabel));
}

}  // namespace kestrel
