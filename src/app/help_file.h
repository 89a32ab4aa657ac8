// The usage text written by "-?" to zoq\kestrel_help.txt: fixed lines in
// code page 932, each ending with CR LF.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"

namespace kestrel {

// The 67 lines of the usage text (UTF-8, without line ends).
std::vector<std::string> HelpFileLines();
std::string HelpFilePath(const std::string& baseDir);

// Replaces the help file under baseDir, then shows its full path followed
// by "へ出力しました". false, with the reason in error and nothing shown,
// when the file cannot be written: the run then ends without printing.
bool WriteHelpFile(const std::string& baseDir, Ui& ui, std::string* error);

}  // namespace kestrel
