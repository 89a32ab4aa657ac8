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
#include <string_view>
#include <vector>

#include "app/program_log.h"
#include "app/run_settings.h"
#include "platform/system.h"
#include "util/file_control.h"

namespace kestrel {

// The folders a clean-up never deletes or empties, on real paths
// (absolute, no links, no "." or ".." steps): any folder that is one of the
// product folders or holds one ("/" holds them all), and any folder that
// is one of the system's folders (the Windows folder, the program folders),
// holds one or lies anywhere under one. A path that is not absolute is
// refused too. Windows names compare without regard to case.
bool HoldsProductFolder(std::string_view realFolder, const std::vector<std::string>& realProductFolders,
                        const std::vector<std::string>& realSystemFolders = {});

class PrintDataCleanup {
 public:
  PrintDataCleanup(const RunSettings& settings, ProgramLog& log, System& system);

  // Deletes the entries of base + sub matching pattern whose modification
  // time + age is before now, unless pdat_flg keeps print data.
  void CleanupOldPrintData(const std::string& base, const std::string& sub, int64_t age, const std::string& pattern);

  // Mode 0, 1: nothing. 2, 9: the folder itself. 3/4/5: files and
  // sub-folders / files / sub-folders of the folder, any name, any age.
  // 6/7/8: the same for the patterns (a comma list) older than age. Other
  // modes only trace. The folder is taken under BaseDir and resolved once
  // to its real path, which is judged and cleaned; links inside it are
  // removed, never entered. An empty folder path, and a folder that is or
  // holds a product folder or lies in a folder of the system
  // (HoldsProductFolder), are never cleaned: the refusal goes to the
  // critical log. Only System calls reach the files.
  // The folder from the settings must lie below the base folder, and never
  // inside a log folder (zoq\plog, zoq\palog).
  void CleanupPrintFolder(const std::string& folder, int64_t age, int32_t mode, const std::string& patterns);

  // $pdat2=9: deletes the folder a run printed from, given as the real path
  // the run resolved and printed (never derived again from text), when
  // every requested file of it printed (printedAll, at least one file).
  // Kept, with the reason in the log: a folder whose path the run could
  // not resolve (empty), a run that left a file unprinted or printed
  // nothing, and a folder that is or holds a product folder or one of
  // outputFolders (the run's JPEG pages, say).
  void CleanupPrintedFolder(const std::string& realFolder, bool printedAll,
                            const std::vector<std::string>& outputFolders);

  // How deep below the folder a clean-up goes: folders further down are not
  // entered (they and the folders above them stay, with a message).
  static constexpr int kMaxDepth = 100;

  // Seconds since 1970-01-01 UTC; the current time unless a test sets it.
  std::function<int64_t()> clock;

 private:
  void Trace(const std::string& path, int64_t now, const System::FileTimes& times);
  // The real path of path, or of its nearest existing folder with the
  // missing names after it; empty when nothing of it exists.
  std::string RealOrNearest(const std::string& path) const;
  // Real paths of the base folder, zoq, the PDF folder, the bookmark PDF
  // folder and the program's folder.
  std::vector<std::string> ProductFolders() const;
  // Real paths of the Windows folder and the system's other folders
  // (System::SystemFolders), each guarded with everything under it.
  std::vector<std::string> SystemFolders() const;
  std::vector<std::string> RealPaths(const std::vector<std::string>& folders) const;
  // Whether the real path names a folder (not a file, not a link).
  bool IsFolder(const std::string& real) const;
  // Deletes the folder real with everything in it, one entry at a time
  // without recursion and without entering a link (ListFolder's kinds
  // tell links); at most kMaxDepth folders deep. false when something
  // stayed.
  bool RemoveTree(const std::string& real);

  const RunSettings& settings_;
  ProgramLog& log_;
  System& system_;
  FileControl files_;
};

}  // namespace kestrel
