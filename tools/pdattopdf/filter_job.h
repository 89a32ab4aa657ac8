// What pdattopdf is asked to do: CUPS' filter arguments
//   pdattopdf job-id user title copies options [file...]
// and how the job's options meet the page's own Paper command.
//
// The page decides what it was drawn for: its paper and orientation (the
// job's media and orientation-requested are not applied to it). The job
// decides what CUPS and the printer make of the finished pages: copies and
// sides (the page's copies and duplex are not applied). The files of one run
// are one document, as a -p list is for kestrel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

struct FilterJob {
  std::string jobId;
  std::string user;
  std::string title;
  int copies = 1;
  // The job's sides (one-sided, two-sided-long-edge, two-sided-short-edge);
  // empty when it names none, or none of these.
  std::string sides;
  // "name=value" of the job's options the page overrides (media,
  // orientation-requested), for the log.
  std::vector<std::string> overridden;
  // Options that are not understood, for a warning.
  std::vector<std::string> unusable;
  // The print-data files; empty: standard input.
  std::vector<std::string> files;
};

// Reads the arguments after the program's name. false with the reason when
// they are not a filter's: fewer than five, or copies not a number from 1
// to 9999.
bool ParseFilterArguments(const std::vector<std::string>& args, FilterJob& job, std::string& error);

// The accounting line of a drawn page. "PAGE: n copies" where the filter's
// PDF is the last step: run by hand or by a host that names no final
// format. In a CUPS job (finalContentType set) the PDF always passes
// pdftopdf or a driver, which counts the sheets the printer gets with the
// copies they make; a PAGE line of ours would count each page twice in the
// page log, so it is a DEBUG line there.
std::string PageLine(size_t page, int copies, const char* finalContentType);

}  // namespace kestrel
