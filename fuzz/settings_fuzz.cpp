// The settings file: any content loads without harm, and the record saved
// from it loads back with the same numbers.
#include "app/run_settings.h"
#include "fuzz_support.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), true);
  (void)ready;
  static const std::string base = fuzz::ScratchFolder("settings");
  // The record before a load, made once: its paths do not change.
  static const RunSettings fresh = [] {
    RunSettings s;
    InitRunSettingsPaths(s, base, base + "windows");
    return s;
  }();
  fuzz::QuietUi ui;
  RunSettings settings = fresh;
  std::string path = fuzz::WriteScratch(data, size, ".inf");
  LoadSettings(settings, path, ui);

  // The save rewrites the file it loads, keeping the lines it does not own.
  SaveSettings(settings, path, ui);
  RunSettings reloaded = fresh;
  fuzz::Check(LoadSettings(reloaded, path, ui) == 1, "a saved file loads");
  fuzz::Check(ui.messages == 0, "no message for a file that could be read and written");
  fuzz::Check(reloaded.pmap_flg == settings.pmap_flg && reloaded.plog == settings.plog &&
                  reloaded.jdpi == settings.jdpi && reloaded.pdat2_time == settings.pdat2_time &&
                  reloaded.pdfbk == settings.pdfbk && reloaded.pfline == settings.pfline &&
                  reloaded.pAutoFontWidth == settings.pAutoFontWidth && reloaded.wait_time == settings.wait_time,
              "saved numbers load back");
  fuzz::Check(reloaded.jpath.empty(), "$jpath is saved empty");
  return 0;
}
