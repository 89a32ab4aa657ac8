// The outliner call: bookmarks are added to a finished PDF by the outliner
// program (OutlinerCmd.exe; kestrel-outliner of this project answers to
// that name), started with one command line
//   "<outliner>" /D "<source PDF>" /O "<output PDF>" /B "<bookmark CSV>" /V
// and waited for; its exit code is not examined (a failure shows only as a
// missing output file). Also the opening of the result with the desktop's
// opener and the messages of the opener's answers.
#pragma once

#include <cstddef>
#include <string>

#include "platform/system.h"
#include "platform/ui.h"

namespace kestrel {

// The command line is built in a buffer of this many bytes, terminator
// included; a longer one is refused.
inline constexpr size_t kCommandLineBuffer = 10000;

inline constexpr const char* kOutlinerFailedMessage = "アウトライナー２の実行に失敗しました。";

// The command line above; every path in double quotes (QuoteText), quotes
// inside a path not escaped.
std::string OutlinerCommandLine(const std::string& outliner, const std::string& sourcePdf,
                                const std::string& outputPdf, const std::string& bookmarkCsv);

// Starts the outliner with that command line and waits for it. 0 when it
// ran (whatever its exit code); -1 with kOutlinerFailedMessage shown when it
// could not be started, the command line does not fit its buffer, or a path
// cannot be quoted whole (a double quote in it, or a backslash at its end,
// which would join it to the next word).
int RunOutliner(System& system, Ui& ui, const std::string& outliner, const std::string& sourcePdf,
                const std::string& outputPdf, const std::string& bookmarkCsv);

// The two checks of an outliner path before it is started, in this order:
// the file exists ("指定されたパスにOutlinerCmd.exeが存在していません。"),
// and its name is exactly "OutlinerCmd.exe", letter case included
// ("指定したOutlinerCmdパスは有効なプログラムではありません。"). path is the
// path of this system, name the path as the operator gave it. false with
// the message shown when one fails.
bool CheckOutlinerPath(Ui& ui, const std::string& path, const std::string& name);

// A regular file (or a link to one) at path.
bool IsExistingFile(const std::string& path);

// The operator's message for an answer of System::ShellOpen; nullptr for
// success and for the answers that have none.
const char* ShellOpenMessage(int code);

// Opens a file with the desktop's opener and shows the message of a
// failure answer; returns the answer.
int OpenWithShell(System& system, Ui& ui, const std::string& path);

}  // namespace kestrel
