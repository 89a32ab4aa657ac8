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

// The folder of the running program, with a trailing '/' (empty when the
// system cannot tell).
std::string ProgramFolder();

}  // namespace kestrel
