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

// Distinct blocks (JpegTransform::Blocks). A block of a component is an 8 x 8 block of samples: of
// the page's own pixels for luminance (and every component at 444), of 16 x 8
// or 16 x 16 pixels averaged for the colour at 422 or 420. Its coefficients
// depend only on the palette indexes of those pixels, so a block whose
// pixels are all one index is known from the palette alone, and the
// coefficients of any other are kept, by the hash of its pixels and where
// they are on the page, and reused where the same pixels come again (fills,
// hatch tiles anchored at the page's origin as blocks are, rules).
// The arithmetic is the encoder's own (its integer colour conversion,
// down-sampling with its alternating rounding, accurate integer DCT and
// rounded quantisation), so the coefficients, and the file, are the ones the
// encoder computes from the rows.

// Slots of a thread's tables of transformed blocks: of the luminance block
// (with the two colour blocks where they are not down-sampled), and of the
// two down-sampled colour blocks. Fixed, so memory does not grow with the
// page.
constexpr size_t kSlots[2] = {256, 128};
// Slots looked at for a block.
constexpr size_t kProbes = 4;

struct CoefficientBlock {
  JCOEF c[DCTSIZE2];
};
static_assert(sizeof(CoefficientBlock) == sizeof(JBLOCK));
constexpr CoefficientBlock kZeroBlock{};

struct KeptBlock {
  uint64_t hash = 0;
  uint32_t page = 0;            // the page it was transformed on (JpegBlockCache::page)
  const uint8_t* at = nullptr;  // its pixels on that page
};

}  // namespace

struct JpegBlockCache {
  uint32_t page = 1;
  std::vector<KeptBlock> kept[2];
  std::vector<CoefficientBlock> blocks[2];  // kMembers a slot
  // A row of MCUs' block rows of each component, handed to the encoder as
  // it asks.
  std::vector<CoefficientBlock> rows;
};

JpegBuffers::JpegBuffers() = default;
JpegBuffers::~JpegBuffers() = default;

namespace {

constexpr int kMembers = 3;

// A new page for a thread's table: what it kept from the last is stale.
void StartPage(JpegBlockCache& cache) {
  if (++cache.page == 0) {
    for (auto& table : cache.kept)
      for (KeptBlock& k : table) k.page = 0;
    cache.page = 1;
  }
}

// The encoder's conversion of RGB to YCbCr (16-bit fixed point, rounded;
// the colour differences a hair under one half, so that none reaches 256).
void ToYcc(Colour c, uint8_t out[3]) {
  constexpr int kScale = 16;
  constexpr int32_t kHalf = int32_t(1) << (kScale - 1);
  constexpr int32_t kCentre = int32_t(128) << kScale;
  auto fix = [](double x) { return int32_t(x * (1 << kScale) + 0.5); };
  const int32_t r = c.r(), g = c.g(), b = c.b();
  out[0] = uint8_t((fix(0.29900) * r + fix(0.58700) * g + fix(0.11400) * b + kHalf) >> kScale);
  out[1] = uint8_t((-fix(0.16874) * r - fix(0.33126) * g + fix(0.50000) * b + kCentre + kHalf - 1) >> kScale);
  out[2] = uint8_t((fix(0.50000) * r - fix(0.41869) * g - fix(0.08131) * b + kCentre + kHalf - 1) >> kScale);
}

// Eight lanes of 32-bit integers and of floats: a row of a block at once
// (compiled to the machine's vector instructions where it has them).
typedef int32_t Lanes __attribute__((vector_size(32)));
typedef float FloatLanes __attribute__((vector_size(32)));
typedef int16_t ShortLanes __attribute__((vector_size(16)));

// One pass of the encoder's accurate integer forward DCT (13-bit
// constants, two extra bits between the passes; output scaled up by 8)
// over the eight lanes of d[0..7] at once.
template <bool kFirst>
[[gnu::always_inline]] inline void DctPass(Lanes* d) {
  constexpr int kConstBits = 13, kPass1Bits = 2;
  constexpr int kShift = kFirst ? kConstBits - kPass1Bits : kConstBits + kPass1Bits;
  constexpr int32_t kRound = int32_t(1) << (kShift - 1);
  constexpr int32_t k0_298631336 = 2446, k0_390180644 = 3196, k0_541196100 = 4433, k0_765366865 = 6270,
                    k0_899976223 = 7373, k1_175875602 = 9633, k1_501321110 = 12299, k1_847759065 = 15137,
                    k1_961570560 = 16069, k2_053119869 = 16819, k2_562915447 = 20995, k3_072711026 = 25172;
  const Lanes tmp0 = d[0] + d[7], tmp7 = d[0] - d[7];
  const Lanes tmp1 = d[1] + d[6], tmp6 = d[1] - d[6];
  const Lanes tmp2 = d[2] + d[5], tmp5 = d[2] - d[5];
  const Lanes tmp3 = d[3] + d[4], tmp4 = d[3] - d[4];
  const Lanes tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3, tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
  if constexpr (kFirst) {
    d[0] = (tmp10 + tmp11) * (1 << kPass1Bits);
    d[4] = (tmp10 - tmp11) * (1 << kPass1Bits);
  } else {
    d[0] = (tmp10 + tmp11 + (1 << (kPass1Bits - 1))) >> kPass1Bits;
    d[4] = (tmp10 - tmp11 + (1 << (kPass1Bits - 1))) >> kPass1Bits;
  }
  const Lanes e = (tmp12 + tmp13) * k0_541196100;
  d[2] = (e + tmp13 * k0_765366865 + kRound) >> kShift;
  d[6] = (e - tmp12 * k1_847759065 + kRound) >> kShift;
  const Lanes z5 = (tmp4 + tmp6 + tmp5 + tmp7) * k1_175875602;
  const Lanes z1 = (tmp4 + tmp7) * -k0_899976223;
  const Lanes z2 = (tmp5 + tmp6) * -k2_562915447;
  const Lanes z3 = (tmp4 + tmp6) * -k1_961570560 + z5;
  const Lanes z4 = (tmp5 + tmp7) * -k0_390180644 + z5;
  d[7] = (tmp4 * k0_298631336 + z1 + z3 + kRound) >> kShift;
  d[5] = (tmp5 * k2_053119869 + z2 + z4 + kRound) >> kShift;
  d[3] = (tmp6 * k3_072711026 + z2 + z3 + kRound) >> kShift;
  d[1] = (tmp7 * k1_501321110 + z1 + z4 + kRound) >> kShift;
}

// Swaps rows and columns of the 8 x 8 lanes: pairs of lanes, then pairs of
// pairs, then halves.
[[gnu::always_inline]] inline void Transpose(Lanes* d) {
  Lanes t[DCTSIZE], u[DCTSIZE];
  for (int i = 0; i < DCTSIZE; i += 2) {
    t[i] = __builtin_shufflevector(d[i], d[i + 1], 0, 8, 1, 9, 4, 12, 5, 13);
    t[i + 1] = __builtin_shufflevector(d[i], d[i + 1], 2, 10, 3, 11, 6, 14, 7, 15);
  }
  for (int i = 0; i < DCTSIZE; i += 4)
    for (int k = 0; k < 2; ++k) {
      u[i + 2 * k] = __builtin_shufflevector(t[i + k], t[i + k + 2], 0, 1, 8, 9, 4, 5, 12, 13);
      u[i + 2 * k + 1] = __builtin_shufflevector(t[i + k], t[i + k + 2], 2, 3, 10, 11, 6, 7, 14, 15);
    }
  for (int i = 0; i < 4; ++i) {
    d[i] = __builtin_shufflevector(u[i], u[i + 4], 0, 1, 2, 3, 8, 9, 10, 11);
    d[i + 4] = __builtin_shufflevector(u[i], u[i + 4], 4, 5, 6, 7, 12, 13, 14, 15);
  }
}

// The components whose blocks cover the same pixels: the luminance (with
// the colour where it is not down-sampled) and the down-sampled colour.
struct Group {
  int members[kMembers];
  int count;
  int across, down;        // pixels a sample spans
  JDIMENSION doneRow;      // the block row last computed (from the encoder's start row)
};

// What the encoder asks of one part for its coefficients: the part's rows
// of the page, its groups of components, and for each component its
// samples by palette index, its quantisation and the coefficients of a one
// colour block.
struct BlockFeed {
  const uint8_t* base;  // the page's first row
  size_t stride;
  int firstRow, rows, width;
  int components, groups;
  int groupOf[3];
  Group group[2];
  uint8_t level[3][256];
  JCOEF flatDc[3][256];
  uint32_t reciprocal[3][DCTSIZE2];  // 2^32 / divisor + 1
  uint32_t halfDivisor[3][DCTSIZE2];
  Lanes half[3][DCTSIZE];             // the same by rows of lanes
  FloatLanes divisor[3][DCTSIZE], inverse[3][DCTSIZE];
  JpegBlockCache* cache;
  JBLOCKROW rowPointers[3][2];
  int tag[3];  // their addresses are the encoder's handles of the components
  void (*transform)(const BlockFeed&, int, const uint8_t*, CoefficientBlock&);
};

// Samples to coefficients: level shift, DCT, quantisation (rounded to the
// nearest, as the encoder does: the divisor is the table's value times the
// DCT's scale of 8). The quotient of magnitudes below 2^16 is estimated in
// floats (exact integers there) and corrected to the exact one.
[[gnu::always_inline]] inline void TransformLanes(const BlockFeed& feed, int c, const uint8_t samples[DCTSIZE2],
                                                  CoefficientBlock& out) {
  // Rows of the block across the lanes, turned so that the first pass runs
  // along the rows; turned back for the second to run down the columns.
  typedef uint8_t Bytes __attribute__((vector_size(8)));
  Lanes d[DCTSIZE];
  for (int j = 0; j < DCTSIZE; ++j) {
    Bytes row;
    std::memcpy(&row, samples + j * DCTSIZE, sizeof row);
    d[j] = __builtin_convertvector(row, Lanes) - 128;
  }
  Transpose(d);
  DctPass<true>(d);
  Transpose(d);
  DctPass<false>(d);
  for (int v = 0; v < DCTSIZE; ++v) {
    const Lanes sign = d[v] >> 31;
    const Lanes magnitude = ((d[v] ^ sign) - sign) + feed.half[c][v];
    const FloatLanes n = __builtin_convertvector(magnitude, FloatLanes);
    Lanes q = __builtin_convertvector(n * feed.inverse[c][v], Lanes);
    const FloatLanes rest = n - __builtin_convertvector(q, FloatLanes) * feed.divisor[c][v];
    q -= rest >= feed.divisor[c][v];  // a comparison's lanes are -1 where true
    q += rest < 0;
    const ShortLanes row = __builtin_convertvector((q ^ sign) - sign, ShortLanes);
    std::memcpy(out.c + v * DCTSIZE, &row, sizeof row);
  }
}

// The same, compiled for the machine's own vector instructions where it
// has AVX2 (eight lanes at once), and for any x86-64 (or other) machine.
#if defined(__x86_64__) && defined(__GNUC__)
[[gnu::target("avx2")]] void TransformAvx2(const BlockFeed& feed, int c, const uint8_t samples[DCTSIZE2],
                                           CoefficientBlock& out) {
  TransformLanes(feed, c, samples, out);
}
#endif
void TransformAny(const BlockFeed& feed, int c, const uint8_t samples[DCTSIZE2], CoefficientBlock& out) {
  TransformLanes(feed, c, samples, out);
}

void Transform(const BlockFeed& feed, int c, const uint8_t samples[DCTSIZE2], CoefficientBlock& out) {
  feed.transform(feed, c, samples, out);
}

// The coefficients of component c from its block's pixels (p[j] the j-th
// pixel row of the block's area), down-sampled as the encoder does: the
// mean of two or four pixels, rounded up and down in turn along a row.
void TransformPixels(const BlockFeed& feed, const Group& g, int c, const uint8_t* const* p, CoefficientBlock& out) {
  const uint8_t* level = feed.level[c];
  uint8_t s[DCTSIZE2];
  for (int j = 0; j < DCTSIZE; ++j) {
    uint8_t* o = s + j * DCTSIZE;
    if (g.across == 1) {
      for (int i = 0; i < DCTSIZE; ++i) o[i] = level[p[j][i]];
    } else if (g.down == 1) {
      const uint8_t* r = p[j];
      for (int i = 0; i < DCTSIZE; ++i) o[i] = uint8_t((level[r[2 * i]] + level[r[2 * i + 1]] + (i & 1)) >> 1);
    } else {
      const uint8_t* r0 = p[2 * j];
      const uint8_t* r1 = p[2 * j + 1];
      for (int i = 0; i < DCTSIZE; ++i)
        o[i] = uint8_t((level[r0[2 * i]] + level[r0[2 * i + 1]] + level[r1[2 * i]] + level[r1[2 * i + 1]] + 1 +
                        (i & 1)) >> 2);
    }
  }
  // Samples of one value (the colour of black on white, say) have no
  // frequencies but the first: the DCT of v is 64 (v - 128) there.
  const uint64_t first8 = 0x0101010101010101ull * s[0];
  uint64_t other = 0;
  for (int k = 0; k < DCTSIZE2; k += 8) {
    uint64_t word;
    std::memcpy(&word, s + k, 8);
    other |= word ^ first8;
  }
  if (other == 0) {
    std::memcpy(&out, &kZeroBlock, sizeof out);
    const int32_t dc = 64 * (int32_t(s[0]) - 128);
    const uint32_t magnitude = uint32_t(dc < 0 ? -dc : dc) + feed.halfDivisor[c][0];
    const auto q = JCOEF((uint64_t(magnitude) * feed.reciprocal[c][0]) >> 32);
    out.c[0] = dc < 0 ? JCOEF(-q) : q;
    return;
  }
  Transform(feed, c, s, out);
}

// Block row by of a group: every member's blocks across the part.
void GroupRow(const BlockFeed& feed, const Group& g, const jpeg_component_info& first, int by, int r) {
  const int areaWidth = DCTSIZE * g.across, areaHeight = DCTSIZE * g.down;
  const int y0 = by * areaHeight;
  // Below the part the encoder repeats its last row, past the page's right
  // edge its last column.
  const uint8_t* line[2 * DCTSIZE];
  for (int j = 0; j < 2 * DCTSIZE; ++j)
    line[j] = feed.base + size_t(feed.firstRow + std::min(y0 + std::min(j, areaHeight - 1), feed.rows - 1)) * feed.stride;
  const bool clipped = y0 + areaHeight > feed.rows;  // rows repeated: not kept
  std::vector<KeptBlock>& table = feed.cache->kept[g.members[0] == 0 ? 0 : 1];
  CoefficientBlock* kept = feed.cache->blocks[g.members[0] == 0 ? 0 : 1].data();
  const size_t mask = table.size() - 1;
  const uint32_t page = feed.cache->page;
  const uint64_t salt = uint64_t(g.members[0]) + 1;
  CoefficientBlock* out[kMembers];
  for (int m = 0; m < g.count; ++m) out[m] = reinterpret_cast<CoefficientBlock*>(feed.rowPointers[g.members[m]][r]);
  for (JDIMENSION bx = 0; bx < first.width_in_blocks; ++bx) {
    const int x0 = int(bx) * areaWidth;
    const uint8_t* p[2 * DCTSIZE];
    uint8_t edge[2 * DCTSIZE][2 * DCTSIZE];
    const bool inside = x0 + areaWidth <= feed.width;
    if (inside) {
      for (int j = 0; j < 2 * DCTSIZE; ++j) p[j] = line[j] + x0;
    } else {
      for (int j = 0; j < 2 * DCTSIZE; ++j) {
        for (int i = 0; i < areaWidth; ++i) edge[j][i] = line[j][std::min(x0 + i, feed.width - 1)];
        p[j] = edge[j];
      }
    }
    // One colour: the palette's blocks. Else the hash of the pixels.
    const uint64_t first8 = 0x0101010101010101ull * p[0][0];
    uint64_t other = 0, hash = salt;
    for (int j = 0; j < areaHeight; ++j)
      for (int i = 0; i < areaWidth; i += 8) {
        uint64_t word;
        std::memcpy(&word, p[j] + i, 8);
        other |= word ^ first8;
        hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
      }
    if (other == 0) {
      for (int m = 0; m < g.count; ++m) {
        std::memcpy(&out[m][bx], &kZeroBlock, sizeof kZeroBlock);
        out[m][bx].c[0] = feed.flatDc[g.members[m]][p[0][0]];
      }
      continue;
    }
    if (!inside || clipped) {
      for (int m = 0; m < g.count; ++m) TransformPixels(feed, g, g.members[m], p, out[m][bx]);
      continue;
    }
    hash ^= hash >> 29;
    size_t vacant = kSlots[0];
    bool found = false;
    for (size_t probe = 0; probe < kProbes && !found; ++probe) {
      const size_t slot = (size_t(hash) + probe) & mask;
      const KeptBlock& k = table[slot];
      if (k.page != page) {
        if (vacant == kSlots[0]) vacant = slot;
        continue;
      }
      if (k.hash != hash) continue;
      bool same = true;
      for (int j = 0; j < areaHeight && same; ++j)
        same = std::memcmp(k.at + size_t(j) * feed.stride, p[j], size_t(areaWidth)) == 0;
      if (same) {
        for (int m = 0; m < g.count; ++m) out[m][bx] = kept[slot * kMembers + size_t(m)];
        found = true;
      }
    }
    if (found) continue;
    for (int m = 0; m < g.count; ++m) TransformPixels(feed, g, g.members[m], p, out[m][bx]);
    // Kept in a free slot, else in place of the first slot's blocks: repeats
    // come close together (along a rule, down a fill), so the newest is kept.
    if (vacant == kSlots[0]) vacant = size_t(hash) & mask;
    table[vacant] = KeptBlock{hash, page, p[0]};
    for (int m = 0; m < g.count; ++m) kept[vacant * kMembers + size_t(m)] = out[m][bx];
  }
}

// The encoder's access to a component's coefficients, a row of MCUs at a
// time and in order: the rows asked for, transformed (mostly: looked up)
// into the thread's buffer for every component of its group at once.
JBLOCKARRAY FeedRows(j_common_ptr common, jvirt_barray_ptr handle, JDIMENSION startRow, JDIMENSION count,
                     boolean) {
  auto* cinfo = reinterpret_cast<j_compress_ptr>(common);
  auto* feed = static_cast<BlockFeed*>(common->client_data);
  const int c = int(reinterpret_cast<int*>(handle) - feed->tag);
  Group& g = feed->group[feed->groupOf[c]];
  if (g.doneRow != startRow) {
    const jpeg_component_info& first = cinfo->comp_info[g.members[0]];
    for (JDIMENSION r = 0; r < count && r < 2; ++r)
      if (startRow + r < first.height_in_blocks)  // below the part: never read
        GroupRow(*feed, g, first, int(startRow + r), int(r));
    g.doneRow = startRow;
  }
  return feed->rowPointers[c];
}

// Readies the feed of a part whose compressor has its parameters set.
void PrepareFeed(j_compress_ptr cinfo, const RasterCanvas& page, const Part& part, bool grey, JpegBlockCache& cache,
                 BlockFeed& feed) {
#if defined(__x86_64__) && defined(__GNUC__)
  feed.transform = __builtin_cpu_supports("avx2") ? TransformAvx2 : TransformAny;
#else
  feed.transform = TransformAny;
#endif
  feed.base = page.Row(0);
  feed.stride = size_t(page.Width());
  feed.firstRow = part.firstRow;
  feed.rows = part.rows;
  feed.width = page.Width();
  feed.components = cinfo->num_components;
  feed.cache = &cache;
  feed.groups = 0;
  int maxH = 1, maxV = 1;
  for (int c = 0; c < feed.components; ++c) {
    maxH = std::max(maxH, cinfo->comp_info[c].h_samp_factor);
    maxV = std::max(maxV, cinfo->comp_info[c].v_samp_factor);
  }
  const size_t blocksAcross = (size_t(page.Width()) + DCTSIZE - 1) / DCTSIZE;
  int usedRows = 0;
  for (int c = 0; c < feed.components; ++c) {
    const jpeg_component_info& component = cinfo->comp_info[c];
    const int across = maxH / component.h_samp_factor, down = maxV / component.v_samp_factor;
    int g = 0;
    while (g < feed.groups && (feed.group[g].across != across || feed.group[g].down != down)) ++g;
    if (g == feed.groups) feed.group[feed.groups++] = Group{{}, 0, across, down, JDIMENSION(-1)};
    feed.group[g].members[feed.group[g].count++] = c;
    feed.groupOf[c] = g;
    // The block rows of a row of MCUs (two of luminance at 420), one after
    // the other.
    for (int r = 0; r < 2; ++r)
      feed.rowPointers[c][r] = reinterpret_cast<JBLOCKROW>(
          cache.rows.data() + size_t(usedRows + std::min(r, component.v_samp_factor - 1)) * blocksAcross);
    usedRows += component.v_samp_factor;
    const UINT16* quant = cinfo->quant_tbl_ptrs[component.quant_tbl_no]->quantval;
    for (int k = 0; k < DCTSIZE2; ++k) {
      const uint32_t divisor = uint32_t(quant[k]) * 8;
      feed.reciprocal[c][k] = uint32_t((uint64_t(1) << 32) / divisor + 1);
      feed.halfDivisor[c][k] = divisor / 2;
      feed.half[c][k / DCTSIZE][k % DCTSIZE] = int32_t(divisor / 2);
      feed.divisor[c][k / DCTSIZE][k % DCTSIZE] = float(divisor);
      feed.inverse[c][k / DCTSIZE][k % DCTSIZE] = 1.0f / float(divisor);
    }
  }
  for (int i = 0; i < 256; ++i) {
    const Colour colour = page.palette()[size_t(i)];
    uint8_t ycc[3];
    ToYcc(colour, ycc);
    if (grey) ycc[0] = colour.r();
    for (int c = 0; c < feed.components; ++c) feed.level[c][i] = ycc[c];
  }
  for (int c = 0; c < feed.components; ++c) {
    for (int i = 0; i < 256; ++i) {
      if (i >= page.paletteSize() && i > 0) {
        feed.flatDc[c][i] = feed.flatDc[c][0];
        continue;
      }
      uint8_t samples[DCTSIZE2];
      std::memset(samples, feed.level[c][i], sizeof samples);
      CoefficientBlock block;
      Transform(feed, c, samples, block);
      feed.flatDc[c][i] = block.c[0];
    }
  }
}

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

// Whether transforming the distinct blocks of a part is the faster way: when
// at least a third of its 8 x 8 blocks are of one colour, judged from every
// fourth row of blocks. (Measured on two pages, the whole page encoded each
// way: a dense form with 18 % of its blocks of one colour and half of the
// others distinct took 1.1 to 1.2 times the time by blocks, the sample invoice
// with 73 % 0.4 times.)
bool MostlyOneColourBlocks(const RasterCanvas& page, const Part& part) {
  const int across = page.Width() / DCTSIZE;
  long flat = 0, seen = 0;
  for (int y = 0; y + DCTSIZE <= part.rows; y += 4 * DCTSIZE) {
    const uint8_t* top = page.Row(part.firstRow + y);
    const size_t stride = size_t(page.Width());
    for (int bx = 0; bx < across; ++bx) {
      const uint8_t* p = top + bx * DCTSIZE;
      const uint64_t first = 0x0101010101010101ull * p[0];
      uint64_t other = 0;
      for (int j = 0; j < DCTSIZE; ++j) {
        uint64_t word;
        std::memcpy(&word, p + size_t(j) * stride, 8);
        other |= word ^ first;
      }
      flat += other == 0 ? 1 : 0;
      ++seen;
    }
  }
  return seen > 0 && flat * 3 >= seen;
}

// Readies a thread's table for a part encoded by blocks, made when first
// needed (the second table only where colour is down-sampled); false where
// the memory cannot be had.
bool ReadyBlocks(std::unique_ptr<JpegBlockCache>& cache, bool downSampled, int width) {
  try {
    if (!cache) cache = std::make_unique<JpegBlockCache>();
    for (int g = 0; g < (downSampled ? 2 : 1); ++g)
      if (cache->kept[g].empty()) {
        cache->kept[g].resize(kSlots[g]);
        cache->blocks[g].resize(kSlots[g] * kMembers);
      }
    const size_t rows = size_t(downSampled ? 2 + 1 + 1 : 3) * ((size_t(width) + DCTSIZE - 1) / DCTSIZE);
    if (cache->rows.size() < rows) cache->rows.resize(rows);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
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
    BlockFeed feed;
    PrepareFeed(&cinfo, page, part, grey, *part.blocks, feed);
    cinfo.client_data = &feed;
    cinfo.mem->access_virt_barray = FeedRows;
    jvirt_barray_ptr handles[3];
    for (int c = 0; c < 3; ++c) handles[c] = reinterpret_cast<jvirt_barray_ptr>(&feed.tag[c]);
    jpeg_write_coefficients(&cinfo, handles);
    jpeg_finish_compress(&cinfo);
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
    if (buffers.blocks[w]) StartPage(*buffers.blocks[w]);
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
                    (settings.transform == JpegTransform::Faster && MostlyOneColourBlocks(page, part));
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
