// The pdat program as users run it: files in and out, exit codes, messages.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "support/engine_fixture.h"

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

}  // namespace
}  // namespace kestrel::test
