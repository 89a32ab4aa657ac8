// The dense form page (bench/dense_page.h) through the whole engine
// (gprint), to the built-in PDF device and as a JPEG page with the
// product's own writer and settings (quality, sampling, 350 dpi): time per
// page and the size of what is written.
//  - Warm: the platform, its fonts and glyph caches kept from page to page,
//    as in a run of many pages.
//  - Cold: everything made anew for each page (print system, canvases,
//    font faces, glyph cache), as the first page of a fresh process draws
//    it; fontconfig's own configuration stays loaded.
// Also the bundled sample invoice, warm; and the dense page's JPEG writing
// alone, and the sample invoice's (DensePageEncode/<transform>/<invoice>):
// every row through the encoder's own transform (0), each distinct block
// transformed once (1) or the faster of the two by parts (2, the default;
// JpegTransform).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "dense_page.h"
#include "engine/gprint.h"
#include "engine/print_context.h"
#include "pdat_text.h"
#include "platform/linux/iconv_codec.h"
#include "platform/linux/linux_platform.h"
#include "platform/raster/raster_page_image.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

// The dense page as a print-data file in a scratch folder.
const std::string& DensePageFile() {
  static const std::string path = [] {
    InstallIconvCodec();  // the text converter the compiler needs
    std::vector<uint8_t> bytes;
    pdat::CompileError error;
    if (!pdat::CompileText(bench::DensePageText(), &bytes, &error)) return std::string();
    const fs::path dir = fs::temp_directory_path() / "kestrel-bench-dense";
    fs::create_directories(dir);
    const std::string file = (dir / "dense.pdat").string();
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return out ? file : std::string();
  }();
  return path;
}

// One platform and its print context, set up as the program sets them up
// for a print run with CUPS hidden, the built-in device writing under a
// scratch base folder.
struct Run {
  std::unique_ptr<LinuxPlatform> platform;
  std::unique_ptr<PageImage> image;
  EngineCache cache;
  std::unique_ptr<PrintContext> ctx;
  std::string folder;

  Run(const fs::path& base, bool jpeg) {
    folder = base.string() + "/";
    platform = MakeLinuxPlatform();
    if (jpeg) image = platform->MakePageImage();
    ctx = std::make_unique<PrintContext>(platform->services(), 1, cache);
    ctx->options.parentWindow = 1;
    ctx->page.lastFile = 1;
    ctx->output.jpegPages = jpeg;
  }
  bool Page(const std::string& file) {
    ctx->page.pageNumber = 0;
    return gprint(*ctx, file, image.get(), image ? folder : "0") == 0;
  }
};

uintmax_t LargestFile(const fs::path& dir) {
  uintmax_t bytes = 0;
  for (auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file() && e.path().extension() != ".pdat") bytes = std::max(bytes, e.file_size());
  return bytes;
}

void PageBench(benchmark::State& state, const std::string& file, bool jpeg, bool cold) {
  if (file.empty() || !fs::exists(file)) {
    state.SkipWithError("page not available");
    return;
  }
  const fs::path base = fs::temp_directory_path() / "kestrel-bench-base";
  fs::remove_all(base);
  fs::create_directories(base);
  // The base folder of the built-in device (its PDF folder) for this run;
  // CUPS hidden: nothing reaches a print queue.
  setenv("KESTREL_BASE", (base.string() + "/").c_str(), 1);
  setenv("KESTREL_NO_CUPS", "1", 1);
  setenv("KESTREL_UI", "headless", 1);
  std::unique_ptr<Run> run;
  for (auto _ : state) {
    if (cold || run == nullptr) {
      run.reset();
      run = std::make_unique<Run>(base, jpeg);
      if (jpeg && run->image == nullptr) {
        state.SkipWithError("no page image backend");
        return;
      }
    }
    if (!run->Page(file)) {
      state.SkipWithError(run->ctx->lastErrorMessage.c_str());
      return;
    }
    state.PauseTiming();
    const uintmax_t bytes = LargestFile(base);
    if (bytes > 0) state.counters["bytes"] = double(bytes);
    if (!jpeg) fs::remove_all(base / "vpdf");  // the device numbers files it does not replace
    state.ResumeTiming();
  }
  run.reset();
  fs::remove_all(base);
}

void BM_DensePageToPdf_Warm(benchmark::State& s) { PageBench(s, DensePageFile(), false, false); }
void BM_DensePageToPdf_Cold(benchmark::State& s) { PageBench(s, DensePageFile(), false, true); }
void BM_DensePageToJpeg_Warm(benchmark::State& s) { PageBench(s, DensePageFile(), true, false); }
void BM_DensePageToJpeg_Cold(benchmark::State& s) { PageBench(s, DensePageFile(), true, true); }
void BM_SampleInvoiceToPdf(benchmark::State& s) { PageBench(s, KESTREL_EXAMPLES_DIR "/invoice.pdat", false, false); }
void BM_SampleInvoiceToJpeg(benchmark::State& s) { PageBench(s, KESTREL_EXAMPLES_DIR "/invoice.pdat", true, false); }
void BM_DensePageEncode(benchmark::State& state) {
  const fs::path base = fs::temp_directory_path() / "kestrel-bench-base";
  fs::create_directories(base);
  setenv("KESTREL_BASE", (base.string() + "/").c_str(), 1);
  setenv("KESTREL_NO_CUPS", "1", 1);
  setenv("KESTREL_UI", "headless", 1);
  Run run(base, true);
  const std::string file = state.range(1) == 0 ? DensePageFile() : std::string(KESTREL_EXAMPLES_DIR "/invoice.pdat");
  if (file.empty() || run.image == nullptr || !run.Page(file)) {
    state.SkipWithError("page not drawn");
    return;
  }
  auto& image = static_cast<RasterPageImage&>(*run.image);
  JpegSettings settings = image.jpegSettings();
  settings.transform = static_cast<JpegTransform>(state.range(0));
  JpegBuffers buffers;
  const std::string path = (base / "encoded.jpg").string();
  std::string error;
  for (auto _ : state)
    if (!WriteJpeg(image.raster(), path, settings, error, &buffers)) state.SkipWithError(error.c_str());
  std::error_code ec;
  state.counters["bytes"] = double(fs::file_size(path, ec));
  fs::remove_all(base);
}

BENCHMARK(BM_DensePageEncode)->ArgsProduct({{2, 1, 0}, {0, 1}})->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DensePageToPdf_Warm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DensePageToPdf_Cold)->Unit(benchmark::kMillisecond);
// JPEG pages are encoded on two threads: the CPU time of both, and wall time.
BENCHMARK(BM_DensePageToJpeg_Warm)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DensePageToJpeg_Cold)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleInvoiceToPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleInvoiceToJpeg)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrel
