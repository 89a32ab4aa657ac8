#include "app/cleanup.h"

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "util/field_splitter.h"
#include "util/find_files.h"
#include "util/numbers.h"
#include "util/paths.h"
#include "platform/text_codec.h"
#include "util/local_time.h"
#include "platform/native_path.h"

namespace kestrel {

namespace fs = std::filesystem;

namespace {

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

LocalTime Local(int64_t seconds) {
  std::tm tm = LocalTimeOf(std::time_t(seconds));
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// The components of a real path ("/a/b" gives a, b; "C:\a\b" gives C:, a, b).
// A backslash separates too: in a name on Linux it can only make a folder
// look like it holds more, never less.
std::vector<std::string_view> Components(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t pos = 0;
  while (pos < path.size()) {
    size_t end = path.find_first_of("/\\", pos);
    if (end == std::string_view::npos) end = path.size();
    if (end > pos) parts.push_back(path.substr(pos, end - pos));
    pos = end + 1;
  }
  return parts;
}

// Whether two names of a path are the same name: Windows names are the
// same in any case of their ASCII letters.
bool SameName(std::string_view a, std::string_view b) {
  if (!kWindowsFileNames) return a == b;
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// Whether the real path lies at or below the real folder.
bool IsWithin(std::string_view path, std::string_view folder) {
  const auto inner = Components(path), outer = Components(folder);
  return inner.size() >= outer.size() && std::equal(outer.begin(), outer.end(), inner.begin(), SameName);
}

}  // namespace

PrintDataCleanup::PrintDataCleanup(const RunSettings& settings, ProgramLog& log, System& system)
    : clock([] { return int64_t(std::time(nullptr)); }), settings_(settings), log_(log), system_(system),
      files_(system) {}

void PrintDataCleanup::Trace(const std::string& path, int64_t now, const System::FileTimes& times) {
  if (settings_.plog == 0) return;
  const LocalTime n = Local(now), m = Local(times.modified), c = Local(times.changed), a = Local(times.accessed);
  log_.WriteLogf(kLogInfo,
                 "fname(%s)\n tt:%ld,%04d/%02d/%02d %02d:%02d:%02d\n m_time:%ld,%04d/%02d/%02d %02d:%02d:%02d\n"
                 " c_time:%ld,%04d/%02d/%02d %02d:%02d:%02d\n a_time:%ld,%04d/%02d/%02d %02d:%02d:%02d\n",
                 path.c_str(), long(now), n.year, n.month, n.day, n.hour, n.minute, n.second, long(times.modified),
                 m.year, m.month, m.day, m.hour, m.minute, m.second, long(times.changed), c.year, c.month, c.day,
                 c.hour, c.minute, c.second, long(times.accessed), a.year, a.month, a.day, a.hour, a.minute,
                 a.second);
}

void PrintDataCleanup::CleanupOldPrintData(const std::string& base, const std::string& sub, int64_t age,
                                           const std::string& pattern) {
  const std::string folder = ResolvePath(base, sub);
  const auto names = FindEntries(folder, pattern);
  if (names.empty()) return;
  const int64_t now = clock();
  for (const std::string& name : names) {
    const std::string full = JoinPath(folder, name);
    System::FileTimes times;
    // Times that cannot be read never make an entry old.
    const bool known = system_.GetFileTimes(full, times);
    Trace(full, now, times);
    if (known && times.modified + age < now && settings_.pdat_flg == 0) {
      if (settings_.plog != 0) log_.WriteLogf(kLogInfo, "■delete %s ■\n", full.c_str());
      files_.DeletePath(full, 0, 1);
    }
  }
}

bool HoldsProductFolder(std::string_view realFolder, const std::vector<std::string>& realProductFolders,
                        const std::vector<std::string>& realSystemFolders) {
  // Absolute: from the root ("/..."), a drive's root ("C:\...") or a share
  // ("\\server\...").
  const bool fromRoot = !realFolder.empty() && realFolder.front() == '/';
  const bool fromShare = realFolder.substr(0, 2) == "\\\\";
  const bool fromDrive =
      realFolder.size() >= 3 && realFolder[1] == ':' && (realFolder[2] == '\\' || realFolder[2] == '/');
  if (!fromRoot && !fromShare && !fromDrive) return true;
  const auto folder = Components(realFolder);
  // The first n components of a and b are the same names.
  auto samePrefix = [](const std::vector<std::string_view>& a, const std::vector<std::string_view>& b, size_t n) {
    for (size_t i = 0; i < n; ++i)
      if (!SameName(a[i], b[i])) return false;
    return true;
  };
  for (const std::string& product : realProductFolders) {
    const auto held = Components(product);
    if (folder.size() <= held.size() && samePrefix(folder, held, folder.size())) return true;
  }
  for (const std::string& system : realSystemFolders) {
    const auto tree = Components(system);
    const size_t n = std::min(folder.size(), tree.size());
    if (samePrefix(folder, tree, n)) return true;
  }
  return false;
}

std::string PrintDataCleanup::RealOrNearest(const std::string& path) const {
  // The nearest folder that exists, resolved, and the names below it as
  // written (with their "." and ".." steps taken).
  fs::path missing;
  fs::path at = FsPath(path).lexically_normal();
  std::string real = system_.RealPath(Utf8Path(at));
  while (real.empty() && at.has_relative_path() && at.has_parent_path() && at != at.parent_path()) {
    missing = at.filename() / missing;
    at = at.parent_path();
    real = system_.RealPath(Utf8Path(at));
  }
  if (real.empty()) return {};
  std::string out = Utf8Path((FsPath(real) / missing).lexically_normal());
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

bool PrintDataCleanup::IsFolder(const std::string& real) const {
  const fs::path path = FsPath(real);
  if (!path.has_filename()) return true;  // a root
  const std::string name = Utf8Path(path.filename());
  for (const System::FolderEntry& entry : system_.ListFolder(Utf8Path(path.parent_path())))
    if (entry.name == name) return entry.kind == System::EntryKind::kFolder;
  return false;
}

std::vector<std::string> PrintDataCleanup::RealPaths(const std::vector<std::string>& folders) const {
  std::vector<std::string> real;
  for (const std::string& folder : folders) {
    if (folder.empty()) continue;
    std::string path = RealOrNearest(folder);
    if (!path.empty()) real.push_back(std::move(path));
  }
  return real;
}

std::vector<std::string> PrintDataCleanup::ProductFolders() const {
  return RealPaths({settings_.BaseDir, ProductPath(settings_.BaseDir, "zoq"), settings_.PdfFolder,
                    ResolvePath(settings_.BaseDir, settings_.BookMarkPdfPath), system_.ProgramDir()});
}

std::vector<std::string> PrintDataCleanup::SystemFolders() const {
  std::vector<std::string> folders = system_.SystemFolders();
  folders.push_back(settings_.WindowsDir);
  return RealPaths(folders);
}

void PrintDataCleanup::CleanupPrintFolder(const std::string& folder, int64_t age, int32_t mode,
                                          const std::string& patterns) {
  if (mode == 0 || mode == 1) return;
  const bool deletes = mode >= 2 && mode <= 9;
  auto refuse = [&] {
    log_.WriteLogf(kLogError, "CleanupPrintFolder : 削除できないフォルダが指定されています。削除を行いません(%s)\n",
                   folder.c_str());
  };
  // One resolution: the folder's real path (links and "." / ".." steps
  // taken) is what is judged and what is cleaned.
  // A settings path whose ".." steps climb above the base folder is
  // refused, not followed.
  const std::string resolved = ClimbsAboveBase(folder) ? std::string() : ResolvePath(settings_.BaseDir, folder);
  if (resolved.empty()) {
    if (deletes) refuse();
    return;
  }
  const std::string real = system_.RealPath(resolved);
  if (real.empty()) return;  // a folder that does not exist has nothing to clean
  // Only a folder below the base folder is cleaned, never a file named
  // here (the settings file, a log) in its place, nor a log folder or
  // anything in one.
  if (deletes) {
    const std::string base = RealOrNearest(settings_.BaseDir);
    bool inLogs = false;
    for (const char* logs : {"zoq\\plog", "zoq\\palog"}) {
      const std::string folderOfLogs = RealOrNearest(ProductPath(settings_.BaseDir, logs));
      inLogs = inLogs || (!folderOfLogs.empty() && IsWithin(real, folderOfLogs));
    }
    if (base.empty() || !IsWithin(real, base) || inLogs ||
        HoldsProductFolder(real, ProductFolders(), SystemFolders()) || !IsFolder(real)) {
      refuse();
      return;
    }
  }
  if (mode == 2 || mode == 9) {
    RemoveTree(real);
    return;
  }
  bool files = false, folders = false;
  int64_t now = 0;
  std::string list = patterns;
  switch (mode) {
    case 3: files = folders = true; list = "*.*"; break;
    case 4: files = true; list = "*.*"; break;
    case 5: folders = true; list = "*.*"; break;
    case 6: files = folders = true; now = clock(); break;
    case 7: files = true; now = clock(); break;
    case 8: folders = true; now = clock(); break;
    default: break;
  }
  FieldSplitter splitter;
  splitter.SplitLoose(SjisFromUtf8(list));
  for (size_t i = 0; i < splitter.FieldCount(); ++i) {
    const std::string pattern = Utf8FromSjis(splitter.GetField(i, "0"));
    for (const System::FolderEntry& entry : system_.ListFolder(real)) {
      if (!MatchesWildcard(entry.name, pattern)) continue;
      const std::string full = JoinPath(real, entry.name);
      // A link is never a folder here: it is removed itself, never entered.
      const bool isFolder = entry.kind == System::EntryKind::kFolder;
      bool attempted = false;
      if ((isFolder && folders) || (!isFolder && files)) {
        if (now == 0 || (entry.timesKnown && entry.times.modified + age < now)) {
          if (isFolder) RemoveTree(full);
          else files_.DeletePath(full, 0, 0);
          attempted = true;
        }
      }
      if (settings_.plog != 0) {
        Trace(full, now, entry.times);
        if (attempted) log_.WriteLogf(kLogInfo, "■delete %s ■\n", full.c_str());
      }
    }
  }
}

void PrintDataCleanup::CleanupPrintedFolder(const std::string& realFolder, bool printedAll,
                                            const std::vector<std::string>& outputFolders) {
  if (realFolder.empty()) {
    log_.WriteLog("CleanupPrintFolder : 印刷したフォルダの場所が確定できないため、削除を行いません\n", kLogError);
    return;
  }
  if (!printedAll) {
    log_.WriteLogf(kLogError,
                   "CleanupPrintFolder : 印刷されなかったファイルがあるため、フォルダを削除しません(%s)\n",
                   realFolder.c_str());
    return;
  }
  std::vector<std::string> kept = ProductFolders();
  for (const std::string& folder : outputFolders) {
    if (folder.empty()) continue;
    std::string real = RealOrNearest(folder);
    if (!real.empty()) kept.push_back(std::move(real));
  }
  if (HoldsProductFolder(realFolder, kept) || !IsFolder(realFolder)) {
    log_.WriteLogf(kLogError,
                   "CleanupPrintFolder : 出力先または製品のフォルダを含むため、フォルダを削除しません(%s)\n",
                   realFolder.c_str());
    return;
  }
  RemoveTree(realFolder);
}

bool PrintDataCleanup::RemoveTree(const std::string& real) {
  struct Step {
    std::string path;
    int depth;
    bool listed;
  };
  std::vector<Step> steps{{real, 0, false}};
  bool whole = true, tooDeep = false;
  while (!steps.empty()) {
    if (steps.back().listed) {
      // Everything below is done: the folder goes if it is empty now.
      const std::string path = steps.back().path;
      steps.pop_back();
      if (!system_.ListFolder(path).empty() || files_.DeletePath(path, 0, 0) != 0) whole = false;
      continue;
    }
    steps.back().listed = true;
    const std::string path = steps.back().path;
    const int depth = steps.back().depth;
    if (depth >= kMaxDepth) {
      tooDeep = true;
      whole = false;
      steps.pop_back();
      continue;
    }
    for (const System::FolderEntry& entry : system_.ListFolder(path)) {
      const std::string full = JoinPath(path, entry.name);
      if (entry.kind == System::EntryKind::kFolder) {
        steps.push_back({full, depth + 1, false});
      } else if (files_.DeletePath(full, 0, 0) != 0) {
        whole = false;  // a file, a link (itself, never what it names) or another entry
      }
    }
  }
  if (tooDeep)
    log_.WriteLogf(kLogError, "CleanupPrintFolder : フォルダの階層が深すぎるため、%d 階層より下は削除しません(%s)\n",
                   kMaxDepth, real.c_str());
  return whole;
}

}  // namespace kestrel
