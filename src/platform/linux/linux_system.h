#pragma once

#include "platform/linux/x11_notifier.h"
#include "platform/system.h"

namespace kestrel {

// System services on Linux.
//  - BaseDir: $KESTREL_BASE, else the folder above the one holding the
//    program (an install in /opt/kestrel/bin gives /opt/kestrel/).
//  - WindowsDir: /etc/ (where system-wide settings live on Linux).
//  - WithoutPageLabel: KESTREL_NO_DEBUG_LABEL=1.
//  - The caller's window is an X11 window id; the notification is an X11
//    client message.
class LinuxSystem : public System {
 public:
  std::string BaseDir() override;
  std::string WindowsDir() override;
  bool IsFixedDrive(const std::string& path) override;
  bool ComputerName(std::string& name, int& error) override;
  int LastError() override;
  std::string ErrorText(int code) override;
  ProcessResult RunAndWait(const std::string& program, const std::vector<std::string>& args,
                           const std::string& workDir) override;
  int ShellOpen(const std::string& path) override;
  int ShellDelete(const std::string& path) override;
  std::string RealPath(const std::string& path) override;
  std::vector<FolderEntry> ListFolder(const std::string& folder) override;
  bool NotifyWindow(uint64_t window, uint32_t message, uint64_t wparam, int64_t lparam,
                    std::string& error) override;
  uint64_t NowMilliseconds() override;
  bool WithoutPageLabel() override;
  bool GetFileTimes(const std::string& path, FileTimes& times) override;

 private:
  X11Notifier notifier_;
};

}  // namespace kestrel
