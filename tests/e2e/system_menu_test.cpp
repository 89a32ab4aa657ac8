// A print run from the system menu against the same run from the command
// line: the menu's controls and the settings file's keys that mean the same
// give the same JPEG page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/controller.h"
#include "platform/linux/linux_platform.h"
#include "support/engine_fixture.h"
#include "support/menu_ui.h"
#include "support/program_runner.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

TEST(SystemMenuPrint, AJpegRunFromTheMenuWritesThePageOfTheCommandLine) {
  const std::string example = KESTREL_BINARY_DIR "/examples/invoice.pdat";
  ASSERT_TRUE(fs::exists(example));

  // The command line: every option in the settings file.
  TempDir cmd;
  cmd.Write("zoq/kestrel.inf",
            std::string("[SETTING]\r\n$jpeg=1\r\n$jdpi=200\r\n$pmap=3\r\n$pcPaper=1\r\n$pPCheck=0\r\n$pdat=1\r\n"));
  fs::copy_file(example, cmd.path() / "invoice.pdat");
  ProgramRun r = RunProgramAndWait(KESTREL_PROGRAM, {"-p", cmd.file("invoice.pdat")},
                                   {{"KESTREL_BASE", cmd.path().string() + "/"},
                                    {"KESTREL_NO_CUPS", "1"},
                                    {"KESTREL_NO_DEBUG_LABEL", "1"},
                                    {"DISPLAY", ""}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string expected = ReadFile(cmd.file("invoice.jpg"));
  ASSERT_FALSE(expected.empty());

  // The menu: settings left at their defaults, every option on the print
  // tab.
  TempDir menuBase;
  menuBase.Write("zoq/kestrel.inf", std::string("[SETTING]\r\n"));
  fs::copy_file(example, menuBase.path() / "invoice.pdat");
  setenv("KESTREL_BASE", (menuBase.path().string() + "/").c_str(), 1);
  setenv("KESTREL_NO_CUPS", "1", 1);
  auto platform = MakeLinuxPlatform();
  LinuxPlatform* p = platform.get();
  Services services = p->services();
  MenuUi ui({menuBase.file("invoice.pdat")});
  ui.operate = [](TSysMenu1& menu) {
    menu.Button4Click();
    menu.SetRadioGroup1(1);
    menu.SetRadioGroup2(3);
    menu.SetRadioGroup3(0);
    menu.CheckBox11Click(true);
    menu.SetDpiText("200");
    menu.SetCheckBox15(true);
    menu.Button13Click();
  };
  ASSERT_EQ(RunProgram(Services{services.system, services.printers, ui}, {"kestrel", "-debug"},
                       [p] { return p->MakePageImage(); }),
            0);
  EXPECT_TRUE(ReadFile(menuBase.file("invoice.jpg")) == expected);

  // The page label left on: the file name is printed, so the page differs.
  fs::remove(menuBase.file("invoice.jpg"));
  MenuUi labelled({menuBase.file("invoice.pdat")});
  labelled.operate = [](TSysMenu1& menu) {
    menu.Button4Click();
    menu.SetRadioGroup1(1);
    menu.SetRadioGroup2(3);
    menu.SetRadioGroup3(0);
    menu.CheckBox11Click(true);
    menu.SetDpiText("200");
    menu.Button13Click();
  };
  RunProgram(Services{services.system, services.printers, labelled}, {"kestrel", "-debug"},
             [p] { return p->MakePageImage(); });
  const std::string withLabel = ReadFile(menuBase.file("invoice.jpg"));
  EXPECT_FALSE(withLabel.empty());
  EXPECT_FALSE(withLabel == expected);
  unsetenv("KESTREL_BASE");
  unsetenv("KESTREL_NO_CUPS");
}

}  // namespace
}  // namespace kestrel::test
