// Which Ui a run of the program gets, from KESTREL_UI and the display:
//   KESTREL_UI=headless   the headless Ui (standard error, KESTREL_ANSWERS)
//   KESTREL_UI=qt         the desktop Ui; without a display an error
//   unset or empty        the desktop Ui when WAYLAND_DISPLAY is set or
//                         DISPLAY names an X display that opens, else the
//                         headless Ui
//   any other value       an error
#pragma once

#include <memory>
#include <string>

#include "platform/ui.h"

namespace kestrel {

enum class UiKind { Headless, Desktop };

// false with the operator's error text when the setting cannot be met.
bool ChooseUiKind(const std::string& setting, bool displayPresent, UiKind& kind, std::string& error);
// The same from the process environment.
bool ChooseUiKindFromEnvironment(UiKind& kind, std::string& error);

// A Ui of that kind; baseDir as for QtUi.
std::unique_ptr<Ui> MakeUi(UiKind kind, const std::string& baseDir);

}  // namespace kestrel
