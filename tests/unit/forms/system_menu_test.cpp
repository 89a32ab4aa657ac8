#include "forms/system_menu.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/linux/cups_queue_state.h"
#include "platform/recording/memory_print_system.h"
#include "support/engine_fixture.h"
#include "support/menu_ui.h"
#include "util/comma_list.h"

namespace kestrel {
namespace {

using test::MenuUi;
using test::ReadFile;
using test::TempDir;

struct PrintCall {
  std::vector<std::string> args;
  int mode = -1;
  RunRequest request;
};

class SystemMenuTest : public ::testing::Test {
 protected:
  TempDir base;
  MemoryPrintSystem printers{{StandardDevice("Test Printer")}};
  std::vector<PrintCall> prints;
  std::vector<std::string> saved;

  std::unique_ptr<TSysMenu1> Menu(MenuUi& ui, bool withForms = false) {
    SystemMenuHooks hooks;
    hooks.saveSettings = [this](const std::string& path) {
      saved.push_back(path);
      base.Write("zoq/kestrel.inf", std::string("[SETTING]\r\n"));
    };
    hooks.printMain = [this](const std::vector<std::string>& args, int mode, const RunRequest& request) {
      prints.push_back({args, mode, request});
      return 0;
    };
    if (withForms) hooks.showFontForm = [] { throw std::runtime_error("font form"); };
    auto menu = std::make_unique<TSysMenu1>(ui, printers, std::move(hooks));
    std::filesystem::create_directories(base.path() / "zoq");
    menu->SetBaseDir(base.path().string() + "/");
    menu->SettingsPath = base.file("zoq/kestrel.inf");
    return menu;
  }
};

TEST_F(SystemMenuTest, TheTargetOfEachCommandKindNamesTheChosenFileOrFolderQuoted) {
  MenuUi ui({"/data/a b.pdat", "cancel", "/data/folder", "cancel", "/data/x\"y.pdat"});
  auto menu = Menu(ui);
  // No kind chosen: a file, kept when the next file dialog is cancelled.
  menu->Button4Click();
  EXPECT_EQ(menu->PrintTarget(), "\"/data/a b.pdat\"");
  menu->Button4Click();
  EXPECT_EQ(menu->Label1(), "/data/a b.pdat");
  EXPECT_EQ(menu->AnalysisFileLabel(), "/data/a b.pdat");
  menu->SetComboBox1Index(1);
  EXPECT_EQ(SplitCommaList(menu->PrintTarget()), (std::vector<std::string>{"/data/a b.pdat", "/data/a b.pdat"}));

  // Folder kinds: a folder, the mode digit after it; a cancelled folder
  // dialog changes nothing.
  menu->SetComboBox1Index(2);
  menu->Button4Click();
  EXPECT_EQ(menu->PrintTarget(), "\"/data/folder\",0");
  EXPECT_EQ(menu->AnalysisFileLabel(), "");
  menu->SetComboBox1Index(3);
  menu->Button4Click();
  EXPECT_EQ(menu->PrintTarget(), "\"/data/folder\",1");

  // A quote in a name reaches the print entry whole.
  menu->SetComboBox1Index(0);
  menu->Button4Click();
  EXPECT_EQ(SplitCommaList(menu->PrintTarget()), std::vector<std::string>{"/data/x\"y.pdat"});
}

TEST_F(SystemMenuTest, AnInvalidDpiIsShownAndPrintsAt350) {
  MenuUi ui;
  auto menu = Menu(ui);
  RunRequest r = menu->MakeRunRequest(kRunFromMenu);
  EXPECT_EQ(r.jpeg, 0);  // the DPI field starts disabled
  EXPECT_EQ(r.jdpi, 350);
  menu->CheckBox11Click(true);
  for (const char* text : {"0", "-5", "abc"}) {
    menu->SetDpiText(text);
    size_t before = ui.shown().size();
    r = menu->MakeRunRequest(kRunFromMenu);
    EXPECT_EQ(r.jpeg, 1) << text;
    EXPECT_EQ(r.jdpi, 350) << text;
    ASSERT_EQ(ui.shown().size(), before + 1) << text;
    EXPECT_EQ(ui.shown().back(), TSysMenu1::kDpiMessage);
  }
  menu->SetDpiText("600");
  size_t before = ui.shown().size();
  EXPECT_EQ(menu->MakeRunRequest(kRunFromMenu).jdpi, 600);
  EXPECT_EQ(ui.shown().size(), before);
  // An empty field prints without JPEG.
  menu->SetDpiText("");
  EXPECT_EQ(menu->MakeRunRequest(kRunFromMenu).jpeg, 0);
  // An analysis run always makes JPEG pages.
  menu->CheckBox11Click(false);
  EXPECT_EQ(menu->MakeRunRequest(kRunFromMenuWithAnalysis).jpeg, 1);
}

TEST_F(SystemMenuTest, JpegAndPdfOutputExcludeEachOther) {
  MenuUi ui;
  auto menu = Menu(ui);
  menu->CheckBox13Click(true);
  menu->CheckBox11Click(true);
  EXPECT_FALSE(menu->CheckBox13());
  EXPECT_TRUE(menu->DpiEnabled());
  menu->CheckBox13Click(true);
  EXPECT_FALSE(menu->CheckBox11());
  EXPECT_FALSE(menu->DpiEnabled());
  RunRequest r = menu->MakeRunRequest(kRunFromMenu);
  EXPECT_EQ(r.pdfOutput, 1);
  EXPECT_EQ(r.jpeg, 0);
}

// The menu tells its observers what changed; an unchanged value and a
// released subscription tell nothing.
TEST_F(SystemMenuTest, ChangesAreToldToTheSubscribedViews) {
  MenuUi ui;
  auto menu = Menu(ui);
  std::vector<std::string> told;
  {
    FormModel::Subscription s = menu->Subscribe([&](std::string_view what) { told.emplace_back(what); });
    menu->SetRadioGroup2(3);
    menu->SetRadioGroup2(3);
    menu->SetCheckBox12(true);
    menu->CheckBox13Click(true);
    EXPECT_EQ(told, (std::vector<std::string>{"RadioGroup2", "CheckBox12", ""}));
  }
  menu->SetCheckBox15(true);
  EXPECT_EQ(told.size(), 3u);
  EXPECT_STREQ(menu->FormName(), "SysMenu1");
}

TEST_F(SystemMenuTest, ThePrintRunHandsTheControlsToThePrintEntry) {
  MenuUi ui({"/data/a.pdat"});
  auto menu = Menu(ui);
  // Nothing chosen: the message, no run.
  menu->Button13Click();
  EXPECT_TRUE(ui.WasShown(TSysMenu1::kNoDataMessage));
  EXPECT_TRUE(prints.empty());

  menu->Button4Click();
  menu->SetRadioGroup1(2);
  menu->SetRadioGroup2(6);
  menu->SetRadioGroup3(0);
  menu->SetCheckBox12(true);
  menu->SetCheckBox14(true);
  menu->SetCheckBox15(true);
  menu->CheckBox11Click(true);
  menu->SetDpiText("200");
  menu->AnalysisFilters = {"1", "2", "3", "4", "5"};
  menu->Button13Click();
  ASSERT_EQ(prints.size(), 1u);
  const PrintCall& call = prints[0];
  EXPECT_EQ(call.args, (std::vector<std::string>{"-p", "\"/data/a.pdat\""}));
  EXPECT_EQ(call.mode, kRunFromMenu);
  const RunRequest& r = call.request;
  EXPECT_EQ(r.CompulsionPaper, 2);
  EXPECT_EQ(r.pmap_flg, 6);
  EXPECT_EQ(r.ppaper_check, 0);
  EXPECT_EQ(r.alog, 0);
  EXPECT_EQ(r.analysisFilters[0], "");  // only an analysis run takes them
  EXPECT_EQ(r.jpeg, 1);
  EXPECT_EQ(r.jdpi, 200);
  EXPECT_EQ(r.pdat_flg, 1);
  EXPECT_EQ(r.plog, 1);
  EXPECT_EQ(r.pdfOutput, 0);
  EXPECT_EQ(r.AskPrinter, 1);
  EXPECT_EQ(r.labelFlag, 1);
  EXPECT_EQ(r.width_flg + r.perr_flg + r.formMethod + r.lastItem + r.wait_time, 0);
  // The progress form is hidden after the run.
  EXPECT_EQ(ui.progressHidden, 1);

  EXPECT_EQ(menu->RunFromMenu(kRunFromMenuWithAnalysis), 0);
  EXPECT_EQ(prints.back().request.alog, 1);
  EXPECT_EQ(prints.back().request.analysisFilters[4], "5");
}

TEST_F(SystemMenuTest, TheSettingsFileIsCreatedOnceAndNeverOverwritten) {
  MenuUi ui;
  auto menu = Menu(ui);
  menu->Button16Click();
  ASSERT_EQ(saved, std::vector<std::string>{base.file("zoq/kestrel.inf")});
  base.Write("zoq/kestrel.inf", std::string("[SETTING]\r\n$plog=1\r\n"));
  menu->Button16Click();
  EXPECT_EQ(saved.size(), 1u);
  EXPECT_EQ(ReadFile(base.file("zoq/kestrel.inf")), "[SETTING]\r\n$plog=1\r\n");
  EXPECT_TRUE(ui.WasShown("既に存在しています。\n作成できませんでした\n" + base.file("zoq/kestrel.inf")));
}

TEST_F(SystemMenuTest, TheFontSettingsButtonCreatesAMissingSettingsFileFirst) {
  MenuUi ui;
  auto menu = Menu(ui);
  menu->Button33Click();
  EXPECT_EQ(saved.size(), 1u);
  EXPECT_TRUE(ui.WasShown(base.file("zoq/kestrel.inf") + "が存在しないので、一度新規作成を行います。"));
  EXPECT_TRUE(ui.WasShown(TSysMenu1::kFontFormPlaceholder));
  menu->Button33Click();  // exists now
  EXPECT_EQ(saved.size(), 1u);

  // A font form that fails is reported.
  MenuUi ui2;
  auto withForm = Menu(ui2, true);
  withForm->Button33Click();
  EXPECT_TRUE(ui2.WasShown("フォント設定画面処理中に例外が発生しました"));
  EXPECT_FALSE(ui2.WasShown(TSysMenu1::kFontFormPlaceholder));
}

TEST_F(SystemMenuTest, FormsAndStartFolders) {
  MenuUi ui({"cancel", "cancel"});
  auto menu = Menu(ui);
  menu->SetSmallForm(true);
  EXPECT_FALSE(menu->Panel1Visible());
  EXPECT_EQ(menu->Width() * 1000 + menu->Height(), 470 * 1000 + 340);
  menu->SetSmallForm(false);
  EXPECT_TRUE(menu->Panel1Visible());
  EXPECT_EQ(menu->Width() * 1000 + menu->Height(), 1024 * 1000 + 800);
  menu->SetActiveTab(kSpoolerTab);
  menu->FormShow();
  EXPECT_EQ(menu->ActiveTab(), 0);

  const std::string root = base.path().string() + "/";
  ASSERT_EQ(menu->ComboBox2Items().size(), 7u);
  EXPECT_EQ(menu->ComboBox2Items()[0], "");
  EXPECT_EQ(menu->ComboBox2Items()[6], root + "zoq/palog");
  EXPECT_EQ(menu->ComboBox2Index(), -1);
  // Nothing or the empty item chosen: each dialog's own folder.
  EXPECT_EQ(menu->SetDialogStartFolder("AnalyzeFOpen1"), root + "zoq/palog");
  menu->SetComboBox2Index(0);
  menu->Button4Click();
  menu->SetComboBox2Index(5);
  menu->Button4Click();
  EXPECT_EQ(ui.startFolders, (std::vector<std::string>{root + "zoq", root + "zoq/plog"}));
}

TEST(SpoolerState, TheQueryIsClassifiedByThePrintersAndThePrintingJobsErrorBits) {
  PrinterQueueState idle;
  EXPECT_EQ(ClassifyPrinterState(0, idle), 0);
  EXPECT_EQ(SpoolerStatusLine(0, idle), "状態：ジョブ無し");
  EXPECT_EQ(ClassifyPrinterState(-1, idle), -1);

  PrinterQueueState offline;
  offline.status = kPrinterStatusOffline | kPrinterStatusPaused;
  EXPECT_EQ(ClassifyPrinterState(0, offline), -99);
  EXPECT_EQ(SpoolerStatusLine(-99, offline), "状態：プリンタ異常(OFFLINE)");
  PrinterQueueState lowToner;  // a warning, not an error
  lowToner.status = kPrinterStatusTonerLow | kPrinterStatusPrinting;
  EXPECT_EQ(ClassifyPrinterState(0, lowToner), 0);

  PrinterQueueState held;
  held.jobs.push_back({1, "a", kJobStatusPaused | kJobStatusError});  // not printing
  EXPECT_EQ(ClassifyPrinterState(0, held), 0);
  EXPECT_EQ(SpoolerStatusLine(0, held), "状態：ジョブ異常なし");
  held.jobs.push_back({2, "b", kJobStatusPrinting | kJobStatusBlockedDevq});
  EXPECT_EQ(ClassifyPrinterState(0, held), 1);
}

TEST(SpoolerState, CupsStatesAndReasonsBecomeStatusBits) {
  EXPECT_EQ(PrinterStatusOfQueue(3, {"none"}, true), 0u);
  EXPECT_EQ(PrinterStatusOfQueue(5, {"paused"}, true), kPrinterStatusOffline | kPrinterStatusPaused);
  EXPECT_EQ(PrinterStatusOfQueue(4, {"media-empty-error", "media-jam", "toner-low-warning"}, true),
            kPrinterStatusPrinting | kPrinterStatusPaperOut | kPrinterStatusPaperJam);
  EXPECT_EQ(PrinterStatusOfQueue(3, {"offline-report", "toner-empty", "door-open", "fuser-over-temp-error"}, false),
            kPrinterStatusOffline | kPrinterStatusNoToner | kPrinterStatusDoorOpen | kPrinterStatusError |
                kPrinterStatusNotAvailable);
  EXPECT_EQ(JobStatusOfQueue(4, {"job-hold-until-specified"}), kJobStatusPaused);
  EXPECT_EQ(JobStatusOfQueue(5, {"printer-stopped"}), kJobStatusPrinting | kJobStatusBlockedDevq);
  EXPECT_EQ(JobStatusOfQueue(5, {"document-format-error"}), kJobStatusPrinting | kJobStatusError);
  // The printer's reasons recorded with the job: paper out and offline are
  // the job's too, a warning is nothing.
  EXPECT_EQ(JobStatusOfQueue(5, {"job-printing"}, {"media-empty-error", "offline-report", "toner-low-warning"}),
            kJobStatusPrinting | kJobStatusPaperOut | kJobStatusOffline);
  EXPECT_EQ(JobStatusOfQueue(5, {"job-printing"}, {"media-needed-warning"}), kJobStatusPrinting);
}

TEST(SpoolerState, TheSpoolerTabAppendsThePrinterAndItsStateOrShowsTheOpenFailure) {
  MemoryDevice device = StandardDevice("Test Printer");
  device.queue.jobs.push_back({7, "a", kJobStatusPrinting | kJobStatusPaperOut});
  MemoryPrintSystem printers{{device}};
  MenuUi ui;
  TSysMenu1 menu(ui, printers, {});
  EXPECT_EQ(menu.GetSpoolerInfoClick(), 1);
  EXPECT_EQ(menu.SpoolerLines(), (std::vector<std::string>{"プリンタ：Test Printer", "状態：ジョブ異常あり"}));

  MemoryPrintSystem none;
  TSysMenu1 empty(ui, none, {});
  EXPECT_EQ(empty.GetSpoolerInfoClick(), -1);
  EXPECT_TRUE(empty.SpoolerLines().empty());
  EXPECT_EQ(ui.shown().back(), "  ■OpenPrinterエラー GetLastError(1801)\n");
}

}  // namespace
}  // namespace kestrel
