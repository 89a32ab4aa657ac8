#include "platform/linux/cups_library.h"

#include "platform/linux/shared_library.h"

namespace kestrel {

namespace {

struct Opened {
  CupsLibrary table;
  bool ok = false;
  std::string error;
};

Opened OpenOnce() {
  Opened o;
  void* library = OpenSharedLibrary("libcups.so.2", o.error);
  if (library == nullptr) return o;
#define KESTREL_CUPS_RESOLVE(name)                                                              \
  o.table.name = reinterpret_cast<decltype(o.table.name)>(LibrarySymbol(library, #name, o.error)); \
  if (o.table.name == nullptr) return o;
  KESTREL_CUPS_FUNCTIONS(KESTREL_CUPS_RESOLVE)
#undef KESTREL_CUPS_RESOLVE
  o.ok = true;
  return o;
}

const Opened& Library() {
  static const Opened opened = OpenOnce();
  return opened;
}

}  // namespace

bool OpenCups(std::string& error) {
  if (!Library().ok) error = Library().error;
  return Library().ok;
}

const CupsLibrary& Cups() { return Library().table; }

}  // namespace kestrel
