#include "forms/analysis_tabs.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/text_codec.h"
#include "util/bounded_read.h"
#include "util/replacing_file.h"
#include "util/utf8.h"
#include "platform/native_path.h"

namespace kestrel {

namespace {

// An analysis log of a dense page is a few megabytes; anything far beyond
// is not a log.
constexpr size_t kLogViewLimit = size_t(256) << 20;

constexpr const char* kDataFilter = "pdat|*.pdat|全て|*.*";
constexpr const char* kLogFilter = "解析ファイル|*.txt";
constexpr const char* kImageFilter = "解析イメージ|*.jpg|*.jpeg";
constexpr const char* kSaveFilter = "txt|*.txt";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return char16_t(c + 0x20);
  if (c >= 0xFF21 && c <= 0xFF3A) return char16_t(c + 0x20);  // full-width Latin
  if (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) return char16_t(c + 0x20);  // Greek
  if (c >= 0x0410 && c <= 0x042F) return char16_t(c + 0x20);  // Cyrillic
  if (c == 0x0401) return 0x0451;                              // Ё
  return c;
}

bool IsFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(FsPath(path), ec);
}

std::string StartFolderOf(const DialogStartFolder& hook, const char* dialog) {
  return hook ? hook(dialog) : std::string();
}

}  // namespace

// ---- Check boxes ----

void NamedCheckBoxes::Add(const std::string& name) {
  if (Find(name) == nullptr) boxes_.emplace_back(name, false);
}

bool* NamedCheckBoxes::Find(std::string_view name) {
  for (auto& [boxName, ticked] : boxes_)
    if (SameNameIgnoringCase(boxName, name)) return &ticked;
  return nullptr;
}

const bool* NamedCheckBoxes::Find(std::string_view name) const {
  return const_cast<NamedCheckBoxes*>(this)->Find(name);
}

bool NamedCheckBoxes::Set(std::string_view name, bool ticked) {
  bool* box = Find(name);
  if (box == nullptr) return false;
  *box = ticked;
  return true;
}

std::string CollectChecked(const NamedCheckBoxes& boxes, std::string_view prefix, int count) {
  std::string list;
  for (int i = 1; i <= count; ++i) {
    const bool* box = boxes.Find(std::string(prefix) + std::to_string(i));
    if (box != nullptr && *box) list += std::to_string(i) + ",";
  }
  if (list.size() > 1) list.pop_back();
  return list;
}

void SetAllChecks(NamedCheckBoxes& boxes, std::string_view prefix, int count) {
  for (int i = 1; i <= count; ++i) boxes.Set(std::string(prefix) + std::to_string(i), true);
}

void ClearAllChecks(NamedCheckBoxes& boxes, std::string_view prefix, int count) {
  for (int i = 1; i <= count; ++i) boxes.Set(std::string(prefix) + std::to_string(i), false);
}

// ---- PDAT解析 ----

TAnalysisTab::TAnalysisTab(Ui& ui, Hooks hooks)
    : ui_(ui), hooks_(std::move(hooks)) {
  for (const ExclusionGroup& g : kExclusionGroups)
    for (int i = 1; i <= g.count; ++i) boxes_.Add(g.componentPrefix + std::to_string(i));
}

std::string TAnalysisTab::StartFolder(const char* dialog) const {
  return StartFolderOf(hooks_.startFolder, dialog);
}

std::string TAnalysisTab::Label4() const { return hooks_.label ? hooks_.label() : label4_; }

void TAnalysisTab::SetLabel4(const std::string& file) {
  label4_ = file;
  if (hooks_.setLabel) hooks_.setLabel(file);
  Changed("Label4");
}

void TAnalysisTab::SetBox(std::string_view name, bool ticked) {
  if (boxes_.Set(name, ticked)) Changed(name);
}

void TAnalysisTab::Button14Click() {
  std::string chosen = ui_.ChooseFile("データ選択", StartFolder(kDataDialog), kDataFilter);
  if (!chosen.empty()) dialogFileName_ = chosen;
  SetLabel4(dialogFileName_);
}

bool TAnalysisTab::Button15Click() {
  if (hooks_.clearLog) hooks_.clearLog();
  if (Label4().empty()) {
    ui_.ShowMessage("解析するPDATデータファイルを選択してください", MessageKind::Warning);
    return false;
  }
  if (hooks_.runFromMenu) hooks_.runFromMenu(CollectExclusions());
  ui_.HideProgress();
  return true;
}

ExclusionLists TAnalysisTab::CollectExclusions() const {
  ExclusionLists lists;
  for (size_t i = 0; i < kExclusionGroups.size(); ++i)
    lists[i] = CollectChecked(boxes_, kExclusionGroups[i].listPrefix, kExclusionGroups[i].count);
  return lists;
}

void TAnalysisTab::Button17Click() {
  SetAllChecks(boxes_, "patcheck", 15);
  Changed();
}
void TAnalysisTab::Button18Click() {
  ClearAllChecks(boxes_, "patcheck", 15);
  Changed();
}
void TAnalysisTab::Button19Click() {
  SetAllChecks(boxes_, "linepat", 5);
  Changed();
}
void TAnalysisTab::Button20Click() {
  ClearAllChecks(boxes_, "linepat", 5);
  Changed();
}
void TAnalysisTab::Button21Click() {
  SetAllChecks(boxes_, "strsize", 5);
  SetAllChecks(boxes_, "font", 2);
  Changed();
}
void TAnalysisTab::Button22Click() {
  ClearAllChecks(boxes_, "strsize", 5);
  ClearAllChecks(boxes_, "font", 2);
  Changed();
}

// ---- 解析ログ ----

TAnalysisLogTab::TAnalysisLogTab(Ui& ui, DialogStartFolder startFolder)
    : ui_(ui), startFolder_(std::move(startFolder)) {}

bool TAnalysisLogTab::OpenLog() {
  std::string path = ui_.ChooseFile("解析ログ選択", StartFolderOf(startFolder_, kLogDialog), kLogFilter);
  if (path.empty()) return false;
  if (!IsFile(path)) {
    ui_.ShowMessage("解析ログが見つかりません。\n解析実行後に再度選択して下さい", MessageKind::Warning);
    return false;
  }
  return LoadLog(path);
}

bool TAnalysisLogTab::LoadLog(const std::string& path) {
  std::string bytes;
  ReadStatus status = ReadBoundedFile(path, kLogViewLimit, bytes);
  if (status != ReadStatus::kOk) {
    std::string refusal = ReadRefusalText(path, status, kLogViewLimit);
    ui_.ShowMessage(refusal.empty() ? "解析ログが見つかりません。\n解析実行後に再度選択して下さい" : refusal,
                    MessageKind::Warning);
    return false;
  }
  // The area holds lines ended by line feeds (a CR LF pair is one end).
  std::u16string text = Utf16FromUtf8(Utf8FromSjis(bytes));
  size_t kept = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')) text[kept++] = text[i];
  text.resize(kept);
  Replace(std::move(text));
  return true;
}

void TAnalysisLogTab::Clear() { Replace({}); }

void TAnalysisLogTab::Replace(std::u16string text) {
  text_ = std::move(text);
  selStart_ = selLength_ = 0;
  ++revision_;
  Changed("RichEdit1");
}

bool TAnalysisLogTab::Save() {
  std::string path =
      ui_.ChooseSaveFile("保存", StartFolderOf(startFolder_, kLogDialog), kSaveFilter, kSaveDefaultName);
  if (path.empty()) return false;
  // Plain text: the lines as they stand, each ended by a line feed.
  std::string utf8 = Utf8FromUtf16(text_);
  if (!utf8.empty() && utf8.back() != '\n') utf8 += '\n';
  if (!ReplaceFileContents(path, SjisFromUtf8(utf8))) {
    ui_.ShowMessage(path + "を保存できませんでした。", MessageKind::Error);
    return false;
  }
  return true;
}

void TAnalysisLogTab::Top() { SetSelection(0); }

void TAnalysisLogTab::End() {
  // The start of the last line; a final line feed ends that line.
  size_t end = text_.size();
  if (end > 0 && text_[end - 1] == u'\n') --end;
  const size_t lineFeed = end == 0 ? std::u16string::npos : text_.rfind(u'\n', end - 1);
  SetSelection(lineFeed == std::u16string::npos ? 0 : lineFeed + 1);
}

bool TAnalysisLogTab::FindNextInLog() {
  const std::u16string needle = Utf16FromUtf8(search_);
  size_t at = FindIgnoringCase(text_, needle, selStart_ + 1);
  if (at == std::u16string::npos) {
    ui_.ShowMessage("検索文字列：[" + search_ + "] は見つかりませんでした。", MessageKind::Information);
    return false;
  }
  SetSelection(at, needle.size());
  return true;
}

bool TAnalysisLogTab::RichEdit1KeyDown(int key) {
  if (key == kKeyF1) {
    Top();
    return true;
  }
  if (key == kKeyF2) {
    End();
    return true;
  }
  if (key == kKeyF3) FindNextInLog();
  return false;
}

void TAnalysisLogTab::Edit1Enter() {
  if (search_ == kSearchPlaceholder) SetSearchText({});
}

void TAnalysisLogTab::SetSearchText(std::string text) {
  if (text == search_) return;
  search_ = std::move(text);
  Changed("Edit1");
}

void TAnalysisLogTab::SetSelection(size_t start, size_t length) {
  start = std::min(start, text_.size());
  length = std::min(length, text_.size() - start);
  if (start == selStart_ && length == selLength_) return;
  selStart_ = start;
  selLength_ = length;
  Changed("RichEdit1");
}

// ---- 解析イメージ ----

TAnalysisImageTab::TAnalysisImageTab(Ui& ui, DialogStartFolder startFolder)
    : ui_(ui), startFolder_(std::move(startFolder)) {}

bool TAnalysisImageTab::ChooseImage() {
  std::string path =
      ui_.ChooseFile("イメージ選択", StartFolderOf(startFolder_, kImageDialog), kImageFilter);
  if (path.empty()) return false;
  if (!IsFile(path)) {
    ui_.ShowMessage("解析イメージが見つかりません。\n解析実行後に再度選択して下さい", MessageKind::Warning);
    return false;
  }
  path_ = path;
  ++revision_;
  Changed("Image1");
  return true;
}

// ---- The tabs of a menu ----

namespace {

TAnalysisTab::Hooks MenuHooks(TSysMenu1& menu, TAnalysisLogTab& log) {
  TAnalysisTab::Hooks hooks;
  hooks.startFolder = [&menu](const std::string& dialog) { return menu.SetDialogStartFolder(dialog); };
  hooks.label = [&menu] { return menu.AnalysisFileLabel(); };
  hooks.setLabel = [&menu](const std::string& file) { menu.SetDataLabels(file); };
  hooks.runFromMenu = [&menu](const ExclusionLists& lists) {
    menu.AnalysisFilters = lists;
    menu.RunFromMenu(kRunFromMenuWithAnalysis);
  };
  hooks.clearLog = [&log] { log.Clear(); };
  return hooks;
}

}  // namespace

MenuAnalysisTabs::MenuAnalysisTabs(Ui& ui, TSysMenu1& menu)
    : log(ui, [&menu](const std::string& dialog) { return menu.SetDialogStartFolder(dialog); }),
      image(ui, [&menu](const std::string& dialog) { return menu.SetDialogStartFolder(dialog); }),
      data(ui, MenuHooks(menu, log)),
      menuLabel_(menu.Subscribe([this](std::string_view) { data.LabelChanged(); })) {}

// ---- Text helpers ----

size_t FindIgnoringCase(std::u16string_view text, std::u16string_view needle, size_t from) {
  if (needle.empty() || needle.size() > text.size()) return std::u16string_view::npos;
  for (size_t at = from; at + needle.size() <= text.size(); ++at) {
    size_t i = 0;
    while (i < needle.size() && FoldCase(text[at + i]) == FoldCase(needle[i])) ++i;
    if (i == needle.size()) return at;
  }
  return std::u16string_view::npos;
}

std::u16string Utf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t at = 0; at < utf8.size();) {
    Utf8Char c = DecodeUtf8(utf8, at);
    at += c.length;
    if (c.codepoint >= 0x10000) {
      char32_t v = c.codepoint - 0x10000;
      out += char16_t(0xD800 + (v >> 10));
      out += char16_t(0xDC00 + (v & 0x3FF));
    } else {
      out += char16_t(c.codepoint);
    }
  }
  return out;
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = utf16[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = kReplacementCharacter;
    }
    AppendUtf8(c, out);
  }
  return out;
}

}  // namespace kestrel
