#pragma once

#include "platform/text_codec.h"

namespace kestrel {

// CP932 <-> UTF-8 through the system's code page 932 tables
// (MultiByteToWideChar / WideCharToMultiByte).
class Cp932Codec final : public TextCodec {
 public:
  std::string ToUtf8(SjisView sjis, bool* ok) const override;
  SjisString ToCp932(std::string_view utf8, bool* ok) const override;
};

// The codec of the process, installed on first use.
const TextCodec& InstallCp932Codec();

}  // namespace kestrel

namespace kestrel {

// UTF-8 text in the console's output code page (the ANSI code page when
// there is no console), as a terminal shows it; '?' for what it cannot hold.
std::string Utf8ToConsoleText(std::string_view utf8);

}  // namespace kestrel
