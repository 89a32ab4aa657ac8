#include "util/replacing_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "app/run_settings.h"
#include "platform/headless/headless_ui.h"
#include "support/engine_fixture.h"
#include "util/list_file.h"
#include "util/profile_file.h"

namespace kestrel {
namespace {

using test::ReadFile;
using test::TempDir;

size_t EntriesIn(const TempDir& dir) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++n;
  return n;
}

// Runs body in a child process limited to limitBytes per file (a full disk
// as the writer sees it: writes fail with EFBIG); returns body's result.
template <typename Body>
bool UnderFileSizeLimit(rlim_t limitBytes, Body body) {
  pid_t pid = fork();
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{limitBytes, limitBytes};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(ReplacingFile, CommitPutsTheWholeFileInPlaceAndLeavesNothingElse) {
  TempDir dir;
  std::string path = dir.Write("out.txt", std::string("old content"));
  ReplacingFile file;
  ASSERT_TRUE(file.Open(path));
  file.Write("new ");
  EXPECT_EQ(ReadFile(path), "old content");  // not visible before the commit
  EXPECT_EQ(EntriesIn(dir), 2u);
  file.Write("content");
  std::filesystem::permissions(path, std::filesystem::perms(0666));
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadFile(path), "new content");
  EXPECT_EQ(EntriesIn(dir), 1u);
  EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0666));
}

TEST(ReplacingFile, AnUncommittedFileIsDroppedAndAMissingFolderRefused) {
  TempDir dir;
  std::string path = dir.Write("keep.txt", std::string("kept"));
  {
    ReplacingFile file;
    ASSERT_TRUE(file.Open(path));
    file.Write("lost");
  }
  EXPECT_EQ(ReadFile(path), "kept");
  EXPECT_EQ(EntriesIn(dir), 1u);
  EXPECT_FALSE(ReplaceFileContents(dir.file("no/such/folder/x.txt"), "x"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("no")));
}

TEST(ReplacingFile, AFullDiskKeepsTheEarlierFileAndNoTemporaryFile) {
  TempDir dir;
  std::string path = dir.Write("big.txt", std::string("earlier"));
  std::string big(64 * 1024, 'x');
  EXPECT_FALSE(UnderFileSizeLimit(4096, [&] { return ReplaceFileContents(path, big); }));
  EXPECT_EQ(ReadFile(path), "earlier");
  EXPECT_EQ(EntriesIn(dir), 1u);
  EXPECT_TRUE(UnderFileSizeLimit(1 << 20, [&] { return ReplaceFileContents(path, big); }));
  EXPECT_EQ(ReadFile(path), big);
}

TEST(ReplacingFile, ProfileAndListFilesOnAFullDiskKeepTheirEarlierContent) {
  TempDir dir;
  std::string ini = dir.Write("kestrel.inf", std::string("[SETTING]\r\n$pmap=3\r\n"));
  std::string list = dir.Write("list.txt", std::string("earlier list\n"));
  std::string longValue(8192, 'v');
  EXPECT_FALSE(UnderFileSizeLimit(1024, [&] { return WriteIniValue(ini, "SETTING", "$pFontMin", longValue); }));
  EXPECT_EQ(ReadFile(ini), "[SETTING]\r\n$pmap=3\r\n");
  EXPECT_FALSE(UnderFileSizeLimit(1024, [&] {
    ListFile out;
    if (!out.Create(list)) return true;
    for (int i = 0; i < 200; ++i) out.Line("a line of the list that does not fit");
    return out.Close();
  }));
  EXPECT_EQ(ReadFile(list), "earlier list\n");
  EXPECT_EQ(EntriesIn(dir), 2u);
}

TEST(ReplacingFile, ASettingsSaveOnAFullDiskKeepsTheEarlierFileWhole) {
  TempDir dir;
  std::string path = dir.Write("kestrel.inf", std::string("[SETTING]\r\n$pmap=3\r\n"));
  EXPECT_TRUE(UnderFileSizeLimit(100, [&] {
    RunSettings settings;
    InitRunSettingsPaths(settings, dir.path().string() + "/", "/etc/");
    HeadlessUi ui({}, "");
    SaveSettings(settings, path, ui);
    return ui.shown().size() == 1 && ui.shown()[0] == "infが保存できませんでした(" + settings.SettingsPath + ")";
  }));
  EXPECT_EQ(ReadFile(path), "[SETTING]\r\n$pmap=3\r\n");
  EXPECT_EQ(EntriesIn(dir), 1u);
}

// A process id that no longer runs: a child that has ended and been reaped.
long DeadProcessId() {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return long(pid);
}

TEST(TemporaryFiles, TheFilesOfProcessesThatNoLongerRunAreRemovedAndNothingElse) {
  TempDir dir, outside;
  namespace fs = std::filesystem;
  const std::string dead = std::to_string(DeadProcessId()), live = std::to_string(getppid());
  const std::string victim = outside.Write("victim.txt", std::string("keep me"));
  // Left by killed runs: removed.
  const std::vector<std::string> gone = {"p1.jpg.part" + dead, "p2.jpg.part" + dead + "-a1B2c3",
                                         "kestrel.inf.part" + dead + "-zz9999"};
  for (const auto& name : gone) dir.Write(name, std::string("partial"));
  // Kept: a running process's file, a link, a folder, names of other forms,
  // and anything below the folder.
  dir.Write("p3.jpg.part" + live + "-a1B2c3", std::string("being written"));
  std::string mine;
  int fd = CreateTemporaryFile(dir.file("list.txt"), mine);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EQ(TemporaryFileOwner(std::filesystem::path(mine).filename().string()), long(getpid()));
  fs::create_symlink(victim, dir.file("p4.jpg.part" + dead + "-a1B2c3"));
  fs::create_directory(dir.file("p5.jpg.part" + dead + "-a1B2c3"));
  dir.Write("p6.pdat.part" + dead, std::string("not ours"));
  dir.Write("p7.jpg.part" + dead + "-abc", std::string("not ours"));
  dir.Write("p8.jpg.part" + dead + "x", std::string("not ours"));
  fs::create_directory(dir.file("below"));
  dir.Write("below/p9.jpg.part" + dead + "-a1B2c3", std::string("not in the folder"));
  const size_t before = EntriesIn(dir);

  EXPECT_EQ(RemoveDeadTemporaries(dir.path().string()), 3);
  for (const auto& name : gone) EXPECT_FALSE(fs::exists(fs::symlink_status(dir.file(name)))) << name;
  EXPECT_EQ(EntriesIn(dir), before - 3);
  EXPECT_TRUE(fs::is_symlink(dir.file("p4.jpg.part" + dead + "-a1B2c3")));
  EXPECT_EQ(ReadFile(victim), "keep me");
  EXPECT_TRUE(fs::exists(dir.file("below/p9.jpg.part" + dead + "-a1B2c3")));
  EXPECT_TRUE(fs::exists(mine));
}

}  // namespace
}  // namespace kestrel
