// Context lifecycle, output configuration and work-buffer growth.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "../core/context.h"
#include "tavcore.h"
#include "test_support.h"

using tavtest::captureStdout;

namespace {

TavContext* createContext() {
    TavContext* context = nullptr;
    EXPECT_EQ(tavCreate(&context), TAV_OK);
    return context;
}

}  // namespace

TEST(Context, CreateGivesBgr8AndEmptyBufferWithFieldsInOrder) {
    EXPECT_EQ(offsetof(TavContext, outputType), 0u);
    EXPECT_LT(offsetof(TavContext, outputType), offsetof(TavContext, workBuffer));
    EXPECT_LT(offsetof(TavWorkBuffer, buffer), offsetof(TavWorkBuffer, capacity));
    TavContext* context = nullptr;
    std::string printed = captureStdout([&] { EXPECT_EQ(tavCreate(&context), TAV_OK); });
    EXPECT_EQ(printed, "");
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->workBuffer.buffer, nullptr);
    EXPECT_EQ(context->workBuffer.capacity, 0);
    TavDemosaicConfig config = {-1};
    EXPECT_EQ(tavDemosaicGetConfig(context, &config), TAV_OK);
    EXPECT_EQ(config.outputType, int64_t{TAV_PIXEL_BGR8});
    EXPECT_EQ(tavRelease(&context), TAV_OK);
}

TEST(Context, ReleaseNullsHandleAndToleratesNullHandleVariable) {
    TavContext* context = createContext();
    ASSERT_EQ(tavMemRealloc(&context->workBuffer, 100), TAV_OK);
    std::string printed = captureStdout([&] {
        EXPECT_EQ(tavRelease(&context), TAV_OK);
        EXPECT_EQ(context, nullptr);
        EXPECT_EQ(tavRelease(&context), TAV_OK);  // second release: nothing to do
        EXPECT_EQ(context, nullptr);
    });
    EXPECT_EQ(printed, "");
}

TEST(Context, NullArgumentsPrintTheirLines) {
    TavContext* context = createContext();
    TavDemosaicConfig config = {TAV_PIXEL_RGB8};
    std::string printed = captureStdout([&] {
        EXPECT_EQ(tavCreate(nullptr), TAV_E_NULL_POINTER);
        EXPECT_EQ(tavRelease(nullptr), TAV_E_NULL_POINTER);
        EXPECT_EQ(tavDemosaicGetConfig(nullptr, &config), TAV_E_NULL_POINTER);
        EXPECT_EQ(tavDemosaicGetConfig(context, nullptr), TAV_E_NULL_POINTER);
        EXPECT_EQ(tavDemosaicSetConfig(nullptr, &config), TAV_E_NULL_POINTER);
        EXPECT_EQ(tavDemosaicSetConfig(context, nullptr), TAV_E_NULL_POINTER);
    });
    EXPECT_EQ(printed,
              "error line = [13]error line = [41]error line = [52]error line = [52]"
              "error line = [70]error line = [70]");
    EXPECT_EQ(config.outputType, int64_t{TAV_PIXEL_RGB8});
    tavInit(nullptr);  // checks nothing, but must not crash
    tavRelease(&context);
}

TEST(Context, ThreadSettingRefusesNullAndNegative) {
    TavContext* context = createContext();
    std::string printed = captureStdout([&] {
        EXPECT_EQ(tavDemosaicSetThreads(nullptr, 2), TAV_E_NULL_POINTER);
        EXPECT_EQ(tavDemosaicSetThreads(context, -1), TAV_E_SIZE);
        EXPECT_EQ(tavDemosaicSetThreads(context, INT32_MIN), TAV_E_SIZE);
    });
    EXPECT_EQ(printed, "error line = [78]error line = [79]error line = [79]");
    printed = captureStdout([&] {
        EXPECT_EQ(tavDemosaicSetThreads(context, 0), TAV_OK);
        EXPECT_EQ(tavDemosaicSetThreads(context, 4), TAV_OK);
        EXPECT_EQ(tavDemosaicSetThreads(context, 1), TAV_OK);
    });
    EXPECT_EQ(printed, "");
    tavRelease(&context);
}

TEST(Context, SetConfigAcceptsExactlyTheSevenOutputCodes) {
    TavContext* context = createContext();
    const int64_t accepted[] = {TAV_PIXEL_RGB8,        TAV_PIXEL_BGR8,        TAV_PIXEL_RGBA8, TAV_PIXEL_BGRA8,
                                TAV_PIXEL_RGB8_PLANAR, TAV_PIXEL_BGR8_PLANAR, TAV_PIXEL_MONO8};
    for (int64_t type : accepted) {
        TavDemosaicConfig config = {type};
        std::string printed = captureStdout([&] { EXPECT_EQ(tavDemosaicSetConfig(context, &config), TAV_OK); });
        EXPECT_EQ(printed, "");
        TavDemosaicConfig back = {0};
        EXPECT_EQ(tavDemosaicGetConfig(context, &back), TAV_OK);
        EXPECT_EQ(back.outputType, type);
    }
    TavDemosaicConfig bgra = {TAV_PIXEL_BGRA8};
    ASSERT_EQ(tavDemosaicSetConfig(context, &bgra), TAV_OK);
    const int64_t refused[] = {0x02200015, (int64_t{1} << 32) | TAV_PIXEL_BGR8, TAV_PIXEL_BAYER_RG8, 0, -1,
                               TAV_PIXEL_MONO16};
    for (int64_t type : refused) {
        TavDemosaicConfig config = {type};
        std::string printed =
            captureStdout([&] { EXPECT_EQ(tavDemosaicSetConfig(context, &config), TAV_E_UNSUPPORTED); });
        EXPECT_EQ(printed, "error line = [74]");
        TavDemosaicConfig back = {0};
        EXPECT_EQ(tavDemosaicGetConfig(context, &back), TAV_OK);
        EXPECT_EQ(back.outputType, int64_t{TAV_PIXEL_BGRA8});
    }
    tavRelease(&context);
}

TEST(Context, MemReallocGrowsToExactSizeAndNeverShrinks) {
    TavWorkBuffer work = {nullptr, 0};
    EXPECT_EQ(tavMemRealloc(&work, 0), TAV_OK);
    EXPECT_EQ(tavMemRealloc(&work, -5), TAV_OK);
    EXPECT_EQ(work.buffer, nullptr);
    EXPECT_EQ(work.capacity, 0);
    ASSERT_EQ(tavMemRealloc(&work, 64), TAV_OK);
    ASSERT_NE(work.buffer, nullptr);
    EXPECT_EQ(work.capacity, 64);
    memset(work.buffer, 0x5A, 64);  // the whole capacity is usable
    uint8_t* block = work.buffer;
    for (int32_t size : {64, 10, 0, -1, INT32_MIN}) {
        std::string printed = captureStdout([&] { EXPECT_EQ(tavMemRealloc(&work, size), TAV_OK); });
        EXPECT_EQ(printed, "");
        EXPECT_EQ(work.buffer, block);
        EXPECT_EQ(work.capacity, 64);
        EXPECT_EQ(work.buffer[63], 0x5A);  // contents kept
    }
    ASSERT_EQ(tavMemRealloc(&work, 1000), TAV_OK);
    EXPECT_EQ(work.capacity, 1000);
    memset(work.buffer, 0, 1000);
    EXPECT_EQ(tavMemRealloc(nullptr, 10), TAV_E_NULL_POINTER);
    free(work.buffer);
}

TEST(Context, DemosaicGrowsWorkBufferOnlyWhenAFrameNeedsMore) {
    TavContext* context = createContext();
    TavDemosaicConfig mono = {TAV_PIXEL_MONO8};
    ASSERT_EQ(tavDemosaicSetConfig(context, &mono), TAV_OK);
    std::vector<uint8_t> raw(2 * 12 * 10, 1), out(12 * 10);
    TavImage output = {0, 0, 0, out.data(), 0};

    TavImage grey8 = {10, 12, TAV_PIXEL_MONO8, raw.data(), 12};
    ASSERT_EQ(tavDemosaicing(context, &grey8, 0, &output), TAV_OK);
    EXPECT_EQ(context->workBuffer.capacity, 12 + 64);

    TavImage grey16 = {10, 12, TAV_PIXEL_MONO16, raw.data(), 24};
    ASSERT_EQ(tavDemosaicing(context, &grey16, 0, &output), TAV_OK);
    EXPECT_EQ(context->workBuffer.capacity, 12 * 11 + 64);
    uint8_t* block = context->workBuffer.buffer;
    for (int repeat = 0; repeat < 3; ++repeat) {
        ASSERT_EQ(tavDemosaicing(context, &grey16, 0, &output), TAV_OK);
        ASSERT_EQ(tavDemosaicing(context, &grey8, 0, &output), TAV_OK);
    }
    EXPECT_EQ(context->workBuffer.buffer, block);
    EXPECT_EQ(context->workBuffer.capacity, 12 * 11 + 64);
    tavRelease(&context);
}

// ---- allocation failure, provoked by capping the address space ----
#if defined(__SANITIZE_ADDRESS__)
#define TAV_TEST_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAV_TEST_UNDER_ASAN 1
#endif
#endif

namespace {

// Caps the address space a little above what the process uses now, so that
// allocations of hundreds of megabytes fail while the test itself runs on.
class AddressSpaceCap {
public:
    AddressSpaceCap() {
        getrlimit(RLIMIT_AS, &saved_);
        std::ifstream statm("/proc/self/statm");
        unsigned long pages = 0;
        statm >> pages;
        rlimit cap = saved_;
        cap.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{64} << 20);
        active_ = pages != 0 && setrlimit(RLIMIT_AS, &cap) == 0;
    }
    ~AddressSpaceCap() { setrlimit(RLIMIT_AS, &saved_); }
    bool active() const { return active_; }

private:
    rlimit saved_{};
    bool active_ = false;
};

// Whether malloc refuses `size` bytes right now.
bool allocatorRefuses(size_t size) {
    void* probe = malloc(size);
    free(probe);
    return probe == nullptr;
}

}  // namespace

TEST(Context, AllocationFailuresPrintTheirLinesAndLeaveAnEmptyBuffer) {
#ifdef TAV_TEST_UNDER_ASAN
    GTEST_SKIP() << "the sanitizer's allocator does not return null";
#else
    const int32_t hugeGrey8Width = (1 << 29) - 1;            // work buffer of width + 64 bytes
    const int32_t wide = 1 << 15, tall = (1 << 15) - 2;      // converted: width x (height + 1) + 64
    TavContext* context = createContext();
    TavWorkBuffer work = {nullptr, 0};
    ASSERT_EQ(tavMemRealloc(&work, 16), TAV_OK);
    std::vector<uint8_t> small(64, 7), out(64, 0xEE);
    TavImage output = {-1, -1, -1, out.data(), 9};
    std::string printed;
    {
        AddressSpaceCap cap;
        if (!cap.active() || !allocatorRefuses(size_t{1} << 29)) GTEST_SKIP() << "cannot provoke a failure here";
        // Nothing past the checks reads the (far too small) input buffers when
        // the work buffer cannot be grown.
        TavImage grey8 = {4, hugeGrey8Width, TAV_PIXEL_MONO8, small.data(), hugeGrey8Width};
        TavImage bayer12 = {tall, wide, TAV_PIXEL_BAYER_RG12, small.data(), 2 * wide};
        printed = captureStdout([&] {
            EXPECT_EQ(tavMemRealloc(&work, INT32_MAX), TAV_E_NO_MEMORY);
            EXPECT_EQ(tavDemosaicing(context, &grey8, 0, &output), TAV_E_NO_MEMORY);
            EXPECT_EQ(tavDemosaicing(context, &bayer12, 2, &output), TAV_E_NO_MEMORY);
        });
    }
    EXPECT_EQ(printed, "error line = [42]error line = [42]error line = [115]error line = [42]error line = [119]");
    EXPECT_EQ(work.buffer, nullptr);
    EXPECT_EQ(work.capacity, 0);
    EXPECT_EQ(context->workBuffer.buffer, nullptr);
    EXPECT_EQ(context->workBuffer.capacity, 0);
    EXPECT_EQ(output.height, -1);
    EXPECT_EQ(output.pixelType, -1);
    EXPECT_EQ(out, std::vector<uint8_t>(64, 0xEE));
    // The context stays usable: the next frame allocates again.
    TavImage grey = {4, 4, TAV_PIXEL_MONO16, small.data(), 8};
    TavDemosaicConfig mono = {TAV_PIXEL_MONO8};
    ASSERT_EQ(tavDemosaicSetConfig(context, &mono), TAV_OK);
    EXPECT_EQ(tavDemosaicing(context, &grey, 0, &output), TAV_OK);
    EXPECT_EQ(context->workBuffer.capacity, 4 * 5 + 64);
    tavRelease(&context);
#endif
}
