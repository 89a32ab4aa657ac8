// The CP932 converter on the rows where code page 932 differs from plain
// Shift-JIS: NEC and IBM extensions, the user-defined area, the characters
// that map to full-width forms.
#include <gtest/gtest.h>

#include <string>

#include "platform/text_codec.h"

namespace kestrel {
namespace {

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s.push_back(char(c));
  return s;
}

TEST(Cp932Codec, ExtensionRowsAndUserDefinedAreaRoundTrip) {
  struct Row {
    std::string sjis;
    std::string utf8;
  } rows[] = {
      {Bytes({0x87, 0x40}), "①"},          // NEC row 13
      {Bytes({0x87, 0x82}), "№"},
      {Bytes({0xFA, 0x40}), "ⅰ"},          // IBM extension
      {Bytes({0xFC, 0x4B}), "黑"},          // last IBM character
      {Bytes({0xF0, 0x40}), "\uE000"},     // user-defined area, first
      {Bytes({0xF9, 0xFC}), "\uE757"},     // and last
      {Bytes({0x81, 0x60}), "\uFF5E"},     // ～ full-width tilde
      {Bytes({0x81, 0x7C}), "\uFF0D"},     // － full-width hyphen-minus
      {Bytes({0x81, 0x5F}), "\uFF3C"},     // ＼
      {Bytes({0x5C}), "\\"},
      {Bytes({0x7E}), "~"},
      {Bytes({0xB1}), "ｱ"},
  };
  for (const auto& row : rows) {
    bool ok = false;
    EXPECT_EQ(Codec().ToUtf8(row.sjis, &ok), row.utf8);
    EXPECT_TRUE(ok) << row.utf8;
    EXPECT_EQ(Codec().ToCp932(row.utf8, &ok), row.sjis) << row.utf8;
    EXPECT_TRUE(ok) << row.utf8;
  }
  // Duplicated characters encode to one code: the NEC row for ∵ and ¬ of
  // the IBM rows go to their JIS codes.
  EXPECT_EQ(SjisFromUtf8("∵"), Bytes({0x81, 0xE6}));
  EXPECT_EQ(SjisFromUtf8("￢"), Bytes({0x81, 0xCA}));
  EXPECT_EQ(Utf8FromSjis(Bytes({0xEE, 0xF9})), "￢");
  // The NEC-selected IBM rows decode, and encode to the IBM rows.
  EXPECT_EQ(Utf8FromSjis(Bytes({0xED, 0x40})), "纊");
  EXPECT_EQ(SjisFromUtf8("纊"), Bytes({0xFA, 0x5C}));
}

TEST(Cp932Codec, InvalidInputBecomesQuestionMarks) {
  bool ok = true;
  EXPECT_EQ(Codec().ToUtf8(Bytes({'a', 0x82}), &ok), "a?");  // lead byte cut off
  EXPECT_FALSE(ok);
  EXPECT_EQ(Codec().ToUtf8(Bytes({0x85, 0x40, 'b'}), &ok), "?b");  // unassigned pair
  EXPECT_EQ(Codec().ToCp932("a😀b", &ok), "a?b");
  EXPECT_FALSE(ok);
  EXPECT_EQ(Codec().ToCp932("a\xFF", &ok), "a?");
}

}  // namespace
}  // namespace kestrel
