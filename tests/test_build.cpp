// The status codes and pixel codes keep their published values.
#include "tavcore.h"
#include "test_support.h"

TEST(Codes, StatusValues) {
    EXPECT_EQ(TAV_OK, 0);
    EXPECT_EQ(TAV_E_LSC_FIT, -101);
    EXPECT_EQ(TAV_E_PIXEL_TYPE, -102);
    EXPECT_EQ(TAV_E_SIZE, -104);
    EXPECT_EQ(TAV_E_UNSUPPORTED, -107);
    EXPECT_EQ(TAV_E_NULL_POINTER, -111);
    EXPECT_EQ(TAV_E_NO_MEMORY, -117);
}

TEST(Codes, ImageDescriptorFieldOrder) {
    EXPECT_EQ(offsetof(TavImage, height), 0u);
    EXPECT_EQ(offsetof(TavImage, width), 4u);
    EXPECT_EQ(offsetof(TavImage, pixelType), 8u);
    EXPECT_LT(offsetof(TavImage, data), offsetof(TavImage, lineBytes));
}

TEST(Support, MirrorKeepsPhase) {
    EXPECT_EQ(tavtest::mirror(-1, 8), 1);
    EXPECT_EQ(tavtest::mirror(-2, 8), 2);
    EXPECT_EQ(tavtest::mirror(8, 8), 6);
    EXPECT_EQ(tavtest::mirror(9, 8), 5);
}
