// The PDF bookmark workflow on this machine alone: the sample folder
// printed to PDF writes the document and its bookmark CSV, then
// kestrel-tools runs the bookmark dialog's outliner step with the default
// outliner path (where kestrel-outliner is linked as OutlinerCmd.exe), and
// qpdf reads the outline back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "platform/text_codec.h"
#include "support/engine_fixture.h"
#include "support/program_runner.h"
#include "support/stand_in.h"
#include "util/field_splitter.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

// "title@page" of each CSV row (fields 3 and 7), in row order.
std::vector<std::string> CsvBookmarks(const std::string& path) {
  std::vector<std::string> out;
  const std::string text = ReadFile(path);
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    FieldSplitter fields;
    fields.SplitCsv(text.substr(start, end - start));
    out.push_back(Utf8FromSjis(fields.GetField(2)) + "@" + fields.GetField(6));
    start = end == std::string::npos ? text.size() : end + 2;
  }
  return out;
}

// "title@page" of each top-level outline entry as qpdf reports it.
std::vector<std::string> QpdfOutline(const std::string& pdf) {
  const std::string json = Shell("qpdf --json --json-key=outlines '" + pdf + "'");
  std::vector<std::string> out;
  const std::regex entry(R"re("destpageposfrom1": (\d+),[^{}]*?"title": "([^"]*)")re");
  for (auto it = std::sregex_iterator(json.begin(), json.end(), entry); it != std::sregex_iterator(); ++it)
    out.push_back((*it)[2].str() + "@" + (*it)[1].str());
  return out;
}

TEST(BookmarkWorkflow, AFolderPrintedToPdfGetsTheOutlineItsCsvLists) {
  TempDir base;
  const std::string root = base.path().string() + "/";
  fs::create_directories(base.path() / "zoq");
  fs::create_directories(base.path() / "data");
  base.Write("zoq/kestrel.inf", std::string("[PDF]\r\n$path=Kestrel PDF\r\n$pdfbk=1\r\n"));
  int pages = 0;
  for (const auto& e : fs::directory_iterator(std::string(KESTREL_BINARY_DIR) + "/examples")) {
    const std::string name = e.path().filename().string();
    if (name.ends_with(".pdat") || (name[0] == 'I' && name.ends_with(".txt")))
      fs::copy_file(e.path(), base.path() / "data" / name);
    pages += name.ends_with(".pdat");
  }
  ASSERT_EQ(pages, 5);
  const std::vector<std::pair<std::string, std::string>> env = {
      {"KESTREL_BASE", root}, {"KESTREL_NO_CUPS", "1"}, {"KESTREL_ANSWERS", ""}, {"DISPLAY", ""}};
  ProgramRun print = RunProgramAndWait(KESTREL_PROGRAM, {"-p", root + "data,2"}, env);
  ASSERT_EQ(print.exitCode, 0) << print.err;
  const std::string stem = root + "vpdf/2026_Kestrel_見本帳票";
  ASSERT_TRUE(fs::exists(stem + ".pdf"));

  // Where the default $OutLinerPath looks, as the build and run-samples link it.
  const fs::path outliner = base.path() / "Program Files/Antenna/Outliner/OutlinerCmd.exe";
  fs::create_directories(outliner.parent_path());
  fs::create_symlink(KESTREL_OUTLINER_PROGRAM, outliner);
  ProgramRun outline = RunProgramAndWait(KESTREL_TOOLS_PROGRAM, {"outline", stem + ".pdf", stem + ".csv"}, env);
  ASSERT_EQ(outline.exitCode, 0) << outline.err;
  EXPECT_TRUE(outline.out.ends_with("0 " + stem + "_bk.pdf\n")) << outline.out;

  const std::vector<std::string> listed = CsvBookmarks(stem + ".csv");
  EXPECT_EQ(listed.size(), 5u);
  EXPECT_EQ(QpdfOutline(stem + "_bk.pdf"), listed);
  EXPECT_EQ(Shell("qpdf --show-npages '" + stem + "_bk.pdf'"), "5\n");
  EXPECT_TRUE(QpdfOutline(stem + ".pdf").empty());
}

// The bookmark CSV is named after the PDF it belongs to: a document named
// like an earlier one is numbered, and so is its CSV (never one CSV that
// each run replaces).
TEST(BookmarkWorkflow, EachNumberedPdfGetsTheCsvOfItsOwnNumber) {
  TempDir base;
  const std::string root = base.path().string() + "/";
  fs::create_directories(base.path() / "zoq");
  fs::create_directories(base.path() / "data");
  base.Write("zoq/kestrel.inf", std::string("[PDF]\r\n$path=Kestrel PDF\r\n$pdfbk=1\r\n"));
  for (const char* name : {"invoice.pdat", "Invoice.txt"})
    fs::copy_file(std::string(KESTREL_BINARY_DIR) + "/examples/" + name, base.path() / "data" / name);
  const std::vector<std::pair<std::string, std::string>> env = {
      {"KESTREL_BASE", root}, {"KESTREL_NO_CUPS", "1"}, {"KESTREL_ANSWERS", ""}, {"DISPLAY", ""}};
  for (int run = 0; run < 3; ++run) {
    ProgramRun print = RunProgramAndWait(KESTREL_PROGRAM, {"-p", root + "data,2"}, env);
    ASSERT_EQ(print.exitCode, 0) << print.err;
  }
  std::vector<std::string> pdfs, csvs;
  for (const auto& e : fs::directory_iterator(base.path() / "vpdf")) {
    const std::string name = e.path().filename().string();
    if (name.ends_with(".pdf")) pdfs.push_back(name.substr(0, name.size() - 4));
    if (name.ends_with(".csv")) csvs.push_back(name.substr(0, name.size() - 4));
  }
  std::sort(pdfs.begin(), pdfs.end());
  std::sort(csvs.begin(), csvs.end());
  EXPECT_EQ(pdfs.size(), 3u);
  EXPECT_EQ(csvs, pdfs);
}

// kestrel-tools filing: a plug-in call with the test tab's result files.
TEST(BookmarkWorkflow, FilingCallsFromTheCommandLine) {
  TempDir base;
  const std::string root = base.path().string() + "/";
  const std::vector<std::pair<std::string, std::string>> env = {{"KESTREL_BASE", root}, {"DISPLAY", ""}};
  ProgramRun missing = RunProgramAndWait(KESTREL_TOOLS_PROGRAM, {"filing", "operate"}, env);
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.out, "-2 (the plug-in's result was not 0 (-10000: it did not run or wrote no result))\n");
  EXPECT_NE(missing.err.find("Result[-10000]"), std::string::npos) << missing.err;

  WriteStandIn(root + "Program Files/PFU/Raku2/plugin/RkLinkFolderInfo.exe",
               "printf '[RkLinkFolderInfo_Output]\\r\\nResult=0\\r\\nFolderNum=1\\r\\nCurrentFolder=C:\\\\a\\r\\n"
               "LinkFolder1=C:\\\\b\\r\\nCurrentName=A\\r\\nLinkName1=B\\r\\n' > \"$1\"");
  ProgramRun links = RunProgramAndWait(KESTREL_TOOLS_PROGRAM, {"filing", "links"}, env);
  EXPECT_EQ(links.exitCode, 0) << links.err;
  EXPECT_EQ(links.out, "C:\\a\tA\nC:\\b\tB\n0\n");
  EXPECT_EQ(RunProgramAndWait(KESTREL_TOOLS_PROGRAM, {"filing", "edit", "x"}, env).exitCode, 2);
}

}  // namespace
}  // namespace kestrel::test
