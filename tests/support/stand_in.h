// Stand-ins for outside programs (the outliner, the filing plug-ins, the
// desktop's opener): shell scripts written by a test where the program
// would be, which record what they were given and answer as told.
#pragma once

#include <string>

namespace kestrel::test {

// Writes an executable "#!/bin/sh" script with body at path (its folders
// are made).
void WriteStandIn(const std::string& path, const std::string& body);

// A body that writes each argument on its own line to file.
std::string RecordArgs(const std::string& file);

}  // namespace kestrel::test
