#include "platform/device_selection.h"

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>

#include "forms/device_choice.h"
#include "platform/headless/headless_ui.h"
#include "platform/recording/memory_print_system.h"
#include "support/engine_fixture.h"
#include "util/profile_file.h"
#include "platform/text_codec.h"

namespace kestrel::test {
namespace {

// Answers the dialog's questions from a list and records what was asked.
struct Operator {
  std::deque<bool> answers;
  std::vector<DeviceQuestion> asked;
  std::vector<std::string> texts;
  DeviceQuestions Ask() {
    return [this](DeviceQuestion q, const std::string& text, MessageKind) {
      asked.push_back(q);
      texts.push_back(text);
      if (answers.empty()) throw std::logic_error("unexpected question: " + text);
      bool a = answers.front();
      answers.pop_front();
      return a;
    };
  }
};

TSelPrn1 Shown(Operator& op, const std::string& preset = {}) {
  TSelPrn1 d(op.Ask());
  d.AddDevice("Office");
  d.AddDevice("Plotter");
  if (!preset.empty()) d.SetPresetDevice(preset);
  d.FormShow();
  return d;
}

TEST(DeviceDialog, StartsWithItsOwnTextsAndShowsTheDevicesUnsortedWithNoRowHighlighted) {
  Operator op;
  TSelPrn1 d(op.Ask());
  EXPECT_EQ(d.Caption(), "PDF出力デバイス選択画面");
  EXPECT_EQ(d.Heading(), "下のリストからＰＤＦ出力するデバイスを選択して下さい。");
  EXPECT_EQ(d.NoSelectionMessage(),
            "PDF出力をするデバイスが選択されていません。\nPDF出力はキャンセルされますがよろしいですか？");
  EXPECT_EQ(d.StatusLine(), "選択されたデバイス：");
  d.AddDevice("Zeta");
  d.AddDevice("Alpha");
  EXPECT_FALSE(d.IsOpen());
  EXPECT_TRUE(d.Rows().empty());
  d.FormShow();
  EXPECT_TRUE(d.IsOpen());
  EXPECT_EQ(d.Rows(), (std::vector<std::string>{"Zeta", "Alpha"}));
  EXPECT_EQ(d.Highlighted(), -1);
}

TEST(DeviceDialog, DecliningARowRestoresExactlyThePreviousSelectionAndStaysOpen) {
  for (std::string preset : {"", "Plotter"}) {
    Operator op;
    TSelPrn1 d = Shown(op, preset);
    op.answers = {false};
    d.SetHighlight(0);
    d.ListBox1DblClick();
    EXPECT_EQ(op.texts.back(), "Officeを選択しました。\nよろしいですか？");
    EXPECT_TRUE(d.IsOpen());
    EXPECT_EQ(d.Selection(), preset);
    EXPECT_EQ(d.Confirmed(), 0);
    EXPECT_EQ(d.StatusLine(), "選択されたデバイス：" + preset);
  }
}

TEST(DeviceDialog, ConfirmingARowClosesAtOnceWithThatRow) {
  Operator op;
  TSelPrn1 d = Shown(op, "Office");
  op.answers = {true};
  d.SetHighlight(1);
  d.ListBox1KeyDown(kKeyEnter);
  EXPECT_FALSE(d.IsOpen());
  EXPECT_EQ(d.GetSelection(), "Plotter");
  EXPECT_EQ(d.Confirmed(), 1);
  // The close check let it go without a question of its own.
  EXPECT_EQ(op.asked, std::vector<DeviceQuestion>{DeviceQuestion::ConfirmRow});
  EXPECT_TRUE(d.Devices().empty());  // released on close
}

TEST(DeviceDialog, ClosingWithNothingSelectedAlwaysClosesWithEmptyOrCancel) {
  for (bool yes : {true, false}) {
    Operator op;
    TSelPrn1 d = Shown(op);
    d.SetNoSelectionMessage("none chosen?");
    op.answers = {yes};
    d.RequestClose();
    EXPECT_FALSE(d.IsOpen());
    EXPECT_EQ(op.texts, std::vector<std::string>{"none chosen?"});
    EXPECT_EQ(d.GetSelection(), yes ? "" : "Cancel");
  }
}

TEST(DeviceDialog, APresetClosedWithoutARowAsksToLeaveItOrUseTheNormalPrinter) {
  {
    Operator op;
    TSelPrn1 d = Shown(op, "Plotter");
    EXPECT_EQ(d.StatusLine(), "選択されたデバイス：Plotter");
    op.answers = {true};
    d.RequestClose();
    EXPECT_FALSE(d.IsOpen());
    EXPECT_EQ(d.GetSelection(), "Plotter");
    EXPECT_EQ(op.texts, std::vector<std::string>{"何も変更せずに終了しますか？"});
  }
  {
    Operator op;
    TSelPrn1 d = Shown(op, "Plotter");
    op.answers = {false, false};
    d.RequestClose();
    EXPECT_TRUE(d.IsOpen());
    EXPECT_EQ(op.texts.back(), "通常使うプリンタに設定をしますか？");
    EXPECT_EQ(d.Selection(), "Plotter");
    op.answers = {false, true};
    d.RequestClose();
    EXPECT_FALSE(d.IsOpen());
    EXPECT_EQ(d.GetSelection(), "Default");
  }
}

TEST(DeviceDialog, OnlyEnterTakesARowAndTheArrowsOnlyMoveTheHighlight) {
  Operator op;
  TSelPrn1 d = Shown(op);
  d.ListBox1KeyDown(kKeyEnter);  // nothing highlighted: ignored
  d.ListBox1DblClick();
  EXPECT_TRUE(op.asked.empty());
  d.ListBox1KeyDown(kKeyDown);
  EXPECT_EQ(d.Highlighted(), 0);
  d.ListBox1KeyDown(kKeyDown);
  d.ListBox1KeyDown(kKeyDown);  // stays on the last row
  EXPECT_EQ(d.Highlighted(), 1);
  d.ListBox1KeyDown(kKeyUp);
  EXPECT_EQ(d.Highlighted(), 0);
  d.ListBox1KeyDown(32);
  d.ListBox1KeyDown(9);
  EXPECT_TRUE(op.asked.empty());
  EXPECT_EQ(d.Selection(), "");
  op.answers = {true};
  d.ListBox1KeyDown(kKeyEnter);
  EXPECT_EQ(d.GetSelection(), "Office");
}

TEST(DeviceDialog, AnEmptyListStillClosesThroughTheCloseCheck) {
  Operator op;
  TSelPrn1 d(op.Ask());
  d.FormShow();
  d.ListBox1KeyDown(kKeyDown);
  d.ListBox1KeyDown(kKeyEnter);
  EXPECT_EQ(d.Highlighted(), -1);
  op.answers = {false};
  d.RequestClose();
  EXPECT_EQ(d.GetSelection(), "Cancel");
}

// The headless Ui plays the operator from its answer list.
TEST(DeviceDialog, HeadlessAnswersDriveTheDialog) {
  DeviceDialogRequest r;
  r.devices = {"Office", "Plotter"};
  auto run = [&](std::vector<std::string> answers) {
    HeadlessUi ui(std::move(answers), {});
    return ui.SelectDevice(r);
  };
  EXPECT_EQ(run({"Plotter"}), "Plotter");
  EXPECT_EQ(run({"Plotter", "no", "Office", "yes"}), "Office");
  EXPECT_EQ(run({"Missing", "Office"}), "Office");
  EXPECT_EQ(run({"cancel", "yes"}), "");
  EXPECT_EQ(run({"cancel"}), "Cancel");
  EXPECT_EQ(run({}), "Cancel");
  r.preset = "Office";
  EXPECT_EQ(run({"close", "no", "yes"}), "Default");
  EXPECT_EQ(run({}), "Office");  // a refused close leaves the preset
}

// Out of answers with nothing selected, the headless Ui takes the device the
// caller names for an unattended run (the PDF device choice names the
// built-in PDF device) and tells the caller; a No given as an answer stays
// a No, and so does a dialog that names no such device.
TEST(DeviceDialog, HeadlessOutOfAnswersTakesTheUnattendedChoice) {
  DeviceDialogRequest r;
  r.devices = {"Office", "Kestrel PDF"};
  r.unattendedChoice = "Kestrel PDF";
  std::vector<std::string> told;
  r.onUnattendedChoice = [&told](const std::string& device) { told.push_back(device); };
  auto run = [&](std::vector<std::string> answers) {
    HeadlessUi ui(std::move(answers), {});
    return ui.SelectDevice(r);
  };
  EXPECT_EQ(run({}), "Kestrel PDF");
  EXPECT_EQ(told, std::vector<std::string>{"Kestrel PDF"});
  EXPECT_EQ(run({"Office", "no"}), "Kestrel PDF");  // declined the row, then nobody answered
  EXPECT_EQ(run({"close", "no"}), "Cancel");
  EXPECT_EQ(run({"Office"}), "Office");
  EXPECT_EQ(told.size(), 2u);
  r.unattendedChoice = "Not Installed";
  EXPECT_EQ(run({}), "Cancel");
  r.unattendedChoice.clear();
  EXPECT_EQ(run({}), "Cancel");
  EXPECT_EQ(told.size(), 2u);
}

// A Ui that records the dialog request and answers with a fixed result.
class RequestUi final : public WindowlessUi {
 public:
  explicit RequestUi(std::string result) : result_(std::move(result)) {}
  std::string SelectDevice(const DeviceDialogRequest& r) override {
    requests.push_back(r);
    if (result_ == "throw") throw std::runtime_error("dialog");
    return result_;
  }
  void ShowMessage(const std::string& text, MessageKind) override { shown_.push_back(text); }
  bool AskYesNo(const std::string&, MessageKind) override { return false; }
  bool AskOkCancel(const std::string&, MessageKind) override { return false; }
  const std::vector<std::string>& shown() const { return shown_; }
  std::vector<DeviceDialogRequest> requests;

 private:
  std::string result_;
  std::vector<std::string> shown_;
};

MemoryPrintSystem TwoPrinters() { return MemoryPrintSystem({StandardDevice("Office"), StandardDevice("Plotter")}); }

TEST(DeviceChoice, EveryUseListsAllPrintersWithItsOwnTexts) {
  MemoryPrintSystem ps = TwoPrinters();
  RequestUi ui("Plotter");
  EXPECT_EQ(SelectOutputPrinter(ui, ps), "Plotter");
  EXPECT_EQ(SelectPdfDevice(ui, ps), "Plotter");
  ASSERT_EQ(ui.requests.size(), 2u);
  EXPECT_EQ(ui.requests[0].caption, "出力プリンタ選択画面");
  EXPECT_EQ(ui.requests[0].heading, "出力するデバイスを選択して下さい。");
  EXPECT_EQ(ui.requests[0].noSelectionMessage,
            "印刷をするプリンタが選択されていません。\n印刷はキャンセルされますがよろしいですか？");
  EXPECT_EQ(ui.requests[0].devices, (std::vector<std::string>{"Office", "Plotter"}));
  EXPECT_EQ(ui.requests[1].caption, "");  // the dialog keeps its own texts
  EXPECT_EQ(ui.requests[1].preset, "");
}

TEST(DeviceChoice, WinDirectPresetsTheStoredPrinterAndWritesTheChoiceInQuotes) {
  TempDir dir;
  MemoryPrintSystem ps = TwoPrinters();
  const std::string path = dir.file("WinPrinterSet.inf");
  auto stored = [&] { return ReadFile(path); };

  // First run: no file, the preset is "Default", leaving it unchanged.
  {
    HeadlessUi ui({"close", "yes"}, {});
    EXPECT_EQ(SelectWinDirectPrinter(ui, ps, path), 0);
    EXPECT_EQ(stored(), "[DefaultPrinter]\r\nSelectPrinter=\"Default\"\r\n");
    EXPECT_EQ(ui.shown().front(), "何も変更せずに終了しますか？");
  }
  {
    RequestUi ui("Plotter");
    EXPECT_EQ(SelectWinDirectPrinter(ui, ps, path), 0);
    EXPECT_EQ(ui.requests[0].preset, "Default");
    EXPECT_EQ(ui.requests[0].caption, "デフォルト印刷プリンター選択画面");
    EXPECT_EQ(ui.requests[0].heading, "Win直で常に印刷するデバイスを選択して下さい。");
    EXPECT_EQ(ui.requests[0].noSelectionMessage,
              "常に印刷をするプリンタが選択されていません。\n印刷には通常使うプリンターが使用されますがよろしいですか？");
    EXPECT_EQ(ReadIniValue(path, "DefaultPrinter", "SelectPrinter", "?"), "Plotter");
    EXPECT_EQ(stored(), "[DefaultPrinter]\r\nSelectPrinter=\"Plotter\"\r\n");
  }
  {
    RequestUi ui("Cancel");  // keeps the stored printer
    EXPECT_EQ(SelectWinDirectPrinter(ui, ps, path), 0);
    EXPECT_EQ(ui.requests[0].preset, "Plotter");
    EXPECT_EQ(stored(), "[DefaultPrinter]\r\nSelectPrinter=\"Plotter\"\r\n");
  }
}

TEST(DeviceChoice, WinDirectWithAnEmptyStoredValueKeepsItOnCancelAndStoresDefaultOnYes) {
  TempDir dir;
  MemoryPrintSystem ps = TwoPrinters();
  const std::string path = dir.Write("WinPrinterSet.inf", "[DefaultPrinter]\r\nSelectPrinter=\r\n");
  {
    HeadlessUi ui({"close", "no"}, {});
    EXPECT_EQ(SelectWinDirectPrinter(ui, ps, path), 0);
    EXPECT_EQ(ui.shown().back(),
              "常に印刷をするプリンタが選択されていません。\n印刷には通常使うプリンターが使用されますがよろしいですか？");
    EXPECT_EQ(ReadFile(path), "[DefaultPrinter]\r\nSelectPrinter=\"\"\r\n");
  }
  {
    HeadlessUi ui({"close", "yes"}, {});
    EXPECT_EQ(SelectWinDirectPrinter(ui, ps, path), 0);
    EXPECT_EQ(ReadFile(path), "[DefaultPrinter]\r\nSelectPrinter=\"Default\"\r\n");
  }
}

TEST(DeviceChoice, ThePdfDeviceChoiceNamesTheBuiltInDeviceForUnattendedRuns) {
  MemoryPrintSystem ps({StandardDevice("Office"), StandardDevice("Kestrel PDF")});
  RequestUi ui("Office");
  EXPECT_EQ(SelectPdfDevice(ui, ps), "Office");
  ps.SetBuiltInPdfDevice("Kestrel PDF");
  EXPECT_EQ(SelectPdfDevice(ui, ps), "Office");
  EXPECT_EQ(SelectOutputPrinter(ui, ps), "Office");
  ASSERT_EQ(ui.requests.size(), 3u);
  EXPECT_EQ(ui.requests[0].unattendedChoice, "");
  EXPECT_EQ(ui.requests[1].unattendedChoice, "Kestrel PDF");
  EXPECT_EQ(ui.requests[2].unattendedChoice, "");  // other questions keep their No
}

TEST(DeviceChoice, ThePdfDeviceOfTheMenuIsStoredWhateverTheResult) {
  TempDir dir;
  MemoryPrintSystem ps = TwoPrinters();
  const std::string path = dir.Write("kestrel.inf", "[SETTING]\r\n$plog=1\r\n[PDF]\r\n$path=Old\r\n$pdfbk=0\r\n");
  for (std::string result : {"Plotter", "", "Cancel"}) {
    RequestUi ui(result);
    EXPECT_EQ(SelectPdfDeviceForSettings(ui, ps, path), 0);
    EXPECT_EQ(ReadFile(path), "[SETTING]\r\n$plog=1\r\n[PDF]\r\n$path=" + result + "\r\n$pdfbk=0\r\n");
  }
  RequestUi failing("throw");
  EXPECT_EQ(SelectPdfDeviceForSettings(failing, ps, path), -1);
  EXPECT_EQ(failing.shown(), std::vector<std::string>{"PDFドライバ選択画面処理中に例外が発生しました"});
}

TEST(DeviceChoice, ThePaperListUseWritesOnlyForANonEmptyResult) {
  TempDir dir;
  MemoryPrintSystem ps = TwoPrinters();
  const std::string path = dir.file("ppaperlist.txt");
  {
    RequestUi ui("");
    EXPECT_EQ(WritePaperListOfChosenDevice(ui, ps, path), ListResult::kNoDeviceChosen);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(ui.requests[0].caption, "印刷可能用紙リスト出力画面");
    EXPECT_EQ(ui.requests[0].heading, "下から用紙リストを出力するデバイスを選択して下さい。");
    EXPECT_EQ(ui.requests[0].noSelectionMessage, "ドライバを選択しない場合は、用紙リスト出力を中止します。");
  }
  {
    RequestUi ui("throw");
    EXPECT_EQ(WritePaperListOfChosenDevice(ui, ps, path), ListResult::kUnreachable);
    EXPECT_EQ(ui.shown(), std::vector<std::string>{"プリンタドライバ選択画面処理中に例外が発生しました"});
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  {
    RequestUi ui("Cancel");  // not a device: the header-only file
    EXPECT_EQ(WritePaperListOfChosenDevice(ui, ps, path), ListResult::kNotInstalled);
    EXPECT_TRUE(std::filesystem::exists(path));
  }
  {
    RequestUi ui("Plotter");
    EXPECT_EQ(WritePaperListOfChosenDevice(ui, ps, path), ListResult::kWritten);
    EXPECT_NE(ReadFile(path).find(SjisFromUtf8("■Plotter\n")), std::string::npos);
  }
}

}  // namespace
}  // namespace kestrel::test
