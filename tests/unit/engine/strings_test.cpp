#include <gtest/gtest.h>

#include <cstring>

#include "engine/draw/draw.h"
#include "engine/draw/strings.h"
#include "engine/engine_log.h"
#include "support/engine_fixture.h"
#include "platform/text_codec.h"

namespace kestrel::test {
namespace {

// Text pieces in the print data are Shift-JIS or JIS bytes.
std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += char(c);
  return s;
}

#define EXPECT_STARTS(text, prefix) EXPECT_EQ((text).substr(0, std::string(prefix).size()), prefix)

class StringsTest : public ::testing::Test {
 protected:
  TempDir dir;
  EngineRig rig;
  PrintContext& ctx() { return *rig.ctx; }
  RecordingCanvas& canvas() { return rig.canvas(); }

  void SetUp() override {
    ctx().SetLogFileName(dir.file("plog.txt"));
    ctx().options.ocrChoiceFilePath = dir.file("pfont.txt");
    ctx().options.ocrFontFilePath = dir.file("KRM_OCRB.TTF");
    ctx().output.canvas = &canvas();
    ctx().page.scaleX = ctx().page.scaleY = 600 * 0.00625;  // 600 dpi
    ctx().options.minchoFace = "標準明朝";
    ctx().options.gothicFace = "標準ゴシック";
    ctx().page.colorTable[1] = Colour::Rgb(0x12, 0x34, 0x56);
    ctx().page.colorTable[2] = kWhite;
    OpenEngineLog(ctx());
  }

  // Puts the page into the command area as gprint reads it and draws every
  // String command; returns the text lines the canvas recorded.
  std::vector<std::string> Draw(PageBuilder& page) {
    const auto& b = page.bytes();
    auto* area = reinterpret_cast<uint8_t*>(ctx().page.commands.get());
    std::memset(area, 0, kCommandAreaBytes);
    std::memcpy(area, b.data(), std::min(b.size(), kCommandAreaBytes));
    ctx().page.bytesRead = std::min(b.size(), kCommandAreaBytes);
    int end = 0;
    while (end < int(kMaxCommands) && !ctx().page.commands[size_t(end)].is(CommandKind::End)) ++end;
    ctx().page.commandCount = end;
    RebuildFontLists(ctx());
    canvas().Clear();
    for (int i = 0; i < end; ++i)
      if (ctx().page.commands[size_t(i)].is(CommandKind::String)) gprint_string(ctx(), i);
    return canvas().calls();
  }
  std::string Log() { return Utf8FromSjis(ReadFile(dir.file("plog.txt"))); }
  void WriteLogNow() {}
};

TEST_F(StringsTest, CharactersAreDrawnOnePitchApartFromTheScaledPosition) {
  PageBuilder page;
  page.String(1, 160, 320, 1, 1, 16, 32, 20, 0).String(1, 160, 400, 1, 1, 16, 32, -20, 3).End();
  // Texts follow the End record.
  page.Text("AB");
  page.Text("CD");
  auto calls = Draw(page);
  // 3.75 pixels per unit: x 600, y 1200, pitch 75; height 120, width 60.
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0], "Text 600,1200 \"A\" font=標準明朝/120/60/0 colour=123456");
  EXPECT_EQ(calls[1], "Text 675,1200 \"B\" font=標準明朝/120/60/0 colour=123456");
  // A negative pitch runs right to left from x.
  EXPECT_EQ(calls[2], "Text 600,1500 \"C\" font=標準明朝/120/60/0 colour=123456");
  EXPECT_EQ(calls[3], "Text 525,1500 \"D\" font=標準明朝/120/60/0 colour=123456");
  EXPECT_EQ(canvas().state().brush.kind, BrushKind::Clear);
  EXPECT_TRUE(canvas().state().transparentBackground);
}

TEST_F(StringsTest, PairTextsAreConvertedAndAdvanceTwoPitches) {
  PageBuilder page;
  page.String(0, 0, 0, 1, 3, 20, 20, 10, 0).String(0, 0, 0, 1, 4, 20, 20, 10, 5).String(0, 0, 0, 1, 5, 20, 20, 10, 10)
      .End();
  page.Text(Bytes({0x30, 0x22, 0x24, 0x22}));                    // 唖 あ
  page.Text(Bytes({0x76, 0x21, 0x77, 0x21}));                    // user-defined rows
  page.Text(Bytes({0x2D, 0x21, 0x24, 0x22, 0x19, 0x24, 0x24}));  // ① あ, then a byte below 0x21
  auto calls = Draw(page);
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_STARTS(calls[0], "Text 0,0 \"唖\"");
  EXPECT_STARTS(calls[1], "Text 75,0 \"あ\"");
  // Rows 86 and 87 land in the user-defined area (lead bytes 0xF7, 0xF8),
  // which is the private use area in Unicode.
  EXPECT_STARTS(calls[2], "Text 0,0 \"" + Utf8FromSjis(Bytes({0xF7, 0x9F})) + "\"");
  EXPECT_EQ(Utf8FromSjis(Bytes({0xF7, 0x9F})), "\xEE\x96\x82");  // U+E582
  EXPECT_STARTS(calls[3], "Text 75,0 \"" + Utf8FromSjis(Bytes({0xF8, 0x40})) + "\"");
  // The conversion ends at the first pair that does not convert.
  EXPECT_STARTS(calls[4], "Text 0,0 \"①\"");
  EXPECT_STARTS(calls[5], "Text 75,0 \"あ\"");
}

TEST_F(StringsTest, TypefaceKindChoosesMinchoGothicOrTheOcrFace) {
  PageBuilder page;
  const int kinds[][2] = {{2, 1}, {2, 2}, {3, 1}, {7, 1}, {1, 1}, {4, 2}, {0, 1}, {9, 1}};
  for (auto& k : kinds) page.String(0, 0, 0, uint8_t(k[0]), uint8_t(k[1]), 8, 8, 8, 0);
  page.End();
  page.Text("A");
  auto calls = Draw(page);
  ASSERT_EQ(calls.size(), 8u);
  auto face = [&](int i) {
    auto& c = calls[size_t(i)];
    auto from = c.find("font=") + 5;
    return c.substr(from, c.find('/', from) - from);
  };
  EXPECT_EQ(face(0), "ＭＳ ゴシック");  // no OCR choice file, no OCR font file
  EXPECT_EQ(face(1), "標準ゴシック");
  EXPECT_EQ(face(2), "標準ゴシック");
  EXPECT_EQ(face(3), "標準ゴシック");
  for (int i = 4; i < 8; ++i) EXPECT_EQ(face(i), "標準明朝") << i;
  WriteLogNow();
  std::string log = Log();
  EXPECT_NE(log.find("【検索フォント名】= [" + dir.file("KRM_OCRB.TTF") + "]\n"), std::string::npos);
  EXPECT_NE(log.find("【適用するOCRフォント名】:ＭＳ ゴシック"), std::string::npos);
  EXPECT_NE(log.find("  ■<<出力指定フォント:ＭＳ ゴシック>>\n"), std::string::npos);
  // Once per process, whatever follows.
  Draw(page);
  WriteLogNow();
  log = Log();
  EXPECT_EQ(log.find("【検索フォント名】"), log.rfind("【検索フォント名】"));
  EXPECT_EQ(log.find("■<<出力指定フォント"), log.rfind("■<<出力指定フォント"));
}

TEST_F(StringsTest, OcrFaceComesFromTheChoiceFileOrTheOcrFontsOwnNames) {
  rig.printers.devices()[0].fonts = {"IPAex明朝", "OCR B", "KARMENA OCR-B"};
  // Named and present.
  std::string choice = dir.Write("pfont.txt", std::string("[OCR]\r\nFONT=\"OCR B\"\r\n"));
  EXPECT_EQ(ResolveOcrFace(ctx(), ctx().options.ocrFontFilePath), "OCR B");
  // Kept for the run.
  dir.Write("pfont.txt", std::string("[OCR]\r\nFONT=IPAex明朝\r\n"));
  EXPECT_EQ(ResolveOcrFace(ctx(), ctx().options.ocrFontFilePath), "OCR B");
  // Named but missing: the OCR font's own names when its file exists.
  ctx().strings.ocrFontFace.clear();
  dir.Write("pfont.txt", SjisFromUtf8("[OCR]\r\nFONT=HG正楷書体-PRO\r\n"));
  dir.Write("KRM_OCRB.TTF", std::string("x"));
  EXPECT_EQ(ResolveOcrFace(ctx(), ctx().options.ocrFontFilePath), "KARMENA OCR-B");
  WriteLogNow();
  std::string log = Log();
  EXPECT_NE(log.find("【適用するOCRフォント名】:OCR B"), std::string::npos);
  EXPECT_NE(log.find("指定した外部フォント(HG正楷書体-PRO)は見つかりませんでした\nデフォルトフォントが適用されます。\n"),
            std::string::npos);
  EXPECT_NE(log.find("【適用するOCRフォント名】:KARMENA OCR-B"), std::string::npos);
  // Without the file: the fallback face.
  ctx().strings.ocrFontFace.clear();
  std::filesystem::remove(dir.file("KRM_OCRB.TTF"));
  EXPECT_EQ(ResolveOcrFace(ctx(), ctx().options.ocrFontFilePath), "ＭＳ ゴシック");
}

TEST(LookupFace, BlanksFlagsAndListShapes) {
  FontSubstitutionList list = SplitFontList("\"IPAexGothic\",\"A\",\"" + std::string("株式会社") + "\",", "標準明朝");
  std::string def = "標準明朝";
  const SjisString word = SjisFromUtf8("株式会社");
  const SjisString padded = SjisFromUtf8("　株式会社 ");
  EXPECT_EQ(LookupFace("A", list, "", def), "IPAexGothic");
  EXPECT_EQ(LookupFace("B", list, "", def), def);
  EXPECT_EQ(LookupFace(word, list, "", def), "IPAexGothic");
  EXPECT_EQ(LookupFace(padded, list, "", def), def);
  EXPECT_EQ(LookupFace(padded, list, "1", def), def);
  EXPECT_EQ(LookupFace(padded, list, "3", def), "IPAexGothic");
  EXPECT_EQ(LookupFace(SjisFromUtf8("株式 会社"), list, "4", def), "IPAexGothic");
  // A trail byte equal to a blank's byte is no blank (0x8140 in 0x81 0x40 is).
  EXPECT_EQ(LookupFace(SjisFromUtf8("　"), list, "1", "IPAexGothic"), "標準明朝");
  // Flags that are no number: the default face, whatever the text.
  EXPECT_EQ(LookupFace("A", list, "x", "Other"), "Other");
  // Empty text or empty default face: the generic Mincho name.
  EXPECT_EQ(LookupFace("", list, "", "Other"), "標準明朝");
  EXPECT_EQ(LookupFace("A", list, "", ""), "標準明朝");
  // A list holding only a face, or an empty face field.
  EXPECT_EQ(LookupFace("A", SplitFontList("\"F\",", "x"), "", "Other"), "Other");
  EXPECT_EQ(LookupFace("A", SplitFontList("\"\",\"A\",", "x"), "", "Other"), "Other");
  // An empty key stands for the default face alone.
  FontSubstitutionList empty = SplitFontList("", "標準ゴシック");
  ASSERT_EQ(empty.fields.size(), 1u);
  EXPECT_EQ(empty.face, "標準ゴシック");
}

TEST_F(StringsTest, SubstitutionListsByTextAndByCharacter) {
  const std::string kanji = SjisFromUtf8("様");  // 0x976C: JIS 0x4D 0x4D
  ctx().options.stringFontMin = "\"IPAexGothic\",\"様\",\"B\",";
  ctx().options.stringFontMin2 = "\"OCR B\",\"様\",";
  ctx().options.fontEscape = "3";
  PageBuilder page;
  page.String(0, 0, 0, 1, 3, 8, 8, 8, 0).String(0, 0, 0, 1, 3, 8, 8, 8, 5).String(0, 0, 0, 1, 1, 8, 8, 8, 12).End();
  page.Text(Bytes({0x24, 0x22, 0x4D, 0x4D}));                    // あ様
  page.Text(Bytes({0x21, 0x21, 0x4D, 0x4D, 0x21, 0x21}));        // 　様　
  page.Text("AB");
  auto calls = Draw(page);
  ASSERT_EQ(calls.size(), 7u);
  // The half-width list has no effect on pair texts; the full-width one
  // gives the character its face.
  EXPECT_NE(calls[0].find("\"あ\" font=標準明朝/"), std::string::npos);
  EXPECT_NE(calls[1].find("\"様\" font=OCR B/"), std::string::npos);
  // The whole text matches once blanks at both ends are removed: every
  // character, the blanks too, in the listed face.
  for (int i = 2; i < 5; ++i) EXPECT_NE(calls[size_t(i)].find("font=OCR B/"), std::string::npos) << calls[size_t(i)];
  // Single bytes take the half-width list.
  EXPECT_NE(calls[5].find("\"A\" font=標準明朝/"), std::string::npos);
  EXPECT_NE(calls[6].find("\"B\" font=IPAexGothic/"), std::string::npos);
}

TEST_F(StringsTest, GroupFaceTakesTheHalfWidthListsFaceForWholeStrings) {
  ctx().options.stringFontMin = "\"IPAexMincho\",\"Z\",";
  ctx().options.stringFontGot = "\"IPAexGothic\",\"Z\",";
  ctx().options.minchoGroup = "1";
  ctx().options.gothicGroup = "1";
  PageBuilder page;
  const int32_t at = 0;
  page.String(0, 0, 0, 1, 1, 8, 8, 8, at)    // Mincho side
      .String(0, 0, 0, 3, 1, 8, 8, 8, at)    // Gothic kind 3: Gothic group
      .String(0, 0, 0, 4, 1, 8, 8, 8, at)    // Mincho kind 4: Gothic group too
      .String(0, 0, 0, 7, 1, 8, 8, 8, at)    // Gothic kind 7: Mincho group
      .String(0, 0, 0, 2, 1, 8, 8, 8, at)    // OCR: no group
      .String(0, 0, 0, 1, 2, 8, 8, 8, at)    // class 2: no group
      .End();
  page.Text("A");
  auto calls = Draw(page);
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_NE(calls[0].find("font=IPAexMincho/"), std::string::npos);
  EXPECT_NE(calls[1].find("font=IPAexGothic/"), std::string::npos);
  EXPECT_NE(calls[2].find("font=IPAexGothic/"), std::string::npos);
  EXPECT_NE(calls[3].find("font=IPAexMincho/"), std::string::npos);
  EXPECT_NE(calls[4].find("font=ＭＳ ゴシック/"), std::string::npos);
  EXPECT_NE(calls[5].find("font=標準明朝/"), std::string::npos);
  // A group text that is no number switches the group off.
  ctx().options.minchoGroup = "one";
  calls = Draw(page);
  EXPECT_NE(calls[0].find("font=標準明朝/"), std::string::npos);
  EXPECT_NE(calls[1].find("font=標準ゴシック/"), std::string::npos);
}

TEST_F(StringsTest, ZeroWidthWhiteTextAndTheLengthCut) {
  ctx().options.zeroFontWidth = 1;
  ctx().options.skipFills = true;
  PageBuilder page;
  std::string pairs;
  for (int i = 0; i < 6000; ++i) pairs += Bytes({0x24, 0x22});
  page.String(2, 0, 0, 1, 1, 8, 16, 1, 0).String(2, 0, 0, 1, 3, 8, 16, 1, 12001).End();
  page.Text(std::string(12000, 'A'));
  page.Text(pairs);
  auto calls = Draw(page);
  ASSERT_EQ(calls.size(), 9999u + 4999u);
  EXPECT_NE(calls[0].find("font=標準明朝/60/0/0 colour=000000"), std::string::npos);
  ctx().options.skipFills = false;
  calls = Draw(page);
  EXPECT_NE(calls[0].find("colour=FFFFFF"), std::string::npos);
}

TEST_F(StringsTest, AnalysisBlockPerCharacterWithBothFilters) {
  PageBuilder page;
  page.String(1, 10, 20, 3, 1, 8, 16, 12, 0).String(1, 10, 20, 1, 3, 8, 16, 12, 2).End();
  page.Text("A");
  page.Text(Bytes({0x24, 0x22}));
  Draw(page);  // the once-per-program log lines are behind us
  ctx().log.analysisLog = 1;
  ctx().log.analysisLogStream.reset(std::fopen(dir.file("alog.txt").c_str(), "wb"));
  ctx().page.offsetX = 2;
  ctx().page.offsetY = 4;
  ctx().options.filterTypefaces = "2";  // leaves out the Mincho string
  Draw(page);
  ctx().options.filterTypefaces.clear();
  ctx().options.filterCharClasses = "x";
  Draw(page);
  ctx().log.analysisLogStream.reset();
  std::string log = Utf8FromSjis(ReadFile(dir.file("alog.txt")));
  EXPECT_EQ(log,
            "【半角文字】：【A】の中の[A]\n"
            "データNO：[0]\n"
            "コード:[0x41], 色(0x563412), font名(標準ゴシック)\n"
            "座標（計算前）：x0(12), y0(24), ピッチ(12)\n"
            "座標（計算後）：x0(45), y0(90), ピッチ(45)\n"
            "文字種(1) 1:半角英数字,2:半角カナ,3:全角,4:外字(86,87区),5:13区\n"
            "文字高：(60), 文字幅(30), XDPI：(3.75), YDPI：(3.75)\n"
            "フォント：[標準ゴシック]\n"
            "\n"
            "解析ログ処理中にgprint_string:strで例外が発生し正しいログは出力されませんでした。\n"
            "解析ログ処理中にgprint_string:strで例外が発生し正しいログは出力されませんでした。\n");
  // The pair form of the block.
  ctx().options.filterCharClasses.clear();
  ctx().log.analysisLogStream.reset(std::fopen(dir.file("alog2.txt").c_str(), "wb"));
  Draw(page);
  ctx().log.analysisLogStream.reset();
  log = Utf8FromSjis(ReadFile(dir.file("alog2.txt")));
  EXPECT_NE(log.find("【全角文字】：【あ】の中の[あ]\nデータNO：[1]\nコード：[0x82][0xa0], 色(0x563412), font名(標準明朝)\n"),
            std::string::npos);
}

}  // namespace
}  // namespace kestrel::test
