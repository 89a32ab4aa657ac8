#include "util/replacing_file.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <system_error>

namespace kestrel {

namespace {

std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A name no other process picks at the same time: the random device mixed
// with the clock and a counter of this process.
std::string TemporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  static const uint64_t seed = [] {
    std::random_device device;
    return (uint64_t(device()) << 32) ^ device();
  }();
  uint64_t value = seed ^ uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                   (uint64_t(counter.fetch_add(1)) << 48);
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(value));
  return path + ".~" + hex;
}

}  // namespace

ReplacingFile::~ReplacingFile() { Discard(); }

bool ReplacingFile::Open(const std::string& path) {
  Discard();
  failed_ = false;
  if (path.empty()) return false;
  path_ = path;
  temp_ = TemporaryName(path);
  file_ = std::fopen(temp_.c_str(), "wb");
  if (file_ == nullptr) temp_.clear();
  return file_ != nullptr;
}

bool ReplacingFile::Write(std::string_view bytes) {
  if (file_ == nullptr) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
  return !failed_;
}

bool ReplacingFile::Commit() {
  if (file_ == nullptr) return false;
  if (std::fflush(file_) != 0 || std::ferror(file_)) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  if (!failed_) {
    std::error_code ec;
    // The new file keeps the permissions of the one it replaces (a settings
    // file opened up for every user stays open).
    auto status = std::filesystem::status(FsPath(path_), ec);
    if (!ec && std::filesystem::is_regular_file(status))
      std::filesystem::permissions(FsPath(temp_), status.permissions(), ec);
    std::filesystem::rename(FsPath(temp_), FsPath(path_), ec);
    if (!ec) {
      temp_.clear();
      return true;
    }
    failed_ = true;
  }
  Discard();
  return false;
}

void ReplacingFile::Discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_.empty()) {
    std::remove(temp_.c_str());
    temp_.clear();
  }
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
  ReplacingFile file;
  return file.Open(path) && file.Write(bytes) && file.Commit();
}

}  // namespace kestrel
