#include "platform/native_path.h"

#include <cerrno>

namespace kestrel {

std::filesystem::path FsPath(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Path(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  if (path.empty()) {
    errno = ENOENT;
    return nullptr;
  }
#if defined(_WIN32)
  const std::string_view narrow(mode);
  return ::_wfopen(FsPath(path).c_str(), std::wstring(narrow.begin(), narrow.end()).c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

}  // namespace kestrel
