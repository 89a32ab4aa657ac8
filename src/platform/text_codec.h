// Conversion between the system's text encoding (Shift-JIS, code page 932)
// and UTF-8, which the program uses in memory.
//
// The converter itself is a platform service (iconv on Linux, the code-page
// functions on Windows) installed once at start-up with InstallTextCodec.
// Texts defined on Shift-JIS bytes (print-data texts, byte-length cuts, the
// field splitters) travel as SjisString/SjisView so the type shows it.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// Shift-JIS (CP932) bytes.
using SjisString = std::string;
using SjisView = std::string_view;

class TextCodec {
 public:
  virtual ~TextCodec() = default;
  // Invalid or unmappable input becomes '?' (one per offending character)
  // and ok is set false.
  virtual std::string ToUtf8(SjisView sjis, bool* ok) const = 0;
  virtual SjisString ToCp932(std::string_view utf8, bool* ok) const = 0;
};

// Installs the process-wide converter (not owned; must outlive its use).
void InstallTextCodec(const TextCodec* codec);
const TextCodec& Codec();

// Shorthands on the installed converter (lossy: see TextCodec).
std::string Utf8FromSjis(SjisView sjis);
SjisString SjisFromUtf8(std::string_view utf8);

}  // namespace kestrel
