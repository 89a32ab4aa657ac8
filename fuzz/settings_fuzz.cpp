// The settings file: any content loads without harm, and the record saved
// from it loads back with the same numbers. The file's bytes are parsed and
// rewritten in memory (reading and replacing the file itself have their
// own tests): the same lines, keys and values as a load, save and reload.
#include "app/run_settings.h"
#include "fuzz_support.h"
#include "util/profile_file.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), true);
  (void)ready;
  // The record before a load, made once: its paths do not change.
  static const RunSettings fresh = [] {
    RunSettings s;
    const std::string base = "/kestrel-fuzz/";
    InitRunSettingsPaths(s, base, base + "windows");
    return s;
  }();
  ProfileFile file;
  file.Parse(SjisView(reinterpret_cast<const char*>(data), size));
  // Kept across inputs: assigning the fresh record reuses their strings.
  static RunSettings settings, reloaded;
  settings = fresh;
  ApplySettings(settings, file);

  // The save rewrites what it loaded, keeping the lines it does not own.
  StoreSettings(settings, file);
  ProfileFile saved;
  saved.Parse(file.Serialize());
  reloaded = fresh;
  ApplySettings(reloaded, saved);
  fuzz::Check(reloaded.pmap_flg == settings.pmap_flg && reloaded.plog == settings.plog &&
                  reloaded.jdpi == settings.jdpi && reloaded.pdat2_time == settings.pdat2_time &&
                  reloaded.pdfbk == settings.pdfbk && reloaded.pfline == settings.pfline &&
                  reloaded.pAutoFontWidth == settings.pAutoFontWidth && reloaded.wait_time == settings.wait_time,
              "saved numbers load back");
  fuzz::Check(reloaded.jpath.empty(), "$jpath is saved empty");
  return 0;
}
