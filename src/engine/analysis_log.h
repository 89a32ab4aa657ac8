// The analysis log: the job log's lines plus one block per drawn command.
#pragma once

#include <string_view>

#include "engine/print_context.h"

namespace kestrel {

// Opens a new analysis log for the page and writes its opening line.
void OpenAnalysisLog(PrintContext& ctx);
// Appends a Shift-JIS text as it stands.
void AnalysisWrite(PrintContext& ctx, SjisView text);
// The page counts at the end of a page.
void WriteAnalysisCounts(PrintContext& ctx);

}  // namespace kestrel
