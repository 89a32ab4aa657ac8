#include "app/run_settings.h"

#include <cstdio>
#include <memory>
#include <string_view>

#include "util/numbers.h"
#include "util/paths.h"
#include "util/profile_file.h"
#include "util/replacing_file.h"

namespace kestrel {

namespace {

constexpr const char* kSetting = "SETTING";
constexpr const char* kPdf = "PDF";
constexpr const char* kSpecial = "SPECIAL";
constexpr const char* kPm2 = "PM2";

std::string Message(const char* format, const std::string& path) {
  std::string text(format);
  size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, path);
  return text;
}

// Where the outliner and the bookmark folder are when the file does not say.
std::string DefaultOutlinerPath(const std::string& baseDir) {
  return ResolvePath(baseDir, "Program Files\\Antenna\\Outliner\\OutlinerCmd.exe");
}
std::string DefaultBookmarkFolder(const std::string& baseDir) { return ResolvePath(baseDir, "vpdf"); }

}  // namespace

void InitRunSettingsPaths(RunSettings& s, const std::string& baseDir, const std::string& windowsDir) {
  s.BaseDir = baseDir;
  s.WindowsDir = windowsDir;
  s.LogPath = ProductPath(baseDir, "zoq\\plog.txt");
  s.CriticalLogPath = ProductPath(baseDir, "zoq\\CriticalPLOG.txt");
  s.SettingsPath = ProductPath(baseDir, "zoq\\kestrel.inf");
  s.FontListPath = ProductPath(baseDir, "zoq\\pfontlist.txt");
  s.PrinterListPath = ProductPath(baseDir, "zoq\\pprinterlist.txt");
  s.PaperListPath = ProductPath(baseDir, "zoq\\ppaperlist.txt");
  s.OffsetFilePath = ProductPath(baseDir, "zoq\\pofset.txt");
  s.OcrFontFilePath = ProductPath(baseDir, "zoq\\pfont.txt");
  s.OcrFontPath = ResolvePath(windowsDir, "FONTS\\KRM_OCRB.TTF");
  s.PdfFolder = ProductPath(baseDir, "vpdf") + "/";
  s.WinPrinterSetPath = ProductPath(baseDir, "zoq\\WinPrinterSet.inf");
}

int LoadSettings(RunSettings& s, const std::string& path, Ui& ui) {
  ProfileFile file;
  switch (file.Load(path)) {
    case ProfileFile::LoadResult::kMissing:
      return 0;
    case ProfileFile::LoadResult::kOpenFailed:
      ui.ShowMessage(Message("infが生成できませんでした(%s)", path), MessageKind::Error);
      return 0;
    case ProfileFile::LoadResult::kReadFailed:
      ui.ShowMessage(Message("infが読めませんでした(%s)", s.SettingsPath), MessageKind::Error);
      return 0;
    case ProfileFile::LoadResult::kOk:
      break;
  }
  auto text = [&](const char* section, const char* key, std::string_view fallback) {
    return file.GetString(section, key, fallback);
  };
  auto number = [&](const char* section, const char* key, int32_t fallback) {
    return file.GetInt(section, key, fallback);
  };
  s.pmag_flg = file.GetReal(kSetting, "$pmag", 0.0);
  s.pFontMin = text(kSetting, "$pFontMin", "標準明朝");
  s.pFontGot = text(kSetting, "$pFontGot", "標準ゴシック");
  s.pFontEscape = text(kSetting, "$pFontEscape", "");
  s.pStringFontMin = text(kSetting, "$pStringFontMin", "");
  s.pStringFontGot = text(kSetting, "$pStringFontGot", "");
  s.pStringFontMin2 = text(kSetting, "$pStringFontMin2", "");
  s.pStringFontGot2 = text(kSetting, "$pStringFontGot2", "");
  s.pFontMinGrp = text(kSetting, "$pFontMinGrp", "");
  s.pFontGotGrp = text(kSetting, "$pFontGotGrp", "");
  s.pAutoFontWidth = number(kSetting, "$pAutoFontWidth", 0);
  s.perr_flg = number(kSetting, "$perr", 0);
  s.ppaper_check = number(kSetting, "$pPCheck", 1);
  s.CompulsionPaper = number(kSetting, "$pcPaper", 0);
  s.pmap_flg = number(kSetting, "$pmap", 1);
  s.pdat_flg = number(kSetting, "$pdat", 0);
  s.plog = number(kSetting, "$plog", 0);
  s.alog = number(kSetting, "$alog", 0);
  s.width_flg = number(kSetting, "$pwidth", 0);
  s.wait_time = number(kSetting, "$pwait", 0);
  s.pbar = number(kSetting, "$pbar", 1);
  s.jpeg = number(kSetting, "$jpeg", 0);
  s.jpath = text(kSetting, "$jpath", "");
  s.jdpi = number(kSetting, "$jdpi", 350);
  // The JPEG quality has no place in the saved file: a value that is not a
  // quality (empty, not a number, outside 1-100) quietly gives the default.
  s.jquality = number(kSetting, "$jquality", kDefaultJpegQuality);
  if (s.jquality < 1 || s.jquality > 100) s.jquality = kDefaultJpegQuality;
  // A list of quoted characters: read with its quotes, as $pdat2_ext below.
  auto forbidden = file.FindRaw(SjisFromUtf8(kPdf), "$pdf_fn_string");
  s.pdf_fn_string = forbidden ? Utf8FromSjis(*forbidden) : s.pdf_fn_string;
  s.pdf_fn_check = number(kPdf, "$pdf_fn_check", 0);
  s.pdf_fn_length = number(kPdf, "$pdf_fn_length", 0);
  s.pdfbk = number(kPdf, "$pdfbk", 1);
  s.pdfspecial = number(kPdf, "$pdfspecial", 0);
  s.OutLinerPath = text(kPdf, "$OutLinerPath", DefaultOutlinerPath(s.BaseDir));
  s.BookMarkPdfPath = text(kPdf, "$BookMarkPdfPath", DefaultBookmarkFolder(s.BaseDir));
  s.pfline = number(kSpecial, "$pfline", 0);
  s.pdat2 = number(kPm2, "$pdat2", 0);
  s.pdat2_time = number(kPm2, "$pdat2_time", 1800);
  // The pattern list is read with its quotes: its own default,
  // "*.pdat","*.txt", begins and ends with a quote, and taking that pair off
  // as for a quoted value would leave *.pdat","*.txt, whose first pattern
  // (*.pdat") matches no file.
  auto patterns = file.FindRaw(SjisFromUtf8(kPm2), "$pdat2_ext");
  s.pdat2_ext = patterns ? Utf8FromSjis(*patterns) : "\"*.pdat\",\"*.txt\"";
  s.pdat2_Folder = text(kPm2, "$pdat2_Folder", "\\zoq\\bunsho");
  return 1;
}

void SaveSettings(const RunSettings& s, const std::string& path, Ui& ui) {
  ProfileFile file;
  auto loaded = file.Load(path);
  // Whether the file can be made: an existing file must open for writing;
  // a missing one is not created empty here (another run would read that
  // as a settings file without keys), only its folder is tried.
  bool writable = false;
  if (loaded == ProfileFile::LoadResult::kOk) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> probe(std::fopen(path.c_str(), "ab"),
                                                          [](std::FILE* f) { return f != nullptr ? std::fclose(f) : 0; });
    writable = probe != nullptr;
  } else if (loaded == ProfileFile::LoadResult::kMissing) {
    ReplacingFile probe;
    writable = probe.Open(path);
  }
  if (!writable) {
    ui.ShowMessage(Message("infが生成できませんでした(%s)", s.SettingsPath), MessageKind::Error);
    return;
  }
  struct Entry {
    const char* section;
    const char* key;
    std::string value;
  };
  auto num = [](int32_t v) { return std::to_string(v); };
  const Entry entries[] = {
      {kSetting, "$pmag", FormatReal(s.pmag_flg)},
      {kSetting, "$perr", num(s.perr_flg)},
      {kSetting, "$pPCheck", num(s.ppaper_check)},
      {kSetting, "$pcPaper", num(s.CompulsionPaper)},
      {kSetting, "$pmap", num(s.pmap_flg)},
      {kSetting, "$pdat", num(s.pdat_flg)},
      {kSetting, "$plog", num(s.plog)},
      {kSetting, "$alog", num(s.alog)},
      {kSetting, "$pwidth", num(s.width_flg)},
      {kSetting, "$pwait", num(s.wait_time)},
      {kSetting, "$pbar", num(s.pbar)},
      {kSetting, "$jpeg", num(s.jpeg)},
      {kSetting, "$jpath", ""},
      {kSetting, "$jdpi", num(s.jdpi)},
      {kPdf, "$path", ""},
      {kPdf, "$pdf_fn_string", s.pdf_fn_string},
      {kPdf, "$pdf_fn_check", num(s.pdf_fn_check)},
      {kPdf, "$pdf_fn_length", num(s.pdf_fn_length)},
      {kPdf, "$pdfbk", num(s.pdfbk)},
      {kPdf, "$pdfspecial", num(s.pdfspecial)},
      {kPdf, "$OutLinerPath", s.OutLinerPath},
      {kPdf, "$BookMarkPdfPath", s.BookMarkPdfPath},
      {kSpecial, "$pfline", num(s.pfline)},
      {kSetting, "$pAutoFontWidth", num(s.pAutoFontWidth)},
      {kPm2, "$pdat2", num(s.pdat2)},
      {kPm2, "$pdat2_time", num(s.pdat2_time)},
      {kPm2, "$pdat2_ext", s.pdat2_ext},
      {kPm2, "$pdat2_Folder", s.pdat2_Folder},
  };
  // Every key in place (in this order, so a new file has its sections in
  // the order SETTING, PDF, SPECIAL, PM2), then one write of the whole
  // file. Runs started together read the file while another run saves it:
  // written key by key, it would show them a file holding only the first
  // keys, and they would take the defaults for the rest. A failed write
  // leaves the earlier file as it was.
  for (const Entry& e : entries) file.SetString(e.section, e.key, e.value);
  if (!file.Save(path)) ui.ShowMessage(Message("infが保存できませんでした(%s)", s.SettingsPath), MessageKind::Error);
}

}  // namespace kestrel
