// The Ui of a CUPS filter: nobody to answer. Every text becomes log lines
// on standard error with CUPS' prefixes (one per line of the text), which
// cupsd puts in its error log: an error message "ERROR:", a warning
// "WARNING:", anything else "INFO:". Questions are answered No, the device
// dialog is closed without a choice, choosers are cancelled.
#pragma once

#include <cstdio>
#include <string>

#include "platform/ui.h"

namespace kestrel {

class FilterUi final : public WindowlessUi {
 public:
  explicit FilterUi(std::FILE* log) : log_(log) {}

  void ShowMessage(const std::string& text, MessageKind kind) override;
  bool AskYesNo(const std::string& text, MessageKind kind) override;
  bool AskOkCancel(const std::string& text, MessageKind kind) override;
  void Warn(const std::string& text) override { Log("WARNING:", text); }
  std::string SelectDevice(const DeviceDialogRequest& request) override;

  // Writes "<prefix> <line>" for each line of text.
  void Log(const char* prefix, const std::string& text);

 private:
  std::FILE* log_;
};

}  // namespace kestrel
