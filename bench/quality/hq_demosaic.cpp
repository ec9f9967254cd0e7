// Command-line driver of the prototype rule for the quality run: reads a raw
// mosaic (8-bit, or 16-bit little-endian with --bits), writes interleaved
// R, G, B samples of the same width. With --repeat N it demosaics N times and
// prints the best time per megapixel. --path plain runs the per-pixel rule of
// hq_rule.h, --path planes (the default) its plane-by-plane form of
// hq_planes.h, which needs frames of at least 10x10.
//
// usage: hq_demosaic [--bits B] [--phase RG|GR|GB|BG] [--path plain|planes] [--repeat N] WIDTH HEIGHT IN OUT
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hq_planes.h"
#include "hq_rule.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: hq_demosaic [--bits B] [--phase RG|GR|GB|BG] [--path plain|planes] [--repeat N] WIDTH HEIGHT IN OUT\n");
    return 2;
}

bool readAll(const char* path, std::vector<unsigned char>& bytes) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    unsigned char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool writeAll(const char* path, const void* data, size_t size) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

template <class T>
int run(const std::vector<unsigned char>& bytes, int width, int height, hq::Phase phase, int bits, int repeat,
        bool plain, const char* outPath) {
    const size_t n = (size_t)width * height;
    std::vector<T> mosaic(n);
    std::memcpy(mosaic.data(), bytes.data(), n * sizeof(T));  // little-endian host
    std::vector<T> rgb(3 * n);
    std::vector<int32_t> scratch(plain ? 5 * n : 0);
    hq::PlaneRunner planes;
    const int maxValue = (1 << bits) - 1;
    double best = 1e30;
    for (int r = 0; r < (repeat > 0 ? repeat : 1); ++r) {
        const auto start = std::chrono::steady_clock::now();
        if (plain) {
            hq::demosaicFrame(mosaic.data(), width, height, phase, maxValue, rgb.data(), scratch.data());
        } else {
            planes.run(mosaic.data(), width, height, phase, maxValue, rgb.data());
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best) best = took.count();
    }
    if (!writeAll(outPath, rgb.data(), rgb.size() * sizeof(T))) {
        std::fprintf(stderr, "hq_demosaic: cannot write %s\n", outPath);
        return 1;
    }
    if (repeat > 0) std::printf("ms_per_mp %.4f\n", best * 1e3 / (n / 1e6));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int bits = 8, repeat = 0;
    bool plain = false;
    hq::Phase phase = {0, 0};
    int a = 1;
    for (; a + 1 < argc && argv[a][0] == '-' && argv[a][1] == '-'; a += 2) {
        const std::string option = argv[a], value = argv[a + 1];
        if (option == "--bits") {
            bits = std::atoi(value.c_str());
        } else if (option == "--repeat") {
            repeat = std::atoi(value.c_str());
        } else if (option == "--path") {
            if (value != "plain" && value != "planes") return usage();
            plain = value == "plain";
        } else if (option == "--phase") {
            if (value == "RG") phase = {0, 0};
            else if (value == "GR") phase = {1, 0};
            else if (value == "GB") phase = {0, 1};
            else if (value == "BG") phase = {1, 1};
            else return usage();
        } else {
            return usage();
        }
    }
    if (argc - a != 4 || bits < 1 || bits > 16) return usage();
    const int width = std::atoi(argv[a]), height = std::atoi(argv[a + 1]);
    if (width < 4 || height < 4 || (long long)width * height > (1LL << 28)) {
        std::fprintf(stderr, "hq_demosaic: frames must be at least 4x4 pixels\n");
        return 2;
    }
    std::vector<unsigned char> bytes;
    if (!readAll(argv[a + 2], bytes)) {
        std::fprintf(stderr, "hq_demosaic: cannot read %s\n", argv[a + 2]);
        return 1;
    }
    if (!plain && (width < 10 || height < 10)) plain = true;  // the padding reflects only once
    const size_t sampleBytes = bits > 8 ? 2 : 1;
    if (bytes.size() != (size_t)width * height * sampleBytes) {
        std::fprintf(stderr, "hq_demosaic: %s has %zu bytes, expected %zu\n", argv[a + 2], bytes.size(),
                     (size_t)width * height * sampleBytes);
        return 1;
    }
    return sampleBytes == 1 ? run<uint8_t>(bytes, width, height, phase, bits, repeat, plain, argv[a + 3])
                            : run<uint16_t>(bytes, width, height, phase, bits, repeat, plain, argv[a + 3]);
}
