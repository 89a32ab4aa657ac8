#include "platform/linux/cups_library.h"

#include "platform/loader/shared_library.h"

namespace kestrel {

KESTREL_LOADED_LIBRARY(CupsLibrary, KESTREL_CUPS_FUNCTIONS, "libcups.so.2", OpenCups, Cups)

}  // namespace kestrel
