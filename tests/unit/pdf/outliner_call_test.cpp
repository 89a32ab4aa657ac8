// The outliner call and the opening of its result: the command line as
// the outliner gets it, started without a shell, and the opener's answers.
#include "pdf/outliner_call.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/headless/headless_ui.h"
#include "platform/linux/linux_system.h"
#include "support/engine_fixture.h"
#include "support/stand_in.h"

namespace kestrel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::RecordArgs;
namespace fs = std::filesystem;

class OutlinerCall : public ::testing::Test {
 protected:
  TempDir dir;
  LinuxSystem system;
  HeadlessUi ui{{}, ""};
  std::string Outliner() { return dir.file("Program Files/Antenna/Outliner/OutlinerCmd.exe"); }
};

TEST_F(OutlinerCall, TheOutlinerGetsEachPathAsOneArgumentAndItsExitCodeIsIgnored) {
  EXPECT_EQ(OutlinerCommandLine("C:\\o\\OutlinerCmd.exe", "C:\\v\\a b.pdf", "C:\\v\\a b_bk.pdf", "C:\\v\\a.csv"),
            "\"C:\\o\\OutlinerCmd.exe\" /D \"C:\\v\\a b.pdf\" /O \"C:\\v\\a b_bk.pdf\" /B \"C:\\v\\a.csv\" /V");
  test::WriteStandIn(Outliner(), RecordArgs(dir.file("argv.txt")) + "; exit 7");
  const std::string src = dir.file("my docs/a.b.pdf");
  ASSERT_EQ(RunOutliner(system, ui, Outliner(), src, dir.file("out/a.b_bk.pdf"), dir.file("a 'x'.csv")), 0);
  EXPECT_EQ(ReadFile(dir.file("argv.txt")),
            "/D\n" + src + "\n/O\n" + dir.file("out/a.b_bk.pdf") + "\n/B\n" + dir.file("a 'x'.csv") + "\n/V\n");
  EXPECT_TRUE(ui.shown().empty());
}

TEST_F(OutlinerCall, AnOutlinerThatCannotRunOrAPathThatCannotBeQuotedIsAFailure) {
  const std::vector<std::string> failed = {kOutlinerFailedMessage};
  EXPECT_EQ(RunOutliner(system, ui, dir.file("none/OutlinerCmd.exe"), "a.pdf", "b.pdf", "c.csv"), -1);
  EXPECT_EQ(ui.shown(), failed);

  // A quote would end the path early and hand the rest on as further
  // arguments (here an output of the caller's choosing): not started.
  test::WriteStandIn(Outliner(), "touch \"" + dir.file("ran") + "\"");
  HeadlessUi ui2{{}, ""};
  EXPECT_EQ(RunOutliner(system, ui2, Outliner(), "a\" /O \"/tmp/x.pdf", "b.pdf", "c.csv"), -1);
  EXPECT_EQ(RunOutliner(system, ui2, Outliner(), "a.pdf", "b.pdf", "dir\\"), -1);
  EXPECT_EQ(RunOutliner(system, ui2, Outliner(), std::string(kCommandLineBuffer, 'a'), "b.pdf", "c.csv"), -1);
  EXPECT_EQ(ui2.shown().size(), 3u);
  EXPECT_FALSE(fs::exists(dir.file("ran")));
  ASSERT_EQ(RunOutliner(system, ui2, Outliner(), "a.pdf", "b.pdf", "c.csv"), 0);
  EXPECT_TRUE(fs::exists(dir.file("ran")));
}

// The desktop's opener (xdg-open, found in PATH) and its answers.
TEST_F(OutlinerCall, TheOpenersAnswersBecomeTheShellsMessages) {
  const std::string pdf = dir.Write("a.pdf", std::string("%PDF"));
  const std::string exitCode = dir.file("code");
  test::WriteStandIn(dir.file("bin/xdg-open"), "printf '%s' \"$1\" > \"" + dir.file("opened") + "\"; exit $(cat \"" +
                                        exitCode + "\")");
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", (dir.file("bin") + ":" + path).c_str(), 1);
  auto open = [&](const std::string& code, const std::string& file) {
    dir.Write("code", code);
    return OpenWithShell(system, ui, file);
  };
  EXPECT_GT(open("0", pdf), 32);
  EXPECT_EQ(ReadFile(dir.file("opened")), pdf);
  EXPECT_TRUE(ui.shown().empty());
  EXPECT_EQ(open("3", pdf), 31);  // no program for the file
  EXPECT_EQ(open("2", pdf), 2);
  EXPECT_EQ(open("0", dir.file("missing.pdf")), 2);
  ::setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(ui.shown(), (std::vector<std::string>{
                            "指定されたファイル名拡張子には､ アプリケーションが関連付けられていません。(SE_ERR_NOASSOC)",
                            "指定されたファイルが見つかりませんでした。(ERROR_FILE_NOT_FOUND)",
                            "指定されたファイルが見つかりませんでした。(ERROR_FILE_NOT_FOUND)"}));
  EXPECT_EQ(ShellOpenMessage(42), nullptr);
  EXPECT_STREQ(ShellOpenMessage(0), "システムに､ メモリまたはリソースが足りません。(0)");
}

}  // namespace
}  // namespace kestrel
