// kestrel-outliner: adds the bookmarks of a bookmark CSV to a PDF.
//
//   kestrel-outliner /D SOURCE.pdf /O OUTPUT.pdf /B BOOKMARKS.csv [/V]
//
// The command line of the outliner the bookmark dialog starts (the options
// also as -D, -O, -B, -V, in either case). /V lists each bookmark added.
// Exit codes: 0 written; 1 nothing written (a missing file, a damaged PDF,
// a row naming no page or a page past the end, an output that cannot be
// written; the reason on standard error); 2 wrong use.
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "pdf_outline.h"
#include "platform/linux/iconv_codec.h"

namespace {

constexpr const char* kUsage =
    "usage: kestrel-outliner /D SOURCE.pdf /O OUTPUT.pdf /B BOOKMARKS.csv [/V]\n"
    "  adds one bookmark per row of the CSV (field 3 the title, field 7 the page) to SOURCE and writes OUTPUT\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "kestrel-outliner: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kestrel;
  InstallIconvCodec();
  std::string source, output, csv;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    const char letter = arg.size() == 2 && (arg[0] == '/' || arg[0] == '-') ? char(std::toupper(arg[1])) : 0;
    if (letter == 'V') {
      verbose = true;
      continue;
    }
    std::string* value = letter == 'D' ? &source : letter == 'O' ? &output : letter == 'B' ? &csv : nullptr;
    if (value == nullptr || i + 1 >= argc) {
      std::fprintf(stderr, "kestrel-outliner: %s %s\n%s", value == nullptr ? "unknown argument" : "no value after",
                   arg.c_str(), kUsage);
      return 2;
    }
    *value = argv[++i];
  }
  if (source.empty() || output.empty() || csv.empty()) {
    std::fprintf(stderr, "kestrel-outliner: /D, /O and /B are needed\n%s", kUsage);
    return 2;
  }
  std::vector<Bookmark> bookmarks;
  std::string error;
  if (!ReadBookmarkCsv(csv, bookmarks, error)) return Fail(error);
  if (!AddBookmarks(source, output, bookmarks, error)) return Fail(error);
  if (verbose) {
    for (const Bookmark& b : bookmarks) std::printf("page %d: %s\n", b.page, b.title.c_str());
    std::printf("%zu bookmarks: %s\n", bookmarks.size(), output.c_str());
  }
  return 0;
}
