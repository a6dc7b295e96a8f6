// Texture sampling: nearest and bilinear filtering with wrap addressing,
// mip-level choice, perspective correction and untextured fallbacks.
#include "raster_fixture.h"

namespace {

using rt::V;

constexpr uint32_t kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;

class Textures : public rt::RasterTest {
protected:
    // A 64 x 64 screen quad with texture coordinates 0..us, 0..vs (affine).
    void Quad(float us, float vs, uint32_t colour = 0xFFFFFFFF) {
        const TLVertex v[6] = {V(0, 0, .5f, colour, 0, 0),   V(64, 0, .5f, colour, us, 0),
                               V(0, 64, .5f, colour, 0, vs), V(64, 0, .5f, colour, us, 0),
                               V(64, 64, .5f, colour, us, vs), V(0, 64, .5f, colour, 0, vs)};
        r_SimpleTLRender(v, 6, 1, 0);
    }
};

TEST_F(Textures, NearestVersusBilinearOnATwoByTwoChecker) {
    rt::AddTexture(0, 2, 2, {kBlack, kWhite, kWhite, kBlack}, false);
    r_SetTexture(0, 0);
    Quad(1, 1);
    EXPECT_EQ(rt::Pixel(10, 10), 0x000000u);
    EXPECT_EQ(rt::Pixel(40, 10), 0xFFFFFFu);
    EXPECT_EQ(rt::Pixel(31, 40), 0xFFFFFFu);
    EXPECT_EQ(rt::Pixel(32, 32), 0x000000u);
    r_SetRenderState(RS_BILINEAR, 1);
    rt::FillDepth(0xFFFF);
    Quad(1, 1);
    EXPECT_EQ(rt::Pixel(16, 16), 0x000000u);  // on a texel centre: that texel alone
    EXPECT_EQ(rt::Pixel(48, 16), 0xFFFFFFu);
    const uint32_t mid = rt::Pixel(32, 16);   // half way between two texels
    EXPECT_NEAR(static_cast<int>(mid & 255), 128, 2);
    const uint32_t wrapped = rt::Pixel(0, 16);  // wraps to the opposite texel
    EXPECT_NEAR(static_cast<int>(wrapped & 255), 128, 2);
    const uint32_t centre = rt::Pixel(32, 32);  // all four texels equally
    EXPECT_NEAR(static_cast<int>(centre & 255), 128, 2);
}

TEST_F(Textures, ModulatesWithTheDiffuseColourAndAlpha) {
    rt::AddTexture(0, 1, 1, {0x80FF8040}, false);
    r_SetTexture(0, 0);
    r_SetRenderState(RS_ALPHABLEND, 1);
    r_SetRenderState(RS_BLENDMODE, BLEND_TRANSLUCENT);
    Quad(1, 1, 0xFF808080);  // alpha 0x80 x 0xFF: half the destination stays
    const uint32_t p = rt::Pixel(5, 5);
    EXPECT_EQ(p, 0x3F1F0Fu);  // (0x80, 0x40, 0x20) x (1 - 129/256) over black
}

TEST_F(Textures, MipLevelFollowsTheTexelStep) {
    const std::vector<uint32_t> colours = {0xFF000010, 0xFF000020, 0xFF000030, 0xFF000040,
                                           0xFF000050, 0xFF000060, 0xFF000070};
    rt::AddLevelColouredTexture(0, 64, colours);
    r_SetTexture(0, 0);
    auto levelAt = [&](float scale, int x, int y) {
        rt::FillDepth(0xFFFF);
        Quad(scale, scale);
        return static_cast<int>(rt::Pixel(x, y) & 255) / 16 - 1;
    };
    EXPECT_EQ(levelAt(1, 20, 20), 0);   // one texel per pixel
    EXPECT_EQ(levelAt(0.25f, 20, 20), 0);  // magnified
    EXPECT_EQ(levelAt(2, 20, 20), 1);
    EXPECT_EQ(levelAt(4, 20, 20), 2);
    EXPECT_EQ(levelAt(64, 20, 20), 6);   // beyond the last level: the last level
    r_SetRenderState(RS_BILINEAR, 1);
    // Bilinear blends the two nearest levels: half way between levels 1 and 2.
    rt::FillDepth(0xFFFF);
    Quad(2.8284271f, 2.8284271f);
    EXPECT_NEAR(static_cast<int>(rt::Pixel(20, 20) & 255), 0x28, 2);
}

TEST_F(Textures, MipLevelsRiseTowardsTheHorizonOfARecedingPlane) {
    rt::MakeDevice(64, 64);
    const std::vector<uint32_t> colours = {0xFF000010, 0xFF000020, 0xFF000030, 0xFF000040,
                                           0xFF000050, 0xFF000060, 0xFF000070};
    rt::AddLevelColouredTexture(0, 64, colours);
    r_SetTexture(0, 0);
    const Matrix44 id = MatIdentity();
    r_SetFrustum(1.5f, 1.0f, 0.5f, 200.0f, nullptr);
    r_SetCamMatrix(&id);
    r_SetModelMatrix(&id);
    const Vector3 p[4] = {{-20, -1, 0.6f}, {20, -1, 0.6f}, {20, -1, 100}, {-20, -1, 100}};
    TLVertex tl[4];
    for (TLVertex& t : tl) t = V(0, 0, 0, 0xFFFFFFFF);
    r_FullVertexCamWork(tl, p, 4);
    const float uv[4][2] = {{0, 0}, {20, 0}, {20, 50}, {0, 50}};
    for (int i = 0; i < 4; ++i) {
        tl[i].tex[0][0] = uv[i][0];
        tl[i].tex[0][1] = uv[i][1];
    }
    raster::GetDevice().state.cull = raster::CullMode::None;
    const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
    r_SimpleIndexedTLRender(tl, 4, idx, 6, 1);
    int previous = -1, rose = 0;
    for (int y = 63; y > 32; --y) {
        const int level = static_cast<int>(rt::Pixel(32, y) & 255) / 16 - 1;
        ASSERT_GE(level, 0) << "row " << y;
        EXPECT_GE(level, previous) << "row " << y;
        rose += level > previous && previous >= 0;
        previous = level;
    }
    EXPECT_GE(rose, 3);
    EXPECT_LE(static_cast<int>(rt::Pixel(32, 63) & 255) / 16 - 1, 1);
}

TEST_F(Textures, PerspectiveCorrectCoordinates) {
    // Two vertices at rhw 1 and one pair at rhw 0.25: the texel boundary u = 0.5
    // lies where u*rhw/rhw reaches it, not half way across the screen.
    rt::AddTexture(0, 2, 1, {kBlack, kWhite}, false);
    r_SetTexture(0, 0);
    const TLVertex v[6] = {V(0, 0, .5f, kWhite, 0, 0, 1),   V(64, 0, .5f, kWhite, 1, 0, 0.25f),
                           V(0, 64, .5f, kWhite, 0, 1, 1),  V(64, 0, .5f, kWhite, 1, 0, 0.25f),
                           V(64, 64, .5f, kWhite, 1, 1, 0.25f), V(0, 64, .5f, kWhite, 0, 1, 1)};
    r_SimpleTLRender(v, 6, 1, 0);
    // u(x) = (x/64 * 0.25) / (1 - 0.75 x/64) = 0.5 at x = 64 * 0.8 = 51.2.
    EXPECT_EQ(rt::Pixel(50, 32), 0x000000u);
    EXPECT_EQ(rt::Pixel(53, 32), 0xFFFFFFu);
}

TEST_F(Textures, MissingTexturesDrawUntextured) {
    for (int handle : {-1, 7, 8, 1000}) {  // none, empty slot, beyond the store
        rt::FillColour(0);
        rt::FillDepth(0xFFFF);
        r_SetTexture(0, handle);
        Quad(1, 1, 0xFF336699);
        EXPECT_EQ(rt::Pixel(5, 5), 0x336699u) << handle;
    }
    // A non-power-of-two texture wraps by modulo.
    rt::AddTexture(2, 3, 1, {kBlack, kWhite, 0xFFFF0000}, false);
    r_SetTexture(0, 2);
    rt::FillDepth(0xFFFF);
    Quad(-1.0f, 1);  // negative coordinates wrap too
    EXPECT_EQ(rt::Pixel(1, 5), 0xFF0000u);
    EXPECT_EQ(rt::Pixel(62, 5), 0x000000u);
}

}  // namespace
