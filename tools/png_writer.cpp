#include "png_writer.h"

#include <png.h>

#include "cli.h"
#include "raw_io.h"

namespace tavraw {

namespace {

void appendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

}  // namespace

void writePng(const std::string& path, const PngImage& image) {
    const size_t rowSamples = static_cast<size_t>(image.width) * image.channels;
    // Big-endian rows for 16-bit PNG, built before libpng takes over so that
    // its error path (a longjmp) has nothing of ours to unwind.
    std::vector<uint8_t> rows;
    if (image.bitDepth == 16) {
        rows.resize(image.samples16.size() * 2);
        for (size_t i = 0; i < image.samples16.size(); ++i) {
            rows[2 * i] = static_cast<uint8_t>(image.samples16[i] >> 8);
            rows[2 * i + 1] = static_cast<uint8_t>(image.samples16[i]);
        }
    }
    const uint8_t* pixels = image.bitDepth == 16 ? rows.data() : image.samples8.data();
    const size_t rowBytes = rowSamples * (image.bitDepth / 8);
    std::vector<png_bytep> rowPointers(static_cast<size_t>(image.height));
    for (int32_t y = 0; y < image.height; ++y) {
        rowPointers[static_cast<size_t>(y)] = const_cast<png_bytep>(pixels + rowBytes * static_cast<size_t>(y));
    }
    std::vector<uint8_t> encoded;

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &encoded, appendToVector, flushNothing);
        png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                     static_cast<png_uint_32>(image.height), image.bitDepth,
                     image.channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (image.significantBits != image.bitDepth) {
            png_color_8 bits;
            bits.red = bits.green = bits.blue = bits.gray = static_cast<png_byte>(image.significantBits);
            bits.alpha = 0;
            png_set_sBIT(png, info, &bits);
        }
        png_set_compression_level(png, 3);
        png_write_info(png, info);
        png_write_image(png, rowPointers.data());
        png_write_end(png, info);
    } else {
        ok = false;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    if (!ok) failure(path + ": PNG encoding failed");
    writeFileAtomic(path, encoded);
}

}  // namespace tavraw
