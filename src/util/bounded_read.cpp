#include "util/bounded_read.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/native_path.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kestrel {

namespace {

std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

ReadStatus Report(const std::string& path, ReadStatus status, size_t limit) {
  std::string line = ReadRefusalText(path, status, limit);
  if (!line.empty() && Sink()) Sink()(line);
  return status;
}

#if defined(_WIN32)
struct Handle {
  std::FILE* file = nullptr;
  ~Handle() {
    if (file != nullptr) std::fclose(file);
  }
};
#else
// Closes a descriptor when it goes out of scope.
struct Handle {
  int fd = -1;
  ~Handle() {
    if (fd >= 0) ::close(fd);
  }
};
#endif

// Opens path for reading when it is a regular file; size is the size it
// claims.
ReadStatus OpenRegular(const std::string& path, Handle& h, uintmax_t& size) {
  size = 0;
#if defined(_WIN32)
  std::error_code ec;
  const std::filesystem::path native = FsPath(path);
  auto status = std::filesystem::status(native, ec);
  if (ec || !std::filesystem::exists(status)) return ReadStatus::kMissing;
  if (!std::filesystem::is_regular_file(status)) return ReadStatus::kNotRegular;
  size = std::filesystem::file_size(native, ec);
  if (ec) size = 0;
  h.file = OpenFile(path, "rb");
  return h.file != nullptr ? ReadStatus::kOk : ReadStatus::kOpenFailed;
#else
  h.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (h.fd < 0) return errno == ENOENT || errno == ENOTDIR ? ReadStatus::kMissing : ReadStatus::kOpenFailed;
  struct stat st;
  if (::fstat(h.fd, &st) != 0) return ReadStatus::kReadFailed;
  if (!S_ISREG(st.st_mode)) return ReadStatus::kNotRegular;
  size = uintmax_t(st.st_size);
  return ReadStatus::kOk;
#endif
}

// One read of at most n bytes: the count, 0 at the end, -1 on an error.
long ReadSome(Handle& h, char* to, size_t n) {
#if defined(_WIN32)
  const size_t got = std::fread(to, 1, n, h.file);
  if (got == 0 && std::ferror(h.file)) return -1;
  return long(got);
#else
  for (;;) {
    ssize_t got = ::read(h.fd, to, n);
    if (got >= 0 || errno != EINTR) return long(got);
  }
#endif
}

}  // namespace

ReadStatus ReadBoundedFile(const std::string& path, size_t limit, std::string& bytes, BeyondLimit beyond) {
  bytes.clear();
  if (path.empty()) return ReadStatus::kMissing;
  Handle h;
  uintmax_t claimed = 0;
  if (ReadStatus status = OpenRegular(path, h, claimed); status != ReadStatus::kOk)
    return Report(path, status, limit);
  // The size the file claims is only a hint (files of the proc file system
  // say 0, others grow while read): the reads themselves stop one byte past
  // the limit, which tells a longer file. The buffer starts at the claimed
  // size and one byte more, and grows with what comes.
  const size_t stop = beyond == BeyondLimit::kCut ? limit : limit + 1;
  size_t got = 0;
  bytes.resize(size_t(std::min<uintmax_t>(stop, claimed > 0 ? claimed + 1 : 64 * 1024)));
  for (;;) {
    if (got == bytes.size()) {
      if (got == stop) break;
      bytes.resize(std::min(stop, std::max<size_t>(64 * 1024, got * 2)));
    }
    long n = ReadSome(h, bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      bytes.clear();
      return ReadStatus::kReadFailed;
    }
    if (n == 0) break;
    got += size_t(n);
  }
  if (got > limit) {
    bytes.clear();
    bytes.shrink_to_fit();
    return Report(path, ReadStatus::kTooLarge, limit);
  }
  bytes.resize(got);
  return ReadStatus::kOk;
}

ReadStatus ReadBoundedFile(const std::string& path, void* buffer, size_t capacity, size_t& got) {
  got = 0;
  if (path.empty()) return ReadStatus::kMissing;
  Handle h;
  uintmax_t claimed = 0;
  if (ReadStatus status = OpenRegular(path, h, claimed); status != ReadStatus::kOk)
    return Report(path, status, capacity);
  char* to = static_cast<char*>(buffer);
  while (got < capacity) {
    long n = ReadSome(h, to + got, capacity - got);
    if (n < 0) return ReadStatus::kReadFailed;
    if (n == 0) break;
    got += size_t(n);
  }
  return ReadStatus::kOk;
}

std::string ReadRefusalText(const std::string& path, ReadStatus status, size_t limit) {
  char text[96];
  switch (status) {
    case ReadStatus::kNotRegular:
      return "  ■通常のファイルではないため読みません(" + path + ")\n";
    case ReadStatus::kTooLarge:
      std::snprintf(text, sizeof text, "%zu", limit);
      return "  ■ファイルが大きすぎるため読みません: 上限 " + std::string(text) + " バイト(" + path + ")\n";
    default:
      return {};
  }
}

void SetReadRefusalSink(std::function<void(const std::string&)> sink) { Sink() = std::move(sink); }

}  // namespace kestrel
