// RunSettings: the controller's settings record (one field per key of the
// settings file zoq\kestrel.inf, plus the run-time fields the controller
// fills), and the settings file's load and save.
//
// Paths held here are paths of this system (see util/paths.h): BaseDir ends
// with a separator and the product paths are resolved under it. Values
// read from the settings file ($OutLinerPath, $BookMarkPdfPath,
// $pdat2_Folder, $jpath) stay as the file holds them; resolve them with
// ResolvePath where they are used.
#pragma once

#include <cstdint>
#include <string>

#include "platform/print_system.h"
#include "platform/ui.h"

namespace kestrel {

struct RunSettings {
  // [SETTING]
  double pmag_flg = 0.0;  // $pmag: output scale factor
  std::string pFontMin = "標準明朝";
  std::string pFontGot = "標準ゴシック";
  std::string pFontEscape;
  std::string pStringFontMin, pStringFontGot, pStringFontMin2, pStringFontGot2;
  std::string pFontMinGrp, pFontGotGrp;
  int32_t pAutoFontWidth = 0;
  int32_t perr_flg = 0;         // $perr
  int32_t ppaper_check = 1;     // $pPCheck
  int32_t CompulsionPaper = 0;  // $pcPaper
  int32_t pmap_flg = 1;         // $pmap: fill method
  int32_t pdat_flg = 0;         // $pdat: keep used print data
  int32_t plog = 0;             // $plog: program log
  int32_t alog = 0;             // $alog: analysis log
  int32_t width_flg = 0;        // $pwidth
  int32_t wait_time = 0;        // $pwait, milliseconds
  int32_t pbar = 1;             // $pbar: progress form
  int32_t jpeg = 0;             // $jpeg
  std::string jpath;            // $jpath
  int32_t jdpi = 350;           // $jdpi
  int32_t jquality = kDefaultJpegQuality;  // $jquality: JPEG quality 1-100; read, never written
  // [PDF]
  std::string pdf_fn_string;
  int32_t pdf_fn_check = 0;
  int32_t pdf_fn_length = 0;
  int32_t pdfbk = 1;
  int32_t pdfspecial = 0;
  std::string OutLinerPath = "c:\\Program Files\\Antenna\\Outliner\\OutlinerCmd.exe";
  std::string BookMarkPdfPath = "c:\\vpdf";
  // [SPECIAL]
  int32_t pfline = 0;
  // [PM2]
  int32_t pdat2 = 0;
  int32_t pdat2_time = 1800;
  std::string pdat2_ext = "\"*.pdat\",\"*.txt\"";
  std::string pdat2_Folder = "\\zoq\\bunsho";

  // Run-time fields, never stored in the file.
  std::string BaseDir;
  std::string WindowsDir;
  uint64_t ParentWindow = 0;
  std::string PrinterName;
  std::string PrintListPath;
  int32_t PrintListGiven = 0;
  int32_t Dup = 0;
  int32_t CancelRequested = 0;
  int32_t AskPrinter = 0;
  std::string SettingsPath;
  std::string LogPath;
  std::string CriticalLogPath;
  std::string FontListPath, PrinterListPath, PaperListPath;
  std::string OffsetFilePath, OcrFontFilePath;
  std::string OcrFontPath;
  std::string PdfFolder;
  std::string WinPrinterSetPath;
  std::string InfoFile;
};

// Sets BaseDir, WindowsDir and every path the controller derives from them
// (settings file, logs, list files, offset and OCR files, PDF folder,
// default-printer file). The key fields keep their initial values.
void InitRunSettingsPaths(RunSettings& settings, const std::string& baseDir, const std::string& windowsDir);

// Reads every key into the record. 1 when the file was read; 0 when it is
// missing (no message) or cannot be opened or read (a message is shown).
// Fields keep their previous values after a failed read.
int LoadSettings(RunSettings& settings, const std::string& path, Ui& ui);

// Writes the stored keys in their fixed order; $jpath and [PDF] $path are
// always written empty. The file is replaced whole in one step (other runs
// never see a part of it); failures are shown to the operator and leave
// the earlier file as it was.
void SaveSettings(const RunSettings& settings, const std::string& path, Ui& ui);

}  // namespace kestrel
