// The output file of the operator lists (fonts, printers, papers): created
// new or replaced, CP932, each line ended by a single line feed. A failing
// write is ignored and the next text is written, as the lists require.
#pragma once

#include <fstream>
#include <string>
#include <string_view>

#include "util/text_codec.h"

namespace kestrel {

class ListFile {
 public:
  // Creates or truncates the file; false when it cannot be created.
  bool Create(const std::string& path);
  // Writes a UTF-8 text converted to CP932, as it is (no line feed added).
  void Text(std::string_view utf8);
  // Writes a UTF-8 text converted to CP932 and a line feed.
  void Line(std::string_view utf8);
  // Writes CP932 bytes unchanged.
  void Bytes(SjisView bytes);
  void Close();

 private:
  std::ofstream out_;
};

}  // namespace kestrel
