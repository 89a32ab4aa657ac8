// The pdat program as users run it: files in and out, exit codes, messages.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "support/engine_fixture.h"
#include "support/jpeg_files.h"
#include "support/program_runner.h"

namespace kestrel::test {
namespace {

int RunPdat(const std::string& args, const std::string& errFile) {
  std::string command = std::string(PDAT_PROGRAM) + " " + args + " 2>" + errFile;
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PdatProgram, CompilesDumpsAndCompilesASampleFormToTheSameBytes) {
  TempDir dir;
  std::string form = std::string(KESTREL_SOURCE_DIR) + "/examples/invoice.pdat.txt";
  ASSERT_EQ(RunPdat("compile " + form + " " + dir.file("a.pdat"), dir.file("err")), 0) << ReadFile(dir.file("err"));
  ASSERT_EQ(RunPdat("dump " + dir.file("a.pdat") + " " + dir.file("a.txt"), dir.file("err")), 0);
  ASSERT_EQ(RunPdat("compile " + dir.file("a.txt") + " " + dir.file("b.pdat"), dir.file("err")), 0);
  EXPECT_EQ(ReadFile(dir.file("a.pdat")), ReadFile(dir.file("b.pdat")));
  EXPECT_NE(ReadFile(dir.file("a.txt")).find("text @0 jis \"請求書\""), std::string::npos);
  // The build wrote the same bytes for the sample.
  EXPECT_EQ(ReadFile(std::string(KESTREL_BINARY_DIR) + "/examples/invoice.pdat"), ReadFile(dir.file("a.pdat")));
}

TEST(PdatProgram, ReportsBadTextWithFileAndLineAndWritesNothing) {
  TempDir dir;
  std::string in = dir.Write("bad.txt", std::string("end\ntext \"ok\"\nzeros count=x\n"));
  EXPECT_EQ(RunPdat("compile " + in + " " + dir.file("out.pdat"), dir.file("err")), 1);
  EXPECT_EQ(ReadFile(dir.file("err")), "pdat: " + in + ":3: count=x is not a number from 1 to 16000000\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.pdat")));

  EXPECT_EQ(RunPdat("dump " + dir.file("missing.pdat"), dir.file("err")), 1);
  EXPECT_EQ(ReadFile(dir.file("err")), "pdat: cannot read " + dir.file("missing.pdat") + "\n");
  EXPECT_EQ(RunPdat("frobnicate", dir.file("err")), 2);
  EXPECT_NE(ReadFile(dir.file("err")).find("usage: pdat compile"), std::string::npos);
}

TEST(PdatProgram, CheckPassesTheSamplesAndReportsEachDamageOfOtherFiles) {
  TempDir dir;
  const std::string built = std::string(KESTREL_BINARY_DIR) + "/examples/";
  std::string samples;
  for (const auto& e : std::filesystem::directory_iterator(built))
    if (e.path().extension() == ".pdat") samples += " " + e.path().string();
  ASSERT_FALSE(samples.empty());
  EXPECT_EQ(RunPdat("check" + samples + " >" + dir.file("out"), dir.file("err")), 0) << ReadFile(dir.file("out"));

  std::string noise(256, '\0');
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = char((i * 37 + 11) % 251);  // no End (255) byte
  const std::string bad = dir.Write("noise.pdat", noise);
  const std::string empty = dir.Write("empty.pdat", std::string());
  const std::string text = std::string(KESTREL_SOURCE_DIR) + "/examples/invoice.pdat.txt";
  EXPECT_EQ(RunPdat("check " + bad + " " + empty + " " + text + " >" + dir.file("out"), dir.file("err")), 1);
  const std::string out = ReadFile(dir.file("out"));
  EXPECT_NE(out.find(bad + ": record 0: unknown kind 11\n"), std::string::npos) << out;
  EXPECT_NE(out.find(bad + ": no End record in 16 records\n"), std::string::npos) << out;
  EXPECT_NE(out.find(empty + ": empty file\n"), std::string::npos) << out;
  EXPECT_NE(out.find(text + ": no End record"), std::string::npos) << out;  // the text form given by mistake
}

ProgramRun Render(const std::vector<std::string>& args) {
  std::vector<std::string> all{"render"};
  all.insert(all.end(), args.begin(), args.end());
  return RunProgramAndWait(PDAT_PROGRAM, all, {}, 60);
}

// The preview is the JPEG page a print makes of the same form, drawn at
// the same resolution: equal but for the JPEG encoder's own error (quality
// 100, full colour resolution).
TEST(PdatRender, APictureIsTheJpegPageOfTheSameForm) {
  TempDir dir;
  std::filesystem::create_directories(dir.path() / "base/zoq");
  std::filesystem::create_directories(dir.path() / "base/data");
  dir.Write("base/zoq/kestrel.inf", std::string("[SETTING]\r\n$jpeg=1\r\n$jdpi=100\r\n$jquality=100\r\n$jsampling=444\r\n"));
  const std::string data = dir.Write("base/data/invoice.pdat", ReadFile(std::string(KESTREL_BINARY_DIR) + "/examples/invoice.pdat"));
  ProgramRun print = RunProgramAndWait(KESTREL_PROGRAM, {"-p", data},
                                       {{"KESTREL_BASE", dir.file("base/")}, {"KESTREL_NO_CUPS", "1"},
                                        {"KESTREL_UI", "headless"}, {"KESTREL_NO_DEBUG_LABEL", "1"}},
                                       60);
  ASSERT_EQ(print.exitCode, 0) << print.err;
  ProgramRun render = Render({data, "-r", "100", "-o", dir.file("invoice.png")});
  ASSERT_EQ(render.exitCode, 0) << render.err;
  EXPECT_EQ(render.err, "");

  DecodedJpeg jpeg, png;
  ASSERT_TRUE(DecodeJpeg(dir.file("base/data/invoice.jpg"), jpeg));
  ASSERT_TRUE(ReadPng(dir.file("invoice.png"), png));
  ASSERT_EQ(png.width, jpeg.width);
  ASSERT_EQ(png.height, jpeg.height);
  ASSERT_EQ(jpeg.components, 3);
  int64_t sum = 0;
  int most = 0;
  for (size_t i = 0; i < png.samples.size(); ++i) {
    const int d = std::abs(int(png.samples[i]) - int(jpeg.samples[i]));
    sum += d;
    most = std::max(most, d);
  }
  // Measured: mean 0.014, at most 3 levels; a pixel out of place, a missing
  // glyph or another resolution is far beyond either bound.
  const double mean = double(sum) / double(png.samples.size());
  EXPECT_LT(mean, 0.1);
  EXPECT_LE(most, 8) << "mean " << mean;
  // Nothing of the work is left beside the picture.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) entries += e.path().filename() != "base";
  EXPECT_EQ(entries, 1);
}

TEST(PdatRender, APdfOfTheTextFormAndWhatIsRefused) {
  TempDir dir;
  const std::string form = std::string(KESTREL_SOURCE_DIR) + "/examples/invoice.pdat.txt";
  ProgramRun pdf = Render({form, "-o", dir.file("invoice.pdf")});
  ASSERT_EQ(pdf.exitCode, 0) << pdf.err;
  EXPECT_NE(Shell("pdftotext -q " + dir.file("invoice.pdf") + " -").find("山田商事"), std::string::npos);
  EXPECT_NE(Shell("pdfinfo " + dir.file("invoice.pdf")).find("Pages:           1\n"), std::string::npos);

  const std::string noise = dir.Write("noise.pdat", std::string(64, '\x0B'));
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string said;
  } cases[] = {
      {{noise, "-o", dir.file("n.png")}, 1, "not print data"},
      {{dir.file("missing.pdat"), "-o", dir.file("m.png")}, 1, "cannot read"},
      {{form, "-o", dir.file("x.jpg")}, 2, "must end in .png or .pdf"},
      {{form, "-r", "5"}, 2, "not a resolution from 10 to 1200 dpi"},
      {{form, "-o", dir.file("no/such/folder/x.png")}, 1, "cannot make a work folder"},
  };
  for (const Case& c : cases) {
    ProgramRun run = Render(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.args[0] << " " << run.err;
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
  }
  // Only the PDF and the noise file: nothing was made for the refused runs.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) entries += bool(e.path().filename() != "");
  EXPECT_EQ(entries, 2);
}

}  // namespace
}  // namespace kestrel::test
