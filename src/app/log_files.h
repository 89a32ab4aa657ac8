// The logs of a base folder as a terminal reader finds them: which file is
// which kind of log, the newest of each, and what a log gained since it
// was last read.
//   program   zoq/plog/plog_<date>_<time>.txt (one per process)
//   job       zoq/plog/<print data>_<date>_<time>.txt (one per print-data file)
//   critical  zoq/CriticalPLOG.txt
//   analysis  zoq/palog/alog_<date>_<time>[_N].txt
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_codec.h"

namespace kestrel {

enum class LogKind { kProgram, kJob, kCritical, kAnalysis };

inline constexpr LogKind kAllLogKinds[] = {LogKind::kProgram, LogKind::kJob, LogKind::kCritical, LogKind::kAnalysis};

// "program", "job", "critical", "analysis".
const char* LogKindName(LogKind kind);
std::optional<LogKind> LogKindNamed(std::string_view name);

struct LogFile {
  std::string path;
  LogKind kind;
  int64_t modified;  // file clock ticks; only compared
};

// The regular files of the given kinds under baseDir's zoq folder, oldest
// first (by modification time, then by name). Links are not logs Kestrel
// wrote and are left out.
std::vector<LogFile> FindLogs(const std::string& baseDir, const std::vector<LogKind>& kinds);

// Reads a log from a position on, in pieces that end after a whole
// Shift-JIS character, so that no character is cut between two pieces.
class LogReader {
 public:
  static constexpr size_t kPiece = size_t(1) << 20;

  explicit LogReader(std::string path, uint64_t from = 0);
  // The next piece (empty when there is nothing new). A lone lead byte at
  // the end waits for its trail byte, unless atEnd (the file is complete).
  // A file that became shorter (emptied by a new run) is read again from
  // its start.
  SjisString Next(bool atEnd = false);
  const std::string& path() const { return path_; }

 private:
  struct Close {
    void operator()(std::FILE* f) const;
  };
  std::string path_;
  uint64_t at_;
  std::unique_ptr<std::FILE, Close> file_;
  SjisString pending_;
};

}  // namespace kestrel
