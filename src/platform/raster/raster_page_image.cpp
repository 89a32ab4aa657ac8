#include "platform/raster/raster_page_image.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <jpeglib.h>
#include <jerror.h>
#include <unistd.h>

#include "platform/raster/jpeg_blocks.h"
#include "util/replacing_file.h"

namespace kestrel {

namespace {

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<JpegError*>(cinfo->err);
  const int systemError = errno;  // a failed write leaves its reason here
  (*cinfo->err->format_message)(cinfo, e->message);
  if (cinfo->err->msg_code == JERR_FILE_WRITE && systemError != 0) {
    const size_t used = std::strlen(e->message);
    std::snprintf(e->message + used, sizeof e->message - used, " (%s)", std::strerror(systemError));
  }
  std::longjmp(e->jump, 1);
}

void OnJpegMessage(j_common_ptr) {}

// Rows handed to the encoder per call.
constexpr int kBandRows = 16;
// Bytes written to a part's file per write.
constexpr size_t kOutputBufferBytes = 64 * 1024;

// A descriptor closed when it goes.
class UniqueDescriptor {
 public:
  explicit UniqueDescriptor(int fd) : fd_(fd) {}
  ~UniqueDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueDescriptor(const UniqueDescriptor&) = delete;
  UniqueDescriptor& operator=(const UniqueDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};
// A part boundary falls after a multiple of this many block rows, so that
// the restart markers (numbered 0-7 in turn) of every part keep their
// numbers in the joined file.
constexpr int kRestartCycle = 8;

// The samples of a page: a grey page as one channel, a colour page as four
// bytes a pixel (R, G, B and one unused), the layout the encoder converts
// fastest; each pixel a single look-up from its palette index.
struct SampleTable {
  bool grey = true;
  uint8_t greyLevel[256];
  uint32_t rgbx[256];
};

void FillTable(const RasterCanvas& page, SampleTable& table) {
  for (int i = 0; i < 256; ++i) {
    Colour c = page.palette()[size_t(i)];
    const uint8_t bytes[4] = {c.r(), c.g(), c.b(), 0};
    std::memcpy(&table.rgbx[i], bytes, 4);
    table.greyLevel[i] = c.r();
    if (i < page.paletteSize() && (c.r() != c.g() || c.g() != c.b())) table.grey = false;
  }
}

// The position of a frame header's height field, or 0 when bytes holds none.
size_t FrameHeightAt(const uint8_t* bytes, size_t size) {
  for (size_t at = 2; at + 4 <= size && bytes[at] == 0xFF;) {
    const uint8_t marker = bytes[at + 1];
    if (marker >= 0xC0 && marker <= 0xC2) return at + 5 + 2 <= size ? at + 5 : 0;
    if (marker == 0xDA) return 0;
    at += 2 + ((size_t(bytes[at + 2]) << 8) | bytes[at + 3]);
  }
  return 0;
}

// Where the compressed data of the first scan starts (after its header).
size_t ScanDataAt(const uint8_t* bytes, size_t size) {
  for (size_t at = 2; at + 4 <= size && bytes[at] == 0xFF;) {
    const size_t length = (size_t(bytes[at + 2]) << 8) | bytes[at + 3];
    if (bytes[at + 1] == 0xDA) return at + 2 + length <= size ? at + 2 + length : 0;
    at += 2 + length;
  }
  return 0;
}

// One part of the page: rows [firstRow, firstRow + rows), written to the
// page's file (the first part: its frame header given the height of the
// whole page, its end marker taken back when other parts follow) or to a
// thread's unnamed file (a further part: where its scan data starts is
// noted).
struct Part {
  int firstRow = 0, rows = 0;
  int pageHeight = 0;
  bool followed = false;
  std::FILE* file = nullptr;
  int descriptor = -1;
  std::vector<uint8_t>* buffer = nullptr;
  uint8_t* band = nullptr;
  JpegBlockCache* blocks = nullptr;  // the thread's transformed blocks
  bool byBlocks = false;             // how it was encoded
  size_t written = 0;    // bytes this part wrote
  size_t scanStart = 0;  // where its scan data starts among them
  int worker = 0;        // the thread that encoded it
  size_t base = 0;       // where it starts in that thread's file
  bool ok = false;
  char message[JMSG_LENGTH_MAX] = {};
};

struct Destination {
  jpeg_destination_mgr mgr;  // first: libjpeg sees only this
  Part* part;
  bool headerDone;
};

void Fail(j_compress_ptr cinfo, int code) {
  cinfo->err->msg_code = code;
  (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
}

bool WriteAll(int fd, const uint8_t* bytes, size_t count) {
  while (count > 0) {
    const ssize_t n = ::write(fd, bytes, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    count -= size_t(n);
  }
  return true;
}

void WriteOut(j_compress_ptr cinfo, size_t count) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  Part& part = *d->part;
  uint8_t* bytes = part.buffer->data();
  if (!d->headerDone) {
    // The headers come first and fit the first buffer whole.
    d->headerDone = true;
    if (part.file != nullptr) {
      if (size_t at = FrameHeightAt(bytes, count); at != 0) {
        bytes[at] = uint8_t(part.pageHeight >> 8);
        bytes[at + 1] = uint8_t(part.pageHeight);
      }
    } else {
      part.scanStart = ScanDataAt(bytes, count);
    }
  }
  errno = 0;
  if (count == 0) return;
  if (part.file != nullptr ? std::fwrite(bytes, 1, count, part.file) != count
                           : !WriteAll(part.descriptor, bytes, count))
    Fail(cinfo, JERR_FILE_WRITE);
  part.written += count;
}

void InitBuffer(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  d->mgr.next_output_byte = d->part->buffer->data();
  d->mgr.free_in_buffer = d->part->buffer->size();
}

boolean EmptyBuffer(j_compress_ptr cinfo) {
  WriteOut(cinfo, reinterpret_cast<Destination*>(cinfo->dest)->part->buffer->size());
  InitBuffer(cinfo);
  return TRUE;
}

void TermBuffer(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  WriteOut(cinfo, d->part->buffer->size() - d->mgr.free_in_buffer);
  // The next part goes where the end marker (two bytes) was.
  if (d->part->followed && std::fseek(d->part->file, -2, SEEK_CUR) != 0) Fail(cinfo, JERR_FILE_WRITE);
}

// The encoding of one part, free of C++ objects with destructors: libjpeg
// reports errors by longjmp out of here.
void EncodePart(const RasterCanvas& page, const JpegSettings& settings, const SampleTable& table, Part& part) {
  jpeg_compress_struct cinfo;
  JpegError err;
  Destination dest;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnJpegError;
  err.mgr.output_message = OnJpegMessage;
  err.message[0] = '\0';
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::snprintf(part.message, sizeof part.message, "%s", err.message);
    part.ok = false;
    return;
  }
  const bool grey = table.grey;
  jpeg_create_compress(&cinfo);
  dest.part = &part;
  dest.headerDone = false;
  dest.mgr.init_destination = InitBuffer;
  dest.mgr.empty_output_buffer = EmptyBuffer;
  dest.mgr.term_destination = TermBuffer;
  cinfo.dest = &dest.mgr;
  cinfo.image_width = JDIMENSION(page.Width());
  cinfo.image_height = JDIMENSION(part.rows);
  cinfo.input_components = grey ? 1 : 4;
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_RGBX;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, settings.quality, TRUE);
  cinfo.restart_in_rows = 1;
  if (!grey) {
    // Luminance at full resolution; the colour at the chosen sampling.
    cinfo.comp_info[0].h_samp_factor = settings.sampling == 444 ? 1 : 2;
    cinfo.comp_info[0].v_samp_factor = settings.sampling == 420 ? 2 : 1;
    for (int c = 1; c < 3; ++c) {
      cinfo.comp_info[c].h_samp_factor = 1;
      cinfo.comp_info[c].v_samp_factor = 1;
    }
  }
  cinfo.density_unit = 1;  // dots per inch
  cinfo.X_density = UINT16(page.PixelsPerInchX());
  cinfo.Y_density = UINT16(page.PixelsPerInchY());
  if (part.byBlocks) {
    // The coefficients handed over a row of MCUs at a time as the encoder
    // asks for them: its access to a component's coefficients is this
    // part's, the components known by the addresses handed to it.
    WriteCoefficients(&cinfo, page, part.firstRow, part.rows, grey, *part.blocks);
    jpeg_destroy_compress(&cinfo);
    part.ok = true;
    return;
  }
  jpeg_start_compress(&cinfo, TRUE);
  const int width = page.Width();
  const size_t rowBytes = size_t(width) * (grey ? 1 : 4);
  JSAMPROW rows[kBandRows];
  for (int r = 0; r < kBandRows; ++r) rows[r] = part.band + size_t(r) * rowBytes;
  for (int y = 0; y < part.rows;) {
    const int count = std::min(kBandRows, part.rows - y);
    for (int r = 0; r < count; ++r) {
      const uint8_t* src = page.Row(part.firstRow + y + r);
      if (grey) {
        uint8_t* d = rows[r];
        for (int x = 0; x < width; ++x) d[x] = table.greyLevel[src[x]];
      } else {
        uint32_t* d = reinterpret_cast<uint32_t*>(rows[r]);
        for (int x = 0; x < width; ++x) d[x] = table.rgbx[src[x]];
      }
    }
    jpeg_write_scanlines(&cinfo, rows, JDIMENSION(count));
    y += count;
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  part.ok = true;
}

// The parts of a page: whole cycles of restart intervals each, at most
// kMaxParts of them, taken in turn by the two threads as each finishes one,
// so that a thread slowed by other work on the machine takes fewer.
constexpr int kMaxParts = 4;

// The first row of part i of count (the page's height for i == count).
int PartStart(int i, int count, int cycles, int cycleRows, int height) {
  return i >= count ? height : (i * cycles / count) * cycleRows;
}

// An unnamed file in the folder of path for a thread's parts of a page
// (nothing of it is left if the process ends); -1 where the system has none.
int UnnamedFileBeside(const std::string& path) {
#if defined(O_TMPFILE)
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#else
  (void)path;
  return -1;
#endif
}

// Appends count bytes of from, starting at offset, to the descriptor to.
bool CopyInto(int to, int from, size_t offset, size_t count) {
  off_t at = off_t(offset);
  while (count > 0) {
    const ssize_t n = ::copy_file_range(from, &at, to, nullptr, count, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // not offered between these files: copied below
    count -= size_t(n);
  }
  uint8_t block[16384];
  while (count > 0) {
    const ssize_t n = ::pread(from, block, std::min(count, sizeof block), at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || !WriteAll(to, block, size_t(n))) return false;
    at += n;
    count -= size_t(n);
  }
  return true;
}

}  // namespace

bool WriteJpeg(const RasterCanvas& page, const std::string& path, const JpegSettings& given, std::string& error,
               JpegBuffers* reused) {
  if (page.Width() <= 0 || page.Height() <= 0 || page.Width() > 65500 || page.Height() > 65500) {
    error = "JPEG: page size " + std::to_string(page.Width()) + "x" + std::to_string(page.Height()) +
            " cannot be encoded";
    return false;
  }
  page.Settle();  // before the encoding threads read the rows
  JpegSettings settings = given;
  settings.quality = std::clamp(settings.quality, 1, 100);
  if (settings.sampling != 420 && settings.sampling != 422) settings.sampling = 444;

  SampleTable table;
  FillTable(page, table);
  JpegBuffers local;
  JpegBuffers& buffers = reused != nullptr ? *reused : local;

  // Under a temporary name made anew beside path (never through a link
  // planted there), renamed into place when whole.
  ReplacingFile file;
  if (!file.Open(path)) {
    error = "JPEG: cannot create a temporary file for " + path + ": " + std::strerror(file.error());
    return false;
  }
  const int blockRowHeight = !table.grey && settings.sampling == 420 ? 16 : 8;
  const int cycleRows = kRestartCycle * blockRowHeight;
  const int cycles = (page.Height() + blockRowHeight - 1) / blockRowHeight / kRestartCycle;
  int count = settings.split ? std::min(kMaxParts, cycles) : 1;
  // Each thread's parts but the first go into an unnamed file of its own
  // beside the page, and are copied into the page's file in order.
  UniqueDescriptor spillMain(count >= 2 ? UnnamedFileBeside(path) : -1);
  UniqueDescriptor spillSecond(count >= 2 ? UnnamedFileBeside(path) : -1);
  if (spillMain.get() < 0 || spillSecond.get() < 0) count = 1;
  const int spill[2] = {spillMain.get(), spillSecond.get()};
  buffers.parts = count;
  const int workers = count >= 2 ? 2 : 1;
  // A band of rows for each thread, aligned for four-byte pixels.
  const size_t bandWords = (size_t(page.Width()) * kBandRows * (table.grey ? 1 : 4) + 3) / 4;
  for (int w = 0; w < workers; ++w) {
    if (buffers.blocks[w]) StartBlockPage(*buffers.blocks[w]);
    if (buffers.output[w].size() != kOutputBufferBytes) buffers.output[w].resize(kOutputBufferBytes);
  }

  std::array<Part, kMaxParts> parts;
  for (int i = 0; i < count; ++i) {
    Part& part = parts[size_t(i)];
    part.firstRow = PartStart(i, count, cycles, cycleRows, page.Height());
    part.rows = PartStart(i + 1, count, cycles, cycleRows, page.Height()) - part.firstRow;
    part.pageHeight = i == 0 ? page.Height() : part.rows;
  }
  // The first part streams into the page's file, its end marker taken back
  // when other parts follow.
  parts[0].file = file.stream();
  parts[0].followed = count > 1;
  parts[0].buffer = &buffers.output[0];
  // How each part is encoded, by the thread that takes it; the thread's
  // band of rows or table of blocks made when first needed (so that a run
  // by blocks alone never holds a band).
  const bool downSampled = !table.grey && settings.sampling != 444;
  auto choose = [&](Part& part, int w) {
    part.byBlocks = settings.transform == JpegTransform::Blocks ||
                    (settings.transform == JpegTransform::Faster && MostlyOneColourBlocks(page, part.firstRow, part.rows));
    if (part.byBlocks && !ReadyBlocks(buffers.blocks[w], downSampled, page.Width())) part.byBlocks = false;
    part.blocks = buffers.blocks[w].get();
    if (!part.byBlocks && buffers.bands[w].size() < bandWords) {
      try {
        buffers.bands[w].resize(bandWords);
      } catch (const std::bad_alloc&) {
        std::snprintf(part.message, sizeof part.message, "out of memory");
        return false;
      }
    }
    part.band = reinterpret_cast<uint8_t*>(buffers.bands[w].data());
    return true;
  };
  std::atomic<int> next{1};
  std::atomic<bool> failed{false};
  size_t spilled[2] = {0, 0};
  auto work = [&](int w) {
    for (int i = next++; i < count && !failed; i = next++) {
      Part& part = parts[size_t(i)];
      part.worker = w;
      part.descriptor = spill[w];
      part.base = spilled[w];
      part.buffer = &buffers.output[w];
      if (choose(part, w)) EncodePart(page, settings, table, part);
      spilled[w] += part.written;
      if (!part.ok) failed = true;
    }
  };
  std::thread second;
  if (count > 1) {
    try {
      second = std::thread(work, 1);
    } catch (const std::system_error&) {
      // No thread to be had: this one takes every part.
    }
  }
  if (choose(parts[0], 0)) EncodePart(page, settings, table, parts[0]);
  if (!parts[0].ok) failed = true;
  work(0);
  if (second.joinable()) second.join();
  buffers.blockParts = 0;
  for (int i = 0; i < count; ++i) buffers.blockParts += parts[size_t(i)].byBlocks ? 1 : 0;
  for (int i = 0; i < count; ++i) {
    if (!parts[size_t(i)].ok) {
      error = std::string("JPEG: ") + (parts[size_t(i)].message[0] != '\0' ? parts[size_t(i)].message : "a part of the page was not encoded");
      return false;
    }
  }
  // Each further part's scan data follows the restart marker that ends the
  // block row before it; all but the last without their end marker.
  if (count > 1 && std::fflush(file.stream()) != 0) {
    error = "JPEG: cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  for (int i = 1; i < count; ++i) {
    const Part& part = parts[size_t(i)];
    if (part.scanStart == 0 || part.written < part.scanStart + 2) {
      error = "JPEG: a part of the page has no scan";
      return false;
    }
    const int restart = (part.firstRow / blockRowHeight - 1) % kRestartCycle;
    const uint8_t marker[2] = {0xFF, uint8_t(0xD0 + restart)};
    const size_t end = part.written - (i + 1 < count ? 2 : 0);
    if (!WriteAll(::fileno(file.stream()), marker, 2) ||
        !CopyInto(::fileno(file.stream()), spill[part.worker], part.base + part.scanStart, end - part.scanStart)) {
      error = "JPEG: cannot write " + path + ": " + std::strerror(errno);
      return false;
    }
  }
  if (!file.Commit()) {
    error = "JPEG: cannot write " + path + ": " + std::strerror(file.error());
    return false;
  }
  return true;
}

}  // namespace kestrel
