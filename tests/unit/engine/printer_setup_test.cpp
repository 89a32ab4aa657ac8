#include "engine/printer_setup.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/coordinates.h"
#include "engine/engine_log.h"
#include "engine/gprint.h"
#include "support/engine_fixture.h"
#include "platform/text_codec.h"

namespace kestrel::test {
namespace {

std::string Utf8Log(const std::string& path) { return Utf8FromSjis(ReadFile(path)); }

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A rig with two standard printers, "Office" the system default.
struct SetupRig {
  explicit SetupRig(std::vector<MemoryDevice> devices = {StandardDevice("Office"), StandardDevice("Plotter", 0)},
                    std::vector<std::string> answers = {})
      : rig(std::move(devices), std::move(answers)) {
    ctx().SetLogFileName(dir.file("plog.txt"));
    ctx().options.exceptionLogPath = dir.file("CriticalPLOG.txt");
    ctx().options.offsetFilePath = dir.file("pofset.txt");
    ctx().options.ocrChoiceFilePath = dir.file("pfont.txt");
    ctx().options.defaultPrinterFilePath = dir.file("WinPrinterSet.inf");
    ctx().options.settingsFilePath = dir.file("kestrel.inf");
    ctx().page.lastFile = 1;
  }
  PrintContext& ctx() { return *rig.ctx; }
  std::string log() { return Utf8Log(dir.file("plog.txt")); }
  // Runs one page with a single Paper command.
  int PrintPaper(uint8_t orientation, int16_t paper, uint8_t copies = 1) {
    PageBuilder page;
    page.Paper(orientation, paper, paper, copies).End();
    return gprint(ctx(), dir.Write("a.pdat", page.bytes()), nullptr, "0");
  }
  TempDir dir;
  EngineRig rig;
};

TEST(ChoosePrinter, UsesTheRunsPrinterOrFallsBackToTheSelectedOneWithItsMessage) {
  SetupRig s;
  s.ctx().output.printerName = "Plotter";
  EXPECT_EQ(ChoosePrinter(s.ctx()), ChooseResult::kChosen);
  EXPECT_EQ(s.ctx().output.deviceName, "Plotter");
  EXPECT_EQ(s.rig.printers.SelectedPrinter(), "Plotter");
  EXPECT_TRUE(s.rig.ui.shown().empty());

  SetupRig t;
  t.ctx().output.printerName = "plotter";  // names match exactly, case included
  EXPECT_EQ(ChoosePrinter(t.ctx()), ChooseResult::kChosen);
  EXPECT_EQ(t.ctx().output.deviceName, "Office");
  ASSERT_EQ(t.rig.ui.shown().size(), 1u);
  EXPECT_EQ(t.rig.ui.shown()[0],
            "実行時引数プリンタデバイス指定されたデバイスが存在しない又は異常がありました。\n通常使用するプリンタをセットします");
}

TEST(ChoosePrinter, ReadsTheDefaultPrinterFile) {
  {
    SetupRig s;  // no file: "Default", the selected printer, no message
    EXPECT_EQ(ChoosePrinter(s.ctx()), ChooseResult::kChosen);
    EXPECT_EQ(s.ctx().output.deviceName, "Office");
    EXPECT_TRUE(s.rig.ui.shown().empty());
  }
  {
    SetupRig s;  // the dialog writes the name in double quotes
    s.dir.Write("WinPrinterSet.inf", SjisFromUtf8("[DefaultPrinter]\r\nSelectPrinter=\"Plotter\"\r\n"));
    EXPECT_EQ(ChoosePrinter(s.ctx()), ChooseResult::kChosen);
    EXPECT_EQ(s.ctx().output.deviceName, "Plotter");
    EXPECT_TRUE(s.rig.ui.shown().empty());
  }
  {
    SetupRig s;
    s.dir.Write("WinPrinterSet.inf", "[defaultprinter]\nselectprinter = Gone\n");
    EXPECT_EQ(ChoosePrinter(s.ctx()), ChooseResult::kChosen);
    EXPECT_EQ(s.ctx().output.deviceName, "Office");
    ASSERT_EQ(s.rig.ui.shown().size(), 1u);
    EXPECT_EQ(s.rig.ui.shown()[0], "Win直デフォルト印刷プリンタ指定に異常がありました。\n通常使用するプリンタをセットします");
  }
  {
    SetupRig s;
    s.dir.Write("WinPrinterSet.inf", "[DefaultPrinter]\nSelectPrinter=Default\n");
    s.rig.printers.SelectPrinter("Plotter");  // selected earlier in the run
    EXPECT_EQ(ChoosePrinter(s.ctx()), ChooseResult::kChosen);
    EXPECT_EQ(s.ctx().output.deviceName, "Plotter");
  }
}

TEST(ChoosePrinter, ThePrinterDialogPicksTheDeviceOrCancelsTheJob) {
  SetupRig s({StandardDevice("Office"), StandardDevice("Plotter")}, {"Plotter"});
  s.ctx().options.showPrinterDialog = 1;
  s.ctx().output.printerName = "Office";  // the dialog wins over the run's printer
  EXPECT_EQ(ChoosePrinter(s.ctx()), ChooseResult::kChosen);
  EXPECT_EQ(s.ctx().output.deviceName, "Plotter");

  SetupRig c({StandardDevice("Office")}, {"cancel", "yes"});
  c.ctx().options.showPrinterDialog = 1;
  EXPECT_EQ(ChoosePrinter(c.ctx()), ChooseResult::kDialogCancelled);

  // Through gprint a cancelled dialog ends the process even with a caller.
  SetupRig g({StandardDevice("Office")}, {"cancel", "yes"});
  g.ctx().options.showPrinterDialog = 1;
  g.ctx().options.parentWindow = 9;
  EXPECT_EQ(g.PrintPaper(0, 140), -1);
  EXPECT_EQ(g.ctx().exitCode, 1);
}

TEST(ChoosePrinter, ThePdfDeviceComesFromTheSettingsFileAndTheDefaultReturnsAfterTheJob) {
  SetupRig s;
  s.dir.Write("kestrel.inf", "[SETTING]\n$pmag=0\n[PDF]\n$path=Plotter\n");
  s.ctx().options.pdfOutput = 1;
  s.ctx().output.printerName = "Office";  // the PDF device wins
  EXPECT_EQ(s.PrintPaper(0, 140), 0);
  EXPECT_EQ(s.ctx().output.deviceName, "Plotter");
  EXPECT_TRUE(s.ctx().output.savedDefaultPrinter.empty());
  EXPECT_EQ(s.rig.printers.SelectedPrinter(), "Office");
  const auto& ev = s.rig.printers.events();
  auto begin = std::find(ev.begin(), ev.end(), "BeginDoc " + s.dir.file("a.pdat"));
  ASSERT_NE(begin, ev.end());
  // The document went to the PDF device, then the default came back.
  EXPECT_EQ(std::find(ev.begin(), begin, "Select Plotter") == begin, false);
  EXPECT_EQ(ev.back(), "Close Plotter");
  EXPECT_NE(std::find(begin, ev.end(), "Select Office"), ev.end());
}

TEST(ChoosePrinter, AMissingPdfDeviceAsksAgainAndACancelIsStored) {
  {
    SetupRig s(std::vector<MemoryDevice>{StandardDevice("Office")}, {"cancel", "yes"});
    s.dir.Write("kestrel.inf", "[PDF]\n$path=Uninstalled\n$pdfbk=1\n");
    s.ctx().options.pdfOutput = 1;
    EXPECT_EQ(ChoosePrinter(s.ctx()), ChooseResult::kPdfCancelled);
    std::string file = ReadFile(s.dir.file("kestrel.inf"));
    EXPECT_TRUE(Has(file, "$path=\r\n")) << file;
    EXPECT_TRUE(Has(file, "$pdfbk=1")) << file;
  }
  {
    SetupRig s(std::vector<MemoryDevice>{StandardDevice("Office"), StandardDevice("PDF Writer")}, {"PDF Writer"});
    s.ctx().options.pdfOutput = 1;  // no settings file at all
    EXPECT_EQ(ChoosePrinter(s.ctx()), ChooseResult::kChosen);
    EXPECT_EQ(s.ctx().output.deviceName, "PDF Writer");
    EXPECT_EQ(s.ctx().output.savedDefaultPrinter, "Office");
    EXPECT_TRUE(Has(ReadFile(s.dir.file("kestrel.inf")), "[PDF]\r\n$path=PDF Writer\r\n"));
  }
  {
    // Through gprint without a caller: the message, then the end of the process.
    SetupRig s(std::vector<MemoryDevice>{StandardDevice("Office")}, {"cancel", "yes"});
    s.ctx().options.pdfOutput = 1;
    EXPECT_EQ(s.PrintPaper(0, 140), -1);
    EXPECT_EQ(s.ctx().exitCode, 1);
    ASSERT_FALSE(s.rig.ui.shown().empty());
    EXPECT_EQ(s.rig.ui.shown().back(),
              "  ■ＰＤＦ出力をキャンセルしました。\n再度ＰＤＦ出力を行う時にデバイス選択画面が表示されます");
  }
}

// A PDF run with nobody to answer the device dialog, on a system whose
// default is a printer queue: the built-in PDF device takes the document
// (never the queue), the choice is stored and the job log says why.
TEST(ChoosePrinter, AnUnattendedPdfRunTakesTheBuiltInDeviceNotTheDefaultQueue) {
  SetupRig s(std::vector<MemoryDevice>{StandardDevice("Office"), StandardDevice("Kestrel PDF")});
  s.rig.printers.SetBuiltInPdfDevice("Kestrel PDF");
  ASSERT_EQ(s.rig.printers.SelectedPrinter(), "Office");
  s.ctx().options.pdfOutput = 1;
  ASSERT_EQ(s.PrintPaper(0, 140), 0);
  EXPECT_EQ(s.ctx().output.deviceName, "Kestrel PDF");
  const auto& ev = s.rig.printers.events();
  auto begin = std::find(ev.begin(), ev.end(), "BeginDoc " + s.dir.file("a.pdat"));
  ASSERT_NE(begin, ev.end());
  std::string last;
  for (auto e = ev.begin(); e != begin; ++e)
    if (e->rfind("Select ", 0) == 0) last = *e;
  EXPECT_EQ(last, "Select Kestrel PDF");
  EXPECT_TRUE(Has(ReadFile(s.dir.file("kestrel.inf")), "[PDF]\r\n$path=Kestrel PDF\r\n"));
  EXPECT_TRUE(Has(s.log(), "【PDF出力デバイス】= 応答がないため内蔵のPDFデバイス[Kestrel PDF]を選択しました\n"));
  for (const auto& shown : s.rig.ui.shown()) EXPECT_EQ(shown.find("通常使用するプリンタ"), std::string::npos) << shown;

  // An operator's No still cancels: "Cancel" is stored, the run falls back
  // with its message.
  SetupRig t(std::vector<MemoryDevice>{StandardDevice("Office"), StandardDevice("Kestrel PDF")}, {"close", "no"});
  t.rig.printers.SetBuiltInPdfDevice("Kestrel PDF");
  t.ctx().options.pdfOutput = 1;
  EXPECT_EQ(ChoosePrinter(t.ctx()), ChooseResult::kChosen);
  EXPECT_EQ(t.ctx().output.deviceName, "Office");
  EXPECT_TRUE(Has(ReadFile(t.dir.file("kestrel.inf")), "$path=Cancel\r\n"));
}

TEST(PaperStage, AsksTheDeviceForThePaperOfEachCode) {
  struct Case {
    int16_t code;
    int compulsion;
    int paper;
    int widthMm, heightMm;
  } cases[] = {
      {130, 0, kPaperA3, 297, 420}, {140, 0, kPaperA4, 210, 297}, {150, 0, kPaperA4, 148, 210},
      {240, 0, kPaperB4, 257, 364}, {250, 0, kPaperB5, 182, 257}, {340, 0, kPaperB4, 210, 297},
      {350, 0, kPaperB5, 210, 297}, {30, 0, kPaperA4, 210, 297},  {140, 2, kPaperB4, 257, 364},
      {130, 1, kPaperA4, 210, 297},
  };
  for (const auto& c : cases) {
    SetupRig s;
    s.ctx().options.compulsionPaper = c.compulsion;
    ASSERT_EQ(s.PrintPaper(0, c.code), 0) << c.code;
    EXPECT_EQ(s.rig.printers.devMode().paperSize, c.paper) << c.code;
    EXPECT_EQ(s.ctx().page.paperWidthMm, c.widthMm) << c.code;
    EXPECT_EQ(s.ctx().page.paperHeightMm, c.heightMm) << c.code;
  }
}

TEST(PaperStage, WritesItsLogLinesAndSwapsTheSizeForLandscape) {
  SetupRig s;
  s.ctx().options.compulsionPaper = 2;
  ASSERT_EQ(s.PrintPaper(1, 140, 3), 0);
  EXPECT_EQ(s.ctx().page.landscape, 1);
  EXPECT_EQ(s.ctx().page.paperWidthMm, 364);
  EXPECT_EQ(s.ctx().page.paperHeightMm, 257);
  EXPECT_EQ(s.rig.printers.devMode().orientation, 2);
  EXPECT_EQ(s.rig.printers.devMode().copies, 3);
  std::string log = s.log();
  EXPECT_TRUE(Has(log,
                  "【用紙方向】= 1 ( 0:port(垂直), 1:land(水平) )\n"
                  "【CompulsionPaper】= 2 ( 1:A4に用紙sizeを強制指定, 2:B4に用紙sizeを強制指定 )\n"
                  "【用紙size（CompulsionPaper計算前）】= 140 ( A3=130, A4=140, A5=150, B4=240, B5=250 )\n"
                  "【用紙size（CompulsionPaper計算後）】= 240 ( A3=130, A4=140, A5=150, B4=240, B5=250 )\n"
                  "【ユーザsize】= 140 ( A3=130, A4=140, A5=150, B4=240, B5=250 )\n"
                  "【印刷部数】= 3\n"))
      << log;
  EXPECT_TRUE(Has(log,
                  "【SetPrinterProperty】= デフォルト印刷用紙を [ A4 ] にセット（初期化）\n"
                  "【指定可能用紙種類】= [7]種類\n"
                  "【印刷可能用紙判定方法】= 用紙定数比較\n"
                  "  ■印刷したい用紙はサポートされています(用紙定数比較[12])\n"
                  "【SetPrinterProperty】= 印刷用紙を [ B4 ] にセット\n"
                  "【SetPrinterProperty】= <<<<<<<<<<<<<<<< End >>>>>>>>>>>>>>>>>\n"))
      << log;
  EXPECT_TRUE(Has(log, "【********** gprint_paper関数 End ***********】\n"));
}

// A page image that only remembers how it was prepared.
class SizeOnlyImage : public PageImage {
 public:
  Canvas& Prepare(int w, int h, int d) override {
    width = w;
    height = h;
    dpi = d;
    canvas_.Resize(w, h, d, d);
    return canvas_;
  }
  Canvas& canvas() override { return canvas_; }
  bool SaveJpeg(const std::string&, std::string&) override { return true; }
  bool SavePng(const std::string&, std::string&) override { return true; }
  int width = 0, height = 0, dpi = 0;

 private:
  RecordingCanvas canvas_;
};

TEST(PaperStage, JpegPagesTakeTheirSizeFromThePaperStage) {
  SetupRig s;
  s.ctx().output.jpegPages = true;
  s.ctx().options.jpegDpi = 100;
  SizeOnlyImage image;
  PageBuilder page;
  page.Paper(1, 240, 240, 1).End();
  ASSERT_EQ(gprint(s.ctx(), s.dir.Write("a.pdat", page.bytes()), &image, s.dir.path().string() + "/"), 0)
      << s.ctx().lastErrorMessage;
  // B4 landscape: 364 x 257 mm at 100 dpi.
  EXPECT_EQ(image.width, MmToPixels(100, 364));
  EXPECT_EQ(image.height, MmToPixels(100, 257));
  EXPECT_NE(s.log().find("【SetPrinterProperty】= 印刷用紙を [ B4 ] にセット\n"), std::string::npos);
}

TEST(PaperStage, A5KeepsA4WithoutAPaperLine) {
  SetupRig s;
  ASSERT_EQ(s.PrintPaper(0, 150), 0);
  std::string log = s.log();
  EXPECT_TRUE(Has(log,
                  "【SetPrinterProperty】= デフォルト印刷用紙を [ A4 ] にセット（初期化）\n"
                  "【SetPrinterProperty】= <<<<<<<<<<<<<<<< End >>>>>>>>>>>>>>>>>\n"))
      << log;
}

TEST(CheckPaperSize, ComparesConstantsOrSizesAndUsesTheDevicesConstant) {
  MemoryDevice d = StandardDevice("Custom");
  // A device that lists JIS B4 under a driver-specific constant.
  d.papers = {kPaperA4, 300};
  d.paperSizes = {{2100, 2970}, {2570, 3640}};
  d.paperNames = {"A4", "B4 (JIS)"};
  SetupRig s({d});
  s.ctx().output.deviceName = "Custom";
  OpenEngineLog(s.ctx());
  EXPECT_EQ(CheckPaperSize(s.ctx(), kPaperB4, 0, 0), kPaperNotSupported);
  EXPECT_EQ(CheckPaperSize(s.ctx(), kPaperB4, 2570, 3640), 300);
  EXPECT_EQ(CheckPaperSize(s.ctx(), kPaperA4, 0, 0), kPaperA4);
  std::string log = s.log();
  EXPECT_TRUE(Has(log, "  ■印刷したい用紙はサポートされていませんでした\n"));
  EXPECT_TRUE(Has(log, "【印刷可能用紙判定方法】= 用紙サイズ比較\n  ■印刷したい用紙はサポートされています(用紙サイズ比較[2570x3640])\n"));

  // Through the Paper stage with size comparison on.
  s.ctx().options.paperCheckMode = 1;
  ASSERT_EQ(s.PrintPaper(0, 240), 0);
  EXPECT_EQ(s.rig.printers.devMode().paperSize, 300);
}

TEST(CheckPaperSize, ADeviceWithoutPapersOrWithAFailingQueryFallsBackToA4) {
  MemoryDevice none = StandardDevice("Bare");
  none.papers.clear();
  none.paperSizes.clear();
  SetupRig s({none});
  ASSERT_EQ(s.PrintPaper(0, 130), 0);
  std::string log = s.log();
  EXPECT_TRUE(Has(log, "  ■印刷できる用紙が１つも取得できませんでした\n"
                       "【SetPrinterProperty】= 印刷用紙を [ A4(A3は未サポート) ] にセット\n"))
      << log;
  EXPECT_EQ(s.rig.printers.devMode().paperSize, kPaperA4);

  MemoryDevice broken = StandardDevice("Broken");
  broken.failPaperQuery = true;
  SetupRig b({broken});
  b.ctx().output.deviceName = "Broken";
  OpenEngineLog(b.ctx());
  EXPECT_EQ(CheckPaperSize(b.ctx(), kPaperB5, 1820, 2570), kPaperNotSupported);
  log = b.log();
  EXPECT_TRUE(Has(log, "  ■CheckPaperSize-DeviceCapabilitiesエラー (1801) = GetLastError : [プリンター名が無効です。]\n"
                       "  ■DeviceCapabilities( szDe(Broken), NULL, DC_PAPERS, selectPaper(13), NULL )\n"))
      << log;
}

TEST(Duplex, CapableDevicesGetCollationAndTheBindingEdgeOfTheOrientation) {
  for (int orientation : {0, 1}) {
    SetupRig s;
    s.ctx().output.duplexSetting = 1;
    s.ctx().page.lastFile = 0;
    ASSERT_EQ(s.PrintPaper(uint8_t(orientation), 140), 0);
    const DevMode& dm = s.rig.printers.devMode();
    EXPECT_EQ(dm.duplex, orientation ? kDuplexHorizontal : kDuplexVertical);
    EXPECT_EQ(dm.collate, 1);
    EXPECT_EQ(dm.fields & (kDmDuplex | kDmCollate), kDmDuplex | kDmCollate);
    EXPECT_EQ(s.ctx().output.duplexSetting, 1);
    EXPECT_TRUE(Has(s.log(), "【両面印刷可能】= [1] 1以外:不可能、1:可能\n"));
  }
}

TEST(Duplex, ADeviceWithoutDuplexSetsDuplexSettingThreeAndTheJobContinuesWithSheets) {
  SetupRig s({StandardDevice("Simplex", 0)});
  s.ctx().output.duplexSetting = 1;
  s.ctx().page.lastFile = 0;
  ASSERT_EQ(s.PrintPaper(1, 140), 0);
  EXPECT_EQ(s.ctx().output.duplexSetting, 3);
  EXPECT_EQ(s.rig.printers.devMode().duplex, kDuplexSimplex);
  EXPECT_EQ(s.rig.printers.devMode().collate, 0);
  std::string log = s.log();
  EXPECT_TRUE(Has(log, "【両面印刷可能】= [0] 1以外:不可能、1:可能\n  ■両面印刷はサポートされていませんでした\n")) << log;
  // duplexSetting 3 makes the end of the page start a new sheet.
  EXPECT_EQ(s.rig.printers.events().back(), "NewSheet");
  EXPECT_EQ(s.ctx().page.pageNumber, 1);
}

TEST(PaperStage, AnUnopenablePrinterFailsTheStageAndOnlyACallerStopsTheJob) {
  // A device that disappears between choice and opening.
  struct Vanishing : MemoryPrintSystem {
    using MemoryPrintSystem::MemoryPrintSystem;
    int OpenPrinter(const std::string&) override { return -1; }
    int LastError() override { return 5; }
  };
  for (uint64_t parent : {uint64_t(0), uint64_t(42)}) {
    TempDir dir;
    LinuxSystem system;
    Vanishing printers(std::vector<MemoryDevice>{StandardDevice("Office")});
    HeadlessUi ui({}, {});
    EngineCache cache;
    PrintContext ctx(Services{system, printers, ui}, 1, cache);
    ctx.SetLogFileName(dir.file("plog.txt"));
    ctx.options.parentWindow = parent;
    ctx.page.lastFile = 1;
    PageBuilder page;
    page.Paper(0, 140, 140, 1).End();
    int rc = gprint(ctx, dir.Write("a.pdat", page.bytes()), nullptr, "0");
    std::string log = Utf8Log(dir.file("plog.txt"));
    EXPECT_TRUE(Has(log, "  ■OpenPrinterエラー GetLastError(5)\n")) << log;
    EXPECT_TRUE(Has(log, "GetPrinterInfo Error(code=5)\n")) << log;
    if (parent != 0) {
      EXPECT_EQ(rc, -1);
      EXPECT_EQ(ctx.lastErrorMessage, "  ■gprint_paperエラー num[0] \n");
    } else {
      EXPECT_EQ(rc, 0);  // logged only; the page still prints
    }
  }
}

}  // namespace
}  // namespace kestrel::test
