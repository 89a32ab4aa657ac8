// kestrel-tools as an operator runs it: a base folder, the headless Ui and
// its answers, the files under zoq/. CUPS is hidden: the built-in device is
// the one printer (the lists of CUPS queues are tested with the private
// CUPS server of the printing tests).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/engine_fixture.h"
#include "support/program_runner.h"
#include "platform/text_codec.h"

namespace kestrel::test {
namespace {

class KestrelToolsTest : public ::testing::Test {
 protected:
  TempDir base;
  ProgramRun Run(const std::vector<std::string>& args, const std::string& answers = {}) {
    return RunProgramAndWait(KESTREL_TOOLS_PROGRAM, args,
                             {{"KESTREL_BASE", base.path().string() + "/"},
                              {"KESTREL_ANSWERS", answers},
                              {"DISPLAY", ""}});
  }
  std::string Zoq(const std::string& name) { return ReadFile(base.file("zoq/" + name)); }
};

TEST_F(KestrelToolsTest, APaperListForADeviceNotInstalledIsTheHeaderAndStatusMinus7) {
  ProgramRun r = Run({"paperlist", "-d", "Cancel"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "-7 (the device is not installed)\n");
  EXPECT_EQ(Zoq("ppaperlist.txt"),
            SjisFromUtf8("\n印刷可能用紙リストファイル\n"
                         "印刷可能用紙リストは、Windowsへ登録されている通常使うプリンタドライバが\n"
                         "サポートしている用紙をリストとして出力しています。\n"
                         "\n[通常使うプリンタプリンタドライバの印刷可能用紙リスト]\n"));
}

TEST_F(KestrelToolsTest, ThePrinterListMarksOnePrinterAndHasNoCarriageReturns) {
  ProgramRun r = Run({"printerlist"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string list = Zoq("pprinterlist.txt");
  EXPECT_EQ(std::count(list.begin(), list.end(), '\r'), 0);
  std::string text = Utf8FromSjis(list);
  size_t first = text.find("\n■");
  ASSERT_NE(first, std::string::npos) << text;
  EXPECT_EQ(text.find("\n■", first + 1), std::string::npos);
  EXPECT_TRUE(text.ends_with("\n\n ------------------ END ------------------\n"));
  EXPECT_NE(r.err.find("pprinterlist.txtを作成しました"), std::string::npos);
}

TEST_F(KestrelToolsTest, WinDirectStoresTheChoiceInQuotes) {
  ASSERT_EQ(Run({"winprt"}, "close,no,yes").exitCode, 0);
  EXPECT_EQ(Zoq("WinPrinterSet.inf"), "[DefaultPrinter]\r\nSelectPrinter=\"Default\"\r\n");

  // The current printer's name, from the printer list.
  ASSERT_EQ(Run({"printerlist"}).exitCode, 0);
  std::string text = Utf8FromSjis(Zoq("pprinterlist.txt"));
  size_t mark = text.find("\n■");
  ASSERT_NE(mark, std::string::npos);
  std::string printer = text.substr(mark + 4, text.find('\n', mark + 1) - mark - 4);

  ASSERT_EQ(Run({"winprt"}, printer).exitCode, 0);
  const std::string stored = "[DefaultPrinter]\r\nSelectPrinter=\"" + SjisFromUtf8(printer) + "\"\r\n";
  EXPECT_EQ(Zoq("WinPrinterSet.inf"), stored);
  ProgramRun unchanged = Run({"winprt"}, "close,yes");
  EXPECT_NE(unchanged.err.find("何も変更せずに終了しますか？"), std::string::npos);
  EXPECT_EQ(Zoq("WinPrinterSet.inf"), stored);
}

TEST_F(KestrelToolsTest, TheBareDialogPrintsItsResultWord) {
  EXPECT_EQ(Run({"select"}, "cancel,no").out, "Cancel\n");
  EXPECT_EQ(Run({"select"}, "cancel,yes").out, "\n");
}

// Without CUPS (the built-in device alone): the font list names the
// installed faces, and the PDF device choice left without an answer stores
// the built-in PDF device.
TEST_F(KestrelToolsTest, TheFontListAndAnUnansweredPdfDeviceChoiceWriteTheirFiles) {
  auto run = [&](const std::vector<std::string>& args) {
    return RunProgramAndWait(KESTREL_TOOLS_PROGRAM, args,
                             {{"KESTREL_BASE", base.path().string() + "/"},
                              {"KESTREL_ANSWERS", ""},
                              {"KESTREL_NO_CUPS", "1"},
                              {"DISPLAY", ""}});
  };
  ProgramRun fonts = run({"fontlist"});
  ASSERT_EQ(fonts.exitCode, 0) << fonts.err;
  EXPECT_NE(Utf8FromSjis(Zoq("pfontlist.txt")).find("IPAex"), std::string::npos);

  ProgramRun pdf = run({"pdfdevice"});
  ASSERT_EQ(pdf.exitCode, 0) << pdf.err;
  EXPECT_NE(pdf.err.find("[device dialog] no answer left: Kestrel PDF taken"), std::string::npos) << pdf.err;
  EXPECT_EQ(Zoq("kestrel.inf"), "[PDF]\r\n$path=Kestrel PDF\r\n");
}

TEST_F(KestrelToolsTest, AnUnknownCommandShowsTheUsage) {
  ProgramRun r = Run({"nonsense"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("usage: kestrel-tools"), std::string::npos);
}

TEST_F(KestrelToolsTest, AnOptionWithoutItsValueIsWrongUseAndWritesNothing) {
  ProgramRun r = Run({"paperlist", "-d"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("kestrel-tools: -d needs a device name"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
  r = Run({"fontlist", "-x"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("kestrel-tools: unknown option -x"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(base.path() / "zoq"));
}

}  // namespace
}  // namespace kestrel::test

namespace kestrel::test {
namespace {

// log: the newest Shift-JIS logs on a UTF-8 terminal, by kind and count,
// newest last; --follow prints what a log gains and the next job's log.
TEST_F(KestrelToolsTest, LogShowsTheNewestLogsOfAKindInUtf8AndFollowsThem) {
  namespace fs = std::filesystem;
  auto write = [&](const std::string& name, const std::string& utf8, int hoursAgo) {
    const std::string path = base.Write("zoq/" + name, SjisFromUtf8(utf8));
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(hoursAgo));
    return path;
  };
  const std::string a = write("plog/見積_20261201_090000.txt", "見積 一行目\n二行目", 3);
  write("plog/plog_20261201_090000.txt", "プログラム\n", 2);
  write("CriticalPLOG.txt", "重大\n", 1);
  write("palog/alog_20261201_090000.txt", "解析\n", 0);
  const std::string zoq = base.path().string() + "/zoq/";
  const std::vector<std::pair<std::string, std::string>> env = {
      {"KESTREL_BASE", base.path().string() + "/"}, {"LC_ALL", "C.UTF-8"}, {"DISPLAY", ""}};
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out;
  } cases[] = {
      {{"log", "job"}, 0, "見積 一行目\n二行目"},
      {{"log", "program"}, 0, "プログラム\n"},
      {{"log", "--last", "2"}, 0, "==> " + zoq + "CriticalPLOG.txt <==\n重大\n\n==> " + zoq +
                                      "palog/alog_20261201_090000.txt <==\n解析\n"},
      {{"log", "job", "--last", "0"}, 2, ""},
      {{"log", "spool"}, 2, ""},
  };
  for (const Case& c : cases) {
    ProgramRun r = RunProgramAndWait(KESTREL_TOOLS_PROGRAM, c.args, env);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back() << r.err;
    EXPECT_EQ(r.out, c.out) << c.args.back();
  }
  fs::remove(base.file("zoq/palog/alog_20261201_090000.txt"));
  EXPECT_EQ(RunProgramAndWait(KESTREL_TOOLS_PROGRAM, {"log", "analysis"}, env).exitCode, 1);

  // Following: started in the background, its output in a file.
  std::string command = "cd '" + base.path().string() + "' && KESTREL_BASE='" + base.path().string() +
                        "/' LC_ALL=C.UTF-8 timeout 60 '" KESTREL_TOOLS_PROGRAM "' log job --follow >follow.txt 2>&1 & echo $!";
  const std::string pid = Shell(command);
  auto waitFor = [&](const std::string& text) {
    for (int i = 0; i < 200 && ReadFile(base.file("follow.txt")).find(text) == std::string::npos; ++i)
      Shell("sleep 0.05");
    return ReadFile(base.file("follow.txt"));
  };
  waitFor("二行目");
  {
    std::FILE* f = std::fopen(a.c_str(), "ab");
    ASSERT_NE(f, nullptr);
    const std::string more = SjisFromUtf8("の続き\n三行目\n");
    std::fwrite(more.data(), 1, more.size(), f);
    std::fclose(f);
  }
  waitFor("三行目");
  base.Write("zoq/plog/請求_20261201_100000.txt", SjisFromUtf8("次のジョブ\n"));
  const std::string followed = waitFor("次のジョブ");
  Shell("kill " + pid);
  EXPECT_EQ(followed, "==> " + a + " <==\n見積 一行目\n二行目の続き\n三行目\n\n==> " + zoq +
                          "plog/請求_20261201_100000.txt <==\n次のジョブ\n");
}

}  // namespace
}  // namespace kestrel::test
