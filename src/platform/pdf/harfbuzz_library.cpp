#include "platform/pdf/harfbuzz_library.h"

#include "platform/loader/shared_library.h"

namespace kestrel {

namespace {

const LoadedTable<HarfBuzzLibrary>& Library() {
  static const LoadedTable<HarfBuzzLibrary> loaded =
      LoadTable<HarfBuzzLibrary>("libharfbuzz-subset.so.0", [](void* library, HarfBuzzLibrary& table, std::string& error) {
#define KESTREL_RESOLVE(name) \
  if (!ResolveFunction(library, #name, table.name, error)) return false;
        KESTREL_HARFBUZZ_FUNCTIONS(KESTREL_RESOLVE)
#undef KESTREL_RESOLVE
        return true;
      });
  return loaded;
}

}  // namespace

bool OpenHarfBuzz(std::string& error) {
  if (!Library().ok) error = Library().error;
  return Library().ok;
}

const HarfBuzzLibrary& HarfBuzz() { return Library().table; }

}  // namespace kestrel
