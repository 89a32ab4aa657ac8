#include "platform/pdf/pdf_font.h"

#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H
#include <cstring>
#include <utility>

#include "platform/pdf/harfbuzz_library.h"
#include "platform/pdf/pdf_document.h"

namespace kestrel {

namespace {

bool HasTable(FT_Face face, FT_ULong tag) {
  FT_ULong length = 0;
  return FT_Load_Sfnt_Table(face, tag, 0, nullptr, &length) == 0 && length > 0;
}

// Font units to the thousandths of an em that PDF widths are given in.
double Thousandths(FT_Face face, long units) { return double(units) * 1000.0 / double(face->units_per_EM); }

void AppendHex4(std::string& out, uint32_t value) {
  static const char kHex[] = "0123456789ABCDEF";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 15];
}

// A code point as UTF-16BE hex digits.
void AppendUtf16Hex(std::string& out, uint32_t cp) {
  if (cp >= 0x10000 && cp <= 0x10FFFF) {
    cp -= 0x10000;
    AppendHex4(out, 0xD800 + (cp >> 10));
    AppendHex4(out, 0xDC00 + (cp & 0x3FF));
  } else {
    AppendHex4(out, cp > 0xFFFF ? 0xFFFD : cp);
  }
}

// Owns a HarfBuzz object for the length of a scope.
template <typename T>
struct HbPtr {
  T* p;
  void (*destroy)(T*);
  HbPtr(T* ptr, void (*destroyer)(T*)) : p(ptr), destroy(destroyer) {}
  ~HbPtr() {
    if (p != nullptr) destroy(p);
  }
  HbPtr(const HbPtr&) = delete;
  HbPtr& operator=(const HbPtr&) = delete;
};

}  // namespace

PdfFont::PdfFont(FT_Face face, std::string file, int index, int object, int number)
    : face_(face), file_(std::move(file)), index_(index), object_(object), resource_("F" + std::to_string(number)) {}

bool PdfFont::Embeddable(FT_Face face) {
  return face != nullptr && FT_IS_SFNT(face) && face->units_per_EM > 0 &&
         (HasTable(face, TTAG_glyf) || HasTable(face, TTAG_CFF));
}

void PdfFont::Use(uint32_t gid, uint32_t codepoint) { used_.emplace(gid, codepoint); }

namespace {

// The subset of face (file, index) holding the glyphs used, or null.
hb_blob_t* MakeSubset(const std::string& file, int index, const std::map<uint32_t, uint32_t>& used, bool cff,
                      hb_map_t* newIds) {
  const HarfBuzzLibrary& hb = HarfBuzz();
  HbPtr<hb_blob_t> blob(hb.hb_blob_create_from_file_or_fail(file.c_str()), hb.hb_blob_destroy);
  if (blob.p == nullptr) return nullptr;
  HbPtr<hb_face_t> source(hb.hb_face_create(blob.p, unsigned(index)), hb.hb_face_destroy);
  HbPtr<hb_subset_input_t> input(hb.hb_subset_input_create_or_fail(), hb.hb_subset_input_destroy);
  if (input.p == nullptr) return nullptr;
  hb_set_t* glyphs = hb.hb_subset_input_glyph_set(input.p);
  hb.hb_set_add(glyphs, 0);
  for (const auto& [gid, cp] : used) hb.hb_set_add(glyphs, gid);
  // Only the outlines and metrics are read from an embedded font: no
  // hinting, no layout or vertical tables.
  hb_set_t* drop = hb.hb_subset_input_set(input.p, HB_SUBSET_SETS_DROP_TABLE_TAG);
  for (const char* tag : {"GSUB", "GPOS", "GDEF", "BASE", "JSTF", "vhea", "vmtx", "VORG", "DSIG", "kern"})
    hb.hb_set_add(drop, hb.hb_tag_from_string(tag, 4));
  // A CFF subset keeps the glyph ids (the CIDs of its CIDFont); a TrueType
  // subset renumbers them and the CIDFont maps the ids to the new numbers.
  hb.hb_subset_input_set_flags(input.p, cff ? HB_SUBSET_FLAGS_NO_HINTING | HB_SUBSET_FLAGS_RETAIN_GIDS
                                                   : unsigned(HB_SUBSET_FLAGS_NO_HINTING));
  HbPtr<hb_subset_plan_t> plan(hb.hb_subset_plan_create_or_fail(source.p, input.p), hb.hb_subset_plan_destroy);
  if (plan.p == nullptr) return nullptr;
  HbPtr<hb_face_t> subset(hb.hb_subset_plan_execute_or_fail(plan.p), hb.hb_face_destroy);
  if (subset.p == nullptr) return nullptr;
  const hb_map_t* planIds = hb.hb_subset_plan_old_to_new_glyph_mapping(plan.p);
  for (const auto& [gid, cp] : used) hb.hb_map_set(newIds, gid, hb.hb_map_get(planIds, gid));
  hb_blob_t* packed = hb.hb_face_reference_blob(subset.p);
  if (hb.hb_blob_get_length(packed) == 0) {
    hb.hb_blob_destroy(packed);
    return nullptr;
  }
  return packed;
}

}  // namespace

// When no subset can be made (a face HarfBuzz refuses) the font is named
// without its program: readers draw a substitute, and the text stays text.
bool PdfFont::Write(PdfDocument& doc) const {
  const bool cff = !HasTable(face_, TTAG_glyf);
  // Without HarfBuzz (it is opened here, at the first font) no subset is made.
  std::string unavailable;
  const bool subset = Embeddable(face_) && OpenHarfBuzz(unavailable);
  const HarfBuzzLibrary& hb = HarfBuzz();
  HbPtr<hb_map_t> newIds(subset ? hb.hb_map_create() : nullptr, hb.hb_map_destroy);
  HbPtr<hb_blob_t> packed(subset ? MakeSubset(file_, index_, used_, cff, newIds.p) : nullptr, hb.hb_blob_destroy);
  unsigned int length = 0;
  const char* data = packed.p != nullptr ? hb.hb_blob_get_data(packed.p, &length) : nullptr;
  const bool embedded = data != nullptr && length > 0;

  // The subset's tag: six capitals from the glyphs it holds, so that two
  // subsets of one face in different documents differ in name.
  uint64_t hash = 1469598103934665603ull;
  for (const auto& [gid, cp] : used_) hash = (hash ^ gid) * 1099511628211ull;
  std::string name;
  if (embedded) {
    for (int i = 0; i < 6; ++i, hash /= 26) name += char('A' + hash % 26);
    name += '+';
  }
  const char* ps = FT_Get_Postscript_Name(face_);
  const size_t plain = name.size();
  for (const char* c = ps != nullptr ? ps : ""; *c != '\0'; ++c)
    if (*c > 0x20 && *c < 0x7F && std::strchr("()<>[]{}/%#", *c) == nullptr) name += *c;
  if (name.size() == plain) name += "Font" + resource_;

  const int file = embedded ? doc.NewObject() : 0;
  const int descriptor = doc.NewObject();
  const int descendant = doc.NewObject();
  const int toUnicode = doc.NewObject();
  const int cidToGid = embedded && !cff ? doc.NewObject() : 0;

  if (embedded) {
    std::string entries;
    if (cff) {
      entries = "/Subtype /OpenType";
    } else {
      entries = "/Length1 ";
      AppendPdfInteger(entries, length);
    }
    doc.WriteStream(file, entries, std::string_view(data, length));
  }

  const FT_BBox& box = face_->bbox;
  std::string body = "<< /Type /FontDescriptor /FontName /" + name + " /Flags 4 /FontBBox [";
  for (long v : {box.xMin, box.yMin, box.xMax, box.yMax}) {
    body += ' ';
    AppendPdfNumber(body, Thousandths(face_, v));
  }
  body += " ] /ItalicAngle 0 /Ascent ";
  AppendPdfNumber(body, Thousandths(face_, face_->ascender));
  body += " /Descent ";
  AppendPdfNumber(body, Thousandths(face_, face_->descender));
  body += " /CapHeight ";
  AppendPdfNumber(body, Thousandths(face_, face_->ascender));
  body += " /StemV 80";
  if (embedded) {
    body += cff ? " /FontFile3 " : " /FontFile2 ";
    AppendPdfInteger(body, file);
    body += " 0 R";
  }
  body += " >>";
  doc.WriteObject(descriptor, body);

  // Widths of the glyphs drawn, runs of consecutive ids in one array.
  body = cff ? "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /" : "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /";
  body += name;
  body += " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor ";
  AppendPdfInteger(body, descriptor);
  body += " 0 R /W [";
  uint32_t next = UINT32_MAX;
  for (const auto& [gid, cp] : used_) {
    FT_Fixed advance = 0;
    FT_Get_Advance(face_, gid, FT_LOAD_NO_SCALE, &advance);
    if (gid != next) {
      if (next != UINT32_MAX) body += ']';
      body += ' ';
      AppendPdfInteger(body, gid);
      body += " [";
    } else {
      body += ' ';
    }
    AppendPdfNumber(body, Thousandths(face_, long(advance)));
    next = gid + 1;
  }
  if (next != UINT32_MAX) body += ']';
  body += " ]";
  if (cidToGid != 0) {
    body += " /CIDToGIDMap ";
    AppendPdfInteger(body, cidToGid);
    body += " 0 R";
  }
  body += " >>";
  doc.WriteObject(descendant, body);

  if (cidToGid != 0) {
    const hb_map_t* map = newIds.p;
    const uint32_t last = used_.empty() ? 0 : used_.rbegin()->first;
    std::string table(size_t(last + 1) * 2, '\0');
    for (const auto& [gid, cp] : used_) {
      const hb_codepoint_t to = hb.hb_map_get(map, gid);
      if (to == HB_MAP_VALUE_INVALID) continue;
      table[size_t(gid) * 2] = char(to >> 8);
      table[size_t(gid) * 2 + 1] = char(to & 0xFF);
    }
    doc.WriteStream(cidToGid, {}, table);
  }

  std::string cmap =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
  size_t mapped = 0;
  for (const auto& [gid, cp] : used_) mapped += cp != 0 ? 1 : 0;
  size_t inBlock = 0;
  for (const auto& [gid, cp] : used_) {
    if (cp == 0) continue;
    if (inBlock == 0) {
      AppendPdfInteger(cmap, int64_t(std::min<size_t>(mapped, 100)));
      cmap += " beginbfchar\n";
    }
    cmap += '<';
    AppendHex4(cmap, gid);
    cmap += "> <";
    AppendUtf16Hex(cmap, cp);
    cmap += ">\n";
    --mapped;
    if (++inBlock == 100 || mapped == 0) {
      cmap += "endbfchar\n";
      inBlock = 0;
    }
  }
  cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  doc.WriteStream(toUnicode, {}, cmap);

  body = "<< /Type /Font /Subtype /Type0 /BaseFont /" + name + " /Encoding /Identity-H /DescendantFonts [ ";
  AppendPdfInteger(body, descendant);
  body += " 0 R ] /ToUnicode ";
  AppendPdfInteger(body, toUnicode);
  body += " 0 R >>";
  doc.WriteObject(object_, body);
  return embedded;
}

}  // namespace kestrel
