#include "pixel_formats.h"

#include <strings.h>

#include "tav_demosaic.h"

namespace tavraw {

const std::vector<PixelFormat>& inputFormats() {
    static const std::vector<PixelFormat> formats = {
        {"Mono8", TAV_PIXEL_MONO8, 8, Storage::Bytes8, nullptr},
        {"Mono10", TAV_PIXEL_MONO10, 10, Storage::Words16, nullptr},
        {"Mono12", TAV_PIXEL_MONO12, 12, Storage::Words16, nullptr},
        {"Mono14", TAV_PIXEL_MONO14, 14, Storage::Words16, nullptr},
        {"Mono16", TAV_PIXEL_MONO16, 16, Storage::Words16, nullptr},
        {"Mono10Packed", TAV_PIXEL_MONO10_PACKED, 10, Storage::Packed12, nullptr},
        {"Mono12Packed", TAV_PIXEL_MONO12_PACKED, 12, Storage::Packed12, nullptr},
        {"BayerGR8", TAV_PIXEL_BAYER_GR8, 8, Storage::Bytes8, "GR"},
        {"BayerRG8", TAV_PIXEL_BAYER_RG8, 8, Storage::Bytes8, "RG"},
        {"BayerGB8", TAV_PIXEL_BAYER_GB8, 8, Storage::Bytes8, "GB"},
        {"BayerBG8", TAV_PIXEL_BAYER_BG8, 8, Storage::Bytes8, "BG"},
        {"BayerGR10", TAV_PIXEL_BAYER_GR10, 10, Storage::Words16, "GR"},
        {"BayerRG10", TAV_PIXEL_BAYER_RG10, 10, Storage::Words16, "RG"},
        {"BayerGB10", TAV_PIXEL_BAYER_GB10, 10, Storage::Words16, "GB"},
        {"BayerBG10", TAV_PIXEL_BAYER_BG10, 10, Storage::Words16, "BG"},
        {"BayerGR12", TAV_PIXEL_BAYER_GR12, 12, Storage::Words16, "GR"},
        {"BayerRG12", TAV_PIXEL_BAYER_RG12, 12, Storage::Words16, "RG"},
        {"BayerGB12", TAV_PIXEL_BAYER_GB12, 12, Storage::Words16, "GB"},
        {"BayerBG12", TAV_PIXEL_BAYER_BG12, 12, Storage::Words16, "BG"},
        {"BayerGR16", TAV_PIXEL_BAYER_GR16, 16, Storage::Words16, "GR"},
        {"BayerRG16", TAV_PIXEL_BAYER_RG16, 16, Storage::Words16, "RG"},
        {"BayerGB16", TAV_PIXEL_BAYER_GB16, 16, Storage::Words16, "GB"},
        {"BayerBG16", TAV_PIXEL_BAYER_BG16, 16, Storage::Words16, "BG"},
        {"BayerGR10Packed", TAV_PIXEL_BAYER_GR10_PACKED, 10, Storage::Packed12, "GR"},
        {"BayerRG10Packed", TAV_PIXEL_BAYER_RG10_PACKED, 10, Storage::Packed12, "RG"},
        {"BayerGB10Packed", TAV_PIXEL_BAYER_GB10_PACKED, 10, Storage::Packed12, "GB"},
        {"BayerBG10Packed", TAV_PIXEL_BAYER_BG10_PACKED, 10, Storage::Packed12, "BG"},
        {"BayerGR12Packed", TAV_PIXEL_BAYER_GR12_PACKED, 12, Storage::Packed12, "GR"},
        {"BayerRG12Packed", TAV_PIXEL_BAYER_RG12_PACKED, 12, Storage::Packed12, "RG"},
        {"BayerGB12Packed", TAV_PIXEL_BAYER_GB12_PACKED, 12, Storage::Packed12, "GB"},
        {"BayerBG12Packed", TAV_PIXEL_BAYER_BG12_PACKED, 12, Storage::Packed12, "BG"},
    };
    return formats;
}

const std::vector<OutputType>& outputTypes() {
    static const std::vector<OutputType> types = {
        {"RGB8", TAV_PIXEL_RGB8, 3, false, false, false},
        {"BGR8", TAV_PIXEL_BGR8, 3, false, false, true},
        {"RGBA8", TAV_PIXEL_RGBA8, 4, false, true, false},
        {"BGRA8", TAV_PIXEL_BGRA8, 4, false, true, true},
        {"RGB8_Planar", TAV_PIXEL_RGB8_PLANAR, 3, true, false, false},
        {"BGR8_Planar", TAV_PIXEL_BGR8_PLANAR, 3, true, false, true},
        {"Mono8", TAV_PIXEL_MONO8, 1, false, false, false},
    };
    return types;
}

const std::vector<Method>& methods() {
    static const std::vector<Method> all = {
        {"nearest", TAV_METHOD_NEAREST},
        {"bilinear", TAV_METHOD_BILINEAR},
        {"edge", TAV_METHOD_EDGE},
        {"hq", TAV_METHOD_HQ},
    };
    return all;
}

namespace {

template <typename T>
const T* findByName(const std::vector<T>& items, const std::string& name) {
    for (const T& item : items) {
        if (strcasecmp(item.name, name.c_str()) == 0) return &item;
    }
    return nullptr;
}

template <typename T>
std::string joinNames(const std::vector<T>& items) {
    std::string out;
    for (const T& item : items) {
        if (!out.empty()) out += ", ";
        out += item.name;
    }
    return out;
}

}  // namespace

const PixelFormat* findInputFormat(const std::string& name) { return findByName(inputFormats(), name); }

const PixelFormat* findInputFormatByCode(int32_t code) {
    for (const PixelFormat& f : inputFormats()) {
        if (f.code == code) return &f;
    }
    return nullptr;
}

const OutputType* findOutputType(const std::string& name) { return findByName(outputTypes(), name); }
const Method* findMethod(const std::string& name) { return findByName(methods(), name); }

std::string inputFormatNames() { return joinNames(inputFormats()); }
std::string outputTypeNames() { return joinNames(outputTypes()); }
std::string methodNames() { return joinNames(methods()); }

int64_t minLineBytes(const PixelFormat& format, int64_t width) {
    switch (format.storage) {
        case Storage::Bytes8: return width;
        case Storage::Words16: return 2 * width;
        case Storage::Packed12: return 3 * ((width + 1) / 2);
    }
    return width;
}

const char* storageDescription(Storage storage) {
    switch (storage) {
        case Storage::Bytes8: return "one byte per sample";
        case Storage::Words16: return "one 16-bit little-endian word per sample";
        case Storage::Packed12: return "two samples in three bytes (GigE Vision packed)";
    }
    return "";
}

}  // namespace tavraw
