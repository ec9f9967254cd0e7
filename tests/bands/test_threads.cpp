// tavDemosaicing on several threads: the bytes of one thread for every
// method, output and input type and thread count; contexts used from many
// threads at once; release of started workers; workers that cannot start.
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "band_support.h"
#include "context/context.h"
#include "demosaic/bands.h"
#include "test_support.h"
#include "threads/workerPool.h"

using tavtest::captureStdout;

#if defined(__SANITIZE_THREAD__)
#define TAV_TEST_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TAV_TEST_TSAN 1
#endif
#endif

#if defined(__SANITIZE_ADDRESS__)
#define TAV_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAV_TEST_ASAN 1
#endif
#endif

namespace {

constexpr int32_t kThreadCounts[] = {1, 2, 3, 4, 7, 0};

struct Input {
    std::vector<uint8_t> bytes;
    TavImage image;
};

// A random frame of `code` with rows `padding` bytes longer than needed.
Input makeInput(int32_t code, int32_t height, int32_t width, int32_t padding, uint32_t seed) {
    const tavref::InputType* type = tavref::findInputType(code);
    const int32_t lineBytes = tavref::minimumLineBytes(type->storage, width) + padding;
    Input input;
    input.bytes = tavtest::randomBytes((size_t)height * lineBytes, seed);
    input.image = {height, width, code, input.bytes.data(), lineBytes};
    return input;
}

std::vector<uint8_t> expectedOutput(const TavImage& image, int64_t outputType, int32_t method) {
    const tavref::InputType* type = tavref::findInputType(image.pixelType);
    return tavband::wholeFrame(tavref::referenceNormalise(image), type->baseType, image.height, image.width,
                               outputType, method);
}

struct Context {
    TavContext* handle = nullptr;
    explicit Context(int32_t threads, int32_t minThreadedOutput = 0) {
        EXPECT_EQ(tavCreate(&handle), TAV_OK);
        EXPECT_EQ(tavDemosaicSetThreads(handle, threads), TAV_OK);
        tav::setMinThreadedOutput(handle, minThreadedOutput);
    }
    ~Context() { tavRelease(&handle); }
    TavStatus run(Input& input, int64_t outputType, int32_t method, std::vector<uint8_t>& out) {
        const TavDemosaicConfig config = {outputType};
        EXPECT_EQ(tavDemosaicSetConfig(handle, &config), TAV_OK);
        TavImage output = {0, 0, 0, out.data(), 0};
        return tavDemosaicing(handle, &input.image, method, &output);
    }
};

}  // namespace

// Frames of 6 to 19 rows give bands of a single row pair; around 8 x threads
// rows (four bands per thread) the last bands get one pair more or less,
// and 24 x threads + 5 rows give bands of three and four pairs. From 64 x
// threads rows on, converted input is unpacked into a window of 16 rows per
// band (narrow frames unpack 8 rows at a time); shorter frames take fewer
// bands or are unpacked whole first. Widths odd and even.
std::vector<int32_t> heightsFor(int32_t threads) {
    std::vector<int32_t> heights;
    for (int32_t h = 6; h <= 19; ++h) heights.push_back(h);
    const int32_t t = threads == 0 ? (int32_t)std::thread::hardware_concurrency() : threads;
    for (int32_t h : {8 * t - 1, 8 * t, 8 * t + 1, 8 * t + 2, 8 * t + 3, 24 * t + 5, 64 * t - 1, 64 * t + 3,
                      70 * t + 1}) {
        if (h > 19) heights.push_back(h);
    }
    return heights;
}

TEST(Threads, EveryThreadCountGivesTheSameBytes) {
    const int32_t codes[] = {TAV_PIXEL_BAYER_RG8,       TAV_PIXEL_BAYER_GR8,         TAV_PIXEL_BAYER_GB8,
                             TAV_PIXEL_BAYER_BG8,       TAV_PIXEL_BAYER_RG12,        TAV_PIXEL_BAYER_GB10,
                             TAV_PIXEL_BAYER_BG16,      TAV_PIXEL_BAYER_RG12_PACKED, TAV_PIXEL_BAYER_GR10_PACKED,
                             TAV_PIXEL_MONO8,           TAV_PIXEL_MONO12,            TAV_PIXEL_MONO10_PACKED};
    for (int32_t threads : kThreadCounts) {
        Context context(threads);
        for (int32_t code : codes) {
            const tavref::InputType* type = tavref::findInputType(code);
            for (int32_t height : heightsFor(threads)) {
                const int32_t width = 8 + height % 3;
                const int32_t padding = height % 4 == 0 ? 3 : 0;
                for (int32_t method = 0; method <= 3; ++method) {
                    for (int64_t outputType : tavref::outputTypes()) {
                        Input input = makeInput(code, height, width, padding, (uint32_t)(height * 31 + method));
                        const std::vector<uint8_t> expected = expectedOutput(input.image, outputType, method);
                        tavtest::GuardedBuffer out(expected.size());
                        const TavDemosaicConfig config = {outputType};
                        ASSERT_EQ(tavDemosaicSetConfig(context.handle, &config), TAV_OK);
                        TavImage output = {0, 0, 0, out.data(), 0};
                        ASSERT_EQ(tavDemosaicing(context.handle, &input.image, method, &output), TAV_OK);
                        ASSERT_EQ(out.contents(), expected)
                            << "threads " << threads << " type " << std::hex << code << std::dec << " " << height
                            << "x" << width << " method " << method << " output " << outputType;
                        ASSERT_TRUE(out.intact());
                        if (type->storage == tavref::Storage::Bits8 && padding == 0) {
                            // 8-bit input is read in place and never written.
                            const uint32_t seed = (uint32_t)(height * 31 + method);
                            ASSERT_EQ(input.bytes, makeInput(code, height, width, 0, seed).bytes);
                        }
                    }
                }
            }
        }
    }
}

// Long bands of wide frames unpack in several chunks, each just ahead of the
// kernel, into windows of 16 rows.
TEST(Threads, WideFramesUnpackInChunks) {
    for (int32_t code : {TAV_PIXEL_BAYER_RG12, TAV_PIXEL_BAYER_GB12_PACKED, TAV_PIXEL_MONO16}) {
        for (int32_t width : {2050, 4096}) {
            Input input = makeInput(code, 181, width, code == TAV_PIXEL_MONO16 ? 5 : 0, (uint32_t)width);
            for (int32_t method = 0; method <= 3; ++method) {
                const std::vector<uint8_t> expected = expectedOutput(input.image, TAV_PIXEL_BGRA8, method);
                for (int32_t threads : {1, 2, 3}) {
                    Context context(threads);
                    std::vector<uint8_t> out(expected.size());
                    ASSERT_EQ(context.run(input, TAV_PIXEL_BGRA8, method, out), TAV_OK);
                    ASSERT_EQ(out, expected) << std::hex << code << std::dec << " width " << width << " method "
                                             << method << " threads " << threads;
                }
            }
        }
    }
}

// The work buffer grows exactly as with one thread.
TEST(Threads, WorkBufferKeepsItsSize) {
    for (int32_t threads : {1, 3}) {
        Context context(threads);
        Input input = makeInput(TAV_PIXEL_BAYER_RG12_PACKED, 40, 30, 0, 1);
        std::vector<uint8_t> out(40 * 30 * 3);
        ASSERT_EQ(context.run(input, TAV_PIXEL_BGR8, 2, out), TAV_OK);
        EXPECT_EQ(context.handle->workBuffer.capacity, 30 * 41 + 64);
        Input grey = makeInput(TAV_PIXEL_BAYER_GB8, 80, 50, 0, 1);
        std::vector<uint8_t> out2(80 * 50 * 3);
        ASSERT_EQ(context.run(grey, TAV_PIXEL_BGR8, 2, out2), TAV_OK);
        EXPECT_EQ(context.handle->workBuffer.capacity, 30 * 41 + 64);
    }
}

// Refusals are decided before any band starts and printed once, as with
// one thread; the output and its descriptor stay untouched.
TEST(Threads, RefusalsPrintOnceAsWithOneThread) {
    for (int32_t threads : {1, 4}) {
        Context context(threads);
        Input narrow = makeInput(TAV_PIXEL_BAYER_RG12, 200, 5, 0, 3);
        Input wide = makeInput(TAV_PIXEL_BAYER_BG8, 200, 64, 0, 3);
        std::vector<uint8_t> out(200 * 64 * 4, 0x33);
        std::string printed = captureStdout([&] {
            EXPECT_EQ(context.run(narrow, TAV_PIXEL_BGRA8, 2, out), TAV_E_SIZE);
            EXPECT_EQ(context.run(wide, TAV_PIXEL_BGRA8, 4, out), TAV_E_UNSUPPORTED);
        });
        EXPECT_EQ(printed, "error line = [7543]") << "threads " << threads;
        EXPECT_EQ(out, std::vector<uint8_t>(out.size(), 0x33));
    }
}

// Frames below 256 KiB of output stay on the caller's thread: no worker starts.
TEST(Threads, SmallFramesStartNoWorkers) {
    TavContext* context = nullptr;
    ASSERT_EQ(tavCreate(&context), TAV_OK);
    ASSERT_EQ(tavDemosaicSetThreads(context, 4), TAV_OK);
    Input small = makeInput(TAV_PIXEL_BAYER_RG8, 64, 1024, 0, 4);  // 192 KiB of BGR8
    std::vector<uint8_t> out(64 * 1024 * 4);
    TavImage output = {0, 0, 0, out.data(), 0};
    ASSERT_EQ(tavDemosaicing(context, &small.image, 1, &output), TAV_OK);
    EXPECT_EQ(tav::startedWorkers(context), 0);
    TavDemosaicConfig config = {TAV_PIXEL_BGRA8};  // 256 KiB
    ASSERT_EQ(tavDemosaicSetConfig(context, &config), TAV_OK);
    ASSERT_EQ(tavDemosaicing(context, &small.image, 1, &output), TAV_OK);
    EXPECT_EQ(tav::startedWorkers(context), 3);
    EXPECT_EQ(tavRelease(&context), TAV_OK);
    EXPECT_EQ(context, nullptr);
}

// Several caller threads, each with its own context and thread count, at once.
TEST(Threads, ManyContextsOnManyThreadsStayIndependent) {
    const int kCallers = 6;
    std::vector<std::thread> callers;
    std::vector<int> failures(kCallers, 0);
    for (int c = 0; c < kCallers; ++c) {
        callers.emplace_back([c, &failures] {
            Context context(1 + c % 4);
            const int32_t code = c % 2 == 0 ? TAV_PIXEL_BAYER_RG12_PACKED : TAV_PIXEL_BAYER_GB8;
            for (int frame = 0; frame < 6; ++frame) {
                const int32_t method = (c + frame) % 4;
                const int64_t outputType = tavref::outputTypes()[(size_t)(c + frame) % 7];
                Input input = makeInput(code, 30 + frame + c, 24 + c, 0, (uint32_t)(c * 10 + frame));
                const std::vector<uint8_t> expected = expectedOutput(input.image, outputType, method);
                std::vector<uint8_t> out(expected.size());
                if (context.run(input, outputType, method, out) != TAV_OK || out != expected) ++failures[c];
            }
        });
    }
    for (std::thread& caller : callers) caller.join();
    EXPECT_EQ(failures, std::vector<int>(kCallers, 0));
}

// Releasing a context whose workers have run frames joins them; the thread
// count may change between frames.
TEST(Threads, ReleaseJoinsStartedWorkers) {
    for (int round = 0; round < 3; ++round) {
        TavContext* context = nullptr;
        ASSERT_EQ(tavCreate(&context), TAV_OK);
        tav::setMinThreadedOutput(context, 0);
        Input input = makeInput(TAV_PIXEL_BAYER_BG12, 200, 16, 0, 9);
        const std::vector<uint8_t> expected = expectedOutput(input.image, TAV_PIXEL_BGR8, 2);
        for (int32_t threads : {5, 2, 7, 1, 3}) {
            ASSERT_EQ(tavDemosaicSetThreads(context, threads), TAV_OK);
            std::vector<uint8_t> out(expected.size());
            TavImage output = {0, 0, 0, out.data(), 0};
            ASSERT_EQ(tavDemosaicing(context, &input.image, 2, &output), TAV_OK);
            ASSERT_EQ(out, expected) << "threads " << threads;
        }
        EXPECT_EQ(tav::startedWorkers(context), 6);
        EXPECT_EQ(tavRelease(&context), TAV_OK);
        EXPECT_EQ(context, nullptr);
    }
}

// Memory or threads refused while workers start: the frame is still done,
// on the threads that could be had (the caller's at least), silently.
TEST(Threads, FailedWorkerStartsFallBackToTheCallersThread) {
    struct Limit {
        int32_t allocations, starts, workersAfter;
    };
    const Limit limits[] = {
        {0, -1, 0},   // the pool itself cannot be allocated
        {1, -1, 3},   // workers start, their band memory cannot be had
        {-1, 0, 0},   // no thread can be created
        {-1, 2, 2},   // two of three workers start
    };
    // Tall enough for bands on all four threads with every method (the
    // high-quality one plans longer bands).
    Input input = makeInput(TAV_PIXEL_BAYER_GR12_PACKED, 200, 20, 0, 11);
    for (int method = 0; method <= 3; ++method) {
        const std::vector<uint8_t> expected = expectedOutput(input.image, TAV_PIXEL_RGB8_PLANAR, method);
        for (const Limit& limit : limits) {
            Context context(4);
            tav::limitWorkerResources(context.handle, limit.allocations, limit.starts);
            std::vector<uint8_t> out(expected.size());
            std::string printed = captureStdout([&] {
                EXPECT_EQ(context.run(input, TAV_PIXEL_RGB8_PLANAR, method, out), TAV_OK);
            });
            EXPECT_EQ(printed, "");
            EXPECT_EQ(out, expected) << "limits " << limit.allocations << " " << limit.starts;
            EXPECT_EQ(tav::startedWorkers(context.handle), limit.workersAfter);
            // With the limits lifted the next frame starts the rest.
            tav::limitWorkerResources(context.handle, -1, -1);
            std::fill(out.begin(), out.end(), 0);
            EXPECT_EQ(context.run(input, TAV_PIXEL_RGB8_PLANAR, method, out), TAV_OK);
            EXPECT_EQ(out, expected);
            EXPECT_EQ(tav::startedWorkers(context.handle), 3);
        }
    }
}

// A process made by fork() after the context's workers started inherits the
// context but not the threads: it runs frames on workers of its own rather
// than waiting for its parent's.
TEST(Threads, ForkedChildStartsItsOwnWorkers) {
#if defined(TAV_TEST_TSAN)
    GTEST_SKIP() << "ThreadSanitizer does not follow threads across fork";
#elif defined(TAV_TEST_ASAN)
    // A worker still in the sanitizer's thread start-up can hold its
    // allocator's lock at fork(); the child's own workers then wait on it.
    GTEST_SKIP() << "AddressSanitizer's allocator is not locked across fork";
#elif defined(TAV_TEST_EMULATED)
    GTEST_SKIP() << "user-mode qemu cannot start threads in a forked child of a threaded process";
#endif
    Context context(3);
    Input input = makeInput(TAV_PIXEL_BAYER_RG12, 200, 16, 0, 21);
    const std::vector<uint8_t> expected = expectedOutput(input.image, TAV_PIXEL_BGR8, 2);
    std::vector<uint8_t> out(expected.size());
    ASSERT_EQ(context.run(input, TAV_PIXEL_BGR8, 2, out), TAV_OK);
    ASSERT_EQ(tav::startedWorkers(context.handle), 2);
    fflush(stdout);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(30);  // a hang ends the child with SIGALRM
        std::fill(out.begin(), out.end(), 0);
        const TavDemosaicConfig config = {TAV_PIXEL_BGR8};
        tavDemosaicSetConfig(context.handle, &config);
        TavImage output = {0, 0, 0, out.data(), 0};
        const bool same = tavDemosaicing(context.handle, &input.image, 2, &output) == TAV_OK && out == expected &&
                          tav::startedWorkers(context.handle) == 2;
        _exit(tavRelease(&context.handle) == TAV_OK && same ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "child ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
    std::fill(out.begin(), out.end(), 0);
    ASSERT_EQ(context.run(input, TAV_PIXEL_BGR8, 2, out), TAV_OK);
    EXPECT_EQ(out, expected);
}
