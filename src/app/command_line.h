// The command line: option vocabulary and the two scans.
//
// The argument list is the program's path (item 0) followed by the
// arguments. Options are compared without regard to case; values are taken
// from the following item as they stand (paths keep their case on this
// system). Every scan walks the whole list from item 0, and an item after a
// value-taking option is still examined as an option in its own turn.
//
// The fallback scan (-x -e -e2 -a -g -f -l -t) fills settings only while
// the settings file cannot be read; the main scan (-? -plist= -winprt -h
// -pd -p -debug) runs every time and decides what the run does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/run_settings.h"
#include "platform/ui.h"

namespace kestrel {

// Exit code of a run refused because a value-taking option was given last.
inline constexpr int kExitMissingValue = 2;

// The message for a value-taking option without its value.
std::string MissingValueMessage(const std::string& option);

// Fallback scan over the list into the settings. Returns false, with the
// option in missingOption, when a value-taking option is the last item
// (the settings are then left as far as the scan got).
bool ScanFallbackOptions(RunSettings& settings, const std::vector<std::string>& args, std::string* missingOption);

// The fallback scan of a run without a settings file (the controller then
// saves the settings, which creates the file). A value-taking option
// without its value shows MissingValueMessage and returns false: the run
// must end without printing, saving or notifying the caller (exit code
// kExitMissingValue).
bool ApplyFallbackOptions(RunSettings& settings, const std::vector<std::string>& args, Ui& ui);

enum class RunMode { kNone, kPrint, kMaintenance };

// Why the main scan stopped before the end of the list.
enum class ScanStop {
  kCompleted,         // every item examined
  kHelp,              // "-?": write the help file (WriteHelpFile), nothing printed
  kWinPrinter,        // "-winprt": the default-printer choice, nothing printed
  kPrintListMissing,  // "-plist=" naming no file: PrintListMissingMessage, notify, nothing printed
  kMissingValue,      // "-h", "-pd" or "-p" given last: MissingValueMessage, exit kExitMissingValue
};

struct MainScan {
  RunMode mode = RunMode::kNone;  // kNone whenever the scan stopped early
  ScanStop stop = ScanStop::kCompleted;
  std::string printTarget;        // the -p value, as given
  std::string printListArgument;  // the -plist= text (at most 100 bytes in code page 932)
  std::string missingOption;
};

// Main scan. Sets ParentWindow (-h), PrinterName (-pd), PrintListPath and
// PrintListGiven (-plist=, the path resolved with ResolveUserPath) and
// pdat_flg = 1 (-debug) in the settings.
MainScan ScanMainOptions(RunSettings& settings, const std::vector<std::string>& args);

// Texts the controller shows or logs for the scan's stops.
std::string PrintListMissingMessage(const std::string& printListArgument);
std::string PrintListErrorLogLine(uint64_t window);  // a kind-2 log line
inline constexpr const char* kHelpWrittenMessage = "zoq\\kestrel_help.txtが作成されました。";

// Lower case of ASCII letters (option comparison).
std::string LowerAscii(const std::string& text);

}  // namespace kestrel
