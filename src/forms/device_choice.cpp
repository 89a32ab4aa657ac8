#include "forms/device_choice.h"

#include <exception>

#include "lists/paper_list.h"
#include "platform/device_selection.h"
#include "util/profile_file.h"

namespace kestrel {

const char* const kOutputPrinterCaption = "出力プリンタ選択画面";
const char* const kOutputPrinterHeading = "出力するデバイスを選択して下さい。";
const char* const kOutputPrinterNoSelectionMessage =
    "印刷をするプリンタが選択されていません。\n印刷はキャンセルされますがよろしいですか？";
const char* const kWinDirectCaption = "デフォルト印刷プリンター選択画面";
const char* const kWinDirectHeading = "Win直で常に印刷するデバイスを選択して下さい。";
const char* const kWinDirectNoSelectionMessage =
    "常に印刷をするプリンタが選択されていません。\n印刷には通常使うプリンターが使用されますがよろしいですか？";
const char* const kPaperListCaption = "印刷可能用紙リスト出力画面";
const char* const kPaperListHeading = "下から用紙リストを出力するデバイスを選択して下さい。";
const char* const kPaperListNoSelectionMessage = "ドライバを選択しない場合は、用紙リスト出力を中止します。";

namespace {

constexpr const char* kWinDirectSection = "DefaultPrinter";
constexpr const char* kWinDirectKey = "SelectPrinter";

std::string RunWithPreset(Ui& ui, PrintSystem& printers, const char* caption, const char* heading,
                          const char* noSelectionMessage, const std::string& preset) {
  DeviceDialogRequest request;
  request.caption = caption;
  request.heading = heading;
  request.noSelectionMessage = noSelectionMessage;
  request.devices = printers.Printers();
  request.preset = preset;
  return ui.SelectDevice(request);
}

}  // namespace

std::string RunDeviceSelection(Ui& ui, PrintSystem& printers, const std::string& caption, const std::string& heading,
                               const std::string& noSelectionMessage) {
  return RunWithPreset(ui, printers, caption.c_str(), heading.c_str(), noSelectionMessage.c_str(), {});
}

std::string SelectOutputPrinter(Ui& ui, PrintSystem& printers) {
  return RunDeviceSelection(ui, printers, kOutputPrinterCaption, kOutputPrinterHeading,
                            kOutputPrinterNoSelectionMessage);
}

std::string SelectPdfDevice(Ui& ui, PrintSystem& printers) {
  DeviceDialogRequest request;  // the dialog's own texts
  request.devices = printers.Printers();
  // Without an operator to answer: the built-in PDF device, not "Cancel"
  // (which would print the next PDF run on the current printer's paper).
  request.unattendedChoice = printers.BuiltInPdfDevice();
  return ui.SelectDevice(request);
}

int SelectPdfDeviceForSettings(Ui& ui, PrintSystem& printers, const std::string& settingsPath) {
  try {
    std::string device = SelectPdfDevice(ui, printers);
    if (WriteIniValue(settingsPath, "PDF", "$path", device)) return 0;
  } catch (const std::exception&) {
  }
  ui.ShowMessage("PDFドライバ選択画面処理中に例外が発生しました", MessageKind::Error);
  return -1;
}

int SelectWinDirectPrinter(Ui& ui, PrintSystem& printers, const std::string& winPrinterSetPath) {
  const std::string stored = ReadIniValue(winPrinterSetPath, kWinDirectSection, kWinDirectKey, kSelectionDefault);
  std::string choice =
      RunWithPreset(ui, printers, kWinDirectCaption, kWinDirectHeading, kWinDirectNoSelectionMessage, stored);
  if (choice.empty()) choice = kSelectionDefault;
  if (choice == kSelectionCancel)
    choice = ReadIniValue(winPrinterSetPath, kWinDirectSection, kWinDirectKey, kSelectionDefault);
  return WriteIniValue(winPrinterSetPath, kWinDirectSection, kWinDirectKey, "\"" + choice + "\"") ? 0 : -1;
}

ListResult WritePaperListOfChosenDevice(Ui& ui, PrintSystem& printers, const std::string& paperListPath) {
  std::string device;
  try {
    device = RunDeviceSelection(ui, printers, kPaperListCaption, kPaperListHeading, kPaperListNoSelectionMessage);
  } catch (const std::exception&) {
    ui.ShowMessage("プリンタドライバ選択画面処理中に例外が発生しました", MessageKind::Error);
    return ListResult::kUnreachable;
  }
  if (device.empty()) return ListResult::kNoDeviceChosen;
  PaperListWriter writer(printers, ui);
  return writer.WritePaperList(paperListPath, device);
}

}  // namespace kestrel
