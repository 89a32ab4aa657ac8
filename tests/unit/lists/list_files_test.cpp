#include <gtest/gtest.h>

#include <stdexcept>

#include "fonts/font_list.h"
#include "lists/paper_list.h"
#include "lists/printer_list.h"
#include "platform/headless/headless_ui.h"
#include "platform/recording/memory_print_system.h"
#include "support/engine_fixture.h"
#include "platform/text_codec.h"

namespace kestrel::test {
namespace {

std::string S(const std::string& utf8) { return SjisFromUtf8(utf8); }

std::string PaperHeader() {
  return S(
    "\n印刷可能用紙リストファイル\n"
    "印刷可能用紙リストは、Windowsへ登録されている通常使うプリンタドライバが\n"
    "サポートしている用紙をリストとして出力しています。\n"
      "\n[通常使うプリンタプリンタドライバの印刷可能用紙リスト]\n");
}

// A print system whose queries can be made to throw.
class ThrowingPrintSystem final : public MemoryPrintSystem {
 public:
  using MemoryPrintSystem::MemoryPrintSystem;
  std::string throwIn;
  std::vector<std::string> Printers() override {
    if (throwIn == "Printers") throw std::runtime_error("printers");
    return MemoryPrintSystem::Printers();
  }
  std::vector<std::string> Fonts() override {
    if (throwIn == "Fonts") throw std::runtime_error("fonts");
    return MemoryPrintSystem::Fonts();
  }
  int Duplex(const std::string& d) override {
    if (throwIn == "Duplex") throw std::runtime_error("duplex");
    return MemoryPrintSystem::Duplex(d);
  }
  int PaperNames(const std::string& d, std::vector<std::string>& out) override {
    if (throwIn == "PaperNames") throw std::runtime_error("names");
    int n = MemoryPrintSystem::PaperNames(d, out);
    if (throwIn == "ShortNames") out.pop_back();
    return n;
  }
  int PaperSizes(const std::string& d, std::vector<PaperSize>& out) override {
    if (throwIn == "PaperSizes") throw std::runtime_error("sizes");
    return MemoryPrintSystem::PaperSizes(d, out);
  }
};

TEST(PrinterList, ListsEveryPrinterInOrderAndMarksTheCurrentOne) {
  TempDir dir;
  MemoryPrintSystem ps({StandardDevice("Zeta"), StandardDevice("レーザー 1"), StandardDevice("Alpha")}, "レーザー 1");
  HeadlessUi ui({}, {});
  const std::string path = dir.Write("pprinterlist.txt", std::string(5000, 'x'));  // replaced, not appended to
  PrinterListWriter writer(ps, ui);
  EXPECT_EQ(writer.WritePrinterList(path), ListResult::kWritten);
  EXPECT_EQ(ReadFile(path), S("\nプリンタリストファイル\n"
                              "プリンタリストは、Windowsへ登録されているプリンタドライバを\n"
                              "リストとして出力しています。\n"
                              "リスト名の頭が■の場合は、通常使用するプリンタに設定されています。\n"
                              "\n[Windowsへ登録されているプリンタドライバリスト]\n"
                              "□Zeta\n■レーザー 1\n□Alpha\n"
                              "\n ------------------ END ------------------\n"));
  EXPECT_EQ(ui.shown(), std::vector<std::string>{path + "を作成しました"});
}

TEST(PrinterList, NoPrintersGiveTheHeaderAndEndAndFailuresTheirCodes) {
  TempDir dir;
  MemoryPrintSystem none;
  HeadlessUi ui({}, {});
  PrinterListWriter writer(none, ui);
  EXPECT_EQ(writer.WritePrinterList(dir.file("p.txt")), ListResult::kWritten);
  EXPECT_EQ(ReadFile(dir.file("p.txt")), S("\nプリンタリストファイル\n"
                                          "プリンタリストは、Windowsへ登録されているプリンタドライバを\n"
                                          "リストとして出力しています。\n"
                                          "リスト名の頭が■の場合は、通常使用するプリンタに設定されています。\n"
                                          "\n[Windowsへ登録されているプリンタドライバリスト]\n"
                                          "\n ------------------ END ------------------\n"));

  EXPECT_EQ(writer.WritePrinterList(""), ListResult::kEmptyPath);
  EXPECT_EQ(writer.WritePrinterList(dir.file("no-folder/p.txt")), ListResult::kCannotCreate);
  EXPECT_EQ(ui.shown().back(), "pprinterlist.txtの作成に失敗しました。\nプリンターリストは作成されません");

  ThrowingPrintSystem broken({StandardDevice("A")});
  broken.throwIn = "Printers";
  HeadlessUi ui2({}, {});
  PrinterListWriter w2(broken, ui2);
  EXPECT_EQ(w2.WritePrinterList(dir.file("q.txt")), ListResult::kUnreachable);
  EXPECT_FALSE(std::filesystem::exists(dir.file("q.txt")));
  EXPECT_EQ(ui2.shown().back(),
            "TPrinterのタイトル設定時にエラーが発生しました。\nプリンタ設定に異常がある可能性があります。");
}

TEST(FontList, ListsTheCurrentPrintersFontsBetweenHeadingAndEnd) {
  TempDir dir;
  MemoryDevice a = StandardDevice("A");
  MemoryDevice b = StandardDevice("B");
  b.fonts = {"OCR B", "ＭＳ 明朝"};
  MemoryPrintSystem ps({a, b}, "B");
  HeadlessUi ui({}, {});
  FontListWriter writer(ps, ui);
  const std::string heading = S(
      "\nフォントリストファイル\n"
      "フォントリストは、pfont.txt内に設定する際に\n"
      "正しいフォント名を設定するためのものです。\n"
      "このリストからOCRフォントとして変更したいフォント名を\n"
      "コピーして、pfont.txt内の設定へペーストして下さい。\n"
      "\n[使用できるフォントリスト]\n");
  const std::string end = S("\n ------------------ END ------------------\n");
  const std::string path = dir.Write("pfontlist.txt", std::string(100, 'y'));
  EXPECT_EQ(writer.WriteFontList(path), ListResult::kWritten);
  EXPECT_EQ(ReadFile(path), heading + S("OCR B\nＭＳ 明朝\n") + end);
  EXPECT_EQ(ui.shown(), std::vector<std::string>{path + "を作成しました"});

  ps.devices()[1].fonts.clear();
  EXPECT_EQ(writer.WriteFontList(path), ListResult::kWritten);
  EXPECT_EQ(ReadFile(path), heading + end);

  EXPECT_EQ(writer.WriteFontList(""), ListResult::kEmptyPath);
  EXPECT_EQ(writer.WriteFontList(dir.file("none/x.txt")), ListResult::kCannotCreate);
  EXPECT_EQ(ui.shown().back(), "pfontlist.txtの作成に失敗しました。\nフォントリストは作成されません");
  ThrowingPrintSystem broken({a});
  broken.throwIn = "Fonts";
  FontListWriter w2(broken, ui);
  EXPECT_EQ(w2.WriteFontList(dir.file("y.txt")), ListResult::kUnreachable);
  EXPECT_EQ(ui.shown().back(), "TPrinter生成時にエラーが発生しました。\nプリンタ設定に異常がある可能性があります。");
}

TEST(PaperList, TheStandardDeviceIsListedByteForByte) {
  TempDir dir;
  MemoryPrintSystem ps({StandardDevice("Office")});
  HeadlessUi ui({}, {});
  PaperListWriter writer(ps, ui);
  const std::string path = dir.file("ppaperlist.txt");
  ASSERT_EQ(writer.WritePaperList(path, "Office"), ListResult::kWritten);
  std::string expected = PaperHeader() + S("【両面印刷可能】= [1] 1以外:不可能、1:可能\n"
                                          "【指定可能用紙種類】= [7]種類\n"
                                          "□印刷可能用紙\n");
  const char* rows[][4] = {{"Letter", "001", "Letter 8 1/2 x 11 in", "2159 x 2794"},
                           {"Legal", "005", "Legal 8 1/2 x 14 in", "2159 x 3556"},
                           {"A3", "008", "A3 297 x 420 mm", "2970 x 4200"},
                           {"A4", "009", "A4 210 x 297 mm", "2100 x 2970"},
                           {"A5", "011", "A5 148 x 210 mm", "1480 x 2100"},
                           {"B4 (JIS)", "012", "B4 (JIS) 250 x 354", "2570 x 3640"},
                           {"B5 (JIS)", "013", "B5 (JIS) 182 x 257 mm", "1820 x 2570"}};
  int i = 1;
  for (auto& r : rows) {
    expected += S("------------------------------------------\n  [00" + std::to_string(i++) + "]<用紙名:【" + r[0] +
                  "】>\n       <定  数:[" + r[1] + "]:" + r[2] + ">\n       <サイズ:" + r[3] + ">\n\n");
  }
  expected += S("\n■Office\n\n ------------------ END ------------------\n");
  EXPECT_EQ(ReadFile(path), expected);
  EXPECT_EQ(ui.shown(), std::vector<std::string>{path + "を作成しました"});
}

TEST(PaperList, ConstantsWithoutANameAndFractionBytesAreWrittenAsStored) {
  TempDir dir;
  MemoryDevice d;
  d.name = "Label Printer";
  d.duplex = 0;
  d.papers = {256, 50, 22, 1000};
  d.paperNames = {"ユーザー定義", "Letter Extra", std::string(62, 'W') + "あいう", "長形3号"};
  d.paperSizes = {{1000, 500}, {2413, 3048}, {1111, 2794}, {1200, 2350}};
  MemoryPrintSystem ps({StandardDevice("Office"), d});
  HeadlessUi ui({}, {});
  PaperListWriter writer(ps, ui);
  const std::string path = dir.file("ppaperlist.txt");
  ASSERT_EQ(writer.WritePaperList(path, "Label Printer"), ListResult::kWritten);
  const std::string sep = "------------------------------------------\n";
  std::string expected = PaperHeader() + S("【両面印刷可能】= [0] 1以外:不可能、1:可能\n"
                                          "【指定可能用紙種類】= [4]種類\n"
                                          "□印刷可能用紙\n") +
                         sep + S("  [001]<用紙名:【ユーザー定義】>\n       <定  数:[256]:>\n       <サイズ:1000 x 500>\n\n") +
                         sep + S("  [002]<用紙名:【Letter Extra】>\n       <定  数:[050]:") + "Letter Extra 9 \xBD x 12 in" +
                         S(">\n       <サイズ:2413 x 3048>\n\n") +
                         // A name is cut to its 64-byte slot, never inside a character.
                         sep + S("  [003]<用紙名:【" + std::string(62, 'W') + "あ】>\n       <定  数:[022]:") +
                         "Envelope #12 4 \xBE x 11" + S(">\n       <サイズ:1111 x 2794>\n\n") +
                         sep + S("  [004]<用紙名:【長形3号】>\n       <定  数:[1000]:>\n       <サイズ:1200 x 2350>\n\n") +
                         S("\n■Label Printer\n\n ------------------ END ------------------\n");
  EXPECT_EQ(ReadFile(path), expected);
}

TEST(PaperList, ADeviceNotInstalledLeavesTheHeaderOnly) {
  TempDir dir;
  MemoryPrintSystem ps({StandardDevice("Office")});
  HeadlessUi ui({}, {});
  PaperListWriter writer(ps, ui);
  const std::string path = dir.Write("ppaperlist.txt", "old content");
  for (std::string name : {"Cancel", "office", "Office "}) {
    EXPECT_EQ(writer.WritePaperList(path, name), ListResult::kNotInstalled) << name;
    EXPECT_EQ(ReadFile(path), PaperHeader());
  }
  EXPECT_TRUE(ui.shown().empty());
  // An empty name is the current printer.
  EXPECT_EQ(writer.WritePaperList(path, ""), ListResult::kWritten);
  EXPECT_NE(ReadFile(path).find(S("\n■Office\n")), std::string::npos);
  MemoryPrintSystem none;
  PaperListWriter w2(none, ui);
  EXPECT_EQ(w2.WritePaperList(path, ""), ListResult::kNotInstalled);
}

TEST(PaperList, FailingQueriesLeaveAPartialFileWithTheirCode) {
  TempDir dir;
  const std::string path = dir.file("ppaperlist.txt");
  const std::string duplexLine = S("【両面印刷可能】= [1] 1以外:不可能、1:可能\n");
  HeadlessUi ui({}, {});

  MemoryDevice empty = StandardDevice("Empty");
  empty.papers.clear();
  empty.paperNames.clear();
  empty.paperSizes.clear();
  ThrowingPrintSystem ps({StandardDevice("Office"), empty});
  PaperListWriter writer(ps, ui);
  EXPECT_EQ(writer.WritePaperList(path, "Empty"), ListResult::kNoPaper);
  EXPECT_EQ(ReadFile(path), PaperHeader() + duplexLine + S("  ■印刷できる用紙は１つもありませんでした\n"));

  ps.throwIn = "Duplex";
  EXPECT_EQ(writer.WritePaperList(path, "Office"), ListResult::kDuplexQueryFailed);
  EXPECT_EQ(ReadFile(path), PaperHeader());
  for (std::string where : {"PaperNames", "PaperSizes", "ShortNames"}) {
    ps.throwIn = where;
    EXPECT_EQ(writer.WritePaperList(path, "Office"), ListResult::kPaperQueryFailed) << where;
    EXPECT_EQ(ReadFile(path), PaperHeader() + duplexLine + "DeviceCapabilities Error\n") << where;
  }
  ps.throwIn = "Printers";
  EXPECT_EQ(writer.WritePaperList(path, "Office"), ListResult::kUnreachable);
  EXPECT_EQ(ui.shown().back(),
            "TPrinterへタイトル設定時にエラーが発生しました。\nプリンタ設定に異常がある可能性があります。");
  EXPECT_EQ(writer.WritePaperList("", "Office"), ListResult::kEmptyPath);
  ps.throwIn.clear();
  EXPECT_EQ(writer.WritePaperList(dir.file("none/p.txt"), "Office"), ListResult::kCannotCreate);
  EXPECT_EQ(ui.shown().back(), "ppaperlist.txtの作成に失敗しました。\n印刷可能用紙リストは作成されません");
}

TEST(PaperList, TheNameTableCoversTheWindowsConstantsOnly) {
  EXPECT_EQ(PaperConstantName(0), "");
  EXPECT_EQ(PaperConstantName(119), "");
  EXPECT_EQ(PaperConstantName(-5), "");
  EXPECT_EQ(PaperConstantName(1), "Letter 8 1/2 x 11 in");
  EXPECT_EQ(PaperConstantName(29), "Envelope C3  324 x 458 mm");
  EXPECT_EQ(PaperConstantName(56), "Letter Extra Transverse 9\xBD x 12 in");
  EXPECT_EQ(PaperConstantName(54), "Letter Transverse 8 \xBD x 11 in");
  EXPECT_EQ(PaperConstantName(51), "Legal Extra 9 \xBD x 15 in");
  EXPECT_EQ(PaperConstantName(118), "PRC Envelope #10 Rotated 458 x 324 mm");
  // Apart from the five fraction rows every text is plain ASCII.
  int highBytes = 0;
  for (int c = 1; c <= 118; ++c)
    for (char ch : PaperConstantName(c)) highBytes += static_cast<unsigned char>(ch) >= 0x80;
  EXPECT_EQ(highBytes, 5);
}

}  // namespace
}  // namespace kestrel::test
