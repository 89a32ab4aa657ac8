// What a run loads: the desktop toolkit only for the desktop Ui (a module of
// its own), libcups only when the print system's queues are asked for, so a
// headless run with the queues hidden starts without either, and a libcups
// that cannot be loaded leaves the built-in device instead of stopping the run.
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
  for (const char* library : {"libQt6", "kestrel-qt-ui", "libcups"})
    EXPECT_EQ(r.err.find(std::string("file=") + library), std::string::npos) << library << " was loaded";
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

}  // namespace
}  // namespace kestrel::test
