// Reading whole files without trusting them. Every file the program reads
// (settings and other profile files, information files, print lists,
// print data, pattern bitmaps) goes through ReadBoundedFile:
//  - it is opened without blocking, so a pipe or a device named as a file
//    never holds the run;
//  - it must be a regular file (links to one are followed);
//  - at most a limit fitting its kind is read: a longer file is refused
//    (or, for print data, cut at the limit), so a link to an endless device
//    or a huge sparse file never fills memory.
// Refusals are reported to the sink set with SetReadRefusalSink (the
// program's log, which takes each line once per program), one line per
// refused read, besides the status the caller gets.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kestrel {

// Profile files: settings, information files, print lists, offsets, font
// and printer choices.
inline constexpr size_t kProfileFileLimit = size_t(8) << 20;

enum class ReadStatus { kOk, kMissing, kOpenFailed, kNotRegular, kTooLarge, kReadFailed };

enum class BeyondLimit { kRefuse, kCut };

// Reads path into bytes (empty on anything but kOk). A file longer than
// limit is refused (kTooLarge), or with kCut read as its first limit bytes.
ReadStatus ReadBoundedFile(const std::string& path, size_t limit, std::string& bytes,
                           BeyondLimit beyond = BeyondLimit::kRefuse);
// The same into a caller's buffer of capacity bytes, always cutting there;
// got is the number of bytes read.
ReadStatus ReadBoundedFile(const std::string& path, void* buffer, size_t capacity, size_t& got);

// The refusal line for a status (empty for kOk, kMissing, kOpenFailed and
// kReadFailed, which callers report in their own words).
std::string ReadRefusalText(const std::string& path, ReadStatus status, size_t limit);

// Where refusal lines go; an empty function drops them.
void SetReadRefusalSink(std::function<void(const std::string&)> sink);

}  // namespace kestrel
