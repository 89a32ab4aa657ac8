#include "platform/linux/cups_queue_state.h"

#include <string_view>
#include <utility>

#include "platform/print_system.h"

namespace kestrel {

namespace {

struct ReasonBit {
  const char* reason;  // without its severity suffix
  uint32_t bit;
};

// printer-state-reasons keywords and the printer status bit each sets. A
// reason with the suffix "-warning" reports no fault and sets nothing; the
// suffixes "-report" and "-error" are taken off before the lookup, and a
// reason marked "-error" that the table lacks sets the general error bit.
constexpr ReasonBit kPrinterReasons[] = {
    {"media-empty", kPrinterStatusPaperOut},
    {"media-needed", kPrinterStatusPaperOut},
    {"media-jam", kPrinterStatusPaperJam},
    {"input-tray-missing", kPrinterStatusPaperProblem},
    {"offline", kPrinterStatusOffline},
    {"shutdown", kPrinterStatusOffline},
    {"output-area-full", kPrinterStatusOutputBinFull},
    {"toner-empty", kPrinterStatusNoToner},
    {"marker-supply-empty", kPrinterStatusNoToner},
    {"toner-low", kPrinterStatusTonerLow},
    {"door-open", kPrinterStatusDoorOpen},
    {"cover-open", kPrinterStatusDoorOpen},
    {"interlock-open", kPrinterStatusDoorOpen},
    {"spool-area-full", kPrinterStatusOutOfMemory},
    {"paused", kPrinterStatusPaused},
    {"other", kPrinterStatusError},
};

// job-state-reasons keywords and the job status bit each sets; a reason
// ending in "-error" sets the error bit.
constexpr ReasonBit kJobReasons[] = {
    {"printer-stopped", kJobStatusBlockedDevq},
    {"printer-stopped-partly", kJobStatusBlockedDevq},
    {"job-incoming", kJobStatusSpooling},
    {"job-data-insufficient", kJobStatusSpooling},
};

// Printer status bits that a job reports as its own when the server
// recorded them with the job.
constexpr std::pair<uint32_t, uint32_t> kJobBitsOfPrinter[] = {
    {kPrinterStatusPaperOut, kJobStatusPaperOut},
    {kPrinterStatusOffline, kJobStatusOffline},
};

constexpr int kPrinterStopped = 5;
constexpr int kPrinterProcessing = 4;
constexpr int kJobHeld = 4;
constexpr int kJobProcessing = 5;
constexpr int kJobStopped = 6;

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

uint32_t Lookup(const ReasonBit* table, size_t count, std::string_view reason) {
  for (size_t i = 0; i < count; ++i)
    if (reason == table[i].reason) return table[i].bit;
  return 0;
}

}  // namespace

uint32_t PrinterStatusOfQueue(int printerState, const std::vector<std::string>& reasons, bool accepting) {
  uint32_t status = 0;
  // A stopped queue prints nothing until it is started again: offline.
  if (printerState == kPrinterStopped) status |= kPrinterStatusOffline;
  if (printerState == kPrinterProcessing) status |= kPrinterStatusPrinting;
  if (!accepting) status |= kPrinterStatusNotAvailable;
  for (const std::string& r : reasons) {
    std::string_view reason = r;
    if (EndsWith(reason, "-warning")) continue;
    const bool error = EndsWith(reason, "-error");
    if (error) reason.remove_suffix(6);
    if (EndsWith(reason, "-report")) reason.remove_suffix(7);
    uint32_t bit = Lookup(kPrinterReasons, std::size(kPrinterReasons), reason);
    if (bit == 0 && error) bit = kPrinterStatusError;
    status |= bit;
  }
  return status;
}

uint32_t JobStatusOfQueue(int jobState, const std::vector<std::string>& reasons,
                          const std::vector<std::string>& printerReasons) {
  uint32_t status = 0;
  if (jobState == kJobHeld) status |= kJobStatusPaused;
  if (jobState == kJobProcessing) status |= kJobStatusPrinting;
  // Stopped while printing.
  if (jobState == kJobStopped) status |= kJobStatusPrinting | kJobStatusError;
  for (const std::string& reason : reasons) {
    status |= Lookup(kJobReasons, std::size(kJobReasons), reason);
    if (EndsWith(reason, "-error")) status |= kJobStatusError;
  }
  // The printer's reasons by the printer's table (idle, accepting: only the
  // reasons count).
  const uint32_t printer = PrinterStatusOfQueue(0, printerReasons, true);
  for (const auto& [printerBit, jobBit] : kJobBitsOfPrinter)
    if ((printer & printerBit) != 0) status |= jobBit;
  return status;
}

}  // namespace kestrel
