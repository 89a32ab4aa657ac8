#include "platform/loader/shared_library.h"

#include <dlfcn.h>

#include <filesystem>

namespace kestrel {

void* OpenSharedLibrary(const std::string& name, std::string& error) {
  void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : name + ": cannot be opened";
  }
  return library;
}

void* LibrarySymbol(void* library, const char* name, std::string& error) {
  dlerror();
  void* symbol = dlsym(library, name);
  if (symbol == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : std::string(name) + ": not found";
  }
  return symbol;
}

std::string ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !exe.has_parent_path()) return {};
  std::string folder = exe.parent_path().string();
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}

}  // namespace kestrel
