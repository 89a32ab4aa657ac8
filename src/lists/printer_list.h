// The printer list file (zoq\pprinterlist.txt): every installed printer in
// the printing system's order, the current one marked with ■.
#pragma once

#include <string>

#include "platform/print_system.h"
#include "platform/ui.h"
#include "util/list_file.h"

namespace kestrel {

class PrinterListWriter {
 public:
  PrinterListWriter(PrintSystem& printers, Ui& ui) : printers_(printers), ui_(ui) {}
  // kWritten, kUnreachable (the printer could not be reached),
  // kCannotCreate (the file) or kEmptyPath.
  ListResult WritePrinterList(const std::string& path);

 private:
  PrintSystem& printers_;
  Ui& ui_;
  std::string path_;
  ListFile file_;
};

}  // namespace kestrel
