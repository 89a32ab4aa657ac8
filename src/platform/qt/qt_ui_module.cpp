// The entry of the desktop Ui module (kestrel-qt-ui.so), which the program
// opens only when the desktop Ui is chosen (platform/linux/ui_choice.h).
// Everything else the windows use comes from the program that opens it.
#include "platform/qt/qt_ui.h"

extern "C" __attribute__((visibility("default"))) kestrel::Ui* kestrel_make_qt_ui(const char* baseDir) {
  return new kestrel::QtUi(baseDir);
}
