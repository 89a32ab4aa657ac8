#include <gtest/gtest.h>

#include "platform/linux/linux_system.h"
#include "support/engine_fixture.h"
#include "support/x11_fixture.h"

namespace kestrel::test {
namespace {

TEST(X11Notification, ArrivesInOrderAsClientMessagesAndReportsMissingWindows) {
  XServer server;
  if (!server.ok()) GTEST_SKIP() << "Xvfb is not available";
  TempDir dir;
  TestWindow window(dir.file("messages.txt"));
  ASSERT_NE(window.id(), 0u);
  LinuxSystem system;
  std::string error;
  ASSERT_TRUE(system.NotifyWindow(window.id(), 2024, 0, 0, error)) << error;
  ASSERT_TRUE(system.NotifyWindow(window.id(), 2024, 0, 0, error)) << error;
  auto lines = window.Messages(2);
  EXPECT_EQ(lines, (std::vector<std::string>{"WM__PRINTOUT 2024 0 0", "WM__PRINTOUT 2024 0 0"}));

  EXPECT_FALSE(system.NotifyWindow(0x7ffff0, 2024, 0, 0, error));
  EXPECT_EQ(error, "no such window");
}

TEST(X11Notification, WithoutADisplayTheAttemptFailsWithAReason) {
  const char* saved = std::getenv("DISPLAY");
  std::string keep = saved ? saved : "";
  unsetenv("DISPLAY");
  LinuxSystem system;
  std::string error;
  EXPECT_FALSE(system.NotifyWindow(1234, 2024, 0, 0, error));
  EXPECT_NE(error.find("no display"), std::string::npos);
  if (saved) setenv("DISPLAY", keep.c_str(), 1);
}

}  // namespace
}  // namespace kestrel::test
