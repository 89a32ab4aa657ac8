#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/headless/headless_ui.h"

namespace kestrel {
namespace {

// A headless Ui built with KESTREL_HOLD_MS / KESTREL_CANCEL_AT set.
HeadlessUi MakeUi(const char* hold, const char* cancelAt = "") {
  setenv("KESTREL_HOLD_MS", hold, 1);
  setenv("KESTREL_CANCEL_AT", cancelAt, 1);
  HeadlessUi ui({}, "");
  unsetenv("KESTREL_HOLD_MS");
  unsetenv("KESTREL_CANCEL_AT");
  return ui;
}

TEST(HeadlessTimer, TicksOnlyWhileABoxIsOpenAndMissedTicksComeOnce) {
  HeadlessUi ui = MakeUi("0");
  int ticks = 0;
  ui.StartTimer(40, [&] { ++ticks; });
  std::this_thread::sleep_for(std::chrono::milliseconds(130));
  EXPECT_EQ(ticks, 0);  // no box open: nothing served
  ui.ShowMessage("first", MessageKind::Error);
  EXPECT_EQ(ticks, 1);  // three intervals ended, served once
  ui.ShowMessage("second", MessageKind::Error);
  EXPECT_EQ(ticks, 1);  // answered at once, no interval ended since
  ui.StopTimer();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ui.AskYesNo("third", MessageKind::Warning);
  EXPECT_EQ(ticks, 1);
}

TEST(HeadlessTimer, ABoxHeldOpenTicksOncePerInterval) {
  HeadlessUi ui = MakeUi("250");
  int ticks = 0;
  ui.StartTimer(100, [&] { ++ticks; });
  auto start = std::chrono::steady_clock::now();
  ui.ShowMessage("held", MessageKind::Error);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(240));  // whole milliseconds
  EXPECT_EQ(ticks, 2);
}

TEST(HeadlessProgress, TheCancelButtonIsPressedWhileTheChosenFilePrints) {
  HeadlessUi ui = MakeUi("0", "2");
  ui.ShowProgress("p");
  ui.SetProgressLabel("file 1");
  EXPECT_FALSE(ui.ProcessEvents());
  ui.SetProgressLabel("file 2");
  EXPECT_TRUE(ui.ProcessEvents());
}

// Standard error while show runs: through a terminal (a pseudo-terminal,
// output post-processing off) or a file.
std::string StandardErrorOf(bool terminal, const std::function<void()>& show) {
  int master = -1, slave = -1;
  char name[] = "/tmp/kestrel-stderr-XXXXXX";
  int target = -1;
  if (terminal) {
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master, &slave, nullptr, &raw, nullptr) != 0) return "openpty failed";
    target = slave;
  } else {
    target = mkstemp(name);
  }
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  dup2(target, STDERR_FILENO);
  show();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::string out;
  char buffer[4096];
  if (terminal) {
    close(slave);
    ssize_t n;
    while ((n = read(master, buffer, sizeof buffer)) > 0) out.append(buffer, size_t(n));
    close(master);
  } else {
    lseek(target, 0, SEEK_SET);
    ssize_t n;
    while ((n = read(target, buffer, sizeof buffer)) > 0) out.append(buffer, size_t(n));
    close(target);
    unlink(name);
  }
  return out;
}

TEST(HeadlessMessages, ATerminalShowsTheLinesOfAMessageAndTheFilesKeepOneLine) {
  char messages[] = "/tmp/kestrel-messages-XXXXXX";
  close(mkstemp(messages));
  HeadlessUi ui({}, messages);
  auto show = [&] { ui.ShowMessage("first\nsecond\n", MessageKind::Error); };
  EXPECT_EQ(StandardErrorOf(true, show), "kestrel: first\n         second\n");
  EXPECT_EQ(StandardErrorOf(false, show), "kestrel: first\\nsecond\\n\n");
  std::ifstream in(messages);
  std::stringstream file;
  file << in.rdbuf();
  unlink(messages);
  EXPECT_EQ(file.str(), "first\\nsecond\\n\nfirst\\nsecond\\n\n");
}

TEST(HeadlessProgress, ATerminalGetsOneLineRewrittenInPlaceOtherOutputALinePerUpdate) {
  HeadlessUi ui({}, "");
  auto run = [&] {
    ui.ShowProgress("caption");
    ui.SetProgressLabel("a.pdat");
    ui.SetProgress(0, 2);
    ui.SetProgress(1, 2);
    ui.Warn("damaged");
    ui.SetProgress(2, 2);
    ui.HideProgress();
  };
  const std::string terminal = StandardErrorOf(true, run);
  // Every update rewrites the line; the warning clears it and stands on a
  // line of its own; the last state stays.
  EXPECT_EQ(terminal.rfind("\r\033[Kkestrel: 0/2    0%  -- pages/s  --:-- left\r\033[Kkestrel: 1/2   50%  ", 0), 0u)
      << terminal;
  EXPECT_NE(terminal.find(" left\r\033[Kkestrel: [warning] damaged\n\r\033[Kkestrel: 2/2  100%  "), std::string::npos)
      << terminal;
  EXPECT_EQ(terminal.substr(terminal.size() - 10), "0:00 left\n") << terminal;
  EXPECT_EQ(terminal.find("[progress]"), std::string::npos);

  EXPECT_EQ(StandardErrorOf(false, run),
            "kestrel: [progress] caption\nkestrel: [progress] a.pdat\nkestrel: [progress] 0/2\n"
            "kestrel: [progress] 1/2\nkestrel: [warning] damaged\nkestrel: [progress] 2/2\n");
}

TEST(HeadlessProgress, TheLineShowsRateAndTimeLeftFromThePagesDone) {
  EXPECT_EQ(FormatProgressLine(0, 10, 0.0), "0/10    0%  -- pages/s  --:-- left");
  EXPECT_EQ(FormatProgressLine(3, 10, 1.2), "3/10   30%  2.5 pages/s  0:03 left");
  EXPECT_EQ(FormatProgressLine(1, 7201, 1.0), "1/7201    0%  1.0 pages/s  2:00:00 left");
  EXPECT_EQ(FormatProgressLine(7, 7, 2.0), "7/7  100%  3.5 pages/s  0:00 left");
  EXPECT_EQ(FormatProgressLine(7, 7, 0.0), "7/7  100%  -- pages/s  0:00 left");
}

}  // namespace
}  // namespace kestrel
