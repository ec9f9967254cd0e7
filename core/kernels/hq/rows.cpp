// The plain rows of the high-quality method. Each plane's row is made for
// the frame's own columns and then mirrored three columns out, so the next
// plane reads it with mirrored indices as the rule does. Values are stored
// as T (int16_t for 8-bit samples, int32_t otherwise) and computed in int.
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

template <class T>
void padRow(T* row, int32_t width) {
    for (int32_t k = 1; k <= 3; ++k) {
        row[-k] = row[k];
        row[width - 1 + k] = row[width - 1 - k];
    }
}

// Columns of red or blue sites in row y have this parity; green sites the other.
int32_t siteParity(const RowEngine& e, int32_t y) {
    return (e.phase.redColumnParity ^ ((y ^ e.phase.redRowParity) & 1)) & 1;
}
int32_t greenParity(const RowEngine& e, int32_t y) { return 1 ^ siteParity(e, y); }

// Entry of a packed row of parity `parity` that holds mirrored column
// `column`. A mirrored column keeps its parity; entries further out than
// any step reads get entry 0.
int32_t packedEntry(int32_t column, int32_t parity, int32_t width) {
    const int32_t c = mirror(column, width);
    return c >= 0 && c < width ? (c - parity) >> 1 : 0;
}

// Mirrored pads of a packed row: three entries on each side.
template <class T>
void padPacked(T* row, int32_t parity, int32_t width) {
    const int32_t count = (width - parity + 1) >> 1;
    for (int32_t k = 1; k <= 3; ++k) {
        row[-k] = row[packedEntry(2 * -k + parity, parity, width)];
        row[count - 1 + k] = row[packedEntry(2 * (count - 1 + k) + parity, parity, width)];
    }
}

// The vector rows of the engine's storage type.
template <class T>
const VectorRowsOf<T>* vectorOf(const RowEngine& e);
template <>
const VectorRowsOf<int32_t>* vectorOf<int32_t>(const RowEngine& e) { return e.vector ? &e.vector->wide : nullptr; }
template <>
const VectorRowsOf<int16_t>* vectorOf<int16_t>(const RowEngine& e) { return e.vector ? &e.vector->narrow : nullptr; }

template <class T>
struct Rows {
    typedef typename GradientOf<T>::type G;

    // Row `slot` of a ring, past its left pad.
    template <class U>
    static U* rowOf(RowEngine& e, Ring& ring, int32_t slot) {
        return static_cast<U*>(ring.rows) + (size_t)slot * e.stride + kPad;
    }

    // Row y of a plane (mirrored into the frame), made if its slot holds another row.
    template <class U>
    static const U* of(RowEngine& e, Ring& ring, int32_t y, void (*make)(RowEngine&, int32_t, U*)) {
        y = mirror(y, e.height);
        const int32_t slot = y % kRingRows;
        U* row = rowOf<U>(e, ring, slot);
        if (ring.tags[slot] != y) {
            make(e, y, row);
            ring.tags[slot] = y;
        }
        return row;
    }

    static void makeSamples(RowEngine& e, int32_t y, T* out) {
        e.source.read(e.source.rows, y, out);
        padRow(out, e.width);
    }
    static const T* samples(RowEngine& e, int32_t y) { return of(e, e.samples, y, makeSamples); }

    // 16(G - C) from the cubic estimate of the other colour: e - 16P at a
    // red or blue site, 16P - e at a green one (negated where the mask is -1).
    static int32_t difference(int32_t near, int32_t far, int32_t own, int32_t second, int32_t greenMask) {
        const int32_t v = 9 * near - far + 2 * own - second - 16 * own;
        return (v ^ greenMask) - greenMask;
    }

    static void makeDiffH(RowEngine& e, int32_t y, T* out) {
        const T* p = samples(e, y);
        const int32_t parity = greenParity(e, y);
        const T* taps[7] = {p - 3, p - 2, p - 1, p, p + 1, p + 2, p + 3};
        const VectorRowsOf<T>* vector = vectorOf<T>(e);
        for (int32_t x = vector ? vector->differences(taps, out, e.width, parity) : 0; x < e.width; ++x) {
            const int32_t mask = -(int32_t)(((x ^ parity) & 1) == 0);
            out[x] = (T)difference(p[x - 1] + p[x + 1], p[x - 3] + p[x + 3], p[x], p[x - 2] + p[x + 2], mask);
        }
        padRow(out, e.width);
    }
    static const T* diffH(RowEngine& e, int32_t y) { return of(e, e.diffH, y, makeDiffH); }

    // Gradients of the padded columns -2 .. width + 1 (mirrored like the
    // differences they come from), summed over five columns.
    static void fiveColumnSums(RowEngine& e, const T* a, const T* b, G* out) {
        T* g = static_cast<T*>(e.gradients) + kPad;
        const VectorRowsOf<T>* vector = vectorOf<T>(e);
        const int32_t span = e.width + 4;
        for (int32_t x = vector ? vector->absoluteDifferences(a - 2, b - 2, g - 2, span) - 2 : -2; x < e.width + 2; ++x)
            g[x] = (T)absInt(a[x] - b[x]);
        const G* gradients = reinterpret_cast<const G*>(g);
        for (int32_t x = vector ? vector->fiveSums(gradients, out, e.width) : 0; x < e.width; ++x)
            out[x] = (G)(g[x - 2] + g[x - 1] + g[x] + g[x + 1] + g[x + 2]);
    }

    static void makeGradH(RowEngine& e, int32_t y, G* out) {
        const T* d = diffH(e, y);
        fiveColumnSums(e, d - 1, d + 1, out);
    }

    static void makeDiffV(RowEngine& e, int32_t y, T* out) {
        const T* p[7];
        for (int32_t k = 0; k < 7; ++k) p[k] = samples(e, y + k - 3);
        const int32_t parity = greenParity(e, y);
        const VectorRowsOf<T>* vector = vectorOf<T>(e);
        for (int32_t x = vector ? vector->differences(p, out, e.width, parity) : 0; x < e.width; ++x) {
            const int32_t mask = -(int32_t)(((x ^ parity) & 1) == 0);
            out[x] = (T)difference(p[2][x] + p[4][x], p[0][x] + p[6][x], p[3][x], p[1][x] + p[5][x], mask);
        }
        padRow(out, e.width);
    }
    static const T* diffV(RowEngine& e, int32_t y) { return of(e, e.diffV, y, makeDiffV); }

    static void makeGradV(RowEngine& e, int32_t y, G* out) {
        const T* above = diffV(e, y - 1);
        const T* below = diffV(e, y + 1);
        fiveColumnSums(e, above, below, out);
    }

    // The packed rows of row y: green and sample minus green at its red or
    // blue sites, and the samples of its green sites.
    static void makeSites(RowEngine& e, int32_t y, int32_t slot) {
        // Horizontal gradients first: they read the sample rows nearest y,
        // which the vertical differences then push further into their ring.
        const G* gH[5];
        const G* gV[5];
        for (int32_t k = 0; k < 5; ++k) gH[k] = of<G>(e, e.gradH, y + k - 2, makeGradH);
        for (int32_t k = 0; k < 5; ++k) gV[k] = of<G>(e, e.gradV, y + k - 2, makeGradV);
        const T* dh = diffH(e, y);
        const T* dv[3] = {diffV(e, y - 1), diffV(e, y), diffV(e, y + 1)};
        const T* p = samples(e, y);
        T* siteGreen = rowOf<T>(e, e.siteGreen, slot);
        T* siteColour = rowOf<T>(e, e.siteColour, slot);
        T* greenSamples = rowOf<T>(e, e.greenSamples, slot);
        const int32_t parity = siteParity(e, y);
        const VectorRowsOf<T>* vector = vectorOf<T>(e);
        int32_t x = vector ? vector->greens(p, gH, gV, dh, dv, siteGreen, siteColour, greenSamples, e.width, parity,
                                            e.maxValue)
                           : 0;
        for (; x < e.width; ++x) {
            const int32_t j = x >> 1;
            if ((x & 1) != parity) {
                greenSamples[j] = p[x];
                continue;
            }
            // The 5x5 gradient sums from five rows of five-column sums.
            const int32_t windowH = (int32_t)gH[0][x] + gH[1][x] + gH[2][x] + gH[3][x] + gH[4][x];
            const int32_t windowV = (int32_t)gV[0][x] + gV[1][x] + gV[2][x] + gV[3][x] + gV[4][x];
            const int32_t sH = dh[x - 1] + 2 * dh[x] + dh[x + 1];
            const int32_t sV = dv[0][x] + 2 * dv[1][x] + dv[2][x];
            const int32_t s = 9 * windowH < 8 * windowV ? 2 * sH : (9 * windowV < 8 * windowH ? 2 * sV : sH + sV);
            const int32_t green = clampTo(p[x] + ((s + 64) >> 7), e.maxValue);
            siteGreen[j] = (T)green;
            siteColour[j] = (T)(p[x] - green);
        }
        padPacked(siteGreen, parity, e.width);
        padPacked(siteColour, parity, e.width);
    }

    // Slot of row y's packed rows, made if the slot holds another row.
    static int32_t sites(RowEngine& e, int32_t y) {
        y = mirror(y, e.height);
        const int32_t slot = y % kRingRows;
        if (e.siteGreen.tags[slot] != y) {
            makeSites(e, y, slot);
            e.siteGreen.tags[slot] = y;
        }
        return slot;
    }

    static void output(RowEngine& e, int32_t y, uint16_t* red, uint16_t* greenOut, uint16_t* blue) {
        // Packed rows y - 3 .. y + 3: sample minus green of all seven, green of the five around y.
        int32_t slots[7];
        for (int32_t k = 0; k < 7; ++k) slots[k] = sites(e, y + k - 3);
        const T* d[7];
        for (int32_t k = 0; k < 7; ++k) d[k] = rowOf<T>(e, e.siteColour, slots[k]);
        const T* g[5];
        for (int32_t k = 0; k < 5; ++k) g[k] = rowOf<T>(e, e.siteGreen, slots[k + 1]);
        const T* samplesOfGreen = rowOf<T>(e, e.greenSamples, slots[3]);
        const int32_t maxValue = e.maxValue;
        const int32_t s = siteParity(e, y);
        const bool redRow = ((y ^ e.phase.redRowParity) & 1) == 0;
        // The colour of the row (red on red rows) and the other one.
        uint16_t* rowColour = redRow ? red : blue;
        uint16_t* otherColour = redRow ? blue : red;
        const VectorRowsOf<T>* vector = vectorOf<T>(e);
        int32_t x = vector ? vector->outputs(g, d, samplesOfGreen, rowColour, greenOut, otherColour, e.width, s, maxValue)
                           : 0;
        // Rows an odd distance away hold the other parity: their entry i + s - 1
        // is column x - 1 of a site x = 2i + s; row y's own entry i - s is
        // column x - 1 of a green site x = 2i + 1 - s.
        const T *d0 = d[0] + s - 1, *d2 = d[2] + s - 1, *d4 = d[4] + s - 1, *d6 = d[6] + s - 1;
        const T *g1 = g[1] + s - 1, *g3 = g[3] + s - 1;
        const T* alongRow = d[3] - s;
        for (; x < e.width; ++x) {
            const int32_t i = x >> 1;
            int32_t own, gx, other;
            if ((x & 1) != s) {
                // Along the row for the colour of the row, along the column for the other.
                gx = samplesOfGreen[i];
                const int32_t row = 9 * (alongRow[i] + alongRow[i + 1]) - alongRow[i - 1] - alongRow[i + 2];
                const int32_t column = 9 * (d[2][i] + d[4][i]) - d[0][i] - d[6][i];
                own = clampTo(gx + ((row + 8) >> 4), maxValue);
                other = clampTo(gx + ((column + 8) >> 4), maxValue);
            } else {
                // The own sample, and the other colour across the diagonals.
                gx = g[2][i];
                const int32_t nw = d2[i], ne = d2[i + 1], sw = d4[i], se = d4[i + 1];
                const int32_t g1d = absInt(g1[i] - g3[i + 1]) + absInt(nw - se) + absInt(2 * gx - g[0][i - 1] - g[4][i + 1]);
                const int32_t g2d = absInt(g1[i + 1] - g3[i]) + absInt(ne - sw) + absInt(2 * gx - g[0][i + 1] - g[4][i - 1]);
                int32_t c;
                if (2 * g1d < g2d) {
                    c = 4 * (9 * (nw + se) - d0[i - 1] - d6[i + 2]);
                } else if (2 * g2d < g1d) {
                    c = 4 * (9 * (ne + sw) - d0[i + 2] - d6[i - 1]);
                } else {
                    const int32_t s4 = nw + se + ne + sw;
                    const int32_t s8 = d0[i] + d0[i + 1] + d6[i] + d6[i + 1] + d2[i - 1] + d2[i + 2] + d4[i - 1] + d4[i + 2];
                    c = 22 * s4 - 3 * s8;
                }
                own = d[3][i] + gx;
                other = clampTo(gx + ((c + 32) >> 6), maxValue);
            }
            rowColour[x] = (uint16_t)own;
            greenOut[x] = (uint16_t)gx;
            otherColour[x] = (uint16_t)other;
        }
    }
};

}  // namespace

uint64_t engineBytes(int32_t width, int32_t maxValue) {
    const uint64_t valueBytes = maxValue <= 255 ? sizeof(int16_t) : sizeof(int32_t);
    const uint64_t stride = ((uint64_t)width + 2 * kPad + 15) & ~(uint64_t)15;
    return 64 + stride * ((uint64_t)kPlanes * kRingRows * valueBytes + sizeof(int32_t));
}

void initEngine(RowEngine& e, uint8_t* memory, int32_t width, int32_t height, BayerPhase phase,
                int32_t maxValue, const SampleSource& source) {
    e.vector = simd::kernels().hqRows;
    e.narrow = maxValue <= 255;
    e.width = width;
    e.height = height;
    e.maxValue = maxValue;
    e.phase = phase;
    e.stride = strideOf(width);
    e.source = source;
    uint8_t* next = memory + ((64 - ((uintptr_t)memory & 63)) & 63);
    const size_t ringBytes = (size_t)kRingRows * e.stride * (e.narrow ? sizeof(int16_t) : sizeof(int32_t));
    Ring* rings[kPlanes] = {&e.samples, &e.diffH,     &e.gradH,      &e.diffV,
                            &e.gradV,   &e.siteGreen, &e.siteColour, &e.greenSamples};
    for (Ring* ring : rings) {
        ring->rows = next;
        for (int32_t& tag : ring->tags) tag = -1;
        next += ringBytes;
    }
    e.gradients = next;
}

void outputRow(RowEngine& e, int32_t y, uint16_t* red, uint16_t* green, uint16_t* blue) {
    if (e.narrow) {
        Rows<int16_t>::output(e, y, red, green, blue);
    } else {
        Rows<int32_t>::output(e, y, red, green, blue);
    }
}

}  // namespace hq
}  // namespace tav
