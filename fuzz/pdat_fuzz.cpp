// The pdat text form: any bytes dump to text that compiles back to the same
// bytes, and any text either compiles or is refused with a line and reason.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fuzz_support.h"
#include "pdat_text.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), true);
  (void)ready;
  std::string text = pdat::DumpText(data, size);
  std::vector<uint8_t> back;
  pdat::CompileError error;
  if (!pdat::CompileText(text, &back, &error) || back != std::vector<uint8_t>(data, data + size)) {
    std::fprintf(stderr, "round trip failed at line %d: %s\n", error.line, error.message.c_str());
    std::abort();
  }
  std::vector<uint8_t> out;
  if (!pdat::CompileText(std::string_view(reinterpret_cast<const char*>(data), size), &out, &error) &&
      error.message.empty()) {
    std::abort();
  }
  return 0;
}
