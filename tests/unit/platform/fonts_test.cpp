#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <fstream>
#include <string>
#include <set>
#include <utility>
#include <vector>

#include "platform/fonts/fontconfig_resolver.h"
#include "platform/fonts/freetype_rasterizer.h"
#include "platform/fonts/gdi_font_metrics.h"
#include "support/font_files.h"

namespace kestrel::test {
namespace {

// Whether the font file holds glyphs for every character given.
bool HasGlyphs(const ResolvedFace& r, std::initializer_list<uint32_t> chars) {
  FT_Library lib;
  if (FT_Init_FreeType(&lib) != 0) return false;
  FT_Face face;
  bool ok = FT_New_Face(lib, r.file.c_str(), r.index, &face) == 0;
  if (ok) {
    for (uint32_t c : chars) ok = ok && FT_Get_Char_Index(face, c) != 0;
    FT_Done_Face(face);
  }
  FT_Done_FreeType(lib);
  return ok;
}

TEST(FontconfigResolver, FixedPitchNamesReachTheIpaFacesAndProportionalNamesTheIpaPFaces) {
  FontconfigResolver& resolver = SharedFontResolver();
  const std::pair<const char*, const char*> cases[] = {
      {"標準明朝", "IPAMincho"},      {"ＭＳ 明朝", "IPAMincho"},         {"MS Mincho", "IPAMincho"},
      {"ms mincho", "IPAMincho"},     {"MS 明朝", "IPAMincho"},           {"ＭＳ Ｐ明朝", "IPAPMincho"},
      {"MS PMincho", "IPAPMincho"},   {"標準ゴシック", "IPAGothic"},      {"ＭＳ ゴシック", "IPAGothic"},
      {"MS Gothic", "IPAGothic"},     {"ＭＳ Ｐゴシック", "IPAPGothic"},  {"MS PGothic", "IPAPGothic"},
      {"MS UI Gothic", "IPAPGothic"}, {"IPAex明朝", "IPAexMincho"},       {"IPAexGothic", "IPAexGothic"},
  };
  for (const auto& [name, family] : cases) {
    ResolvedFace r = resolver.Resolve(name);
    EXPECT_EQ(r.family, family) << name;
    EXPECT_TRUE(HasGlyphs(r, {U'明', U'あ', U'ア', U'A'})) << name;
  }
}

TEST(FontconfigResolver, FamiliesAreFoundByTheirJapaneseAndEnglishNames) {
  FontconfigResolver& resolver = SharedFontResolver();
  EXPECT_EQ(resolver.Resolve("IPAex明朝").file, resolver.Resolve("IPAexMincho").file);
  EXPECT_EQ(resolver.Resolve("IPAexゴシック").file, resolver.Resolve("IPAexGothic").file);
  EXPECT_NE(resolver.Resolve("IPAexMincho").file, resolver.Resolve("IPAexGothic").file);
  EXPECT_EQ(resolver.Resolve("IPAMincho").family, "IPAMincho");
  EXPECT_EQ(resolver.Resolve("OCR B").family, "OCR B");
}

TEST(FontconfigResolver, AFaceTheSystemLacksGetsTheNearestJapaneseFace) {
  FontconfigResolver& resolver = SharedFontResolver();
  for (const char* name : {"HG正楷書体-PRO", "No Such Face", ""}) {
    ResolvedFace r = resolver.Resolve(name);
    EXPECT_FALSE(r.file.empty()) << name;
    EXPECT_TRUE(HasGlyphs(r, {U'漢', U'か'})) << name << " -> " << r.family;
  }
}

TEST(FontconfigResolver, FamilyListHoldsBothNamesOnceInAStableOrder) {
  FontconfigResolver& resolver = SharedFontResolver();
  std::vector<std::string> names = resolver.FamilyNames();
  for (const char* n : {"IPAexMincho", "IPAex明朝", "IPAexGothic", "IPAexゴシック", "OCR B"})
    EXPECT_EQ(std::count(names.begin(), names.end(), n), 1) << n;
  EXPECT_EQ(names, resolver.FamilyNames());
  // The aliases are no families of their own.
  EXPECT_EQ(std::count(names.begin(), names.end(), "ＭＳ 明朝"), 0);
}

// Spans collected into a set of ink pixels.
struct InkSink : SpanSink {
  std::vector<std::array<int, 3>> spans;
  void Span(int y, int x0, int x1) override { spans.push_back({y, x0, x1}); }
  int minX() const { int v = INT_MAX; for (auto& s : spans) v = std::min(v, s[1]); return v; }
  int maxX() const { int v = INT_MIN; for (auto& s : spans) v = std::max(v, s[2]); return v; }  // exclusive
  int minY() const { int v = INT_MAX; for (auto& s : spans) v = std::min(v, s[0]); return v; }
  int maxY() const { int v = INT_MIN; for (auto& s : spans) v = std::max(v, s[0]); return v; }
  long pixels() const { long n = 0; for (auto& s : spans) n += s[2] - s[1]; return n; }
};

FontSpec Font(const char* face, int height, int width = 0, int escapement = 0) {
  FontSpec f;
  f.face = face;
  f.height = height;
  f.width = width;
  f.escapement = escapement;
  return f;
}

TEST(GdiFontSize, PositiveHeightIsTheCellOfTheWindowsMetrics) {
  FreeTypeRasterizer r;
  // IPAexMincho: 2048 units per em, Windows ascent 1876 and descent 571.
  TextMetrics m = r.Metrics(Font("IPAexMincho", 40));
  EXPECT_EQ(m.emY, 33);
  EXPECT_EQ(m.ascent, 30);
  EXPECT_EQ(m.descent, 9);
  // IPAexGothic: ascent 1802, descent 401.
  m = r.Metrics(Font("IPAexGothic", 40));
  EXPECT_EQ(m.ascent + m.descent, 40);
  // A negative height is the em.
  m = r.Metrics(Font("IPAexMincho", -33));
  EXPECT_EQ(m.emY, 33);
  EXPECT_EQ(m.ascent, 30);
  // Width: the average character width (974 units) at the em, stretched.
  m = r.Metrics(Font("IPAexMincho", 40, 32));
  EXPECT_EQ(m.averageWidth, 16);
  EXPECT_DOUBLE_EQ(m.emX, 33 * 2.0);
  // Damaged sizes stay bounded.
  m = r.Metrics(Font("IPAexMincho", INT_MIN, INT_MIN));
  EXPECT_LE(m.emY, 4096);
  EXPECT_LE(m.emX, 4096);
}


TEST(FreeTypeRasterizer, GlyphSitsOnTheBaselineOneAscentBelowTheCellTop) {
  FreeTypeRasterizer r;
  for (const char* face : {"IPAexMincho", "IPAexGothic", "OCR B"}) {
    for (int height : {40, 80}) {
      FontSpec f = Font(face, height);
      TextMetrics m = r.Metrics(f);
      UnitBox box = BoxOf(m.file, 'H');
      auto px = [&](long units, double em) { return int(std::lround(units * em / box.upem)); };
      InkSink ink;
      r.Rasterize(f, "H", {100, 200}, ink);
      ASSERT_FALSE(ink.spans.empty()) << face;
      const int baseline = 200 + m.ascent;
      EXPECT_NEAR(ink.maxY(), baseline - 1 - px(box.yMin, m.emY), 1) << face << " " << height;
      EXPECT_NEAR(ink.minY(), baseline - px(box.yMax, m.emY), 1) << face << " " << height;
      EXPECT_NEAR(ink.minX(), 100 + px(box.xMin, m.emX), 1) << face << " " << height;
      EXPECT_NEAR(ink.maxX(), 100 + px(box.xMax, m.emX), 1) << face << " " << height;
    }
  }
}

TEST(FreeTypeRasterizer, WidthStretchesAndEscapementTurnsTheGlyph) {
  FreeTypeRasterizer r;
  InkSink natural, wide, turned;
  TextMetrics m = r.Metrics(Font("IPAexGothic", 80));
  r.Rasterize(Font("IPAexGothic", 80), "国", {0, 0}, natural);
  r.Rasterize(Font("IPAexGothic", 80, 2 * m.averageWidth), "国", {0, 0}, wide);
  int w0 = natural.maxX() - natural.minX(), w1 = wide.maxX() - wide.minX();
  int h0 = natural.maxY() - natural.minY(), h1 = wide.maxY() - wide.minY();
  EXPECT_NEAR(double(w1) / w0, 2.0, 0.1);
  EXPECT_EQ(h0, h1);
  // The box-drawing line spans the whole em: exactly the stretched em wide.
  InkSink line;
  TextMetrics mw = r.Metrics(Font("IPAexGothic", 80, 3 * m.averageWidth));
  r.Rasterize(Font("IPAexGothic", 80, 3 * m.averageWidth), "─", {0, 0}, line);
  EXPECT_NEAR(line.maxX() - line.minX(), mw.emX, 1);
  // 90 degrees counterclockwise: the cell's top edge now runs upwards from
  // the given point, so the ink lies right of it and above it.
  r.Rasterize(Font("IPAexGothic", 80, 0, 900), "国", {400, 400}, turned);
  EXPECT_NEAR(turned.maxX() - turned.minX(), h0, 2);
  EXPECT_NEAR(turned.maxY() - turned.minY(), w0, 2);
  EXPECT_GT(turned.minX(), 400);
  EXPECT_LT(turned.maxY(), 400);
  EXPECT_NEAR(turned.pixels(), natural.pixels(), natural.pixels() / 10);
}

TEST(FreeTypeRasterizer, TheSameFontAgainRendersNothingNew) {
  FreeTypeRasterizer r;
  InkSink a, b;
  r.Rasterize(Font("ＭＳ 明朝", 50), "字字", {0, 0}, a);
  EXPECT_EQ(r.GlyphsRendered(), 1u);
  r.Rasterize(Font("ＭＳ 明朝", 50), "字", {10, 10}, b);
  EXPECT_EQ(r.GlyphsRendered(), 1u);
  ASSERT_EQ(a.spans.size(), 2 * b.spans.size());
  EXPECT_EQ(a.spans[0][0], b.spans[0][0] - 10);
  r.Rasterize(Font("ＭＳ 明朝", 51), "字", {0, 0}, b);
  EXPECT_EQ(r.GlyphsRendered(), 2u);
}

TEST(FreeTypeRasterizer, CharactersNoFaceHasAndBrokenTextDoNotStopTheRun) {
  FreeTypeRasterizer r;
  InkSink ink;
  // A user-defined character (private use area) no installed face covers,
  // a malformed byte and a character after them.
  r.Rasterize(Font("標準明朝", 40), "\xEE\x80\x80\xFF" "A", {0, 0}, ink);
  EXPECT_FALSE(ink.spans.empty());
  EXPECT_EQ(r.GlyphsRendered(), 3u);
}

// How many times the process maps file.
int Mappings(const std::string& file) {
  std::ifstream maps("/proc/self/maps");
  int count = 0;
  for (std::string line; std::getline(maps, line);)
    if (line.size() > file.size() && line.compare(line.size() - file.size(), file.size(), file) == 0) ++count;
  return count;
}

// A face is read as its glyphs need it, never mapped whole: a mapped
// Japanese font counts megabytes to the process's memory.
TEST(FreeTypeRasterizer, FontFilesAreReadNotMapped) {
  const std::string file = SharedFontResolver().Resolve("ＭＳ 明朝").file;
  ASSERT_FALSE(file.empty());
  const int before = Mappings(file);
  FreeTypeRasterizer r;
  InkSink ink;
  r.Rasterize(Font("ＭＳ 明朝", 50), "請求書", {0, 0}, ink);
  EXPECT_FALSE(ink.spans.empty());
  EXPECT_EQ(Mappings(file), before);
}

}  // namespace
}  // namespace kestrel::test
