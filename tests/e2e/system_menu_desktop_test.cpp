// The system menu on a desktop: kestrel without arguments and with -debug
// under a private X server (Xvfb) with windows (KESTREL_UI=qt), closed by a
// click on its 終了 button as an operator does (xdotool). The two forms are
// grabbed into the build folder's screenshots/ (scripts/screenshots.sh copies
// them to the README's pictures) and checked against their size and colour.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "support/engine_fixture.h"
#include "support/program_runner.h"
#include "support/x11_fixture.h"
#include "platform/text_codec.h"
#include "util/find_files.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

class DesktopMenu : public XServerSuite {
 protected:
  void SetUp() override {
    if (!ServerRunning()) GTEST_SKIP() << "Xvfb is not available";
    if (!DesktopToolsInstalled())
      GTEST_SKIP() << "xdotool or ImageMagick is not installed";
    fs::create_directories(base_.path() / "zoq");
  }

  std::future<ProgramRun> Start(const std::vector<std::string>& args) {
    std::vector<std::pair<std::string, std::string>> env = {
        {"KESTREL_BASE", base_.path().string() + "/"}, {"KESTREL_UI", "qt"}, {"KESTREL_NO_CUPS", "1"}};
    return std::async(std::launch::async, [args, env] { return RunProgramAndWait(KESTREL_PROGRAM, args, env, 60); });
  }

  // Grabs the menu's window as name.png; gives its size and the colour of a
  // point of its background; closes it with its 終了 button.
  std::pair<std::string, std::string> GrabAndClose(const std::string& name) {
    std::string id = Shell("timeout 20 xdotool search --sync --onlyvisible --name '^システムメニュー$' | head -1");
    while (!id.empty() && id.back() == '\n') id.pop_back();
    if (id.empty()) return {};
    const std::string folder = std::string(KESTREL_BINARY_DIR) + "/screenshots";
    fs::create_directories(folder);
    const std::string file = folder + "/" + name + ".png";
    Shell("sleep 0.5; import -window " + id + " " + file);
    std::string size = Shell("identify -format '%wx%h' " + file);
    std::string colour =
        Shell("convert " + file + " -format '%[fx:int(255*p{3,3}.r)],%[fx:int(255*p{3,3}.g)],%[fx:int(255*p{3,3}.b)]' info:");
    // The middle of 終　　了 (left 32, top 256, 377 x 30).
    Shell("xdotool mousemove --window " + id + " 220 271 click 1");
    return {size, colour};
  }

  TempDir base_;
};

TEST_F(DesktopMenu, WithoutArgumentsTheSmallFormClosesWithItsButton) {
  auto run = Start({});
  auto [size, colour] = GrabAndClose("system-menu-small");
  EXPECT_EQ(size, "464x308");
  EXPECT_EQ(colour, "166,202,240");
  ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  ProgramRun r = run.get();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_FALSE(fs::exists(base_.path() / "zoq/plog"));
}

TEST_F(DesktopMenu, DebugShowsTheFullForm) {
  base_.Write("zoq/kestrel.inf", std::string("[SETTING]\r\n$plog=1\r\n"));
  auto run = Start({"-debug"});
  auto [size, colour] = GrabAndClose("system-menu-full");
  EXPECT_EQ(size, "1018x768");
  EXPECT_EQ(colour, "166,202,240");
  ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  ProgramRun r = run.get();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // The end steps ran after the menu closed.
  std::string log;
  for (const auto& name : FindEntries(base_.file("zoq/plog"), "plog_*.txt"))
    log += Utf8FromSjis(ReadFile(base_.file("zoq/plog/" + name)));
  EXPECT_NE(log.find("【印刷終了時間】"), std::string::npos) << log;
}

}  // namespace
}  // namespace kestrel::test
