// TextRasterizer over FreeType: monochrome glyphs (no anti-aliasing, as a
// printer device draws, so a page keeps to its palette) sized by the GDI
// logical-font rules (gdi_font_metrics.h), rotated by the escapement.
//
// The page code creates a font for nearly every character; creating "the
// same font again" must cost a lookup. The rasterizer therefore keeps:
//   - faces: one FreeType face per font file, opened once;
//   - sized fonts: one FreeType size object per (face name, height, width,
//     escapement), with its metrics;
//   - glyphs: the rendered bitmap of every character drawn in a sized font,
//     in one growing byte pool.
// A character drawn before costs two lookups and the span walk; nothing is
// allocated for it.
//
// Characters the named face lacks (user-defined characters in the private
// use area, rare symbols) are drawn from the face fontconfig finds for them,
// at the same size and on the same baseline; when no installed face has the
// character, the named face's missing-glyph shape is drawn, as GDI does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/fonts/fontconfig_resolver.h"
#include "platform/raster/text_rasterizer.h"

namespace kestrel {

struct TextMetrics {
  int ascent = 0;
  int descent = 0;
  int averageWidth = 0;  // at the em height, before stretching
  double emX = 0, emY = 0;
  std::string family;    // the family the face name resolved to
  std::string file;
};

class FreeTypeRasterizer final : public TextRasterizer {
 public:
  explicit FreeTypeRasterizer(FontconfigResolver& resolver = SharedFontResolver());
  ~FreeTypeRasterizer() override;
  FreeTypeRasterizer(const FreeTypeRasterizer&) = delete;
  FreeTypeRasterizer& operator=(const FreeTypeRasterizer&) = delete;

  void Rasterize(const FontSpec& font, std::string_view utf8, DevicePoint cellTopLeft, SpanSink& sink) override;

  // The metrics of the face font resolves to.
  TextMetrics Metrics(const FontSpec& font);
  // Whether the face font resolves to (not a fallback) has a glyph for it.
  bool HasGlyph(const FontSpec& font, uint32_t codepoint);

  // Glyphs rendered by FreeType so far (cache misses).
  size_t GlyphsRendered() const;
  // Drops every cached size and glyph (faces stay open).
  void ClearCache();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kestrel
