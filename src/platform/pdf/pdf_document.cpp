#include "platform/pdf/pdf_document.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include "util/utf8.h"

namespace kestrel {

namespace {

// zlib's level 4: on a dense form page's content within a tenth of the
// default level's size at half its time.
constexpr int kLevel = 4;

}  // namespace

void AppendPdfInteger(std::string& out, int64_t value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

void AppendPdfNumber(std::string& out, double value) {
  if (!std::isfinite(value)) value = 0;
  const double milli = std::round(value * 1000.0);
  if (std::fabs(milli) >= 9.0e15) {  // far off any page: whole units are plenty
    AppendPdfInteger(out, int64_t(std::clamp(value, -9.0e15, 9.0e15)));
    return;
  }
  int64_t m = int64_t(milli);
  if (m % 1000 == 0) {
    AppendPdfInteger(out, m / 1000);
    return;
  }
  if (m < 0) {
    out += '-';
    m = -m;
  }
  AppendPdfInteger(out, m / 1000);
  int frac = int(m % 1000);
  char digits[4] = {char('0' + frac / 100), char('0' + frac / 10 % 10), char('0' + frac % 10), 0};
  int n = 3;
  while (digits[n - 1] == '0') --n;
  out += '.';
  out.append(digits, size_t(n));
}

void AppendPdfTextString(std::string& out, std::string_view utf8) {
  bool ascii = true;
  for (char c : utf8) ascii = ascii && c >= 0x20 && c < 0x7F;
  if (ascii) {
    out += '(';
    for (char c : utf8) {
      if (c == '(' || c == ')' || c == '\\') out += '\\';
      out += c;
    }
    out += ')';
    return;
  }
  static const char kHex[] = "0123456789ABCDEF";
  auto unit = [&](uint32_t u) {
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(u >> shift) & 15];
  };
  out += "<FEFF";
  for (size_t at = 0; at < utf8.size();) {
    const Utf8Char c = DecodeUtf8(utf8, at);
    at += c.length;
    uint32_t cp = c.codepoint;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    } else {
      unit(cp);
    }
  }
  out += '>';
}

void PdfDocument::Open(std::FILE* out) {
  out_ = out;
  ok_ = out != nullptr;
  offset_ = 0;
  offsets_.clear();
  // The second line's bytes above 127 mark the file as binary for tools
  // that guess.
  Put("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
}

void PdfDocument::Put(std::string_view bytes) {
  if (!ok_) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), out_) != bytes.size()) ok_ = false;
  offset_ += bytes.size();
}

int PdfDocument::NewObject() {
  offsets_.push_back(0);
  return int(offsets_.size());
}

void PdfDocument::Mark(int id) {
  if (id < 1 || size_t(id) > offsets_.size()) {
    ok_ = false;
    return;
  }
  offsets_[size_t(id) - 1] = offset_;
  head_.clear();
  AppendPdfInteger(head_, id);
  head_ += " 0 obj\n";
  Put(head_);
}

void PdfDocument::WriteObject(int id, std::string_view body) {
  Mark(id);
  Put(body);
  Put("\nendobj\n");
}

void PdfDocument::WriteStream(int id, std::string_view entries, std::string_view data, bool compress) {
  std::string_view bytes = data;
  if (compress) {
    // One deflate state for the document, reset for each stream (its
    // quarter megabyte of tables is made once, not per page).
    if (zstream_ == nullptr) {
      zstream_ = std::make_unique<z_stream>();
      *zstream_ = z_stream{};
      if (deflateInit(zstream_.get(), kLevel) != Z_OK) {
        zstream_.reset();
        ok_ = false;
        return;
      }
    } else if (deflateReset(zstream_.get()) != Z_OK) {
      ok_ = false;
      return;
    }
    z_stream& z = *zstream_;
    packed_.resize(deflateBound(&z, uLong(data.size())));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef*>(packed_.data());
    z.avail_out = uInt(packed_.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) {
      ok_ = false;
      return;
    }
    bytes = std::string_view(packed_.data(), packed_.size() - z.avail_out);
  }
  Mark(id);
  head_.clear();
  head_ += "<< ";
  head_ += entries;
  if (compress) head_ += " /Filter /FlateDecode";
  head_ += " /Length ";
  AppendPdfInteger(head_, int64_t(bytes.size()));
  head_ += " >>\nstream\n";
  Put(head_);
  Put(bytes);
  Put("\nendstream\nendobj\n");
}

bool PdfDocument::Finish(int root, int info) {
  const uint64_t xref = offset_;
  std::string table = "xref\n0 ";
  AppendPdfInteger(table, int64_t(offsets_.size()) + 1);
  table += "\n0000000000 65535 f \n";
  char entry[24];
  for (uint64_t at : offsets_) {
    if (at == 0) ok_ = false;  // reserved and never written
    std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", static_cast<unsigned long long>(at));
    table += entry;
  }
  table += "trailer\n<< /Size ";
  AppendPdfInteger(table, int64_t(offsets_.size()) + 1);
  table += " /Root ";
  AppendPdfInteger(table, root);
  table += " 0 R /Info ";
  AppendPdfInteger(table, info);
  table += " 0 R >>\nstartxref\n";
  AppendPdfInteger(table, int64_t(xref));
  table += "\n%%EOF\n";
  Put(table);
  const bool ok = ok_;
  out_ = nullptr;
  ok_ = false;
  return ok;
}

PdfDocument::PdfDocument() = default;

PdfDocument::~PdfDocument() {
  if (zstream_ != nullptr) deflateEnd(zstream_.get());
}

}  // namespace kestrel
