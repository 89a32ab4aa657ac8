// The program's one UTF-8 decoder. Texts live in memory as UTF-8, but some
// reach the canvases unchecked (a data file's name is whatever bytes the
// file system holds), so every reader of code points decodes through here
// and sees the same characters.
//
// A malformed sequence becomes one U+FFFD per maximal subpart, the usual
// rule of the Unicode standard: a valid lead byte followed by fewer
// continuation bytes than it needs is one replacement, and decoding goes on
// at the first byte that did not fit; a byte that cannot start a character
// (a stray continuation byte, C0, C1, F5-FF) is one replacement on its own.
// Overlong forms, surrogates and values above U+10FFFF are malformed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrel {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

struct Utf8Char {
  char32_t codepoint = 0;
  size_t length = 0;       // bytes taken from the text, at least 1
  bool malformed = false;  // codepoint is the replacement of a malformed sequence
};

// The character starting at text[at]; at must be below text.size().
Utf8Char DecodeUtf8(std::string_view text, size_t at);

bool IsValidUtf8(std::string_view text);

// Appends text to out with every malformed sequence replaced by U+FFFD.
void AppendValidUtf8(std::string_view text, std::string& out);

// Appends the UTF-8 form of one code point (U+FFFD for one that has none).
void AppendUtf8(char32_t codepoint, std::string& out);

}  // namespace kestrel
