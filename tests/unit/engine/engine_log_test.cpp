#include "engine/engine_log.h"

#include <gtest/gtest.h>

#include <regex>

#include "engine/gprint.h"
#include "support/engine_fixture.h"
#include "platform/text_codec.h"

namespace kestrel::test {
namespace {

class EngineLogTest : public ::testing::Test {
 protected:
  TempDir dir;
  EngineRig rig;
  PrintContext& ctx() { return *rig.ctx; }
};

TEST_F(EngineLogTest, ALogUnder31000BytesIsAppendedToAndALargerOneStartedAnew) {
  for (size_t size : {size_t(30999), size_t(31000)}) {
    std::string path = dir.Write("plog.txt", std::string(size, 'x'));
    EngineRig r;
    r.ctx->SetLogFileName(path);
    OpenEngineLog(*r.ctx);
    r.ctx->log.logStream.reset();
    std::string content = ReadFile(path);
    std::string opening = SjisFromUtf8("\n【■■■■■■■■■■ Kestrel 印刷処理スタート ■■■■■■■■■■】\n");
    if (size == 30999) {
      EXPECT_EQ(content, std::string(size, 'x') + opening);
    } else {
      EXPECT_EQ(content, opening);
    }
  }
}

TEST_F(EngineLogTest, AnUnopenableLogSwitchesLoggingOffWithAMessage) {
  ctx().SetLogFileName(dir.file("no-such-folder/plog.txt"));
  OpenEngineLog(ctx());
  EXPECT_EQ(ctx().log.logEnabled, 0);
  EXPECT_EQ(ctx().lastErrorMessage,
            "gprintMain : LogFile Open Errorの為、ログは残りません\n" + dir.file("no-such-folder/plog.txt") + "(65535)\n");
}

TEST_F(EngineLogTest, WithTheLogOffOnlyErrorLinesReachTheCriticalLog) {
  std::string critical = dir.file("CriticalPLOG.txt");
  ctx().options.exceptionLogPath = critical;
  EngineLog(ctx(), "info line\n", kLogInfo);
  EXPECT_FALSE(std::filesystem::exists(critical));
  EngineLog(ctx(), "  ■エラー\n", kLogError);
  EngineLog(ctx(), "second", kLogError);
  EXPECT_EQ(Utf8FromSjis(ReadFile(critical)),
            "@@@@@@@ 例外発生 @@@@@@：  ■エラー\n\n@@@@@@@ 例外発生 @@@@@@：second\n");

  // Without a critical-log path error lines are dropped silently.
  EngineRig quiet;
  EngineLog(*quiet.ctx, "dropped", kLogError);
  EXPECT_TRUE(quiet.ui.shown().empty());
}

TEST_F(EngineLogTest, AnUnwritableCriticalLogIsReportedOnceAndLoggingStops) {
  ctx().options.exceptionLogPath = dir.file("missing/CriticalPLOG.txt");
  EngineLog(ctx(), "x", kLogError);
  ASSERT_EQ(rig.ui.shown().size(), 1u);
  EXPECT_EQ(rig.ui.shown()[0],
            "CriticalLog Error : Open Errorの為、ログは残りません\n" + dir.file("missing/CriticalPLOG.txt") + "(65535)");
}

// The whole job log of a known page, byte for byte (the clock, the computer
// name and the canvas identity vary by run and are masked).
TEST_F(EngineLogTest, TheJobLogOfAKnownPageIsExact) {
  PageBuilder page;
  page.Paper(0, 140, 140, 1).Palette(0, 0, 0, 0).Paint(0, 10, 10, 100, 100, 1).Line(0, 0, 0, 160, 0, 0xFFFF).End();
  std::string data = dir.Write("a.pdat", page.bytes());
  std::string log = dir.file("plog.txt");
  ctx().SetLogFileName(log);
  ctx().options.ocrChoiceFilePath = dir.file("pfont.txt");
  ctx().options.offsetFilePath = dir.file("pofset.txt");
  ctx().options.parentWindow = 1234;
  ctx().page.lastFile = 1;
  ctx().options.waitTime = 5000;
  ASSERT_EQ(gprint(ctx(), data, nullptr, "0"), 0);
  ctx().log.logStream.reset();

  std::string text = Utf8FromSjis(ReadFile(log));
  text = std::regex_replace(text, std::regex("コンピュータ名：\\[[^\\]]*\\]"), "コンピュータ名：[HOST]");
  text = std::regex_replace(text, std::regex("【実行時間】= [^\n]*\n"), "【実行時間】= TIME\n");
  text = std::regex_replace(text, std::regex("\\(base\\) = 0x[0-9a-f]+"), "(base) = 0xADDR");
  // The stage blocks between the scale and the fill-method block belong to
  // the coordinate stage; only the spine's own lines are pinned here.
  auto pos = [&](const std::string& s) { return text.find(s); };
  const std::string head =
      "\n【■■■■■■■■■■ Kestrel 印刷処理スタート ■■■■■■■■■■】\n"
      "【端末名取得】印刷を実行した端末のコンピュータ名：[HOST]\n"
      "【外部OCRﾌｫﾝﾄ指定ﾌｧｲﾙ検索】 外部OCRﾌｫﾝﾄ指定ﾌｧｲﾙが見つかりませんでした(" + dir.file("pfont.txt") + ")\n"
      "【************** gprint() in Kestrel ****************】\n"
      "【ログファイル】= 1(0:ログオフ 1:ログオン)\n"
      "【ログファイル名】= " + log + "\n"
      "【印刷データファイル削除】= 0(0:削除 1:保存)\n"
      "【計算時端数】= 0(0:四捨五入 1:切り捨て 2:切り上げ)\n"
      "【実行時間】= TIME\n"
      "【終了待ち時間】= 5000 mm/sec\n"
      "【親Windowハンドル】= 1234 \n"
      "【SetPrinter時エラー処理(Kestrelでは未使用）】= 0(0:エラー処理有り、1:一部エラー処理無し、2:OS処理判別（テスト導入）) \n"
      "【縮尺値指定】= 0.000000(0:自動縮尺指定、0以外:指定縮尺指定) \n"
      "【強制用紙指定】= 0(0:自動(データ通り)、1:A4、2:B4) \n"
      "【ログファイルパス】= [" + log + "] : FileExist(true)\n"
      "【外部フォントファイルパス】= [" + dir.file("pfont.txt") + "] : FileExist(false)\n"
      "【オフセットファイルパス】= [" + dir.file("pofset.txt") + "] : FileExist(false)\n"
      "■□■□■□■□■□ 1ページ印刷開始 □■□■□■□■□■\n"
      "【印刷データファイル名】= " + data + "(80byte)\n";
  EXPECT_EQ(text.substr(0, head.size()), head);
  const std::string tail =
      "【出力コマンド数】= 4\n"
      "【塗り潰し種別】= Windows範囲塗り潰し処理 : Rectangle(1) \n"
      "  ※描画先のアドレス(base) = 0xADDR(NULL又は0の時は不具合)\n"
      "【colorTable[00]】= RGB( 0, 0, 0)\n"
      "【gprint_pallet処理終了】********** データカウント、色テーブル初期化処理のみ印字終了 **********\n";
  ASSERT_NE(pos(tail), std::string::npos) << text;
  for (const char* line : {"【gprint_paper処理終了】********** 印刷設定初期化処理のみ印字終了 **********\n",
                           "【********** BeginDoc Before ***********】\n", "【********** BeginDoc After ***********】\n",
                           "【GetDeviceCaps関数 In】\n", "【GetDeviceCaps関数 Success】\n"}) {
    EXPECT_NE(pos(line), std::string::npos) << line;
  }
  const std::string end =
      "【gprint_paint処理終了】********** 塗り潰し処理のみ印字終了 **********\n"
      "【gprint_line,circle, string処理終了】********** 線、円、文字処理のみ印字終了 **********\n"
      "【EndDoc関数呼出】\n";
  ASSERT_NE(pos(end), std::string::npos) << text;
  // Order of the spine's blocks.
  EXPECT_LT(pos("【gprint_paper処理終了】"), pos("【********** BeginDoc Before"));
  EXPECT_LT(pos("【GetDeviceCaps関数 Success】"), pos("【出力コマンド数】"));
  EXPECT_LT(pos(tail), pos(end));
}

}  // namespace
}  // namespace kestrel::test
