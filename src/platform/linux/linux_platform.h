#pragma once

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

// Installs the CP932 codec and creates the system, print system and Ui
// (the headless Ui: this build has no windowed one).
std::unique_ptr<LinuxPlatform> MakeLinuxPlatform();

}  // namespace kestrel
