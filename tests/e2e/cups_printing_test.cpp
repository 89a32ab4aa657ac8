// Printing through a private CUPS server of the tests (scripts/start-cups.sh,
// never the machine's own server): ctest starts it once for all these tests
// and names its folder in KESTREL_TEST_CUPS; run by hand, the program starts
// one itself and stops it at the end. Its queues KestrelPDF (a PostScript
// printer of ours, one-sided) and KestrelDuplex (generic PostScript driver
// with its duplex unit, two-sided) write each job as <folder>/out/job_<id>.pdf.
// The tests print with the engine on the CUPS print system and with the
// program itself, and check what arrived: the PDF (pages, size, where the
// ink lies) and the job's options as CUPS recorded them.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "engine/gprint.h"
#include "engine/print_context.h"
#include "forms/system_menu.h"
#include "platform/headless/headless_ui.h"
#include "platform/linux/cups_print_system.h"
#include "platform/fonts/font_resolver.h"
#include "platform/linux/linux_system.h"
#include "support/engine_fixture.h"
#include "support/jpeg_files.h"
#include "support/program_runner.h"
#include "platform/text_codec.h"

namespace kestrel::test {
namespace {

std::string& ServerFolder() {
  static std::string folder;
  return folder;
}

class CupsServer : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* given = std::getenv("KESTREL_TEST_CUPS");
    std::string folder = given != nullptr ? given : "";
    if (folder.empty()) {
      folder = Shell("'" KESTREL_SOURCE_DIR "/scripts/start-cups.sh' '' '" PDATTOPDF_PROGRAM "' 2>&1");
      while (!folder.empty() && folder.back() == '\n') folder.pop_back();
      if (folder.empty() || folder[0] != '/' || folder.find('\n') != std::string::npos) {
        GTEST_SKIP() << "no private CUPS server (scripts/start-cups.sh needs root and the packages of "
                        "scripts/setup.sh): "
                     << folder;
      }
      started_ = folder;
    }
    std::string socket = folder + "/cups.sock";
    if (Shell("lpstat -h '" + socket + "' -r 2>/dev/null").find("is running") == std::string::npos) {
      GTEST_SKIP() << "no private CUPS server answers on " << socket
                   << " (scripts/start-cups.sh could not start it: see the output of the test cups_server_start)";
    }
    ServerFolder() = folder;
    // Every libcups call of this process and of the programs it starts goes
    // to the private server.
    setenv("CUPS_SERVER", socket.c_str(), 1);
  }
  void TearDown() override {
    if (!started_.empty()) Shell(KESTREL_SOURCE_DIR "/scripts/stop-cups.sh '" + started_ + "' >/dev/null 2>&1");
  }

 private:
  std::string started_;
};
[[maybe_unused]] const auto* const kServer = ::testing::AddGlobalTestEnvironment(new CupsServer);

struct JobInfo {
  int state = 0;
  int copies = 0;
  std::string sides, media, collation;
  int orientation = 0;
};

JobInfo GetJob(int id) {
  JobInfo info;
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  std::string uri = "ipp://localhost/jobs/" + std::to_string(id);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  if (response == nullptr) return info;
  if (auto* a = ippFindAttribute(response, "job-state", IPP_TAG_ENUM)) info.state = ippGetInteger(a, 0);
  if (auto* a = ippFindAttribute(response, "copies", IPP_TAG_INTEGER)) info.copies = ippGetInteger(a, 0);
  if (auto* a = ippFindAttribute(response, "sides", IPP_TAG_KEYWORD)) info.sides = ippGetString(a, 0, nullptr);
  if (auto* a = ippFindAttribute(response, "media", IPP_TAG_ZERO)) {
    const char* s = ippGetString(a, 0, nullptr);
    if (s != nullptr) info.media = s;
  }
  if (auto* a = ippFindAttribute(response, "multiple-document-handling", IPP_TAG_KEYWORD))
    info.collation = ippGetString(a, 0, nullptr);
  if (auto* a = ippFindAttribute(response, "orientation-requested", IPP_TAG_ENUM))
    info.orientation = ippGetInteger(a, 0);
  ippDelete(response);
  return info;
}

// Waits until the job has ended (completed, cancelled or aborted).
JobInfo WaitForJob(int id) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  JobInfo info;
  while (std::chrono::steady_clock::now() < until) {
    info = GetJob(id);
    if (info.state >= IPP_JSTATE_CANCELED) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return info;
}

// The file the private server's backend made for a job.
std::string OutputOfJob(int id) {
  std::string file = ServerFolder() + "/out/job_" + std::to_string(id) + ".pdf";
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < until) {
    if (std::filesystem::exists(file)) return file;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return {};
}

int LastJobId(const char* queue) {
  cups_job_t* jobs = nullptr;
  int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0, CUPS_WHICHJOBS_ALL);
  int last = 0;
  for (int i = 0; i < n; ++i) last = std::max(last, jobs[i].id);
  cupsFreeJobs(n, jobs);
  return last;
}

// Jobs of a queue with an id above after (ids are shared by all queues, so
// they need not follow each other on one queue).
int JobsAfter(const char* queue, int after) {
  cups_job_t* jobs = nullptr;
  int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0, CUPS_WHICHJOBS_ALL);
  int count = 0;
  for (int i = 0; i < n; ++i) count += jobs[i].id > after ? 1 : 0;
  cupsFreeJobs(n, jobs);
  return count;
}

struct PdfInfo {
  int pages = 0;
  double width = 0, height = 0;  // points
};

PdfInfo InfoOf(const std::string& pdf) {
  PdfInfo info;
  std::string text = Shell("pdfinfo '" + pdf + "'");
  if (auto at = text.find("Pages:"); at != std::string::npos) info.pages = std::atoi(text.c_str() + at + 6);
  if (auto at = text.find("Page size:"); at != std::string::npos)
    std::sscanf(text.c_str() + at + 10, " %lf x %lf", &info.width, &info.height);
  return info;
}

// Where the ink of page 1 lies, rendered at 20 dpi: the share of inked
// pixels in the outer tenth of each side.
struct InkSides {
  double top = 0, bottom = 0, left = 0, right = 0;
};

InkSides InkOf(const std::string& pdf, const std::string& stem) {
  Shell("pdftoppm -r 20 -gray -f 1 -l 1 -singlefile '" + pdf + "' '" + stem + "'");
  DecodedJpeg image;
  InkSides s;
  if (!ReadPgm(stem + ".pgm", image)) return s;
  const int w = image.width, h = image.height;
  const std::vector<uint8_t>& px = image.samples;
  auto share = [&](int x0, int y0, int x1, int y1) {
    int ink = 0, all = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x, ++all)
        if (px[size_t(y) * size_t(w) + size_t(x)] < 128) ++ink;
    return all ? double(ink) / all : 0.0;
  };
  s.top = share(0, 0, w, h / 10);
  s.bottom = share(0, h - h / 10, w, h);
  s.left = share(0, 0, w / 10, h);
  s.right = share(w - w / 10, 0, w, h);
  return s;
}

// Every face is the installed IPAex Mincho.
class IpaResolver : public FontResolver {
 public:
  ResolvedFace Resolve(const std::string&) override {
    ResolvedFace f;
    f.file = Shell("fc-match -f '%{file}' 'IPAexMincho'");
    return f;
  }
};

// The engine on the CUPS print system, one context per job.
struct CupsRig {
  explicit CupsRig(FontResolver* fonts = nullptr, std::vector<std::string> answers = {})
      : printers(dir.file("vpdf"), fonts), ui(std::move(answers), {}) {
    ctx = std::make_unique<PrintContext>(Services{system, printers, ui}, 1, cache);
    ctx->SetLogFileName(dir.file("plog.txt"));
    ctx->options.exceptionLogPath = dir.file("CriticalPLOG.txt");
    ctx->options.offsetFilePath = dir.file("pofset.txt");
    ctx->options.ocrChoiceFilePath = dir.file("pfont.txt");
    ctx->options.defaultPrinterFilePath = dir.file("WinPrinterSet.inf");
    ctx->options.settingsFilePath = dir.file("kestrel.inf");
    ctx->options.parentWindow = 1;
  }
  // Prints the pages as one document (sheets for all but the last).
  int Print(const std::vector<std::vector<uint8_t>>& pages) {
    ctx->options.batchMode = pages.size() > 1 ? 1 : 0;
    for (size_t i = 0; i < pages.size(); ++i) {
      ctx->page.lastFile = i + 1 == pages.size() ? 1 : 0;
      int rc = gprint(*ctx, dir.Write("p" + std::to_string(i) + ".pdat", pages[i]), nullptr, "0");
      if (rc != 0) return rc;
    }
    return 0;
  }
  std::string log() { return Utf8FromSjis(ReadFile(dir.file("plog.txt"))); }
  TempDir dir;
  LinuxSystem system;
  CupsPrintSystem printers;
  HeadlessUi ui;
  EngineCache cache;
  std::unique_ptr<PrintContext> ctx;
};

std::vector<uint8_t> PaperPage(uint8_t orientation, int16_t paper, uint8_t copies = 1) {
  PageBuilder page;
  page.Paper(orientation, paper, paper, copies).End();
  return page.bytes();
}

TEST(CupsPrintSystem, ListsTheQueuesByNameThenTheBuiltinDeviceWithTheirCapabilities) {
  TempDir dir;
  CupsPrintSystem ps(dir.file("vpdf"), nullptr);
  auto list = ps.Printers();
  auto duplexAt = std::find(list.begin(), list.end(), "KestrelDuplex");
  auto pdfAt = std::find(list.begin(), list.end(), "KestrelPDF");
  ASSERT_NE(duplexAt, list.end());
  ASSERT_NE(pdfAt, list.end());
  EXPECT_LT(duplexAt, pdfAt);
  EXPECT_EQ(list.back(), kBuiltinPdfDevice);

  EXPECT_EQ(ps.Duplex("KestrelDuplex"), 1);
  EXPECT_EQ(ps.Duplex("KestrelPDF"), 0);
  std::vector<uint16_t> papers;
  std::vector<PaperSize> sizes;
  std::vector<std::string> names;
  ASSERT_GT(ps.Papers("KestrelDuplex", papers), 0);
  ps.PaperSizes("KestrelDuplex", sizes);
  ps.PaperNames("KestrelDuplex", names);
  ASSERT_EQ(papers.size(), sizes.size());
  ASSERT_EQ(papers.size(), names.size());
  auto a4 = std::find(papers.begin(), papers.end(), kPaperA4);
  ASSERT_NE(a4, papers.end());
  EXPECT_EQ(sizes[size_t(a4 - papers.begin())], (PaperSize{2100, 2970}));
  EXPECT_EQ(names[size_t(a4 - papers.begin())], "A4");
  EXPECT_EQ(std::count(papers.begin(), papers.end(), kPaperB4), 0);  // this queue has no JIS B4
  for (auto& n : names) EXPECT_LE(n.size(), 63u);

  ASSERT_GT(ps.Papers("KestrelPDF", papers), 0);
  EXPECT_EQ(std::count(papers.begin(), papers.end(), kPaperB4), 1);
  // Media without a Windows constant are numbered from 256 up.
  EXPECT_GT(*std::max_element(papers.begin(), papers.end()), 255);

  ASSERT_TRUE(ps.SelectPrinter("KestrelPDF"));
  EXPECT_EQ(ps.DpiX(), 300);  // the queue's default resolution
}

TEST(CupsPrinting, ASheetsDocumentBecomesOneJobWithTheDeviceModesOptions) {
  CupsRig rig;
  rig.ctx->output.printerName = "KestrelPDF";
  ASSERT_EQ(rig.Print({PaperPage(0, 240, 2), PaperPage(0, 240), PaperPage(0, 240)}), 0) << rig.ctx->lastErrorMessage;
  int id = rig.printers.lastJobId();
  ASSERT_GT(id, 0);
  JobInfo job = WaitForJob(id);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED);
  EXPECT_EQ(job.copies, 2);
  EXPECT_EQ(job.sides, "one-sided");
  EXPECT_EQ(job.media.rfind("jis_b4_257x364mm", 0), 0u) << job.media;  // the queue's B4
  std::string out = OutputOfJob(id);
  ASSERT_FALSE(out.empty());
  PdfInfo info = InfoOf(out);
  EXPECT_EQ(info.pages, 3);
  EXPECT_NEAR(info.width, 728.5, 1);
  EXPECT_NEAR(info.height, 1031.8, 1);
  EXPECT_NE(rig.log().find("【SetPrinterProperty】= 印刷用紙を [ B4 ] にセット\n"), std::string::npos);
}

TEST(CupsPrinting, APaperTheQueueLacksFallsBackToA4) {
  CupsRig rig;
  rig.ctx->output.printerName = "KestrelDuplex";
  ASSERT_EQ(rig.Print({PaperPage(0, 240)}), 0) << rig.ctx->lastErrorMessage;
  JobInfo job = WaitForJob(rig.printers.lastJobId());
  EXPECT_EQ(job.media, "iso_a4_210x297mm");
  std::string log = rig.log();
  EXPECT_NE(log.find("  ■印刷したい用紙はサポートされていませんでした\n"
                     "【SetPrinterProperty】= 印刷用紙を [ A4(B4は未サポート) ] にセット\n"),
            std::string::npos)
      << log;
}

TEST(CupsPrinting, DuplexFollowsTheQueueAndTheOrientation) {
  {
    CupsRig rig;
    rig.ctx->output.printerName = "KestrelDuplex";
    rig.ctx->output.duplexSetting = 1;
    ASSERT_EQ(rig.Print({PaperPage(1, 140), PaperPage(1, 140)}), 0) << rig.ctx->lastErrorMessage;
    JobInfo job = WaitForJob(rig.printers.lastJobId());
    EXPECT_EQ(job.sides, "two-sided-short-edge");
    EXPECT_EQ(job.orientation, IPP_ORIENT_LANDSCAPE);
    std::string out = OutputOfJob(rig.printers.lastJobId());
    EXPECT_EQ(InfoOf(out).pages, 2);
  }
  {
    CupsRig rig;
    rig.ctx->output.printerName = "KestrelPDF";
    rig.ctx->output.duplexSetting = 1;
    ASSERT_EQ(rig.Print({PaperPage(0, 140)}), 0);
    EXPECT_EQ(rig.ctx->output.duplexSetting, 3);
    JobInfo job = WaitForJob(rig.printers.lastJobId());
    EXPECT_EQ(job.sides, "one-sided");
    EXPECT_NE(rig.log().find("  ■両面印刷はサポートされていませんでした\n"), std::string::npos);
  }
}

TEST(CupsPrinting, APrinterNameThatIsNotInstalledFallsBackWithItsMessage) {
  CupsRig rig;
  rig.ctx->output.printerName = "NoSuchQueue";
  ASSERT_EQ(rig.Print({PaperPage(0, 140)}), 0);
  ASSERT_FALSE(rig.ui.shown().empty());
  EXPECT_EQ(rig.ui.shown()[0],
            "実行時引数プリンタデバイス指定されたデバイスが存在しない又は異常がありました。\n通常使用するプリンタをセットします");
  EXPECT_EQ(rig.ctx->output.deviceName, rig.printers.SystemDefaultPrinter());
}

TEST(CupsPrinting, LandscapePagesArriveTurnedOnThePortraitSheet) {
  TempDir dir;
  CupsPrintSystem ps(dir.file("vpdf"), nullptr);
  ASSERT_TRUE(ps.SelectPrinter("KestrelPDF"));
  DevMode dm;
  ps.GetDefaultDevMode(dm);
  ps.ApplyDevMode(dm);
  ps.SetOrientation(1);
  ASSERT_EQ(ps.BeginDocument("landscape strip"), 0);
  Canvas* c = ps.DocumentCanvas();
  EXPECT_GT(c->Width(), c->Height());
  // A black band along the top (a long side) of the landscape page.
  c->SetBrush(Brush{BrushKind::Solid, kBlack});
  c->FillRect({0, 0, c->Width(), c->Height() / 10});
  ASSERT_EQ(ps.EndDocument(), 0);
  JobInfo job = WaitForJob(ps.lastJobId());
  EXPECT_EQ(job.orientation, IPP_ORIENT_LANDSCAPE);
  std::string out = OutputOfJob(ps.lastJobId());
  PdfInfo info = InfoOf(out);
  EXPECT_LT(info.width, info.height);  // the sheet is A4 portrait
  InkSides ink = InkOf(out, dir.file("ink"));
  // The band runs down one long side of the sheet, not across the top.
  EXPECT_GT(std::max(ink.left, ink.right), 0.8);
  EXPECT_LT(ink.top, 0.3);
}

TEST(CupsPrinting, AnAbortedDocumentCancelsItsJob) {
  TempDir dir;
  CupsPrintSystem ps(dir.file("vpdf"), nullptr);
  ASSERT_TRUE(ps.SelectPrinter("KestrelPDF"));
  int before = LastJobId("KestrelPDF");
  ASSERT_EQ(ps.BeginDocument("aborted"), 0);
  ps.AbortDocument();
  int id = LastJobId("KestrelPDF");
  ASSERT_GT(id, before);
  EXPECT_EQ(WaitForJob(id).state, IPP_JSTATE_CANCELED);
}

TEST(BuiltinPdfPrinting, TheEnginesPagesBecomeOneSearchableFileInThePdfFolder) {
  IpaResolver fonts;
  CupsRig rig(&fonts);
  rig.ctx->output.printerName = kBuiltinPdfDevice;
  rig.ctx->options.parentWindow = 0;  // the page label is drawn without a caller
  rig.ctx->output.jobTitle = "2024/請求書:山田";
  ASSERT_EQ(rig.Print({PaperPage(1, 130), PaperPage(1, 130)}), 0) << rig.ctx->lastErrorMessage;
  std::string file = rig.dir.file("vpdf/2024_請求書_山田.pdf");
  ASSERT_EQ(rig.printers.lastPdfFile(), file);
  PdfInfo info = InfoOf(file);
  EXPECT_EQ(info.pages, 2);
  EXPECT_NEAR(info.width, 1190.55, 1);  // A3 landscape
  EXPECT_NEAR(info.height, 841.89, 1);
  std::string text = Shell("pdftotext -enc UTF-8 '" + file + "' -");
  EXPECT_NE(text.find("DEBUG MODE :" + rig.dir.file("p0.pdat")), std::string::npos) << text;
}

TEST(ProgramPrinting, TheProgramPrintsToTheDefaultQueueAndToTheBuiltinDevice) {
  TempDir base;
  PageBuilder page;
  page.Paper(0, 140, 140, 1).End();
  std::string data = base.Write("form.pdat", page.bytes());
  std::vector<std::pair<std::string, std::string>> env = {
      {"KESTREL_BASE", base.path().string() + "/"}, {"DISPLAY", ""}};
  auto queueEnv = env;
  queueEnv.push_back({"LPDEST", "KestrelDuplex"});
  queueEnv.push_back({"KESTREL_NO_CUPS", ""});

  int before = LastJobId("KestrelDuplex");
  ProgramRun r = RunProgramAndWait(KESTREL_PROGRAM, {"-p", data}, queueEnv);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  int id = LastJobId("KestrelDuplex");
  ASSERT_GT(id, before);
  JobInfo job = WaitForJob(id);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED);
  EXPECT_EQ(InfoOf(OutputOfJob(id)).pages, 1);

  // Without CUPS queues the built-in device is the default.
  auto builtinEnv = env;
  builtinEnv.push_back({"KESTREL_NO_CUPS", "1"});
  r = RunProgramAndWait(KESTREL_PROGRAM, {"-p", data}, builtinEnv);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(InfoOf(base.file("vpdf/form.pdf")).pages, 1);
}


// The programs the other tests start see no CUPS queue, even one the
// environment makes the default: their pages go to the built-in device.
TEST(TestIsolation, ProgramsStartedByTestsSendNoJobToTheDefaultQueue) {
  TempDir base;
  PageBuilder page;
  page.Paper(0, 140, 140, 1).End();
  std::string data = base.Write("form.pdat", page.bytes());
  int before = LastJobId("KestrelPDF");
  ProgramRun r = RunProgramAndWait(KESTREL_PROGRAM, {"-p", data},
                                   {{"KESTREL_BASE", base.path().string() + "/"},
                                    {"DISPLAY", ""},
                                    {"LPDEST", "KestrelPDF"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(LastJobId("KestrelPDF"), before);
  EXPECT_EQ(InfoOf(base.file("vpdf/form.pdf")).pages, 1);
}

// The program as the calling application starts it: -pd, a duplex pair of
// files, a PDF folder run.
class ProgramRuns : public ::testing::Test {
 protected:
  TempDir base;
  std::string Form(const std::string& name, uint8_t orientation = 0) {
    PageBuilder page;
    page.Paper(orientation, 140, 140, 1).End();
    return base.Write(name, page.bytes());
  }
  ProgramRun Run(const std::vector<std::string>& args, const std::string& answers = {}) {
    return RunProgramAndWait(KESTREL_PROGRAM, args,
                             {{"KESTREL_BASE", base.path().string() + "/"},
                              {"KESTREL_ANSWERS", answers},
                              {"KESTREL_MESSAGES", base.file("messages.txt")},
                              {"DISPLAY", ""},
                              {"KESTREL_NO_CUPS", ""},
                              {"LPDEST", ""},
                              {"PRINTER", ""}});
  }
};

TEST_F(ProgramRuns, APrinterNamedWithPdThatIsNotInstalledFallsBackWithItsMessage) {
  std::string form = Form("form.pdat");
  ProgramRun r = Run({"-pd", "NoSuchQueue", "-p", form});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(ReadFile(base.file("messages.txt"))
                .find("実行時引数プリンタデバイス指定されたデバイスが存在しない又は異常がありました。\\n"
                      "通常使用するプリンタをセットします"),
            std::string::npos)
      << ReadFile(base.file("messages.txt"));
}

TEST_F(ProgramRuns, TwoFilesWithPdMakeOneTwoSidedJobOnTheNamedQueue) {
  std::string a = Form("a.pdat"), b = Form("b.pdat");
  int before = LastJobId("KestrelDuplex");
  ProgramRun r = Run({"-pd", "KestrelDuplex", "-p", a + "," + b});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ASSERT_EQ(JobsAfter("KestrelDuplex", before), 1);  // one job for the pair
  int id = LastJobId("KestrelDuplex");
  JobInfo job = WaitForJob(id);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED);
  EXPECT_EQ(job.sides, "two-sided-long-edge");
  EXPECT_EQ(job.media, "iso_a4_210x297mm");
  EXPECT_EQ(InfoOf(OutputOfJob(id)).pages, 2);
}

TEST_F(ProgramRuns, APdfFolderRunAsksForTheDeviceOnceAndWritesOneFile) {
  std::filesystem::create_directories(base.path() / "data");
  PageBuilder page;
  page.Paper(0, 130, 130, 1).End();
  base.Write("data/a.pdat", page.bytes());
  base.Write("data/b.pdat", page.bytes());
  ProgramRun r = Run({"-p", base.file("data") + ",2"}, std::string(kBuiltinPdfDevice));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  int pdfs = 0;
  std::string file;
  for (auto& e : std::filesystem::directory_iterator(base.path() / "vpdf"))
    if (e.path().extension() == ".pdf") {
      ++pdfs;
      file = e.path().string();
    }
  ASSERT_EQ(pdfs, 1);
  PdfInfo info = InfoOf(file);
  EXPECT_EQ(info.pages, 2);
  EXPECT_NEAR(info.width, 841.89, 1);  // A3
  // The choice is kept for later runs.
  EXPECT_NE(ReadFile(base.file("zoq/kestrel.inf")).find("$path=Kestrel PDF"), std::string::npos);
}

// kestrel-tools on the private server's queues.
class ToolsOnQueues : public ::testing::Test {
 protected:
  TempDir base;
  ProgramRun Run(const std::vector<std::string>& args, const std::string& answers = {}) {
    return RunProgramAndWait(KESTREL_TOOLS_PROGRAM, args,
                             {{"KESTREL_BASE", base.path().string() + "/"},
                              {"KESTREL_ANSWERS", answers},
                              {"KESTREL_NO_CUPS", ""},
                              {"DISPLAY", ""}});
  }
  std::string Zoq(const std::string& name) { return ReadFile(base.file("zoq/" + name)); }
};

// The papers of a CUPS queue: the count line agrees with the entries, A4
// comes with its constant and size, sizes without a constant come with an
// empty name, and the chosen device closes the list.
void CheckQueuePaperList(const std::string& file, const std::string& queue, int duplex) {
  EXPECT_EQ(std::count(file.begin(), file.end(), '\r'), 0);
  const std::string text = Utf8FromSjis(file);
  EXPECT_NE(text.find("\n【両面印刷可能】= [" + std::to_string(duplex) + "] 1以外:不可能、1:可能\n"), std::string::npos)
      << text;
  size_t entries = 0;
  for (size_t at = text.find("\n------------------------------------------\n"); at != std::string::npos;
       at = text.find("\n------------------------------------------\n", at + 1))
    ++entries;
  EXPECT_GT(entries, 4u);
  EXPECT_NE(text.find("\n【指定可能用紙種類】= [" + std::to_string(entries) + "]種類\n□印刷可能用紙\n"), std::string::npos);
  EXPECT_NE(text.find("]<用紙名:【A4】>\n       <定  数:[009]:A4 210 x 297 mm>\n       <サイズ:2100 x 2970>\n\n"),
            std::string::npos)
      << text;
  EXPECT_TRUE(text.ends_with("\n\n■" + queue + "\n\n ------------------ END ------------------\n")) << text;
}

TEST_F(ToolsOnQueues, PaperListsOfTheCupsQueuesWithAndWithoutDuplex) {
  ProgramRun one = Run({"paperlist", "-d", "KestrelPDF"});
  ASSERT_EQ(one.exitCode, 0) << one.err;
  const std::string pdf = Zoq("ppaperlist.txt");
  CheckQueuePaperList(pdf, "KestrelPDF", 0);
  // The queue's driver offers a size without a paper constant.
  EXPECT_NE(Utf8FromSjis(pdf).find("<定  数:[256]:>\n"), std::string::npos);

  // Picked in the dialog, as the system menu does.
  ProgramRun two = Run({"paperlist"}, "KestrelDuplex");
  ASSERT_EQ(two.exitCode, 0) << two.err;
  EXPECT_NE(two.err.find("[device dialog] 印刷可能用紙リスト出力画面"), std::string::npos);
  CheckQueuePaperList(Zoq("ppaperlist.txt"), "KestrelDuplex", 1);
}

TEST_F(ToolsOnQueues, ThePrinterListHoldsTheQueuesAndTheBuiltInDevice) {
  ASSERT_EQ(Run({"printerlist"}).exitCode, 0);
  const std::string text = Utf8FromSjis(Zoq("pprinterlist.txt"));
  for (std::string name : {"KestrelPDF", "KestrelDuplex", "Kestrel PDF"}) {
    bool listed = text.find("\n□" + name + "\n") != std::string::npos || text.find("\n■" + name + "\n") != std::string::npos;
    EXPECT_TRUE(listed) << name << "\n" << text;
  }
}

// Print data as a document format of the server: its pdattopdf filter
// (scripts/start-cups.sh installs it and the MIME files into the server's
// own folders) draws what lp sends.
class PrintDataFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(ServerFolder() + "/etc/kestrel.convs"))
      GTEST_SKIP() << "the private server was started without the print-data filter";
  }
  // lp's job id, 0 when it made none.
  static int Lp(const std::string& args) {
    const std::string out = Shell("lp " + args + " 2>&1");
    const auto at = out.find("request id is ");
    const auto dash = out.find('-', at);
    return at == std::string::npos || dash == std::string::npos ? 0 : std::atoi(out.c_str() + dash + 1);
  }
  static std::string Sample(const std::string& name) { return std::string(KESTREL_BINARY_DIR) + "/examples/" + name; }
  // The server's log lines of a job ("[Job <id>]").
  static std::string LogOf(const std::string& log, int id) {
    std::ifstream in(ServerFolder() + "/log/" + log);
    std::string line, lines;
    const std::string tag = "[Job " + std::to_string(id) + "]";
    while (std::getline(in, line))
      if (line.find(tag) != std::string::npos || line.find(" " + std::to_string(id) + " [") != std::string::npos)
        lines += line + "\n";
    return lines;
  }
  // Whether one of the log lines starts with level and holds text.
  static bool HasLine(const std::string& lines, const std::string& level, const std::string& text) {
    std::istringstream in(lines);
    std::string line;
    while (std::getline(in, line))
      if (line.rfind(level, 0) == 0 && line.find(text) != std::string::npos) return true;
    return false;
  }
};

TEST_F(PrintDataFilter, AFormArrivesAsThePdfOfItsPageWithItsTextOnItsPaper) {
  const int id = Lp("-d KestrelPdfIn '" + Sample("invoice.pdat") + "'");
  ASSERT_GT(id, 0);
  ASSERT_EQ(WaitForJob(id).state, IPP_JSTATE_COMPLETED) << LogOf("error_log", id);
  const std::string pdf = OutputOfJob(id);
  const PdfInfo info = InfoOf(pdf);
  EXPECT_EQ(info.pages, 1);
  EXPECT_NEAR(info.width, 595, 2);
  EXPECT_NEAR(info.height, 842, 2);
  EXPECT_NE(Shell("pdftotext '" + pdf + "' -").find("請 求 書"), std::string::npos);
  // One page in the page log: the filter's pages are not counted again.
  EXPECT_NE(LogOf("page_log", id).find(" total 1 "), std::string::npos) << LogOf("page_log", id);

  // A file without the extension is known by its first records.
  TempDir dir;
  const int unnamed = Lp("-d KestrelPdfIn '" + dir.Write("form", ReadFile(Sample("invoice.pdat"))) + "'");
  ASSERT_GT(unnamed, 0);
  ASSERT_EQ(WaitForJob(unnamed).state, IPP_JSTATE_COMPLETED) << LogOf("error_log", unnamed);
  EXPECT_NE(Shell("pdftotext '" + OutputOfJob(unnamed) + "' -").find("請 求 書"), std::string::npos);
}

TEST_F(PrintDataFilter, DataThatIsNoPageFailsTheJobAndADamagedPagePrintsWithItsWarning) {
  TempDir dir;
  const std::string letter = dir.Write("letter.pdat", std::string("Dear customer, this is not print data.\n"));
  int id = Lp("-d KestrelPDF '" + letter + "'");
  ASSERT_GT(id, 0);
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  JobInfo job = GetJob(id);
  while (job.state < IPP_JSTATE_STOPPED && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    job = GetJob(id);
  }
  Shell("cancel " + std::to_string(id) + " 2>/dev/null");
  EXPECT_NE(job.state, IPP_JSTATE_COMPLETED);
  // An error line ("E"), not only the debug lines the server adds on a failed job.
  EXPECT_TRUE(HasLine(LogOf("error_log", id), "E [", "not print data")) << LogOf("error_log", id);

  std::string page = ReadFile(Sample("invoice.pdat"));
  page[32] = char(0x63);  // an unknown record kind
  id = Lp("-d KestrelPDF '" + dir.Write("damaged.pdat", page) + "'");
  ASSERT_GT(id, 0);
  EXPECT_EQ(WaitForJob(id).state, IPP_JSTATE_COMPLETED) << LogOf("error_log", id);
  EXPECT_EQ(InfoOf(OutputOfJob(id)).pages, 1);
  const std::string log = LogOf("error_log", id);
  EXPECT_TRUE(HasLine(log, "W [", "未定義の種別 1件")) << log;
}

// CUPS hands a filter one file at a time: each file of a job is a document
// of its own, and the job holds the pages of all of them.
TEST_F(PrintDataFilter, EveryFileOfAJobPrints) {
  const int id = Lp("-d KestrelPDF '" + Sample("invoice.pdat") + "' '" + Sample("delivery-slip.pdat") + "'");
  ASSERT_GT(id, 0);
  ASSERT_EQ(WaitForJob(id).state, IPP_JSTATE_COMPLETED) << LogOf("error_log", id);
  EXPECT_EQ(InfoOf(OutputOfJob(id)).pages, 2);
}

TEST_F(PrintDataFilter, TheJobsCopiesAndSidesReachTheQueue) {
  const int id = Lp("-d KestrelDuplex -n 2 -o sides=two-sided-long-edge '" + Sample("invoice.pdat") + "'");
  ASSERT_GT(id, 0);
  const JobInfo job = WaitForJob(id);
  ASSERT_EQ(job.state, IPP_JSTATE_COMPLETED) << LogOf("error_log", id);
  EXPECT_EQ(job.copies, 2);
  EXPECT_EQ(job.sides, "two-sided-long-edge");
  const std::string pages = LogOf("page_log", id);
  EXPECT_NE(pages.find(" total 2 "), std::string::npos) << pages;
  EXPECT_NE(pages.find("two-sided-long-edge"), std::string::npos) << pages;
}

// The system menu's spooler tab on queues the test makes for itself on the
// private server: a stopped queue, one holding a job, an idle one.
class SpoolerQueues : public ::testing::Test {
 protected:
  static constexpr const char* kQueues[] = {"KestrelSpoolStopped", "KestrelSpoolHeld", "KestrelSpoolIdle"};
  void SetUp() override {
    for (const char* queue : kQueues) {
      Shell(std::string("lpadmin -p ") + queue + " -E -v 'kestrel:" + ServerFolder() + "/out' -P '" +
            KESTREL_SOURCE_DIR "/scripts/kestrel-test-pdf.ppd' 2>&1");
    }
    Shell("cupsdisable KestrelSpoolStopped 2>&1");
    PageBuilder page;
    page.Paper(0, 9, 0, 1).End();
    std::string file = dir.Write("held.pdat", page.bytes());
    Shell("lp -d KestrelSpoolHeld -H hold '" + file + "' 2>&1");
  }
  void TearDown() override {
    for (const char* queue : kQueues) {
      Shell(std::string("cancel -a ") + queue + " 2>&1");
      Shell(std::string("lpadmin -x ") + queue + " 2>&1");
    }
  }
  // The spooler tab's lines for the queue selected as the printer.
  std::vector<std::string> SpoolerTab(const std::string& queue, int& result) {
    CupsPrintSystem printers(dir.file("vpdf"), nullptr);
    EXPECT_TRUE(printers.SelectPrinter(queue));
    TSysMenu1 menu(ui, printers, {});
    result = menu.GetSpoolerInfoClick();
    return menu.SpoolerLines();
  }
  TempDir dir;
  HeadlessUi ui{{}, ""};
};

TEST_F(SpoolerQueues, TheSpoolerTabShowsAStoppedQueueAHeldJobAndAnIdleQueue) {
  int result = 0;
  EXPECT_EQ(SpoolerTab("KestrelSpoolStopped", result),
            (std::vector<std::string>{"プリンタ：KestrelSpoolStopped", "状態：プリンタ異常(OFFLINE)"}));
  EXPECT_EQ(result, -99);

  CupsPrintSystem printers(dir.file("vpdf"), nullptr);
  PrinterQueueState held;
  ASSERT_EQ(printers.QueryPrinterState("KestrelSpoolHeld", held), 0);
  ASSERT_EQ(held.jobs.size(), 1u);
  EXPECT_EQ(held.jobs[0].status & (kJobStatusPaused | kJobStatusPrinting), kJobStatusPaused);
  EXPECT_EQ(SpoolerTab("KestrelSpoolHeld", result),
            (std::vector<std::string>{"プリンタ：KestrelSpoolHeld", "状態：ジョブ異常なし"}));
  EXPECT_EQ(result, 0);

  EXPECT_EQ(SpoolerTab("KestrelSpoolIdle", result),
            (std::vector<std::string>{"プリンタ：KestrelSpoolIdle", "状態：ジョブ無し"}));
  EXPECT_EQ(result, 0);

  // A queue that is gone cannot be asked.
  PrinterQueueState none;
  ASSERT_TRUE(printers.SelectPrinter("KestrelSpoolIdle"));
  Shell("lpadmin -x KestrelSpoolIdle 2>&1");
  EXPECT_EQ(printers.QueryPrinterState("KestrelSpoolIdle", none), -1);
}

// The menu's list buttons write the files kestrel-tools writes.
TEST_F(ToolsOnQueues, TheMenusListButtonsWriteWhatTheToolsWrite) {
  ASSERT_EQ(Run({"printerlist"}).exitCode, 0);
  ASSERT_EQ(Run({"paperlist"}, "KestrelDuplex").exitCode, 0);
  TempDir menuDir;
  CupsPrintSystem printers(menuDir.file("vpdf"), nullptr);
  HeadlessUi ui({"KestrelDuplex"}, "");
  TSysMenu1 menu(ui, printers, {});
  menu.PrinterListPath = menuDir.file("pprinterlist.txt");
  menu.PaperListPath = menuDir.file("ppaperlist.txt");
  menu.Button29Click();
  menu.Button30Click();
  EXPECT_EQ(ReadFile(menu.PrinterListPath), Zoq("pprinterlist.txt"));
  EXPECT_EQ(ReadFile(menu.PaperListPath), Zoq("ppaperlist.txt"));
}

}  // namespace
}  // namespace kestrel::test
