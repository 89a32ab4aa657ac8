// The Windows programs (build/windows, mingw-w64) run under Wine: settings,
// logs, printing through Wine's spooler to a queue of the tests' private
// CUPS server, JPEG pages drawn by GDI against the Linux raster page, and the
// completion message to a caller's window. ctest makes the Wine prefix once
// (scripts/wine-prefix.sh, fixture wine_prefix, folder in KESTREL_TEST_WINE)
// and starts the private CUPS server (fixture cups_server, KESTREL_TEST_CUPS):
// Wine's printers are that server's queues, never the machine's. Without
// wine, the Windows programs, the prefix or the server the tests are skipped
// with the reason.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "support/engine_fixture.h"
#include "support/jpeg_files.h"
#include "support/program_runner.h"
#include "support/x11_fixture.h"

extern char** environ;

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

const std::string kWindows = KESTREL_WINDOWS_BUILD;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

std::string WineFolder() { return Env("KESTREL_TEST_WINE"); }
std::string CupsSocket() { return Env("KESTREL_TEST_CUPS").empty() ? "" : Env("KESTREL_TEST_CUPS") + "/cups.sock"; }

// Z: is the Linux root in every Wine prefix.
std::string WindowsPath(const fs::path& path) {
  std::string out = "Z:" + path.string();
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

// Why the Windows tests cannot run here; empty when they can.
std::string MissingForWine() {
  if (!fs::exists("/usr/bin/wine")) return "wine is not installed";
  if (!fs::exists(kWindows + "/kestrel.exe")) return "no Windows build in " + kWindows + " (scripts/build.sh windows)";
  if (WineFolder().empty() || !fs::exists(WineFolder() + "/prefix/system.reg"))
    return "no Wine prefix (ctest makes it: fixture wine_prefix)";
  return {};
}

bool HasJapaneseLocale() { return fs::is_directory(WineFolder() + "/locale/ja_JP.UTF-8"); }

std::string MissingForPrinting() {
  if (std::string missing = MissingForWine(); !missing.empty()) return missing;
  if (CupsSocket().empty() ||
      Shell("lpstat -h '" + CupsSocket() + "' -r 2>/dev/null").find("is running") == std::string::npos)
    return "no private CUPS server (fixture cups_server, needs root): Wine would have no printer";
  return {};
}

// A Windows program of the build under Wine, headless, with no display
// (windowed: on the display of DISPLAY, with its windows and message boxes).
// Its outputs go to files and the wait is for the program alone: the
// services Wine starts beside the first program of a prefix inherit them
// and stay as long as the prefix's server.
ProgramRun RunWindows(const std::string& program, const std::vector<std::string>& args, const fs::path& base,
                      std::vector<std::pair<std::string, std::string>> env = {}, bool windowed = false) {
  ProgramRun run;
  std::vector<std::string> all = {"/usr/bin/env"};
  if (!windowed) all.insert(all.end(), {"-u", "DISPLAY"});
  const std::string socket = CupsSocket();
  // The caller's variables come last and so win.
  // The Japanese locale of the prefix (scripts/wine-prefix.sh), as on a
  // Japanese office's machine: code page 932.
  if (HasJapaneseLocale()) {
    env.insert(env.begin(), {{"LOCPATH", WineFolder() + "/locale"}, {"LC_ALL", "ja_JP.UTF-8"}});
  }
  env.insert(env.begin(), {{"WINEPREFIX", WineFolder() + "/prefix"},
                         {"WINEARCH", "win64"},
                         {"WINEDEBUG", "-all"},
                         {"CUPS_SERVER", socket.empty() ? WineFolder() + "/no-cups.sock" : socket},
                         {"KESTREL_UI", windowed ? "windows" : "headless"},
                         {"KESTREL_BASE", WindowsPath(base) + "\\"}});
  for (const auto& [name, value] : env) all.push_back(name + "=" + value);
  // A program of the build by its name, or any program by its full path.
  all.insert(all.end(), {"/usr/bin/wine", program.starts_with("/") ? program : kWindows + "/" + program});
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  TempDir outputs;
  const std::string out = outputs.file("out"), err = outputs.file("err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, all[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    run.err = "cannot start wine";
    return run;
  }
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = ReadFile(out);
  run.err = ReadFile(err);
  return run;
}

// Ends every program of the prefix (the desktop with them) and starts its
// server again.
void RestartWineSession() {
  const std::string prefix = "WINEPREFIX='" + WineFolder() + "/prefix' ";
  Shell(prefix + "wineserver -k 2>/dev/null; " + prefix + "wineserver -w; " + prefix +
        "wineserver -p </dev/null >/dev/null 2>&1");
}

std::string Utf8File(const fs::path& path) { return Shell("iconv -f CP932 -t UTF-8 '" + path.string() + "'"); }

std::vector<fs::path> FilesIn(const fs::path& folder, const std::string& extension) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().extension() == extension && e.path().filename().string()[0] != '.') out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

// One field of pdfinfo's report, without the blanks before it.
std::string PdfInfoField(const std::string& info, const std::string& name) {
  const size_t at = info.find("\n" + name + ":");
  if (at == std::string::npos) return {};
  size_t from = info.find_first_not_of(' ', at + name.size() + 2);
  return info.substr(from, info.find('\n', from) - from);
}

// The job that reaches the queue's folder after the `before` jobs there (the
// server converts it first, under a hidden name); empty after 30 s.
fs::path NextJob(const fs::path& out, size_t before) {
  std::vector<fs::path> jobs;
  for (int i = 0; i < 300 && jobs.size() <= before; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    jobs = FilesIn(out, ".pdf");
  }
  EXPECT_EQ(jobs.size(), before + 1) << "no job arrived in " << out;
  if (jobs.size() <= before) return {};
  return *std::max_element(jobs.begin(), jobs.end(), [](const fs::path& a, const fs::path& b) {
    return fs::last_write_time(a) < fs::last_write_time(b);
  });
}

void WriteSettings(const fs::path& base, const std::string& lines) {
  fs::create_directories(base / "zoq");
  std::ofstream(base / "zoq" / "kestrel.inf", std::ios::binary) << "[SETTING]\r\n" << lines;
}

// With a display: the progress form of a folder run is a window of its
// size and colours whose cancel button stops the run before the next file; the message saying so
// is a message box, and while it stays open (at least 2.5 s) the time-out
// timer ($pwait=1000) ticks once a second, each tick notifying the caller's
// window before the end steps do. The button is pressed as soon as the form
// is there, so the run stops after the file being printed then, long before
// the last; how many ticks fall while the box is open depends on how long
// it stays open, which the test window measures.
TEST(WindowsPrograms, ProgressFormCancelsAndMessageBoxesServeTheTimeOut) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  XServer display;
  if (!display.ok()) GTEST_SKIP() << "no Xvfb";
  // The Wine session's desktop keeps the display it started with: a new
  // session on this display, and a new one again when it goes away.
  RestartWineSession();
  struct Restart {
    ~Restart() { RestartWineSession(); }
  } restartAfter;
  TempDir dir;
  const fs::path base = dir.path();
  fs::create_directories(base / "jobs");
  for (int i = 1; i <= 4; ++i)
    fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", base / "jobs" / ("p" + std::to_string(i) + ".pdat"));
  WriteSettings(base, "$jpeg=1\r\n$pwait=1000\r\n");
  const std::string kestrel = WindowsPath(kWindows + "/kestrel.exe");

  ProgramRun run = RunWindows("kestrel_test_window.exe", {"--press-cancel", kestrel, "-pd", "KestrelPDF", "-p", "\\jobs,0"},
                              base, {}, true);
  // The form: 450 x 146, sky blue, the file label a white field.
  int messages = -1, ticks = -1;
  unsigned long long openMs = 0;
  char rest[96] = "";
  ASSERT_EQ(std::sscanf(run.out.c_str(), "messages %d exit 3 cancelled 1 boxes 1 form 450x146 A6CAF0 label FFFFFF "
                                         "first box %d in %llu%95s",
                        &messages, &ticks, &openMs, rest),
            3)
      << run.out << run.err;
  // A tick per second the box was open (one more for an interval that ended
  // just before it opened), and one more message from the end steps.
  EXPECT_GE(ticks, 2) << run.out;
  EXPECT_LE(ticks, int(openMs / 1000) + 1) << run.out;
  EXPECT_GE(messages, ticks + 1) << run.out;
  EXPECT_LE(messages, ticks + 2) << run.out;
  EXPECT_LT(FilesIn(base / "jobs", ".jpg").size(), 4u);
}

// With a display the device dialog is a window of its size and colours: a
// double click on a row
// asks its confirmation in a message box, and Yes takes that device (here
// the two-sided queue, whose paper list says so).
TEST(WindowsPrograms, DeviceDialogWindowTakesTheConfirmedRow) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  XServer display;
  if (!display.ok()) GTEST_SKIP() << "no Xvfb";
  RestartWineSession();
  struct Restart {
    ~Restart() { RestartWineSession(); }
  } restartAfter;
  TempDir dir;
  const std::string tools = WindowsPath(kWindows + "/kestrel-tools.exe");
  for (const auto& [row, duplex] : {std::pair{0, "[1]"}, std::pair{1, "[0]"}}) {
    ProgramRun run = RunWindows("kestrel_test_window.exe",
                                {"--no-handle", "--box-wait=300", "--pick-device=" + std::to_string(row), tools, "paperlist"},
                                dir.path(), {}, true);
    // The confirmation and the list's "written" message.
    EXPECT_NE(run.out.find("exit 0 cancelled 0 boxes 2"), std::string::npos) << run.out << run.err;
    // The dialog: 428 x 390, blue, a white status line and a silver hint.
    EXPECT_NE(run.out.find(" dialog 428x390 8888FF status FFFFFF hint C0C0C0"), std::string::npos) << run.out;
    EXPECT_NE(Utf8File(dir.path() / "zoq" / "ppaperlist.txt").find(std::string("【両面印刷可能】= ") + duplex),
              std::string::npos)
        << row;
  }
}

// A first run without a settings file takes the fallback options into a new
// settings file, logs (the print target lowered, as Windows names are), and
// prints through Wine's spooler: the CUPS queue receives the page as one PDF
// job of the page's paper.
TEST(WindowsPrograms, FirstRunWritesSettingsLogsAndPrintsThroughTheSpooler) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  const fs::path base = dir.path();
  fs::create_directories(base / "data");
  fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", base / "data" / "invoice.pdat");
  const fs::path out = fs::path(Env("KESTREL_TEST_CUPS")) / "out";
  const size_t jobsBefore = FilesIn(out, ".pdf").size();

  ProgramRun run = RunWindows("kestrel.exe", {"-f", "-a", "9", "-pd", "KestrelPDF", "-p", "/Data/Invoice.PDAT"}, base);
  ASSERT_EQ(run.exitCode, 0) << run.err;

  const std::string settings = Utf8File(base / "zoq" / "kestrel.inf");
  EXPECT_NE(settings.find("$plog=1\r\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("$pmap=1\r\n"), std::string::npos) << settings;  // -a 9 is out of range
  ASSERT_EQ(FilesIn(base / "zoq" / "plog", ".txt").size(), 2u);  // the program log and the job log
  std::string logs;
  for (const auto& log : FilesIn(base / "zoq" / "plog", ".txt")) logs += Utf8File(log);
  EXPECT_NE(logs.find("【印刷終了時間】"), std::string::npos) << logs;
  EXPECT_NE(logs.find("KestrelPDF"), std::string::npos) << logs;
  // Names are Windows names: the target is lowered and logged with "\".
  EXPECT_NE(logs.find("【印刷指定コマンド引数(-p)】:[\\data\\invoice.pdat,]"), std::string::npos) << logs;

  const std::string info = Shell("pdfinfo '" + NextJob(out, jobsBefore).string() + "'");
  EXPECT_EQ(PdfInfoField(info, "Pages"), "1") << info;
  EXPECT_EQ(PdfInfoField(info, "Page size"), "595.3 x 841.9 pts (A4)") << info;
}

// Run without arguments, the Windows Ui (message boxes; no display here, so
// the box answers at once) says that this build has no system menu form
// and names the commands that do its work; the box is recorded in
// KESTREL_MESSAGES as every Ui's are.
TEST(WindowsPrograms, TheNoArgumentRunSaysTheSystemMenuIsNotInThisBuild) {
  if (std::string missing = MissingForWine(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  const fs::path messages = dir.path() / "messages.txt";
  ProgramRun run = RunWindows("kestrel.exe", {}, dir.path(),
                              {{"KESTREL_UI", "windows"}, {"KESTREL_MESSAGES", WindowsPath(messages)}});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::string shown = ReadFile(messages.string());
  EXPECT_EQ(shown.rfind("システムメニューの画面はこのWindows版にはまだありません。\\n", 0), 0u) << shown;
  EXPECT_NE(shown.find("kestrel-tools paperlist"), std::string::npos) << shown;
}

// A B4 form takes the driver's B4 paper, found by its size in the paper
// list of the spooler (2570 x 3640), and arrives on B4, not on the queue's
// default A4.
TEST(WindowsPrograms, B4FormArrivesOnTheQueuesB4Paper) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  fs::create_directories(dir.path() / "data");
  fs::copy_file(KESTREL_BINARY_DIR "/examples/sales-ledger-b4.pdat", dir.path() / "data" / "ledger.pdat");
  const fs::path out = fs::path(Env("KESTREL_TEST_CUPS")) / "out";
  const size_t jobsBefore = FilesIn(out, ".pdf").size();

  ProgramRun run = RunWindows("kestrel.exe", {"-pd", "KestrelPDF", "-p", "\\data\\ledger.pdat"}, dir.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string info = Shell("pdfinfo '" + NextJob(out, jobsBefore).string() + "'");
  EXPECT_EQ(PdfInfoField(info, "Pages"), "1") << info;
  EXPECT_EQ(PdfInfoField(info, "Page size"), "728.6 x 1031.9 pts") << info;  // the queue's B4
}

// Pixels of two pages that differ by more than JPEG noise: a channel apart
// by more than a quarter of its range.
struct PageDifference {
  long long pixels = 0;
  long long differing = 0;
  double fraction() const { return pixels == 0 ? 1.0 : double(differing) / double(pixels); }
};

PageDifference Compare(const DecodedJpeg& a, const DecodedJpeg& b) {
  PageDifference d;
  d.pixels = (long long)a.width * a.height;
  auto channel = [](const DecodedJpeg& j, size_t pixel, int c) {
    return int(j.samples[pixel * size_t(j.components) + size_t(j.components == 1 ? 0 : c)]);
  };
  for (size_t p = 0; p < size_t(d.pixels); ++p) {
    for (int c = 0; c < 3; ++c) {
      if (std::abs(channel(a, p, c) - channel(b, p, c)) > 64) {
        ++d.differing;
        break;
      }
    }
  }
  return d;
}

// Fills of every pattern, lines of every style, full circles and arcs.
std::string DrawingTestPage() {
  std::ostringstream page;
  page << "paper orientation=portrait paper=A4 userPaper=A4 copies=1\n"
          "palette index=1 red=200 green=30 blue=30\npalette index=2 red=20 green=90 blue=160\n";
  for (int p = 0; p <= 16; ++p) {
    const int x = 80 + (p % 6) * 200, y = 80 + (p / 6) * 200;
    page << "paint color=" << (p % 3) << " x1=" << x << " y1=" << y << " x2=" << x + 170 << " y2=" << y + 170
         << " pattern=" << p << "\n";
  }
  const char* styles[] = {"solid", "dash", "dot", "dashdot", "dashdotdot"};
  for (int i = 0; i < 5; ++i) {
    const int y = 760 + i * 40;
    page << "line color=" << (i % 3) << " x0=80 y0=" << y << " x1=1240 y1=" << y + i * 30 << " style=" << styles[i]
         << "\n";
    page << "line color=0 x0=" << 100 + i * 60 << " y0=1000 x1=" << 100 + i * 60 << " y1=1300 style=" << styles[i]
         << "\n";
  }
  const int arcs[][2] = {{0, 0}, {0, 90}, {90, 270}, {45, 315}, {180, 0}, {270, 90}};
  for (int i = 0; i < 6; ++i) {
    page << "circle color=" << (i % 3) << " cx=" << 500 + (i % 3) * 260 << " cy=" << 1080 + (i / 3) * 260
         << " end=" << arcs[i][0] << " start=" << arcs[i][1] << " radius=" << 40 + i * 15 << "\n";
  }
  page << "end\n";
  return page.str();
}

// Writes a copy of the print data without its string commands.
void WithoutStrings(const fs::path& from, const fs::path& to, const fs::path& scratch) {
  const std::string dumped = (scratch / "dump.txt").string();
  Shell(std::string(PDAT_PROGRAM) + " dump '" + from.string() + "' '" + dumped + "'");
  std::ifstream in(dumped);
  std::ofstream kept(scratch / "kept.txt");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("string ", 0) != 0) kept << line << "\n";
  kept.close();
  Shell(std::string(PDAT_PROGRAM) + " compile '" + (scratch / "kept.txt").string() + "' '" + to.string() + "'");
}

// The JPEG page of kestrel.exe (GDI on a DIB section, WIC) and of the Linux
// program (the raster canvas, libjpeg) of the sample forms and a drawing test
// page, without their texts: the same size and the same pixels but for at
// most 0.1 % of them. With their texts the pages differ where the glyphs
// differ (Wine's and FreeType's rendering of the same IPA faces); those
// fractions are printed, not held to the bound.
TEST(WindowsPrograms, JpegPagesMatchTheLinuxPage) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  const fs::path scratch = dir.path() / "scratch";
  fs::create_directories(scratch);
  std::vector<std::string> names;
  for (const auto& sample : FilesIn(KESTREL_BINARY_DIR "/examples", ".pdat")) names.push_back(sample.stem().string());
  ASSERT_GE(names.size(), 5u);
  {
    std::ofstream(scratch / "drawing-test.txt") << DrawingTestPage();
    Shell(std::string(PDAT_PROGRAM) + " compile '" + (scratch / "drawing-test.txt").string() + "' '" +
          (scratch / "drawing-test.pdat").string() + "'");
    ASSERT_TRUE(fs::exists(scratch / "drawing-test.pdat"));
  }
  for (const char* system : {"linux", "windows"}) {
    for (const char* kind : {"shapes", "text"}) {
      const fs::path folder = dir.path() / system / kind;
      fs::create_directories(folder);
      for (const std::string& name : names) {
        const fs::path sample = fs::path(KESTREL_BINARY_DIR "/examples") / (name + ".pdat");
        if (std::string(kind) == "text") {
          fs::copy_file(sample, folder / (name + ".pdat"));
        } else {
          WithoutStrings(sample, folder / (name + ".pdat"), scratch);
        }
      }
      fs::copy_file(scratch / "drawing-test.pdat", folder / "drawing-test.pdat");
    }
    // The imaging component of Wine 8 encodes at quality 75 with the colour
    // channels at half resolution whatever the page asks; the Linux page is
    // encoded alike so that the comparison sees the drawing, not the encoders.
    WriteSettings(dir.path() / system, "$jpeg=1\r\n$jquality=75\r\n$jsampling=420\r\n");
  }
  for (const char* kind : {"shapes", "text"}) {
    ProgramRun linux = RunProgramAndWait(
        KESTREL_PROGRAM, {"-p", (dir.path() / "linux" / kind).string() + ",0"},
        {{"KESTREL_BASE", (dir.path() / "linux").string()}, {"KESTREL_NO_CUPS", "1"}, {"KESTREL_NO_DEBUG_LABEL", "1"}});
    ASSERT_EQ(linux.exitCode, 0) << linux.err;
    ProgramRun windows = RunWindows("kestrel.exe", {"-pd", "KestrelPDF", "-p", std::string("\\") + kind + ",0"},
                                    dir.path() / "windows", {{"KESTREL_NO_DEBUG_LABEL", "1"}});
    ASSERT_EQ(windows.exitCode, 0) << windows.err;
  }
  names.push_back("drawing-test");
  for (const std::string& name : names) {
    for (const char* kind : {"shapes", "text"}) {
      DecodedJpeg lin, win;
      ASSERT_TRUE(DecodeJpeg((dir.path() / "linux" / kind / (name + ".jpg")).string(), lin)) << name;
      ASSERT_TRUE(DecodeJpeg((dir.path() / "windows" / kind / (name + ".jpg")).string(), win)) << name;
      ASSERT_EQ(win.width, lin.width) << name;
      ASSERT_EQ(win.height, lin.height) << name;
      const PageDifference d = Compare(lin, win);
      std::printf("%-20s %-6s %dx%d: %lld of %lld pixels differ (%.4f %%)\n", name.c_str(), kind, lin.width,
                  lin.height, d.differing, d.pixels, d.fraction() * 100);
      if (std::string(kind) == "shapes") {
        EXPECT_LT(d.fraction(), 0.001) << name;
      }
    }
  }
}

// pdat render draws the page on Windows as GDI draws a JPEG page there: the
// picture of a form without its texts (whose glyphs come from other
// fonts) is the Linux picture within the shapes' tolerance above.
TEST(WindowsPrograms, PdatRenderDrawsThePictureOfTheLinuxPage) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  WithoutStrings(KESTREL_BINARY_DIR "/examples/invoice.pdat", dir.path() / "invoice.pdat", dir.path());
  ProgramRun linux = RunProgramAndWait(PDAT_PROGRAM, {"render", (dir.path() / "invoice.pdat").string(), "-r", "100",
                                                      "-o", (dir.path() / "linux.png").string()});
  ASSERT_EQ(linux.exitCode, 0) << linux.err;
  ProgramRun windows = RunWindows("pdat.exe", {"render", WindowsPath(dir.path() / "invoice.pdat"), "-r", "100", "-o",
                                               WindowsPath(dir.path() / "windows.png")},
                                  dir.path());
  ASSERT_EQ(windows.exitCode, 0) << windows.err;
  DecodedJpeg lin, win;
  ASSERT_TRUE(ReadPng((dir.path() / "linux.png").string(), lin));
  ASSERT_TRUE(ReadPng((dir.path() / "windows.png").string(), win));
  ASSERT_EQ(win.width, lin.width);
  ASSERT_EQ(win.height, lin.height);
  const PageDifference d = Compare(lin, win);
  EXPECT_LT(d.fraction(), 0.001) << d.differing << " of " << d.pixels;
  EXPECT_FALSE(fs::exists(dir.path() / "invoice.png"));
}

// A folder with a print list prints the files the list names, not the
// folder's listing: a bare name from the folder, a rooted Windows path from
// under the base folder; each JPEG page lies beside its print data. Paths
// of the folder's files are Windows paths (the job log shows them), with a
// print list and without one.
TEST(WindowsPrograms, APrintListPrintsTheFilesItNames) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  const fs::path base = dir.path();
  fs::create_directories(base / "jobs" / "0001");
  fs::create_directories(base / "other");
  for (const fs::path& to : {base / "jobs" / "0001" / "p0001.pdat", base / "jobs" / "0001" / "p0002.pdat",
                             base / "other" / "x.pdat"})
    fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", to);
  std::ofstream(base / "jobs" / "0001" / "plist.inf", std::ios::binary)
      << "[PrintData]\r\nKeyMax=3\r\n1=p0002.pdat\r\n3=\\other\\x.pdat\r\n";
  WriteSettings(base, "$jpeg=1\r\n$jdpi=50\r\n$plog=1\r\n");
  auto logs = [&] {
    std::string text;
    for (const auto& log : FilesIn(base / "zoq" / "plog", ".txt")) text += Utf8File(log);
    fs::remove_all(base / "zoq" / "plog");
    return text;
  };
  auto logged = [](const fs::path& file) { return "【印刷データファイル名】= " + WindowsPath(file) + "("; };

  ProgramRun run = RunWindows("kestrel.exe", {"-pd", "KestrelPDF", "-p", "\\jobs\\0001,0"}, base);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(FilesIn(base / "jobs" / "0001", ".jpg"), std::vector<fs::path>{base / "jobs" / "0001" / "p0002.jpg"});
  EXPECT_TRUE(fs::exists(base / "other" / "x.jpg"));
  std::string log = logs();
  EXPECT_NE(log.find(logged(base / "jobs" / "0001" / "p0002.pdat")), std::string::npos) << log;
  EXPECT_NE(log.find(logged(base / "other" / "x.pdat")), std::string::npos) << log;

  fs::remove(base / "jobs" / "0001" / "plist.inf");
  run = RunWindows("kestrel.exe", {"-pd", "KestrelPDF", "-p", "\\jobs\\0001,0"}, base);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::exists(base / "jobs" / "0001" / "p0001.jpg"));
  log = logs();
  EXPECT_NE(log.find(logged(base / "jobs" / "0001" / "p0001.pdat")), std::string::npos) << log;
}

// The clean-up after a folder run ($pdat2=9) deletes the printed folder
// through the shell, judged by its Windows real path (its JPEG pages go to
// a folder of their own: pages beside the data would keep it); a product
// folder is never deleted (a critical-log line instead).
TEST(WindowsPrograms, FolderCleanupDeletesThePrintedFolderButNoProductFolder) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  const fs::path base = dir.path();
  fs::create_directories(base / "jobs" / "0001");
  fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", base / "jobs" / "0001" / "invoice.pdat");
  WriteSettings(base, "$jpeg=1\r\n$jdpi=50\r\n$jpath=\\out\\\r\n[PM2]\r\n$pdat2=9\r\n");
  fs::create_directories(base / "out");
  fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", base / "zoq" / "invoice.pdat");

  ProgramRun jobs = RunWindows("kestrel.exe", {"-pd", "KestrelPDF", "-p", "\\jobs\\0001,0"}, base);
  EXPECT_EQ(jobs.exitCode, 0) << jobs.err;
  EXPECT_FALSE(fs::exists(base / "jobs" / "0001"));
  EXPECT_TRUE(fs::exists(base / "jobs"));

  ProgramRun zoq = RunWindows("kestrel.exe", {"-pd", "KestrelPDF", "-p", "\\zoq,0"}, base);
  EXPECT_EQ(zoq.exitCode, 0) << zoq.err;
  EXPECT_TRUE(fs::exists(base / "out" / "invoice.jpg"));
  EXPECT_TRUE(fs::exists(base / "zoq" / "kestrel.inf"));
  EXPECT_TRUE(fs::exists(base / "zoq" / "CriticalPLOG.txt"));
}

// A Wine program of the prefix (reg, ...) run to its end, without a
// display and without the machine's printers.
void RunInPrefix(const std::string& command) {
  Shell("env -u DISPLAY WINEPREFIX='" + WineFolder() + "/prefix' WINEARCH=win64 WINEDEBUG=-all CUPS_SERVER='" +
        WineFolder() + "/no-cups.sock' wine " + command + " >/dev/null 2>&1");
}

// The base drive is refused only when its type cannot be told or it has no
// root: a network share and a removable drive (drives of the prefix made
// here, their types in Wine's registry, read when its session starts) print
// without the refusal; a drive letter that names nothing is refused, and
// the run goes on.
TEST(WindowsPrograms, AShareOrARemovableDriveIsABaseDriveAMissingDriveIsNot) {
  if (std::string missing = MissingForWine(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  struct Drive {
    std::string letter;
    const char* type;  // Wine's name of the type; none: no such drive
    bool refused;
  };
  const Drive drives[] = {{"m", "network", false}, {"n", "floppy", false}, {"q", nullptr, true}};
  const fs::path devices = fs::path(WineFolder()) / "prefix" / "dosdevices";
  struct Undo {
    fs::path devices;
    const Drive* drives;
    ~Undo() {
      for (int i = 0; i < 2; ++i) {
        fs::remove(devices / (drives[i].letter + ":"));
        RunInPrefix("reg delete 'HKLM\\Software\\Wine\\Drives' /v " + drives[i].letter + ": /f");
      }
      RestartWineSession();
    }
  } undo{devices, drives};
  for (const Drive& drive : drives) {
    if (drive.type == nullptr) {
      ASSERT_FALSE(fs::exists(fs::symlink_status(devices / (drive.letter + ":")))) << drive.letter;
      continue;
    }
    const fs::path root = dir.path() / drive.letter;
    fs::create_directories(root / "data");
    fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", root / "data" / "a.pdat");
    WriteSettings(root, "$jpeg=1\r\n$jdpi=50\r\n");
    fs::create_directory_symlink(root, devices / (drive.letter + ":"));
    RunInPrefix("reg add 'HKLM\\Software\\Wine\\Drives' /v " + drive.letter + ": /d " + drive.type + " /f");
  }
  RestartWineSession();
  for (const Drive& drive : drives) {
    const fs::path messages = dir.path() / (drive.letter + "-messages.txt");
    ProgramRun run = RunWindows("kestrel.exe", {"-pd", "KestrelPDF", "-p", "\\data\\a.pdat"}, dir.path(),
                                {{"KESTREL_BASE", drive.letter + ":\\"}, {"KESTREL_MESSAGES", WindowsPath(messages)}});
    const std::string shown = ReadFile(messages.string());
    EXPECT_EQ(shown.find("基準ドライブに異常があります。") != std::string::npos, drive.refused) << drive.letter << shown;
    if (!drive.refused) {
      EXPECT_EQ(run.exitCode, 0) << drive.letter << " " << shown << run.err;
      EXPECT_TRUE(fs::exists(dir.path() / drive.letter / "data" / "a.jpg")) << drive.letter;
    }
  }
}

// Without $OutLinerPath and $BookMarkPdfPath in the settings file the
// outliner and the folder of the PDFs with bookmarks lie on the program's
// drive (under the base folder), as every product path does, not on C::
// the outline command finds the outliner there and asks it for the output
// in the base folder's vpdf.
TEST(WindowsPrograms, TheOutlinerDefaultsLieOnTheProgramsDrive) {
  if (std::string missing = MissingForWine(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  const fs::path base = dir.path();
  WriteSettings(base, "$plog=0\r\n");
  const fs::path outliner = base / "Program Files" / "Antenna" / "Outliner";
  fs::create_directories(outliner);
  fs::copy_file(kWindows + "/kestrel_outliner_stand_in.exe", outliner / "OutlinerCmd.exe");
  fs::create_directories(base / "in");
  std::ofstream(base / "in" / "a.pdf", std::ios::binary) << "%PDF-1.4\n";
  std::ofstream(base / "in" / "a.csv", std::ios::binary) << "\"1\",\"a\"\r\n";

  ProgramRun run = RunWindows("kestrel-tools.exe", {"outline", "\\in\\a.pdf", "\\in\\a.csv"}, base);
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  const fs::path output = base / "vpdf" / "a_bk.pdf";
  EXPECT_NE(run.out.find("0 " + WindowsPath(output)), std::string::npos) << run.out;
  EXPECT_TRUE(fs::exists(output));
  EXPECT_NE(ReadFile(output.string() + ".args").find("/O\n" + WindowsPath(output) + "\n"), std::string::npos)
      << ReadFile(output.string() + ".args");
}

// The clean-up's trace and delete lines name Windows paths, "\" throughout:
// the old print data of zoq after a single-file run, the files of the
// settings' clean-up folder after a folder run ($pdat2=4).
TEST(WindowsPrograms, CleanupTraceAndDeleteLinesNameWindowsPaths) {
  if (std::string missing = MissingForWine(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  const fs::path base = dir.path();
  fs::create_directories(base / "data");
  fs::create_directories(base / "jobs" / "0001");
  fs::create_directories(base / "jobs" / "done");
  fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", base / "data" / "a.pdat");
  fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", base / "jobs" / "0001" / "b.pdat");
  std::ofstream(base / "jobs" / "done" / "x.txt") << "x";
  WriteSettings(base, "$plog=1\r\n$jpeg=1\r\n$jdpi=50\r\n[PM2]\r\n$pdat2=4\r\n$pdat2_Folder=\\jobs\\done\r\n");
  const fs::path old = base / "zoq" / "old.pdat";
  fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", old);
  fs::last_write_time(old, fs::file_time_type::clock::now() - std::chrono::hours(2));

  for (const char* target : {"\\data\\a.pdat", "\\jobs\\0001,0"}) {
    ProgramRun run = RunWindows("kestrel.exe", {"-pd", "KestrelPDF", "-p", target}, base);
    EXPECT_EQ(run.exitCode, 0) << target << " " << run.err;
  }
  EXPECT_FALSE(fs::exists(old));
  EXPECT_FALSE(fs::exists(base / "jobs" / "done" / "x.txt"));
  std::string log;
  for (const auto& file : FilesIn(base / "zoq" / "plog", ".txt")) log += Utf8File(file);
  for (const fs::path& deleted : {old, base / "jobs" / "done" / "x.txt"}) {
    EXPECT_NE(log.find("fname(" + WindowsPath(deleted) + ")\n"), std::string::npos) << log;
    EXPECT_NE(log.find("■delete " + WindowsPath(deleted) + " ■"), std::string::npos) << log;
  }
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("fname(") && !line.starts_with("■delete")) continue;
    EXPECT_EQ(line.find('/'), std::string::npos) << line;
  }
}

// A text file in code page 932, as the callers write information files,
// print lists and settings.
void WriteCp932(const fs::path& path, const std::string& utf8) {
  const fs::path plain = path.string() + ".utf8";
  std::ofstream(plain, std::ios::binary) << utf8;
  Shell("iconv -f UTF-8 -t CP932 '" + plain.string() + "' > '" + path.string() + "'");
  fs::remove(plain);
}

// Every name under folder, relative to it, with "/" after folders.
std::vector<std::string> NamesUnder(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    names.push_back(fs::relative(it->path(), folder).string() + (it->is_directory() ? "/" : ""));
  std::sort(names.begin(), names.end());
  return names;
}

// The text without its lines that hold one of the markers.
std::string WithoutLinesHolding(const std::string& text, const std::vector<std::string>& markers) {
  std::string kept;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const auto holds = [&](const std::string& marker) { return line.find(marker) != std::string::npos; };
    if (std::none_of(markers.begin(), markers.end(), holds)) kept += line + "\n";
  }
  return kept;
}

// The text without the lines between the line holding `from` and the next
// blank line.
std::string WithoutListAfter(const std::string& text, const std::string& from) {
  const size_t start = text.find(from);
  if (start == std::string::npos) return text;
  const size_t items = text.find('\n', start) + 1;
  const size_t blank = text.find("\n\n", items - 1);
  return text.substr(0, items) + (blank == std::string::npos ? "" : text.substr(blank + 1));
}

// The files of the product that the Linux and the Windows program write
// the same: each written by both from the same input, and compared byte
// for byte, or, where they differ by design, compared in what must be the
// same after taking out what names the system's own things (each row says
// why).
TEST(WindowsPrograms, ProductFilesAreTheLinuxProgramsBytes) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  const fs::path lin = dir.path() / "linux", win = dir.path() / "windows";
  for (const fs::path& base : {lin, win}) {
    fs::create_directories(base / "zoq");
    fs::create_directories(base / "data");
    fs::create_directories(base / "jobs");
    fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", base / "data" / "a.pdat");
    for (const char* n : {"1", "2"}) {
      fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", base / "jobs" / (std::string("P") + n + ".pdat"));
      WriteCp932(base / "jobs" / (std::string("I") + n + ".txt"),
                 std::string("[DATA]\r\nkaisou_06=請求書（") + n +
                     "）\r\napage=1\r\nnendo=2024\r\nusername=keiri\r\nprogram_name=monthly\r\n");
    }
  }
  using Normal = std::function<std::string(const std::string&)>;
  struct Row {
    const char* what;
    bool tools;  // kestrel-tools, else kestrel
    std::vector<std::string> linuxArgs, windowsArgs;
    std::string file;  // under the base folder; a folder ("zoq/palog/"): its one .txt
    Normal same;       // none: every byte the same
    bool linuxCups = false;  // the Linux program sees the tests' CUPS server
  };
  const Row rows[] = {
      {"help file", false, {"-?"}, {"-?"}, "zoq/kestrel_help.txt", {}},
      {"Win-direct printer", false, {"-winprt"}, {"-winprt"}, "zoq/WinPrinterSet.inf", {}},
      {"bookmark CSV", false, {"-p", (lin / "jobs").string() + ",2"}, {"-pd", "KestrelPDF", "-p", "\\jobs,2"},
       "vpdf/2024_keiri_monthly.csv", {}},
      // The faces are the system's own (fontconfig's, Wine's): the header and
      // the end must be the same.
      {"font list", true, {"fontlist"}, {"fontlist"}, "zoq/pfontlist.txt",
       [](const std::string& t) { return WithoutListAfter(t, "[使用できるフォントリスト]"); }},
      // Both list the queues of the same CUPS server; Linux adds its
      // built-in device, and marks it as the current printer, Windows the
      // spooler's default: the names in their order, the header and the
      // end must be the same.
      {"printer list", true, {"printerlist"}, {"printerlist"}, "zoq/pprinterlist.txt",
       [](std::string t) {
         t = WithoutLinesHolding(t, {"Kestrel PDF"});
         for (size_t at; (at = t.find("■")) != std::string::npos;) t.replace(at, std::string("■").size(), "□");
         return t;
       },
       true},
      // Lines that name the system's own things differ by design: the
      // computer name (Windows gives it in capitals), paths in the system's
      // form, the run's time, the printer the analysis uses (the built-in
      // device, the spooler's default) with its papers, and the address of
      // the drawing memory. Everything the analysis says about the page and
      // its commands must be the same.
      {"analysis log", true, {"analyse", (lin / "data" / "a.pdat").string()},
       {"analyse", WindowsPath(win / "data" / "a.pdat")}, "zoq/palog/",
       [](const std::string& t) {
         return WithoutLinesHolding(t, {"コンピュータ名", "pfont.txt", "pofset.txt", "【実行時間】",
                                        "【印刷データファイル名】", "【指定可能用紙種類】", "用紙はサポート",
                                        "】= 印刷用紙を [", "【印刷するプリンタ名】", "描画先のアドレス",
                                        "KRM_OCRB.TTF"});
       }},
  };
  auto written = [](const fs::path& base, const std::string& file) {
    if (!file.ends_with("/")) return base / file;
    const std::vector<fs::path> logs = FilesIn(base / file, ".txt");
    return logs.size() == 1 ? logs[0] : fs::path();
  };
  const std::string socket = CupsSocket();
  for (const Row& row : rows) {
    std::vector<std::pair<std::string, std::string>> env = {
        {"KESTREL_BASE", lin.string() + "/"}, {"KESTREL_ANSWERS", "close,no,yes"}, {"KESTREL_NO_CUPS", "1"}};
    if (row.linuxCups) {
      env[2].second = "0";
      env.push_back({"CUPS_SERVER", socket});
    }
    ProgramRun linux = RunProgramAndWait(row.tools ? KESTREL_TOOLS_PROGRAM : KESTREL_PROGRAM, row.linuxArgs, env);
    ProgramRun windows = RunWindows(row.tools ? "kestrel-tools.exe" : "kestrel.exe", row.windowsArgs, win,
                                    {{"KESTREL_ANSWERS", "close,no,yes"}});
    EXPECT_EQ(linux.exitCode, 0) << row.what << " " << linux.err;
    EXPECT_EQ(windows.exitCode, 0) << row.what << " " << windows.err;
    const fs::path fromLinux = written(lin, row.file), fromWindows = written(win, row.file);
    ASSERT_TRUE(fs::is_regular_file(fromLinux)) << row.what << " " << row.file;
    ASSERT_TRUE(fs::is_regular_file(fromWindows)) << row.what << " " << row.file;
    if (!row.same) {
      EXPECT_EQ(ReadFile(fromWindows.string()), ReadFile(fromLinux.string())) << row.what;
      continue;
    }
    const std::string linuxText = row.same(Utf8File(fromLinux)), windowsText = row.same(Utf8File(fromWindows));
    EXPECT_GT(linuxText.size(), 100u) << row.what << ": nothing left to compare";
    EXPECT_EQ(windowsText, linuxText) << row.what;
  }
}

// The installer of the Windows build (kestrel-setup-<version>.exe, made by
// scripts/build.sh windows) installs silently (/S) into the folder it is
// given (/D=), with the sample forms compiled as the Linux build compiles
// them and the Start-menu entry "Kestrel System Menu"; the installed
// kestrel.exe prints an installed sample through the spooler; the
// uninstaller takes away the programs, the samples, the entry and the
// folder.
TEST(WindowsPrograms, TheInstallerInstallsPrintsASampleAndUninstalls) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  fs::path installer;
  for (const fs::path& exe : FilesIn(kWindows, ".exe"))
    if (exe.filename().string().starts_with("kestrel-setup-")) installer = exe;
  ASSERT_FALSE(installer.empty()) << "no installer in " << kWindows;
  TempDir dir;
  // (Wine quotes an argument with a blank, and the installer takes /D=
  // only unquoted: the folder has none.)
  const fs::path folder = dir.path() / "programs", base = dir.path() / "base";
  fs::create_directories(base);
  const fs::path entry = fs::path(WineFolder()) / "prefix" / "drive_c" / "ProgramData" / "Microsoft" / "Windows" /
                         "Start Menu" / "Programs" / "Kestrel" / "Kestrel System Menu.lnk";

  ProgramRun install = RunWindows(installer.string(), {"/S", "/D=" + WindowsPath(folder)}, base);
  ASSERT_EQ(install.exitCode, 0) << install.err;
  for (const char* program : {"kestrel.exe", "kestrel-tools.exe", "pdat.exe", "uninstall.exe"})
    EXPECT_TRUE(fs::is_regular_file(folder / program)) << program;
  for (const fs::path& sample : FilesIn(KESTREL_BINARY_DIR "/examples", ".pdat"))
    EXPECT_EQ(ReadFile((folder / "examples" / sample.filename()).string()), ReadFile(sample.string())) << sample;
  EXPECT_TRUE(fs::is_regular_file(entry));

  const fs::path out = fs::path(Env("KESTREL_TEST_CUPS")) / "out";
  const size_t jobsBefore = FilesIn(out, ".pdf").size();
  ProgramRun print = RunWindows((folder / "kestrel.exe").string(),
                                {"-pd", "KestrelPDF", "-p", WindowsPath(folder / "examples" / "invoice.pdat")}, base);
  EXPECT_EQ(print.exitCode, 0) << print.err;
  const std::string info = Shell("pdfinfo '" + NextJob(out, jobsBefore).string() + "'");
  EXPECT_EQ(PdfInfoField(info, "Pages"), "1") << info;

  // The uninstaller runs from a copy of itself that it starts and leaves.
  ProgramRun uninstall = RunWindows((folder / "uninstall.exe").string(), {"/S"}, base);
  EXPECT_EQ(uninstall.exitCode, 0) << uninstall.err;
  for (int i = 0; i < 300 && fs::exists(folder); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(fs::exists(folder)) << ::testing::PrintToString(NamesUnder(folder));
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_FALSE(fs::exists(entry.parent_path()));
}

// The caller's window receives WM__PRINTOUT (WM_USER + 1000, sent): once
// after a print run; twice after a print list that is missing (at the
// refusal and from the end steps); three times when a message box stays
// open over two time-out intervals ($pwait) before the end steps.
TEST(WindowsPrograms, CallersWindowReceivesTheCompletionMessages) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  const fs::path base = dir.path();
  fs::create_directories(base / "data");
  fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", base / "data" / "invoice.pdat");
  WriteSettings(base, "$jpeg=1\r\n$jdpi=50\r\n$pwait=1000\r\n");
  const std::string kestrel = WindowsPath(kWindows + "/kestrel.exe");

  ProgramRun once = RunWindows("kestrel_test_window.exe", {kestrel, "-pd", "KestrelPDF", "-p", "\\data\\invoice.pdat"}, base);
  EXPECT_EQ(once.out, "messages 1 exit 0\r\n") << once.err;
  EXPECT_TRUE(fs::exists(base / "data" / "invoice.jpg"));

  ProgramRun twice = RunWindows("kestrel_test_window.exe", {kestrel, "-plist=\\data\\none.inf", "-p", "\\data"}, base);
  EXPECT_EQ(twice.out, "messages 2 exit 3\r\n") << twice.err;

  ProgramRun thrice = RunWindows("kestrel_test_window.exe", {kestrel, "-pd", "KestrelPDF", "-p", "\\data\\none.pdat"},
                                 base, {{"KESTREL_HOLD_MS", "2500"}});
  EXPECT_EQ(thrice.out, "messages 3 exit 3\r\n") << thrice.err;
}

// Under a Japanese locale (code page 932) every name is Japanese: the base
// folder, the data folder, the print data and information files, a print
// list entry, the bookmark CSV and the PDF's title. A folder printed to PDF
// prints, logs, writes its bookmark CSV and cleans up exactly itself
// ($pdat2=9); a folder with a print list prints the entry it names; nothing
// is made outside the base folder, and every name there is the one given
// (no name in another code page beside it).
TEST(WindowsPrograms, JapaneseNamesForTheBaseTheDataAndTheOutputs) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  if (!HasJapaneseLocale()) GTEST_SKIP() << "no Japanese locale in the Wine folder (package locales)";
  TempDir dir;
  const fs::path base = dir.path() / "帳票ベース";
  const fs::path jobs = base / "伝票データ" / "第1回";
  const fs::path listed = base / "伝票データ" / "一覧付き";
  fs::create_directories(jobs);
  fs::create_directories(listed);
  struct Page {
    const char* data;
    const char* info;
    const char* title;
  };
  const Page pages[] = {{"P請求書.pdat", "I請求書.txt", "請求書（本社）"}, {"P納品書.pdat", "I納品書.txt", "納品書"}};
  for (const Page& page : pages) {
    fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", jobs / page.data);
    WriteCp932(jobs / page.info, std::string("[DATA]\r\nkaisou_06=") + page.title +
                                     "\r\napage=1\r\nnendo=令和6年度\r\nusername=経理部\r\nprogram_name=月次帳票\r\n");
  }
  fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", listed / "P請求書.pdat");
  fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", listed / "P控え.pdat");
  WriteCp932(listed / "plist.inf", "[PrintData]\r\nKeyMax=1\r\n1=P控え.pdat\r\n");
  WriteSettings(base, "$plog=1\r\n[PDF]\r\n$pdfbk=1\r\n[PM2]\r\n$pdat2=9\r\n");
  const fs::path out = fs::path(Env("KESTREL_TEST_CUPS")) / "out";
  const size_t jobsBefore = FilesIn(out, ".pdf").size();

  ProgramRun pdf = RunWindows("kestrel.exe", {"-pd", "KestrelPDF", "-p", "\\伝票データ\\第1回,2"}, base);
  ASSERT_EQ(pdf.exitCode, 0) << pdf.err;
  const std::string info = Shell("pdfinfo '" + NextJob(out, jobsBefore).string() + "'");
  EXPECT_EQ(PdfInfoField(info, "Pages"), "2") << info;
  const fs::path csv = base / "vpdf" / "令和6年度_経理部_月次帳票.csv";
  ASSERT_TRUE(fs::exists(csv));
  const std::string rows = Utf8File(csv);
  EXPECT_NE(rows.find("\"請求書（本社）\""), std::string::npos) << rows;
  EXPECT_NE(rows.find("\"納品書\""), std::string::npos) << rows;
  std::string logs;
  for (const auto& log : FilesIn(base / "zoq" / "plog", ".txt")) logs += Utf8File(log);
  EXPECT_NE(logs.find("第1回"), std::string::npos) << logs;
  EXPECT_NE(logs.find("P納品書.pdat"), std::string::npos) << logs;
  // The clean-up took the printed folder and nothing else.
  EXPECT_FALSE(fs::exists(jobs));
  EXPECT_TRUE(fs::exists(listed / "plist.inf"));

  WriteSettings(base, "$jpeg=1\r\n$jdpi=50\r\n");
  ProgramRun list = RunWindows("kestrel.exe", {"-pd", "KestrelPDF", "-p", "\\伝票データ\\一覧付き,0"}, base);
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_TRUE(fs::exists(listed / "P控え.jpg"));
  EXPECT_FALSE(fs::exists(listed / "P請求書.jpg"));

  EXPECT_EQ(NamesUnder(dir.path()).front(), "帳票ベース/");
  for (const std::string& name : NamesUnder(dir.path()))
    EXPECT_TRUE(name.starts_with("帳票ベース/")) << name << " lies outside the base folder";
  const std::vector<std::string> top = {"vpdf/", "zoq/", "伝票データ/"};
  std::vector<std::string> made;
  for (const auto& e : fs::directory_iterator(base)) made.push_back(e.path().filename().string() + "/");
  std::sort(made.begin(), made.end());
  EXPECT_EQ(made, top);
}

// A JPEG page whose bitmap is larger than GDI can hold (a DIB section under
// 2 GiB: A4 at 2800 dpi is 2.27 GB) is refused with the message that names
// $jdpi, and no $jdpi crashes the program: too small a value prints
// nothing and says so.
TEST(WindowsPrograms, NoJpegResolutionCrashesAndTooLargeAPageIsRefused) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  const fs::path base = dir.path();
  fs::create_directories(base / "data");
  fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", base / "data" / "a.pdat");
  const fs::path messages = base / "messages.txt";
  struct Case {
    int dpi;
    bool refusedForItsSize;
  };
  for (const Case& c : {Case{2800, true}, Case{100000, true}, Case{2147483647, true}, Case{0, false}, Case{-5, false}}) {
    fs::remove(messages);
    WriteSettings(base, "$jpeg=1\r\n$jdpi=" + std::to_string(c.dpi) + "\r\n");
    ProgramRun run = RunWindows("kestrel.exe", {"-pd", "KestrelPDF", "-p", "\\data\\a.pdat"}, base,
                                {{"KESTREL_MESSAGES", WindowsPath(messages)}});
    EXPECT_EQ(run.exitCode, 3) << c.dpi << " " << run.err;
    EXPECT_FALSE(fs::exists(base / "data" / "a.jpg")) << c.dpi;
    const std::string shown = ReadFile(messages.string());
    if (c.refusedForItsSize) {
      EXPECT_NE(shown.find("JPEGのページ画像が大きすぎます"), std::string::npos) << shown;
      EXPECT_NE(shown.find("($jdpi=" + std::to_string(c.dpi) + ")"), std::string::npos) << shown;
    }
  }
}

// The program's own folder and everything under the Windows folder
// survive every clean-up mode: as the printed folder ($pdat2=9) and as the
// settings' clean-up folder.
TEST(WindowsPrograms, TheProgramsFolderAndTheWindowsFolderSurviveEveryCleanup) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  const fs::path base = dir.path() / "base";
  const fs::path program = dir.path() / "kestrel";
  fs::create_directories(base);
  fs::create_directories(program);
  for (const char* name : {"kestrel.exe", "kestrel-tools.exe"}) fs::copy_file(kWindows + "/" + name, program / name);
  fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", program / "a.pdat");
  const fs::path windows = fs::path(WineFolder()) / "prefix" / "drive_c" / "windows" / "kprobe";
  fs::create_directories(windows);
  fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", windows / "a.pdat", fs::copy_options::overwrite_existing);
  struct Removed {
    fs::path path;
    ~Removed() { fs::remove_all(path); }
  } removeAfter{windows};
  for (const std::string& folder : {WindowsPath(program), std::string("C:\\windows\\kprobe")}) {
    for (int mode : {9, 2, 3, 4, 6}) {
      // Mode 9 cleans the printed folder; the others the settings' folder
      // after a folder run.
      fs::create_directories(base / "jobs");
      fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", base / "jobs" / "a.pdat",
                    fs::copy_options::overwrite_existing);
      WriteSettings(base, "$jpeg=1\r\n$jdpi=50\r\n[PM2]\r\n$pdat2=" + std::to_string(mode) + "\r\n$pdat2_time=0\r\n" +
                              "$pdat2_Folder=" + folder + "\r\n");
      const std::string printed = mode == 9 ? folder : "\\jobs";
      ProgramRun run =
          RunWindows((program / "kestrel.exe").string(), {"-pd", "KestrelPDF", "-p", printed + ",0"}, base);
      EXPECT_TRUE(fs::exists(program / "kestrel-tools.exe")) << folder << " mode " << mode << run.out << run.err;
      EXPECT_TRUE(fs::exists(program / "a.pdat")) << folder << " mode " << mode;
      EXPECT_TRUE(fs::exists(windows / "a.pdat")) << folder << " mode " << mode;
    }
    EXPECT_NE(Utf8File(base / "zoq" / "CriticalPLOG.txt").find("削除できないフォルダが指定されています"),
              std::string::npos);
  }
}

// Job logs are named after the first print item as one plain file name:
// the drive root "C:\" gives "c_<time>.txt" (never "c:_...", a stream of a
// file "c" on NTFS), and a folder named plog never writes into the program
// log (plog_<time>.txt). Each folder holds a page, so that a job runs.
TEST(WindowsPrograms, JobLogNamesAreOnePlainNameBesideTheProgramLog) {
  if (std::string missing = MissingForPrinting(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  const fs::path base = dir.path();
  const fs::path driveC = fs::path(WineFolder()) / "prefix" / "drive_c";
  struct Removed {
    fs::path folder;
    ~Removed() {
      for (const char* name : {"klog.pdat", "klog.jpg"}) fs::remove(folder / name);
    }
  } removeAfter{driveC};
  WriteSettings(base, "$plog=1\r\n$jpeg=1\r\n$jdpi=50\r\n");
  struct Case {
    std::string target;
    fs::path folder;     // where the target lies
    std::string jobLog;  // the start of the job log's name
  };
  for (const Case& c : {Case{"C:\\,0", driveC, "c_"}, Case{"\\zoq\\plog,0", base / "zoq" / "plog", "plog-job_"}}) {
    fs::remove_all(base / "zoq" / "plog");
    fs::create_directories(c.folder);
    fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", c.folder / "klog.pdat",
                  fs::copy_options::overwrite_existing);
    ProgramRun run = RunWindows("kestrel.exe", {"-pd", "KestrelPDF", "-p", c.target}, base);
    EXPECT_EQ(run.exitCode, 0) << c.target << " " << run.err;
    EXPECT_TRUE(fs::exists(c.folder / "klog.jpg")) << c.target;
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(base / "zoq" / "plog"))
      if (e.path().extension() == ".txt") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u) << c.target << " " << ::testing::PrintToString(names);
    EXPECT_TRUE(names[0].starts_with(c.jobLog)) << names[0];
    EXPECT_TRUE(names[1].starts_with("plog_")) << names[1];
    for (const std::string& name : names) EXPECT_EQ(name.find(':'), std::string::npos) << name;
  }
}

// A log folder that is a link (a Linux folder link, which Wine shows as a
// reparse point, as Windows shows a junction) is never written through:
// the program log is refused with its critical-log line and the folder the
// link names stays empty.
TEST(WindowsPrograms, ALinkedLogFolderIsNeverWrittenThrough) {
  if (std::string missing = MissingForWine(); !missing.empty()) GTEST_SKIP() << missing;
  TempDir dir;
  const fs::path base = dir.path() / "base";
  const fs::path elsewhere = dir.path() / "elsewhere";
  fs::create_directories(base / "data");
  fs::create_directories(elsewhere);
  fs::copy_file(KESTREL_BINARY_DIR "/examples/invoice.pdat", base / "data" / "a.pdat");
  WriteSettings(base, "$plog=1\r\n$jpeg=1\r\n$jdpi=50\r\n");
  fs::create_directory_symlink(elsewhere, base / "zoq" / "plog");
  RunWindows("kestrel.exe", {"-pd", "KestrelPDF", "-p", "\\data,0"}, base);
  EXPECT_TRUE(fs::is_empty(elsewhere)) << ::testing::PrintToString(NamesUnder(elsewhere));
  EXPECT_TRUE(fs::is_symlink(base / "zoq" / "plog"));
  EXPECT_NE(Utf8File(base / "zoq" / "CriticalPLOG.txt").find("ログの場所がリンクのため、このログは書きません"),
            std::string::npos);
}

}  // namespace
}  // namespace kestrel::test
