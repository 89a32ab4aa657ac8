#include "engine/gprint.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <regex>

#include "engine/coordinates.h"
#include "engine/engine_log.h"
#include "support/engine_fixture.h"
#include "platform/text_codec.h"

namespace kestrel::test {
namespace {

std::string Utf8Log(const std::string& path) { return Utf8FromSjis(ReadFile(path)); }

TEST(JisToSjis, ConvertsTheExamplePairs) {
  struct Case {
    std::vector<uint8_t> in, out;
  } cases[] = {
      {{0x30, 0x21}, {0x88, 0x9F}}, {{0x24, 0x22}, {0x82, 0xA0}}, {{0x21, 0x21}, {0x81, 0x40}},
      {{0x76, 0x21}, {0xF7, 0x9F}}, {{0x77, 0x21}, {0xF8, 0x40}},
      {{0x24, 0x22, 0x24, 0x24}, {0x82, 0xA0, 0x82, 0xA2}},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> out(c.in.size() + 1, 0);
    JisToSjis(c.in.data(), c.in.size(), out.data());
    out.pop_back();
    EXPECT_EQ(out, c.out);
  }
}

TEST(JisToSjis, StopsAtTheFirstPairThatDoesNotConvert) {
  const uint8_t in[] = {0x24, 0x22, 0x20, 0x24, 0x24, 0x21};
  uint8_t out[7] = {};
  JisToSjis(in, sizeof in, out);
  // The pair after the space converts but sits behind a zero byte; an odd
  // last byte meets the NUL and is dropped.
  EXPECT_EQ(out[0], 0x82);
  EXPECT_EQ(out[1], 0xA0);
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out)).size(), 2u);
}

class GprintTest : public ::testing::Test {
 protected:
  TempDir dir;
  EngineRig rig;
  PrintContext& ctx() { return *rig.ctx; }
  std::string logPath() { return dir.file("plog.txt"); }
  void SetUp() override {
    ctx().SetLogFileName(logPath());
    ctx().options.exceptionLogPath = dir.file("CriticalPLOG.txt");
    ctx().options.offsetFilePath = dir.file("pofset.txt");
    ctx().options.ocrChoiceFilePath = dir.file("pfont.txt");
    ctx().page.lastFile = 1;
  }
};

TEST_F(GprintTest, StringTextsAreLookedUpBehindTheEndRecordAndConvertedForJisClasses) {
  PageBuilder page;
  page.String(0, 10, 10, 1, 3, 20, 20, 20, 0).String(0, 10, 10, 1, 1, 20, 20, 20, 0).End();
  int32_t at = page.Text("\x24\x22\x24\x24");
  ASSERT_EQ(gprint(ctx(), dir.Write("a.pdat", page.bytes()), nullptr, "0"), 0);
  EXPECT_EQ(ctx().page.commandCount, 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(GetStringText(ctx(), at, true))), "\x82\xA0\x82\xA2");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(GetStringText(ctx(), at, false))), "\x24\x22\x24\x24");
  EXPECT_EQ(ctx().page.counts.string, 2);
}

// Resident memory of this process, in bytes.
long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// The command area (9.6 MB) and the text buffer (600 KB) cost memory only
// where a page's data and texts reach.
TEST(PrintContextMemory, TheBigAreasCostOnlyWhatIsUsed) {
  const long before = ResidentBytes();
  auto page = std::make_unique<PageState>();
  auto strings = std::make_unique<StringState>();
  EXPECT_LT(ResidentBytes() - before, 256 * 1024);
}

// The character conversions of a job's strings cost memory for the
// characters met, not for the whole table of pairs (512 KB).
TEST_F(GprintTest, ConvertedCharactersCostOnlyTheirSlots) {
  PageBuilder plain;
  plain.Line(0, 10, 10, 100, 10, 0xFFFF).End();
  ASSERT_EQ(gprint(ctx(), dir.Write("a.pdat", plain.bytes()), nullptr, "0"), 0);
  PageBuilder page;
  page.String(0, 10, 10, 1, 3, 20, 20, 20, 0).End();
  page.Text("\x30\x21\x30\x22");
  const std::string file = dir.Write("b.pdat", page.bytes());
  const long before = ResidentBytes();
  ASSERT_EQ(gprint(ctx(), file, nullptr, "0"), 0);
  EXPECT_LT(ResidentBytes() - before, 256 * 1024);
}

TEST_F(GprintTest, TextOffsetsOutsideTheDataGiveEmptyTextsAndTextsStopAtTheEndOfTheData) {
  PageBuilder page;
  page.End();
  page.Text("ABC", false);  // no terminating NUL: the file ends inside the text
  ASSERT_EQ(gprint(ctx(), dir.Write("a.pdat", page.bytes()), nullptr, "0"), 0);
  auto text = [&](int32_t off, bool conv) {
    return std::string(reinterpret_cast<const char*>(GetStringText(ctx(), off, conv)));
  };
  EXPECT_EQ(text(0, false), "ABC");
  EXPECT_EQ(text(2, false), "C");
  EXPECT_EQ(text(3, false), "");
  EXPECT_EQ(text(-1, false), "");
  EXPECT_EQ(text(0x7FFFFFFF, true), "");
  EXPECT_EQ(text(-0x7FFFFFFF - 1, true), "");
}

TEST_F(GprintTest, ASingleFileJobStartsAndEndsOneDocumentAndKeepsPageNumberZero) {
  PageBuilder page;
  page.Paper(0, 140, 140, 1).Palette(0, 1, 2, 3).Line(0, 0, 0, 100, 100, 0xFFFF).End();
  ASSERT_EQ(gprint(ctx(), dir.Write("a.pdat", page.bytes()), nullptr, "0"), 0);
  EXPECT_EQ(ctx().page.pageNumber, 0);
  EXPECT_EQ(ctx().page.colorTable[0], Colour::Rgb(1, 2, 3));
  EXPECT_EQ(ctx().page.counts.palette, 1);
  EXPECT_EQ(ctx().page.counts.line, 1);
  const auto& ev = rig.printers.events();
  ASSERT_FALSE(ev.empty());
  EXPECT_EQ(std::count(ev.begin(), ev.end(), "EndDoc"), 1);
  EXPECT_EQ(std::count_if(ev.begin(), ev.end(), [](auto& e) { return e.rfind("BeginDoc", 0) == 0; }), 1);
  EXPECT_NE(std::find(ev.begin(), ev.end(), "BeginDoc " + dir.file("a.pdat")), ev.end());
}

TEST_F(GprintTest, ABatchOfThreeFilesMakesOneDocumentWithThreeSheets) {
  PageBuilder page;
  page.Paper(0, 140, 140, 1).End();
  std::string file = dir.Write("a.pdat", page.bytes());
  ctx().options.batchMode = 1;
  for (int i = 0; i < 3; ++i) {
    ctx().page.lastFile = i == 2 ? 1 : 0;
    ASSERT_EQ(gprint(ctx(), file, nullptr, "0"), 0) << ctx().lastErrorMessage;
  }
  const auto& ev = rig.printers.events();
  EXPECT_EQ(std::count_if(ev.begin(), ev.end(), [](auto& e) { return e.rfind("BeginDoc", 0) == 0; }), 1);
  EXPECT_EQ(std::count(ev.begin(), ev.end(), "NewSheet"), 2);
  EXPECT_EQ(std::count(ev.begin(), ev.end(), "EndDoc"), 1);
  EXPECT_EQ(ctx().page.pageNumber, 2);
}

TEST_F(GprintTest, AMissingFileFailsBeforeThePrinterIsChosen) {
  EXPECT_EQ(gprint(ctx(), dir.file("missing.pdat"), nullptr, "0"), -1);
  EXPECT_EQ(ctx().lastErrorMessage, "印刷データオープンまたは読み込みで例外発生(" + dir.file("missing.pdat") + ") \n");
  EXPECT_TRUE(rig.printers.events().empty());
  EXPECT_NE(Utf8Log(logPath()).find("印刷データオープンまたは読み込みで例外発生"), std::string::npos);
}

TEST_F(GprintTest, APipeOrAFolderIsNoPrintDataAndFailsAtOnce) {
  // A pipe without a writer would hold the open forever.
  std::string pipe = dir.file("pipe.pdat");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(gprint(ctx(), pipe, nullptr, "0"), -1);
  EXPECT_EQ(ctx().lastErrorMessage, "印刷データオープンまたは読み込みで例外発生(" + pipe + ") \n");
  EXPECT_EQ(gprint(ctx(), dir.path().string(), nullptr, "0"), -1);
  EXPECT_TRUE(rig.printers.events().empty());
}

TEST_F(GprintTest, EmptyFilesAndFilesWithoutEndRunEveryPassWithoutEndLines) {
  ASSERT_EQ(gprint(ctx(), dir.Write("empty.pdat", std::string()), nullptr, "0"), 0);
  std::string log = Utf8Log(logPath());
  EXPECT_EQ(log.find("【gprint_pallet処理終了】"), std::string::npos);
  EXPECT_EQ(log.find("【gprint_paint処理終了】"), std::string::npos);
  EXPECT_EQ(ctx().page.commandCount, 0);
  EXPECT_NE(log.find("(0byte)"), std::string::npos);
}

TEST_F(GprintTest, RecordsAfterEndAreNeverExecuted) {
  PageBuilder page;
  page.Palette(1, 9, 9, 9).End().Palette(2, 7, 7, 7).Line(0, 0, 0, 5, 5, 0xFFFF);
  ASSERT_EQ(gprint(ctx(), dir.Write("a.pdat", page.bytes()), nullptr, "0"), 0);
  EXPECT_EQ(ctx().page.counts.palette, 1);
  EXPECT_EQ(ctx().page.counts.line, 0);
  EXPECT_EQ(ctx().page.colorTable[2], Colour{});
  EXPECT_EQ(ctx().page.commandCount, 1);
}

TEST_F(GprintTest, FilesLongerThanTheCommandAreaAreCut) {
  // 600,001 palette records: the last one lies beyond 9,600,000 bytes.
  std::string bytes(kCommandAreaBytes + 16, '\0');
  for (size_t i = 0; i < bytes.size(); i += 16) {
    bytes[i] = 17;
    bytes[i + 1] = 3;
    bytes[i + 2] = char(i / 16 == kMaxCommands ? 200 : 1);
  }
  ASSERT_EQ(gprint(ctx(), dir.Write("big.pdat", bytes), nullptr, "0"), 0);
  EXPECT_EQ(ctx().page.counts.palette, int(kMaxCommands));
  EXPECT_EQ(ctx().page.colorTable[3], Colour::Rgb(1, 0, 0));
  EXPECT_EQ(ctx().page.bytesRead, kCommandAreaBytes);
}

TEST_F(GprintTest, ALaterShorterPageSeesNothingOfTheEarlierOne) {
  PageBuilder first;
  for (int i = 0; i < 10; ++i) first.Palette(uint8_t(i), 5, 5, 5);
  ctx().options.batchMode = 1;
  ctx().page.lastFile = 0;
  ASSERT_EQ(gprint(ctx(), dir.Write("a.pdat", first.bytes()), nullptr, "0"), 0);
  PageBuilder second;
  second.Line(0, 1, 1, 2, 2, 0xFFFF);
  ctx().page.lastFile = 1;
  ASSERT_EQ(gprint(ctx(), dir.Write("b.pdat", second.bytes()), nullptr, "0"), 0);
  EXPECT_EQ(ctx().page.counts.palette, 0);
  EXPECT_EQ(ctx().page.counts.line, 1);
}

TEST_F(GprintTest, PaletteIndexesOfFiftyOrMoreAreIgnoredAndDrawInBlack) {
  PageBuilder page;
  page.Palette(50, 1, 1, 1).Palette(255, 1, 1, 1).Palette(49, 4, 5, 6).End();
  ASSERT_EQ(gprint(ctx(), dir.Write("a.pdat", page.bytes()), nullptr, "0"), 0);
  EXPECT_EQ(ColourAt(ctx(), 49), Colour::Rgb(4, 5, 6));
  EXPECT_EQ(ColourAt(ctx(), 50), kBlack);
  EXPECT_EQ(ColourAt(ctx(), 255), kBlack);
}

TEST(GprintNoPrinter, WithACallerItReportsWithoutOneTheProcessEnds) {
  TempDir dir;
  PageBuilder page;
  page.End();
  std::string file = dir.Write("a.pdat", page.bytes());
  {
    EngineRig rig(std::vector<MemoryDevice>{});
    rig.ctx->options.parentWindow = 77;
    EXPECT_EQ(gprint(*rig.ctx, file, nullptr, "0"), -1);
    EXPECT_EQ(rig.ctx->lastErrorMessage, "  ■GetProfile = -1 \n");
    EXPECT_EQ(rig.ctx->exitCode, 0);
    ASSERT_EQ(rig.ui.shown().size(), 1u);
    EXPECT_EQ(rig.ui.shown()[0], "  ■GetProfile関数エラー\nプリンタ設定に異常があります\nプリンタ設定の確認をして下さい。");
  }
  {
    EngineRig rig(std::vector<MemoryDevice>{});
    rig.ctx->options.parentWindow = 0;
    EXPECT_EQ(gprint(*rig.ctx, file, nullptr, "0"), -1);
    EXPECT_EQ(rig.ctx->exitCode, 1);
  }
}

TEST_F(GprintTest, TheDebugLabelIsDrawnOnlyWithoutACaller) {
  PageBuilder page;
  page.End();
  std::string file = dir.Write("a.pdat", page.bytes());
  ctx().options.parentWindow = 0;
  ASSERT_EQ(gprint(ctx(), file, nullptr, "0"), 0);
  auto calls = rig.canvas().calls();
  auto label = std::find_if(calls.begin(), calls.end(),
                            [](auto& c) { return c.find("DEBUG MODE :") != std::string::npos; });
  ASSERT_NE(label, calls.end());
  EXPECT_EQ(label->rfind("Text 20,20 \"DEBUG MODE :" + file + "\" font=Tahoma/-100", 0), 0u) << *label;

  rig.canvas().Clear();
  ctx().options.suppressDebugLabel = true;
  ASSERT_EQ(gprint(ctx(), file, nullptr, "0"), 0);
  for (auto& c : rig.canvas().calls()) EXPECT_EQ(c.find("DEBUG MODE"), std::string::npos);

  rig.canvas().Clear();
  ctx().options.suppressDebugLabel = false;
  ctx().options.parentWindow = 5;
  ASSERT_EQ(gprint(ctx(), file, nullptr, "0"), 0);
  for (auto& c : rig.canvas().calls()) EXPECT_EQ(c.find("DEBUG MODE"), std::string::npos);
}

TEST_F(GprintTest, ASpoolerThatRefusesTheDocumentFailsTheJobWithASystemErrorLine) {
  PageBuilder page;
  page.End();
  rig.printers.FailNextBeginDocument();
  EXPECT_EQ(gprint(ctx(), dir.Write("a.pdat", page.bytes()), nullptr, "0"), -1);
  EXPECT_NE(Utf8Log(logPath()).find("  ■BeginDocで例外が発生 (21) = GetLastError : [デバイスの準備ができていません。]\n"),
            std::string::npos);
}

TEST_F(GprintTest, RandomBytesNeverReadOutsideTheirBuffers) {
  std::mt19937 rng(1234);
  ctx().SetLogFileName("");
  ctx().log.logEnabled = 0;
  for (int round = 0; round < 40; ++round) {
    std::string bytes(size_t(rng() % 4096), '\0');
    for (auto& b : bytes) b = char(rng());
    // Make some records well-formed kinds with wild fields.
    for (size_t i = 0; i + 16 <= bytes.size(); i += 16) {
      static const uint8_t kinds[] = {1, 2, 3, 5, 16, 17, 255, 0, 4};
      bytes[i] = char(kinds[rng() % sizeof kinds]);
    }
    std::string file = dir.Write("r.pdat", bytes);
    int rc = gprint(ctx(), file, nullptr, "0");
    EXPECT_TRUE(rc == 0 || rc == -1);
    for (int k = 0; k < 8; ++k) {
      const uint8_t* t = GetStringText(ctx(), int32_t(rng() % 8192), (k & 1) != 0);
      EXPECT_LT(std::strlen(reinterpret_cast<const char*>(t)), bytes.size() + 1);
    }
  }
}

// What CheckPage finds, in record order: each damage the format forbids,
// nothing on a sound page.
std::vector<std::string> Findings(const std::vector<uint8_t>& bytes) {
  std::vector<std::string> out;
  CheckPage(bytes.data(), bytes.size(), [&](const PageFinding& f) { out.push_back(DescribeFinding(f)); });
  return out;
}

TEST(CheckPage, NamesEveryDamageAndNothingOnASoundPage) {
  PageBuilder sound;
  sound.Paper(0, 9, 0, 1).Palette(49, 1, 2, 3).String(49, 10, 10, 1, 1, 20, 20, 20, 0).End();
  sound.Text("ok");
  EXPECT_TRUE(Findings(sound.bytes()).empty());

  PageBuilder damaged;
  damaged.Line(50, 0, 0, 10, 10, 0)
      .Raw({0x41, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
      .String(0, 10, 10, 1, 1, 20, 20, 20, 3)   // past the one text byte and its NUL
      .String(0, 10, 10, 1, 1, 20, 20, 20, -1)
      .End();
  damaged.Text("x");
  damaged.Raw({0x41});  // past End: text pool, never a record
  EXPECT_EQ(Findings(damaged.bytes()),
            (std::vector<std::string>{"record 0: colour index 50 (0 to 49 allowed)", "record 1: unknown kind 65",
                                      "record 2: text offset 3 outside the data",
                                      "record 3: text offset -1 outside the data"}));

  PageBuilder endless;
  endless.Paper(0, 9, 0, 1).Line(0, 0, 0, 10, 10, 0);
  EXPECT_EQ(Findings(endless.bytes()), std::vector<std::string>{"no End record in 2 records"});
  EXPECT_EQ(Findings({}), std::vector<std::string>{"empty file"});
}

TEST_F(GprintTest, ADamagedPageStillPrintsWithOneWarningInTheLogAndToTheOperator) {
  PageBuilder page;
  page.Line(0, 100, 100, 800, 100, 0)
      .Raw({7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
      .Raw({8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
      .Line(60, 100, 200, 800, 200, 0);
  const std::string file = dir.Write("d.pdat", page.bytes());
  ASSERT_EQ(gprint(ctx(), file, nullptr, "0"), 0) << ctx().lastErrorMessage;
  const auto& calls = rig.canvas().calls();
  EXPECT_GE(std::count_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("LineTo", 0) == 0; }),
            2);  // both lines drawn
  const std::string text = "印刷データに異常があります(" + file +
                           "): Endレコードなし、未定義の種別 2件(最初はレコード1)、50以上の色番号 1件";
  EXPECT_EQ(rig.ui.warnings(), std::vector<std::string>{text});
  EXPECT_NE(Utf8Log(logPath()).find("  ■" + text + "\n"), std::string::npos) << Utf8Log(logPath());
  EXPECT_TRUE(rig.ui.shown().empty());  // no box holds the run up
}

TEST_F(GprintTest, ExtremeScalesAreHeldAtTheDrawableRangeAndTheJobLogSaysSo) {
  PageBuilder page;
  page.Paper(0, 140, 140, 1).Paint(0, 10, 10, 900, 900, 1).Line(0, 0, 0, 900, 900, 0xFFFF);
  page.Circle(0, 400, 400, 0, 0, 300).String(0, 100, 100, 0, 1, 20, 20, 30, 0).End();
  page.Text("AB");
  const std::string file = dir.Write("a.pdat", page.bytes());
  ctx().options.parentWindow = 1;  // no page label
  for (double pmag : {1e6, 1e300}) {
    ctx().options.scaleSetting = pmag;
    ctx().page.pageNumber = 0;
    ASSERT_EQ(gprint(ctx(), file, nullptr, "0"), 0) << ctx().lastErrorMessage;
  }
  const std::regex number("-?[0-9]+");
  const std::regex font("font=[^/]*/(-?[0-9]+)/(-?[0-9]+)");
  int texts = 0, arcs = 0;
  for (const std::string& call : rig.canvas().calls()) {
    for (std::sregex_iterator it(call.begin(), call.end(), number), end; it != end; ++it)
      EXPECT_LE(std::abs(std::stoll(it->str())), kDeviceLimit) << call;
    std::smatch m;
    if (std::regex_search(call, m, font)) {
      ++texts;
      EXPECT_LE(std::abs(std::stoll(m[1].str())), kDeviceSizeLimit) << call;
      EXPECT_LE(std::abs(std::stoll(m[2].str())), kDeviceSizeLimit) << call;
    }
    arcs += call.rfind("Arc ", 0) == 0;
  }
  EXPECT_EQ(texts, 4);
  EXPECT_EQ(arcs, 2);
  const std::string log = Utf8Log(logPath());
  size_t lines = 0;
  for (size_t at = log.find("描画できる範囲を超えた"); at != std::string::npos; at = log.find("描画できる範囲を超えた", at + 1))
    ++lines;
  EXPECT_EQ(lines, 2u) << log;
}

TEST_F(GprintTest, AJpegPageBeyondTheBitmapBudgetIsRefusedBeforeAnythingIsAllocated) {
  // A4 at 3400 dpi fits (28,110 x 39,752 pixels); at 3600 dpi it does not.
  EXPECT_TRUE(PageBitmapFits(MmToPixels(3400, 210), MmToPixels(3400, 297)));
  EXPECT_TRUE(PageBitmapFits(MmToPixels(2400, 297), MmToPixels(2400, 420)));
  EXPECT_FALSE(PageBitmapFits(MmToPixels(3600, 210), MmToPixels(3600, 297)));
  // A page image that fails the test when it is asked for a bitmap; its
  // own limit (a Windows DIB section's) may be below the budget.
  class NoBitmap : public PageImage {
   public:
    Canvas& Prepare(int w, int h, int) override {
      ADD_FAILURE() << "a " << w << " x " << h << " bitmap was asked for";
      return canvas_;
    }
    Canvas& canvas() override { return canvas_; }
    bool SaveJpeg(const std::string&, std::string&) override { return false; }
    bool SavePng(const std::string&, std::string&) override { return false; }
    int64_t MaxPixels(int) const override { return maxPixels; }
    RecordingCanvas canvas_;
    int64_t maxPixels = INT64_MAX;
  } image;
  PageBuilder page;
  page.Paper(0, 140, 140, 1).Line(0, 0, 0, 900, 900, 0xFFFF).End();
  const std::string file = dir.Write("a.pdat", page.bytes());
  ctx().output.jpegPages = true;
  struct Case {
    int dpi;
    int64_t imageLimit;
    const char* limitText;
  };
  for (const Case& c : {Case{5000, INT64_MAX, "上限は 1200000000 ピクセル"},
                        Case{2147483647, INT64_MAX, "上限は 1200000000 ピクセル"},
                        Case{1000, 10'000'000, "上限は 10000000 ピクセル"}}) {
    image.maxPixels = c.imageLimit;
    ctx().options.jpegDpi = c.dpi;
    ctx().page.pageNumber = 0;
    EXPECT_EQ(gprint(ctx(), file, &image, dir.path().string() + "/"), -1) << c.dpi;
    EXPECT_NE(ctx().lastErrorMessage.find("$jdpi=" + std::to_string(c.dpi)), std::string::npos)
        << ctx().lastErrorMessage;
    EXPECT_NE(ctx().lastErrorMessage.find(c.limitText), std::string::npos) << ctx().lastErrorMessage;
  }
}

}  // namespace
}  // namespace kestrel::test
