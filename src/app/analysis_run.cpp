#include "app/analysis_run.h"

namespace kestrel {

RunRequest PrintTabInitialRequest() {
  RunRequest r;
  r.CompulsionPaper = 0;
  r.pmap_flg = 1;
  r.pdat_flg = 1;
  r.ppaper_check = 1;
  r.jdpi = 350;
  return r;
}

RunRequest AnalysisRunRequest(RunRequest printTab, const ExclusionLists& lists) {
  printTab.alog = 1;
  printTab.jpeg = 1;
  for (size_t i = 0; i < lists.size(); ++i) printTab.analysisFilters[i] = lists[i];
  return printTab;
}

int RunAnalysisFromMenu(TForm1& form, const std::string& dataFile, const RunRequest& request) {
  return form.PrintMain({"-p", dataFile}, kRunFromMenuWithAnalysis, request);
}

}  // namespace kestrel
