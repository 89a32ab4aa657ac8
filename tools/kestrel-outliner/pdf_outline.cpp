#include "pdf_outline.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>

#include "platform/text_codec.h"
#include "util/bounded_read.h"
#include "util/field_splitter.h"
#include "util/numbers.h"
#include "util/replacing_file.h"

namespace kestrel {

namespace {

constexpr size_t kTitleField = 2;
constexpr size_t kPageField = 6;

std::string RowText(const std::string& path, int row) { return path + " row " + std::to_string(row); }

}  // namespace

bool ReadBookmarkCsv(const std::string& path, std::vector<Bookmark>& bookmarks, std::string& error) {
  bookmarks.clear();
  std::string bytes;
  const ReadStatus status = ReadBoundedFile(path, kProfileFileLimit, bytes);
  if (status == ReadStatus::kMissing) {
    error = path + ": no such file";
    return false;
  }
  if (status != ReadStatus::kOk) {
    error = path + ": cannot be read";
    return false;
  }
  int row = 0;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    SjisView line(bytes.data() + start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    ++row;
    FieldSplitter fields;
    fields.SplitCsv(line);
    const SjisString pageText = fields.GetField(kPageField);
    const std::optional<int32_t> page = ParseInt(pageText);
    if (!page || *page < 1) {
      error = RowText(path, row) + ": page \"" + Utf8FromSjis(pageText) + "\" is not a page number";
      return false;
    }
    bookmarks.push_back({Utf8FromSjis(fields.GetField(kTitleField)), *page, row});
  }
  return true;
}

bool AddBookmarks(const std::string& sourcePdf, const std::string& outputPdf, const std::vector<Bookmark>& bookmarks,
                  std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(sourcePdf, ec)) {
    error = sourcePdf + ": no such file";
    return false;
  }
  ReplacingFile output;
  bool writing = false;
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(sourcePdf.c_str());
    const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
    if (pages.empty()) {
      error = sourcePdf + ": not a usable PDF (it has no pages)";
      return false;
    }
    for (const Bookmark& b : bookmarks) {
      if (b.page > int(pages.size())) {
        error = "bookmark row " + std::to_string(b.row) + ": page " + std::to_string(b.page) +
                " is past the end of " + sourcePdf + " (" + std::to_string(pages.size()) + " pages)";
        return false;
      }
    }

    QPDFObjectHandle root = pdf.getRoot();
    QPDFObjectHandle outlines = root.getKey("/Outlines");
    if (!outlines.isDictionary()) {
      outlines = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
      outlines.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
      root.replaceKey("/Outlines", outlines);
    }
    QPDFObjectHandle last = outlines.getKey("/Last");
    if (!last.isDictionary()) last = QPDFObjectHandle::newNull();
    QPDFObjectHandle count = outlines.getKey("/Count");
    long long open = count.isInteger() && count.getIntValue() > 0 ? count.getIntValue() : 0;
    for (const Bookmark& b : bookmarks) {
      QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
      item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(b.title));
      item.replaceKey("/Parent", outlines);
      QPDFObjectHandle dest = QPDFObjectHandle::newArray();
      dest.appendItem(pages[size_t(b.page - 1)].getObjectHandle());
      dest.appendItem(QPDFObjectHandle::newName("/Fit"));
      item.replaceKey("/Dest", dest);
      if (last.isDictionary()) {
        last.replaceKey("/Next", item);
        item.replaceKey("/Prev", last);
      } else {
        outlines.replaceKey("/First", item);
      }
      last = item;
      ++open;
    }
    if (last.isDictionary()) outlines.replaceKey("/Last", last);
    outlines.replaceKey("/Count", QPDFObjectHandle::newInteger(open));
    if (!bookmarks.empty()) root.replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));

    if (!output.Open(outputPdf)) {
      error = outputPdf + ": cannot be written (" + std::strerror(output.error() != 0 ? output.error() : errno) + ")";
      return false;
    }
    writing = true;
    QPDFWriter writer(pdf);
    writer.setOutputFile(outputPdf.c_str(), output.stream(), false);
    writer.write();
  } catch (const std::exception& e) {
    output.Discard();
    error = writing ? outputPdf + ": cannot be written (" + e.what() + ")"
                    : sourcePdf + ": not a readable PDF (" + e.what() + ")";
    return false;
  }
  if (!output.Commit()) {
    error = outputPdf + ": cannot be written (" + std::strerror(output.error()) + ")";
    return false;
  }
  return true;
}

}  // namespace kestrel
