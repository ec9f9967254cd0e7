// tavraw's readers of raw frame files and shading table files. The input
// is written to an in-memory file; the readers get its path, as the tool
// gives them the user's. Refusals are ToolError exceptions, as in the tool.
//
// Calls (adapt here when the readers change): makeGeometry, readFrameFile,
// decodeSamples, encodeSamples; readShadingTable, tableSizeMatchesHeader,
// describeTable.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "cli.h"
#include "fuzz_input.h"
#include "pixel_formats.h"
#include "raw_io.h"
#include "shading_table.h"

namespace {

// An in-memory regular file holding `bytes`, removed when it goes out of scope.
class MemoryFile {
public:
    MemoryFile(const uint8_t* bytes, size_t size) : fd_(memfd_create("tavraw-fuzz", 0)) {
        size_t done = 0;
        while (fd_ >= 0 && done < size) {
            const ssize_t n = write(fd_, bytes + done, size - done);
            if (n <= 0) break;
            done += size_t(n);
        }
    }
    ~MemoryFile() {
        if (fd_ >= 0) close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

void readTable(const uint8_t* rest, size_t size) {
    MemoryFile file(rest, size);
    if (!file.ok()) return;
    const tavraw::ShadingTable table = tavraw::readShadingTable(file.path());
    tavraw::tableSizeMatchesHeader(table);
    tavraw::describeTable(table);
}

void readFrame(tavfuzz::Input& in, const uint8_t* data, size_t size) {
    const std::vector<tavraw::PixelFormat>& formats = tavraw::inputFormats();
    const tavraw::PixelFormat& format = formats[in.byte() % formats.size()];
    const int32_t width = in.side();
    const int32_t height = in.side();
    const uint8_t rowByte = in.byte();
    const int32_t lineBytes = rowByte < 0xF0 ? rowByte % 4 : in.i32();  // mostly 0: packed rows
    const tavraw::FrameGeometry geometry = tavraw::makeGeometry(format, width, height, lineBytes);
    // The rest of the input is the file.
    MemoryFile file(data + in.used(), size - in.used());
    if (!file.ok()) return;
    const std::vector<uint8_t> raw = tavraw::readFrameFile(file.path(), geometry);
    const std::vector<uint16_t> samples = tavraw::decodeSamples(raw, geometry);
    tavraw::encodeSamples(samples, geometry);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    tavfuzz::Input in(data + 1, size - 1);
    try {
        if (data[0] & 1) {
            readTable(data + 1, size - 1);
        } else {
            readFrame(in, data + 1, size - 1);
        }
    } catch (const tavraw::ToolError&) {
        // A refused file or geometry: what the tool reports to its user.
    }
    return 0;
}
