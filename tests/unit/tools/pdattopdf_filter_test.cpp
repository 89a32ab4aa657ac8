// pdattopdf's arguments: CUPS' filter form, the job's options against the
// page's, and the test of whether a file is print data at all.
#include <gtest/gtest.h>

#include "engine/print_data.h"
#include "filter_job.h"
#include "support/engine_fixture.h"

namespace kestrel {
namespace {

TEST(FilterArguments, TakeCupsFormCopiesAndSidesFromTheJobAndLeavePaperToThePage) {
  FilterJob job;
  std::string error;
  ASSERT_TRUE(ParseFilterArguments({"12", "lp", "Invoice", "2",
                                    "sides=two-sided-long-edge media=iso_a3_297x420mm orientation-requested=4 "
                                    "job-uuid=urn:x",
                                    "/tmp/a.pdat", "/tmp/b.pdat"},
                                   job, error))
      << error;
  EXPECT_EQ(job.jobId, "12");
  EXPECT_EQ(job.title, "Invoice");
  EXPECT_EQ(job.copies, 2);
  EXPECT_EQ(job.sides, "two-sided-long-edge");
  EXPECT_EQ(job.overridden, (std::vector<std::string>{"media=iso_a3_297x420mm", "orientation-requested=4"}));
  EXPECT_EQ(job.files, (std::vector<std::string>{"/tmp/a.pdat", "/tmp/b.pdat"}));

  // Without a file: standard input; an unknown sides value is reported, not used.
  ASSERT_TRUE(ParseFilterArguments({"1", "u", "t", "1", "sides=both"}, job, error));
  EXPECT_TRUE(job.files.empty());
  EXPECT_EQ(job.sides, "");
  EXPECT_EQ(job.unusable, std::vector<std::string>{"sides=both"});
  EXPECT_TRUE(job.overridden.empty());
}

TEST(FilterArguments, RefuseTooFewArgumentsAndCopiesThatAreNoCount) {
  FilterJob job;
  std::string error;
  EXPECT_FALSE(ParseFilterArguments({"1", "u", "t", "1"}, job, error));
  EXPECT_NE(error.find("usage"), std::string::npos);
  for (const char* copies : {"0", "-1", "x", "", "10000", "2x"}) {
    EXPECT_FALSE(ParseFilterArguments({"1", "u", "t", copies, ""}, job, error)) << copies;
  }
  EXPECT_TRUE(ParseFilterArguments({"1", "u", "t", "9999", ""}, job, error));
  EXPECT_EQ(job.copies, 9999);
}

TEST(FilterArguments, PagesAreCountedOnlyWhereNoLaterFilterCountsThem) {
  EXPECT_EQ(PageLine(3, 2, nullptr), "PAGE: 3 2");
  EXPECT_EQ(PageLine(3, 2, ""), "PAGE: 3 2");
  EXPECT_EQ(PageLine(1, 1, "application/vnd.cups-postscript").rfind("DEBUG: ", 0), 0u);
}

TEST(FilterInput, PrintDataIsAnyPageWithAKnownRecordEvenWhenPartlyDamaged) {
  auto isData = [](const std::vector<uint8_t>& bytes) { return IsPrintData(bytes.data(), bytes.size()); };
  test::PageBuilder page;
  page.Paper(0, 9, 0, 1).Line(0, 100, 100, 800, 100, 0).End();
  EXPECT_TRUE(isData(page.bytes()));
  // An End alone is a blank page; a page cut before its End still draws.
  EXPECT_TRUE(isData(std::vector<uint8_t>(16, 0xFF)));
  std::vector<uint8_t> cut = page.bytes();
  cut.resize(32);
  EXPECT_TRUE(isData(cut));
  // One unknown record among known ones: printed with its warning.
  std::vector<uint8_t> mixed = page.bytes();
  mixed[16] = 0x63;
  EXPECT_TRUE(isData(mixed));

  EXPECT_FALSE(isData({}));
  const std::string text = "This is a letter, not print data: no record of a known kind.\n";
  EXPECT_FALSE(isData(std::vector<uint8_t>(text.begin(), text.end())));
  std::vector<uint8_t> unknownThenEnd(48, 0x40);
  unknownThenEnd[32] = 0xFF;
  EXPECT_FALSE(isData(unknownThenEnd));
}

}  // namespace
}  // namespace kestrel
