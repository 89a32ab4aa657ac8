#include "platform/linux/linux_platform.h"

#include <csignal>
#include <cstdlib>
#include <string>

#include "platform/headless/headless_ui.h"
#include "platform/linux/iconv_codec.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/cups_print_system.h"
#include "platform/fonts/fontconfig_resolver.h"
#include "platform/fonts/freetype_rasterizer.h"
#include "platform/raster/raster_page_image.h"

namespace kestrel {

namespace {

class Platform final : public LinuxPlatform {
 public:
  // The built-in PDF device writes into the PDF folder under the base
  // folder; KESTREL_NO_CUPS=1 leaves the CUPS queues out (the built-in
  // device alone).
  explicit Platform(const UiMaker& makeUi) : Platform(LinuxSystem().BaseDir() + "vpdf", !NoCups(), makeUi) {}
  Platform(const std::string& pdfFolder, bool useCups, const UiMaker& makeUi)
      : printers_(pdfFolder, &SharedFontResolver(), useCups),
        ui_(makeUi ? makeUi(system_) : std::make_unique<HeadlessUi>()) {
    // The printer's fonts are the faces the system knows.
    printers_.SetFontLister(&InstalledFontNames);
  }
  Services services() override { return Services{system_, printers_, *ui_}; }
  // JPEG pages draw their text with FreeType; the rasterizer and its glyph
  // cache live as long as the platform, across pages and images. Each page
  // is encoded on two threads unless KESTREL_SEQUENTIAL=1 (the same bytes).
  std::unique_ptr<PageImage> MakePageImage() override {
    if (!text_) text_ = std::make_unique<FreeTypeRasterizer>();
    return std::make_unique<RasterPageImage>(text_.get(), !Sequential());
  }

 private:
  LinuxSystem system_;
  static bool Sequential() {
    const char* v = std::getenv("KESTREL_SEQUENTIAL");
    return v != nullptr && std::string(v) == "1";
  }
  static bool NoCups() {
    const char* v = std::getenv("KESTREL_NO_CUPS");
    return v != nullptr && std::string(v) == "1";
  }
  CupsPrintSystem printers_;
  std::unique_ptr<Ui> ui_;
  std::unique_ptr<FreeTypeRasterizer> text_;
};

}  // namespace

std::unique_ptr<LinuxPlatform> MakeLinuxPlatform(const UiMaker& makeUi) {
  // A file-size limit must fail the write that crosses it (the writer then
  // reports it and keeps the earlier file) instead of ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
  InstallIconvCodec();
  ShareWritesWithBaseGroup(LinuxSystem().BaseDir());
  return std::make_unique<Platform>(makeUi);
}

std::unique_ptr<LinuxPlatform> MakePreviewPlatform(const std::string& pdfFolder) {
  std::signal(SIGXFSZ, SIG_IGN);
  InstallIconvCodec();
  return std::make_unique<Platform>(pdfFolder, false, nullptr);
}

}  // namespace kestrel
