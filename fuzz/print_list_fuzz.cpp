// Print lists: a fuzzed plist.inf read against a folder holding a data
// file, a sub-folder and a pipe; the folder listing with a fuzzed pattern.
// Only files may come out of a list, never folders or pipes.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "app/print_lists.h"
#include "fuzz_support.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), true);
  (void)ready;
  static const std::string folder = [] {
    std::string f = fuzz::ScratchFolder("print-list");
    std::ofstream(f + "a.pdat") << "x";
    std::ofstream(f + "p0001.pdat") << "x";
    std::filesystem::create_directories(f + "sub.pdat");
    mkfifo((f + "pipe.pdat").c_str(), 0600);
    return f;
  }();
  fuzz::QuietUi ui;
  RunSettings settings;
  InitRunSettingsPaths(settings, folder, folder + "windows");
  settings.PrintListPath = fuzz::WriteScratch(data, size, ".inf");
  std::vector<std::string> list;
  ReadPrintList(settings, folder.substr(0, folder.size() - 1), list, ui);
  for (const std::string& path : list) {
    std::error_code ec;
    fuzz::Check(std::filesystem::is_regular_file(path, ec), "a print list gives only files");
  }
  fuzz::Check(!list.empty() || ui.messages == 1, "an empty list is reported once");

  // The first line of the input as a listing pattern.
  std::string pattern(reinterpret_cast<const char*>(data), size);
  pattern = pattern.substr(0, std::min(pattern.find('\n'), size_t(64)));
  std::vector<std::string> found;
  std::string infoFile = "unchanged";
  CollectFolderFiles(folder, pattern, found, infoFile);
  fuzz::Check(!found.empty() || infoFile == "unchanged", "no match leaves the information file");
  InfoFileName(pattern);
  return 0;
}
