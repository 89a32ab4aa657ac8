// Printer choice, the Paper stage and the device-mode set-up of a job.
//
// At the start of a job the engine picks the output device (the run's
// printer name, the default-printer file, the PDF device of the settings
// file, or the selected printer), then every Paper command of the first page
// opens the device, resets its device mode to the driver's defaults and
// writes paper, duplex, collation, orientation and copies into it. The
// device mode lives in the context (devMode, held while devModeHeld) and is
// handed to the print system, which uses it for the next document.
#pragma once

#include <string>

#include "engine/print_context.h"

namespace kestrel {

// Result of CheckPaperSize when the device lacks the paper (its other
// results are paper constants).
inline constexpr int kPaperNotSupported = -99999;

// What the duplex check finds.
enum class DuplexCheck : int {
  kCapable = 0,
  kNotCapable = -99,  // also when the query fails
};

// What the printer choice ends with.
enum class ChooseResult : int {
  kChosen = 0,
  kNoPrinter = -1,        // no printer installed
  kPdfCancelled = -2,     // the PDF device choice was cancelled (or failed)
  kDialogCancelled = -3,  // the printer dialog was cancelled
};

// What the Paper stage ends with.
enum class PaperStageResult : int {
  kDone = 0,
  kPrinterInfoFailed = -1,  // GetPrinterInfo gave an error code
  kPrinterInfoRaised = -2,  // GetPrinterInfo raised an error
  kPropertyFailed = -3,     // SetPrinterProperty gave an error code
  kPropertyRaised = -4,     // SetPrinterProperty raised an error
  kOrientationFailed = -5,  // the printer took no orientation or copies
};

// Selects the printer and sets deviceName.
ChooseResult ChoosePrinter(PrintContext& ctx);
// Position of name in the system's printer list (exact, case-sensitive
// match), or -1; an empty name gives -1.
int FindPrinterIndex(PrintContext& ctx, const std::string& name);
// The device selection dialog over the installed printers; the chosen name,
// or empty when the operator chose none. Empty texts keep the dialog's own.
// unattendedChoice: the device a Ui without an operator takes (see
// DeviceDialogRequest); the job log names it when it was taken so.
std::string RunDeviceSelection(PrintContext& ctx, const std::string& caption, const std::string& heading,
                               const std::string& noSelectionMessage, const std::string& unattendedChoice = {});
// The Paper stage for the Paper command at index.
PaperStageResult gprint_paper(PrintContext& ctx, int index);
// Opens deviceName and fetches its default device mode; 0 or the last
// error code met.
int GetPrinterInfo(PrintContext& ctx);
// Resets the selected device to its driver defaults and puts them into
// ctx.output.devMode; true when the device mode is held.
bool GetDevMode(PrintContext& ctx, const std::string& deviceName);
// Writes paper and duplex into the device mode and lets the device validate
// it; 0, -1, or an error code.
int SetPrinterProperty(PrintContext& ctx, int paperCheckMode);
// The device's paper constant to use, or kPaperNotSupported. Width and
// height in 0.1 mm; both non-zero compares sizes, otherwise constants.
int CheckPaperSize(PrintContext& ctx, int paperConstant, int width, int height);
// Whether the device duplexes.
DuplexCheck CheckDuplex(PrintContext& ctx);
// After PDF output: selects the system default printer again, resets its
// device mode and clears savedDefaultPrinter.
void RestoreDefaultPrinter(PrintContext& ctx);
// End of a job: releases the device mode and closes the printer; 0 or -1
// with lastErrorMessage set.
int ReleasePrinter(PrintContext& ctx);

}  // namespace kestrel
