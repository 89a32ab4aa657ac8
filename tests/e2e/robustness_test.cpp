// The kestrel program given damaged input, run into faults (a read-only
// base folder, a full disk, missing fonts) and started many times at once
// on one base folder. Every run must end by itself (no crash, no hang),
// say what went wrong, and leave no file that looks complete but is not.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <random>
#include <set>

#include "support/engine_fixture.h"
#include "support/program_runner.h"
#include "util/profile_file.h"
#include "util/replacing_file.h"
#include "platform/text_codec.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

// A page with one of each kind of command.
std::vector<uint8_t> GoodPage(uint8_t colour = 1) {
  PageBuilder page;
  page.Paper(0, 140, 140, 1).Palette(1, 200, 0, 0).Paint(colour, 100, 100, 400, 300, 3);
  page.Line(colour, 100, 500, 1200, 500, 0xFFFF).Circle(colour, 600, 800, 0, 0, 100);
  page.String(colour, 100, 1000, 0, 0, 20, 20, 0, 0).End();
  page.Text(SjisFromUtf8("請求書 ABC"));
  return page.bytes();
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A whole JPEG stream: start-of-image at the front, end-of-image at the end.
bool IsWholeJpeg(const std::string& path) {
  std::string b = ReadFile(path);
  return b.size() > 4 && b.compare(0, 2, "\xFF\xD8") == 0 && EndsWith(b, "\xFF\xD9");
}

// A whole PDF: the header, the end-of-file mark near the end.
bool IsWholePdf(const std::string& path) {
  std::string b = ReadFile(path);
  return b.rfind("%PDF-", 0) == 0 && b.find("%%EOF", b.size() > 64 ? b.size() - 64 : 0) != std::string::npos;
}

size_t PdfPageCount(const std::string& path) {
  std::string b = ReadFile(path);
  size_t count = 0;
  for (size_t at = b.find("/Type /Page"); at != std::string::npos; at = b.find("/Type /Page", at + 1))
    if (b.compare(at, 12, "/Type /Pages") != 0) ++count;
  return count;
}

std::vector<std::string> FilesUnder(const fs::path& root, const std::string& extension) {
  std::vector<std::string> out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_regular_file() && it->path().extension() == extension) out.push_back(it->path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Temporary names of the writers (".part<pid>-" of every temporary file,
// ".~" of earlier builds, ".kestrel-" PDF documents) that must not outlive a run.
std::vector<std::string> LeftoverTemporaryFiles(const fs::path& root) {
  std::vector<std::string> out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.find(".~") != std::string::npos || name.find(".part") != std::string::npos ||
        name.rfind(".kestrel-", 0) == 0)
      out.push_back(name);
  }
  return out;
}

void SetAge(const std::string& path, int seconds) {
  utimbuf times{};
  times.actime = times.modtime = std::time(nullptr) - seconds;
  utime(path.c_str(), &times);
}

class Robustness : public ::testing::Test {
 protected:
  Robustness() = default;
  explicit Robustness(const fs::path& parent) : base_(parent) {}
  void SetUp() override { fs::create_directories(base_.path() / "zoq"); }

  std::string Base() const { return base_.path().string() + "/"; }
  std::string File(const std::string& name) const { return base_.file(name); }

  // The settings file with the given [SETTING] lines (CR LF added).
  void Settings(const std::vector<std::string>& lines) {
    std::string text = "[SETTING]\r\n";
    for (const auto& l : lines) text += l + "\r\n";
    base_.Write("zoq/kestrel.inf", SjisFromUtf8(text));
  }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    fs::create_directories(fs::path(File(name)).parent_path());
    return base_.Write(name, bytes);
  }

  // Runs kestrel (through wrapper, a command such as prlimit, when given)
  // with the headless Ui, without CUPS queues (the built-in PDF device).
  ProgramRun Run(const std::vector<std::string>& args, const std::vector<std::string>& wrapper = {},
                 int timeoutSeconds = 60, std::vector<std::pair<std::string, std::string>> env = {}) const {
    std::vector<std::string> all(wrapper.begin(), wrapper.end());
    std::string program = KESTREL_PROGRAM;
    if (!wrapper.empty()) {
      program = all.front();
      all.erase(all.begin());
      all.push_back(KESTREL_PROGRAM);
    }
    all.insert(all.end(), args.begin(), args.end());
    env.insert(env.end(), {{"KESTREL_BASE", Base()},
                           {"KESTREL_MESSAGES", ""},
                           {"DISPLAY", ""}});
    // Without a CUPS server of its own the run sees the built-in PDF device only.
    const bool ownServer =
        std::any_of(env.begin(), env.end(), [](const auto& e) { return e.first == "CUPS_SERVER"; });
    env.emplace_back("KESTREL_NO_CUPS", ownServer ? "" : "1");
    return RunProgramAndWait(program, all, env, timeoutSeconds);
  }

  TempDir base_;
};

// The run ended by itself (not by a signal, not by the time limit) and no
// sanitizer spoke.
void ExpectCleanEnd(const ProgramRun& r, const std::string& what) {
  EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1 || r.exitCode == 3) << what << ": exit " << r.exitCode << "\n" << r.err;
  EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << what << "\n" << r.err;
  EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << what << "\n" << r.err;
}

TEST_F(Robustness, DamagedPrintDataEndsCleanlyWithAWholeJpegOrAMessage) {
  Settings({"$jpeg=1", "$jdpi=60"});
  auto record = [](std::initializer_list<uint8_t> head) {
    std::vector<uint8_t> r(head);
    r.resize(16, 0);
    return r;
  };
  std::vector<std::pair<std::string, std::vector<uint8_t>>> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"short", {16, 0, 140}});
  std::vector<uint8_t> cut = GoodPage();
  cut.resize(16 * 3 + 7);
  cases.push_back({"cut-record", cut});
  {
    PageBuilder p;  // no End record at all
    p.Paper(0, 140, 140, 1).Line(1, 0, 0, 100, 100, 0xFFFF);
    cases.push_back({"no-end", p.bytes()});
  }
  {
    PageBuilder p;  // texts far past the end, negative, and without their NUL
    p.String(0, 100, 100, 0, 0, 20, 20, 0, 1000000).String(0, 100, 200, 1, 3, 20, 20, 0, -7);
    p.String(0, 100, 300, 0, 5, 20, 20, 0, 0).End();
    p.Text("\x30\x21\x30", false);
    cases.push_back({"text-offsets", p.bytes()});
  }
  {
    PageBuilder p;  // colour indexes above 49
    p.Palette(200, 1, 2, 3).Paint(50, 10, 10, 500, 500, 1).Line(255, 0, 0, 900, 900, 0xF0F0);
    p.Circle(99, 400, 400, 90, 0, 300).String(77, 10, 10, 0, 0, 10, 10, 0, 0).End();
    p.Text("x");
    cases.push_back({"colour-index", p.bytes()});
  }
  {
    PageBuilder p;  // huge copy count, unknown papers, landscape
    p.Paper(1, 32767, -1, 255).Raw(record({16, 7, 0xFF, 0x7F, 0, 0x80, 0, 255})).Line(1, 0, 0, 65535, 65535, 0);
    p.End();
    cases.push_back({"paper", p.bytes()});
  }
  {
    // More than the 600,000 records a page holds, none of them End.
    std::vector<uint8_t> big;
    std::vector<uint8_t> line = record({1, 1, 10, 0, 10, 0, 200, 0, 200, 0, 0xFF, 0xFF});
    big.reserve(16 * 610000);
    for (int i = 0; i < 610000; ++i) big.insert(big.end(), line.begin(), line.end());
    cases.push_back({"oversized", big});
  }
  {
    std::vector<uint8_t> noise(5000);
    std::mt19937 rng(7);
    for (auto& b : noise) b = uint8_t(rng());
    cases.push_back({"noise", noise});
  }
  for (const auto& [name, bytes] : cases) {
    std::string data = Write("data/" + name + ".pdat", bytes);
    ProgramRun r = Run({"-p", data});
    ExpectCleanEnd(r, name);
    std::string jpeg = File("data/" + name + ".jpg");
    if (fs::exists(jpeg)) {
      EXPECT_TRUE(IsWholeJpeg(jpeg)) << name;
    } else {
      EXPECT_NE(r.err.find("kestrel: "), std::string::npos) << name << ": no JPEG and nothing said";
    }
  }
  // The good page prints.
  std::string good = Write("data/good.pdat", GoodPage());
  ExpectCleanEnd(Run({"-p", good}), "good");
  EXPECT_TRUE(IsWholeJpeg(File("data/good.jpg")));
  EXPECT_TRUE(LeftoverTemporaryFiles(base_.path()).empty());
}

TEST_F(Robustness, ASettingsFileOfBinaryGarbageOrAFolderDoesNotStopPrinting) {
  std::string garbage;
  std::mt19937 rng(11);
  for (int i = 0; i < 4096; ++i) garbage.push_back(char(rng()));
  garbage += "\r\n[SETTING]\r\n$jpeg=1\r\n$jdpi=50\r\n\0\xff[SETTING\r\n$pmap=\x81\r\n";
  base_.Write("zoq/kestrel.inf", garbage);
  std::string data = Write("data/a.pdat", GoodPage());
  ExpectCleanEnd(Run({"-p", data}), "garbage settings");
  EXPECT_TRUE(IsWholeJpeg(File("data/a.jpg")));
  EXPECT_EQ(ReadFile(File("zoq/kestrel.inf")), garbage);  // read, never rewritten

  // A folder where the settings file should be: the run says so and goes on.
  fs::remove(File("zoq/kestrel.inf"));
  fs::create_directories(File("zoq/kestrel.inf"));
  ProgramRun r = Run({"-p", data});
  ExpectCleanEnd(r, "settings folder");
  EXPECT_NE(r.err.find("inf"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_directory(File("zoq/kestrel.inf")));
  EXPECT_TRUE(LeftoverTemporaryFiles(base_.path()).empty());
}

TEST_F(Robustness, APrintListNamingFoldersDevicesAndPipesPrintsOnlyItsFiles) {
  Settings({"$jpeg=1", "$jdpi=50"});
  Write("job/good.pdat", GoodPage());
  fs::create_directories(File("job/sub.pdat"));
  ASSERT_EQ(mkfifo(File("job/pipe.pdat").c_str(), 0600), 0);
  base_.Write("job/plist.inf", "[PrintData]\r\nKeyMax=6\r\n1=sub.pdat\r\n2=/dev/null\r\n3=pipe.pdat\r\n"
                               "4=/dev/zero\r\n5=good.pdat\r\n6=" + File("job") + "\r\n");
  auto started = std::chrono::steady_clock::now();
  ProgramRun r = Run({"-p", File("job") + ",0"}, {}, 30);
  ExpectCleanEnd(r, "print list");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(25)) << "a pipe held the run";
  EXPECT_TRUE(IsWholeJpeg(File("job/good.jpg")));
  EXPECT_FALSE(fs::exists(File("job/pipe.jpg")));

  // A pipe named directly as the print target.
  started = std::chrono::steady_clock::now();
  ExpectCleanEnd(Run({"-p", File("job/pipe.pdat")}, {}, 30), "pipe target");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(25)) << "a pipe held the run";
}

TEST_F(Robustness, InformationFilesOfNoBytesAndOfAHundredMegabytesNameThePdf) {
  Write("empty/p0001.pdat", GoodPage());
  base_.Write("empty/I0001.txt", std::string());
  Write("huge/p0001.pdat", GoodPage());
  {
    // 100 MB without writing them: a sparse file.
    std::ofstream(File("huge/I0001.txt")).close();
    fs::resize_file(File("huge/I0001.txt"), 100u << 20);
  }
  for (const char* folder : {"empty", "huge"}) {
    auto started = std::chrono::steady_clock::now();
    ProgramRun r = Run({"-p", File(folder) + ",2"}, {}, 60);
    ExpectCleanEnd(r, folder);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30)) << folder;
  }
  std::vector<std::string> pdfs = FilesUnder(base_.path() / "vpdf", ".pdf");
  ASSERT_EQ(pdfs.size(), 2u);
  for (const auto& pdf : pdfs) EXPECT_TRUE(IsWholePdf(pdf)) << pdf;
  EXPECT_TRUE(LeftoverTemporaryFiles(base_.path()).empty());
}

TEST_F(Robustness, PathsWithBlanksQuotesAndCharactersOutsideCp932) {
  Settings({"$jpeg=1", "$jdpi=50", "$plog=1"});
  const std::vector<std::string> names = {"my data/a b.pdat", "q\"uote/x'y.pdat", "외국어/😀 é.pdat"};
  for (const auto& name : names) {
    std::string data = Write(name, GoodPage());
    std::string quoted = "\"";
    for (char c : data) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    quoted += "\"";
    ProgramRun r = Run({"-p", quoted});
    ExpectCleanEnd(r, name);
    std::string jpeg = data.substr(0, data.size() - 5) + ".jpg";
    EXPECT_TRUE(IsWholeJpeg(jpeg)) << name << "\n" << r.err;
  }
}

// Runs as an unprivileged user when the tests run as root (root writes
// into read-only folders); empty when that is not possible.
std::vector<std::string> Unprivileged() {
  if (geteuid() != 0) return {"env"};
  if (access("/usr/bin/setpriv", X_OK) != 0) return {};
  return {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
}

// A base folder shared by a group (set-group-ID, group-writable) gets logs
// and folders the group can write, even from a run with umask 022; any
// other base folder keeps the run's umask.
TEST_F(Robustness, AGroupSharedBaseFolderGetsGroupWritableLogs) {
  Settings({"$jpeg=1", "$jdpi=50", "$plog=1", "$alog=0"});
  const std::string data = Write("data/a.pdat", GoodPage());
  const std::vector<std::string> umask022 = {"/bin/sh", "-c", "umask 022; exec \"$@\"", "sh"};
  auto groupWritable = [](const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWGRP) != 0;
  };
  auto logs = [&] { return FilesUnder(File("zoq/plog"), ".txt"); };

  fs::permissions(base_.path(), fs::perms(0755));
  ExpectCleanEnd(Run({"-p", data}, umask022), "private base");
  ASSERT_FALSE(logs().empty());
  EXPECT_FALSE(groupWritable(File("zoq/plog")));
  EXPECT_FALSE(groupWritable(logs().front()));

  fs::remove_all(File("zoq/plog"));
  fs::remove(File("data/a.jpg"));  // a replaced file keeps its mode
  ASSERT_EQ(chmod(base_.path().c_str(), 02775), 0);
  ExpectCleanEnd(Run({"-p", data}, umask022), "shared base");
  ASSERT_FALSE(logs().empty());
  EXPECT_TRUE(groupWritable(File("zoq/plog")));
  for (const std::string& log : logs()) EXPECT_TRUE(groupWritable(log)) << log;
  EXPECT_TRUE(groupWritable(File("data/a.jpg")));
}

// Runs of another user: the base folder lies in /tmp, which every user can
// reach (TMPDIR may lie in a home no one else may enter), and is removed.
class RobustnessOfAnotherUser : public Robustness {
 protected:
  RobustnessOfAnotherUser() : Robustness("/tmp") {}
};

TEST_F(RobustnessOfAnotherUser, AReadOnlyBaseFolderIsReportedAndLeavesNothingHalfWritten) {
  std::vector<std::string> asUser = Unprivileged();
  if (asUser.empty()) GTEST_SKIP() << "cannot drop root here";
  Settings({"$jpeg=1", "$jdpi=50", "$plog=1", "$alog=0"});
  std::string data = Write("data/a.pdat", GoodPage());
  Write("data/b.pdat", GoodPage());
  std::string before = ReadFile(File("zoq/kestrel.inf"));
  for (const auto& entry : fs::recursive_directory_iterator(base_.path()))
    if (entry.is_directory()) fs::permissions(entry.path(), fs::perms(0555));
  fs::permissions(base_.path(), fs::perms(0555));

  // The logs cannot be made, the JPEG cannot be written (the job's
  // exception step): each is said.
  ProgramRun r = Run({"-p", data}, asUser);
  ExpectCleanEnd(r, "read-only base");
  EXPECT_NE(r.err.find("kestrel: ログフォルダの作成に失敗したため、ログは出力されません"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("kestrel: 解析ログフォルダの作成に失敗したため"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("kestrel: 印刷メイン処理で例外が発生しました。"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(File("data/a.jpg")));
  // A PDF folder run: the PDF folder cannot be made.
  ProgramRun folder = Run({"-p", File("data") + ",2"}, asUser);
  ExpectCleanEnd(folder, "read-only base, PDF");
  EXPECT_NE(folder.err.find("vpdf/フォルダの作成に失敗しました\\nPDF出力を中止します"), std::string::npos) << folder.err;
  EXPECT_EQ(ReadFile(File("zoq/kestrel.inf")), before);
  EXPECT_TRUE(FilesUnder(base_.path(), ".txt").empty());
  EXPECT_TRUE(LeftoverTemporaryFiles(base_.path()).empty());

  for (const auto& entry : fs::recursive_directory_iterator(base_.path()))
    if (entry.is_directory()) fs::permissions(entry.path(), fs::perms(0755));
  fs::permissions(base_.path(), fs::perms(0755));
}

TEST_F(Robustness, AFullDiskFailsTheJpegWithAMessageAndNoFileBehind) {
  // A file-size limit stands in for a full disk: a write past it fails.
  Settings({"$jpeg=1", "$jdpi=300", "$plog=1"});
  std::string data = Write("data/a.pdat", GoodPage());
  ProgramRun r = Run({"-p", data}, {"/usr/bin/prlimit", "--fsize=8192"});
  ExpectCleanEnd(r, "file-size limit");
  EXPECT_NE(r.err.find("kestrel: 印刷メイン処理で例外が発生しました。"), std::string::npos) << r.err;
  std::string jobLog;
  for (const auto& log : FilesUnder(base_.path() / "zoq" / "plog", ".txt")) jobLog += Utf8FromSjis(ReadFile(log));
  EXPECT_NE(jobLog.find("■JPEG保存エラー(JPEG: "), std::string::npos) << jobLog;
  EXPECT_NE(jobLog.find("File too large"), std::string::npos) << jobLog;
  EXPECT_FALSE(fs::exists(File("data/a.jpg")));
  EXPECT_TRUE(LeftoverTemporaryFiles(base_.path()).empty());

  // A settings file that does not fit is not there at all (never a part
  // of it), and the run says so and prints on.
  fs::remove(File("zoq/kestrel.inf"));
  r = Run({"-f", "-p", data}, {"/usr/bin/prlimit", "--fsize=300"});
  ExpectCleanEnd(r, "settings under limit");
  EXPECT_NE(r.err.find("kestrel: infが保存できませんでした(" + File("zoq/kestrel.inf") + ")"), std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(File("zoq/kestrel.inf")));
  EXPECT_TRUE(LeftoverTemporaryFiles(base_.path()).empty());
}

TEST_F(Robustness, FontsThatAreNotInstalledStillGiveAPage) {
  Settings({"$jpeg=1", "$jdpi=60", "$pFontMin=存在しない明朝", "$pFontGot=NoSuchFace Gothic",
            "$pStringFontMin2=\"ABC\",\"Missing Face\""});
  base_.Write("zoq/pfont.txt", SjisFromUtf8("[OCR]\r\nFONT=No Such OCR\r\n"));
  PageBuilder page;
  page.Paper(0, 140, 140, 1).String(0, 100, 100, 0, 0, 20, 20, 0, 0).String(0, 100, 200, 1, 1, 20, 20, 0, 0);
  page.String(0, 100, 300, 2, 2, 20, 20, 0, 0).End();
  page.Text(SjisFromUtf8("ABC 漢字"));
  std::string data = Write("data/fonts.pdat", page.bytes());
  ExpectCleanEnd(Run({"-p", data}), "missing fonts");
  EXPECT_TRUE(IsWholeJpeg(File("data/fonts.jpg")));
}

// A CUPS server of this test alone (its own folders and socket), so that
// stopping it disturbs nobody else's printing.
class PrivateCupsServer {
 public:
  explicit PrivateCupsServer(const fs::path& root) : root_(root), socket_((root / "cups.sock").string()) {
    for (const char* d : {"conf", "spool", "cache", "state", "log", "tmp"}) fs::create_directories(root / d);
    fs::permissions(root / "tmp", fs::perms(0700));
    std::ofstream(root / "conf" / "cupsd.conf") << "Listen " << socket_ << "\nLogLevel warn\nBrowsing No\n"
                                                   "DefaultAuthType None\n<Location />\n  Order allow,deny\n"
                                                   "  Allow all\n</Location>\n";
    const std::string r = root.string();
    std::ofstream(root / "conf" / "cups-files.conf")
        << "ServerRoot " << r << "/conf\nRequestRoot " << r << "/spool\nCacheDir " << r << "/cache\nStateDir " << r
        << "/state\nTempDir " << r << "/tmp\nErrorLog " << r << "/log/error_log\nAccessLog " << r
        << "/log/access_log\nPageLog " << r << "/log/page_log\nFileDevice Yes\n";
    pid_ = fork();
    if (pid_ == 0) {
      setsid();
      std::freopen("/dev/null", "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      const std::string conf = r + "/conf/cupsd.conf", files = r + "/conf/cups-files.conf";
      execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(), (char*)nullptr);
      _exit(127);
    }
    for (int i = 0; i < 100 && !running_; ++i) {
      running_ = Client("/usr/bin/lpstat", {"-r"}).out.find("is running") != std::string::npos;
      if (!running_) usleep(100000);
    }
  }
  ~PrivateCupsServer() { Stop(); }
  bool running() const { return running_; }
  const std::string& socket() const { return socket_; }
  ProgramRun Client(const std::string& program, const std::vector<std::string>& args) const {
    return RunProgramAndWait(program, args, {{"CUPS_SERVER", socket_}}, 20);
  }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    running_ = false;
  }

 private:
  fs::path root_;
  std::string socket_;
  pid_t pid_ = -1;
  bool running_ = false;
};

TEST_F(Robustness, ACupsServerStoppingInTheMiddleOfAJobIsReported) {
  if (geteuid() != 0 || access("/usr/sbin/cupsd", X_OK) != 0) GTEST_SKIP() << "needs root and cupsd";
  PrivateCupsServer cups(base_.path() / "cups");
  ASSERT_TRUE(cups.running());
  ASSERT_EQ(cups.Client("/usr/sbin/lpadmin",
                        {"-p", "Doomed", "-E", "-v", "file:///dev/null", "-m", "drv:///sample.drv/generic.ppd"})
                .exitCode,
            0);
  // Pages with bitmap fills, so that the document stays open a while.
  Settings({"$pmap=4"});
  for (int p = 0; p < 200; ++p) Write("job/p" + std::to_string(1000 + p) + ".pdat", GoodPage());
  fs::create_directories(File("tmp"));
  auto run = std::async(std::launch::async, [&] {
    // Time enough for the 200 pages of a sanitizer build on a busy machine:
    // a run that is killed leaves its work file, which is what is checked.
    return Run({"-pd", "Doomed", "-p", File("job") + ",1"}, {}, 600,
               {{"CUPS_SERVER", cups.socket()}, {"TMPDIR", File("tmp")}});
  });
  // The job is made before the document's work file is written to: stop
  // the server once pages reach that file, while the rest are drawn.
  bool started = false;
  for (int i = 0; i < 20000 && !started; ++i) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(File("tmp"), ec))
      if (entry.is_regular_file(ec) && entry.file_size(ec) > 0) started = true;
    if (!started) usleep(1000);
  }
  cups.Stop();
  ProgramRun r = run.get();
  ASSERT_TRUE(started) << r.err;
  ExpectCleanEnd(r, "CUPS stopped");
  EXPECT_NE(r.err.find("■EndDoc関数 Error"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_empty(File("tmp"))) << "the document's work file was left behind";
  EXPECT_FALSE(fs::exists(File("vpdf")));
}

// A PDF folder run with nobody to answer the PDF device dialog, on a
// machine whose default destination is a printer queue: the built-in PDF
// device writes the document, nothing reaches the queue.
TEST_F(Robustness, AnUnattendedPdfRunWritesAPdfFileAndNeverPrintsOnTheDefaultQueue) {
  if (geteuid() != 0 || access("/usr/sbin/cupsd", X_OK) != 0) GTEST_SKIP() << "needs root and cupsd";
  PrivateCupsServer cups(base_.path() / "cups");
  ASSERT_TRUE(cups.running());
  ASSERT_EQ(cups.Client("/usr/sbin/lpadmin",
                        {"-p", "Office", "-E", "-v", "file:///dev/null", "-m", "drv:///sample.drv/generic.ppd"})
                .exitCode,
            0);
  ASSERT_EQ(cups.Client("/usr/sbin/lpadmin", {"-d", "Office"}).exitCode, 0);
  // The queue is what a run of this environment takes as its default.
  ASSERT_NE(cups.Client("/usr/bin/lpstat", {"-d"}).out.find(": Office"), std::string::npos);
  Settings({"$plog=1"});
  Write("job/p1.pdat", GoodPage());
  Write("job/p2.pdat", GoodPage());
  ProgramRun r = Run({"-p", File("job") + ",2"}, {}, 60, {{"CUPS_SERVER", cups.socket()}, {"KESTREL_ANSWERS", ""}});
  ExpectCleanEnd(r, "unattended PDF run");
  EXPECT_NE(r.err.find("kestrel: [device dialog] no answer left: Kestrel PDF taken"), std::string::npos) << r.err;
  std::vector<std::string> pdfs = FilesUnder(base_.path() / "vpdf", ".pdf");
  ASSERT_EQ(pdfs.size(), 1u) << r.err;
  EXPECT_EQ(PdfPageCount(pdfs[0]), 2u);
  EXPECT_EQ(cups.Client("/usr/bin/lpstat", {"-W", "all", "-o", "Office"}).out, "");
  ProfileFile settings;
  ASSERT_EQ(settings.Load(File("zoq/kestrel.inf")), ProfileFile::LoadResult::kOk);
  EXPECT_EQ(settings.GetString("PDF", "$path", "?"), "Kestrel PDF");
}

// PRINTER names the destination as for lp (LPDEST unset); KESTREL_NO_CUPS=1
// leaves the queues out, so the built-in PDF device prints.
TEST_F(Robustness, PrinterChoosesTheQueueAndNoCupsLeavesTheQueuesOut) {
  if (geteuid() != 0 || access("/usr/sbin/cupsd", X_OK) != 0) GTEST_SKIP() << "needs root and cupsd";
  PrivateCupsServer cups(base_.path() / "cups");
  ASSERT_TRUE(cups.running());
  for (const char* queue : {"Office", "Second"}) {
    ASSERT_EQ(cups.Client("/usr/sbin/lpadmin",
                          {"-p", queue, "-E", "-v", "file:///dev/null", "-m", "drv:///sample.drv/generic.ppd"})
                  .exitCode,
              0);
  }
  ASSERT_EQ(cups.Client("/usr/sbin/lpadmin", {"-d", "Office"}).exitCode, 0);
  const std::string data = Write("data/form.pdat", GoodPage());
  auto jobs = [&](const char* queue) { return cups.Client("/usr/bin/lpstat", {"-W", "all", "-o", queue}).out; };

  if (std::getenv("LPDEST") != nullptr) GTEST_SKIP() << "LPDEST is set: it would win over PRINTER";
  ProgramRun r = Run({"-p", data}, {}, 60, {{"CUPS_SERVER", cups.socket()}, {"PRINTER", "Second"}});
  ExpectCleanEnd(r, "PRINTER");
  EXPECT_NE(jobs("Second"), "") << r.err;
  EXPECT_EQ(jobs("Office"), "");

  r = Run({"-p", data}, {}, 60, {{"CUPS_SERVER", cups.socket()}, {"KESTREL_NO_CUPS", "1"}});
  ExpectCleanEnd(r, "KESTREL_NO_CUPS");
  EXPECT_EQ(FilesUnder(base_.path() / "vpdf", ".pdf").size(), 1u) << r.err;
  EXPECT_EQ(jobs("Office"), "");
}

// Many callers at once on one base folder: every page of every run is
// there and whole, the settings file is whole, no log line is lost.
TEST_F(Robustness, EightRunsAtOnceOnOneBaseFolder) {
  constexpr int kRuns = 8, kPages = 50;
  std::vector<uint8_t> page = GoodPage();
  for (int run = 0; run < kRuns; ++run)
    for (int p = 0; p < kPages; ++p) {
      char name[64];
      std::snprintf(name, sizeof name, "jobs/%d/p%04d.pdat", run, p + 1);
      Write(name, page);
    }
  auto runAll = [this](const std::vector<std::string>& modes) {
    std::vector<std::future<ProgramRun>> runs;
    for (size_t run = 0; run < modes.size(); ++run) {
      std::string target = File("jobs/" + std::to_string(run)) + "," + modes[run];
      runs.push_back(std::async(std::launch::async, [this, target] {
        return Run({"-f", "-a", "2", "-p", target}, {}, 120);
      }));
    }
    for (auto& f : runs) ExpectCleanEnd(f.get(), "concurrent run");
  };
  auto started = std::chrono::steady_clock::now();

  // 1. No settings file: every run finds none, scans its options and saves
  // the file, all at about the same moment. Half print to the PDF device
  // as folders in PDF mode, half as sheets of one document on the default
  // device (the same built-in PDF device).
  fs::remove(File("zoq/kestrel.inf"));
  runAll({"2", "1", "2", "1", "2", "1", "2", "1"});
  std::vector<std::string> pdfs = FilesUnder(base_.path() / "vpdf", ".pdf");
  EXPECT_EQ(pdfs.size(), size_t(kRuns));
  for (const auto& pdf : pdfs) {
    EXPECT_TRUE(IsWholePdf(pdf)) << pdf;
    EXPECT_EQ(PdfPageCount(pdf), size_t(kPages)) << pdf;
  }
  // The settings file: whole, every key once, the options of the runs.
  ProfileFile settings;
  ASSERT_EQ(settings.Load(File("zoq/kestrel.inf")), ProfileFile::LoadResult::kOk);
  EXPECT_EQ(settings.GetInt("SETTING", "$pmap", -1), 2);
  EXPECT_EQ(settings.GetInt("SETTING", "$plog", -1), 1);
  EXPECT_EQ(settings.GetInt("PM2", "$pdat2_time", -1), 1800);
  std::string text = ReadFile(File("zoq/kestrel.inf"));
  for (const char* key : {"$pmag=", "$jdpi=", "$pdfbk=", "$pfline=", "$pdat2_Folder="}) {
    size_t first = text.find(key);
    EXPECT_NE(first, std::string::npos) << key;
    EXPECT_EQ(text.find(key, first + 1), std::string::npos) << key << " twice";
  }

  // 2. JPEG pages: half the runs write a JPEG beside every page, half
  // print PDF folders (which switch JPEG output off for themselves).
  Settings({"$jpeg=1", "$jdpi=100", "$plog=1", "$pmap=2"});
  runAll({"0", "2", "1", "2", "0", "2", "1", "2"});
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  size_t jpegs = 0;
  for (int run : {0, 2, 4, 6}) {
    for (int p = 0; p < kPages; ++p) {
      char name[64];
      std::snprintf(name, sizeof name, "jobs/%d/p%04d.jpg", run, p + 1);
      EXPECT_TRUE(IsWholeJpeg(File(name))) << name;
      ++jpegs;
    }
  }
  pdfs = FilesUnder(base_.path() / "vpdf", ".pdf");
  EXPECT_EQ(pdfs.size(), size_t(kRuns + kRuns / 2));
  for (const auto& pdf : pdfs) EXPECT_EQ(PdfPageCount(pdf), size_t(kPages)) << pdf;

  // Every run's end line is in a program log: the lines of one run are
  // never written over by another's.
  size_t ends = 0;
  for (const auto& log : FilesUnder(base_.path() / "zoq" / "plog", ".txt")) {
    std::string utf8 = Utf8FromSjis(ReadFile(log));
    for (size_t at = utf8.find("【印刷終了時間】"); at != std::string::npos; at = utf8.find("【印刷終了時間】", at + 1))
      ++ends;
  }
  EXPECT_EQ(ends, size_t(2 * kRuns));
  EXPECT_TRUE(LeftoverTemporaryFiles(base_.path()).empty());
  std::printf("[ figures  ] %d runs x %d pages at once, twice: %zu PDF files and %zu JPEG files checked in %.1f s\n",
              kRuns, kPages, pdfs.size(), jpegs, seconds);
}

// Analysis runs started together share the second of their log names:
// every page keeps a log and a JPEG of its own (no run replaces another's).
TEST_F(Robustness, EightAnalysisRunsAtOnceKeepEveryPagesLogAndJpeg) {
  constexpr int kRuns = 8, kFiles = 3;
  Settings({"$alog=1", "$jdpi=40"});
  std::vector<std::string> targets, data;
  for (int run = 0; run < kRuns; ++run) {
    std::string list;
    for (int f = 0; f < kFiles; ++f) {
      data.push_back(Write("alog/r" + std::to_string(run) + "f" + std::to_string(f) + ".pdat", GoodPage()));
      list += (f == 0 ? "" : ",") + data.back();
    }
    targets.push_back(list);
  }
  std::vector<std::future<ProgramRun>> runs;
  for (const auto& target : targets)
    runs.push_back(std::async(std::launch::async, [this, target] { return Run({"-p", target}, {}, 120); }));
  for (auto& f : runs) ExpectCleanEnd(f.get(), "concurrent analysis run");

  const std::vector<std::string> logs = FilesUnder(base_.path() / "zoq" / "palog", ".txt");
  EXPECT_EQ(logs.size(), data.size());
  std::multiset<std::string> named;
  for (const auto& log : logs) {
    const std::string text = Utf8FromSjis(ReadFile(log));
    const std::string label = "【印刷データファイル名】= ";
    size_t at = text.find(label);
    ASSERT_NE(at, std::string::npos) << log;
    at += label.size();
    named.insert(text.substr(at, text.find('(', at) - at));
    EXPECT_TRUE(IsWholeJpeg(log.substr(0, log.size() - 4) + ".jpg")) << log;
  }
  EXPECT_EQ(named, std::multiset<std::string>(data.begin(), data.end()));
}

TEST_F(Robustness, CleanUpAtTheEndOfConcurrentRunsTouchesOnlyOldPrintData) {
  Settings({"$jpeg=1", "$jdpi=40"});
  std::vector<std::string> mine;
  for (int i = 0; i < 6; ++i) mine.push_back(Write("zoq/p" + std::to_string(i) + ".pdat", GoodPage()));
  std::string young = Write("zoq/young.pdat", GoodPage());
  std::string old = Write("zoq/old.pdat", GoodPage());
  SetAge(young, 1790);
  SetAge(old, 1900);
  std::vector<std::future<ProgramRun>> runs;
  for (const auto& data : mine)
    runs.push_back(std::async(std::launch::async, [this, data] { return Run({"-p", data}); }));
  for (auto& f : runs) ExpectCleanEnd(f.get(), "concurrent single run");
  EXPECT_FALSE(fs::exists(old));
  EXPECT_TRUE(fs::exists(young));
  for (const auto& data : mine) {
    EXPECT_TRUE(fs::exists(data)) << data;
    EXPECT_TRUE(IsWholeJpeg(data.substr(0, data.size() - 5) + ".jpg")) << data;
  }
}

}  // namespace
}  // namespace kestrel::test

namespace kestrel::test {
namespace {

std::string CriticalLog(const fs::path& base) {
  return Utf8FromSjis(ReadFile((base / "zoq" / "CriticalPLOG.txt").string()));
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST_F(Robustness, SettingsAndInformationFilesThatArePipesDevicesOrHugeNeitherHoldNorFillTheRun) {
  const std::string data = Write("job/p0001.pdat", GoodPage());
  const std::string settings = File("zoq/kestrel.inf");
  for (const std::string kind : {"pipe", "/dev/zero", "/dev/urandom"}) {
    fs::remove(settings);
    if (kind == "pipe") ASSERT_EQ(mkfifo(settings.c_str(), 0600), 0);
    else fs::create_symlink(kind, settings);
    const auto started = std::chrono::steady_clock::now();
    ProgramRun r = Run({"-p", data}, {}, 60);
    ExpectCleanEnd(r, kind);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20)) << kind;
    EXPECT_NE(r.err.find("infが読めませんでした"), std::string::npos) << kind << "\n" << r.err;
  }
  EXPECT_EQ(Count(CriticalLog(base_.path()), "通常のファイルではないため読みません(" + settings + ")"), 3u)
      << CriticalLog(base_.path());

  // A PDF folder run whose information files are a pipe, a device and a
  // sparse file of 20 GB: the bookmark list and the document are made.
  fs::remove(settings);
  Write("pdf/p0001.pdat", GoodPage());
  Write("pdf/p0002.pdat", GoodPage());
  Write("pdf/p0003.pdat", GoodPage());
  ASSERT_EQ(mkfifo(File("pdf/I0001.txt").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", File("pdf/I0002.txt"));
  base_.Write("pdf/I0003.txt", std::string());
  fs::resize_file(File("pdf/I0003.txt"), uintmax_t(20) << 30);
  const size_t pdfs = FilesUnder(base_.path() / "vpdf", ".pdf").size();
  const auto started = std::chrono::steady_clock::now();
  ProgramRun r = Run({"-p", File("pdf") + ",2"}, {}, 120);
  ExpectCleanEnd(r, "information files");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  EXPECT_EQ(FilesUnder(base_.path() / "vpdf", ".pdf").size(), pdfs + 1) << r.err;
  EXPECT_EQ(FilesUnder(base_.path() / "vpdf", ".csv").size(), 1u) << r.err;
  const std::string critical = CriticalLog(base_.path());
  EXPECT_NE(critical.find("通常のファイルではないため読みません(" + File("pdf/I0001.txt") + ")"), std::string::npos)
      << critical;
  EXPECT_NE(critical.find("ファイルが大きすぎるため読みません"), std::string::npos) << critical;
}

// A process id that no longer runs: a child that has ended and been reaped.
long DeadProcessId() {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return long(pid);
}

TEST_F(Robustness, TemporaryFilesOfKilledRunsAreRemovedWhenARunWritesIntoTheirFolder) {
  const std::string dead = std::to_string(DeadProcessId()), live = std::to_string(getpid());
  const std::string data = Write("jobs/p.pdat", GoodPage());
  fs::create_directories(base_.path() / "vpdf");
  const long deadPid = std::stol(dead);
  const std::vector<std::string> leftovers = {"jobs/" + TemporaryFileName("old.jpg", deadPid, "abc123"),
                                              "vpdf/" + TemporaryFileName(".kestrel-document", deadPid, "Abc123")};
  for (const auto& name : leftovers) base_.Write(name, std::string(4096, 'x'));
  // A file of a run that is still going, and a user's file that only looks
  // like a leftover.
  const std::string busy = base_.Write("jobs/" + TemporaryFileName("busy.jpg", std::stol(live), "abc123"),
                                       std::string("busy"));
  const std::string users = base_.Write("jobs/report.part" + dead + "-abc123", std::string("the user's"));

  Settings({"$jpeg=1", "$jdpi=50"});
  ExpectCleanEnd(Run({"-p", data}), "jpeg");
  EXPECT_TRUE(IsWholeJpeg(File("jobs/p.jpg")));
  Settings({});
  ExpectCleanEnd(Run({"-p", data}), "pdf");
  EXPECT_EQ(FilesUnder(base_.path() / "vpdf", ".pdf").size(), 1u);

  for (const auto& name : leftovers) EXPECT_FALSE(fs::exists(File(name))) << name;
  EXPECT_EQ(ReadFile(busy), "busy");
  EXPECT_EQ(ReadFile(users), "the user's");
}

// $pdat2=9 deletes the folder printed from only when every file of it
// printed, and never the pages the run wrote there.
TEST_F(Robustness, AFolderIsDeletedAfterItsRunOnlyWhenEveryFilePrintedAndNothingOfTheRunIsInIt) {
  struct Case {
    std::string name;
    std::vector<std::string> settings;
    bool fifo;         // a pipe among the print-data files
    bool data;         // a print-data file to print
    bool deleted;      // the folder is gone after the run
    std::string kept;  // the file kept in the folder otherwise
  };
  const std::vector<Case> cases = {
      {"every file printed to the PDF device", {}, false, true, true, ""},
      {"JPEG pages written elsewhere ($jpath)", {"$jpeg=1", "$jdpi=50", "$jpath=\\out\\"}, false, true, true, ""},
      {"nothing to print", {}, false, false, false, "notes.txt"},
      {"a pipe among the files", {}, true, true, false, "a.pdat"},
      {"every job failed ($jdpi=100000)", {"$jpeg=1", "$jdpi=100000", "$jpath=\\out\\"}, false, true, false, "a.pdat"},
      {"JPEG pages beside the data", {"$jpeg=1", "$jdpi=50"}, false, true, false, "a.jpg"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = c.settings;
    lines.insert(lines.end(), {"[PM2]", "$pdat2=9"});
    Settings(lines);
    const fs::path folder = base_.path() / "jobs";
    Write("jobs/notes.txt", std::vector<uint8_t>{'k', 'e', 'e', 'p'});
    if (c.data) Write("jobs/a.pdat", GoodPage());
    if (c.fifo) {
      ASSERT_EQ(mkfifo((folder / "b.pdat").c_str(), 0600), 0);
    }
    fs::create_directories(base_.path() / "out");
    ProgramRun r = Run({"-p", folder.string() + ",0"});
    ExpectCleanEnd(r, c.name);
    EXPECT_EQ(!fs::exists(folder), c.deleted) << c.name << "\n" << r.err;
    if (!c.deleted) {
      EXPECT_TRUE(fs::exists(folder / c.kept)) << c.name;
      EXPECT_EQ(ReadFile((folder / "notes.txt").string()), "keep") << c.name;
    }
    fs::remove_all(folder);
    fs::remove_all(base_.path() / "out");
  }
}

// A Shift-JIS name whose second byte is the backslash (0x5C) is a name of
// its own: printed as given, or reported when it is not there, and the
// clean-up never reaches the folder its backslash as a separator would name.
TEST_F(Robustness, AShiftJisNameWithABackslashByteIsTakenAsGivenAndNeverCleansAnotherFolder) {
  Settings({"[PM2]", "$pdat2=9"});
  const std::string given = "\x95\x5c" "x";  // 表x: 0x95 0x5C is one character
  const fs::path asGiven = base_.path() / given, split = base_.path() / "\x95" / "x";
  for (const bool present : {true, false}) {
    fs::create_directories(split);
    Write(("\x95/x/other.pdat"), GoodPage());
    if (present) Write(given + "/a.pdat", GoodPage());
    // Relative to the working folder, where the backslash of other paths
    // is a separator.
    ProgramRun r = Run({"-p", given + ",0"}, {"/usr/bin/env", "-C", Base()});
    ExpectCleanEnd(r, present ? "present" : "missing");
    // The other folder and its file are untouched either way.
    EXPECT_TRUE(fs::exists(split / "other.pdat")) << present << "\n" << r.err;
    if (present) {
      EXPECT_FALSE(fs::exists(asGiven)) << "the folder printed from is deleted\n" << r.err;
    } else {
      EXPECT_NE(r.exitCode, 0) << r.err;
    }
    fs::remove_all(asGiven);
  }
}

// No log is written through a link: a link planted at the critical log,
// at the names the program and job logs take in the coming seconds, or in
// place of the log folders, is refused and reported; the file it points to
// keeps its content, nothing is made where it points, and the page prints.
TEST_F(Robustness, LinksPlantedAtTheLogsAndTheirFoldersAreNeverWrittenThrough) {
  TempDir outside;
  const std::string sentinelText = std::string(45 * 1024, 's');
  const std::string data = Write("jobs/p.pdat", GoodPage());
  // Names of the next seconds: p_<stamp>.txt (the job log) and plog_<stamp>.txt.
  auto stamps = [] {
    std::vector<std::string> out;
    const std::time_t now = std::time(nullptr);
    for (int ahead = -1; ahead <= 30; ++ahead) {
      const std::time_t at = now + ahead;
      std::tm local{};
      localtime_r(&at, &local);
      char text[32];
      std::strftime(text, sizeof text, "%Y%m%d_%H%M%S", &local);
      out.push_back(text);
    }
    return out;
  };
  struct Case {
    std::string name;
    std::function<void()> plant;
    bool analysis = false;  // $alog=1: the page goes to the analysis folder, not to a PDF
  };
  const std::string sentinel = outside.Write("sentinel.txt", sentinelText);
  const std::vector<Case> cases = {
      {"the critical log and the log folder",
       [&] {
         fs::create_symlink(sentinel, File("zoq/CriticalPLOG.txt"));
         fs::create_directory_symlink(outside.path(), File("zoq/plog"));
       }},
      {"the program and job logs",
       [&] {
         fs::create_directories(File("zoq/plog"));
         for (const auto& stamp : stamps()) {
           fs::create_symlink(sentinel, File("zoq/plog/plog_" + stamp + ".txt"));
           fs::create_symlink(sentinel, File("zoq/plog/p_" + stamp + ".txt"));
         }
       }},
      {"the log folders",
       [&] {
         fs::create_directory_symlink(outside.path(), File("zoq/plog"));
         fs::create_directory_symlink(outside.path(), File("zoq/palog"));
       }},
      {"the analysis log folder", [&] { fs::create_directory_symlink(outside.path(), File("zoq/palog")); }, true},
  };
  for (const Case& c : cases) {
    fs::remove_all(File("zoq/plog"));
    fs::remove_all(File("zoq/palog"));
    fs::remove(File("zoq/CriticalPLOG.txt"));
    Settings({"$plog=1", c.analysis ? "$alog=1" : "$alog=0"});
    c.plant();
    ProgramRun r = Run({"-p", data});
    ExpectCleanEnd(r, c.name);
    if (!c.analysis) {
      EXPECT_EQ(r.exitCode, 0) << c.name << "\n" << r.err;
      EXPECT_EQ(FilesUnder(base_.path() / "vpdf", ".pdf").size(), 1u) << c.name << "\n" << r.err;
    }
    fs::remove_all(base_.path() / "vpdf");
    EXPECT_EQ(ReadFile(sentinel), sentinelText) << c.name;
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(outside.path())) ++entries;
    EXPECT_EQ(entries, 1u) << c.name << ": a file was made through the link";
    // Reported in the critical log, or on standard error when that is the
    // link; a page whose analysis log is refused says so in its job log.
    const std::string report = "ログの場所がリンクのため、このログは書きません(";
    const bool criticalIsLink = fs::is_symlink(fs::symlink_status(File("zoq/CriticalPLOG.txt")));
    std::string where = criticalIsLink ? r.err : CriticalLog(base_.path());
    if (c.analysis) {
      for (const auto& log : FilesUnder(base_.path() / "zoq/plog", ".txt")) where += Utf8FromSjis(ReadFile(log));
    }
    EXPECT_NE(where.find(report), std::string::npos) << c.name << "\n" << where << "\n" << r.err;
  }
}

// Print data in a file named "*.jpg" is never replaced by its own page.
TEST_F(Robustness, AJpegPageNeverReplacesItsOwnPrintData) {
  Settings({"$jpeg=1", "$jdpi=50"});
  const std::vector<uint8_t> page = GoodPage();
  const std::string data = Write("job/page.jpg", page);
  ProgramRun r = Run({"-p", data});
  ExpectCleanEnd(r, "page.jpg");
  EXPECT_NE(r.exitCode, 0) << r.err;
  EXPECT_TRUE(ReadFile(data) == std::string(page.begin(), page.end())) << "the print data was replaced";
}

TEST_F(Robustness, AbsurdJdpiIsRefusedAndAbsurdPmagIsDrawnWithinRange) {
  const std::string data = Write("job/p.pdat", GoodPage());
  Settings({"$jpeg=1", "$jdpi=2147483647"});
  ProgramRun r = Run({"-p", data});
  ExpectCleanEnd(r, "jdpi");
  EXPECT_NE(r.err.find("$jdpi=2147483647"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(File("job/p.jpg")));

  // Texts and circles at a million and at 1e300 times, on a JPEG page and on
  // the PDF device.
  for (const std::string pmag : {"1000000", "1e300"}) {
    Settings({"$jpeg=1", "$jdpi=50", "$pmag=" + pmag});
    ExpectCleanEnd(Run({"-p", data}), "jpeg " + pmag);
    EXPECT_TRUE(IsWholeJpeg(File("job/p.jpg"))) << pmag;
    Settings({"$pmag=" + pmag});
    ExpectCleanEnd(Run({"-p", data}), "pdf " + pmag);
  }
  for (const auto& pdf : FilesUnder(base_.path() / "vpdf", ".pdf")) EXPECT_TRUE(IsWholePdf(pdf)) << pdf;
  EXPECT_EQ(FilesUnder(base_.path() / "vpdf", ".pdf").size(), 2u);
  EXPECT_EQ(Count(CriticalLog(base_.path()), "描画できる範囲を超えた"), 4u) << CriticalLog(base_.path());
}

}  // namespace
}  // namespace kestrel::test
