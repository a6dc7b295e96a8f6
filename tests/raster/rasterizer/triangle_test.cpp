// Coverage, culling, depth, blending, fill modes and clipping of TL triangles.
#include <limits>

#include "raster_fixture.h"

namespace {

using rt::V;

void Draw(std::initializer_list<TLVertex> v) {
    std::vector<TLVertex> list(v);
    r_SimpleTLRender(list.data(), static_cast<int>(list.size()), 1, 0);
}

class Triangles : public rt::RasterTest {};

TEST_F(Triangles, FillRuleCoversSharedEdgesOnce) {
    // Additive blending of 0x010101 counts the writes of each pixel: a fan with
    // edges through pixel centres and at odd slopes.
    r_SetRenderState(RS_ALPHABLEND, 1);
    r_SetRenderState(RS_BLENDMODE, BLEND_ADDITIVE);
    const uint32_t c = 0xFF010101;
    const float ring[][2] = {{10, 10}, {50, 10}, {55.5f, 33.25f}, {50, 50}, {10.5f, 50}, {4, 30}};
    for (int i = 0; i < 6; ++i)
        Draw({V(30, 31, .5f, c), V(ring[i][0], ring[i][1], .5f, c),
              V(ring[(i + 1) % 6][0], ring[(i + 1) % 6][1], .5f, c)});
    EXPECT_EQ(rt::CountPixels(0) + rt::CountPixels(0x010101), 64 * 64);
    EXPECT_GT(rt::CountPixels(0x010101), 1200);
    // Corners on pixel centres: (2,2)-(6,5) covers x 2..5 and y 2..4 (top-left rule).
    rt::FillColour(0);
    r_SetRenderState(RS_ALPHABLEND, 0);
    rt::Quad(2, 2, 6, 5);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(rt::Pixel(x, y) != 0, x >= 2 && x < 6 && y >= 2 && y < 5) << x << "," << y;
}

TEST_F(Triangles, CounterClockwiseIsCulledUnlessDoubleSided) {
    Draw({V(10, 10, .5f, 0xFFFF0000), V(30, 10, .5f, 0xFFFF0000), V(10, 30, .5f, 0xFFFF0000)});  // clockwise
    Draw({V(40, 10, .5f, 0xFF00FF00), V(40, 30, .5f, 0xFF00FF00), V(60, 10, .5f, 0xFF00FF00)});  // counter-clockwise
    EXPECT_EQ(rt::Pixel(14, 14), 0xFF0000u);
    EXPECT_EQ(rt::Pixel(44, 14), 0u);
    raster::GetDevice().state.cull = raster::CullMode::None;
    Draw({V(40, 10, .5f, 0xFF00FF00), V(40, 30, .5f, 0xFF00FF00), V(60, 10, .5f, 0xFF00FF00)});
    EXPECT_EQ(rt::Pixel(44, 14), 0x00FF00u);
}

TEST_F(Triangles, DepthFunctionsTestAndWrite) {
    const bool pass[4][3] = {{true, false, false}, {true, true, false}, {false, false, true}, {false, true, true}};
    const float depths[3] = {0.25f, 0.5f, 0.75f};  // less than, equal to, greater than the stored 0.5
    for (int f = 0; f < 4; ++f) {
        r_SetRenderState(RS_ZFUNC, 1 << f);
        for (int i = 0; i < 3; ++i) {
            rt::FillColour(0);
            rt::FillDepth(32767);  // 0.5 x 65535, truncated
            rt::Quad(0, 0, 64, 64, 0xFFFFFFFF, 1, 1, depths[i]);
            EXPECT_EQ(rt::Pixel(5, 5) != 0, pass[f][i]) << "function " << (1 << f) << " case " << i;
            EXPECT_EQ(rt::Depth(5, 5), pass[f][i] ? static_cast<uint32_t>(depths[i] * 65535) : 32767u);
        }
    }
    r_SetRenderState(RS_ZWRITE, 0);
    rt::Quad(0, 0, 64, 64, 0xFF00FF00, 1, 1, 0.9f);
    EXPECT_EQ(rt::Depth(5, 5), 49151u);          // greater-equal passed, depth kept
    r_SetRenderState(RS_ZCHECK | RS_ZWRITE, 0);  // test off: drawn, nothing written
    rt::FillDepth(0);
    rt::Quad(0, 0, 64, 64, 0xFF0000FF, 1, 1, 0.9f);
    EXPECT_EQ(rt::Pixel(5, 5), 0x0000FFu);
    EXPECT_EQ(rt::Depth(5, 5), 0u);
}

TEST_F(Triangles, BlendModesOnKnownColours) {
    r_SetRenderState(RS_ZCHECK, 0);
    auto over = [](int mode, uint32_t dst, uint32_t src) {
        rt::FillColour(dst);
        r_SetRenderState(RS_ALPHABLEND, mode != 0);
        r_SetRenderState(RS_BLENDMODE, mode);
        rt::Quad(0, 0, 64, 64, src);
        return rt::Pixel(3, 3);
    };
    EXPECT_EQ(over(0, 0x204060, 0x00C08040), 0xC08040u);  // blending off: alpha ignored
    // Translucent: source x (1 - alpha) + destination x alpha.
    EXPECT_EQ(over(BLEND_TRANSLUCENT, 0x204060, 0xFFC08040), 0x204060u);
    EXPECT_EQ(over(BLEND_TRANSLUCENT, 0x204060, 0x00C08040), 0xC08040u);
    EXPECT_EQ(over(BLEND_TRANSLUCENT, 0x000000, 0x80FF00FF), 0x7E007Eu);
    EXPECT_EQ(over(BLEND_TRANSLUCENT, 0xFFFFFF, 0x80000000), 0x808080u);
    EXPECT_EQ(over(BLEND_ADDITIVE, 0x204060, 0x00C08040), 0xE0C0A0u);
    EXPECT_EQ(over(BLEND_ADDITIVE, 0xF0F0F0, 0x00202020), 0xFFFFFFu);       // saturates
    EXPECT_EQ(over(BLEND_SOURCE_COLOUR, 0xFFFFFF, 0x00FF8000), 0xFF4000u);  // destination discarded
}

TEST_F(Triangles, PointsWireframeAndAntialiasing) {
    r_SetRenderState(RS_FILLMODE, FILL_POINTS);
    Draw({V(10.2f, 10.4f), V(40, 10), V(10, 40)});
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 3);
    EXPECT_EQ(rt::Pixel(10, 10) & rt::Pixel(40, 10) & rt::Pixel(10, 40), 0xFFFFFFu);
    rt::FillColour(0);
    rt::FillDepth(0xFFFF);
    r_SetRenderState(RS_FILLMODE, FILL_WIREFRAME);
    Draw({V(10, 10), V(40, 10), V(10, 40)});
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 90);  // three 30-pixel edges, last pixels left out
    EXPECT_EQ(rt::Pixel(25, 25), 0xFFFFFFu);
    EXPECT_EQ(rt::Pixel(15, 15), 0u);
    Draw({V(10, 10), V(10, 40), V(40, 10)});  // culled in wireframe too
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 90);

    rt::FillColour(0);
    rt::FillDepth(0xFFFF);
    r_SetRenderState(RS_FILLMODE | RS_ANTIALIAS, FILL_SOLID);
    Draw({V(5, 5), V(60, 20), V(20, 60)});
    const int full = rt::CountPixels(0xFFFFFF);
    EXPECT_GT(64 * 64 - rt::CountPixels(0) - full, 60);  // edge pixels mixed by coverage
    EXPECT_EQ(rt::Pixel(28, 28), 0xFFFFFFu);
    EXPECT_EQ(rt::Depth(28, 28), 32767u);
}

TEST_F(Triangles, ViewportAndMalformedInput) {
    r_SetViewportArea(0, 0, 0.5f, 1, nullptr);
    rt::Quad(-10, -10, 80, 80);
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 32 * 64);
    EXPECT_EQ(rt::Pixel(32, 10), 0u);
    r_SetViewportArea(0, 0, 1, 1, nullptr);
    rt::FillColour(0);
    rt::FillDepth(0xFFFF);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    Draw({V(nan, 0), V(64, 0), V(0, 64)});
    Draw({V(0, 0), V(inf, 0), V(0, 64)});
    Draw({V(0, 0, .5f, ~0u, nan, 0), V(64, 0), V(0, 64)});
    Draw({V(0, 0, .5f, ~0u, 0, 0, 0), V(64, 0), V(0, 64)});  // rhw 0
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 0);
    Draw({V(-1e30f, -1e30f), V(1e30f, -1e30f), V(0, 1e30f)});  // huge: clipped, never wrapped
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 64 * 64);
    rt::FillColour(0);
    rt::FillDepth(0xFFFF);
    const TLVertex v[3] = {V(0, 0), V(64, 0), V(0, 64)};
    const uint16_t idx[7] = {0, 1, 3, 0, 1, 2, 65535};
    r_SimpleIndexedTLRender(v, 3, idx, 7, 1);  // index 3 drops its triangle; the lone last index is ignored
    EXPECT_EQ(rt::Pixel(2, 2), 0xFFFFFFu);
    EXPECT_EQ(rt::Pixel(62, 62), 0u);
}

TEST_F(Triangles, TriangleCrossingTheCameraPlaneDrawsOnlyItsVisiblePart) {
    r_SetFrustum(1.5f, 1.0f, 1.0f, 100.0f, nullptr);
    raster::GetDevice().state.cull = raster::CullMode::None;
    const Vector3 floor[3] = {{-1, -1, -5}, {1, -1, -5}, {0, -1, 50}};  // from behind the camera to ahead
    TLVertex tl[3] = {V(0, 0, 0, 0xFFFF0000), V(0, 0, 0, 0xFFFF0000), V(0, 0, 0, 0xFFFF0000)};
    r_FullVertexCamWork(tl, floor, 3);
    r_SimpleTLRender(tl, 3, 1, 0);
    int upper = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) upper += rt::Pixel(x, y) != 0;
    EXPECT_EQ(upper, 0);  // nothing above the horizon
    EXPECT_GT(rt::CountPixels(0xFF0000), 50);
    EXPECT_EQ(rt::Pixel(32, 63), 0xFF0000u);
    EXPECT_EQ(rt::Pixel(2, 63), 0u);
    const Vector3 behind[3] = {{-1, -1, -5}, {1, -1, -5}, {0, 1, -6}};
    rt::FillColour(0);
    r_FullVertexCamWork(tl, behind, 3);
    r_SimpleTLRender(tl, 3, 1, 0);
    EXPECT_EQ(rt::CountPixels(0), 64 * 64);
}

}  // namespace
