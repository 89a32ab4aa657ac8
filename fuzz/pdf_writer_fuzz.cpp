// The PDF writer on heavy pages: the input is a list of drawing calls for
// PdfCanvas, each with a repeat count, so that a few hundred bytes make a
// page of millions of glyphs, hundreds of thousands of lines, fills, pixels
// and block transfers, or many pages. Run under a memory limit
// (pdf_writer.flags: -rss_limit_mb=256): the writer's memory must stay
// flat however much a page holds. Every document must finish whole.
//
// Input: byte 0 chooses the paper and resolution; then calls of eight bytes
// [kind, a, b, c, d, e, f, repeat]; the bytes after the last whole call are
// the text of DrawText (UTF-8 as given: malformed sequences included).
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/coordinates.h"
#include "fuzz_support.h"
#include "platform/fonts/fontconfig_resolver.h"
#include "platform/pdf/pdf_canvas.h"

using namespace kestrel;

// A small quarantine: freed content buffers must not count against the
// memory limit as if they were still held.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

namespace {

// Work of one input, so that each input ends within the time limit.
constexpr long kGlyphBudget = 3000000;
constexpr long kCallBudget = 400000;
constexpr int kPageLimit = 6;

Colour ColourOf(uint8_t v) { return Colour::Rgb(uint8_t(v & 0xE0), uint8_t((v << 3) & 0xE0), uint8_t((v << 6) & 0xC0)); }

// A coordinate over the page and a little beyond, or far off it: as far as
// the engine lets a device value go (kDeviceLimit).
int Coordinate(uint8_t v, uint8_t w, int size) {
  if (w == 0xFF) return (v & 1) ? kDeviceLimit : -kDeviceLimit;
  return (int(v) | (int(w & 0x3F) << 8)) * (size + 200) / 16384 - 100;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), true);
  (void)ready;
  static FontconfigResolver fonts;
  static PdfCanvas canvas(&fonts);
  static std::FILE* out = std::fopen("/dev/null", "wb");
  if (out == nullptr || size < 1) return 0;

  static const int kPapers[][2] = {{2100, 2970}, {2970, 4200}, {1480, 2100}, {2570, 3640}, {10, 10}};
  static const int kDpis[] = {72, 150, 300, 350, 600, 1};
  const int* paper = kPapers[data[0] % 5];
  std::string error;
  if (!canvas.Begin(out, paper[0], paper[1], kDpis[(data[0] / 5) % 6], "fuzz", error)) return 0;
  const int width = canvas.Width(), height = canvas.Height();

  const size_t calls = (size - 1) / 8;
  const uint8_t* text = data + 1 + calls * 8;
  const std::string_view run(reinterpret_cast<const char*>(text), size - 1 - calls * 8);
  long glyphs = 0, work = 0;
  int pages = 1;
  for (size_t i = 0; i < calls && work < kCallBudget; ++i) {
    const uint8_t* k = data + 1 + i * 8;
    const uint8_t a = k[1], b = k[2], c = k[3], d = k[4], e = k[5], f = k[6];
    const long repeat = 1 + long(k[7]) * long(k[7]);  // up to 65,026
    const DevicePoint p{Coordinate(a, b, width), Coordinate(c, d, height)};
    const DevicePoint q{Coordinate(e, f, width), Coordinate(b, a, height)};
    switch (k[0] % 12) {
      case 0:
        canvas.SetPen(Pen{ColourOf(a), b % 7, PenStyle(c % 6)});
        canvas.SetTransparentBackground(d & 1);
        canvas.SetBackgroundColour(ColourOf(e));
        break;
      case 1: {
        Brush brush{BrushKind(a % 4), ColourOf(b), HatchStyle(c % 6)};
        for (int cell = 0; cell < 64; ++cell) brush.pattern.cells[size_t(cell)] = ColourOf(uint8_t(d + (cell % (e % 8 + 1)) * f));
        canvas.SetBrush(brush);
        break;
      }
      case 2:
        for (long r = 0; r < repeat && work < kCallBudget; ++r, ++work) {
          canvas.MoveTo(p);
          canvas.LineTo(DevicePoint{q.x + int(r % 97), q.y + int(r % 89)});
        }
        break;
      case 3:
        for (long r = 0; r < repeat && work < kCallBudget; ++r, ++work)
          canvas.FillRect(DeviceRect{p.x + int(r % 13), p.y, q.x, q.y + int(r % 7)});
        break;
      case 4:
        for (long r = 0; r < repeat && work < kCallBudget; r += 16, ++work) canvas.Rectangle(DeviceRect{p.x, p.y, q.x, q.y});
        break;
      case 5:
        for (long r = 0; r < repeat && work < kCallBudget; r += 16, ++work)
          canvas.Arc(DeviceRect{p.x, p.y, q.x + int(r % 31), q.y}, DevicePoint{p.x, q.y}, DevicePoint{q.x, p.y});
        break;
      case 6:
        for (long r = 0; r < repeat && work < kCallBudget; ++r, ++work)
          canvas.SetPixel(DevicePoint{p.x + int(r % 211), p.y + int(r / 211 % 173)}, ColourOf(uint8_t(e + (r & f))));
        break;
      case 7: {
        SmallBitmap bitmap;
        bitmap.width = 1 + e % 12;
        bitmap.height = 1 + f % 12;
        for (int cell = 0; cell < bitmap.width * bitmap.height; ++cell)
          bitmap.pixels.push_back(ColourOf(uint8_t(a * cell + c)));
        for (long r = 0; r < repeat && work < kCallBudget; r += 8, ++work) {
          const DevicePoint at{p.x + int(r % 101), p.y};
          if (d & 1) canvas.BlitOr(at, bitmap);
          else canvas.BlitAnd(at, bitmap);
        }
        break;
      }
      case 8: {
        static const char* const kFaces[] = {"ＭＳ 明朝", "ＭＳ ゴシック", "MS Gothic", "OCR B", "no such face"};
        canvas.SetFont(FontSpec{(int(a) - 128) * 2, b % 60, int(c) * 15, 400, 1, 16, kFaces[d % 5]});
        canvas.SetTextColour(ColourOf(e));
        break;
      }
      case 9: {
        // One text drawn repeat times: the heavy page of the String records
        // that all point at one long text.
        if (run.empty()) break;
        for (long r = 0; r < repeat && glyphs < kGlyphBudget && work < kCallBudget; ++r, ++work) {
          canvas.DrawText(DevicePoint{p.x, p.y + int(r % 400)}, run);
          glyphs += long(run.size());
        }
        break;
      }
      case 10:
        if (pages < kPageLimit) {
          canvas.NextPage();
          ++pages;
        }
        break;
      default:
        canvas.MoveTo(p);
        break;
    }
  }
  fuzz::Check(canvas.pages() == pages, "page count");
  fuzz::Check(canvas.Finish(error), "a document that does not finish");
  return 0;
}
