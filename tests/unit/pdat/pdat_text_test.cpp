#include "pdat_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "engine/print_data.h"
#include "support/engine_fixture.h"

namespace kestrel::pdat {
namespace {

std::vector<uint8_t> Compile(const std::string& text) {
  std::vector<uint8_t> out;
  CompileError error;
  EXPECT_TRUE(CompileText(text, &out, &error)) << "line " << error.line << ": " << error.message << "\n" << text;
  return out;
}

CompileError CompileFails(const std::string& text) {
  std::vector<uint8_t> out = {1, 2, 3};
  CompileError error;
  EXPECT_FALSE(CompileText(text, &out, &error)) << text;
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3})) << "output touched on failure";
  return error;
}

// Dump, compile the dump, and expect the very same bytes.
void ExpectRoundTrip(const std::vector<uint8_t>& bytes) {
  std::string text = DumpText(bytes);
  std::vector<uint8_t> back;
  CompileError error;
  ASSERT_TRUE(CompileText(text, &back, &error)) << "line " << error.line << ": " << error.message << "\n" << text;
  ASSERT_EQ(back, bytes) << text;
}

std::vector<uint8_t> Record(std::initializer_list<uint8_t> head) {
  std::vector<uint8_t> r(kCommandSize, 0);
  std::copy(head.begin(), head.end(), r.begin());
  return r;
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(SjisToJis, InvertsJisToSjisForEveryPairIncludingTheUserDefinedRows) {
  for (unsigned j1 = 0x21; j1 <= 0x7E; ++j1) {
    for (unsigned j2 = 0x21; j2 <= 0x7E; ++j2) {
      const uint8_t pair[2] = {uint8_t(j1), uint8_t(j2)};
      uint8_t sjis[3] = {};
      JisToSjis(pair, 2, sjis);
      uint8_t a = 0, b = 0;
      ASSERT_TRUE(SjisToJis(sjis[0], sjis[1], &a, &b)) << std::hex << j1 << " " << j2;
      ASSERT_EQ(a, j1);
      ASSERT_EQ(b, j2);
    }
  }
  uint8_t a, b;
  ASSERT_TRUE(SjisToJis(0xF7, 0x9F, &a, &b));
  EXPECT_EQ(a, 0x76);
  EXPECT_EQ(b, 0x21);
  ASSERT_TRUE(SjisToJis(0xF8, 0x9E, &a, &b));
  EXPECT_EQ(a, 0x77);
  EXPECT_EQ(b, 0x7E);
  // Codes no pair turns into: the unshifted place of rows 0x76/0x77, the rest
  // of the user-defined area, single-byte codes and bad trail bytes.
  EXPECT_FALSE(SjisToJis(0xEB, 0x9F, &a, &b));
  EXPECT_FALSE(SjisToJis(0xEC, 0x40, &a, &b));
  EXPECT_FALSE(SjisToJis(0xF0, 0x40, &a, &b));
  EXPECT_FALSE(SjisToJis(0xF7, 0x40, &a, &b));
  EXPECT_FALSE(SjisToJis(0x41, 0x41, &a, &b));
  EXPECT_FALSE(SjisToJis(0x88, 0x7F, &a, &b));
}

TEST(PdatCompile, WritesEveryFieldLittleEndianAtItsPlace) {
  std::vector<uint8_t> bytes = Compile(
      "paper orientation=landscape paper=B4 userPaper=A4 copies=3\n"
      "palette index=7 red=1 green=2 blue=3\n"
      "paint color=2 x1=0x1234 y1=2 x2=3 y2=65535 pattern=16\n"
      "line color=4 x0=1 y0=2 x1=3 y1=4 style=dashdot\n"
      "circle color=5 cx=10 cy=20 end=90 start=270 radius=300\n"
      "string color=6 x=1 y=2 typeface=3 class=1 width=20 height=40 pitch=-5 offset=-2\n"
      "end\n");
  std::vector<uint8_t> expect = Cat({
      Record({16, 1, 240, 0, 140, 0, 0, 3}),
      Record({17, 7, 1, 2, 3}),
      Record({2, 2, 0x34, 0x12, 2, 0, 3, 0, 0xFF, 0xFF, 16}),
      Record({1, 4, 1, 0, 2, 0, 3, 0, 4, 0, 0xFA, 0xFA}),
      Record({3, 5, 10, 0, 20, 0, 90, 0, 0x0E, 0x01, 0x2C, 0x01}),
      Record({5, 6, 1, 0, 2, 0, 3, 1, 20, 40, 0xFB, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}),
      Record({255}),
  });
  EXPECT_EQ(bytes, expect);
}

TEST(PdatCompile, StoresFullWidthTextsAsJisPairsAndOthersAsShiftJis) {
  std::vector<uint8_t> bytes = Compile(
      "string color=0 x=0 y=0 typeface=1 class=3 width=40 height=40 pitch=40 text=\"あい\"\n"
      "string color=0 x=0 y=0 typeface=1 class=1 width=20 height=40 pitch=20 text=\"Aｱ\\x81\"\n"
      "string color=0 x=0 y=0 typeface=1 class=5 width=40 height=40 pitch=40 text=\"①\"\n"
      "string color=0 x=0 y=0 typeface=1 class=3 width=40 height=40 pitch=40 text=\"あい\"\n"
      "end\n");
  ASSERT_EQ(bytes.size(), 5 * kCommandSize + 5 + 4 + 3);
  const uint8_t* pool = bytes.data() + 5 * kCommandSize;
  EXPECT_EQ(std::vector<uint8_t>(pool, pool + 12),
            (std::vector<uint8_t>{0x24, 0x22, 0x24, 0x24, 0, 'A', 0xB1, 0x81, 0, 0x2D, 0x21, 0}));
  PrintCommand c;
  auto offsetOf = [&](size_t i) {
    std::memcpy(c.bytes, bytes.data() + i * kCommandSize, kCommandSize);
    return StringCommand{c}.textOffset();
  };
  EXPECT_EQ(offsetOf(0), 0);
  EXPECT_EQ(offsetOf(1), 5);
  EXPECT_EQ(offsetOf(2), 9);
  EXPECT_EQ(offsetOf(3), 0);  // the same text is stored once

  // What the engine reads back is the Shift-JIS text.
  uint8_t sjis[5] = {};
  JisToSjis(pool, 4, sjis);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(sjis)), "\x82\xA0\x82\xA2");
}

TEST(PdatCompile, PlacesCommandsAfterEndInTheTextPoolAndChecksOffsets) {
  std::vector<uint8_t> bytes = Compile(
      "end\n"
      "text @0 \"AB\"\n"
      "line color=1 x0=0 y0=0 x1=0 y1=0 style=solid\n"
      "zeros @19 count=3\n"
      "text @22 jis \"\\x76\\x21\" nonul\n");
  EXPECT_EQ(bytes, Cat({Record({255}), Bytes(std::string("AB\0", 3)), Record({1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF}),
                        {0, 0, 0, 0x76, 0x21}}));
  CompileError e = CompileFails("end\ntext @0 \"A\"\ntext @1 \"B\"\n");
  EXPECT_EQ(e.line, 3);
  EXPECT_EQ(e.message, "text @1: the text pool is at 2 here");
}

TEST(PdatDump, ShowsFieldsNamesTextsAndTheUnreadBytes) {
  std::vector<uint8_t> page = Cat({
      Record({16, 0, 140, 0, 140, 0, 0x99, 1, 0, 0, 0, 0, 0, 0, 0, 0x42}),
      Record({1, 0, 1, 0, 2, 0, 3, 0, 4, 0, 0x34, 0x12}),
      Record({5, 0, 1, 0, 2, 0, 1, 3, 40, 40, 40, 0, 0, 0, 0, 0}),
      Record({5, 0, 1, 0, 2, 0, 2, 1, 20, 40, 20, 0, 5, 0, 0, 0}),
      Record({9, 8, 7}),
      Record({255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}),
      Bytes(std::string("\x30\x21\x24\x22\0ABC\x81\0", 10)),
  });
  std::string text = DumpText(page);
  EXPECT_NE(text.find("paper orientation=portrait paper=A4 userPaper=A4 copies=1 unused=6:99,15:42\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("line color=0 x0=1 y0=2 x1=3 y1=4 style=0x1234\n"), std::string::npos) << text;
  EXPECT_NE(text.find("offset=0  # mincho \"亜あ\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("offset=5  # OCR \"ABC\\x81\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("raw bytes=09080700000000000000000000000000\n"), std::string::npos) << text;
  EXPECT_NE(text.find("end unused=15:01\n"), std::string::npos) << text;
  EXPECT_NE(text.find("text @0 jis \"亜あ\"\ntext @5 \"ABC\\x81\"\n"), std::string::npos) << text;
  ExpectRoundTrip(page);
}

TEST(PdatDump, WritesBytesThatWouldNotComeBackAsEscapes) {
  // Class 3 text with a space, a pair of the user-defined row 0x76, a pair
  // with 0x7F, and a row-13 character that has a twin in row 2 (the twin is
  // what the character would compile to).
  std::vector<uint8_t> page = Cat({
      Record({5, 0, 0, 0, 0, 0, 1, 3, 40, 40, 40, 0, 0, 0, 0, 0}),
      Record({255}),
      {0x24, 0x22, 0x20, 0x76, 0x21, 0x21, 0x7F, 0x2D, 0x75, 0},
  });
  std::string text = DumpText(page);
  EXPECT_NE(text.find("text @0 jis \"あ\\x20\\x76\\x21\\x21\\x7F\\x2D\\x75\"\n"), std::string::npos) << text;
  ExpectRoundTrip(page);
}

TEST(PdatDump, SplitsThePoolWhereStringsPointIntoATextAndMarksMissingNuls) {
  std::vector<uint8_t> page = Cat({
      Record({5, 0, 0, 0, 0, 0, 1, 1, 20, 20, 20, 0, 0, 0, 0, 0}),
      Record({5, 0, 0, 0, 0, 0, 1, 1, 20, 20, 20, 0, 2, 0, 0, 0}),
      Record({5, 0, 0, 0, 0, 0, 1, 1, 20, 20, 20, 0, 99, 0, 0, 0}),
      Record({255}),
      Bytes(std::string("ABCD\0\0\0\0XY", 10)),
  });
  std::string text = DumpText(page);
  EXPECT_NE(text.find("text @0 \"AB\" nonul\ntext @2 \"CD\"\nzeros @5 count=3\ntext @8 \"XY\" nonul\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("offset=99  # mincho, offset outside the text pool"), std::string::npos) << text;
  ExpectRoundTrip(page);
}

TEST(PdatRoundTrip, KeepsFilesWithoutEndCutRecordsAndEmptyFiles) {
  ExpectRoundTrip({});
  ExpectRoundTrip({0});
  ExpectRoundTrip({255});                                   // a cut End record
  ExpectRoundTrip({2, 1, 0, 0, 5});                         // a cut fill, no End
  ExpectRoundTrip(Cat({Record({1, 1}), {0, 0, 0}}));        // cut zero record
  ExpectRoundTrip(Cat({Record({}), Record({}), Record({5}), Record({}), {5, 0, 1}}));
  std::vector<uint8_t> noEnd = Cat({Record({3, 1, 10, 0, 10, 0, 0, 0, 0, 0, 5, 0, 1, 2, 3, 4}), Record({17, 60})});
  std::string text = DumpText(noEnd);
  EXPECT_NE(text.find("no end command"), std::string::npos);
  EXPECT_EQ(text.find("\nend"), std::string::npos);
  ExpectRoundTrip(noEnd);
  // Records after End belong to the text pool.
  ExpectRoundTrip(Cat({Record({255}), Record({1, 0, 5, 0, 5, 0, 9, 0, 9, 0, 0xFF, 0xFF}), Record({255})}));
}

TEST(PdatRoundTrip, KeepsRandomBytes) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 300; ++round) {
    size_t size = rng() % 700;
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = uint8_t(rng());
    // Most rounds: plant kinds the dump names (and an End) at record starts,
    // with text offsets that point into the pool, and Shift-JIS/JIS-like
    // bytes in the pool.
    if (round % 4 != 0) {
      const uint8_t kinds[] = {1, 2, 3, 5, 5, 5, 16, 17, 0};
      size_t records = size / kCommandSize;
      size_t end = records > 0 ? rng() % records : 0;
      for (size_t i = 0; i < records; ++i) {
        uint8_t* r = &bytes[i * kCommandSize];
        r[0] = i == end ? 255 : kinds[rng() % std::size(kinds)];
        if (r[0] == 5) {
          r[12] = uint8_t(rng() % 64);
          r[13] = r[14] = r[15] = 0;
          r[7] = uint8_t(rng() % 6);
        }
      }
      for (size_t i = (end + 1) * kCommandSize; i < size; ++i) {
        unsigned pick = rng() % 8;
        if (pick < 3) bytes[i] = uint8_t(0x21 + rng() % 0x5E);
        else if (pick == 3) bytes[i] = uint8_t(0x81 + rng() % 0x1F);
        else if (pick == 4) bytes[i] = 0;
      }
    }
    ExpectRoundTrip(bytes);
    if (HasFatalFailure()) return;
  }
}

TEST(PdatRoundTrip, KeepsLongRunsOfZeroRecordsShort) {
  std::vector<uint8_t> bytes(kCommandSize * 5000, 0);
  bytes.push_back(255);
  bytes.resize(bytes.size() + 15 + 2000, 0);
  std::string text = DumpText(bytes);
  EXPECT_NE(text.find("empty count=5000\nend\n# text pool\nzeros @0 count=2000\n"), std::string::npos) << text;
  EXPECT_LT(text.size(), 300u);
  ExpectRoundTrip(bytes);
}

TEST(PdatCompile, ReportsTheLineAndTheReason) {
  struct Case {
    std::string text;
    int line;
    std::string message;
  } cases[] = {
      {"# ok\nlin color=1\n", 2,
       "unknown command \"lin\" (commands: paper, palette, paint, line, circle, string, end, raw, empty, text, "
       "zeros)"},
      {"line color=1 x0=0 y0=0 x1=0 y1=0\n", 1,
       "missing field style (a line command has color, x0, y0, x1, y1, style)"},
      {"line color=1 colour=2\n", 1, "unknown field colour in a line command (a line command has color, x0, y0, x1, y1, "
                                     "style)"},
      {"palette index=1 index=2 red=0 green=0 blue=0\n", 1, "field index given twice"},
      {"palette index=256 red=0 green=0 blue=0\n", 1, "index: 256 is outside 0..255"},
      {"paint color=1 x1=-1 y1=0 x2=0 y2=0 pattern=1\n", 1, "x1: -1 is outside 0..65535"},
      {"paper orientation=sideways paper=A4 userPaper=A4 copies=1\n", 1,
       "orientation: \"sideways\" is not a number nor one of portrait, landscape"},
      {"line color=1 x0=0 y0=0 x1=0 y1=0 style=wavy\n", 1,
       "style: \"wavy\" is not a number nor one of solid, dash, dot, dashdot, dashdotdot"},
      {"end unused=0:FF\n", 1, "unused: byte 0 is not an unused byte of a end record"},
      {"paint color=1 x1=0 y1=0 x2=0 y2=0 pattern=1 unused=10:FF\n", 1,
       "unused: byte 10 is not an unused byte of a paint record"},
      {"end unused=3:F\n", 1, "unused: \"3:F\" is not byte:HH (for example 12:FF)"},
      {"string color=0 x=0 y=0 typeface=1 class=3 width=1 height=1 pitch=1 text=\"AB\"\nend\n", 1,
       "text: \"A\" (U+0041) is half-width: a class 3-5 text holds only full-width characters (write \\xHH for raw "
       "bytes)"},
      {"end\ntext \"😀\"\n", 2, "\"😀\" (U+1F600) has no Shift-JIS code"},
      {"end\ntext jis \"ｱ\"\n", 2,
       "\"ｱ\" (U+FF71) is half-width: a class 3-5 text holds only full-width characters (write \\xHH for raw bytes)"},
      {"end\ntext \"abc\n", 2, "the quoted text has no closing \""},
      {"end\ntext \"a\\q\"\n", 2, "unknown escape \"\\q\" in a quoted text (write \\\\, \\\" or \\xHH with two hex digits)"},
      {"text \"a\"\n", 1, "text belongs to the text pool, which follows the end command"},
      {"paint color=1\n\nstring color=0 x=0 y=0 typeface=1 class=1 width=1 height=1 pitch=1 text=\"A\"\n", 1,
       "missing field x1 (a paint command has color, x1, y1, x2, y2, pattern)"},
      {"string color=0 x=0 y=0 typeface=1 class=1 width=1 height=1 pitch=1 text=\"A\"\n", 1,
       "text= needs an end command: the text pool follows it"},
      {"string color=0 x=0 y=0 typeface=1 class=1 width=1 height=1 pitch=1 offset=0 text=\"A\"\nend\n", 1,
       "give either offset= or text=, not both"},
      {"line color=1 x0=0 y0=0 x1=0 y1=0 style=0 size=4\nend\n", 2,
       "nothing may follow the cut record (size below 16) on line 1"},
      {"line color=1 x0=0 y0=0 x1=0 y1=0 style=solid size=5\n", 1,
       "size=5 cuts off byte 10, which is not zero (the fields there must be 0)"},
      {"raw bytes=0102030\n", 1, "bytes= needs an even number of hex digits, 2 to 32 (one record at most)"},
      {"raw bytes=01G2\n", 1, "bytes= holds a character that is not a hex digit"},
      {"empty count=0\n", 1, "count=0 is not a number from 1 to 1000000"},
      {"end\nzeros\n", 2, "zeros needs count=N"},
      {"end\ntext @0 \"a\" \"b\"\n", 2, "unexpected a quoted text (a text line is: text [@offset] [jis] \"...\" [nonul])"},
      {"@3 end\n", 1, "a line begins with a command name, not @3"},
      {"line color=\n", 1, "field color has no value"},
      {"end\ntext \"a\"b\n", 2, "put a space after the quoted text"},
      {"end\nzeros count=16000000\nzeros count=16000000\nzeros count=16000000\nzeros count=16000000\n"
       "zeros count=16000000\n",
       6, "the print data would pass 64 MiB (the engine reads 9,600,000 bytes)"},
  };
  for (const auto& c : cases) {
    CompileError e = CompileFails(c.text);
    EXPECT_EQ(e.line, c.line) << c.text;
    EXPECT_EQ(e.message, c.message) << c.text;
  }
}

TEST(PdatCompile, AcceptsCommentsBlankLinesCarriageReturnsAndAByteOrderMark) {
  std::vector<uint8_t> bytes = Compile(
      "\xEF\xBB\xBF# a page\r\n\r\n   end   # the end\r\n\ttext \"#1\" # not part of the text\r\n");
  EXPECT_EQ(bytes, Cat({Record({255}), Bytes(std::string("#1\0", 3))}));
}

// The bundled sample forms: each compiles into a complete page that starts
// with its paper command, sets colours, closes with End, keeps every text
// inside the pool, and comes back unchanged through the dump.
TEST(PdatExamples, CompileIntoCompletePagesThatRoundTrip) {
  namespace fs = std::filesystem;
  int forms = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(KESTREL_SOURCE_DIR) / "examples")) {
    std::string name = entry.path().filename().string();
    if (name.size() < 9 || name.substr(name.size() - 9) != ".pdat.txt") continue;
    ++forms;
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes = Compile(test::ReadFile(entry.path().string()));
    ASSERT_GE(bytes.size(), 2 * kCommandSize);
    EXPECT_EQ(bytes[0], uint8_t(CommandKind::Paper));
    size_t end = 0;
    int palettes = 0, strings = 0;
    while (end * kCommandSize < bytes.size() && bytes[end * kCommandSize] != 255) {
      PrintCommand c;
      std::memcpy(c.bytes, &bytes[end * kCommandSize], kCommandSize);
      if (c.is(CommandKind::Palette)) {
        ++palettes;
        EXPECT_LT(PaletteCommand{c}.colorIndex(), kColourCount);
      }
      if (c.is(CommandKind::String)) ++strings;
      ++end;
    }
    ASSERT_LT(end * kCommandSize, bytes.size()) << "no End record";
    size_t poolStart = (end + 1) * kCommandSize;
    for (size_t i = 0; i < end; ++i) {
      PrintCommand c;
      std::memcpy(c.bytes, &bytes[i * kCommandSize], kCommandSize);
      if (c.is(CommandKind::String)) {
        int32_t offset = StringCommand{c}.textOffset();
        ASSERT_GE(offset, 0);
        ASSERT_LT(poolStart + size_t(offset), bytes.size());
      }
      if (c.kind() >= 1 && c.kind() <= 5) {
        EXPECT_LT(c.u8(1), kColourCount) << "record " << i;
      }
    }
    EXPECT_GT(palettes, 0);
    EXPECT_GT(strings, 0);
    ExpectRoundTrip(bytes);
  }
  EXPECT_GE(forms, 3);
}

}  // namespace
}  // namespace kestrel::pdat
