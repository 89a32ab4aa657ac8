// Opening files for writing and making folders without following links.
//
// Every file the program appends to (the program log, the job logs, the
// critical log, the analysis logs) is opened here: never through a link at
// its own name and, for a path under the product's base folder, never
// through a link at any folder between the base folder and the file. A
// folder made under the base folder is made one name at a time, the same
// way. Whoever may plant a link in the base folder (an operator of a
// group-writable base folder) cannot make a run write, truncate or create
// a file elsewhere.
//
// The per-system seam: LinkAt (is this name a link, junction or other
// redirection?) and the opening below; the Linux side uses O_NOFOLLOW and
// the *at calls, the Windows side the reparse-point attribute (IsLink of
// platform/native_path.h) and _wopen with the UTF-16 path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kestrel {

// The error of an opening refused because a link stood on the way.
bool IsLinkRefusal(int error);

// Opens path for appending, created when missing (permissions 0666 less the
// umask). root: the base folder; when path lies under it, no folder below
// root on the way may be a link. Only a regular file is opened (never a
// pipe or a device). nullptr with error set (IsLinkRefusal(error) when a
// link was met). A path holding a NUL is refused.
std::FILE* OpenForAppend(const std::string& path, const std::string& root, int& error);

// Creates path exclusively (fails when the name is taken, by a link too),
// under root as for OpenForAppend.
std::FILE* CreateExclusively(const std::string& path, const std::string& root, int& error);

// The size of an open file, -1 when unknown; EmptyOpenFile cuts it to no
// bytes (the file itself, never what a name points to now).
int64_t OpenFileSize(std::FILE* file);
bool EmptyOpenFile(std::FILE* file);

// Makes the folder path with its missing parents; under root, one name at
// a time without passing through a link (a link on the way fails with a
// link refusal). 0, or the system's error.
int MakeFoldersWithoutLinks(const std::string& path, const std::string& root);

// Whether the last name of path is a link (symbolic link, or on Windows a
// junction or other reparse point), not what it points to.
bool LinkAt(const std::string& path);

}  // namespace kestrel
