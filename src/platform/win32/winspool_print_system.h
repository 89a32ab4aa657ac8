// WinspoolPrintSystem: the Windows printers (the spooler's list, the
// drivers' device modes and capabilities) and print documents drawn by GDI
// on the printer's device context.
#pragma once

#include "platform/win32/windows_api.h"

#include <string>
#include <vector>

#include "platform/print_system.h"
#include "platform/win32/gdi_canvas.h"

namespace kestrel {

class WinspoolPrintSystem final : public PrintSystem {
 public:
  WinspoolPrintSystem() = default;
  WinspoolPrintSystem(const WinspoolPrintSystem&) = delete;
  WinspoolPrintSystem& operator=(const WinspoolPrintSystem&) = delete;
  ~WinspoolPrintSystem() override;

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
  Canvas* DocumentCanvas() override { return &canvas_; }
  int NewSheet() override;
  int EndDocument() override;
  int AbortDocument() override;
  int LastError() override { return lastError_; }
  std::string ErrorText(int code) override;

 private:
  int Fail();
  // The driver's device mode of the selected printer, loaded on first use;
  // nullptr when the driver gives none.
  DEVMODEW* Mode();
  // An information context of the selected printer with the current mode.
  HDC InformationContext();
  int DeviceCaps(int index);

  std::string selected_;
  HANDLE handle_ = nullptr;
  std::vector<uint8_t> mode_;  // the DEVMODEW with the driver's private part
  std::string modeOf_;         // the printer mode_ belongs to
  HDC dc_ = nullptr;
  bool pageOpen_ = false;
  GdiCanvas canvas_;
  int lastError_ = 0;
};

}  // namespace kestrel
