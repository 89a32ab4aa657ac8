// Runs a program as a calling application would: arguments, extra
// environment, captured standard output and error, exit code.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kestrel::test {

struct ProgramRun {
  int exitCode = -1;
  std::string out;
  std::string err;
  // Peak resident memory of the program (KiB, from wait4). Linux carries a
  // process's peak over an exec, so this is at least the test program's own
  // peak: an upper bound of the program's.
  long peakRssKiB = 0;
};

ProgramRun RunProgramAndWait(const std::string& program, const std::vector<std::string>& args,
                             const std::vector<std::pair<std::string, std::string>>& env = {},
                             int timeoutSeconds = 120);

// Standard output of a shell command (for the poppler tools that read pages back).
std::string Shell(const std::string& command);

}  // namespace kestrel::test
