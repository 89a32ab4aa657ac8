// The CP932 converter both ways, and JIS pairs to Shift-JIS.
#include <vector>

#include "engine/print_data.h"
#include "fuzz_support.h"
#include "platform/text_codec.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), true);
  (void)ready;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string utf8 = Utf8FromSjis(bytes);
  SjisString back = SjisFromUtf8(utf8);
  SjisFromUtf8(bytes);
  std::vector<uint8_t> out(size + 1, 0);
  JisToSjis(data, size, out.data());
  return int(back.size() & 0);
}
