// Bilinear demosaicing of 16-bit RGGB frames into 16-bit colour.
//
// One rule fills every pixel: a missing colour is the mean of the nearest
// samples of that colour (four edge neighbours for G, the two on the line
// that carries R or B at a G site, the four diagonals for R/B at B/R
// sites), shifts truncating. At the borders the frame is mirrored without
// repeating the edge, which is the same as averaging the neighbours that
// exist with the one opposite a missing edge neighbour counted twice.
//
// The border routines evaluate that rule through mirrored indices; the body
// routine evaluates it one 2x2 block at a time with fixed offsets (the plain
// path, built everywhere), or through the vector variant of the instruction
// set chosen at run time (its kernel table entry).
#include "tav_kernels16.h"

#include <stddef.h>

#include "kernels/bilinear16/anyOrder.h"
#include "kernels/bilinear16/vectorBody.h"
#include "kernels/samples16.h"
#include "simd/kernelTable.h"
#include "sizeCheck.h"

namespace {

// Where the three colours of a pixel go.
template <int RChannel, int BChannel>
struct InterleavedSink {
    uint16_t* destination;
    void put(ptrdiff_t pixel, uint32_t r, uint32_t g, uint32_t b) const {
        uint16_t* p = destination + 3 * pixel;
        p[RChannel] = (uint16_t)r;
        p[1] = (uint16_t)g;
        p[BChannel] = (uint16_t)b;
    }
    tav::bilinear16::BodyOutput vectorOutput() const {
        const tav::bilinear16::BodyOutput o = {RChannel == 0 ? tav::bilinear16::Layout::Rgb
                                                             : tav::bilinear16::Layout::Bgr,
                                               destination, nullptr, nullptr, nullptr};
        return o;
    }
};
typedef InterleavedSink<2, 0> BgrSink;
typedef InterleavedSink<0, 2> RgbSink;

struct PlanarSink {
    uint16_t* bPlane;
    uint16_t* gPlane;
    uint16_t* rPlane;
    void put(ptrdiff_t pixel, uint32_t r, uint32_t g, uint32_t b) const {
        rPlane[pixel] = (uint16_t)r;
        gPlane[pixel] = (uint16_t)g;
        bPlane[pixel] = (uint16_t)b;
    }
    tav::bilinear16::BodyOutput vectorOutput() const {
        const tav::bilinear16::BodyOutput o = {tav::bilinear16::Layout::Planar, nullptr, bPlane, gPlane, rPlane};
        return o;
    }
};

bool validFrame(int32_t height, int32_t width) {
    return height >= 4 && width >= 4 && tav::countFits(height, width, 3);
}

// Columns 1..endColumn-1 are covered by the body's column pairs.
int32_t bodyEndColumn(int32_t width) { return ((width - 4) & ~1) + 3; }
int32_t bodyEndRow(int32_t height) { return height - 1 - (height & 1); }

// A Bayer order as the place of its red site in each 2x2 cell: row and
// column 0 or 1 (RG: 0, 0; GR: 0, 1; GB: 1, 0; BG: 1, 1).
struct RedSite {
    int32_t row, column;
};

// The rule at one pixel, any position, borders mirrored.
template <class Sink>
void interpolatePixel(const uint16_t* source, int32_t height, int32_t width, int32_t row, int32_t column,
                      const Sink& sink) {
    int32_t rows[3], cols[3];
    for (int32_t k = 0; k < 3; ++k) {
        rows[k] = tav::mirrorIndex(row - 1 + k, height);
        cols[k] = tav::mirrorIndex(column - 1 + k, width);
    }
    // at(dy, dx) for dy, dx in -1..1
    auto at = [&](int32_t dy, int32_t dx) -> uint32_t {
        return source[(ptrdiff_t)rows[dy + 1] * width + cols[dx + 1]];
    };
    const uint32_t own = at(0, 0);
    const uint32_t cross = (at(-1, 0) + at(1, 0) + at(0, -1) + at(0, 1)) >> 2;
    const uint32_t diagonal = (at(-1, -1) + at(-1, 1) + at(1, -1) + at(1, 1)) >> 2;
    const uint32_t horizontal = (at(0, -1) + at(0, 1)) >> 1;
    const uint32_t vertical = (at(-1, 0) + at(1, 0)) >> 1;
    const ptrdiff_t pixel = (ptrdiff_t)row * width + column;
    const bool evenRow = (row & 1) == 0, evenColumn = (column & 1) == 0;
    if (evenRow && evenColumn) {
        sink.put(pixel, own, cross, diagonal);  // R site
    } else if (!evenRow && !evenColumn) {
        sink.put(pixel, diagonal, cross, own);  // B site
    } else if (evenRow) {
        sink.put(pixel, horizontal, own, vertical);  // G on an R row
    } else {
        sink.put(pixel, vertical, own, horizontal);  // G on a B row
    }
}

template <class Sink>
void firstRows(const uint16_t* source, int32_t width, const Sink& sink) {
    // Row 0 only needs row 1 below it, whatever the height.
    for (int32_t c = 0; c < width; ++c) interpolatePixel(source, 4, width, 0, c, sink);
}

template <class Sink>
void firstCols(const uint16_t* source, int32_t height, int32_t width, const Sink& sink) {
    for (int32_t r = 1; r < height; ++r) interpolatePixel(source, height, width, r, 0, sink);
}

// The body through the vector block of the active instruction set; false
// when the plain body is to run.
bool vectorBody(const uint16_t* source, int32_t height, int32_t width, ptrdiff_t stride,
                const tav::bilinear16::BodyOutput& output) {
    const auto vector = tav::simd::kernels().bilinear16Body;
    return vector != nullptr && vector(source, height, width, stride, output);
}

// Row pairs from row 1, column pairs from column 1; each step is one block
// with a B site at its top left, G right of and below it, R diagonal. The
// two rows of the blocks are swept separately, which keeps each sweep's
// accesses few and regular. Source rows and output rows are `stride` apart
// (the frame itself, or a window of a wider one).
template <class Sink>
TavBodyExtent body(const uint16_t* source, int32_t height, int32_t width, ptrdiff_t stride, const Sink& sink) {
    TavBodyExtent extent = {bodyEndColumn(width), bodyEndRow(height)};
    if (vectorBody(source, height, width, stride, sink.vectorOutput())) return extent;
    const ptrdiff_t w = stride;
    const int32_t pairs = ((width - 4) >> 1) + 1;
    for (int32_t r = 1; r < height - 2; r += 2) {
        const uint16_t* blueRow = source + r * w + 1;
        const ptrdiff_t bluePixel = r * w + 1;
        TAV_INDEPENDENT_ITERATIONS
        for (int32_t k = 0; k < pairs; ++k) {
            // B site (r, c), then the G site (r, c + 1): B left/right, R above/below
            const uint16_t* s = blueRow + 2 * k;
            sink.put(bluePixel + 2 * k, (uint32_t)(s[-w - 1] + s[-w + 1] + s[w - 1] + s[w + 1]) >> 2,
                     (uint32_t)(s[-w] + s[w] + s[-1] + s[1]) >> 2, s[0]);
            const uint16_t* t = s + 1;
            sink.put(bluePixel + 2 * k + 1, (uint32_t)(t[-w] + t[w]) >> 1, t[0], (uint32_t)(t[-1] + t[1]) >> 1);
        }
        const uint16_t* redRow = blueRow + w;
        const ptrdiff_t redPixel = bluePixel + w;
        TAV_INDEPENDENT_ITERATIONS
        for (int32_t k = 0; k < pairs; ++k) {
            // G site (r + 1, c): R left/right, B above/below; then the R site
            const uint16_t* u = redRow + 2 * k;
            sink.put(redPixel + 2 * k, (uint32_t)(u[-1] + u[1]) >> 1, u[0], (uint32_t)(u[-w] + u[w]) >> 1);
            const uint16_t* v = u + 1;
            sink.put(redPixel + 2 * k + 1, v[0], (uint32_t)(v[-w] + v[w] + v[-1] + v[1]) >> 2,
                     (uint32_t)(v[-w - 1] + v[-w + 1] + v[w - 1] + v[w + 1]) >> 2);
        }
    }
    return extent;
}

template <class Sink>
void lastRows(const uint16_t* source, int32_t height, int32_t width, int32_t startRow, const Sink& sink) {
    const int32_t rowsLeft = height - startRow;
    if (rowsLeft != 1 && rowsLeft != 2) return;
    const int32_t endColumn = bodyEndColumn(width);
    for (int32_t r = startRow; r < height; ++r)
        for (int32_t c = 1; c < endColumn; ++c) interpolatePixel(source, height, width, r, c, sink);
}

template <class Sink>
void lastCols(const uint16_t* source, int32_t height, int32_t width, int32_t startColumn, const Sink& sink) {
    const int32_t columnsLeft = width - startColumn;
    if (columnsLeft != 1 && columnsLeft != 2) return;
    for (int32_t r = 1; r < height; ++r)
        for (int32_t c = startColumn; c < width; ++c) interpolatePixel(source, height, width, r, c, sink);
}

// Columns [from, to) of one row by the rule, borders mirrored, for any
// order: the neighbour rows and the two edge columns are mirrored once, so
// the rows around the body cost about what the body costs.
template <class Sink>
void rowSegment(const uint16_t* source, int32_t height, int32_t width, int32_t row, int32_t from, int32_t to,
                RedSite red, const Sink& sink) {
    const ptrdiff_t w = width;
    const uint16_t* up = source + tav::mirrorIndex(row - 1, height) * w;
    const uint16_t* mid = source + row * w;
    const uint16_t* down = source + tav::mirrorIndex(row + 1, height) * w;
    const bool redRow = ((row + red.row) & 1) == 0;
    for (int32_t c = from; c < to; ++c) {
        const int32_t l = tav::mirrorIndex(c - 1, width), r = tav::mirrorIndex(c + 1, width);
        const uint32_t own = mid[c];
        const uint32_t cross = ((uint32_t)up[c] + down[c] + mid[l] + mid[r]) >> 2;
        const uint32_t diagonal = ((uint32_t)up[l] + up[r] + down[l] + down[r]) >> 2;
        const uint32_t horizontal = ((uint32_t)mid[l] + mid[r]) >> 1;
        const uint32_t vertical = ((uint32_t)up[c] + down[c]) >> 1;
        const ptrdiff_t pixel = row * w + c;
        const bool redColumn = ((c + red.column) & 1) == 0;
        if (redRow && redColumn) {
            sink.put(pixel, own, cross, diagonal);  // R site
        } else if (!redRow && !redColumn) {
            sink.put(pixel, diagonal, cross, own);  // B site
        } else if (redRow) {
            sink.put(pixel, horizontal, own, vertical);  // G on an R row
        } else {
            sink.put(pixel, vertical, own, horizontal);  // G on a B row
        }
    }
}

// Any Bayer order. The window that starts at the first red site reads red
// first, so the body runs on it as it is (rows `width` apart); the rule
// fills the rows and columns around the body, borders mirrored with the
// order's own sites. This is what the RG order gives on the frame with its
// mirrored row above and/or column in front, without the copy.
template <class Sink>
void anyOrder(const uint16_t* source, int32_t height, int32_t width, RedSite red, const Sink& window,
              const Sink& sink) {
    const int32_t windowHeight = height - red.row, windowWidth = width - red.column;
    int32_t top = 0, bottom = 0, left = 0, right = 0;  // the body's rows and columns in the frame
    if (windowHeight >= 4 && windowWidth >= 4) {
        const TavBodyExtent extent = body(source + red.row * (ptrdiff_t)width + red.column, windowHeight,
                                          windowWidth, width, window);
        top = red.row + 1;
        bottom = red.row + extent.row;
        left = red.column + 1;
        right = red.column + extent.column;
    }
    for (int32_t r = 0; r < height; ++r) {
        if (r >= top && r < bottom) {
            rowSegment(source, height, width, r, 0, left, red, sink);
            rowSegment(source, height, width, r, right, width, red, sink);
        } else {
            rowSegment(source, height, width, r, 0, width, red, sink);
        }
    }
}

// Interleaved routines pick the channel order once; planar ones ignore it.
#define TAV_WITH_INTERLEAVED_SINK(order, destination, call) \
    do {                                                     \
        if ((order) == 1) {                                  \
            const RgbSink sink = {destination};              \
            call;                                            \
        } else {                                             \
            const BgrSink sink = {destination};              \
            call;                                            \
        }                                                    \
    } while (0)

const TavBodyExtent kNoExtent = {0, 0};

bool planesPresent(const uint16_t* source, const uint16_t* b, const uint16_t* g, const uint16_t* r) {
    return source && b && g && r;
}

}  // namespace

namespace tav {
namespace bilinear16 {

namespace {
RedSite redSiteOf(int32_t order) {
    const RedSite red = {order >> 1, order & 1};
    return red;
}
}  // namespace

void anyOrderInterleaved(const uint16_t* source, int32_t height, int32_t width, int32_t order,
                         uint16_t* destination) {
    const RedSite red = redSiteOf(order);
    const BgrSink sink = {destination};
    const BgrSink window = {destination + 3 * (red.row * (ptrdiff_t)width + red.column)};
    anyOrder(source, height, width, red, window, sink);
}

void anyOrderPlanar(const uint16_t* source, int32_t height, int32_t width, int32_t order, uint16_t* bPlane,
                    uint16_t* gPlane, uint16_t* rPlane) {
    const RedSite red = redSiteOf(order);
    const ptrdiff_t first = red.row * (ptrdiff_t)width + red.column;
    const PlanarSink sink = {bPlane, gPlane, rPlane};
    const PlanarSink window = {bPlane + first, gPlane + first, rPlane + first};
    anyOrder(source, height, width, red, window, sink);
}

}  // namespace bilinear16
}  // namespace tav

extern "C" {

void bilinearFirstRowsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t width, uint32_t order) {
    if (!source || !destination || !validFrame(4, width)) return;
    TAV_WITH_INTERLEAVED_SINK(order, destination, firstRows(source, width, sink));
}

void bilinearFirstRowsRGGBU16P(const uint16_t* source, uint16_t* bPlane, uint16_t* gPlane, uint16_t* rPlane,
                               int32_t width, uint32_t) {
    if (!planesPresent(source, bPlane, gPlane, rPlane) || !validFrame(4, width)) return;
    const PlanarSink sink = {bPlane, gPlane, rPlane};
    firstRows(source, width, sink);
}

void bilinearFirstColsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height, int32_t width,
                              uint32_t order) {
    if (!source || !destination || !validFrame(height, width)) return;
    TAV_WITH_INTERLEAVED_SINK(order, destination, firstCols(source, height, width, sink));
}

void bilinearFirstColsRGGBU16P(const uint16_t* source, uint16_t* bPlane, uint16_t* gPlane, uint16_t* rPlane,
                               int32_t height, int32_t width, uint32_t) {
    if (!planesPresent(source, bPlane, gPlane, rPlane) || !validFrame(height, width)) return;
    const PlanarSink sink = {bPlane, gPlane, rPlane};
    firstCols(source, height, width, sink);
}

TavBodyExtent bilinearBodyRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height, int32_t width,
                                  uint32_t order) {
    if (!source || !destination || !validFrame(height, width)) return kNoExtent;
    TAV_WITH_INTERLEAVED_SINK(order, destination, return body(source, height, width, width, sink));
}

TavBodyExtent bilinearBodyRGGBU16P(const uint16_t* source, uint16_t* bPlane, uint16_t* gPlane, uint16_t* rPlane,
                                   int32_t height, int32_t width, uint32_t) {
    if (!planesPresent(source, bPlane, gPlane, rPlane) || !validFrame(height, width)) return kNoExtent;
    const PlanarSink sink = {bPlane, gPlane, rPlane};
    return body(source, height, width, width, sink);
}

void bilinearLastRowsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height, int32_t width,
                             int32_t startRow, uint32_t order) {
    if (!source || !destination || !validFrame(height, width) || startRow < 0 || startRow > height) return;
    TAV_WITH_INTERLEAVED_SINK(order, destination, lastRows(source, height, width, startRow, sink));
}

void bilinearLastRowsRGGBU16P(const uint16_t* source, uint16_t* bPlane, uint16_t* gPlane, uint16_t* rPlane,
                              int32_t height, int32_t width, int32_t startRow, uint32_t) {
    if (!planesPresent(source, bPlane, gPlane, rPlane) || !validFrame(height, width) || startRow < 0 ||
        startRow > height)
        return;
    const PlanarSink sink = {bPlane, gPlane, rPlane};
    lastRows(source, height, width, startRow, sink);
}

void bilinearLastColsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height, int32_t width,
                             int32_t startColumn, uint32_t order) {
    if (!source || !destination || !validFrame(height, width) || startColumn < 0 || startColumn > width) return;
    TAV_WITH_INTERLEAVED_SINK(order, destination, lastCols(source, height, width, startColumn, sink));
}

void bilinearLastColsRGGBU16P(const uint16_t* source, uint16_t* bPlane, uint16_t* gPlane, uint16_t* rPlane,
                              int32_t height, int32_t width, int32_t startColumn, uint32_t) {
    if (!planesPresent(source, bPlane, gPlane, rPlane) || !validFrame(height, width) || startColumn < 0 ||
        startColumn > width)
        return;
    const PlanarSink sink = {bPlane, gPlane, rPlane};
    lastCols(source, height, width, startColumn, sink);
}

}  // extern "C"
