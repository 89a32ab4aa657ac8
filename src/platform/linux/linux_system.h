#pragma once

#include "platform/linux/x11_notifier.h"
#include "platform/system.h"

namespace kestrel {

// System services on Linux.
//  - BaseDir: $KESTREL_BASE, else the folder fixed when the program was
//    built (DefaultBaseDir), else the folder above the one holding the
//    program (build/release/kestrel gives build/, /opt/kestrel/bin/kestrel
//    gives /opt/kestrel/).
//  - WindowsDir: /etc/ (where system-wide settings live on Linux).
//  - ProgramDir: the folder of /proc/self/exe.
//  - WithoutPageLabel: KESTREL_NO_DEBUG_LABEL=1.
//  - AnalysisLogLimitSetting: $KESTREL_ANALYSIS_LOG_LIMIT.
//  - The caller's window is an X11 window id; the notification is an X11
//    client message.
// The base folder fixed when the program was built (the CMake cache value
// KESTREL_DEFAULT_BASE, /var/lib/kestrel in the Debian package); empty when
// none was, and the program's own place decides.
std::string DefaultBaseDir();

// A base folder shared by a group (set-group-ID and group-writable, as the
// package makes it) gets folders and files its group can write, whoever
// runs first and whatever their umask: the group-write bit is taken out of
// the process's umask. Any other base folder leaves the umask alone.
void ShareWritesWithBaseGroup(const std::string& base);

class LinuxSystem : public System {
 public:
  std::string BaseDir() override;
  std::string WindowsDir() override;
  std::string ProgramDir() override;
  DriveKind DriveKindOf(const std::string& path) override;
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
  std::string AnalysisLogLimitSetting() override;
  bool GetFileTimes(const std::string& path, FileTimes& times) override;

 private:
  X11Notifier notifier_;
};

}  // namespace kestrel
