// What the exports do not show: the mip chains, texture alpha and the viewport
// description the rasterizer reads.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/platform.h"
#include "raster/raster_device.h"
#include "tests/platform/platform_test_support.h"

TESSALY_EXPORT int GetSysInfo(void);
TESSALY_EXPORT int r_SeekMode(int card, int width, int height, int bitsPerPixel, int requireHardware);
TESSALY_EXPORT int r_InitEngine(int card, int mode, int device, PlatWindow** window, int flags, r_MsgCallback cb);
TESSALY_EXPORT int r_DeInitEngine(void);
TESSALY_EXPORT int r_SetViewportArea(float left, float top, float right, float bottom, r_MsgCallback cb);
TESSALY_EXPORT int r_AllocMaxTextures(int count, r_MsgCallback cb);
TESSALY_EXPORT int r_FreeAllocatedTextures(r_MsgCallback cb);
TESSALY_EXPORT int r_AddTexture(int handle, unsigned width, unsigned height, int bitsPerPixel, const uint8_t* texels,
                                const char* name, unsigned flags, r_MsgCallback cb);
TESSALY_EXPORT uint8_t* r_LockTexturePointer(int handle, int* width, int* height, int* pitch, int* bitsPerPixel);
TESSALY_EXPORT int r_ReleaseTexturePointer(int handle, int writeBack);

namespace {

class RasterInternal : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(platform_test::ConfigureHeadless(), 0);
        ASSERT_EQ(GetSysInfo(), 1);
        ASSERT_EQ(r_AllocMaxTextures(8, nullptr), 0);
    }
    void TearDown() override {
        r_FreeAllocatedTextures(nullptr);
        r_DeInitEngine();
    }
    const raster::Texture& Tex(int handle) { return raster::GetDevice().textures[handle]; }
};

TEST_F(RasterInternal, MipChainLevelCountsFollowTheSmallerSide) {
    struct Case {
        unsigned w, h, flags;
        size_t levels;
    } cases[] = {{256, 256, 0, 9}, {256, 64, 0, 7}, {32, 64, 0, 6}, {5, 3, 0, 2}, {256, 256, TEXTURE_NOMIPMAP, 1}};
    for (const Case& c : cases) {
        std::vector<uint8_t> texels(size_t(c.w) * c.h * 3, 50);
        ASSERT_EQ(r_AddTexture(0, c.w, c.h, 24, texels.data(), "T", c.flags, nullptr), 0);
        ASSERT_EQ(Tex(0).levels.size(), c.levels) << c.w << "x" << c.h;
        const raster::TextureLevel& last = Tex(0).levels.back();
        EXPECT_EQ(last.width, int(c.w >> (c.levels - 1)));
        EXPECT_EQ(last.texels.size(), size_t(c.w >> (c.levels - 1)) * (c.h >> (c.levels - 1)));
    }
}

TEST_F(RasterInternal, MipLevelsAreTruncatingBoxFiltersAndKeepAlpha) {
    // 4x2 grey: the left 2x2 block holds 10, 11, 12, 13, the right one 200, 201, 202, 204.
    const uint8_t values[8] = {10, 11, 200, 201, 12, 13, 202, 204};
    uint8_t texels[8 * 3];
    for (int i = 0; i < 24; ++i) texels[i] = values[i / 3];
    ASSERT_EQ(r_AddTexture(-1, 4, 2, 24, texels, "T", 0, nullptr), 0);
    ASSERT_EQ(Tex(0).levels.size(), 2u);
    EXPECT_EQ(Tex(0).levels[0].texels[1], 0xFF0B0B0Bu);  // 24-bit sources are opaque
    EXPECT_EQ(Tex(0).levels[1].texels[0], 0xFF0B0B0Bu);  // 46 / 4 = 11
    EXPECT_EQ(Tex(0).levels[1].texels[1], 0xFFC9C9C9u);  // 807 / 4 = 201

    // 32-bit sources: red, green, blue, alpha per pixel; alpha is kept and filtered.
    const uint8_t rgba[4 * 4] = {1, 2, 3, 0, 4, 5, 6, 100, 7, 8, 9, 201, 10, 11, 12, 255};
    ASSERT_EQ(r_AddTexture(3, 2, 2, 32, rgba, "A", 0, nullptr), 3);
    const raster::Texture& t = Tex(3);
    EXPECT_EQ(t.levels[0].texels[0], 0x00010203u);
    EXPECT_EQ(t.levels[0].texels[1], 0x64040506u);
    EXPECT_EQ(t.levels[1].texels[0], 0x8B050607u);  // alpha 556 / 4 = 139

    // A write-back through the 24-bit lock changes colour only, and level 0 only.
    int w, h, pitch, bits;
    uint8_t* copy = r_LockTexturePointer(3, &w, &h, &pitch, &bits);
    ASSERT_NE(copy, nullptr);
    copy[3] = 0xEE;  // blue of pixel (1, 0)
    r_ReleaseTexturePointer(3, 1);
    EXPECT_EQ(t.levels[0].texels[1], 0x640405EEu);
    EXPECT_EQ(t.levels[1].texels[0], 0x8B050607u);
}

TEST_F(RasterInternal, ViewportDescriptionAndClearRectangle) {
    PlatWindow* window = nullptr;
    ASSERT_EQ(r_InitEngine(0, r_SeekMode(0, 640, 480, 16, 0), 0, &window, EXCLUSIVEFULLSCREEN, nullptr), 0);
    const raster::ViewportState& vp = raster::GetDevice().viewport;
    r_SetViewportArea(-0.5f, 0, 2, std::nanf(""), nullptr);
    EXPECT_EQ(vp.width * 1000 + vp.height, 640480);
    EXPECT_FLOAT_EQ(vp.clipY, 1.0f);
    EXPECT_FLOAT_EQ(vp.clipHeight, 2.0f);
    r_SetViewportArea(0, 0, 0.5f, 1, nullptr);
    EXPECT_EQ(vp.width * 1000 + vp.height, 320480);
    EXPECT_FLOAT_EQ(vp.clipX, -1.0f);
    EXPECT_FLOAT_EQ(vp.clipY, 2.0f);
    EXPECT_FLOAT_EQ(vp.clipWidth, 2.0f);
    EXPECT_FLOAT_EQ(vp.clipHeight, 4.0f);
    r_SetViewportArea(0.25f, 0.5f, 0.75f, 1, nullptr);
    EXPECT_EQ(vp.clearLeft, 160);
    EXPECT_EQ(vp.clearTop, 240);
    EXPECT_EQ(vp.clearRight, 480);
    EXPECT_EQ(vp.clearBottom, 480);
    r_SetViewportArea(INFINITY, 1e30f, 1, 1, nullptr);  // defined values, nothing inside the frame
    EXPECT_GE(vp.clearLeft, 640);
}

}  // namespace
