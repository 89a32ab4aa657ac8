// Text drawing against JPEG encoding, measured in the same run.
//
// A page of 5,000 characters in 50 strings (25 full-width strings of 100
// kanji and kana, 25 half-width strings of 100 characters, 20/160-inch
// cells) at 350 dpi, drawn by the string stage through the FreeType
// rasterizer onto the raster page, against the product's JPEG writer
// encoding that page with the product's settings (A4, 2894 x 4093). Text
// drawing is timed warm (glyphs cached) and cold (a fresh rasterizer: faces
// opened and every glyph rendered, as in a fresh process). The goal: text
// drawing costs at most half the encoding. Also the glyph cache on its own:
// 10,000 glyphs drawn from a warm cache against rendering each with FreeType.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/draw/draw.h"
#include "engine/print_context.h"
#include "platform/headless/headless_ui.h"
#include "platform/fonts/freetype_rasterizer.h"
#include "platform/linux/iconv_codec.h"
#include "platform/linux/linux_system.h"
#include "platform/raster/raster_page_image.h"
#include "platform/recording/memory_print_system.h"
#include "platform/text_codec.h"

namespace kestrel {
namespace {

constexpr int kPageWidth = 2894, kPageHeight = 4093, kDpi = 350;

struct TextPageRig {
  LinuxSystem system;
  MemoryPrintSystem printers{{StandardDevice("Bench")}};
  HeadlessUi ui{{}, {}};
  std::unique_ptr<FreeTypeRasterizer> rasterizer = std::make_unique<FreeTypeRasterizer>();
  RasterPageImage image{rasterizer.get()};
  EngineCache cache;
  std::unique_ptr<PrintContext> ctx;
  int strings = 0;

  TextPageRig() {
    InstallIconvCodec();
    ctx = std::make_unique<PrintContext>(Services{system, printers, ui}, 0, cache);
    ctx->output.canvas = &image.Prepare(kPageWidth, kPageHeight, kDpi);
    ctx->page.scaleX = ctx->page.scaleY = kDpi * 0.00625;
    ctx->options.minchoFace = "標準明朝";
    ctx->options.gothicFace = "標準ゴシック";
    ctx->strings.ocrFontFace = "OCR B";
    // 50 strings: full-width (JIS pairs) and half-width, Mincho and Gothic.
    std::vector<uint8_t> bytes;
    std::vector<std::string> texts;
    for (int s = 0; s < 50; ++s) {
      std::string t;
      const bool pairs = s % 2 == 0;
      for (int c = 0; c < 100; ++c) {
        if (pairs) {
          // Kanji rows 16-47 and hiragana, a few hundred distinct glyphs.
          int row = c % 5 == 0 ? 0x24 : 0x30 + (s * 7 + c) % 32;
          t += char(row);
          t += char(0x21 + (s * 13 + c * 3) % 94);
        } else {
          t += char(0x21 + (s * 5 + c) % 94);
        }
      }
      texts.push_back(t);
    }
    int32_t offset = 0;
    for (int s = 0; s < 50; ++s) {
      uint8_t rec[16] = {5, 0};
      const bool pairs = s % 2 == 0;
      uint16_t x = 80, y = uint16_t(80 + s * 36);
      rec[2] = uint8_t(x);
      rec[3] = uint8_t(x >> 8);
      rec[4] = uint8_t(y);
      rec[5] = uint8_t(y >> 8);
      rec[6] = uint8_t(s % 4 == 1 ? 3 : 1);  // typeface
      rec[7] = pairs ? 3 : 1;                // class
      rec[8] = 10;                           // width
      rec[9] = 20;                           // height
      int16_t pitch = 10;
      rec[10] = uint8_t(pitch);
      rec[11] = uint8_t(pitch >> 8);
      std::memcpy(rec + 12, &offset, 4);
      bytes.insert(bytes.end(), rec, rec + 16);
      offset += int32_t(texts[size_t(s)].size() + 1);
    }
    uint8_t end[16] = {255};
    bytes.insert(bytes.end(), end, end + 16);
    for (auto& t : texts) {
      bytes.insert(bytes.end(), t.begin(), t.end());
      bytes.push_back(0);
    }
    std::memcpy(ctx->page.commands.get(), bytes.data(), bytes.size());
    ctx->page.bytesRead = bytes.size();
    ctx->page.commandCount = 50;
    RebuildFontLists(*ctx);
  }

  void Draw() {
    for (int i = 0; i < 50; ++i) gprint_string(*ctx, i);
  }
};

TextPageRig& Rig() {
  static TextPageRig rig;
  return rig;
}

void BM_TextPage_Draw(benchmark::State& state) {
  TextPageRig& rig = Rig();
  rig.Draw();  // warm the caches once
  for (auto _ : state) rig.Draw();
  state.SetItemsProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_TextPage_Draw)->Unit(benchmark::kMillisecond);

void BM_TextPage_DrawCold(benchmark::State& state) {
  TextPageRig& rig = Rig();
  for (auto _ : state) {
    state.PauseTiming();
    rig.rasterizer.reset();
    state.ResumeTiming();
    rig.rasterizer = std::make_unique<FreeTypeRasterizer>();
    rig.image.raster().SetTextRasterizer(rig.rasterizer.get());
    rig.Draw();
    state.counters["glyphs"] = double(rig.rasterizer->GlyphsRendered());
  }
}
BENCHMARK(BM_TextPage_DrawCold)->Unit(benchmark::kMillisecond);

// The page as the program writes it: the product's writer at the default
// quality (its sampling, its row conversion).
void BM_TextPage_EncodeJpeg(benchmark::State& state) {
  TextPageRig& rig = Rig();
  rig.ctx->output.canvas = &rig.image.Prepare(kPageWidth, kPageHeight, kDpi);
  rig.Draw();
  const std::string path = (std::filesystem::temp_directory_path() / "kestrel_bench_text.jpg").string();
  std::string error;
  for (auto _ : state) {
    if (!rig.image.SaveJpeg(path, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  std::error_code ec;
  state.counters["bytes"] = double(std::filesystem::file_size(path, ec));
  std::filesystem::remove(path, ec);
}
BENCHMARK(BM_TextPage_EncodeJpeg)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

struct NullSink : SpanSink {
  long n = 0;
  void Span(int, int x0, int x1) override { n += x1 - x0; }
};

// 10,000 glyphs of one size: from the warm cache, and rendered anew.
void BM_Glyphs10000_Cached(benchmark::State& state) {
  FreeTypeRasterizer r;
  FontSpec f;
  f.face = "IPAexMincho";
  f.height = 44;
  NullSink sink;
  std::string text = "漢字かなカナABC123";
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) r.Rasterize(f, text, {10, 10}, sink);
  }
  benchmark::DoNotOptimize(sink.n);
}
BENCHMARK(BM_Glyphs10000_Cached)->Unit(benchmark::kMillisecond);

void BM_Glyphs10000_Uncached(benchmark::State& state) {
  FreeTypeRasterizer r;
  FontSpec f;
  f.face = "IPAexMincho";
  f.height = 44;
  NullSink sink;
  std::string text = "漢字かなカナABC123";
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      r.ClearCache();
      r.Rasterize(f, text, {10, 10}, sink);
    }
  }
  benchmark::DoNotOptimize(sink.n);
}
BENCHMARK(BM_Glyphs10000_Uncached)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrel
