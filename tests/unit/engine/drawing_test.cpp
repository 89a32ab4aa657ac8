// The drawing stages on a raster page at one pixel per print unit, compared
// pixel for pixel with pages built from the drawing rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "engine/analysis_log.h"
#include "engine/draw/draw.h"
#include "engine/draw/pattern_bitmaps.h"
#include "engine/gprint.h"
#include "platform/raster/raster_page_image.h"
#include "support/engine_fixture.h"

namespace kestrel::test {
namespace {

constexpr Colour kRed = Colour::Rgb(255, 0, 0);
constexpr Colour kBlue = Colour::Rgb(0, 0, 255);
constexpr Colour kGreen = Colour::Rgb(0, 160, 0);

// The pattern table as the fill rules read it.
const uint8_t kPatterns[17][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0},         {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA},
    {0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44}, {0x11, 0, 0x44, 0, 0x11, 0, 0x44, 0},
    {0x11, 0, 0, 0, 0x44, 0, 0, 0},   {0x01, 0, 0, 0, 0x10, 0, 0, 0},
    {0x11, 0x22, 0x44, 0x88, 0x11, 0x22, 0x44, 0x88}, {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},
    {0x11, 0x88, 0x44, 0x22, 0x11, 0x88, 0x44, 0x22}, {0x01, 0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02},
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11}, {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10},
    {0xFF, 0, 0, 0, 0xFF, 0, 0, 0},   {0xFF, 0, 0, 0, 0, 0, 0, 0},
    {0x01, 0x82, 0x44, 0x28, 0x10, 0x28, 0x44, 0x82}, {0xFF, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10},
    {0x11, 0, 0x04, 0, 0x11, 0, 0x40, 0},
};
bool AsDrawn(int pattern, int col, int row) { return (kPatterns[pattern][row] >> (7 - col)) & 1; }
bool Mirrored(int pattern, int col, int row) { return (kPatterns[pattern][col] >> (7 - row)) & 1; }

// A context drawing straight onto a raster page, scale 1, no offsets.
class StageTest : public ::testing::Test {
 protected:
  EngineRig rig;
  RasterCanvas page{64, 48, 160};
  PrintContext& ctx() { return *rig.ctx; }
  void SetUp() override {
    ctx().output.canvas = &page;
    ctx().page.scaleX = ctx().page.scaleY = 1.0;
    ctx().page.colorTable[1] = kRed;
    ctx().page.colorTable[2] = kBlue;
    ctx().page.colorTable[3] = kGreen;
  }
  // Loads the page's records into the command area.
  void Load(const PageBuilder& b) {
    std::memset(ctx().page.commands.get(), 0, kCommandAreaBytes);
    std::memcpy(ctx().page.commands.get(), b.bytes().data(), std::min(b.bytes().size(), kCommandAreaBytes));
    ctx().page.bytesRead = b.bytes().size();
  }
  void Fill(int method, uint8_t colour, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2, uint8_t pattern) {
    PageBuilder b;
    b.Paint(colour, x1, y1, x2, y2, pattern).End();
    Load(b);
    ctx().options.fillMethod = method;
    DrawPaint(ctx(), 0);
  }
  // Every pixel of the page against the expected colour.
  void ExpectPage(const std::function<Colour(int, int)>& expected, const std::string& what) {
    int wrong = 0;
    for (int y = 0; y < page.Height(); ++y)
      for (int x = 0; x < page.Width(); ++x)
        if (page.PixelAt(x, y) != expected(x, y) && ++wrong <= 5)
          ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << std::hex << page.PixelAt(x, y).value
                        << ", expected " << expected(x, y).value;
  }
};

TEST_F(StageTest, MethodsOneAndFiveTileFromThePageOriginAndPaintUnsetPixelsWhite) {
  for (int method : {1, 5}) {
    for (int pattern : {0, 1, 4, 6, 10, 12, 14, 16}) {
      page.Reset(64, 48, 160);
      page.SetBrush(Brush{BrushKind::Solid, kGreen});
      page.FillRect({0, 0, 64, 48});
      // Corners given right-to-left and bottom-to-top, two fills side by side.
      Fill(method, 1, 30, 40, 3, 5, uint8_t(pattern));
      Fill(method, 1, 30, 5, 50, 40, uint8_t(pattern));
      ExpectPage(
          [&](int x, int y) {
            if (x < 3 || x >= 50 || y < 5 || y >= 40) return kGreen;
            bool set = method == 5 && pattern == 4 ? ((uint8_t[]){0x33, 0x33, 0, 0, 0xBB, 0xBB, 0, 0}[y % 8] >> (7 - x % 8)) & 1
                                                   : AsDrawn(pattern, x % 8, y % 8);
            return set ? kRed : kWhite;
          },
          "method " + std::to_string(method) + " pattern " + std::to_string(pattern));
    }
  }
}

TEST_F(StageTest, MethodsFourAndSixRestartTheMirroredTileAtTheCornerAndLeaveUnsetPixels) {
  for (int method : {4, 6}) {
    for (int pattern : {0, 1, 6, 8, 10, 12, 15}) {
      page.Reset(64, 48, 160);
      page.SetBrush(Brush{BrushKind::Solid, kGreen});
      page.FillRect({0, 0, 64, 48});
      Fill(method, 2, 45, 37, 3, 5, uint8_t(pattern));
      ExpectPage(
          [&](int x, int y) {
            if (x < 3 || x >= 45 || y < 5 || y >= 37) return kGreen;
            return Mirrored(pattern, (x - 3) % 8, (y - 5) % 8) ? kBlue : kGreen;
          },
          "method " + std::to_string(method) + " pattern " + std::to_string(pattern));
    }
  }
}

TEST_F(StageTest, MethodFourStopsItsLastTilesAtTheEdgeAndATileOfWidthZeroDrawsNothing) {
  // Scale 1.5: the rectangle 0..10.5 wide ends with a tile cut at 2 pixels
  // (truncated 10.5 - 8); a right edge on the grid ends with a tile of width 0.
  ctx().page.scaleX = ctx().page.scaleY = 1.5;
  Fill(4, 1, 2, 2, 9, 9, 15);  // device 3 .. 13.5
  Fill(4, 2, 20, 2, 28, 4, 13);  // device 30 .. 42 x 3 .. 6: tiles at 30 (8) and 38 (4)
  ExpectPage(
      [&](int x, int y) {
        if (x >= 3 && x < 13 && y >= 3 && y < 13 && Mirrored(15, (x - 3) % 8, (y - 3) % 8)) return kRed;
        if (x >= 30 && x < 42 && y >= 3 && y < 6 && Mirrored(13, (x - 30) % 8, (y - 3) % 8)) return kBlue;
        return kWhite;
      },
      "method 4 cut tiles");
}

// GDI's hatch rows, in device coordinates: pattern 3 (HS_CROSS) inks the
// rows with y mod 8 == 3 and the columns with x mod 8 == 4; pattern 4
// (HS_DIAGCROSS) where (x - y) mod 8 == 0 or (x + y) mod 8 == 7; pattern 5
// (HS_BDIAGONAL) where (x + y) mod 8 == 7; every other number (HS_FDIAGONAL)
// where (x - y) mod 8 == 0.
bool GdiHatchInk(int pattern, int x, int y) {
  const bool falling = (x - y) % 8 == 0, rising = (x + y) % 8 == 7;
  switch (pattern) {
    case 3: return y % 8 == 3 || x % 8 == 4;
    case 4: return falling || rising;
    case 5: return rising;
    default: return falling;
  }
}

TEST_F(StageTest, MethodTwoDrawsGdisHatchRowsForEveryPatternNumberAndOutlinesInWhiteWithTheCanvasPen) {
  for (int pattern = 0; pattern <= 255; pattern += pattern < 17 ? 1 : 238) {  // 0-17 and 255
    page.Reset(64, 48, 160);
    page.SetBrush(Brush{BrushKind::Solid, kGreen});
    page.FillRect({0, 0, 64, 48});
    page.SetPen(Pen{kBlack, 1, PenStyle::Solid});
    Fill(2, 1, 4, 4, 36, 28, uint8_t(pattern));
    EXPECT_EQ(page.state().pen.colour, kBlack);  // the pen colour comes back
    ExpectPage(
        [&](int x, int y) {
          if (x < 4 || x >= 36 || y < 4 || y >= 28) return kGreen;
          if (x == 4 || x == 35 || y == 4 || y == 27) return kWhite;
          return GdiHatchInk(pattern, x, y) ? kRed : kGreen;  // gaps keep the page
        },
        "method 2 pattern " + std::to_string(pattern));
  }
}

TEST_F(StageTest, PatternsAboveSixteenDrawNothingAndSayItInTheAnalysisLog) {
  for (int method : {1, 3, 4, 5, 6}) {
    Fill(method, 1, 0, 0, 60, 40, 17);
    ExpectPage([](int, int) { return kWhite; }, "pattern 17 method " + std::to_string(method));
  }
}

TEST_F(StageTest, MethodThreeUsesTheOperatorsBitmapAndFallsBackToMethodOneForMissingOrDamagedFiles) {
  TempDir base;
  setenv("KESTREL_BASE", (base.path().string() + "/").c_str(), 1);
  std::filesystem::create_directories(base.path() / "zoq" / "pmap");
  // pattern02.bmp: 8x8, 24 bits, bottom-up; blue where x == y, else green.
  std::vector<uint8_t> bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 8, 0, 0, 0, 8, 0, 0, 0,
                              1,   0,   24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int row = 7; row >= 0; --row)
    for (int x = 0; x < 8; ++x) {
      Colour c = x == row ? kBlue : kGreen;
      bmp.push_back(c.b()), bmp.push_back(c.g()), bmp.push_back(c.r());
    }
  base.Write("zoq/pmap/pattern02.bmp", bmp);
  base.Write("zoq/pmap/pattern03.bmp", std::string("BM\x10\x00garbage", 11));
  ctx().fills.loaded = false;
  Fill(3, 1, 0, 0, 20, 20, 2);
  Fill(3, 1, 20, 0, 40, 20, 3);
  Fill(3, 1, 40, 0, 60, 20, 3);
  ExpectPage(
      [&](int x, int y) {
        if (y >= 20 || x >= 60) return kWhite;
        if (x < 20) return x % 8 == y % 8 ? kBlue : kGreen;
        return AsDrawn(3, x % 8, y % 8) ? kRed : kWhite;
      },
      "method 3");
  EXPECT_EQ(ctx().fills.reported, std::vector<std::string>{"pattern03.bmp"});
  unsetenv("KESTREL_BASE");
}

TEST(PatternBitmaps, DamagedFilesAreRefusedWithoutReadingPastTheirEnd) {
  SmallBitmap out;
  // 1-bit, 8x2, two-entry table, rows padded to 4 bytes.
  std::vector<uint8_t> ok = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0, 40, 0, 0, 0, 8, 0, 0, 0, 2, 0, 0, 0,
                             1,   0,   1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                             0,   0,   0, 0, 0xFF, 0xFF, 0xFF, 0, 0x81, 0, 0, 0, 0xF0, 0, 0, 0};
  ASSERT_TRUE(DecodeBmp(ok, out));
  EXPECT_EQ(out.width, 8);
  EXPECT_EQ(out.at(0, 0), kWhite);  // top row is the last stored: F0
  EXPECT_EQ(out.at(4, 0), kBlack);
  EXPECT_EQ(out.at(0, 1), kWhite);
  EXPECT_EQ(out.at(1, 1), kBlack);
  for (size_t cut = 0; cut < ok.size(); ++cut) {
    std::vector<uint8_t> shorter(ok.begin(), ok.begin() + long(cut));
    EXPECT_FALSE(DecodeBmp(shorter, out)) << cut;
  }
  std::vector<uint8_t> huge = ok;
  huge[18] = 0xFF, huge[19] = 0xFF, huge[20] = 0xFF, huge[21] = 0x7F;
  EXPECT_FALSE(DecodeBmp(huge, out));
}

TEST_F(StageTest, LineTypesChooseStyleAndWidthAndAnUnlistedWordKeepsTheStyle) {
  ctx().page.scaleX = ctx().page.scaleY = 3.75;  // 600 dpi
  struct Case {
    uint16_t word;
    int widthFlag;
    PenStyle style;
    int width;
  } cases[] = {
      {0xFFFF, 0, PenStyle::Solid, 4}, {0xF0F0, 0, PenStyle::Dash, 1},       {0x3333, 0, PenStyle::Dot, 1},
      {0x1234, 0, PenStyle::Dot, 1},   {0xFAFA, 0, PenStyle::DashDot, 1},    {0xEAEA, 0, PenStyle::DashDotDot, 1},
      {0xFFFF, 1, PenStyle::Solid, 3}, {0xFFFF, 2, PenStyle::Solid, 4},     {0x0000, 2, PenStyle::Solid, 1},
  };
  for (const Case& c : cases) {
    ctx().options.widthFlag = c.widthFlag;
    PageBuilder b;
    b.Line(1, 1, 1, 10, 1, c.word).End();
    Load(b);
    gprint_line(ctx(), 0);
    EXPECT_EQ(page.state().pen.style, c.style) << std::hex << c.word;
    EXPECT_EQ(page.state().pen.width, c.width) << std::hex << c.word;
    EXPECT_EQ(page.state().pen.colour, kRed);
  }
  ctx().page.scaleX = 4.0;
  for (int flag : {0, 1, 2}) {
    ctx().options.widthFlag = flag;
    PageBuilder b;
    b.Line(1, 1, 1, 10, 1, 0xFFFF).End();
    Load(b);
    gprint_line(ctx(), 0);
    EXPECT_EQ(page.state().pen.width, 4);
  }
}

TEST_F(StageTest, ADashedLineDrawsGdiDashesFromItsStartAndAZeroLengthLineNothing) {
  PageBuilder b;
  b.Line(1, 2, 10, 62, 10, 0xF0F0).Line(2, 30, 30, 30, 30, 0xFFFF).End();
  Load(b);
  gprint_line(ctx(), 0);
  gprint_line(ctx(), 1);
  ExpectPage(
      [](int x, int y) {
        if (y == 10 && x >= 2 && x < 62) return (x - 2) % 24 < 18 ? kRed : kWhite;
        return kWhite;
      },
      "dashed line");
}

TEST_F(StageTest, TheFirstLineOfTheProcessIsDrawnTwiceFirstInBlueWhenTheTreatmentIsOn) {
  ctx().options.firstLineFlag = 1;
  RecordingCanvas rec;
  ctx().output.canvas = &rec;
  PageBuilder b;
  b.Line(1, 0, 0, 10, 0, 0xFFFF).Line(1, 0, 5, 10, 5, 0xFFFF).End();
  Load(b);
  gprint_line(ctx(), 0);
  gprint_line(ctx(), 1);
  ASSERT_EQ(rec.calls().size(), 3u);
  EXPECT_NE(rec.calls()[0].find("0000FF"), std::string::npos) << rec.calls()[0];
  EXPECT_NE(rec.calls()[1].find("FF0000"), std::string::npos) << rec.calls()[1];
  EXPECT_EQ(ctx().cache.firstLineDrawn, 1);
}

TEST_F(StageTest, CirclesTakeTheLastLineStyleAndRunFromTheStartAngleCounterclockwise) {
  ctx().page.scaleX = ctx().page.scaleY = 1.0;
  PageBuilder b;
  // A dotted line, then a circle: width 1 from the scale, dotted.
  b.Line(1, 0, 47, 1, 47, 0x3333).Circle(2, 30, 24, 0, 0, 20).Circle(2, 30, 24, 0, 90, 20).End();
  Load(b);
  gprint_line(ctx(), 0);  // one red pixel at (0,47)
  gprint_circle(ctx(), 1);
  EXPECT_EQ(page.state().pen.style, PenStyle::Dot);
  EXPECT_EQ(page.state().pen.colour, kBlue);
  // Full circle: box 10..50 x 4..44 (right and bottom out), dotted: ink and gaps.
  int ink = 0, minX = 99, maxX = -1, minY = 99, maxY = -1;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      if (page.PixelAt(x, y) == kBlue) {
        ++ink, minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
      }
  EXPECT_EQ(minX, 10);
  EXPECT_EQ(maxX, 49);
  EXPECT_EQ(minY, 4);
  EXPECT_EQ(maxY, 43);
  EXPECT_GT(ink, 40);
  EXPECT_LT(ink, 90);  // half of the ~113 curve pixels are gaps
  // Start 90 (right), end 0 (top): only the quarter between top and right.
  page.Reset(64, 48, 160);
  page.SetPen(Pen{kBlack, 1, PenStyle::Solid});
  gprint_circle(ctx(), 2);
  int quarter = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      if (page.PixelAt(x, y) == kBlue) {
        ++quarter;
        EXPECT_TRUE(x >= 29 && y <= 25) << x << "," << y;
      }
  EXPECT_GT(quarter, 25);
}

TEST_F(StageTest, GprintDrawsFillsBeforeLinesWhateverTheirOrderInTheFile) {
  TempDir dir;
  RasterPageImage image;
  ctx().output.canvas = nullptr;
  ctx().output.jpegPages = true;
  ctx().options.jpegDpi = 160;  // one pixel per unit
  ctx().options.suppressDebugLabel = true;
  ctx().page.lastFile = 1;
  PageBuilder b;
  b.Paper(0, 140, 140, 1)
      .Line(1, 10, 20, 100, 20, 0xFFFF)  // before the fill in the file
      .Palette(1, 255, 0, 0)
      .Palette(2, 0, 0, 255)
      .Paint(2, 0, 0, 120, 40, 1)
      .End();
  std::string file = dir.Write("page.pdat", b.bytes());
  ASSERT_EQ(gprint(ctx(), file, &image, ""), 0) << ctx().lastErrorMessage;
  const RasterCanvas& p = image.raster();
  EXPECT_EQ(p.Width(), 1323);  // A4 at 160 dpi
  EXPECT_EQ(p.Height(), 1871);
  for (int x = 10; x < 100; ++x) EXPECT_EQ(p.PixelAt(x, 20), kRed) << x;
  EXPECT_EQ(p.PixelAt(0, 0), kWhite);  // checkerboard around the line
  EXPECT_EQ(p.PixelAt(1, 0), kBlue);
  EXPECT_TRUE(std::filesystem::exists(dir.file("page.jpg")));
}

}  // namespace
}  // namespace kestrel::test
