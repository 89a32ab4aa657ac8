#pragma once

#include <string>

#include "engine/print_context.h"

namespace kestrel {

// Saves the rendered page as a JPEG file in jpegFolder, named after the
// data file; 0 or -1 with lastErrorMessage set.
int SaveJpegPage(PrintContext& ctx, PageImage& image, const std::string& dataFile, const std::string& jpegFolder);

}  // namespace kestrel
