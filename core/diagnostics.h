// The one diagnostic line every failing check prints: "error line = [N]" on
// stdout, no newline, nothing flushed, so consecutive failures run together.
// A thread that set a buffer with tavSetThreadDiagnostics gets its lines (and
// the shading functions' messages) appended there instead.
// Every number that can appear is named below; the numbers are part of the
// interface and never change. Tests use the same names.
#ifndef TAV_CORE_DIAGNOSTICS_H
#define TAV_CORE_DIAGNOSTICS_H

namespace tav {

enum DiagnosticLine : int {
    // Context and configuration.
    kLineCreateNullHandle = 13,
    kLineCreateNoMemory = 20,
    kLineReleaseNullHandle = 41,
    kLineWorkBufferNoMemory = 42,
    kLineGetConfigNull = 52,
    kLineSetConfigNull = 70,
    kLineSetConfigOutputType = 74,
    kLineSetThreadsNull = 78,
    kLineSetThreadsNegative = 79,

    // BMP row alignment.
    kLineBmpNull = 14,
    kLineBmpNullData = 15,
    kLineBmpSize = 16,

    // Demosaic entry.
    kLineDemosaicNull = 94,
    kLineDemosaicNullData = 95,
    kLineDemosaicSize = 96,
    kLineDemosaicTooLarge = 104,
    kLineDemosaicPixelType = 110,
    kLineDemosaicNoMemory8Bit = 115,
    kLineDemosaicNoMemoryConverted = 119,

    // 16-bit bilinear entry points.
    kLineBilinear16Null = 196,
    kLineBilinear16Size = 197,
    kLineBilinear16Order = 198,
    kLineBilinear16PlanarNull = 217,
    kLineBilinear16PlanarSize = 218,
    kLineBilinear16PlanarOrder = 219,

    // Edge-directed 8-bit kernels (size or null buffer), per kernel.
    kLineEdgeRgBgr = 5661,
    kLineEdgeGbBgr = 5606,
    kLineEdgeRgBgra = 7543,
    kLineEdgeGbBgra = 7493,
    kLineEdgeRgPlanar = 9337,
    kLineEdgeGbPlanar = 9284,
    kLineEdgeRgMono = 11112,
    kLineEdgeGbMono = 11063,

    // Block shading records.
    kLineBlockNull = 501,
    kLineBlockMode = 502,
    kLineBlockSize = 503,
    kLineBlockBits = 504,
    kLineBlockShape = 505,

    // Shading parameter table.
    kLineTableNull = 598,
    kLineTableMode = 599,
    kLineTableSize = 600,
    kLineTableOddSize = 601,

    // Shading correction.
    kLineCorrectionNull = 692,
    kLineCorrectionNullData = 693,
    kLineCorrectionTableMode = 694,
    kLineCorrectionTableSize = 695,

    // Picture pipeline: settings, then checks at the frame.
    kLinePipelineInitNull = 801,
    kLinePipelineSetNull = 802,
    kLinePipelineNotFinite = 803,
    kLinePipelineGain = 804,
    kLinePipelineMatrix = 805,
    kLinePipelineBlack = 806,
    kLinePipelineCurve = 807,
    kLinePipelineGamma = 808,
    kLinePipelineTableMode = 809,
    kLinePipelineNoMemory = 810,
    kLinePictureBlack = 811,
    kLinePictureTableSize = 812,
    kLinePictureTableMode = 813,
    kLinePictureNoMemory = 814,
    kLinePipelineStatsNull = 815,
};

void printErrorLine(DiagnosticLine line);

// A fixed message ended by a newline, as puts prints it (to the thread's
// diagnostics buffer when it has one).
void printDiagnosticMessage(const char* message);

}  // namespace tav

#endif
