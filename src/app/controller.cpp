#include "app/controller.h"

#include <filesystem>
#include <memory>

#include "engine/gprint.h"

namespace kestrel {

// First cut of the controller: "-p" with a comma list of print-data files,
// printed as one job on the selected printer, a job log per run in
// zoq/plog.txt under the base folder.
int RunProgram(Services services, const std::vector<std::string>& args) {
  std::vector<std::string> files;
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "-p") {
      std::string list = args[i + 1];
      size_t start = 0;
      while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string f = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!f.empty()) files.push_back(f);
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    }
  }
  if (files.empty()) return 0;

  std::string base = services.system.BaseDir();
  std::error_code ec;
  std::filesystem::create_directories(base + "zoq", ec);
  auto ctx = std::make_unique<PrintContext>(services, 0);
  ctx->SetLogFileName(base + "zoq/plog.txt");
  ctx->SetExceptionLogPath(base + "zoq/CriticalPLOG.txt");
  ctx->batchMode = files.size() > 1 ? 1 : 0;
  for (size_t i = 0; i < files.size(); ++i) {
    ctx->lastFile = i + 1 == files.size() ? 1 : 0;
    if (gprint(*ctx, files[i], nullptr, "0") != 0) {
      services.ui.ShowMessage(ctx->GetLastMessage(), MessageKind::Error);
      if (ctx->exitCode != 0) return ctx->exitCode;
      break;
    }
  }
  return 0;
}

}  // namespace kestrel
