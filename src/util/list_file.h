// The output file of the operator lists (fonts, printers, papers): created
// new or replaced, CP932, each line ended by a single line feed. A failing
// write is ignored and the next text is written, as the lists require; the
// list is written under a temporary name and put in place by Close, so a
// list that could not be written whole never replaces the earlier one.
#pragma once

#include <string>
#include <string_view>

#include "util/replacing_file.h"
#include "platform/text_codec.h"

namespace kestrel {

// What a list writer (font, printer and paper list) returns; the numbers are
// what the tools print. The font and printer lists use kWritten to
// kEmptyPath.
enum class ListResult : int {
  kNoDeviceChosen = 1,  // the device dialog chose nothing; nothing written
  kWritten = 0,
  kUnreachable = -1,  // the printer could not be reached (or its dialog failed)
  kCannotCreate = -2,
  kEmptyPath = -3,
  kDuplexQueryFailed = -4,
  kNoPaper = -5,
  kPaperQueryFailed = -6,
  kNotInstalled = -7,
};


class ListFile {
 public:
  // Starts the new file; false when it cannot be created.
  bool Create(const std::string& path);
  // Writes a UTF-8 text converted to CP932, as it is (no line feed added).
  void Text(std::string_view utf8);
  // Writes a UTF-8 text converted to CP932 and a line feed.
  void Line(std::string_view utf8);
  // Writes CP932 bytes unchanged.
  void Bytes(SjisView bytes);
  // Puts the file in place; false when a write failed or the file could
  // not be put in place (the earlier file, if any, is then kept).
  bool Close();

 private:
  ReplacingFile out_;
};

}  // namespace kestrel
