// File control: deleting files and folders and making folders, with the
// result codes callers test.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace kestrel {

inline constexpr int kDeleteEmptyPath = -10097;
inline constexpr int kMakeFolderEmptyPath = -1;
inline constexpr int kMakeFolderFailed = -2;

class FileControl {
 public:
  explicit FileControl(System& system) : system_(system) {}

  // One trailing separator is removed first; an empty path gives -10097.
  // Mode 0: the file or folder with everything in it, through the system
  // shell (no confirmation; owner is the window owning any progress
  // display); 1: one file; 2: one empty folder; other modes do nothing.
  // 0 on success, 1 on failure.
  int DeletePath(const std::string& path, uint64_t owner, int mode);

  // Mode 0 creates the folder with every missing parent: 0 on success (also
  // when it already exists), -2 on failure, -1 for an empty path. Other
  // modes do nothing and give 0.
  int MakeFolder(const std::string& path, int mode);

 private:
  System& system_;
};

}  // namespace kestrel
