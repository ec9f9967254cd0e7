// Context lifecycle, output configuration and work-buffer growth.
#include <cstdlib>

#include "../core/context/context.h"
#include "failing_malloc.h"
#include "tavcore.h"
#include "test_support.h"

using tavtest::captureStdout;
using tavtest::errorLine;

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
    EXPECT_EQ(printed, errorLine(tav::kLineCreateNullHandle) + errorLine(tav::kLineReleaseNullHandle) +
                           errorLine(tav::kLineGetConfigNull) + errorLine(tav::kLineGetConfigNull) +
                           errorLine(tav::kLineSetConfigNull) + errorLine(tav::kLineSetConfigNull));
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
    EXPECT_EQ(printed, errorLine(tav::kLineSetThreadsNull) + errorLine(tav::kLineSetThreadsNegative) +
                           errorLine(tav::kLineSetThreadsNegative));
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
        EXPECT_EQ(printed, errorLine(tav::kLineSetConfigOutputType));
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

// ---- allocation failure, through the failing malloc of the test binary ----
// Small frames whose work buffers have sizes nothing else asks for, so the
// same test runs natively and under qemu-arm.
#if TAV_TEST_FAIL_MALLOC

TEST(Context, AllocationFailuresPrintTheirLinesAndLeaveAnEmptyBuffer) {
    TavContext* context = createContext();
    TavWorkBuffer work = {nullptr, 0};
    ASSERT_EQ(tavMemRealloc(&work, 16), TAV_OK);
    std::vector<uint8_t> input(6 * 2 * 61, 7), out(6 * 61 * 3, 0xEE);
    TavImage output = {-1, -1, -1, out.data(), 9};
    TavImage grey8 = {4, 101, TAV_PIXEL_MONO8, input.data(), 101};           // 101 + 64 bytes
    TavImage bayer12 = {6, 61, TAV_PIXEL_BAYER_RG12, input.data(), 2 * 61};  // 61 x 7 + 64 bytes
    const std::string printed = captureStdout([&] {
        tavtest::failAllocationsOf(1237);
        EXPECT_EQ(tavMemRealloc(&work, 1237), TAV_E_NO_MEMORY);
        tavtest::failAllocationsOf(101 + 64);
        EXPECT_EQ(tavDemosaicing(context, &grey8, 0, &output), TAV_E_NO_MEMORY);
        tavtest::failAllocationsOf(61 * 7 + 64);
        EXPECT_EQ(tavDemosaicing(context, &bayer12, 2, &output), TAV_E_NO_MEMORY);
        tavtest::failAllocationsOf(0);
    });
    EXPECT_EQ(printed, errorLine(tav::kLineWorkBufferNoMemory) + errorLine(tav::kLineWorkBufferNoMemory) +
                           errorLine(tav::kLineDemosaicNoMemory8Bit) +
                           errorLine(tav::kLineWorkBufferNoMemory) +
                           errorLine(tav::kLineDemosaicNoMemoryConverted));
    EXPECT_EQ(work.buffer, nullptr);
    EXPECT_EQ(work.capacity, 0);
    EXPECT_EQ(context->workBuffer.buffer, nullptr);
    EXPECT_EQ(context->workBuffer.capacity, 0);
    EXPECT_EQ(output.height, -1);
    EXPECT_EQ(output.pixelType, -1);
    EXPECT_EQ(out, std::vector<uint8_t>(out.size(), 0xEE));
    EXPECT_EQ(input, std::vector<uint8_t>(input.size(), 7));
    // The context stays usable: the next frame allocates again.
    EXPECT_EQ(tavDemosaicing(context, &bayer12, 2, &output), TAV_OK);
    EXPECT_EQ(context->workBuffer.capacity, 61 * 7 + 64);
    tavRelease(&context);
}

TEST(Context, FailedCreationPrintsItsLineAndLeavesANullHandle) {
    TavContext* context = reinterpret_cast<TavContext*>(&context);
    const std::string printed = captureStdout([&] {
        tavtest::failAllocationsOf(sizeof(TavContext));
        EXPECT_EQ(tavCreate(&context), TAV_E_NO_MEMORY);
        tavtest::failAllocationsOf(0);
    });
    EXPECT_EQ(printed, errorLine(tav::kLineCreateNoMemory));
    EXPECT_EQ(context, nullptr);
}

#endif
