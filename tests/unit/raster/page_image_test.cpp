#include "platform/raster/raster_page_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <stdlib.h>
#include <unistd.h>

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

}  // namespace
}  // namespace kestrel::test
