// The flat-field wrapper end to end: forwarding, descriptor building and the
// translation of every status.
#ifdef TAV_HAVE_FFC

#include <cstring>

#include "ref_lsc.h"
#include "tav_ffc.h"
#include "test_support.h"

using tavtest::errorLine;

namespace {

using tavtest::captureStdout;

TEST(Ffc, TranslationTable) {
    for (int s : {-130, -116, -101, -100}) EXPECT_EQ(IMG_LSC_ErrorChange(s), 2) << s;
    for (int s : {-103, -102}) EXPECT_EQ(IMG_LSC_ErrorChange(s), 4) << s;
    for (int s : {-104, -111, -108, -107, -115, -114}) EXPECT_EQ(IMG_LSC_ErrorChange(s), 1) << s;
    for (int s : {-117, 0, 1, 100, -1, -99, -105, -106, -109, -110, -112, -113, -118, -129, -131, INT32_MIN, INT32_MAX})
        EXPECT_EQ(IMG_LSC_ErrorChange(s), 3) << s;
}

TEST(Ffc, AverageInput) {
    unsigned int sums[] = {10, 11, 4294967295u};
    float out[4] = {0, 0, 0, -7.0f};
    EXPECT_EQ(averageInput(sums, 3, out, 4), 0);
    EXPECT_EQ(out[0], 2.5f);
    EXPECT_EQ(out[1], 2.75f);
    EXPECT_EQ(out[2], 4294967296.0f / 4.0f);  // the sum is rounded to float first
    EXPECT_EQ(out[3], -7.0f);
    EXPECT_EQ(averageInput(sums, 3, out, -2), 0);
    EXPECT_EQ(out[0], -5.0f);
    EXPECT_EQ(averageInput(nullptr, 0, nullptr, 0), 0);
}

TEST(Ffc, ParameterForwardsAndTranslates) {
    const int h = 32, w = 48;
    tavref::ShadingFrames f = tavref::randomShading(h, w, 10, 77);
    std::vector<uint32_t> table(3 + h * w);
    TavLSCInput input = {1, 10, w, h, f.grey.data(), f.dark.data()};
    int32_t code = -1;
    EXPECT_EQ(captureStdout([&] { code = IMG_LSC_GetFFCParameter(&input, table.data()); }), "");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(table, tavref::lscTable(1, 10, h, w, f.grey, f.dark));

    EXPECT_EQ(captureStdout([&] { code = IMG_LSC_GetFFCParameter(&input, nullptr); }), "");
    EXPECT_EQ(code, 1);
    EXPECT_EQ(captureStdout([&] { code = IMG_LSC_GetFFCParameter(nullptr, table.data()); }), "");
    EXPECT_EQ(code, 1);
    input.width = 31;
    EXPECT_EQ(captureStdout([&] { code = IMG_LSC_GetFFCParameter(&input, table.data()); }),
              errorLine(tav::kLineTableSize));
    EXPECT_EQ(code, 1);
    input.width = w;
    input.mode = 3;
    EXPECT_EQ(captureStdout([&] { code = IMG_LSC_GetFFCParameter(&input, table.data()); }),
              errorLine(tav::kLineTableMode));
    EXPECT_EQ(code, 1);
    input.grey = nullptr;
    EXPECT_EQ(captureStdout([&] { code = IMG_LSC_GetFFCParameter(&input, table.data()); }),
              errorLine(tav::kLineTableNull));
    EXPECT_EQ(code, 1);
}

TEST(Ffc, ImportParamBuildsTheBlockRequest) {
    const int h = 48, w = 64;
    tavref::ShadingFrames f = tavref::randomShading(h, w, 12, 78);
    for (uint32_t smallBlock : {0u, 1u, 7u}) {
        const int blockWidth = smallBlock != 0 ? 16 : 32;
        const size_t bytes = size_t(h / 16) * (w / blockWidth) * 3;
        tavtest::GuardedBuffer records(bytes);
        IMG_LSC_BASIC_PARAM param = {0, smallBlock, 12, 4, w, h, 37.5f, f.grey.data()};
        EXPECT_EQ(IMG_LSC_ImportParam(param, records.data()), 0);
        EXPECT_EQ(records.contents(), tavref::blockRecords(12, h, w, blockWidth, f.grey, 37.5f));
        EXPECT_TRUE(records.intact());
    }
    uint8_t records[64];
    IMG_LSC_BASIC_PARAM param = {0, 0, 14, 2, w, h, 0.0f, f.grey.data()};
    int32_t code = -1;
    EXPECT_EQ(captureStdout([&] { code = IMG_LSC_ImportParam(param, records); }),
              errorLine(tav::kLineBlockBits));
    EXPECT_EQ(code, 1);
    param.bits = 12;
    param.selector = 9;
    EXPECT_EQ(captureStdout([&] { code = IMG_LSC_ImportParam(param, records); }), "");
    EXPECT_EQ(code, 1);
    EXPECT_EQ(captureStdout([&] { code = IMG_LSC_ImportParam(param, nullptr); }), "");
    EXPECT_EQ(code, 1);
    param.grey = nullptr;
    EXPECT_EQ(captureStdout([&] { code = IMG_LSC_ImportParam(param, records); }), "");
    EXPECT_EQ(code, 1);
}

TEST(Ffc, ImageCorrectsAndTranslates) {
    const int h = 32, w = 32;
    tavref::ShadingFrames f = tavref::randomShading(h, w, 12, 79);
    std::vector<uint32_t> table(3 + (h / 2) * (w / 2));
    TavLSCInput input = {0, 12, w, h, f.grey.data(), f.dark.data()};
    ASSERT_EQ(IMG_LSC_GetFFCParameter(&input, table.data()), 0);

    std::vector<uint16_t> raw = tavtest::randomSamples16(h * w, 80, 4095);
    std::vector<uint16_t> out(h * w, 0xCDCD);
    IMG_LSC_FFC_IMAGE image = {reinterpret_cast<uint8_t*>(raw.data()), table.data(),
                               reinterpret_cast<uint8_t*>(out.data()), w, h, TAV_PIXEL_BAYER_GB12};
    EXPECT_EQ(IMG_LSC_GetFFCImage(image), 0);
    std::vector<uint32_t> expected = tavref::correct(table, std::vector<uint32_t>(raw.begin(), raw.end()), 12);
    EXPECT_EQ(std::vector<uint32_t>(out.begin(), out.end()), expected);

    image.dstData = image.srcData;  // in place
    EXPECT_EQ(IMG_LSC_GetFFCImage(image), 0);
    EXPECT_EQ(std::vector<uint32_t>(raw.begin(), raw.end()), expected);

    int32_t code = -1;
    std::vector<uint16_t> untouched(h * w, 0xCDCD);
    image.dstData = reinterpret_cast<uint8_t*>(untouched.data());
    image.pixelType = TAV_PIXEL_MONO16;  // no correction for this type
    EXPECT_EQ(captureStdout([&] { code = IMG_LSC_GetFFCImage(image); }), "");
    EXPECT_EQ(code, 4);
    image.pixelType = TAV_PIXEL_MONO12;
    image.height = 30;
    EXPECT_EQ(captureStdout([&] { code = IMG_LSC_GetFFCImage(image); }),
              errorLine(tav::kLineCorrectionTableSize));
    EXPECT_EQ(code, 1);
    EXPECT_EQ(untouched, std::vector<uint16_t>(h * w, 0xCDCD));

    IMG_LSC_FFC_IMAGE nulls[] = {{nullptr, table.data(), image.dstData, w, h, TAV_PIXEL_MONO12},
                                 {image.srcData, nullptr, image.dstData, w, h, TAV_PIXEL_MONO12},
                                 {image.srcData, table.data(), nullptr, w, h, TAV_PIXEL_MONO12}};
    for (const IMG_LSC_FFC_IMAGE& n : nulls) {
        EXPECT_EQ(captureStdout([&] { code = IMG_LSC_GetFFCImage(n); }), "");
        EXPECT_EQ(code, 1);
    }
}

}  // namespace

#endif
