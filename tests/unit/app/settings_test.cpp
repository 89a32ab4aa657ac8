#include "app/run_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/command_line.h"
#include "platform/headless/headless_ui.h"
#include "support/engine_fixture.h"
#include "util/field_splitter.h"
#include "platform/text_codec.h"

namespace kestrel {
namespace {

using test::ReadFile;
using test::TempDir;

struct SettingsRig {
  TempDir dir;
  HeadlessUi ui{{}, ""};
  RunSettings settings;
  SettingsRig() {
    std::filesystem::create_directories(dir.path() / "zoq");
    InitRunSettingsPaths(settings, dir.path().string() + "/", "/etc/");
  }
  std::string base() const { return dir.path().string() + "/"; }
};

const char* const kFirstRunFile =
    "[SETTING]\r\n$pmag=0\r\n$perr=0\r\n$pPCheck=1\r\n$pcPaper=0\r\n$pmap=1\r\n$pdat=0\r\n$plog=0\r\n$alog=0\r\n"
    "$pwidth=0\r\n$pwait=0\r\n$pbar=1\r\n$jpeg=0\r\n$jpath=\r\n$jdpi=350\r\n$pAutoFontWidth=0\r\n"
    "[PDF]\r\n$path=\r\n$pdf_fn_string=\r\n$pdf_fn_check=0\r\n$pdf_fn_length=0\r\n$pdfbk=1\r\n$pdfspecial=0\r\n"
    "$OutLinerPath=c:\\Program Files\\Antenna\\Outliner\\OutlinerCmd.exe\r\n$BookMarkPdfPath=c:\\vpdf\r\n"
    "[SPECIAL]\r\n$pfline=0\r\n"
    "[PM2]\r\n$pdat2=0\r\n$pdat2_time=1800\r\n$pdat2_ext=\"*.pdat\",\"*.txt\"\r\n$pdat2_Folder=\\zoq\\bunsho\r\n";

TEST(Settings, PathsAreBuiltUnderTheBaseFolder) {
  SettingsRig rig;
  EXPECT_EQ(rig.settings.SettingsPath, rig.base() + "zoq/kestrel.inf");
  EXPECT_EQ(rig.settings.LogPath, rig.base() + "zoq/plog.txt");
  EXPECT_EQ(rig.settings.CriticalLogPath, rig.base() + "zoq/CriticalPLOG.txt");
  EXPECT_EQ(rig.settings.PdfFolder, rig.base() + "vpdf/");
  EXPECT_EQ(rig.settings.WinPrinterSetPath, rig.base() + "zoq/WinPrinterSet.inf");
  EXPECT_EQ(rig.settings.OcrFontPath, "/etc/FONTS/KRM_OCRB.TTF");
}

TEST(Settings, FirstRunCreatesTheFileWithDefaultsInKeyOrder) {
  SettingsRig rig;
  EXPECT_EQ(LoadSettings(rig.settings, rig.settings.SettingsPath, rig.ui), 0);
  EXPECT_TRUE(rig.ui.shown().empty());
  ASSERT_TRUE(ApplyFallbackOptions(rig.settings, {"kestrel", "-p", "a.pdat"}, rig.ui));
  SaveSettings(rig.settings, rig.settings.SettingsPath, rig.ui);
  EXPECT_EQ(ReadFile(rig.settings.SettingsPath), kFirstRunFile);
}

TEST(Settings, FallbackOptionsFillTheNewFile) {
  SettingsRig rig;
  ASSERT_TRUE(ApplyFallbackOptions(
      rig.settings, {"kestrel", "-a", "9", "-X", "0.95", "-f", "-G", "-e2", "-l", "1", "-t", "30000"}, rig.ui));
  SaveSettings(rig.settings, rig.settings.SettingsPath, rig.ui);
  std::string file = ReadFile(rig.settings.SettingsPath);
  for (const char* line : {"$pmap=1\r\n", "$pmag=0.95\r\n", "$plog=1\r\n", "$pdat=1\r\n", "$perr=2\r\n",
                           "$pwidth=1\r\n", "$pwait=30000\r\n"}) {
    EXPECT_NE(file.find(line), std::string::npos) << line;
  }
}

TEST(Settings, SaveWritesPathKeysEmptyAndKeepsOtherLines) {
  SettingsRig rig;
  test::TempDir& dir = rig.dir;
  dir.Write("zoq/kestrel.inf", SjisFromUtf8("; 設定\r\n[PDF]\r\n$path=\"Kestrel PDF\"\r\n[SETTING]\r\n"
                                            "$pFontMin=\"ＭＳ 明朝\"\r\n$jpath=c:\\jpeg\r\n$pmap=4\r\n"));
  ASSERT_EQ(LoadSettings(rig.settings, rig.settings.SettingsPath, rig.ui), 1);
  EXPECT_EQ(rig.settings.pFontMin, "ＭＳ 明朝");
  EXPECT_EQ(rig.settings.jpath, "c:\\jpeg");
  EXPECT_EQ(rig.settings.pmap_flg, 4);
  rig.settings.pmag_flg = 0.70714;
  SaveSettings(rig.settings, rig.settings.SettingsPath, rig.ui);
  std::string file = Utf8FromSjis(ReadFile(rig.settings.SettingsPath));
  EXPECT_EQ(file.rfind("; 設定\r\n[PDF]\r\n$path=\r\n$pdf_fn_string=\r\n", 0), 0u) << file;
  EXPECT_NE(file.find("[SETTING]\r\n$pFontMin=\"ＭＳ 明朝\"\r\n$jpath=\r\n$pmap=4\r\n$pmag=0.70714\r\n"),
            std::string::npos)
      << file;
  EXPECT_TRUE(rig.ui.shown().empty());
}

TEST(Settings, LoadFallsBackToDefaultsKeyByKey) {
  SettingsRig rig;
  rig.settings.pdf_fn_string = "kept";
  rig.settings.pmap_flg = 5;
  rig.dir.Write("zoq/kestrel.inf", std::string("[SETTING]\n$pmap=abc\n$jdpi=200\n[PM2]\n$pdat2_time=60\n"));
  ASSERT_EQ(LoadSettings(rig.settings, rig.settings.SettingsPath, rig.ui), 1);
  EXPECT_EQ(rig.settings.pmap_flg, 1);
  EXPECT_EQ(rig.settings.jdpi, 200);
  EXPECT_EQ(rig.settings.pdat2_time, 60);
  EXPECT_EQ(rig.settings.pdf_fn_string, "kept");
  EXPECT_EQ(rig.settings.OutLinerPath, rig.base() + "Program Files/Antenna/Outliner/OutlinerCmd.exe");
  EXPECT_EQ(rig.settings.BookMarkPdfPath, rig.base() + "vpdf");
  EXPECT_EQ(rig.settings.pFontGot, "標準ゴシック");
}

// $jquality is read (1-100, anything else quietly the default); neither it
// nor $jsampling is ever written: the saved file gains neither key.
TEST(Settings, TheJpegQualityIsReadInItsRangeAndNeverWritten) {
  const std::pair<std::string, int> cases[] = {{"40", 40}, {"1", 1},     {"100", 100}, {"", 90},
                                              {"abc", 90}, {"0", 90},   {"101", 90},  {"-5", 90}};
  for (const auto& [value, expected] : cases) {
    SettingsRig rig;
    rig.dir.Write("zoq/kestrel.inf", "[SETTING]\r\n$jquality=" + value + "\r\n");
    ASSERT_EQ(LoadSettings(rig.settings, rig.settings.SettingsPath, rig.ui), 1);
    EXPECT_EQ(rig.settings.jquality, expected) << value;
    EXPECT_TRUE(rig.ui.shown().empty()) << value;
  }
  for (const auto& [value, expected] : {std::pair<std::string, int>{"422", 422}, {"420", 420}, {"430", 444}, {"x", 444}}) {
    SettingsRig rig;
    rig.dir.Write("zoq/kestrel.inf", "[SETTING]\r\n$jsampling=" + value + "\r\n");
    ASSERT_EQ(LoadSettings(rig.settings, rig.settings.SettingsPath, rig.ui), 1);
    EXPECT_EQ(rig.settings.jsampling, expected) << value;
  }
  SettingsRig rig;
  rig.settings.jquality = 40;
  rig.settings.jsampling = 420;
  SaveSettings(rig.settings, rig.settings.SettingsPath, rig.ui);
  EXPECT_EQ(ReadFile(rig.settings.SettingsPath), kFirstRunFile);
}

TEST(Settings, PatternListSurvivesTheRoundTrip) {
  SettingsRig rig;
  SaveSettings(rig.settings, rig.settings.SettingsPath, rig.ui);
  rig.settings.pdat2_ext.clear();
  ASSERT_EQ(LoadSettings(rig.settings, rig.settings.SettingsPath, rig.ui), 1);
  FieldSplitter splitter;
  splitter.SplitLoose(rig.settings.pdat2_ext);
  EXPECT_EQ(splitter.fields(), (std::vector<std::string>{"*.pdat", "*.txt"}));
}

TEST(Settings, QuotedCharacterListsKeepTheirOuterQuotes) {
  SettingsRig rig;
  rig.dir.Write("zoq/kestrel.inf", "[PDF]\r\n$pdf_fn_string=\"#\",\"%\"\r\n[PM2]\r\n$pdat2_ext=\"*.a\",\"*.b\"\r\n");
  ASSERT_EQ(LoadSettings(rig.settings, rig.settings.SettingsPath, rig.ui), 1);
  FieldSplitter splitter;
  splitter.SplitLoose(rig.settings.pdf_fn_string);
  EXPECT_EQ(splitter.fields(), (std::vector<std::string>{"#", "%"}));
  splitter.SplitLoose(rig.settings.pdat2_ext);
  EXPECT_EQ(splitter.fields(), (std::vector<std::string>{"*.a", "*.b"}));
}

TEST(Settings, DamagedFilesLoadWithDefaultsAndUnreadableOnesAreReported) {
  SettingsRig rig;
  std::string junk;
  for (int i = 0; i < 100000; ++i) junk.push_back(char((i * 131) % 256));
  junk += "\n[SETTING]\n$pmap\n$pbar=0\n[SETTING]\n$pbar=7\n" + std::string(6 << 20, '=') + "\n";
  rig.dir.Write("zoq/kestrel.inf", junk);
  ASSERT_EQ(LoadSettings(rig.settings, rig.settings.SettingsPath, rig.ui), 1);
  EXPECT_EQ(rig.settings.pmap_flg, 1);
  EXPECT_EQ(rig.settings.pbar, 0);

  std::filesystem::create_directories(rig.dir.path() / "zoq" / "dir.inf");
  rig.settings.SettingsPath = rig.base() + "zoq/dir.inf";
  EXPECT_EQ(LoadSettings(rig.settings, rig.settings.SettingsPath, rig.ui), 0);
  ASSERT_EQ(rig.ui.shown().size(), 1u);
  EXPECT_EQ(rig.ui.shown()[0], "infが読めませんでした(" + rig.settings.SettingsPath + ")");

  rig.settings.SettingsPath = rig.base() + "missing/kestrel.inf";
  SaveSettings(rig.settings, rig.settings.SettingsPath, rig.ui);
  ASSERT_EQ(rig.ui.shown().size(), 2u);
  EXPECT_EQ(rig.ui.shown()[1], "infが生成できませんでした(" + rig.settings.SettingsPath + ")");
}

}  // namespace
}  // namespace kestrel

namespace kestrel {
namespace {

// docs/settings-reference.md lists exactly the keys of the settings table,
// each in its section, with its default and whether a save writes it.
TEST(SettingsReference, ListsEveryKeyOfTheTableWithItsDefault) {
  std::ifstream in(KESTREL_SOURCE_DIR "/docs/settings-reference.md");
  ASSERT_TRUE(in) << "docs/settings-reference.md";
  std::vector<std::string> documented;
  for (std::string line; std::getline(in, line);) {
    if (!line.starts_with("| ") || line.find("| `$") == std::string::npos) continue;
    std::vector<std::string> cells;
    for (size_t at = 2; at < line.size();) {
      const size_t bar = line.find(" |", at);
      if (bar == std::string::npos) break;
      cells.push_back(line.substr(at, bar - at));
      at = bar + 3;
    }
    if (cells.size() >= 4) documented.push_back(cells[0] + " " + cells[1] + " " + cells[2] + " " + cells[3]);
  }
  std::vector<std::string> table;
  for (const SettingKey& row : SettingKeys()) {
    std::string value;
    if (const auto* i = std::get_if<int32_t>(&row.fallback)) value = std::to_string(*i);
    if (const auto* d = std::get_if<double>(&row.fallback)) value = std::to_string(int(*d));
    if (const auto* s = std::get_if<const char*>(&row.fallback))
      value = **s == '\0' ? "empty" : "`" + std::string(*s) + "`";
    const char* saved = (row.flags & SettingKey::kSaved) ? "yes" : (row.flags & SettingKey::kSavedEmpty) ? "empty" : "no";
    table.push_back(std::string(row.section) + " `" + row.key + "` " + value + " " + saved);
  }
  EXPECT_EQ(documented, table);
}

}  // namespace
}  // namespace kestrel
