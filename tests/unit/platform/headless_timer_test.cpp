#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
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

}  // namespace
}  // namespace kestrel
