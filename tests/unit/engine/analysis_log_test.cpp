#include "engine/analysis_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "engine/coordinates.h"
#include "engine/draw/draw.h"
#include "engine/gprint.h"
#include "engine/jpeg_output.h"
#include "platform/raster/raster_page_image.h"
#include "support/engine_fixture.h"
#include "support/jpeg_files.h"
#include "util/local_time.h"
#include "platform/text_codec.h"

namespace kestrel::test {
namespace {

TEST(IsExcluded, ListedNumbersAreLeftOutAndTextThatIsNotANumberIsAnError) {
  EXPECT_EQ(IsExcluded("", 1), FilterMatch::kNotListed);
  EXPECT_EQ(IsExcluded("1,3", 1), FilterMatch::kListed);
  EXPECT_EQ(IsExcluded("1,3", 2), FilterMatch::kNotListed);
  EXPECT_EQ(IsExcluded("1,3", 3), FilterMatch::kListed);
  EXPECT_EQ(IsExcluded("1 3", 3), FilterMatch::kListed);
  EXPECT_EQ(IsExcluded("\"2\",-4", -4), FilterMatch::kListed);
  // Compared in order: a match before the bad item wins.
  EXPECT_EQ(IsExcluded("1,x", 1), FilterMatch::kListed);
  EXPECT_EQ(IsExcluded("1,x", 2), FilterMatch::kNotANumber);
  EXPECT_EQ(IsExcluded("1,", 2), FilterMatch::kNotANumber);  // the empty item after a final comma
  EXPECT_EQ(IsExcluded("99999999999", 2), FilterMatch::kNotANumber);
}

TEST(JpegFileName, FollowsTheAnalysisLogTheDataFileOrTheJpegFolder) {
  EngineRig rig;
  PrintContext& ctx = *rig.ctx;
  EXPECT_EQ(JpegFileName(ctx, "C:\\data\\page01.pdat", ""), "C:\\data\\page01.jpg");
  EXPECT_EQ(JpegFileName(ctx, "C:\\data\\page01.pdat", "D:\\out\\"), "D:\\out\\page01.jpg");
  EXPECT_EQ(JpegFileName(ctx, "C:\\data\\page01.pdat", "D:\\out"), "D:\\outpage01.jpg");
  EXPECT_EQ(JpegFileName(ctx, "/data/v1.2/page", ""), "/data/v1.2/page.jpg");
  ctx.log.analysisLog = 1;
  ctx.log.analysisLogPath = "/base/zoq/palog/alog_20261206_101816.txt";
  EXPECT_EQ(JpegFileName(ctx, "C:\\data\\page01.pdat", "D:\\out\\"), "/base/zoq/palog/alog_20261206_101816.jpg");
}

TEST(Coordinates, MagnificationScaleAndRounding) {
  EngineRig rig;
  PrintContext& ctx = *rig.ctx;
  ctx.page.paperCode = 140, ctx.page.userPaperCode = 130;
  ChooseMagnification(ctx);
  EXPECT_DOUBLE_EQ(ctx.page.magnification, 0.707142857);
  EXPECT_NEAR(3.75 * ctx.page.magnification, 2.6517857, 1e-7);
  ctx.page.paperCode = 240, ctx.page.userPaperCode = 140;
  ChooseMagnification(ctx);
  EXPECT_DOUBLE_EQ(ctx.page.magnification, 1.225589225);
  ctx.options.scaleSetting = 0.5;
  ChooseMagnification(ctx);
  EXPECT_DOUBLE_EQ(ctx.page.magnification, 0.5);
  ctx.page.paperCode = ctx.page.userPaperCode = 140;
  ChooseMagnification(ctx);
  EXPECT_DOUBLE_EQ(ctx.page.magnification, 0.5);
  EXPECT_DOUBLE_EQ(MagnificationFor(250, 140), 1.0);

  EXPECT_EQ(MmToPixels(350, 210), 2894);
  EXPECT_EQ(MmToPixels(350, 297), 4093);

  ctx.page.scaleX = ctx.page.scaleY = 3.75;
  EXPECT_EQ(DeviceX(ctx, 160), 600);
  int widths[3];
  for (int flag : {0, 1, 2}) ctx.options.widthFlag = flag, widths[flag] = RoundByWidthFlag(ctx, 1);
  EXPECT_EQ(widths[0], 4);
  EXPECT_EQ(widths[1], 3);
  EXPECT_EQ(widths[2], 4);
  ctx.page.scaleX = 3.0;
  for (int flag : {0, 1, 2}) {
    ctx.options.widthFlag = flag;
    EXPECT_EQ(RoundByWidthFlag(ctx, 1), 3);
  }
  ctx.page.offsetX = 1e300;
  ctx.page.clampedValues = 0;
  EXPECT_EQ(DeviceX(ctx, 0), kDeviceLimit);
  EXPECT_EQ(ctx.page.clampedValues, 1);
}

TEST(Coordinates, OffsetsComeFromThePrintersKeyInMillimetres) {
  TempDir dir;
  EngineRig rig;
  PrintContext& ctx = *rig.ctx;
  ctx.output.deviceName = "Test Printer";
  ctx.options.offsetFilePath = dir.Write("pofset.txt", "[OFSET]\r\nTest Printer=1.5,-2\r\nOther=3,3\r\n");
  ctx.page.offsetFileFound = true;
  LoadOffsets(ctx);
  EXPECT_NEAR(ctx.page.offsetX, 9.448818897, 1e-9);
  EXPECT_NEAR(ctx.page.offsetY, -12.598425196, 1e-9);
  ctx.output.deviceName = "Missing";
  LoadOffsets(ctx);
  EXPECT_EQ(ctx.page.offsetX, 0);
  ctx.output.deviceName = "Other";
  ctx.page.offsetFileFound = false;  // the file was not there when the job started
  LoadOffsets(ctx);
  EXPECT_EQ(ctx.page.offsetX, 0);
  ctx.page.offsetFileFound = true;
  dir.Write("pofset.txt", "[OFSET]\nOther=abc,2\n");
  LoadOffsets(ctx);
  EXPECT_EQ(ctx.page.offsetX, 0);
  EXPECT_NEAR(ctx.page.offsetY, 12.598425196, 1e-9);
}

class AnalysisRunTest : public ::testing::Test {
 protected:
  TempDir base;
  EngineRig rig;
  RasterPageImage image;
  PrintContext& ctx() { return *rig.ctx; }
  void SetUp() override {
    setenv("KESTREL_BASE", (base.path().string() + "/").c_str(), 1);
    ctx().output.jpegPages = true;
    ctx().page.lastFile = 1;
    ctx().options.suppressDebugLabel = true;
    ctx().log.analysisLog = 1;
  }
  void TearDown() override { unsetenv("KESTREL_BASE"); }
  std::string Run(const PageBuilder& page) {
    std::string file = base.Write("page.pdat", page.bytes());
    EXPECT_EQ(gprint(ctx(), file, &image, ""), 0) << ctx().lastErrorMessage;
    ctx().log.analysisLogStream.reset();
    return Utf8FromSjis(ReadFile(ctx().log.analysisLogPath));
  }
};

TEST_F(AnalysisRunTest, AKnownPageWritesItsBlocksAndCountsExactly) {
  PageBuilder page;
  page.Paper(0, 140, 140, 1)
      .Palette(3, 255, 0, 0)
      .Paint(3, 10, 20, 5, 8, 2)     // corners exchanged
      .Line(3, 16, 16, 160, 16, 0xF0F0)
      .Circle(3, 8, 8, 0, 90, 16)    // reaches past the top and left
      .End();
  std::string log = Run(page);
  // 350 dpi: scale 2.1875.
  const std::string fill =
      "【塗り潰し】：色(0xff), パターン(2)\n"
      "範囲（計算前）：x1(5),y1(8) - x2(10),y2(20)\n"
      "範囲（計算後）：x1(11),y1(18) - x2(22),y2(44)\n"
      "bmp設定：width(8),height(8),color(0xffffff)\n"
      "\n"
      "【gprint_paint処理終了】********** 塗り潰し処理のみ印字終了 **********\n\n";
  const std::string line =
      "【線】：色(0xff), パターン(0x2), 太さ(1)\n"
      "範囲（計算前）：x0(16),y0(16) - x1(160),y1(16)\n"
      "範囲（計算後）：x0(35),y0(35) - x1(350),y1(35)\n"
      "\n";
  const std::string circle =
      "【円】：色(0xff), 太さ(2)\n"
      "半径の長さ（計算前）：r(16)\n"
      "外接円を引くための四角領域（計算前）：x1(65528),y1(65528) - x2(24),y2(24)\n"
      "楕円の始点座標（計算前）：xx0(23), yy0(7)\n"
      "楕円の終点座標（計算前）：xx1(8), yy1(65528)\n"
      "半径の長さ（計算後）：r(35)\n"
      "外接円を引くための四角領域（計算後）：x1(65519),y1(65519) - x2(52),y2(52)\n"
      "楕円の始点座標（計算後）：xx0(52), yy0(17)\n"
      "楕円の終点座標（計算後）：xx1(17), yy1(65519)\n"
      "\n"
      "【gprint_line,circle, string処理終了】********** 線、円、文字処理のみ印字終了 **********\n\n";
  const std::string tail =
      "【TJPEGImage処理】\n\n"
      "【総データ数】：[5]\n"
      "【パレットコマンド数】：[1]\n"
      "【塗り潰しコマンド数】：[1]\n"
      "【線コマンド数】：[1]\n"
      "【円コマンド数】：[1]\n"
      "【文字コマンド数】：[0]\n"
      "\n";
  EXPECT_EQ(log.rfind("########## 解析ログ出力開始 ############\n", 0), 0u) << log;
  EXPECT_NE(log.find("【colorTable[03]】= RGB( 255, 0, 0)\n\n"), std::string::npos) << log;
  size_t at = log.find(fill);
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_NE(log.find(line + circle, at), std::string::npos) << log;
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
  // The JPEG beside the log, A4 portrait at 350 dpi.
  DecodedJpeg jpeg;
  ASSERT_TRUE(DecodeJpeg(ChangeExtension(ctx().log.analysisLogPath, ".jpg"), jpeg));
  EXPECT_EQ(jpeg.width, 2894);
  EXPECT_EQ(jpeg.height, 4093);
  EXPECT_EQ(jpeg.components, 3);  // a red page is a colour JPEG
}

// A name already taken in this second, by another process or an earlier
// page, is never replaced: the page takes the next "_n" name and its JPEG
// follows it.
TEST_F(AnalysisRunTest, ALogNameOfTheSameSecondIsNeverReplaced) {
  PageBuilder page;
  page.Paper(0, 140, 140, 1).Line(0, 16, 16, 160, 16, 0xFFFF).End();
  // The names of this second and the next, held by someone else.
  std::vector<std::string> taken;
  const std::time_t now = std::time(nullptr);
  for (std::time_t t : {now, now + 1}) {
    std::tm local = LocalTimeOf(t);
    char stem[64];
    std::snprintf(stem, sizeof stem, "zoq/palog/alog_%04d%02d%02d_%02d%02d%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    std::filesystem::create_directories(base.path() / "zoq" / "palog");
    taken.push_back(base.Write(std::string(stem) + ".txt", std::string("other")));
    base.Write(std::string(stem) + ".jpg", std::string("other"));
  }
  Run(page);
  const std::string first = ctx().log.analysisLogPath;
  Run(page);
  const std::string second = ctx().log.analysisLogPath;
  EXPECT_EQ(first.substr(first.size() - 6), "_2.txt") << first;
  EXPECT_NE(second, first);
  for (const std::string& path : taken) {
    EXPECT_EQ(ReadFile(path), "other") << path;
    EXPECT_EQ(ReadFile(ChangeExtension(path, ".jpg")), "other") << path;
  }
  for (const std::string& path : {first, second}) {
    EXPECT_EQ(Utf8FromSjis(ReadFile(path)).rfind("########## 解析ログ出力開始 ############\n", 0), 0u) << path;
    DecodedJpeg jpeg;
    EXPECT_TRUE(DecodeJpeg(ChangeExtension(path, ".jpg"), jpeg)) << path;
  }
}

TEST_F(AnalysisRunTest, FiltersLeaveBlocksOutAndTextThatIsNotANumberWritesTheErrorLines) {
  PageBuilder page;
  page.Palette(1, 0, 0, 0).Paint(1, 0, 0, 8, 8, 1).Paint(1, 0, 0, 8, 8, 2).Line(1, 0, 0, 9, 0, 0xFFFF);
  page.Line(1, 0, 0, 9, 0, 0x3333).Circle(1, 50, 50, 0, 0, 10).End();
  ctx().options.filterPatterns = "1";
  ctx().options.filterLineTypes = "3";
  ctx().options.filterCircles = "1";
  std::string log = Run(page);
  EXPECT_EQ(log.find("パターン(1)"), std::string::npos);
  EXPECT_NE(log.find("【塗り潰し】：色(0x0), パターン(2)"), std::string::npos);
  EXPECT_NE(log.find("【線】：色(0x0), パターン(0x1), 太さ(2)"), std::string::npos);
  EXPECT_EQ(log.find("パターン(0x3)"), std::string::npos);
  EXPECT_EQ(log.find("【円】"), std::string::npos);
  // A page black and white only is written as a grey JPEG.
  DecodedJpeg jpeg;
  ASSERT_TRUE(DecodeJpeg(ChangeExtension(ctx().log.analysisLogPath, ".jpg"), jpeg));
  EXPECT_EQ(jpeg.components, 1);

  ctx().options.filterPatterns = "2,x";
  ctx().options.filterLineTypes = "x";
  ctx().options.filterCircles = "1 a";
  log = Run(page);
  EXPECT_NE(log.find("解析ログ処理中にgprint_paint5で例外が発生し正しいログは出力されませんでした。\n"), std::string::npos);
  EXPECT_EQ(log.find("パターン(2)"), std::string::npos);
  size_t first = log.find("解析ログ処理中にgprint_lineで例外が発生し正しいログは出力されませんでした。\n");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(log.find("解析ログ処理中にgprint_lineで例外が発生し", first + 1), std::string::npos);
  EXPECT_EQ(log.find("【円】"), std::string::npos);  // 1 is listed before the bad item
}

TEST_F(AnalysisRunTest, FillMethodZeroAndSkippedFillsDrawAndLogNoFill) {
  PageBuilder page;
  page.Palette(1, 255, 0, 0).Paint(1, 0, 0, 80, 80, 1).End();
  for (int mode : {0, 1}) {
    ctx().options.fillMethod = mode == 0 ? 0 : 1;
    ctx().options.skipFills = mode == 1;
    std::string log = Run(page);
    EXPECT_EQ(log.find("【塗り潰し】"), std::string::npos);
    EXPECT_EQ(image.raster().PixelAt(1, 0), kWhite);
  }
}

}  // namespace
}  // namespace kestrel::test
