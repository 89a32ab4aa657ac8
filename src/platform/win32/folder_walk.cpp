#include "platform/win32/folder_walk.h"

namespace kestrel {

namespace {

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  return !folder.empty() && folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

}  // namespace

WalkStep StepFor(uint32_t attributes) {
  const bool folder = (attributes & kAttributeDirectory) != 0;
  if (attributes & kAttributeReparsePoint) return folder ? WalkStep::kRemoveFolderLink : WalkStep::kDeleteFileLink;
  return folder ? WalkStep::kEnterFolder : WalkStep::kDeleteFile;
}

int RemoveTree(WalkedFolders& folders, const std::wstring& path, uint32_t attributes) {
  const WalkStep step = StepFor(attributes);
  if (step != WalkStep::kEnterFolder) return folders.Remove(path, step, attributes);
  struct Level {
    std::wstring path;
    uint32_t attributes;
    std::vector<WalkEntry> entries;
    size_t next = 0;
  };
  std::vector<Level> levels;
  levels.push_back({path, attributes, folders.List(path)});
  int first = 0;
  auto note = [&first](int result) {
    if (first == 0) first = result;
  };
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.entries.size()) {
      note(folders.Remove(level.path, WalkStep::kEnterFolder, level.attributes));
      levels.pop_back();
      continue;
    }
    const WalkEntry& entry = level.entries[level.next++];
    const std::wstring child = Join(level.path, entry.name);
    const WalkStep childStep = StepFor(entry.attributes);
    if (childStep != WalkStep::kEnterFolder) {
      note(folders.Remove(child, childStep, entry.attributes));
    } else if (levels.size() >= kWalkDepthLimit) {
      note(kWalkTooDeep);
    } else {
      const uint32_t childAttributes = entry.attributes;
      levels.push_back({child, childAttributes, folders.List(child)});
    }
  }
  return first;
}

bool TreeHoldsLink(WalkedFolders& folders, const std::wstring& folder) {
  struct Level {
    std::wstring path;
    size_t depth;
  };
  std::vector<Level> pending{{folder, 1}};
  while (!pending.empty()) {
    const Level level = pending.back();
    pending.pop_back();
    for (const WalkEntry& entry : folders.List(level.path)) {
      const WalkStep step = StepFor(entry.attributes);
      if (IsLinkStep(step)) return true;
      if (step != WalkStep::kEnterFolder) continue;
      if (level.depth >= kWalkDepthLimit) return true;
      pending.push_back({Join(level.path, entry.name), level.depth + 1});
    }
  }
  return false;
}

}  // namespace kestrel
