// A folder run to JPEG pages with each page encoded on two threads, against
// the same run on one thread (KESTREL_SEQUENTIAL=1): the same files byte
// for byte, the same logs and the same messages in the same order.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <vector>

#include "platform/text_codec.h"
#include "support/engine_fixture.h"
#include "support/program_runner.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

// A colour page with text, a page in greys, an A5 page and a damaged page
// (no End record: a warning).
std::vector<std::vector<uint8_t>> Pages() {
  std::vector<std::vector<uint8_t>> pages;
  for (int i = 0; i < 6; ++i) {
    PageBuilder page;
    const bool grey = i % 3 == 1;
    page.Paper(0, i == 2 ? 11 : 9, 0, 1).Palette(1, grey ? 90 : 200, 90, grey ? 90 : 30);
    for (int k = 0; k < 12; ++k) {
      const auto x = uint16_t(60 + k * 95 + i * 7), y = uint16_t(80 + k * 140);
      page.Paint(1, x, y, uint16_t(x + 200), uint16_t(y + 90), uint8_t(1 + (k + i) % 15));
      page.Line(grey ? 0 : 1, 40, y, 1280, uint16_t(y + k), uint16_t(k % 2 == 0 ? 0xFFFF : 0xF0F0));
    }
    page.Circle(1, 650, 900, 0, 0, uint16_t(100 + i * 40));
    page.String(grey ? 0 : 1, 100, 1700, 0, 3, 20, 20, 0, 0);
    if (i != 4) page.End();
    page.Text(SjisFromUtf8("請求書　株式会社ケストレル商会 " + std::to_string(i)));
    pages.push_back(page.bytes());
  }
  return pages;
}

// What a run leaves: each JPEG's bytes by name, the logs' text with the
// run's date and times taken out, and what it wrote on standard error.
struct RunResult {
  int exitCode = -1;
  std::map<std::string, std::string> jpegs;
  std::string logs, err;
};

// The logs without what differs from run to run anyway: dates, times and
// the page's address in memory.
std::string WithoutTimes(std::string text) {
  static const std::regex stamp("[0-9]{8}_[0-9]{6}");
  static const std::regex clock("[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9:]{8} [0-9]{4}");
  static const std::regex address("0x[0-9a-f]+");
  text = std::regex_replace(text, stamp, "<stamp>");
  text = std::regex_replace(text, clock, "<time>");
  return std::regex_replace(text, address, "<address>");
}

// The first line where two texts differ ("" when they are equal).
std::string FirstDifference(const std::string& a, const std::string& b) {
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  if (at == a.size() && at == b.size()) return {};
  const size_t start = a.rfind('\n', at) == std::string::npos ? 0 : a.rfind('\n', at) + 1;
  return "line " + std::to_string(std::count(a.begin(), a.begin() + long(start), '\n') + 1) + ": \"" +
         a.substr(start, a.find('\n', at) - start) + "\" against \"" + b.substr(start, b.find('\n', at) - start) + "\"";
}

RunResult RunFolder(const TempDir& base, bool sequential) {
  RunResult result;
  ProgramRun r = RunProgramAndWait(KESTREL_PROGRAM, {"-h", "1", "-p", base.file("data") + ",0"},
                                   {{"KESTREL_BASE", base.path().string() + "/"},
                                    {"KESTREL_NO_CUPS", "1"},
                                    {"KESTREL_UI", "headless"},
                                    {"KESTREL_MESSAGES", ""},
                                    {"DISPLAY", ""},
                                    {"KESTREL_SEQUENTIAL", sequential ? "1" : "0"}},
                                   120);
  result.exitCode = r.exitCode;
  result.err = r.err;
  for (const auto& e : fs::directory_iterator(base.path() / "data")) {
    if (e.path().extension() != ".jpg") continue;
    result.jpegs[e.path().filename().string()] = ReadFile(e.path().string());
    fs::remove(e.path());
  }
  // The logs, by name, are taken away, so that the next run starts its own.
  std::vector<fs::path> logs;
  for (const auto& e : fs::directory_iterator(base.path() / "zoq" / "plog")) logs.push_back(e.path());
  std::sort(logs.begin(), logs.end());
  for (const auto& log : logs) {
    result.logs += log.filename().string().substr(0, 4) + ":\n" + Utf8FromSjis(ReadFile(log.string()));
    fs::remove(log);
  }
  result.logs = WithoutTimes(result.logs);
  return result;
}

TEST(FolderRun, PagesEncodedOnTwoThreadsGiveTheFilesAndLogsOfOneThread) {
  TempDir base;
  fs::create_directories(base.path() / "zoq");
  base.Write("zoq/kestrel.inf", std::string("[SETTING]\r\n$jpeg=1\r\n$jdpi=150\r\n$plog=1\r\n$pbar=1\r\n"));
  const auto pages = Pages();
  for (size_t i = 0; i < pages.size(); ++i) base.Write("data/p" + std::to_string(i) + ".pdat", pages[i]);

  const RunResult one = RunFolder(base, true);
  const RunResult two = RunFolder(base, false);
  ASSERT_EQ(one.exitCode, 0) << one.err;
  EXPECT_EQ(two.exitCode, one.exitCode) << two.err;
  ASSERT_EQ(one.jpegs.size(), pages.size());
  ASSERT_EQ(two.jpegs.size(), pages.size());
  for (const auto& [name, bytes] : one.jpegs) {
    EXPECT_GT(bytes.size(), 1000u) << name;
    EXPECT_TRUE(two.jpegs.at(name) == bytes) << name << " differs between the runs";
  }
  EXPECT_NE(one.logs.find("【TJPEGImage処理】"), std::string::npos) << one.logs;
  EXPECT_EQ(FirstDifference(one.logs, two.logs), "");
  EXPECT_NE(one.err.find("[warning]"), std::string::npos) << one.err;  // the damaged page
  EXPECT_EQ(FirstDifference(one.err, two.err), "");
}

}  // namespace
}  // namespace kestrel::test
