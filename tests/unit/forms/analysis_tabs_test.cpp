// The analysis tabs' models: exclusion lists from the named boxes, the run
// button, and moving through and searching a loaded log.
#include "forms/analysis_tabs.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/text_codec.h"
#include "support/engine_fixture.h"

namespace kestrel::test {
namespace {

TEST(ExclusionLists, TickedBoxesByNumberWithTheLetterCaseIgnored) {
  HeadlessUi ui({}, {});
  TAnalysisTab tab(ui, {});
  EXPECT_EQ(CollectChecked(tab.Boxes(), "patcheck", 15), "");
  for (const char* name : {"patcheck2", "PATCHECK10", "patcheck15"}) ASSERT_TRUE(tab.Boxes().Set(name, true));
  EXPECT_EQ(CollectChecked(tab.Boxes(), "patcheck", 15), "2,10,15");
  // The line-type boxes are named LinePat1..5 and collected as "linepat".
  tab.Boxes().Set("LinePat3", true);
  tab.Boxes().Set("font2", true);
  EXPECT_EQ(tab.CollectExclusions(), (ExclusionLists{"2,10,15", "3", "", "", "2"}));
  EXPECT_FALSE(tab.Boxes().Set("patcheck16", true));

  tab.Button21Click();
  EXPECT_EQ(tab.CollectExclusions(), (ExclusionLists{"2,10,15", "3", "", "1,2,3,4,5", "1,2"}));
  tab.Button17Click();
  tab.Button20Click();
  EXPECT_EQ(tab.CollectExclusions()[0], "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15");
  EXPECT_EQ(tab.CollectExclusions()[1], "");
  tab.Button22Click();
  tab.Button18Click();
  EXPECT_EQ(tab.CollectExclusions(), ExclusionLists{});
}

// On a menu: the run is the menu's RunFromMenu(1) with the tab's file
// (without quotes) and lists; the data choice shows the file on both tabs
// and starts in the menu's folder.
TEST(AnalysisTab, TheRunNeedsAFileAndIsTheMenusAnalysisRun) {
  HeadlessUi ui({"\"/data/a.pdat\"", "cancel"}, {});
  std::vector<std::string> args;
  int mode = -1;
  RunRequest request;
  SystemMenuHooks menuHooks;
  menuHooks.printMain = [&](const std::vector<std::string>& a, int m, const RunRequest& r) {
    args = a;
    mode = m;
    request = r;
    return 0;
  };
  MemoryPrintSystem printers({StandardDevice("Office")});
  TSysMenu1 menu(ui, printers, menuHooks);
  menu.SetBaseDir("/base/");
  MenuAnalysisTabs tabs(ui, menu);
  EXPECT_FALSE(tabs.data.Button15Click());
  EXPECT_EQ(mode, -1);
  EXPECT_EQ(ui.shown().back(), "解析するPDATデータファイルを選択してください");

  tabs.data.Button14Click();
  tabs.data.Button14Click();  // cancelled: the dialog's name again
  EXPECT_EQ(menu.Label1(), "\"/data/a.pdat\"");
  EXPECT_EQ(tabs.data.Label4(), "\"/data/a.pdat\"");
  tabs.data.Boxes().Set("circle1", true);
  tabs.data.Boxes().Set("strsize4", true);
  EXPECT_TRUE(tabs.data.Button15Click());
  EXPECT_EQ(mode, 1);
  EXPECT_EQ(args, (std::vector<std::string>{"-p", "/data/a.pdat"}));
  EXPECT_EQ(request.alog, 1);
  EXPECT_EQ(request.jpeg, 1);
  EXPECT_EQ(request.analysisFilters, (std::array<std::string, 5>{"", "", "1", "4", ""}));
}

class LogTab : public ::testing::Test {
 protected:
  TempDir dir;
  std::string log = dir.Write("alog.txt", SjisFromUtf8("【線】abc\nABC xyz\n解析 Abc\n"));
};

TEST_F(LogTab, F3WalksThroughTheMatchesAfterTheCaretIgnoringCase) {
  HeadlessUi ui({log}, {});
  TAnalysisLogTab tab(ui);
  ASSERT_TRUE(tab.OpenLog());
  tab.Edit1Enter();
  tab.SetSearchText("abc");
  // A match that starts at the caret is skipped.
  tab.SetSelection(3);
  ASSERT_TRUE(tab.FindNextInLog());
  EXPECT_EQ(tab.SelStart(), 7u);  // ABC
  EXPECT_EQ(tab.SelLength(), 3u);
  ASSERT_TRUE(tab.FindNextInLog());
  EXPECT_EQ(tab.SelStart(), 18u);  // Abc after the full-width text
  // Past the last match: told, the selection stays.
  EXPECT_FALSE(tab.FindNextInLog());
  EXPECT_EQ(tab.SelStart(), 18u);
  EXPECT_EQ(ui.shown().back(), "検索文字列：[abc] は見つかりませんでした。");
  // From the top: the match at the caret is skipped.
  EXPECT_TRUE(tab.RichEdit1KeyDown(kKeyF1));
  EXPECT_EQ(tab.SelStart(), 0u);
  tab.SetSearchText("【線");
  EXPECT_FALSE(tab.FindNextInLog());
  // F2: the start of the last line; F3 is not consumed.
  EXPECT_TRUE(tab.RichEdit1KeyDown(kKeyF2));
  EXPECT_EQ(tab.SelStart(), 15u);
  tab.SetSearchText("ｘ");
  EXPECT_FALSE(tab.RichEdit1KeyDown(kKeyF3));
}

TEST_F(LogTab, TheSearchFieldsFirstTextIsSearchedUntilTheFieldIsEntered) {
  // CR LF ends a line as LF does: positions count one per line end.
  dir.Write("alog.txt", SjisFromUtf8("x\r\nログ内検索ワード\r\n"));
  HeadlessUi ui({log}, {});
  TAnalysisLogTab tab(ui);
  ASSERT_TRUE(tab.OpenLog());
  EXPECT_TRUE(tab.FindNextInLog());
  EXPECT_EQ(tab.SelStart(), 2u);
  tab.Edit1Enter();
  EXPECT_EQ(tab.SearchText(), "");
  tab.SetSearchText("x");
  tab.Edit1Enter();  // emptied only while it holds its first text
  EXPECT_EQ(tab.SearchText(), "x");
}

TEST_F(LogTab, ACancelledOrMissingChoiceLeavesTheAreaAndSavingWritesItBack) {
  const std::string saved = dir.file("analyzetest.txt");
  const std::string unwritable = dir.file("missing/analyzetest.txt");
  HeadlessUi ui({log, "cancel", dir.file("gone.txt"), saved, unwritable}, {});
  TAnalysisLogTab tab(ui);
  ASSERT_TRUE(tab.OpenLog());
  const unsigned revision = tab.Revision();
  const std::u16string text = tab.Text();
  EXPECT_FALSE(tab.OpenLog());  // cancelled: nothing happens
  EXPECT_FALSE(tab.OpenLog());  // missing: told
  EXPECT_EQ(ui.shown().back(), "解析ログが見つかりません。\n解析実行後に再度選択して下さい");
  EXPECT_EQ(tab.Text(), text);
  EXPECT_EQ(tab.Revision(), revision);
  ASSERT_TRUE(tab.Save());
  EXPECT_EQ(ReadFile(saved), ReadFile(log));
  EXPECT_FALSE(tab.Save());  // told, not silently lost
  EXPECT_EQ(ui.shown().back(), unwritable + "を保存できませんでした。");
}

TEST(ImageTab, AChosenImageMustExist) {
  TempDir dir;
  const std::string page = dir.Write("alog.jpg", std::string("jpeg"));
  HeadlessUi ui({dir.file("none.jpg"), page, "cancel"}, {});
  TAnalysisImageTab tab(ui);
  EXPECT_FALSE(tab.ChooseImage());
  EXPECT_EQ(ui.shown().back(), "解析イメージが見つかりません。\n解析実行後に再度選択して下さい");
  EXPECT_TRUE(tab.ChooseImage());
  EXPECT_FALSE(tab.ChooseImage());
  EXPECT_EQ(tab.ImagePath(), page);
  EXPECT_EQ(tab.Revision(), 1u);
}

// The tabs say what changed, so that their views draw them again: each
// change a view shows names its control; the menu's data choice reaches
// the data tab's label.
TEST(AnalysisTabs, EveryChangeAViewShowsIsTold) {
  TempDir dir;
  const std::string log = dir.Write("alog.txt", std::string("abc\nabc\n"));
  const std::string page = dir.Write("alog.jpg", std::string("jpeg"));
  HeadlessUi ui({log, page}, {});
  MemoryPrintSystem printers({StandardDevice("Office")});
  TSysMenu1 menu(ui, printers, {});
  MenuAnalysisTabs tabs(ui, menu);
  std::vector<std::string> told;
  auto note = [&told](std::string_view what) { told.emplace_back(what); };
  auto s1 = tabs.data.Subscribe(note), s2 = tabs.log.Subscribe(note), s3 = tabs.image.Subscribe(note);
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { tabs.data.SetBox("circle1", true); }, "circle1"},
      {[&] { tabs.data.Button17Click(); }, ""},
      {[&] { menu.SetDataLabels("/data/a.pdat"); }, "Label4"},
      {[&] { tabs.log.OpenLog(); }, "RichEdit1"},
      {[&] { tabs.log.End(); }, "RichEdit1"},
      {[&] { tabs.log.Edit1Enter(); }, "Edit1"},
      {[&] { tabs.image.ChooseImage(); }, "Image1"},
  };
  for (const auto& [change, what] : cases) {
    told.clear();
    change();
    EXPECT_EQ(told, std::vector<std::string>{what}) << what;
  }
  EXPECT_EQ(tabs.data.Label4(), "/data/a.pdat");
  told.clear();
  tabs.log.SetSelection(tabs.log.SelStart());  // no change, nothing told
  tabs.data.SetBox("nosuchbox", true);
  EXPECT_TRUE(told.empty());
}

}  // namespace
}  // namespace kestrel::test
