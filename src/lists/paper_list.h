// The paper list file (zoq\ppaperlist.txt): the papers a printer's driver
// supports with their names, paper constants and sizes, and whether it
// prints both sides.
#pragma once

#include <string>

#include "lists/list_file.h"
#include "platform/print_system.h"
#include "platform/ui.h"
#include "util/text_codec.h"

namespace kestrel {

// The description of a paper constant, as CP932 bytes; empty outside 1-118.
// Five rows hold a single Western code-page fraction byte (0xBD one half,
// 0xBE three quarters) that the list writes unchanged.
SjisView PaperConstantName(int code);

// What a status of the list writers (font, printer and paper list) means:
// 0 and -1 to -7 as WritePaperList returns them (the font and printer lists
// use 0 to -3 alike); empty for other values.
const char* ListStatusMeaning(int status);

class PaperListWriter {
 public:
  PaperListWriter(PrintSystem& printers, Ui& ui) : printers_(printers), ui_(ui) {}
  // deviceName empty: the printer current in the printing system.
  // 0 written; -1 the printer could not be reached; -2 the file could not be
  // created; -3 empty path; -4 the duplex query failed; -5 the driver
  // reports no paper; -6 a paper query failed; -7 the device is not
  // installed.
  int WritePaperList(const std::string& path, const std::string& deviceName);

 private:
  PrintSystem& printers_;
  Ui& ui_;
  std::string path_;
  ListFile file_;
};

}  // namespace kestrel
