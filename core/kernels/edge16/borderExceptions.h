// The border exceptions of the 16-bit edge-directed kernels, in one table.
// Everywhere else the border routines follow the two passes with the
// mirrored border extension. These five sites depart from them; they are
// part of the interface (callers compare frames demosaiced before, and the
// region routines are exported one by one), so they stay exact.
//
// | exception             | routine       | site, in the routine's view                  | why it exists                                   |
// |-----------------------|---------------|----------------------------------------------|-------------------------------------------------|
// | unclamped top-left    | first rows    | B of (0,0), (0,1), (1,0), RG order           | the routine forms these blues from the green    |
// |                       |               |                                              | estimates of (0,0) and (1,1) before clamping    |
// | half differences      | first rows    | green at B site (0,0), BG order              | a frame that opens with a blue site lets the    |
// |                       |               |                                              | site stand for the rows and columns before it:  |
// |                       |               |                                              | second differences against the far side only    |
// | lower row as last     | first columns | green at B site (h-2, 0), red in odd columns,| the routine treats the view's second-last row   |
// |                       |               | odd row count (GR odd, BG even height)       | as its last and mirrors downward about it       |
// | doubled corrections   | last columns  | green at B site (h-1, w-2), two rows and     | the corner left over by both last routines is   |
// |                       |               | three columns left over                      | estimated with twice the usual corrections      |
// | left-hand red         | last columns  | red of column w-2 beside the interior rows,  | the red sites of the last column are not        |
// |                       |               | three columns left over                      | finished there: the left differences count twice|
//
// The predicates below are the table's site column; the routines ask them.
#ifndef TAV_KERNELS_EDGE16_BORDER_EXCEPTIONS_H
#define TAV_KERNELS_EDGE16_BORDER_EXCEPTIONS_H

#include <stdint.h>

namespace tav {
namespace edge16 {
namespace border {

// First rows: rowShift 1 when the red rows are the odd ones, phase 2 or 3.
inline bool unclampedTopLeftBlue(int32_t rowShift, int32_t phase) { return rowShift == 0 && phase == 2; }

inline bool halfDifferencesAt(int32_t rowShift, int32_t phase, int32_t r, int32_t c) {
    return rowShift == 1 && phase == 3 && r == 0 && c == 0;
}

// First columns: height is the view's row count.
inline bool lowerRowAsLastAt(int32_t phase, int32_t height, int32_t r, int32_t c) {
    return phase == 3 && (height & 1) && r == height - 2 && c == 0;
}

// Last columns: rowsLeft is the number of rows below the interior's, from row 2.
inline bool threeColumnsLeft(int32_t width, int32_t startColumn) { return width - startColumn == 3; }

inline bool doubledCorrectionsAt(int32_t height, int32_t width, int32_t startColumn, int32_t rowsLeft, int32_t r,
                                 int32_t c) {
    return threeColumnsLeft(width, startColumn) && rowsLeft == 2 && r == height - 1 && c == width - 2;
}

inline bool leftHandRedAt(int32_t width, int32_t startColumn, int32_t interiorRowsDone, int32_t r, int32_t c) {
    return threeColumnsLeft(width, startColumn) && c == width - 2 && r <= interiorRowsDone;
}

}  // namespace border
}  // namespace edge16
}  // namespace tav

#endif
