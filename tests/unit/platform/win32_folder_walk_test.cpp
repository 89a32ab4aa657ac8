// The Windows clean-up's walk (platform/win32/folder_walk.h) over a made-up
// listing: links (reparse points) are removed themselves and never listed,
// folders are emptied deepest first, and a tree deeper than the limit is
// left with an error.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/win32/folder_walk.h"

namespace kestrel {
namespace {

constexpr uint32_t kFile = 0x20;  // FILE_ATTRIBUTE_ARCHIVE
constexpr uint32_t kFolder = kAttributeDirectory;
constexpr uint32_t kLink = kAttributeReparsePoint;

class FakeFolders : public WalkedFolders {
 public:
  std::map<std::wstring, std::vector<WalkEntry>> listings;
  std::set<std::wstring> links;  // what must never be listed
  std::vector<std::pair<std::wstring, WalkStep>> removed;
  int listed = 0;

  std::vector<WalkEntry> List(const std::wstring& folder) override {
    ++listed;
    EXPECT_EQ(links.count(folder), 0u) << "the walk entered a link";
    auto it = listings.find(folder);
    return it == listings.end() ? std::vector<WalkEntry>{} : it->second;
  }
  int Remove(const std::wstring& path, WalkStep step, uint32_t) override {
    removed.emplace_back(path, step);
    return 0;
  }
};

TEST(Win32FolderWalk, EachEntryGetsTheStepOfItsAttributes) {
  const std::pair<uint32_t, WalkStep> cases[] = {
      {kFile, WalkStep::kDeleteFile},
      {kFile | kAttributeReadOnly, WalkStep::kDeleteFile},
      {kFolder, WalkStep::kEnterFolder},
      {kFolder | kAttributeReadOnly, WalkStep::kEnterFolder},
      {kFile | kLink, WalkStep::kDeleteFileLink},       // a symbolic link to a file
      {kFolder | kLink, WalkStep::kRemoveFolderLink},   // a junction or a link to a folder
  };
  for (const auto& [attributes, step] : cases) EXPECT_EQ(StepFor(attributes), step) << std::hex << attributes;
}

TEST(Win32FolderWalk, LinksAreRemovedThemselvesAndNeverEntered) {
  FakeFolders fs;
  fs.listings[L"C:\\job"] = {{L"a.pdat", kFile | kAttributeReadOnly},
                             {L"tozoq", kFolder | kLink},
                             {L"old.pdat", kFile | kLink},
                             {L"sub", kFolder}};
  fs.listings[L"C:\\job\\sub"] = {{L"b.pdat", kFile}, {L"deeper", kFolder | kLink}};
  // What the links name, listed as if they were folders: never to be asked for.
  fs.listings[L"C:\\job\\tozoq"] = {{L"kestrel.inf", kFile}};
  fs.listings[L"C:\\job\\sub\\deeper"] = {{L"keep.txt", kFile}};
  fs.links = {L"C:\\job\\tozoq", L"C:\\job\\old.pdat", L"C:\\job\\sub\\deeper"};

  EXPECT_TRUE(TreeHoldsLink(fs, L"C:\\job"));
  EXPECT_EQ(RemoveTree(fs, L"C:\\job", kFolder), 0);
  const std::vector<std::pair<std::wstring, WalkStep>> expected = {
      {L"C:\\job\\a.pdat", WalkStep::kDeleteFile},
      {L"C:\\job\\tozoq", WalkStep::kRemoveFolderLink},
      {L"C:\\job\\old.pdat", WalkStep::kDeleteFileLink},
      {L"C:\\job\\sub\\b.pdat", WalkStep::kDeleteFile},
      {L"C:\\job\\sub\\deeper", WalkStep::kRemoveFolderLink},
      {L"C:\\job\\sub", WalkStep::kEnterFolder},
      {L"C:\\job", WalkStep::kEnterFolder},
  };
  EXPECT_EQ(fs.removed, expected);

  // A link given as the path is removed itself; a tree without links says so.
  fs.removed.clear();
  EXPECT_EQ(RemoveTree(fs, L"C:\\job\\tozoq", kFolder | kLink), 0);
  EXPECT_EQ(fs.removed, (std::vector<std::pair<std::wstring, WalkStep>>{{L"C:\\job\\tozoq", WalkStep::kRemoveFolderLink}}));
  fs.listings[L"C:\\plain"] = {{L"x.pdat", kFile}};
  EXPECT_FALSE(TreeHoldsLink(fs, L"C:\\plain"));
}

TEST(Win32FolderWalk, ATreeDeeperThanTheLimitIsLeftWithAnError) {
  FakeFolders fs;
  std::wstring path = L"C:\\deep";
  for (size_t level = 0; level < kWalkDepthLimit + 50; ++level) {
    fs.listings[path] = {{L"d", kFolder}};
    path += L"\\d";
  }
  EXPECT_EQ(RemoveTree(fs, L"C:\\deep", kFolder), kWalkTooDeep);
  EXPECT_EQ(fs.listed, int(kWalkDepthLimit));
  EXPECT_TRUE(TreeHoldsLink(fs, L"C:\\deep"));
}

}  // namespace
}  // namespace kestrel
