// tavraw against hostile and careless command lines: outputs never replace
// devices, FIFOs or symlinks and never land on an input, nonsense is refused
// with the real reason, table files say what they are, and nothing blocks
// on a FIFO. Every refused run leaves the work folder byte for byte as it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tav_lsc.h"
#include "tavraw_fixture.h"
#include "test_support.h"

namespace {

using namespace tavrawtest;

bool isKind(const std::string& path, mode_t kind) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == kind;
}

std::vector<uint8_t> samples16(const std::vector<uint16_t>& values) {
    std::vector<uint8_t> bytes;
    for (uint16_t v : values) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    return bytes;
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A 32x32 grey frame, brighter in the middle, and a flat dark frame.
std::vector<uint8_t> greyFrame8(uint8_t centre) {
    std::vector<uint8_t> frame(32 * 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) frame[y * 32 + x] = static_cast<uint8_t>(centre - (std::abs(x - 16) + std::abs(y - 16)));
    }
    return frame;
}

class TavrawSafety : public Tavraw {
protected:
    // A refused run: its exit code, its message, and not one byte changed.
    void expectRefused(const std::vector<std::string>& args, int exitCode, const std::string& message,
                       const std::string& input = "") {
        const auto before = snapshot();
        ToolRun r = run(args, input);
        EXPECT_EQ(r.exitCode, exitCode) << message << "\n" << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        if (args[0] != "info") EXPECT_EQ(r.out, "");  // info describes what it checked first
        EXPECT_TRUE(snapshot() == before) << "the folder changed: " << message;
    }

    void writeGreyAndDark() {
        writeBytes(path("grey.raw"), greyFrame8(200));
        writeBytes(path("dark.raw"), std::vector<uint8_t>(32 * 32, 10));
    }
};

TEST_F(TavrawSafety, SpecialOutputsAreWrittenThroughAndNeverReplaced) {
    ASSERT_EQ(run({"convert", "-w", "16", "-H", "12", "-o", path("ref.png")}).exitCode, 0);
    const std::string png = readText(path("ref.png"));

    // A symlink stays a symlink; its target gets the PNG.
    ASSERT_EQ(symlink("target.png", path("link.png").c_str()), 0);
    ToolRun viaLink = run({"convert", "-w", "16", "-H", "12", "-o", path("link.png")});
    EXPECT_EQ(viaLink.exitCode, 0) << viaLink.err;
    EXPECT_TRUE(isKind(path("link.png"), S_IFLNK));
    EXPECT_EQ(readText(path("target.png")), png);

    // A FIFO is opened and written, with a reader on the other end.
    ASSERT_EQ(mkfifo(path("out.fifo").c_str(), 0644), 0);
    std::system(("timeout 60 cat '" + path("out.fifo") + "' > '" + path("fifo.png") + "' &").c_str());
    ToolRun viaFifo = run({"convert", "-w", "16", "-H", "12", "-o", path("out.fifo")});
    EXPECT_EQ(viaFifo.exitCode, 0) << viaFifo.err;
    for (int wait = 0; wait < 100 && readText(path("fifo.png")).size() < png.size(); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(readText(path("fifo.png")), png);
    EXPECT_TRUE(isKind(path("out.fifo"), S_IFIFO));

    // A character device (root only: mknod) is written through by every
    // command that writes files, and is still a device afterwards.
    if (geteuid() == 0 && mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        writeGreyAndDark();
        ASSERT_EQ(run({"calibrate", "-f", "Mono8", "-w", "32", "-H", "32", "--grey", path("grey.raw"), "--dark",
                       path("dark.raw"), "-o", path("t.tbl")})
                      .exitCode,
                  0);
        const std::vector<std::vector<std::string>> commands = {
            {"convert", "-w", "16", "-H", "12", "-o", path("null")},
            {"convert", "-w", "16", "-H", "12", "-o", path("c.png"), "--raw-out", path("null")},
            {"calibrate", "-f", "Mono8", "-w", "32", "-H", "32", "--grey", path("grey.raw"), "--dark",
             path("dark.raw"), "-o", path("null")},
            {"calibrate", "-f", "Mono8", "-w", "32", "-H", "32", "--grey", path("grey.raw"), "--dark",
             path("dark.raw"), "-o", path("t2.tbl"), "--blocks", "16", "--blocks-out", path("null")},
            {"correct", "-t", path("t.tbl"), "-f", "Mono8", "-o", path("null"), path("grey.raw")},
        };
        for (const auto& args : commands) {
            ToolRun r = run(args);
            EXPECT_EQ(r.exitCode, 0) << args[0] << ": " << r.err;
            EXPECT_TRUE(isKind(path("null"), S_IFCHR)) << args[0];
        }
    }

    // "-o -": the PNG on standard output, the message on stderr.
    ToolRun toStdout = run({"convert", "-w", "16", "-H", "12", "-o", "-"});
    EXPECT_EQ(toStdout.exitCode, 0);
    EXPECT_TRUE(toStdout.out == png);
    EXPECT_NE(toStdout.err.find("wrote standard output"), std::string::npos);
    ToolRun rawToStdout = run({"convert", "-w", "16", "-H", "12", "-o", path("r.png"), "--raw-out", "-"});
    EXPECT_EQ(rawToStdout.exitCode, 0);
    EXPECT_EQ(rawToStdout.out.size(), 16u * 12 * 3);
    // A library refusal with -o -: its diagnostic goes to stderr only.
    writeBytes(path("small.raw"), std::vector<uint8_t>(12, 1));
    ToolRun refused = run({"convert", "-f", "Mono8", "-w", "3", "-H", "4", "-o", "-", path("small.raw")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("error line = [96]"), std::string::npos) << refused.err;
    ToolRun planar = run({"convert", "-w", "16", "-H", "12", "-t", "RGB8_Planar", "-o", "-"});
    EXPECT_EQ(planar.exitCode, 2);
    EXPECT_NE(planar.err.find("RGB8_Planar writes three PNG files; standard output takes one"), std::string::npos);

    // "-" reads one frame from standard input.
    writeBytes(path("in.raw"), tavtest::randomBytes(64, 9));
    ASSERT_EQ(run({"convert", "-f", "BayerGR8", "-w", "8", "-H", "8", "-o", path("file.png"), path("in.raw")}).exitCode, 0);
    ToolRun fromStdin = run({"convert", "-f", "BayerGR8", "-w", "8", "-H", "8", "-o", path("stdin.png"), "-"}, path("in.raw"));
    EXPECT_EQ(fromStdin.exitCode, 0) << fromStdin.err;
    EXPECT_EQ(readText(path("stdin.png")), readText(path("file.png")));
    ToolRun noName = run({"convert", "-f", "BayerGR8", "-w", "8", "-H", "8", "-"}, path("in.raw"));
    EXPECT_EQ(noName.exitCode, 2);
    EXPECT_NE(noName.err.find("give --output for a frame read from standard input"), std::string::npos);
    EXPECT_TRUE(noTemporaries());
}

TEST_F(TavrawSafety, NoOutputEverLandsOnAnInput) {
    writeBytes(path("rg8.raw"), tavtest::randomBytes(64, 1));
    writeBytes(path("x.png"), tavtest::randomBytes(64, 2));
    ASSERT_EQ(mkdir(path("a").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(path("b").c_str(), 0755), 0);
    writeBytes(path("a/x.raw"), tavtest::randomBytes(64, 3));
    writeBytes(path("b/x.raw"), tavtest::randomBytes(64, 4));
    ASSERT_EQ(symlink("rg8.raw", path("link.png").c_str()), 0);
    writeGreyAndDark();
    ASSERT_EQ(run({"calibrate", "-f", "Mono8", "-w", "32", "-H", "32", "--grey", path("grey.raw"), "--dark",
                   path("dark.raw"), "-o", path("t.tbl")})
                  .exitCode,
              0);
    const std::vector<std::string> rg8 = {"convert", "-f", "BayerRG8", "-w", "8", "-H", "8"};
    auto convert = [&](std::vector<std::string> more) {
        std::vector<std::string> args = rg8;
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const std::vector<std::string> calibrate = {"calibrate", "-f", "Mono8", "-w", "32", "-H", "32",
                                                "--grey", path("grey.raw"), "--dark", path("dark.raw")};
    auto calibrateWith = [&](std::vector<std::string> more) {
        std::vector<std::string> args = calibrate;
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };

    expectRefused(convert({"-o", path("rg8.raw"), path("rg8.raw")}), 2,
                  "refusing to write the PNG of " + path("rg8.raw") + " to " + path("rg8.raw") +
                      ": that is an input; nothing was written");
    expectRefused(convert({"-o", path("o.png"), "--raw-out", path("rg8.raw"), path("rg8.raw")}), 2,
                  "refusing to write --raw-out to " + path("rg8.raw") + ": that is an input");
    expectRefused(convert({path("x.png")}), 2, "refusing to write the PNG of " + path("x.png"));
    expectRefused(convert({"-o", path("link.png"), path("rg8.raw")}), 2,
                  "to " + path("link.png") + ": that is the input " + path("rg8.raw"));
    expectRefused(convert({"-o", path("rg8.raw"), "-"}), 2, "that is the file on standard input", path("rg8.raw"));
    expectRefused(convert({"--out-dir", path("o"), path("a/x.raw"), path("b/x.raw")}), 2,
                  "refusing to write both the PNG of " + path("a/x.raw") + " and the PNG of " + path("b/x.raw") +
                      " to " + path("o") + "/x.png");
    expectRefused(calibrateWith({"-o", path("grey.raw")}), 2,
                  "refusing to write the table to " + path("grey.raw") + ": that is an input");
    expectRefused(calibrateWith({"--blocks", "16", "--blocks-out", path("t2.tbl"), "-o", path("t2.tbl")}), 2,
                  "refusing to write both the table and the block records to " + path("t2.tbl"));
    const std::vector<std::string> correct = {"correct", "-t", path("t.tbl"), "-f", "Mono8"};
    auto correctWith = [&](std::vector<std::string> more) {
        std::vector<std::string> args = correct;
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    expectRefused(correctWith({"--out-dir", dir_, path("grey.raw")}), 2,
                  "refusing to write the correction of " + path("grey.raw"));
    expectRefused(correctWith({"--out-dir", dir_ + "/.", path("grey.raw")}), 2, "that is the input");
    expectRefused(correctWith({"--in-place", path("grey.raw"), path("grey.raw")}), 2,
                  path("grey.raw") + " is given twice (also as " + path("grey.raw") +
                      "); --in-place would correct it twice");
    expectRefused(correctWith({"-o", path("t.tbl"), path("grey.raw")}), 2, "to " + path("t.tbl") + ": that is an input");
    expectRefused({"calibrate", "-f", "Mono8", "-w", "32", "-H", "32", "--grey", "-", "--dark", "-", "-o",
                   path("t3.tbl")},
                  2, "standard input ('-') can be read only once");

    // An input that does not exist cannot be overwritten: its read fails.
    ToolRun missing = run(convert({"-o", path("gone.raw"), path("gone.raw")}));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(path("gone.raw") + ": cannot open: No such file or directory"), std::string::npos)
        << missing.err;

    // A replaced file keeps its permissions.
    ASSERT_EQ(chmod(path("x.png").c_str(), 0600), 0);
    ASSERT_EQ(run(convert({"-o", path("x.png"), path("rg8.raw")})).exitCode, 0);
    struct stat st;
    ASSERT_EQ(stat(path("x.png").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // --out-dir is created when missing, parents included.
    ToolRun made = run(convert({"--out-dir", path("new/deeper"), path("rg8.raw")}));
    EXPECT_EQ(made.exitCode, 0) << made.err;
    EXPECT_TRUE(exists(path("new/deeper/rg8.png")));
    EXPECT_TRUE(noTemporaries());
}

TEST_F(TavrawSafety, NonsenseIsRefusedWithTheReason) {
    writeBytes(path("f.raw"), std::vector<uint8_t>(1001 * 512, 0));
    expectRefused({"convert", "-f", "BayerRG12", "-w", "500", "-H", "512", "--line-bytes", "1001", path("f.raw")}, 2,
                  "tavraw convert: --line-bytes 1001 must be even for BayerRG12 (two bytes per sample)");
    expectRefused({"info", "-f", "BayerRG12", "-w", "500", "-H", "512", "--line-bytes", "1001", path("f.raw")}, 2,
                  "tavraw info: --line-bytes 1001 must be even for BayerRG12");
    expectRefused({"convert", "-f", "BayerRG8", "-w", "512", "-H", "512", "--line-bytes", "2147483647", path("f.raw")},
                  2,
                  "frame 512x512 with 2147483647 bytes per row is too large: at most 1073741824 bytes and "
                  "268435456 pixels per frame");
    writeBytes(path("tiny.raw"), std::vector<uint8_t>(9, 0));
    expectRefused({"convert", "-f", "Mono8", "-w", "3", "-H", "3", "-o", path("t.png"), path("tiny.raw")}, 1,
                  "(status -104 TAV_E_SIZE); frames must be at least 4x4 pixels");
    writeBytes(path("e5.raw"), std::vector<uint8_t>(25, 0));
    expectRefused({"convert", "-f", "BayerRG8", "-w", "5", "-H", "5", "-m", "edge", path("e5.raw")}, 1,
                  "; the edge method needs at least 6x6 pixels");
    expectRefused({"convert", "-w", "8", "-H", "8", "--out-dir", path("f.raw")}, 1,
                  path("f.raw") + ": exists and is not a folder");
    expectRefused({"convert", "--threads", "-1"}, 2, "--threads must be an integer from 0 to 1024, got '-1'");

    // Grey frames that are not brighter than the dark ones, as a whole, per
    // channel, or at a single pixel or cell.
    writeGreyAndDark();
    const std::vector<std::string> mono = {"calibrate", "-f", "Mono8", "-w", "32", "-H", "32", "-o", path("t.tbl")};
    auto calibrate = [&](std::vector<std::string> args, const std::string& grey, const std::string& dark) {
        args.insert(args.end(), {"--grey", path(grey), "--dark", path(dark)});
        return args;
    };
    expectRefused(calibrate(mono, "dark.raw", "dark.raw"), 1,
                  "the grey frames are not brighter than the dark frames (frame mean 10.0, dark mean 10.0); are "
                  "--grey and --dark swapped, or the same frames?");
    expectRefused(calibrate(mono, "dark.raw", "grey.raw"), 1, "not brighter than the dark frames (frame mean 10.0");
    std::vector<uint8_t> greenless = greyFrame8(200);
    for (int y = 0; y < 32; ++y) {
        for (int x = (y + 1) % 2; x < 32; x += 2) greenless[y * 32 + x] = 5;  // G sites of RGGB
    }
    writeBytes(path("greenless.raw"), greenless);
    std::vector<std::string> bayer = mono;
    bayer[2] = "BayerRG8";
    expectRefused(calibrate(bayer, "greenless.raw", "dark.raw"), 1, "(G channel mean 5.0, dark mean 10.0)");
    std::vector<uint8_t> deadPixel = greyFrame8(200);
    deadPixel[7 * 32 + 5] = 10;
    writeBytes(path("dead.raw"), deadPixel);
    expectRefused(calibrate(mono, "dead.raw", "dark.raw"), 1,
                  "1 of 1024 pixels would get gain 0 because the grey frames are not brighter than the dark frames "
                  "there (first at x=5, y=7)");
    std::vector<uint8_t> deadCell = greyFrame8(200);
    for (int i : {6 * 32 + 4, 6 * 32 + 5, 7 * 32 + 4, 7 * 32 + 5}) deadCell[i] = 9;
    writeBytes(path("deadcell.raw"), deadCell);
    std::vector<std::string> cells = mono;
    cells.insert(cells.end(), {"--mode", "cell"});
    expectRefused(calibrate(cells, "deadcell.raw", "dark.raw"), 1, "1 of 256 cells would get gain 0");
}

TEST_F(TavrawSafety, SamplesAboveTheFormatRangeWarnOrFail) {
    std::vector<uint16_t> values(64, 1000);
    for (int i = 0; i < 10; ++i) values[i * 6] = 0x1FFF;
    writeBytes(path("wide.raw"), samples16(values));
    const std::vector<std::string> convert = {"convert", "-f", "BayerRG12", "-w", "8", "-H", "8",
                                              "-o", path("w.png"), path("wide.raw")};
    ToolRun warned = run(convert);
    EXPECT_EQ(warned.exitCode, 0) << warned.err;
    EXPECT_EQ(count(warned.err, "tavraw convert: warning: " + path("wide.raw") + ": 10 samples exceed 12 bits\n"), 1u)
        << warned.err;
    ASSERT_EQ(unlink(path("w.png").c_str()), 0);
    std::vector<std::string> strict = convert;
    strict.push_back("--strict");
    expectRefused(strict, 1, "tavraw convert: " + path("wide.raw") + ": 10 samples exceed 12 bits");

    // calibrate refuses such frames outright.
    std::vector<uint16_t> grey(32 * 32, 3000), dark(32 * 32, 100);
    writeBytes(path("dark.raw"), samples16(dark));
    writeBytes(path("good.raw"), samples16(grey));
    for (size_t i = 0; i < grey.size(); ++i) grey[i] |= 0x8000;
    writeBytes(path("grey.raw"), samples16(grey));
    expectRefused({"calibrate", "-f", "Mono12", "-w", "32", "-H", "32", "--grey", path("grey.raw"), "--dark",
                   path("dark.raw"), "-o", path("t.tbl")},
                  1, "tavraw calibrate: " + path("grey.raw") + ": 1024 samples exceed 12 bits");

    // correct warns, or refuses with --strict.
    ASSERT_EQ(run({"calibrate", "-f", "Mono12", "-w", "32", "-H", "32", "--grey", path("good.raw"), "--dark",
                   path("dark.raw"), "-o", path("t.tbl")})
                  .exitCode,
              0);
    ToolRun corrected = run({"correct", "-t", path("t.tbl"), "-f", "Mono12", "-o", path("c.raw"), path("grey.raw")});
    EXPECT_EQ(corrected.exitCode, 0) << corrected.err;
    EXPECT_EQ(count(corrected.err, "warning: " + path("grey.raw") + ": 1024 samples exceed 12 bits"), 1u);
    ASSERT_EQ(unlink(path("c.raw").c_str()), 0);
    expectRefused({"correct", "--strict", "-t", path("t.tbl"), "-f", "Mono12", "-o", path("c.raw"), path("grey.raw")},
                  1, path("grey.raw") + ": 1024 samples exceed 12 bits");
}

TEST_F(TavrawSafety, TableFilesSayWhatTheyAreAndForWhichDepth) {
    std::vector<uint16_t> grey(32 * 32), dark(32 * 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            grey[y * 32 + x] = static_cast<uint16_t>(3200 - 20 * (std::abs(x - 16) + std::abs(y - 16)));
            dark[y * 32 + x] = static_cast<uint16_t>(160 + (x + y) % 5);
        }
    }
    writeBytes(path("grey.raw"), samples16(grey));
    writeBytes(path("dark.raw"), samples16(dark));
    const std::vector<std::string> calibrate = {"calibrate", "-f", "Mono12", "-w", "32", "-H", "32",
                                                "--grey", path("grey.raw"), "--dark", path("dark.raw")};
    auto calibrateTo = [&](const std::string& table, std::vector<std::string> more) {
        std::vector<std::string> args = calibrate;
        args.insert(args.end(), {"-o", path(table)});
        args.insert(args.end(), more.begin(), more.end());
        return run(args);
    };
    ASSERT_EQ(calibrateTo("t12.tbl", {}).exitCode, 0);
    ASSERT_EQ(calibrateTo("t8.tbl", {"--bits", "8"}).exitCode, 0);
    const std::vector<uint8_t> t12 = readBytes(path("t12.tbl")), t8 = readBytes(path("t8.tbl"));
    ASSERT_EQ(t12.size(), 16u + 4 * (3 + 32 * 32));
    EXPECT_EQ(std::string(t12.begin(), t12.begin() + 8), "TAVSHADE");
    EXPECT_EQ(std::vector<uint8_t>(t12.begin() + 8, t12.begin() + 16), wordsToBytes({1, 12}));
    EXPECT_EQ(std::vector<uint8_t>(t8.begin() + 8, t8.begin() + 16), wordsToBytes({1, 8}));
    // Dark offsets are kept on a 12-bit scale, so the words are the same.
    EXPECT_TRUE(std::equal(t12.begin() + 16, t12.end(), t8.begin() + 16));
    expectRefused({"calibrate", "-f", "Mono12", "-w", "32", "-H", "32", "--bits", "14", "--grey", path("grey.raw"),
                   "--dark", path("dark.raw"), "-o", path("t14.tbl")},
                  2, "--bits must be an integer from 8 to 12, got '14'");

    // 8-bit frames from the same sensor: the 12-bit table needs --bits.
    std::vector<uint8_t> frame8(32 * 32);
    for (size_t i = 0; i < frame8.size(); ++i) frame8[i] = static_cast<uint8_t>(grey[i] >> 4);
    writeBytes(path("f8.raw"), frame8);
    expectRefused({"correct", "-t", path("t12.tbl"), "-f", "Mono8", "-o", path("c.raw"), path("f8.raw")}, 1,
                  path("t12.tbl") + ": the table was made for 12-bit frames, not 8-bit Mono8; give --bits 12 to "
                                    "apply it anyway (its dark offsets are scaled to 8 bits)");
    expectRefused({"correct", "--bits", "10", "-t", path("t12.tbl"), "-f", "Mono8", "-o", path("c.raw"),
                   path("f8.raw")},
                  2, "--bits 10 does not match " + path("t12.tbl") + ", which was made for 12-bit frames");
    ASSERT_EQ(run({"correct", "--bits", "12", "-t", path("t12.tbl"), "-f", "Mono8", "-o", path("c12.raw"),
                   path("f8.raw")})
                  .exitCode,
              0);
    ToolRun with8 = run({"correct", "-t", path("t8.tbl"), "-f", "Mono8", "-o", path("c8.raw"), path("f8.raw")});
    ASSERT_EQ(with8.exitCode, 0) << with8.err;
    std::vector<uint32_t> words((t12.size() - 16) / 4);
    for (size_t i = 0; i < words.size(); ++i) {
        words[i] = t12[16 + 4 * i] | t12[17 + 4 * i] << 8 | t12[18 + 4 * i] << 16 | uint32_t(t12[19 + 4 * i]) << 24;
    }
    std::vector<uint8_t> expected = frame8;
    TavImage image = {32, 32, TAV_PIXEL_MONO8, expected.data(), 32};
    ASSERT_EQ(tavLSCorrection(&image, &image, words.data()), TAV_OK);
    EXPECT_EQ(readBytes(path("c8.raw")), expected);
    EXPECT_EQ(readBytes(path("c12.raw")), expected);

    ToolRun info = run({"info", "--table", path("t8.tbl")});
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_NE(info.out.find("file:              TAVSHADE version 1, for 8-bit frames\n"), std::string::npos) << info.out;

    // Block records for --bits 8: the library's, from averages moved to 8 bits.
    ASSERT_EQ(calibrateTo("b8.tbl", {"--bits", "8", "--blocks", "16"}).exitCode, 0);
    std::vector<float> grey8(grey.begin(), grey.end());
    double darkSum = 0;
    for (size_t i = 0; i < grey8.size(); ++i) {
        grey8[i] /= 16.0f;
        darkSum += dark[i] / 16.0f;
    }
    TavBasicLSCInput blocks = {0, 8, 2, 32, 32, 16, 16, grey8.data(), static_cast<float>(darkSum / (32 * 32))};
    std::vector<uint8_t> records(3 * 4);
    ASSERT_EQ(tavGetBasicLSCParameter(&blocks, records.data()), TAV_OK);
    EXPECT_EQ(readBytes(path("b8.blocks")), records);

    // The old form without a header: taken to be for the frames' depth.
    writeBytes(path("old.tbl"), std::vector<uint8_t>(t12.begin() + 16, t12.end()));
    ToolRun old = run({"correct", "-t", path("old.tbl"), "-f", "Mono8", "-o", path("old.raw"), path("f8.raw")});
    EXPECT_EQ(old.exitCode, 0) << old.err;
    EXPECT_EQ(readBytes(path("old.raw")), expected);
    ToolRun oldInfo = run({"info", "--table", path("old.tbl")});
    EXPECT_NE(oldInfo.out.find("old form without a header (sample depth not recorded)"), std::string::npos);

    // Files that are not tables.
    writeBytes(path("garbage.tbl"), tavtest::randomBytes(100, 7));
    expectRefused({"correct", "-t", path("garbage.tbl"), "-f", "Mono8", path("f8.raw")}, 1,
                  path("garbage.tbl") + ": not a shading table: the header names mode");
    expectRefused({"correct", "-t", path("f8.raw"), "-f", "Mono8", "-o", path("c.raw"), path("f8.raw")}, 1,
                  path("f8.raw") + ": not a shading table");
    expectRefused({"info", "--table", path("garbage.tbl")}, 1, "not a shading table");
    std::vector<uint8_t> future = t12;
    future[8] = 2;
    writeBytes(path("v2.tbl"), future);
    expectRefused({"info", "--table", path("v2.tbl")}, 1,
                  "shading table file version 2 is not supported (this tavraw reads version 1)");
    writeBytes(path("cut.tbl"), std::vector<uint8_t>(t12.begin(), t12.begin() + 20));
    expectRefused({"info", "--table", path("cut.tbl")}, 1, "not a shading table: 20 bytes");
}

#if defined(TAVRAW_HAVE_U16_BILINEAR)
TEST_F(TavrawSafety, TinyFramesOnTheSixteenBitPathAreRefusedNotOverrun) {
    // Padding a 1-row or 1-column frame to red-first order once read past
    // the frame; every order is now refused at the library's minimum.
    const std::vector<std::vector<std::string>> sizes = {
        {"BayerGB12", "2", "1", "RGB8"}, {"BayerBG16", "8", "1", "RGB8"}, {"BayerGR12", "1", "8", "RGB8"},
        {"BayerBG10", "1", "1", "BGR8_Planar"}, {"BayerGB16", "3", "3", "RGB8"},
    };
    for (const auto& s : sizes) {
        ToolRun r = run({"convert", "--u16", "-f", s[0], "-w", s[1], "-H", s[2], "-t", s[3], "-o", path("o.png")});
        EXPECT_EQ(r.exitCode, 1) << s[0] << " " << r.err;
        const std::string line = s[3] == "RGB8" ? "[197]" : "[218]";
        EXPECT_NE(r.err.find("16-bit demosaicing failed: error line = " + line +
                             " (status -104 TAV_E_SIZE); frames must be at least 4x4 pixels"),
                  std::string::npos)
            << r.err;
    }
    EXPECT_FALSE(exists(path("o.png")));
}
#endif

TEST_F(TavrawSafety, FifoInputsAreRefusedWithoutBlocking) {
    ASSERT_EQ(mkfifo(path("p").c_str(), 0644), 0);
    writeBytes(path("f.raw"), std::vector<uint8_t>(64, 1));
    const std::string refusal = path("p") + ": not a regular file";
    expectRefused({"info", "--table", path("p")}, 1, "tavraw info: " + refusal);
    expectRefused({"info", "-f", "Mono8", "-w", "8", "-H", "8", path("p")}, 1, refusal);
    expectRefused({"convert", "-f", "Mono8", "-w", "8", "-H", "8", "-o", path("o.png"), path("p")}, 1,
                  "tavraw convert: " + refusal);
    expectRefused({"correct", "-t", path("p"), "-f", "Mono8", "-w", "8", "-H", "8", "-o", path("o.raw"),
                   path("f.raw")},
                  1, "tavraw correct: " + refusal);
    expectRefused({"calibrate", "-f", "Mono8", "-w", "32", "-H", "32", "--grey", path("p"), "--dark", path("p"),
                   "-o", path("t.tbl")},
                  1, "tavraw calibrate: " + refusal);
}

TEST_F(TavrawSafety, ThreadCountsGiveTheSameBytesAndVersionAndInfoRead) {
    std::vector<std::string> base = {"convert", "-w", "96", "-H", "64", "-m", "edge", "-t", "BGRA8", "-o"};
    std::vector<std::vector<uint8_t>> outputs;
    for (const char* threads : {"1", "2", "0"}) {
        std::vector<std::string> args = base;
        args.insert(args.end(), {path(std::string("t") + threads + ".png"), "--raw-out",
                                 path(std::string("t") + threads + ".bin"), "--threads", threads});
        ToolRun r = run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        outputs.push_back(readBytes(path(std::string("t") + threads + ".bin")));
    }
    EXPECT_EQ(outputs[0], outputs[1]);
    EXPECT_EQ(outputs[0], outputs[2]);

    ToolRun version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("tavraw ", 0), 0u) << version.out;
    ToolRun info = run({"info"});
    EXPECT_NE(info.out.find("Mono8            0x01080001 1 byte per pixel\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("3 bytes per pixel"), std::string::npos);
}

}  // namespace
