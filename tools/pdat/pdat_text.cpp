// Texts of the print-data text form: Shift-JIS and JIS X 0208 bytes to
// readable UTF-8 with escapes, and back.
#include "pdat_text.h"

#include <array>
#include <cstdio>
#include <memory>

#include "engine/print_data.h"
#include "platform/text_codec.h"

namespace kestrel::pdat {
namespace {

bool IsLead(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrail(unsigned b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// The code point of a UTF-8 text that holds exactly one character, or -1.
long SingleCodePoint(const std::string& s) {
  if (s.empty()) return -1;
  auto c = static_cast<unsigned char>(s[0]);
  size_t len = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
  if (len == 0 || s.size() != len) return -1;
  long cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
  for (size_t i = 1; i < len; ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
  return cp;
}

// Characters worth showing as themselves: no controls, no private-use
// characters (user-defined glyphs read better as their codes), no
// replacement character.
bool Showable(long cp) {
  if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) return false;
  if (cp >= 0xE000 && cp <= 0xF8FF) return false;
  return cp != 0xFFFD;
}

// For every Shift-JIS code (one byte, or lead * 256 + trail) the UTF-8 text
// that converts back to exactly that code, or empty when the code must be
// written as escapes. Built once with two batch conversions, so the dump
// does not call the converter per character.
class CodeTable {
 public:
  CodeTable() {
    std::vector<unsigned> codes;
    for (unsigned b = 0x20; b <= 0x7E; ++b) codes.push_back(b);
    for (unsigned b = 0xA1; b <= 0xDF; ++b) codes.push_back(b);
    for (unsigned s1 = 0x81; s1 <= 0xFC; ++s1) {
      if (!IsLead(s1)) continue;
      for (unsigned s2 = 0x40; s2 <= 0xFC; ++s2)
        if (IsTrail(s2)) codes.push_back(s1 << 8 | s2);
    }
    std::string sjis;
    for (unsigned code : codes) {
      if (code > 0xFF) sjis.push_back(char(code >> 8));
      sjis.push_back(char(code));
      sjis.push_back('\n');
    }
    std::vector<std::string> utf8 = Split(Codec().ToUtf8(sjis, nullptr));
    if (utf8.size() != codes.size()) return;  // converter misbehaves: escape everything
    std::string joined;
    for (const auto& u : utf8) joined += u + '\n';
    std::vector<std::string> back = Split(Codec().ToCp932(joined, nullptr));
    if (back.size() != codes.size()) return;
    for (size_t i = 0; i < codes.size(); ++i) {
      std::string expect;
      if (codes[i] > 0xFF) expect.push_back(char(codes[i] >> 8));
      expect.push_back(char(codes[i]));
      if (back[i] == expect && Showable(SingleCodePoint(utf8[i]))) text_[codes[i]] = utf8[i];
    }
  }

  const std::string& Text(unsigned code) const { return text_[code & 0xFFFF]; }

 private:
  static std::vector<std::string> Split(const std::string& s) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i)
      if (s[i] == '\n') {
        parts.push_back(s.substr(start, i - start));
        start = i + 1;
      }
    return parts;
  }

  std::array<std::string, 65536> text_;
};

const CodeTable& Table() {
  static const auto table = std::make_unique<CodeTable>();
  return *table;
}

void AppendEscape(std::string* out, uint8_t b) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "\\x%02X", b);
  *out += hex;
}

// The UTF-8 characters of a text, one per entry (an invalid byte stands alone).
std::vector<std::string> Characters(std::string_view utf8) {
  std::vector<std::string> chars;
  size_t i = 0;
  while (i < utf8.size()) {
    auto c = static_cast<unsigned char>(utf8[i]);
    size_t len = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    size_t n = 1;
    while (n < len && i + n < utf8.size() && (static_cast<unsigned char>(utf8[i + n]) & 0xC0) == 0x80) ++n;
    chars.emplace_back(utf8.substr(i, n));
    i += n;
  }
  return chars;
}

std::string Describe(const std::string& ch) {
  long cp = SingleCodePoint(ch);
  if (cp < 0) return "a byte that is not UTF-8";
  char u[32];
  std::snprintf(u, sizeof u, "U+%04lX", cp);
  if (cp < 0x20 || cp == 0x7F) return std::string("the character ") + u;
  return "\"" + ch + "\" (" + u + ")";
}

}  // namespace

bool SjisToJis(uint8_t s1, uint8_t s2, uint8_t* j1, uint8_t* j2) {
  if (!IsTrail(s2)) return false;
  unsigned lead = s1;
  unsigned code = unsigned(s1) << 8 | s2;
  // The user-defined rows are the JIS rows 0x76/0x77 moved up by 0x0C00.
  if ((code >= 0xF79F && code <= 0xF7FC) || (code >= 0xF840 && code <= 0xF89E)) lead -= 0x0C;
  if (!IsLead(lead)) return false;
  unsigned row = lead >= 0xE0 ? lead - 0xC1 : lead - 0x81;  // pair of JIS rows
  unsigned a, b;
  if (s2 >= 0x9F) {
    a = row * 2 + 0x22;
    b = s2 - 0x7E;
  } else {
    a = row * 2 + 0x21;
    b = s2 >= 0x80 ? s2 - 0x20 : s2 - 0x1F;
  }
  if (a < 0x21 || a > 0x7E || b < 0x21 || b > 0x7E) return false;
  // Keep only pairs the engine turns into this very code.
  const uint8_t pair[2] = {uint8_t(a), uint8_t(b)};
  uint8_t sjis[3] = {};
  JisToSjis(pair, 2, sjis);
  if (sjis[0] != s1 || sjis[1] != s2) return false;
  *j1 = uint8_t(a);
  *j2 = uint8_t(b);
  return true;
}

bool EncodeText(const std::vector<TextPiece>& pieces, bool jis, std::string* out, std::string* message) {
  std::string result;
  for (const auto& piece : pieces) {
    if (piece.raw) {
      result += piece.bytes;
      continue;
    }
    bool ok = true;
    std::string sjis = Codec().ToCp932(piece.bytes, &ok);
    if (ok && jis) {
      // Every character must be one double-byte code with a JIS pair.
      size_t i = 0;
      std::string pairs;
      while (ok && i < sjis.size()) {
        auto s1 = static_cast<uint8_t>(sjis[i]);
        uint8_t j1, j2;
        if (IsLead(s1) && i + 1 < sjis.size() && SjisToJis(s1, static_cast<uint8_t>(sjis[i + 1]), &j1, &j2)) {
          pairs.push_back(char(j1));
          pairs.push_back(char(j2));
          i += 2;
        } else {
          ok = false;
        }
      }
      sjis = pairs;
    }
    if (!ok) {
      // Find the character at fault, one by one.
      for (const auto& ch : Characters(piece.bytes)) {
        bool one = true;
        std::string code = Codec().ToCp932(ch, &one);
        if (!one || SingleCodePoint(ch) < 0) {
          *message = Describe(ch) + " has no Shift-JIS code";
          return false;
        }
        uint8_t j1, j2;
        if (jis && (code.size() != 2 || !SjisToJis(uint8_t(code[0]), uint8_t(code[1]), &j1, &j2))) {
          *message = Describe(ch) + (code.size() == 1 ? " is half-width: a class 3-5 text holds only "
                                                        "full-width characters (write \\xHH for raw bytes)"
                                                      : " has no JIS X 0208 code");
          return false;
        }
      }
      *message = "the text cannot be converted";
      return false;
    }
    result += sjis;
  }
  *out = std::move(result);
  return true;
}

std::string DecodeText(const uint8_t* data, size_t size, bool jis, size_t max_chars) {
  const CodeTable& table = Table();
  std::string out;
  size_t chars = 0;
  size_t i = 0;
  while (i < size) {
    if (max_chars != 0 && chars == max_chars) {
      out += "...";
      break;
    }
    ++chars;
    unsigned b = data[i];
    unsigned next = i + 1 < size ? data[i + 1] : 0x100;
    if (jis) {
      // Pairs are taken as the engine takes them; a pair that does not
      // come back as a character is written as two escapes.
      if (b >= 0x21 && b <= 0x7F && next >= 0x21 && next <= 0x7F) {
        uint8_t sjis[3] = {};
        JisToSjis(data + i, 2, sjis);
        const std::string& text = table.Text(unsigned(sjis[0]) << 8 | sjis[1]);
        uint8_t j1, j2;
        if (!text.empty() && SjisToJis(sjis[0], sjis[1], &j1, &j2) && j1 == b && j2 == next) {
          out += text;
        } else {
          AppendEscape(&out, uint8_t(b));
          AppendEscape(&out, uint8_t(next));
        }
        i += 2;
        continue;
      }
      AppendEscape(&out, uint8_t(b));
      i += 1;
      continue;
    }
    if (b == '"' || b == '\\') {
      out.push_back('\\');
      out.push_back(char(b));
      i += 1;
      continue;
    }
    if (IsLead(b) && next <= 0xFF) {
      const std::string& text = table.Text(b << 8 | next);
      if (!text.empty()) {
        out += text;
        i += 2;
        continue;
      }
    }
    const std::string& text = table.Text(b);
    if (b >= 0x20 && !IsLead(b) && !text.empty()) {
      out += text;
    } else {
      AppendEscape(&out, uint8_t(b));
    }
    i += 1;
  }
  return out;
}

}  // namespace kestrel::pdat
