// The system menu's request for one print run, and who asked for it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kestrel {

// Who called PrintMain.
enum PrintRunMode {
  kRunFromMenu = 0,              // the system menu's print
  kRunFromMenuWithAnalysis = 1,  // the same, with all five analysis filters
  kRunFromCommandLine = 2,       // FormCreate
};

// The system menu's request for one print run. For run modes other than
// kRunFromCommandLine its fields replace the settings before the print path
// (plog in every mode, when not 0). The command line passes all zeros.
struct RunRequest {
  int32_t CompulsionPaper = 0;
  int32_t pmap_flg = 0;
  int32_t alog = 0;
  // Analysis filters 1-5 (fill patterns, line types, circles, character
  // classes, typefaces); 2-5 are taken in kRunFromMenuWithAnalysis only.
  std::array<std::string, 5> analysisFilters;
  int32_t jpeg = 0;
  int32_t pdat_flg = 0;  // also pdat2
  int32_t width_flg = 0;
  double pmag_flg = 0.0;
  int32_t perr_flg = 0;
  int32_t ppaper_check = 0;
  int32_t plog = 0;
  int32_t formMethod = 0;  // batchMode: 0 one sheet per document, 1 several
  int32_t lastItem = 0;    // lastFile, initial value
  int32_t pdfOutput = 0;   // initial value
  int32_t jdpi = 0;
  int32_t wait_time = 0;
  int32_t AskPrinter = 0;
  int32_t labelFlag = 0;   // suppressDebugLabel
};

}  // namespace kestrel
