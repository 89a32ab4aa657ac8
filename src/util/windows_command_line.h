// Windows command lines: the outliner and the document-filing plug-ins are
// started with one command-line text, as CreateProcess takes it. This
// system starts programs with an argument list, so the text is taken apart
// as Windows takes it apart:
//  - the program is the first word; a quoted first word is the text up to
//    the next quote; an unquoted one holding blanks is searched as
//    CreateProcess searches it (each longer run of words up to a blank,
//    the first that names a file wins: "/k/Program Files/x.exe a" finds
//    /k/Program Files/x.exe when /k/Program does not exist);
//  - the arguments after it follow the C runtime's rules: blanks separate
//    words outside quotes; 2n backslashes before a quote give n backslashes
//    and the quote opens or closes a quoted part, 2n+1 give n backslashes
//    and a literal quote; other backslashes are plain; "" inside a quoted
//    part is a literal quote.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"

namespace kestrel {

// The arguments of a command-line text by the C runtime's rules (the
// program word included, as an ordinary word).
std::vector<std::string> SplitCommandLineArgs(std::string_view line);

struct CommandLineParts {
  std::string program;
  std::vector<std::string> args;
};

// The program (found with isFile for an unquoted first word with blanks)
// and the arguments after it.
CommandLineParts SplitCommandLine(std::string_view line, const std::function<bool(const std::string&)>& isFile);

// Starts a command line and waits for it without a time-out.
ProcessResult RunCommandLine(System& system, std::string_view line);

}  // namespace kestrel
