#include "filter_ui.h"

namespace kestrel {

void FilterUi::Log(const char* prefix, const std::string& text) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) std::fprintf(log_, "%s %s\n", prefix, line.c_str());
    start = end + 1;
  }
  std::fflush(log_);
}

void FilterUi::ShowMessage(const std::string& text, MessageKind kind) {
  Log(kind == MessageKind::Error ? "ERROR:" : kind == MessageKind::Warning ? "WARNING:" : "INFO:", text);
}

bool FilterUi::AskYesNo(const std::string& text, MessageKind) {
  Log("INFO:", text);
  Log("INFO:", "(answered No: a filter has nobody to ask)");
  return false;
}

bool FilterUi::AskOkCancel(const std::string& text, MessageKind) {
  Log("INFO:", text);
  Log("INFO:", "(answered Cancel: a filter has nobody to ask)");
  return false;
}

std::string FilterUi::SelectDevice(const DeviceDialogRequest& request) {
  Log("INFO:", "device dialog closed without a choice: " + request.caption);
  return {};
}

}  // namespace kestrel
