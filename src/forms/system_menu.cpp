#include "forms/system_menu.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>

#include "fonts/font_list.h"
#include "forms/device_choice.h"
#include "lists/printer_list.h"
#include "util/numbers.h"
#include "util/paths.h"
#include "platform/native_path.h"

namespace kestrel {

namespace {

// The file dialogs of the window and the start folder each was designed
// with (none for OpenDialog5).
constexpr std::array<std::pair<const char*, const char*>, 7> kDesignFolders = {{
    {"OpenDialog1", "c:\\zoq"},
    {"OpenDialog2", "c:\\vpdf"},
    {"OpenDialog3", "c:\\vpdf"},
    {"OpenDialog4", "C:\\Program Files"},
    {"OpenDialog5", ""},
    {"AnalyzeFOpen1", "c:\\zoq\\palog"},
    {"AnalyzeImageFOpen1", "c:\\zoq\\palog"},
}};

constexpr const char* kPrintDataFilter = "pdat|*.pdat|全て|*.*";

// The printer error bits that make the query's result -99, with the names
// the status line gives them.
constexpr std::array<std::pair<uint32_t, const char*>, 10> kPrinterErrorBits = {{
    {kPrinterStatusError, "ERROR"},
    {kPrinterStatusPaperJam, "PAPER_JAM"},
    {kPrinterStatusPaperOut, "PAPER_OUT"},
    {kPrinterStatusPaperProblem, "PAPER_PROBLEM"},
    {kPrinterStatusOffline, "OFFLINE"},
    {kPrinterStatusOutputBinFull, "OUTPUT_BIN_FULL"},
    {kPrinterStatusNotAvailable, "NOT_AVAILABLE"},
    {kPrinterStatusNoToner, "NO_TONER"},
    {kPrinterStatusOutOfMemory, "OUT_OF_MEMORY"},
    {kPrinterStatusDoorOpen, "DOOR_OPEN"},
}};

constexpr uint32_t kJobErrorBits = kJobStatusError | kJobStatusOffline | kJobStatusPaperOut | kJobStatusBlockedDevq;

// A file name in the -p value's double quotes; a quote inside is doubled,
// as the comma list reads it.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  return out + "\"";
}

}  // namespace

int ClassifyPrinterState(int queryResult, const PrinterQueueState& state) {
  if (queryResult != 0) return -1;
  for (const auto& [bit, name] : kPrinterErrorBits)
    if ((state.status & bit) != 0) return -99;
  for (const QueuedJob& job : state.jobs)
    if ((job.status & kJobStatusPrinting) != 0 && (job.status & kJobErrorBits) != 0) return 1;
  return 0;
}

std::string SpoolerStatusLine(int classification, const PrinterQueueState& state) {
  if (classification == 1) return "状態：ジョブ異常あり";
  if (classification == -99) {
    std::string names;
    for (const auto& [bit, name] : kPrinterErrorBits) {
      if ((state.status & bit) == 0) continue;
      if (!names.empty()) names += ",";
      names += name;
    }
    return "状態：プリンタ異常(" + names + ")";
  }
  return state.jobs.empty() ? "状態：ジョブ無し" : "状態：ジョブ異常なし";
}

TSysMenu1::TSysMenu1(Ui& ui, PrintSystem& printers, SystemMenuHooks hooks)
    : ui_(ui), printers_(printers), hooks_(std::move(hooks)) {
  for (const auto& [name, folder] : kDesignFolders) rememberedFolders_[name] = folder;
  SetBaseDir({});
}

void TSysMenu1::SetBaseDir(const std::string& baseDir) {
  baseDir_ = baseDir;
  comboBox2Items_.assign(1, std::string());
  for (const char* folder : kDebugFolders) comboBox2Items_.push_back(ProductPath(baseDir, folder));
  comboBox2Index_ = -1;
}

void TSysMenu1::SetSmallForm(bool small) {
  panel1Visible_ = !small;
  width_ = small ? kSmallWidth : kFullWidth;
  height_ = small ? kSmallHeight : kFullHeight;
  Changed();
}

void TSysMenu1::FormShow() {
  activeTab_ = 0;
  closeRequested_ = false;
  Changed();
}

void TSysMenu1::SetActiveTab(int tab) {
  if (tab >= 0 && tab < int(kMenuTabs.size())) Set(activeTab_, tab, "PageControl1");
}

bool TSysMenu1::FileExists(const std::string& path) const {
  std::error_code ec;
  return !path.empty() && std::filesystem::exists(FsPath(path), ec);
}

void TSysMenu1::Button1Click() { SelectPdfDeviceForSettings(ui_, printers_, SettingsPath); }

void TSysMenu1::Button2Click() {
  FontListWriter writer(printers_, ui_);
  writer.WriteFontList(FontListPath);
}

void TSysMenu1::Button16Click() {
  const std::string path = ProductPath(baseDir_, "zoq\\kestrel.inf");
  if (FileExists(path)) {
    ui_.ShowMessage("既に存在しています。\n作成できませんでした\n" + path, MessageKind::Warning);
    return;
  }
  if (hooks_.saveSettings) hooks_.saveSettings(path);
}

void TSysMenu1::Button27Click() {
  if (hooks_.showBookmarkDialog) {
    hooks_.showBookmarkDialog();
  } else {
    ui_.ShowMessage(kBookmarkPlaceholder, MessageKind::Information);
  }
}

void TSysMenu1::Button29Click() {
  PrinterListWriter writer(printers_, ui_);
  writer.WritePrinterList(PrinterListPath);
}

void TSysMenu1::Button30Click() { WritePaperListOfChosenDevice(ui_, printers_, PaperListPath); }

void TSysMenu1::Button31Click() { SelectWinDirectPrinter(ui_, printers_, ProductPath(baseDir_, "zoq\\WinPrinterSet.inf")); }

void TSysMenu1::Button33Click() {
  if (!FileExists(SettingsPath)) {
    ui_.ShowMessage(SettingsPath + "が存在しないので、一度新規作成を行います。", MessageKind::Information);
    if (hooks_.saveSettings) hooks_.saveSettings(SettingsPath);
  }
  if (!hooks_.showFontForm) {
    ui_.ShowMessage(kFontFormPlaceholder, MessageKind::Information);
    return;
  }
  try {
    hooks_.showFontForm();
  } catch (const std::exception&) {
    ui_.ShowMessage("フォント設定画面処理中に例外が発生しました", MessageKind::Error);
  }
}

void TSysMenu1::Button3Click() {
  closeRequested_ = true;
  Changed();
}

void TSysMenu1::SetComboBox2Index(int index) {
  Set(comboBox2Index_, index >= 0 && index < int(comboBox2Items_.size()) ? index : -1, "ComboBox2");
}

std::string TSysMenu1::SetDialogStartFolder(const std::string& dialogName) {
  if (comboBox2Index_ >= 0 && !comboBox2Items_[size_t(comboBox2Index_)].empty())
    return comboBox2Items_[size_t(comboBox2Index_)];
  auto it = rememberedFolders_.find(dialogName);
  if (it == rememberedFolders_.end() || it->second.empty()) return {};
  return ResolvePath(baseDir_, it->second);
}

void TSysMenu1::SetComboBox1Index(int index) {
  Set(comboBox1Index_, index >= 0 && index < int(kCommandKinds.size()) ? index : -1, "ComboBox1");
}

void TSysMenu1::CheckBox11Click(bool checked) {
  checkBox11_ = checked;
  dpiEnabled_ = checked;
  if (checked) checkBox13_ = false;
  Changed();
}

void TSysMenu1::CheckBox13Click(bool checked) {
  checkBox13_ = checked;
  if (checked) CheckBox11Click(false);  // tells the change
  else Changed("CheckBox13");
}

void TSysMenu1::SetDataLabels(const std::string& file) {
  label1_ = file;
  analysisFileLabel_ = file;
  Changed();
}

void TSysMenu1::Button4Click() {
  ChooseData();
  Changed();
}

void TSysMenu1::ChooseData() {
  const std::string folder = SetDialogStartFolder("OpenDialog1");
  if (comboBox1Index_ <= 1) {
    // The dialog keeps the last file chosen; a cancelled dialog shows it
    // again.
    std::string chosen = ui_.ChooseFile({}, folder, kPrintDataFilter);
    if (!chosen.empty()) openDialog1FileName_ = chosen;
    label1_ = openDialog1FileName_;
    analysisFileLabel_ = openDialog1FileName_;
    return;
  }
  std::string chosen;
  try {
    chosen = ui_.ChooseFolder({}, {});
  } catch (const std::exception&) {
    ui_.ShowMessage("フォルダ選択処理でエラーが発生しました(" + chosen + ")", MessageKind::Error);
    return;
  }
  if (chosen.empty()) return;
  label1_ = chosen;
  analysisFileLabel_.clear();
}

std::string TSysMenu1::PrintTarget() const {
  switch (comboBox1Index_) {
    case 1:
      return Quoted(label1_) + "," + Quoted(label1_);
    case 2:
      return Quoted(label1_) + ",0";
    case 3:
      return Quoted(label1_) + ",1";
    default:
      return Quoted(label1_);
  }
}

RunRequest TSysMenu1::MakeRunRequest(int mode) {
  RunRequest r;
  r.CompulsionPaper = radioGroup1_ < 0 ? 0 : radioGroup1_;
  r.pmap_flg = radioGroup2_;
  r.alog = mode;
  if (mode == kRunFromMenuWithAnalysis) r.analysisFilters = AnalysisFilters;
  r.jdpi = kDefaultJpegDpiChoice;
  r.jpeg = mode == kRunFromMenuWithAnalysis ? 1 : 0;
  if (dpiEnabled_ && !dpiText_.empty()) {
    r.jpeg = 1;
    std::optional<int32_t> dpi = ParseInt(dpiText_);
    if (dpi && *dpi >= 1) {
      r.jdpi = *dpi;
    } else {
      ui_.ShowMessage(kDpiMessage, MessageKind::Warning);
    }
  }
  r.pdat_flg = 1;
  r.ppaper_check = radioGroup3_;
  r.plog = checkBox12_ ? 1 : 0;
  r.pdfOutput = checkBox13_ ? 1 : 0;
  r.AskPrinter = checkBox14_ ? 1 : 0;
  r.labelFlag = checkBox15_ ? 1 : 0;
  return r;
}

int TSysMenu1::RunFromMenu(int mode) {
  // An analysis runs the analysis tab's file, taken without quotes.
  std::string analysisFile = analysisFileLabel_;
  std::erase(analysisFile, '"');
  const std::vector<std::string> args = {"-p", mode == kRunFromMenuWithAnalysis ? analysisFile : PrintTarget()};
  const RunRequest request = MakeRunRequest(mode);
  return hooks_.printMain ? hooks_.printMain(args, mode, request) : 0;
}

void TSysMenu1::Button13Click() {
  if (label1_.empty()) {
    ui_.ShowMessage(kNoDataMessage, MessageKind::Warning);
    return;
  }
  RunFromMenu(kRunFromMenu);
  ui_.HideProgress();
  Changed();
}

int TSysMenu1::GetSpoolerInfoClick() {
  const std::string printer = printers_.SelectedPrinter();
  PrinterQueueState state;
  const int query = printers_.QueryPrinterState(printer, state);
  if (query != 0) {
    ui_.ShowMessage("  ■OpenPrinterエラー GetLastError(" + std::to_string(printers_.LastError()) + ")\n",
                    MessageKind::Error);
  }
  const int result = ClassifyPrinterState(query, state);
  if (result != -1) {
    spoolerLines_.push_back("プリンタ：" + printer);
    spoolerLines_.push_back(SpoolerStatusLine(result, state));
    Changed("Memo2");
  }
  return result;
}

}  // namespace kestrel
