#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "app/help_file.h"
#include "app/program_log.h"
#include "support/engine_fixture.h"
#include "platform/text_codec.h"

namespace kestrel {
namespace {

using test::ReadFile;
using test::TempDir;

std::vector<std::string> CrlfLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(bytes.substr(start) + "<no CR LF>");
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TEST(HelpFile, IsReplacedOnEveryCallWithSixtySevenCrLfLines) {
  TempDir dir;
  std::filesystem::create_directories(dir.path() / "zoq");
  HeadlessUi ui({}, "");
  std::string base = dir.path().string() + "/";
  std::string error;
  ASSERT_TRUE(WriteHelpFile(base, ui, &error));
  ASSERT_TRUE(WriteHelpFile(base, ui, &error));
  std::string bytes = ReadFile(base + "zoq/kestrel_help.txt");
  auto lines = CrlfLines(bytes);
  ASSERT_EQ(lines.size(), 67u);
  for (const auto& line : lines) {
    bool ok = false;
    Codec().ToUtf8(line, &ok);
    EXPECT_TRUE(ok) << Utf8FromSjis(line);
  }
  EXPECT_EQ(Utf8FromSjis(lines[0]), "通常の使用方法");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(Utf8FromSjis(lines[15]), "                              :   zoq\\plogの下へ落ちます");
  EXPECT_EQ(lines[46], "               ex) NEC MultiWriter 2000E NPDL2. 192.0.2.10:RAW=100,100");
  EXPECT_EQ(Utf8FromSjis(lines[59]), "                   FONT=\"HG正楷書体-PRO\"");
  EXPECT_EQ(lines[62], "");
  EXPECT_EQ(lines[64], "");
  EXPECT_EQ(Utf8FromSjis(lines[66]), "      kestrel -debug      :   汎用(但し、オープンエラーが必ず起こるが問題なし)");
  ASSERT_EQ(ui.shown().size(), 2u);
  EXPECT_EQ(ui.shown()[0], base + "zoq/kestrel_help.txtへ出力しました");

  HeadlessUi quiet({}, "");
  EXPECT_FALSE(WriteHelpFile(base + "nowhere/", quiet, &error));
  EXPECT_TRUE(quiet.shown().empty());
  EXPECT_FALSE(error.empty());
}

struct LogRig {
  TempDir dir;
  test::EngineRig engine;
  RunSettings settings;
  ProgramLog log;
  LogRig() : log(settings, Services{engine.system, engine.printers, engine.ui}) {
    InitRunSettingsPaths(settings, dir.path().string() + "/", "/etc/");
    std::filesystem::create_directories(dir.path() / "zoq");
  }
  std::string base() const { return dir.path().string() + "/"; }
};

std::tm At(int y, int mo, int d, int h, int mi, int s) {
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  t.tm_sec = s;
  return t;
}

TEST(ProgramLog, CriticalLinesGoToTheCriticalLogWhileTheProgramLogIsOff) {
  LogRig rig;
  rig.dir.Write("zoq/CriticalPLOG.txt", std::string("earlier\n"));
  rig.log.WriteLog("失敗しました", kLogError);
  rig.log.WriteLog("dropped\n", kLogInfo);
  EXPECT_EQ(ReadFile(rig.settings.CriticalLogPath), "earlier\n" + SjisFromUtf8("@@@@@@@ 例外発生 @@@@@@：失敗しました\n"));
}

TEST(ProgramLog, WithTheProgramLogOnEveryLineGoesThereOnly) {
  LogRig rig;
  rig.settings.plog = 1;
  rig.log.CreateLogFolders();
  ASSERT_EQ(rig.log.OpenProgramLogAt(At(2024, 3, 5, 14, 7, 9)), 1);
  EXPECT_EQ(rig.settings.LogPath, rig.base() + "zoq/plog/plog_20240305_140709.txt");
  rig.log.WriteLog("critical\n", kLogError);
  rig.log.WriteLogf(kLogInfo, "【印刷指定コマンド引数(-p)】:[%s,%s]\n", "a.pdat", "");
  EXPECT_EQ(ReadFile(rig.settings.LogPath),
            SjisFromUtf8("\n■■■■■■■■■■【 Kestrel印刷処理メインループ開始 】■■■■■■■■■■\ncritical\n"
                         "【印刷指定コマンド引数(-p)】:[a.pdat,]\n"));
  EXPECT_FALSE(std::filesystem::exists(rig.settings.CriticalLogPath));
  EXPECT_TRUE(std::filesystem::is_directory(rig.base() + "zoq/palog"));
}

TEST(ProgramLog, ASecondRunInTheSameSecondAppendsBelowTheLimitAndTruncatesAbove) {
  const std::string banner = SjisFromUtf8("\n■■■■■■■■■■【 Kestrel印刷処理メインループ開始 】■■■■■■■■■■\n");
  for (size_t earlier : {size_t(100), size_t(30999), size_t(31000)}) {
    LogRig rig;
    rig.settings.plog = 1;
    rig.log.CreateLogFolders();
    std::string path = rig.dir.Write("zoq/plog/plog_20240305_140709.txt", std::string(earlier, 'x'));
    ASSERT_EQ(rig.log.OpenProgramLogAt(At(2024, 3, 5, 14, 7, 9)), 1);
    std::string expected = earlier < 31000 ? std::string(earlier, 'x') + banner : banner;
    EXPECT_EQ(ReadFile(path), expected) << earlier;
  }
}

TEST(ProgramLog, TwoRunsWritingOneLogAtOnceKeepEveryLine) {
  // Two processes started in the same second: the first creates the file,
  // the second appends; each keeps writing while the other does.
  LogRig first;
  first.settings.plog = 1;
  first.log.CreateLogFolders();
  test::EngineRig engine;
  RunSettings settings;
  InitRunSettingsPaths(settings, first.base(), "/etc/");
  settings.plog = 1;
  ProgramLog second(settings, Services{engine.system, engine.printers, engine.ui});
  ASSERT_EQ(first.log.OpenProgramLogAt(At(2024, 3, 5, 14, 7, 9)), 1);
  ASSERT_EQ(second.OpenProgramLogAt(At(2024, 3, 5, 14, 7, 9)), 1);
  for (int i = 0; i < 3; ++i) {
    first.log.WriteLogf(kLogInfo, "first %d\n", i);
    second.WriteLogf(kLogInfo, "second %d\n", i);
  }
  const std::string banner = "\n■■■■■■■■■■【 Kestrel印刷処理メインループ開始 】■■■■■■■■■■\n";
  EXPECT_EQ(Utf8FromSjis(ReadFile(first.settings.LogPath)),
            banner + banner + "first 0\nsecond 0\nfirst 1\nsecond 1\nfirst 2\nsecond 2\n");
}

TEST(ProgramLog, OffMeansNoFileAndFailuresTurnItOff) {
  LogRig rig;
  EXPECT_EQ(rig.log.OpenProgramLogAt(At(2024, 1, 1, 0, 0, 0)), 0);
  EXPECT_FALSE(rig.log.IsOpen());
  // No plog folder: opening fails, is reported, and the log is off.
  rig.settings.plog = 1;
  EXPECT_EQ(rig.log.OpenProgramLogAt(At(2024, 1, 1, 0, 0, 0)), 0);
  EXPECT_EQ(rig.settings.plog, 0);
  ASSERT_EQ(rig.engine.ui.shown().size(), 1u);
  EXPECT_EQ(rig.engine.ui.shown()[0].rfind("gprintMain : LogFile Open Errorの為、ログは残りません\n" +
                                               rig.base() + "zoq/plog/plog_20240101_000000.txt(65535)\n",
                                           0),
            0u);
}

TEST(ProgramLog, UnwritableCriticalLogIsReportedTwice) {
  LogRig rig;
  rig.settings.CriticalLogPath = rig.base() + "missing/CriticalPLOG.txt";
  rig.log.WriteLog("x", kLogError);
  ASSERT_EQ(rig.engine.ui.shown().size(), 2u);
  std::string message = "CriticalLog Error: LogFile Open Errorの為、ログは残りません\n" + rig.settings.CriticalLogPath +
                        "(65535)\n";
  EXPECT_EQ(rig.engine.ui.shown()[0], message);
  EXPECT_EQ(rig.engine.ui.shown()[1].rfind(message + "\n", 0), 0u);
}

TEST(ProgramLog, LogFoldersThatCannotBeMadeSwitchTheLogsOff) {
  LogRig rig;
  rig.settings.plog = 1;
  rig.settings.alog = 1;
  rig.dir.Write("zoq/plog", std::string("a file in the way"));
  rig.dir.Write("zoq/palog", std::string("a file in the way"));
  // An existing entry of that name counts as present; a folder under a file
  // cannot be made.
  rig.settings.BaseDir = rig.base() + "zoq/plog/";
  rig.log.CreateLogFolders();
  EXPECT_EQ(rig.settings.plog, 0);
  EXPECT_EQ(rig.settings.alog, 0);
  ASSERT_EQ(rig.engine.ui.shown().size(), 2u);
  EXPECT_EQ(rig.engine.ui.shown()[0].rfind("ログフォルダの作成に失敗したため", 0), 0u);
  EXPECT_EQ(rig.engine.ui.shown()[1].rfind("解析ログフォルダの作成に失敗したため", 0), 0u);
}

TEST(ProgramLog, JobLogNameUsesTheFirstItemWithoutItsExtension) {
  EXPECT_EQ(JobLogName("/k/", "c:\\data\\a0001.pdat", At(2024, 3, 5, 14, 7, 9)), "/k/zoq/plog/a0001_20240305_140709.txt");
  EXPECT_EQ(JobLogName("/k/", "/jobs/0001", At(2024, 12, 31, 23, 59, 58)), "/k/zoq/plog/0001_20241231_235958.txt");
}

// One plain file name, never a stream of another file (a colon on NTFS) and
// never the program log's name (plog_<time>.txt).
TEST(ProgramLog, JobLogNameIsOnePlainNameAndNeverTheProgramLogs) {
  const std::pair<const char*, const char*> cases[] = {
      {"c:", "c_20240305_140709.txt"},            // the item "C:\" without its trailing separator
      {"\\zoq\\plog", "plog-job_20240305_140709.txt"},
      {"/k/zoq/plog", "plog-job_20240305_140709.txt"},
      {"a:b?c*.pdat", "a_b_c__20240305_140709.txt"},
      {"\\帳票\\請求書.pdat", "請求書_20240305_140709.txt"},
  };
  for (const auto& [item, name] : cases)
    EXPECT_EQ(JobLogName("/k/", item, At(2024, 3, 5, 14, 7, 9)), std::string("/k/zoq/plog/") + name) << item;
}

TEST(Settings, TheJobTakesEachSettingUnderItsOwnNameAndAnEmptyFaceTakesTheDefault) {
  LogRig rig;
  RunSettings& s = rig.settings;
  s.width_flg = 1, s.pmap_flg = 3, s.perr_flg = 2, s.ppaper_check = 0, s.pmag_flg = 0.95, s.wait_time = 700;
  s.pdat_flg = 1, s.pfline = 1, s.jdpi = 200, s.jquality = 55, s.CompulsionPaper = 9, s.pAutoFontWidth = 1;
  s.pFontMin = "", s.pFontGot = "G", s.pFontMinGrp = "1", s.pFontGotGrp = "2", s.pFontEscape = "4";
  s.pStringFontMin = "a", s.pStringFontGot = "b", s.pStringFontMin2 = "c", s.pStringFontGot2 = "d";
  JobOptions& job = rig.engine.ctx->options;
  CopySettingsIntoJob(s, job);
  EXPECT_EQ(std::make_tuple(job.widthFlag, job.fillMethod, job.setPrinterErrorMode, job.paperCheckMode, job.waitTime,
                            job.keepPrintData, job.firstLineFlag, job.jpegDpi, job.jpegQuality, job.compulsionPaper,
                            job.zeroFontWidth),
            std::make_tuple(1, 3, 2, 0, 700, 1, 1, 200, 55, 9, 1));
  EXPECT_EQ(job.scaleSetting, 0.95);
  EXPECT_EQ(std::make_tuple(job.minchoFace, job.gothicFace, job.minchoGroup, job.gothicGroup, job.fontEscape),
            std::make_tuple(std::string("標準明朝"), std::string("G"), std::string("1"), std::string("2"),
                            std::string("4")));
  EXPECT_EQ(s.pFontMin, "標準明朝");  // the dump shows what the job uses
  EXPECT_EQ(std::make_tuple(job.stringFontMin, job.stringFontGot, job.stringFontMin2, job.stringFontGot2),
            std::make_tuple(std::string("a"), std::string("b"), std::string("c"), std::string("d")));
}

TEST(ProgramLog, SettingsDumpWritesEveryLineInOrder) {
  LogRig rig;
  rig.settings.plog = 1;
  rig.log.CreateLogFolders();
  ASSERT_EQ(rig.log.OpenProgramLogAt(At(2024, 3, 5, 14, 7, 9)), 1);
  std::string programLog = rig.settings.LogPath;
  PrintContext& ctx = *rig.engine.ctx;
  ctx.options.widthFlag = 1;
  ctx.options.fillMethod = 4;
  ctx.output.duplexSetting = 1;
  ctx.options.scaleSetting = 0.95;
  ctx.options.waitTime = 5000;
  ctx.options.batchMode = 1;
  rig.settings.ParentWindow = 1234;
  rig.settings.LogPath = rig.base() + "zoq/plog/a_20240305_140709.txt";
  rig.settings.pStringFontMin = "\"ＭＳ 明朝\",\"A\",";
  rig.log.DumpSettings(ctx);
  std::string log = Utf8FromSjis(ReadFile(programLog));
  const std::string b = rig.base();
  std::string expected =
      "【線の太さ計算時の端数処理】: width_flg[1]\n"
      "【塗り潰しパターン】: pmap_flg[4]\n"
      "【エラー時の処理指定(Kestrelでは未使用】: perr_flg[0]\n"
      "【用紙サイズ判定処理指定】: ppaper_check[0]\n"
      "【両面印刷指定】: Dup[1]\n"
      "【縮尺指定】: pmag_flg[0.95]\n"
      "【印刷用紙指定】: CompulsionPaper[0]\n"
      "【印刷終了コマンド発行待ち時間】: wait_time[5000]\n"
      "【印刷データ削除指定】: pdat_flg[0]\n"
      "【帳票印刷方法】: [1] (0:１枚処理、1:複数一括処理)\n"
      "【PDF出力指定】 : [0] (0:PDF出力しない、1:PDF出力する)\n"
      "【kestrel.infパス】: [" + b + "zoq/kestrel.inf]\n"
      "【例外エラー出力パス】 : [" + b + "zoq/CriticalPLOG.txt]\n"
      "【外部OCRフォント指定ファイルパス】: [" + b + "zoq/pfont.txt]\n"
      "【オフセット指定ファイルパス】: [" + b + "zoq/pofset.txt]\n"
      "【基本OCRフォント名】: [/etc/FONTS/KRM_OCRB.TTF]\n"
      "【メッセージ送信Windowハンドル】: [1234]\n"
      "【印刷ログファイル名】: [" + b + "zoq/plog/a_20240305_140709.txt]\n"
      "【印刷明朝フォント名】: [標準明朝]\n"
      "【印刷ゴシックフォント名】: [標準ゴシック]\n"
      "【半角印刷特定文字明朝フォント名】: [\"ＭＳ 明朝\",\"A\",]\n"
      "【半角印刷特定文字ゴシックフォント名】: []\n"
      "【全角印刷特定文字明朝フォント名】: []\n"
      "【全角印刷特定文字ゴシックフォント名】: []\n";
  ASSERT_GE(log.size(), expected.size());
  EXPECT_EQ(log.substr(log.size() - expected.size()), expected);
}

}  // namespace
}  // namespace kestrel
