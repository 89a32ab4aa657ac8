#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/headless/headless_ui.h"
#include "support/engine_fixture.h"

namespace kestrel {
namespace {

struct Scan {
  test::TempDir dir;
  RunSettings settings;
  Scan() { InitRunSettingsPaths(settings, dir.path().string() + "/", "/etc/"); }
  MainScan Run(std::vector<std::string> args) {
    args.insert(args.begin(), "/opt/kestrel/bin/kestrel");
    return ScanMainOptions(settings, args);
  }
};

TEST(MainScan, PrintAndMaintenanceModesFollowTheLaterOption) {
  Scan s;
  MainScan r = s.Run({"-P", "C:/DATA/A.PDAT"});
  EXPECT_EQ(r.mode, RunMode::kPrint);
  EXPECT_EQ(r.printTarget, "C:/DATA/A.PDAT");
  EXPECT_EQ(s.settings.pdat_flg, 0);
  EXPECT_EQ(s.Run({"-p", "x.pdat", "-debug"}).mode, RunMode::kMaintenance);
  Scan t;
  r = t.Run({"-debug", "-p", "x.pdat"});
  EXPECT_EQ(r.mode, RunMode::kPrint);
  EXPECT_EQ(t.settings.pdat_flg, 1);
  Scan u;
  EXPECT_EQ(u.Run({"-debugx"}).mode, RunMode::kNone);
  EXPECT_EQ(u.settings.pdat_flg, 0);
  EXPECT_EQ(u.Run({}).mode, RunMode::kNone);
}

TEST(MainScan, ValuesAreTakenFromTheNextItemWhichIsStillExamined) {
  Scan s;
  MainScan r = s.Run({"-h", "123", "-pd", "My Printer", "-p", "a.pdat,b.pdat"});
  EXPECT_EQ(s.settings.ParentWindow, 123u);
  EXPECT_EQ(s.settings.PrinterName, "My Printer");
  EXPECT_EQ(r.printTarget, "a.pdat,b.pdat");
  // "-p -debug": -debug is the value of -p and an option of its own.
  Scan t;
  r = t.Run({"-p", "-debug"});
  EXPECT_EQ(r.printTarget, "-debug");
  EXPECT_EQ(r.mode, RunMode::kMaintenance);
  Scan u;
  u.Run({"-h", "abc"});
  EXPECT_EQ(u.settings.ParentWindow, 0u);
}

TEST(MainScan, HelpAndPrinterChoiceStopTheScan) {
  Scan s;
  MainScan r = s.Run({"-h", "5", "-?", "-p", "a.pdat"});
  EXPECT_EQ(r.stop, ScanStop::kHelp);
  EXPECT_EQ(r.mode, RunMode::kNone);
  EXPECT_EQ(s.settings.ParentWindow, 5u);
  EXPECT_EQ(s.Run({"-p", "a.pdat", "-WINPRT"}).stop, ScanStop::kWinPrinter);
}

TEST(MainScan, PrintListMustNameAFile) {
  Scan s;
  std::string list = s.dir.Write("Lists/PList.inf", std::string("[PrintData]\r\nKeyMax=0\r\n"));
  MainScan r = s.Run({"-PLIST=" + list, "-p", "x"});
  EXPECT_EQ(r.stop, ScanStop::kCompleted);
  EXPECT_EQ(s.settings.PrintListGiven, 1);
  EXPECT_EQ(s.settings.PrintListPath, list);  // case kept

  Scan t;
  r = t.Run({"-h", "9", "-plist=c:\\none\\plist.inf", "-p", "x"});
  EXPECT_EQ(r.stop, ScanStop::kPrintListMissing);
  EXPECT_EQ(r.mode, RunMode::kNone);
  EXPECT_EQ(PrintListMissingMessage(r.printListArgument),
            "-plist=[c:\\none\\plist.inf]が存在していません\n印刷を行わないで終了します。");
  EXPECT_EQ(PrintListErrorLogLine(9), "FormCreate PrintMain -plist option error : HANDLE : 9 に WM__PRINTOUT を送った\n");
  EXPECT_EQ(t.settings.PrintListGiven, 0);

  Scan u;
  r = u.Run({"-plist=" + std::string(150, 'a') + "あい"});
  EXPECT_EQ(r.printListArgument, std::string(100, 'a'));
  // A cut never splits a double-byte character.
  r = u.Run({"-plist=" + std::string(99, 'a') + "あい"});
  EXPECT_EQ(r.printListArgument, std::string(99, 'a'));
}

TEST(MainScan, ValueOptionGivenLastEndsTheRun) {
  for (const char* option : {"-h", "-PD", "-p"}) {
    Scan s;
    MainScan r = s.Run({"-debug", option});
    EXPECT_EQ(r.stop, ScanStop::kMissingValue) << option;
    EXPECT_EQ(r.mode, RunMode::kNone);
    EXPECT_EQ(r.missingOption, option);
  }
}

TEST(FallbackScan, SetsTheFileDependentOptions) {
  RunSettings s;
  std::string missing;
  ASSERT_TRUE(ScanFallbackOptions(s, {"k", "-a", "9", "-x", "0.95abc", "-E", "-t", "x"}, &missing));
  EXPECT_EQ(s.pmap_flg, 1);
  EXPECT_DOUBLE_EQ(s.pmag_flg, 0.95);
  EXPECT_EQ(s.perr_flg, 1);
  EXPECT_EQ(s.wait_time, 0);
  ASSERT_TRUE(ScanFallbackOptions(s, {"k", "-a", "6", "-e2", "-a", "-1"}, &missing));
  EXPECT_EQ(s.pmap_flg, 1);
  EXPECT_EQ(s.perr_flg, 2);
  ASSERT_TRUE(ScanFallbackOptions(s, {"k", "-a", "0"}, &missing));
  EXPECT_EQ(s.pmap_flg, 0);

  EXPECT_FALSE(ScanFallbackOptions(s, {"k", "-p", "a.pdat", "-l"}, &missing));
  EXPECT_EQ(missing, "-l");
}

TEST(FallbackScan, MissingValueSavesNothingAndSaysWhichOption) {
  test::TempDir dir;
  RunSettings s;
  InitRunSettingsPaths(s, dir.path().string() + "/", "/etc/");
  std::filesystem::create_directories(dir.path() / "zoq");
  HeadlessUi ui({}, "");
  EXPECT_FALSE(ApplyFallbackOptions(s, {"k", "-f", "-T"}, ui));
  EXPECT_FALSE(std::filesystem::exists(s.SettingsPath));
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_EQ(ui.shown()[0], MissingValueMessage("-T"));
  EXPECT_NE(ui.shown()[0].find("-T"), std::string::npos);
}

}  // namespace
}  // namespace kestrel
