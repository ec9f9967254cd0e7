// The prototype rule of hq_rule.h computed plane by plane over a mirror-padded
// copy of the frame, with branch-free loops a compiler can vectorise. Used by
// the driver to estimate the speed of a vectorised implementation; it gives
// the same bytes as hq::demosaicFrame (check_rule.py compares them).
//
// Padding the mosaic by mirroring and running the rule on the padded frame is
// the same as reading every plane with mirrored indices: each step is
// symmetric under reflection, so its planes inherit the padded mosaic's
// mirror symmetry.
#ifndef TAV_BENCH_HQ_PLANES_H
#define TAV_BENCH_HQ_PLANES_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "hq_rule.h"

namespace hq {

class PlaneRunner {
public:
    static const int kPad = 9;  // the rule's reach

    // Bands of rows keep every plane of a band in the second-level cache.
    static const int kBand = 64;  // even, so every band starts on the same Bayer row

    template <class T>
    void run(const T* mosaic, int width, int height, Phase phase, int maxValue, T* rgb) {
        const int pw = width + 2 * kPad;
        resize(pw, kBand + 2 * kPad);
        // Parities in the padded band: red and blue sites negate their difference.
        const int redColumn = (phase.redColumn + kPad) & 1, redRow = (phase.redRow + kPad) & 1;
        if (maskPhase_ != 2 * redRow + redColumn) {
            maskPhase_ = 2 * redRow + redColumn;
            for (int y = 0; y < kBand + 2 * kPad; ++y) {
                const bool rowRed = (y & 1) == redRow;
                for (int x = 0; x < pw; ++x) {
                    const bool columnRed = (x & 1) == redColumn;
                    green_[(size_t)y * pw + x] = rowRed != columnRed ? -1 : 0;
                }
            }
        }
        for (int y0 = 0; y0 < height; y0 += kBand) {
            const int rows = height - y0 < kBand ? height - y0 : kBand;
            const int ph = rows + 2 * kPad;
            for (int y = 0; y < ph; ++y) {
                const T* row = mosaic + (size_t)mirror(y0 + y - kPad, height) * width;
                int32_t* out = &p_[(size_t)y * pw];
                for (int x = 0; x < kPad; ++x) out[x] = row[mirror(x - kPad, width)];
                for (int x = 0; x < width; ++x) out[x + kPad] = row[x];
                for (int x = width + kPad; x < pw; ++x) out[x] = row[mirror(x - kPad, width)];
            }
            differences(pw, ph);
            gradients(pw, ph);
            greens(pw, ph, maxValue);
            redBlue(width, rows, pw, redColumn, redRow, maxValue, rgb + (size_t)y0 * width * 3);
        }
    }

private:
    std::vector<int32_t> p_, dH_, dV_, gH_, gV_, colH_, colV_, g_, d_;
    std::vector<int32_t> green_;  // -1 at green sites, 0 elsewhere
    int maskPhase_ = -1;
    std::vector<int32_t> rowValue_, columnValue_, diagonalValue_;

    void resize(int pw, int ph) {
        // Only the computed ranges are read, so stale values elsewhere do no harm.
        const size_t n = (size_t)pw * ph;
        if (p_.size() == n) return;
        maskPhase_ = -1;
        for (std::vector<int32_t>* v : {&p_, &dH_, &dV_, &gH_, &gV_, &colH_, &colV_, &g_, &d_}) v->assign(n, 0);
        green_.assign(n, 0);
    }

    // Step 1 over columns/rows 3 .. n-4 of the padded frame.
    void differences(int pw, int ph) {
        for (int y = 0; y < ph; ++y) {
            const int32_t* r = &p_[(size_t)y * pw];
            const int32_t* isGreen = &green_[(size_t)y * pw];
            int32_t* h = &dH_[(size_t)y * pw];
            for (int x = 3; x < pw - 3; ++x) {
                const int32_t e = 9 * (r[x - 1] + r[x + 1]) - r[x - 3] - r[x + 3] + 2 * r[x] - r[x - 2] - r[x + 2];
                const int32_t d = e - 16 * r[x];
                h[x] = (d ^ isGreen[x]) - isGreen[x];  // negated at green sites
            }
        }
        for (int y = 3; y < ph - 3; ++y) {
            const int32_t* r = &p_[(size_t)y * pw];
            const int32_t* isGreen = &green_[(size_t)y * pw];
            int32_t* v = &dV_[(size_t)y * pw];
            const size_t s = pw;
            for (int x = 0; x < pw; ++x) {
                const int32_t e = 9 * (r[x - s] + r[x + s]) - r[x - 3 * s] - r[x + 3 * s] + 2 * r[x] -
                                  r[x - 2 * s] - r[x + 2 * s];
                const int32_t d = e - 16 * r[x];
                v[x] = (d ^ isGreen[x]) - isGreen[x];
            }
        }
    }

    static int32_t absolute(int32_t v) { return v < 0 ? -v : v; }
    static int32_t clampBranchless(int32_t v, int32_t maxValue) {
        const int32_t low = v < 0 ? 0 : v;
        return low > maxValue ? maxValue : low;
    }

    // Step 2 over 4 .. n-5.
    void gradients(int pw, int ph) {
        for (int y = 0; y < ph; ++y) {
            const int32_t* h = &dH_[(size_t)y * pw];
            int32_t* out = &gH_[(size_t)y * pw];
            for (int x = 4; x < pw - 4; ++x) {
                out[x] = absolute(h[x - 1] - h[x + 1]);
            }
        }
        for (int y = 4; y < ph - 4; ++y) {
            const size_t s = pw;
            const int32_t* v = &dV_[(size_t)y * pw];
            int32_t* out = &gV_[(size_t)y * pw];
            for (int x = 0; x < pw; ++x) {
                out[x] = absolute(v[x - s] - v[x + s]);
            }
        }
    }

    // Step 3 over 6 .. n-7: 5x5 sums as a vertical then a horizontal pass.
    static void columnSums(const int32_t* __restrict__ g, int s, int n, int32_t* __restrict__ out) {
        for (int x = 0; x < n; ++x) out[x] = g[x - 2 * s] + g[x - s] + g[x] + g[x + s] + g[x + 2 * s];
    }
    static void greenRow(const int32_t* __restrict__ colH, const int32_t* __restrict__ colV,
                         const int32_t* __restrict__ dh, const int32_t* __restrict__ dv,
                         const int32_t* __restrict__ p, const int32_t* __restrict__ isGreen, int s, int from,
                         int to, int32_t maxValue, int32_t* __restrict__ gOut, int32_t* __restrict__ dOut) {
        for (int x = from; x < to; ++x) {
            const int32_t sumH = colH[x - 2] + colH[x - 1] + colH[x] + colH[x + 1] + colH[x + 2];
            const int32_t sumV = colV[x - 2] + colV[x - 1] + colV[x] + colV[x + 1] + colV[x + 2];
            const int32_t sH = dh[x - 1] + 2 * dh[x] + dh[x + 1];
            const int32_t sV = dv[x - s] + 2 * dv[x] + dv[x + s];
            // Masks instead of branches: 2sH, 2sV or sH + sV.
            const int32_t useH = -(int32_t)(9 * sumH < 8 * sumV), useV = -(int32_t)(9 * sumV < 8 * sumH);
            const int32_t sel = sH + sV + (useH & (sH - sV)) + (useV & (sV - sH));
            const int32_t v = clampBranchless(p[x] + ((sel + 64) >> 7), maxValue);
            const int32_t g = v + (isGreen[x] & (p[x] - v));
            gOut[x] = g;
            dOut[x] = p[x] - g;
        }
    }
    void greens(int pw, int ph, int maxValue) {
        for (int y = 6; y < ph - 6; ++y) {
            const size_t o = (size_t)y * pw;
            columnSums(&gH_[o], pw, pw, &colH_[o]);
            columnSums(&gV_[o], pw, pw, &colV_[o]);
            greenRow(&colH_[o], &colV_[o], &dH_[o], &dV_[o], &p_[o], &green_[o], pw, 6, pw - 6, maxValue, &g_[o],
                     &d_[o]);
        }
    }

    static void alongAxes(const int32_t* __restrict__ g, const int32_t* __restrict__ d, int s, int n,
                          int32_t maxValue, int32_t* __restrict__ alongRow, int32_t* __restrict__ alongColumn) {
        for (int x = 0; x < n; ++x) {
            const int32_t cRow = 9 * (d[x - 1] + d[x + 1]) - d[x - 3] - d[x + 3];
            const int32_t cColumn = 9 * (d[x - s] + d[x + s]) - d[x - 3 * s] - d[x + 3 * s];
            alongRow[x] = clampBranchless(g[x] + ((cRow + 8) >> 4), maxValue);
            alongColumn[x] = clampBranchless(g[x] + ((cColumn + 8) >> 4), maxValue);
        }
    }

    // Step 4 over the frame (9 .. n-10): the three candidate values of every
    // pixel into row buffers, then the choice by site and the interleaving.
    template <class T>
    void redBlue(int width, int height, int pw, int redColumn, int redRow, int maxValue, T* rgb) {
        const ptrdiff_t s = pw;
        rowValue_.resize(width);
        columnValue_.resize(width);
        diagonalValue_.resize(width);
        for (int y = 0; y < height; ++y) {
            const int py = y + kPad;
            const int32_t* __restrict__ g = &g_[(size_t)py * pw + kPad];
            const int32_t* __restrict__ d = &d_[(size_t)py * pw + kPad];
            const int32_t* __restrict__ p = &p_[(size_t)py * pw + kPad];
            int32_t* __restrict__ alongRow = rowValue_.data();
            int32_t* __restrict__ alongColumn = columnValue_.data();
            int32_t* __restrict__ across = diagonalValue_.data();
            alongAxes(g, d, pw, width, maxValue, alongRow, alongColumn);
            for (int x = 0; x < width; ++x) {
                const int32_t dNW = d[x - s - 1], dSE = d[x + s + 1], dNE = d[x - s + 1], dSW = d[x + s - 1];
                const int32_t g1 = absolute(g[x - s - 1] - g[x + s + 1]) + absolute(dNW - dSE) +
                                   absolute(2 * g[x] - g[x - 2 * s - 2] - g[x + 2 * s + 2]);
                const int32_t g2 = absolute(g[x - s + 1] - g[x + s - 1]) + absolute(dNE - dSW) +
                                   absolute(2 * g[x] - g[x - 2 * s + 2] - g[x + 2 * s - 2]);
                const int32_t c1 = 4 * (9 * (dNW + dSE) - d[x - 3 * s - 3] - d[x + 3 * s + 3]);
                const int32_t c2 = 4 * (9 * (dNE + dSW) - d[x - 3 * s + 3] - d[x + 3 * s - 3]);
                const int32_t s8 = d[x - 3 * s - 1] + d[x - 3 * s + 1] + d[x + 3 * s - 1] + d[x + 3 * s + 1] +
                                   d[x - s - 3] + d[x - s + 3] + d[x + s - 3] + d[x + s + 3];
                const int32_t c0 = 22 * (dNW + dSE + dNE + dSW) - 3 * s8;
                const int32_t use1 = -(int32_t)(2 * g1 < g2), use2 = -(int32_t)(2 * g2 < g1);
                const int32_t c = c0 + (use1 & (c1 - c0)) + (use2 & (c2 - c0));
                across[x] = clampBranchless(g[x] + ((c + 32) >> 6), maxValue);
            }
            // Per row the sites alternate between two kinds; first the kind of even columns.
            const bool rowRed = (py & 1) == redRow;
            const int evenIsRed = ((kPad & 1) == redColumn);
            T* out = rgb + (size_t)y * width * 3;
            for (int x = 0; x < width; ++x) {
                const bool columnRed = (x & 1) == (evenIsRed ? 0 : 1);
                const int32_t red = rowRed ? (columnRed ? p[x] : alongRow[x]) : (columnRed ? alongColumn[x] : across[x]);
                const int32_t blue = rowRed ? (columnRed ? across[x] : alongColumn[x]) : (columnRed ? alongRow[x] : p[x]);
                out[3 * x] = (T)red;
                out[3 * x + 1] = (T)g[x];
                out[3 * x + 2] = (T)blue;
            }
        }
    }
};

}  // namespace hq

#endif
