#include "app/log_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/native_path.h"
#include "util/paths.h"

namespace kestrel {

namespace fs = std::filesystem;

namespace {

constexpr struct {
  LogKind kind;
  const char* name;
} kKindNames[] = {{LogKind::kProgram, "program"},
                  {LogKind::kJob, "job"},
                  {LogKind::kCritical, "critical"},
                  {LogKind::kAnalysis, "analysis"}};

fs::path NativePath(const std::string& utf8) { return FsPath(utf8); }

std::string Utf8(const fs::path& path) { return Utf8Path(path); }

bool Digits(std::string_view s, size_t from, size_t count) {
  if (s.size() < from + count) return false;
  return std::all_of(s.begin() + long(from), s.begin() + long(from + count),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// plog_<yyyymmdd>_<hhnnss>.txt, the program log's own name; any other
// text file in zoq/plog is a job log.
bool IsProgramLogName(std::string_view name) {
  return name.size() == 24 && name.starts_with("plog_") && Digits(name, 5, 8) && name[13] == '_' &&
         Digits(name, 14, 6) && name.ends_with(".txt");
}

void Collect(const fs::path& folder, std::optional<LogKind> only, const std::vector<LogKind>& kinds,
             std::vector<LogFile>& logs) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = Utf8(it->path().filename());
    if (!name.ends_with(".txt") || !it->is_regular_file(ec) || it->is_symlink(ec)) continue;
    const LogKind kind = only ? *only : IsProgramLogName(name) ? LogKind::kProgram : LogKind::kJob;
    if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) continue;
    const auto time = fs::last_write_time(it->path(), ec);
    if (ec) continue;
    logs.push_back({Utf8(it->path()), kind, int64_t(time.time_since_epoch().count())});
  }
}

}  // namespace

const char* LogKindName(LogKind kind) {
  for (const auto& k : kKindNames)
    if (k.kind == kind) return k.name;
  return "";
}

std::optional<LogKind> LogKindNamed(std::string_view name) {
  for (const auto& k : kKindNames)
    if (name == k.name) return k.kind;
  return std::nullopt;
}

std::vector<LogFile> FindLogs(const std::string& baseDir, const std::vector<LogKind>& kinds) {
  std::vector<LogFile> logs;
  auto wants = [&](LogKind k) { return std::find(kinds.begin(), kinds.end(), k) != kinds.end(); };
  if (wants(LogKind::kProgram) || wants(LogKind::kJob))
    Collect(NativePath(ProductPath(baseDir, "zoq\\plog")), std::nullopt, kinds, logs);
  if (wants(LogKind::kAnalysis)) Collect(NativePath(ProductPath(baseDir, "zoq\\palog")), LogKind::kAnalysis, kinds, logs);
  if (wants(LogKind::kCritical)) {
    const fs::path critical = NativePath(ProductPath(baseDir, "zoq\\CriticalPLOG.txt"));
    std::error_code ec;
    if (fs::is_regular_file(fs::symlink_status(critical, ec))) {
      const auto time = fs::last_write_time(critical, ec);
      if (!ec) logs.push_back({Utf8(critical), LogKind::kCritical, int64_t(time.time_since_epoch().count())});
    }
  }
  std::sort(logs.begin(), logs.end(), [](const LogFile& a, const LogFile& b) {
    return a.modified != b.modified ? a.modified < b.modified : a.path < b.path;
  });
  return logs;
}

void LogReader::Close::operator()(std::FILE* f) const { std::fclose(f); }

LogReader::LogReader(std::string path, uint64_t from) : path_(std::move(path)), at_(from) {}

SjisString LogReader::Next(bool atEnd) {
  if (!file_) {
    // Opened on first use: a log that is not there yet is simply empty.
    std::FILE* f = OpenFile(path_, "rb");
    if (f == nullptr) return {};
    file_.reset(f);
  }
  std::error_code ec;
  const uintmax_t size = fs::file_size(NativePath(path_), ec);
  if (!ec && size < at_) {
    // Emptied and begun again: what was pending belonged to the old text.
    at_ = 0;
    pending_.clear();
  }
  std::fseek(file_.get(), long(at_), SEEK_SET);
  std::clearerr(file_.get());
  const size_t room = kPiece > pending_.size() ? kPiece - pending_.size() : 0;
  const size_t old = pending_.size();
  pending_.resize(old + room);
  const size_t got = std::fread(pending_.data() + old, 1, room, file_.get());
  pending_.resize(old + got);
  at_ += got;
  // Up to the last whole character: a lead byte whose trail byte is not
  // written yet waits for the next piece.
  size_t cut = 0;
  while (cut < pending_.size()) {
    const auto c = static_cast<unsigned char>(pending_[cut]);
    const size_t n = ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
    if (cut + n > pending_.size()) break;
    cut += n;
  }
  if (got == 0 && cut == 0 && atEnd) cut = pending_.size();
  SjisString piece = pending_.substr(0, cut);
  pending_.erase(0, cut);
  return piece;
}

}  // namespace kestrel
