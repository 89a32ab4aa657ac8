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

// The folder of the running program, with a trailing '/' (empty when the
// system cannot tell).
std::string ProgramFolder();

}  // namespace kestrel
