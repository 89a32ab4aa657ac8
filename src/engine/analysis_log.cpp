#include "engine/analysis_log.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "engine/engine_log.h"
#include "engine/job_failure.h"
#include "util/comma_list.h"
#include "util/paths.h"
#include "util/local_time.h"
#include "platform/native_path.h"

namespace kestrel {

namespace fs = std::filesystem;

namespace {
// Names one second can give before the creation counts as failed.
constexpr int kMaxSameSecondLogs = 1000;
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

  std::error_code ec;
  fs::create_directories(FsPath(folder), ec);
  // The file is created exclusively: a page that started in the same
  // second, in this run or in another process, already holds the name, and
  // this page takes the next one ("_2", "_3", ...) instead of replacing
  // that page's log and JPEG.
  int error = 0;
  for (int n = 1; n <= kMaxSameSecondLogs; ++n) {
    ctx.log.analysisLogPath = folder + stamp + (n == 1 ? std::string() : "_" + std::to_string(n)) + ".txt";
    ctx.log.analysisLogStream.reset(OpenFile(ctx.log.analysisLogPath, "wbx"));
    error = errno;
    if (ctx.log.analysisLogStream || error != EEXIST) break;
  }
  if (!ctx.log.analysisLogStream) {
    const std::string reason = std::error_code(error, std::generic_category()).message();
    throw JobFailure(Format("  ■解析ログ作成エラー(%s : %s)\n", ctx.log.analysisLogPath.c_str(), reason.c_str()));
  }
  AnalysisLine(ctx, "########## 解析ログ出力開始 ############");
}

void AnalysisWrite(PrintContext& ctx, SjisView text) {
  if (ctx.log.analysisLogStream) std::fwrite(text.data(), 1, text.size(), ctx.log.analysisLogStream.get());
}

void AnalysisLine(PrintContext& ctx, std::string_view utf8) {
  if (!ctx.log.analysisLogStream) return;
  AnalysisWrite(ctx, SjisFromUtf8(utf8));
  AnalysisWrite(ctx, "\n");
}

void WriteAnalysisCounts(PrintContext& ctx) {
  AnalysisLine(ctx, Format("【総データ数】：[%d]", ctx.page.commandCount));
  AnalysisLine(ctx, Format("【パレットコマンド数】：[%d]", ctx.page.counts.palette));
  AnalysisLine(ctx, Format("【塗り潰しコマンド数】：[%d]", ctx.page.counts.paint));
  AnalysisLine(ctx, Format("【線コマンド数】：[%d]", ctx.page.counts.line));
  AnalysisLine(ctx, Format("【円コマンド数】：[%d]", ctx.page.counts.circle));
  AnalysisLine(ctx, Format("【文字コマンド数】：[%d]", ctx.page.counts.string));
  AnalysisLine(ctx, "");
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
