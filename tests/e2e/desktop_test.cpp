// The program on a desktop: a private X server (Xvfb), the desktop Ui
// (KESTREL_UI=qt), and an operator played by xdotool. The windows are
// grabbed as pictures into the build folder's screenshots/ (the README's
// pictures come from there, scripts/screenshots.sh) and checked against the
// forms' size and colour.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <set>
#include <thread>

#include "support/engine_fixture.h"
#include "support/jpeg_files.h"
#include "support/program_runner.h"
#include "support/x11_fixture.h"
#include "util/find_files.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

const std::string kPrintOut = "WM__PRINTOUT 2024 0 0";

class Desktop : public XServerSuite {
 protected:

  void SetUp() override {
    if (!ServerRunning()) GTEST_SKIP() << "Xvfb is not available";
    if (!DesktopToolsInstalled())
      GTEST_SKIP() << "xdotool or ImageMagick is not installed";
    window_ = std::make_unique<TestWindow>(records_.file("messages.txt"));
    ASSERT_NE(window_->id(), 0u);
    fs::create_directories(base_.path() / "zoq");
  }

  std::string Base() const { return base_.path().string() + "/"; }

  // Starts kestrel with windows; the result comes when it ends.
  std::future<ProgramRun> Start(const std::vector<std::string>& args, const std::string& settings) {
    base_.Write("zoq/kestrel.inf", SjisFromUtf8("[SETTING]\r\n$plog=1\r\n" + settings));
    std::vector<std::pair<std::string, std::string>> env = {{"KESTREL_BASE", Base()},
                                                           {"KESTREL_UI", "qt"},
                                                           {"KESTREL_NO_CUPS", "1"},
                                                           {"KESTREL_MESSAGES", records_.file("shown.txt")}};
    return std::async(std::launch::async, [args, env] { return RunProgramAndWait(KESTREL_PROGRAM, args, env, 60); });
  }

  // The visible window whose caption is exactly name; 0 when none shows up
  // within 20 seconds.
  static std::string WindowNamed(const std::string& name) {
    std::string id = Shell("timeout 20 xdotool search --sync --onlyvisible --name '^" + name + "$' | head -1");
    while (!id.empty() && id.back() == '\n') id.pop_back();
    return id;
  }

  // Keys typed into a window, as an operator does.
  static void Type(const std::string& window, const std::string& keys) {
    Shell("xdotool windowfocus --sync " + window + " && sleep 0.2 && xdotool key --delay 150 " + keys);
  }

  // The window's picture in the build folder: its size and the colour of a
  // point of its background.
  struct Picture {
    std::string size;
    std::string background;
  };
  static Picture Grab(const std::string& window, const std::string& name) {
    const std::string folder = std::string(KESTREL_BINARY_DIR) + "/screenshots";
    fs::create_directories(folder);
    const std::string file = folder + "/" + name + ".png";
    Shell("sleep 0.5; import -window " + window + " " + file);
    Picture p;
    p.size = Shell("identify -format '%wx%h' " + file);
    p.background = Shell("convert " + file + " -format '%[fx:int(255*p{3,3}.r)],%[fx:int(255*p{3,3}.g)],%[fx:int(255*p{3,3}.b)]' info:");
    return p;
  }

  std::string Shown() const { return ReadFile(records_.file("shown.txt")); }

  TempDir base_;
  TempDir records_;
  std::unique_ptr<TestWindow> window_;
};

// A message is a real box: the run waits for it and ends when it is closed;
// the caller's window still gets its X11 message, and the time-out ticks
// while the box is open (each tick notifies too).
TEST_F(Desktop, AMessageIsABoxAndTheRunEndsWhenItIsClosed) {
  auto run = Start({"-h", std::to_string(window_->id()), "-p", "missing.pdat"}, "$pwait=300\r\n");
  const std::string box = WindowNamed("Kestrel");
  ASSERT_FALSE(box.empty());
  Grab(box, "message-box");
  EXPECT_EQ(run.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout);
  Type(box, "Return");
  ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  ProgramRun r = run.get();
  EXPECT_EQ(r.exitCode, 3) << r.err;
  EXPECT_EQ(Shown(), "印刷ファイル指定に異常があります(missing.pdat)\\n\n");
  // The box stayed open over a second: ticks, then the end steps' message.
  const auto notified = window_->Messages(3);
  EXPECT_GE(notified.size(), 3u);
  EXPECT_EQ(notified, std::vector<std::string>(notified.size(), kPrintOut));
  std::string log;
  for (const auto& name : FindEntries(Base() + "zoq/plog", "plog_*.txt"))
    log += Utf8FromSjis(ReadFile(Base() + "zoq/plog/" + name));
  EXPECT_NE(log.find("WMGetTimer TimeOut : HANDLE : " + std::to_string(window_->id())), std::string::npos) << log;
}

// A folder run shows the progress form; its cancel button stops the run
// after the file being printed, with the box that says so: the pages written
// are whole and are the folder's first files, none skipped.
TEST_F(Desktop, TheProgressFormsCancelButtonStopsTheFolder) {
  PageBuilder page;
  page.Paper(0, 9, 0, 1).Line(0, 100, 100, 800, 100, 0).End();
  const int files = 80;
  for (int i = 0; i < files; ++i) base_.Write("jobs/p" + std::to_string(100 + i) + ".pdat", page.bytes());
  // JPEG pages at a high resolution: each file takes a while.
  auto run = Start({"-h", std::to_string(window_->id()), "-p", Base() + "jobs,1"}, "$pbar=1\r\n$jpeg=1\r\n$jdpi=600\r\n");
  const std::string form = WindowNamed("Kestrel 印刷進捗状況");
  ASSERT_FALSE(form.empty());
  const Picture picture = Grab(form, "progress-form");
  EXPECT_EQ(picture.size, "450x146");
  EXPECT_EQ(picture.background, "166,202,240");
  // The cancel button's middle.
  Shell("xdotool mousemove --window " + form + " 228 115 click 1");
  const std::string box = WindowNamed("Kestrel");
  ASSERT_FALSE(box.empty());
  Type(box, "Return");
  ASSERT_EQ(run.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  ProgramRun r = run.get();
  EXPECT_EQ(r.exitCode, 3) << r.err;
  EXPECT_EQ(Shown(), "印刷を中止しました\n");
  const std::vector<std::string> pages = FindEntries(Base() + "jobs", "*.jpg");
  EXPECT_GE(pages.size(), 1u);
  EXPECT_LT(pages.size(), size_t(files));
  std::set<std::string> written(pages.begin(), pages.end());
  for (size_t i = 0; i < pages.size(); ++i) {
    const std::string name = "p" + std::to_string(100 + i) + ".jpg";
    EXPECT_TRUE(written.count(name)) << name;
    DecodedJpeg jpeg;
    EXPECT_TRUE(DecodeJpeg(Base() + "jobs/" + name, jpeg)) << name;
  }
  EXPECT_EQ(window_->Messages(1), std::vector<std::string>{kPrintOut});
}

// The device dialog answered by keys: Down highlights the first device,
// Enter takes it, Enter answers the confirmation Yes.
TEST_F(Desktop, TheDeviceDialogIsAnsweredByKeys) {
  auto run = Start({"-winprt"}, "");
  const std::string dialog = WindowNamed("デフォルト印刷プリンター選択画面");
  ASSERT_FALSE(dialog.empty());
  const Picture picture = Grab(dialog, "device-dialog");
  EXPECT_EQ(picture.size, "428x390");
  EXPECT_EQ(picture.background, "136,136,255");
  Type(dialog, "Down Return");
  const std::string box = WindowNamed("Kestrel");
  ASSERT_FALSE(box.empty());
  Type(box, "Return");
  ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  ProgramRun r = run.get();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Shown(), "Kestrel PDFを選択しました。\\nよろしいですか？\n");
  EXPECT_NE(Utf8FromSjis(ReadFile(Base() + "zoq/WinPrinterSet.inf")).find("SelectPrinter=\"Kestrel PDF\""),
            std::string::npos);
}

// Windows asked for without a display: an error before anything runs.
TEST(DesktopChoice, WindowsWithoutADisplayAreAnError) {
  TempDir base;
  ProgramRun r = RunProgramAndWait(KESTREL_PROGRAM, {"-p", "missing.pdat"},
                                   {{"KESTREL_BASE", base.path().string() + "/"}, {"KESTREL_UI", "qt"},
                                    {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"KESTREL_NO_CUPS", "1"}});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("KESTREL_UI=qt needs a display"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(base.path() / "zoq"));

  // A display that does not open: no windows, the run goes on headless.
  r = RunProgramAndWait(KESTREL_PROGRAM, {"-p", "missing.pdat"},
                        {{"KESTREL_BASE", base.path().string() + "/"}, {"KESTREL_UI", ""}, {"DISPLAY", ":999"},
                         {"WAYLAND_DISPLAY", ""}, {"KESTREL_NO_CUPS", "1"}});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("kestrel: 印刷ファイル指定に異常があります(missing.pdat)"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kestrel::test
