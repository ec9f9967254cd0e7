// Border reflection of the 8-bit kernels: samples outside a frame are read
// mirrored about the first and last index without repeating it (-1 reads 1,
// n reads n - 2, n + 1 reads n - 3), which keeps the Bayer phase.
#ifndef TAV_KERNELS_MIRROR_INDEX_H
#define TAV_KERNELS_MIRROR_INDEX_H

namespace tav {

// Valid for indices overshooting either end by less than n. Compares and
// subtracts only: 32-bit ARM has no divide instruction, and a `%` would cost
// a library call per index.
inline int reflectIndex(int i, int n) { return i < 0 ? -i : (i >= n ? 2 * (n - 1) - i : i); }

}  // namespace tav

#endif
