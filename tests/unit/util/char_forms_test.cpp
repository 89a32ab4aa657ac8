#include "util/char_forms.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text_codec.h"

namespace kestrel {
namespace {

std::string Map(const std::string& utf8, int mode) { return Utf8FromSjis(MapCharWidth(SjisFromUtf8(utf8), mode)); }

TEST(MapCharWidth, FullWidthAsciiAgreesWithTheUnicodeFullWidthForms) {
  // Every printable ASCII character except the backslash has its form at
  // U+FF01-U+FF5E; the codec decides independently of the table.
  for (int c = 0x21; c <= 0x7E; ++c) {
    if (c == '\\') continue;
    std::string in(1, char(c));
    unsigned u = 0xFF00 + unsigned(c - 0x20);  // U+FF01..U+FF5E, three UTF-8 bytes
    std::string want = {char(0xEF), char(0xBC + ((u & 0xFF) >= 0x40 ? 1 : 0)), char(0x80 + (u & 0x3F))};
    SjisString out = MapCharWidth(in, kToFullWidth);
    ASSERT_EQ(out.size(), 2u) << c;
    EXPECT_EQ(Utf8FromSjis(out), want) << "ASCII " << c;
    // and back again
    EXPECT_EQ(MapCharWidth(out, kToHalfWidth), in) << c;
  }
  EXPECT_EQ(Map(" ", kToFullWidth), "\u3000");
  EXPECT_EQ(Map("\\", kToFullWidth), "\\");
  EXPECT_EQ(Map("A1-b", 7), "Ａ１－ｂ");  // any other mode is full width
}

TEST(MapCharWidth, HalfWidthKatakanaCombineWithTheirSoundMarks) {
  EXPECT_EQ(Map("ｶﾞｷﾞﾊﾟﾎﾟｳﾞ", kToFullWidth), "ガギパポヴ");
  EXPECT_EQ(Map("ｱｲｳｴｵﾝｰｯｬ", kToFullWidth), "アイウエオンーッャ");
  EXPECT_EQ(Map("｡｢｣､･", kToFullWidth), "。「」、・");
  // Marks that do not combine stand alone as the full-width marks.
  EXPECT_EQ(Map("ｱﾞﾏﾟﾞﾟ", kToFullWidth), "ア゛マ゜゛゜");
  EXPECT_EQ(Map("漢字かな", kToFullWidth), "漢字かな");
}

TEST(MapCharWidth, HalfWidthSplitsVoicedKatakanaAndLeavesOtherCharacters) {
  EXPECT_EQ(Map("ガギパポヴ", kToHalfWidth), "ｶﾞｷﾞﾊﾟﾎﾟｳﾞ");
  EXPECT_EQ(Map("ＡＢＣ　１２３", kToHalfWidth), "ABC 123");
  EXPECT_EQ(Map("。「」、・ー゛゜", kToHalfWidth), "｡｢｣､･ｰﾞﾟ");
  EXPECT_EQ(Map("ひらがな漢字ヵヶヮ", kToHalfWidth), "ひらがな漢字ヵヶヮ");
  EXPECT_EQ(Map("￥’”", kToHalfWidth), "\\'\"");
  EXPECT_EQ(Map("＼", kToHalfWidth), "＼");
}

TEST(MapCharWidth, KanaModesSwapHiraganaAndKatakana) {
  EXPECT_EQ(Map("カタカナとひらがなヽヾ", kToHiragana), "かたかなとひらがなゝゞ");
  EXPECT_EQ(Map("ひらがなとカタカナゝゞ", kToKatakana), "ヒラガナトカタカナヽヾ");
  EXPECT_EQ(Map("ぁんァンミム", kToHiragana), "ぁんぁんみむ");
  EXPECT_EQ(Map("ぁんみむ", kToKatakana), "ァンミム");
  EXPECT_EQ(Map("ヴヵヶｶﾅ", kToHiragana), "ヴヵヶｶﾅ");
}

TEST(MapCharWidth, OutputStaysWithinTwiceTheInputAndCutInputIsCopied) {
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(char(c));
  for (int mode : {0, 1, 2, 3}) EXPECT_LE(MapCharWidth(all, mode).size(), all.size() * 2) << mode;
  // A lead byte at the end has no trail byte to pair with.
  EXPECT_EQ(MapCharWidth("a\x82", kToHalfWidth), "a\x82");
  EXPECT_EQ(MapCharWidth("a\x82", kToFullWidth), "\x82\x81\x82");
}

TEST(ReplaceListedChars, ReplacesOrRemovesListedSingleByteCharacters) {
  EXPECT_EQ(Utf8FromSjis(ReplaceListedChars("a\\b", "\\,/", 0)), "a￥b");
  EXPECT_EQ(ReplaceListedChars("a\\b", "\\,/", 1), "ab");
  EXPECT_EQ(Utf8FromSjis(ReplaceListedChars("a/b:c", "\\,/,:", 0)), "a／b：c");
  EXPECT_EQ(ReplaceListedChars("a/b", "\\,/", 2), "a/b");
  // An empty field stands for "0".
  EXPECT_EQ(ReplaceListedChars("a0b", "x,,y", 1), "ab");
  // Half-width katakana are single bytes and take their full-width form.
  EXPECT_EQ(Utf8FromSjis(ReplaceListedChars(SjisFromUtf8("ｱa"), SjisFromUtf8("ｱ"), 0)), "アa");
}

TEST(ReplaceListedChars, NeverTouchesTheBytesOfDoubleByteCharacters) {
  // 表 (95 5C) and ソ (83 5C) end in a backslash byte.
  SjisString text = SjisFromUtf8("表ソ\\");
  EXPECT_EQ(Utf8FromSjis(ReplaceListedChars(text, "\\", 0)), "表ソ￥");
  EXPECT_EQ(Utf8FromSjis(ReplaceListedChars(text, "\\", 1)), "表ソ");
}

TEST(QuoteText, WrapsWithoutEscaping) {
  EXPECT_EQ(QuoteText("c:\\a b\\x.pdf"), "\"c:\\a b\\x.pdf\"");
  EXPECT_EQ(QuoteText("a\"b"), "\"a\"b\"");
  EXPECT_EQ(QuoteText(""), "\"\"");
}

TEST(WideTrims, UseTheBlankSetWhenGivenNone) {
  EXPECT_EQ(TrimRightChars("abc\u3000 "), "abc");
  EXPECT_EQ(TrimLeftChars("\t\u3000 \r\n\vabc "), "abc ");
  EXPECT_EQ(RemoveChars(" a\u3000b c "), "abc");
  EXPECT_EQ(TrimRightChars("\u3000 "), "");
  EXPECT_EQ(TrimLeftChars("xxaxa", "x"), "axa");
  EXPECT_EQ(TrimRightChars("日本語本", "本"), "日本語");
  EXPECT_EQ(RemoveChars("日本語", "本"), "日語");
  // Membership is per character, not per byte: 語 and 本 share no bytes
  // with the set "日".
  EXPECT_EQ(RemoveChars("語本", "日"), "語本");
}

}  // namespace
}  // namespace kestrel
