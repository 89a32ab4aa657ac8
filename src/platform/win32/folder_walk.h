// The walk that takes a folder's tree apart on Windows, on plain values:
// no Windows header here, so that its rules are tested on any system (a
// unit test gives it a made-up listing).
//
// A link is a reparse point (FILE_ATTRIBUTE_REPARSE_POINT: a symbolic
// link to a file or a folder, a junction, also the placeholders of cloud
// and deduplicated files): it is removed itself, never entered, and what it
// names is never touched. A folder is emptied entry by entry, deepest
// first, then removed. The walk keeps its own stack (no recursion) and
// stops descending at kWalkDepthLimit levels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/native_path.h"

namespace kestrel {

// The file attribute bits the walk reads (the values of the Windows SDK;
// kAttributeReparsePoint comes with the path crossing).
inline constexpr uint32_t kAttributeReadOnly = 0x1;    // FILE_ATTRIBUTE_READONLY
inline constexpr uint32_t kAttributeDirectory = 0x10;  // FILE_ATTRIBUTE_DIRECTORY

// Deeper folders than this are left (a path of the "W" functions without
// the long-path prefix holds fewer levels anyway).
inline constexpr size_t kWalkDepthLimit = 128;
// The error a walk reports for a tree deeper than that
// (ERROR_FILENAME_EXCED_RANGE).
inline constexpr int kWalkTooDeep = 206;

// What the walk does with one entry.
enum class WalkStep {
  kDeleteFile,        // a plain file: DeleteFile (read-only taken off first)
  kDeleteFileLink,    // a link to a file: DeleteFile removes the link
  kRemoveFolderLink,  // a link to a folder or a junction: RemoveDirectory removes the link
  kEnterFolder,       // a folder: its entries first, then RemoveDirectory
};
WalkStep StepFor(uint32_t attributes);
inline bool IsLinkStep(WalkStep step) {
  return step == WalkStep::kDeleteFileLink || step == WalkStep::kRemoveFolderLink;
}

struct WalkEntry {
  std::wstring name;
  uint32_t attributes = 0;
};

// The file system as the walk sees it.
class WalkedFolders {
 public:
  virtual ~WalkedFolders() = default;
  // The entries of a folder, without "." and "..".
  virtual std::vector<WalkEntry> List(const std::wstring& folder) = 0;
  // Removes one entry as the step says; 0 or the system's error code.
  virtual int Remove(const std::wstring& path, WalkStep step, uint32_t attributes) = 0;
};

// Removes path (attributes: its own) with everything under it; 0 or the
// first error.
int RemoveTree(WalkedFolders& folders, const std::wstring& path, uint32_t attributes);
// Whether a link lies anywhere inside folder (a tree too deep to see
// whole counts as holding one).
bool TreeHoldsLink(WalkedFolders& folders, const std::wstring& folder);

}  // namespace kestrel
