// Paths in the Windows forms the product's files and callers use, turned
// into paths of this system.
//
// Drive-root model: the product lives under a base folder that stands for
// the root of the drive the program runs from (BaseDir, ending with a
// separator). A drive path "X:\..." and a rooted path "\..." name places
// under it; product paths such as "zoq\kestrel.inf" are relative to it.
// Backslashes become slashes; a POSIX absolute path is used as it is; case
// is kept (lower-casing would name another file). A Windows build keeps
// the Windows form instead: slashes become backslashes, a drive path is
// that drive's, and "/..." is a rooted path like "\..." (under the base
// folder, which stands for the program's drive).
//
//   ResolvePath("/opt/k/", "c:\vpdf")            -> /opt/k/vpdf
//   ResolvePath("/opt/k/", "\zoq\bunsho")        -> /opt/k/zoq/bunsho
//   ResolvePath("/opt/k/", "zoq\plog\a.txt")     -> /opt/k/zoq/plog/a.txt
//   ResolvePath("/opt/k/", "/var/data/a.pdat")   -> /var/data/a.pdat
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// Whether this system's file names are Windows names: case-insensitive (a
// caller's print target is lowered) with "\" as the separator (the logged
// items of the print target show it).
#if defined(_WIN32)
inline constexpr bool kWindowsFileNames = true;
#else
inline constexpr bool kWindowsFileNames = false;
#endif

// The separator this system's paths are joined with.
inline constexpr const char* kPathSeparator = kWindowsFileNames ? "\\" : "/";

// A product path: relative paths are taken from baseDir.
std::string ResolvePath(std::string_view baseDir, std::string_view path);

// A path given by a user or caller (command line, print lists): like
// ResolvePath, except that a plain relative path stays relative to the
// working folder (only its backslashes become slashes).
std::string ResolveUserPath(std::string_view baseDir, std::string_view path);

// Whether a product path that ResolvePath puts under the base folder (a
// rooted "\..." or a relative path; on Linux a drive path too) climbs
// above the base folder with its ".." steps ("\..\out", "zoq\..\..").
// Absolute paths of this system (a Windows drive path, a POSIX path) are
// the caller's own choice and never climb.
bool ClimbsAboveBase(std::string_view path);

// Whether the backslashes of a user path cannot be told from the bytes of
// its characters: the text is not UTF-8 (Shift-JIS bytes, as a caller may
// hand them) and holds a Shift-JIS character whose second byte is 0x5C,
// the backslash. Turning its backslashes into separators would split that
// character and name another place.
bool BackslashIsAmbiguous(std::string_view path);

// baseDir followed by a product path ("zoq\plog"), the shorthand for
// ResolvePath on relative product paths.
inline std::string ProductPath(std::string_view baseDir, std::string_view relative) {
  return ResolvePath(baseDir, relative);
}

// name joined to folder with this system's separator, one separator between
// them whatever folder ends with ("C:\zoq\" and "x" give "C:\zoq\x" on
// Windows, "/" and "x" give "/x" on Linux).
std::string JoinPath(std::string_view folder, std::string_view name);

// A default of the product named on drive C: ("c:\vpdf") put on the
// program's drive: its part after the drive under the base folder ("D:\"
// gives "D:\vpdf"; on Linux the same as ResolvePath).
std::string OnBaseDrive(std::string_view baseDir, std::string_view path);

// The last name of a path (after the last "\" or "/").
std::string FileNameOf(std::string_view path);
// A name without its extension (from its last "."; a name without one is
// returned whole).
std::string WithoutExtension(std::string_view name);
// Every "/" replaced by "\" (the form paths are logged in).
std::string WithBackslashes(std::string_view path);

}  // namespace kestrel
