#include <gtest/gtest.h>

#include <filesystem>

#include "app/run_settings.h"
#include "pdf/bookmark_csv.h"
#include "support/engine_fixture.h"
#include "util/find_files.h"
#include "platform/text_codec.h"

namespace kestrel {
namespace {

using test::ReadFile;
using test::TempDir;
namespace fs = std::filesystem;

class BookmarkTest : public ::testing::Test {
 protected:
  TempDir base;
  TempDir data;
  RunSettings settings;
  HeadlessUi ui{{}, ""};
  void SetUp() override {
    InitRunSettingsPaths(settings, base.path().string() + "/", "/etc/");
    fs::create_directories(base.path() / "vpdf");
  }
  std::string Info(const std::string& name, const std::string& utf8) {
    return data.Write(name, SjisFromUtf8(utf8));
  }
  std::string Name(const std::string& nendo, const std::string& user, const std::string& program) {
    return MakePdfBaseName(settings, Info("I0001.txt", "[DATA]\r\nnendo=" + nendo + "\r\nusername=" + user +
                                                         "\r\nprogram_name=" + program + "\r\nusercode=U7\r\n"));
  }
};

TEST_F(BookmarkTest, ForbiddenCharactersByMode) {
  settings.pdf_fn_check = 0;
  EXPECT_EQ(Name("2007", "a/b", "c"), "2007_a／b_c");
  settings.pdf_fn_check = 1;
  EXPECT_EQ(Name("2007", "a/b", "c"), "2007_ab_c");
  settings.pdf_fn_check = 2;  // filters nothing but the path separators
  EXPECT_EQ(Name("2007", "a/b", "c:d"), "2007_a／b_c:d");
  settings.pdf_fn_check = 0;
  EXPECT_EQ(Name("2007", "a\\b", "x\"y"), "2007_a￥b_x＂y");
  EXPECT_EQ(Name("20:07", "u", "p"), "20:07_u_p");  // nendo is not filtered
  settings.pdf_fn_string = "\"#\"";
  EXPECT_EQ(Name("2007", "a#b", "c"), "2007_a＃b_c");
}

TEST_F(BookmarkTest, NamesFromDataNeverLeaveThePdfFolder) {
  // Separators in every part, under every mode; names made of dots only.
  settings.pdf_fn_check = 0;
  EXPECT_EQ(Name("/../x", "u", "p\\q"), "／..／x_u_p￥q");
  settings.pdf_fn_check = 1;
  EXPECT_EQ(Name("a/b", "u", "p"), "ab_u_p");
  settings.pdf_fn_check = 7;
  EXPECT_EQ(Name("a\\b", "u/v", "p"), "a￥b_u／v_p");
  EXPECT_EQ(MakePdfBaseName(settings, data.file("...txt")), "．．");  // the bare name ".."
  EXPECT_EQ(MakePdfBaseName(settings, data.Write("I2.txt", "[DATA]\r\nnendo=x\x81/y\r\n")).find('/'),
            std::string::npos);  // a stray lead byte before a separator
  settings.pdf_fn_check = 0;
  const std::string longUser(250, 'u');
  EXPECT_EQ(MakePdfBaseName(settings, Info("I0001.txt", "[DATA]\r\nnendo=n\r\nusername=" + longUser +
                                                           "\r\nprogram_name=p\r\nusercode=../c\r\n")),
            "n_..／c_p");

  // The bookmark list goes to the PDF folder whatever the year says.
  const std::string outside = data.path().filename().string();
  settings.InfoFile = Info("I0001.txt", "[DATA]\r\nnendo=/../../" + outside + "/pwn\r\nusername=u\r\nprogram_name=p\r\n");
  Info("I1.txt", "[DATA]\r\nkaisou_06=A\r\n");
  MakeBookmarkCsv(settings, ui, data.path().string() + "/", "I1.txt");
  EXPECT_FALSE(fs::exists(data.file("pwn_u_p.csv")));
  EXPECT_TRUE(fs::is_regular_file(base.file("vpdf/／..／..／" + outside + "／pwn_u_p.csv")));
  EXPECT_EQ(std::distance(fs::directory_iterator(base.path() / "vpdf"), fs::directory_iterator()), 1);
}

TEST_F(BookmarkTest, FilesWithoutNamePartsGiveTheirOwnNames) {
  EXPECT_EQ(MakePdfBaseName(settings, data.file("I9.txt")), "I9");
  EXPECT_EQ(MakePdfBaseName(settings, ""), "");
  EXPECT_EQ(MakePdfBaseName(settings, Info("I0002.txt", "")), "I0002");
  EXPECT_EQ(MakePdfBaseName(settings, Info("I0003.txt", "[DATA]\nkaisou_06=x\n")), "I0003");
}

TEST_F(BookmarkTest, SeparatorsBlanksAndALeadingDotGo) {
  EXPECT_EQ(Name(" a,b", "c;d", "e"), "ab_cd_e");
  EXPECT_EQ(Name(".", "u", "p"), "_u_p");
}

TEST_F(BookmarkTest, LongNamesTakeTheUserCodeThenAreCutForTheRestOfTheRun) {
  const std::string longUser(250, 'u');
  EXPECT_EQ(Name("2007", longUser, "p"), "2007_U7_p");
  EXPECT_EQ(settings.pdf_fn_length, 0);

  // Too long in both forms: the first call cuts the user-code form and sets
  // the flag; later calls cut the user-name form.
  const std::string longProgram(230, 'p');
  std::string first = Name("2007", longUser, longProgram);
  EXPECT_EQ(first, ("2007_U7_" + longProgram).substr(0, 200));
  EXPECT_EQ(settings.pdf_fn_length, 1);
  EXPECT_EQ(Name("2007", longUser, longProgram), ("2007_" + longUser).substr(0, 200));

  // A double-byte character across byte 200 is left out whole.
  settings.pdf_fn_length = 1;
  std::string user = std::string(196, 'u') + "あ";  // bytes 200 and 201 hold "あ"
  EXPECT_EQ(SjisFromUtf8(Name("ab", user, "p")).size(), 199u);

  settings.pdf_fn_length = 2;  // any other value: no cut
  EXPECT_EQ(Name("2007", longUser, "p"), "2007_" + longUser + "_p");
}

TEST_F(BookmarkTest, AnEmptyUserCodeIsAnEmptyFieldOnlyAMissingOneIs000) {
  const std::string longUser(250, 'u');
  auto name = [&](const std::string& codeLine) {
    return MakePdfBaseName(settings, Info("I0001.txt", "[DATA]\r\nnendo=2007\r\nusername=" + longUser +
                                                          "\r\nprogram_name=p\r\n" + codeLine));
  };
  EXPECT_EQ(name("usercode=\r\n"), "2007__p");
  EXPECT_EQ(name(""), "2007_000_p");
}

TEST_F(BookmarkTest, RowsSkipConsecutiveRepeatsAndKeepTheirNumbers) {
  const char* order[] = {"I1.txt", "I2.txt", "I3.txt", "I4.txt"};
  const char* titles[] = {"A", "A", "B", "A"};
  for (size_t i = 0; i < 4; ++i)
    Info(order[i], std::string("[DATA]\r\nkaisou_06=") + titles[i] + "\r\napage=" + std::to_string(i + 10) + "\r\n");
  settings.InfoFile = Info("I0001.txt", "[DATA]\r\nnendo=2024\r\nusername=経理\r\nprogram_name=請求書\r\n");
  fs::rename(settings.InfoFile, data.file("info.dat"));
  settings.InfoFile = data.file("info.dat");

  MakeBookmarkCsv(settings, ui, data.path().string() + "/", "*.txt");
  EXPECT_TRUE(ui.shown().empty());
  EXPECT_EQ(ReadFile(base.file("vpdf/" + std::string("2024_経理_請求書") + ".csv")),
            "\"1\",\"0\",\"A\",\"#000000\",\"0\",\"1\",\"10\",\"0\",\"0\",\"0\",\"0\",\"1\",\"0\",\"\"\r\n"
            "\"3\",\"0\",\"B\",\"#000000\",\"0\",\"1\",\"12\",\"0\",\"0\",\"0\",\"0\",\"1\",\"0\",\"\"\r\n"
            "\"4\",\"0\",\"A\",\"#000000\",\"0\",\"1\",\"13\",\"0\",\"0\",\"0\",\"0\",\"1\",\"0\",\"\"\r\n");
}

// The rows follow the folder's print order (names sorted as a Windows
// listing is), not the order this file system lists the files in.
TEST_F(BookmarkTest, RowsFollowThePrintOrderOfTheFolder) {
  const char* written[] = {"I0005.txt", "I0001.txt", "i0008.txt", "I0003.txt",
                           "I0002.txt", "I0007.txt", "I0004.txt", "I0006.txt"};
  for (const char* name : written) {
    const std::string n(name);
    Info(n, "[DATA]\r\nkaisou_06=T" + n.substr(4, 1) + "\r\napage=" + n.substr(4, 1) + "\r\n");
  }
  MakeBookmarkCsv(settings, ui, data.path().string() + "/", "*.txt");
  std::string expected;
  for (int i = 1; i <= 8; ++i)
    expected += BookmarkCsvRow(i, "T" + std::to_string(i), std::to_string(i));
  EXPECT_EQ(ReadFile(base.file("vpdf/.csv")), expected);
}

TEST_F(BookmarkTest, QuotesInsideValuesAreDoubledAndTextsStayInCodePage932) {
  EXPECT_EQ(BookmarkCsvRow(7, "say \"hi\"", ""),
            "\"7\",\"0\",\"say \"\"hi\"\"\",\"#000000\",\"0\",\"1\",\"\",\"0\",\"0\",\"0\",\"0\",\"1\",\"0\",\"\"\r\n");
  Info("I1.txt", "[DATA]\r\nkaisou_06=第1章\r\napage=1\r\n");
  MakeBookmarkCsv(settings, ui, data.path().string() + "/", "*.txt");
  // No information file of the first print data (a print list run): ".csv".
  EXPECT_EQ(ReadFile(base.file("vpdf/.csv")),
            SjisFromUtf8("\"1\",\"0\",\"第1章\",\"#000000\",\"0\",\"1\",\"1\",\"0\",\"0\",\"0\",\"0\",\"1\",\"0\",\"\"\r\n"));
}

TEST_F(BookmarkTest, AnEmptyFirstTitleStillMakesARow) {
  Info("I1.txt", "[DATA]\r\napage=5\r\n");
  MakeBookmarkCsv(settings, ui, data.path().string() + "/", "*.txt");
  EXPECT_EQ(ReadFile(base.file("vpdf/.csv")),
            "\"1\",\"0\",\"\",\"#000000\",\"0\",\"1\",\"5\",\"0\",\"0\",\"0\",\"0\",\"1\",\"0\",\"\"\r\n");
}

TEST_F(BookmarkTest, NothingToListWritesNothingAndAMissingFolderIsShown) {
  MakeBookmarkCsv(settings, ui, data.path().string() + "/", "*.txt");
  EXPECT_FALSE(fs::exists(base.file("vpdf/.csv")));
  EXPECT_TRUE(ui.shown().empty());

  Info("I1.txt", "[DATA]\r\nkaisou_06=A\r\n");
  fs::remove_all(base.path() / "vpdf");
  MakeBookmarkCsv(settings, ui, data.path().string() + "/", "*.txt");
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_EQ(ui.shown()[0], "しおり情報ＣＳＶファイル作成に失敗しました");
}

}  // namespace
}  // namespace kestrel
