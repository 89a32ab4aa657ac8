// A private X server (Xvfb) and a recording test window for tests of the
// caller's notification.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace kestrel::test {

class XServer {
 public:
  XServer();  // starts Xvfb on a free display number, sets DISPLAY and the session's UTF-8 locale
  ~XServer();
  bool ok() const { return pid_ > 0; }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
  std::string previous_;
  bool hadPrevious_ = false;
  std::string previousLocale_;
  bool hadPreviousLocale_ = false;
};

// A test suite whose tests share one Xvfb display, started for the suite and
// stopped after it. SetUp of a test calls RequireServer first.
class XServerSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new XServer(); }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  static bool ServerRunning() { return server_ != nullptr && server_->ok(); }
  // Whether the operator's tools the desktop tests drive are installed.
  static bool DesktopToolsInstalled();

 private:
  static inline XServer* server_ = nullptr;
};

class TestWindow {
 public:
  explicit TestWindow(const std::string& recordFile);
  ~TestWindow();
  unsigned long id() const { return id_; }
  // Lines recorded so far (waits briefly for messages in flight).
  std::vector<std::string> Messages(size_t expectAtLeast = 0) const;

 private:
  pid_t pid_ = -1;
  unsigned long id_ = 0;
  std::string record_;
};

}  // namespace kestrel::test
