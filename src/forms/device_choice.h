// The uses of the device selection dialog: the engine's wrapper and the
// choices made from the command line and the system menu.
#pragma once

#include <string>

#include "platform/print_system.h"
#include "platform/ui.h"
#include "util/list_file.h"

namespace kestrel {

// Runs the device selection dialog over every installed printer, in the
// printing system's order. Each text replaces the dialog's own only when it
// is not empty. Returns a device name, "", "Cancel" or "Default" (see
// forms/device_selection.h). Exceptions of the dialog reach the caller.
std::string RunDeviceSelection(Ui& ui, PrintSystem& printers, const std::string& caption, const std::string& heading,
                               const std::string& noSelectionMessage);

// Texts of the output-printer choice of a print job.
extern const char* const kOutputPrinterCaption;
extern const char* const kOutputPrinterHeading;
extern const char* const kOutputPrinterNoSelectionMessage;
// Texts of the default-printer choice for Win-direct printing.
extern const char* const kWinDirectCaption;
extern const char* const kWinDirectHeading;
extern const char* const kWinDirectNoSelectionMessage;
// Texts of the paper-list device choice.
extern const char* const kPaperListCaption;
extern const char* const kPaperListHeading;
extern const char* const kPaperListNoSelectionMessage;

// The output printer of a print job (the operator asked to pick it).
std::string SelectOutputPrinter(Ui& ui, PrintSystem& printers);
// The PDF output device (the dialog's own texts); a Ui without an operator
// takes the built-in PDF device when no answer is left.
std::string SelectPdfDevice(Ui& ui, PrintSystem& printers);

// The system menu's PDF device choice: writes the result, whatever it is, to
// key "$path" of section "PDF" of the settings file. 0, or -1 after showing
// the failure (an exception, or the file could not be written).
int SelectPdfDeviceForSettings(Ui& ui, PrintSystem& printers, const std::string& settingsPath);

// The default printer for Win-direct printing (-winprt and the system
// menu): presets the stored choice of winPrinterSetPath, writes the new one
// back in double quotes ("" becomes "Default", "Cancel" keeps the stored
// one). 0, or -1 when the file could not be written.
int SelectWinDirectPrinter(Ui& ui, PrintSystem& printers, const std::string& winPrinterSetPath);

// The paper list of a device the operator picks: writes paperListPath for a
// non-empty result. Returns the paper list's result, kNoDeviceChosen when
// nothing was written (empty result), kUnreachable when the dialog failed
// (after its message).
ListResult WritePaperListOfChosenDevice(Ui& ui, PrintSystem& printers, const std::string& paperListPath);

}  // namespace kestrel
