// The services a run of the program uses, bundled. Created by the entry
// point from one backend family (platform/linux today) and handed to the
// controller and the engine by reference.
#pragma once

#include "platform/print_system.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace kestrel {

struct Services {
  System& system;
  PrintSystem& printers;
  Ui& ui;
};

}  // namespace kestrel
