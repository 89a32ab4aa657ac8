#include "engine/engine_log.h"

#include <cerrno>
#include <cstdarg>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "engine/analysis_log.h"
#include "platform/text_codec.h"
#include "util/file_open.h"
#include "util/local_time.h"
#include "platform/native_path.h"

namespace kestrel {

namespace fs = std::filesystem;

namespace {

constexpr int kOpenAppend = 2;
constexpr int kOpenCreate = 65535;
constexpr uintmax_t kAppendLimit = 31000;  // a log this size or larger is started anew

bool Exists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::exists(FsPath(path), ec);
}

std::string VFormat(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[512];
  int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return {};
  if (size_t(n) < sizeof small) return std::string(small, size_t(n));
  std::string out(size_t(n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), format, args);
  out.resize(size_t(n));
  return out;
}

void WriteBytes(std::FILE* f, SjisView bytes) {
  if (f != nullptr && !bytes.empty()) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fflush(f);
  }
}

}  // namespace

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string s = VFormat(format, args);
  va_end(args);
  return s;
}

void OpenEngineLog(PrintContext& ctx) {
  if (ctx.log.logEnabled == 0) return;
  const int mode = !ctx.log.logStream && Exists(ctx.log.logFileName) ? kOpenAppend : kOpenCreate;
  if (!ctx.log.logStream) {
    // Appending (runs printing files of the same name in the same second
    // share this log, and a writer with its own position would write over
    // the others' lines), never through a link; a file too long to append
    // to is emptied first, through the opened file itself.
    int error = 0;
    ctx.log.logStream.reset(OpenForAppend(ctx.log.logFileName, ctx.options.baseDir, error));
    if (!ctx.log.logStream) {
      ctx.log.logEnabled = 0;
      if (IsLinkRefusal(error)) {
        // Reported in the critical log; the job goes on without its log.
        EngineLogf(ctx, kLogError, kLinkRefusedLine, ctx.log.logFileName.c_str());
        return;
      }
      if (error == ENAMETOOLONG) {
        // Said where it is seen (standard error or the box of warnings, and
        // the critical log) rather than left for a failing job to show.
        const std::string& path = ctx.log.logFileName;
        const size_t name = path.size() - (path.find_last_of("/\\") + 1);
        const std::string text =
            Format("ジョブログのファイル名が長すぎる為、ログは残りません(ファイル名 %zu バイト)\n%s\n", name, path.c_str());
        ctx.services.ui.Warn(text);
        EngineLog(ctx, text, kLogError);
      }
      ctx.lastErrorMessage =
          Format("gprintMain : LogFile Open Errorの為、ログは残りません\n%s(%d)\n", ctx.log.logFileName.c_str(), mode);
      return;
    }
    if (OpenFileSize(ctx.log.logStream.get()) >= int64_t(kAppendLimit)) EmptyOpenFile(ctx.log.logStream.get());
  }
  EngineLog(ctx, "\n【■■■■■■■■■■ Kestrel 印刷処理スタート ■■■■■■■■■■】\n");
}

void EngineLogSjis(PrintContext& ctx, SjisView sjis, int level) {
  if (ctx.log.analysisLog == 1) {
    AnalysisWrite(ctx, sjis);
    AnalysisWrite(ctx, "\n");
  }
  if (ctx.log.logEnabled != 0) {
    if (ctx.log.logStream && std::fwrite(sjis.data(), 1, sjis.size(), ctx.log.logStream.get()) != sjis.size()) {
      // A log that cannot be written is switched off; the job goes on.
      ctx.log.logEnabled = 0;
      return;
    }
    if (ctx.log.logStream) std::fflush(ctx.log.logStream.get());
    return;
  }
  if (level != kLogError || ctx.log.logStream || ctx.options.exceptionLogPath.empty()) return;
  bool existed = Exists(ctx.options.exceptionLogPath);
  int error = 0;
  FileStream critical(OpenForAppend(ctx.options.exceptionLogPath, ctx.options.baseDir, error));
  if (!critical && IsLinkRefusal(error)) {
    // The critical log itself is a link: the line goes to standard error.
    ctx.services.ui.Warn(Format(kLinkRefusedLine, ctx.options.exceptionLogPath.c_str()) + Utf8FromSjis(sjis));
    return;
  }
  if (!critical) {
    ctx.log.logEnabled = 0;
    ctx.services.ui.ShowMessage(Format("CriticalLog Error : Open Errorの為、ログは残りません\n%s(%d)",
                                       ctx.options.exceptionLogPath.c_str(), existed ? kOpenAppend : kOpenCreate),
                                MessageKind::Error);
    return;
  }
  WriteBytes(critical.get(), SjisFromUtf8("@@@@@@@ 例外発生 @@@@@@："));
  WriteBytes(critical.get(), sjis);
  WriteBytes(critical.get(), "\n");
  if (ctx.log.analysisLog == 1) {
    AnalysisWrite(ctx, SjisFromUtf8("@@@@@@@@@@ 例外発生 @@@@@@@@@@"));
    AnalysisWrite(ctx, sjis);
  }
}

namespace {
// true when a line of this level would be written anywhere.
bool LogWanted(const PrintContext& ctx, int level) {
  return ctx.log.analysisLog == 1 || ctx.log.logEnabled != 0 ||
         (level == kLogError && !ctx.log.logStream && !ctx.options.exceptionLogPath.empty());
}
}  // namespace

void EngineLog(PrintContext& ctx, std::string_view utf8, int level) {
  if (!LogWanted(ctx, level)) return;
  EngineLogSjis(ctx, SjisFromUtf8(utf8), level);
}

void EngineLogf(PrintContext& ctx, int level, const char* format, ...) {
  if (!LogWanted(ctx, level)) return;
  va_list args;
  va_start(args, format);
  std::string s = VFormat(format, args);
  va_end(args);
  EngineLog(ctx, s, level);
}

int FailJobStep(PrintContext& ctx, const std::string& message, int level) {
  EngineLog(ctx, message, level);
  ctx.lastErrorMessage = message;
  return -1;
}

std::string FormatSystemError(PrintContext& ctx, int code) { return ctx.services.system.ErrorText(code); }

void WriteStartOfJobLines(PrintContext& ctx) {
  OpenEngineLog(ctx);

  std::string name;
  int error = 0;
  if (ctx.services.system.ComputerName(name, error)) {
    // At most 15 characters, as the system's computer names are.
    size_t chars = 0, i = 0;
    while (i < name.size() && chars < 15) {
      auto c = static_cast<unsigned char>(name[i]);
      size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      i += len;
      ++chars;
    }
    name.resize(std::min(i, name.size()));
    EngineLogf(ctx, kLogInfo, "【端末名取得】印刷を実行した端末のコンピュータ名：[%s]\n", name.c_str());
  } else {
    std::string line =
        Format("<<<<<<<<<< 印刷を実行した端末名の取得に失敗しました(%d) >>>>>>>>>>\n", error);
    EngineLog(ctx, line);
    ctx.lastErrorMessage = line;
  }

  if (Exists(ctx.options.ocrChoiceFilePath)) {
    EngineLogf(ctx, kLogInfo, "【外部OCRﾌｫﾝﾄ指定ﾌｧｲﾙ検索】 外部OCRﾌｫﾝﾄ指定ﾌｧｲﾙが存在しています。(%s)\n",
               ctx.options.ocrChoiceFilePath.c_str());
  } else {
    EngineLogf(ctx, kLogInfo, "【外部OCRﾌｫﾝﾄ指定ﾌｧｲﾙ検索】 外部OCRﾌｫﾝﾄ指定ﾌｧｲﾙが見つかりませんでした(%s)\n",
               ctx.options.ocrChoiceFilePath.c_str());
  }

  EngineLog(ctx, "【************** gprint() in Kestrel ****************】\n");
  EngineLogf(ctx, kLogInfo, "【ログファイル】= %d(0:ログオフ 1:ログオン)\n", ctx.log.logEnabled);
  EngineLogf(ctx, kLogInfo, "【ログファイル名】= %s\n", ctx.log.logFileName.c_str());
  EngineLogf(ctx, kLogInfo, "【印刷データファイル削除】= %d(0:削除 1:保存)\n", ctx.options.keepPrintData);
  EngineLogf(ctx, kLogInfo, "【計算時端数】= %d(0:四捨五入 1:切り捨て 2:切り上げ)\n", ctx.options.widthFlag);
  std::tm local = LocalTimeNow();
  // asctime's fixed form: "Wed Jun 30 21:49:08 1993\n".
  constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::string asc = Format("%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDays[local.tm_wday % 7], kMonths[local.tm_mon % 12],
                           local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, 1900 + local.tm_year);
  EngineLogf(ctx, kLogInfo, "【実行時間】= %s", asc.c_str());
  EngineLogf(ctx, kLogInfo, "【終了待ち時間】= %d mm/sec\n", ctx.options.waitTime);
  EngineLogf(ctx, kLogInfo, "【親Windowハンドル】= %d \n", int(ctx.options.parentWindow));
  EngineLogf(ctx, kLogInfo,
             "【SetPrinter時エラー処理(Kestrelでは未使用）】= %d(0:エラー処理有り、1:一部エラー処理無し、2:OS処理判別（テスト導入）) \n",
             ctx.options.setPrinterErrorMode);
  EngineLogf(ctx, kLogInfo, "【縮尺値指定】= %f(0:自動縮尺指定、0以外:指定縮尺指定) \n", ctx.options.scaleSetting);
  EngineLogf(ctx, kLogInfo, "【強制用紙指定】= %d(0:自動(データ通り)、1:A4、2:B4) \n", ctx.options.compulsionPaper);
}

void WritePathLines(PrintContext& ctx) {
  auto line = [&](const char* label, const std::string& path) {
    bool exists = Exists(path);
    EngineLogf(ctx, kLogInfo, "%s= [%s] : FileExist(%s)\n", label, path.c_str(), exists ? "true" : "false");
    return exists;
  };
  line("【ログファイルパス】", ctx.log.logFileName);
  line("【外部フォントファイルパス】", ctx.options.ocrChoiceFilePath);
  ctx.page.offsetFileFound = line("【オフセットファイルパス】", ctx.options.offsetFilePath);
}

}  // namespace kestrel
