#include "platform/pdf/harfbuzz_library.h"

#include "platform/loader/shared_library.h"

namespace kestrel {

KESTREL_LOADED_LIBRARY(HarfBuzzLibrary, KESTREL_HARFBUZZ_FUNCTIONS, "libharfbuzz-subset.so.0", OpenHarfBuzz, HarfBuzz)

}  // namespace kestrel
