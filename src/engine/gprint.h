#pragma once

#include <string>

#include "engine/print_context.h"

namespace kestrel {

// Renders one print-data file onto the current output. Returns 0, or -1
// with the text in lastErrorMessage. When a failure must end the process
// (no caller's window), ctx.exitCode is set to the code to end with.
// image: the page bitmap for JPEG output (outputMode 1), else null.
// jpegFolder: folder for JPEG files, ending in a separator.
int gprint(PrintContext& ctx, const std::string& dataFile, PageImage* image, const std::string& jpegFolder);

// Aborts the open print document (the spooler discards it).
void AbortPrintJob(PrintContext& ctx);

}  // namespace kestrel
