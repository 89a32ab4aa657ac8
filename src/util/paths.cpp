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

// The part of path that Resolve puts under the base folder; empty with
// underBase false for a path it leaves where it is.
std::string_view PartUnderBase(std::string_view path, bool& underBase) {
  underBase = true;
  if (HasDrive(path)) {
    underBase = kSeparator != '\\';
    return path.substr(2);
  }
  if (!path.empty() && path.front() == '/' && kSeparator != '\\') underBase = false;
  return path;
}

}  // namespace

bool ClimbsAboveBase(std::string_view path) {
  bool underBase = false;
  std::string_view rest = PartUnderBase(path, underBase);
  if (!underBase) return false;
  int depth = 0;
  size_t at = 0;
  while (at <= rest.size()) {
    size_t end = at;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    std::string_view name = rest.substr(at, end - at);
    // Windows drops a name's trailing blanks and dots: ".. " and "..."
    // step up as ".." does.
    if (kWindowsFileNames) {
      while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
      if (name.size() > 2 && name.find_first_not_of('.') == std::string_view::npos) name = "..";
    }
    if (name == "..") {
      if (--depth < 0) return true;
    } else if (!name.empty() && name != ".") {
      ++depth;
    }
    at = end + 1;
  }
  return false;
}

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

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  const bool endsWithSeparator = !out.empty() && (out.back() == '/' || out.back() == kSeparator);
  if (!endsWithSeparator) out.push_back(kSeparator);
  out += name;
  return out;
}

std::string OnBaseDrive(std::string_view baseDir, std::string_view path) {
  return HasDrive(path) ? UnderBase(baseDir, path.substr(2)) : ResolvePath(baseDir, path);
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
