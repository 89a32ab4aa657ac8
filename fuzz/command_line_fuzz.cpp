// The command-line scans over a fuzzed argument list (NUL-separated), and
// the comma list of the -p value.
#include "app/command_line.h"
#include "fuzz_support.h"
#include "util/comma_list.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::Init(), true);
  (void)ready;
  static const std::string base = fuzz::ScratchFolder("command-line");
  std::vector<std::string> args = fuzz::SplitAtNul(data, size);
  args.insert(args.begin(), base + "bin/kestrel");

  RunSettings settings;
  InitRunSettingsPaths(settings, base, base + "windows");
  std::string missing;
  bool complete = ScanFallbackOptions(settings, args, &missing);
  fuzz::Check(complete || !missing.empty(), "a stopped fallback scan names the option");
  fuzz::Check(settings.pmap_flg >= 0 && settings.pmap_flg <= 6, "the fill method stays in 0-6");

  MainScan scan = ScanMainOptions(settings, args);
  fuzz::Check(scan.stop == ScanStop::kCompleted || scan.mode == RunMode::kNone,
              "a scan that stopped early has no run mode");
  fuzz::Check(scan.printListArgument.size() <= 200, "the print-list argument is cut");
  if (scan.stop == ScanStop::kPrintListMissing) PrintListMissingMessage(scan.printListArgument);
  if (scan.stop == ScanStop::kMissingValue) MissingValueMessage(scan.missingOption);
  for (const std::string& item : SplitCommaList(scan.printTarget)) {
    fuzz::Check(item.size() <= scan.printTarget.size(), "an item is part of the list");
  }
  for (const std::string& arg : args) SplitCommaList(arg);
  return 0;
}
