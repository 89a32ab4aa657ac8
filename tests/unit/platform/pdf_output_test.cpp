#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/linux/cups_print_system.h"
#include "platform/fonts/font_resolver.h"
#include "platform/fonts/fontconfig_resolver.h"
#include "platform/fonts/freetype_rasterizer.h"
#include "platform/pdf/pdf_canvas.h"
#include "support/engine_fixture.h"
#include "support/jpeg_files.h"
#include "support/program_runner.h"

namespace kestrel::test {
namespace {

// The file a PdfCanvas writes into, open for as long as the document is.
struct OpenFile {
  explicit OpenFile(const std::string& path) : f(std::fopen(path.c_str(), "wb")) {}
  ~OpenFile() { Close(); }
  void Close() {
    if (f != nullptr) std::fclose(f);
    f = nullptr;
  }
  std::FILE* f;
};


// A page rendered by poppler without anti-aliasing, one grey byte a pixel,
// at a multiple of the page's own resolution; ink(x, y) looks at the centre
// of device pixel (x, y), away from the renderer's own edge rules.
struct Gray {
  int width = 0, height = 0, scale = 1;
  std::vector<uint8_t> pixels;
  bool ink(int x, int y) const {
    size_t rx = size_t((x + 0.5) * scale), ry = size_t((y + 0.5) * scale);
    return pixels[ry * size_t(width) + rx] < 128;
  }
};

Gray Render(const std::string& pdf, int dpi, const std::string& outStem) {
  Shell("pdftoppm -r " + std::to_string(dpi) + " -gray -aa no -aaVector no -f 1 -l 1 -singlefile '" + pdf + "' '" +
      outStem + "'");
  DecodedJpeg image;
  EXPECT_TRUE(ReadPgm(outStem + ".pgm", image)) << pdf;
  Gray g;
  g.scale = 4;
  g.width = image.width;
  g.height = image.height;
  g.pixels = std::move(image.samples);
  return g;
}

// Pages in a PDF whose page objects are not compressed.
int CountPages(const std::string& pdf) {
  std::string s = ReadFile(pdf);
  const std::string key = "/Type /Page";
  int pages = 0;
  for (size_t at = s.find(key); at != std::string::npos; at = s.find(key, at + 1))
    if (at + key.size() < s.size() && s[at + key.size()] != 's') ++pages;
  return pages;
}

std::string MediaBox(const std::string& pdf) {
  std::string s = ReadFile(pdf);
  size_t at = s.find("/MediaBox [ ");
  if (at == std::string::npos) return {};
  at += 12;
  size_t end = s.find(" ]", at);
  return end == std::string::npos ? std::string() : s.substr(at, end - at);
}

// Resolves every face to one installed Japanese font file.
class FixedResolver : public FontResolver {
 public:
  ResolvedFace Resolve(const std::string&) override {
    ResolvedFace f;
    f.file = "/usr/share/fonts/opentype/ipaexfont-mincho/ipaexm.ttf";
    if (!std::filesystem::exists(f.file)) f.file = Shell("fc-match -f '%{file}' 'IPAexMincho'");
    f.family = "IPAexMincho";
    return f;
  }
};

TEST(PdfFileStem, KeepsTheTitlesNameAndReplacesWhatAFileNameCannotHold) {
  EXPECT_EQ(PdfFileStem("/data/in/a0001.pdat"), "a0001");
  EXPECT_EQ(PdfFileStem("c:\\data\\B.PDAT"), "B");
  EXPECT_EQ(PdfFileStem("2024_山田_請求書"), "2024_山田_請求書");
  EXPECT_EQ(PdfFileStem("a:b*c?d\"e<f>g|h"), "a_b_c_d_e_f_g_h");
  EXPECT_EQ(PdfFileStem(""), "Kestrel");
  EXPECT_EQ(PdfFileStem("2024/請求書:山田"), "2024_請求書_山田");  // a title, not a path
  EXPECT_EQ(PdfFileStem("dir/.pdat"), "_pdat");
  EXPECT_EQ(PdfFileStem("/tmp/data/Invoice.txt"), "Invoice");  // an information file's path
  EXPECT_EQ(PdfFileStem("2024_山田_請求書.v2"), "2024_山田_請求書.v2");
  EXPECT_EQ(PdfFileStem(".."), "Kestrel");
  EXPECT_EQ(PdfFileStem(".hidden"), "_hidden");
  EXPECT_EQ(PdfFileStem(std::string(300, 'x')).size(), 200u);
}

TEST(PaperConstantOfSize, MapsMediaSizesRoundedThroughPointsToWindowsConstants) {
  std::string name;
  PaperSize size;
  EXPECT_EQ(PaperConstantOfSize(20990, 29704, name, size), 9);  // A4 as queues report it
  EXPECT_EQ(name, "A4");
  EXPECT_EQ(size, (PaperSize{2100, 2970}));
  EXPECT_EQ(PaperConstantOfSize(25647, 36301, name, size), 12);  // B4 (JIS), rounded
  EXPECT_EQ(size, (PaperSize{2570, 3640}));
  EXPECT_EQ(PaperConstantOfSize(17604, 25012, name, size), 34);  // ISO B5 is not JIS B5
  EXPECT_EQ(PaperConstantOfSize(18203, 25718, name, size), 13);
  EXPECT_EQ(PaperConstantOfSize(21590, 27940, name, size), 1);
  EXPECT_EQ(PaperConstantOfSize(43180, 27940, name, size), 4);
  EXPECT_EQ(PaperConstantOfSize(21484, 30480, name, size), 0);  // RA4 has none
  EXPECT_EQ(size, (PaperSize{2148, 3048}));
}

class BuiltinDevice : public ::testing::Test {
 protected:
  TempDir dir;
  CupsPrintSystem ps{dir.file("vpdf"), nullptr, false};
};

TEST_F(BuiltinDevice, IsTheOnlyAndSelectedDeviceWithTheEnginesPapersAndDuplex) {
  EXPECT_EQ(ps.Printers(), std::vector<std::string>{kBuiltinPdfDevice});
  EXPECT_EQ(ps.SelectedPrinter(), kBuiltinPdfDevice);
  EXPECT_EQ(ps.SystemDefaultPrinter(), kBuiltinPdfDevice);
  std::vector<uint16_t> papers;
  ASSERT_EQ(ps.Papers(kBuiltinPdfDevice, papers), 5);
  EXPECT_EQ(papers, (std::vector<uint16_t>{8, 9, 11, 12, 13}));
  std::vector<PaperSize> sizes;
  ps.PaperSizes(kBuiltinPdfDevice, sizes);
  EXPECT_EQ(sizes[3], (PaperSize{2570, 3640}));
  EXPECT_EQ(ps.Duplex(kBuiltinPdfDevice), 1);
  EXPECT_EQ(ps.DpiX(), 600);
  EXPECT_EQ(ps.Papers("Nowhere", papers), -1);
  EXPECT_EQ(ps.LastError(), 1801);
  EXPECT_FALSE(ps.SelectPrinter("Nowhere"));
}

TEST_F(BuiltinDevice, ValidatesTheDeviceMode) {
  DevMode dm;
  ASSERT_EQ(ps.GetDefaultDevMode(dm), 0);
  EXPECT_EQ(dm.paperSize, kPaperA4);
  dm.paperSize = kPaperLetter;  // not one of its papers
  dm.copies = 0;
  dm.duplex = kDuplexHorizontal;
  ASSERT_EQ(ps.ApplyDevMode(dm), 0);
  EXPECT_EQ(dm.paperSize, kPaperA4);
  EXPECT_EQ(dm.copies, 1);
  EXPECT_EQ(dm.duplex, kDuplexHorizontal);
}

TEST_F(BuiltinDevice, ADocumentBecomesOnePdfNamedAfterItsTitleNeverOverwritingAnEarlierOne) {
  DevMode dm;
  ps.GetDefaultDevMode(dm);
  dm.paperSize = kPaperB4;
  ps.ApplyDevMode(dm);
  ps.SetOrientation(1);
  ASSERT_EQ(ps.BeginDocument("/in/form 1.pdat"), 0);
  Canvas* c = ps.DocumentCanvas();
  EXPECT_EQ(c->Width(), int(364 / 25.4 * 600));
  EXPECT_EQ(c->Height(), int(257 / 25.4 * 600));
  ASSERT_EQ(ps.NewSheet(), 0);
  ASSERT_EQ(ps.NewSheet(), 0);
  ASSERT_EQ(ps.EndDocument(), 0);
  const std::string first = dir.file("vpdf/form 1.pdf");
  EXPECT_EQ(ps.lastPdfFile(), first);
  EXPECT_EQ(CountPages(first), 3);
  // B4 landscape in points.
  EXPECT_EQ(MediaBox(first).substr(0, 14), "0 0 1031.81102");
  EXPECT_EQ(std::filesystem::status(first).permissions() & std::filesystem::perms::others_read,
            std::filesystem::perms::others_read);

  ASSERT_EQ(ps.BeginDocument("/in/form 1.pdat"), 0);
  ASSERT_EQ(ps.EndDocument(), 0);
  EXPECT_EQ(ps.lastPdfFile(), dir.file("vpdf/form 1(1).pdf"));
  EXPECT_EQ(CountPages(first), 3);  // untouched

  // An aborted document leaves nothing behind, temporary files included.
  ASSERT_EQ(ps.BeginDocument("aborted"), 0);
  ps.AbortDocument();
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.file("vpdf"))) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 2);
  // Sheets and ends without a document fail as a spooler does.
  EXPECT_EQ(ps.NewSheet(), -1);
  EXPECT_EQ(ps.EndDocument(), -1);
  // Drawing after the end goes nowhere and does not crash.
  c->FillRect({0, 0, 10, 10});
}

// Pixel checks: the PDF page rendered at its own resolution without
// anti-aliasing shows the GDI geometry.
class PdfCanvasPixels : public ::testing::Test {
 protected:
  TempDir dir;
  PdfCanvas canvas{nullptr};
  std::string path = dir.file("p.pdf");
  OpenFile out{path};
  void SetUp() override {
    std::string error;
    // 100 dpi, a page of 127 x 254 mm: 500 x 1000 device pixels.
    ASSERT_TRUE(canvas.Begin(out.f, 1270, 2540, 100, "t", error)) << error;
  }
  Gray Finish() {
    std::string error;
    EXPECT_TRUE(canvas.Finish(error)) << error;
    out.Close();
    return Render(path, 400, dir.file("r"));
  }
};

TEST_F(PdfCanvasPixels, FillsLeaveOutTheRightAndBottomEdgeAndWidePensHaveRoundEnds) {
  canvas.SetBrush(Brush{BrushKind::Solid, kBlack});
  canvas.FillRect({10, 20, 30, 40});
  canvas.SetPen(Pen{kBlack, 4, PenStyle::Solid});
  canvas.MoveTo({20, 100});
  canvas.LineTo({220, 100});
  canvas.SetPen(Pen{kBlack, 1, PenStyle::Solid});
  canvas.MoveTo({300, 300});
  canvas.LineTo({310, 300});
  Gray g = Finish();
  ASSERT_EQ(g.width, 2000);
  EXPECT_TRUE(g.ink(10, 20));
  EXPECT_TRUE(g.ink(29, 39));
  EXPECT_FALSE(g.ink(30, 30));
  EXPECT_FALSE(g.ink(20, 40));
  EXPECT_FALSE(g.ink(9, 30));
  // Width 4 from (20,100) to (220,100): x 18..221, y 98..101.
  EXPECT_TRUE(g.ink(18, 100));
  EXPECT_TRUE(g.ink(221, 100));
  EXPECT_FALSE(g.ink(222, 100));
  EXPECT_FALSE(g.ink(17, 100));
  EXPECT_TRUE(g.ink(120, 98));
  EXPECT_TRUE(g.ink(120, 101));
  EXPECT_FALSE(g.ink(120, 102));
  EXPECT_FALSE(g.ink(120, 97));
  // A one-pixel line leaves its end point out.
  EXPECT_TRUE(g.ink(300, 300));
  EXPECT_TRUE(g.ink(309, 300));
  EXPECT_FALSE(g.ink(310, 300));
  EXPECT_FALSE(g.ink(305, 301));
}

// At a resolution whose points per pixel have no short decimal form, a fill
// and a hatch at the far corner of an A4 page still meet their pixels.
TEST(PdfCanvasGeometry, TheFarCornerOfAPageAt350DpiStaysOnItsPixels) {
  TempDir dir;
  PdfCanvas canvas(nullptr);
  std::string error;
  const std::string path = dir.file("c.pdf");
  OpenFile out(path);
  ASSERT_TRUE(canvas.Begin(out.f, 2100, 2970, 350, "t", error)) << error;
  canvas.SetBrush(Brush{BrushKind::Solid, kBlack});
  canvas.FillRect({2800, 4000, 2810, 4010});
  canvas.SetTransparentBackground(true);
  canvas.SetBrush(Brush{BrushKind::Hatch, kBlack, HatchStyle::Horizontal});
  canvas.FillRect({2820, 4000, 2840, 4020});
  ASSERT_TRUE(canvas.Finish(error)) << error;
  out.Close();
  // Device pixels 2790..2849 x 3990..4029, four rendered pixels each.
  Shell("pdftoppm -r 1400 -gray -aa no -aaVector no -x 11160 -y 15960 -W 240 -H 160 -singlefile '" + path + "' '" +
        dir.file("r") + "'");
  DecodedJpeg image;
  ASSERT_TRUE(ReadPgm(dir.file("r.pgm"), image));
  const int w = image.width;
  const std::vector<uint8_t>& px = image.samples;
  ASSERT_EQ(w, 240);
  auto ink = [&](int x, int y) { return px[size_t((y - 3990) * 4 + 2) * size_t(w) + size_t((x - 2790) * 4 + 2)] < 128; };
  EXPECT_TRUE(ink(2800, 4000));
  EXPECT_TRUE(ink(2809, 4009));
  EXPECT_FALSE(ink(2799, 4005));
  EXPECT_FALSE(ink(2810, 4005));
  EXPECT_FALSE(ink(2805, 3999));
  EXPECT_FALSE(ink(2805, 4010));
  for (int y = 4000; y < 4020; ++y) EXPECT_EQ(ink(2830, y), y % 8 == 3) << y;  // GDI's rows
}

TEST_F(PdfCanvasPixels, DashesRunLikeGdisAndHatchesDrawGdisRowsAnchoredAtTheDeviceOrigin) {
  canvas.SetTransparentBackground(true);
  canvas.SetPen(Pen{kBlack, 1, PenStyle::Dash});
  canvas.MoveTo({100, 50});
  canvas.LineTo({200, 50});
  // The six hatch styles side by side, rectangles off the 8-pixel grid.
  const HatchStyle styles[] = {HatchStyle::Horizontal, HatchStyle::Vertical, HatchStyle::FDiagonal,
                               HatchStyle::BDiagonal,  HatchStyle::Cross,    HatchStyle::DiagCross};
  for (int i = 0; i < 6; ++i) {
    canvas.SetBrush(Brush{BrushKind::Hatch, kBlack, styles[i]});
    canvas.FillRect({3 + 70 * i, 405, 60 + 70 * i, 470});
  }
  Gray g = Finish();
  // 18 on, 6 off from the start point.
  for (int x = 100; x < 118; ++x) EXPECT_TRUE(g.ink(x, 50)) << x;
  for (int x = 118; x < 124; ++x) EXPECT_FALSE(g.ink(x, 50)) << x;
  EXPECT_TRUE(g.ink(124, 50));
  // GDI's rows: horizontal lines on y mod 8 == 3, vertical ones on
  // x mod 8 == 4, falling diagonals where (x - y) mod 8 == 0, rising ones
  // where (x + y) mod 8 == 7.
  auto gdi = [](int i, int x, int y) {
    const bool row = y % 8 == 3, column = x % 8 == 4, falling = (x - y) % 8 == 0, rising = (x + y) % 8 == 7;
    const bool ink[] = {row, column, falling, rising, row || column, falling || rising};
    return ink[i];
  };
  for (int i = 0; i < 6; ++i) {
    int wrong = 0;
    for (int y = 405; y < 470; ++y)
      for (int x = 3 + 70 * i; x < 60 + 70 * i; ++x)
        if (g.ink(x, y) != gdi(i, x, y)) ++wrong;
    EXPECT_EQ(wrong, 0) << "hatch style " << i;
    EXPECT_FALSE(g.ink(4 + 70 * i, 400));  // nothing outside the rectangle
  }
}

TEST_F(PdfCanvasPixels, ArcsStayInsideTheirBoxAndRunCounterclockwise) {
  // The full ellipse of box (350,90)-(450,190): ink in x 350..449.
  canvas.Arc({350, 90, 450, 190}, {400, 90}, {400, 90});
  // The upper half only: counterclockwise from the right end to the left end.
  canvas.Arc({100, 600, 300, 800}, {300, 700}, {100, 700});
  Gray g = Finish();
  EXPECT_TRUE(g.ink(350, 140));
  EXPECT_TRUE(g.ink(449, 140));
  EXPECT_FALSE(g.ink(450, 140));
  EXPECT_TRUE(g.ink(400, 90));
  EXPECT_TRUE(g.ink(400, 189));
  EXPECT_FALSE(g.ink(400, 190));
  EXPECT_TRUE(g.ink(200, 600));   // top of the second arc
  EXPECT_FALSE(g.ink(200, 799));  // its bottom is not drawn
}

TEST_F(PdfCanvasPixels, SinglePixelsLandExactlyAndSurviveTheCallsAfterThem) {
  for (int x = 50; x < 70; x += 2) canvas.SetPixel({x, 50}, kBlack);
  canvas.SetPixel({80, 50}, Colour::Rgb(200, 200, 200));  // light: no ink
  canvas.SetPixel({82, 50}, kBlack);
  canvas.SetBrush(Brush{BrushKind::Clear});
  canvas.FillRect({0, 0, 10, 10});  // a clear fill drops its own path only
  Gray g = Finish();
  for (int x = 50; x < 70; ++x) EXPECT_EQ(g.ink(x, 50), x % 2 == 0) << x;
  EXPECT_FALSE(g.ink(80, 50));
  EXPECT_TRUE(g.ink(82, 50));
  EXPECT_FALSE(g.ink(82, 51));
}

TEST_F(PdfCanvasPixels, TwoStepBlockTransfersPaintThePatternAndKeepTheRest) {
  // What lies under: black on the left half of the tile area.
  canvas.SetBrush(Brush{BrushKind::Solid, kBlack});
  canvas.FillRect({100, 100, 104, 108});
  // Mask: white where the pattern is (column 1 and 5), black elsewhere;
  // colour: the ink (grey) there, white elsewhere.
  SmallBitmap mask{8, 8, std::vector<Colour>(64, kBlack)};
  SmallBitmap colour{8, 8, std::vector<Colour>(64, kWhite)};
  for (int y = 0; y < 8; ++y)
    for (int x : {1, 5}) {
      mask.pixels[size_t(y * 8 + x)] = kWhite;
      colour.pixels[size_t(y * 8 + x)] = Colour::Rgb(90, 90, 90);
    }
  for (int tile = 0; tile < 100; ++tile) {
    DevicePoint at{100 + (tile % 10) * 8, 100 + (tile / 10) * 8};
    canvas.BlitOr(at, mask);
    canvas.BlitAnd(at, colour);
  }
  Gray g = Finish();
  EXPECT_TRUE(g.ink(101, 103));   // pattern pixel over black: the ink
  EXPECT_TRUE(g.ink(100, 103));   // black kept
  EXPECT_FALSE(g.ink(106, 103));  // white kept
  EXPECT_TRUE(g.ink(105, 103));   // pattern pixel over white: the ink
  EXPECT_TRUE(g.ink(173, 175));   // the last tile
  EXPECT_FALSE(g.ink(174, 175));
  // 200 transfers of two tiles make two images, not 200.
  EXPECT_LT(ReadFile(path).size(), 12000u);
}

// Lines of one pen and fills of one brush are drawn as one path each: what
// a later line or fill covers stays covered, and one tile is one image.
TEST_F(PdfCanvasPixels, GatheredLinesAndFillsKeepTheirOrderWhereTheyMeet) {
  // A black line, then an opaque dashed line across it whose gap lies on it
  // (gaps run 18..23 from the start), then the black pen again elsewhere.
  canvas.SetPen(Pen{kBlack, 1, PenStyle::Solid});
  canvas.MoveTo({100, 80});
  canvas.LineTo({300, 80});
  canvas.SetPen(Pen{kBlack, 1, PenStyle::Dash});
  canvas.MoveTo({150, 60});
  canvas.LineTo({150, 120});
  canvas.SetPen(Pen{kBlack, 1, PenStyle::Solid});
  canvas.MoveTo({100, 90});
  canvas.LineTo({300, 90});
  // Black, then a pattern with white cells over it, then black over that.
  PatternBitmap dots;
  for (int i = 0; i < 64; ++i) dots.cells[size_t(i)] = i % 2 == 0 ? kBlack : kWhite;
  canvas.SetBrush(Brush{BrushKind::Solid, kBlack});
  canvas.FillRect({100, 200, 200, 260});
  canvas.SetBrush(Brush{BrushKind::Pattern, kBlack, HatchStyle::Horizontal, dots});
  canvas.FillRect({150, 200, 250, 260});
  for (int i = 0; i < 50; ++i) canvas.FillRect({300 + i * 3, 300, 302 + i * 3, 310});  // the same tile again
  canvas.SetBrush(Brush{BrushKind::Solid, kBlack});
  canvas.FillRect({220, 200, 300, 260});
  Gray g = Finish();
  EXPECT_TRUE(g.ink(149, 80));
  EXPECT_FALSE(g.ink(150, 80));  // the later gap covers the black line
  EXPECT_TRUE(g.ink(150, 77));   // and the dash before it is ink
  EXPECT_TRUE(g.ink(150, 90));   // the later black line covers the dashed one
  EXPECT_TRUE(g.ink(120, 230));
  EXPECT_TRUE(g.ink(160, 230));   // the pattern's black cell
  EXPECT_FALSE(g.ink(161, 230));  // its white cell over the black fill
  EXPECT_TRUE(g.ink(231, 230));   // the last black fill over the pattern
  EXPECT_FALSE(g.ink(211, 231));  // a white cell where only the pattern lies
  // 51 fills of one tile: one image and one pattern object.
  const std::string pdf = ReadFile(path);
  size_t images = 0, patterns = 0;
  for (size_t at = pdf.find("/Subtype /Image"); at != std::string::npos; at = pdf.find("/Subtype /Image", at + 1)) ++images;
  for (size_t at = pdf.find("/PatternType"); at != std::string::npos; at = pdf.find("/PatternType", at + 1)) ++patterns;
  EXPECT_EQ(images, 1u);
  EXPECT_EQ(patterns, 1u);
}

// A document of many pages: each page's content goes to the file as the
// page ends, every page shares one tiling pattern per distinct tile (a
// hatch in any colour is one mask), and the file is well formed.
TEST(PdfDocumentFile, ManyPagesShareOnePatternPerDistinctTileAndTheFileChecksClean) {
  TempDir dir;
  PdfCanvas canvas(&SharedFontResolver());
  std::string error;
  const std::string path = dir.file("m.pdf");
  OpenFile out(path);
  ASSERT_TRUE(canvas.Begin(out.f, 2100, 2970, 600, "請求書 (控)", error)) << error;
  PatternBitmap three;  // three colours: a coloured tile
  for (int i = 0; i < 64; ++i)
    three.cells[size_t(i)] = i % 3 == 0 ? kBlack : (i % 3 == 1 ? kWhite : Colour::Rgb(200, 0, 0));
  FontSpec font;
  font.height = 80;
  font.face = "IPAex明朝";
  const int kPages = 40;
  long written = 0;
  for (int page = 0; page < kPages; ++page) {
    if (page > 0) {
      canvas.NextPage();
      // The finished page is in the file, not held back.
      EXPECT_GT(std::ftell(out.f), written) << page;
      written = std::ftell(out.f);
    }
    canvas.SetTransparentBackground(true);
    canvas.SetBrush(Brush{BrushKind::Hatch, Colour::Rgb(0, 0, 255), HatchStyle::FDiagonal});
    canvas.FillRect({100, 100, 400, 300});
    canvas.SetBrush(Brush{BrushKind::Hatch, Colour::Rgb(0, 160, 0), HatchStyle::FDiagonal});
    canvas.FillRect({500, 100, 800, 300});
    canvas.SetTransparentBackground(false);
    canvas.SetBrush(Brush{BrushKind::Pattern, kBlack, HatchStyle::Horizontal, three});
    canvas.FillRect({100, 400, 400, 600});
    canvas.Rectangle({500, 400, 800, 600});
    canvas.SetPen(Pen{kBlack, 1, PenStyle::DashDot});
    canvas.Arc({900, 100, 1300, 500}, {1300, 300}, {900, 300});
    canvas.SetFont(font);
    canvas.DrawText({100, 700}, "頁 " + std::to_string(page + 1));
  }
  ASSERT_TRUE(canvas.Finish(error)) << error;
  out.Close();
  const std::string pdf = ReadFile(path);
  size_t patterns = 0;
  for (size_t at = pdf.find("/PatternType"); at != std::string::npos; at = pdf.find("/PatternType", at + 1)) ++patterns;
  EXPECT_EQ(patterns, 2u);  // the diagonal hatch in both colours, the three-colour tile
  EXPECT_EQ(CountPages(path), kPages);
  const ProgramRun check = RunProgramAndWait("/usr/bin/qpdf", {"--check", path});
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
  EXPECT_NE(Shell("pdfinfo '" + path + "'").find("請求書 (控)"), std::string::npos);
  EXPECT_NE(Shell("pdftotext -f 40 -l 40 -enc UTF-8 '" + path + "' -").find("頁 40"), std::string::npos);
}

TEST(PdfCanvasText, TextIsRealTextThatCopiesAsTheCharactersThemselves) {
  TempDir dir;
  FixedResolver fonts;
  PdfCanvas canvas(&fonts);
  std::string error;
  const std::string path = dir.file("t.pdf");
  OpenFile out(path);
  ASSERT_TRUE(canvas.Begin(out.f, 2100, 2970, 600, "t", error)) << error;
  FontSpec font;
  font.height = 100;
  font.face = "IPAex明朝";
  canvas.SetFont(font);
  canvas.SetTransparentBackground(true);
  canvas.DrawText({500, 500}, "田中");
  canvas.DrawText({500, 700}, "請求書 No.123");
  ASSERT_TRUE(canvas.Finish(error)) << error;
  out.Close();
  std::string text = Shell("pdftotext -enc UTF-8 '" + path + "' -");
  EXPECT_NE(text.find("田中"), std::string::npos) << text;
  EXPECT_NE(text.find("請求書 No.123"), std::string::npos) << text;
  // The font is embedded as a subset.
  std::string fontsList = Shell("pdffonts '" + path + "'");
  EXPECT_NE(fontsList.find("IPAexMincho"), std::string::npos) << fontsList;
  EXPECT_NE(fontsList.find(" yes yes "), std::string::npos) << fontsList;
}


// The ink box of a text run: on the raster page (FreeType, the raster
// canvas's rules) and on the PDF page rendered back.
struct InkBox {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  void Add(int x, int y) {
    left = std::min(left, x);
    top = std::min(top, y);
    right = std::max(right, x);
    bottom = std::max(bottom, y);
  }
};

class BoxSink : public SpanSink {
 public:
  void Span(int y, int x0, int x1) override {
    box.Add(x0, y);
    box.Add(x1 - 1, y);
  }
  InkBox box;
};

TEST(PdfCanvasText, TextLandsWhereTheRasterPagePutsItForEveryFontRule) {
  struct Case {
    int height, width, escapement;
    const char* face;
    const char* text;
  } cases[] = {
      {60, 0, 0, "IPAex明朝", "田"},
      {60, 30, 0, "ＭＳ ゴシック", "田"},  // stretched by the width
      {-60, 0, 0, "IPAexGothic", "口"},   // the em height
      {60, 0, 900, "IPAex明朝", "田"},    // turned a quarter counterclockwise
  };
  for (const auto& c : cases) {
    TempDir dir;
    FontSpec font;
    font.height = c.height;
    font.width = c.width;
    font.escapement = c.escapement;
    font.face = c.face;
    const DevicePoint at{200, 200};

    FreeTypeRasterizer raster(SharedFontResolver());
    BoxSink sink;
    raster.Rasterize(font, c.text, at, sink);

    PdfCanvas canvas(&SharedFontResolver());
    std::string error;
    const std::string path = dir.file("t.pdf");
    OpenFile out(path);
    ASSERT_TRUE(canvas.Begin(out.f, 1016, 1016, 100, "t", error)) << error;  // 400 x 400 pixels
    canvas.SetFont(font);
    canvas.SetTransparentBackground(true);
    canvas.DrawText(at, c.text);
    ASSERT_TRUE(canvas.Finish(error));
    out.Close();
    Gray g = Render(path, 400, dir.file("r"));
    InkBox pdf;
    for (int y = 0; y < g.height; ++y)
      for (int x = 0; x < g.width; ++x)
        if (g.pixels[size_t(y) * size_t(g.width) + size_t(x)] < 128) pdf.Add(x, y);
    ASSERT_GE(pdf.right, 0) << c.face;
    // Within a device pixel of the raster page's ink.
    EXPECT_NEAR(pdf.left / 4.0, sink.box.left, 1.5) << c.face << " " << c.escapement;
    EXPECT_NEAR(pdf.top / 4.0, sink.box.top, 1.5) << c.face << " " << c.escapement;
    EXPECT_NEAR((pdf.right + 1) / 4.0, sink.box.right + 1, 1.5) << c.face << " " << c.escapement;
    EXPECT_NEAR((pdf.bottom + 1) / 4.0, sink.box.bottom + 1, 1.5) << c.face << " " << c.escapement;
  }
}

// A Type 1 face cannot be subset into a CID font: its glyphs are drawn as
// outlines, where the same design as an OpenType face (embedded) puts them,
// and the text is written over them invisibly.
TEST(PdfCanvasText, AFaceThatCannotBeEmbeddedIsDrawnAsOutlinesWhereAnEmbeddedOnePutsIt) {
  class FileResolver : public FontResolver {
   public:
    explicit FileResolver(std::string file) : file_(std::move(file)) {}
    ResolvedFace Resolve(const std::string&) override {
      ResolvedFace f;
      f.file = file_;
      f.family = "Nimbus Sans";
      return f;
    }

   private:
    std::string file_;
  };
  FileResolver type1("/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.t1");
  FileResolver openType("/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf");
  if (!std::filesystem::exists(type1.Resolve("").file) || !std::filesystem::exists(openType.Resolve("").file))
    GTEST_SKIP() << "the URW fonts are not installed";
  FontSpec font;
  font.height = -60;  // the em: the two files' Windows metrics differ
  font.escapement = 900;
  font.face = "Helvetica";
  TempDir dir;
  auto draw = [&](FontResolver& fonts, const std::string& name, InkBox& box) {
    PdfCanvas canvas(&fonts);
    std::string error;
    const std::string path = dir.file(name + ".pdf");
    OpenFile out(path);
    ASSERT_TRUE(canvas.Begin(out.f, 1016, 1016, 100, "t", error)) << error;
    canvas.SetFont(font);
    canvas.SetTransparentBackground(true);
    canvas.DrawText({200, 300}, "HEg");
    ASSERT_TRUE(canvas.Finish(error));
    out.Close();
    Gray g = Render(path, 400, dir.file(name));
    for (int y = 0; y < g.height; ++y)
      for (int x = 0; x < g.width; ++x)
        if (g.pixels[size_t(y) * size_t(g.width) + size_t(x)] < 128) box.Add(x, y);
  };
  InkBox outlines, embedded;
  draw(type1, "type1", outlines);
  draw(openType, "opentype", embedded);
  ASSERT_GE(embedded.right, 0);
  EXPECT_NEAR(outlines.left, embedded.left, 4);  // a device pixel (4 rendered ones)
  EXPECT_NEAR(outlines.top, embedded.top, 4);
  EXPECT_NEAR(outlines.right, embedded.right, 4);
  EXPECT_NEAR(outlines.bottom, embedded.bottom, 4);
  // The text is there to copy, in a font named without its program.
  EXPECT_NE(Shell("pdftotext '" + dir.file("type1.pdf") + "' -").find("HEg"), std::string::npos);
  EXPECT_NE(Shell("pdffonts '" + dir.file("type1.pdf") + "' | tail -n +3").find(" no  no  yes "), std::string::npos);
}

TEST(PdfCanvasText, ALabelWithAFileNameThatIsNotUtf8DrawsTheSameCharactersAsTheRasterPage) {
  // The page label of a data file named in Shift-JIS ("あ"), with a cut
  // UTF-8 character after it: one U+FFFD per malformed sequence on both
  // pages, the characters after them read as they are. The raster page
  // draws the label as it draws the decoded text; the PDF page holds the
  // decoded text.
  const std::string label = "DEBUG MODE :/data/\x82\xA0\xE3\x81x.pdat";
  const std::string decoded = "DEBUG MODE :/data/\uFFFD\uFFFD\uFFFDx.pdat";
  FontSpec font;
  font.face = "Tahoma";
  font.height = -25;
  const DevicePoint at{20, 20};
  TempDir dir;

  FreeTypeRasterizer raster(SharedFontResolver());
  BoxSink sink;
  raster.Rasterize(font, label, at, sink);
  BoxSink expected;
  raster.Rasterize(font, decoded, at, expected);
  ASSERT_GE(sink.box.right, 0);
  EXPECT_EQ(sink.box.left, expected.box.left);
  EXPECT_EQ(sink.box.right, expected.box.right);
  EXPECT_EQ(sink.box.top, expected.box.top);
  EXPECT_EQ(sink.box.bottom, expected.box.bottom);

  PdfCanvas canvas(&SharedFontResolver());
  std::string error;
  const std::string path = dir.file("t.pdf");
  OpenFile out{path};
  ASSERT_TRUE(canvas.Begin(out.f, 2032, 254, 100, "t", error)) << error;
  canvas.SetFont(font);
  canvas.SetTransparentBackground(true);
  canvas.DrawText(at, label);
  ASSERT_TRUE(canvas.Finish(error));
  out.Close();
  std::string text = Shell("pdftotext -enc UTF-8 '" + path + "' -");
  EXPECT_EQ(text.substr(0, text.find_first_of("\n\f")), decoded);
}

}  // namespace
}  // namespace kestrel::test
