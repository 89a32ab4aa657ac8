// The engine's job log: one Shift-JIS text file per print-data file, lines
// written exactly as given (each text carries its own line end), and the
// critical-log fallback for error lines while the job log is off.
#pragma once

#include <string>
#include <string_view>

#include "engine/print_context.h"

namespace kestrel {

// The kind of a log line, for the job log and the program log alike: an
// error line goes to the critical log when its log is off.
enum LogLevel : int { kLogInfo = 0, kLogError = 2 };

// The line that reports a log not written because a link stands where it
// (or a folder of it) should be; %s is the log's path.
inline constexpr const char* kLinkRefusedLine = "ログの場所がリンクのため、このログは書きません(%s)\n";

// Opens (or keeps) the job log at the start of a job and writes its
// opening line.
void OpenEngineLog(PrintContext& ctx);
// Writes a UTF-8 text (converted to Shift-JIS).
void EngineLog(PrintContext& ctx, std::string_view utf8, int level = kLogInfo);
// Writes Shift-JIS bytes unchanged.
void EngineLogSjis(PrintContext& ctx, SjisView sjis, int level = kLogInfo);
// printf-style: the format is UTF-8; %s arguments are UTF-8 too.
void EngineLogf(PrintContext& ctx, int level, const char* format, ...) __attribute__((format(gnu_printf, 3, 4)));
// printf into a std::string (C99 conversions such as %zu on every system:
// the Windows build formats with the GNU printf of mingw-w64).
std::string Format(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// A failed step of the job: message in the job log at level and kept as
// the job's error text; returns -1.
int FailJobStep(PrintContext& ctx, const std::string& message, int level = kLogInfo);

// The system's text for an error code (the last error when code is 0).
std::string FormatSystemError(PrintContext& ctx, int code);

// The start-of-job block (computer name, OCR font choice file, settings)
// and the three path lines.
void WriteStartOfJobLines(PrintContext& ctx);
void WritePathLines(PrintContext& ctx);

}  // namespace kestrel
