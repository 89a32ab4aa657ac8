#include "util/field_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/comma_list.h"

namespace kestrel {
namespace {

using Fields = std::vector<std::string>;

Fields Loose(const std::string& text, size_t minimum = 0) {
  FieldSplitter s;
  EXPECT_EQ(s.SplitLoose(text, minimum), 0);
  return s.fields();
}

Fields Csv(const std::string& text, size_t minimum = 0) {
  FieldSplitter s;
  EXPECT_EQ(s.SplitCsv(text, minimum), 0);
  return s.fields();
}

TEST(FieldSplitter, LooseSplitKeepsInnerQuotesAndDropsOneTrailingEmptyField) {
  EXPECT_EQ(Loose("a,\"b c\",d"), (Fields{"a", "b c", "d"}));
  EXPECT_EQ(Loose("a,,b"), (Fields{"a", "", "b"}));
  EXPECT_EQ(Loose("a,b,"), (Fields{"a", "b"}));
  EXPECT_EQ(Loose("\"x\"\"y\""), (Fields{"x\"\"y"}));
  EXPECT_EQ(Loose("\"\""), (Fields{"\""}));
  EXPECT_EQ(Loose("*.pdat\",x"), (Fields{"*.pdat\"", "x"}));
  EXPECT_EQ(Loose("\"*.pdat\",\"*.txt\""), (Fields{"*.pdat", "*.txt"}));
  EXPECT_EQ(Loose("\"a,b\",c"), (Fields{"a,b", "c"}));
}

TEST(FieldSplitter, CsvSplitUndoublesQuotesAndDropsBytesAroundQuotedText) {
  EXPECT_EQ(Csv("\"x\"\"y\""), (Fields{"x\"y"}));
  EXPECT_EQ(Csv("ab\"cd\",e"), (Fields{"cd", "e"}));
  EXPECT_EQ(Csv("\"cd\"zz,e"), (Fields{"cd", "e"}));
  EXPECT_EQ(Csv("a,,b"), (Fields{"a", "", "b"}));
  EXPECT_EQ(Csv("a,\"b,c\""), (Fields{"a", "b,c"}));
}

TEST(FieldSplitter, EmptyTextGivesNoFieldsOrThePaddedMinimum) {
  EXPECT_TRUE(Loose("").empty());
  EXPECT_EQ(Loose("", 3), (Fields{"", "", ""}));
  EXPECT_EQ(Csv("a", 2), (Fields{"a", ""}));
  // A minimum below the count found changes nothing.
  EXPECT_EQ(Loose("a,b,c", 2).size(), 3u);
}

TEST(FieldSplitter, GetFieldFallsBackOutsideTheListAndOnEmptyFields) {
  FieldSplitter s;
  s.SplitLoose("a,,b");
  EXPECT_EQ(s.FieldCount(), 3u);
  EXPECT_EQ(s.GetField(0, "0"), "a");
  EXPECT_EQ(s.GetField(1, "0"), "0");
  EXPECT_EQ(s.GetField(5, "0"), "0");
  // A new split replaces the list.
  s.SplitCsv("x");
  EXPECT_EQ(s.FieldCount(), 1u);
}

TEST(FieldSplitter, DoubleByteCharactersPassThroughAndLongFieldsAreCut) {
  // 表 is 95 5C in Shift-JIS: its trail byte is a backslash, not a delimiter.
  const std::string hyou = "\x95\x5C";
  EXPECT_EQ(Loose(hyou + "," + hyou), (Fields{hyou, hyou}));
  std::string huge(20000, 'x');
  auto fields = Loose(huge + ",y");
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0].size(), FieldSplitter::kMaxFieldBytes);
  EXPECT_EQ(fields[1], "y");
}

TEST(CommaList, CutsAtBlanksUnquotesAndAddsAnEmptyItemAfterAFinalComma) {
  EXPECT_EQ(SplitCommaList("a.pdat,b.pdat"), (Fields{"a.pdat", "b.pdat"}));
  EXPECT_EQ(SplitCommaList("  c:\\data , 2 "), (Fields{"c:\\data", "2"}));
  EXPECT_EQ(SplitCommaList("c:\\my data"), (Fields{"c:\\my", "data"}));
  EXPECT_EQ(SplitCommaList("\"c:\\my data\",1"), (Fields{"c:\\my data", "1"}));
  EXPECT_EQ(SplitCommaList("\"say \"\"hi\"\"\""), (Fields{"say \"hi\""}));
  EXPECT_EQ(SplitCommaList("a,"), (Fields{"a", ""}));
  EXPECT_EQ(SplitCommaList("a,,b"), (Fields{"a", "", "b"}));
  EXPECT_EQ(SplitCommaList(","), (Fields{"", ""}));
  EXPECT_TRUE(SplitCommaList("").empty());
  EXPECT_TRUE(SplitCommaList(" \t ").empty());
  EXPECT_EQ(SplitCommaList("\"open"), (Fields{"open"}));
  EXPECT_EQ(SplitCommaList("\"ab\"cd"), (Fields{"ab", "cd"}));
  EXPECT_EQ(SplitCommaList("10 20"), (Fields{"10", "20"}));
}

}  // namespace
}  // namespace kestrel
