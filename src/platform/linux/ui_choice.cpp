#include "platform/linux/ui_choice.h"

#include <cstdlib>
#include <filesystem>

#include "platform/headless/headless_ui.h"
#include "platform/loader/shared_library.h"
#include "platform/linux/xcb_library.h"
#include "platform/system.h"

#ifndef KESTREL_UI_MODULE_FOLDER
#define KESTREL_UI_MODULE_FOLDER "../lib/kestrel"
#endif

namespace kestrel {

namespace {

// The module's one entry: a new desktop Ui (owned by the caller).
using MakeQtUiFunction = Ui* (*)(const char* baseDir);
constexpr const char* kMakeQtUiSymbol = "kestrel_make_qt_ui";

}  // namespace

bool ChooseUiKind(const std::string& setting, bool displayPresent, UiKind& kind, std::string& error) {
  if (setting == "headless") {
    kind = UiKind::Headless;
    return true;
  }
  if (setting == "qt") {
    if (!displayPresent) {
      error = "KESTREL_UI=qt needs a display, but neither DISPLAY nor WAYLAND_DISPLAY names one that opens";
      return false;
    }
    kind = UiKind::Desktop;
    return true;
  }
  if (!setting.empty()) {
    error = "KESTREL_UI=" + setting + " is not a Ui of this program (qt or headless)";
    return false;
  }
  kind = displayPresent ? UiKind::Desktop : UiKind::Headless;
  return true;
}

bool ChooseUiKindFromEnvironment(UiKind& kind, std::string& error) {
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0';
  };
  // An X display that cannot be opened (a stale DISPLAY of a closed
  // session) is no display: the run goes on without windows.
  auto opens = [] {
    std::string reason;
    if (!OpenXcb(reason)) return false;
    xcb_connection_t* c = Xcb().xcb_connect(nullptr, nullptr);
    const bool ok = Xcb().xcb_connection_has_error(c) == 0;
    Xcb().xcb_disconnect(c);
    return ok;
  };
  const bool display = set("WAYLAND_DISPLAY") || (set("DISPLAY") && opens());
  const char* setting = std::getenv("KESTREL_UI");
  return ChooseUiKind(setting == nullptr ? "" : setting, display, kind, error);
}

bool LoadUiMaker(UiKind kind, UiMaker& maker, std::string& error) {
  if (kind == UiKind::Headless) {
    maker = [](System&) -> std::unique_ptr<Ui> { return std::make_unique<HeadlessUi>(); };
    return true;
  }
  const std::string folder = ProgramFolder();
  std::string path = folder + kUiModuleName;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) path = folder + KESTREL_UI_MODULE_FOLDER + "/" + kUiModuleName;
  std::string reason;
  void* module = OpenSharedLibrary(path, reason);
  void* entry = module != nullptr ? LibrarySymbol(module, kMakeQtUiSymbol, reason) : nullptr;
  if (entry == nullptr) {
    error = "the desktop Ui cannot be loaded (" + reason + "); KESTREL_UI=headless runs without windows";
    return false;
  }
  auto make = reinterpret_cast<MakeQtUiFunction>(entry);
  maker = [make](System& system) { return std::unique_ptr<Ui>(make(system.BaseDir().c_str())); };
  return true;
}

}  // namespace kestrel
