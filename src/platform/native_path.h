// The one crossing of a path from the program's text (UTF-8) to the file
// system and back. Every file call takes its path through here.
//
// On Windows the file system names are UTF-16. A std::filesystem::path made
// from a plain std::string is read byte by byte there (each UTF-8 byte a
// character of its own), and the narrow C calls (fopen, _open) read their
// bytes in the machine's ANSI code page (code page 932 on a Japanese
// machine): either way a name with Japanese characters names another file.
// A path made from char8_t is decoded as UTF-8 into the UTF-16 path the
// "W" functions take; on Linux it is the same bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace kestrel {

// The file system's path for a UTF-8 path.
std::filesystem::path FsPath(std::string_view utf8);

// A file system path as UTF-8 (path::string() would give the ANSI code
// page's bytes on Windows, with "?" for what it cannot hold).
std::string Utf8Path(const std::filesystem::path& path);

// std::fopen of a UTF-8 path (_wfopen on Windows); nullptr with errno set
// when it fails.
std::FILE* OpenFile(const std::string& path, const char* mode);

// The attribute that marks a Windows name as a link (a symbolic link to a
// file or a folder, a junction, other reparse points):
// FILE_ATTRIBUTE_REPARSE_POINT.
inline constexpr uint32_t kAttributeReparsePoint = 0x400;

// Whether the last name of path is itself a link, not what it names: a
// symbolic link on Linux; on Windows a reparse point, as the name's folder
// lists it (std::filesystem there sees no links).
bool IsLink(const std::string& path);

}  // namespace kestrel
