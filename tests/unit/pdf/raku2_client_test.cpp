// The filing plug-in calls against stand-in plug-ins (scripts named as the
// product names its executables, in its plug-in folder under the base
// folder) that record their arguments and write the result file they are
// told to.
#include "pdf/raku2_client.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/headless/headless_ui.h"
#include "platform/linux/linux_system.h"
#include "platform/text_codec.h"
#include "support/engine_fixture.h"
#include "support/stand_in.h"

namespace kestrel {
namespace {

using test::ReadFile;
using test::TempDir;
namespace fs = std::filesystem;

class Raku2 : public ::testing::Test {
 protected:
  TempDir dir;
  LinuxSystem system;
  HeadlessUi ui{{}, ""};
  Raku2TestTab tab{Base(), system, ui};

  void SetUp() override { fs::create_directories(dir.path() / "zoq/bunsho"); }
  std::string Base() const { return dir.path().string() + "/"; }
  std::string Result(const char* name) const { return Base() + "zoq/bunsho/" + name; }
  // A plug-in that records its arguments in <name>.args and answers with
  // the result file text given (none: it writes no result file).
  void Plugin(Raku2Client::Call call, const std::string& answer) {
    const std::string name = Raku2Client::ExecutableName(call);
    const std::string answerFile = dir.file(name + ".answer");
    if (!answer.empty()) dir.Write(name + ".answer", SjisFromUtf8(answer));
    test::WriteStandIn(Base() + "Program Files/PFU/Raku2/plugin/" + name,
                       test::RecordArgs(dir.file(name + ".args")) + "\nfor last; do :; done\n[ -f '" + answerFile +
                           "' ] && cp '" + answerFile + "' \"$last\"\nexit 3");
  }
  std::string Args(Raku2Client::Call call) const {
    return ReadFile(dir.file(std::string(Raku2Client::ExecutableName(call)) + ".args"));
  }
};

TEST_F(Raku2, AMissingPluginReadsResultMinus10000EvenOverAnOldResultFile) {
  dir.Write("zoq/bunsho/raku2_op.ini", std::string("[RkBindOpe_Output]\r\nResult=0\r\n"));
  EXPECT_EQ(tab.BinderOperationClick(), -2);
  EXPECT_EQ(ui.shown(), std::vector<std::string>{"楽々バインダ操作実行時エラーが発生しました。\nResult[-10000]"});
  EXPECT_FALSE(fs::exists(Result("raku2_op.ini")));
}

TEST_F(Raku2, EachCallGetsItsArgumentsAndANonZeroResultIsItsMessage) {
  Plugin(Raku2Client::kFileCreation, "[RkPdfCnv_Output]\r\nResult=5\r\n");
  EXPECT_EQ(tab.FileCreationClick(), -2);
  EXPECT_EQ(Args(Raku2Client::kFileCreation), Base() + "tmp/b4_2.jpg\n" + Base() + "zoq/bunsho/sample/binder.pdf\n3\n" +
                                                  Result("raku2_mk.ini") + "\n");
  Plugin(Raku2Client::kViewer, "[RkViewCtl_Output]\r\nResult=0\r\n");
  EXPECT_EQ(tab.ViewerClick(), 0);
  EXPECT_EQ(Args(Raku2Client::kViewer), Base() + "zoq/bunsho/sample/binder.pdf\n0\n0\n" + Result("raku2_v.ini") + "\n");
  // Binder search answers in its own section and speaks as binder operation.
  Plugin(Raku2Client::kBinderSearch, "[RkBindOpe_Output]\r\nResult=0\r\n");
  EXPECT_EQ(tab.BinderSearchClick(), -2);
  EXPECT_EQ(Args(Raku2Client::kBinderSearch), Base() + "zoq/bunsho/sample/\n" + Result("raku2_bs.ini") + "\n");
  // A result file that cannot be read.
  fs::create_directories(Result("raku2_ed.ini"));
  Plugin(Raku2Client::kBinderEdit, "");
  EXPECT_EQ(tab.BinderEditClick(), -1);
  EXPECT_EQ(ui.shown(), (std::vector<std::string>{
                            "楽々ファイル作成実行時エラーが発生しました。\nResult[5]",
                            "楽々バインダ操作実行時エラーが発生しました。\nResult[-10000]",
                            "楽々バインダ編集でエラーが発生しました。\niniファイルがオープン出来ません。[" +
                                Result("raku2_ed.ini") + "]"}));
}

TEST_F(Raku2, LinkFoldersGiveCountPlusOnePathsAndNamesOrTheMissingKey) {
  const std::string full =
      "[RkLinkFolderInfo_Output]\r\nResult=0\r\nFolderNum=2\r\nCurrentFolder=C:\\link\\cur\r\n"
      "LinkFolder1=C:\\link\\1\r\nLinkFolder2=C:\\link\\2\r\nCurrentName=今\r\nLinkName1=一\r\nLinkName2=二\r\n";
  Plugin(Raku2Client::kLinkFolders, full);
  Raku2Client client = tab.NewClient();
  ASSERT_EQ(client.GetLinkFolders(), 0);
  EXPECT_EQ(Args(Raku2Client::kLinkFolders), Result("raku2_lk.ini") + "\n");
  EXPECT_EQ(client.folderCount, 2);
  EXPECT_EQ(client.linkFolderPaths, (std::vector<std::string>{"C:\\link\\cur", "C:\\link\\1", "C:\\link\\2"}));
  EXPECT_EQ(client.linkFolderNames, (std::vector<std::string>{"今", "一", "二"}));

  const std::vector<std::pair<std::string, int>> cuts = {
      {"FolderNum=2", -3}, {"CurrentFolder=", -4}, {"LinkFolder2=", -5}, {"CurrentName=", -6}, {"LinkName2=", -7}};
  for (const auto& [key, code] : cuts) {
    std::string answer = full;
    const size_t at = answer.find(key);
    answer.erase(at, answer.find("\r\n", at) + 2 - at);
    Plugin(Raku2Client::kLinkFolders, answer);
    EXPECT_EQ(tab.NewClient().GetLinkFolders(), code) << key;
  }
  EXPECT_EQ(ui.shown(), (std::vector<std::string>{
                            "楽々リンクフォルダ数取得時にエラーが発生しました。\nFolderNum[0]",
                            "楽々カレントリンクフォルダパス取得時にエラーが発生しました。\nCurrentFolderPath[]",
                            "楽々リンクフォルダパス取得時にエラーが発生しました。\nLinkFolder2[]",
                            "楽々カレントリンクフォルダ名取得時にエラーが発生しました。\nCurrentFolderName[]",
                            "楽々リンクフォルダ名取得時にエラーが発生しました。\nLinkName2[]"}));
}

TEST_F(Raku2, TheFlowTestEditsTheBinderTheOperationNames) {
  Plugin(Raku2Client::kBinderOperation, "[RkBindOpe_Output]\r\nResult=0\r\n");
  Plugin(Raku2Client::kBinderEdit, "[RkBindEdt_Output]\r\nResult=0\r\n");
  EXPECT_EQ(tab.FlowTestClick(), -10);
  EXPECT_EQ(ui.shown(), std::vector<std::string>{"バインダパスが取得出来ません\n処理を中断します。"});
  EXPECT_FALSE(fs::exists(dir.file("RkBindEdt.exe.args")));

  Plugin(Raku2Client::kBinderOperation, "[RkBindOpe_Output]\r\nResult=0\r\nCreateFilePath=C:\\bind\\新.pdf\r\n");
  EXPECT_EQ(tab.FlowTestClick(), 0);
  EXPECT_EQ(Args(Raku2Client::kBinderEdit), Base() + "bind/新.pdf\n1\n" + Result("raku2_ed.ini") + "\n");
  EXPECT_EQ(ui.shown().size(), 1u);
}

}  // namespace
}  // namespace kestrel
