#include "platform/linux/cups_library.h"

#include "platform/loader/shared_library.h"

namespace kestrel {

namespace {

const LoadedTable<CupsLibrary>& Library() {
  static const LoadedTable<CupsLibrary> loaded =
      LoadTable<CupsLibrary>("libcups.so.2", [](void* library, CupsLibrary& table, std::string& error) {
#define KESTREL_RESOLVE(name) \
  if (!ResolveFunction(library, #name, table.name, error)) return false;
        KESTREL_CUPS_FUNCTIONS(KESTREL_RESOLVE)
#undef KESTREL_RESOLVE
        return true;
      });
  return loaded;
}

}  // namespace

bool OpenCups(std::string& error) {
  if (!Library().ok) error = Library().error;
  return Library().ok;
}

const CupsLibrary& Cups() { return Library().table; }

}  // namespace kestrel
