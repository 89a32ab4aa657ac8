// The JPEG writer's way by distinct blocks (JpegTransform::Blocks): a
// part of a page handed to libjpeg-turbo as coefficients, each distinct
// 8 x 8 block transformed once and a block of one colour known from the
// palette, the file the same bytes as the rows through the encoder's own
// transform give. The rest of the writer is raster_page_image.cpp.
#pragma once

#include <cstdio>
#include <memory>

#include <jpeglib.h>

#include "platform/raster/raster_canvas.h"
#include "platform/raster/raster_page_image.h"

namespace kestrel {

// A new page for a thread's table: what it kept from the last is stale.
void StartBlockPage(JpegBlockCache& cache);

// Readies a thread's table for a part encoded by blocks, made when first
// needed (the second table only where colour is down-sampled); false where
// the memory cannot be had.
bool ReadyBlocks(std::unique_ptr<JpegBlockCache>& cache, bool downSampled, int width);

// Whether transforming the distinct blocks of rows [firstRow, firstRow +
// rows) is the faster way (mostly blocks of one colour).
bool MostlyOneColourBlocks(const RasterCanvas& page, int firstRow, int rows);

// Encodes rows [firstRow, firstRow + rows) of page through cinfo, whose
// parameters are set, by blocks, to the end of its compression. libjpeg's
// errors jump out of here as out of the rows' encoding.
void WriteCoefficients(j_compress_ptr cinfo, const RasterCanvas& page, int firstRow, int rows, bool grey,
                       JpegBlockCache& cache);

}  // namespace kestrel
