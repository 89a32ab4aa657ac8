#include "platform/linux/xcb_library.h"

#include "platform/loader/shared_library.h"

namespace kestrel {

namespace {

const LoadedTable<XcbLibrary>& Library() {
  static const LoadedTable<XcbLibrary> loaded =
      LoadTable<XcbLibrary>("libxcb.so.1", [](void* library, XcbLibrary& table, std::string& error) {
#define KESTREL_RESOLVE(name) \
  if (!ResolveFunction(library, #name, table.name, error)) return false;
        KESTREL_XCB_FUNCTIONS(KESTREL_RESOLVE)
#undef KESTREL_RESOLVE
        return true;
      });
  return loaded;
}

}  // namespace

bool OpenXcb(std::string& error) {
  if (!Library().ok) error = Library().error;
  return Library().ok;
}

const XcbLibrary& Xcb() { return Library().table; }

}  // namespace kestrel
