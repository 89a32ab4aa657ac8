// The device selection dialog as a modal Win32 window over TSelPrn1, built
// from its layout (kDeviceDialogForm, forms/form_tables.h), centred; the
// device list's rows are 19 px. Clicks, double clicks, the
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
