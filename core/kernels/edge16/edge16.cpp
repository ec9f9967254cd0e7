// Edge-directed demosaicing of 16-bit Bayer frames into interleaved B,G,R.
//
// Pass 1 puts green at every R and B site, interpolated along the direction
// of the smaller gradient and corrected by the site's own second difference.
// Pass 2 interpolates red and blue as colour differences (sample minus
// green) against the green of pass 1. Every value is clamped to 0..maximum.
//
// Green estimates are kept only in channel 1 of the destination and read
// back from there, so each routine relies on the greens that the routines
// called before it stored. The border routines evaluate both passes through
// mirrored indices (first all their greens, then red and blue); the interior
// routine uses fixed offsets and no bounds tests. Red lags one row and one
// column behind because the red differences below and right of a block need
// greens that the next block computes; on rows up to a few thousand pixels
// the interior keeps each row's colour differences on the stack and writes
// whole pixels a row at a time.
#include "tav_kernels16.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "kernels/edge16/borderExceptions.h"
#include "kernels/samples16.h"
#include "simd/kernelTable.h"
#include "sizeCheck.h"

#include "kernels/edge16/interior.h"  // the plain interior, built in every build

namespace {

using tav::edge16::estimateGreen;

// The interior through the vector blocks of the active instruction set.
void interior(const uint16_t* s, uint16_t* d, ptrdiff_t w, int32_t rows, int32_t pairs, int32_t top) {
    const auto vector = tav::simd::kernels().edge16Interior;
    if (vector != nullptr) {
        vector(s, d, w, rows, pairs, top);
    } else {
        tav::edge16::interiorRuns(s, d, w, rows, pairs, top);
    }
}

// Green estimates that depart from the plain rule at a few border sites
// (kernels/edge16BorderExceptions.h says where and why).
enum GreenVariant {
    kPlainGreen,
    kLowerRowAsLast,     // below the site taken as if the site's row were the last
    kDoubledCorrection,  // second-difference corrections counted twice
    kHalfDifferences,    // second differences against the far side only
};

// A frame (or a view of one starting at a later row) with mirrored reads.
// RowsInside / ColumnsInside leave out the row or column mirror, for sites
// whose reads (two rows or columns either side) all lie inside the frame;
// NearRow takes the rows from the mirrored starts of rows centre-2..centre+2
// instead, set once per row.
template <bool RowsInside = false, bool ColumnsInside = false, bool NearRow = false>
struct EdgeFrameT {
    const uint16_t* source;
    uint16_t* destination;
    int32_t height;
    int32_t width;
    int32_t redRowParity;
    int32_t redColumnParity;
    int32_t maximum;
    int32_t centre;
    ptrdiff_t rowStart[5];

    bool redRow(int32_t r) const { return (r & 1) == redRowParity; }
    bool redColumn(int32_t c) const { return (c & 1) == redColumnParity; }
    bool redSite(int32_t r, int32_t c) const { return redRow(r) && redColumn(c); }
    bool blueSite(int32_t r, int32_t c) const { return !redRow(r) && !redColumn(c); }
    bool greenSite(int32_t r, int32_t c) const { return redRow(r) != redColumn(c); }

    // Every read is at most two rows or columns outside the frame (six rows
    // and five columns at least), so one reflection suffices.
    static int32_t reflect(int32_t i, int32_t n) { return i < 0 ? -i : (i >= n ? 2 * (n - 1) - i : i); }
    ptrdiff_t index(int32_t r, int32_t c) const {
        const ptrdiff_t row = NearRow ? rowStart[r - centre + 2] : (RowsInside ? r : reflect(r, height)) * width;
        return row + (ColumnsInside ? c : reflect(c, width));
    }
    template <bool Rows, bool Columns, bool Near = false>
    EdgeFrameT<Rows, Columns, Near> reach() const {
        return {source, destination, height, width, redRowParity, redColumnParity, maximum, 0, {}};
    }
    template <bool Columns>
    EdgeFrameT<false, Columns, true> nearRow(int32_t r) const {
        EdgeFrameT<false, Columns, true> f = reach<false, Columns, true>();
        f.centre = r;
        for (int32_t k = 0; k < 5; ++k) f.rowStart[k] = (ptrdiff_t)reflect(r - 2 + k, height) * width;
        return f;
    }
    int32_t sample(int32_t r, int32_t c) const { return source[index(r, c)]; }
    int32_t storedGreen(int32_t r, int32_t c) const { return destination[3 * index(r, c) + 1]; }
    void store(int32_t r, int32_t c, int channel, int32_t value) const {
        destination[3 * ((ptrdiff_t)r * width + c) + channel] = (uint16_t)value;
    }
    int32_t clamp(int32_t v) const { return tav::clampSample(v, maximum); }

    __attribute__((always_inline)) int32_t greenEstimate(int32_t r, int32_t c, GreenVariant variant) const {
        const int32_t x = sample(r, c);
        const int32_t n = sample(r - 1, c), nn = sample(r - 2, c);
        int32_t s = sample(r + 1, c), ss = sample(r + 2, c);
        int32_t ww = sample(r, c - 2);
        int32_t northFar = nn;
        if (variant == kLowerRowAsLast) {
            s = n;
            ss = nn;
        }
        if (variant == kHalfDifferences) {
            northFar = x;
            ww = x;
        }
        return estimateGreen(x, n, s, sample(r, c - 1), sample(r, c + 1), northFar, ss, ww, sample(r, c + 2),
                             variant == kDoubledCorrection ? 1 : 2);
    }

    __attribute__((always_inline)) void storeGreen(int32_t r, int32_t c, GreenVariant variant = kPlainGreen) const {
        store(r, c, 1, greenSite(r, c) ? sample(r, c) : clamp(greenEstimate(r, c, variant)));
    }

    // Colour difference (sample minus stored green) at an R or B site.
    __attribute__((always_inline)) int32_t difference(int32_t r, int32_t c) const {
        const ptrdiff_t at = index(r, c);
        return source[at] - destination[3 * at + 1];
    }

    // Pass 2 for red (wantRed) or blue at one pixel.
    __attribute__((always_inline)) int32_t colour(int32_t r, int32_t c, bool wantRed) const {
        const bool ownSite = wantRed ? redSite(r, c) : blueSite(r, c);
        if (ownSite) return sample(r, c);
        const int32_t green = greenSite(r, c) ? sample(r, c) : storedGreen(r, c);
        if (greenSite(r, c)) {
            const bool rowCarriesColour = wantRed ? redRow(r) : !redRow(r);
            const int32_t sum = rowCarriesColour ? difference(r, c - 1) + difference(r, c + 1)
                                                 : difference(r - 1, c) + difference(r + 1, c);
            return clamp(green + (sum >> 1));
        }
        const int32_t sum = difference(r - 1, c - 1) + difference(r - 1, c + 1) + difference(r + 1, c - 1) +
                            difference(r + 1, c + 1);
        return clamp(green + (sum >> 2));
    }

    __attribute__((always_inline)) void storeColour(int32_t r, int32_t c, bool wantRed) const { store(r, c, wantRed ? 2 : 0, colour(r, c, wantRed)); }
};

using EdgeFrame = EdgeFrameT<>;

// fn(frame, c) for columns from..to-1 of row r, through frames with the
// row's neighbours found once, without the column mirror where the site is
// two columns or more from either edge.
template <class Fn>
inline void eachColumn(const EdgeFrame& base, int32_t r, int32_t from, int32_t to, Fn fn) {
    const auto f = base.nearRow<false>(r);
    const auto inside = base.nearRow<true>(r);
    const int32_t insideEnd = to < f.width - 2 ? to : f.width - 2;
    int32_t c = from;
    for (; c < to && c < 2; ++c) fn(f, c);
    for (; c < insideEnd; ++c) fn(inside, c);
    for (; c < to; ++c) fn(f, c);
}

// fn(frame, r) for rows from..to-1, each through a frame with the row's
// neighbours found once.
template <class Fn>
inline void eachRow(const EdgeFrame& f, int32_t from, int32_t to, Fn fn) {
    for (int32_t r = from; r < to; ++r) fn(f.nearRow<false>(r), r);
}

int32_t boundedMaximum(int32_t maximum) { return tav::clampSample(maximum, 65535); }

bool validPhase(int32_t phase) { return phase == 2 || phase == 3; }

bool validFrame(int32_t height, int32_t width) {
    return height >= 6 && width >= 5 && tav::countFits(height, width, 3);
}

// First column the interior does not process.
int32_t interiorEndColumn(int32_t width, int32_t phase) {
    return phase < width - 3 ? phase + 2 + ((width - 4 - phase) & ~1) : phase;
}

// Rows the interior processes: whole row pairs of the row count.
int32_t interiorRows(int32_t rowCount) { return rowCount < 2 ? 0 : ((rowCount - 2) | 1) + 1; }

// Rows 0..o all channels, row 1 + o blue and green; o = 1 when the red rows
// are the odd ones. The routine reads rows 0 to 3 + o only.
void firstRows(const uint16_t* source, uint16_t* destination, int32_t width, int32_t phase, int32_t maximum,
               int32_t rowShift) {
    if (!source || !destination || !validPhase(phase) || width < 5 || !tav::countFits(6 + rowShift, width, 3))
        return;
    const EdgeFrame f = {source, destination, 6 + rowShift, width, rowShift, phase & 1, boundedMaximum(maximum), 0, {}};
    namespace border = tav::edge16::border;
    for (int32_t r = 0; r <= 1 + rowShift; ++r)
        eachColumn(f, r, 0, width, [&](const auto& g, int32_t c) {
            g.storeGreen(r, c, border::halfDifferencesAt(rowShift, phase, r, c) ? kHalfDifferences : kPlainGreen);
        });
    for (int32_t r = 0; r <= 1 + rowShift; ++r)
        eachColumn(f, r, 0, width, [&](const auto& g, int32_t c) {
            g.storeColour(r, c, false);
            if (r <= rowShift) g.storeColour(r, c, true);
        });
    if (border::unclampedTopLeftBlue(rowShift, phase)) {
        const int32_t blueDifference = f.sample(1, 1) - f.greenEstimate(1, 1, kPlainGreen);
        f.store(0, 0, 0, f.clamp(f.greenEstimate(0, 0, kPlainGreen) + blueDifference));
        f.store(0, 1, 0, f.clamp(f.sample(0, 1) + blueDifference));
        f.store(1, 0, 0, f.clamp(f.sample(1, 0) + blueDifference));
    }
}

// Rows 2.. of a view whose red rows are even: columns 0..phase-2 all
// channels, column phase-1 blue and green; row 1 red of columns 0..phase-2.
void firstCols(const uint16_t* source, uint16_t* destination, int32_t height, int32_t width, int32_t maximum,
               int32_t phase) {
    if (!source || !destination || !validFrame(height, width)) return;
    const EdgeFrame f = {source, destination, height, width, 0, phase & 1, boundedMaximum(maximum), 0, {}};
    eachRow(f, 2, height, [&](const auto& g, int32_t r) {
        for (int32_t c = 0; c < phase; ++c)
            g.storeGreen(r, c,
                         tav::edge16::border::lowerRowAsLastAt(phase, height, r, c) ? kLowerRowAsLast : kPlainGreen);
    });
    eachRow(f, 1, height, [&](const auto& g, int32_t r) {
        for (int32_t c = 0; c < phase; ++c) {
            if (r >= 2) g.storeColour(r, c, false);
            if (c <= phase - 2) g.storeColour(r, c, true);
        }
    });
}

}  // namespace

extern "C" {

void edgeFirstRowsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t width, int32_t phase,
                          int32_t maximum) {
    firstRows(source, destination, width, phase, maximum, 0);
}

void edgeFirstRowsGBRGU16(const uint16_t* source, uint16_t* destination, int32_t width, int32_t phase,
                          int32_t maximum) {
    firstRows(source, destination, width, phase, maximum, 1);
}

void edgeFirstColsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height, int32_t width,
                          int32_t maximum) {
    firstCols(source, destination, height, width, maximum, 2);
}

void edgeFirstColsGRBGU16(const uint16_t* source, uint16_t* destination, int32_t height, int32_t width,
                          int32_t maximum) {
    firstCols(source, destination, height, width, maximum, 3);
}

// Source and destination point at the first interior row, a red row; rows
// down to two above it are read. Red is at the top left of every block.
TavEdgeExtent edgeSecRGGBU16(const uint16_t* source, uint16_t* destination, int32_t rowCount, int32_t width,
                             int32_t phase, int32_t maximum) {
    TavEdgeExtent extent = {0, 0};
    if (!source || !destination || !validPhase(phase) || width < 5 ||
        !tav::countFits(rowCount < 0 ? 4 : int64_t(rowCount) + 4, width, 3))
        return extent;
    extent.column = interiorEndColumn(width, phase);
    extent.rows = interiorRows(rowCount);
    const int32_t top = boundedMaximum(maximum);
    const ptrdiff_t w = width;
    const int32_t pairs = phase < width - 3 ? ((width - 4 - phase) >> 1) + 1 : 0;
    if (pairs <= 0 || extent.rows <= 0) return extent;
    interior(source + phase, destination + 3 * phase, w, extent.rows, pairs, top);
    return extent;
}

// Rows startRow.. (a red row) blue and green, rows startRow-1.. red, over
// the interior's columns.
void edgeLastRowsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height, int32_t width,
                         int32_t startRow, int32_t phase, int32_t maximum) {
    if (!source || !destination || !validPhase(phase) || !validFrame(height, width) || startRow < 1 ||
        startRow > height)
        return;
    const EdgeFrame f = {source, destination, height, width, startRow & 1, phase & 1, boundedMaximum(maximum), 0, {}};
    const int32_t endColumn = interiorEndColumn(width, phase);
    for (int32_t r = startRow; r < height; ++r)
        eachColumn(f, r, phase, endColumn, [&](const auto& g, int32_t c) { g.storeGreen(r, c); });
    for (int32_t r = startRow - 1; r < height; ++r) {
        eachColumn(f, r, phase - 1, endColumn - 1, [&](const auto& g, int32_t c) { g.storeColour(r, c, true); });
        if (r >= startRow)
            eachColumn(f, r, phase, endColumn, [&](const auto& g, int32_t c) { g.storeColour(r, c, false); });
    }
}

// Columns startColumn.. of a view whose red rows are even: rows 2.. all
// channels; red of column startColumn-1 and of row 1.
void edgeLastColsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height, int32_t width,
                         int32_t startColumn, int32_t maximum) {
    if (!source || !destination || !validFrame(height, width) || startColumn < 1 || startColumn > width) return;
    const EdgeFrame f = {source, destination, height, width, 0, startColumn & 1, boundedMaximum(maximum), 0, {}};
    namespace border = tav::edge16::border;
    const int32_t interiorRowsDone = interiorRows(height - 4);
    const int32_t rowsLeft = height - 2 - interiorRowsDone;
    eachRow(f, 2, height, [&](const auto& g, int32_t r) {
        for (int32_t c = startColumn; c < width; ++c)
            g.storeGreen(r, c,
                         border::doubledCorrectionsAt(height, width, startColumn, rowsLeft, r, c) ? kDoubledCorrection
                                                                                                 : kPlainGreen);
    });
    eachRow(f, 1, height, [&](const auto& g, int32_t r) {
        for (int32_t c = startColumn - 1; c < width; ++c) {
            if (border::leftHandRedAt(width, startColumn, interiorRowsDone, r, c)) {
                const int32_t green = g.greenSite(r, c) ? g.sample(r, c) : g.storedGreen(r, c);
                const int32_t v = g.greenSite(r, c)
                                      ? green + g.difference(r, c - 1)
                                      : green + ((2 * g.difference(r - 1, c - 1) + 2 * g.difference(r + 1, c - 1)) >> 2);
                g.store(r, c, 2, g.clamp(v));
            } else {
                g.storeColour(r, c, true);
            }
            if (r >= 2 && c >= startColumn) g.storeColour(r, c, false);
        }
    });
}

}  // extern "C"
