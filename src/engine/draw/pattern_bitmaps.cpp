#include "engine/draw/pattern_bitmaps.h"

#include <cstdio>

#include "util/bounded_read.h"

namespace kestrel {

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | (b[at + 1] << 8)); }

constexpr size_t kMaxFileBytes = 16 * 1024 * 1024;
constexpr int64_t kMaxSide = 4096;

}  // namespace

std::string PatternBitmapName(int pattern) {
  char name[32];
  std::snprintf(name, sizeof name, "pattern%02d.bmp", pattern);
  return name;
}

// The BMP layout is read by hand: the file header (14 bytes, "BM", offset
// of the pixels at 10), then an info header of 40 bytes or more (width at
// 4, height at 8, negative for top-down, bits per pixel at 14, compression
// at 16, colours used at 32) or the old 12-byte core header, then the
// colour table (4 bytes per entry, 3 for the core header), rows padded to
// 4 bytes.
bool DecodeBmp(const std::vector<uint8_t>& b, SmallBitmap& out) {
  if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') return false;
  const uint32_t pixelOffset = U32(b, 10);
  const uint32_t headerSize = U32(b, 14);
  int64_t width = 0, height = 0;
  int bits = 0;
  uint32_t compression = 0, coloursUsed = 0;
  size_t entryBytes = 4;
  if (headerSize == 12) {
    width = U16(b, 18);
    height = U16(b, 20);
    bits = U16(b, 24);
    entryBytes = 3;
  } else if (headerSize >= 40 && b.size() >= 14 + size_t(40)) {
    width = int32_t(U32(b, 18));
    height = int32_t(U32(b, 22));
    bits = U16(b, 28);
    compression = U32(b, 30);
    coloursUsed = U32(b, 46);
  } else {
    return false;
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  if (compression != 0) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;

  std::vector<Colour> table;
  if (bits <= 8) {
    size_t entries = coloursUsed != 0 ? coloursUsed : (size_t(1) << bits);
    if (entries > 256) return false;
    size_t at = 14 + size_t(headerSize);
    if (at + entries * entryBytes > b.size()) return false;
    for (size_t i = 0; i < entries; ++i, at += entryBytes)
      table.push_back(Colour::Rgb(b[at + 2], b[at + 1], b[at]));  // stored blue, green, red
  }
  const size_t rowBytes = ((size_t(width) * size_t(bits) + 31) / 32) * 4;
  if (pixelOffset > b.size() || rowBytes * size_t(height) > b.size() - pixelOffset) return false;

  out.width = int(width);
  out.height = int(height);
  out.pixels.assign(size_t(width) * size_t(height), kWhite);
  for (int64_t y = 0; y < height; ++y) {
    const size_t row = pixelOffset + rowBytes * size_t(topDown ? y : height - 1 - y);
    for (int64_t x = 0; x < width; ++x) {
      Colour c;
      if (bits >= 24) {
        size_t at = row + size_t(x) * size_t(bits / 8);
        c = Colour::Rgb(b[at + 2], b[at + 1], b[at]);
      } else {
        size_t bit = size_t(x) * size_t(bits);
        unsigned byte = b[row + bit / 8];
        unsigned index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index >= table.size()) return false;
        c = table[index];
      }
      out.pixels[size_t(y) * size_t(width) + size_t(x)] = c;
    }
  }
  return true;
}

void LoadPatternBitmaps(PrintContext& ctx, const std::string& folder) {
  ctx.fills.bitmaps.clear();
  ctx.fills.bitmaps.resize(kFillPatternCount);
  for (int p = 0; p < kFillPatternCount; ++p) {
    std::string file;
    if (ReadBoundedFile(folder + PatternBitmapName(p), kMaxFileBytes, file) != ReadStatus::kOk) continue;
    const std::vector<uint8_t> bytes(file.begin(), file.end());
    auto bitmap = std::make_unique<SmallBitmap>();
    if (DecodeBmp(bytes, *bitmap)) ctx.fills.bitmaps[size_t(p)] = std::move(bitmap);
  }
  ctx.fills.loaded = true;
}

}  // namespace kestrel
