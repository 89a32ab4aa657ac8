// CupsPrintSystem: the printers of a Linux machine as the engine sees them.
//
// The printer list is the CUPS destinations (sorted by name, instances left
// out) followed by the built-in device "Kestrel PDF". The selected printer
// starts as the CUPS default destination, or the built-in device when there
// is none.
//
// Device capabilities come from the printer's own description: its media
// list (papers as Windows paper constants, sizes in 0.1 mm, names) and
// whether "sides" offers two-sided printing. The device mode is a plain
// record; ApplyDevMode validates it against those capabilities, and the next
// document turns it into job options.
//
// A document is drawn on a PdfCanvas, one PDF page per sheet. For a CUPS
// queue the document is one job that receives the finished PDF
// (application/pdf) when the document ends; an abort cancels the job. For
// the built-in device the document becomes a PDF file in the PDF folder,
// named after the document title, written under a temporary name and moved
// into place without replacing an earlier file.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/pdf/pdf_canvas.h"
#include "platform/print_system.h"

namespace kestrel {

class FontResolver;

// The name of the built-in PDF device.
inline constexpr const char* kBuiltinPdfDevice = "Kestrel PDF";

// One paper of a device.
struct DevicePaper {
  uint16_t constant = 0;   // Windows paper constant, 256 and up for papers without one
  PaperSize size{};        // 0.1 mm, portrait
  std::string name;        // display name, at most 63 bytes
  std::string media;       // the medium's own name (PWG) for job options; empty on the built-in device
};

// Windows paper constant of a medium size (hundredths of mm), or 0 when the
// size has none; name receives the paper's display name.
int PaperConstantOfSize(int widthHundredthMm, int lengthHundredthMm, std::string& name, PaperSize& size);

// A file name made from a document title: a title that is a file's path
// (absolute, or ending in ".pdat") gives the file's name without its
// extension; characters a file name cannot hold are replaced by '_'; never
// empty.
std::string PdfFileStem(const std::string& title);

class CupsPrintSystem final : public PrintSystem {
 public:
  // pdfFolder: where the built-in device writes its files (created when
  // missing). fonts may be null (text is then left out of PDF pages).
  // useCups false gives the built-in device alone.
  CupsPrintSystem(std::string pdfFolder, FontResolver* fonts, bool useCups = true);
  ~CupsPrintSystem() override;

  std::vector<std::string> Printers() override;
  std::string SelectedPrinter() override;
  std::string SystemDefaultPrinter() override;
  std::string UnknownRequestedPrinter(std::string& source) override;
  bool SelectPrinter(const std::string& name) override;
  int OpenPrinter(const std::string& name) override;
  int ClosePrinter() override;
  int GetDefaultDevMode(DevMode& out) override;
  int ApplyDevMode(DevMode& inOut) override;
  int Papers(const std::string& device, std::vector<uint16_t>& out) override;
  int PaperSizes(const std::string& device, std::vector<PaperSize>& out) override;
  int PaperNames(const std::string& device, std::vector<std::string>& out) override;
  int Duplex(const std::string& device) override;
  std::vector<std::string> Fonts() override;
  int DpiX() override;
  int DpiY() override;
  int SetOrientation(int landscape) override;
  int SetCopies(int copies) override;
  int BeginDocument(const std::string& title) override;
  Canvas* DocumentCanvas() override;
  int NewSheet() override;
  int EndDocument() override;
  int AbortDocument() override;
  int LastError() override { return lastError_; }
  std::string ErrorText(int code) override;
  std::string BuiltInPdfDevice() override { return kBuiltinPdfDevice; }
  // A queue's printer-state, printer-state-reasons and unfinished jobs in
  // status bits (cups_queue_state.h); the built-in device is always idle.
  int QueryPrinterState(const std::string& name, PrinterQueueState& out) override;

  // The file the last document of the built-in device became.
  const std::string& lastPdfFile() const { return lastPdfFile_; }
  std::string LastDocumentFile() override { return lastPdfFile_; }
  // The CUPS job id of the last document sent to a queue.
  int lastJobId() const { return lastJobId_; }
  const DevMode& devMode() const { return devMode_; }
  // Where font names for Fonts() come from (the font machinery sets it).
  void SetFontLister(std::vector<std::string> (*lister)()) { fontLister_ = lister; }

 private:
  struct Device;
  struct Destinations;
  void Load();
  Device* Find(const std::string& name);
  Device* Current() { return Find(selected_); }
  // Fills the capabilities of a CUPS device on first use; false on failure.
  bool LoadCapabilities(Device& d);
  int Fail(int code, std::string text);
  void RemoveTemp();

  std::string pdfFolder_;
  bool useCups_;
  bool loaded_ = false;
  std::unique_ptr<Destinations> dests_;
  std::vector<std::unique_ptr<Device>> devices_;
  std::string default_;
  std::string selected_;
  std::string opened_;
  DevMode devMode_{};
  PdfCanvas canvas_;
  bool documentOpen_ = false;
  std::string tempFile_;
  std::set<std::string> sweptFolders_;  // folders cleared of dead temporaries
  std::FILE* tempStream_ = nullptr;  // open on tempFile_
  std::string title_;
  int jobId_ = 0;
  int lastJobId_ = 0;
  std::string lastPdfFile_;
  int lastError_ = 0;
  std::map<int, std::string> errorTexts_;
  std::vector<std::string> (*fontLister_)() = nullptr;
};

}  // namespace kestrel
