#include "filter_job.h"

#include <cups/cups.h>

#include <algorithm>
#include <cstdlib>

#include "engine/print_data.h"

namespace kestrel {

namespace {

bool ParseCopies(const std::string& text, int& copies) {
  if (text.empty() || text.size() > 4) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  copies = std::atoi(text.c_str());
  return copies >= 1;
}

}  // namespace

bool ParseFilterArguments(const std::vector<std::string>& args, FilterJob& job, std::string& error) {
  if (args.size() < 5) {
    error = "usage: pdattopdf job-id user title copies options [file...]";
    return false;
  }
  job = FilterJob{};
  job.jobId = args[0];
  job.user = args[1];
  job.title = args[2];
  if (!ParseCopies(args[3], job.copies)) {
    error = "copies must be a number from 1 to 9999, not \"" + args[3] + "\"";
    return false;
  }
  job.files.assign(args.begin() + 5, args.end());

  cups_option_t* options = nullptr;
  const int count = cupsParseOptions(args[4].c_str(), 0, &options);
  for (int i = 0; i < count; ++i) {
    const std::string name = options[i].name;
    const std::string value = options[i].value;
    if (name == "sides") {
      if (value == "one-sided" || value == "two-sided-long-edge" || value == "two-sided-short-edge") {
        job.sides = value;
      } else {
        job.unusable.push_back(name + "=" + value);
      }
    } else if (name == "media" || name == "PageSize" || name == "orientation-requested" || name == "landscape") {
      job.overridden.push_back(name + "=" + value);
    }
  }
  cupsFreeOptions(count, options);
  return true;
}

std::string PageLine(size_t page, int copies, const char* finalContentType) {
  const std::string counts = std::to_string(page) + " " + std::to_string(copies);
  if (finalContentType != nullptr && *finalContentType != '\0')
    return "DEBUG: page " + counts + " drawn (counted by the filter that makes " + finalContentType + ")";
  return "PAGE: " + counts;
}

}  // namespace kestrel
