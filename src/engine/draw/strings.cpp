// String commands: a run of characters drawn one cell at a time with a
// fixed pitch, in the Mincho or Gothic face of the settings, the OCR face,
// or a face from the substitution lists.
#include "engine/draw/strings.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

#include "engine/analysis_log.h"
#include "engine/coordinates.h"
#include "engine/draw/draw.h"
#include "engine/engine_log.h"
#include "fonts/font_settings.h"
#include "util/field_splitter.h"
#include "util/numbers.h"
#include "util/profile_file.h"
#include "platform/native_path.h"

namespace kestrel {

namespace {

const std::string kMinchoName{kStandardMincho};
const std::string kGothicName{kStandardGothic};
const std::string kOcrFallbackFace = "ＭＳ ゴシック";
const char* const kOcrFontNames[] = {"カルメナＯＣＲ－Ｂ", "KARMENA OCR-B"};

// At most this many bytes of one string are drawn (the drawing buffer
// holds 10,000 bytes with its terminating NUL).
constexpr size_t kMaxDrawnBytes = kStringBytes - 1;

// Once-per-process engine-log lines: the OCR font file searched for (with
// the first string) and the OCR face (with the first OCR string).

enum class FaceState { Mincho, Gothic, Ocr, Group, Substituted };

// Blanks as the wide-text trims know them, on Shift-JIS bytes: space, line
// feed, tab, carriage return, vertical tab, and the ideographic space
// (0x81 0x40). Walking the bytes spares a conversion per looked-up
// character.
bool IsLead(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

size_t CharLength(SjisView t, size_t i) { return IsLead(uint8_t(t[i])) && i + 1 < t.size() ? 2 : 1; }

bool IsBlankAt(SjisView t, size_t i, size_t len) {
  if (len == 2) return uint8_t(t[i]) == 0x81 && uint8_t(t[i + 1]) == 0x40;
  char c = t[i];
  return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v';
}

SjisView TrimLeading(SjisView t) {
  size_t i = 0;
  while (i < t.size()) {
    size_t len = CharLength(t, i);
    if (!IsBlankAt(t, i, len)) break;
    i += len;
  }
  return t.substr(i);
}

SjisView TrimTrailing(SjisView t) {
  // Characters are found from the front (a trail byte may look like a blank).
  size_t keep = 0;
  for (size_t i = 0; i < t.size();) {
    size_t len = CharLength(t, i);
    if (!IsBlankAt(t, i, len)) keep = i + len;
    i += len;
  }
  return t.substr(0, keep);
}

void RemoveBlanks(SjisView t, SjisString& out) {
  out.clear();
  for (size_t i = 0; i < t.size();) {
    size_t len = CharLength(t, i);
    if (!IsBlankAt(t, i, len)) out.append(t.substr(i, len));
    i += len;
  }
}

// UTF-8 of one Shift-JIS character, converted once per program.
std::string_view CharUtf8(EngineCache& cache, const uint8_t* sjis, size_t length) {
  EngineCache::Utf8Char* slot;
  if (length == 1) {
    slot = &cache.utf8Singles[sjis[0]];
  } else {
    auto& pairs = cache.utf8Pairs;
    if (!pairs) {
      // All zero: every slot "not converted yet".
      pairs.reset(static_cast<std::array<EngineCache::Utf8Char, 65536>*>(
          std::calloc(1, sizeof(std::array<EngineCache::Utf8Char, 65536>))));
      if (!pairs) throw std::bad_alloc();
    }
    slot = &(*pairs)[size_t(sjis[0]) << 8 | sjis[1]];
  }
  if (slot->length == 0) {
    const std::string u = Utf8FromSjis(SjisView(reinterpret_cast<const char*>(sjis), length));
    std::string_view v = u;
    if (v.empty() || v.size() > sizeof slot->bytes) v = "?";
    std::memcpy(slot->bytes, v.data(), v.size());
    slot->length = uint8_t(v.size());
  }
  return std::string_view(slot->bytes, slot->length);
}

// A Shift-JIS line for the analysis log, made of UTF-8 pieces (converted)
// and Shift-JIS pieces (taken as they are).
struct SjisLine {
  SjisString text;
  SjisLine& u(std::string_view utf8) {
    text += SjisFromUtf8(utf8);
    return *this;
  }
  SjisLine& s(SjisView sjis) {
    text += sjis;
    return *this;
  }
};

void AnalysisSjisLine(PrintContext& ctx, const SjisString& line) {
  AnalysisWrite(ctx, line);
  AnalysisWrite(ctx, "\n");
}

// The number a string presents to the typeface analysis filter: 1 for
// the Gothic kinds (2, 3, 7), 2 for the Mincho kinds, as the analysis
// settings name them.
int TypefaceFilterNumber(uint8_t typeface) { return typeface == 2 || typeface == 3 || typeface == 7 ? 1 : 2; }

struct DrawnChar {
  const uint8_t* bytes;
  size_t length;
};

void WriteAnalysisBlock(PrintContext& ctx, int index, const StringCommand& s, SjisView text, DrawnChar ch,
                        Colour colour, const FontSpec& font, double X, double Y, double P) {
  if (!AnalysisLogTakesText(ctx)) return;  // a cut log: nothing of the block would be written
  if (!AnalysisBlockWanted(ctx, ctx.options.filterCharClasses, s.charClass(), "gprint_string:str") ||
      !AnalysisBlockWanted(ctx, ctx.options.filterTypefaces, TypefaceFilterNumber(s.typeface()), "gprint_string:font"))
    return;
  SjisView chText(reinterpret_cast<const char*>(ch.bytes), ch.length);
  const bool pair = ch.length == 2;
  SjisLine l1;
  if (pair) {
    l1.u("【全角文字】：【").s(text).u("】の中の[").s(chText).u("]");
  } else {
    l1.u("【半角文字】：【").s(text).u("】の中の[").s(chText).u("]");
  }
  AnalysisSjisLine(ctx, l1.text);
  AnalysisSjisLine(ctx, SjisFromUtf8(Format("データNO：[%d]", index)));
  if (pair) {
    AnalysisSjisLine(ctx, SjisFromUtf8(Format("コード：[0x%x][0x%x], 色(0x%x), font名(%s)", ch.bytes[0], ch.bytes[1],
                                          colour.value, font.face.c_str())));
  } else {
    AnalysisSjisLine(ctx, SjisFromUtf8(Format("コード:[0x%x], 色(0x%x), font名(%s)", ch.bytes[0], colour.value,
                                          font.face.c_str())));
  }
  AnalysisSjisLine(ctx, SjisFromUtf8(Format("座標（計算前）：x0(%.0f), y0(%.0f), ピッチ(%.0f)", s.x() + ctx.page.offsetX,
                                        s.y() + ctx.page.offsetY, double(s.pitch()))));
  AnalysisSjisLine(ctx, SjisFromUtf8(Format("座標（計算後）：x0(%.0f), y0(%.0f), ピッチ(%.0f)", X, Y, P)));
  AnalysisSjisLine(ctx, SjisFromUtf8(Format("文字種(%d) 1:半角英数字,2:半角カナ,3:全角,4:外字(86,87区),5:13区",
                                        s.charClass())));
  AnalysisSjisLine(ctx, SjisFromUtf8(Format("文字高：(%ld), 文字幅(%ld), XDPI：(%.2f), YDPI：(%.2f)", long(font.height),
                                        long(font.width), ctx.page.scaleX, ctx.page.scaleY)));
  AnalysisSjisLine(ctx, SjisFromUtf8(Format("フォント：[%s]", font.face.c_str())));
  AnalysisSjisLine(ctx, SjisString());
}

}  // namespace


const std::string& LookupFace(SjisView text, const FontSubstitutionList& list, std::string_view escapeFlags,
                              const std::string& defaultFace) {
  SjisString removed;
  if (!escapeFlags.empty()) {
    std::optional<int32_t> flags = ParseInt(escapeFlags);
    if (!flags) return defaultFace;
    if (*flags & kEscapeLeading) text = TrimLeading(text);
    if (*flags & kEscapeTrailing) text = TrimTrailing(text);
    if (*flags & kEscapeAll) {
      RemoveBlanks(text, removed);
      text = removed;
    }
  }
  if (text.empty() || defaultFace.empty()) return kMinchoName;
  if (list.fields.size() < 2) return defaultFace;
  for (size_t i = 1; i < list.fields.size(); ++i) {
    if (text == list.fields[i]) return list.face.empty() ? defaultFace : list.face;
  }
  return defaultFace;
}

const std::string& ResolveOcrFace(PrintContext& ctx, const std::string& ocrFontFile) {
  if (!ctx.strings.ocrFontFace.empty()) return ctx.strings.ocrFontFace;
  ctx.strings.ocrFontFace = ReadIniValue(ctx.options.ocrChoiceFilePath, "OCR", "FONT", "");
  std::vector<std::string> fonts;
  if (!ctx.strings.ocrFontFace.empty()) {
    fonts = ctx.services.printers.Fonts();
    for (const auto& name : fonts) {
      if (name == ctx.strings.ocrFontFace) {
        EngineLog(ctx, "【適用するOCRフォント名】:" + name);
        return ctx.strings.ocrFontFace;
      }
    }
    EngineLogf(ctx, kLogInfo, "指定した外部フォント(%s)は見つかりませんでした\n", ctx.strings.ocrFontFace.c_str());
    EngineLog(ctx, "デフォルトフォントが適用されます。\n");
  }
  // The OCR font file counts as installed when it is in the fonts folder
  // under the Windows folder (/etc/ on Linux).
  std::error_code ec;
  if (!ocrFontFile.empty() && std::filesystem::is_regular_file(FsPath(ocrFontFile), ec)) {
    if (fonts.empty()) fonts = ctx.services.printers.Fonts();
    for (const auto& name : fonts) {
      if (name == kOcrFontNames[0] || name == kOcrFontNames[1]) {
        ctx.strings.ocrFontFace = name;
        EngineLog(ctx, "【適用するOCRフォント名】:" + name);
        return ctx.strings.ocrFontFace;
      }
    }
  }
  ctx.strings.ocrFontFace = kOcrFallbackFace;
  EngineLog(ctx, "【適用するOCRフォント名】:" + ctx.strings.ocrFontFace);
  return ctx.strings.ocrFontFace;
}

FontSubstitutionList SplitFontList(std::string_view key, std::string_view defaultFace) {
  FieldSplitter splitter;
  splitter.SplitCsv(SjisFromUtf8(key.empty() ? defaultFace : key));
  FontSubstitutionList list;
  list.fields = splitter.fields();
  if (!list.fields.empty()) list.face = Utf8FromSjis(list.fields[0]);
  return list;
}

void RebuildFontLists(PrintContext& ctx) {
  const std::string mincho = EngineMinchoFace(ctx.options.minchoFace);
  const std::string gothic = EngineGothicFace(ctx.options.gothicFace);
  ctx.strings.minchoCharFonts = SplitFontList(ctx.options.stringFontMin, mincho);
  ctx.strings.gothicCharFonts = SplitFontList(ctx.options.stringFontGot, gothic);
  ctx.strings.minchoTextFonts = SplitFontList(ctx.options.stringFontMin2, mincho);
  ctx.strings.gothicTextFonts = SplitFontList(ctx.options.stringFontGot2, gothic);
}

namespace {

// The face of a command by its typeface kind (the OCR face for OCR
// alphanumerics), or the group face that draws half-width alphanumerics as
// a whole.
FaceState ChooseFace(PrintContext& ctx, const StringCommand& s, FontSpec& font) {
  const uint8_t cls = s.charClass();
  if (ctx.options.minchoFace.empty()) ctx.options.minchoFace = kMinchoName;
  if (ctx.options.gothicFace.empty()) ctx.options.gothicFace = kGothicName;
  const uint8_t typeface = s.typeface();
  FaceState state;
  if (typeface == 2 && cls == 1) {
    font.face = ResolveOcrFace(ctx, ctx.options.ocrFontFilePath);
    state = FaceState::Ocr;
    if (!ctx.cache.ocrFaceLineWritten) {
      EngineLogf(ctx, kLogInfo, "  ■<<出力指定フォント:%s>>\n", font.face.c_str());
      ctx.cache.ocrFaceLineWritten = true;
    }
  } else if (typeface == 2 || typeface == 3 || typeface == 7) {
    font.face = ctx.options.gothicFace;
    state = FaceState::Gothic;
  } else {
    font.face = ctx.options.minchoFace;
    state = FaceState::Mincho;
  }

  // Group face: half-width alphanumerics in one face as a whole.
  if (cls == 1 && state != FaceState::Ocr) {
    std::optional<int32_t> minchoGroup = ReadFlagValue(ctx.options.minchoGroup);
    std::optional<int32_t> gothicGroup = ReadFlagValue(ctx.options.gothicGroup);
    if (minchoGroup && gothicGroup) {
      if (typeface == 3 || typeface == 4) {
        if (*gothicGroup != 0) {
          const FontSubstitutionList& list = ctx.strings.gothicCharFonts;
          font.face = list.face.empty() ? ctx.options.gothicFace : list.face;
          state = FaceState::Group;
        }
      } else if (*minchoGroup != 0) {
        const FontSubstitutionList& list = ctx.strings.minchoCharFonts;
        font.face = list.face.empty() ? ctx.options.minchoFace : list.face;
        state = FaceState::Group;
      }
    }
  }
  return state;
}

}  // namespace

void gprint_string(PrintContext& ctx, int index) {
  if (index < 0 || size_t(index) >= kMaxCommands || ctx.output.canvas == nullptr) return;
  Canvas& canvas = *ctx.output.canvas;
  const StringCommand s{ctx.page.commands[size_t(index)]};
  const uint8_t cls = s.charClass();
  const bool pairText = cls >= 3 && cls <= 5;

  // The logical font of this command (reused, see EngineCache).
  FontSpec& font = ctx.cache.stringFont;
  font.height = DeviceSize(ctx, s.charHeight() * ctx.page.scaleY);
  font.width = ctx.options.zeroFontWidth != 0 ? 0 : DeviceSize(ctx, s.charWidth() * ctx.page.scaleX);
  font.escapement = 0;
  font.weight = 0;  // FW_DONTCARE
  font.charset = 1;  // DEFAULT_CHARSET
  font.pitchAndFamily = 0x10;  // FF_ROMAN, default pitch

  if (!ctx.cache.searchFontLineWritten) {
    EngineLogf(ctx, kLogInfo, "【検索フォント名】= [%s]\n", ctx.options.ocrFontFilePath.c_str());
    ctx.cache.searchFontLineWritten = true;
  }

  FaceState state = ChooseFace(ctx, s, font);
  canvas.SetFont(font);
  Colour colour = ColourAt(ctx, s.colorIndex());
  if (ctx.options.skipFills && colour == kWhite) colour = kBlack;
  canvas.SetTextColour(colour);
  canvas.SetBrush(Brush{BrushKind::Clear});
  canvas.SetTransparentBackground(true);

  // The text, cut to what the drawing buffer holds (whole pairs only).
  const uint8_t* text = GetStringText(ctx, s.textOffset(), pairText);
  size_t n = std::strlen(reinterpret_cast<const char*>(text));
  if (n > kMaxDrawnBytes) n = pairText ? kMaxDrawnBytes - 1 : kMaxDrawnBytes;
  const SjisView whole(reinterpret_cast<const char*>(text), n);

  // Whole-text substitution.
  const FontSubstitutionList* charList = nullptr;
  const std::string* defaultFace = nullptr;
  if (state == FaceState::Mincho || state == FaceState::Gothic) {
    const bool mincho = state == FaceState::Mincho;
    defaultFace = mincho ? &ctx.options.minchoFace : &ctx.options.gothicFace;
    const FontSubstitutionList& textList = mincho ? ctx.strings.minchoTextFonts : ctx.strings.gothicTextFonts;
    font.face = LookupFace(whole, textList, ctx.options.fontEscape, *defaultFace);
    canvas.SetFont(font);
    if (font.face != *defaultFace) state = FaceState::Substituted;
    charList = pairText ? &textList : (mincho ? &ctx.strings.minchoCharFonts : &ctx.strings.gothicCharFonts);
  }
  const bool perCharacter = state == FaceState::Mincho || state == FaceState::Gothic;

  // Positions.
  const double X = (s.x() + ctx.page.offsetX) * ctx.page.scaleX;
  const double Y = (s.y() + ctx.page.offsetY) * ctx.page.scaleY;
  const double P = s.pitch() * ctx.page.scaleX;
  const int y = ClampToDevice(ctx, Y);

  const size_t step = pairText ? 2 : 1;
  for (size_t i = 0; i + step <= n; i += step) {
    DrawnChar ch{text + i, step};
    if (perCharacter) {
      font.face = LookupFace(SjisView(reinterpret_cast<const char*>(ch.bytes), step), *charList, ctx.options.fontEscape,
                             *defaultFace);
      canvas.SetFont(font);
    }
    canvas.DrawText({ClampToDevice(ctx, double(i) * P + X), y}, CharUtf8(ctx.cache, ch.bytes, step));
    if (ctx.log.analysisLog == 1) WriteAnalysisBlock(ctx, index, s, whole, ch, colour, font, X, Y, P);
  }
}

}  // namespace kestrel
