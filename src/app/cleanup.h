// Clean-up of used print data at the end of a run:
//  - CleanupOldPrintData: "*.pdat" files of zoq older than 30 minutes
//    (after single-file runs and runs that printed nothing);
//  - CleanupPrintFolder: a configured folder by the rule [PM2] $pdat2
//    (after folder runs and runs whose print target was unusable).
// With the program log on, every examined entry leaves a trace block and
// every attempted deletion a "■delete" line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/program_log.h"
#include "app/run_settings.h"
#include "platform/system.h"
#include "util/file_control.h"

namespace kestrel {

class PrintDataCleanup {
 public:
  PrintDataCleanup(const RunSettings& settings, ProgramLog& log, System& system);

  // Deletes the entries of base + sub matching pattern whose modification
  // time + age is before now, unless pdat_flg keeps print data.
  void CleanupOldPrintData(const std::string& base, const std::string& sub, int64_t age, const std::string& pattern);

  // Mode 0, 1: nothing. 2, 9: the folder itself. 3/4/5: files and
  // sub-folders / files / sub-folders of the folder, any name, any age.
  // 6/7/8: the same for the patterns (a comma list) older than age. Other
  // modes only trace. The folder is taken under BaseDir. A folder that is
  // empty, a drive root, the base folder or one holding it is never
  // cleaned: the refusal goes to the critical log.
  void CleanupPrintFolder(const std::string& folder, int64_t age, int32_t mode, const std::string& patterns);

  // Seconds since 1970-01-01 UTC; the current time unless a test sets it.
  std::function<int64_t()> clock;

 private:
  void Trace(const std::string& path, int64_t now, const System::FileTimes& times);
  bool IsProtectedFolder(const std::string& folder, const std::string& resolved) const;

  const RunSettings& settings_;
  ProgramLog& log_;
  System& system_;
  FileControl files_;
};

}  // namespace kestrel
