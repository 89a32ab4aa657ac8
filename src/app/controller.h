#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace kestrel {

// Runs the program with its command-line arguments; returns the exit code.
int RunProgram(Services services, const std::vector<std::string>& args);

}  // namespace kestrel
