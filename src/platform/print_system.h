// PrintSystem: the operating system's printers as the engine sees them.
//
// Backends: CupsPrintSystem (platform/linux; CUPS queues plus the built-in
// "Kestrel PDF" device) and MemoryPrintSystem (platform/recording; tests),
// which can hold any set of printers, none at all included.
//
// Calls return 0 or a negative value on failure; LastError() then gives the
// system error code and ErrorText() its text, as the engine logs them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/paper_table.h"

namespace kestrel {

// Field mask bits of a device mode.
inline constexpr uint32_t kDmOrientation = 0x00000001;
inline constexpr uint32_t kDmPaperSize = 0x00000002;
inline constexpr uint32_t kDmCopies = 0x00000100;
inline constexpr uint32_t kDmDuplex = 0x00001000;
inline constexpr uint32_t kDmCollate = 0x00008000;

inline constexpr int kDuplexSimplex = 1;
inline constexpr int kDuplexVertical = 2;
inline constexpr int kDuplexHorizontal = 3;

// The device-mode record: what a print document asks of the device.
struct DevMode {
  int paperSize = kPaperA4;  // paper constant
  int orientation = 1;       // 1 portrait, 2 landscape
  int duplex = kDuplexSimplex;
  int collate = 0;           // 1 collated
  int copies = 1;
  uint32_t fields = kDmOrientation | kDmPaperSize | kDmCopies;
  friend bool operator==(const DevMode&, const DevMode&) = default;
};

// Printer status bits (the Windows printing interface's values).
inline constexpr uint32_t kPrinterStatusPaused = 0x00000001;
inline constexpr uint32_t kPrinterStatusError = 0x00000002;
inline constexpr uint32_t kPrinterStatusPaperJam = 0x00000008;
inline constexpr uint32_t kPrinterStatusPaperOut = 0x00000010;
inline constexpr uint32_t kPrinterStatusPaperProblem = 0x00000040;
inline constexpr uint32_t kPrinterStatusOffline = 0x00000080;
inline constexpr uint32_t kPrinterStatusPrinting = 0x00000400;
inline constexpr uint32_t kPrinterStatusOutputBinFull = 0x00000800;
inline constexpr uint32_t kPrinterStatusNotAvailable = 0x00001000;
inline constexpr uint32_t kPrinterStatusTonerLow = 0x00020000;
inline constexpr uint32_t kPrinterStatusNoToner = 0x00040000;
inline constexpr uint32_t kPrinterStatusOutOfMemory = 0x00200000;
inline constexpr uint32_t kPrinterStatusDoorOpen = 0x00400000;

// Job status bits (the Windows printing interface's values).
inline constexpr uint32_t kJobStatusPaused = 0x0001;
inline constexpr uint32_t kJobStatusError = 0x0002;
inline constexpr uint32_t kJobStatusSpooling = 0x0008;
inline constexpr uint32_t kJobStatusPrinting = 0x0010;
inline constexpr uint32_t kJobStatusOffline = 0x0020;
inline constexpr uint32_t kJobStatusPaperOut = 0x0040;
inline constexpr uint32_t kJobStatusBlockedDevq = 0x0200;

// One job waiting or printing on a printer.
struct QueuedJob {
  int id = 0;
  std::string name;
  uint32_t status = 0;  // kJobStatus* bits
};

// A printer's state and its jobs not yet finished.
struct PrinterQueueState {
  uint32_t status = 0;  // kPrinterStatus* bits
  std::vector<QueuedJob> jobs;
};

class PrintSystem {
 public:
  virtual ~PrintSystem() = default;

  // Installed printers, in the system's order.
  virtual std::vector<std::string> Printers() = 0;
  // The printer the printing interface currently uses (the system default
  // until one is selected); empty when there is no printer.
  virtual std::string SelectedPrinter() = 0;
  virtual std::string SystemDefaultPrinter() = 0;
  // A default printer the user's environment asks for by a name that no
  // installed printer has (on CUPS: LPDEST, else PRINTER); source names
  // where the name came from. Empty when none is asked for or it exists.
  virtual std::string UnknownRequestedPrinter(std::string& source) {
    (void)source;
    return {};
  }
  // Selects by exact name; false when not installed.
  virtual bool SelectPrinter(const std::string& name) = 0;

  // Opening a printer for device queries.
  virtual int OpenPrinter(const std::string& name) = 0;
  virtual int ClosePrinter() = 0;
  // The selected device's driver defaults (a fresh device mode).
  virtual int GetDefaultDevMode(DevMode& out) = 0;
  // Merges and validates a device mode for the selected device, in place;
  // the result is what the next document uses.
  virtual int ApplyDevMode(DevMode& inOut) = 0;

  // Device capabilities of a named printer. Return the number of entries,
  // or -1 when the query fails.
  virtual int Papers(const std::string& device, std::vector<uint16_t>& out) = 0;
  virtual int PaperSizes(const std::string& device, std::vector<PaperSize>& out) = 0;
  virtual int PaperNames(const std::string& device, std::vector<std::string>& out) = 0;
  // 1 when the device can print on both sides, 0 when not, -1 on failure.
  virtual int Duplex(const std::string& device) = 0;
  // Font face names the selected device offers (UTF-8).
  virtual std::vector<std::string> Fonts() = 0;

  // Resolution of the selected device, pixels per inch.
  virtual int DpiX() = 0;
  virtual int DpiY() = 0;

  // The selected printer's orientation (0 portrait, 1 landscape) and copies
  // for the next document.
  virtual int SetOrientation(int landscape) = 0;
  virtual int SetCopies(int copies) = 0;

  // Documents. The canvas is valid from BeginDocument to EndDocument/Abort.
  virtual int BeginDocument(const std::string& title) = 0;
  virtual Canvas* DocumentCanvas() = 0;
  virtual int NewSheet() = 0;
  virtual int EndDocument() = 0;
  virtual int AbortDocument() = 0;

  // Last system error code and its text.
  virtual int LastError() = 0;
  virtual std::string ErrorText(int code) = 0;

  // The installed device that writes PDF files itself (no queue, no
  // paper), if this system has one; empty otherwise.
  virtual std::string BuiltInPdfDevice() { return {}; }
  // The file that device wrote for its last finished document; empty
  // before one (and on systems without the device).
  virtual std::string LastDocumentFile() { return {}; }

  // The state of a printer and its unfinished jobs. 0, or -1 when the
  // printer cannot be opened or asked (LastError() tells why).
  virtual int QueryPrinterState(const std::string& name, PrinterQueueState& out) {
    (void)name;
    out = {};
    return -1;
  }
};

// A page bitmap for JPEG output: resized for each page, drawn through its
// canvas, and saved as a JPEG file.
class PageImage {
 public:
  virtual ~PageImage() = default;
  // Makes the bitmap width x height pixels at dpi, white, and returns its canvas.
  virtual Canvas& Prepare(int width, int height, int dpi) = 0;
  // The most pixels a bitmap of this width can have here: what the
  // bitmap's size type and the system's bitmap limits allow. The engine
  // refuses a larger page before Prepare (with its own budget besides).
  virtual int64_t MaxPixels(int width) const {
    (void)width;
    return INT64_MAX;
  }
  virtual Canvas& canvas() = 0;
  // Writes the page as a JPEG file; false with a message on failure.
  virtual bool SaveJpeg(const std::string& path, std::string& error) = 0;
  // Writes the page as a PNG file, every pixel as drawn; false with a
  // message on failure.
  virtual bool SavePng(const std::string& path, std::string& error) = 0;
  // JPEG quality 1..100 for the next saves (out-of-range values are
  // clamped); images that encode no JPEG ignore it.
  virtual void SetJpegQuality(int) {}
  // Sampling of the colour channels for the next saves: 444, 422 or 420.
  virtual void SetJpegSampling(int) {}
};

// The JPEG quality of pages when the settings name none. 90 keeps the
// one-pixel coloured rules of a form crisp and in their colour; at the
// encoder's usual 75 the ringing around thin lines and fine fill patterns
// is plainly visible at 350 dpi.
inline constexpr int kDefaultJpegQuality = 90;
// The colour sampling of pages when the settings name none: full resolution.
inline constexpr int kDefaultJpegSampling = 444;

}  // namespace kestrel
