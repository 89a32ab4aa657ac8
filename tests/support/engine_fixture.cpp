#include "support/engine_fixture.h"

#include <fstream>
#include <random>
#include <sstream>

namespace kestrel::test {

namespace {
void Put16(std::vector<uint8_t>& r, size_t at, uint16_t v) {
  r[at] = uint8_t(v);
  r[at + 1] = uint8_t(v >> 8);
}
}  // namespace

PageBuilder& PageBuilder::Paper(uint8_t orientation, int16_t paper, int16_t user, uint8_t copies) {
  std::vector<uint8_t> r(16, 0);
  r[0] = 16;
  r[1] = orientation;
  Put16(r, 2, uint16_t(paper));
  Put16(r, 4, uint16_t(user));
  r[7] = copies;
  return Raw(r);
}

PageBuilder& PageBuilder::Palette(uint8_t index, uint8_t red, uint8_t green, uint8_t blue) {
  std::vector<uint8_t> r(16, 0);
  r[0] = 17;
  r[1] = index;
  r[2] = red;
  r[3] = green;
  r[4] = blue;
  return Raw(r);
}

PageBuilder& PageBuilder::Paint(uint8_t colour, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2, uint8_t pattern) {
  std::vector<uint8_t> r(16, 0);
  r[0] = 2;
  r[1] = colour;
  Put16(r, 2, x1);
  Put16(r, 4, y1);
  Put16(r, 6, x2);
  Put16(r, 8, y2);
  r[10] = pattern;
  return Raw(r);
}

PageBuilder& PageBuilder::Line(uint8_t colour, uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1, uint16_t style) {
  std::vector<uint8_t> r(16, 0);
  r[0] = 1;
  r[1] = colour;
  Put16(r, 2, x0);
  Put16(r, 4, y0);
  Put16(r, 6, x1);
  Put16(r, 8, y1);
  Put16(r, 10, style);
  return Raw(r);
}

PageBuilder& PageBuilder::Circle(uint8_t colour, uint16_t cx, uint16_t cy, uint16_t endAngle, uint16_t startAngle,
                                 uint16_t radius) {
  std::vector<uint8_t> r(16, 0);
  r[0] = 3;
  r[1] = colour;
  Put16(r, 2, cx);
  Put16(r, 4, cy);
  Put16(r, 6, endAngle);
  Put16(r, 8, startAngle);
  Put16(r, 10, radius);
  return Raw(r);
}

PageBuilder& PageBuilder::String(uint8_t colour, uint16_t x, uint16_t y, uint8_t typeface, uint8_t charClass,
                                 uint8_t width, uint8_t height, int16_t pitch, int32_t textOffset) {
  std::vector<uint8_t> r(16, 0);
  r[0] = 5;
  r[1] = colour;
  Put16(r, 2, x);
  Put16(r, 4, y);
  r[6] = typeface;
  r[7] = charClass;
  r[8] = width;
  r[9] = height;
  Put16(r, 10, uint16_t(pitch));
  uint32_t o = uint32_t(textOffset);
  r[12] = uint8_t(o);
  r[13] = uint8_t(o >> 8);
  r[14] = uint8_t(o >> 16);
  r[15] = uint8_t(o >> 24);
  return Raw(r);
}

PageBuilder& PageBuilder::Raw(const std::vector<uint8_t>& record) {
  bytes_.insert(bytes_.end(), record.begin(), record.end());
  return *this;
}

PageBuilder& PageBuilder::End() {
  std::vector<uint8_t> r(16, 0);
  r[0] = 255;
  Raw(r);
  poolStart_ = bytes_.size();
  return *this;
}

int32_t PageBuilder::Text(const std::string& text, bool terminate) {
  auto offset = int32_t(bytes_.size() - poolStart_);
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  if (terminate) bytes_.push_back(0);
  return offset;
}

TempDir::TempDir() : TempDir(std::filesystem::temp_directory_path()) {}

TempDir::TempDir(const std::filesystem::path& parent) {
  static std::mt19937_64 rng{std::random_device{}()};
  path_ = parent / ("kestrel-test-" + std::to_string(rng()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
  return Write(name, std::string(bytes.begin(), bytes.end()));
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
  std::string p = file(name);
  std::filesystem::create_directories(std::filesystem::path(p).parent_path());
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  return p;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

EngineRig::EngineRig(std::vector<MemoryDevice> devices, std::vector<std::string> answers)
    : printers(std::move(devices)), ui(std::move(answers), {}) {
  ctx = std::make_unique<PrintContext>(Services{system, printers, ui}, 1, cache);
}

}  // namespace kestrel::test
