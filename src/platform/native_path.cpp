#include "platform/native_path.h"

#include <cerrno>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#endif

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

bool IsLink(const std::string& path) {
  if (path.empty()) return false;
#if defined(_WIN32)
  // A name with a wildcard is no name of a file; a trailing separator would
  // list the folder's entries instead of the folder.
  std::wstring name = FsPath(path).native();
  if (name.find_first_of(L"*?") != std::wstring::npos) return false;
  while (name.size() > 1 && (name.back() == L'\\' || name.back() == L'/')) name.pop_back();
  _wfinddata64_t found{};
  const intptr_t listing = ::_wfindfirst64(name.c_str(), &found);
  if (listing == -1) return false;
  ::_findclose(listing);
  return (found.attrib & kAttributeReparsePoint) != 0;
#else
  std::error_code ec;
  return std::filesystem::is_symlink(std::filesystem::symlink_status(FsPath(path), ec));
#endif
}

}  // namespace kestrel
