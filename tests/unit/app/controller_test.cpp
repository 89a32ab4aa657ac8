#include <gtest/gtest.h>
#include <jpeglib.h>
#include <utime.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <stdexcept>

#include "app/controller.h"
#include "platform/raster/raster_page_image.h"
#include "support/engine_fixture.h"
#include "support/jpeg_files.h"
#include "util/bounded_read.h"
#include "util/find_files.h"
#include "platform/text_codec.h"

namespace kestrel {
namespace {

using test::PageBuilder;
using test::ReadFile;
using test::TempDir;
using test::DecodedJpeg;
using test::DecodeJpeg;
namespace fs = std::filesystem;

// The Linux system with the caller's window replaced by a counter.
class CountingSystem : public LinuxSystem {
 public:
  explicit CountingSystem(std::string base) : base_(std::move(base)) {}
  std::string BaseDir() override { return base_; }
  DriveKind DriveKindOf(const std::string&) override { return drive; }
  bool NotifyWindow(uint64_t window, uint32_t message, uint64_t, int64_t, std::string&) override {
    if (message == kPrintOutMessage) sent.push_back(window);
    return true;
  }
  std::vector<uint64_t> sent;
  DriveKind drive = DriveKind::kFixed;

 private:
  std::string base_;
};

class ControllerTest : public ::testing::Test {
 protected:
  TempDir base;
  CountingSystem system{base.path().string() + "/"};
  MemoryPrintSystem printers{{StandardDevice("Test Printer")}};
  HeadlessUi ui{{}, ""};

  void SetUp() override {
    fs::create_directories(base.path() / "zoq");
    PageBuilder page;
    page.Paper(0, 9, 0, 1).End();
    base.Write("a.pdat", page.bytes());
  }
  std::string File() const { return base.file("a.pdat"); }
  std::string ProgramLog() const {
    std::string text;
    for (const auto& name : FindEntries(base.file("zoq/plog"), "plog_*.txt"))
      text += Utf8FromSjis(ReadFile(base.file("zoq/plog/" + name)));
    return text;
  }
  bool WasShown(const std::string& text) const {
    for (const auto& s : ui.shown())
      if (s == text) return true;
    return false;
  }
  long Count(const std::string& text) const { return std::count(ui.shown().begin(), ui.shown().end(), text); }
  // The job logs of a.pdat.
  std::string JobLog() const {
    std::string text;
    for (const auto& name : FindEntries(base.file("zoq/plog"), "a_*.txt"))
      text += Utf8FromSjis(ReadFile(base.file("zoq/plog/" + name)));
    return text;
  }
  // One command-line run of a.pdat for the caller's window 9, with JPEG
  // pages drawn on the raster page.
  void RunJpeg(const std::string& settings, int exitCode = 0) {
    base.Write("zoq/kestrel.inf", settings);
    system.sent.clear();
    TForm1 form(Services{system, printers, ui}, [] { return std::make_unique<RasterPageImage>(); });
    InitRunSettingsPaths(form.settings, system.BaseDir(), "/etc/");
    ASSERT_EQ(form.PrintMain({"kestrel", "-h", "9", "-p", File()}, kRunFromCommandLine, RunRequest{}), exitCode);
  }
};

const char* const kJobException =
    "印刷メイン処理で例外が発生しました。\nPCを再起動後再度印刷を行って見て下さい。\n"
    "印刷が出来なければカルメナへご連絡ください";

TEST_F(ControllerTest, TheMenusRequestReplacesTheSettingsTheCommandLineDoesNot) {
  base.Write("zoq/kestrel.inf", "[SETTING]\r\n$pmap=1\r\n$pwidth=0\r\n");
  RunRequest request;
  request.pmap_flg = 3;
  request.width_flg = 2;
  request.plog = 1;
  request.formMethod = 1;
  request.pdfOutput = 1;
  request.CompulsionPaper = 7;

  TForm1 fromMenu(Services{system, printers, ui}, {});
  InitRunSettingsPaths(fromMenu.settings, system.BaseDir(), "/etc/");
  ASSERT_EQ(fromMenu.PrintMain({"kestrel", "-h", "5", "-p", File()}, kRunFromMenu, request), 0);
  std::string log = ProgramLog();
  EXPECT_NE(log.find("pmap_flg[3]"), std::string::npos) << log;
  EXPECT_NE(log.find("width_flg[2]"), std::string::npos);
  EXPECT_NE(log.find("CompulsionPaper[7]"), std::string::npos);
  EXPECT_NE(log.find("【帳票印刷方法】: [1]"), std::string::npos);
  EXPECT_NE(log.find("【PDF出力指定】 : [1]"), std::string::npos);
  EXPECT_EQ(system.sent, std::vector<uint64_t>{5});

  // From the command line only plog is taken.
  fs::remove_all(base.path() / "zoq/plog");
  TForm1 fromCommandLine(Services{system, printers, ui}, {});
  InitRunSettingsPaths(fromCommandLine.settings, system.BaseDir(), "/etc/");
  ASSERT_EQ(fromCommandLine.PrintMain({"kestrel", "-h", "5", "-p", File()}, kRunFromCommandLine, request), 0);
  log = ProgramLog();
  EXPECT_NE(log.find("pmap_flg[1]"), std::string::npos) << log;
  EXPECT_NE(log.find("【帳票印刷方法】: [0]"), std::string::npos);
}

// The menu's printer-dialog box makes the job ask for its device before it
// prints; its label box leaves the file-name label off the page.
TEST_F(ControllerTest, TheMenusPrinterDialogAndLabelBoxesReachTheJob) {
  auto run = [&](int askPrinter, int labelFlag, std::vector<std::string> answers, MemoryPrintSystem& devices) {
    HeadlessUi answering(std::move(answers), "");
    RunRequest request;
    request.AskPrinter = askPrinter;
    request.labelFlag = labelFlag;
    TForm1 form(Services{system, devices, answering}, {});
    InitRunSettingsPaths(form.settings, system.BaseDir(), "/etc/");
    EXPECT_EQ(form.PrintMain({"kestrel", "-p", File()}, kRunFromMenu, request), 0);
    return answering.shown();
  };
  auto labelled = [](MemoryPrintSystem& devices) {
    for (const std::string& call : devices.canvas().calls())
      if (call.find("DEBUG MODE :") != std::string::npos) return true;
    return false;
  };
  MemoryPrintSystem asked{{StandardDevice("Office"), StandardDevice("Plotter")}, "Office"};
  EXPECT_EQ(run(1, 1, {"Plotter"}, asked), std::vector<std::string>{"Plotterを選択しました。\nよろしいですか？"});
  EXPECT_EQ(asked.SelectedPrinter(), "Plotter");
  EXPECT_EQ(asked.sheets(), 1);
  EXPECT_FALSE(labelled(asked));

  MemoryPrintSystem plain{{StandardDevice("Office"), StandardDevice("Plotter")}, "Office"};
  EXPECT_TRUE(run(0, 0, {"Plotter"}, plain).empty());
  EXPECT_EQ(plain.SelectedPrinter(), "Office");
  EXPECT_EQ(plain.sheets(), 1);
  EXPECT_TRUE(labelled(plain));
}

TEST_F(ControllerTest, AnExceptionDuringTheJobsIsShownAndNotifiedBeforeTheEndSteps) {
  base.Write("zoq/kestrel.inf", "[SETTING]\r\n$jpeg=1\r\n$plog=1\r\n");
  TForm1 form(Services{system, printers, ui}, [] () -> std::unique_ptr<PageImage> {
    throw std::runtime_error("no memory for the page");
  });
  InitRunSettingsPaths(form.settings, system.BaseDir(), "/etc/");
  ASSERT_EQ(form.PrintMain({"kestrel", "-h", "9", "-p", File()}, kRunFromCommandLine, RunRequest{}), kExitNotPrinted);
  EXPECT_TRUE(WasShown(kJobException));
  EXPECT_EQ(system.sent, (std::vector<uint64_t>{9, 9}));
  const std::string log = ProgramLog();
  size_t exception = log.find("FormCreate PrintMain 例外 error : HANDLE : 9 に WM__PRINTOUT を送った\n");
  ASSERT_NE(exception, std::string::npos) << log;
  EXPECT_LT(exception, log.find("FormCreate PrintMain 正常終了 : HANDLE : 9 に WM__PRINTOUT を送った\n"));
}

TEST_F(ControllerTest, AJobThatMustEndTheProcessSkipsTheEndSteps) {
  base.Write("zoq/kestrel.inf", "[SETTING]\r\n$plog=1\r\n");
  MemoryPrintSystem none;
  TForm1 form(Services{system, none, ui}, {});
  InitRunSettingsPaths(form.settings, system.BaseDir(), "/etc/");
  const int code = form.PrintMain({"kestrel", "-p", File()}, kRunFromCommandLine, RunRequest{});
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(WasShown("  ■GetProfile関数エラー\nプリンタ設定に異常があります\nプリンタ設定の確認をして下さい。"));
  EXPECT_TRUE(system.sent.empty());
  EXPECT_EQ(ProgramLog().find("【印刷終了時間】"), std::string::npos);
}

// The base drive is refused only when its type cannot be determined or its
// root does not exist; a share or a removable drive is as good as a fixed
// disk. The refusal is a message and the run still prints.
TEST_F(ControllerTest, OnlyAnUnknownDriveOrAMissingRootIsRefusedAsTheBaseDrive) {
  const std::pair<DriveKind, bool> kinds[] = {
      {DriveKind::kUnknown, false}, {DriveKind::kNoRoot, false}, {DriveKind::kRemovable, true},
      {DriveKind::kFixed, true},    {DriveKind::kRemote, true},  {DriveKind::kCdRom, true},
      {DriveKind::kRamDisk, true}};
  const std::string refusal = "基準ドライブに異常があります。";
  for (const auto& [kind, usable] : kinds) {
    system.drive = kind;
    const long before = Count(refusal);
    TForm1 form(Services{system, printers, ui}, {});
    EXPECT_EQ(form.FormCreate({"kestrel", "-h", "9", "-p", File()}), 0) << int(kind);
    EXPECT_EQ(Count(refusal) - before, usable ? 0 : 1) << int(kind);
  }
}

// Runs with another working folder, restoring the previous one.
class WorkingFolder {
 public:
  explicit WorkingFolder(const fs::path& folder) : previous_(fs::current_path()) { fs::current_path(folder); }
  ~WorkingFolder() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

TEST_F(ControllerTest, AFolderCleanUpDeletesTheFolderPrintedAndNeverAProductFolder) {
  base.Write("zoq/kestrel.inf", "[PM2]\r\n$pdat2=9\r\n");
  TempDir work;
  fs::create_directories(work.path() / "data");
  fs::create_directories(base.path() / "data");
  work.Write("data/a.pdat", ReadFile(File()));
  base.Write("data/a.pdat", ReadFile(File()));
  {
    WorkingFolder in(work.path());
    TForm1 form(Services{system, printers, ui}, {});
    InitRunSettingsPaths(form.settings, system.BaseDir(), "/etc/");
    ASSERT_EQ(form.PrintMain({"kestrel", "-p", "data,0"}, kRunFromCommandLine, RunRequest{}), 0);
  }
  EXPECT_FALSE(fs::exists(work.path() / "data"));
  EXPECT_TRUE(fs::exists(base.path() / "data/a.pdat"));

  // The program's own folders, however the -p folder spells them.
  fs::create_directories(base.path() / "vpdf");
  fs::create_directory_symlink(base.path() / "zoq", work.path() / "link");
  WorkingFolder in(base.path());
  for (const std::string& folder : {std::string("zoq"), std::string("./zoq/."), std::string("vpdf"),
                                    std::string("."), work.file("link"), base.file("data/..")}) {
    TForm1 form(Services{system, printers, ui}, {});
    InitRunSettingsPaths(form.settings, system.BaseDir(), "/etc/");
    ASSERT_EQ(form.PrintMain({"kestrel", "-p", folder + ",0"}, kRunFromCommandLine, RunRequest{}), 0);
  }
  EXPECT_TRUE(fs::exists(base.path() / "zoq/kestrel.inf"));
  EXPECT_TRUE(fs::exists(base.path() / "vpdf"));
  EXPECT_TRUE(fs::exists(base.path() / "data/a.pdat"));
  EXPECT_TRUE(fs::exists(File()));
}

TEST_F(ControllerTest, AnEmptyPrintListIsRefusedAndCleansZoq) {
  base.Write("zoq/kestrel.inf", "[SETTING]\r\n$plog=1\r\n");
  const std::string old = base.Write("zoq/old.pdat", "x");
  const time_t when = std::time(nullptr) - 4000;
  utimbuf times{when, when};
  ASSERT_EQ(utime(old.c_str(), &times), 0);
  TForm1 form(Services{system, printers, ui}, {});
  InitRunSettingsPaths(form.settings, system.BaseDir(), "/etc/");
  ASSERT_EQ(form.PrintMain({"kestrel", "-h", "3", "-p", " "}, kRunFromCommandLine, RunRequest{}), kExitNotPrinted);
  EXPECT_TRUE(WasShown("印刷ファイル設定コマンドに異常があります( )\n"));
  EXPECT_EQ(form.settings.Dup, -1);
  EXPECT_EQ(system.sent, std::vector<uint64_t>{3});
  EXPECT_FALSE(fs::exists(old));
}

// $jquality is the encoder's quality (a lower one: a clearly smaller file
// that still shows the page), $jdpi the page's size, and $jpath is put
// directly before the file name, without a separator of its own.
TEST_F(ControllerTest, TheJpegSettingsReachTheFiles) {
  PageBuilder page;
  page.Paper(0, 140, 140, 1);
  for (int i = 0; i < 10; ++i)
    page.Paint(0, uint16_t(100 + i * 120), 100, uint16_t(200 + i * 120), 1700, uint8_t(1 + i % 6));
  for (int j = 0; j < 30; ++j) page.Line(0, 50, uint16_t(50 + j * 50), 1300, uint16_t(50 + j * 50), 0xFFFF);
  page.End();
  base.Write("a.pdat", page.bytes());
  const std::string common = "[SETTING]\r\n$jpeg=1\r\n$jdpi=100\r\n$pmap=2\r\n";

  RunJpeg(common + "$jquality=40\r\n$jpath=\\out\r\n");
  const std::string low = base.file("outa.jpg");
  fs::create_directories(base.path() / "out");
  RunJpeg(common + "$jquality=95\r\n$jpath=\\out\\\r\n");
  const std::string high = base.file("out/a.jpg");
  ASSERT_TRUE(fs::exists(low));
  ASSERT_TRUE(fs::exists(high));
  EXPECT_GT(fs::file_size(high), fs::file_size(low) * 3 / 2) << fs::file_size(low) << " " << fs::file_size(high);
  // Its ".." steps never climb above the base folder: the page is not
  // written beside it, and the message says why.
  TempDir sibling;
  const std::string climbing = "\\..\\" + sibling.path().filename().string() + "\\";
  RunJpeg(common + "$jpath=" + climbing + "\r\n", kExitNotPrinted);
  EXPECT_TRUE(fs::is_empty(sibling.path()));
  EXPECT_TRUE(WasShown("$jpathがベースフォルダの外を指しているため、JPEG出力を行いません(" + climbing + ")"));

  DecodedJpeg a, b;
  ASSERT_TRUE(DecodeJpeg(low, a));
  ASSERT_TRUE(DecodeJpeg(high, b));
  EXPECT_EQ(a.width, 827);  // A4 at 100 dpi
  EXPECT_EQ(a.height, 1169);
  ASSERT_EQ(a.samples.size(), b.samples.size());
  long difference = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) difference += std::abs(a.Grey(x, y) - b.Grey(x, y));
  EXPECT_LT(double(difference) / (a.width * a.height), 6.0);
  EXPECT_LT(a.Grey(400, 343), 100);  // a rule
  EXPECT_GT(a.Grey(5, 1000), 200);   // paper
}

// The sampling factors of a JPEG file's components as read by libjpeg,
// e.g. "2x2 1x1 1x1".
std::string SamplingFactors(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return "missing";
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, f);
  jpeg_read_header(&cinfo, TRUE);
  std::string factors;
  for (int c = 0; c < cinfo.num_components; ++c) {
    if (c > 0) factors += ' ';
    factors += std::to_string(cinfo.comp_info[c].h_samp_factor) + "x" + std::to_string(cinfo.comp_info[c].v_samp_factor);
  }
  jpeg_destroy_decompress(&cinfo);
  std::fclose(f);
  return factors;
}

// $jsampling sets the resolution of a colour page's colour channels: full
// by default, half across with 422, half both ways with 420; a value that
// names no sampling gives the default.
TEST_F(ControllerTest, TheJpegSamplingSettingReachesTheFile) {
  PageBuilder page;
  page.Paper(0, 140, 140, 1);
  page.Palette(1, 255, 0, 0).Paint(1, 100, 100, 900, 900, 1).End();
  base.Write("a.pdat", page.bytes());
  const std::pair<std::string, std::string> cases[] = {{"", "1x1 1x1 1x1"},
                                                       {"$jsampling=420\r\n", "2x2 1x1 1x1"},
                                                       {"$jsampling=422\r\n", "2x1 1x1 1x1"},
                                                       {"$jsampling=444\r\n", "1x1 1x1 1x1"},
                                                       {"$jsampling=430\r\n", "1x1 1x1 1x1"},
                                                       {"$jsampling=abc\r\n", "1x1 1x1 1x1"}};
  for (const auto& [line, factors] : cases) {
    fs::remove(base.file("a.jpg"));
    RunJpeg("[SETTING]\r\n$jpeg=1\r\n$jdpi=100\r\n" + line);
    EXPECT_EQ(SamplingFactors(base.file("a.jpg")), factors) << line;
  }
}

// A folder run draws every page on one page image: its bitmap and the
// encoder's buffers are made once, not per file.
TEST_F(ControllerTest, AFolderRunMakesOnePageImageForAllItsPages) {
  for (const char* name : {"d/p1.pdat", "d/p2.pdat", "d/p3.pdat"}) {
    PageBuilder page;
    page.Paper(0, 9, 0, 1).Line(0, 100, 100, 800, 100, 0xFFFF).End();
    base.Write(name, page.bytes());
  }
  base.Write("zoq/kestrel.inf", "[SETTING]\r\n$jpeg=1\r\n$jdpi=30\r\n$pbar=0\r\n");
  int made = 0;
  TForm1 form(Services{system, printers, ui}, [&made] {
    ++made;
    return std::make_unique<RasterPageImage>();
  });
  InitRunSettingsPaths(form.settings, system.BaseDir(), "/etc/");
  ASSERT_EQ(form.PrintMain({"kestrel", "-h", "9", "-p", base.file("d") + ",0"}, kRunFromCommandLine, RunRequest{}), 0);
  EXPECT_EQ(made, 1);
  for (const char* name : {"d/p1.jpg", "d/p2.jpg", "d/p3.jpg"}) EXPECT_TRUE(fs::exists(base.file(name))) << name;
}

// Two failures go up to the exception step (its message and the extra
// WM__PRINTOUT) with the system's reason in the job log: a JPEG file that
// cannot be saved, and an analysis log that cannot be created.
TEST_F(ControllerTest, AJpegOrAnAnalysisLogThatCannotBeWrittenReachesTheExceptionStep) {
  RunJpeg("[SETTING]\r\n$jpeg=1\r\n$jdpi=50\r\n$plog=1\r\n$jpath=\\missing\\\r\n", kExitNotPrinted);
  EXPECT_EQ(Count(kJobException), 1);
  EXPECT_EQ(system.sent, (std::vector<uint64_t>{9, 9}));
  std::string log = JobLog();
  EXPECT_NE(log.find("  ■JPEG保存エラー(JPEG: cannot create a temporary file for " + base.file("missing/")), std::string::npos) << log;
  EXPECT_NE(log.find("No such file or directory"), std::string::npos) << log;

  fs::remove_all(base.path() / "zoq" / "plog");
  fs::remove_all(base.path() / "zoq" / "palog");
  base.Write("zoq/palog", "a file where the folder belongs");
  RunJpeg("[SETTING]\r\n$alog=1\r\n$jdpi=50\r\n$plog=1\r\n", kExitNotPrinted);
  EXPECT_EQ(Count(kJobException), 2);
  EXPECT_EQ(system.sent, (std::vector<uint64_t>{9, 9}));
  log = JobLog();
  EXPECT_NE(log.find("  ■解析ログ作成エラー(" + base.file("zoq/palog/alog_")), std::string::npos) << log;
  EXPECT_NE(log.find(" : Not a directory)"), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(base.file("zoq/palog.jpg")));
}

// A settings file beyond its limit is read at the load and again at the
// save; the refusal is logged once.
TEST_F(ControllerTest, AReadRefusalIsLoggedOncePerProgram) {
  base.Write("zoq/kestrel.inf", std::string("[SETTING]\r\n"));
  fs::resize_file(base.file("zoq/kestrel.inf"), kProfileFileLimit + 1);
  TForm1 form(Services{system, printers, ui}, {});
  InitRunSettingsPaths(form.settings, system.BaseDir(), "/etc/");
  form.PrintMain({"kestrel", "-h", "9", "-p", File()}, kRunFromCommandLine, RunRequest{});
  std::string logs;
  for (const auto& entry : fs::recursive_directory_iterator(base.file("zoq")))
    if (entry.is_regular_file() && entry.path().extension() == ".txt") logs += Utf8FromSjis(ReadFile(entry.path().string()));
  const std::string line = "ファイルが大きすぎるため読みません";
  const size_t first = logs.find(line);
  ASSERT_NE(first, std::string::npos) << logs;
  EXPECT_EQ(logs.find(line, first + 1), std::string::npos) << logs;
}

}  // namespace
}  // namespace kestrel
