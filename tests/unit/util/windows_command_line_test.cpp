#include "util/windows_command_line.h"

#include <gtest/gtest.h>

#include <set>

namespace kestrel {
namespace {

using Args = std::vector<std::string>;

TEST(WindowsCommandLine, QuotesAndBackslashesFollowTheRuntimeRules) {
  EXPECT_EQ(SplitCommandLineArgs(R"( a  "b c"	d )"), (Args{"a", "b c", "d"}));
  // Backslashes are plain unless a quote follows them.
  EXPECT_EQ(SplitCommandLineArgs(R"(C:\dir\file "C:\a b\c")"), (Args{R"(C:\dir\file)", R"(C:\a b\c)"}));
  // 2n backslashes + quote: n backslashes, the quote delimits; 2n+1: a literal quote.
  EXPECT_EQ(SplitCommandLineArgs(R"(a\\"b c" x\"y a\\\"b)"), (Args{R"(a\b c)", R"(x"y)", R"(a\"b)"}));
  // A folder ending in a backslash swallows its closing quote.
  EXPECT_EQ(SplitCommandLineArgs(R"("C:\out\" /V)"), (Args{R"(C:\out" /V)"}));
  // "" inside a quoted part is a quote; quotes join parts into one word.
  EXPECT_EQ(SplitCommandLineArgs(R"("a""b" x"y z"w "")"), (Args{R"(a"b)", "xy zw", ""}));
}

TEST(WindowsCommandLine, AnUnquotedProgramWithBlanksIsSearchedWordByWord) {
  std::set<std::string> files = {"/k/Program Files/PFU/Rk.exe"};
  auto isFile = [&](const std::string& p) { return files.count(p) > 0; };

  CommandLineParts p = SplitCommandLine(R"(/k/Program Files/PFU/Rk.exe "/k/r.ini" 3)", isFile);
  EXPECT_EQ(p.program, "/k/Program Files/PFU/Rk.exe");
  EXPECT_EQ(p.args, (Args{"/k/r.ini", "3"}));

  // The shorter name wins when it is a file, as CreateProcess tries it first.
  files.insert("/k/Program");
  p = SplitCommandLine(R"(/k/Program Files/PFU/Rk.exe x)", isFile);
  EXPECT_EQ(p.program, "/k/Program");
  EXPECT_EQ(p.args, (Args{"Files/PFU/Rk.exe", "x"}));

  // Nothing found: the first word (its start then fails).
  p = SplitCommandLine(R"(/none/Program Files/x.exe "a b")", isFile);
  EXPECT_EQ(p.program, "/none/Program");
  EXPECT_EQ(p.args, (Args{"Files/x.exe", "a b"}));

  // A quoted program is taken as written, blanks and all, with no search.
  p = SplitCommandLine(R"("/k/Program Files/PFU/Rk.exe" /D "a b" /V)", isFile);
  EXPECT_EQ(p.program, "/k/Program Files/PFU/Rk.exe");
  EXPECT_EQ(p.args, (Args{"/D", "a b", "/V"}));
}

}  // namespace
}  // namespace kestrel
