// What the operator of a command-line run is told about input that is not
// what it seems: damaged print data (printed anyway, with a warning) and a
// printer variable that names no printer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "support/engine_fixture.h"
#include "support/program_runner.h"
#include "util/find_files.h"
#include "platform/text_codec.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

class OperatorMessages : public ::testing::Test {
 protected:
  TempDir base;
  void SetUp() override {
    fs::create_directories(base.path() / "zoq");
    base.Write("zoq/kestrel.inf", std::string("[SETTING]\r\n$plog=1\r\n"));
  }
  ProgramRun Run(const std::vector<std::string>& args, std::vector<std::pair<std::string, std::string>> env = {}) {
    env.insert(env.end(), {{"KESTREL_BASE", base.path().string() + "/"},
                           {"KESTREL_MESSAGES", ""},
                           {"DISPLAY", ""}});
    return RunProgramAndWait(KESTREL_PROGRAM, args, env, 60);
  }
  std::string JobLogs() const {
    std::string text;
    const std::string folder = base.path().string() + "/zoq/plog/";
    for (const auto& name : FindEntries(folder, "*.txt"))
      if (name.rfind("plog_", 0) != 0) text += Utf8FromSjis(ReadFile(folder + name));
    return text;
  }
};

TEST_F(OperatorMessages, RandomBytesPrintWithAWarningOnStandardErrorAndInTheJobLog) {
  std::mt19937 rng(15);
  std::vector<uint8_t> noise(4096);
  for (auto& b : noise) b = uint8_t(rng());
  noise[0] = 0x41;  // an unknown kind first, whatever the generator gives
  const std::string file = base.Write("noise.pdat", noise);
  ProgramRun r = Run({"-p", file});
  const std::string warning = "kestrel: [warning] 印刷データに異常があります(" + file + "): ";
  ASSERT_NE(r.err.find(warning), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("未定義の種別"), std::string::npos) << r.err;
  EXPECT_NE(JobLogs().find("  ■印刷データに異常があります(" + file + "): "), std::string::npos) << JobLogs();
}

TEST_F(OperatorMessages, APrinterVariableNamingNoQueueIsHandledLikeAnUnknownPdName) {
  PageBuilder page;
  page.Paper(0, 9, 0, 1).Line(0, 100, 100, 800, 100, 0).End();
  const std::string file = base.Write("form.pdat", page.bytes());
  const std::string fallback =
      "kestrel: 実行時引数プリンタデバイス指定されたデバイスが存在しない又は異常がありました。\\n"
      "通常使用するプリンタをセットします";
  // CUPS is seen (its server has no queue here); LPDEST goes first, then PRINTER.
  ProgramRun r = Run({"-p", file}, {{"KESTREL_NO_CUPS", ""}, {"LPDEST", "NoSuchQueue"}, {"PRINTER", ""}});
  EXPECT_NE(r.err.find("kestrel: [warning] LPDEST=NoSuchQueue names no installed printer"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find(fallback), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(base.path() / "vpdf/form.pdf"));  // the current printer: the built-in device

  r = Run({"-p", file}, {{"KESTREL_NO_CUPS", ""}, {"LPDEST", ""}, {"PRINTER", "Elsewhere"}});
  EXPECT_NE(r.err.find("kestrel: [warning] PRINTER=Elsewhere names no installed printer"), std::string::npos)
      << r.err;

  // With CUPS hidden the variables ask for nothing.
  r = Run({"-p", file}, {{"KESTREL_NO_CUPS", "1"}, {"LPDEST", "NoSuchQueue"}});
  EXPECT_EQ(r.err.find("[warning]"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(fallback), std::string::npos) << r.err;
}

TEST_F(OperatorMessages, KestrelNoDebugLabelLeavesThePageLabelOutOfACommandLineRun) {
  PageBuilder page;
  page.Paper(0, 9, 0, 1).End();
  base.Write("a.pdat", page.bytes());
  base.Write("b.pdat", page.bytes());
  ASSERT_EQ(Run({"-p", base.file("a.pdat")}, {{"KESTREL_NO_CUPS", "1"}}).exitCode, 0);
  ASSERT_EQ(Run({"-p", base.file("b.pdat")}, {{"KESTREL_NO_CUPS", "1"}, {"KESTREL_NO_DEBUG_LABEL", "1"}}).exitCode, 0);
  EXPECT_NE(Shell("pdftotext '" + base.file("vpdf/a.pdf") + "' -").find("DEBUG MODE"), std::string::npos);
  EXPECT_EQ(Shell("pdftotext '" + base.file("vpdf/b.pdf") + "' -").find("DEBUG MODE"), std::string::npos);
}

TEST_F(OperatorMessages, TheSampleFolderPrintsUnderTheNameAndBookmarksOfItsInformationFiles) {
  fs::create_directories(base.path() / "samples");
  for (const auto& e : fs::directory_iterator(std::string(KESTREL_BINARY_DIR) + "/examples"))
    if (e.path().extension() == ".pdat" || e.path().extension() == ".txt")
      fs::copy_file(e.path(), base.path() / "samples" / e.path().filename());
  base.Write("zoq/kestrel.inf", std::string("[SETTING]\r\n$plog=1\r\n[PDF]\r\n$path=Kestrel PDF\r\n$pdfbk=1\r\n"));
  ProgramRun r = Run({"-p", base.file("samples") + ",2"}, {{"KESTREL_NO_CUPS", "1"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string name = base.file("vpdf/2026_Kestrel_見本帳票");
  const std::string info = Shell("pdfinfo '" + name + ".pdf'");
  const size_t pages = info.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info;
  EXPECT_EQ(std::atoi(info.c_str() + pages + 6), 5);
  const std::string csv = Utf8FromSjis(ReadFile(name + ".csv"));
  size_t rows = 0;
  for (size_t at = csv.find("\r\n"); at != std::string::npos; at = csv.find("\r\n", at + 1)) ++rows;
  EXPECT_EQ(rows, 5u) << csv;
  EXPECT_NE(csv.find("\"0\",\"請求書\",\"#000000\",\"0\",\"1\",\"3\""), std::string::npos) << csv;
}

}  // namespace
}  // namespace kestrel::test

namespace kestrel::test {
namespace {

// Settings and names that cannot work are said as they are, not as the
// box of an exception ("restart the PC") or not at all.
TEST_F(OperatorMessages, AJpegResolutionOfZeroOrLessIsNamedInTheBoxAndTheJobLog) {
  PageBuilder page;
  page.Paper(0, 140, 140, 1).Line(0, 100, 100, 800, 100, 0xFFFF).End();
  const std::string file = base.Write("form.pdat", page.bytes());
  for (const char* dpi : {"0", "-5"}) {
    SCOPED_TRACE(dpi);
    base.Write("zoq/kestrel.inf", std::string("[SETTING]\r\n$plog=1\r\n$jpeg=1\r\n$jdpi=") + dpi + "\r\n");
    ProgramRun r = Run({"-p", file});
    EXPECT_EQ(r.exitCode, 3);
    const std::string text = std::string("■JPEGの解像度が正しくありません($jdpi=") + dpi + ")。1以上の値を指定して下さい";
    EXPECT_NE(r.err.find("kestrel:   " + text), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("再起動"), std::string::npos) << r.err;
    EXPECT_NE(JobLogs().find(text), std::string::npos);
  }
}

TEST_F(OperatorMessages, AJobLogNameTooLongForTheFileSystemIsSaidAndThePagePrints) {
  PageBuilder page;
  page.Paper(0, 140, 140, 1).Line(0, 100, 100, 800, 100, 0xFFFF).End();
  // 245 bytes: the file can be made, its job log (<name>_<date>_<time>.txt) cannot.
  const std::string file = base.Write(std::string(240, 'a') + ".pdat", page.bytes());
  ProgramRun r = Run({"-p", file}, {{"KESTREL_NO_CUPS", "1"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(FindEntries(base.path().string() + "/vpdf/", "*.pdf").size(), 1u);
  const std::string text = "ジョブログのファイル名が長すぎる為、ログは残りません(";
  EXPECT_NE(r.err.find("kestrel: [warning] " + text), std::string::npos) << r.err;
  EXPECT_NE(Utf8FromSjis(ReadFile(base.file("zoq/CriticalPLOG.txt"))).find(text), std::string::npos);
  EXPECT_EQ(JobLogs(), "");
}

}  // namespace
}  // namespace kestrel::test
