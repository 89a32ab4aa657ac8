// Printer choice, the Paper stage and the device-mode set-up of a job.
#pragma once

#include <string>

#include "engine/print_context.h"

namespace kestrel {

// 0 chosen, -1 no printer installed, -2 PDF device choice cancelled,
// -3 printer dialog cancelled. Selects the printer and sets deviceName.
int ChoosePrinter(PrintContext& ctx);
// Position of name in the system's printer list (exact match), or -1.
int FindPrinterIndex(PrintContext& ctx, const std::string& name);
// The Paper stage for the Paper command at index; 0 or -1..-5.
int gprint_paper(PrintContext& ctx, int index, PageImage* image);
// Opens deviceName and fetches its default device mode; 0 or an error code.
int GetPrinterInfo(PrintContext& ctx);
int SetPrinterProperty(PrintContext& ctx, int paperCheckMode);
// The device's paper constant to use, or -99999 when not supported.
int CheckPaperSize(PrintContext& ctx, int paperConstant, int width, int height);
// 0 when the device duplexes, -99 when not.
int CheckDuplex(PrintContext& ctx);
// After PDF output: selects the system default printer again.
void RestoreDefaultPrinter(PrintContext& ctx);
// End of a job: releases the device mode and closes the printer; 0 or -1
// with lastErrorMessage set.
int ReleasePrinter(PrintContext& ctx);

}  // namespace kestrel
