// System: files, processes, windows and text services of the operating system.
//
// Backends: LinuxSystem (platform/linux). Paths in and out are UTF-8 in the
// system's own form; the core turns product paths ("zoq\...") into them with
// ResolvePath (util/paths.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct ProcessResult {
  bool started = false;
  int exitCode = -1;
  int error = 0;  // system error code when not started
};

// The kinds of drive a system reports for a drive's root, numbered as
// Windows numbers them (GetDriveType).
enum class DriveKind {
  kUnknown = 0,    // the type cannot be determined
  kNoRoot = 1,     // no such root folder
  kRemovable = 2,
  kFixed = 3,
  kRemote = 4,     // a network share
  kCdRom = 5,
  kRamDisk = 6,
};

class System {
 public:
  virtual ~System() = default;

  // The product's base folder (the drive root the program runs from),
  // ending with a separator.
  virtual std::string BaseDir() = 0;
  virtual std::string WindowsDir() = 0;
  // The folder of the running program; empty when unknown.
  virtual std::string ProgramDir() { return {}; }
  // Further folders the system itself lives in, each with everything under
  // it (Windows: the program folders, "C:\Program Files" and the like);
  // the Windows folder is WindowsDir.
  virtual std::vector<std::string> SystemFolders() { return {}; }
  // The kind of drive the path lies on, as the system reports it for the
  // drive's root.
  virtual DriveKind DriveKindOf(const std::string& path) = 0;
  // The computer name; false with the error code in error when unreadable.
  virtual bool ComputerName(std::string& name, int& error) = 0;
  virtual int LastError() = 0;
  // The system's text for an error code (the last error when code is 0).
  virtual std::string ErrorText(int code) = 0;

  // Starts program (a path, or a name searched in PATH) with these
  // arguments, no shell, only the standard streams handed on, and waits
  // for it to end, without a time-out. An empty workDir keeps the current
  // folder. (util/windows_command_line.h turns a Windows command line into
  // program and arguments.)
  virtual ProcessResult RunAndWait(const std::string& program, const std::vector<std::string>& args,
                                   const std::string& workDir) = 0;
  // Opens a file with its associated program (the desktop's opener);
  // returns a value above 32 on success, or the shell's error code
  // (2 file not found, 31 no program for the file, ...).
  virtual int ShellOpen(const std::string& path) = 0;
  // Deletes a file or a folder with its contents; 0 or an error code. Links
  // are never followed: a link (also the path's own last name) is removed
  // itself, never what it names, and a folder is emptied without passing
  // through a link inside it. Folders on the way to the path must not be
  // links either (give a real path, see RealPath): a deletion through one
  // fails.
  virtual int ShellDelete(const std::string& path) = 0;

  // The absolute path of an existing file or folder with every link and
  // every "." and ".." step resolved; empty when it does not exist.
  virtual std::string RealPath(const std::string& path) = 0;

  // One entry of a folder as the folder holds it: a link is a link, whatever
  // it names, and its times are its own.
  enum class EntryKind { kFile, kFolder, kLink, kOther };
  struct FileTimes {
    int64_t modified = 0, changed = 0, accessed = 0;
  };
  struct FolderEntry {
    std::string name;
    EntryKind kind = EntryKind::kOther;
    bool timesKnown = false;
    FileTimes times;
  };
  // The entries of a folder, without "." and "..", in the order the file
  // system gives them. A folder that is a link, missing or unreadable gives
  // none.
  virtual std::vector<FolderEntry> ListFolder(const std::string& folder) = 0;

  // Sends the completion message to the caller's window (WM_USER + 1000).
  // false with a reason when the window cannot be reached.
  virtual bool NotifyWindow(uint64_t window, uint32_t message, uint64_t wparam, int64_t lparam,
                            std::string& error) = 0;

  // true when the operator asked for command-line runs without the page
  // label "DEBUG MODE :<file>" that pages printed without a caller's window
  // carry (outside the command line, which the callers own).
  virtual bool WithoutPageLabel() { return false; }
  // The operator's budget of an analysis log in bytes, as given
  // (KESTREL_ANALYSIS_LOG_LIMIT); empty when none is, and the engine's own
  // budget holds.
  virtual std::string AnalysisLogLimitSetting() { return {}; }

  // Milliseconds since some fixed point; for the time-out timer.
  virtual uint64_t NowMilliseconds() = 0;

  // A file's modification, status-change and access times in seconds since
  // 1970-01-01 UTC; false when they cannot be read.
  virtual bool GetFileTimes(const std::string& path, FileTimes& times) {
    (void)path;
    (void)times;
    return false;
  }
};

}  // namespace kestrel
