#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "app/print_lists.h"
#include "support/engine_fixture.h"
#include "util/find_files.h"
#include "platform/text_codec.h"

namespace kestrel {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

TEST(FolderListing, SortsNamesWithoutCaseAndNamesTheInfoFileAfterTheFirstFound) {
  TempDir dir;
  for (const char* name : {"b.pdat", "A.pdat", "c.PDAT", "note.txt", "a.pdat.bak"}) dir.Write(name, "x");
  const std::string folder = dir.path().string() + "/";
  std::vector<std::string> list;
  std::string info = "unchanged";
  CollectFolderFiles(folder, "*.pdat", list, info);
  EXPECT_EQ(list, (std::vector<std::string>{folder + "A.pdat", folder + "b.pdat", folder + "c.PDAT"}));
  const std::string firstFound = FindEntries(folder, "*.pdat").front();
  EXPECT_EQ(info, folder + InfoFileName(firstFound));

  std::vector<std::string> none;
  CollectFolderFiles(folder, "*.prn", none, info);
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(info, folder + InfoFileName(firstFound));
}

TEST(FolderListing, InfoFileNames) {
  EXPECT_EQ(InfoFileName("p0001.pdat"), "I0001.txt");
  EXPECT_EQ(InfoFileName("P0001.PDAT"), "I0001.txt");
  EXPECT_EQ(InfoFileName("p"), "I.txt");
  EXPECT_EQ(InfoFileName("x.y.pdat"), "I.y.txt");
  // At most 100 bytes of the name after its first character, never half a
  // double-byte character.
  std::string longName = "p" + std::string(99, 'a') + "あ.pdat";
  EXPECT_EQ(InfoFileName(longName), "I" + std::string(99, 'a') + ".txt");
}

TEST(FolderListing, ListingOrderPutsPunctuationBeforeDigitsBeforeLetters) {
  EXPECT_LT(CompareNamesForListing("a_1.pdat", "a1.pdat"), 0);
  EXPECT_LT(CompareNamesForListing("a1.pdat", "ab.pdat"), 0);
  EXPECT_EQ(CompareNamesForListing("ABC.pdat", "abc.PDAT"), 0);
  EXPECT_LT(CompareNamesForListing("abc", "abcd"), 0);
  EXPECT_GT(CompareNamesForListing("p10", "p09"), 0);
}

TEST(FolderListing, WildcardsFollowTheWindowsSearch) {
  EXPECT_TRUE(MatchesWildcard("C.PDAT", "*.pdat"));
  EXPECT_FALSE(MatchesWildcard("c.pdat2", "*.pdat"));
  EXPECT_TRUE(MatchesWildcard("noext", "*.*"));
  EXPECT_TRUE(MatchesWildcard("noext", "noext.*"));
  EXPECT_TRUE(MatchesWildcard("a1b.txt", "a?b.*"));
  EXPECT_FALSE(MatchesWildcard("ab.txt", "a?b.*"));
  EXPECT_TRUE(MatchesWildcard("x.aaab", "*a*ab"));
}

class PrintListTest : public ::testing::Test {
 protected:
  TempDir base;
  TempDir folder;
  RunSettings settings;
  HeadlessUi ui{{}, ""};
  void SetUp() override {
    settings.BaseDir = base.path().string() + "/";
    settings.PrintListPath = folder.file("plist.inf");
  }
  std::vector<std::string> Read(const std::string& plist) {
    folder.Write("plist.inf", SjisFromUtf8(plist));
    std::vector<std::string> list;
    ReadPrintList(settings, folder.path().string(), list, ui);
    return list;
  }
};

TEST_F(PrintListTest, KeepsKeyOrderAndSkipsMissingKeysAndFiles) {
  folder.Write("one.pdat", "x");
  folder.Write("three.pdat", "x");
  auto list = Read("[PrintData]\r\nKeyMax=3\r\n3=three.pdat\r\n1=one.pdat\r\n4=one.pdat\r\n");
  EXPECT_EQ(list, (std::vector<std::string>{folder.file("one.pdat"), folder.file("three.pdat")}));
  EXPECT_TRUE(ui.shown().empty());
}

TEST_F(PrintListTest, APathWithAFolderPartIsUsedAsWritten) {
  fs::create_directories(base.path() / "OTHER");
  base.Write("OTHER/X.PDAT", "x");
  folder.Write("X.PDAT", "x");
  auto list = Read("[PrintData]\nKeyMax=1\n1=D:\\OTHER\\X.PDAT\n");
  EXPECT_EQ(list, (std::vector<std::string>{base.file("OTHER/X.PDAT")}));
}

TEST_F(PrintListTest, KeyMaxMissingOrBelowOneIsRefused) {
  folder.Write("a.pdat", "x");
  EXPECT_TRUE(Read("[PrintData]\nKeyMax=0\n1=a.pdat\n").empty());
  EXPECT_TRUE(Read("[PrintData]\n1=a.pdat\n").empty());
  ASSERT_EQ(ui.shown().size(), 2u);
  EXPECT_EQ(ui.shown()[0],
            "plist.infが印刷指定フォルダ内に存在しています\nしかし、plist.infのKeyMaxが0以下又は存在しない可能性があります\n"
            "印刷を行いません");
}

TEST_F(PrintListTest, OnlyMissingFilesGiveTheSecondMessage) {
  EXPECT_TRUE(Read("[PrintData]\nKeyMax=2\n1=gone.pdat\n2=\n").empty());
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_EQ(ui.shown()[0],
            "plist.infが印刷指定フォルダ内も存在しています。\n印刷指定されているデータファイルが存在しない\n"
            "又はplist.inf内に問題がある可能性があります。\n印刷は行いません");
}

TEST_F(PrintListTest, AHugeKeyMaxDoesNotStallTheRun) {
  folder.Write("a.pdat", "x");
  folder.Write("b.pdat", "x");
  auto start = std::chrono::steady_clock::now();
  auto list = Read("[PrintData]\nKeyMax=2000000000\n2=b.pdat\n1=a.pdat\n01=b.pdat\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(list, (std::vector<std::string>{folder.file("a.pdat"), folder.file("b.pdat")}));
}

TEST_F(PrintListTest, ALongListIsReadInTimeInStepWithItsLength) {
  folder.Write("a.pdat", "x");
  folder.Write("b.pdat", "x");
  constexpr int kEntries = 50000;
  std::string text = "[PrintData]\nKeyMax=" + std::to_string(kEntries) + "\n";
  for (int i = kEntries; i >= 1; --i) text += std::to_string(i) + "=a.pdat\n";
  text += "7=b.pdat\n";  // a key given twice: the first one counts
  auto start = std::chrono::steady_clock::now();
  auto list = Read(text);
  // A look-up per key takes minutes here; one pass well under a second
  // (the bound leaves room for a sanitizer build on a busy machine).
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  ASSERT_EQ(list.size(), size_t(kEntries));
  EXPECT_EQ(std::count(list.begin(), list.end(), folder.file("a.pdat")), kEntries);
}

}  // namespace
}  // namespace kestrel
