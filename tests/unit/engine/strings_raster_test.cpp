// Strings drawn on the raster page with the FreeType rasterizer, checked
// against the fonts' own metrics: cell top, baseline, width scaling, pitch.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/draw/draw.h"
#include "engine/draw/strings.h"
#include "platform/fonts/freetype_rasterizer.h"
#include "platform/raster/raster_canvas.h"
#include "support/engine_fixture.h"
#include "support/font_files.h"

namespace kestrel::test {
namespace {

struct InkBox {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
  long pixels = 0;
};

InkBox InkIn(const RasterCanvas& page, int x0, int x1, Colour ink) {
  InkBox b;
  for (int y = 0; y < page.Height(); ++y)
    for (int x = x0; x < x1; ++x) {
      Colour c = page.PixelAt(x, y);
      if (c == kWhite) continue;
      EXPECT_EQ(c, ink) << x << "," << y;
      b.left = std::min(b.left, x);
      b.right = std::max(b.right, x);
      b.top = std::min(b.top, y);
      b.bottom = std::max(b.bottom, y);
      ++b.pixels;
    }
  return b;
}


class StringsOnRasterTest : public ::testing::Test {
 protected:
  TempDir dir;
  EngineRig rig;
  FreeTypeRasterizer text;
  RasterCanvas page{1200, 400, 600, &text};
  PrintContext& ctx() { return *rig.ctx; }

  void SetUp() override {
    ctx().options.ocrChoiceFilePath = dir.file("pfont.txt");
    ctx().options.ocrFontFilePath = dir.file("KRM_OCRB.TTF");
    ctx().output.canvas = &page;
    ctx().page.scaleX = ctx().page.scaleY = 600 * 0.00625;
    ctx().options.minchoFace = "標準明朝";
    ctx().options.gothicFace = "標準ゴシック";
    ctx().page.colorTable[3] = Colour::Rgb(0, 0, 200);
  }

  // Draws one String command "HH" (class 1) at x 16, y 16 (60 pixels),
  // height 24 and width 12 (90 and 45 pixels), pitch 32 (120 pixels).
  void DrawHH(uint8_t typeface) {
    PageBuilder b;
    b.String(3, 16, 16, typeface, 1, 12, 24, 32, 0).End();
    b.Text("HH");
    const auto& bytes = b.bytes();
    std::memcpy(ctx().page.commands.get(), bytes.data(), bytes.size());
    ctx().page.bytesRead = bytes.size();
    ctx().page.commandCount = 1;
    RebuildFontLists(ctx());
    page.Reset(1200, 400, 600);
    gprint_string(ctx(), 0);
  }

  // The first H lies in the cell at (60, 60) as the face's own metrics
  // place it; the second is the same ink one pitch (120 pixels) on.
  void ExpectHH(const std::string& face) {
    FontSpec f;
    f.face = face;
    f.height = 90;
    f.width = 45;
    TextMetrics m = text.Metrics(f);
    UnitBox box = BoxOf(m.file, 'H');
    auto px = [&](long units, double em) { return int(std::lround(units * em / box.upem)); };
    InkBox first = InkIn(page, 0, 180, Colour::Rgb(0, 0, 200));
    InkBox second = InkIn(page, 180, 1200, Colour::Rgb(0, 0, 200));
    ASSERT_GT(first.pixels, 0) << face;
    const int baseline = 60 + m.ascent;
    EXPECT_NEAR(first.bottom, baseline - 1 - px(box.yMin, m.emY), 1) << face;
    EXPECT_NEAR(first.top, baseline - px(box.yMax, m.emY), 1) << face;
    EXPECT_NEAR(first.left, 60 + px(box.xMin, m.emX), 1) << face;
    EXPECT_NEAR(first.right + 1, 60 + px(box.xMax, m.emX), 1) << face;
    EXPECT_EQ(second.left - first.left, 120) << face;
    EXPECT_EQ(second.top, first.top) << face;
    EXPECT_EQ(second.pixels, first.pixels) << face;
  }
};

TEST_F(StringsOnRasterTest, MinchoGothicOcrAndSubstitutedFacesSitInTheirCells) {
  DrawHH(1);
  ExpectHH("標準明朝");
  DrawHH(3);
  ExpectHH("標準ゴシック");
  rig.printers.devices()[0].fonts = {"OCR B"};
  dir.Write("pfont.txt", std::string("[OCR]\nFONT=\"OCR B\"\n"));
  DrawHH(2);
  ExpectHH("OCR B");
  ctx().options.stringFontMin2 = "\"IPAMincho\",\"HH\",";
  DrawHH(1);
  ExpectHH("IPAMincho");
}

TEST_F(StringsOnRasterTest, StretchedAndNaturalWidthsFollowTheAverageCharacterWidth) {
  // The box-drawing line covers the whole em: as wide as the stretched em.
  auto drawLine = [&](int zeroWidth) {
    ctx().options.zeroFontWidth = zeroWidth;
    PageBuilder b;
    b.String(3, 16, 16, 3, 3, 16, 24, 64, 0).End();
    b.Text("\x28\x21");  // JIS 0x2821: the box-drawing horizontal line
    const auto& bytes = b.bytes();
    std::memcpy(ctx().page.commands.get(), bytes.data(), bytes.size());
    ctx().page.bytesRead = bytes.size();
    ctx().page.commandCount = 1;
    RebuildFontLists(ctx());
    page.Reset(1200, 400, 600);
    gprint_string(ctx(), 0);
    return InkIn(page, 0, 1200, Colour::Rgb(0, 0, 200));
  };
  FontSpec f;
  f.face = "標準ゴシック";
  f.height = 90;
  f.width = 60;
  const double stretched = text.Metrics(f).emX;
  f.width = 0;
  const double natural = text.Metrics(f).emX;
  InkBox wide = drawLine(0);
  InkBox plain = drawLine(1);
  EXPECT_NEAR(wide.right + 1 - wide.left, stretched, 1);
  EXPECT_NEAR(plain.right + 1 - plain.left, natural, 1);
  EXPECT_GT(stretched, natural * 1.1);
}

// Passes every character on to the FreeType rasterizer and keeps where
// the page put its cell and the ink it drew.
class CharacterBoxes : public TextRasterizer {
 public:
  explicit CharacterBoxes(TextRasterizer& inner) : inner_(inner) {}
  void Rasterize(const FontSpec& font, std::string_view utf8, DevicePoint cellTopLeft, SpanSink& sink) override {
    struct Tee : SpanSink {
      SpanSink* out = nullptr;
      InkBox box;
      void Span(int y, int x0, int x1) override {
        out->Span(y, x0, x1);
        box.left = std::min(box.left, x0);
        box.right = std::max(box.right, x1 - 1);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
        box.pixels += x1 - x0;
      }
    } tee;
    tee.out = &sink;
    inner_.Rasterize(font, utf8, cellTopLeft, tee);
    drawn.push_back({cellTopLeft, tee.box});
  }
  std::vector<std::pair<DevicePoint, InkBox>> drawn;

 private:
  TextRasterizer& inner_;
};

TEST_F(StringsOnRasterTest, HalfWidthLettersOfTheFixedPitchFacesStayInTheirCells) {
  // "MiMi", class 1, character width and pitch 12 (45 pixels): the
  // half-width pitch of a form. Each letter's ink stays inside its own
  // 45-pixel cell, one pixel of overhang allowed.
  CharacterBoxes boxes(text);
  RasterCanvas cells(1200, 400, 600, &boxes);
  ctx().output.canvas = &cells;
  const std::pair<const char*, const char*> faces[] = {{"標準明朝", "標準ゴシック"}, {"ＭＳ 明朝", "ＭＳ ゴシック"}};
  for (const auto& [mincho, gothic] : faces) {
    ctx().options.minchoFace = mincho;
    ctx().options.gothicFace = gothic;
    for (uint8_t typeface : {1, 3}) {
      PageBuilder b;
      b.String(3, 16, 16, typeface, 1, 12, 24, 12, 0).End();
      b.Text("MiMi");
      const auto& bytes = b.bytes();
      std::memcpy(ctx().page.commands.get(), bytes.data(), bytes.size());
      ctx().page.bytesRead = bytes.size();
      ctx().page.commandCount = 1;
      RebuildFontLists(ctx());
      boxes.drawn.clear();
      gprint_string(ctx(), 0);
      const std::string face = typeface == 1 ? mincho : gothic;
      ASSERT_EQ(boxes.drawn.size(), 4u) << face;
      for (int i = 0; i < 4; ++i) {
        const auto& [cell, ink] = boxes.drawn[size_t(i)];
        EXPECT_EQ(cell.x, 60 + 45 * i) << face;
        ASSERT_GT(ink.pixels, 0) << face << " letter " << i;
        EXPECT_GE(ink.left, cell.x - 1) << face << " letter " << i;
        EXPECT_LE(ink.right, cell.x + 45) << face << " letter " << i;
      }
    }
  }
}

}  // namespace
}  // namespace kestrel::test
