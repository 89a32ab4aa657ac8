#include <gtest/gtest.h>
#include <utime.h>

#include <filesystem>

#include "app/cleanup.h"
#include "support/engine_fixture.h"
#include "platform/text_codec.h"

namespace kestrel {
namespace {

using test::ReadFile;
using test::TempDir;
namespace fs = std::filesystem;

constexpr int64_t kNow = 1700000000;

class CleanupTest : public ::testing::Test {
 protected:
  TempDir base;
  test::EngineRig rig;
  RunSettings settings;
  std::unique_ptr<ProgramLog> log;
  std::unique_ptr<PrintDataCleanup> cleanup;

  void SetUp() override {
    InitRunSettingsPaths(settings, base.path().string() + "/", "/etc/");
    fs::create_directories(base.path() / "zoq");
    Start(0);
  }
  void Start(int plog) {
    settings.plog = plog;
    log = std::make_unique<ProgramLog>(settings, Services{rig.system, rig.printers, rig.ui});
    log->CreateLogFolders();
    log->OpenProgramLog();
    cleanup = std::make_unique<PrintDataCleanup>(settings, *log, rig.system);
    cleanup->clock = [] { return kNow; };
  }
  // A file (or folder, when the name ends in "/") modified age seconds ago.
  std::string Make(const std::string& name, int64_t age) {
    std::string path = base.file(name);
    if (name.back() == '/') {
      fs::create_directories(path);
      path.pop_back();
    } else {
      fs::create_directories(fs::path(path).parent_path());
      base.Write(name, "x");
    }
    utimbuf times{time_t(kNow - age), time_t(kNow - age)};
    utime(path.c_str(), &times);
    return path;
  }
  bool Has(const std::string& name) { return fs::exists(base.file(name)); }
  std::string ProgramLogText() { return Utf8FromSjis(ReadFile(settings.LogPath)); }
};

TEST_F(CleanupTest, OldPrintDataGoesAfterMoreThanThirtyMinutes) {
  Start(1);
  Make("zoq/old.pdat", 1801);
  Make("zoq/edge.pdat", 1800);
  Make("zoq/old.txt", 5000);
  cleanup->CleanupOldPrintData(settings.BaseDir, "zoq\\", 1800, "*.pdat");
  EXPECT_FALSE(Has("zoq/old.pdat"));
  EXPECT_TRUE(Has("zoq/edge.pdat"));
  EXPECT_TRUE(Has("zoq/old.txt"));
  std::string text = ProgramLogText();
  const std::string old = base.file("zoq/old.pdat");
  EXPECT_NE(text.find("fname(" + old + ")\n tt:1700000000,"), std::string::npos) << text;
  EXPECT_NE(text.find(" m_time:1699998199,"), std::string::npos);
  EXPECT_NE(text.find("■delete " + old + " ■\n"), std::string::npos);
  EXPECT_EQ(text.find("■delete " + base.file("zoq/edge.pdat")), std::string::npos);
  // The trace comes before the deletion line.
  EXPECT_LT(text.find("fname(" + old + ")"), text.find("■delete " + old));
}

TEST_F(CleanupTest, KeptPrintDataIsTracedButNotDeleted) {
  Start(1);
  settings.pdat_flg = 1;
  Make("zoq/old.pdat", 99999);
  cleanup->CleanupOldPrintData(settings.BaseDir, "zoq\\", 1800, "*.pdat");
  EXPECT_TRUE(Has("zoq/old.pdat"));
  std::string text = ProgramLogText();
  EXPECT_NE(text.find("fname(" + base.file("zoq/old.pdat") + ")"), std::string::npos);
  EXPECT_EQ(text.find("■delete"), std::string::npos);
}

TEST_F(CleanupTest, ModeSevenDeletesOldFilesOfEitherPatternOnly) {
  Make("zoq/bunsho/old.pdat", 601);
  Make("zoq/bunsho/old.txt", 601);
  Make("zoq/bunsho/new.pdat", 599);
  Make("zoq/bunsho/old.csv", 9999);
  Make("zoq/bunsho/sub.pdat/", 9999);
  cleanup->CleanupPrintFolder("\\zoq\\bunsho", 600, 7, "\"*.pdat\",\"*.txt\"");
  EXPECT_FALSE(Has("zoq/bunsho/old.pdat"));
  EXPECT_FALSE(Has("zoq/bunsho/old.txt"));
  EXPECT_TRUE(Has("zoq/bunsho/new.pdat"));
  EXPECT_TRUE(Has("zoq/bunsho/old.csv"));
  EXPECT_TRUE(Has("zoq/bunsho/sub.pdat"));
}

TEST_F(CleanupTest, ModesThreeFourFiveTakeEverythingOfTheirKindAtAnyAge) {
  Make("zoq/bunsho/new.csv", 0);
  Make("zoq/bunsho/sub/inner.txt", 0);
  cleanup->CleanupPrintFolder("\\zoq\\bunsho", 1800, 4, "");
  EXPECT_FALSE(Has("zoq/bunsho/new.csv"));
  EXPECT_TRUE(Has("zoq/bunsho/sub/inner.txt"));
  Make("zoq/bunsho/new.csv", 0);
  cleanup->CleanupPrintFolder("\\zoq\\bunsho", 1800, 5, "");
  EXPECT_TRUE(Has("zoq/bunsho/new.csv"));
  EXPECT_FALSE(Has("zoq/bunsho/sub"));
  Make("zoq/bunsho/sub/inner.txt", 0);
  cleanup->CleanupPrintFolder("\\zoq\\bunsho", 1800, 3, "");
  EXPECT_TRUE(Has("zoq/bunsho"));
  EXPECT_TRUE(fs::is_empty(base.file("zoq/bunsho")));
}

TEST_F(CleanupTest, ModeEightTakesOldSubFoldersMatchingThePatterns) {
  Make("zoq/bunsho/job.pdat/", 700);
  Make("zoq/bunsho/young.pdat/", 10);
  Make("zoq/bunsho/file.pdat", 700);
  cleanup->CleanupPrintFolder("\\zoq\\bunsho", 600, 8, "*.pdat");
  EXPECT_FALSE(Has("zoq/bunsho/job.pdat"));
  EXPECT_TRUE(Has("zoq/bunsho/young.pdat"));
  EXPECT_TRUE(Has("zoq/bunsho/file.pdat"));
}

TEST_F(CleanupTest, ModesTwoAndNineDeleteTheFolderItself) {
  Make("zoq/bunsho/a.pdat", 0);
  cleanup->CleanupPrintFolder("\\zoq\\bunsho", 1800, 2, "");
  EXPECT_FALSE(Has("zoq/bunsho"));
  EXPECT_TRUE(Has("zoq"));
  Make("jobs/0001/a.pdat", 0);
  cleanup->CleanupPrintFolder(base.file("jobs/0001"), 1800, 9, "");
  EXPECT_FALSE(Has("jobs/0001"));
  EXPECT_TRUE(Has("jobs"));
}

TEST_F(CleanupTest, AnUnknownModeOnlyTraces) {
  Start(1);
  Make("zoq/bunsho/old.pdat", 99999);
  cleanup->CleanupPrintFolder("\\zoq\\bunsho", 600, 12, "*.pdat");
  EXPECT_TRUE(Has("zoq/bunsho/old.pdat"));
  std::string text = ProgramLogText();
  EXPECT_NE(text.find("fname(" + base.file("zoq/bunsho/old.pdat") + ")\n tt:0,"), std::string::npos) << text;
  EXPECT_EQ(text.find("■delete"), std::string::npos);
}

TEST_F(CleanupTest, TheBaseFolderItsRootAndEmptyPathsAreNeverCleaned) {
  Make("zoq/keep.pdat", 99999);
  Make("keep.txt", 99999);
  const std::string parent = base.path().parent_path().string();
  // A folder beside the base, reached by ".." steps from it.
  TempDir sibling;
  sibling.Write("keep.txt", "x");
  const std::string climbing = "\\..\\" + sibling.path().filename().string();
  for (const std::string& folder : {std::string(), std::string("\\"), std::string("c:\\"), std::string("C:"),
                                    settings.BaseDir, parent, std::string("/"), climbing}) {
    for (int mode : {2, 3, 4, 6, 9}) cleanup->CleanupPrintFolder(folder, 0, mode, "*.*");
  }
  EXPECT_TRUE(Has("zoq/keep.pdat"));
  EXPECT_TRUE(Has("keep.txt"));
  EXPECT_TRUE(fs::exists(sibling.file("keep.txt")));
  std::string critical = Utf8FromSjis(ReadFile(settings.CriticalLogPath));
  EXPECT_NE(critical.find("@@@@@@@ 例外発生 @@@@@@：CleanupPrintFolder : 削除できないフォルダが指定されています。"
                          "削除を行いません(c:\\)\n"),
            std::string::npos)
      << critical;
}

// The Windows folder (on Linux its stand-in) is kept with everything under
// it, in every mode.
TEST_F(CleanupTest, NothingUnderTheWindowsFolderIsCleaned) {
  TempDir windows;
  windows.Write("kprobe/keep.txt", "x");
  settings.WindowsDir = windows.path().string() + "/";
  for (int mode : {2, 3, 4, 5, 6, 7, 8, 9}) cleanup->CleanupPrintFolder(windows.file("kprobe"), 0, mode, "*.*");
  EXPECT_TRUE(fs::exists(windows.file("kprobe/keep.txt")));
  EXPECT_NE(Utf8FromSjis(ReadFile(settings.CriticalLogPath)).find("削除を行いません(" + windows.file("kprobe") + ")"),
            std::string::npos);
}

TEST_F(CleanupTest, TheFolderIsJudgedByItsRealPathAndLinksInsideAreNeverEntered) {
  Make("zoq/kestrel.inf", 0);
  Make("vpdf/a.pdf", 0);
  Make("zoq/bunsho/job.pdat", 0);
  TempDir elsewhere;
  elsewhere.Write("keep.txt", "x");
  fs::create_directories(elsewhere.path() / "sub");
  elsewhere.Write("sub/keep.pdat", "x");
  fs::create_directory_symlink(base.path() / "zoq", base.path() / "tozoq");
  fs::create_directory_symlink(elsewhere.path(), base.path() / "zoq/bunsho/out");
  fs::create_directory_symlink(base.path(), base.path() / "zoq/bunsho/up");

  // Links and spellings naming a product folder or one holding it.
  for (const char* folder : {"\\tozoq", "\\tozoq\\bunsho\\..", "\\zoq\\bunsho\\..", "\\zoq\\.\\", "\\vpdf\\.",
                             "\\zoq\\bunsho\\up", "zoq\\bunsho\\up\\vpdf\\..\\zoq"}) {
    for (int mode : {2, 3, 4, 5, 9}) cleanup->CleanupPrintFolder(folder, 0, mode, "*.*");
  }
  EXPECT_TRUE(Has("zoq/kestrel.inf"));
  EXPECT_TRUE(Has("vpdf/a.pdf"));
  EXPECT_TRUE(fs::is_symlink(base.path() / "tozoq"));
  EXPECT_TRUE(Has("zoq/bunsho/job.pdat"));
  EXPECT_NE(Utf8FromSjis(ReadFile(settings.CriticalLogPath)).find("削除を行いません(\\tozoq)"), std::string::npos);

  // The folder itself, however spelled: its links are removed, not entered.
  cleanup->CleanupPrintFolder("\\zoq\\bunsho\\.", 0, 3, "");
  EXPECT_TRUE(Has("zoq/bunsho"));
  EXPECT_TRUE(fs::is_empty(base.file("zoq/bunsho")));
  EXPECT_TRUE(fs::exists(elsewhere.file("keep.txt")));
  EXPECT_TRUE(fs::exists(elsewhere.file("sub/keep.pdat")));
  EXPECT_TRUE(Has("zoq/kestrel.inf"));

  // Deleting a folder with everything in it never follows a link inside.
  Make("jobs/0001/a.pdat", 0);
  fs::create_directory_symlink(elsewhere.path(), base.path() / "jobs/0001/out");
  cleanup->CleanupPrintFolder(base.file("jobs/0001/"), 0, 9, "");
  EXPECT_FALSE(Has("jobs/0001"));
  EXPECT_TRUE(fs::exists(elsewhere.file("sub/keep.pdat")));

  // A file named as the folder is never deleted in its place.
  for (const std::string& folder : {std::string("\\zoq\\kestrel.inf"), "/" + base.file("zoq/kestrel.inf")})
    for (int mode : {2, 9}) cleanup->CleanupPrintFolder(folder, 0, mode, "");
  EXPECT_TRUE(Has("zoq/kestrel.inf"));
}

// The clean-up folder of the settings lies below the base folder and never
// in a log folder, however it is spelled.
TEST_F(CleanupTest, AFolderOutsideTheBaseOrAmongTheLogsIsRefused) {
  TempDir sibling;
  sibling.Write("keep.txt", "x");
  Make("zoq/plog/old.txt", 99999);
  Make("zoq/palog/old/", 99999);
  Make("zoq/palog/old/a.txt", 99999);
  const std::string up = "..\\" + sibling.path().filename().string();
  for (const std::string& folder : {up, "\\jobs\\..\\" + up, std::string("\\zoq\\plog"),
                                    std::string("\\zoq\\palog\\old"), std::string("\\zoq\\.\\plog")}) {
    for (int mode : {2, 3, 4, 6, 9}) cleanup->CleanupPrintFolder(folder, 0, mode, "*.*");
  }
  EXPECT_EQ(ReadFile(sibling.file("keep.txt")), "x");
  EXPECT_TRUE(Has("zoq/plog/old.txt"));
  EXPECT_TRUE(Has("zoq/palog/old/a.txt"));
  EXPECT_NE(Utf8FromSjis(ReadFile(settings.CriticalLogPath)).find("削除できないフォルダが指定されています"),
            std::string::npos);
}

// Deep trees are deleted without recursion, down to the depth limit: what
// lies deeper stays (with the folders above it), with a message.
TEST_F(CleanupTest, ATreeDeeperThanTheLimitIsDeletedDownToTheLimitOnly) {
  for (const int depth : {PrintDataCleanup::kMaxDepth - 1, PrintDataCleanup::kMaxDepth + 50}) {
    std::string deep = "zoq/tree";
    for (int i = 0; i < depth; ++i) deep += "/d";
    Make(deep + "/", 0);
    Make("zoq/tree/top.txt", 0);
    Make(deep + "/bottom.txt", 0);
    cleanup->CleanupPrintFolder("\\zoq\\tree", 0, 2, "");
    const bool whole = depth < PrintDataCleanup::kMaxDepth;
    EXPECT_EQ(Has("zoq/tree"), !whole) << depth;
    EXPECT_FALSE(Has("zoq/tree/top.txt")) << depth;
    EXPECT_EQ(Has(deep + "/bottom.txt"), !whole) << depth;
    fs::remove_all(base.file("zoq/tree"));
  }
  EXPECT_NE(Utf8FromSjis(ReadFile(settings.CriticalLogPath)).find("フォルダの階層が深すぎるため"), std::string::npos);
}

TEST(CleanupRule, AFolderThatIsOrHoldsAProductFolderIsRefused) {
  const std::vector<std::string> products = {"/b", "/b/zoq", "/b/vpdf", "/etc"};
  for (const char* folder : {"/", "/b", "/b/zoq", "/b/vpdf", "/etc", "", "b/zoq/x"})
    EXPECT_TRUE(HoldsProductFolder(folder, products)) << folder;
  for (const char* folder : {"/b/zoq/bunsho", "/b/jobs", "/bb", "/b/vpdfx", "/etc2"})
    EXPECT_FALSE(HoldsProductFolder(folder, products)) << folder;
  // The real paths of a Windows system.
  const std::vector<std::string> drive = {"D:\\", "D:\\zoq", "D:\\vpdf", "C:\\Windows"};
  for (const char* folder : {"D:\\", "D:\\zoq", "C:\\Windows", "C:\\", "data"})
    EXPECT_TRUE(HoldsProductFolder(folder, drive)) << folder;
  for (const char* folder : {"D:\\data\\0001", "D:\\zoqx", "C:\\Windows2", "E:\\zoq"})
    EXPECT_FALSE(HoldsProductFolder(folder, drive)) << folder;
  // The system's folders with everything under them.
  const std::vector<std::string> system = {"C:\\Windows", "C:\\Program Files"};
  for (const char* folder : {"C:\\Windows", "C:\\Windows\\kprobe", "C:\\Program Files\\App\\x", "C:\\"})
    EXPECT_TRUE(HoldsProductFolder(folder, {}, system)) << folder;
  for (const char* folder : {"C:\\Windows2\\x", "C:\\Program", "D:\\Windows"})
    EXPECT_FALSE(HoldsProductFolder(folder, {}, system)) << folder;
}

}  // namespace
}  // namespace kestrel
