// JobFailure: a failure of a page that gprint does not handle itself but
// raises to its caller, whose exception step tells the operator and the
// calling application. Two failures take this route: the page's analysis
// log cannot be created, and the JPEG file cannot be saved. Every other
// failure is a return code with lastErrorMessage.
//
// what() is the job-log line (with the system's reason); gprint writes it
// to the job log (or the critical log) and to lastErrorMessage before the
// failure leaves it.
#pragma once

#include <stdexcept>
#include <string>

namespace kestrel {

class JobFailure : public std::runtime_error {
 public:
  explicit JobFailure(const std::string& logLine) : std::runtime_error(logLine) {}
};

}  // namespace kestrel
