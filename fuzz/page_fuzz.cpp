// The whole page path: print data through gprint onto the raster page at a
// low resolution (JPEG output, texts through FreeType) or onto the printer, with every fill method,
// the analysis log on, analysis filters, and string texts looked up at
// fuzzed offsets. The input's last four bytes choose the run's settings
// (they also stay part of the file, as the end of its text pool).
// The page bitmap is kept tiny (2 to 12 dots per inch: at most 100 x 141
// pixels for A4) so that encoding it costs little; a magnification of up to
// 8 lets shapes and texts still grow past the page's edges and reach the
// same drawing paths as larger pages.
#include <cstdio>
#include <cstring>

#include "engine/gprint.h"
#include "engine/jpeg_output.h"
#include "engine/job_failure.h"
#include "fuzz_support.h"
#include "platform/fonts/freetype_rasterizer.h"
#include "platform/raster/raster_page_image.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), fuzz::UseScratchBase("page"), true);
  (void)ready;
  static fuzz::Rig rig;
  static FreeTypeRasterizer text;
  static RasterPageImage image(&text);
  std::string file = fuzz::WriteScratch(data, size, ".pdat");
  uint8_t knobs[4] = {1, 0, 20, 0};
  if (size >= 4) std::memcpy(knobs, data + size - 4, 4);

  PrintContext& ctx = *rig.ctx;
  ctx.options.fillMethod = knobs[0] % 7;
  ctx.options.widthFlag = knobs[1] % 3;
  static const double kMagnifications[] = {0, 1, 2, 4, 8};
  ctx.options.scaleSetting = kMagnifications[(knobs[1] / 3) % 5];
  ctx.options.jpegDpi = 2 + knobs[2] % 11;  // 2-12 dots per inch
  ctx.output.jpegPages = (knobs[3] & 1) == 0;
  ctx.log.analysisLog = 1;
  ctx.options.skipFills = (knobs[3] >> 1) & 1;
  ctx.options.firstLineFlag = (knobs[3] >> 2) & 1;
  ctx.options.filterPatterns = (knobs[3] & 8) ? "1,3" : "";
  ctx.options.filterLineTypes = (knobs[3] & 16) ? "1,x" : "";
  ctx.options.filterCharClasses = (knobs[3] & 32) ? "\"2\" 5" : "";
  ctx.page.lastFile = 1;
  ctx.page.pageNumber = 0;
  try {
    gprint(ctx, file, ctx.output.jpegPages ? &image : nullptr, "0");
  } catch (const JobFailure&) {
    // Raised to the caller by design (a log or JPEG that cannot be written).
  }
  for (size_t i = 0; i + 4 <= size && i < 64; i += 4) {
    int32_t offset;
    std::memcpy(&offset, data + i, 4);
    GetStringText(ctx, offset, (i & 4) != 0);
  }

  // Nothing of this input stays on disk.
  ctx.log.analysisLogStream.reset();
  if (!ctx.log.analysisLogPath.empty()) {
    std::remove(ctx.log.analysisLogPath.c_str());
    std::remove(ChangeExtension(ctx.log.analysisLogPath, ".jpg").c_str());
  }
  std::remove(ChangeExtension(file, ".jpg").c_str());
  return 0;
}
