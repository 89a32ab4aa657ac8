// ReplacingFile: writes a file under a temporary name in the same folder and
// puts it in place with one rename when everything was written. Readers and
// other processes see either the old file or the whole new one, never a
// half-written one; a write that fails (a full disk, a file-size limit)
// leaves the old file as it was and no temporary file behind.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace kestrel {

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();  // discards a file not committed

  // Creates the temporary file beside path; false when the folder does not
  // take it.
  bool Open(const std::string& path);
  // Appends bytes; false (and the file marked failed) when they cannot all
  // be written.
  bool Write(std::string_view bytes);
  // Flushes, closes and renames over path. False, with the temporary file
  // removed and path untouched, when any write, the flush, the close or
  // the rename failed.
  bool Commit();
  // Drops the temporary file.
  void Discard();

  bool is_open() const { return file_ != nullptr; }
  bool failed() const { return failed_; }
  const std::string& temporaryPath() const { return temp_; }

 private:
  std::FILE* file_ = nullptr;
  std::string path_, temp_;
  bool failed_ = false;
};

// The whole file in one call: Open, Write, Commit.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

}  // namespace kestrel
