// Which Ui a run of the program gets, from KESTREL_UI and the display:
//   KESTREL_UI=headless   the headless Ui (standard error, KESTREL_ANSWERS)
//   KESTREL_UI=qt         the desktop Ui; without a display an error
//   unset or empty        the desktop Ui when WAYLAND_DISPLAY is set or
//                         DISPLAY names an X display that opens, else the
//                         headless Ui
//   any other value       an error
//
// The desktop Ui (Qt) is a module of its own, kestrel-qt-ui.so, opened only
// when that Ui is chosen: a headless run never loads the toolkit. The module
// is looked for beside the program (the build folder), then in the library
// folder of an installed program (kUiModuleFolder, relative to the program's
// folder).
#pragma once

#include <string>

#include "platform/linux/linux_platform.h"

namespace kestrel {

enum class UiKind { Headless, Desktop };

// The desktop Ui module's file name.
inline constexpr const char* kUiModuleName = "kestrel-qt-ui.so";

// false with the operator's error text when the setting cannot be met.
bool ChooseUiKind(const std::string& setting, bool displayPresent, UiKind& kind, std::string& error);
// The same from the process environment.
bool ChooseUiKindFromEnvironment(UiKind& kind, std::string& error);

// The maker of a Ui of that kind (baseDir as for QtUi: the system's base
// folder). The desktop Ui's module is opened here; false with the reason
// when it cannot be.
bool LoadUiMaker(UiKind kind, UiMaker& maker, std::string& error);

}  // namespace kestrel
