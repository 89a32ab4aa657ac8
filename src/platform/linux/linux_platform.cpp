#include "platform/linux/linux_platform.h"

#include "platform/headless/headless_ui.h"
#include "platform/linux/iconv_codec.h"
#include "platform/linux/linux_system.h"
#include "platform/recording/memory_print_system.h"

namespace kestrel {

namespace {

// The name of the built-in PDF device every installation has.
constexpr const char* kBuiltinPdfDevice = "Kestrel PDF";

class Platform final : public LinuxPlatform {
 public:
  Platform() : printers_({StandardDevice(kBuiltinPdfDevice)}) {
    // The built-in device draws nowhere until real PDF output exists; keep
    // it from recording every call of every page.
    printers_.canvas().SetRecording(false);
  }
  Services services() override { return Services{system_, printers_, ui_}; }
  std::unique_ptr<PageImage> MakePageImage() override { return nullptr; }

 private:
  LinuxSystem system_;
  MemoryPrintSystem printers_;
  HeadlessUi ui_;
};

}  // namespace

std::unique_ptr<LinuxPlatform> MakeLinuxPlatform() {
  InstallIconvCodec();
  return std::make_unique<Platform>();
}

}  // namespace kestrel
