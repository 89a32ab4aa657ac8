// The font settings form's model against a settings file in a temporary
// folder: what the creation shows, what a save writes and in which order it
// stops.
#include "fonts/font_set.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/text_codec.h"
#include "support/engine_fixture.h"
#include "util/profile_file.h"

namespace kestrel::test {
namespace {

class PrinterWithFonts : public MemoryPrintSystem {
 public:
  explicit PrinterWithFonts(std::vector<std::string> fonts, bool unreachable = false)
      : MemoryPrintSystem({Device(std::move(fonts))}), unreachable_(unreachable) {}
  std::vector<std::string> Fonts() override {
    if (unreachable_) throw std::runtime_error("no printer");
    return MemoryPrintSystem::Fonts();
  }

 private:
  static MemoryDevice Device(std::vector<std::string> fonts) {
    MemoryDevice d = StandardDevice("Office");
    d.fonts = std::move(fonts);
    return d;
  }
  bool unreachable_;
};

class FontSetForm : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.file("kestrel.inf");
  PrinterWithFonts printer{{"IPAGothic", "IPAMincho", "OCR B"}};

  void Settings(const std::string& lines) { dir.Write("kestrel.inf", SjisFromUtf8("[SETTING]\r\n" + lines)); }
  // The keys of section SETTING in file order, with their values as written.
  std::vector<std::pair<std::string, std::string>> Written() {
    ProfileFile file;
    EXPECT_EQ(file.Load(path), ProfileFile::LoadResult::kOk);
    std::vector<std::pair<std::string, std::string>> out;
    for (const std::string& key : file.Keys("SETTING"))
      out.emplace_back(key, Utf8FromSjis(file.FindRaw("SETTING", SjisFromUtf8(key)).value_or("<none>")));
    return out;
  }
};

TEST_F(FontSetForm, CreationShowsTheKeysAndASaveWritesThemBackInTheirWrittenForm) {
  Settings(
      "$pFontMin=\"NoSuchFace\"\r\n"
      "$pFontGot=\"IPAGothic\"\r\n"
      "$pStringFontMin=\"IPAMincho\",\"A\",\"B\",\r\n"
      "$pStringFontGot2=\"IPAGothic\",\"株式会社\",\r\n"
      "$pFontMinGrp=5\r\n"
      "$pFontGotGrp=x1\r\n"
      "$pFontEscape=\r\n"
      "$pAutoFontWidth=1\r\n");
  HeadlessUi ui({}, {});
  TFontSet form(ui, printer, path);

  EXPECT_EQ(form.Faces(), (std::vector<std::string>{"標準明朝", "標準ゴシック", "IPAGothic", "IPAMincho", "OCR B"}));
  EXPECT_EQ(form.Label1(), "選択できるフォント数：5 個");
  // Exact entries only: a face the list lacks leaves no selection.
  EXPECT_EQ(form.Selected(TFontSet::ComboBox1), -1);
  EXPECT_EQ(form.SelectedFace(TFontSet::ComboBox2), "IPAGothic");
  EXPECT_EQ(form.SelectedFace(TFontSet::ComboBox3), "IPAMincho");
  EXPECT_EQ(form.MemoLines(TFontSet::Memo1), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(form.Selected(TFontSet::ComboBox4), -1);
  EXPECT_EQ(form.MemoLines(TFontSet::Memo4), (std::vector<std::string>{"株式会社"}));
  // 5: the visible box and the hidden bit-4 box.
  EXPECT_TRUE(form.Checked(TFontSet::hanmin_chk1));
  EXPECT_FALSE(form.Checked(TFontSet::hanmin_chk2));
  EXPECT_TRUE(form.Checked(TFontSet::hanmin_chk3));
  // A group value that is not a number is ignored with its message.
  EXPECT_FALSE(form.Checked(TFontSet::hangot_chk1));
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_EQ(ui.shown()[0], "$pFontGotGrp設定値に異常がありますので、設定値は無視しました[x1]");
  EXPECT_TRUE(form.Checked(TFontSet::CheckBox4));

  ASSERT_TRUE(form.BitBtn1Click());
  auto written = Written();
  auto value = [&](const std::string& key) {
    for (auto& [k, v] : written)
      if (k == key) return v;
    return std::string("<missing>");
  };
  EXPECT_EQ(value("$pFontEscape"), "");  // no escape box: empty, not 0
  EXPECT_EQ(value("$pAutoFontWidth"), "1");
  EXPECT_EQ(value("$pFontMin"), "\"標準明朝\"");
  EXPECT_EQ(value("$pFontGot"), "\"IPAGothic\"");
  EXPECT_EQ(value("$pStringFontMin"), "\"IPAMincho\",\"A\",\"B\",");
  EXPECT_EQ(value("$pFontMinGrp"), "5");
  EXPECT_EQ(value("$pStringFontGot"), "");
  EXPECT_EQ(value("$pFontGotGrp"), "0");
  EXPECT_EQ(value("$pStringFontMin2"), "");  // no face, no texts: empty
  EXPECT_EQ(value("$pStringFontGot2"), "\"IPAGothic\",\"株式会社\",");

  // All three escape boxes give 7.
  form.SetChecked(TFontSet::CheckBox1, true);
  form.SetChecked(TFontSet::CheckBox2, true);
  form.SetChecked(TFontSet::CheckBox3, true);
  ASSERT_TRUE(form.BitBtn1Click());
  written = Written();
  EXPECT_EQ(value("$pFontEscape"), "7");
}

// Keys are written one by one: a panel with texts (or its group box) but no
// face stops the save with its message and focus, after the keys before it.
TEST_F(FontSetForm, AStoppedSaveLeavesTheKeysBeforeThePanelWritten) {
  HeadlessUi ui({}, {});
  TFontSet form(ui, printer, path);  // no settings file yet
  form.SetChecked(TFontSet::hanmin_chk1, true);
  EXPECT_FALSE(form.BitBtn1Click());
  EXPECT_EQ(form.FocusRequest(), TFontSet::Focus::kComboBox3);
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_EQ(ui.shown()[0], "明朝体指定半角特定文字フォントの指定がありません");
  using Keys = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(Written(), (Keys{{"$pFontEscape", ""},
                             {"$pAutoFontWidth", "0"},
                             {"$pFontMin", "\"標準明朝\""},
                             {"$pFontGot", "\"標準ゴシック\""}}));

  // Full-width panels: only texts block a save without a face.
  form.Select(TFontSet::ComboBox3, 3);
  form.SetMemoText(TFontSet::Memo4, "株式会社\n");
  EXPECT_FALSE(form.BitBtn1Click());
  EXPECT_EQ(form.FocusRequest(), TFontSet::Focus::kComboBox6);
  EXPECT_EQ(ui.shown().back(), "ゴシック体指定全角特定文字フォントの指定がありません");
  EXPECT_EQ(Written().size(), 9u);
  EXPECT_EQ(Written()[4], (std::pair<std::string, std::string>{"$pStringFontMin", "\"IPAMincho\","}));
  EXPECT_EQ(Written()[8], (std::pair<std::string, std::string>{"$pStringFontMin2", ""}));
}

TEST_F(FontSetForm, ClearingAllAsksFirstAndKeepsTheHiddenGroupBits) {
  Settings("$pFontMinGrp=7\r\n$pStringFontMin=\"IPAGothic\",\"A\",\r\n$pFontEscape=3\r\n");
  HeadlessUi ui({"cancel", "ok"}, {});
  TFontSet form(ui, printer, path);
  form.BitBtn7Click();  // Cancel: nothing changes
  EXPECT_TRUE(form.Checked(TFontSet::CheckBox2));
  EXPECT_EQ(form.SelectedFace(TFontSet::ComboBox3), "IPAGothic");
  form.BitBtn7Click();  // OK
  EXPECT_EQ(form.Selected(TFontSet::ComboBox1), -1);
  EXPECT_EQ(form.Selected(TFontSet::ComboBox3), -1);
  EXPECT_TRUE(form.MemoLines(TFontSet::Memo1).empty());
  EXPECT_FALSE(form.Checked(TFontSet::CheckBox1));
  EXPECT_FALSE(form.Checked(TFontSet::CheckBox2));
  EXPECT_FALSE(form.Checked(TFontSet::hanmin_chk1));
  EXPECT_TRUE(form.Checked(TFontSet::hanmin_chk2));
  EXPECT_TRUE(form.Checked(TFontSet::hanmin_chk3));
  // The hidden bits alone do not block the half-width panel; they are saved.
  ASSERT_TRUE(form.BitBtn1Click());
  ProfileFile file;
  file.Load(path);
  EXPECT_EQ(file.GetString("SETTING", "$pFontMinGrp", "?"), "6");
  EXPECT_EQ(file.GetString("SETTING", "$pFontMin", "?"), "標準明朝");
}

TEST_F(FontSetForm, AnUnreachablePrinterLeavesTheTwoGenericFaces) {
  PrinterWithFonts broken({"IPAGothic"}, true);
  HeadlessUi ui({}, {});
  TFontSet form(ui, broken, path);
  EXPECT_EQ(form.Faces(), (std::vector<std::string>{"標準明朝", "標準ゴシック"}));
  EXPECT_EQ(form.Label1(), "選択できるフォント数：2 個");
  EXPECT_EQ(form.Selected(TFontSet::ComboBox1), 0);  // the default face
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_EQ(ui.shown()[0], "TPrinter生成時にエラーが発生しました。\nプリンタ設定に異常がある可能性があります。");
}

TEST_F(FontSetForm, ASettingsFileThatCannotBeReadIsNeverWritten) {
  std::filesystem::create_directories(path);  // not a file
  HeadlessUi ui({}, {});
  TFontSet form(ui, printer, path);
  EXPECT_TRUE(form.Faces().empty());
  EXPECT_FALSE(form.BitBtn1Click());
  ASSERT_EQ(ui.shown().size(), 2u);
  EXPECT_EQ(ui.shown()[0], path + "の読み込みに失敗しました。\n処理を終了します");
  EXPECT_EQ(ui.shown()[1], path + "の読み込みに失敗しました。\n保存処理を終了していません。");
  EXPECT_TRUE(std::filesystem::is_directory(path));
}

// A file that cannot be written (its folder is missing) stops the save at
// the first key, told, with the form left open.
TEST_F(FontSetForm, ASaveThatCannotWriteSaysSoAndStaysOpen) {
  const std::string nowhere = dir.file("missing/kestrel.inf");
  HeadlessUi ui({}, {});
  TFontSet form(ui, printer, nowhere);
  EXPECT_FALSE(form.BitBtn1Click());
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_EQ(ui.shown()[0], nowhere + "への書き込みに失敗しました。\n保存処理を終了していません。");
}

TEST(FontSetMemo, LinesAndTextAgree) {
  MemoryPrintSystem printer({StandardDevice("Office")});
  HeadlessUi ui({}, {});
  TFontSet form(ui, printer, "/nonexistent/kestrel.inf");
  form.SetMemoText(TFontSet::Memo2, "A\r\n\r\nB\n");
  EXPECT_EQ(form.MemoLines(TFontSet::Memo2), (std::vector<std::string>{"A", "", "B"}));
  EXPECT_EQ(form.MemoText(TFontSet::Memo2), "A\n\nB");
  form.SetMemoText(TFontSet::Memo2, "\n");
  EXPECT_EQ(form.MemoLines(TFontSet::Memo2), (std::vector<std::string>{""}));
  form.SetMemoText(TFontSet::Memo2, "");
  EXPECT_TRUE(form.MemoLines(TFontSet::Memo2).empty());
}

}  // namespace
}  // namespace kestrel::test
