#include "engine/print_context.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace kestrel {

namespace {

PrintCommand* ZeroedCommandArea() {
  static_assert(std::is_trivially_copyable_v<PrintCommand> && std::is_trivially_default_constructible_v<PrintCommand>);
  auto* area = static_cast<PrintCommand*>(std::calloc(kMaxCommands, sizeof(PrintCommand)));
  if (area == nullptr) throw std::bad_alloc();
  return area;
}

}  // namespace

void PageState::FreeArea::operator()(PrintCommand* p) const { std::free(p); }

PageState::PageState() : commands(ZeroedCommandArea()) {}

void StringState::FreeBuffer::operator()(uint8_t* p) const { std::free(p); }

StringState::StringState() : textBuffer(static_cast<uint8_t*>(std::calloc(kTextBufferBytes, 1))) {
  if (textBuffer == nullptr) throw std::bad_alloc();
}

PrintContext::PrintContext(Services s, uint64_t window, EngineCache& c) : services(s), cache(c), mainWindow(window) {}

PrintContext::~PrintContext() = default;

void PrintContext::SetLogFileName(const std::string& path) {
  log.logFileName = path;
  if (!path.empty()) log.logEnabled = 1;
}

const uint8_t* GetStringText(PrintContext& ctx, int32_t textOffset, bool convert) {
  uint8_t* out = ctx.strings.textBuffer.get();
  // The buffer is all zero again once what the last call wrote is cleared
  // (clearing all 600,000 bytes for every string cost more than drawing it).
  std::memset(out, 0, ctx.strings.textBufferUsed);
  ctx.strings.textBufferUsed = 0;
  const size_t poolStart = kCommandSize * (size_t(ctx.page.commandCount) + 1);
  // A text must start inside the data read; it then runs to its NUL, to the
  // end of the data read, or to the buffer's size, whichever comes first.
  if (textOffset < 0) return out;
  const size_t start = poolStart + size_t(textOffset);
  if (start >= ctx.page.bytesRead) return out;
  const auto* area = reinterpret_cast<const uint8_t*>(ctx.page.commands.get());
  size_t limit = std::min(ctx.page.bytesRead - start, kTextBufferBytes - 1);
  const void* nul = std::memchr(area + start, 0, limit);
  size_t length = nul ? size_t(static_cast<const uint8_t*>(nul) - (area + start)) : limit;
  // The text and its end: a byte the conversion leaves (one that is not
  // half of a pair) reads as zero, which ends the text there.
  std::memset(out, 0, length + 1);
  if (convert) {
    JisToSjis(area + start, length, out);
  } else {
    std::memcpy(out, area + start, length);
  }
  ctx.strings.textBufferUsed = length;
  return out;
}

Colour ColourAt(const PrintContext& ctx, uint8_t index) {
  return index < kColourCount ? ctx.page.colorTable[index] : kBlack;
}

}  // namespace kestrel
