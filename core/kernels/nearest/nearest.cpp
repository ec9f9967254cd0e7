// Nearest-neighbour demosaicing of 8-bit Bayer frames (phases RG and GB).
//
// Every output pixel copies its own sample and takes each missing colour from
// a single sample of the 2x2 window made of its own row and the row above, its
// own column and the column to its left. Row 0 uses row 1 as the row above,
// column 0 uses column 1 as the column to its left. Where the window holds two
// greens, the one in the pixel's own row is used, except that a red site in
// column 0 below row 0 takes the green above it.
//
// One rule serves all eight kernels: an output target (interleaved 3 or 4
// bytes, planes, grey) is a small policy type, the rows are walked by shared
// templates, and the exported functions only instantiate them.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "kernels/nearest/band.h"
#include "kernels/bayerPhase.h"
#include "kernels/lumaWeights.h"
#include "kernels/nearest/vectorRows.h"
#include "simd/kernelTable.h"
#include "sizeCheck.h"
#include "tav_kernels.h"

namespace {

using tav::nearest::VectorRows;

// The source rows a row routine reads: the red/green row above, the
// green/blue row being written, and the red/green row below it.
struct NearestRowSet {
    const uint8_t* above;
    const uint8_t* current;
    const uint8_t* below;
};

// ---- Output targets -------------------------------------------------------
// A target is where rows go. withSinks() fixes the per-row constants once (byte
// positions from the order flag, luma weights) and hands the writer the sinks
// of one row and of the row `rowOffset` pixels further on, so that the column
// loops store without testing the flag.

// Shift that puts a value into byte `index` of a 32-bit word in memory order.
constexpr uint32_t byteShift(uint32_t index) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return 8 * (3 - index);
#else
    return 8 * index;
#endif
}

// Interleaved pixel with the colour at the red position at byte kRedPos
// (0 or 2), blue opposite it, green at byte 1 and, with 4 bytes, a zero byte.
template <uint32_t kBytes, uint32_t kRedPos>
struct InterleavedSink {
    uint8_t* __restrict row;
    void store(size_t x, uint8_t r, uint8_t g, uint8_t b) const {
        uint8_t* pixel = row + x * kBytes;
        if constexpr (kBytes == 4) {
            // One word store per pixel; byte 3 is left zero.
            const uint32_t word = (uint32_t)r << byteShift(kRedPos) | (uint32_t)g << byteShift(1) |
                                  (uint32_t)b << byteShift(2 - kRedPos);
            memcpy(pixel, &word, 4);
        } else {
            pixel[kRedPos] = r;
            pixel[1] = g;
            pixel[2 - kRedPos] = b;
        }
    }
};

template <uint32_t kBytes>
struct InterleavedTarget {
    static constexpr uint32_t kBytesPerPixel = kBytes;
    uint8_t* destination;
    uint32_t orderFlag;
    const VectorRows* vector;  // null: the per-pixel rows

    InterleavedTarget atPixel(size_t index) const {
        return {destination + index * kBytes, orderFlag, vector};
    }
    // Columns 2 onwards of a row pair through the vector rows.
    void vectorRows(const uint8_t* above, const uint8_t* current, const uint8_t* below, size_t width,
                    size_t rowOffset) const {
        uint8_t* const next = destination + rowOffset * kBytes;
        const bool redFirst = tav::channelOrder(orderFlag).redFirst;
        const auto rows = kBytes == 4 ? (redFirst ? vector->rgba : vector->bgra)
                                      : (redFirst ? vector->rgb : vector->bgr);
        rows(above, current, below, width, destination, next);
    }
    template <class Writer>
    void withSinks(size_t rowOffset, Writer write) const {
        uint8_t* const next = destination + rowOffset * kBytes;
        if (tav::channelOrder(orderFlag).redFirst) {
            write(InterleavedSink<kBytes, 0>{destination}, InterleavedSink<kBytes, 0>{next});  // R, G, B
        } else {
            write(InterleavedSink<kBytes, 2>{destination}, InterleavedSink<kBytes, 2>{next});  // B, G, R
        }
    }
};

struct PlanarSink {
    uint8_t* __restrict red;
    uint8_t* __restrict green;
    uint8_t* __restrict blue;
    void store(size_t x, uint8_t r, uint8_t g, uint8_t b) const {
        red[x] = r;
        green[x] = g;
        blue[x] = b;
    }
};

struct PlanarTarget {
    static constexpr uint32_t kBytesPerPixel = 1;  // per plane
    uint8_t* red;
    uint8_t* green;
    uint8_t* blue;
    const VectorRows* vector;

    PlanarTarget atPixel(size_t index) const {
        return {red + index, green + index, blue + index, vector};
    }
    void vectorRows(const uint8_t* above, const uint8_t* current, const uint8_t* below, size_t width,
                    size_t rowOffset) const {
        uint8_t* const first[3] = {red, green, blue};
        uint8_t* const second[3] = {red + rowOffset, green + rowOffset, blue + rowOffset};
        vector->planar(above, current, below, width, first, second);
    }
    template <class Writer>
    void withSinks(size_t rowOffset, Writer write) const {
        write(PlanarSink{red, green, blue}, PlanarSink{red + rowOffset, green + rowOffset, blue + rowOffset});
    }
};

using tav::kLumaGreen;

struct GreySink {
    uint8_t* __restrict row;
    uint32_t redWeight;
    uint32_t blueWeight;
    void store(size_t x, uint8_t r, uint8_t g, uint8_t b) const {
        // The weights sum to 256, so the rounded sum always fits a byte.
        row[x] = (uint8_t)((redWeight * r + kLumaGreen * g + blueWeight * b + 128u) >> 8);
    }
};

struct GreyTarget {
    static constexpr uint32_t kBytesPerPixel = 1;
    uint8_t* destination;
    uint32_t orderFlag;
    const VectorRows* vector;

    GreyTarget atPixel(size_t index) const { return {destination + index, orderFlag, vector}; }
    void vectorRows(const uint8_t* above, const uint8_t* current, const uint8_t* below, size_t width,
                    size_t rowOffset) const {
        const tav::ChannelOrder order = tav::channelOrder(orderFlag);
        vector->grey(above, current, below, width, destination, destination + rowOffset,
                     (uint16_t)order.redWeight, (uint16_t)order.blueWeight);
    }
    template <class Writer>
    void withSinks(size_t rowOffset, Writer write) const {
        const tav::ChannelOrder order = tav::channelOrder(orderFlag);
        const uint32_t redWeight = (uint32_t)order.redWeight;
        const uint32_t blueWeight = (uint32_t)order.blueWeight;
        write(GreySink{destination, redWeight, blueWeight},
              GreySink{destination + rowOffset, redWeight, blueWeight});
    }
};

// ---- Pixel pairs ------------------------------------------------------------
// Columns x (odd) and x + 1 (even) share their loads; every sample is read
// into a local before anything is stored.

// Green/blue row: blue site at x, green site at x + 1; red comes from `above`.
template <class Sink>
inline void greenBluePair(const Sink& sink, const uint8_t* above, const uint8_t* row, size_t x) {
    const uint8_t redLeft = above[x - 1], redRight = above[x + 1];
    const uint8_t greenLeft = row[x - 1], blue = row[x], greenRight = row[x + 1];
    sink.store(x, redLeft, greenLeft, blue);
    sink.store(x + 1, redRight, greenRight, blue);
}

// Red/green row: green site at x, red site at x + 1; blue comes from the
// green/blue row `above`.
template <class Sink>
inline void redGreenPair(const Sink& sink, const uint8_t* row, const uint8_t* above, size_t x) {
    const uint8_t redLeft = row[x - 1], green = row[x], redRight = row[x + 1];
    const uint8_t blue = above[x];
    sink.store(x, redLeft, green, blue);
    sink.store(x + 1, redRight, green, blue);
}

// ---- Rows --------------------------------------------------------------------
// Every row is column 0, then the pairs (x, x + 1) for odd x < width - 1, then
// with an even width the last column alone, which is odd.

// One green/blue row; `above` is the red/green row that supplies red.
template <class Sink>
void greenBlueRow(const uint8_t* __restrict above, const uint8_t* __restrict row, size_t width,
                  Sink sink) {
    sink.store(0, above[0], row[0], row[1]);
    size_t x = 1;
    for (; x + 1 < width; x += 2) greenBluePair(sink, above, row, x);
    if (x < width) sink.store(x, above[x - 1], row[x - 1], row[x]);
}

// One red/green row; `above` is the green/blue row that supplies blue, and
// `column0Green` the green of the red site in column 0.
template <class Sink>
void redGreenRow(const uint8_t* __restrict row, const uint8_t* __restrict above, size_t width,
                 uint8_t column0Green, Sink sink) {
    sink.store(0, row[0], column0Green, above[1]);
    size_t x = 1;
    for (; x + 1 < width; x += 2) redGreenPair(sink, row, above, x);
    if (x < width) sink.store(x, row[x - 1], row[x], above[x]);
}

// A green/blue row and the red/green row below it, walked together so that
// both rows share the loads of the green/blue row. Kept out of line so that
// the compiler takes the restrict-qualified rows and sinks as not overlapping
// and vectorises the loop.
template <class Sink>
__attribute__((noinline)) void greenBlueAndRedGreenRows(const uint8_t* __restrict above,
                                                        const uint8_t* __restrict current,
                                                        const uint8_t* __restrict below, size_t width,
                                                        Sink greenBlue, Sink redGreen) {
    greenBlue.store(0, above[0], current[0], current[1]);
    redGreen.store(0, below[0], current[0], current[1]);
    size_t x = 1;
    for (; x + 1 < width; x += 2) {
        greenBluePair(greenBlue, above, current, x);
        redGreenPair(redGreen, below, current, x);
    }
    if (x < width) {
        greenBlue.store(x, above[x - 1], current[x - 1], current[x]);
        redGreen.store(x, below[x - 1], below[x], current[x]);
    }
}

// Two output rows: the green/blue row of the set and the red/green row below.
template <class Target>
void nearestBody(const NearestRowSet& rows, uint32_t width, Target target) {
    if (target.vector) {
        // Columns 0 and 1 by the rule (column 0 has its own), the rest in blocks.
        target.withSinks(width, [&](auto greenBlue, auto redGreen) {
            greenBlue.store(0, rows.above[0], rows.current[0], rows.current[1]);
            redGreen.store(0, rows.below[0], rows.current[0], rows.current[1]);
            greenBluePair(greenBlue, rows.above, rows.current, 1);
            redGreenPair(redGreen, rows.below, rows.current, 1);
        });
        target.vectorRows(rows.above, rows.current, rows.below, width, width);
        return;
    }
    target.withSinks(width, [&](auto greenBlue, auto redGreen) {
        greenBlueAndRedGreenRows(rows.above, rows.current, rows.below, width, greenBlue, redGreen);
    });
}

// The green/blue last row of a frame; reads only the first two row pointers.
template <class Target>
void nearestLastRows(const NearestRowSet& rows, uint32_t width, Target target) {
    target.withSinks(0, [&](auto sink, auto) { greenBlueRow(rows.above, rows.current, width, sink); });
}

// ---- Row routines of each output kind (shared by the rg8 and gb8 kernels) ----

constexpr auto rg8ToBgr8_nearest_body = &nearestBody<InterleavedTarget<3>>;
constexpr auto rg8ToBgr8_nearest_lastRows = &nearestLastRows<InterleavedTarget<3>>;
constexpr auto rg8ToBgra8_nearest_body = &nearestBody<InterleavedTarget<4>>;
constexpr auto rg8ToBgra8_nearest_lastRows = &nearestLastRows<InterleavedTarget<4>>;
constexpr auto rg8ToBgr8P_nearest_body = &nearestBody<PlanarTarget>;
constexpr auto rg8ToBgr8P_nearest_lastRows = &nearestLastRows<PlanarTarget>;
constexpr auto rg8ToMono8_nearest_body = &nearestBody<GreyTarget>;
constexpr auto rg8ToMono8_nearest_lastRows = &nearestLastRows<GreyTarget>;

// ---- Frame ---------------------------------------------------------------------

// Every routine reads row 1 and column 1 and the row schedule starts with up to
// two rows of its own, so frames below 4 x 4 are refused, as are frames whose
// output (per plane) has more bytes than a signed 32-bit size counts; nothing
// is read or written then.
inline bool nearestSizeAccepted(uint32_t height, uint32_t width, uint32_t bytesPerPixel) {
    return height >= 4 && width >= 4 && tav::countFits(height, width, bytesPerPixel);
}

// Output rows [first, end) of the frame. Row 0 and every red/green row at
// the start of the range go one at a time; the body then walks row pairs made
// of a green/blue row and the red/green row below it, and a green/blue row
// left at the end goes alone. Any split of the rows gives the same bytes.
template <auto kBody, auto kLastRows, class Target>
void nearestRows(tav::BayerPhase phase, const tav::FrameRows& source, uint32_t height, uint32_t width,
                 Target target, uint32_t first, uint32_t end, tav::RowFeed* feed) {
    const size_t stride = width;
    const uint32_t redGreenParity = (uint32_t)phase.redRowParity;
    auto lastRowRead = [&](size_t row) { return (int32_t)(row + 1 < height ? row + 1 : height - 1); };
    size_t y = first;
    for (; y < end && (y == 0 || (y & 1) == redGreenParity); ++y) {
        // Row 0 has no row above: row 1 stands in for it, and a red site in
        // column 0 of a red/green row 0 takes the green to its right.
        tav::needRows(feed, lastRowRead(y));
        const uint8_t* row = source.row((int32_t)y);
        const uint8_t* above = source.row(y == 0 ? 1 : (int32_t)y - 1);
        Target rowTarget = target.atPixel(y * stride);
        if ((y & 1) == redGreenParity) {
            const uint8_t column0Green = y == 0 ? row[1] : above[0];
            rowTarget.withSinks(0, [&](auto sink, auto) { redGreenRow(row, above, width, column0Green, sink); });
        } else {
            rowTarget.withSinks(0, [&](auto sink, auto) { greenBlueRow(above, row, width, sink); });
        }
    }

    // Rows y - 1, y, y + 1; for the last row, y + 1 is past the end of the
    // frame, which the lastRows routine does not read.
    auto rowSetAt = [&](size_t row) {
        return NearestRowSet{source.row((int32_t)row - 1), source.row((int32_t)row), source.row((int32_t)row + 1)};
    };
    for (; y + 1 < end; y += 2) {
        tav::needRows(feed, lastRowRead(y));
        kBody(rowSetAt(y), width, target.atPixel(y * stride));
    }
    if (y < end) {
        tav::needRows(feed, (int32_t)y);
        kLastRows(rowSetAt(y), width, target.atPixel(y * stride));
    }
}

template <auto kBody, auto kLastRows, class Target>
uint32_t nearestKernel(tav::BayerPhase phase, const uint8_t* source, uint32_t height, uint32_t width, Target target) {
    if (!nearestSizeAccepted(height, width, Target::kBytesPerPixel)) return (uint32_t)TAV_E_SIZE;
    const tav::FrameRows frame = tav::wholeFrameRows(source, (int32_t)width);
    nearestRows<kBody, kLastRows>(phase, frame, height, width, target, 0, height, nullptr);
    return 0;
}

inline bool anyNull(const void* a, const void* b) { return a == nullptr || b == nullptr; }
inline bool anyNull(const void* a, const void* b, const void* c, const void* d) {
    return anyNull(a, b) || anyNull(c, d);
}

}  // namespace

// ---- Exported kernels ------------------------------------------------------------

extern "C" {

uint32_t rg8ToBgr8_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* destination,
                           uint32_t orderFlag) {
    if (anyNull(source, destination)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<rg8ToBgr8_nearest_body, rg8ToBgr8_nearest_lastRows>(
        tav::kPhaseRG, source, height, width, InterleavedTarget<3>{destination, orderFlag, tav::simd::kernels().nearestRows});
}

uint32_t gb8ToBgr8_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* destination,
                           uint32_t orderFlag) {
    if (anyNull(source, destination)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<rg8ToBgr8_nearest_body, rg8ToBgr8_nearest_lastRows>(
        tav::kPhaseGB, source, height, width, InterleavedTarget<3>{destination, orderFlag, tav::simd::kernels().nearestRows});
}

uint32_t rg8ToBgra8_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* destination,
                            uint32_t orderFlag) {
    if (anyNull(source, destination)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<rg8ToBgra8_nearest_body, rg8ToBgra8_nearest_lastRows>(
        tav::kPhaseRG, source, height, width, InterleavedTarget<4>{destination, orderFlag, tav::simd::kernels().nearestRows});
}

uint32_t gb8ToBgra8_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* destination,
                            uint32_t orderFlag) {
    if (anyNull(source, destination)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<rg8ToBgra8_nearest_body, rg8ToBgra8_nearest_lastRows>(
        tav::kPhaseGB, source, height, width, InterleavedTarget<4>{destination, orderFlag, tav::simd::kernels().nearestRows});
}

uint32_t rg8ToBgr8P_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* plane0,
                            uint8_t* plane1, uint8_t* plane2) {
    if (anyNull(source, plane0, plane1, plane2)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<rg8ToBgr8P_nearest_body, rg8ToBgr8P_nearest_lastRows>(
        tav::kPhaseRG, source, height, width, PlanarTarget{plane0, plane1, plane2, tav::simd::kernels().nearestRows});
}

uint32_t gb8ToBgr8P_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* plane0,
                            uint8_t* plane1, uint8_t* plane2) {
    if (anyNull(source, plane0, plane1, plane2)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<rg8ToBgr8P_nearest_body, rg8ToBgr8P_nearest_lastRows>(
        tav::kPhaseGB, source, height, width, PlanarTarget{plane0, plane1, plane2, tav::simd::kernels().nearestRows});
}

uint32_t rg8ToMono8_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* destination,
                            uint32_t orderFlag) {
    if (anyNull(source, destination)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<rg8ToMono8_nearest_body, rg8ToMono8_nearest_lastRows>(
        tav::kPhaseRG, source, height, width, GreyTarget{destination, orderFlag, tav::simd::kernels().nearestRows});
}

uint32_t gb8ToMono8_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* destination,
                            uint32_t orderFlag) {
    if (anyNull(source, destination)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<rg8ToMono8_nearest_body, rg8ToMono8_nearest_lastRows>(
        tav::kPhaseGB, source, height, width, GreyTarget{destination, orderFlag, tav::simd::kernels().nearestRows});
}

}  // extern "C"

void tav::nearestBand(BayerPhase phase, const FrameRows& frame, int32_t height, int32_t width,
                      const BandOutput& out, const BandRows& rows) {
    const uint32_t h = (uint32_t)height, w = (uint32_t)width;
    const uint32_t first = (uint32_t)rows.first, end = (uint32_t)rows.end;
    const tav::nearest::VectorRows* vector = tav::simd::kernels().nearestRows;
    switch (out.layout) {
        case BandLayout::Bgr:
            nearestRows<rg8ToBgr8_nearest_body, rg8ToBgr8_nearest_lastRows>(
                phase, frame, h, w, InterleavedTarget<3>{out.data, out.orderFlag, vector}, first, end, rows.feed);
            break;
        case BandLayout::Bgra:
            nearestRows<rg8ToBgra8_nearest_body, rg8ToBgra8_nearest_lastRows>(
                phase, frame, h, w, InterleavedTarget<4>{out.data, out.orderFlag, vector}, first, end, rows.feed);
            break;
        case BandLayout::Planar:
            nearestRows<rg8ToBgr8P_nearest_body, rg8ToBgr8P_nearest_lastRows>(
                phase, frame, h, w, PlanarTarget{out.planes[0], out.planes[1], out.planes[2], vector}, first, end,
                rows.feed);
            break;
        case BandLayout::Mono:
            nearestRows<rg8ToMono8_nearest_body, rg8ToMono8_nearest_lastRows>(
                phase, frame, h, w, GreyTarget{out.data, out.orderFlag, vector}, first, end, rows.feed);
            break;
    }
}
