// Libraries a run may never need (the desktop toolkit, the print system,
// the X connection) are opened when first used instead of at start, so that
// a run which does not use them does not pay for loading them.
#pragma once

#include <string>

namespace kestrel {

// Opens a shared library (a soname such as "libcups.so.2", or a path) with
// every symbol bound at once; it stays loaded until the process ends. null
// with the loader's reason in error when it cannot be opened.
void* OpenSharedLibrary(const std::string& name, std::string& error);

// A symbol of an opened library; null with the reason in error.
void* LibrarySymbol(void* library, const char* name, std::string& error);

// A table of a library's functions, filled once: open the library, then
// resolve(library, table, error) fills each pointer with ResolveFunction.
// ok false with the reason when the library or a function is missing.
template <typename Table>
struct LoadedTable {
  Table table{};
  bool ok = false;
  std::string error;
};

template <typename Table, typename Resolve>
LoadedTable<Table> LoadTable(const char* soname, Resolve resolve) {
  LoadedTable<Table> loaded;
  if (void* library = OpenSharedLibrary(soname, loaded.error); library != nullptr)
    loaded.ok = resolve(library, loaded.table, loaded.error);
  return loaded;
}

template <typename Function>
bool ResolveFunction(void* library, const char* name, Function& function, std::string& error) {
  function = reinterpret_cast<Function>(LibrarySymbol(library, name, error));
  return function != nullptr;
}

// The tables of the libraries opened on first use: LIST(X) names each
// function the program calls.
//   struct Table { LIST(KESTREL_FUNCTION_POINTER) };   in the header
//   KESTREL_LOADED_LIBRARY(Table, LIST, "libx.so.1", OpenX, X)   in one source
// defines bool OpenX(std::string& error) (opens the library once per
// process; false with the reason on every call when it or a function is
// missing) and const Table& X() (the table, after OpenX succeeded).
#define KESTREL_FUNCTION_POINTER(name) decltype(&::name) name = nullptr;
#define KESTREL_RESOLVE_FUNCTION(name) \
  if (!::kestrel::ResolveFunction(library, #name, table.name, error)) return false;
#define KESTREL_LOADED_LIBRARY(Table, LIST, soname, Open, Get)                                              \
  static const ::kestrel::LoadedTable<Table>& Get##Loaded() {                                               \
    static const ::kestrel::LoadedTable<Table> loaded =                                                     \
        ::kestrel::LoadTable<Table>(soname, [](void* library, Table& table, std::string& error) {          \
          LIST(KESTREL_RESOLVE_FUNCTION)                                                                    \
          return true;                                                                                      \
        });                                                                                                 \
    return loaded;                                                                                          \
  }                                                                                                         \
  bool Open(std::string& error) {                                                                           \
    if (!Get##Loaded().ok) error = Get##Loaded().error;                                                     \
    return Get##Loaded().ok;                                                                                \
  }                                                                                                         \
  const Table& Get() { return Get##Loaded().table; }

// The folder of the running program, with a trailing '/' (empty when the
// system cannot tell).
std::string ProgramFolder();

}  // namespace kestrel
