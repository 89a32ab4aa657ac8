// The controller's logs.
//  - Program log zoq\plog\plog_<yyyymmdd_hhnnss>.txt: one per process,
//    written only while plog is on; texts are written exactly as given
//    (each carries its own "\n"; no time stamps), in code page 932.
//  - Critical log zoq\CriticalPLOG.txt: error lines (kind 2) while the
//    program log is off, opened and closed around each line.
//  - Job log name: built here, written by the engine.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "app/run_settings.h"
#include "engine/engine_log.h"
#include "engine/print_context.h"
#include "platform/platform.h"
#include "util/file_control.h"

namespace kestrel {

// yyyymmdd_hhnnss of a local time.
std::string LogTimeStamp(const std::tm& local);

// BaseDir + zoq\plog\ + the name of the first print item without its
// extension + "_" + time stamp + ".txt". The name is one plain file name on
// both systems: a drive root ("C:\") gives its letter, a colon and the
// other characters a Windows name cannot hold become "_", and "plog" (the
// program log's own name) becomes "plog-job".
std::string JobLogName(const std::string& baseDir, const std::string& firstItem, const std::tm& local);

class ProgramLog {
 public:
  // Opening modes as the messages report them.
  static constexpr int kModeCreate = 65535;
  static constexpr int kModeAppend = 2;
  // A program log of this size or more is started anew.
  static constexpr uintmax_t kAppendLimit = 31000;

  ProgramLog(RunSettings& settings, Services services);

  // Creates zoq\plog and zoq\palog when missing; a failure is shown and
  // turns plog (or alog) off.
  void CreateLogFolders();

  // Opens the program log (named from the local time) when plog is on and
  // writes the start banner; returns the final plog value.
  int OpenProgramLog();
  int OpenProgramLogAt(const std::tm& local);

  // Writes one UTF-8 text (converted to code page 932). kind 2 goes to the
  // critical log while the program log is not open.
  void WriteLog(std::string_view text, LogLevel level = kLogInfo);
  void WriteLogf(LogLevel level, const char* format, ...) __attribute__((format(gnu_printf, 3, 4)));

  // Shows text + "\n" + the system's text for code (the last error when 0)
  // and returns the system's text.
  std::string ShowSystemError(const std::string& text, int code);

  // The settings dump: what the context received for the run, with the
  // window handle, log path and font names from the settings.
  void DumpSettings(const PrintContext& ctx);

  bool IsOpen() const { return stream_ != nullptr; }
  // The program log's file once it is open; empty before.
  const std::string& path() const { return path_; }

 private:
  void WriteCritical(std::string_view text);

  RunSettings& settings_;
  Services services_;
  FileControl files_;
  FileStream stream_;
  std::string path_;
};

}  // namespace kestrel
