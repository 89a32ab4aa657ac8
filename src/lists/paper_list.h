// The paper list file (zoq\ppaperlist.txt): the papers a printer's driver
// supports with their names, paper constants and sizes, and whether it
// prints both sides.
#pragma once

#include <string>

#include "platform/paper_table.h"
#include "platform/print_system.h"
#include "platform/ui.h"
#include "util/list_file.h"
#include "platform/text_codec.h"

namespace kestrel {

// The description of a paper constant as the list writes it: CP932 bytes,
// unchanged (PaperConstantDescription); empty outside 1-118.
SjisView PaperConstantName(int code);

// What a result of the list writers (font, printer and paper list) means;
// empty for kNoDeviceChosen.
const char* ListStatusMeaning(ListResult status);

class PaperListWriter {
 public:
  PaperListWriter(PrintSystem& printers, Ui& ui) : printers_(printers), ui_(ui) {}
  // deviceName empty: the printer current in the printing system.
  // kWritten, or what failed (kUnreachable to kNotInstalled).
  ListResult WritePaperList(const std::string& path, const std::string& deviceName);

 private:
  PrintSystem& printers_;
  Ui& ui_;
  std::string path_;
  ListFile file_;
};

}  // namespace kestrel
