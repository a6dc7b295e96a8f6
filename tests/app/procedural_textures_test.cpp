// Fire palette, cooling and the wave table; the water over a locked lake
// picture, and without one.
#include <gtest/gtest.h>

#include <cmath>

#include "app/procedural_textures.h"
#include "fake_engine.h"

namespace {

TEST(Fire, PaletteRunsFromBlackToPaleYellow) {
    const struct {
        int heat;
        uint8_t r, g, b;
    } cases[] = {{0, 0, 0, 0},        {63, 252, 0, 31},    {64, 255, 0, 32},    {127, 255, 126, 32},
                 {128, 255, 128, 32}, {191, 255, 254, 95}, {192, 255, 255, 96}, {255, 255, 255, 222}};
    for (const auto& c : cases) {
        uint8_t rgb[3];
        FirePaletteEntry(c.heat, rgb);
        EXPECT_EQ(rgb[0], c.r) << c.heat;
        EXPECT_EQ(rgb[1], c.g) << c.heat;
        EXPECT_EQ(rgb[2], c.b) << c.heat;
    }
}

TEST(Fire, CoolingLosesMoreAsHeatFalls) {
    EXPECT_EQ(CoolHeat(255), 255);
    EXPECT_EQ(CoolHeat(100), 99);
    EXPECT_EQ(CoolHeat(1), 0);
    EXPECT_EQ(CoolHeat(0), 0);
}

TEST(Water, WaveTableUsesTruncatedDegreesOver57_4) {
    EXPECT_FLOAT_EQ(WaveSine(16), static_cast<float>(std::sin(90 / 57.4)));
    EXPECT_LT(WaveSine(16), 1.0f);
    EXPECT_FLOAT_EQ(WaveSine(1), static_cast<float>(std::sin(5 / 57.4)));
    EXPECT_EQ(WaveSine(0), 0.0f);
}

class WaterTexture : public testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        ReleaseProceduralTextures();
    }
    void TearDown() override { ReleaseProceduralTextures(); }

    // A lake whose locked pixels are blue, green, red with red = column, green = row.
    void MakeLake(int w, int h) {
        fake::g_engine.lakeWidth = w;
        fake::g_engine.lakeHeight = h;
        fake::g_engine.lake.assign(static_cast<size_t>(w) * h * 3, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = &fake::g_engine.lake[(static_cast<size_t>(y) * w + x) * 3];
                p[1] = static_cast<uint8_t>(y);
                p[2] = static_cast<uint8_t>(x);
            }
    }
};

TEST_F(WaterTexture, RowsShiftBySineWavesAndBytesAreReversed) {
    MakeLake(128, 128);
    SetUpWater();
    ASSERT_TRUE(WaterActive());
    EXPECT_GE(fake::g_engine.FindCall("r_ReleaseTexturePointer 2 1"), 0);
    UpdateProceduralTextures();
    ASSERT_EQ(fake::g_engine.lastWater.size(), 128u * 128u * 3u);
    EXPECT_EQ(fake::g_engine.addTextureCalls[1], 1);
    EXPECT_GE(fake::g_engine.FindCall("r_AddTexture 1 32 64 24 fx_phire.tga 0x8000"), 0);
    EXPECT_GE(fake::g_engine.FindCall("r_AddTexture 2 128 128 24 terrain_lake.tga 0x8000"), 0);

    // Column x of the output: rows moved down by trunc(y + 4 sin) after the
    // row shift. Find source row 0 (shift 0) and source row 16 (shift 4) in column 4.
    const auto& water = fake::g_engine.lastWater;
    auto pixel = [&](int x, int y) { return &water[(static_cast<size_t>(y) * 128 + x) * 3]; };
    const int q = 23 + 4;  // wave entry of column 4 in frame 0
    const float offset = 4 * WaveSine(q);
    const int row0 = static_cast<int>(0 + offset), row16 = static_cast<int>(16 + offset);
    // Byte order reversed: red (the column) first, then green (the row).
    EXPECT_EQ(pixel(4, row0)[0], 4);
    EXPECT_EQ(pixel(4, row0)[1], 0);
    EXPECT_EQ(pixel(4, row16)[0], 0);  // source column 0 moved right by 4
    EXPECT_EQ(pixel(4, row16)[1], 16);
}

TEST_F(WaterTexture, TinyPicturesWrapWithinTheirSize) {
    MakeLake(2, 2);
    SetUpWater();
    for (int frame = 0; frame < 70; ++frame) UpdateProceduralTextures();
    EXPECT_EQ(fake::g_engine.addTextureCalls[2], 70);
}

TEST_F(WaterTexture, MissingLakeLeavesTheWaterOff) {
    SetUpWater();
    EXPECT_FALSE(WaterActive());
    EXPECT_LT(fake::g_engine.FindCall("r_ReleaseTexturePointer"), 0);
    UpdateProceduralTextures();
    EXPECT_EQ(fake::g_engine.addTextureCalls[2], 0);
    EXPECT_EQ(fake::g_engine.addTextureCalls[1], 1);
}

}  // namespace
