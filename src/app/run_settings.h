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
#include <span>
#include <string>
#include <variant>

#include "pdf/bookmark_csv.h"
#include "platform/print_system.h"
#include "platform/ui.h"

namespace kestrel {

// The fields of the settings file's keys get their first values from the
// settings table (run_settings.cpp), the one list of the keys: section, key,
// field, type, default, whether a save writes it, whether the settings dump
// shows it and where the job takes it.
struct RunSettings : PdfNaming {
  RunSettings();

  // [SETTING]
  double pmag_flg;  // $pmag: output scale factor
  std::string pFontMin, pFontGot;
  std::string pFontEscape;
  std::string pStringFontMin, pStringFontGot, pStringFontMin2, pStringFontGot2;
  std::string pFontMinGrp, pFontGotGrp;
  int32_t pAutoFontWidth;
  int32_t perr_flg;         // $perr
  int32_t ppaper_check;     // $pPCheck
  int32_t CompulsionPaper;  // $pcPaper
  int32_t pmap_flg;         // $pmap: fill method
  int32_t pdat_flg;         // $pdat: keep used print data
  int32_t plog;             // $plog: program log
  int32_t alog;             // $alog: analysis log
  int32_t width_flg;        // $pwidth
  int32_t wait_time;        // $pwait, milliseconds
  int32_t pbar;             // $pbar: progress form
  int32_t jpeg;             // $jpeg
  std::string jpath;        // $jpath
  int32_t jdpi;             // $jdpi
  int32_t jquality;         // $jquality: JPEG quality 1-100; read, never written
  int32_t jsampling;        // $jsampling: JPEG colour sampling 444/422/420; read, never written
  // [PDF] ($pdf_fn_string, $pdf_fn_check and $pdf_fn_length in PdfNaming)
  int32_t pdfbk;
  int32_t pdfspecial;
  std::string OutLinerPath;
  std::string BookMarkPdfPath;
  // [SPECIAL]
  int32_t pfline;
  // [PM2]
  int32_t pdat2;
  int32_t pdat2_time;
  std::string pdat2_ext;
  std::string pdat2_Folder;

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
  std::string WinPrinterSetPath;
  // PdfFolder and InfoFile are in PdfNaming.
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

class ProfileFile;
// The two halves of a load and a save without the file: every key read
// from the parsed lines into the record, and every stored key set in the
// lines (the lines the record does not own stay as they are).
void ApplySettings(RunSettings& settings, const ProfileFile& file);
void StoreSettings(const RunSettings& settings, ProfileFile& file);

struct JobOptions;

// One row of the settings table.
struct SettingKey {
  // The record's field; none for a key a save writes empty and nothing reads.
  using Field = std::variant<std::monostate, int32_t RunSettings::*, double RunSettings::*, std::string RunSettings::*>;
  // Where the job takes the value (JobOptions); none when it does not.
  using JobField =
      std::variant<std::monostate, int32_t JobOptions::*, double JobOptions::*, std::string JobOptions::*>;
  using Value = std::variant<int32_t, double, const char*>;

  enum Flags : unsigned {
    kSaved = 1u << 0,       // a save writes the field's value
    kSavedEmpty = 1u << 1,  // a save writes the key with no value
    // Read as the file holds it, quotes included (quoted lists).
    kRaw = 1u << 2,
    // A missing key leaves the field as it was instead of the default.
    kKeepWhenMissing = 1u << 3,
    // The default is a path under the base folder when the file lacks the key.
    kDefaultUnderBase = 1u << 4,
    // An empty value becomes the default when the job takes it.
    kNotEmptyInJob = 1u << 5,
    // The settings dump shows the job's copy rather than the record's field.
    kDumpJobValue = 1u << 6,
  };

  const char* section;
  const char* key;
  Field field;
  Value fallback;  // the record's first value and the value of a missing key
  unsigned flags;
  JobField job{};
  // Position among the lines of the settings dump and the line's start
  // ("label: name", the value follows in brackets); 0 when not shown.
  int dumpAt = 0;
  const char* dumpLabel = nullptr;
  // A number read outside [min, max] gives the default.
  int32_t min = INT32_MIN, max = INT32_MAX;
};

// The settings table: every key of the settings file, in the order a save
// writes them.
std::span<const SettingKey> SettingKeys();

// The value of a row as the settings dump writes it (the job's copy or the
// record's field).
std::string SettingDumpValue(const SettingKey& row, const RunSettings& settings, const JobOptions& job);

// Copies every setting the job uses into it (an empty face name first
// becomes its default in the record too).
void CopySettingsIntoJob(RunSettings& settings, JobOptions& job);

}  // namespace kestrel
