#include "app/program_log.h"

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/engine_log.h"
#include "util/numbers.h"
#include "util/paths.h"
#include "util/text_codec.h"
#include "util/local_time.h"

namespace kestrel {

namespace fs = std::filesystem;

namespace {

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

void WriteSjis(std::FILE* f, std::string_view utf8) {
  SjisString bytes = SjisFromUtf8(utf8);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fflush(f);
}

}  // namespace

std::string LogTimeStamp(const std::tm& t) {
  return Format("%04d%02d%02d_%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min,
                t.tm_sec);
}

std::string JobLogName(const std::string& baseDir, const std::string& firstItem, const std::tm& local) {
  return ProductPath(baseDir, "zoq\\plog") + "/" + WithoutExtension(FileNameOf(firstItem)) + "_" +
         LogTimeStamp(local) + ".txt";
}

ProgramLog::ProgramLog(RunSettings& settings, Services services)
    : settings_(settings), services_(services), files_(services.system) {}

void ProgramLog::CreateLogFolders() {
  std::string plogFolder = ProductPath(settings_.BaseDir, "zoq\\plog");
  if (!Exists(plogFolder) && files_.MakeFolder(plogFolder, 0) != 0) {
    services_.ui.ShowMessage(
        "ログフォルダの作成に失敗したため、ログは出力されません\nデバッグモードの場合は動作に異常が発生する可能性があります。",
        MessageKind::Warning);
    settings_.plog = 0;
  }
  std::string palogFolder = ProductPath(settings_.BaseDir, "zoq\\palog");
  if (!Exists(palogFolder) && files_.MakeFolder(palogFolder, 0) != 0) {
    services_.ui.ShowMessage(
        "解析ログフォルダの作成に失敗したため、解析ログは出力されません\nデバッグモードの場合は動作に異常が発生する可能性があります。",
        MessageKind::Warning);
    settings_.alog = 0;
  }
}

int ProgramLog::OpenProgramLog() {
  return OpenProgramLogAt(LocalTimeNow());
}

int ProgramLog::OpenProgramLogAt(const std::tm& local) {
  if (settings_.plog == 0) {
    stream_.reset();
    return 0;
  }
  const std::string path = ProductPath(settings_.BaseDir, "zoq\\plog\\plog_" + LogTimeStamp(local) + ".txt");
  settings_.LogPath = path;
  int mode = kModeCreate;
  bool emptyFirst = false;  // an existing file too long to append to
  if (!stream_ && Exists(path)) {
    std::error_code ec;
    uintmax_t size = fs::file_size(path, ec);
    if (ec) {
      settings_.plog = 0;
      return 0;
    }
    if (size < kAppendLimit) mode = kModeAppend;
    emptyFirst = mode == kModeCreate;
  }
  if (!stream_) {
    // Opened for appending in both modes (a file too long to append to is
    // emptied first): runs started in the same second share this file, and
    // a writer that kept its own position would write over the others.
    if (emptyFirst) {
      std::error_code ec;
      fs::resize_file(path, 0, ec);
    }
    stream_.reset(std::fopen(path.c_str(), "ab"));
    if (!stream_) {
      int error = services_.system.LastError();
      settings_.plog = 0;
      ShowSystemError(Format("gprintMain : LogFile Open Errorの為、ログは残りません\n%s(%d)", path.c_str(), mode),
                      error);
      return 0;
    }
  }
  std::fseek(stream_.get(), 0, SEEK_END);
  WriteSjis(stream_.get(), "\n■■■■■■■■■■【 Kestrel印刷処理メインループ開始 】■■■■■■■■■■\n");
  return settings_.plog;
}

void ProgramLog::WriteLog(std::string_view text, int kind) {
  if (settings_.plog != 0 && stream_) {
    WriteSjis(stream_.get(), text);
    return;
  }
  if (kind == kLogCritical && !stream_) WriteCritical(text);
}

void ProgramLog::WriteLogf(int kind, const char* format, ...) {
  va_list args;
  va_start(args, format);
  char small[1024];
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  std::string text;
  if (n >= 0 && size_t(n) < sizeof small) {
    text.assign(small, size_t(n));
  } else if (n >= 0) {
    text.resize(size_t(n) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(size_t(n));
  }
  va_end(args);
  WriteLog(text, kind);
}

void ProgramLog::WriteCritical(std::string_view text) {
  const std::string& path = settings_.CriticalLogPath;
  const int mode = Exists(path) ? kModeAppend : kModeCreate;
  FileStream f(path.empty() ? nullptr : std::fopen(path.c_str(), "ab"));
  bool written = false;
  int error = 0;
  if (f) {
    SjisString line = SjisFromUtf8("@@@@@@@ 例外発生 @@@@@@：");
    line += SjisFromUtf8(text);
    line += "\n";
    written = std::fwrite(line.data(), 1, line.size(), f.get()) == line.size();
    written = std::fclose(f.release()) == 0 && written;
  }
  if (!written) error = services_.system.LastError();
  if (written) return;
  std::string message =
      Format("CriticalLog Error: LogFile Open Errorの為、ログは残りません\n%s(%d)\n", path.c_str(), mode);
  services_.ui.ShowMessage(message, MessageKind::Error);
  ShowSystemError(message, error);
}

std::string ProgramLog::ShowSystemError(const std::string& text, int code) {
  std::string system = services_.system.ErrorText(code);
  services_.ui.ShowMessage(text + "\n" + system, MessageKind::Error);
  return system;
}

void ProgramLog::DumpSettings(const PrintContext& ctx) {
  const RunSettings& s = settings_;
  WriteLogf(0, "【線の太さ計算時の端数処理】: width_flg[%d]\n", ctx.widthFlag);
  WriteLogf(0, "【塗り潰しパターン】: pmap_flg[%d]\n", ctx.fillMethod);
  WriteLogf(0, "【エラー時の処理指定(Kestrelでは未使用】: perr_flg[%d]\n", ctx.setPrinterErrorMode);
  WriteLogf(0, "【用紙サイズ判定処理指定】: ppaper_check[%d]\n", ctx.paperCheckMode);
  WriteLogf(0, "【両面印刷指定】: Dup[%d]\n", ctx.duplexSetting);
  // The scale factor is a real number (0.95 shrinks A4 data on A4 paper);
  // it is written in its shortest decimal form, "0.95", so the line says
  // what the engine uses rather than a whole number.
  WriteLogf(0, "【縮尺指定】: pmag_flg[%s]\n", FormatReal(ctx.scaleSetting).c_str());
  WriteLogf(0, "【印刷用紙指定】: CompulsionPaper[%d]\n", ctx.compulsionPaper);
  WriteLogf(0, "【印刷終了コマンド発行待ち時間】: wait_time[%ld]\n", long(ctx.waitTime));
  WriteLogf(0, "【印刷データ削除指定】: pdat_flg[%d]\n", ctx.keepPrintData);
  WriteLogf(0, "【帳票印刷方法】: [%d] (0:１枚処理、1:複数一括処理)\n", ctx.batchMode);
  WriteLogf(0, "【PDF出力指定】 : [%d] (0:PDF出力しない、1:PDF出力する)\n", ctx.pdfOutput);
  WriteLogf(0, "【kestrel.infパス】: [%s]\n", s.SettingsPath.c_str());
  WriteLogf(0, "【例外エラー出力パス】 : [%s]\n", s.CriticalLogPath.c_str());
  WriteLogf(0, "【外部OCRフォント指定ファイルパス】: [%s]\n", s.OcrFontFilePath.c_str());
  WriteLogf(0, "【オフセット指定ファイルパス】: [%s]\n", s.OffsetFilePath.c_str());
  WriteLogf(0, "【基本OCRフォント名】: [%s]\n", s.OcrFontPath.c_str());
  WriteLogf(0, "【メッセージ送信Windowハンドル】: [%llu]\n", static_cast<unsigned long long>(s.ParentWindow));
  WriteLogf(0, "【印刷ログファイル名】: [%s]\n", s.LogPath.c_str());
  WriteLogf(0, "【印刷明朝フォント名】: [%s]\n", s.pFontMin.c_str());
  WriteLogf(0, "【印刷ゴシックフォント名】: [%s]\n", s.pFontGot.c_str());
  WriteLogf(0, "【半角印刷特定文字明朝フォント名】: [%s]\n", s.pStringFontMin.c_str());
  WriteLogf(0, "【半角印刷特定文字ゴシックフォント名】: [%s]\n", s.pStringFontGot.c_str());
  WriteLogf(0, "【全角印刷特定文字明朝フォント名】: [%s]\n", s.pStringFontMin2.c_str());
  WriteLogf(0, "【全角印刷特定文字ゴシックフォント名】: [%s]\n", s.pStringFontGot2.c_str());
}

}  // namespace kestrel
