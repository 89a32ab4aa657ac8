#include "util/file_control.h"

#include <filesystem>
#include <system_error>

#include "platform/native_path.h"

namespace kestrel {

namespace fs = std::filesystem;

namespace {

std::string WithoutTrailingSeparator(const std::string& path) {
  if (!path.empty() && (path.back() == '\\' || path.back() == '/')) return path.substr(0, path.size() - 1);
  return path;
}

}  // namespace

int FileControl::DeletePath(const std::string& path, uint64_t /*owner*/, int mode) {
  const std::string text = WithoutTrailingSeparator(path);
  if (text.empty()) return kDeleteEmptyPath;
  const fs::path target = FsPath(text);
  std::error_code ec;
  switch (mode) {
    case 0:
      return system_.ShellDelete(text) == 0 ? 0 : 1;
    case 1: {
      auto status = fs::symlink_status(target, ec);
      if (ec || fs::is_directory(status)) return 1;
      return fs::remove(target, ec) && !ec ? 0 : 1;
    }
    case 2: {
      if (!fs::is_directory(fs::symlink_status(target, ec))) return 1;
      return fs::remove(target, ec) && !ec ? 0 : 1;
    }
    default:
      return 0;
  }
}

int FileControl::MakeFolder(const std::string& path, int mode) {
  const std::string text = WithoutTrailingSeparator(path);
  if (text.empty()) return kMakeFolderEmptyPath;
  const fs::path target = FsPath(text);
  if (mode != 0) return 0;
  std::error_code ec;
  fs::create_directories(target, ec);
  if (ec || !fs::is_directory(target, ec)) return kMakeFolderFailed;
  return 0;
}

}  // namespace kestrel
