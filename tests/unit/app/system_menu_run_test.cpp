// The controller's two ways into the system menu: no arguments (the small
// form, nothing else) and -debug (the full form, then the end steps).
#include <gtest/gtest.h>
#include <utime.h>

#include <filesystem>

#include "app/controller.h"
#include "support/engine_fixture.h"
#include "support/menu_ui.h"
#include "platform/text_codec.h"
#include "util/find_files.h"

namespace kestrel {
namespace {

using test::MenuUi;
using test::PageBuilder;
using test::ReadFile;
using test::TempDir;
namespace fs = std::filesystem;

class BaseSystem : public LinuxSystem {
 public:
  explicit BaseSystem(std::string base) : base_(std::move(base)) {}
  std::string BaseDir() override { return base_; }
  bool NotifyWindow(uint64_t window, uint32_t, uint64_t, int64_t, std::string&) override {
    notified.push_back(window);
    return true;
  }
  std::vector<uint64_t> notified;

 private:
  std::string base_;
};

class SystemMenuRunTest : public ::testing::Test {
 protected:
  TempDir base;
  BaseSystem system{base.path().string() + "/"};
  MemoryPrintSystem printers{{StandardDevice("Test Printer")}};

  void SetUp() override {
    PageBuilder page;
    page.Paper(0, 9, 0, 1).End();
    base.Write("a.pdat", page.bytes());
    // Used print data from long ago, which the end steps clean up.
    base.Write("zoq/old.pdat", page.bytes());
    utimbuf old{1000000000, 1000000000};
    utime(base.file("zoq/old.pdat").c_str(), &old);
  }
  int Run(MenuUi& ui, std::vector<std::string> args) {
    args.insert(args.begin(), "kestrel");
    return RunProgram(Services{system, printers, ui}, args);
  }
};

TEST_F(SystemMenuRunTest, WithoutArgumentsTheSmallFormOnlyAndNothingElse) {
  MenuUi ui;
  bool small = false;
  ui.operate = [&](TSysMenu1& menu) {
    small = !menu.Panel1Visible() && menu.Width() == 470 && menu.Height() == 340;
    menu.Button16Click();  // the settings file, from the settings in memory
    menu.Button3Click();
  };
  EXPECT_EQ(Run(ui, {}), 0);
  EXPECT_EQ(ui.menusShown, 1);
  EXPECT_TRUE(small);
  EXPECT_TRUE(fs::exists(base.file("zoq/kestrel.inf")));
  // No log, no message, no clean-up.
  EXPECT_FALSE(fs::exists(base.file("zoq/plog")));
  EXPECT_TRUE(ui.shown().empty());
  EXPECT_TRUE(fs::exists(base.file("zoq/old.pdat")));
}

TEST_F(SystemMenuRunTest, DebugShowsTheFullFormPrintsFromItAndEndsWithTheEndSteps) {
  MenuUi ui({base.file("a.pdat")});
  bool full = false;
  ui.operate = [&](TSysMenu1& menu) {
    full = menu.Panel1Visible() && menu.Width() == 1024 && menu.Height() == 800;
    menu.Button4Click();
    menu.Button13Click();
  };
  base.Write("zoq/kestrel.inf", std::string("[SETTING]\r\n$plog=1\r\n"));
  EXPECT_EQ(Run(ui, {"-h", "9", "-debug"}), 0);
  EXPECT_TRUE(full);
  // The caller's window hears of the end of the menu's run once.
  EXPECT_EQ(system.notified, std::vector<uint64_t>{9});
  // The page printed on the selected printer.
  EXPECT_EQ(printers.sheets(), 1);
  // The run from the menu and the menu's own run each end with the end steps.
  std::string log;
  for (const auto& name : FindEntries(base.file("zoq/plog"), "plog_*.txt"))
    log += Utf8FromSjis(ReadFile(base.file("zoq/plog/" + name)));
  size_t ends = 0;
  for (size_t at = log.find("【印刷終了時間】"); at != std::string::npos; at = log.find("【印刷終了時間】", at + 1)) ++ends;
  EXPECT_EQ(ends, 2u) << log;
}

TEST_F(SystemMenuRunTest, WithoutWindowsOneMessageNamesTheToolsCommands) {
  MenuUi ui;  // shows no menu
  EXPECT_EQ(Run(ui, {}), 0);
  ASSERT_EQ(ui.shown().size(), 1u);
  for (const char* command : {"fontlist", "printerlist", "paperlist", "winprt", "pdfdevice"})
    EXPECT_NE(ui.shown()[0].find(std::string("kestrel-tools ") + command), std::string::npos) << command;
}

}  // namespace
}  // namespace kestrel
