#pragma once

#include <string>
#include <vector>

#include "platform/print_system.h"
#include "platform/recording/recording_canvas.h"

namespace kestrel {

// One device of a MemoryPrintSystem with its capabilities.
struct MemoryDevice {
  std::string name;
  std::vector<uint16_t> papers;         // paper constants
  std::vector<PaperSize> paperSizes;    // same order, 0.1 mm
  std::vector<std::string> paperNames;  // same order
  int duplex = 1;
  int dpi = 600;
  std::vector<std::string> fonts;
  bool failPaperQuery = false;
  PrinterQueueState queue;  // what QueryPrinterState reports
};

// A print system held in memory: a list of devices, a selected one, and
// documents drawn onto a RecordingCanvas. Tests use it to give the engine
// any set of printers (none at all included) and to see every call; the
// events() list records document and device-mode calls in order.
class MemoryPrintSystem : public PrintSystem {
 public:
  MemoryPrintSystem() = default;
  explicit MemoryPrintSystem(std::vector<MemoryDevice> devices, std::string defaultDevice = {});

  std::vector<std::string> Printers() override;
  std::string SelectedPrinter() override;
  std::string SystemDefaultPrinter() override;
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
  std::string BuiltInPdfDevice() override { return builtInPdf_; }
  int QueryPrinterState(const std::string& name, PrinterQueueState& out) override;
  // Names one of the devices as the built-in PDF device.
  void SetBuiltInPdfDevice(std::string name) { builtInPdf_ = std::move(name); }

  std::vector<MemoryDevice>& devices() { return devices_; }
  const std::vector<std::string>& events() const { return events_; }
  RecordingCanvas& canvas() { return canvas_; }
  const DevMode& devMode() const { return devMode_; }
  bool documentOpen() const { return documentOpen_; }
  int sheets() const { return sheets_; }
  // Makes the next BeginDocument fail (a spooler error).
  void FailNextBeginDocument() { failBegin_ = true; }

 private:
  const MemoryDevice* Find(const std::string& name) const;
  const MemoryDevice* Current() const { return Find(selected_); }

  std::vector<MemoryDevice> devices_;
  std::string default_;
  std::string selected_;
  std::string builtInPdf_;
  std::string opened_;
  DevMode devMode_{};
  RecordingCanvas canvas_;
  std::vector<std::string> events_;
  bool documentOpen_ = false;
  bool failBegin_ = false;
  int sheets_ = 0;
  int lastError_ = 0;
};

// The standard set of papers (A3, A4, A5, B4, B5, letter, legal) of a
// device that takes every paper the engine asks for.
MemoryDevice StandardDevice(const std::string& name, int duplex = 1, int dpi = 600);

}  // namespace kestrel
