// The comma-list form of the command line's -p value and of the offset
// file's values: items separated by commas or blanks, an item optionally in
// double quotes ("" inside stands for one quote). Hand-written because the
// cut at the first blank of an unquoted item and the empty item after a
// final comma are part of what callers rely on.
//
//   a.pdat,b.pdat   -> a.pdat | b.pdat
//   "c:\my data",1  -> c:\my data | 1
//   c:\my data      -> c:\my | data
//   a,              -> a | (empty)
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// Characters with codes 1-32 separate items like a comma does. Works on
// UTF-8 and on Shift-JIS alike (no byte of a multi-byte character is a
// comma, a quote or a blank).
std::vector<std::string> SplitCommaList(std::string_view text);

}  // namespace kestrel
