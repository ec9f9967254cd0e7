#include "raw_io.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "cli.h"

namespace tavraw {

namespace {

// Large enough for any real sensor; keeps every derived size far from 2^31.
constexpr int64_t kMaxFrameBytes = int64_t(1) << 30;

std::string systemError() { return strerror(errno); }

}  // namespace

FrameGeometry makeGeometry(const PixelFormat& format, int32_t width, int32_t height,
                           int32_t lineBytes) {
    if (width <= 0 || height <= 0) usageError("width and height must be positive");
    FrameGeometry g;
    g.format = &format;
    g.width = width;
    g.height = height;
    int64_t minimum = minLineBytes(format, width);
    if (lineBytes <= 0) {
        if (minimum > INT32_MAX) {
            usageError("width " + std::to_string(width) + " is too large: rows may hold at most " +
                       std::to_string(INT32_MAX) + " bytes");
        }
        lineBytes = static_cast<int32_t>(minimum);
    } else if (lineBytes < minimum) {
        usageError("--line-bytes " + std::to_string(lineBytes) + " is too small for " +
                   std::to_string(width) + " " + format.name + " pixels (needs at least " +
                   std::to_string(minimum) + ")");
    }
    if (format.storage == Storage::Words16 && lineBytes % 2 != 0) {
        usageError("--line-bytes " + std::to_string(lineBytes) + " must be even for " + format.name +
                   " (two bytes per sample)");
    }
    g.lineBytes = lineBytes;
    // Output and work buffers reach 4 bytes per pixel; keep all of them small.
    if (g.frameBytes() > kMaxFrameBytes || g.pixels() * 4 > kMaxFrameBytes) {
        usageError("frame " + std::to_string(width) + "x" + std::to_string(height) + " with " +
                   std::to_string(lineBytes) + " bytes per row is too large: at most " +
                   std::to_string(kMaxFrameBytes) + " bytes and " + std::to_string(kMaxFrameBytes / 4) +
                   " pixels per frame");
    }
    return g;
}

namespace {

// Reads from an open descriptor to its end, at most `limit` bytes.
std::vector<uint8_t> readToEnd(int fd, const std::string& path, int64_t limit) {
    std::vector<uint8_t> data;
    uint8_t buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failure(path + ": read error: " + systemError());
        if (n == 0) return data;
        if (static_cast<int64_t>(data.size()) + n > limit) {
            failure(path + ": input is too large (more than " + std::to_string(limit) + " bytes)");
        }
        data.insert(data.end(), buffer, buffer + n);
    }
}

}  // namespace

std::vector<uint8_t> readFile(const std::string& path) {
    if (isStandardStream(path)) return readToEnd(STDIN_FILENO, "standard input", kMaxFrameBytes * 2);
    // Checked before opening: opening a FIFO for reading blocks until a
    // writer comes. O_NONBLOCK covers a file swapped in between the two.
    struct stat st;
    if (stat(path.c_str(), &st) != 0) failure(path + ": cannot open: " + systemError());
    if (!S_ISREG(st.st_mode)) failure(path + ": not a regular file");
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) failure(path + ": cannot open: " + systemError());
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        failure(path + ": not a regular file");
    }
    if (st.st_size > kMaxFrameBytes * 2) {
        close(fd);
        failure(path + ": file is too large (" + std::to_string(st.st_size) + " bytes)");
    }
    std::vector<uint8_t> data(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = read(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::string why = n < 0 ? systemError() : "file shrank while reading";
            close(fd);
            failure(path + ": read error: " + why);
        }
        done += static_cast<size_t>(n);
    }
    close(fd);
    return data;
}

std::vector<uint8_t> readFrameFile(const std::string& file, const FrameGeometry& geometry) {
    std::vector<uint8_t> data = readFile(file);
    const std::string path = displayName(file);
    int64_t expected = geometry.frameBytes();
    int64_t actual = static_cast<int64_t>(data.size());
    if (actual < expected) {
        failure(path + ": file is too short: " + std::to_string(actual) + " bytes, expected " +
                std::to_string(expected) + " for " + describeGeometry(geometry));
    }
    if (actual > expected) {
        failure(path + ": file size does not match: " + std::to_string(actual) +
                " bytes, expected " + std::to_string(expected) + " for " +
                describeGeometry(geometry));
    }
    return data;
}

std::vector<uint16_t> decodeSamples(const std::vector<uint8_t>& raw, const FrameGeometry& g) {
    std::vector<uint16_t> samples(static_cast<size_t>(g.pixels()));
    for (int32_t y = 0; y < g.height; ++y) {
        const uint8_t* row = raw.data() + static_cast<size_t>(y) * g.lineBytes;
        uint16_t* out = samples.data() + static_cast<size_t>(y) * g.width;
        for (int32_t x = 0; x < g.width; ++x) {
            switch (g.format->storage) {
                case Storage::Bytes8: out[x] = row[x]; break;
                case Storage::Words16: out[x] = static_cast<uint16_t>(row[2 * x] | (row[2 * x + 1] << 8)); break;
                case Storage::Packed12: {
                    // Byte 0 / byte 2 hold the high 8 bits; byte 1 the low bits
                    // of both samples (first sample in its low nibble).
                    const uint8_t* group = row + 3 * (x / 2);
                    int low = (x % 2 == 0) ? (group[1] & 0x0F) : (group[1] >> 4);
                    int high = group[(x % 2 == 0) ? 0 : 2];
                    int lowBits = g.format->bits - 8;
                    out[x] = static_cast<uint16_t>((high << lowBits) | (low & ((1 << lowBits) - 1)));
                    break;
                }
            }
        }
    }
    return samples;
}

std::vector<uint8_t> encodeSamples(const std::vector<uint16_t>& samples, const FrameGeometry& g) {
    std::vector<uint8_t> raw(static_cast<size_t>(g.frameBytes()), 0);
    const uint32_t mask = (1u << g.format->bits) - 1;
    for (int32_t y = 0; y < g.height; ++y) {
        uint8_t* row = raw.data() + static_cast<size_t>(y) * g.lineBytes;
        const uint16_t* in = samples.data() + static_cast<size_t>(y) * g.width;
        for (int32_t x = 0; x < g.width; ++x) {
            uint32_t v = in[x] & mask;
            switch (g.format->storage) {
                case Storage::Bytes8: row[x] = static_cast<uint8_t>(v); break;
                case Storage::Words16:
                    row[2 * x] = static_cast<uint8_t>(v);
                    row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                    break;
                case Storage::Packed12: {
                    int lowBits = g.format->bits - 8;
                    uint8_t* group = row + 3 * (x / 2);
                    uint8_t low = static_cast<uint8_t>(v & ((1u << lowBits) - 1));
                    if (x % 2 == 0) {
                        group[0] = static_cast<uint8_t>(v >> lowBits);
                        group[1] = static_cast<uint8_t>((group[1] & 0xF0) | low);
                    } else {
                        group[2] = static_cast<uint8_t>(v >> lowBits);
                        group[1] = static_cast<uint8_t>((group[1] & 0x0F) | (low << 4));
                    }
                    break;
                }
            }
        }
    }
    return raw;
}

int64_t countSamplesAboveRange(const std::vector<uint8_t>& raw, const FrameGeometry& g) {
    if (g.format->storage != Storage::Words16 || g.format->bits >= 16) return 0;
    const uint32_t largest = (1u << g.format->bits) - 1;
    int64_t count = 0;
    for (int32_t y = 0; y < g.height; ++y) {
        const uint8_t* row = raw.data() + static_cast<size_t>(y) * g.lineBytes;
        for (int32_t x = 0; x < g.width; ++x) {
            count += (uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8) > largest ? 1 : 0;
        }
    }
    return count;
}

void checkSampleRange(const std::string& command, const std::string& what, const std::vector<uint8_t>& raw,
                      const FrameGeometry& g, bool strict) {
    const int64_t count = countSamplesAboveRange(raw, g);
    if (count == 0) return;
    const std::string message = what + ": " + std::to_string(count) + (count == 1 ? " sample exceeds " : " samples exceed ") +
                                std::to_string(g.format->bits) + " bits";
    if (strict) failure(message);
    std::fprintf(stderr, "tavraw %s: warning: %s\n", command.c_str(), message.c_str());
}

std::string describeGeometry(const FrameGeometry& g) {
    return std::to_string(g.width) + "x" + std::to_string(g.height) + " " + g.format->name +
           " with " + std::to_string(g.lineBytes) + " bytes per row";
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void makeDirectory(const std::string& path) {
    if (isDirectory(path)) return;
    struct stat st;
    if (stat(path.c_str(), &st) == 0) failure(path + ": exists and is not a folder");
    size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
    if (slash != std::string::npos && slash > 0) makeDirectory(path.substr(0, slash));
    if (mkdir(path.c_str(), 0755) != 0 && !(errno == EEXIST && isDirectory(path))) {
        failure(path + ": cannot create folder: " + systemError());
    }
}

std::string baseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string replaceExtension(const std::string& path, const std::string& extension) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot == (slash == std::string::npos ? 0 : slash + 1)) {
        return path + extension;
    }
    return path.substr(0, dot) + extension;
}

}  // namespace tavraw
