// The plain rows of the high-quality method. Each plane's row is made for
// the frame's own columns and then mirrored three columns out, so the next
// plane reads it with mirrored indices as the rule does.
#include "kernels/hq/rows.h"

#include "kernels/hq/vectorRows.h"
#include "simd/kernelTable.h"

namespace tav {
namespace hq {

namespace {

constexpr int32_t kPad = 4;  // three mirrored columns are read; four keep rows aligned

inline int32_t mirror(int32_t i, int32_t n) { return i < 0 ? -i : (i >= n ? 2 * (n - 1) - i : i); }
inline int32_t absInt(int32_t v) { return v < 0 ? -v : v; }
inline int32_t clampTo(int32_t v, int32_t maxValue) { return v < 0 ? 0 : (v > maxValue ? maxValue : v); }

size_t strideOf(int32_t width) { return ((size_t)width + 2 * kPad + 15) & ~(size_t)15; }

void padRow(int32_t* row, int32_t width) {
    for (int32_t k = 1; k <= 3; ++k) {
        row[-k] = row[k];
        row[width - 1 + k] = row[width - 1 - k];
    }
}

// Columns of green sites in row y have this parity.
int32_t greenParity(const RowEngine& e, int32_t y) {
    return (1 ^ e.phase.redColumnParity ^ ((y ^ e.phase.redRowParity) & 1)) & 1;
}

typedef void (*MakeRow)(RowEngine& e, int32_t y, int32_t* out);

// Row y of a plane (mirrored into the frame), made if its slot holds another row.
const int32_t* rowOf(RowEngine& e, Ring& ring, int32_t y, MakeRow make) {
    y = mirror(y, e.height);
    const int32_t slot = y % kRingRows;
    int32_t* row = ring.rows + (size_t)slot * e.stride + kPad;
    if (ring.tags[slot] != y) {
        make(e, y, row);
        ring.tags[slot] = y;
    }
    return row;
}

void makeSamples(RowEngine& e, int32_t y, int32_t* out) {
    e.source.read(e.source.rows, y, out);
    padRow(out, e.width);
}

const int32_t* samples(RowEngine& e, int32_t y) { return rowOf(e, e.samples, y, makeSamples); }

// 16(G - C) from the cubic estimate e of the other colour: e - 16P at a red
// or blue site, 16P - e at a green one (negated where the mask is -1).
inline int32_t difference(int32_t near, int32_t far, int32_t own, int32_t second, int32_t greenMask) {
    const int32_t v = 9 * near - far + 2 * own - second - 16 * own;
    return (v ^ greenMask) - greenMask;
}

void makeDiffH(RowEngine& e, int32_t y, int32_t* out) {
    const int32_t* p = samples(e, y);
    const int32_t parity = greenParity(e, y);
    const int32_t* taps[7] = {p - 3, p - 2, p - 1, p, p + 1, p + 2, p + 3};
    for (int32_t x = e.vector ? e.vector->differences(taps, out, e.width, parity) : 0; x < e.width; ++x) {
        const int32_t mask = -(int32_t)(((x ^ parity) & 1) == 0);
        out[x] = difference(p[x - 1] + p[x + 1], p[x - 3] + p[x + 3], p[x], p[x - 2] + p[x + 2], mask);
    }
    padRow(out, e.width);
}

const int32_t* diffH(RowEngine& e, int32_t y) { return rowOf(e, e.diffH, y, makeDiffH); }

void makeGradH(RowEngine& e, int32_t y, int32_t* out) {
    const int32_t* d = diffH(e, y);
    int32_t x = e.vector ? e.vector->absoluteDifferences(d - 1, d + 1, out, e.width) : 0;
    for (; x < e.width; ++x) out[x] = absInt(d[x - 1] - d[x + 1]);
    padRow(out, e.width);
}

void makeDiffV(RowEngine& e, int32_t y, int32_t* out) {
    const int32_t* p[7];
    for (int32_t k = 0; k < 7; ++k) p[k] = samples(e, y + k - 3);
    const int32_t parity = greenParity(e, y);
    for (int32_t x = e.vector ? e.vector->differences(p, out, e.width, parity) : 0; x < e.width; ++x) {
        const int32_t mask = -(int32_t)(((x ^ parity) & 1) == 0);
        out[x] = difference(p[2][x] + p[4][x], p[0][x] + p[6][x], p[3][x], p[1][x] + p[5][x], mask);
    }
    padRow(out, e.width);
}

const int32_t* diffV(RowEngine& e, int32_t y) { return rowOf(e, e.diffV, y, makeDiffV); }

void makeGradV(RowEngine& e, int32_t y, int32_t* out) {
    const int32_t* above = diffV(e, y - 1);
    const int32_t* below = diffV(e, y + 1);
    int32_t x = e.vector ? e.vector->absoluteDifferences(above, below, out, e.width) : 0;
    for (; x < e.width; ++x) out[x] = absInt(above[x] - below[x]);
    padRow(out, e.width);
}

// Sums of five gradient rows around y, for columns -2 .. width + 1.
void columnSums(RowEngine& e, Ring& ring, MakeRow make, int32_t y, int32_t* sums) {
    const int32_t* g[5];
    for (int32_t k = 0; k < 5; ++k) g[k] = rowOf(e, ring, y + k - 2, make);
    int32_t x = e.vector ? e.vector->columnSums(g, sums, e.width) : -2;
    for (; x < e.width + 2; ++x) sums[x] = g[0][x] + g[1][x] + g[2][x] + g[3][x] + g[4][x];
}

void makeGreen(RowEngine& e, int32_t y, int32_t* out) {
    // Horizontal gradients first: they read the sample rows nearest y, which
    // the vertical differences then push further into their ring.
    columnSums(e, e.gradH, makeGradH, y, e.sumH);
    columnSums(e, e.gradV, makeGradV, y, e.sumV);
    const int32_t* dh = diffH(e, y);
    const int32_t* dvRows[3] = {diffV(e, y - 1), diffV(e, y), diffV(e, y + 1)};
    const int32_t* dvAbove = dvRows[0];
    const int32_t* dv = dvRows[1];
    const int32_t* dvBelow = dvRows[2];
    const int32_t* p = samples(e, y);
    const int32_t* sumH = e.sumH;
    const int32_t* sumV = e.sumV;
    const int32_t parity = greenParity(e, y);
    int32_t x = e.vector ? e.vector->greens(p, sumH, sumV, dh, dvRows, out, e.width, parity, e.maxValue) : 0;
    for (; x < e.width; ++x) {
        if (((x ^ parity) & 1) == 0) {
            out[x] = p[x];
            continue;
        }
        const int32_t windowH = sumH[x - 2] + sumH[x - 1] + sumH[x] + sumH[x + 1] + sumH[x + 2];
        const int32_t windowV = sumV[x - 2] + sumV[x - 1] + sumV[x] + sumV[x + 1] + sumV[x + 2];
        const int32_t sH = dh[x - 1] + 2 * dh[x] + dh[x + 1];
        const int32_t sV = dvAbove[x] + 2 * dv[x] + dvBelow[x];
        const int32_t s = 9 * windowH < 8 * windowV ? 2 * sH : (9 * windowV < 8 * windowH ? 2 * sV : sH + sV);
        out[x] = clampTo(p[x] + ((s + 64) >> 7), e.maxValue);
    }
    padRow(out, e.width);
}

const int32_t* green(RowEngine& e, int32_t y) { return rowOf(e, e.green, y, makeGreen); }

// Sample minus green, padded columns included (both rows are mirrored).
void makeColour(RowEngine& e, int32_t y, int32_t* out) {
    const int32_t* g = green(e, y);
    const int32_t* p = samples(e, y);
    int32_t x = e.vector ? e.vector->colourDifferences(p, g, out, e.width) : -3;
    for (; x < e.width + 3; ++x) out[x] = p[x] - g[x];
}

const int32_t* colour(RowEngine& e, int32_t y) { return rowOf(e, e.colour, y, makeColour); }

}  // namespace

size_t engineBytes(int32_t width) {
    return 64 + ((size_t)kPlanes * kRingRows + 2) * strideOf(width) * sizeof(int32_t);
}

void initEngine(RowEngine& e, uint8_t* memory, int32_t width, int32_t height, BayerPhase phase,
                int32_t maxValue, const SampleSource& source) {
    e.vector = simd::kernels().hqRows;
    e.width = width;
    e.height = height;
    e.maxValue = maxValue;
    e.phase = phase;
    e.stride = strideOf(width);
    e.source = source;
    int32_t* next = reinterpret_cast<int32_t*>(memory + ((64 - ((uintptr_t)memory & 63)) & 63));
    Ring* rings[kPlanes] = {&e.samples, &e.diffH, &e.gradH, &e.diffV, &e.gradV, &e.green, &e.colour};
    for (Ring* ring : rings) {
        ring->rows = next;
        for (int32_t& tag : ring->tags) tag = -1;
        next += (size_t)kRingRows * e.stride;
    }
    e.sumH = next + kPad;
    e.sumV = next + e.stride + kPad;
}

void outputRow(RowEngine& e, int32_t y, uint16_t* red, uint16_t* greenOut, uint16_t* blue) {
    // Sample-minus-green rows first: they make the green rows around y.
    const int32_t* d[7];
    for (int32_t k = 0; k < 7; ++k) d[k] = colour(e, y + k - 3);
    const int32_t* g[5];
    for (int32_t k = 0; k < 5; ++k) g[k] = green(e, y + k - 2);
    const int32_t* d0 = d[3];
    const int32_t* g0 = g[2];
    const int32_t maxValue = e.maxValue;
    const int32_t parity = greenParity(e, y);
    const bool redRow = ((y ^ e.phase.redRowParity) & 1) == 0;
    int32_t x = 0;
    if (e.vector != nullptr) {
        x = redRow ? e.vector->outputs(d, g, red, greenOut, blue, e.width, parity, maxValue)
                   : e.vector->outputs(d, g, blue, greenOut, red, e.width, parity, maxValue);
    }
    for (; x < e.width; ++x) {
        const int32_t gx = g0[x];
        int32_t r, b;
        if (((x ^ parity) & 1) == 0) {
            // Along the row for the colour of the row, along the column for the other.
            const int32_t alongRow = 9 * (d0[x - 1] + d0[x + 1]) - d0[x - 3] - d0[x + 3];
            const int32_t alongColumn = 9 * (d[2][x] + d[4][x]) - d[0][x] - d[6][x];
            const int32_t rowValue = clampTo(gx + ((alongRow + 8) >> 4), maxValue);
            const int32_t columnValue = clampTo(gx + ((alongColumn + 8) >> 4), maxValue);
            r = redRow ? rowValue : columnValue;
            b = redRow ? columnValue : rowValue;
        } else {
            const int32_t nw = d[2][x - 1], se = d[4][x + 1], ne = d[2][x + 1], sw = d[4][x - 1];
            const int32_t g1 = absInt(g[1][x - 1] - g[3][x + 1]) + absInt(nw - se) +
                               absInt(2 * gx - g[0][x - 2] - g[4][x + 2]);
            const int32_t g2 = absInt(g[1][x + 1] - g[3][x - 1]) + absInt(ne - sw) +
                               absInt(2 * gx - g[0][x + 2] - g[4][x - 2]);
            int32_t c;
            if (2 * g1 < g2) {
                c = 4 * (9 * (nw + se) - d[0][x - 3] - d[6][x + 3]);
            } else if (2 * g2 < g1) {
                c = 4 * (9 * (ne + sw) - d[0][x + 3] - d[6][x - 3]);
            } else {
                const int32_t s4 = nw + se + ne + sw;
                const int32_t s8 = d[0][x - 1] + d[0][x + 1] + d[6][x - 1] + d[6][x + 1] + d[2][x - 3] + d[2][x + 3] +
                                   d[4][x - 3] + d[4][x + 3];
                c = 22 * s4 - 3 * s8;
            }
            const int32_t other = clampTo(gx + ((c + 32) >> 6), maxValue);
            const int32_t own = d0[x] + gx;
            r = redRow ? own : other;
            b = redRow ? other : own;
        }
        red[x] = (uint16_t)r;
        greenOut[x] = (uint16_t)gx;
        blue[x] = (uint16_t)b;
    }
}

}  // namespace hq
}  // namespace tav
