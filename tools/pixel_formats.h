// Names and storage rules of the raw input formats, output types and methods
// that tavraw understands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavraw {

enum class Storage { Bytes8, Words16, Packed12 };  // Packed12: two samples in three bytes

struct PixelFormat {
    const char* name;  // PFNC name
    int32_t code;
    int bits;          // significant bits per sample
    Storage storage;
    const char* order; // Bayer order ("RG", "GR", "GB", "BG") or nullptr for Mono
};

struct OutputType {
    const char* name;
    int32_t code;
    int bytesPerPixel;  // per pixel over all planes
    bool planar;
    bool alpha;
    bool bgrOrder;      // blue first in memory
};

struct Method {
    const char* name;
    int32_t value;
};

const std::vector<PixelFormat>& inputFormats();
const std::vector<OutputType>& outputTypes();
const std::vector<Method>& methods();

// Case-insensitive lookups; nullptr when unknown.
const PixelFormat* findInputFormat(const std::string& name);
const PixelFormat* findInputFormatByCode(int32_t code);
const OutputType* findOutputType(const std::string& name);
const Method* findMethod(const std::string& name);

// Comma-separated list of all names, for messages and --help.
std::string inputFormatNames();
std::string outputTypeNames();
std::string methodNames();

// Smallest row length in bytes that holds `width` samples of the format.
int64_t minLineBytes(const PixelFormat& format, int64_t width);

const char* storageDescription(Storage storage);

}  // namespace tavraw
