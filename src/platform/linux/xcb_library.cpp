#include "platform/linux/xcb_library.h"

#include "platform/loader/shared_library.h"

namespace kestrel {

KESTREL_LOADED_LIBRARY(XcbLibrary, KESTREL_XCB_FUNCTIONS, "libxcb.so.1", OpenXcb, Xcb)

}  // namespace kestrel
