// Texture sampling: nearest and bilinear filtering with wrap addressing, mip
// levels, perspective correction and untextured fallbacks.
#include "raster_fixture.h"

namespace {

using rt::V;

class Textures : public rt::RasterTest {
protected:
    void Redraw(float us, float vs, uint32_t colour = 0xFFFFFFFF) {
        rt::FillDepth(0xFFFF);
        rt::Quad(0, 0, 64, 64, colour, us, vs);
    }
    int Level(int x, int y) { return static_cast<int>(rt::Pixel(x, y) & 255) / 16 - 1; }
    const std::vector<uint32_t> levelColours = {0xFF000010, 0xFF000020, 0xFF000030, 0xFF000040,
                                                0xFF000050, 0xFF000060, 0xFF000070};
};

TEST_F(Textures, NearestVersusBilinearOnATwoByTwoChecker) {
    rt::AddTexture(0, 2, 2, {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000}, false);
    r_SetTexture(0, 0);
    Redraw(1, 1);
    EXPECT_EQ(rt::Pixel(10, 10), 0x000000u);
    EXPECT_EQ(rt::Pixel(40, 10), 0xFFFFFFu);
    EXPECT_EQ(rt::Pixel(31, 40), 0xFFFFFFu);
    r_SetRenderState(RS_BILINEAR, 1);
    Redraw(1, 1);
    EXPECT_EQ(rt::Pixel(16, 16), 0x000000u);  // on a texel centre: that texel alone
    EXPECT_EQ(rt::Pixel(48, 16), 0xFFFFFFu);
    EXPECT_NEAR(static_cast<int>(rt::Pixel(32, 16) & 255), 128, 2);  // half way between two texels
    EXPECT_NEAR(static_cast<int>(rt::Pixel(0, 16) & 255), 128, 2);   // wrapped to the opposite texel
    EXPECT_NEAR(static_cast<int>(rt::Pixel(32, 32) & 255), 128, 2);  // four texels equally
}

TEST_F(Textures, MipLevelFollowsTheTexelStep) {
    rt::AddLevelColouredTexture(0, 64, levelColours);
    r_SetTexture(0, 0);
    const std::pair<float, int> cases[] = {{1, 0}, {0.25f, 0}, {2, 1}, {4, 2}, {64, 6}};
    for (auto [scale, level] : cases) {
        Redraw(scale, scale);
        EXPECT_EQ(Level(20, 20), level) << scale;
    }
    r_SetRenderState(RS_BILINEAR, 1);
    Redraw(2.8284271f, 2.8284271f);  // half way between levels 1 and 2
    EXPECT_NEAR(static_cast<int>(rt::Pixel(20, 20) & 255), 0x28, 2);
}

TEST_F(Textures, MipLevelsRiseTowardsTheHorizonOfARecedingPlane) {
    rt::AddLevelColouredTexture(0, 64, levelColours);
    r_SetTexture(0, 0);
    r_SetFrustum(1.5f, 1.0f, 0.5f, 200.0f, nullptr);
    const Vector3 p[4] = {{-20, -1, 0.6f}, {20, -1, 0.6f}, {20, -1, 100}, {-20, -1, 100}};
    rt::DrawWorldQuad(p, 20, 50);
    EXPECT_LE(Level(32, 63), 1);
    int previous = Level(32, 63), rises = 0;
    for (int y = 62; y > 32; --y) {
        ASSERT_GE(Level(32, y), previous) << "row " << y;
        rises += Level(32, y) > previous;
        previous = Level(32, y);
    }
    EXPECT_GE(rises, 3);
}

TEST_F(Textures, PerspectiveCorrectionAndFallbacks) {
    // rhw 1 on the left, 0.25 on the right: u = 0.5 at x = 64 x 0.8 = 51.2.
    rt::AddTexture(0, 2, 1, {0xFF000000, 0xFFFFFFFF}, false);
    r_SetTexture(0, 0);
    const TLVertex v[6] = {V(0, 0, .5f, ~0u, 0, 0, 1),      V(64, 0, .5f, ~0u, 1, 0, .25f),
                           V(0, 64, .5f, ~0u, 0, 1, 1),     V(64, 0, .5f, ~0u, 1, 0, .25f),
                           V(64, 64, .5f, ~0u, 1, 1, .25f), V(0, 64, .5f, ~0u, 0, 1, 1)};
    r_SimpleTLRender(v, 6, 1, 0);
    EXPECT_EQ(rt::Pixel(50, 32), 0x000000u);
    EXPECT_EQ(rt::Pixel(53, 32), 0xFFFFFFu);
    for (int handle : {-1, 7, 1000}) {  // none, empty slot, beyond the store: untextured
        r_SetTexture(0, handle);
        Redraw(1, 1, 0xFF336699);
        EXPECT_EQ(rt::Pixel(5, 5), 0x336699u) << handle;
    }
    rt::AddTexture(2, 3, 1, {0xFF000000, 0xFFFFFFFF, 0xFFFF0000}, false);  // 3 wide: wraps by modulo
    r_SetTexture(0, 2);
    Redraw(-1.0f, 1);
    EXPECT_EQ(rt::Pixel(1, 5), 0xFF0000u);
    EXPECT_EQ(rt::Pixel(62, 5), 0x000000u);
}

}  // namespace
