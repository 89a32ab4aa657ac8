#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/linux_system.h"
#include "support/engine_fixture.h"
#include "util/file_control.h"
#include "util/numbers.h"
#include "util/paths.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

TEST(ResolvePath, DrivePathsAndRootedPathsLandUnderTheBase) {
  EXPECT_EQ(ResolvePath("/opt/k/", "c:\\vpdf"), "/opt/k/vpdf");
  EXPECT_EQ(ResolvePath("/opt/k/", "D:/DATA/A.PDAT"), "/opt/k/DATA/A.PDAT");
  EXPECT_EQ(ResolvePath("/opt/k/", "\\zoq\\bunsho"), "/opt/k/zoq/bunsho");
  EXPECT_EQ(ResolvePath("/opt/k/", "zoq\\plog\\a.txt"), "/opt/k/zoq/plog/a.txt");
  EXPECT_EQ(ResolvePath("/opt/k", "zoq\\kestrel.inf"), "/opt/k/zoq/kestrel.inf");
  EXPECT_EQ(ResolvePath("/opt/k/", "/var/data/a.pdat"), "/var/data/a.pdat");
  EXPECT_EQ(ResolvePath("/opt/k/", "c:"), "/opt/k/");
  EXPECT_EQ(ResolvePath("/opt/k/", ""), "");
}

TEST(ResolvePath, DotDotStepsThatClimbAboveTheBaseAreTold) {
  for (const char* path : {"\\..\\out\\", "..", "zoq\\..\\..\\x", "c:\\data\\..\\..", "\\a\\.\\..\\..\\b"})
    EXPECT_TRUE(ClimbsAboveBase(path)) << path;
  for (const char* path : {"\\out\\", "\\zoq\\bunsho\\..", "a\\..\\b", "..x\\", "", "\\.\\out"})
    EXPECT_FALSE(ClimbsAboveBase(path)) << path;
  // A POSIX path is the caller's own, used as it is.
  EXPECT_FALSE(ClimbsAboveBase("/var/data/../x"));
}

TEST(ResolvePath, UserPathsKeepPlainRelativePathsRelative) {
  EXPECT_EQ(ResolveUserPath("/opt/k/", "data\\a.pdat"), "data/a.pdat");
  EXPECT_EQ(ResolveUserPath("/opt/k/", "c:\\data\\a.pdat"), "/opt/k/data/a.pdat");
  EXPECT_EQ(ResolveUserPath("/opt/k/", "/tmp/a.pdat"), "/tmp/a.pdat");
}

TEST(PathNames, NameExtensionAndBackslashes) {
  EXPECT_EQ(WithoutExtension(FileNameOf("c:\\data\\a0001.pdat")), "a0001");
  EXPECT_EQ(WithoutExtension(FileNameOf("/jobs/0001")), "0001");
  EXPECT_EQ(WithoutExtension("v1.2.pdat"), "v1.2");
  EXPECT_EQ(WithBackslashes("c:/data/a.pdat"), "c:\\data\\a.pdat");
}

// One separator between a folder and a name, whatever the folder ends with
// (the Windows form, "\" throughout, is checked under Wine).
TEST(PathNames, JoinPathPutsOneSeparatorBetween) {
  const std::pair<const char*, const char*> cases[] = {
      {"/var/k/zoq", "/var/k/zoq/a.pdat"}, {"/var/k/zoq/", "/var/k/zoq/a.pdat"}, {"/", "/a.pdat"}};
  for (const auto& [folder, joined] : cases) EXPECT_EQ(JoinPath(folder, "a.pdat"), joined) << folder;
}

TEST(Numbers, CLibraryRulesForCommandLineValues) {
  EXPECT_EQ(AtoI("  42abc"), 42);
  EXPECT_EQ(AtoI("-7"), -7);
  EXPECT_EQ(AtoI("abc"), 0);
  EXPECT_EQ(AtoI("99999999999999999999"), 2147483647);
  EXPECT_EQ(AtoI("-99999999999999999999"), -2147483647 - 1);
  EXPECT_DOUBLE_EQ(AtoF("0.95x"), 0.95);
  EXPECT_DOUBLE_EQ(AtoF(" -1.5e1"), -15.0);
  EXPECT_EQ(AtoF("inf"), 0.0);
  EXPECT_EQ(AtoF("x1"), 0.0);
}

TEST(Numbers, RealsAreWrittenInTheShortestGeneralForm) {
  EXPECT_EQ(FormatReal(0.0), "0");
  EXPECT_EQ(FormatReal(0.95), "0.95");
  EXPECT_EQ(FormatReal(1.0), "1");
  EXPECT_EQ(FormatReal(0.70714), "0.70714");
  EXPECT_EQ(FormatReal(-2.5), "-2.5");
  EXPECT_FALSE(ParseReal("0.95abc").has_value());
  EXPECT_FALSE(ParseReal(".").has_value());
  EXPECT_FALSE(ParseInt("12 3").has_value());
  EXPECT_EQ(ParseInt("$FFFFFFFF"), -1);
}

TEST(FileControl, DeletesAndMakesFoldersWithTheirCodes) {
  test::TempDir dir;
  LinuxSystem system;
  FileControl files(system);
  std::string x = dir.file("tmp/x");
  EXPECT_EQ(files.MakeFolder(x + "/deep/er\\", 0), 0);
  EXPECT_TRUE(fs::is_directory(x + "/deep/er"));
  EXPECT_EQ(files.MakeFolder(x, 0), 0);  // already there
  EXPECT_EQ(files.MakeFolder("", 0), kMakeFolderEmptyPath);
  EXPECT_EQ(files.MakeFolder(dir.file("nomade"), 1), 0);
  EXPECT_FALSE(fs::exists(dir.file("nomade")));
  std::string blocker = dir.Write("file", std::string("x"));
  EXPECT_EQ(files.MakeFolder(blocker + "/sub", 0), kMakeFolderFailed);

  dir.Write("tmp/x/deep/f.pdat", std::string("data"));
  EXPECT_EQ(files.DeletePath(x + "/deep", 0, 2), 1);  // not empty
  EXPECT_EQ(files.DeletePath(x + "/deep/f.pdat", 0, 1), 0);
  EXPECT_EQ(files.DeletePath(x + "/deep/f.pdat", 0, 1), 1);  // gone
  EXPECT_EQ(files.DeletePath(x + "/deep/er/", 0, 2), 0);
  EXPECT_EQ(files.DeletePath(x + "/", 0, 0), 0);  // folder with contents
  EXPECT_FALSE(fs::exists(x));
  EXPECT_EQ(files.DeletePath(x, 0, 0), 1);
  EXPECT_EQ(files.DeletePath("", 0, 0), kDeleteEmptyPath);
  EXPECT_EQ(files.DeletePath("/", 0, 0), kDeleteEmptyPath);
  EXPECT_EQ(files.DeletePath(blocker, 0, 9), 0);
  EXPECT_TRUE(fs::exists(blocker));
}

}  // namespace
}  // namespace kestrel
