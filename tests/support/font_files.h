// Facts read straight from font files, so that tests check drawn text
// against the font itself rather than against the code under test.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel::test {

// A character's outline box in font units, and the font's units per em.
struct UnitBox {
  long xMin = 0, xMax = 0, yMin = 0, yMax = 0, upem = 1;
};
UnitBox BoxOf(const std::string& file, uint32_t c);

}  // namespace kestrel::test
