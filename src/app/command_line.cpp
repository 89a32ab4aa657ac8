#include "app/command_line.h"

#include <filesystem>
#include <system_error>

#include "util/char_forms.h"
#include "util/numbers.h"
#include "util/paths.h"
#include "platform/text_codec.h"
#include "platform/native_path.h"

namespace kestrel {

namespace {

constexpr size_t kPrintListPathLimit = 100;

// The first limit bytes of a text in code page 932, without a lead byte
// cut off from its trail byte.
std::string CutSjis(const std::string& utf8, size_t limit) {
  SjisString sjis = SjisFromUtf8(utf8);
  if (sjis.size() <= limit) return utf8;
  return Utf8FromSjis(CutSjisBytes(sjis, limit));
}

bool IsFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(FsPath(path), ec);
}

}  // namespace

std::string LowerAscii(const std::string& text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return out;
}

std::string MissingValueMessage(const std::string& option) {
  return "コマンドライン引数 " + option + " の後に値が指定されていません。\n印刷を行わないで終了します。";
}

bool ScanFallbackOptions(RunSettings& s, const std::vector<std::string>& args, std::string* missingOption) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string option = LowerAscii(args[i]);
    const bool takesValue = option == "-x" || option == "-a" || option == "-l" || option == "-t";
    if (takesValue && i + 1 >= args.size()) {
      if (missingOption != nullptr) *missingOption = args[i];
      return false;
    }
    if (option == "-x") {
      s.pmag_flg = AtoF(args[i + 1]);
    } else if (option == "-e") {
      s.perr_flg = 1;
    } else if (option == "-e2") {
      s.perr_flg = 2;
    } else if (option == "-a") {
      int32_t method = AtoI(args[i + 1]);
      s.pmap_flg = (method < 0 || method > 6) ? 1 : method;
    } else if (option == "-g") {
      s.pdat_flg = 1;
    } else if (option == "-f") {
      s.plog = 1;
    } else if (option == "-l") {
      s.width_flg = AtoI(args[i + 1]);
    } else if (option == "-t") {
      s.wait_time = AtoI(args[i + 1]);
    }
  }
  return true;
}

bool ApplyFallbackOptions(RunSettings& s, const std::vector<std::string>& args, Ui& ui) {
  std::string missing;
  if (!ScanFallbackOptions(s, args, &missing)) {
    ui.ShowMessage(MissingValueMessage(missing), MessageKind::Error);
    return false;
  }
  return true;
}

MainScan ScanMainOptions(RunSettings& s, const std::vector<std::string>& args) {
  MainScan scan;
  auto stop = [&scan](ScanStop why) {
    scan.stop = why;
    scan.mode = RunMode::kNone;
    return scan;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string option = LowerAscii(args[i]);
    const bool hasValue = i + 1 < args.size();
    if (option == "-?") return stop(ScanStop::kHelp);
    if (option.compare(0, 7, "-plist=") == 0) {
      scan.printListArgument = CutSjis(args[i].substr(7), kPrintListPathLimit);
      std::string path = ResolveUserPath(s.BaseDir, scan.printListArgument);
      if (!IsFile(path)) return stop(ScanStop::kPrintListMissing);
      s.PrintListPath = path;
      s.PrintListGiven = 1;
    }
    if (option == "-winprt") return stop(ScanStop::kWinPrinter);
    if ((option == "-h" || option == "-pd" || option == "-p") && !hasValue) {
      scan.missingOption = args[i];
      return stop(ScanStop::kMissingValue);
    }
    if (option == "-h") s.ParentWindow = static_cast<uint32_t>(AtoI(args[i + 1]));
    if (option == "-pd") s.PrinterName = args[i + 1];
    if (option == "-p") {
      scan.printTarget = kWindowsFileNames ? LowerAscii(args[i + 1]) : args[i + 1];
      scan.mode = RunMode::kPrint;
    }
    if (option == "-debug") {
      scan.mode = RunMode::kMaintenance;
      s.pdat_flg = 1;
    }
  }
  return scan;
}

std::string PrintListMissingMessage(const std::string& printListArgument) {
  return "-plist=[" + printListArgument + "]が存在していません\n印刷を行わないで終了します。";
}

std::string PrintListErrorLogLine(uint64_t window) {
  return "FormCreate PrintMain -plist option error : HANDLE : " + std::to_string(window) +
         " に WM__PRINTOUT を送った\n";
}

}  // namespace kestrel
