// The device selection dialog as a modal Win32 window over TSelPrn1: client
// area 428 x 390, colour RGB 136,136,255, centred; the heading (bold 16 px)
// at (8, 8, 412, 19), the device list (16 px, rows 19 px) at (8, 32, 410,
// 265), the status line (bold, white) at (8, 303, 410, 19) and the hint
// (bold, silver, wrapped) at (8, 328, 410, 52). Clicks, double clicks, the
// Enter and arrow keys and the close box become the dialog's actions; its
// questions are the Ui's message boxes.
#pragma once

#include <string>

#include "platform/ui.h"

namespace kestrel {

// Runs the dialog for the request; false when no window can be made (no
// desktop), the result otherwise.
bool RunDeviceDialogWindow(const DeviceDialogRequest& request, Ui& ui, std::string& result);

}  // namespace kestrel
