#include "platform/linux/xcb_library.h"

#include "platform/linux/shared_library.h"

namespace kestrel {

namespace {

struct Opened {
  XcbLibrary table;
  bool ok = false;
  std::string error;
};

Opened OpenOnce() {
  Opened o;
  void* library = OpenSharedLibrary("libxcb.so.1", o.error);
  if (library == nullptr) return o;
#define KESTREL_XCB_RESOLVE(name)                                                              \
  o.table.name = reinterpret_cast<decltype(o.table.name)>(LibrarySymbol(library, #name, o.error)); \
  if (o.table.name == nullptr) return o;
  KESTREL_XCB_FUNCTIONS(KESTREL_XCB_RESOLVE)
#undef KESTREL_XCB_RESOLVE
  o.ok = true;
  return o;
}

const Opened& Library() {
  static const Opened opened = OpenOnce();
  return opened;
}

}  // namespace

bool OpenXcb(std::string& error) {
  if (!Library().ok) error = Library().error;
  return Library().ok;
}

const XcbLibrary& Xcb() { return Library().table; }

}  // namespace kestrel
