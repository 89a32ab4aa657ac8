#include "platform/fonts/freetype_rasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "platform/fonts/gdi_font_metrics.h"
#include "util/utf8.h"

namespace kestrel {

namespace {

// A font file read through a descriptor: FreeType reads the tables and
// outlines it needs into its own memory instead of mapping the whole file,
// of which a page of text touches megabytes (a Japanese face is 6-9 MB).
// Small reads (FreeType reads some tables field by field) are served from
// a few blocks of the file kept in turn.
class FontFile {
 public:
  explicit FontFile(int fd, unsigned long size) : fd_(fd), size_(size) {}
  ~FontFile() { ::close(fd_); }
  FontFile(const FontFile&) = delete;
  FontFile& operator=(const FontFile&) = delete;

  unsigned long size() const { return size_; }
  unsigned long Read(unsigned long offset, unsigned char* buffer, unsigned long count) {
    if (count >= kBlockBytes) {
      const ssize_t n = ::pread(fd_, buffer, count, off_t(offset));
      return n < 0 ? 0 : (unsigned long)(n);
    }
    unsigned long done = 0;
    while (done < count) {
      const Block* b = BlockAt(offset + done);
      if (b == nullptr) break;
      const unsigned long from = offset + done - b->start;
      const unsigned long n = std::min(count - done, b->length - from);
      std::memcpy(buffer + done, b->bytes + from, n);
      done += n;
    }
    return done;
  }

 private:
  static constexpr unsigned long kBlockBytes = 8192;
  struct Block {
    unsigned long start = 0, length = 0;
    unsigned char bytes[kBlockBytes];
  };
  const Block* BlockAt(unsigned long offset) {
    for (const Block& b : blocks_)
      if (b.length > 0 && offset >= b.start && offset < b.start + b.length) return &b;
    Block& b = blocks_[next_];
    next_ = (next_ + 1) % kBlocks;
    b.start = offset - offset % kBlockBytes;
    const ssize_t n = ::pread(fd_, b.bytes, kBlockBytes, off_t(b.start));
    b.length = n < 0 ? 0 : (unsigned long)(n);
    return offset < b.start + b.length ? &b : nullptr;
  }
  static constexpr size_t kBlocks = 4;
  int fd_;
  unsigned long size_;
  Block blocks_[kBlocks];
  size_t next_ = 0;
};

unsigned long ReadFontFile(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count) {
  if (count == 0) return offset <= stream->size ? 0 : 1;  // a seek: 0 when it succeeds
  return static_cast<FontFile*>(stream->descriptor.pointer)->Read(offset, buffer, count);
}

void CloseFontFile(FT_Stream) {}  // the face's FontFile closes the descriptor

// Opens face index of file; false when it cannot be read as a font.
bool OpenFontFile(FT_Library library, const std::string& file, int index, std::unique_ptr<FontFile>& reader,
                  FT_StreamRec& stream, FT_Face* face) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  reader = std::make_unique<FontFile>(fd, (unsigned long)(st.st_size));
  stream = FT_StreamRec{};
  stream.size = reader->size();
  stream.descriptor.pointer = reader.get();
  stream.read = ReadFontFile;
  stream.close = CloseFontFile;
  FT_Open_Args args{};
  args.flags = FT_OPEN_STREAM;
  args.stream = &stream;
  return FT_Open_Face(library, &args, index, face) == 0;
}

struct Face {
  std::string file;
  int index = 0;
  FT_Face face = nullptr;
  std::unique_ptr<FontFile> reader;  // both live as long as the face
  FT_StreamRec stream{};
};

// One run of ink of a rendered glyph, relative to the pen origin on the
// baseline (device pixels, y down).
struct GlyphSpan {
  int16_t y, x0, x1;
};

// A rendered glyph: its ink as spans in the span pool, and its advance.
struct Glyph {
  uint32_t first = 0, count = 0;  // spans in the pool
  long advanceX = 0, advanceY = 0;  // 26.6, device directions
};

// A fallback face at the size of the sized font that needs it.
struct FallbackSize {
  Face* face = nullptr;
  FT_Size size = nullptr;
};

struct SizedFont {
  // Key.
  std::string name;
  int height = 0, width = 0, escapement = 0;
  // Value.
  Face* face = nullptr;
  std::string family;
  FT_Size size = nullptr;
  GdiFontSize metrics;
  FT_Matrix matrix{};
  bool rotated = false;
  double sine = 0, cosine = 1;
  std::unordered_map<uint32_t, uint32_t> glyphs;  // codepoint -> Glyph index
  std::vector<FallbackSize> fallbacks;

  bool Is(const FontSpec& f) const {
    return f.height == height && f.width == width && f.escapement == escapement && f.face == name;
  }
};

// Sized fonts kept before the cache starts again (a page uses a handful).
constexpr size_t kMaxSizedFonts = 256;

}  // namespace

struct FreeTypeRasterizer::Impl {
  FontconfigResolver& resolver;
  FT_Library library = nullptr;
  std::vector<std::unique_ptr<Face>> faces;
  std::vector<std::unique_ptr<SizedFont>> sized;
  SizedFont* last = nullptr;
  std::vector<Glyph> glyphs;
  std::vector<GlyphSpan> pool;
  std::unordered_map<uint32_t, Face*> fallbackFaces;  // per codepoint, null when none covers it
  size_t rendered = 0;

  // FreeType starts with the first face a string opens: a page without
  // text never starts it.
  explicit Impl(FontconfigResolver& r) : resolver(r) {}
  ~Impl() {
    ClearSized();
    for (auto& f : faces)
      if (f->face != nullptr) FT_Done_Face(f->face);
    if (library != nullptr) FT_Done_FreeType(library);
  }
  FT_Library Library() {
    if (library == nullptr && FT_Init_FreeType(&library) != 0) throw std::runtime_error("FreeType: cannot start");
    return library;
  }

  void ClearSized() {
    for (auto& s : sized) {
      if (s->size != nullptr) FT_Done_Size(s->size);
      for (auto& fb : s->fallbacks) FT_Done_Size(fb.size);
    }
    sized.clear();
    last = nullptr;
    glyphs.clear();
    pool.clear();
  }

  Face* OpenFace(const ResolvedFace& r) {
    for (auto& f : faces)
      if (f->file == r.file && f->index == r.index) return f->face != nullptr ? f.get() : nullptr;
    auto f = std::make_unique<Face>();
    f->file = r.file;
    f->index = r.index;
    if (r.file.empty() || !OpenFontFile(Library(), r.file, r.index, f->reader, f->stream, &f->face)) f->face = nullptr;
    // A face without a Unicode map cannot be addressed by character.
    if (f->face != nullptr && FT_Select_Charmap(f->face, FT_ENCODING_UNICODE) != 0 && f->face->charmap == nullptr) {
      FT_Done_Face(f->face);
      f->face = nullptr;
    }
    faces.push_back(std::move(f));
    return faces.back()->face != nullptr ? faces.back().get() : nullptr;
  }

  FT_Size NewSize(Face* face, const GdiFontSize& m) {
    FT_Size size = nullptr;
    if (FT_New_Size(face->face, &size) != 0) return nullptr;
    FT_Activate_Size(size);
    FT_Set_Char_Size(face->face, FT_F26Dot6(std::lround(m.emX * 64)), FT_F26Dot6(m.emY) * 64, 72, 72);
    return size;
  }

  SizedFont* Find(const FontSpec& spec) {
    if (last != nullptr && last->Is(spec)) return last;
    for (auto& s : sized)
      if (s->Is(spec)) return last = s.get();
    if (sized.size() >= kMaxSizedFonts) ClearSized();
    ResolvedFace r = resolver.Resolve(spec.face);
    Face* face = OpenFace(r);
    if (face == nullptr) return nullptr;
    auto s = std::make_unique<SizedFont>();
    s->name = spec.face;
    s->height = spec.height;
    s->width = spec.width;
    s->escapement = spec.escapement;
    s->face = face;
    s->family = r.family;
    s->metrics = ComputeGdiFontSize(face->face, spec.height, spec.width);
    s->size = NewSize(face, s->metrics);
    if (s->size == nullptr) return nullptr;
    if (spec.escapement % 3600 != 0) {
      double a = spec.escapement / 10.0 * std::numbers::pi / 180.0;
      s->sine = std::sin(a);
      s->cosine = std::cos(a);
      s->rotated = true;
      s->matrix.xx = FT_Fixed(std::lround(s->cosine * 65536));
      s->matrix.xy = FT_Fixed(std::lround(-s->sine * 65536));
      s->matrix.yx = FT_Fixed(std::lround(s->sine * 65536));
      s->matrix.yy = FT_Fixed(std::lround(s->cosine * 65536));
    }
    sized.push_back(std::move(s));
    return last = sized.back().get();
  }

  Face* FallbackFace(const SizedFont& s, uint32_t cp) {
    auto it = fallbackFaces.find(cp);
    if (it != fallbackFaces.end()) return it->second;
    bool found = false;
    ResolvedFace r = resolver.ResolveCovering(s.name, cp, found);
    Face* face = found ? OpenFace(r) : nullptr;
    if (face != nullptr && FT_Get_Char_Index(face->face, cp) == 0) face = nullptr;
    fallbackFaces.emplace(cp, face);
    return face;
  }

  FT_Size FallbackSizeFor(SizedFont& s, Face* face) {
    for (auto& fb : s.fallbacks)
      if (fb.face == face) return fb.size;
    FT_Size size = NewSize(face, s.metrics);
    if (size != nullptr) s.fallbacks.push_back({face, size});
    return size;
  }

  // Renders cp of s into the pool; the index of its Glyph.
  uint32_t Render(SizedFont& s, uint32_t cp) {
    Face* face = s.face;
    FT_Size size = s.size;
    FT_UInt index = FT_Get_Char_Index(face->face, cp);
    if (index == 0) {
      if (Face* fb = FallbackFace(s, cp); fb != nullptr) {
        if (FT_Size fbSize = FallbackSizeFor(s, fb); fbSize != nullptr) {
          face = fb;
          size = fbSize;
          index = FT_Get_Char_Index(fb->face, cp);
        }
      }
    }
    FT_Activate_Size(size);
    FT_Set_Transform(face->face, s.rotated ? &s.matrix : nullptr, nullptr);
    Glyph g;
    ++rendered;
    g.first = uint32_t(pool.size());
    FT_GlyphSlot slot = face->face->glyph;
    if (FT_Load_Glyph(face->face, index, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) == 0 &&
        FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0) {
      // The advance in device directions (FreeType's y points up).
      g.advanceX = slot->advance.x;
      g.advanceY = -slot->advance.y;
      const FT_Bitmap& bm = slot->bitmap;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO && bm.buffer != nullptr) {
        const int width = int(bm.width);
        for (int r = 0; r < int(bm.rows); ++r) {
          const uint8_t* row = bm.buffer + ptrdiff_t(r) * bm.pitch;
          const auto y = int16_t(r - slot->bitmap_top);
          auto ink = [&](int x) { return (row[x >> 3] & (0x80 >> (x & 7))) != 0; };
          int x = 0;
          while (x < width) {
            if ((x & 7) == 0 && row[x >> 3] == 0) {
              x += 8;
              continue;
            }
            if (!ink(x)) {
              ++x;
              continue;
            }
            int start = x;
            while (x < width && ink(x)) ++x;
            pool.push_back({y, int16_t(slot->bitmap_left + start), int16_t(slot->bitmap_left + x)});
          }
        }
      }
    }
    g.count = uint32_t(pool.size()) - g.first;
    FT_Set_Transform(face->face, nullptr, nullptr);
    glyphs.push_back(g);
    return uint32_t(glyphs.size() - 1);
  }

  const Glyph& GlyphOf(SizedFont& s, uint32_t cp) {
    auto it = s.glyphs.find(cp);
    if (it != s.glyphs.end()) return glyphs[it->second];
    uint32_t index = Render(s, cp);
    s.glyphs.emplace(cp, index);
    return glyphs[index];
  }

  void Emit(const Glyph& g, int ox, int oy, SpanSink& sink) {
    const GlyphSpan* span = pool.data() + g.first;
    for (uint32_t k = 0; k < g.count; ++k, ++span) sink.Span(oy + span->y, ox + span->x0, ox + span->x1);
  }
};

FreeTypeRasterizer::FreeTypeRasterizer(FontconfigResolver& resolver) : impl_(std::make_unique<Impl>(resolver)) {}
FreeTypeRasterizer::~FreeTypeRasterizer() = default;

void FreeTypeRasterizer::Rasterize(const FontSpec& font, std::string_view utf8, DevicePoint cellTopLeft,
                                   SpanSink& sink) {
  SizedFont* s = impl_->Find(font);
  if (s == nullptr || utf8.empty()) return;
  // The pen starts on the baseline, one ascent below the cell's top-left
  // corner along the rotated vertical; positions are kept in 26.6.
  const double asc = s->metrics.ascent;
  long penX = std::lround((cellTopLeft.x + asc * s->sine) * 64);
  long penY = std::lround((cellTopLeft.y + asc * s->cosine) * 64);
  size_t i = 0;
  while (i < utf8.size()) {
    const Utf8Char c = DecodeUtf8(utf8, i);
    i += c.length;
    const uint32_t cp = c.codepoint;
    const Glyph& g = impl_->GlyphOf(*s, cp);
    impl_->Emit(g, int((penX + 32) >> 6), int((penY + 32) >> 6), sink);
    penX += g.advanceX;
    penY += g.advanceY;
  }
}

TextMetrics FreeTypeRasterizer::Metrics(const FontSpec& font) {
  TextMetrics m;
  SizedFont* s = impl_->Find(font);
  if (s == nullptr) return m;
  m.ascent = s->metrics.ascent;
  m.descent = s->metrics.descent;
  m.averageWidth = s->metrics.averageWidth;
  m.emX = s->metrics.emX;
  m.emY = s->metrics.emY;
  m.family = s->family;
  m.file = s->face->file;
  return m;
}

bool FreeTypeRasterizer::HasGlyph(const FontSpec& font, uint32_t codepoint) {
  SizedFont* s = impl_->Find(font);
  return s != nullptr && FT_Get_Char_Index(s->face->face, codepoint) != 0;
}

size_t FreeTypeRasterizer::GlyphsRendered() const { return impl_->rendered; }

void FreeTypeRasterizer::ClearCache() { impl_->ClearSized(); }

}  // namespace kestrel
