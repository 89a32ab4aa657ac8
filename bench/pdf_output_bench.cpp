// A form page to the built-in PDF device against the same page as a JPEG
// file, in the same run: time per page and the size of what is written.
// Two pages: the bundled sample invoice through the whole engine (gprint),
// and a page drawn straight onto the canvases: 100 pattern fills, 500
// dashed lines, 40 arcs and 2,000 characters drawn one by one (as the
// string stage draws them), A4.
#include <benchmark/benchmark.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/gprint.h"
#include "engine/print_context.h"
#include "platform/headless/headless_ui.h"
#include "platform/linux/cups_print_system.h"
#include "platform/linux/font_resolver.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/pdf_canvas.h"

namespace kestrel {
namespace {

// Faces through fontconfig's own matching (the program's resolver adds
// aliases; the bench needs only some Japanese face).
class BenchResolver : public FontResolver {
 public:
  ResolvedFace Resolve(const std::string& face) override {
    ResolvedFace out;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>((face + ":lang=ja").c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
      FcChar8* file = nullptr;
      int index = 0;
      if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) out.file = reinterpret_cast<char*>(file);
      if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) out.index = index;
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return out;
  }
};

const char* const kLine = "請求書番号０１２３４５６７８９株式会社ケストレル東京都千代田区丸の内一丁目御中";

void DrawForm(Canvas& c, int dpi) {
  const double px = dpi / 160.0;  // device pixels per print unit
  auto P = [&](int x, int y) { return DevicePoint{int(x * px), int(y * px)}; };
  PatternBitmap tile;
  for (int i = 0; i < 64; ++i) tile.cells[size_t(i)] = ((i / 8 + i % 8) % 4 == 0) ? Colour::Rgb(0, 0, 160) : kWhite;
  for (int i = 0; i < 100; ++i) {
    Brush b;
    b.kind = BrushKind::Pattern;
    b.pattern = tile;
    c.SetBrush(b);
    DevicePoint a = P(60 + (i % 10) * 120, 200 + (i / 10) * 150);
    DevicePoint z = P(60 + (i % 10) * 120 + 100, 200 + (i / 10) * 150 + 40);
    c.FillRect({a.x, a.y, z.x, z.y});
  }
  c.SetTransparentBackground(true);
  for (int i = 0; i < 500; ++i) {
    c.SetPen(Pen{kBlack, i % 5 == 0 ? 3 : 1, i % 2 ? PenStyle::Dash : PenStyle::Solid});
    if (i < 250) {
      c.MoveTo(P(60, 200 + i * 6));
      c.LineTo(P(1260, 200 + i * 6));
    } else {
      c.MoveTo(P(60 + (i - 250) * 4, 200));
      c.LineTo(P(60 + (i - 250) * 4, 1700));
    }
  }
  c.SetPen(Pen{kBlack, 1, PenStyle::Solid});
  for (int i = 0; i < 40; ++i) {
    DevicePoint a = P(100 + i * 28, 1750), z = P(100 + i * 28 + 24, 1774);
    c.Arc({a.x, a.y, z.x, z.y}, a, a);
  }
  FontSpec font;
  font.height = int(16 * px);
  font.face = "IPAexMincho";
  c.SetFont(font);
  c.SetTextColour(kBlack);
  // 50 strings of 40 characters, each character its own call.
  const std::string line(kLine);
  for (int s = 0; s < 50; ++s) {
    size_t at = 0;
    for (int k = 0; k < 40; ++k) {
      size_t len = 1;
      unsigned char lead = static_cast<unsigned char>(line[at]);
      if (lead >= 0xF0) len = 4;
      else if (lead >= 0xE0) len = 3;
      else if (lead >= 0xC0) len = 2;
      c.DrawText(P(70 + k * 29, 210 + s * 30), std::string_view(line).substr(at, len));
      at += len;
      if (at >= line.size()) at = 0;
    }
  }
}

void BM_FormPageToPdf(benchmark::State& state) {
  BenchResolver fonts;
  PdfCanvas canvas(&fonts);
  const std::string path = (std::filesystem::temp_directory_path() / "kestrel-bench-form.pdf").string();
  for (auto _ : state) {
    std::string error;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || !canvas.Begin(out, 2100, 2970, 600, "form", error)) {
      if (out != nullptr) std::fclose(out);
      state.SkipWithError(error.c_str());
      return;
    }
    DrawForm(canvas, 600);
    const bool finished = canvas.Finish(error);
    std::fclose(out);
    if (!finished) {
      state.SkipWithError(error.c_str());
      return;
    }
  }
  state.counters["bytes"] = double(std::filesystem::file_size(path));
  std::filesystem::remove(path);
}
BENCHMARK(BM_FormPageToPdf)->Unit(benchmark::kMillisecond);

void BM_FormPageToJpeg(benchmark::State& state) {
  auto platform = MakeLinuxPlatform();
  std::unique_ptr<PageImage> image = platform->MakePageImage();
  if (image == nullptr) {
    state.SkipWithError("no page image backend");
    return;
  }
  const std::string path = (std::filesystem::temp_directory_path() / "kestrel-bench-form.jpg").string();
  const int dpi = 350;
  for (auto _ : state) {
    Canvas& c = image->Prepare(int(210 / 25.4 * dpi), int(297 / 25.4 * dpi), dpi);
    DrawForm(c, dpi);
    std::string error;
    if (!image->SaveJpeg(path, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
  }
  state.counters["bytes"] = double(std::filesystem::file_size(path));
  std::filesystem::remove(path);
}
BENCHMARK(BM_FormPageToJpeg)->Unit(benchmark::kMillisecond);

// The sample invoice through gprint, to the built-in device or as JPEG.
void SamplePage(benchmark::State& state, bool jpeg) {
  const std::string sample = KESTREL_EXAMPLES_DIR "/invoice.pdat";
  if (!std::filesystem::exists(sample)) {
    state.SkipWithError("sample form not built");
    return;
  }
  const auto dir = std::filesystem::temp_directory_path() / "kestrel-bench-sample";
  std::filesystem::create_directories(dir);
  BenchResolver fonts;
  LinuxSystem system;
  CupsPrintSystem printers(dir.string(), &fonts, false);
  HeadlessUi ui({}, {});
  auto platform = MakeLinuxPlatform();
  std::unique_ptr<PageImage> image = jpeg ? platform->MakePageImage() : nullptr;
  if (jpeg && image == nullptr) {
    state.SkipWithError("no page image backend");
    return;
  }
  PrintContext ctx(Services{system, printers, ui}, 1);
  ctx.SetParentWindow(1);
  ctx.lastFile = 1;
  ctx.outputMode = jpeg ? 1 : 0;
  const std::string folder = dir.string() + "/";
  for (auto _ : state) {
    if (gprint(ctx, sample, image.get(), jpeg ? folder : "0") != 0) {
      state.SkipWithError(ctx.GetLastMessage().c_str());
      return;
    }
    ctx.pageNumber = 0;
  }
  uintmax_t bytes = 0;
  for (auto& e : std::filesystem::directory_iterator(dir))
    if (e.is_regular_file()) bytes = std::max(bytes, e.file_size());
  state.counters["bytes"] = double(bytes);
  std::filesystem::remove_all(dir);
}

void BM_SampleInvoiceToPdf(benchmark::State& state) { SamplePage(state, false); }
void BM_SampleInvoiceToJpeg(benchmark::State& state) { SamplePage(state, true); }
BENCHMARK(BM_SampleInvoiceToPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleInvoiceToJpeg)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrel
