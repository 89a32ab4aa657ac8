// Pattern bitmaps of fill method 3: BMP files in zoq/pmap under the base
// folder, one per pattern number, named pattern00.bmp .. pattern16.bmp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/print_context.h"

namespace kestrel {

inline constexpr int kFillPatternCount = 17;

// The file name of a pattern's bitmap ("pattern07.bmp").
std::string PatternBitmapName(int pattern);

// Reads an uncompressed Windows BMP (1, 4, 8, 24 or 32 bits per pixel,
// bottom-up or top-down) into out. A file that is short, damaged or of
// another kind gives false; nothing is read outside the bytes given.
bool DecodeBmp(const std::vector<uint8_t>& bytes, SmallBitmap& out);

// Loads the bitmaps of all patterns from folder into ctx.fills.bitmaps
// (null where a file is missing or damaged).
void LoadPatternBitmaps(PrintContext& ctx, const std::string& folder);

}  // namespace kestrel
