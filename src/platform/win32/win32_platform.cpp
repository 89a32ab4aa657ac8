#include "platform/win32/win32_platform.h"

#include "platform/win32/windows_api.h"

#include "platform/headless/headless_ui.h"
#include "platform/win32/cp932_codec.h"
#include "platform/win32/gdi_page_image.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_ui.h"
#include "platform/win32/winspool_print_system.h"

namespace kestrel {

namespace {

class Platform final : public Win32Platform {
 public:
  Platform() {
    if (EnvironmentValue(L"KESTREL_UI") == "headless") {
      // The variables as UTF-8 (answers may name files).
      ui_ = std::make_unique<HeadlessUi>(SplitAnswers(EnvironmentValue(L"KESTREL_ANSWERS")),
                                         EnvironmentValue(L"KESTREL_MESSAGES"));
    } else {
      ui_ = std::make_unique<Win32Ui>();
    }
  }
  Services services() override { return Services{system_, printers_, *ui_}; }
  std::unique_ptr<PageImage> MakePageImage() override { return std::make_unique<GdiPageImage>(); }

 private:
  Win32System system_;
  WinspoolPrintSystem printers_;
  std::unique_ptr<Ui> ui_;
};

}  // namespace

std::unique_ptr<Win32Platform> MakeWin32Platform() {
  InstallCp932Codec();
  // The imaging component is a COM server; the program's one thread is
  // its apartment for the whole run.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // No error boxes of the system for a missing disk or a failing load.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  return std::make_unique<Platform>();
}

}  // namespace kestrel
