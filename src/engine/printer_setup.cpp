#include "engine/printer_setup.h"

#include "engine/coordinates.h"

namespace kestrel {

// First cut: the selected printer, the page's paper fields; the printer
// work adds the default-printer file, the PDF device and the device mode.
int ChoosePrinter(PrintContext& ctx) {
  PrintSystem& ps = ctx.services.printers;
  if (ps.Printers().empty()) return kChooseNoPrinter;
  ctx.deviceName = ps.SelectedPrinter();
  return kChooseOk;
}

int FindPrinterIndex(PrintContext& ctx, const std::string& name) {
  if (name.empty()) return -1;
  auto list = ctx.services.printers.Printers();
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == name) return int(i);
  return -1;
}

int gprint_paper(PrintContext& ctx, int index, PageImage*) {
  PaperCommand p{ctx.commands[size_t(index)]};
  ctx.orientation = p.orientation();
  ctx.paperCode = p.paperCode();
  ctx.userPaperCode = p.userPaperCode();
  ctx.duplex = uint8_t(ctx.duplexSetting & 0xFF);
  ctx.copies = p.copies();
  ChooseMagnification(ctx);
  ctx.landscape = ctx.orientation != 0 ? 1 : 0;
  return 0;
}

int GetPrinterInfo(PrintContext&) { return 0; }
int SetPrinterProperty(PrintContext&, int) { return 0; }
int CheckPaperSize(PrintContext&, int paperConstant, int, int) { return paperConstant; }
int CheckDuplex(PrintContext&) { return 0; }
void RestoreDefaultPrinter(PrintContext& ctx) { ctx.savedDefaultPrinter.clear(); }
int ReleasePrinter(PrintContext& ctx) {
  ctx.devModeHeld = false;
  ctx.printerOpen = false;
  return 0;
}

}  // namespace kestrel
