#include "engine/analysis_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "engine/engine_log.h"
#include "engine/job_failure.h"
#include "util/comma_list.h"
#include "util/file_open.h"
#include "util/paths.h"
#include "util/local_time.h"
#include "platform/native_path.h"

namespace kestrel {

namespace fs = std::filesystem;

namespace {
// Names one second can give before the creation counts as failed.
constexpr int kMaxSameSecondLogs = 1000;
// Bytes of the budget kept for the cut line and the page's counts.
constexpr uint64_t kCountsRoom = 1024;

// The budget of a page's log: the operator's setting when it is a whole
// number of bytes, never below kAnalysisLogLeast; else kAnalysisLogLimit.
uint64_t AnalysisLogLimit(PrintContext& ctx) {
  const std::string setting = ctx.services.system.AnalysisLogLimitSetting();
  if (setting.empty() || setting.size() > 18 || setting.find_first_not_of("0123456789") != std::string::npos)
    return kAnalysisLogLimit;
  return std::max<uint64_t>(std::stoull(setting), kAnalysisLogLeast);
}

// Writes to the log whatever its budget (the cut line and the counts).
void PutAnalysis(JobLog& log, SjisView text) {
  if (!log.analysisLogStream) return;
  std::fwrite(text.data(), 1, text.size(), log.analysisLogStream.get());
  log.analysisLogBytes += text.size();
}
}  // namespace

bool CheckBaseDrive(PrintContext& ctx, std::string& base) {
  base = ctx.services.system.BaseDir();
  std::error_code ec;
  if (base.empty() || !fs::is_directory(FsPath(base), ec)) {
    ctx.services.ui.ShowMessage("基準ドライブに異常があります。", MessageKind::Error);
    ctx.exitCode = 1;
    return false;
  }
  return true;
}

void OpenAnalysisLog(PrintContext& ctx) {
  std::string base;
  if (!CheckBaseDrive(ctx, base)) throw std::runtime_error("基準ドライブに異常があります。");
  std::tm local = LocalTimeNow();
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "alog_%04d%02d%02d_%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  const std::string folder = ProductPath(base, "zoq\\palog\\");
  ctx.log.analysisLogStream.reset();
  ctx.log.analysisLogBytes = 0;
  ctx.log.analysisLogCut = false;
  ctx.log.analysisLogLimit = AnalysisLogLimit(ctx);

  MakeFoldersWithoutLinks(folder, ctx.options.baseDir);
  // The file is created exclusively: a page that started in the same
  // second, in this run or in another process, already holds the name, and
  // this page takes the next one ("_2", "_3", ...) instead of replacing
  // that page's log and JPEG.
  int error = 0;
  for (int n = 1; n <= kMaxSameSecondLogs; ++n) {
    ctx.log.analysisLogPath = folder + stamp + (n == 1 ? std::string() : "_" + std::to_string(n)) + ".txt";
    ctx.log.analysisLogStream.reset(CreateExclusively(ctx.log.analysisLogPath, ctx.options.baseDir, error));
    if (ctx.log.analysisLogStream || error != EEXIST) break;
  }
  if (!ctx.log.analysisLogStream) {
    // A link where the log should be: that page has no analysis log (nor
    // its JPEG page, which takes the log's name), and nothing is written
    // where the link points.
    if (IsLinkRefusal(error)) throw JobFailure(Format(kLinkRefusedLine, ctx.log.analysisLogPath.c_str()));
    const std::string reason = std::error_code(error, std::generic_category()).message();
    throw JobFailure(Format("  ■解析ログ作成エラー(%s : %s)\n", ctx.log.analysisLogPath.c_str(), reason.c_str()));
  }
  AnalysisLine(ctx, "########## 解析ログ出力開始 ############");
}

bool AnalysisLogTakesText(const PrintContext& ctx) {
  return ctx.log.analysisLogStream != nullptr && !ctx.log.analysisLogCut;
}

void AnalysisWrite(PrintContext& ctx, SjisView text) {
  JobLog& log = ctx.log;
  if (!AnalysisLogTakesText(ctx)) return;
  if (log.analysisLogBytes + text.size() + kCountsRoom <= log.analysisLogLimit) {
    PutAnalysis(log, text);
    return;
  }
  log.analysisLogCut = true;
  const std::string cut = Format("\n########## 解析ログが上限(%llu バイト)に達したため、以降の出力を省略しました ############\n",
                                 static_cast<unsigned long long>(log.analysisLogLimit));
  PutAnalysis(log, SjisFromUtf8(cut));
  EngineLogf(ctx, kLogInfo, "  解析ログが上限(%llu バイト)に達したため、以降の出力を省略しました(%s)\n",
             static_cast<unsigned long long>(log.analysisLogLimit), log.analysisLogPath.c_str());
}

void AnalysisLine(PrintContext& ctx, std::string_view utf8) {
  if (!AnalysisLogTakesText(ctx)) return;
  AnalysisWrite(ctx, SjisFromUtf8(utf8));
  AnalysisWrite(ctx, "\n");
}

bool AnalysisBlockWanted(PrintContext& ctx, std::string_view filter, int number, const char* stage) {
  if (ctx.log.analysisLog != 1) return false;
  const FilterMatch match = IsExcluded(filter, number);
  if (match == FilterMatch::kNotANumber)
    AnalysisLine(ctx, std::string("解析ログ処理中に") + stage + "で例外が発生し正しいログは出力されませんでした。");
  return match == FilterMatch::kNotListed;
}

void WriteAnalysisCounts(PrintContext& ctx) {
  // Within the room the budget keeps for them, also in a cut log.
  auto line = [&](const std::string& utf8) { PutAnalysis(ctx.log, SjisFromUtf8(utf8 + "\n")); };
  line(Format("【総データ数】：[%d]", ctx.page.commandCount));
  line(Format("【パレットコマンド数】：[%d]", ctx.page.counts.palette));
  line(Format("【塗り潰しコマンド数】：[%d]", ctx.page.counts.paint));
  line(Format("【線コマンド数】：[%d]", ctx.page.counts.line));
  line(Format("【円コマンド数】：[%d]", ctx.page.counts.circle));
  line(Format("【文字コマンド数】：[%d]", ctx.page.counts.string));
  line("");
  if (ctx.log.analysisLogStream) std::fflush(ctx.log.analysisLogStream.get());
}

FilterMatch IsExcluded(std::string_view filter, int number) {
  for (const std::string& item : SplitCommaList(filter)) {
    // A decimal integer: an optional sign and digits, nothing else.
    size_t i = 0;
    bool negative = false;
    if (i < item.size() && (item[i] == '+' || item[i] == '-')) negative = item[i++] == '-';
    if (i == item.size()) return FilterMatch::kNotANumber;
    long long value = 0;
    for (; i < item.size(); ++i) {
      if (item[i] < '0' || item[i] > '9' || value > 0x7FFFFFFF) return FilterMatch::kNotANumber;
      value = value * 10 + (item[i] - '0');
    }
    if (value > 0x7FFFFFFFLL + (negative ? 1 : 0)) return FilterMatch::kNotANumber;
    if ((negative ? -value : value) == number) return FilterMatch::kListed;
  }
  return FilterMatch::kNotListed;
}

}  // namespace kestrel
