#include "engine/print_data.h"

#include <algorithm>

namespace kestrel {

std::string DescribeFinding(const PageFinding& f) {
  const std::string at = "record " + std::to_string(f.record) + ": ";
  switch (f.fault) {
    case PageFault::kEmpty: return "empty file";
    case PageFault::kNoEnd: return "no End record in " + std::to_string(f.record) + " records";
    case PageFault::kUnknownKind: return at + "unknown kind " + std::to_string(f.value);
    case PageFault::kTextOutside: return at + "text offset " + std::to_string(f.value) + " outside the data";
    case PageFault::kColourIndex: return at + "colour index " + std::to_string(f.value) + " (0 to 49 allowed)";
  }
  return at + "unknown finding";
}

void JisToSjis(const uint8_t* text, size_t length, uint8_t* out) {
  size_t i = 0;
  while (i < length) {
    unsigned j1 = text[i];
    unsigned j2 = i + 1 < length ? text[i + 1] : 0;  // the terminating NUL past the end
    if (j1 >= 0x21 && j1 <= 0x7F && j2 >= 0x21 && j2 <= 0x7F) {
      unsigned s1 = ((j1 - 0x21) >> 1) + 0x81;
      if (s1 >= 0xA0) s1 += 0x40;
      unsigned s2;
      if (j1 & 1) {
        s2 = j2 + 0x1F;
        if (s2 >= 0x7F) s2 += 1;
      } else {
        s2 = j2 + 0x7E;
      }
      unsigned code = (s1 << 8) + s2;
      if (j1 == 0x76 || j1 == 0x77) code += 0x0C00;
      out[i] = uint8_t(code >> 8);
      out[i + 1] = uint8_t(code);
      i += 2;
    } else {
      i += 1;
    }
  }
}

bool IsPrintData(const uint8_t* data, size_t size) {
  size_t walked = 0;
  size_t unknown = 0;
  bool empty = false;
  bool ended = true;
  CheckPage(data, size, [&](const PageFinding& f) {
    if (f.fault == PageFault::kEmpty) empty = true;
    if (f.fault == PageFault::kUnknownKind) ++unknown;
    if (f.fault == PageFault::kNoEnd) {
      ended = false;
      walked = f.record;
    }
  });
  if (empty) return false;
  if (ended) {
    // Records before End: the first End's index.
    const size_t records = (std::min(size, kCommandAreaBytes) + kCommandSize - 1) / kCommandSize;
    for (walked = 0; walked < records && data[walked * kCommandSize] != uint8_t(CommandKind::End); ++walked) {
    }
  }
  return walked == 0 || unknown < walked;
}

}  // namespace kestrel
