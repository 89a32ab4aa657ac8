#pragma once

#include <string>

#include "engine/print_context.h"

namespace kestrel {

// Renders one print-data file onto the current output. Returns 0, or -1
// with the text in lastErrorMessage. When a failure must end the process
// (no caller's window), ctx.exitCode is set to the code to end with.
// Throws JobFailure when the page's analysis log cannot be created or its
// JPEG file cannot be saved (see engine/job_failure.h).
// The output (page_output.h): picture pages on image when output.jpegPages
// is set, else the printer's document; image is null then.
// jpegFolder: put directly before the JPEG file name (a folder ends in a
// separator; without one the value is a name prefix); empty: beside dataFile.
int gprint(PrintContext& ctx, const std::string& dataFile, PageImage* image, const std::string& jpegFolder);

// Aborts the open print document (the spooler discards it).
void AbortPrintJob(PrintContext& ctx);

}  // namespace kestrel
