#include "app/program_log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "engine/engine_log.h"
#include "util/file_open.h"
#include "util/numbers.h"
#include "util/paths.h"
#include "platform/text_codec.h"
#include "util/local_time.h"
#include "platform/native_path.h"

namespace kestrel {

namespace fs = std::filesystem;

namespace {

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(FsPath(path), ec);
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
  std::string name = WithoutExtension(FileNameOf(firstItem));
  // A drive root's item ("C:\") names the log after its letter.
  if (name.size() == 2 && name[1] == ':') name.pop_back();
  // One plain file name: a colon would write a stream of another file on
  // NTFS, and the other characters a Windows name cannot hold are refused.
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
      c = '_';
  }
  // Never the program log's own name (plog_<time>.txt).
  std::string lowered = name;
  if (kWindowsFileNames)
    for (char& c : lowered) c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
  if (lowered == "plog") name += "-job";
  return ProductPath(baseDir, "zoq\\plog") + kPathSeparator + name + "_" + LogTimeStamp(local) + ".txt";
}

ProgramLog::ProgramLog(RunSettings& settings, Services services)
    : settings_(settings), services_(services), files_(services.system) {}

void ProgramLog::CreateLogFolders() {
  // Made one name at a time below the base folder, never through a link
  // planted there (a link is reported and that log is not written).
  auto make = [&](const std::string& folder) {
    const int error = MakeFoldersWithoutLinks(folder, settings_.BaseDir);
    if (IsLinkRefusal(error)) WriteCritical(Format(kLinkRefusedLine, folder.c_str()));
    return error == 0;
  };
  std::string plogFolder = ProductPath(settings_.BaseDir, "zoq\\plog");
  if (!Exists(plogFolder) && !make(plogFolder)) {
    services_.ui.ShowMessage(
        "ログフォルダの作成に失敗したため、ログは出力されません\nデバッグモードの場合は動作に異常が発生する可能性があります。",
        MessageKind::Warning);
    settings_.plog = 0;
  }
  std::string palogFolder = ProductPath(settings_.BaseDir, "zoq\\palog");
  if (!Exists(palogFolder) && !make(palogFolder)) {
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
  const int mode = !stream_ && Exists(path) ? kModeAppend : kModeCreate;
  if (!stream_) {
    // Opened for appending (runs started in the same second share this
    // file, and a writer that kept its own position would write over the
    // others), never through a link; a file too long to append to is
    // emptied first, through the opened file itself.
    int error = 0;
    stream_.reset(OpenForAppend(path, settings_.BaseDir, error));
    if (!stream_ && IsLinkRefusal(error)) {
      settings_.plog = 0;
      WriteCritical(Format(kLinkRefusedLine, path.c_str()));
      return 0;
    }
    if (!stream_) {
      settings_.plog = 0;
      ShowSystemError(Format("gprintMain : LogFile Open Errorの為、ログは残りません\n%s(%d)", path.c_str(), mode),
                      error);
      return 0;
    }
    if (OpenFileSize(stream_.get()) >= int64_t(kAppendLimit)) EmptyOpenFile(stream_.get());
  }
  path_ = path;
  std::fseek(stream_.get(), 0, SEEK_END);
  WriteSjis(stream_.get(), "\n■■■■■■■■■■【 Kestrel印刷処理メインループ開始 】■■■■■■■■■■\n");
  return settings_.plog;
}

void ProgramLog::WriteLog(std::string_view text, LogLevel level) {
  if (settings_.plog != 0 && stream_) {
    WriteSjis(stream_.get(), text);
    return;
  }
  if (level == kLogError && !stream_) WriteCritical(text);
}

void ProgramLog::WriteLogf(LogLevel level, const char* format, ...) {
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
  WriteLog(text, level);
}

void ProgramLog::WriteCritical(std::string_view text) {
  const std::string& path = settings_.CriticalLogPath;
  const int mode = Exists(path) ? kModeAppend : kModeCreate;
  int error = 0;
  FileStream f(path.empty() ? nullptr : OpenForAppend(path, settings_.BaseDir, error));
  SjisString line = SjisFromUtf8("@@@@@@@ 例外発生 @@@@@@：");
  line += SjisFromUtf8(text);
  line += "\n";
  if (!f && IsLinkRefusal(error)) {
    // The critical log itself is a link: its lines go to standard error.
    const std::string refused = Format(kLinkRefusedLine, path.c_str());
    services_.ui.Warn(refused.substr(0, refused.size() - 1));
    services_.ui.Warn(std::string(text.substr(0, text.find_last_not_of('\n') + 1)));
    return;
  }
  bool written = false;
  if (f) {
    written = std::fwrite(line.data(), 1, line.size(), f.get()) == line.size();
    written = std::fclose(f.release()) == 0 && written;
    if (!written) error = services_.system.LastError();
  }
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
  struct Line {
    int at;
    std::string text;
  };
  // The run's own values; the settings table places its rows between them.
  std::vector<Line> lines = {
      {5, Format("【両面印刷指定】: Dup[%d]\n", ctx.output.duplexSetting)},
      {10, Format("【帳票印刷方法】: [%d] (0:１枚処理、1:複数一括処理)\n", ctx.options.batchMode)},
      {11, Format("【PDF出力指定】 : [%d] (0:PDF出力しない、1:PDF出力する)\n", ctx.options.pdfOutput)},
      {12, "【kestrel.infパス】: [" + s.SettingsPath + "]\n"},
      {13, "【例外エラー出力パス】 : [" + s.CriticalLogPath + "]\n"},
      {14, "【外部OCRフォント指定ファイルパス】: [" + s.OcrFontFilePath + "]\n"},
      {15, "【オフセット指定ファイルパス】: [" + s.OffsetFilePath + "]\n"},
      {16, "【基本OCRフォント名】: [" + s.OcrFontPath + "]\n"},
      {17, "【メッセージ送信Windowハンドル】: [" + std::to_string(s.ParentWindow) + "]\n"},
      {18, "【印刷ログファイル名】: [" + s.LogPath + "]\n"},
  };
  // The scale factor is a real number (0.95 shrinks A4 data on A4 paper);
  // it is written in its shortest decimal form, "0.95", so the line says
  // what the engine uses rather than a whole number.
  for (const SettingKey& row : SettingKeys()) {
    if (row.dumpAt != 0)
      lines.push_back({row.dumpAt, std::string(row.dumpLabel) + "[" + SettingDumpValue(row, s, ctx.options) + "]\n"});
  }
  std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.at < b.at; });
  for (const Line& line : lines) WriteLog(line.text);
}

}  // namespace kestrel
