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

#include "bandKernels.h"
#include "tav_kernels.h"

namespace {

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

    InterleavedTarget atPixel(size_t index) const { return {destination + index * kBytes, orderFlag}; }
    template <class Writer>
    void withSinks(size_t rowOffset, Writer write) const {
        uint8_t* const next = destination + rowOffset * kBytes;
        if (orderFlag != 0) {
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

    PlanarTarget atPixel(size_t index) const { return {red + index, green + index, blue + index}; }
    template <class Writer>
    void withSinks(size_t rowOffset, Writer write) const {
        write(PlanarSink{red, green, blue}, PlanarSink{red + rowOffset, green + rowOffset, blue + rowOffset});
    }
};

// Luma weights; they sum to 256.
constexpr uint32_t kLumaRed = 77;
constexpr uint32_t kLumaGreen = 150;
constexpr uint32_t kLumaBlue = 29;

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

    GreyTarget atPixel(size_t index) const { return {destination + index, orderFlag}; }
    template <class Writer>
    void withSinks(size_t rowOffset, Writer write) const {
        // A set flag means the colour at the red position is blue.
        const uint32_t redWeight = orderFlag != 0 ? kLumaBlue : kLumaRed;
        const uint32_t blueWeight = orderFlag != 0 ? kLumaRed : kLumaBlue;
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

enum class Phase {
    RG,  // even rows red/green, odd rows green/blue
    GB,  // even rows green/blue, odd rows red/green
};

// Every routine reads row 1 and column 1 and the row schedule starts with up to
// two rows of its own, so frames below 4 x 4 are refused, as are frames whose
// output (per plane) does not fit 32 bits; nothing is read or written then.
inline bool nearestSizeAccepted(uint32_t height, uint32_t width, uint32_t bytesPerPixel) {
    if (height < 4 || width < 4) return false;
    return (uint64_t)height * width * bytesPerPixel <= UINT32_MAX;
}

// Output rows [first, end) of the frame. Row 0 and every red/green row at
// the start of the range go one at a time; the body then walks row pairs made
// of a green/blue row and the red/green row below it, and a green/blue row
// left at the end goes alone. Any split of the rows gives the same bytes.
template <Phase kPhase, auto kBody, auto kLastRows, class Target>
void nearestRows(const uint8_t* source, uint32_t height, uint32_t width, Target target, uint32_t first,
                 uint32_t end, tav::RowFeed* feed) {
    const size_t stride = width;
    const uint32_t redGreenParity = kPhase == Phase::RG ? 0u : 1u;
    auto lastRowRead = [&](size_t row) { return (int32_t)(row + 1 < height ? row + 1 : height - 1); };
    size_t y = first;
    for (; y < end && (y == 0 || (y & 1) == redGreenParity); ++y) {
        // Row 0 has no row above: row 1 stands in for it, and a red site in
        // column 0 of a red/green row 0 takes the green to its right.
        const uint8_t* row = source + y * stride;
        const uint8_t* above = y == 0 ? source + stride : row - stride;
        tav::needRows(feed, lastRowRead(y));
        Target rowTarget = target.atPixel(y * stride);
        if ((y & 1) == redGreenParity) {
            const uint8_t column0Green = y == 0 ? row[1] : above[0];
            rowTarget.withSinks(0, [&](auto sink, auto) { redGreenRow(row, above, width, column0Green, sink); });
        } else {
            rowTarget.withSinks(0, [&](auto sink, auto) { greenBlueRow(above, row, width, sink); });
        }
    }

    // Rows y - 1, y, y + 1; for the last row, y + 1 is the end of the frame,
    // which the lastRows routine does not read.
    auto rowSetAt = [&](size_t row) {
        return NearestRowSet{source + (row - 1) * stride, source + row * stride, source + (row + 1) * stride};
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

template <Phase kPhase, auto kBody, auto kLastRows, class Target>
uint32_t nearestKernel(const uint8_t* source, uint32_t height, uint32_t width, Target target) {
    if (!nearestSizeAccepted(height, width, Target::kBytesPerPixel)) return (uint32_t)TAV_E_SIZE;
    nearestRows<kPhase, kBody, kLastRows>(source, height, width, target, 0, height, nullptr);
    return 0;
}

template <Phase kPhase>
void nearestBandOfPhase(const uint8_t* frame, int32_t height, int32_t width, const tav::BandOutput& out,
                        const tav::BandRows& rows) {
    const uint32_t h = (uint32_t)height, w = (uint32_t)width;
    const uint32_t first = (uint32_t)rows.first, end = (uint32_t)rows.end;
    switch (out.layout) {
        case tav::BandLayout::Bgr:
            nearestRows<kPhase, rg8ToBgr8_nearest_body, rg8ToBgr8_nearest_lastRows>(
                frame, h, w, InterleavedTarget<3>{out.data, out.orderFlag}, first, end, rows.feed);
            break;
        case tav::BandLayout::Bgra:
            nearestRows<kPhase, rg8ToBgra8_nearest_body, rg8ToBgra8_nearest_lastRows>(
                frame, h, w, InterleavedTarget<4>{out.data, out.orderFlag}, first, end, rows.feed);
            break;
        case tav::BandLayout::Planar:
            nearestRows<kPhase, rg8ToBgr8P_nearest_body, rg8ToBgr8P_nearest_lastRows>(
                frame, h, w, PlanarTarget{out.planes[0], out.planes[1], out.planes[2]}, first, end, rows.feed);
            break;
        case tav::BandLayout::Mono:
            nearestRows<kPhase, rg8ToMono8_nearest_body, rg8ToMono8_nearest_lastRows>(
                frame, h, w, GreyTarget{out.data, out.orderFlag}, first, end, rows.feed);
            break;
    }
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
    return nearestKernel<Phase::RG, rg8ToBgr8_nearest_body, rg8ToBgr8_nearest_lastRows>(
        source, height, width, InterleavedTarget<3>{destination, orderFlag});
}

uint32_t gb8ToBgr8_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* destination,
                           uint32_t orderFlag) {
    if (anyNull(source, destination)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<Phase::GB, rg8ToBgr8_nearest_body, rg8ToBgr8_nearest_lastRows>(
        source, height, width, InterleavedTarget<3>{destination, orderFlag});
}

uint32_t rg8ToBgra8_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* destination,
                            uint32_t orderFlag) {
    if (anyNull(source, destination)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<Phase::RG, rg8ToBgra8_nearest_body, rg8ToBgra8_nearest_lastRows>(
        source, height, width, InterleavedTarget<4>{destination, orderFlag});
}

uint32_t gb8ToBgra8_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* destination,
                            uint32_t orderFlag) {
    if (anyNull(source, destination)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<Phase::GB, rg8ToBgra8_nearest_body, rg8ToBgra8_nearest_lastRows>(
        source, height, width, InterleavedTarget<4>{destination, orderFlag});
}

uint32_t rg8ToBgr8P_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* plane0,
                            uint8_t* plane1, uint8_t* plane2) {
    if (anyNull(source, plane0, plane1, plane2)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<Phase::RG, rg8ToBgr8P_nearest_body, rg8ToBgr8P_nearest_lastRows>(
        source, height, width, PlanarTarget{plane0, plane1, plane2});
}

uint32_t gb8ToBgr8P_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* plane0,
                            uint8_t* plane1, uint8_t* plane2) {
    if (anyNull(source, plane0, plane1, plane2)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<Phase::GB, rg8ToBgr8P_nearest_body, rg8ToBgr8P_nearest_lastRows>(
        source, height, width, PlanarTarget{plane0, plane1, plane2});
}

uint32_t rg8ToMono8_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* destination,
                            uint32_t orderFlag) {
    if (anyNull(source, destination)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<Phase::RG, rg8ToMono8_nearest_body, rg8ToMono8_nearest_lastRows>(
        source, height, width, GreyTarget{destination, orderFlag});
}

uint32_t gb8ToMono8_nearest(const uint8_t* source, uint32_t height, uint32_t width, uint8_t* destination,
                            uint32_t orderFlag) {
    if (anyNull(source, destination)) return (uint32_t)TAV_E_NULL_POINTER;
    return nearestKernel<Phase::GB, rg8ToMono8_nearest_body, rg8ToMono8_nearest_lastRows>(
        source, height, width, GreyTarget{destination, orderFlag});
}

}  // extern "C"

void tav::nearestBand(BandPhase phase, const uint8_t* frame, int32_t height, int32_t width,
                      const BandOutput& output, const BandRows& rows) {
    if (phase == BandPhase::GB) {
        nearestBandOfPhase<Phase::GB>(frame, height, width, output, rows);
    } else {
        nearestBandOfPhase<Phase::RG>(frame, height, width, output, rows);
    }
}
