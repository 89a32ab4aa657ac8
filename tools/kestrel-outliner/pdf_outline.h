// Adding bookmarks to a PDF: the work of kestrel-outliner, which answers to
// the outliner command line (/D source /O output /B bookmark-CSV /V).
//
// The bookmark CSV is the one a folder run writes (code page 932, one row
// per bookmark, fields in double quotes, CR LF or LF): field 3 is the
// title, field 7 the page (1 = the first page); the other fields are kept
// for the outliner of the Windows product and read by nobody here. Every
// row becomes one top-level outline entry, in row order, after the
// entries the PDF already has; the entry opens its page.
#pragma once

#include <string>
#include <vector>

namespace kestrel {

struct Bookmark {
  std::string title;  // UTF-8
  int page = 0;       // 1-based
  int row = 0;        // the CSV row it came from (1-based, blank lines not counted)
};

// Reads the rows of a bookmark CSV. false with a message naming the file
// (and the row) when it cannot be read or a row has no usable page.
bool ReadBookmarkCsv(const std::string& path, std::vector<Bookmark>& bookmarks, std::string& error);

// Writes outputPdf: sourcePdf with the bookmarks added to its outline,
// written under a temporary name beside outputPdf and renamed into place
// (outputPdf may be sourcePdf). false with a message, and nothing written,
// when the source is missing or not a readable PDF, a bookmark names a page
// past its end, or the output cannot be written.
bool AddBookmarks(const std::string& sourcePdf, const std::string& outputPdf, const std::vector<Bookmark>& bookmarks,
                  std::string& error);

}  // namespace kestrel
