// The PDF document name and the bookmark list of a folder printed to PDF,
// both taken from the information files the caller leaves beside the print
// data (section DATA: kaisou_06, apage, nendo, username, program_name,
// usercode).
//
// Bookmark CSV: code page 932, one row per bookmark, CR LF after each row,
// no header, 14 fields each in double quotes:
//   "<seq>","0","<kaisou_06>","#000000","0","1","<apage>","0","0","0","0","1","0",""
// A double quote inside a value is written doubled, so a title holding one
// keeps the row's fields intact.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui.h"
#include "platform/text_codec.h"

namespace kestrel {

// What a PDF name and a bookmark list are made with; the run's settings
// record (RunSettings) holds these fields.
struct PdfNaming {
  std::string pdf_fn_string;  // $pdf_fn_string: further characters a name must not hold
  int32_t pdf_fn_check{};     // $pdf_fn_check: how forbidden characters are treated
  int32_t pdf_fn_length{};    // $pdf_fn_length: the length rule (MakePdfBaseName may set 1)
  std::string PdfFolder;      // where the bookmark list is written
  std::string InfoFile;       // the information file the document is named from
};

// The base name of the PDF document (and of its bookmark CSV) made from an
// information file: nendo_username_program_name with the forbidden
// characters of a file name treated by $pdf_fn_check, shortened by the
// rule of $pdf_fn_length to 200 bytes (the run's length flag may become 1,
// which later calls see). Without the file, with an empty file or with no
// name parts: the file's bare name. The result is always one file name:
// path separators in any part (and the dots of a name made only of dots)
// become full-width, or go under mode 1, whatever the mode filters else.
std::string MakePdfBaseName(PdfNaming& settings, const std::string& infoFile);

// Writes csvPath with one row per information file matching folder +
// pattern (in the order the file system lists them; consecutive equal
// titles give one row). A run that wrote its PDF names the CSV after that
// file (CsvPathOfPdf: the same name and number); without one (a PDF
// printer of the system names its own files) csvPath is left empty and
// the CSV is PdfFolder + MakePdfBaseName(InfoFile) + ".csv". Nothing
// matching writes nothing; failures are shown to the operator and the run
// goes on.
void MakeBookmarkCsv(PdfNaming& settings, Ui& ui, const std::string& folder, const std::string& pattern,
                     const std::string& csvPath = {});

// The bookmark CSV of a PDF file: its path with ".pdf" replaced by ".csv"
// (appended when it has no ".pdf").
std::string CsvPathOfPdf(const std::string& pdfPath);

// One row of the bookmark CSV, with its CR LF (code page 932 bytes in and out).
SjisString BookmarkCsvRow(int sequence, SjisView title, SjisView page);

}  // namespace kestrel
