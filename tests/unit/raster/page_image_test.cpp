#include "platform/raster/raster_page_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

#include "engine/gprint.h"
#include "pdat_text.h"
#include "platform/linux/linux_platform.h"
#include "support/engine_fixture.h"
#include "support/jpeg_files.h"

namespace kestrel::test {
namespace {

TEST(RasterPageImage, ThePlatformsPageImageDrawsTextWithItsFonts) {
  auto platform = MakeLinuxPlatform();
  auto image = platform->MakePageImage();
  ASSERT_NE(image, nullptr);
  Canvas& c = image->Prepare(200, 100, 350);
  FontSpec font;
  font.height = 40;
  font.face = "IPAexGothic";
  c.SetFont(font);
  c.SetTextColour(Colour::Rgb(0, 0, 255));
  c.DrawText({10, 10}, "漢A");
  auto& raster = static_cast<RasterPageImage&>(*image).raster();
  int ink = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x) ink += raster.PixelAt(x, y) == Colour::Rgb(0, 0, 255);
  EXPECT_GT(ink, 50);
}

TEST(RasterPageImage, SavingReplacesTheFileWholeAndAFailedSaveKeepsTheOldOne) {
  TempDir dir;
  RasterPageImage image;
  Canvas& c = image.Prepare(64, 32, 350);
  c.SetPixel({1, 1}, kBlack);
  std::string path = dir.file("page.jpg"), error;
  ASSERT_TRUE(image.SaveJpeg(path, error)) << error;
  std::string first = ReadFile(path);
  EXPECT_EQ(first.substr(0, 2), "\xFF\xD8");
  image.SetJpegQuality(500);  // held at 100
  ASSERT_TRUE(image.SaveJpeg(path, error)) << error;
  EXPECT_NE(ReadFile(path), first);
  // No temporary file is left beside it.
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
  // A folder that does not exist: an error, nothing written.
  EXPECT_FALSE(image.SaveJpeg(dir.file("missing/page.jpg"), error));
  EXPECT_NE(error.find("missing"), std::string::npos);
  // A page of no size cannot be encoded.
  image.Prepare(0, 0, 350);
  EXPECT_FALSE(image.SaveJpeg(path, error));
  EXPECT_FALSE(ReadFile(path).empty());
}

// A PNG keeps every pixel as drawn, whatever the page's palette; a failed
// write leaves nothing behind.
TEST(RasterPageImage, APngFileReadsBackPixelForPixel) {
  TempDir dir;
  RasterPageImage image;
  Canvas& c = image.Prepare(37, 19, 200);
  for (int i = 0; i < 300; ++i)  // more colours than the palette holds
    c.SetPixel({i % 37, i / 37}, Colour::Rgb(uint8_t(i * 7), uint8_t(i * 13), uint8_t(255 - i)));
  std::string path = dir.file("page.png"), error;
  ASSERT_TRUE(image.SavePng(path, error)) << error;
  DecodedJpeg read;
  ASSERT_TRUE(ReadPng(path, read));
  ASSERT_EQ(read.width, 37);
  ASSERT_EQ(read.height, 19);
  int differing = 0;
  for (int y = 0; y < 19; ++y)
    for (int x = 0; x < 37; ++x) {
      const Colour drawn = image.raster().PixelAt(x, y);
      const uint8_t* got = &read.samples[(size_t(y) * 37 + size_t(x)) * 3];
      differing += got[0] != drawn.r() || got[1] != drawn.g() || got[2] != drawn.b();
    }
  EXPECT_EQ(differing, 0);
  EXPECT_FALSE(image.SavePng(dir.file("missing/page.png"), error));
  EXPECT_NE(error.find("missing"), std::string::npos);
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST(RasterPageImage, ALinkPlantedAtTheTemporaryNameIsNeverWrittenThrough) {
  TempDir dir, outside;
  const std::string victim = outside.Write("victim.txt", std::string("keep me"));
  const std::string path = dir.file("page.jpg");
  // The temporary name a writer of this process could be expected to use.
  std::filesystem::create_symlink(victim, path + ".part" + std::to_string(getpid()));
  RasterPageImage image;
  image.Prepare(64, 32, 350).SetPixel({1, 1}, kBlack);
  std::string why;
  ASSERT_TRUE(image.SaveJpeg(path, why)) << why;
  EXPECT_EQ(ReadFile(victim), "keep me");
  EXPECT_FALSE(std::filesystem::is_symlink(path));
  EXPECT_EQ(ReadFile(path).substr(0, 2), "\xFF\xD8");
}

// KESTREL_SEQUENTIAL=1 makes the platform's page images encode on one thread.
TEST(RasterPageImage, TheSequentialSwitchKeepsTheEncoderOnOneThread) {
  ::unsetenv("KESTREL_SEQUENTIAL");
  auto platform = MakeLinuxPlatform();
  auto image = platform->MakePageImage();
  EXPECT_TRUE(static_cast<RasterPageImage&>(*image).jpegSettings().split);
  ::setenv("KESTREL_SEQUENTIAL", "1", 1);
  image = platform->MakePageImage();
  ::unsetenv("KESTREL_SEQUENTIAL");
  EXPECT_FALSE(static_cast<RasterPageImage&>(*image).jpegSettings().split);
}

// A page encoded in parts on two threads is byte for byte the file one encoder
// writes, for a grey page and a colour page at each sampling, with a
// height that ends inside a row of blocks; and it reads back as the page.
TEST(RasterPageImage, APageEncodedInPartsIsTheFileOfOneEncoder) {
  TempDir dir;
  for (int sampling : {0, 444, 422, 420}) {  // 0: a grey page
    RasterCanvas page(203, 701, 350);
    // Bands of colour across the whole height (the parts' boundaries among
    // them) and rules down it, so that every block row holds ink.
    for (int y = 0; y < 701; y += 9) {
      const uint8_t v = uint8_t(y * 7 % 256);
      page.SetBrush(Brush{BrushKind::Solid, sampling == 0 ? Colour::Rgb(v, v, v) : Colour::Rgb(v, 255 - v, 90)});
      page.FillRect({0, y, 203, y + 5});
    }
    page.SetPen(Pen{sampling == 0 ? kBlack : Colour::Rgb(0, 0, 255), 1, PenStyle::Solid});
    for (int x = 3; x < 203; x += 17) {
      page.MoveTo({x, 0});
      page.LineTo({x, 701});
    }
    const std::string one = dir.file("one.jpg"), two = dir.file("two.jpg");
    std::string error;
    JpegBuffers buffers;
    ASSERT_TRUE(WriteJpeg(page, one, JpegSettings{90, sampling, false}, error)) << error;
    ASSERT_TRUE(WriteJpeg(page, two, JpegSettings{90, sampling, true}, error, &buffers)) << error;
    EXPECT_GE(buffers.parts, 2) << sampling << ": the page was not encoded in parts";
    EXPECT_EQ(ReadFile(one), ReadFile(two)) << sampling;

    DecodedJpeg read;
    ASSERT_TRUE(DecodeJpeg(two, read));
    ASSERT_EQ(read.width, 203);
    ASSERT_EQ(read.height, 701);
    EXPECT_EQ(read.components, sampling == 0 ? 1 : 3);
    long difference = 0;
    for (int y = 0; y < 701; ++y)
      for (int x = 0; x < 203; ++x) {
        const Colour c = page.PixelAt(x, y);
        difference += std::abs(read.Grey(x, y) - (c.r() + c.g() + c.b()) / 3);
      }
    // Colour halved across or down blurs the one-pixel rules a little; a
    // part joined wrongly would read back as noise.
    EXPECT_LT(double(difference) / (203 * 701), sampling == 422 || sampling == 420 ? 10.0 : 3.0) << sampling;
  }
}


// A page given to the writer both ways: each distinct block transformed once
// and every row through the encoder's own transform. The
// arithmetic is the encoder's own, so the tolerance is none: the same file
// (where they differ, the failure tells by how much the pages decode
// apart). For the bundled sample forms as the engine draws them (350 dpi,
// the product's settings) and for oracle pages of hatch and solid fills,
// lines of each style, circles (a grey page) and text, at each sampling and
// two qualities, with a width and height that end inside a block.
TEST(RasterPageImage, BlocksTransformedOnceWriteThePageOfTheEncodersOwnTransform) {
  TempDir dir;
  auto platform = MakeLinuxPlatform();
  struct Case {
    std::string name;
    std::function<void(PageImage&)> draw;
  };
  std::vector<Case> cases;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(KESTREL_SOURCE_DIR) / "examples")) {
    const std::string name = entry.path().filename().string();
    if (!name.ends_with(".pdat.txt")) continue;
    cases.push_back({name, [&dir, entry, name](PageImage& image) {
                       std::vector<uint8_t> bytes;
                       pdat::CompileError error;
                       ASSERT_TRUE(pdat::CompileText(ReadFile(entry.path().string()), &bytes, &error));
                       EngineRig rig;
                       rig.ctx->output.canvas = nullptr;
                       rig.ctx->output.jpegPages = true;
                       rig.ctx->options.suppressDebugLabel = true;
                       const std::string file = dir.Write(name + ".pdat", bytes);
                       ASSERT_EQ(gprint(*rig.ctx, file, &image, ""), 0) << rig.ctx->lastErrorMessage;
                     }});
  }
  ASSERT_GE(cases.size(), 5u);
  const HatchStyle hatches[] = {HatchStyle::Horizontal, HatchStyle::Vertical,  HatchStyle::FDiagonal,
                                HatchStyle::BDiagonal,  HatchStyle::Cross,     HatchStyle::DiagCross};
  cases.push_back({"fills", [&](PageImage& image) {
                     Canvas& c = image.Prepare(1203, 997, 350);
                     for (int i = 0; i < 60; ++i) {
                       const Colour colour = Colour::Rgb(uint8_t(i * 41), uint8_t(200 - i * 3), uint8_t(i * 13));
                       c.SetBrush(i % 3 == 0 ? Brush{BrushKind::Solid, colour}
                                             : Brush{BrushKind::Hatch, colour, hatches[i % 6]});
                       const int x = (i * 97) % 1100, y = (i * 61) % 900;
                       c.FillRect({x, y, x + 37 + i * 5, y + 29 + i * 3});
                     }
                   }});
  cases.push_back({"lines", [&](PageImage& image) {
                     Canvas& c = image.Prepare(1203, 997, 350);
                     const PenStyle styles[] = {PenStyle::Solid, PenStyle::Dash, PenStyle::Dot, PenStyle::DashDot,
                                                PenStyle::DashDotDot};
                     for (int i = 0; i < 200; ++i) {
                       c.SetPen(Pen{Colour::Rgb(uint8_t(i), 0, uint8_t(255 - i)), 1 + i % 4, styles[i % 5]});
                       c.MoveTo({(i * 37) % 1203, (i * 53) % 997});
                       c.LineTo({(i * 71) % 1203, i % 2 == 0 ? (i * 53) % 997 : (i * 29) % 997});
                     }
                   }});
  cases.push_back({"circles (grey)", [&](PageImage& image) {
                     Canvas& c = image.Prepare(1203, 997, 350);
                     for (int i = 0; i < 30; ++i) {
                       c.SetPen(Pen{Colour::Rgb(uint8_t(i * 8), uint8_t(i * 8), uint8_t(i * 8)), 1 + i % 3,
                                    PenStyle::Solid});
                       const int x = (i * 131) % 1000, y = (i * 89) % 800, r = 10 + i * 6;
                       c.Arc({x, y, x + r, y + r}, {x, y}, {x, y});
                     }
                   }});
  cases.push_back({"text", [&](PageImage& image) {
                     Canvas& c = image.Prepare(1203, 997, 350);
                     FontSpec font;
                     font.face = "IPAexGothic";
                     for (int i = 0; i < 12; ++i) {
                       font.height = 20 + i * 9;
                       c.SetFont(font);
                       c.SetTextColour(i % 2 == 0 ? kBlack : Colour::Rgb(200, 0, 40));
                       c.DrawText({5 + i * 7, 5 + i * 80}, "請求書 No.123 株式会社ケストレル商会御中");
                     }
                   }});

  // One set of buffers for every page, as a run keeps them: what a page
  // left in them must not reach the next.
  JpegBuffers reused;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    auto image = platform->MakePageImage();
    k.draw(*image);
    const RasterCanvas& page = static_cast<RasterPageImage&>(*image).raster();
    ASSERT_GT(page.Width(), 0);
    // The sample forms at the product's settings; the oracle pages at each.
    std::vector<std::pair<int, int>> settings = {{kDefaultJpegQuality, kDefaultJpegSampling}};
    if (!k.name.ends_with(".pdat.txt")) settings = {{75, 444}, {95, 444}, {75, 422}, {95, 422}, {75, 420}, {95, 420}};
    for (const auto& [quality, sampling] : settings) {
      SCOPED_TRACE(std::to_string(sampling) + " q" + std::to_string(quality));
      const std::string rows = dir.file("rows.jpg"), blocks = dir.file("blocks.jpg");
      std::string error;
      ASSERT_TRUE(WriteJpeg(page, rows, JpegSettings{quality, sampling, true, JpegTransform::Rows}, error)) << error;
      ASSERT_TRUE(WriteJpeg(page, blocks, JpegSettings{quality, sampling, true, JpegTransform::Blocks}, error, &reused)) << error;
      if (ReadFile(rows) == ReadFile(blocks)) continue;
      DecodedJpeg a, b;
      ASSERT_TRUE(DecodeJpeg(rows, a));
      ASSERT_TRUE(DecodeJpeg(blocks, b));
      ASSERT_EQ(a.samples.size(), b.samples.size());
      long total = 0;
      int most = 0;
      for (size_t i = 0; i < a.samples.size(); ++i) {
        const int d = std::abs(int(a.samples[i]) - int(b.samples[i]));
        total += d;
        most = std::max(most, d);
      }
      ADD_FAILURE() << "the files differ; decoded, they differ by " << most << " at most, "
                    << double(total) / double(a.samples.size()) << " on average";
    }
  }
}

// The default way takes blocks for the parts of a page mostly of one colour
// blocks and rows for the others, and the joined file is the one either way
// writes alone.
TEST(RasterPageImage, TheFasterWayTakesBlocksWhereAPartIsMostlyOneColour) {
  TempDir dir;
  // Four parts of 256, 256, 256 and 332 rows: a rule across the top two
  // (white but for it), one colour in every other pixel below.
  RasterCanvas page(800, 1100, 350);
  page.SetPen(Pen{Colour::Rgb(0, 0, 200), 2, PenStyle::Solid});
  page.MoveTo({0, 300});
  page.LineTo({800, 300});
  for (int y = 512; y < 1100; ++y)
    for (int x = y % 2; x < 800; x += 2) page.SetPixel({x, y}, Colour::Rgb(uint8_t(x), 90, uint8_t(y)));
  const std::string faster = dir.file("faster.jpg"), rows = dir.file("rows.jpg");
  std::string error;
  JpegBuffers buffers;
  ASSERT_TRUE(WriteJpeg(page, faster, JpegSettings{}, error, &buffers)) << error;
  ASSERT_EQ(buffers.parts, 4);
  EXPECT_EQ(buffers.blockParts, 2);
  ASSERT_TRUE(WriteJpeg(page, rows, JpegSettings{90, 444, true, JpegTransform::Rows}, error, &buffers)) << error;
  EXPECT_EQ(buffers.blockParts, 0);
  EXPECT_TRUE(ReadFile(faster) == ReadFile(rows));
}

}  // namespace
}  // namespace kestrel::test
