// The PDF document name from a fuzzed information file, with the name
// rules chosen by the input's last bytes, and the bookmark rows.
#include "fuzz_support.h"
#include "app/run_settings.h"
#include "pdf/bookmark_csv.h"
#include "platform/text_codec.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), true);
  (void)ready;
  static const std::string base = fuzz::ScratchFolder("pdf-name");
  RunSettings settings;
  InitRunSettingsPaths(settings, base, base + "windows");
  uint8_t knobs[3] = {0, 0, 0};
  for (size_t i = 0; i < 3 && i < size; ++i) knobs[i] = data[size - 1 - i];
  settings.pdf_fn_check = knobs[0] % 4;
  settings.pdf_fn_length = knobs[1] % 3;
  settings.pdf_fn_string = (knobs[2] & 1) ? "#,%,\"&\"" : "";
  std::string info = fuzz::WriteScratch(data, size, ".txt");
  std::string name = MakePdfBaseName(settings, info);
  MakePdfBaseName(settings, info);  // a second call sees the length flag the first one left
  fuzz::Check(name.find('\n') == std::string::npos, "a document name is one line");

  std::vector<std::string> pieces = fuzz::SplitAtNul(data, size);
  SjisString row = BookmarkCsvRow(int(size), pieces[0], pieces.size() > 1 ? SjisView(pieces[1]) : SjisView());
  fuzz::Check(row.size() >= 2 && row.compare(row.size() - 2, 2, "\r\n") == 0, "a row ends with CR LF");
  return 0;
}
