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
#include "support/jpeg_files.h"
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
    std::vector<std::pair<std::string, std::string>> env = {{"KESTREL_BASE", base_.path().string() + "/"},
                                                           {"KESTREL_UI", "qt"},
                                                           {"KESTREL_NO_CUPS", "1"},
                                                           {"KESTREL_MESSAGES", base_.file("shown.txt")}};
    return std::async(std::launch::async, [args, env] { return RunProgramAndWait(KESTREL_PROGRAM, args, env, 60); });
  }

  // The visible window whose caption is exactly name; empty when none shows
  // up within 20 seconds.
  static std::string WindowNamed(const std::string& name) {
    std::string id = Shell("timeout 20 xdotool search --sync --onlyvisible --name '^" + name + "$' | head -1");
    while (!id.empty() && id.back() == '\n') id.pop_back();
    return id;
  }
  // A click on the middle of a button of the column (left 32, 377 x 30).
  static void ClickColumnButton(const std::string& menu, int top) {
    Shell("xdotool mousemove --window " + menu + " 220 " + std::to_string(top + 15) + " click 1");
  }
  // Keys typed into the window with that caption once it shows; false when
  // it does not. The window is gone before this returns.
  static bool Answer(const std::string& caption, const std::string& keys) {
    const std::string window = WindowNamed(caption);
    if (window.empty()) return false;
    Shell("xdotool windowfocus --sync " + window + " && sleep 0.2 && xdotool key --delay 150 " + keys);
    WaitGone(caption, window);
    return true;
  }
  // Waits up to 20 seconds until the area (x, y, w, h) of the window shows
  // what the ImageMagick measure (over its grab, 0 black to 1 white)
  // tells; false when it never does. A click or a key is only sent once
  // the window shows that it took the one before: a window that has just
  // got its input back (a dialog closed) may still be busy.
  static bool WaitUntilShown(const std::string& window, int x, int y, int w, int h, const std::string& test) {
    const std::string grab = "import -window " + window + " -crop " + std::to_string(w) + "x" + std::to_string(h) +
                             "+" + std::to_string(x) + "+" + std::to_string(y) + " +repage -format '%[fx:" + test +
                             "?1:0]' info:";
    for (int i = 0; i < 100; ++i) {
      if (Shell(grab + " 2>/dev/null") == "1") return true;
      Shell("sleep 0.2");
    }
    return false;
  }
  // Waits up to 5 seconds for that window to be gone.
  static void WaitGone(const std::string& caption, const std::string& window) {
    Shell("for i in $(seq 50); do xdotool search --onlyvisible --name '^" + caption + "$' | grep -qx " + window +
          " || break; sleep 0.1; done");
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

namespace kestrel::test {
namespace {

// The small form's buttons do their jobs in the running program: the list
// buttons write the files kestrel-tools writes, byte for byte (the paper list
// of the device taken in the device dialog), and kestrel.inf作成 writes the
// settings file once and then only says that it exists.
TEST_F(DesktopMenu, TheButtonColumnWritesWhatTheToolsWrite) {
  auto run = Start({});
  const std::string menu = WindowNamed("システムメニュー");
  ASSERT_FALSE(menu.empty());
  ClickColumnButton(menu, 39);  // フォントリスト出力
  ASSERT_TRUE(Answer("Kestrel", "Return"));
  ClickColumnButton(menu, 70);  // kestrel.inf作成
  for (int i = 0; i < 50 && !fs::exists(base_.path() / "zoq/kestrel.inf"); ++i) Shell("sleep 0.1");
  ASSERT_TRUE(fs::exists(base_.path() / "zoq/kestrel.inf"));
  const std::string settings = ReadFile(base_.file("zoq/kestrel.inf"));
  ClickColumnButton(menu, 70);
  ASSERT_TRUE(Answer("Kestrel", "Return"));
  ClickColumnButton(menu, 132);  // プリンタドライバリスト出力
  ASSERT_TRUE(Answer("Kestrel", "Return"));
  ClickColumnButton(menu, 163);  // 印刷可能用紙リスト出力
  ASSERT_TRUE(Answer("印刷可能用紙リスト出力画面", "Down Return"));
  ASSERT_TRUE(Answer("Kestrel", "Return"));  // the row's confirmation
  ASSERT_TRUE(Answer("Kestrel", "Return"));  // the list is written
  ClickColumnButton(menu, 256);              // 終　　了
  ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  ProgramRun r = run.get();
  EXPECT_EQ(r.exitCode, 0) << r.err;

  const std::string zoq = base_.file("zoq") + "/";
  EXPECT_EQ(ReadFile(base_.file("shown.txt")),
            zoq + "pfontlist.txtを作成しました\n"
            "既に存在しています。\\n作成できませんでした\\n" + zoq + "kestrel.inf\n" +
            zoq + "pprinterlist.txtを作成しました\n"
            "Kestrel PDFを選択しました。\\nよろしいですか？\n" +
            zoq + "ppaperlist.txtを作成しました\n");
  EXPECT_EQ(ReadFile(base_.file("zoq/kestrel.inf")), settings);

  TempDir tools;
  const std::vector<std::pair<std::string, std::string>> env = {{"KESTREL_BASE", tools.path().string() + "/"},
                                                               {"KESTREL_UI", "headless"},
                                                               {"KESTREL_NO_CUPS", "1"}};
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"fontlist"}, {"printerlist"}, {"paperlist", "-d", "Kestrel PDF"}})
    ASSERT_EQ(RunProgramAndWait(KESTREL_TOOLS_PROGRAM, command, env, 60).exitCode, 0) << command[0];
  for (const char* list : {"zoq/pfontlist.txt", "zoq/pprinterlist.txt", "zoq/ppaperlist.txt"}) {
    ASSERT_TRUE(fs::exists(tools.path() / list)) << list;
    EXPECT_EQ(ReadFile(base_.file(list)), ReadFile(tools.file(list))) << list;
  }
}

// The full form's print tab: the file chosen in the data dialog prints with
// the tab's options (here JPEG at 200 dpi and the program log), as the
// operator sets them with the mouse and the keyboard.
TEST_F(DesktopMenu, ThePrintTabPrintsTheChosenFileWithItsOptions) {
  PageBuilder page;
  page.Paper(0, 9, 0, 1).Line(0, 100, 100, 800, 100, 0).End();
  const std::string data = base_.Write("data/a.pdat", page.bytes());
  auto run = Start({"-debug"});
  const std::string menu = WindowNamed("システムメニュー");
  ASSERT_FALSE(menu.empty());
  // The tab's page lies at (9, 317) of the window.
  auto click = [&](int x, int y) {
    Shell("xdotool mousemove --window " + menu + " " + std::to_string(9 + x) + " " + std::to_string(317 + y) +
          " click 1");
  };
  click(636, 20);  // データ選択
  const std::string chooser = WindowNamed("開く");
  ASSERT_FALSE(chooser.empty());
  Shell("xdotool windowfocus --sync " + chooser + " && sleep 0.3 && xdotool type --delay 20 '" + data +
        "' && xdotool key Return");
  WaitGone("開く", chooser);
  // The label above the options shows the file (dark text on white): the
  // menu has its input back.
  ASSERT_TRUE(WaitUntilShown(menu, 9 + 8, 317 + 40, 300, 20, "minima.intensity<0.5"));
  click(573, 126);  // JPEG出力
  // The DPI field is enabled (white inside).
  ASSERT_TRUE(WaitUntilShown(menu, 9 + 631, 317 + 163, 50, 12, "minima.intensity>0.99"));
  click(628, 169);  // JPEG出力時DPI指定
  Shell("xdotool key ctrl+a BackSpace && xdotool type --delay 50 200");
  click(573, 200);  // ログ出力
  click(764, 20);   // 印刷実行
  // The page is written whole, however long the print takes; 終了 clicked
  // meanwhile waits for the print.
  const std::string jpeg = base_.file("data/a.jpg");
  DecodedJpeg decoded;
  for (int i = 0; i < 600 && !(fs::exists(jpeg) && DecodeJpeg(jpeg, decoded)); ++i) Shell("sleep 0.1");
  ClickColumnButton(menu, 256);  // 終　　了
  ASSERT_EQ(run.wait_for(std::chrono::seconds(60)), std::future_status::ready);
  ProgramRun r = run.get();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  ASSERT_TRUE(DecodeJpeg(jpeg, decoded));
  EXPECT_EQ(decoded.width, 1654);  // A4 at 200 dpi
  EXPECT_EQ(decoded.height, 2339);
  EXPECT_FALSE(FindEntries(base_.file("zoq/plog"), "a_*.txt").empty());
}

}  // namespace
}  // namespace kestrel::test
