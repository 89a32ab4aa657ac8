// The raster page at 350 dpi, A4 (2894 x 4093):
//  - BM_PageClear: clearing the page (a memset of the page), the baseline;
//  - BM_DenseFormDraw: a dense form page (3,000 lines of the five types,
//    400 pattern fills, 20 circles; no text) drawn through the engine's
//    stages, the clearing included, the encoding not;
//  - BM_DenseFormEncode/<split>/<transform>: the same page encoded as a
//    JPEG file, on two threads (split 1, the product's default) and on one
//    (split 0); every row through the encoder's own transform (0), each
//    distinct block transformed once (1) or the faster by parts (2, the
//    default; JpegTransform);
//  - BM_FillMethod/<m>: 500 fills of mixed patterns and sizes by method m;
//  - BM_FullPageCircle, BM_FullPagePatternFill: one circle as large as the
//    page (the pen of the settings) and one pattern fill of the whole page:
//    drawing costs what is drawn, not the page's area.
// Compare the times of one run: drawing against encoding, each fill method
// against method 1. The page_hash label of BM_DenseFormDraw (an FNV-1a hash
// of the page's colours) tells whether a change of the drawing
// code changed any pixel.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "engine/draw/draw.h"
#include "engine/print_context.h"
#include "platform/headless/headless_ui.h"
#include "platform/linux/linux_system.h"
#include "platform/raster/raster_page_image.h"
#include "platform/recording/memory_print_system.h"

namespace kestrel {
namespace {

constexpr int kWidth = 2894, kHeight = 4093, kDpi = 350;

void Put16(uint8_t* at, int v) {
  at[0] = uint8_t(v);
  at[1] = uint8_t(v >> 8);
}

struct Rig {
  LinuxSystem system;
  MemoryPrintSystem printers{{StandardDevice("Bench")}};
  HeadlessUi ui{{}, {}};
  EngineCache cache;
  std::unique_ptr<PrintContext> ctx;
  RasterPageImage image;
  int count = 0;

  Rig() {
    ctx = std::make_unique<PrintContext>(Services{system, printers, ui}, 1, cache);
    ctx->page.scaleX = ctx->page.scaleY = kDpi * 0.00625;
    ctx->output.canvas = &image.Prepare(kWidth, kHeight, kDpi);
    for (int i = 0; i < 50; ++i)
      ctx->page.colorTable[size_t(i)] = Colour::Rgb(uint8_t(i * 5), uint8_t(255 - i * 5), uint8_t(i * 37));
  }
  uint8_t* Next(CommandKind kind) {
    uint8_t* r = ctx->page.commands[size_t(count++)].bytes;
    std::memset(r, 0, kCommandSize);
    r[0] = uint8_t(kind);
    return r;
  }
  void Paint(int colour, int x1, int y1, int x2, int y2, int pattern) {
    uint8_t* r = Next(CommandKind::Paint);
    r[1] = uint8_t(colour);
    Put16(r + 2, x1), Put16(r + 4, y1), Put16(r + 6, x2), Put16(r + 8, y2);
    r[10] = uint8_t(pattern);
  }
  void Line(int colour, int x0, int y0, int x1, int y1, int style) {
    uint8_t* r = Next(CommandKind::Line);
    r[1] = uint8_t(colour);
    Put16(r + 2, x0), Put16(r + 4, y0), Put16(r + 6, x1), Put16(r + 8, y1), Put16(r + 10, style);
  }
  void Circle(int colour, int cx, int cy, int radius) {
    uint8_t* r = Next(CommandKind::Circle);
    r[1] = uint8_t(colour);
    Put16(r + 2, cx), Put16(r + 4, cy), Put16(r + 10, radius);
  }
  // Draws the page as the passes do: fills, then lines and circles.
  void Draw() {
    ctx->output.canvas = &image.Prepare(kWidth, kHeight, kDpi);
    for (int i = 0; i < count; ++i)
      if (ctx->page.commands[size_t(i)].is(CommandKind::Paint)) DrawPaint(*ctx, i);
    for (int i = 0; i < count; ++i) {
      const PrintCommand& c = ctx->page.commands[size_t(i)];
      if (c.is(CommandKind::Line)) gprint_line(*ctx, i);
      else if (c.is(CommandKind::Circle)) gprint_circle(*ctx, i);
    }
  }
};

// A form in A4 print units (1323 x 1871): ruled boxes, grids of cells,
// shaded bands.
void BuildDenseForm(Rig& rig) {
  std::mt19937 random(7);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  const int styles[] = {0xFFFF, 0xFFFF, 0xFFFF, 0xF0F0, 0x3333, 0xFAFA, 0xEAEA};
  for (int i = 0; i < 400; ++i) {
    int x = pick(40, 1200), y = pick(40, 1800);
    rig.Paint(pick(0, 49), x, y, x + pick(10, 300), y + pick(8, 60), pick(1, 16));
  }
  for (int i = 0; i < 3000; ++i) {
    int x = pick(40, 1250), y = pick(40, 1800), len = pick(20, 600);
    int style = styles[pick(0, 6)];
    if (i % 2 == 0) rig.Line(pick(0, 49), x, y, std::min(x + len, 1300), y, style);
    else rig.Line(pick(0, 49), x, y, x, std::min(y + len, 1850), style);
  }
  for (int i = 0; i < 20; ++i) rig.Circle(pick(0, 49), pick(100, 1200), pick(100, 1700), pick(5, 80));
}

void BM_PageClear(benchmark::State& state) {
  Rig rig;
  for (auto _ : state) {
    rig.image.Prepare(kWidth, kHeight, kDpi);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PageClear)->Unit(benchmark::kMillisecond);

void BM_DenseFormDraw(benchmark::State& state) {
  Rig rig;
  BuildDenseForm(rig);
  for (auto _ : state) {
    rig.Draw();
    benchmark::ClobberMemory();
  }
  uint64_t hash = 14695981039346656037ull;
  const RasterCanvas& page = rig.image.raster();
  for (int y = 0; y < page.Height(); ++y) {
    const uint8_t* row = page.Row(y);
    for (int x = 0; x < page.Width(); ++x) {
      hash = (hash ^ (page.palette()[row[x]].value & 0xFFFFFF)) * 1099511628211ull;
    }
  }
  char label[32];
  std::snprintf(label, sizeof label, "page_hash=%016llx", static_cast<unsigned long long>(hash));
  state.SetLabel(label);
}
BENCHMARK(BM_DenseFormDraw)->Unit(benchmark::kMillisecond);

// The product's writer at its default settings, on two threads and on one,
// with blocks transformed once and with rows through the encoder's
// transform: wall time, and the CPU time of both threads.
void BM_DenseFormEncode(benchmark::State& state) {
  Rig rig;
  BuildDenseForm(rig);
  rig.Draw();
  std::string path = (std::filesystem::temp_directory_path() / "kestrel_bench_page.jpg").string();
  std::string error;
  JpegSettings settings;
  settings.split = state.range(0) != 0;
  settings.transform = static_cast<JpegTransform>(state.range(1));
  JpegBuffers buffers;
  for (auto _ : state) {
    if (!WriteJpeg(rig.image.raster(), path, settings, error, &buffers)) state.SkipWithError(error.c_str());
  }
  std::error_code ec;
  state.counters["bytes"] = double(std::filesystem::file_size(path, ec));
  state.counters["parts"] = buffers.parts;
  std::filesystem::remove(path, ec);
}
BENCHMARK(BM_DenseFormEncode)->ArgsProduct({{1, 0}, {2, 1, 0}})->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_FillMethod(benchmark::State& state) {
  Rig rig;
  rig.ctx->options.fillMethod = int(state.range(0));
  std::mt19937 random(11);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int i = 0; i < 500; ++i) {
    int x = pick(0, 1200), y = pick(0, 1750);
    rig.Paint(pick(0, 49), x, y, x + pick(8, 120), y + pick(8, 120), pick(0, 16));
  }
  for (auto _ : state) {
    for (int i = 0; i < rig.count; ++i) DrawPaint(*rig.ctx, i);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FillMethod)->DenseRange(1, 6)->Unit(benchmark::kMillisecond);

void BM_FullPageCircle(benchmark::State& state) {
  Rig rig;
  rig.Circle(0, 661, 935, 660);
  for (auto _ : state) {
    gprint_circle(*rig.ctx, 0);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FullPageCircle)->Unit(benchmark::kMillisecond);

void BM_FullPagePatternFill(benchmark::State& state) {
  Rig rig;
  rig.Paint(3, 0, 0, 1323, 1871, 6);
  for (auto _ : state) {
    DrawPaint(*rig.ctx, 0);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FullPagePatternFill)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrel
