#pragma once

#include <memory>

#include "platform/platform.h"

namespace kestrel {

// The Windows backends of one run, owned together.
class Win32Platform {
 public:
  virtual ~Win32Platform() = default;
  virtual Services services() = 0;
  // A page bitmap for JPEG output (a DIB section drawn by GDI).
  virtual std::unique_ptr<PageImage> MakePageImage() = 0;
};

// Installs the CP932 codec, starts COM for the imaging component and
// creates the system, the spooler's print system and the Ui: message boxes,
// or the headless Ui when KESTREL_UI=headless (runs without an operator).
std::unique_ptr<Win32Platform> MakeWin32Platform();

}  // namespace kestrel
