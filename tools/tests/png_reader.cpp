#include "png_reader.h"

#include <png.h>

#include <cstdio>

PngPixels readPng(const std::string& path) {
    PngPixels result;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return result;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> bytes;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_info(png, info);
        result.width = png_get_image_width(png, info);
        result.height = png_get_image_height(png, info);
        result.channels = png_get_channels(png, info);
        result.bitDepth = png_get_bit_depth(png, info);
        result.significantBits = result.bitDepth;
        png_color_8p bits = nullptr;
        if (png_get_sBIT(png, info, &bits) && bits) {
            result.significantBits = result.channels == 1 ? bits->gray : bits->red;
        }
        const size_t rowBytes = png_get_rowbytes(png, info);
        bytes.resize(rowBytes * result.height);
        rows.resize(result.height);
        for (uint32_t y = 0; y < result.height; ++y) rows[y] = bytes.data() + y * rowBytes;
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        const size_t count = static_cast<size_t>(result.width) * result.height * result.channels;
        result.samples.resize(count);
        for (size_t i = 0; i < count; ++i) {
            result.samples[i] = result.bitDepth == 16
                                    ? static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1])
                                    : bytes[i];
        }
        result.ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return result;
}
