#include "app/run_settings.h"

#include <cstdio>
#include <memory>
#include <string_view>
#include <type_traits>

#include "engine/print_context.h"
#include "util/file_open.h"
#include "util/numbers.h"
#include "util/paths.h"
#include "util/profile_file.h"
#include "util/replacing_file.h"
#include "platform/native_path.h"

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

using R = RunSettings;
using J = JobOptions;
using K = SettingKey;

// The settings table. A save writes the rows in this order, so a new file has
// its sections in the order SETTING, PDF, SPECIAL, PM2; the keys a save does
// not write come last. Adding a setting: a field in RunSettings and a row.
constexpr SettingKey kKeys[] = {
    {kSetting, "$pmag", &R::pmag_flg, 0.0, K::kSaved | K::kDumpJobValue, &J::scaleSetting, 6, "【縮尺指定】: pmag_flg"},
    {kSetting, "$perr", &R::perr_flg, 0, K::kSaved | K::kDumpJobValue, &J::setPrinterErrorMode, 3,
     "【エラー時の処理指定(Kestrelでは未使用】: perr_flg"},
    {kSetting, "$pPCheck", &R::ppaper_check, 1, K::kSaved | K::kDumpJobValue, &J::paperCheckMode, 4,
     "【用紙サイズ判定処理指定】: ppaper_check"},
    {kSetting, "$pcPaper", &R::CompulsionPaper, 0, K::kSaved | K::kDumpJobValue, &J::compulsionPaper, 7,
     "【印刷用紙指定】: CompulsionPaper"},
    {kSetting, "$pmap", &R::pmap_flg, 1, K::kSaved | K::kDumpJobValue, &J::fillMethod, 2, "【塗り潰しパターン】: pmap_flg"},
    {kSetting, "$pdat", &R::pdat_flg, 0, K::kSaved | K::kDumpJobValue, &J::keepPrintData, 9,
     "【印刷データ削除指定】: pdat_flg"},
    {kSetting, "$plog", &R::plog, 0, K::kSaved},
    {kSetting, "$alog", &R::alog, 0, K::kSaved},
    {kSetting, "$pwidth", &R::width_flg, 0, K::kSaved | K::kDumpJobValue, &J::widthFlag, 1,
     "【線の太さ計算時の端数処理】: width_flg"},
    {kSetting, "$pwait", &R::wait_time, 0, K::kSaved | K::kDumpJobValue, &J::waitTime, 8,
     "【印刷終了コマンド発行待ち時間】: wait_time"},
    {kSetting, "$pbar", &R::pbar, 1, K::kSaved},
    {kSetting, "$jpeg", &R::jpeg, 0, K::kSaved},
    {kSetting, "$jpath", &R::jpath, "", K::kSavedEmpty},
    {kSetting, "$jdpi", &R::jdpi, 350, K::kSaved, &J::jpegDpi},
    {kPdf, "$path", {}, "", K::kSavedEmpty},
    // A list of quoted characters: read with its quotes, as $pdat2_ext.
    {kPdf, "$pdf_fn_string", &R::pdf_fn_string, "", K::kSaved | K::kRaw | K::kKeepWhenMissing},
    {kPdf, "$pdf_fn_check", &R::pdf_fn_check, 0, K::kSaved},
    {kPdf, "$pdf_fn_length", &R::pdf_fn_length, 0, K::kSaved},
    {kPdf, "$pdfbk", &R::pdfbk, 1, K::kSaved},
    {kPdf, "$pdfspecial", &R::pdfspecial, 0, K::kSaved},
    {kPdf, "$OutLinerPath", &R::OutLinerPath, "c:\\Program Files\\Antenna\\Outliner\\OutlinerCmd.exe",
     K::kSaved | K::kDefaultUnderBase},
    {kPdf, "$BookMarkPdfPath", &R::BookMarkPdfPath, "c:\\vpdf", K::kSaved | K::kDefaultUnderBase},
    {kSpecial, "$pfline", &R::pfline, 0, K::kSaved, &J::firstLineFlag},
    {kSetting, "$pAutoFontWidth", &R::pAutoFontWidth, 0, K::kSaved, &J::zeroFontWidth},
    {kPm2, "$pdat2", &R::pdat2, 0, K::kSaved},
    {kPm2, "$pdat2_time", &R::pdat2_time, 1800, K::kSaved},
    // The pattern list is read with its quotes: its own default,
    // "*.pdat","*.txt", begins and ends with a quote, and taking that pair
    // off as for a quoted value would leave *.pdat","*.txt, whose first
    // pattern (*.pdat") matches no file.
    {kPm2, "$pdat2_ext", &R::pdat2_ext, "\"*.pdat\",\"*.txt\"", K::kSaved | K::kRaw},
    {kPm2, "$pdat2_Folder", &R::pdat2_Folder, "\\zoq\\bunsho", K::kSaved},
    {kSetting, "$pFontMin", &R::pFontMin, "標準明朝", K::kNotEmptyInJob, &J::minchoFace, 19, "【印刷明朝フォント名】: "},
    {kSetting, "$pFontGot", &R::pFontGot, "標準ゴシック", K::kNotEmptyInJob, &J::gothicFace, 20,
     "【印刷ゴシックフォント名】: "},
    {kSetting, "$pFontEscape", &R::pFontEscape, "", 0, &J::fontEscape},
    {kSetting, "$pStringFontMin", &R::pStringFontMin, "", 0, &J::stringFontMin, 21,
     "【半角印刷特定文字明朝フォント名】: "},
    {kSetting, "$pStringFontGot", &R::pStringFontGot, "", 0, &J::stringFontGot, 22,
     "【半角印刷特定文字ゴシックフォント名】: "},
    {kSetting, "$pStringFontMin2", &R::pStringFontMin2, "", 0, &J::stringFontMin2, 23,
     "【全角印刷特定文字明朝フォント名】: "},
    {kSetting, "$pStringFontGot2", &R::pStringFontGot2, "", 0, &J::stringFontGot2, 24,
     "【全角印刷特定文字ゴシックフォント名】: "},
    {kSetting, "$pFontMinGrp", &R::pFontMinGrp, "", 0, &J::minchoGroup},
    {kSetting, "$pFontGotGrp", &R::pFontGotGrp, "", 0, &J::gothicGroup},
    // The JPEG quality has no place in the saved file: a value that is not
    // a quality (empty, not a number, outside 1-100) quietly gives the
    // default.
    {kSetting, "$jquality", &R::jquality, kDefaultJpegQuality, 0, &J::jpegQuality, 0, nullptr, 1, 100},
    // Likewise the colour sampling: 444, 422 or 420 (any other value gives
    // the default, 444; see the end of LoadSettings).
    {kSetting, "$jsampling", &R::jsampling, kDefaultJpegSampling, 0, &J::jpegSampling, 0, nullptr, 420, 444},
};

// Each row's default, field and job field hold one type.
constexpr bool TypesAgree(const SettingKey& row) {
  size_t field = row.field.index();
  if (field == 0) return row.job.index() == 0;
  size_t fallback = row.fallback.index() + 1;
  return fallback == field && (row.job.index() == 0 || row.job.index() == field);
}
constexpr bool AllTypesAgree() {
  for (const SettingKey& row : kKeys) {
    if (!TypesAgree(row)) return false;
  }
  return true;
}
static_assert(AllTypesAgree(), "a settings row mixes types");

std::string Text(const SettingKey::Value& v) {
  if (const auto* number = std::get_if<int32_t>(&v)) return std::to_string(*number);
  if (const auto* real = std::get_if<double>(&v)) return FormatReal(*real);
  return std::get<const char*>(v);
}

// Sets a field to the row's default.
void SetDefault(RunSettings& s, const SettingKey& row) {
  std::visit(
      [&](auto field) {
        using F = decltype(field);
        if constexpr (std::is_same_v<F, int32_t RunSettings::*>) {
          s.*field = std::get<int32_t>(row.fallback);
        } else if constexpr (std::is_same_v<F, double RunSettings::*>) {
          s.*field = std::get<double>(row.fallback);
        } else if constexpr (std::is_same_v<F, std::string RunSettings::*>) {
          s.*field = std::get<const char*>(row.fallback);
        }
      },
      row.field);
}

}  // namespace

RunSettings::RunSettings() {
  for (const SettingKey& row : kKeys) SetDefault(*this, row);
}

std::span<const SettingKey> SettingKeys() { return kKeys; }

namespace {

// The text of one field of a record, as the settings dump shows it.
template <typename Record, typename FieldVariant>
std::string FieldText(const Record& record, const FieldVariant& field) {
  return std::visit(
      [&](auto member) -> std::string {
        using F = decltype(member);
        if constexpr (std::is_same_v<F, std::monostate>) {
          return {};
        } else if constexpr (std::is_same_v<F, std::string Record::*>) {
          return record.*member;
        } else {
          return Text(SettingKey::Value(record.*member));
        }
      },
      field);
}

}  // namespace

std::string SettingDumpValue(const SettingKey& row, const RunSettings& s, const JobOptions& job) {
  return row.flags & SettingKey::kDumpJobValue ? FieldText(job, row.job) : FieldText(s, row.field);
}

void CopySettingsIntoJob(RunSettings& s, JobOptions& job) {
  for (const SettingKey& row : kKeys) {
    if (row.job.index() == 0) continue;
    if ((row.flags & SettingKey::kNotEmptyInJob) && (s.*std::get<std::string RunSettings::*>(row.field)).empty())
      SetDefault(s, row);
    std::visit(
        [&](auto field) {
          using F = decltype(field);
          if constexpr (std::is_same_v<F, int32_t RunSettings::*>) {
            job.*std::get<int32_t JobOptions::*>(row.job) = s.*field;
          } else if constexpr (std::is_same_v<F, double RunSettings::*>) {
            job.*std::get<double JobOptions::*>(row.job) = s.*field;
          } else if constexpr (std::is_same_v<F, std::string RunSettings::*>) {
            job.*std::get<std::string JobOptions::*>(row.job) = s.*field;
          }
        },
        row.field);
  }
  job.baseDir = s.BaseDir;
}

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

void ApplySettings(RunSettings& s, const ProfileFile& file) {
  for (const SettingKey& row : kKeys) {
    if (row.field.index() == 0) continue;
    if (row.flags & SettingKey::kRaw) {
      auto raw = file.FindRaw(SjisFromUtf8(row.section), row.key);
      auto field = std::get<std::string RunSettings::*>(row.field);
      if (raw) {
        s.*field = Utf8FromSjis(*raw);
      } else if (!(row.flags & SettingKey::kKeepWhenMissing)) {
        SetDefault(s, row);
      }
      continue;
    }
    std::visit(
        [&](auto field) {
          using F = decltype(field);
          if constexpr (std::is_same_v<F, int32_t RunSettings::*>) {
            const int32_t fallback = std::get<int32_t>(row.fallback);
            int32_t value = file.GetInt(row.section, row.key, fallback);
            s.*field = value < row.min || value > row.max ? fallback : value;
          } else if constexpr (std::is_same_v<F, double RunSettings::*>) {
            s.*field = file.GetReal(row.section, row.key, std::get<double>(row.fallback));
          } else if constexpr (std::is_same_v<F, std::string RunSettings::*>) {
            const char* fallback = std::get<const char*>(row.fallback);
            s.*field = file.GetString(row.section, row.key,
                                      row.flags & SettingKey::kDefaultUnderBase ? OnBaseDrive(s.BaseDir, fallback)
                                                                                : std::string(fallback));
          }
        },
        row.field);
  }
  // Only three samplings exist; any other number in the range is not one.
  if (s.jsampling != 444 && s.jsampling != 422 && s.jsampling != 420) s.jsampling = kDefaultJpegSampling;
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
  ApplySettings(s, file);
  return 1;
}

void StoreSettings(const RunSettings& s, ProfileFile& file) {
  for (const SettingKey& row : kKeys) {
    if (row.flags & SettingKey::kSavedEmpty) file.SetString(row.section, row.key, "");
    if (row.flags & SettingKey::kSaved) {
      std::visit(
          [&](auto field) {
            using F = decltype(field);
            if constexpr (std::is_same_v<F, int32_t RunSettings::*>) {
              file.SetString(row.section, row.key, std::to_string(s.*field));
            } else if constexpr (std::is_same_v<F, double RunSettings::*>) {
              file.SetString(row.section, row.key, FormatReal(s.*field));
            } else if constexpr (std::is_same_v<F, std::string RunSettings::*>) {
              file.SetString(row.section, row.key, s.*field);
            }
          },
          row.field);
    }
  }
}

void SaveSettings(const RunSettings& s, const std::string& path, Ui& ui) {
  ProfileFile file;
  auto loaded = file.Load(path);
  // Whether the file can be made: an existing file must open for writing;
  // a missing one is not created empty here (another run would read that
  // as a settings file without keys), only its folder is tried.
  bool writable = false;
  if (loaded == ProfileFile::LoadResult::kOk) {
    int error = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> probe(OpenForAppend(path, s.BaseDir, error),
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
  // Every key in place (in the table's order), then one write of the whole
  // file. Runs started together read the file while another run saves it:
  // written key by key, it would show them a file holding only the first
  // keys, and they would take the defaults for the rest. A failed write
  // leaves the earlier file as it was.
  StoreSettings(s, file);
  if (!file.Save(path)) ui.ShowMessage(Message("infが保存できませんでした(%s)", s.SettingsPath), MessageKind::Error);
}

}  // namespace kestrel
