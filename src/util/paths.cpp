#include "util/paths.h"

#include <cctype>

#include "util/char_forms.h"
#include "util/utf8.h"

namespace kestrel {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The separator of this system's paths: a Windows build keeps the paths in
// the Windows form, backslashes throughout.
#if defined(_WIN32)
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string Slashes(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (IsSeparator(c)) c = kSeparator;
  }
  return out;
}

bool HasDrive(std::string_view path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::string UnderBase(std::string_view baseDir, std::string_view rest) {
  while (!rest.empty() && IsSeparator(rest.front())) rest.remove_prefix(1);
  std::string out(baseDir);
  if (!out.empty() && !IsSeparator(out.back())) out.push_back(kSeparator);
  out += Slashes(rest);
  return out;
}

std::string Resolve(std::string_view baseDir, std::string_view path, bool relativeUnderBase) {
  if (path.empty()) return {};
  // Drives exist on Windows only; elsewhere a drive path names its place
  // under the base folder.
  if (HasDrive(path)) return kSeparator == '\\' ? Slashes(path) : UnderBase(baseDir, path.substr(2));
  if (path.front() == '\\' || (kSeparator == '\\' && path.front() == '/')) return UnderBase(baseDir, path);
  if (path.front() == '/') return std::string(path);
  if (relativeUnderBase) return UnderBase(baseDir, path);
  return Slashes(path);
}

}  // namespace

std::string ResolvePath(std::string_view baseDir, std::string_view path) { return Resolve(baseDir, path, true); }

std::string ResolveUserPath(std::string_view baseDir, std::string_view path) {
  return Resolve(baseDir, path, false);
}

bool BackslashIsAmbiguous(std::string_view path) {
  if (IsValidUtf8(path)) return false;
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    if (!IsSjisLeadByte(static_cast<unsigned char>(path[i]))) continue;
    if (path[i + 1] == '\\') return true;
    ++i;  // the pair's second byte is no character of its own
  }
  return false;
}

std::string FileNameOf(std::string_view path) {
  size_t cut = path.find_last_of("\\/");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string WithoutExtension(std::string_view name) {
  size_t dot = name.rfind('.');
  return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string WithBackslashes(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

}  // namespace kestrel
