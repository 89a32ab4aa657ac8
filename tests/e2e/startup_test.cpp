// What a run loads: the desktop toolkit only for the desktop Ui (a module of
// its own), libcups only when the print system's queues are asked for,
// HarfBuzz only when a PDF font is written, so a headless run of a page
// without text starts without any of them; and a library that cannot be
// loaded leaves the run going without it.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/engine_fixture.h"
#include "support/program_runner.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

TEST(Startup, HeadlessPageRunLoadsNeitherTheToolkitNorCups) {
  TempDir base;
  base.Write("zoq/kestrel.inf", "[SETTING]\r\n$jpeg=1\r\n");
  PageBuilder page;
  page.Paper(0, 9, 0, 1).End();
  const std::string data = base.Write("empty.pdat", page.bytes());
  // The dynamic loader names every object it maps, opened later or not.
  ProgramRun r = RunProgramAndWait(KESTREL_PROGRAM, {"-h", "1", "-p", data},
                                   {{"KESTREL_BASE", base.path().string() + "/"}, {"DISPLAY", ""},
                                    {"KESTREL_UI", "headless"}, {"KESTREL_NO_CUPS", "1"}, {"LD_DEBUG", "files"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fs::exists(base.file("empty.jpg")));
  ASSERT_NE(r.err.find("file=libstdc++"), std::string::npos) << "no loader trace";
  for (const char* library : {"libQt6", "kestrel-qt-ui", "libcups", "libxcb", "libharfbuzz"})
    EXPECT_EQ(r.err.find(std::string("file=") + library), std::string::npos) << library << " was loaded";
}

// The loader's trace of the runs that wrote it into folder (one file per process).
std::string LoaderTrace(const fs::path& folder) {
  std::string trace;
  for (const auto& entry : fs::directory_iterator(folder)) trace += ReadFile(entry.path().string());
  return trace;
}

TEST(Startup, BothProgramsOpenTheDesktopUiModule) {
  // Every symbol the module takes from the program must be there (it is
  // opened with all of them bound): drawn offscreen, no display needed.
  TempDir base;
  PageBuilder page;
  page.Paper(0, 9, 0, 1).End();
  const std::string data = base.Write("empty.pdat", page.bytes());
  const std::string module = "file=" + std::string(KESTREL_BINARY_DIR) + "/kestrel-qt-ui.so";
  // Runs that show no box (nobody could answer it): a page printed, and the
  // paper list of a device that is not installed (status -7).
  const std::vector<std::pair<std::string, std::string>> programs = {
      {KESTREL_PROGRAM, "-p"}, {KESTREL_TOOLS_PROGRAM, "paperlist"}};
  for (const auto& [program, command] : programs) {
    const fs::path traces = base.path() / ("trace-" + command);
    fs::create_directories(traces);
    const std::vector<std::pair<std::string, std::string>> env = {
        {"KESTREL_BASE", base.path().string() + "/"}, {"KESTREL_UI", "qt"}, {"WAYLAND_DISPLAY", "kestrel-test"},
        {"QT_QPA_PLATFORM", "offscreen"}, {"LD_DEBUG", "files"}, {"LD_DEBUG_OUTPUT", (traces / "t").string()}};
    const std::vector<std::string> args =
        command == "-p" ? std::vector<std::string>{"-h", "1", "-p", data}
                        : std::vector<std::string>{"paperlist", "-d", "No Such Device", base.file("papers.txt")};
    ProgramRun r = RunProgramAndWait(program, args, env, 60);
    EXPECT_EQ(r.exitCode, command == "-p" ? 0 : 1) << program << ": " << r.err;
    EXPECT_NE(LoaderTrace(traces).find(module), std::string::npos) << program;
    if (command != "-p") {
      EXPECT_NE(r.out.find("-7"), std::string::npos) << r.out;
    }
  }
  EXPECT_TRUE(fs::exists(base.file("vpdf/empty.pdf")));
}

TEST(Startup, DesktopUiWithoutItsModuleIsAClearError) {
  TempDir base;
  // The program alone, without the module beside it or an installed one.
  const fs::path program = base.path() / "bin" / "kestrel";
  fs::create_directories(program.parent_path());
  fs::copy_file(KESTREL_PROGRAM, program);
  PageBuilder page;
  page.Paper(0, 9, 0, 1).End();
  const std::string data = base.Write("empty.pdat", page.bytes());
  ProgramRun r = RunProgramAndWait(program.string(), {"-h", "1", "-p", data},
                                   {{"KESTREL_BASE", base.path().string() + "/"}, {"KESTREL_UI", "qt"},
                                    {"WAYLAND_DISPLAY", "kestrel-test"}});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("kestrel: the desktop Ui cannot be loaded"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("kestrel-qt-ui.so"), std::string::npos) << r.err;
  // Nothing ran: no settings file was made.
  EXPECT_FALSE(fs::exists(base.file("zoq")));
}

TEST(Startup, ALibcupsThatCannotBeLoadedLeavesTheBuiltInDevice) {
  TempDir base;
  // A damaged libcups.so.2 found before the system's.
  base.Write("lib/libcups.so.2", std::string("not a library"));
  PageBuilder page;
  page.Paper(0, 9, 0, 1).End();
  const std::string data = base.Write("empty.pdat", page.bytes());
  ProgramRun r = RunProgramAndWait(KESTREL_PROGRAM, {"-h", "1", "-p", data},
                                   {{"KESTREL_BASE", base.path().string() + "/"}, {"DISPLAY", ""},
                                    {"KESTREL_UI", "headless"}, {"KESTREL_NO_CUPS", "0"},
                                    {"CUPS_SERVER", base.file("no-server.sock")}, {"LD_LIBRARY_PATH", base.file("lib")}});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("kestrel: [warning] the CUPS queues cannot be listed: "), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(base.file("vpdf/empty.pdf")));
}

TEST(Startup, WithoutHarfBuzzThePdfTextStaysTextInFontsNotEmbedded) {
  TempDir base;
  base.Write("lib/libharfbuzz-subset.so.0", std::string("not a library"));
  PageBuilder page;
  page.Paper(0, 9, 0, 1).Palette(1, 0, 0, 0).String(1, 100, 800, 1, 1, 12, 24, 12, 0).End();
  page.Text("KESTREL");
  const std::string data = base.Write("text.pdat", page.bytes());
  const std::vector<std::pair<std::string, std::string>> env = {
      {"KESTREL_BASE", base.path().string() + "/"}, {"DISPLAY", ""}, {"KESTREL_UI", "headless"}};
  ProgramRun r = RunProgramAndWait(KESTREL_PROGRAM, {"-h", "1", "-p", data}, env);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string pdf = base.file("vpdf/text.pdf");
  EXPECT_NE(Shell("pdffonts '" + pdf + "'").find(" yes yes "), std::string::npos) << "embedded with HarfBuzz";
  fs::remove(pdf);
  auto without = env;
  without.emplace_back("LD_LIBRARY_PATH", base.file("lib"));
  r = RunProgramAndWait(KESTREL_PROGRAM, {"-h", "1", "-p", data}, without);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(Shell("pdftotext '" + pdf + "' -").find("KESTREL"), std::string::npos);
  const std::string fonts = Shell("pdffonts '" + pdf + "'");
  EXPECT_EQ(fonts.find(" yes yes "), std::string::npos) << fonts;
  EXPECT_NE(fonts.find("CID TrueType"), std::string::npos) << fonts;
}

}  // namespace
}  // namespace kestrel::test
