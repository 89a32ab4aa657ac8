// Folder searches with the wildcard rules of the Windows file search
// (find-first/find-next), which callers' patterns are written for.
//  - "*" stands for any run of characters, "?" for any one character;
//    letters match without regard to ASCII case ("*.pdat" finds C.PDAT);
//  - "*.*" and "*" match every name; a pattern ending in ".*" also matches
//    the name without an extension.
// Entries come in the order the file system returns them; "." and ".."
// are never returned.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

bool MatchesWildcard(std::string_view name, std::string_view pattern);

// Names (not paths) of the entries of folder, files and folders alike, that
// match pattern. A missing or unreadable folder gives no entries.
std::vector<std::string> FindEntries(const std::string& folder, std::string_view pattern);

// The order of file names in a sorted listing: letters without regard to
// case, and as in the system's word order, punctuation before digits and
// digits before letters; other characters after these, byte by byte.
// Negative, 0 or positive like strcmp.
int CompareNamesForListing(std::string_view a, std::string_view b);

}  // namespace kestrel
