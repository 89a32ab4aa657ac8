// PrintContext: the engine's record for one print run.
//
// The controller creates one per run, fills its options, and calls gprint
// once per print-data file. Inside: the job's fixed options (JobOptions),
// where it draws (JobOutput), the page being drawn (PageState: one fixed
// array of 600,000 command records, the colour table, scale and offsets,
// the paper), the job-log and analysis-log streams (JobLog), what the
// string and fill stages keep within the job (StringState, FillState); the
// program's EngineCache is handed in. It lives on the heap (the command area
// alone is 9.6 MB).
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine_cache.h"
#include "engine/print_data.h"
#include "platform/canvas.h"
#include "platform/platform.h"
#include "platform/text_codec.h"

namespace kestrel {

// A file stream closed when the owner goes.
struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using FileStream = std::unique_ptr<std::FILE, FileCloser>;

// A font substitution list: a settings text split into fields; field 0 is
// a face, fields 1 onward are the texts (or single characters) drawn in it.
// Built by the string stage at the start of every page.
struct FontSubstitutionList {
  std::vector<SjisString> fields;  // Shift-JIS, as split
  std::string face;                // field 0 in UTF-8 (empty when missing)
};

// The job's options, set once before the first page: what the settings
// table's job column fills (CopySettingsIntoJob; the log lines name these
// by their settings names), then the run request and the settings paths.
struct JobOptions {
  double scaleSetting = 0;          // pmag_flg: 0 fits the page, above 0 a fixed scale
  int32_t setPrinterErrorMode = 0;  // perr_flg
  int32_t paperCheckMode = 0;       // ppaper_check
  int32_t compulsionPaper = 0;      // CompulsionPaper: 0 the data's paper
  int32_t fillMethod = 1;           // pmap_flg
  int32_t keepPrintData = 0;        // pdat_flg
  int32_t widthFlag = 0;            // width_flg
  int32_t waitTime = 0;             // wait_time
  int32_t jpegDpi = 350;            // jdpi
  int32_t jpegQuality = kDefaultJpegQuality;  // $jquality, 1..100
  int32_t jpegSampling = kDefaultJpegSampling;  // $jsampling: 444, 422 or 420
  int32_t firstLineFlag = 0;        // pfline
  int32_t zeroFontWidth = 0;        // pAutoFontWidth
  std::string fontEscape, minchoFace, gothicFace, minchoGroup, gothicGroup;
  // $pStringFontMin, $pStringFontGot, $pStringFontMin2, $pStringFontGot2
  std::string stringFontMin, stringFontGot, stringFontMin2, stringFontGot2;

  // Set by the controller from the run request and the settings paths.
  uint64_t parentWindow = 0;  // the caller's window; 0 when none
  int32_t batchMode = 0;      // 0 one sheet per document, 1 several
  int32_t pdfOutput = 0;
  int32_t showPrinterDialog = 0;
  bool suppressDebugLabel = false;
  bool skipFills = false;  // $pdfspecial: fills left out, white text drawn black
  // Comma lists of numbers the analysis log leaves out.
  std::string filterPatterns, filterLineTypes, filterCircles, filterCharClasses, filterTypefaces;
  std::string exceptionLogPath, offsetFilePath, ocrChoiceFilePath, ocrFontFilePath, settingsFilePath;
  std::string defaultPrinterFilePath;
  // The product's base folder: the logs under it are opened without passing
  // through a link on the way (util/file_open.h).
  std::string baseDir;
};

// Where the job draws: the printer or the JPEG page and its canvas.
struct JobOutput {
  std::string printerName;
  std::string deviceName;
  std::string jobTitle;  // the print document's title; empty: the data file's name
  // Dup: 1 asks for duplex; the Paper stage makes it 3 when the device
  // cannot duplex (each page then starts a new sheet).
  int32_t duplexSetting = 0;
  bool jpegPages = false;  // JPEG pages instead of the printer
  bool pngPages = false;   // with jpegPages: the pages as PNG files (lossless) instead
  std::string lastJpegFile;  // the JPEG page saved last
  // A print document is begun and not yet ended or aborted: its pages are
  // not printed until it ends.
  bool documentOpen = false;
  Canvas* canvas = nullptr;  // the page being drawn; null between pages
  // Device mode of the open printer; devModeHeld plays the movable memory
  // block (held between the Paper stage and the end of the job).
  DevMode devMode{};
  bool devModeHeld = false;
  bool printerOpen = false;
  std::string savedDefaultPrinter;
};

// The page being drawn: the command area and what each page sets.
struct PageState {
  PageState();
  // The page image: the file's first 9,600,000 bytes, the rest zero. The
  // area comes zeroed from the system (calloc): pages it never touches cost
  // nothing, and each page zeroes only what the page before it read.
  struct FreeArea {
    void operator()(PrintCommand* p) const;
  };
  std::unique_ptr<PrintCommand[], FreeArea> commands;
  // Bytes of the file actually read into the command area.
  size_t bytesRead = 0;
  std::array<Colour, kColourCount> colorTable{};
  int32_t commandCount = 0;
  int32_t pageNumber = 0;
  int32_t lastFile = 0;  // 1 when this file ends the print document
  // What the Paper stage copies from the page's Paper command.
  uint8_t orientation = 0;  // 0 portrait, other landscape
  int16_t paperCode = 0;    // after the forced-paper rule
  int16_t userPaperCode = 0;
  uint8_t duplex = 0;  // low byte of duplexSetting
  uint8_t copies = 0;
  double scaleX = 0, scaleY = 0;
  double magnification = 1.0;
  // Device values of this page held at the drawable range (coordinates.h).
  int clampedValues = 0;
  double offsetX = 0, offsetY = 0;
  int32_t paperWidthMm = 210, paperHeightMm = 297;
  int32_t landscape = 0;
  bool offsetFileFound = false;
  // Printed after "DEBUG MODE :" (the data file's name; empty: no label).
  std::string debugLabel;
  // High-water mark of the command area bytes written by earlier pages.
  size_t bytesUsed = 0;

  // Page counters of the current call.
  struct Counts {
    int palette = 0, paint = 0, line = 0, circle = 0, string = 0;
  } counts;
};

// The budget of each page's analysis log, and the least one the operator
// may set (analysis_log.h).
constexpr uint64_t kAnalysisLogLimit = uint64_t(256) << 20;
constexpr uint64_t kAnalysisLogLeast = 4096;

// The job log and the analysis log of the job.
struct JobLog {
  int32_t logEnabled = 0;  // 1 while the job log is written
  std::string logFileName;
  FileStream logStream;
  int32_t analysisLog = 0;  // 1: an analysis log per page
  std::string analysisLogPath;
  FileStream analysisLogStream;
  // The page's analysis log so far and its budget (analysis_log.h).
  uint64_t analysisLogBytes = 0;
  uint64_t analysisLogLimit = kAnalysisLogLimit;
  bool analysisLogCut = false;
};

// What the string stage keeps within the job: the OCR face (found by the
// first OCR string), the substitution lists (rebuilt every page) and the
// fixed buffer a command's text is read into.
struct StringState {
  StringState();
  std::string ocrFontFace;
  FontSubstitutionList minchoCharFonts, gothicCharFonts, minchoTextFonts, gothicTextFonts;
  // kTextBufferBytes, zeroed by the system (calloc) like the command area:
  // a page without text never touches it.
  struct FreeText {
    void operator()(uint8_t* p) const;
  };
  std::unique_ptr<uint8_t[], FreeText> textBuffer;
  size_t textBufferUsed = 0;              // bytes the last text may have set
};

// What the fill stage keeps within the job: the pattern bitmaps of method
// 3 and the names of missing ones already reported.
struct FillState {
  std::vector<std::unique_ptr<SmallBitmap>> bitmaps;
  std::vector<std::string> reported;
  bool loaded = false;
};

class PrintContext {
 public:
  // cache: the program's EngineCache, which outlives the context.
  PrintContext(Services services, uint64_t mainWindow, EngineCache& cache);
  ~PrintContext();
  PrintContext(const PrintContext&) = delete;
  PrintContext& operator=(const PrintContext&) = delete;

  // Also sets logEnabled when path is not empty.
  void SetLogFileName(const std::string& path);

  Services services;
  EngineCache& cache;
  JobOptions options;
  JobOutput output;
  PageState page;

  JobLog log;
  StringState strings;
  FillState fills;

  const uint64_t mainWindow;
  // The job's answer to the controller after a call: the message of a
  // failure, and the exit code when a failure must end the process (no
  // caller's window to report to).
  std::string lastErrorMessage;
  int32_t exitCode = 0;
};

// The text of a String command: a NUL-terminated Shift-JIS string in the
// context's text buffer (overwritten by the next call). convert is set for
// character classes 3, 4 and 5 (JIS pairs). A textOffset outside the data
// read gives an empty text; a text is never read past the data read.
const uint8_t* GetStringText(PrintContext& ctx, int32_t textOffset, bool convert);

// Colour of a colour index; an index of 50 or more draws in black.
Colour ColourAt(const PrintContext& ctx, uint8_t index);

}  // namespace kestrel
