#include "app/cleanup.h"

#include <ctime>
#include <filesystem>
#include <system_error>

#include "util/field_splitter.h"
#include "util/find_files.h"
#include "util/numbers.h"
#include "util/paths.h"
#include "util/text_codec.h"
#include "util/local_time.h"

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

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(path, ec));
}

}  // namespace

PrintDataCleanup::PrintDataCleanup(const RunSettings& settings, ProgramLog& log, System& system)
    : clock([] { return int64_t(std::time(nullptr)); }), settings_(settings), log_(log), system_(system),
      files_(system) {}

void PrintDataCleanup::Trace(const std::string& path, int64_t now, const System::FileTimes& times) {
  if (settings_.plog == 0) return;
  const LocalTime n = Local(now), m = Local(times.modified), c = Local(times.changed), a = Local(times.accessed);
  log_.WriteLogf(kLogOrdinary,
                 "fname(%s)\n tt:%ld,%04d/%02d/%02d %02d:%02d:%02d\n m_time:%ld,%04d/%02d/%02d %02d:%02d:%02d\n"
                 " c_time:%ld,%04d/%02d/%02d %02d:%02d:%02d\n a_time:%ld,%04d/%02d/%02d %02d:%02d:%02d\n",
                 path.c_str(), long(now), n.year, n.month, n.day, n.hour, n.minute, n.second, long(times.modified),
                 m.year, m.month, m.day, m.hour, m.minute, m.second, long(times.changed), c.year, c.month, c.day,
                 c.hour, c.minute, c.second, long(times.accessed), a.year, a.month, a.day, a.hour, a.minute,
                 a.second);
}

void PrintDataCleanup::CleanupOldPrintData(const std::string& base, const std::string& sub, int64_t age,
                                           const std::string& pattern) {
  std::string folder = ResolvePath(base, sub);
  if (!folder.empty() && folder.back() != '/') folder.push_back('/');
  const auto names = FindEntries(folder, pattern);
  if (names.empty()) return;
  const int64_t now = clock();
  for (const std::string& name : names) {
    const std::string full = folder + name;
    System::FileTimes times;
    // Times that cannot be read never make an entry old.
    const bool known = system_.GetFileTimes(full, times);
    Trace(full, now, times);
    if (known && times.modified + age < now && settings_.pdat_flg == 0) {
      if (settings_.plog != 0) log_.WriteLogf(kLogOrdinary, "■delete %s ■\n", full.c_str());
      files_.DeletePath(full, 0, 1);
    }
  }
}

bool PrintDataCleanup::IsProtectedFolder(const std::string& folder, const std::string& resolved) const {
  // Only separators, or a drive with nothing after it, name a drive root.
  std::string rest = folder;
  if (rest.size() >= 2 && rest[1] == ':') rest.erase(0, 2);
  if (rest.find_first_not_of("\\/ ") == std::string::npos) return true;
  if (resolved.empty()) return true;
  std::error_code ec;
  const fs::path target = fs::weakly_canonical(fs::path(WithoutTrailingSeparators(resolved)), ec);
  if (ec || target.empty() || target == target.root_path()) return true;
  const fs::path base = fs::weakly_canonical(fs::path(WithoutTrailingSeparators(settings_.BaseDir)), ec);
  if (ec) return true;
  // The base folder or any folder above it.
  auto t = target.begin();
  auto b = base.begin();
  for (; t != target.end() && b != base.end(); ++t, ++b) {
    if (*t != *b) return false;
  }
  return t == target.end();
}

void PrintDataCleanup::CleanupPrintFolder(const std::string& folder, int64_t age, int32_t mode,
                                          const std::string& patterns) {
  if (mode == 0 || mode == 1) return;
  const std::string resolved = WithoutTrailingSeparators(ResolvePath(settings_.BaseDir, folder));
  if (mode >= 2 && mode <= 9 && IsProtectedFolder(folder, resolved)) {
    log_.WriteLogf(kLogCritical, "CleanupPrintFolder : 削除できないフォルダが指定されています。削除を行いません(%s)\n",
                   folder.c_str());
    return;
  }
  if (mode == 2 || mode == 9) {
    files_.DeletePath(resolved, 0, 0);
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
    for (const std::string& name : FindEntries(resolved, pattern)) {
      const std::string full = resolved + "/" + name;
      System::FileTimes times;
      const bool known = system_.GetFileTimes(full, times);
      const bool isFolder = IsDirectory(full);
      bool attempted = false;
      if ((isFolder && folders) || (!isFolder && files)) {
        if (now == 0 || (known && times.modified + age < now)) {
          files_.DeletePath(full, 0, 0);
          attempted = true;
        }
      }
      if (settings_.plog != 0) {
        Trace(full, now, times);
        if (attempted) log_.WriteLogf(kLogOrdinary, "■delete %s ■\n", full.c_str());
      }
    }
  }
}

}  // namespace kestrel
