#include "platform/device_selection.h"

#include <algorithm>

namespace kestrel {

namespace {
constexpr const char* kStatusPrefix = "選択されたデバイス：";
}  // namespace

TSelPrn1::TSelPrn1(Ui& ui)
    : TSelPrn1([&ui](DeviceQuestion, const std::string& text, MessageKind kind) { return ui.AskYesNo(text, kind); }) {}

TSelPrn1::TSelPrn1(DeviceQuestions ask)
    : ask_(std::move(ask)),
      noSelectionMessage_(kSelPrnNoSelectionMessage),
      caption_(kSelPrnCaption),
      heading_(kSelPrnHeading) {
  ResetSelection();
  rows_.clear();
}

void TSelPrn1::ResetSelection() {
  selection_.clear();
  confirmed_ = 0;
}

void TSelPrn1::Configure(const DeviceDialogRequest& request) {
  for (const auto& d : request.devices) AddDevice(d);
  if (!request.caption.empty()) SetCaption(request.caption);
  if (!request.heading.empty()) SetHeading(request.heading);
  if (!request.noSelectionMessage.empty()) SetNoSelectionMessage(request.noSelectionMessage);
  if (!request.preset.empty()) SetPresetDevice(request.preset);
}

void TSelPrn1::AddDevice(const std::string& name) { devices_.push_back(name); }

void TSelPrn1::SetPresetDevice(const std::string& name) { selection_ = name; }

std::string TSelPrn1::StatusLine() const { return kStatusPrefix + selection_; }

void TSelPrn1::FormShow() {
  rows_ = devices_;
  highlighted_ = -1;
  open_ = true;
  Changed();
}

void TSelPrn1::SetHighlight(int row) {
  if (!open_) return;
  highlighted_ = (row >= 0 && row < int(rows_.size())) ? row : -1;
  Changed("ListBox1");
}

void TSelPrn1::ListBox1DblClick() {
  if (open_) ConfirmSelection();
}

void TSelPrn1::ListBox1KeyDown(int key) {
  if (!open_) return;
  const int last = int(rows_.size()) - 1;
  switch (key) {
    case kKeyEnter:
      ConfirmSelection();
      break;
    // The list control's own movement: from no highlight either key goes
    // to the first row.
    case kKeyUp:
      if (last >= 0) highlighted_ = highlighted_ <= 0 ? 0 : highlighted_ - 1;
      break;
    case kKeyDown:
      if (last >= 0) highlighted_ = highlighted_ < 0 ? 0 : std::min(highlighted_ + 1, last);
      break;
    default:
      break;
  }
  Changed("ListBox1");
}

void TSelPrn1::RequestClose() {
  if (!open_) return;
  if (FormCloseQuery()) FormClose();
  Changed();
}

// Taking a row needs a highlighted row; without one the action is ignored.
void TSelPrn1::ConfirmSelection() {
  if (highlighted_ < 0 || highlighted_ >= int(rows_.size())) return;
  const std::string previous = selection_;
  const std::string row = rows_[size_t(highlighted_)];
  selection_ = row;
  confirmed_ = 1;
  Changed("Label2");  // the row is in the status line while the question is open
  if (ask_(DeviceQuestion::ConfirmRow, row + "を選択しました。\nよろしいですか？", MessageKind::Information)) {
    RequestClose();
    return;
  }
  confirmed_ = 0;
  selection_ = previous;
  Changed("Label2");
}

bool TSelPrn1::FormCloseQuery() {
  if (selection_.empty()) {
    if (!ask_(DeviceQuestion::NoSelection, noSelectionMessage_, MessageKind::Warning)) selection_ = kSelectionCancel;
    return true;
  }
  if (confirmed_ == 1) return true;
  if (ask_(DeviceQuestion::LeaveUnchanged, "何も変更せずに終了しますか？", MessageKind::Warning)) return true;
  if (ask_(DeviceQuestion::UseSystemDefault, "通常使うプリンタに設定をしますか？", MessageKind::Warning)) {
    selection_ = kSelectionDefault;
    return true;
  }
  return false;
}

void TSelPrn1::FormClose() {
  devices_.clear();
  open_ = false;
}

}  // namespace kestrel
