// ReplacingFile: writes a file under a temporary name in the same folder and
// puts it in place with one rename when everything was written. Readers and
// other processes see either the old file or the whole new one, never a
// half-written one; a write that fails (a full disk, a file-size limit)
// leaves the old file as it was and no temporary file behind.
//
// Temporary files. On Linux the file is made without a name (O_TMPFILE)
// and only named when whole, for the moment before its rename: a killed run
// leaves nothing behind. Where the file system has no unnamed files, and
// for other temporary files (the PDF document of a print job), the file is
// made by CreateTemporaryFile: created anew and exclusively, never through
// a link and never over a file that is there, and named
//   <stem>.part<pid>-<six letters or digits>-<check>
// where the check (eight hex digits) is a keyed hash of the pid and the
// letters only Kestrel writes: the first time a process writes into a
// folder, RemoveDeadTemporaries deletes the files of that form whose check
// matches and whose process no longer runs (killed runs). A user's file
// that merely looks similar ("report.part424242-abc123") is never one.
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
  // The open temporary file, for writers that write through the C library
  // (the JPEG encoder); Commit checks its errors as for Write.
  std::FILE* stream() const { return file_; }
  // The system's error code of the last failure.
  int error() const { return error_; }
  bool failed() const { return failed_; }
  // The temporary file's name; empty while the file has none.
  const std::string& temporaryPath() const { return temp_; }

 private:
  // Names the unnamed file beside path_ (temp_); false when it cannot.
  bool NameUnnamedFile();

  std::FILE* file_ = nullptr;
  std::string path_, temp_;
  bool unnamed_ = false;  // made without a name (O_TMPFILE), not yet linked
  bool failed_ = false;
  int error_ = 0;
};

// Creates TemporaryFileName(stem, this process, six random letters or
// digits), exclusively and without following a link there, for reading
// and writing (permissions 0666 less the umask). Returns the open
// descriptor and the name in path, or -1 with errno set.
int CreateTemporaryFile(const std::string& stem, std::string& path);

// stem + ".part" + pid + "-" + letters + "-" + the check of pid and letters.
std::string TemporaryFileName(const std::string& stem, long pid, const std::string& letters);

// The process id a temporary file's name carries; 0 when the name is not
// of that form or its check does not match.
long TemporaryFileOwner(const std::string& name);

// Deletes the temporary files in folder (not below it) whose process no
// longer runs: regular files of this user named as above, never links or
// folders, never a file of a running process (or of one this process
// cannot tell). Returns the number removed.
int RemoveDeadTemporaries(const std::string& folder);

// The whole file in one call: Open, Write, Commit.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

}  // namespace kestrel
