// Coverage, culling, depth, blending, fill modes and clipping of TL triangles.
#include <cmath>
#include <limits>
#include <set>

#include "raster_fixture.h"

namespace {

using rt::V;

class Triangles : public rt::RasterTest {
protected:
    void Draw(std::initializer_list<TLVertex> v) {
        std::vector<TLVertex> list(v);
        r_SimpleTLRender(list.data(), static_cast<int>(list.size()), 1, 0);
    }
};

TEST_F(Triangles, SharedEdgesCoverEachPixelOnce) {
    // Additive blending of 0x010101 counts how often each pixel is written.
    r_SetRenderState(RS_ALPHABLEND, 1);
    r_SetRenderState(RS_BLENDMODE, BLEND_ADDITIVE);
    r_SetRenderState(RS_ZCHECK, 0);
    const uint32_t c = 0xFF010101;
    // A fan of triangles around an interior point with edges through pixel
    // centres, plus a quad split along its diagonal, all clockwise on screen.
    const float cx = 30.0f, cy = 31.0f;
    const float ring[][2] = {{10, 10}, {50, 10}, {55.5f, 33.25f}, {50, 50}, {10.5f, 50}, {4, 30}};
    for (int i = 0; i < 6; ++i) {
        const float* a = ring[i];
        const float* b = ring[(i + 1) % 6];
        Draw({V(cx, cy, 0.5f, c), V(a[0], a[1], 0.5f, c), V(b[0], b[1], 0.5f, c)});
    }
    int once = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint32_t p = rt::Pixel(x, y);
            ASSERT_TRUE(p == 0 || p == 0x010101) << "pixel " << x << "," << y << " = " << std::hex << p;
            once += p != 0;
        }
    EXPECT_GT(once, 1200);
}

TEST_F(Triangles, TopLeftRuleOnAnAxisAlignedQuad) {
    // Corners on pixel centres: (2,2)-(6,5) covers x 2..5, y 2..4 exactly.
    const uint32_t c = 0xFFFFFFFF;
    Draw({V(2, 2, .5f, c), V(6, 2, .5f, c), V(6, 5, .5f, c), V(2, 2, .5f, c), V(6, 5, .5f, c), V(2, 5, .5f, c)});
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(rt::Pixel(x, y) != 0, x >= 2 && x < 6 && y >= 2 && y < 5) << x << "," << y;
}

TEST_F(Triangles, CounterClockwiseIsCulledByDefault) {
    Draw({V(10, 10, .5f, 0xFFFF0000), V(30, 10, .5f, 0xFFFF0000), V(10, 30, .5f, 0xFFFF0000)});  // clockwise
    EXPECT_EQ(rt::Pixel(14, 14), 0xFF0000u);
    Draw({V(40, 10, .5f, 0xFF00FF00), V(40, 30, .5f, 0xFF00FF00), V(60, 10, .5f, 0xFF00FF00)});  // counter-clockwise
    EXPECT_EQ(rt::Pixel(44, 14), 0u);
    raster::GetDevice().state.cull = raster::CullMode::None;  // double-sided
    Draw({V(40, 10, .5f, 0xFF00FF00), V(40, 30, .5f, 0xFF00FF00), V(60, 10, .5f, 0xFF00FF00)});
    EXPECT_EQ(rt::Pixel(44, 14), 0x00FF00u);
}

TEST_F(Triangles, DepthFunctions) {
    struct Case {
        int func;
        bool lessPasses, equalPasses, greaterPasses;
    };
    const Case cases[] = {{1, true, false, false}, {2, true, true, false}, {4, false, false, true}, {8, false, true, true}};
    for (const Case& k : cases) {
        r_SetRenderState(RS_ZFUNC, k.func);
        const float depths[3] = {0.25f, 0.5f, 0.75f};  // less, equal, greater than the stored 0.5
        const bool pass[3] = {k.lessPasses, k.equalPasses, k.greaterPasses};
        for (int i = 0; i < 3; ++i) {
            rt::FillColour(0);
            rt::FillDepth(32767);
            r_SetRenderState(RS_ZWRITE, 0);
            Draw({V(0, 0, depths[i]), V(64, 0, depths[i]), V(0, 64, depths[i])});
            // 0.5 * 65535 truncates to 32767: equal.
            EXPECT_EQ(rt::Pixel(5, 5) != 0, pass[i]) << "func " << k.func << " case " << i;
            EXPECT_EQ(rt::Depth(5, 5), 32767u);
            r_SetRenderState(RS_ZWRITE, 1);
            Draw({V(0, 0, depths[i]), V(64, 0, depths[i]), V(0, 64, depths[i])});
            EXPECT_EQ(rt::Depth(5, 5), pass[i] ? static_cast<uint32_t>(depths[i] * 65535) : 32767u);
        }
    }
    // Depth test off: drawn whatever the buffer holds, and depth is not written.
    r_SetRenderState(RS_ZFUNC, 1);
    r_SetRenderState(RS_ZCHECK, 0);
    rt::FillDepth(0);
    Draw({V(0, 0, .9f, 0xFF0000FF), V(64, 0, .9f, 0xFF0000FF), V(0, 64, .9f, 0xFF0000FF)});
    EXPECT_EQ(rt::Pixel(5, 5), 0x0000FFu);
    EXPECT_EQ(rt::Depth(5, 5), 0u);
}

TEST_F(Triangles, BlendModesOnKnownColours) {
    r_SetRenderState(RS_ZCHECK, 0);
    auto blendOver = [&](int mode, uint32_t dst, uint32_t src) {
        rt::FillColour(dst);
        r_SetRenderState(RS_ALPHABLEND, mode != 0);
        if (mode) r_SetRenderState(RS_BLENDMODE, mode);
        Draw({V(0, 0, .5f, src), V(64, 0, .5f, src), V(0, 64, .5f, src)});
        return rt::Pixel(3, 3);
    };
    EXPECT_EQ(blendOver(0, 0x204060, 0x00C08040), 0xC08040u);  // blending off: alpha ignored
    // Translucent: source x (1 - alpha) + destination x alpha.
    EXPECT_EQ(blendOver(BLEND_TRANSLUCENT, 0x204060, 0xFFC08040), 0x204060u);
    EXPECT_EQ(blendOver(BLEND_TRANSLUCENT, 0x204060, 0x00C08040), 0xC08040u);
    EXPECT_EQ(blendOver(BLEND_TRANSLUCENT, 0x000000, 0x80FF00FF), 0x7E007Eu);
    EXPECT_EQ(blendOver(BLEND_TRANSLUCENT, 0xFFFFFF, 0x80000000), 0x808080u);
    // Additive saturates.
    EXPECT_EQ(blendOver(BLEND_ADDITIVE, 0x204060, 0x00C08040), 0xE0C0A0u);
    EXPECT_EQ(blendOver(BLEND_ADDITIVE, 0xF0F0F0, 0x00202020), 0xFFFFFFu);
    // Source x source colour; the destination is discarded.
    EXPECT_EQ(blendOver(BLEND_SOURCE_COLOUR, 0xFFFFFF, 0x00FF8000), 0xFF4000u);
}

TEST_F(Triangles, DitherOnlyOnSixteenBitTargets) {
    rt::MakeDevice(16, 16, raster::PixelFormat::RGB565);
    const uint32_t c = 0xFF0C0C0C;  // between two 565 levels
    Draw({V(0, 0, .5f, c), V(16, 0, .5f, c), V(0, 16, .5f, c), V(16, 0, .5f, c), V(16, 16, .5f, c), V(0, 16, .5f, c)});
    std::set<uint32_t> seen;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) seen.insert(rt::RawPixel(x, y));
    EXPECT_EQ(seen.size(), 2u);  // an ordered pattern of the two nearest levels
    r_SetRenderState(RS_DITHER, 0);
    rt::FillDepth(0xFFFF);
    Draw({V(0, 0, .5f, c), V(16, 0, .5f, c), V(0, 16, .5f, c), V(16, 0, .5f, c), V(16, 16, .5f, c), V(0, 16, .5f, c)});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(rt::RawPixel(x, y), rt::RawPixel(0, 0));
}

TEST_F(Triangles, PointsAndWireframe) {
    const uint32_t c = 0xFFFFFFFF;
    r_SetRenderState(RS_FILLMODE, FILL_POINTS);
    Draw({V(10.2f, 10.4f, .5f, c), V(40, 10, .5f, c), V(10, 40, .5f, c)});
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 3);
    EXPECT_EQ(rt::Pixel(10, 10), 0xFFFFFFu);
    EXPECT_EQ(rt::Pixel(40, 10), 0xFFFFFFu);
    EXPECT_EQ(rt::Pixel(10, 40), 0xFFFFFFu);

    rt::FillColour(0);
    rt::FillDepth(0xFFFF);
    r_SetRenderState(RS_FILLMODE, FILL_WIREFRAME);
    Draw({V(10, 10, .5f, c), V(40, 10, .5f, c), V(10, 40, .5f, c)});
    // Three edges of 30 pixels each, the last pixel of each left out.
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 90);
    EXPECT_EQ(rt::Pixel(25, 10), 0xFFFFFFu);
    EXPECT_EQ(rt::Pixel(10, 25), 0xFFFFFFu);
    EXPECT_EQ(rt::Pixel(25, 25), 0xFFFFFFu);
    EXPECT_EQ(rt::Pixel(15, 15), 0u);  // inside stays empty
    // Culling applies to points and wireframe too.
    rt::FillColour(0);
    Draw({V(10, 10, .5f, c), V(10, 40, .5f, c), V(40, 10, .5f, c)});
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 0);
}

TEST_F(Triangles, AntialiasingSoftensEdgesOnly) {
    r_SetRenderState(RS_ANTIALIAS, 1);
    const uint32_t c = 0xFFFFFFFF;
    Draw({V(5, 5, .5f, c), V(60, 20, .5f, c), V(20, 60, .5f, c)});
    int partial = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint32_t p = rt::Pixel(x, y);
            if (p != 0 && p != 0xFFFFFF) ++partial;
        }
    EXPECT_GT(partial, 60);                        // edge pixels are mixed with the background
    EXPECT_EQ(rt::Pixel(28, 28), 0xFFFFFFu);       // the interior is solid
    EXPECT_EQ(rt::Depth(28, 28), 32767u);          // and writes depth
}

TEST_F(Triangles, ViewportLimitsDrawing) {
    r_SetViewportArea(0, 0, 0.5f, 1, nullptr);
    const uint32_t c = 0xFFFFFFFF;
    Draw({V(0, 0, .5f, c), V(64, 0, .5f, c), V(0, 64, .5f, c), V(64, 0, .5f, c), V(64, 64, .5f, c), V(0, 64, .5f, c)});
    EXPECT_EQ(rt::Pixel(31, 40), 0xFFFFFFu);
    EXPECT_EQ(rt::Pixel(32, 10), 0u);
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 32 * 64);
}

TEST_F(Triangles, MalformedTrianglesAreDropped) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const uint32_t c = 0xFFFFFFFF;
    Draw({V(nan, 0, .5f, c), V(64, 0, .5f, c), V(0, 64, .5f, c)});
    Draw({V(0, 0, .5f, c), V(inf, 0, .5f, c), V(0, 64, .5f, c)});
    Draw({V(0, 0, .5f, c, nan, 0), V(64, 0, .5f, c), V(0, 64, .5f, c)});
    Draw({V(0, 0, .5f, c, 0, 0, 0), V(64, 0, .5f, c), V(0, 64, .5f, c)});  // rhw 0
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 0);
    // Huge but finite coordinates are clipped to the guard band, not wrapped.
    Draw({V(-1e30f, -1e30f, .5f, c), V(1e30f, -1e30f, .5f, c), V(0, 1e30f, .5f, c)});
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 64 * 64);
    // Indices at or beyond the vertex count drop their triangle only.
    rt::FillColour(0);
    rt::FillDepth(0xFFFF);
    const TLVertex v[3] = {V(0, 0, .5f, c), V(64, 0, .5f, c), V(0, 64, .5f, c)};
    const uint16_t idx[7] = {0, 1, 3, 0, 1, 2, 65535};
    r_SimpleIndexedTLRender(v, 3, idx, 7, 1);  // the trailing lone index is ignored
    EXPECT_EQ(rt::Pixel(2, 2), 0xFFFFFFu);
    EXPECT_EQ(rt::Pixel(62, 62), 0u);
    r_SimpleTLRender(v, 2, 1, 0);  // fewer than three vertices: nothing
    r_SimpleTLRender(nullptr, 3, 1, 0);
}

TEST_F(Triangles, TriangleCrossingTheCameraPlaneDrawsOnlyItsVisiblePart) {
    rt::MakeDevice(64, 64);
    const Matrix44 id = MatIdentity();
    r_SetFrustum(1.5f, 1.0f, 1.0f, 100.0f, nullptr);
    r_SetCamMatrix(&id);
    r_SetModelMatrix(&id);
    // A floor strip from behind the camera to far ahead, below the eye.
    const Vector3 p[3] = {{-1, -1, -5}, {1, -1, -5}, {0, -1, 50}};
    TLVertex tl[3];
    for (TLVertex& t : tl) t = V(0, 0, 0, 0xFFFF0000);
    r_FullVertexCamWork(tl, p, 3);
    raster::GetDevice().state.cull = raster::CullMode::None;
    r_SimpleTLRender(tl, 3, 1, 0);
    // Only the lower half of the frame (below the horizon) may be touched.
    int upper = 0, lower = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (rt::Pixel(x, y) != 0) ++(y < 32 ? upper : lower);
    EXPECT_EQ(upper, 0);
    EXPECT_GT(lower, 50);
    EXPECT_EQ(rt::Pixel(32, 63), 0xFF0000u);  // the strip runs under the camera
    EXPECT_EQ(rt::Pixel(2, 63), 0u);
    // A triangle wholly behind the camera draws nothing.
    rt::FillColour(0);
    const Vector3 q[3] = {{-1, -1, -5}, {1, -1, -5}, {0, 1, -6}};
    r_FullVertexCamWork(tl, q, 3);
    r_SimpleTLRender(tl, 3, 1, 0);
    EXPECT_EQ(rt::CountPixels(0), 64 * 64);
}

}  // namespace
