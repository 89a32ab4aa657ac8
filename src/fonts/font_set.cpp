#include "fonts/font_set.h"

#include <algorithm>
#include <exception>

#include "fonts/font_settings.h"
#include "util/profile_file.h"

namespace kestrel {

namespace {

bool CannotRead(ProfileFile::LoadResult r) {
  return r == ProfileFile::LoadResult::kOpenFailed || r == ProfileFile::LoadResult::kReadFailed;
}

}  // namespace

TFontSet::TFontSet(Ui& ui, PrintSystem& printers, std::string settingsPath)
    : ui_(ui), printers_(printers), settingsPath_(std::move(settingsPath)) {
  FormCreate();
}

void TFontSet::FormCreate() {
  // 1. The ten keys.
  ProfileFile file;
  if (CannotRead(file.Load(settingsPath_))) {
    ui_.ShowMessage(settingsPath_ + "の読み込みに失敗しました。\n処理を終了します", MessageKind::Error);
    return;
  }
  const std::string fontMin = file.GetString(kFontSection, kKeyFontMin, kStandardMincho);
  const std::string fontGot = file.GetString(kFontSection, kKeyFontGot, kStandardGothic);
  const std::string fontEscape = file.GetString(kFontSection, kKeyFontEscape, "");
  const std::array<std::string, kMemoCount> lists = {
      file.GetString(kFontSection, kKeyStringFontMin, ""), file.GetString(kFontSection, kKeyStringFontGot, ""),
      file.GetString(kFontSection, kKeyStringFontMin2, ""), file.GetString(kFontSection, kKeyStringFontGot2, "")};
  const std::string minGroup = file.GetString(kFontSection, kKeyFontMinGrp, "");
  const std::string gotGroup = file.GetString(kFontSection, kKeyFontGotGrp, "");
  const int32_t autoWidth = file.GetInt(kFontSection, kKeyAutoFontWidth, 0);

  // 2. The selectable faces: the two generic names, then the printer's.
  faces_ = {std::string(kStandardMincho), std::string(kStandardGothic)};
  try {
    std::vector<std::string> fonts = printers_.Fonts();
    faces_.insert(faces_.end(), fonts.begin(), fonts.end());
  } catch (const std::exception&) {
    ui_.ShowMessage("TPrinter生成時にエラーが発生しました。\nプリンタ設定に異常がある可能性があります。",
                    MessageKind::Error);
  }

  // 3a, b.
  label1_ += std::to_string(faces_.size()) + " 個";

  // 3c, d. Exact entries only; a face the list lacks leaves no selection.
  auto indexOf = [this](const std::string& face) {
    auto it = std::find(faces_.begin(), faces_.end(), face);
    return it == faces_.end() ? -1 : int(it - faces_.begin());
  };
  selected_[ComboBox1] = indexOf(fontMin);
  selected_[ComboBox2] = indexOf(fontGot);
  for (int m = 0; m < kMemoCount; ++m) {
    SubstitutionPanel panel = ReadSubstitutionPanel(lists[size_t(m)]);
    memos_[size_t(m)] = std::move(panel.texts);
    selected_[size_t(ComboBox3 + m)] = panel.face.empty() ? -1 : indexOf(panel.face);
  }

  // 3e. The three flag values; a value that is not a number is ignored.
  auto flags = [this](const std::string& value, const char* key, CheckId first) {
    if (value.empty()) return;
    std::optional<int32_t> bits = ReadFlagValue(value);
    if (!bits) {
      ui_.ShowMessage(std::string(key) + "設定値に異常がありますので、設定値は無視しました[" + value + "]",
                      MessageKind::Warning);
      return;
    }
    checked_[first] = (*bits & 1) != 0;
    checked_[first + 1] = (*bits & 2) != 0;
    checked_[first + 2] = (*bits & 4) != 0;
  };
  flags(minGroup, "$pFontMinGrp", hanmin_chk1);
  flags(gotGroup, "$pFontGotGrp", hangot_chk1);
  flags(fontEscape, "$pFontEscape", CheckBox1);

  // 3f.
  checked_[CheckBox4] = autoWidth != 0;
}

void TFontSet::Select(FaceBox box, int index) {
  selected_[box] = index >= 0 && size_t(index) < faces_.size() ? index : -1;
}

std::string TFontSet::SelectedFace(FaceBox box) const {
  return selected_[box] < 0 ? std::string() : faces_[size_t(selected_[box])];
}

std::string TFontSet::MemoText(MemoBox memo) const {
  std::string text;
  for (size_t i = 0; i < memos_[memo].size(); ++i) {
    if (i != 0) text += '\n';
    text += memos_[memo][i];
  }
  return text;
}

void TFontSet::SetMemoText(MemoBox memo, std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  memos_[memo] = std::move(lines);
}

bool TFontSet::BitBtn1Click() {
  focus_ = Focus::kNone;
  ProfileFile file;
  if (CannotRead(file.Load(settingsPath_))) {
    ui_.ShowMessage(settingsPath_ + "の読み込みに失敗しました。\n保存処理を終了していません。", MessageKind::Error);
    return false;
  }
  // Each key goes to the file as soon as its value is decided.
  auto write = [&](std::string_view key, const std::string& value) {
    file.SetString(kFontSection, key, value);
    if (file.Save(settingsPath_)) return true;
    ui_.ShowMessage(settingsPath_ + "への書き込みに失敗しました。\n保存処理を終了していません。",
                    MessageKind::Error);
    return false;
  };
  auto bits = [this](CheckId first) {
    return (checked_[first] ? 1 : 0) + (checked_[first + 1] ? 2 : 0) + (checked_[first + 2] ? 4 : 0);
  };
  // A substitution panel: without a face it is written empty, unless it
  // holds texts (or its group box is checked), which stops the save.
  auto panel = [&](std::string_view key, FaceBox box, MemoBox memo, const bool* group, const char* message,
                   Focus focus) {
    if (selected_[box] < 0) {
      if (!memos_[memo].empty() || (group != nullptr && *group)) {
        ui_.ShowMessage(message, MessageKind::Warning);
        focus_ = focus;
        return false;
      }
      return write(key, "");
    }
    return write(key, FormatSubstitutionValue(SelectedFace(box), memos_[memo]));
  };
  auto face = [&](FaceBox box, std::string_view fallback) {
    return FormatFaceValue(selected_[box] < 0 ? fallback : std::string_view(SelectedFace(box)));
  };

  return write(kKeyFontEscape, FormatEscapeValue(bits(CheckBox1))) &&
         write(kKeyAutoFontWidth, checked_[CheckBox4] ? "1" : "0") &&
         write(kKeyFontMin, face(ComboBox1, kStandardMincho)) &&
         write(kKeyFontGot, face(ComboBox2, kStandardGothic)) &&
         panel(kKeyStringFontMin, ComboBox3, Memo1, &checked_[hanmin_chk1],
               "明朝体指定半角特定文字フォントの指定がありません", Focus::kComboBox3) &&
         write(kKeyFontMinGrp, FormatGroupValue(bits(hanmin_chk1))) &&
         panel(kKeyStringFontGot, ComboBox4, Memo2, &checked_[hangot_chk1],
               "ゴシック体指定半角特定文字フォントの指定がありません", Focus::kComboBox4) &&
         write(kKeyFontGotGrp, FormatGroupValue(bits(hangot_chk1))) &&
         panel(kKeyStringFontMin2, ComboBox5, Memo3, nullptr, "明朝体指定全角特定文字フォントの指定がありません",
               Focus::kComboBox5) &&
         panel(kKeyStringFontGot2, ComboBox6, Memo4, nullptr,
               "ゴシック体指定全角特定文字フォントの指定がありません", Focus::kComboBox6);
}

void TFontSet::BitBtn3Click() {
  selected_[ComboBox3] = -1;
  checked_[hanmin_chk1] = false;
  memos_[Memo1].clear();
  Changed("GroupBox2");
}

void TFontSet::BitBtn4Click() {
  selected_[ComboBox4] = -1;
  checked_[hangot_chk1] = false;
  memos_[Memo2].clear();
  Changed("GroupBox2");
}

void TFontSet::BitBtn5Click() {
  selected_[ComboBox5] = -1;
  memos_[Memo3].clear();
  Changed("GroupBox3");
}

void TFontSet::BitBtn6Click() {
  selected_[ComboBox6] = -1;
  memos_[Memo4].clear();
  Changed("GroupBox3");
}

void TFontSet::BitBtn7Click() {
  if (!ui_.AskOkCancel("全ての設定を初期化してもよろしいですか？", MessageKind::Information)) return;
  selected_.fill(-1);
  for (CheckId id : {CheckBox1, CheckBox2, CheckBox3, CheckBox4, hanmin_chk1, hangot_chk1}) checked_[id] = false;
  for (auto& memo : memos_) memo.clear();
  Changed();
}

}  // namespace kestrel
