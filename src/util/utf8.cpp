#include "util/utf8.h"

#include <cstdint>

namespace kestrel {

namespace {

// The number of continuation bytes a lead byte needs and the range of the
// first of them (the later ones are always 80-BF); 0 for a byte that
// cannot start a character.
struct Lead {
  int continuations;
  uint8_t low, high;
};

constexpr Lead LeadOf(uint8_t b) {
  if (b >= 0xC2 && b <= 0xDF) return {1, 0x80, 0xBF};
  if (b == 0xE0) return {2, 0xA0, 0xBF};  // no overlong forms
  if (b == 0xED) return {2, 0x80, 0x9F};  // no surrogates
  if (b >= 0xE1 && b <= 0xEF) return {2, 0x80, 0xBF};
  if (b == 0xF0) return {3, 0x90, 0xBF};  // no overlong forms
  if (b == 0xF4) return {3, 0x80, 0x8F};  // nothing above U+10FFFF
  if (b >= 0xF1 && b <= 0xF3) return {3, 0x80, 0xBF};
  return {0, 0, 0};
}

}  // namespace

Utf8Char DecodeUtf8(std::string_view text, size_t at) {
  const auto b0 = static_cast<uint8_t>(text[at]);
  if (b0 < 0x80) return {b0, 1};
  const Lead lead = LeadOf(b0);
  if (lead.continuations == 0) return {kReplacementCharacter, 1, true};
  char32_t cp = b0 & (0x3F >> lead.continuations);
  for (int k = 1; k <= lead.continuations; ++k) {
    if (at + size_t(k) >= text.size()) return {kReplacementCharacter, size_t(k), true};
    const auto b = static_cast<uint8_t>(text[at + size_t(k)]);
    const uint8_t low = k == 1 ? lead.low : 0x80, high = k == 1 ? lead.high : 0xBF;
    if (b < low || b > high) return {kReplacementCharacter, size_t(k), true};
    cp = (cp << 6) | (b & 0x3F);
  }
  return {cp, size_t(lead.continuations) + 1};
}

bool IsValidUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    const auto b = static_cast<uint8_t>(text[at]);
    if (b < 0x80) {
      ++at;
      continue;
    }
    const Utf8Char c = DecodeUtf8(text, at);
    if (c.malformed) return false;
    at += c.length;
  }
  return true;
}

void AppendValidUtf8(std::string_view text, std::string& out) {
  for (size_t at = 0; at < text.size();) {
    const Utf8Char c = DecodeUtf8(text, at);
    if (c.malformed) AppendUtf8(kReplacementCharacter, out);
    else out.append(text.substr(at, c.length));
    at += c.length;
  }
}

void AppendUtf8(char32_t cp, std::string& out) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacementCharacter;
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | (cp >> 6)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | (cp >> 12)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (cp >> 18)));
    out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

}  // namespace kestrel
