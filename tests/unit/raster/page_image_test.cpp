#include "platform/raster/raster_page_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "platform/linux/linux_platform.h"
#include "support/engine_fixture.h"

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

}  // namespace
}  // namespace kestrel::test
