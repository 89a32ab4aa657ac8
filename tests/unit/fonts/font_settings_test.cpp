#include "fonts/font_settings.h"

#include <gtest/gtest.h>

namespace kestrel::test {
namespace {

TEST(FontSettingValues, WrittenForms) {
  EXPECT_EQ(FormatSubstitutionValue("IPAexGothic", {"A", "B"}), "\"IPAexGothic\",\"A\",\"B\",");
  EXPECT_EQ(FormatSubstitutionValue("F", {}), "\"F\",");
  // Empty lines are written too, quotes inside are not escaped.
  EXPECT_EQ(FormatSubstitutionValue("F", {"", "a\"b"}), "\"F\",\"\",\"a\"b\",");
  EXPECT_EQ(FormatEscapeValue(0), "");
  EXPECT_EQ(FormatEscapeValue(7), "7");
  EXPECT_EQ(FormatGroupValue(0), "0");
  EXPECT_EQ(FormatGroupValue(5), "5");
  EXPECT_EQ(FormatFaceValue("標準明朝"), "\"標準明朝\"");
}

TEST(FontSettingValues, FlagsAndFacesAsTheEngineReadsThem) {
  EXPECT_EQ(ReadFlagValue(""), 0);
  EXPECT_EQ(ReadFlagValue("5"), 5);
  EXPECT_EQ(ReadFlagValue("x"), std::nullopt);
  EXPECT_EQ(ReadFlagValue("1a"), std::nullopt);
  EXPECT_EQ(EngineMinchoFace(""), "標準明朝");
  EXPECT_EQ(EngineGothicFace(""), "標準ゴシック");
  EXPECT_EQ(EngineGothicFace("IPAexGothic"), "IPAexGothic");
}

TEST(FontSettingValues, PanelsReadBackWhatWasWritten) {
  SubstitutionPanel p = ReadSubstitutionPanel(FormatSubstitutionValue("IPAex明朝", {"A", "", "株式会社"}));
  EXPECT_EQ(p.face, "IPAex明朝");
  EXPECT_EQ(p.texts, (std::vector<std::string>{"A", "", "株式会社"}));
  // An empty face field shows as no face, not as a face named "0".
  p = ReadSubstitutionPanel("\"\",\"A\",");
  EXPECT_EQ(p.face, "");
  EXPECT_EQ(p.texts, (std::vector<std::string>{"A"}));
  // Written by hand: the loose splitter's reading.
  p = ReadSubstitutionPanel("F, a ,\"b,c\"");
  EXPECT_EQ(p.face, "F");
  EXPECT_EQ(p.texts, (std::vector<std::string>{" a ", "b,c"}));
  p = ReadSubstitutionPanel("");
  EXPECT_EQ(p.face, "");
  EXPECT_TRUE(p.texts.empty());
}

}  // namespace
}  // namespace kestrel::test
