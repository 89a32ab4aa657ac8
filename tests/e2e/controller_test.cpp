// The kestrel program started as a calling application starts it: each
// test in its own base folder, the headless Ui, and a test window on a
// private X server that records the WM__PRINTOUT messages it receives.
#include <gtest/gtest.h>
#include <utime.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <memory>

#include "support/engine_fixture.h"
#include "support/program_runner.h"
#include "support/x11_fixture.h"
#include "util/find_files.h"
#include "platform/text_codec.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

const std::string kPrintOut = "WM__PRINTOUT 2024 0 0";
// The exit code of a run that went through the end steps with a requested
// print-data file left unprinted.
constexpr int kNotPrinted = 3;

class ControllerRun : public XServerSuite {
 protected:

  void SetUp() override {
    if (!ServerRunning()) GTEST_SKIP() << "Xvfb is not available";
    window_ = std::make_unique<TestWindow>(records_.file("messages.txt"));
    ASSERT_NE(window_->id(), 0u);
    fs::create_directories(base_.path() / "zoq");
  }

  std::string Base() const { return base_.path().string() + "/"; }
  std::string Window() const { return std::to_string(window_->id()); }

  // A settings file: the program log on, then the extra lines given
  // (sections may repeat keys: the first one read wins, so extras come first).
  void Settings(const std::string& setting, const std::string& more = {}) {
    base_.Write("zoq/kestrel.inf", SjisFromUtf8("[SETTING]\r\n" + setting + "$plog=1\r\n" + more));
  }

  // A one-page print-data file under the base folder.
  std::string Data(const std::string& name) {
    PageBuilder page;
    page.Paper(0, 9, 0, 1).Line(0, 100, 100, 800, 100, 0).End();
    fs::create_directories(fs::path(base_.file(name)).parent_path());
    return base_.Write(name, page.bytes());
  }

  ProgramRun Run(const std::vector<std::string>& args, std::vector<std::pair<std::string, std::string>> env = {}) {
    env.emplace_back("KESTREL_BASE", Base());
    last_ = RunProgramAndWait(KESTREL_PROGRAM, args, env, 60);
    return last_;
  }

  // The message boxes of the last run (one line each, "\n" as written).
  std::vector<std::string> Shown() const {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < last_.err.size()) {
      size_t end = last_.err.find('\n', start);
      std::string line = last_.err.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (line.rfind("kestrel: ", 0) == 0 && line.rfind("kestrel: [", 0) != 0) out.push_back(line.substr(9));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    return out;
  }
  bool WasShown(const std::string& text) const {
    auto shown = Shown();
    return std::find(shown.begin(), shown.end(), text) != shown.end();
  }

  std::vector<std::string> Notifications(size_t expect) const { return window_->Messages(expect); }

  // Text of the logs in zoq/plog whose names begin with prefix.
  std::string Logs(const std::string& prefix) const {
    std::string text;
    for (const auto& name : FindEntries(Base() + "zoq/plog", prefix + "*.txt"))
      text += Utf8FromSjis(ReadFile(Base() + "zoq/plog/" + name));
    return text;
  }
  std::string ProgramLog() const { return Logs("plog_"); }

  // The print-data files the job logs name, in order.
  std::vector<std::string> Printed(const std::string& jobLogPrefix) const {
    std::vector<std::string> files;
    const std::string text = Logs(jobLogPrefix);
    const std::string label = "【印刷データファイル名】= ";
    for (size_t at = text.find(label); at != std::string::npos; at = text.find(label, at + 1)) {
      size_t start = at + label.size();
      files.push_back(text.substr(start, text.find('(', start) - start));
    }
    return files;
  }

  void Age(const std::string& name, int64_t seconds) {
    const std::string path = base_.file(name);
    const time_t when = std::time(nullptr) - time_t(seconds);
    utimbuf times{when, when};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
  }

  TempDir base_;
  TempDir records_;
  std::unique_ptr<TestWindow> window_;
  ProgramRun last_;
};

TEST_F(ControllerRun, OneFileOneJobOneNotification) {
  Settings("");
  const std::string a = Data("data/a0001.pdat");
  ProgramRun r = Run({"-h", Window(), "-p", a});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Notifications(1), std::vector<std::string>{kPrintOut});
  EXPECT_TRUE(Shown().empty()) << r.err;
  EXPECT_EQ(Printed("a0001_"), std::vector<std::string>{a});

  const std::string log = ProgramLog();
  const std::vector<std::string> order = {
      "■■■■■■■■■■【 Kestrel印刷処理メインループ開始 】■■■■■■■■■■\n",
      "【印刷指定コマンド引数(-p)】:[" + a + ",]\n",
      "【印刷実行時間】= ",
      "【両面印刷指定】: Dup[0]\n",
      "【帳票印刷方法】: [0] (0:１枚処理、1:複数一括処理)\n",
      "【メッセージ送信Windowハンドル】: [" + Window() + "]\n",
      "FormCreate PrintMain 正常終了 : HANDLE : " + Window() + " に WM__PRINTOUT を送った\n",
      "【印刷終了時間】= "};
  size_t at = 0;
  for (const auto& line : order) {
    size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << "\n--- log:\n" << log;
    at = found + line.size();
  }
  EXPECT_EQ(log.find("SetTimer"), std::string::npos);
}

TEST_F(ControllerRun, AMissingTargetIsShownNotifiedOnceAndDumpsNoSettings) {
  Settings("");
  ProgramRun r = Run({"-h", Window(), "-p", Base() + "missing.pdat"});
  ASSERT_EQ(r.exitCode, kNotPrinted) << r.err;
  EXPECT_TRUE(WasShown("印刷ファイル指定に異常があります(" + Base() + "missing.pdat)\\n")) << r.err;
  EXPECT_EQ(Notifications(1), std::vector<std::string>{kPrintOut});
  const std::string log = ProgramLog();
  EXPECT_NE(log.find("印刷ファイル指定に異常があります(" + Base() + "missing.pdat)\n"), std::string::npos);
  EXPECT_EQ(log.find("【線の太さ"), std::string::npos);
}

TEST_F(ControllerRun, AFileLeftUnprintedGivesItsExitCodeAfterTheEndSteps) {
  Settings("");
  const std::string a = Data("data/a.pdat");
  ProgramRun r = Run({"-h", Window(), "-p", a + "," + Base() + "data/gone.pdat"});
  EXPECT_EQ(r.exitCode, kNotPrinted) << r.err;
  EXPECT_EQ(Notifications(1), std::vector<std::string>{kPrintOut});
  EXPECT_NE(ProgramLog().find("FormCreate PrintMain 正常終了 : HANDLE : " + Window()), std::string::npos);

  // A print list with one entry naming no file: the others print, the
  // run tells the caller.
  const std::string p = Data("jobs/p.pdat");
  base_.Write("jobs/plist.inf", "[PrintData]\r\nKeyMax=2\r\n1=p.pdat\r\n2=gone.pdat\r\n");
  r = Run({"-h", Window(), "-p", Base() + "jobs,1"});
  EXPECT_EQ(r.exitCode, kNotPrinted) << r.err;
  EXPECT_EQ(Printed("jobs_"), std::vector<std::string>{p});
  EXPECT_EQ(Notifications(2).size(), 2u);
}

TEST_F(ControllerRun, AFileListIsOneDuplexSequenceInListOrder) {
  Settings("");
  const std::string a = Data("data/a.pdat"), b = Data("data/b.pdat"), c = Data("data/c.pdat");
  ProgramRun r = Run({"-h", Window(), "-p", c + "," + a + "," + b});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Printed("c_"), (std::vector<std::string>{c, a, b}));
  const std::string job = Logs("c_");
  EXPECT_NE(job.find("3ページ印刷開始"), std::string::npos) << job;
  EXPECT_NE(ProgramLog().find("【両面印刷指定】: Dup[1]\n"), std::string::npos);
  EXPECT_EQ(Notifications(1).size(), 1u);
}

TEST_F(ControllerRun, AFolderWithAPrintListPrintsTheListNotTheListing) {
  Settings("");
  Data("jobs/0001/p0001.pdat");
  const std::string two = Data("jobs/0001/p0002.pdat");
  const std::string other = Data("other/x.pdat");
  base_.Write("jobs/0001/plist.inf", "[PrintData]\r\nKeyMax=3\r\n1=p0002.pdat\r\n3=\\other\\x.pdat\r\n");
  ProgramRun r = Run({"-h", Window(), "-p", Base() + "jobs/0001,1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Printed("0001_"), (std::vector<std::string>{two, other}));
  EXPECT_NE(ProgramLog().find("【帳票印刷方法】: [1]"), std::string::npos);
  EXPECT_EQ(Notifications(1).size(), 1u);
}

TEST_F(ControllerRun, AFolderListingPrintsInNameOrderAndEmptyFoldersPrintNothing) {
  Settings("");
  const std::string b = Data("jobs/b.pdat"), a = Data("jobs/A.pdat"), c = Data("jobs/c.PDAT");
  ProgramRun r = Run({"-h", Window(), "-p", Base() + "jobs,0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Printed("jobs_"), (std::vector<std::string>{a, b, c}));
  EXPECT_NE(ProgramLog().find("【両面印刷指定】: Dup[0]"), std::string::npos);

  fs::create_directories(base_.path() / "empty");
  r = Run({"-h", Window(), "-p", Base() + "empty,1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Shown().empty()) << r.err;
  EXPECT_TRUE(Printed("empty_").empty());
  EXPECT_EQ(Notifications(2).size(), 2u);  // one per run
}

TEST_F(ControllerRun, AFolderToPdfWritesTheBookmarkListAndSwitchesJpegOff) {
  Settings("$jpeg=1\r\n", "[PDF]\r\n$pdfbk=1\r\n");
  Data("jobs/P0001.pdat");
  base_.Write("jobs/I0001.txt",
              SjisFromUtf8("[DATA]\r\nkaisou_06=請求書 \"A\"\r\napage=1\r\nnendo=2024\r\nusername=経理/総務\r\n"
                           "program_name=月次\r\n"));
  ProgramRun r = Run({"-h", Window(), "-p", Base() + "jobs,2"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(WasShown("jpeg画像出力設定になっていますが、\\nPDF出力のためJpeg画像出力をOFFにして出力します。"))
      << r.err;
  EXPECT_EQ(ReadFile(Base() + "vpdf/2024_経理／総務_月次.csv"),
            SjisFromUtf8("\"1\",\"0\",\"請求書 \"\"A\"\"\",\"#000000\",\"0\",\"1\",\"1\",\"0\",\"0\",\"0\",\"0\",\"1\","
                         "\"0\",\"\"\r\n"));
  EXPECT_NE(ProgramLog().find("【PDF出力指定】 : [1]"), std::string::npos);
  EXPECT_EQ(Printed("jobs_").size(), 1u);
}

TEST_F(ControllerRun, CancelDuringTheThirdFileStopsBeforeTheFourth) {
  Settings("");
  std::vector<std::string> files;
  for (int i = 0; i < 10; ++i) files.push_back(Data("jobs/p" + std::to_string(i) + ".pdat"));
  ProgramRun r = Run({"-h", Window(), "-p", Base() + "jobs,0"}, {{"KESTREL_CANCEL_AT", "3"}});
  ASSERT_EQ(r.exitCode, kNotPrinted) << r.err;
  EXPECT_EQ(Printed("jobs_"), (std::vector<std::string>{files[0], files[1], files[2]}));
  EXPECT_TRUE(WasShown("印刷を中止しました")) << r.err;
  EXPECT_NE(r.err.find("[progress] Kestrel 印刷進捗状況"), std::string::npos);
  EXPECT_EQ(Notifications(1).size(), 1u);

  // Pressed during the first file: nothing after it.
  fs::remove_all(base_.path() / "zoq/plog");
  r = Run({"-p", Base() + "jobs,1"}, {{"KESTREL_CANCEL_AT", "1"}});
  ASSERT_EQ(r.exitCode, kNotPrinted) << r.err;
  EXPECT_EQ(Printed("jobs_"), std::vector<std::string>{files[0]});
}

TEST_F(ControllerRun, TheTimeOutTicksWhileAMessageIsOpenAndNotifiesEachTime) {
  Settings("$pwait=400\r\n");
  ProgramRun r = Run({"-h", Window(), "-p", Base() + "missing.pdat"}, {{"KESTREL_HOLD_MS", "1000"}});
  ASSERT_EQ(r.exitCode, kNotPrinted) << r.err;
  EXPECT_EQ(Notifications(3), (std::vector<std::string>{kPrintOut, kPrintOut, kPrintOut}));
  const std::string log = ProgramLog();
  EXPECT_NE(log.find("【SetTimer関数をセット】:[400]\n"), std::string::npos);
  const std::string tick = "********** Time out Exit **********\nWMGetTimer TimeOut : HANDLE : " + Window() +
                           " に WM__PRINTOUT を送った\n";
  size_t first = log.find(tick);
  ASSERT_NE(first, std::string::npos) << log;
  size_t second = log.find(tick, first + 1);
  ASSERT_NE(second, std::string::npos) << log;
  EXPECT_EQ(log.find(tick, second + 1), std::string::npos);
  EXPECT_LT(second, log.find("FormCreate PrintMain 正常終了"));
}

TEST_F(ControllerRun, AMissingPrintListAfterTheWindowIsReportedTwice) {
  Settings("");
  ProgramRun r = Run({"-h", Window(), "-plist=\\nowhere\\plist.inf", "-p", Base() + "x.pdat"});
  ASSERT_EQ(r.exitCode, kNotPrinted) << r.err;
  EXPECT_TRUE(WasShown("-plist=[\\nowhere\\plist.inf]が存在していません\\n印刷を行わないで終了します。")) << r.err;
  EXPECT_EQ(Notifications(2), (std::vector<std::string>{kPrintOut, kPrintOut}));
  const std::string log = ProgramLog();
  EXPECT_NE(log.find("FormCreate PrintMain -plist option error : HANDLE : " + Window()), std::string::npos);
  EXPECT_EQ(log.find("印刷指定コマンド引数"), std::string::npos);
}

TEST_F(ControllerRun, AFolderWithoutAModeIsRefused) {
  Settings("");
  Data("jobs/a.pdat");
  ProgramRun r = Run({"-h", Window(), "-p", Base() + "jobs"});
  ASSERT_EQ(r.exitCode, kNotPrinted) << r.err;
  EXPECT_TRUE(WasShown("引数が異常です。\\n出力を中止します[]")) << r.err;
  EXPECT_TRUE(Printed("jobs_").empty());
  EXPECT_EQ(Notifications(1).size(), 1u);
}

TEST_F(ControllerRun, WithoutArgumentsAndWithoutWindowsNothingButTheMenuNotice) {
  ProgramRun r = Run({});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("kestrel: システムメニューはデスクトップ（画面）のある環境でのみ使用できます。"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(Base() + "zoq/kestrel.inf"));
  EXPECT_FALSE(fs::exists(Base() + "zoq/plog"));
}

TEST_F(ControllerRun, MaintenanceRunsTheEndStepsAndKeepsPrintData) {
  Settings("");
  Data("zoq/old.pdat");
  Age("zoq/old.pdat", 4000);
  ProgramRun r = Run({"-h", Window(), "-debug"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("kestrel: システムメニューはデスクトップ（画面）のある環境でのみ使用できます。"), std::string::npos) << r.err;
  EXPECT_EQ(Notifications(1).size(), 1u);
  EXPECT_TRUE(fs::exists(Base() + "zoq/old.pdat"));
  const std::string log = ProgramLog();
  EXPECT_NE(log.find("fname(" + Base() + "zoq/old.pdat)"), std::string::npos) << log;
  EXPECT_EQ(log.find("■delete"), std::string::npos);
}

TEST_F(ControllerRun, AValueMissingAtTheEndEndsTheRunWithoutNotice) {
  Settings("");
  ProgramRun r = Run({"-h", Window(), "-p"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Notifications(0).empty());
}

TEST_F(ControllerRun, ASingleFileRunDeletesPrintDataOlderThanThirtyMinutes) {
  Settings("");
  Data("zoq/old.pdat");
  Data("zoq/fresh.pdat");
  Age("zoq/old.pdat", 1900);
  Age("zoq/fresh.pdat", 1700);
  const std::string a = Data("zoq/a.pdat");
  ProgramRun r = Run({"-h", Window(), "-p", a});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_FALSE(fs::exists(Base() + "zoq/old.pdat"));
  EXPECT_TRUE(fs::exists(Base() + "zoq/fresh.pdat"));
  EXPECT_TRUE(fs::exists(a));
  const std::string log = ProgramLog();
  EXPECT_NE(log.find("■delete " + Base() + "zoq/old.pdat ■\n"), std::string::npos) << log;
  EXPECT_LT(log.find("【印刷終了時間】"), log.find("■delete"));
}

TEST_F(ControllerRun, FolderRunsCleanTheConfiguredFolder) {
  Settings("", "[PM2]\r\n$pdat2=3\r\n");
  Data("zoq/bunsho/left.pdat");
  fs::create_directories(base_.path() / "zoq/bunsho/sub");
  Data("jobs/a.pdat");
  ProgramRun r = Run({"-h", Window(), "-p", Base() + "jobs,0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fs::exists(Base() + "zoq/bunsho"));
  EXPECT_TRUE(fs::is_empty(Base() + "zoq/bunsho"));
  EXPECT_TRUE(fs::exists(Base() + "jobs/a.pdat"));

  Settings("", "[PM2]\r\n$pdat2=9\r\n");
  r = Run({"-h", Window(), "-p", Base() + "jobs,0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_FALSE(fs::exists(Base() + "jobs"));
}

TEST_F(ControllerRun, AnUnusableTargetCleansTheFolderButNeverTheBase) {
  Settings("", "[PM2]\r\n$pdat2=3\r\n$pdat2_Folder=\\\r\n");
  Data("keep.pdat");
  ProgramRun r = Run({"-p", Base() + "nothing.pdat"});
  ASSERT_EQ(r.exitCode, kNotPrinted) << r.err;
  EXPECT_TRUE(fs::exists(Base() + "keep.pdat"));
  EXPECT_NE(ProgramLog().find("CleanupPrintFolder : 削除できないフォルダが指定されています。"), std::string::npos);
}

TEST_F(ControllerRun, AFirstRunWritesTheSettingsFromTheCommandLine) {
  const std::string a = Data("data/a.pdat");
  ProgramRun r = Run({"-f", "-a", "9", "-t", "30000", "-h", Window(), "-p", a});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string settings = ReadFile(Base() + "zoq/kestrel.inf");
  EXPECT_NE(settings.find("$pmap=1\r\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("$plog=1\r\n"), std::string::npos);
  EXPECT_NE(settings.find("$pwait=30000\r\n"), std::string::npos);
  EXPECT_NE(ProgramLog().find("【SetTimer関数をセット】:[30000]"), std::string::npos);
  EXPECT_EQ(Printed("a_"), std::vector<std::string>{a});
}

TEST_F(ControllerRun, AWindowThatDoesNotExistIsLoggedAndTheRunGoesOn) {
  base_.Write("zoq/kestrel.inf", "[SETTING]\r\n$plog=0\r\n");
  const std::string a = Data("data/a.pdat");
  ProgramRun r = Run({"-h", "8388607", "-p", a});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string critical = Utf8FromSjis(ReadFile(Base() + "zoq/CriticalPLOG.txt"));
  EXPECT_NE(critical.find("@@@@@@@ 例外発生 @@@@@@：WM__PRINTOUT を送れませんでした : HANDLE : 8388607"),
            std::string::npos)
      << critical;
}

// $jpath is put directly before the file name: "\out\" is a folder,
// "\out" a name prefix.
TEST_F(ControllerRun, JpegPagesGoToTheJpegFolder) {
  Settings("$jpeg=1\r\n$jpath=\\out\\\r\n");
  fs::create_directories(base_.path() / "out");
  const std::string a = Data("data/a.pdat"), b = Data("data/b.pdat");
  ProgramRun r = Run({"-h", Window(), "-p", a + "," + b});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Shown().empty()) << r.err;
  EXPECT_GT(fs::file_size(Base() + "out/a.jpg"), 0u);
  EXPECT_GT(fs::file_size(Base() + "out/b.jpg"), 0u);
  EXPECT_EQ(Notifications(1).size(), 1u);

  Settings("$jpeg=1\r\n$jpath=\\out\r\n");
  r = Run({"-h", Window(), "-p", a});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_GT(fs::file_size(Base() + "outa.jpg"), 0u);
}

TEST_F(ControllerRun, TheAnalysisLogTurnsJpegOnWithItsNotice) {
  Settings("$alog=1\r\n");
  const std::string a = Data("data/a.pdat");
  const std::string messages = records_.file("shown.txt");
  ProgramRun r = Run({"-h", Window(), "-p", a}, {{"KESTREL_MESSAGES", messages}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string notice = "解析ログ出力設定では、プリンタへ印刷されません。\\njpeg出力とログが出力されます(\\zoq\\palog内)。";
  EXPECT_TRUE(WasShown(notice)) << r.err;
  EXPECT_NE(ReadFile(messages).find(notice + "\n"), std::string::npos);  // KESTREL_MESSAGES gets the same line
  EXPECT_FALSE(FindEntries(Base() + "zoq/palog", "*.jpg").empty());
}

TEST_F(ControllerRun, HelpAndPrinterChoiceRunTheEndSteps) {
  Settings("");
  ProgramRun r = Run({"-h", Window(), "-?", "-p", Base() + "x.pdat"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fs::exists(Base() + "zoq/kestrel_help.txt"));
  EXPECT_TRUE(WasShown("zoq\\kestrel_help.txtが作成されました。")) << r.err;
  EXPECT_EQ(ProgramLog().find("印刷指定コマンド引数"), std::string::npos);
  EXPECT_EQ(Notifications(1).size(), 1u);

  // -winprt: the dialog closed without a choice keeps "Default".
  r = Run({"-h", Window(), "-winprt"}, {{"KESTREL_ANSWERS", "close,no,yes"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(Base() + "zoq/WinPrinterSet.inf"), "[DefaultPrinter]\r\nSelectPrinter=\"Default\"\r\n");
  EXPECT_EQ(Notifications(2).size(), 2u);
}

}  // namespace
}  // namespace kestrel::test
