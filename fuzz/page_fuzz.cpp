// The whole page path: print data through gprint, every fill method, the
// analysis log on, string texts looked up at fuzzed offsets.
#include <cstring>

#include "engine/gprint.h"
#include "fuzz_support.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), true);
  (void)ready;
  static fuzz::Rig rig;
  std::string file = fuzz::WriteScratch(data, size, ".pdat");
  PrintContext& ctx = *rig.ctx;
  ctx.fillMethod = size > 0 ? data[0] % 8 : 1;
  ctx.widthFlag = size > 1 ? data[1] % 3 : 0;
  ctx.lastFile = 1;
  ctx.pageNumber = 0;
  gprint(ctx, file, nullptr, "0");
  for (size_t i = 0; i + 4 <= size && i < 64; i += 4) {
    int32_t offset;
    std::memcpy(&offset, data + i, 4);
    GetStringText(ctx, offset, (i & 4) != 0);
  }
  return 0;
}
