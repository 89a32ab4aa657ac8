// TSelPrn1: the device selection dialog's behaviour, without a toolkit.
//
// One dialog object serves one use: the caller creates it, adds the
// installed printers, optionally replaces the caption, heading and
// no-selection question and presets a device, shows it, feeds it the
// operator's actions until IsOpen() turns false, and reads GetSelection().
// A window (Qt) or a scripted driver (the headless Ui) owns the object and
// turns clicks and keys into the calls below; the dialog's questions go
// through the DeviceQuestions callback so each driver can answer them its
// own way.
//
// Besides a device name, GetSelection() can give:
//   ""        closed with nothing selected, Yes to the no-selection question
//   "Cancel"  closed with nothing selected, No to the no-selection question
//   "Default" a preset was shown, not left unchanged, Yes to "use the
//             normally used printer"
//   the preset, when the operator chose to leave it unchanged.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/form_model.h"
#include "platform/ui.h"

namespace kestrel {

// The four questions the dialog can ask.
enum class DeviceQuestion {
  ConfirmRow,       // "<row>を選択しました。\nよろしいですか？"
  NoSelection,      // NoSelectionMessage
  LeaveUnchanged,   // "何も変更せずに終了しますか？"
  UseSystemDefault  // "通常使うプリンタに設定をしますか？"
};

// Asks one Yes/No question; true for Yes.
using DeviceQuestions = std::function<bool(DeviceQuestion which, const std::string& text, MessageKind kind)>;

// Key codes the device list reacts to (Windows virtual keys).
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyUp = 38;
inline constexpr int kKeyDown = 40;

inline constexpr const char* kSelectionCancel = "Cancel";
inline constexpr const char* kSelectionDefault = "Default";

// Its layout is kDeviceDialogForm (forms/form_tables.h).
class TSelPrn1 final : public FormModel {
 public:
  const char* FormName() const override { return "SelPrn1"; }

  // Questions go to ui.AskYesNo.
  explicit TSelPrn1(Ui& ui);
  explicit TSelPrn1(DeviceQuestions ask);

  // Configuration, before showing.
  // Adds the request's devices and applies its non-empty texts and preset.
  void Configure(const DeviceDialogRequest& request);
  void ResetSelection();
  void AddDevice(const std::string& name);
  void SetCaption(const std::string& text) { caption_ = text; }
  void SetHeading(const std::string& text) { heading_ = text; }
  void SetNoSelectionMessage(const std::string& text) { noSelectionMessage_ = text; }
  void SetPresetDevice(const std::string& name);

  // Shows the dialog: the list control is refilled from Devices, no row
  // highlighted, and the dialog is open.
  void FormShow();

  // Operator actions while open.
  void SetHighlight(int row);  // a click on a row; -1 for none
  void ListBox1DblClick();
  void ListBox1KeyDown(int key);
  // The close box or the system's close key; closes when the close check
  // lets it.
  void RequestClose();

  bool IsOpen() const { return open_; }
  std::string GetSelection() const { return selection_; }

  // What the window shows.
  const std::string& Caption() const { return caption_; }
  const std::string& Heading() const { return heading_; }
  std::string StatusLine() const;
  const std::vector<std::string>& Rows() const { return rows_; }
  int Highlighted() const { return highlighted_; }

  // The dialog's fields.
  const std::vector<std::string>& Devices() const { return devices_; }
  const std::string& Selection() const { return selection_; }
  int Confirmed() const { return confirmed_; }
  const std::string& NoSelectionMessage() const { return noSelectionMessage_; }

 private:
  void ConfirmSelection();
  bool FormCloseQuery();
  void FormClose();

  DeviceQuestions ask_;
  std::vector<std::string> devices_;
  std::vector<std::string> rows_;  // the list control's content
  std::string selection_;
  int confirmed_ = 0;
  std::string noSelectionMessage_;
  std::string caption_;
  std::string heading_;
  int highlighted_ = -1;
  bool open_ = false;
};

// The texts the dialog starts with.
inline constexpr const char* kSelPrnCaption = "PDF出力デバイス選択画面";
inline constexpr const char* kSelPrnHeading = "下のリストからＰＤＦ出力するデバイスを選択して下さい。";
inline constexpr const char* kSelPrnNoSelectionMessage =
    "PDF出力をするデバイスが選択されていません。\nPDF出力はキャンセルされますがよろしいですか？";
inline constexpr const char* kSelPrnHint =
    "デバイス名をダブルクリック又はカーソル上下で移動し、ＥＮＴERキーで選択できます。";

}  // namespace kestrel
