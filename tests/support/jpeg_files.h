// JPEG files read back with libjpeg and PNG files with libpng, so that tests
// check what a reader of the file sees rather than the page the code under
// test drew.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::test {

struct DecodedJpeg {
  int width = 0, height = 0, components = 0;
  std::vector<uint8_t> samples;  // rows top to bottom, components interleaved
  // Grey level of a pixel (the mean of its components).
  int Grey(int x, int y) const;
};

// Decodes a whole JPEG file; false when it is missing or damaged.
bool DecodeJpeg(const std::string& path, DecodedJpeg& out);

// Reads a PNG file (libpng) as RGB, three components; false when it is
// missing or damaged.
bool ReadPng(const std::string& path, DecodedJpeg& out);

// Reads a binary grey PGM (P5, as pdftoppm -gray writes it) into the same
// form, one component; false when it is missing or damaged.
bool ReadPgm(const std::string& path, DecodedJpeg& out);

}  // namespace kestrel::test
