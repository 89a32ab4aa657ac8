#include "util/char_forms.h"

#include <algorithm>

#include <array>
#include <cstdint>

#include "util/field_splitter.h"
#include "util/utf8.h"

namespace kestrel {

namespace {

// Full-width forms of ASCII 0x21-0x7E in code page 932, in ASCII order.
// (The backslash's entry, 815F, is used only from full to half width's
// point of view: the locale mapping leaves both the backslash and ＼ alone.)
constexpr std::array<uint16_t, 94> kFullAscii = {
    0x8149, 0xFA57, 0x8194, 0x8190, 0x8193, 0x8195, 0xFA56, 0x8169, 0x816A, 0x8196, 0x817B, 0x8143,  // !-,
    0x817C, 0x8144, 0x815E,                                                                          // -./
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256, 0x8257, 0x8258,                  // 0-9
    0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148, 0x8197,                                          // :-@
    0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266, 0x8267, 0x8268, 0x8269, 0x826A, 0x826B,  // A-L
    0x826C, 0x826D, 0x826E, 0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276, 0x8277,  // M-X
    0x8278, 0x8279,                                                                                  // Y-Z
    0x816D, 0x815F, 0x816E, 0x814F, 0x8151, 0x814D,                                                  // [-`
    0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287, 0x8288, 0x8289, 0x828A, 0x828B, 0x828C,  // a-l
    0x828D, 0x828E, 0x828F, 0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297, 0x8298,  // m-x
    0x8299, 0x829A,                                                                                  // y-z
    0x816F, 0x8162, 0x8170, 0x8160,                                                                  // {-~
};

constexpr uint16_t kIdeographicSpace = 0x8140;
constexpr uint16_t kYenSign = 0x818F;  // ￥
constexpr uint16_t kVoicedMark = 0x814A;      // ゛
constexpr uint16_t kSemiVoicedMark = 0x814B;  // ゜
constexpr unsigned char kHalfVoiced = 0xDE;      // ﾞ
constexpr unsigned char kHalfSemiVoiced = 0xDF;  // ﾟ

// Katakana U+30A1-U+30F6 sit at 8340-8396 (8357F is not a character).
constexpr uint16_t KatakanaCode(char16_t u) {
  unsigned trail = 0x40 + unsigned(u - 0x30A1);
  if (trail >= 0x7F) ++trail;
  return uint16_t(0x8300 | trail);
}
constexpr char16_t KatakanaOf(uint16_t code) {
  unsigned trail = code & 0xFF;
  if (trail > 0x7F) --trail;
  return char16_t(0x30A1 + (trail - 0x40));
}
constexpr bool IsKatakanaCode(uint16_t code) {
  return code >= 0x8340 && code <= 0x8396 && code != 0x837F;
}
// Hiragana U+3041-U+3093 sit at 829F-82F1.
constexpr bool IsHiraganaCode(uint16_t code) { return code >= 0x829F && code <= 0x82F1; }

// Half-width katakana A1-DF and their full-width forms: punctuation as
// code page 932 codes, letters as katakana code points.
struct HalfKana {
  bool letter;
  uint16_t value;
};
constexpr std::array<HalfKana, 63> kHalfKana = {{
    {false, 0x8142}, {false, 0x8175}, {false, 0x8176}, {false, 0x8141}, {false, 0x8145},  // ｡｢｣､･
    {true, 0x30F2},                                                                       // ｦ
    {true, 0x30A1}, {true, 0x30A3}, {true, 0x30A5}, {true, 0x30A7}, {true, 0x30A9},       // ｧ-ｫ
    {true, 0x30E3}, {true, 0x30E5}, {true, 0x30E7}, {true, 0x30C3},                       // ｬｭｮｯ
    {false, 0x815B},                                                                      // ｰ
    {true, 0x30A2}, {true, 0x30A4}, {true, 0x30A6}, {true, 0x30A8}, {true, 0x30AA},       // ｱ-ｵ
    {true, 0x30AB}, {true, 0x30AD}, {true, 0x30AF}, {true, 0x30B1}, {true, 0x30B3},       // ｶ-ｺ
    {true, 0x30B5}, {true, 0x30B7}, {true, 0x30B9}, {true, 0x30BB}, {true, 0x30BD},       // ｻ-ｿ
    {true, 0x30BF}, {true, 0x30C1}, {true, 0x30C4}, {true, 0x30C6}, {true, 0x30C8},       // ﾀ-ﾄ
    {true, 0x30CA}, {true, 0x30CB}, {true, 0x30CC}, {true, 0x30CD}, {true, 0x30CE},       // ﾅ-ﾉ
    {true, 0x30CF}, {true, 0x30D2}, {true, 0x30D5}, {true, 0x30D8}, {true, 0x30DB},       // ﾊ-ﾎ
    {true, 0x30DE}, {true, 0x30DF}, {true, 0x30E0}, {true, 0x30E1}, {true, 0x30E2},       // ﾏ-ﾓ
    {true, 0x30E4}, {true, 0x30E6}, {true, 0x30E8},                                       // ﾔﾕﾖ
    {true, 0x30E9}, {true, 0x30EA}, {true, 0x30EB}, {true, 0x30EC}, {true, 0x30ED},       // ﾗ-ﾛ
    {true, 0x30EF}, {true, 0x30F3},                                                       // ﾜﾝ
    {false, kVoicedMark}, {false, kSemiVoicedMark},                                       // ﾞﾟ
}};

bool IsHalfKana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

uint16_t FullFormOfHalfKana(unsigned char c) {
  const HalfKana& k = kHalfKana[c - 0xA1];
  return k.letter ? KatakanaCode(k.value) : k.value;
}

// The full-width katakana a half-width letter makes with a following sound
// mark, or 0 when the pair does not combine in code page 932.
char16_t Combine(unsigned char letter, unsigned char mark) {
  bool voicable = (letter >= 0xB6 && letter <= 0xC4) || (letter >= 0xCA && letter <= 0xCE);
  bool semiVoicable = letter >= 0xCA && letter <= 0xCE;
  char16_t base = kHalfKana[letter - 0xA1].value;
  if (mark == kHalfVoiced) {
    if (voicable) return char16_t(base + 1);
    if (letter == 0xB3) return 0x30F4;  // ｳﾞ -> ヴ
  } else if (mark == kHalfSemiVoiced && semiVoicable) {
    return char16_t(base + 2);
  }
  return 0;
}

// Half-width forms of the full-width katakana U+30A1-U+30F6: one or two
// bytes (letter + sound mark), 0 when there is none.
struct HalfForm {
  unsigned char first = 0, second = 0;
};
const std::array<HalfForm, 0x56>& KatakanaHalfForms() {
  static const std::array<HalfForm, 0x56> table = [] {
    std::array<HalfForm, 0x56> t{};
    for (unsigned c = 0xA6; c <= 0xDD; ++c) {
      const HalfKana& k = kHalfKana[c - 0xA1];
      if (!k.letter) continue;
      t[k.value - 0x30A1].first = static_cast<unsigned char>(c);
      for (unsigned char mark : {kHalfVoiced, kHalfSemiVoiced}) {
        char16_t combined = Combine(static_cast<unsigned char>(c), mark);
        if (combined != 0) t[combined - 0x30A1] = {static_cast<unsigned char>(c), mark};
      }
    }
    return t;
  }();
  return table;
}

void PutCode(SjisString& out, uint16_t code) {
  if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

// Half-width form of a double-byte character, or false when it has none.
bool HalfWidthOf(uint16_t code, SjisString& out) {
  if (code == kIdeographicSpace) {
    out.push_back(' ');
    return true;
  }
  for (size_t i = 0; i < kFullAscii.size(); ++i) {
    if (kFullAscii[i] == code && code != 0x815F) {  // ＼ keeps its width
      out.push_back(static_cast<char>(0x21 + i));
      return true;
    }
  }
  switch (code) {
    case 0xEEFC: out.push_back('"'); return true;   // NEC-selected duplicates of ＂ and ＇
    case 0xEEFB: out.push_back('\''); return true;
    case 0x8166: out.push_back('\''); return true;  // ’
    case 0x8168: out.push_back('"'); return true;   // ”
    case kYenSign: out.push_back('\\'); return true;
    default: break;
  }
  for (unsigned c = 0xA1; c <= 0xDF; ++c) {
    const HalfKana& k = kHalfKana[c - 0xA1];
    if (!k.letter && k.value == code) {
      out.push_back(static_cast<char>(c));
      return true;
    }
  }
  if (IsKatakanaCode(code)) {
    const HalfForm& h = KatakanaHalfForms()[KatakanaOf(code) - 0x30A1];
    if (h.first == 0) return false;
    out.push_back(static_cast<char>(h.first));
    if (h.second != 0) out.push_back(static_cast<char>(h.second));
    return true;
  }
  return false;
}

uint16_t KanaSwap(uint16_t code, int mode) {
  if (mode == kToHiragana) {
    if (IsKatakanaCode(code)) {
      char16_t u = KatakanaOf(code);
      if (u <= 0x30F3) return uint16_t(0x829F + (u - 0x30A1));  // ヴヵヶ have no hiragana here
    }
    if (code == 0x8152 || code == 0x8153) return uint16_t(code + 2);  // ヽヾ -> ゝゞ
  } else {
    if (IsHiraganaCode(code)) return KatakanaCode(char16_t(0x30A1 + (code - 0x829F)));
    if (code == 0x8154 || code == 0x8155) return uint16_t(code - 2);  // ゝゞ -> ヽヾ
  }
  return code;
}

}  // namespace

SjisString MapCharWidth(SjisView text, int mode) {
  SjisString out;
  out.reserve(text.size() * 2);
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (IsSjisLeadByte(c) && i + 1 < n) {
      uint16_t code = uint16_t(c << 8 | static_cast<unsigned char>(text[i + 1]));
      ++i;
      if (mode == kToHalfWidth) {
        if (!HalfWidthOf(code, out)) PutCode(out, code);
      } else if (mode == kToHiragana || mode == kToKatakana) {
        PutCode(out, KanaSwap(code, mode));
      } else {
        PutCode(out, code);
      }
      continue;
    }
    if (mode == kToHalfWidth || mode == kToHiragana || mode == kToKatakana) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    // Full width.
    if (c == ' ') {
      PutCode(out, kIdeographicSpace);
    } else if (c >= 0x21 && c <= 0x7E && c != '\\') {
      PutCode(out, kFullAscii[c - 0x21]);
    } else if (IsHalfKana(c)) {
      char16_t combined = 0;
      if (i + 1 < n && c >= 0xA6 && c <= 0xDD) combined = Combine(c, static_cast<unsigned char>(text[i + 1]));
      if (combined != 0) {
        PutCode(out, KatakanaCode(combined));
        ++i;
      } else {
        PutCode(out, FullFormOfHalfKana(c));
      }
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

SjisString ReplaceListedChars(SjisView text, SjisView list, int mode) {
  if (mode != 0 && mode != 1) return SjisString(text);
  FieldSplitter splitter;
  splitter.SplitLoose(list);
  SjisString out;
  out.reserve(text.size() * 2);
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (IsSjisLeadByte(c) && i + 1 < n) {
      out.push_back(text[i]);
      out.push_back(text[i + 1]);
      ++i;
      continue;
    }
    bool listed = false;
    for (size_t f = 0; f < splitter.FieldCount(); ++f) {
      SjisString field = splitter.GetField(f, "0");
      if (field.size() == 1 && static_cast<unsigned char>(field[0]) == c) {
        listed = true;
        break;
      }
    }
    if (!listed) {
      out.push_back(static_cast<char>(c));
    } else if (mode == 0) {
      if (c == '\\') {
        PutCode(out, kYenSign);
      } else {
        out += MapCharWidth(SjisView(&text[i], 1), kToFullWidth);
      }
    }
  }
  return out;
}

std::string QuoteText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  out.append(text);
  out.push_back('"');
  return out;
}

namespace {

// The UTF-8 character at text[pos]; a malformed sequence stands for itself.
std::string_view NextChar(std::string_view text, size_t pos) { return text.substr(pos, DecodeUtf8(text, pos).length); }

bool InSet(std::string_view ch, std::string_view set) {
  if (set.empty()) {
    return ch == " " || ch == "\u3000" || ch == "\n" || ch == "\t" || ch == "\r" || ch == "\v";
  }
  for (size_t p = 0; p < set.size();) {
    std::string_view member = NextChar(set, p);
    if (member == ch) return true;
    p += member.size();
  }
  return false;
}

}  // namespace

std::string TrimLeftChars(std::string_view text, std::string_view set) {
  size_t pos = 0;
  while (pos < text.size()) {
    std::string_view ch = NextChar(text, pos);
    if (!InSet(ch, set)) break;
    pos += ch.size();
  }
  return std::string(text.substr(pos));
}

std::string TrimRightChars(std::string_view text, std::string_view set) {
  size_t keep = 0;  // end of the last character not in the set
  for (size_t pos = 0; pos < text.size();) {
    std::string_view ch = NextChar(text, pos);
    pos += ch.size();
    if (!InSet(ch, set)) keep = pos;
  }
  return std::string(text.substr(0, keep));
}

std::string RemoveChars(std::string_view text, std::string_view set) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    std::string_view ch = NextChar(text, pos);
    if (!InSet(ch, set)) out.append(ch);
    pos += ch.size();
  }
  return out;
}

SjisString CutSjisBytes(SjisView text, size_t limit) {
  size_t end = 0;
  while (end < text.size()) {
    size_t step = IsSjisLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
    if (end + step > limit) break;
    end += step;
  }
  return SjisString(text.substr(0, std::min(end, text.size())));
}

}  // namespace kestrel
