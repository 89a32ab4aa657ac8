// Japanese character-form conversions and small text helpers.
//
// MapCharWidth works on Shift-JIS (code page 932) bytes with the Japanese
// locale's width and kana mappings, written out as tables here so the core
// needs no system call:
//   mode 1  half-width: full-width ASCII forms, the ideographic space, the
//           full-width katakana and the kana punctuation become half-width;
//           voiced katakana split into letter + sound mark (ガ -> ｶﾞ)
//   mode 2  hiragana: katakana become hiragana
//   mode 3  katakana: hiragana become katakana
//   other   full-width: ASCII (except the backslash, which the locale
//           mapping leaves alone) and half-width katakana become full-width;
//           a letter followed by a sound mark becomes one character (ｶﾞ -> ガ)
// Characters without a form in the requested direction are copied.
#pragma once

#include <string>
#include <string_view>

#include "platform/text_codec.h"

namespace kestrel {

// Lead bytes of double-byte characters in code page 932.
constexpr bool IsSjisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The first bytes of a code page 932 text up to limit, one less when the
// last would split a double-byte character from its trail byte.
SjisString CutSjisBytes(SjisView text, size_t limit);

enum CharWidthMode { kToFullWidth = 0, kToHalfWidth = 1, kToHiragana = 2, kToKatakana = 3 };

// The result holds at most twice as many bytes as the text.
SjisString MapCharWidth(SjisView text, int mode);

// Replaces (mode 0) or removes (mode 1) every single-byte character of text
// that equals one of the fields of list (a loose comma list; an empty field
// stands for "0"). Mode 0 turns the backslash into the full-width yen sign
// and any other listed byte into its full-width form. Double-byte
// characters are never changed. Other modes return the text unchanged.
SjisString ReplaceListedChars(SjisView text, SjisView list, int mode);

// The text between two double quotes (quotes inside are not escaped).
std::string QuoteText(std::string_view text);

// Trims on UTF-8 text, character by character. An empty set stands for the
// blanks: space, ideographic space, line feed, tab, carriage return and
// vertical tab.
std::string TrimLeftChars(std::string_view text, std::string_view set = {});
std::string TrimRightChars(std::string_view text, std::string_view set = {});
std::string RemoveChars(std::string_view text, std::string_view set = {});

}  // namespace kestrel
