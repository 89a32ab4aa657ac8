#include "pdat_render.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "app/run_settings.h"
#include "engine/engine_cache.h"
#include "engine/gprint.h"
#include "engine/print_context.h"
#include "engine/print_data.h"
#include "pdat_text.h"
#include "platform/native_path.h"
#include "platform/print_system.h"
#include "platform/ui.h"
#include "util/bounded_read.h"
#if defined(_WIN32)
#include "platform/win32/cp932_codec.h"
#include "platform/win32/win32_platform.h"
#else
#include "platform/linux/iconv_codec.h"
#include "platform/linux/linux_platform.h"
#endif

namespace kestrel::pdat {

namespace {

namespace fs = std::filesystem;

std::string ForTerminal(const std::string& utf8) {
#if defined(_WIN32)
  return Utf8ToConsoleText(utf8);
#else
  return Utf8ToLocaleText(utf8);
#endif
}

// Each line of a text as "pdat: <line>" on standard error.
void Say(const std::string& text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    size_t first = line.find_first_not_of(' ');
    if (first != std::string::npos) std::fprintf(stderr, "pdat: %s\n", ForTerminal(line.substr(first)).c_str());
    start = end + 1;
  }
  std::fflush(stderr);
}

// Nobody to answer: every message and warning goes to standard error;
// questions are answered No, the device dialog closes without a choice.
class RenderUi final : public WindowlessUi {
 public:
  void ShowMessage(const std::string& text, MessageKind) override { Say(text); }
  void Warn(const std::string& text) override { Say(text); }
  bool AskYesNo(const std::string& text, MessageKind) override {
    Say(text);
    return false;
  }
  bool AskOkCancel(const std::string& text, MessageKind) override {
    Say(text);
    return false;
  }
  std::string SelectDevice(const DeviceDialogRequest&) override { return {}; }
};

bool EndsWith(const std::string& text, const std::string& end) {
  if (text.size() < end.size()) return false;
  for (size_t i = 0; i < end.size(); ++i) {
    char c = text[text.size() - end.size() + i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != end[i]) return false;
  }
  return true;
}

bool ParseDpi(const std::string& text, int& dpi) {
  if (text.empty() || text.size() > 5) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  dpi = value;
  return value >= kLeastRenderDpi && value <= kMostRenderDpi;
}

// A new folder of this run's own beside the output (".pdat-render-" and a
// random number): made here (creating a folder fails where the name is
// taken), so that nothing in it can be anyone else's.
class ScratchFolder {
 public:
  explicit ScratchFolder(const fs::path& beside) {
    const fs::path parent = beside.parent_path().empty() ? fs::path(".") : beside.parent_path();
    std::random_device random;
    for (int n = 0; n < 100 && path_.empty(); ++n) {
      fs::path candidate = parent / (".pdat-render-" + std::to_string(random()));
      std::error_code ec;
      if (fs::create_directory(candidate, ec) && !ec) path_ = candidate;
    }
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);  // links inside are removed, never followed
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

int Fail(const std::string& message) {
  Say(message);
  return 1;
}

// The page's print data: the file itself, or its text form compiled into
// the scratch folder.
bool PrintDataFile(const std::string& input, const fs::path& scratch, std::string& dataFile) {
  if (!EndsWith(input, ".txt")) {
    dataFile = input;
    return true;
  }
  std::ifstream in(FsPath(input), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) return Fail("cannot read " + input), false;
  std::vector<uint8_t> bytes;
  CompileError error;
  if (!CompileText(text, &bytes, &error))
    return Fail(input + (error.line > 0 ? ":" + std::to_string(error.line) : "") + ": " + error.message), false;
  dataFile = Utf8Path(scratch / "page.pdat");
  std::ofstream out(FsPath(dataFile), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  if (!out) return Fail("cannot write " + dataFile), false;
  return true;
}

}  // namespace

bool ParseRenderArguments(const std::vector<std::string>& args, RenderRequest& request, std::string& error) {
  request = RenderRequest{};
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-r" || arg == "-o") {
      if (i + 1 >= args.size()) return error = arg + " needs a value", false;
      const std::string& value = args[++i];
      if (arg == "-o") {
        request.output = value;
      } else if (!ParseDpi(value, request.dpi)) {
        return error = "-r " + value + ": not a resolution from " + std::to_string(kLeastRenderDpi) + " to " +
                       std::to_string(kMostRenderDpi) + " dpi",
               false;
      }
    } else if (!arg.empty() && arg[0] == '-') {
      return error = "unknown option " + arg, false;
    } else if (!request.input.empty()) {
      return error = "one print-data file at a time", false;
    } else {
      request.input = arg;
    }
  }
  if (request.input.empty()) return error = "render needs a print-data file", false;
  if (request.output.empty()) {
    std::string base = request.input;
    for (const char* end : {".txt", ".pdat"})
      if (EndsWith(base, end)) base.resize(base.size() - std::string(end).size());
    request.output = base + ".png";
  }
  request.pdf = EndsWith(request.output, ".pdf");
  if (!request.pdf && !EndsWith(request.output, ".png"))
    return error = "the output must end in .png or .pdf: " + request.output, false;
  return true;
}

int Render(const RenderRequest& request) {
  const fs::path output = FsPath(request.output);
  std::error_code ec;
  if (fs::is_directory(output, ec)) return Fail(request.output + ": is a folder");
  ScratchFolder scratch(output);
  if (scratch.path().empty()) return Fail("cannot make a work folder beside " + request.output);
  std::string dataFile;
  if (!PrintDataFile(request.input, scratch.path(), dataFile)) return 1;
  // Data that is not print data at all makes no page; a partly damaged
  // page is drawn with its damage warnings, as a print draws it.
  std::string head;
  if (!fs::is_regular_file(FsPath(dataFile), ec) ||
      ReadBoundedFile(dataFile, kCommandAreaBytes, head, BeyondLimit::kCut) != ReadStatus::kOk)
    return Fail("cannot read " + dataFile);
  if (!IsPrintData(reinterpret_cast<const uint8_t*>(head.data()), head.size()))
    return Fail(request.input + ": not print data (empty, or no record of a known kind)");

#if defined(_WIN32)
  std::unique_ptr<Win32Platform> platform = MakeWin32Platform();
#else
  std::unique_ptr<LinuxPlatform> platform = MakePreviewPlatform(Utf8Path(scratch.path() / "pdf"));
#endif
  RenderUi ui;
  Services base = platform->services();
  // Pictures are drawn for the built-in device's paper, as JPEG pages are
  // where no printer is set up; a PDF needs that device (on Windows a PDF
  // comes from a printer's driver: there is none of our own).
  const std::string device = base.printers.BuiltInPdfDevice();
  if (request.pdf && device.empty()) return Fail("no built-in PDF device in this build: a PNG picture only");
  std::unique_ptr<PageImage> image = request.pdf ? nullptr : platform->MakePageImage();
  EngineCache cache;
  auto ctx = std::make_unique<PrintContext>(Services{base.system, base.printers, ui}, 0, cache);
  // The settings' defaults, and nothing of a base folder.
  RunSettings settings;
  CopySettingsIntoJob(settings, ctx->options);
  ctx->output.printerName = device;
  ctx->output.jpegPages = !request.pdf;
  ctx->output.pngPages = !request.pdf;
  ctx->options.jpegDpi = request.dpi;
  ctx->output.jobTitle = "pdat render";
  ctx->options.suppressDebugLabel = true;
  ctx->page.lastFile = 1;
  int rc = -1;
  try {
    rc = gprint(*ctx, dataFile, image.get(), Utf8Path(scratch.path() / ""));  // a folder: ends in a separator
  } catch (const std::exception& e) {
    ctx->lastErrorMessage = e.what();
  }
  if (rc != 0) {
    if (ctx->output.documentOpen) AbortPrintJob(*ctx);
    return Fail(request.input + ": " + (ctx->lastErrorMessage.empty() ? "the page failed" : ctx->lastErrorMessage));
  }
  const std::string made = request.pdf ? base.printers.LastDocumentFile() : ctx->output.lastJpegFile;
  if (made.empty()) return Fail(request.input + ": no page was made");
  fs::rename(FsPath(made), output, ec);
  if (ec) return Fail("cannot write " + request.output + ": " + ec.message());
  return 0;
}

}  // namespace kestrel::pdat
