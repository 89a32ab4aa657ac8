#include "pdf/outliner_call.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "util/char_forms.h"
#include "util/paths.h"
#include "util/windows_command_line.h"
#include "platform/native_path.h"

namespace kestrel {

namespace {

// A path the command line carries as one word.
bool QuotesWhole(const std::string& path) {
  return path.find('"') == std::string::npos && (path.empty() || path.back() != '\\');
}

struct ShellAnswer {
  int code;
  const char* message;
};

constexpr ShellAnswer kShellAnswers[] = {
    {0, "システムに､ メモリまたはリソースが足りません。(0)"},
    {2, "指定されたファイルが見つかりませんでした。(ERROR_FILE_NOT_FOUND)"},
    {3, "指定されたパスが見つかりませんでした。(ERROR_PATH_NOT_FOUND)"},
    {11, ".EXEファイルが無効です (Win32 .EXEではないか､ .EXEイメージ内のエラーです)。(ERROR_BAD_FORMAT)"},
    {26, "共有違反が発生しました。(SE_ERR_SHARE)"},
    {27, "ファイル名の関連付けが不完全､ または無効です。(SE_ERR_ASSOCINCOMPLETE)"},
    {28, "要求タイム アウトのためにDDEトランザクションを完了できませんでした。(SE_ERR_DDETIMEOUT)"},
    {29, "DDEトランザクションが失敗しました。(SE_ERR_DDEFAIL)"},
    {30, "ほかのDDEトランザクションが処理されているために､ DDEトランザクションを完了できませんでした。(SE_ERR_DDEBUSY)"},
    {31, "指定されたファイル名拡張子には､ アプリケーションが関連付けられていません。(SE_ERR_NOASSOC)"},
};

}  // namespace

std::string OutlinerCommandLine(const std::string& outliner, const std::string& sourcePdf,
                                const std::string& outputPdf, const std::string& bookmarkCsv) {
  return QuoteText(outliner) + " /D " + QuoteText(sourcePdf) + " /O " + QuoteText(outputPdf) + " /B " +
         QuoteText(bookmarkCsv) + " /V";
}

int RunOutliner(System& system, Ui& ui, const std::string& outliner, const std::string& sourcePdf,
                const std::string& outputPdf, const std::string& bookmarkCsv) {
  try {
    const std::string line = OutlinerCommandLine(outliner, sourcePdf, outputPdf, bookmarkCsv);
    const bool usable = line.size() < kCommandLineBuffer && QuotesWhole(outliner) && QuotesWhole(sourcePdf) &&
                        QuotesWhole(outputPdf) && QuotesWhole(bookmarkCsv);
    if (usable && RunCommandLine(system, line).started) return 0;
  } catch (const std::exception&) {
  }
  ui.ShowMessage(kOutlinerFailedMessage, MessageKind::Error);
  return -1;
}

bool IsExistingFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(FsPath(path), ec);
}

bool CheckOutlinerPath(Ui& ui, const std::string& path, const std::string& name) {
  if (!IsExistingFile(path)) {
    ui.ShowMessage("指定されたパスにOutlinerCmd.exeが存在していません。", MessageKind::Error);
    return false;
  }
  if (FileNameOf(name) != "OutlinerCmd.exe") {
    ui.ShowMessage("指定したOutlinerCmdパスは有効なプログラムではありません。", MessageKind::Error);
    return false;
  }
  return true;
}

const char* ShellOpenMessage(int code) {
  for (const ShellAnswer& answer : kShellAnswers) {
    if (answer.code == code) return answer.message;
  }
  return nullptr;
}

int OpenWithShell(System& system, Ui& ui, const std::string& path) {
  const int code = system.ShellOpen(path);
  if (const char* message = ShellOpenMessage(code)) ui.ShowMessage(message, MessageKind::Error);
  return code;
}

}  // namespace kestrel
