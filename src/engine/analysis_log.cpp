#include "engine/analysis_log.h"

namespace kestrel {

void OpenAnalysisLog(PrintContext&) {}

void AnalysisWrite(PrintContext& ctx, SjisView text) {
  if (ctx.analysisLogStream) std::fwrite(text.data(), 1, text.size(), ctx.analysisLogStream.get());
}

void WriteAnalysisCounts(PrintContext&) {}

}  // namespace kestrel
