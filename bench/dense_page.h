// The dense form page of the benchmarks: A4 portrait with 3,000 lines
// of the five line types (solid lines take the pen width of the settings,
// broken lines are one pixel), 400 pattern fills, 30 circles and arcs and
// 60 strings of mixed character classes and faces. One deterministic
// generator gives the page in the pdat text form (compiled by the pdat
// tool or by CompileText) and as PostScript for a reference engine, so
// that both draw the same shapes.
#pragma once

#include <string>

namespace kestrel::bench {

// The page in the pdat text form (UTF-8).
std::string DensePageText();

// The same page as PostScript for Ghostscript. Japanese strings use the
// CID fonts named minchoFont and gothicFont with the 90ms-RKSJ-H CMap
// (Shift-JIS bytes); the process's text converter must be installed.
std::string DensePagePostScript(const std::string& minchoFont, const std::string& gothicFont);

}  // namespace kestrel::bench
