// PdfDocument: the file structure of a PDF document, written front to back.
//
// Written by hand rather than through a PDF library: the page content must
// follow our GDI drawing rules exactly (pixel grid, dash runs, tiles at the
// device origin), and no packaged library writes content streams as lean as
// a form page allows (whole-pixel numbers, one path per pen). What is left
// to this class is small: numbered objects written as they are made, streams
// compressed with zlib, the cross-reference table and the trailer.
//
// Objects may refer to objects written later (a page to the resources that
// the document finishes with): NewObject reserves a number, WriteObject or
// BeginObject/EndObject writes it once. Nothing of a page stays in memory
// after it is written, so a document of many pages costs time and memory in
// proportion to its pages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct z_stream_s;

namespace kestrel {

// Appends a number in its shortest PDF form: whole numbers without a point,
// others with at most three decimals and no trailing zeros ("-0.5", "12.25").
void AppendPdfNumber(std::string& out, double value);
void AppendPdfInteger(std::string& out, int64_t value);
// A text string: literal "(...)" with escapes when it is printable ASCII,
// else UTF-16BE in hex with its byte-order mark. utf8 must be valid UTF-8.
void AppendPdfTextString(std::string& out, std::string_view utf8);

class PdfDocument {
 public:
  PdfDocument();
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  // Starts a document on out (left open; the caller's): the header line.
  void Open(std::FILE* out);
  bool ok() const { return ok_; }

  // Reserves the number of an object written later.
  int NewObject();
  // Writes object id: "id 0 obj", body, "endobj".
  void WriteObject(int id, std::string_view body);
  // Writes object id as a stream: dictionary entries (without the brackets
  // and /Length) and the data, Flate-compressed when compress is set.
  void WriteStream(int id, std::string_view entries, std::string_view data, bool compress = true);
  // Writes the cross-reference table and the trailer naming root and info;
  // false when a write failed or an object was reserved and never written.
  bool Finish(int root, int info);

 private:
  void Put(std::string_view bytes);
  void Mark(int id);

  std::FILE* out_ = nullptr;
  bool ok_ = false;
  uint64_t offset_ = 0;
  std::vector<uint64_t> offsets_;  // by object number - 1; 0 while not written
  std::string head_;               // reused
  std::string packed_;             // reused compression buffer
  std::unique_ptr<z_stream_s> zstream_;
};

}  // namespace kestrel
