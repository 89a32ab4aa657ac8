// Heavy pages: a small print-data file whose String records all point at
// one long text, so that a page of 60 KB holds millions of glyphs. Whatever
// the output (a PDF from kestrel or pdattopdf, a JPEG page, an analysis
// log), memory stays flat and every log keeps to its budget.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text_codec.h"
#include "support/engine_fixture.h"
#include "support/program_runner.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

constexpr long kFlatKiB = 64 * 1024;  // the promise: 64 MiB for any page
// A sanitizer build's peak holds the sanitizer's shadow memory and the
// freed blocks it keeps back: the bound is the release build's to check.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMeasuresMemory = false;
#else
constexpr bool kMeasuresMemory = true;
#endif

// records String records over one text of length half-width characters.
std::vector<uint8_t> HeavyPageData(int records, int length) {
  PageBuilder page;
  page.Paper(0, 140, 140, 1).Palette(0, 0, 0, 0);
  for (int i = 0; i < records; ++i) page.String(0, 20, uint16_t(40 + (i * 7) % 1800), 1, 1, 4, 8, 4, 0);
  page.End();
  std::string text;
  for (int i = 0; i < length; ++i) text += char('A' + i % 26);
  page.Text(text);
  return page.bytes();
}

class HeavyPage : public ::testing::Test {
 protected:
  void Settings(const std::string& lines) {
    fs::create_directories(base.path() / "zoq");
    base.Write("zoq/kestrel.inf", "[SETTING]\r\n" + lines);
  }
  ProgramRun Kestrel(const std::string& data, std::vector<std::pair<std::string, std::string>> env = {}) {
    env.emplace_back("KESTREL_BASE", base.path().string() + "/");
    env.emplace_back("KESTREL_NO_CUPS", "1");
    env.emplace_back("KESTREL_NO_DEBUG_LABEL", "1");
    return RunProgramAndWait(KESTREL_PROGRAM, {"-h", "1", "-p", data}, env, 300);
  }
  TempDir base, work;
};

// 1.5 million glyphs on one page (a 2.4 KB file): before the page content
// was written as it grew, the PDF writer held it all (about 125 MB here,
// 1.6 GB for 27 million glyphs).
TEST_F(HeavyPage, MillionsOfGlyphsOnOnePageKeepEveryOutputUnder64MiB) {
  const std::string data = work.Write("heavy.pdat", HeavyPageData(150, 10000));
  struct Case {
    const char* output;
    std::string settings;
  };
  for (const Case& c : {Case{"kestrel PDF", "$jpeg=0\r\n"}, Case{"pdattopdf", "$jpeg=0\r\n"},
                        Case{"JPEG page", "$jpeg=1\r\n$jdpi=200\r\n"}}) {
    SCOPED_TRACE(c.output);
    Settings(c.settings);
    const std::string output = c.output;
    ProgramRun r;
    std::string pdf = base.file("vpdf/heavy.pdf");
    if (output == "pdattopdf") {
      pdf = work.file("filter.pdf");
      r = RunProgramAndWait("/bin/sh",
                            {"-c", std::string("exec '") + PDATTOPDF_PROGRAM + "' 1 user t 1 '' '" + data + "' >'" +
                                       pdf + "'"},
                            {{"KESTREL_BASE", base.path().string() + "/"}, {"TMPDIR", work.path().string()}}, 300);
    } else {
      r = Kestrel(data);
    }
    ASSERT_EQ(r.exitCode, 0) << r.err;
    if (kMeasuresMemory) {
      EXPECT_LE(r.peakRssKiB, kFlatKiB);
    }
    std::printf("[ figures  ] %s of 1.5 million glyphs: peak RSS %.1f MiB\n", c.output, r.peakRssKiB / 1024.0);
    if (output == "JPEG page") {
      EXPECT_GT(fs::file_size(work.file("heavy.jpg")), 10000u);
      continue;
    }
    // The page's content in parts of a megabyte, one page all the same,
    // its text readable from the first glyph.
    EXPECT_NE(ReadFile(pdf).find("/Contents ["), std::string::npos);
    EXPECT_NE(Shell("pdfinfo '" + pdf + "' 2>&1").find("Pages:           1\n"), std::string::npos);
    EXPECT_EQ(Shell("pdftotext -l 1 '" + pdf + "' - 2>&1").substr(0, 26), "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  }
}

// Each glyph of an analysis run writes a block holding the whole text: a
// page of 2,000 glyphs over one text of 1,000 writes some 2.6 MB. The
// log stops at its budget (here the operator's 100,000 bytes), says so in
// itself and in the job log, keeps the page's counts, and the page prints.
TEST_F(HeavyPage, TheAnalysisLogStopsAtItsBudgetAndThePageGoesOn) {
  const std::string data = work.Write("heavy.pdat", HeavyPageData(2, 1000));
  Settings("$alog=1\r\n$jdpi=40\r\n$plog=1\r\n");
  for (const char* limit : {"", "100000"}) {
    SCOPED_TRACE(limit);
    fs::remove_all(base.path() / "zoq" / "palog");
    ProgramRun r = Kestrel(data, {{"KESTREL_ANALYSIS_LOG_LIMIT", limit}});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<fs::path> logs, jpegs;
    for (const auto& e : fs::directory_iterator(base.path() / "zoq" / "palog"))
      (e.path().extension() == ".txt" ? logs : jpegs).push_back(e.path());
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(jpegs.size(), 1u);
    const std::string log = Utf8FromSjis(ReadFile(logs[0].string()));
    const std::string cut = "解析ログが上限(100000 バイト)に達したため、以降の出力を省略しました";
    if (std::string(limit).empty()) {
      // The default budget (256 MiB) holds the whole log.
      EXPECT_GT(fs::file_size(logs[0]), 2000000u);
      EXPECT_EQ(log.find("解析ログが上限"), std::string::npos);
    } else {
      EXPECT_LE(fs::file_size(logs[0]), 100000u);
      EXPECT_GT(fs::file_size(logs[0]), 90000u);
      EXPECT_NE(log.find("########## " + cut + " ############\n"), std::string::npos);
      std::string jobLogs;
      for (const auto& e : fs::directory_iterator(base.path() / "zoq" / "plog"))
        jobLogs += Utf8FromSjis(ReadFile(e.path().string()));
      EXPECT_NE(jobLogs.find(cut + "(" + logs[0].string() + ")\n"), std::string::npos);
    }
    EXPECT_NE(log.find("【文字コマンド数】：[2]"), std::string::npos);
  }
}

}  // namespace
}  // namespace kestrel::test
