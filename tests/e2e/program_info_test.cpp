// --version and --help of the three programs: answered only when they are
// the sole argument; anywhere else they leave the command line as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "support/engine_fixture.h"
#include "support/program_runner.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

TEST(ProgramInfo, VersionAndHelpAreAnsweredAloneAndWriteNothing) {
  TempDir base;
  const std::vector<std::pair<std::string, std::string>> env = {{"KESTREL_BASE", base.path().string() + "/"},
                                                                {"DISPLAY", ""}};
  const std::vector<std::pair<std::string, std::string>> programs = {
      {KESTREL_PROGRAM, "kestrel"}, {PDAT_PROGRAM, "pdat"}, {KESTREL_TOOLS_PROGRAM, "kestrel-tools"}};
  for (const auto& [program, name] : programs) {
    ProgramRun r = RunProgramAndWait(program, {"--version"}, env);
    EXPECT_EQ(r.exitCode, 0) << name;
    EXPECT_TRUE(std::regex_match(r.out, std::regex(name + " [0-9]+\\.[0-9]+(\\.[0-9]+)?\n"))) << r.out;
    r = RunProgramAndWait(program, {"--help"}, env);
    EXPECT_EQ(r.exitCode, 0) << name;
    EXPECT_NE(r.out.find("usage: " + name), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("See " + name + "(1)."), std::string::npos) << r.out;
  }
  // No settings file, no log: the base folder stays empty.
  EXPECT_TRUE(fs::is_empty(base.path()));

  // With other arguments they are not this program's words.
  EXPECT_EQ(RunProgramAndWait(KESTREL_TOOLS_PROGRAM, {"--version", "fontlist"}, env).exitCode, 2);
  EXPECT_EQ(RunProgramAndWait(PDAT_PROGRAM, {"--version", "x"}, env).exitCode, 2);
}

TEST(ProgramInfo, KestrelPrintsWhenHelpIsOneArgumentAmongOthers) {
  TempDir base;
  PageBuilder page;
  page.Paper(0, 9, 0, 1).Line(0, 100, 100, 800, 100, 0).End();
  const std::string data = base.Write("form.pdat", page.bytes());
  ProgramRun r = RunProgramAndWait(KESTREL_PROGRAM, {"--help", "-p", data},
                                   {{"KESTREL_BASE", base.path().string() + "/"}, {"DISPLAY", ""}});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.find("usage"), std::string::npos);
  EXPECT_TRUE(fs::exists(base.file("vpdf/form.pdf"))) << r.err;
}

}  // namespace
}  // namespace kestrel::test
