#pragma once

#include "platform/system.h"

namespace kestrel {

// System services on Windows.
//  - BaseDir: $KESTREL_BASE, else the root of the drive the program runs
//    from ("C:\" for C:\kestrel\kestrel.exe).
//  - WindowsDir: GetWindowsDirectory, ending with "\".
//  - ProgramDir: the folder of the program's file (GetModuleFileName).
//  - SystemFolders: the program folders (Program Files, Program Files (x86)).
//  - WithoutPageLabel: KESTREL_NO_DEBUG_LABEL=1.
//  - AnalysisLogLimitSetting: %KESTREL_ANALYSIS_LOG_LIMIT%.
//  - The caller's window is an HWND; the notification is SendMessage.
class Win32System : public System {
 public:
  std::string BaseDir() override;
  std::string WindowsDir() override;
  std::string ProgramDir() override;
  std::vector<std::string> SystemFolders() override;
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
};

// The system's text for a Windows error code, without the trailing line end.
std::string WindowsErrorText(unsigned long code);

// The program's arguments as UTF-8, from the wide command line.
std::vector<std::string> CommandLineArguments();

}  // namespace kestrel
