#include "platform/qt/ui_choice.h"

#include <xcb/xcb.h>

#include <cstdlib>

#include "platform/headless/headless_ui.h"
#include "platform/qt/qt_ui.h"

namespace kestrel {

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
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool ok = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return ok;
  };
  const bool display = set("WAYLAND_DISPLAY") || (set("DISPLAY") && opens());
  const char* setting = std::getenv("KESTREL_UI");
  return ChooseUiKind(setting == nullptr ? "" : setting, display, kind, error);
}

std::unique_ptr<Ui> MakeUi(UiKind kind, const std::string& baseDir) {
  if (kind == UiKind::Desktop) return std::make_unique<QtUi>(baseDir);
  return std::make_unique<HeadlessUi>();
}

}  // namespace kestrel
