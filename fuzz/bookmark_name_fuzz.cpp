// The bookmark CSV and the PDF document name from fuzzed information files.
// The input, split at NUL bytes: the first information file, up to three
// more, and (when the knob says so) the information file's path as
// written, which need not exist. Its last bytes choose $pdf_fn_check,
// $pdf_fn_length and $pdf_fn_string. The name must be one file name
// (no separator, never "." or ".."), before and after the bookmark step
// changed the length flag, and the bookmark step writes only its CSV into
// the PDF folder and nothing anywhere else. The name is checked before the
// step runs, so a broken rule stops the run before it writes outside.
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "app/run_settings.h"
#include "pdf/bookmark_csv.h"
#include "platform/text_codec.h"

using namespace kestrel;

namespace {

namespace fs = std::filesystem;

void CheckName(const std::string& name) {
  fuzz::Check(name.find('/') == std::string::npos && name.find('\\') == std::string::npos,
              "a name from data holds no path separator");
  fuzz::Check(name != "." && name != "..", "a name from data is no dot step");
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), true);
  (void)ready;
  // The PDF folder lies deep in the scratch folder, so that a name leaving
  // it would still land where the check below sees it.
  static const fs::path root = fs::path(fuzz::ScratchFolder("bookmark-name")).parent_path();
  static const fs::path base = root / "a/b/c/d/e/f";
  static const fs::path info = base / "data";
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(base / "vpdf", ec);
  fs::create_directories(info, ec);

  uint8_t knobs[3] = {0, 0, 0};
  for (size_t i = 0; i < 3 && i < size; ++i) knobs[i] = data[size - 1 - i];
  RunSettings settings;
  InitRunSettingsPaths(settings, base.string() + "/", base.string() + "/windows/");
  settings.pdf_fn_check = knobs[0] % 4;
  settings.pdf_fn_length = knobs[1] % 3;
  settings.pdf_fn_string = (knobs[2] & 1) ? "\"#\",\".\",\"%\"" : "";

  const std::vector<std::string> pieces = fuzz::SplitAtNul(data, size);
  std::vector<std::string> written;
  for (size_t i = 0; i < pieces.size() && i < 4; ++i) {
    const std::string name = "I000" + std::to_string(i + 1) + ".txt";
    if (FILE* f = std::fopen((info / name).c_str(), "wb")) {
      std::fwrite(pieces[i].data(), 1, pieces[i].size(), f);
      std::fclose(f);
    }
    written.push_back(name);
  }
  settings.InfoFile = (knobs[2] & 2) && pieces.size() > 1 ? info.string() + "/" + pieces.back()
                                                          : (info / "I0001.txt").string();

  RunSettings probe = settings;
  CheckName(MakePdfBaseName(probe, settings.InfoFile));
  fuzz::QuietUi ui;
  MakeBookmarkCsv(settings, ui, info.string() + "/", "*.txt");
  const std::string title = MakePdfBaseName(settings, settings.InfoFile);
  CheckName(title);

  // Only the CSV, in the PDF folder; the rest of the tree as it was.
  const std::vector<std::string> pdf = Entries(base / "vpdf");
  fuzz::Check(pdf.size() <= 1, "one bookmark list at most");
  for (const std::string& name : pdf)
    fuzz::Check(name.size() >= 4 && name.compare(name.size() - 4, 4, ".csv") == 0, "the PDF folder holds the CSV");
  for (fs::path level = base.parent_path();; level = level.parent_path()) {
    fuzz::Check(Entries(level).size() == 1, "nothing is written above the base folder");
    if (level == root) break;
  }
  fuzz::Check(Entries(base).size() == 2, "nothing is written in the base folder");
  fuzz::Check(Entries(info).size() == written.size(), "nothing is written among the information files");
  return 0;
}
