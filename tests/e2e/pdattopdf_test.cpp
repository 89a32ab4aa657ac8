// pdattopdf run as CUPS runs it, without a server: a PDF on standard output
// with the pages kestrel draws on the built-in device, log lines with CUPS'
// prefixes, and nothing written outside its folder in $TMPDIR.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "support/engine_fixture.h"
#include "support/program_runner.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

std::string Sample(const std::string& name) { return std::string(KESTREL_BINARY_DIR) + "/examples/" + name; }

std::vector<std::string> FilesUnder(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(folder)) names.push_back(e.path().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Where the first word of a PDF's first page begins, in points from the left.
double FirstWordLeft(const std::string& pdf) {
  const std::string boxes = Shell("pdftotext -bbox -f 1 -l 1 '" + pdf + "' -");
  const auto at = boxes.find("<word xMin=\"");
  return at == std::string::npos ? -1 : std::atof(boxes.c_str() + at + 12);
}

class FilterProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(base.path() / "zoq");
    base.Write("zoq/kestrel.inf", std::string("[SETTING]\r\n$plog=1\r\n"));
  }
  // Runs the filter with stdin from a file (or /dev/null), its PDF to out.pdf.
  ProgramRun Filter(const std::string& args, const std::string& input = "/dev/null") {
    return RunProgramAndWait("/bin/sh",
                             {"-c", std::string("exec '") + PDATTOPDF_PROGRAM + "' " + args + " <'" + input + "' >'" +
                                        work.file("out.pdf") + "'"},
                             {{"KESTREL_BASE", base.path().string() + "/"}, {"TMPDIR", tmp.path().string()}});
  }
  std::string Pdf() const { return work.file("out.pdf"); }
  TempDir base, tmp, work;
};

TEST_F(FilterProgram, DrawsTheFilesAsOneDocumentOfTheirOwnPapersAndWritesOnlyInItsFolder) {
  const std::vector<std::string> before = FilesUnder(base.path());
  ProgramRun r = Filter("7 user Forms 2 'media=iso_a3_297x420mm' '" + Sample("invoice.pdat") + "' '" +
                        Sample("sales-ledger-b4.pdat") + "'");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("PAGE: 1 2\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("PAGE: 2 2\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("DEBUG: media=iso_a3_297x420mm not applied"), std::string::npos) << r.err;
  // One document, as a -p list prints it: the paper of its first page.
  std::string sizes = Shell("pdfinfo -f 1 -l 2 '" + Pdf() + "'");
  EXPECT_NE(sizes.find("Pages:           2"), std::string::npos) << sizes;
  EXPECT_NE(sizes.find("Page    2 size:  595.276 x 841.89 pts (A4)"), std::string::npos) << sizes;
  // Alone, the ledger has its own paper and orientation, whatever the job's media.
  ASSERT_EQ(Filter("8 user Ledger 1 'media=iso_a4_210x297mm' '" + Sample("sales-ledger-b4.pdat") + "'").exitCode, 0);
  sizes = Shell("pdfinfo '" + Pdf() + "'");
  EXPECT_NE(sizes.find("Page size:       1031.81 x 728.504 pts"), std::string::npos) << sizes;
  // No file of the base folder written (its program log is on), nothing left in $TMPDIR.
  EXPECT_EQ(FilesUnder(base.path()), before);
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST_F(FilterProgram, StandardInputGivesThePagesKestrelDrawsOnTheBuiltInDevice) {
  ProgramRun r = Filter("1 user t 1 ''", Sample("invoice.pdat"));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ProgramRun k = RunProgramAndWait(KESTREL_PROGRAM, {"-p", Sample("invoice.pdat")},
                                   {{"KESTREL_BASE", work.path().string() + "/"}, {"KESTREL_NO_DEBUG_LABEL", "1"},
                                    {"DISPLAY", ""}});
  ASSERT_EQ(k.exitCode, 0) << k.err;
  const std::string filterText = Shell("pdftotext -layout '" + Pdf() + "' -");
  EXPECT_NE(filterText.find("請 求 書"), std::string::npos);
  EXPECT_EQ(filterText, Shell("pdftotext -layout '" + work.file("vpdf/invoice.pdf") + "' -"));
  EXPECT_TRUE(fs::is_empty(tmp.path()));

  // The base folder's offsets for the built-in device move the page, as in kestrel.
  const double left = FirstWordLeft(Pdf());
  base.Write("zoq/pofset.txt", std::string("[OFSET]\r\nKestrel PDF=20,0\r\n"));
  ASSERT_EQ(Filter("1 user t 1 ''", Sample("invoice.pdat")).exitCode, 0);
  EXPECT_NEAR(FirstWordLeft(Pdf()) - left, 20 / 25.4 * 72, 1.0);
}

TEST_F(FilterProgram, FailsWithAnErrorLineOnDataThatIsNoPageAndOnWrongUse) {
  const std::string letter = work.Write("letter.pdat", std::string("not print data at all\n"));
  ProgramRun r = Filter("1 user t 1 '' '" + letter + "'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("ERROR: " + letter + ": not print data"), std::string::npos) << r.err;
  EXPECT_EQ(fs::file_size(Pdf()), 0u);
  r = Filter("1 user t 1 '' '" + work.file("missing.pdat") + "'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("ERROR: "), std::string::npos) << r.err;
  r = Filter("1 user t");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("ERROR: usage: pdattopdf"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

// A job cancelled in CUPS (SIGTERM while the filter reads its data) leaves
// no folder behind and ends with status 0, its run report saying so; the folder of a filter killed
// outright (its marker names a process that no longer runs) is removed by
// the next run, and a folder of that name without the marker is not.
TEST_F(FilterProgram, ACancelledJobLeavesNothingAndTheFoldersOfKilledFiltersAreRemoved) {
  pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  const std::string dead = std::to_string(child);
  const fs::path killed = tmp.path() / ("pdattopdf-" + dead + "-Ab12Cd");
  const fs::path unmarked = tmp.path() / ("pdattopdf-" + dead + "-Zz98Yy");
  fs::create_directories(killed);
  fs::create_directories(unmarked);
  tmp.Write(("pdattopdf-" + dead + "-Ab12Cd/.pdattopdf-job"), dead);
  tmp.Write(("pdattopdf-" + dead + "-Ab12Cd/data"), std::string("a copy of a job's data"));
  tmp.Write(("pdattopdf-" + dead + "-Zz98Yy/sentinel"), std::string("not the filter's"));
  const std::string fifo = work.file("in");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // The data never ends (the pipe is held open): the filter waits in its
  // folder until it is cancelled.
  const std::string script =
      "exec 3<>'" + fifo + "'; '" + PDATTOPDF_PROGRAM + "' 1 user t 1 '' <'" + fifo + "' >'" + Pdf() +
      "' & pid=$!; for i in $(seq 200); do n=$(ls \"$TMPDIR\" | grep -c '^pdattopdf-'\"$pid\"'-'); "
      "[ \"$n\" = 1 ] && break; sleep 0.05; done; kill -TERM $pid; wait $pid; echo \"status $?\"";
  const std::string report = work.file("report.json");
  ProgramRun r = RunProgramAndWait("/bin/sh", {"-c", script},
                                   {{"KESTREL_BASE", base.path().string() + "/"},
                                    {"TMPDIR", tmp.path().string()},
                                    {"KESTREL_REPORT", report}});
  EXPECT_EQ(r.out, "status 0\n") << r.err;
  EXPECT_NE(ReadFile(report).find("\"exitMeaning\": \"the job was cancelled: no PDF was written\""), std::string::npos);
  EXPECT_FALSE(fs::exists(killed));
  EXPECT_EQ(ReadFile((unmarked / "sentinel").string()), "not the filter's");
  EXPECT_EQ(FilesUnder(tmp.path()), (std::vector<std::string>{unmarked.string(), (unmarked / "sentinel").string()}));
}

}  // namespace
}  // namespace kestrel::test
