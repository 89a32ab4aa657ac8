#include "platform/raster/jpeg_blocks.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrel {

namespace {

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
void PrepareFeed(j_compress_ptr cinfo, const RasterCanvas& page, int firstRow, int rows, bool grey,
                 JpegBlockCache& cache, BlockFeed& feed) {
#if defined(__x86_64__) && defined(__GNUC__)
  feed.transform = __builtin_cpu_supports("avx2") ? TransformAvx2 : TransformAny;
#else
  feed.transform = TransformAny;
#endif
  feed.base = page.Row(0);
  feed.stride = size_t(page.Width());
  feed.firstRow = firstRow;
  feed.rows = rows;
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

}  // namespace

void StartBlockPage(JpegBlockCache& cache) {
  if (++cache.page == 0) {
    for (auto& table : cache.kept)
      for (KeptBlock& k : table) k.page = 0;
    cache.page = 1;
  }
}

void WriteCoefficients(j_compress_ptr cinfo, const RasterCanvas& page, int firstRow, int rows, bool grey,
                       JpegBlockCache& cache) {
  BlockFeed feed;
  PrepareFeed(cinfo, page, firstRow, rows, grey, cache, feed);
  cinfo->client_data = &feed;
  cinfo->mem->access_virt_barray = FeedRows;
  jvirt_barray_ptr handles[3];
  for (int c = 0; c < 3; ++c) handles[c] = reinterpret_cast<jvirt_barray_ptr>(&feed.tag[c]);
  jpeg_write_coefficients(cinfo, handles);
  jpeg_finish_compress(cinfo);
}

// Whether transforming the distinct blocks of a part is the faster way: when
// at least a third of its 8 x 8 blocks are of one colour, judged from every
// fourth row of blocks. (Measured on two pages, the whole page encoded each
// way: a dense form with 18 % of its blocks of one colour and half of the
// others distinct took 1.1 to 1.2 times the time by blocks, the sample invoice
// with 73 % 0.4 times.)
bool MostlyOneColourBlocks(const RasterCanvas& page, int firstRow, int rows) {
  const int across = page.Width() / DCTSIZE;
  long flat = 0, seen = 0;
  for (int y = 0; y + DCTSIZE <= rows; y += 4 * DCTSIZE) {
    const uint8_t* top = page.Row(firstRow + y);
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

}  // namespace kestrel
