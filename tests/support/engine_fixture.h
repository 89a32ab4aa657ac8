// Helpers for engine tests: a print-data page built in memory, a context
// wired to a memory print system, a headless Ui and a temporary folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/print_context.h"
#include "platform/headless/headless_ui.h"
#include "platform/linux/linux_system.h"
#include "platform/recording/memory_print_system.h"

namespace kestrel::test {

// Builds print-data bytes record by record.
class PageBuilder {
 public:
  PageBuilder& Paper(uint8_t orientation, int16_t paper, int16_t user, uint8_t copies);
  PageBuilder& Palette(uint8_t index, uint8_t r, uint8_t g, uint8_t b);
  PageBuilder& Paint(uint8_t colour, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2, uint8_t pattern);
  PageBuilder& Line(uint8_t colour, uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1, uint16_t style);
  PageBuilder& Circle(uint8_t colour, uint16_t cx, uint16_t cy, uint16_t endAngle, uint16_t startAngle,
                      uint16_t radius);
  PageBuilder& String(uint8_t colour, uint16_t x, uint16_t y, uint8_t typeface, uint8_t charClass, uint8_t width,
                      uint8_t height, int16_t pitch, int32_t textOffset);
  PageBuilder& Raw(const std::vector<uint8_t>& record);  // 16 bytes (or fewer for a cut record)
  PageBuilder& End();
  // Appends bytes to the text pool (after End); returns their offset.
  int32_t Text(const std::string& bytes, bool terminate = true);
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t poolStart_ = 0;
};

// A temporary folder removed at the end of the test.
class TempDir {
 public:
  TempDir();  // under TMPDIR (or /tmp)
  // Under parent: /tmp for a folder another user must reach (TMPDIR may lie
  // in a home no one else may enter).
  explicit TempDir(const std::filesystem::path& parent);
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;
  std::string Write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);

// A context with one standard device (or none), the headless Ui answering
// from a list, and the real Linux system services.
struct EngineRig {
  explicit EngineRig(std::vector<MemoryDevice> devices = {StandardDevice("Test Printer")},
                     std::vector<std::string> answers = {});
  LinuxSystem system;
  MemoryPrintSystem printers;
  HeadlessUi ui;
  EngineCache cache;
  std::unique_ptr<PrintContext> ctx;
  RecordingCanvas& canvas() { return printers.canvas(); }
};

}  // namespace kestrel::test
