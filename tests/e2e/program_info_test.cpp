// --version and --help of the three programs: answered only when they are
// the sole argument; anywhere else they leave the command line as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

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

// The commands a program's --help lists, each an entry of its man page: a
// command added to the program and not to the page fails here.
TEST(ProgramInfo, ManPagesDescribeEveryCommandTheUsageLists) {
  const std::vector<std::tuple<std::string, std::string, std::regex>> programs = {
      // "  fontlist [FILE] ...": a command per line of two blanks and a word.
      {KESTREL_TOOLS_PROGRAM, "kestrel-tools", std::regex("\n  ([a-z]+)[ \n]")},
      // "usage: pdat compile ...", "       pdat dump ...".
      {PDAT_PROGRAM, "pdat", std::regex("pdat ([a-z]+) ")}};
  for (const auto& [program, name, command] : programs) {
    const ProgramRun help = RunProgramAndWait(program, {"--help"}, {{"DISPLAY", ""}});
    ASSERT_EQ(help.exitCode, 0) << name;
    std::ifstream in(std::string(KESTREL_SOURCE_DIR) + "/docs/man/" + name + ".1.in");
    ASSERT_TRUE(in) << name;
    std::stringstream page;
    page << in.rdbuf();
    int commands = 0;
    for (std::sregex_iterator it(help.out.begin(), help.out.end(), command), end; it != end; ++it, ++commands) {
      const std::string word = (*it)[1];
      EXPECT_TRUE(std::regex_search(page.str(), std::regex("\n\\.BR? (" + name + " )?" + word + "[ \n]")))
          << name + "(1) has no entry for " + word;
    }
    EXPECT_GE(commands, 3) << help.out;
  }
}

}  // namespace
}  // namespace kestrel::test
