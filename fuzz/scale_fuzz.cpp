// Settings values that reach the page size and the scale: $jdpi, $pmag and
// $pcPaper as the settings file holds them, the printer's offsets as the
// offset file holds them, and the page's paper codes, through gprint onto a
// JPEG page or the printer with a page of every drawing command. A JPEG
// page bitmap is asked for only within its budget; small pages are drawn on
// the real raster page (texts through FreeType), larger ones on a page that
// records, whose every device value must lie in the drawable range.
//
// Input: NUL-separated pieces: $jdpi, $pmag, $pcPaper, the offset value
// ("x,y" in millimetres), then four bytes: paper code, layout code (one
// byte each, picked from the known codes), orientation and output.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/run_settings.h"
#include "engine/coordinates.h"
#include "engine/gprint.h"
#include "fuzz_support.h"
#include "platform/fonts/freetype_rasterizer.h"
#include "platform/raster/raster_page_image.h"
#include "platform/recording/recording_canvas.h"

using namespace kestrel;

namespace {

// Device values of one recorded drawing call: every whole number in its
// text. (The page line gives the bitmap's size and resolution, which
// PageBitmapFits checks.)
void CheckRecordedCall(const std::string& call) {
  if (call.rfind("Page ", 0) == 0) return;
  const char* p = call.c_str();
  while (*p != '\0') {
    if ((*p >= '0' && *p <= '9') || (*p == '-' && p[1] >= '0' && p[1] <= '9')) {
      char* end = nullptr;
      long long v = std::strtoll(p, &end, 10);
      fuzz::Check(v >= -kDeviceLimit && v <= kDeviceLimit, "a device value within the drawable range");
      p = end;
    } else {
      ++p;
    }
  }
}

// The JPEG page: the raster page when its bitmap is small, a recording
// page otherwise; a size beyond the budget is never asked for.
class ScalePageImage final : public PageImage {
 public:
  explicit ScalePageImage(TextRasterizer* text) : raster_(text) {}
  Canvas& Prepare(int width, int height, int dpi) override {
    fuzz::Check(PageBitmapFits(width, height), "a page bitmap within its budget");
    raster_used_ = int64_t(width) * int64_t(height) <= 400 * 400;
    if (raster_used_) return raster_.Prepare(width, height, dpi);
    recording_.Clear();
    recording_.Resize(width, height, dpi, dpi);
    return recording_;
  }
  Canvas& canvas() override { return raster_used_ ? raster_.canvas() : recording_; }
  bool SaveJpeg(const std::string&, std::string&) override { return true; }
  bool SavePng(const std::string&, std::string&) override { return true; }
  const RecordingCanvas& recording() const { return recording_; }
  bool raster_used() const { return raster_used_; }

 private:
  RasterPageImage raster_;
  RecordingCanvas recording_;
  bool raster_used_ = false;
};

// A 16-byte record from its little-endian fields.
std::string Record(std::initializer_list<std::pair<int, int>> bytesAndSizes) {
  std::string r;
  for (auto [value, size] : bytesAndSizes)
    for (int i = 0; i < size; ++i) r.push_back(char((unsigned(value) >> (8 * i)) & 0xFF));
  r.resize(16, '\0');
  return r;
}

// One command of each kind reaching across an A4 page, with the paper
// command's codes and orientation to fill in (bytes 1 to 5).
std::string ThePage() {
  std::string p;
  p += Record({{16, 1}, {0, 1}, {140, 2}, {140, 2}, {0, 1}, {1, 1}});
  p += Record({{17, 1}, {1, 1}, {200, 1}, {0, 1}, {0, 1}});
  p += Record({{2, 1}, {1, 1}, {100, 2}, {100, 2}, {1300, 2}, {1800, 2}, {3, 1}});
  p += Record({{1, 1}, {1, 1}, {0, 2}, {0, 2}, {1300, 2}, {1800, 2}, {0xFFFF, 2}});
  p += Record({{1, 1}, {1, 1}, {0, 2}, {1800, 2}, {1300, 2}, {0, 2}, {0xF0F0, 2}});
  p += Record({{3, 1}, {1, 1}, {600, 2}, {800, 2}, {90, 2}, {0, 2}, {400, 2}});
  p += Record({{5, 1}, {1, 1}, {100, 2}, {1000, 2}, {0, 1}, {1, 1}, {20, 1}, {20, 1}, {16, 2}, {0, 4}});
  p += Record({{255, 1}});
  p += std::string("AB1", 4);
  return p;
}

int PaperCode(uint8_t b) {
  static const int codes[] = {130, 140, 150, 240, 250, 0, -1, 32767};
  return codes[b % 8];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), fuzz::UseScratchBase("scale"), true);
  (void)ready;
  static const std::string base = fuzz::ScratchFolder("scale-files");
  static fuzz::Rig rig;
  static FreeTypeRasterizer text;
  static ScalePageImage image(&text);
  static std::string page = ThePage();

  std::vector<std::string> pieces = fuzz::SplitAtNul(data, size);
  pieces.resize(5);
  for (auto& piece : pieces)
    for (char& c : piece)
      if (c == '\n' || c == '\r') c = ' ';  // one value, one line
  const std::string settingsPath = base + "kestrel.inf";
  {
    std::string text = "[SETTING]\r\n$jdpi=" + pieces[0] + "\r\n$pmag=" + pieces[1] + "\r\n$pcPaper=" + pieces[2] +
                       "\r\n";
    FILE* f = std::fopen(settingsPath.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  fuzz::QuietUi ui;
  RunSettings settings;
  InitRunSettingsPaths(settings, base, base + "windows");
  LoadSettings(settings, settingsPath, ui);

  PrintContext& ctx = *rig.ctx;
  const std::string offsets = base + "pofset.txt";
  {
    std::string text = "[OFSET]\r\nFuzz Printer=" + pieces[3] + "\r\n";
    FILE* f = std::fopen(offsets.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  ctx.options.offsetFilePath = offsets;
  const std::string& knobs = pieces[4];
  auto knob = [&](size_t i) { return i < knobs.size() ? uint8_t(knobs[i]) : uint8_t(0); };
  const int16_t paper = int16_t(PaperCode(knob(0))), user = int16_t(PaperCode(knob(1)));
  page[1] = char(knob(2) & 1);
  std::memcpy(&page[2], &paper, 2);
  std::memcpy(&page[4], &user, 2);
  const std::string file = fuzz::WriteScratch(reinterpret_cast<const uint8_t*>(page.data()), page.size(), ".pdat");

  ctx.options.scaleSetting = settings.pmag_flg;
  ctx.options.jpegDpi = settings.jdpi;
  ctx.options.compulsionPaper = settings.CompulsionPaper;
  ctx.output.jpegPages = (knob(3) & 1) == 0;
  ctx.options.fillMethod = 1;
  ctx.log.analysisLog = 0;
  ctx.page.lastFile = 1;
  ctx.page.pageNumber = 0;
  RecordingCanvas& printer = rig.printers.canvas();
  printer.SetRecording(!ctx.output.jpegPages);
  printer.Clear();
  gprint(ctx, file, ctx.output.jpegPages ? &image : nullptr, "0");

  if (!ctx.output.jpegPages) {
    for (const std::string& call : printer.calls()) CheckRecordedCall(call);
  } else if (!image.raster_used()) {
    for (const std::string& call : image.recording().calls()) CheckRecordedCall(call);
  }
  return 0;
}
