// The analysis log: per page, a Shift-JIS text file with the job log's
// lines, one block per drawn command and the page's command counts.
#pragma once

#include <string>
#include <string_view>

#include "engine/print_context.h"

namespace kestrel {

// The base folder (the drive root the program runs from); on failure the
// operator is told "基準ドライブに異常があります。", exitCode is set to 1
// and false returned.
bool CheckBaseDrive(PrintContext& ctx, std::string& base);

// Opens a new analysis log for the page (closing the previous one) and
// writes its opening line. The name is zoq/palog/alog_<yyyymmdd_hhnnss>.txt,
// or with "_2", "_3", ... when a page of the same second holds it: the file
// is created exclusively, never replaced. Throws JobFailure when the file
// cannot be created.
void OpenAnalysisLog(PrintContext& ctx);
// Each page's log holds at most kAnalysisLogLimit bytes (256 MiB,
// print_context.h; the operator's KESTREL_ANALYSIS_LOG_LIMIT, at least
// kAnalysisLogLeast, sets another): a text that would pass the budget less
// the room of the page's counts is left out, the log says it was cut, and
// the page goes on with everything but the counts left out of its log.
// Whether the page's log still takes text (open, not cut): a stage may
// skip making lines that would be left out.
bool AnalysisLogTakesText(const PrintContext& ctx);
// Appends a Shift-JIS text as it stands.
void AnalysisWrite(PrintContext& ctx, SjisView text);
// One line of a drawing stage: the UTF-8 text and a line feed.
void AnalysisLine(PrintContext& ctx, std::string_view utf8);
// The page counts at the end of a page.
void WriteAnalysisCounts(PrintContext& ctx);

// Whether a number is listed in a filter of the analysis log: a listed
// command is left out, and a filter that is not a list of numbers gives the
// stage's error line instead of the command's block.
enum class FilterMatch : int {
  kNotListed = 0,
  kListed = -1,
  kNotANumber = -99,  // an item met before a match is not a decimal integer
};
FilterMatch IsExcluded(std::string_view filter, int number);
// Whether a drawn command's block goes into the analysis log: the log is on
// and filter does not list number. A filter that is not a list of numbers
// gives the stage's error line ("解析ログ処理中に<stage>で例外が発生し正しい
// ログは出力されませんでした。") and no block.
bool AnalysisBlockWanted(PrintContext& ctx, std::string_view filter, int number, const char* stage);

}  // namespace kestrel
