// The system menu's analysis run: RunFromMenu with run mode 1, as the
// analysis tab starts it and as `kestrel-tools analyse` starts it without a
// window.
#pragma once

#include <string>

#include "app/controller.h"
#include "forms/analysis_tabs.h"

namespace kestrel {

// The print settings tab's fields of a run request while the tab shows its
// first state: paper as the data says, fill method 1, paper check by size,
// 350 dpi, no log, no PDF, no printer dialog, the page label printed.
RunRequest PrintTabInitialRequest();

// An analysis run's request: the print settings tab's fields with alog 1,
// jpeg 1 and the five exclusion lists.
RunRequest AnalysisRunRequest(RunRequest printTab, const ExclusionLists& lists);

// PrintMain with the argument list "-p", dataFile (the chosen file without
// quotes) and run mode 1. The form's settings paths must be set.
int RunAnalysisFromMenu(TForm1& form, const std::string& dataFile, const RunRequest& request);

}  // namespace kestrel
