// A CUPS queue's state in the printing interface's status bits: the
// printer's state and state reasons, and each unfinished job's state and
// state reasons, turned into printer and job status bits by the tables of
// cups_queue_state.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

// printerState: the IPP printer-state (3 idle, 4 processing, 5 stopped);
// reasons: printer-state-reasons; accepting: printer-is-accepting-jobs.
uint32_t PrinterStatusOfQueue(int printerState, const std::vector<std::string>& reasons, bool accepting);

// jobState: the IPP job-state (3 pending ... 9 completed); reasons:
// job-state-reasons; printerReasons: job-printer-state-reasons, the
// printer's reasons the server recorded with the job (paper out and offline
// become the job's own bits).
uint32_t JobStatusOfQueue(int jobState, const std::vector<std::string>& reasons,
                          const std::vector<std::string>& printerReasons = {});

}  // namespace kestrel
