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
  // The file has no name until it is whole: a run killed now leaves nothing.
  EXPECT_TRUE(file.temporaryPath().empty()) << file.temporaryPath();
  EXPECT_EQ(EntriesIn(dir), 1u);
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
  const long deadPid = DeadProcessId();
  const std::string dead = std::to_string(deadPid);
  const std::string victim = outside.Write("victim.txt", std::string("keep me"));
  // Left by killed runs: removed.
  const std::vector<std::string> gone = {TemporaryFileName("p1.jpg", deadPid, "a1B2c3"),
                                         TemporaryFileName("kestrel.inf", deadPid, "zz9999")};
  for (const auto& name : gone) dir.Write(name, std::string("partial"));
  // Kept: a running process's file, a link, a folder, and anything below
  // the folder, although each carries a true check.
  const std::string running = TemporaryFileName("p3.jpg", long(getppid()), "a1B2c3");
  dir.Write(running, std::string("being written"));
  std::string mine;
  int fd = CreateTemporaryFile(dir.file("list.txt"), mine);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EQ(TemporaryFileOwner(fs::path(mine).filename().string()), long(getpid()));
  const std::string link = TemporaryFileName("p4.jpg", deadPid, "a1B2c3");
  fs::create_symlink(victim, dir.file(link));
  fs::create_directory(dir.file(TemporaryFileName("p5.jpg", deadPid, "a1B2c3")));
  fs::create_directory(dir.file("below"));
  const std::string below = "below/" + TemporaryFileName("p9.jpg", deadPid, "a1B2c3");
  dir.Write(below, std::string("not in the folder"));
  // A user's files whose names merely look like temporary files of a run
  // that no longer runs (earlier builds deleted the first four), and one
  // whose check is off by a digit.
  std::string wrongCheck = TemporaryFileName("p6.jpg", deadPid, "a1B2c3");
  wrongCheck.back() = wrongCheck.back() == '0' ? '1' : '0';
  const std::vector<std::string> users = {"thesis.docx.part" + dead + "-backup",
                                          "report.part" + dead + "-abc123",
                                          "scan.pdf.part" + dead + "-ABCDEF",
                                          "p7.jpg.part" + dead,
                                          "p8.pdat.part" + dead + "-a1B2c3-1234567",
                                          wrongCheck};
  for (const auto& name : users) {
    dir.Write(name, std::string("the user's"));
    EXPECT_EQ(TemporaryFileOwner(name), 0) << name;
  }
  const size_t before = EntriesIn(dir);

  EXPECT_EQ(RemoveDeadTemporaries(dir.path().string()), int(gone.size()));
  for (const auto& name : gone) EXPECT_FALSE(fs::exists(fs::symlink_status(dir.file(name)))) << name;
  EXPECT_EQ(EntriesIn(dir), before - gone.size());
  for (const auto& name : users) EXPECT_EQ(ReadFile(dir.file(name)), "the user's") << name;
  EXPECT_EQ(ReadFile(dir.file(running)), "being written");
  EXPECT_TRUE(fs::is_symlink(dir.file(link)));
  EXPECT_EQ(ReadFile(victim), "keep me");
  EXPECT_TRUE(fs::exists(dir.file(below)));
  EXPECT_TRUE(fs::exists(mine));
}

}  // namespace
}  // namespace kestrel
