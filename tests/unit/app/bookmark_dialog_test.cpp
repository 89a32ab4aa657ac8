// The bookmark dialog and the outliner tab without a window: labels,
// choosers (answered by the headless Ui), the settings they store and the
// outliner they start (a stand-in that records its arguments).
#include "app/bookmark_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/headless/headless_ui.h"
#include "platform/linux/linux_system.h"
#include "platform/text_codec.h"
#include "support/engine_fixture.h"
#include "support/stand_in.h"
#include "util/profile_file.h"

namespace kestrel {
namespace {

using test::ReadFile;
using test::TempDir;
namespace fs = std::filesystem;

class BookmarkDialog : public ::testing::Test {
 protected:
  TempDir dir;
  LinuxSystem system;
  RunSettings settings;
  void SetUp() override {
    fs::create_directories(dir.path() / "zoq");
    InitRunSettingsPaths(settings, Base(), "/etc/");
    settings.OutLinerPath = "c:\\Program Files\\Antenna\\Outliner\\OutlinerCmd.exe";
    settings.BookMarkPdfPath = "c:\\vpdf\\bk";
  }
  std::string Base() const { return dir.path().string() + "/"; }
  // The stand-in outliner where the default $OutLinerPath names it.
  std::string Outliner() {
    const std::string path = dir.file("Program Files/Antenna/Outliner/OutlinerCmd.exe");
    test::WriteStandIn(path, test::RecordArgs(dir.file("argv.txt")));
    return path;
  }
  std::string Stored(const std::string& key) {
    ProfileFile file;
    file.Load(settings.SettingsPath);
    return file.GetString("PDF", key, "(none)");
  }
};

TEST_F(BookmarkDialog, CreationMakesThePdfFolderOrSaysItCannot) {
  HeadlessUi ui{{}, ""};
  TAddBookMark1 dialog(settings, system, ui);
  EXPECT_TRUE(fs::is_directory(dir.path() / "vpdf"));
  EXPECT_EQ(dialog.Label10, settings.OutLinerPath);
  EXPECT_EQ(dialog.Label5, "c:\\vpdf\\bk");
  EXPECT_EQ(dialog.documentFolder(), Base() + "vpdf/");
  EXPECT_TRUE(ui.shown().empty());

  fs::remove(dir.path() / "vpdf");
  dir.Write("vpdf", std::string("a file where the folder belongs"));
  HeadlessUi ui2{{}, ""};
  TAddBookMark1 refused(settings, system, ui2);
  EXPECT_EQ(ui2.shown(), std::vector<std::string>{Base() + "vpdf/フォルダの作成に失敗しました\nPDF出力を中止します"});
  EXPECT_EQ(refused.Label10, "C:\\Program Files\\Antenna\\Outliner\\OutlinerCmd.exe");
  EXPECT_EQ(refused.Label5, "");
}

TEST_F(BookmarkDialog, TheFourChecksComeInOrderThenTheOutlinerWritesStemBk) {
  Outliner();
  HeadlessUi ui{{}, ""};
  TAddBookMark1 dialog(settings, system, ui);
  dialog.Label8 = dir.Write("in/a.b.pdf", std::string("%PDF"));
  dialog.Label9 = "\\in\\a.b.csv";  // a Windows path: under the base folder
  dialog.Label10 = Base() + "Program Files/Antenna/Outliner/outlinercmd.exe";
  fs::copy_file(dir.file("Program Files/Antenna/Outliner/OutlinerCmd.exe"), dialog.Label10);
  EXPECT_EQ(dialog.Button24Click(), -1);  // the name must match letter for letter
  dialog.Label10 = Base() + "none/OutlinerCmd.exe";
  EXPECT_EQ(dialog.Button24Click(), -1);
  dialog.Label10 = settings.OutLinerPath;
  EXPECT_EQ(dialog.Button24Click(), -1);  // the CSV is missing
  const std::string pdf = dialog.Label8;
  dialog.Label8 = Base() + "in/none.pdf";
  EXPECT_EQ(dialog.Button24Click(), -1);  // the PDF is checked before the CSV
  EXPECT_EQ(ui.shown(), (std::vector<std::string>{"指定したOutlinerCmdパスは有効なプログラムではありません。",
                                                  "指定されたパスにOutlinerCmd.exeが存在していません。",
                                                  "指定されたしおり設定用CSVファイルは存在していません。",
                                                  "指定されたPDFファイルは存在していません。"}));
  EXPECT_FALSE(fs::exists(dir.file("argv.txt")));

  dialog.Label8 = pdf;
  dir.Write("in/a.b.csv", std::string("\"1\""));
  ASSERT_EQ(dialog.Button24Click(), 0);
  EXPECT_EQ(dialog.OutputPdfPath(), Base() + "vpdf/bk/a.b_bk.pdf");
  EXPECT_EQ(ReadFile(dir.file("argv.txt")), "/D\n" + pdf + "\n/O\n" + Base() + "vpdf/bk/a.b_bk.pdf\n/B\n" + Base() +
                                                "in/a.b.csv\n/V\n");
  EXPECT_EQ(ui.shown().size(), 4u);  // the tick box is off: the missing result is not opened
}

TEST_F(BookmarkDialog, ChoosersFillTheLabelsAndStoreTheTwoSettings) {
  const std::string withCsv = dir.Write("vpdf/a.pdf", std::string("%PDF"));
  dir.Write("vpdf/a.csv", std::string(""));
  const std::string without = dir.Write("vpdf/b.pdf", std::string("%PDF"));
  HeadlessUi ui{{withCsv, without, "cancel", Base() + "tools/OutlinerCmd.exe", "cancel", Base() + "out"}, ""};
  TAddBookMark1 dialog(settings, system, ui);
  dialog.Button23Click();
  EXPECT_EQ(dialog.Label9, Base() + "vpdf/a.csv");
  dialog.Button23Click();  // no CSV beside it: the previous one stays
  EXPECT_EQ(dialog.Label8, without);
  EXPECT_EQ(dialog.Label9, Base() + "vpdf/a.csv");
  dialog.Button25Click();  // cancelled
  EXPECT_EQ(dialog.Label9, Base() + "vpdf/a.csv");

  dialog.Button26Click();
  EXPECT_EQ(Stored("$OutLinerPath"), Base() + "tools/OutlinerCmd.exe");
  EXPECT_EQ(settings.OutLinerPath, Base() + "tools/OutlinerCmd.exe");
  dialog.Button2Click();  // cancelled: nothing written
  EXPECT_EQ(Stored("$BookMarkPdfPath"), "(none)");
  dialog.Button2Click();
  EXPECT_EQ(dialog.Label5, Base() + "out");
  EXPECT_EQ(Stored("$BookMarkPdfPath"), Base() + "out");
  EXPECT_EQ(settings.BookMarkPdfPath, Base() + "out");
  EXPECT_TRUE(ui.shown().empty());

  // A settings file that cannot be opened: the folder chooser is not shown.
  fs::remove(settings.SettingsPath);
  fs::create_directories(settings.SettingsPath);
  HeadlessUi ui2{{Base() + "elsewhere"}, ""};
  TAddBookMark1 second(settings, system, ui2);
  second.Button2Click();
  EXPECT_EQ(second.Label5, Base() + "out");
  EXPECT_EQ(ui2.shown(), std::vector<std::string>{"infが生成できませんでした(" + settings.SettingsPath + ")"});
}

TEST_F(BookmarkDialog, TheOutlinerTabChecksOnlyTheOutlinerAndWritesAdd) {
  Outliner();
  std::vector<std::string> asked;
  HeadlessUi ui{{"cancel", Base() + "v 1/a.b.pdf", "cancel", "cancel", Base() + "c.csv"}, ""};
  OutlinerTab tab(Base(), system, ui, [&](const std::string& name) {
    asked.push_back(name);
    return Base();
  });
  tab.ChoosePdf();  // cancelled at first: the chooser's empty name
  EXPECT_EQ(tab.pdfLabel, "");
  tab.ChoosePdf();
  tab.ChoosePdf();  // cancelled: the name chosen before stays
  EXPECT_EQ(tab.pdfLabel, Base() + "v 1/a.b.pdf");
  tab.ChooseOutliner();
  tab.ChooseCsv();
  EXPECT_EQ(asked, (std::vector<std::string>{"OpenDialog2", "OpenDialog2", "OpenDialog2", "OpenDialog4", "OpenDialog3"}));
  EXPECT_EQ(tab.AddBookmarks(), -1);
  tab.outlinerLabel = "c:\\Program Files\\Antenna\\Outliner\\OutlinerCmd.exe";
  // The PDF and CSV are not checked: the outliner runs and finds them missing.
  ASSERT_EQ(tab.AddBookmarks(), 0);
  EXPECT_EQ(ReadFile(dir.file("argv.txt")),
            "/D\n" + Base() + "v 1/a.b.pdf\n/O\n" + Base() + "v 1/a.b_add.pdf\n/B\n" + Base() + "c.csv\n/V\n");
  EXPECT_EQ(ui.shown(), std::vector<std::string>{"指定されたパスにOutlinerCmd.exeが存在していません。"});
}

}  // namespace
}  // namespace kestrel
