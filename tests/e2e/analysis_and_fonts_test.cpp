// The analysis run without a window (kestrel-tools analyse and its
// exclusion options) and the font settings form's save as the printed page
// shows it.
#include <gtest/gtest.h>

#include <filesystem>

#include "fonts/font_set.h"
#include "platform/text_codec.h"
#include "support/engine_fixture.h"
#include "support/jpeg_files.h"
#include "support/program_runner.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

class AnalysisAndFonts : public ::testing::Test {
 protected:
  TempDir base;
  void SetUp() override { fs::create_directories(base.path() / "zoq"); }
  std::vector<std::pair<std::string, std::string>> Env() {
    return {{"KESTREL_BASE", base.path().string() + "/"},
            {"KESTREL_NO_CUPS", "1"},
            {"KESTREL_NO_DEBUG_LABEL", "1"},
            {"KESTREL_ANSWERS", ""},
            {"DISPLAY", ""}};
  }
  std::string Analyse(std::vector<std::string> options) {
    options.insert(options.begin(), {"analyse", data});
    ProgramRun r = RunProgramAndWait(KESTREL_TOOLS_PROGRAM, options, Env());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // The status, then the log written.
    size_t cut = r.out.find('\n');
    EXPECT_EQ(r.out.substr(0, cut), "0");
    std::string log = r.out.substr(cut + 1);
    if (!log.empty() && log.back() == '\n') log.pop_back();
    EXPECT_TRUE(log.find('\n') == std::string::npos) << r.out;
    return Utf8FromSjis(ReadFile(log));
  }
  std::string data = [this] {
    PageBuilder page;
    page.Paper(0, 9, 0, 1)
        .Palette(1, 0, 0, 0)
        .Paint(1, 100, 100, 400, 200, 3)
        .Line(1, 100, 300, 800, 300, 0xFFFF)
        .Line(1, 100, 400, 800, 400, 0x3333)
        .Circle(1, 500, 600, 0, 0, 80)
        .String(1, 100, 800, 1, 1, 12, 24, 12, 0)
        .End();
    page.Text("AB");
    return base.Write("page.pdat", page.bytes());
  }();
};

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST_F(AnalysisAndFonts, AnalyseLeavesTheExcludedBlocksOutOfTheLog) {
  const std::string all = Analyse({});
  EXPECT_EQ(Count(all, "【塗り潰し】：色(0x0), パターン(3)"), 1u) << all;
  EXPECT_EQ(Count(all, "【線】"), 2u);
  EXPECT_EQ(Count(all, "【円】"), 1u);
  EXPECT_EQ(Count(all, "【半角文字】"), 2u);

  const std::string filtered = Analyse({"--exclude-lines", "1", "--exclude-circles", "--exclude-fonts", "2"});
  EXPECT_EQ(Count(filtered, "【塗り潰し】：色(0x0), パターン(3)"), 1u);
  EXPECT_EQ(Count(filtered, "【線】"), 1u);
  EXPECT_EQ(Count(filtered, "【線】：色(0x0), パターン(0x3)"), 1u);  // the dotted line stays
  EXPECT_EQ(Count(filtered, "【円】"), 0u);
  EXPECT_EQ(Count(filtered, "【半角文字】"), 0u);  // a Mincho string

  // Character classes: half-width alphanumerics ("AB") are class 1.
  const std::string chars = Analyse({"--exclude-chars", "2,1"});
  EXPECT_EQ(Count(chars, "【半角文字】"), 0u);
  EXPECT_EQ(Count(chars, "【線】"), 2u);

  const std::string fills = Analyse({"--exclude-patterns", "1,3"});
  EXPECT_EQ(Count(fills, "【塗り潰し】"), 0u);
  EXPECT_EQ(Count(fills, "【線】"), 2u);

  ProgramRun wrong = RunProgramAndWait(KESTREL_TOOLS_PROGRAM, {"analyse", data, "--exclude-lines", "6"}, Env());
  EXPECT_EQ(wrong.exitCode, 2);
  ProgramRun missing = RunProgramAndWait(KESTREL_TOOLS_PROGRAM, {"analyse", base.file("none.pdat")}, Env());
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.out.rfind("3 (the file was not analysed", 0), 0u) << missing.out;
}

// A Mincho string printed after the form saved a Gothic face for Mincho
// looks exactly like the same string printed as Gothic.
TEST_F(AnalysisAndFonts, AFaceSavedInTheFontFormIsTheFaceOfThePrintedPage) {
  auto page = [&](const std::string& name, uint8_t typeface) {
    PageBuilder b;
    b.Paper(0, 9, 0, 1).Palette(1, 0, 0, 0).String(1, 100, 100, typeface, 1, 24, 48, 24, 0).End();
    b.Text("AgH");
    return base.Write(name, b.bytes());
  };
  const std::string mincho = page("mincho.pdat", 1), gothic = page("gothic.pdat", 3);
  const std::string settings = base.file("zoq/kestrel.inf");
  base.Write("zoq/kestrel.inf", std::string("[SETTING]\r\n$jpeg=1\r\n$jdpi=100\r\n"));
  auto print = [&](const std::string& file) {
    ProgramRun r = RunProgramAndWait(KESTREL_PROGRAM, {"-p", file}, Env());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    DecodedJpeg jpeg;
    EXPECT_TRUE(DecodeJpeg(fs::path(file).replace_extension(".jpg").string(), jpeg));
    return jpeg.samples;
  };
  const auto minchoBefore = print(mincho);
  const auto gothicPage = print(gothic);
  ASSERT_FALSE(minchoBefore.empty());
  ASSERT_NE(minchoBefore, gothicPage);

  MemoryDevice printer = StandardDevice("Office");
  printer.fonts = {"IPAMincho", "IPAGothic"};
  MemoryPrintSystem printers({printer});
  HeadlessUi ui({}, {});
  TFontSet form(ui, printers, settings);
  form.Select(TFontSet::ComboBox1, 3);
  ASSERT_EQ(form.SelectedFace(TFontSet::ComboBox1), "IPAGothic");
  ASSERT_TRUE(form.BitBtn1Click());

  EXPECT_EQ(print(mincho), gothicPage);
}

}  // namespace
}  // namespace kestrel::test
