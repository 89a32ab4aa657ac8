#include "util/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel::test {
namespace {

std::vector<char32_t> Decode(std::string_view t) {
  std::vector<char32_t> out;
  for (size_t at = 0; at < t.size();) {
    Utf8Char c = DecodeUtf8(t, at);
    out.push_back(c.codepoint);
    at += c.length;
  }
  return out;
}

TEST(Utf8, OneReplacementPerMalformedSequenceAndTheNextByteStartsAfresh) {
  constexpr char32_t R = kReplacementCharacter;
  EXPECT_EQ(Decode("a\xC3\xA9\xE6\x98\x8E\xF0\x9F\x98\x80\xEF\xBF\xBD"),
            (std::vector<char32_t>{'a', 0xE9, 0x660E, 0x1F600, 0xFFFD}));
  // A lead byte cut short: one replacement, the byte that did not fit is read again.
  EXPECT_EQ(Decode("\xE3\x81x\xF0\x9F\x98y\xC3\xE6\x98\x8E"), (std::vector<char32_t>{R, 'x', R, 'y', R, 0x660E}));
  // Shift-JIS bytes: stray continuation bytes and bytes that start nothing.
  EXPECT_EQ(Decode("\x82\xA0\x93\xFA"), (std::vector<char32_t>{R, R, R, R}));
  // Overlong forms, surrogates and values above U+10FFFF.
  EXPECT_EQ(Decode("\xC0\xAF\xE0\x80\xAF\xED\xA0\x80\xF4\x90\x80\x80"),
            (std::vector<char32_t>(12, R)));
  EXPECT_EQ(Decode("\xE6\x98"), (std::vector<char32_t>{R}));  // cut at the end of the text

  const std::string bad = "x\x82\xA0\xE3\x81y\xEF\xBF\xBD";
  EXPECT_TRUE(IsValidUtf8("a\xEF\xBF\xBD\xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8(bad));
  EXPECT_FALSE(IsValidUtf8("\xF1\x80\x80z"));  // three bytes of four
  std::string fixed;
  AppendValidUtf8(bad, fixed);
  EXPECT_EQ(fixed, "x\uFFFD\uFFFD\uFFFDy\uFFFD");
  EXPECT_EQ(Decode(fixed), Decode(bad));
}

}  // namespace
}  // namespace kestrel::test
