// kestrel-outliner's work: bookmark CSV rows into a PDF's outline.
#include "pdf_outline.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <filesystem>

#include "pdf/bookmark_csv.h"
#include "platform/text_codec.h"
#include "support/engine_fixture.h"

namespace kestrel {
namespace {

using test::ReadFile;
using test::TempDir;
namespace fs = std::filesystem;

// A PDF of n blank A4 pages.
std::string BlankPdf(const TempDir& dir, const std::string& name, int pages) {
  const std::string path = dir.file(name);
  QPDF pdf;
  pdf.emptyPDF();
  QPDFPageDocumentHelper helper(pdf);
  for (int i = 0; i < pages; ++i)
    helper.addPage(pdf.makeIndirectObject(
                       QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 595 842] /Resources << >> >>")),
                   false);
  QPDFWriter writer(pdf, path.c_str());
  writer.write();
  return path;
}

// The outline's top-level entries as "title@page" (1-based pages).
std::vector<std::string> Outline(const std::string& path) {
  QPDF pdf;
  pdf.processFile(path.c_str());
  std::vector<QPDFObjGen> pages;
  for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) pages.push_back(page.getObjectHandle().getObjGen());
  std::vector<std::string> out;
  QPDFOutlineDocumentHelper outlines(pdf);
  for (auto& item : outlines.getTopLevelOutlines()) {
    const QPDFObjGen target = item.getDestPage().getObjGen();
    size_t index = 0;
    while (index < pages.size() && pages[index] != target) ++index;
    out.push_back(item.getTitle() + "@" + std::to_string(index + 1));
  }
  return out;
}

std::string Csv(const std::vector<std::pair<std::string, std::string>>& rows) {
  std::string text;
  int seq = 1;
  for (auto& [title, page] : rows) text += BookmarkCsvRow(seq++, SjisFromUtf8(title), page);
  return text;
}

class Outliner : public ::testing::Test {
 protected:
  TempDir dir;
  std::string error;
  bool Run(const std::string& src, const std::string& csv, const std::string& out) {
    std::vector<Bookmark> marks;
    return ReadBookmarkCsv(csv, marks, error) && AddBookmarks(src, out, marks, error);
  }
};

TEST_F(Outliner, EveryRowBecomesAnEntryInRowOrderWithItsPage) {
  const std::string src = BlankPdf(dir, "a.pdf", 5);
  const std::string csv = dir.Write("a.csv", Csv({{"請求書 \"A\"", "3"}, {"文字種の見本", "1"}, {"", "5"},
                                                  {"請求書 \"A\"", "3"}}));
  ASSERT_TRUE(Run(src, csv, dir.file("a_bk.pdf"))) << error;
  EXPECT_EQ(Outline(dir.file("a_bk.pdf")),
            (std::vector<std::string>{"請求書 \"A\"@3", "文字種の見本@1", "@5", "請求書 \"A\"@3"}));
  EXPECT_TRUE(Outline(src).empty());  // the source is left as it was

  // Run again on the result: the new entries follow the ones there.
  const std::string more = dir.Write("b.csv", "\"9\",\"0\",\"x\",\"#000000\",\"0\",\"1\",\"2\"\n");
  ASSERT_TRUE(Run(dir.file("a_bk.pdf"), more, dir.file("a_bk.pdf"))) << error;
  auto outline = Outline(dir.file("a_bk.pdf"));
  ASSERT_EQ(outline.size(), 5u);
  EXPECT_EQ(outline.back(), "x@2");
  // Only the finished file is left: no temporary beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 4);
}

TEST_F(Outliner, FaultsWriteNothingAndSayWhy) {
  const std::string src = BlankPdf(dir, "a.pdf", 2);
  const std::string out = dir.file("o.pdf");
  EXPECT_FALSE(Run(src, dir.Write("c.csv", Csv({{"a", "1"}, {"b", "3"}})), out));
  EXPECT_EQ(error, "bookmark row 2: page 3 is past the end of " + src + " (2 pages)");
  EXPECT_FALSE(Run(src, dir.Write("d.csv", Csv({{"a", "x"}})), out));
  EXPECT_EQ(error, dir.file("d.csv") + " row 1: page \"x\" is not a page number");
  EXPECT_FALSE(Run(src, dir.file("none.csv"), out));
  EXPECT_EQ(error, dir.file("none.csv") + ": no such file");
  EXPECT_FALSE(Run(dir.file("none.pdf"), dir.file("c.csv"), out));
  EXPECT_EQ(error, dir.file("none.pdf") + ": no such file");
  const std::string damaged = dir.Write("bad.pdf", std::string("%PDF-1.4\nthis is no pdf\n"));
  EXPECT_FALSE(Run(damaged, dir.Write("e.csv", Csv({{"a", "1"}})), out));
  EXPECT_EQ(error.rfind(damaged + ": not a readable PDF", 0), 0u) << error;
  EXPECT_FALSE(fs::exists(out));
  // An output folder that is missing: the message, and no temporary file left.
  EXPECT_FALSE(Run(src, dir.file("e.csv"), dir.file("no-folder/o.pdf")));
  EXPECT_EQ(error.rfind(dir.file("no-folder/o.pdf") + ": cannot be written", 0), 0u) << error;
  for (auto& entry : fs::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos);
}

}  // namespace
}  // namespace kestrel
