#pragma once

#include <string>

#include "engine/print_context.h"

namespace kestrel {

// The JPEG file of a page (.png with output.pngPages): beside the analysis log when that is on, else
// beside the data file (jpegFolder empty) or in jpegFolder, which is put
// directly before the file name.
std::string JpegFileName(const PrintContext& ctx, const std::string& dataFile, const std::string& jpegFolder);
// The name with its extension replaced (appended when it has none).
std::string ChangeExtension(const std::string& path, const std::string& extension);

// Saves the rendered page as a JPEG file at the context's quality (a PNG
// file with output.pngPages); throws
// JobFailure (with the system's reason) when the file cannot be written.
void SaveJpegPage(PrintContext& ctx, PageImage& image, const std::string& dataFile, const std::string& jpegFolder);

}  // namespace kestrel
