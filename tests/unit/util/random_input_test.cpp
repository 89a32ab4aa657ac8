// Byte-level text services on random bytes: they must never read outside
// their input, and their results must keep the promises callers rely on.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "util/char_forms.h"
#include "util/comma_list.h"
#include "util/field_splitter.h"
#include "util/profile_file.h"

namespace kestrel {
namespace {

std::string RandomBytes(std::mt19937& rng, size_t maxLength) {
  // Biased towards the bytes the parsers treat specially.
  static const char special[] = {',', '"', '\'', '=', '[', ']', ';', '\n', '\r', ' ', '\\', '\x81', '\x82', '\xB6', '\xDE', '\xDF', '\0'};
  std::uniform_int_distribution<size_t> length(0, maxLength);
  std::uniform_int_distribution<int> byte(0, 255), pick(0, 2);
  std::string s(length(rng), '\0');
  for (char& c : s) c = pick(rng) == 0 ? special[size_t(byte(rng)) % sizeof special] : char(byte(rng));
  return s;
}

TEST(RandomInput, TextServicesStayWithinTheirInputAndBounds) {
  std::mt19937 rng(20241207);
  for (int round = 0; round < 3000; ++round) {
    std::string text = RandomBytes(rng, 64);
    std::string list = RandomBytes(rng, 16);
    FieldSplitter splitter;
    splitter.SplitLoose(text, 2);
    size_t total = 0;
    for (const auto& f : splitter.fields()) total += f.size();
    EXPECT_LE(total, text.size());
    EXPECT_GE(splitter.FieldCount(), 2u);
    splitter.SplitCsv(text);
    total = 0;
    for (const auto& f : splitter.fields()) total += f.size();
    EXPECT_LE(total, text.size());
    for (int mode = 0; mode < 5; ++mode) {
      EXPECT_LE(MapCharWidth(text, mode).size(), text.size() * 2);
      EXPECT_LE(ReplaceListedChars(text, list, mode).size(), text.size() * 2);
    }
    EXPECT_LE(SplitCommaList(text).size(), text.size() + 1);
    ProfileFile file;
    file.Parse(text);
    file.Find("S", "k");
    file.Set("S", "k", list);
    auto value = file.FindRaw("S", "k");
    ASSERT_TRUE(value.has_value());
    // What was written reads back, unless it is not a plain value (line
    // breaks, or blanks that reading trims).
    if (list.find_first_of("\r\n\t\v\f ") == std::string::npos) {
      EXPECT_EQ(*value, list);
    }
  }
}

}  // namespace
}  // namespace kestrel
