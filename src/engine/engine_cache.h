// EngineCache: what the engine keeps from one command, page or job to the
// next for the life of the program. The program creates one (the controller
// owns it) and hands it to every PrintContext it makes; dropping it forgets
// everything, so a test starts from a fresh one instead of undoing state.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/canvas.h"

namespace kestrel {

struct EngineCache {
  // Lines: set after the first line of the program drawn with the
  // first-line treatment; logged as a number ("cflg").
  int32_t firstLineDrawn = 0;

  // Strings: lines the job log gets once per program.
  bool searchFontLineWritten = false;
  bool ocrFaceLineWritten = false;

  // Strings: UTF-8 of one Shift-JIS character, converted once (strings are
  // drawn character by character and the converter is a system service).
  struct Utf8Char {
    uint8_t length = 0;  // 0: not converted yet
    char bytes[7] = {};
  };
  std::array<Utf8Char, 256> utf8Singles{};
  // Made at the first pair, zeroed by the system (calloc): only the slots
  // of characters met cost memory.
  struct FreeSlots {
    void operator()(std::array<Utf8Char, 65536>* p) const { std::free(p); }
  };
  std::unique_ptr<std::array<Utf8Char, 65536>, FreeSlots> utf8Pairs;

  // Strings: the logical font, one object reused by every command so that
  // setting a face copies into capacity already there.
  FontSpec stringFont{};

  // Fills: the tiles of method 4, kept between commands so that no fill
  // allocates.
  struct BlitTiles {
    SmallBitmap mask{8, 8, std::vector<Colour>(64)};
    SmallBitmap colour{8, 8, std::vector<Colour>(64)};
    SmallBitmap partMask{8, 8, std::vector<Colour>(64)};
    SmallBitmap partColour{8, 8, std::vector<Colour>(64)};
  } blitTiles;
};

}  // namespace kestrel
