// libcups, opened on the first use of the print system's queues rather than
// at start: a run with the CUPS queues hidden never loads it. The print
// system's calls go through this table (Cups().cupsGetDests2(...)).
#pragma once

#include <cups/cups.h>

#include <string>

#include "platform/loader/shared_library.h"

#define KESTREL_CUPS_FUNCTIONS(X)                                                                                     \
  X(cupsAddIntegerOption) X(cupsAddOption) X(cupsCancelDestJob) X(cupsCheckDestSupported) X(cupsCopyDestInfo)      \
  X(cupsCreateDestJob) X(cupsDoRequest) X(cupsFindDestDefault) X(cupsFinishDestDocument) X(cupsFreeDestInfo)        \
  X(cupsFreeDests) X(cupsFreeOptions) X(cupsGetDestMediaByIndex) X(cupsGetDestMediaByName)                         \
  X(cupsGetDestMediaCount) X(cupsGetDests2) X(cupsLastError) X(cupsLastErrorString) X(cupsStartDestDocument)        \
  X(cupsUser) X(cupsWriteRequestData) X(httpAssembleURIf) X(ippAddString) X(ippAddStrings) X(ippDelete)            \
  X(ippErrorString) X(ippFindAttribute) X(ippFirstAttribute) X(ippGetBoolean) X(ippGetCount) X(ippGetGroupTag)      \
  X(ippGetInteger) X(ippGetName) X(ippGetResolution) X(ippGetStatusCode) X(ippGetString) X(ippNewRequest)           \
  X(ippNextAttribute)

namespace kestrel {

struct CupsLibrary {
  KESTREL_CUPS_FUNCTIONS(KESTREL_FUNCTION_POINTER)
};

// Opens libcups once per process; false with the reason in error (on every
// call) when it cannot be opened or lacks one of the functions.
bool OpenCups(std::string& error);

// The opened library; only after OpenCups succeeded.
const CupsLibrary& Cups();

}  // namespace kestrel
