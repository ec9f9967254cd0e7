// Checks that grey and dark averages can make a usable shading table: every
// average finite, not negative and within the table's depth, the grey frames
// brighter than the dark ones in every colour channel, and no pixel or cell
// of the finished table with gain 0. Plain C++ over plain arrays, so that
// tavraw calibrate and the Python package's shading_table build this one
// source and refuse the same tables with the same words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavcalibration {

// Each returns "" when the check passes, else the sentence that explains the
// refusal. Averages are row-major, width x height.

// `what` names the frames ("grey", "dark"). Refuses NaN, infinite or negative
// averages, and averages above 2^bits - 1.
std::string averagesProblem(const char* what, const float* average, int32_t width, int32_t height, int bits);

// Names the first colour channel whose mean grey level is not above its mean
// dark level. bayerOrder: "RG", "GR", "GB", "BG", or nullptr for Mono frames
// (one channel: the whole frame).
std::string brighterGreyProblem(const char* bayerOrder, int32_t width, int32_t height, const float* grey,
                                const float* dark);

// Parameter words of a finished table (header words first) with gain 0.
std::string zeroGainProblem(const uint32_t* table, size_t words);

}  // namespace tavcalibration
