#pragma once

#include "platform/text_codec.h"

namespace kestrel {

// CP932 <-> UTF-8 through glibc's iconv, which maps the NEC and IBM
// extension rows and the user-defined area (F040-F9FC <-> U+E000-U+E757)
// as Windows does.
class IconvCodec final : public TextCodec {
 public:
  std::string ToUtf8(SjisView sjis, bool* ok) const override;
  SjisString ToCp932(std::string_view utf8, bool* ok) const override;
};

// The codec of the process, installed on first use.
const TextCodec& InstallIconvCodec();

}  // namespace kestrel

namespace kestrel {

// UTF-8 text in the encoding of the process's locale (LC_CTYPE of the
// environment), as a terminal shows it; a character the locale's encoding
// cannot hold becomes '?'. Unchanged when the locale is UTF-8.
std::string Utf8ToLocaleText(std::string_view utf8);

}  // namespace kestrel
