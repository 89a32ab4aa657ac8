#pragma once

#include <functional>
#include <memory>

#include "platform/platform.h"

namespace kestrel {

// The Linux backends of one run, owned together.
class LinuxPlatform {
 public:
  virtual ~LinuxPlatform() = default;
  virtual Services services() = 0;
  // A page bitmap for JPEG output (a RasterPageImage drawing text with FreeType).
  virtual std::unique_ptr<PageImage> MakePageImage() = 0;
};

// Makes the run's Ui once the system exists (the base folder is known).
using UiMaker = std::function<std::unique_ptr<Ui>(System& system)>;

// Installs the CP932 codec and creates the system, print system and Ui
// (makeUi's, else the headless Ui).
std::unique_ptr<LinuxPlatform> MakeLinuxPlatform(const UiMaker& makeUi = nullptr);

// The backends of a page preview: the same, with the built-in PDF device
// alone (no CUPS queue is looked at) writing into pdfFolder, the headless
// Ui, and nothing shared with the base folder's group.
std::unique_ptr<LinuxPlatform> MakePreviewPlatform(const std::string& pdfFolder);

}  // namespace kestrel
