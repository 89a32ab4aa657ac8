// The font list file (zoq\pfontlist.txt): the face names the current
// printer offers, for copying exact names into pfont.txt.
#pragma once

#include <string>

#include "platform/print_system.h"
#include "platform/ui.h"
#include "util/list_file.h"

namespace kestrel {

class FontListWriter {
 public:
  FontListWriter(PrintSystem& printers, Ui& ui) : printers_(printers), ui_(ui) {}
  // kWritten, kUnreachable (the printer could not be reached),
  // kCannotCreate (the file) or kEmptyPath.
  ListResult WriteFontList(const std::string& path);

 private:
  PrintSystem& printers_;
  Ui& ui_;
  std::string path_;
  ListFile file_;
};

}  // namespace kestrel
