// pdat render: a quick look at a page. Draws one print-data page (or its
// text form) through the engine and canvases a print uses, as a PNG
// picture through the JPEG pages' raster canvas or as a PDF through the
// built-in PDF device, with the settings' defaults: no settings file, no
// log and no base folder is read or written. Everything it makes lies in
// a folder of its own beside the output until the output is renamed into
// place.
#pragma once

#include <string>
#include <vector>

namespace kestrel::pdat {

struct RenderRequest {
  std::string input;   // a print-data file, or its text form (*.txt)
  int dpi = 150;       // of a PNG picture (a PDF has its device's own)
  std::string output;  // *.png or *.pdf
  bool pdf = false;
};

// The picture's resolutions that can be asked for.
constexpr int kLeastRenderDpi = 10;
constexpr int kMostRenderDpi = 1200;

// Reads "FILE [-r DPI] [-o OUT]"; without -o, OUT is FILE with ".txt" and
// ".pdat" taken off and ".png" put on. False with the reason for anything
// else.
bool ParseRenderArguments(const std::vector<std::string>& args, RenderRequest& request, std::string& error);

// Draws the page. 0 done; 1 with a message on standard error.
int Render(const RenderRequest& request);

}  // namespace kestrel::pdat
