// The fast and reference pixel walkers must give identical frames; golden
// frames pin the look (regenerate with TESSALY_REGENERATE_GOLDEN=1).
#include <cstdio>
#include <random>

#include "png_writer.h"
#include "raster_fixture.h"

namespace {

using rt::V;

// The frame and depth bytes once everything recorded is drawn.
std::vector<uint8_t> FinishedFrame() {
    raster::FinishDrawing();
    std::vector<uint8_t> frame = raster::GetDevice().back.pixels;
    const raster::DepthSurface& d = raster::GetDevice().depth;
    frame.insert(frame.end(), d.samples.begin(), d.samples.end());
    return frame;
}

size_t CountDifferences(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t differ = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) differ += a[i] != b[i];
    return differ;
}

// Random triangles, partly off screen and behind the camera, under random
// states (points, wireframe and antialiasing now and then), drawn with the
// given number of threads; returns the frame bytes.
std::vector<uint8_t> RandomScene(unsigned seed, raster::RasterPath path, raster::PixelFormat fmt, int depthBits,
                                 int threads = 1) {
    rt::MakeDevice(97, 71, fmt, depthBits);
    raster::SetRasterPath(path);
    raster::SetDrawThreads(threads);
    rt::AddTexture(0, 32, 32, rt::Checker(32, 4, 0xFFE0C020, 0x80204080), true);
    rt::AddTexture(1, 24, 8, rt::Checker(24, 3, 0xFF10F010, 0xFFF01010), true);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> pos(-40.0f, 140.0f), unit(0.0f, 1.0f);
    for (int i = 0; i < 120; ++i) {
        r_SetRenderState(RS_ZFUNC, 1 << (rng() % 4));
        r_SetRenderState(RS_ZCHECK, rng() % 4 != 0);
        r_SetRenderState(RS_ZWRITE, rng() % 3 != 0);
        r_SetRenderState(RS_ALPHABLEND, rng() % 2);
        r_SetRenderState(RS_BLENDMODE, 4 << (rng() % 3));
        r_SetRenderState(RS_BILINEAR, rng() % 2);
        r_SetRenderState(RS_DITHER, rng() % 2);
        r_SetRenderState(RS_ANTIALIAS, rng() % 8 == 0);
        const unsigned fill = rng() % 20;
        r_SetRenderState(RS_FILLMODE, fill < 2 ? 2 : fill == 2 ? 1 : 4);
        r_SetTexture(0, static_cast<int>(rng() % 3) - 1);
        raster::GetDevice().state.cull = rng() % 2 ? raster::CullMode::None : raster::CullMode::CounterClockwise;
        TLVertex v[3];
        for (TLVertex& t : v) {
            const float w = 0.2f + 5.0f * unit(rng);
            const float rhw = rng() % 12 == 0 ? -1.0f / w : 1.0f / w;  // now and then behind the camera
            t = V(pos(rng), pos(rng), unit(rng) * 1.1f - 0.05f, static_cast<uint32_t>(rng()), unit(rng) * 6 - 3,
                  unit(rng) * 6 - 3, rhw);
        }
        r_SimpleTLRender(v, 3, 1, 0);
    }
    return FinishedFrame();
}

TEST(RasterPaths, FastAndReferenceGiveIdenticalFrames) {
    const raster::PixelFormat formats[2] = {raster::PixelFormat::RGB565, raster::PixelFormat::XRGB8888};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        const raster::PixelFormat fmt = formats[seed % 2];
        const int depthBits = seed % 3 == 0 ? 32 : 16;
        const std::vector<uint8_t> fast = RandomScene(seed, raster::RasterPath::Fast, fmt, depthBits);
        const std::vector<uint8_t> ref = RandomScene(seed, raster::RasterPath::Reference, fmt, depthBits);
        ASSERT_EQ(fast.size(), ref.size());
        size_t differ = 0;
        for (size_t i = 0; i < fast.size(); ++i) differ += fast[i] != ref[i];
        EXPECT_EQ(differ, 0u) << "seed " << seed;
        size_t drawn = 0;
        for (size_t i = 0; i < fast.size(); ++i) drawn += fast[i] != 0;
        EXPECT_GT(drawn, 1000u) << "seed " << seed;
    }
    rt::ReleaseDevice();
}

// Wide perspective spans under each state the 8-pixel block shader covers
// (16-bit, 32-bit or no depth, every depth function and blend mode, nearest,
// bilinear or no texture, all three targets): mip choices changing along the
// rows, texture wrap at both edges, layers that pass and fail the depth test.
std::vector<uint8_t> WideSpans(raster::RasterPath path, raster::PixelFormat fmt, bool dither, int combo,
                               int threads = 1, int depthBits = 16) {
    rt::MakeDevice(203, 150, fmt, depthBits);
    raster::SetRasterPath(path);
    raster::SetDrawThreads(threads);
    rt::AddTexture(0, 64, 32, rt::Checker(64, 5, 0xFFE0C020, 0x40204080), true);
    r_SetRenderState(RS_DITHER, dither);
    r_SetTexture(0, combo % 3 == 2 ? -1 : 0);
    r_SetRenderState(RS_BILINEAR, combo % 3 == 1);
    r_SetRenderState(RS_ZCHECK, combo % 5 != 4);
    r_SetRenderState(RS_ZFUNC, 1 << (combo % 4));
    for (int layer = 0; layer < 4; ++layer) {
        r_SetRenderState(RS_ALPHABLEND, layer > 0);
        r_SetRenderState(RS_BLENDMODE, 4 << ((layer + combo) % 3));
        r_SetRenderState(RS_ZWRITE, layer != 2);
        const float z = 0.3f + 0.13f * static_cast<float>((layer * 3 + combo) % 5);
        const float o = -1.7f + 0.61f * static_cast<float>(layer);
        const float s = 0.5f + 2.5f * static_cast<float>(layer);
        const TLVertex v[4] = {V(-5.5f, 3.25f, z, 0x80FF2040, o, o, 0.25f),
                               V(207.3f, -2.0f, z + 0.1f, 0xFF20FFC0, o + s, o, 0.3f),
                               V(199.0f, 148.6f, z, 0x10FFFFFF, o + s, o + s, 1.0f),
                               V(1.4f, 144.0f, z - 0.2f, 0xFF808080, o, o + s, 0.9f)};
        const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
        r_SimpleIndexedTLRender(v, 4, idx, 6, 1);
    }
    return FinishedFrame();
}

TEST(RasterPaths, BlockShaderMatchesReferenceOnWideSpans) {
    for (int combo = 0; combo < 15; ++combo) {
        for (int target = 0; target < 3; ++target) {
            for (int depthBits : {16, 32}) {
                const raster::PixelFormat fmt =
                    target == 2 ? raster::PixelFormat::XRGB8888 : raster::PixelFormat::RGB565;
                const std::vector<uint8_t> fast =
                    WideSpans(raster::RasterPath::Fast, fmt, target == 1, combo, 1, depthBits);
                const std::vector<uint8_t> ref =
                    WideSpans(raster::RasterPath::Reference, fmt, target == 1, combo, 1, depthBits);
                ASSERT_EQ(fast.size(), ref.size());
                EXPECT_EQ(CountDifferences(fast, ref), 0u)
                    << "combo " << combo << " target " << target << " depth " << depthBits;
            }
        }
    }
    rt::ReleaseDevice();
}

// The SSE2 and the AVX2 block shaders (the second where the processor has
// it) each give the reference frame, on the wide spans and the random scenes.
TEST(RasterPaths, BothBlockShadersGiveTheReferenceFrame) {
    if (!raster::ProcessorHasAvx2()) std::printf("no AVX2 on this processor: the SSE2 shader twice\n");
    for (int combo = 0; combo < 15; ++combo) {
        for (int target = 0; target < 3; ++target) {
            const raster::PixelFormat fmt = target == 2 ? raster::PixelFormat::XRGB8888 : raster::PixelFormat::RGB565;
            const int depthBits = (combo + target) % 2 ? 32 : 16;
            const std::vector<uint8_t> ref =
                WideSpans(raster::RasterPath::Reference, fmt, target == 1, combo, 1, depthBits);
            for (bool wide : {false, true}) {
                raster::UseAvx2Blocks(wide);
                const std::vector<uint8_t> fast =
                    WideSpans(raster::RasterPath::Fast, fmt, target == 1, combo, 1, depthBits);
                EXPECT_EQ(CountDifferences(fast, ref), 0u) << "combo " << combo << " target " << target << " depth "
                                                           << depthBits << (wide ? " AVX2" : " SSE2");
            }
        }
    }
    for (unsigned seed = 20; seed <= 25; ++seed) {
        const raster::PixelFormat fmt = seed % 2 ? raster::PixelFormat::RGB565 : raster::PixelFormat::XRGB8888;
        const int depthBits = seed % 3 ? 16 : 32;
        const std::vector<uint8_t> ref = RandomScene(seed, raster::RasterPath::Reference, fmt, depthBits);
        for (bool wide : {false, true}) {
            raster::UseAvx2Blocks(wide);
            EXPECT_EQ(CountDifferences(RandomScene(seed, raster::RasterPath::Fast, fmt, depthBits, 2), ref), 0u)
                << "seed " << seed << " depth " << depthBits << (wide ? " AVX2" : " SSE2");
        }
    }
    raster::UseAvx2Blocks(true);
    rt::ReleaseDevice();
}

// ---- drawing threads ----

// Every thread count gives the one-thread reference frame to the byte, on
// both walkers, every target and depth width, with the random states above.
TEST(RasterThreads, EveryThreadCountGivesTheReferenceFrame) {
    const raster::PixelFormat formats[2] = {raster::PixelFormat::RGB565, raster::PixelFormat::XRGB8888};
    for (unsigned seed = 1; seed <= 8; ++seed) {
        const raster::PixelFormat fmt = formats[seed % 2];
        const int depthBits = seed % 3 == 0 ? 32 : 16;
        const std::vector<uint8_t> ref = RandomScene(seed, raster::RasterPath::Reference, fmt, depthBits, 1);
        for (int threads : {1, 2, 3, 8}) {
            const std::vector<uint8_t> fast = RandomScene(seed, raster::RasterPath::Fast, fmt, depthBits, threads);
            EXPECT_EQ(CountDifferences(fast, ref), 0u) << "seed " << seed << ", " << threads << " threads";
        }
        const std::vector<uint8_t> refThreaded = RandomScene(seed, raster::RasterPath::Reference, fmt, depthBits, 3);
        EXPECT_EQ(CountDifferences(refThreaded, ref), 0u) << "seed " << seed << ", reference walker, 3 threads";
    }
    rt::ReleaseDevice();
}

TEST(RasterThreads, BlockShaderSpansMatchAcrossThreadCounts) {
    for (int combo = 0; combo < 15; combo += 2) {
        const raster::PixelFormat fmt = combo % 4 == 0 ? raster::PixelFormat::XRGB8888 : raster::PixelFormat::RGB565;
        const std::vector<uint8_t> one = WideSpans(raster::RasterPath::Fast, fmt, combo % 3 == 0, combo, 1);
        for (int threads : {2, 3, 8}) {
            const std::vector<uint8_t> many = WideSpans(raster::RasterPath::Fast, fmt, combo % 3 == 0, combo, threads);
            EXPECT_EQ(CountDifferences(many, one), 0u) << "combo " << combo << ", " << threads << " threads";
        }
    }
    rt::ReleaseDevice();
}

// More primitives than the record holds, with a state change (and so a new
// context) every few triangles, and a viewport narrower than the frame: the
// record is drawn when it fills up, in order, and the result is unchanged.
std::vector<uint8_t> ManySmallTriangles(int threads) {
    rt::MakeDevice(131, 97, raster::PixelFormat::RGB565, 16);
    raster::SetDrawThreads(threads);
    rt::AddTexture(0, 16, 16, rt::Checker(16, 2, 0xFFF0E0C0, 0x80C04020), true);
    raster::GetDevice().state.cull = raster::CullMode::None;
    r_SetViewportArea(0.05f, 0.1f, 0.9f, 0.95f, nullptr);
    std::mt19937 rng(77);
    std::uniform_real_distribution<float> pos(-4.0f, 135.0f), unit(0.0f, 1.0f);
    std::vector<TLVertex> v;
    for (int i = 0; i < 21000; ++i) {
        if (i % 7 == 0) {
            r_SetRenderState(RS_ALPHABLEND, rng() % 2);
            r_SetRenderState(RS_BLENDMODE, 4 << (rng() % 3));
            r_SetRenderState(RS_FILLMODE, rng() % 50 == 0 ? 2 : 4);
            r_SetTexture(0, static_cast<int>(rng() % 2) - 1);
        }
        const float x = pos(rng), y = pos(rng), z = unit(rng);
        const TLVertex t[3] = {rt::V(x, y, z, static_cast<uint32_t>(rng()), 0, 0),
                               rt::V(x + 7 * unit(rng), y + 1, z, static_cast<uint32_t>(rng()), 1, 0),
                               rt::V(x + 2, y + 7 * unit(rng), z, static_cast<uint32_t>(rng()), 0, 1)};
        r_SimpleTLRender(t, 3, 1, 0);
    }
    return FinishedFrame();
}

TEST(RasterThreads, FullRecordIsDrawnInOrder) {
    const std::vector<uint8_t> one = ManySmallTriangles(1);
    EXPECT_EQ(CountDifferences(ManySmallTriangles(2), one), 0u);
    EXPECT_EQ(CountDifferences(ManySmallTriangles(3), one), 0u);
    rt::ReleaseDevice();
}

// ---- golden frames ----

class Golden : public ::testing::TestWithParam<raster::RasterPath> {
protected:
    void SetUp() override {
        rt::MakeDevice(160, 120, raster::PixelFormat::RGB565, 16);
        raster::SetRasterPath(GetParam());
        rt::FillColour(0x203040);
        r_AllocMaxVtcs(64, nullptr);
    }
    void TearDown() override { rt::ReleaseDevice(); }
};

TEST_P(Golden, LitTexturedCube) {
    rt::AddTexture(0, 16, 16, rt::Checker(16, 4, 0xFFF0E0C0, 0xFFC04020), true);
    r_SetRenderState(RS_BILINEAR, 1);
    // 6 faces x 4 corners, each face with its own "light" level. Corner c of
    // face f: axis f / 2 fixed at the sign of f, the other two running round.
    CMesh cube;
    ASSERT_TRUE(cube.Allocate(36));
    ASSERT_TRUE(cube.AllocateTexCoords(0, 36));
    std::vector<uint32_t> colours(24);
    const uint32_t light[6] = {0xFFFFFFFF, 0xFF606060, 0xFF9090A0, 0xFFC0C0C0, 0xFFE0E0D0, 0xFF505050};
    const float ring[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    for (int f = 0; f < 6; ++f) {
        const int axis = f / 2;
        const float side = f % 2 ? 1.0f : -1.0f;
        for (int k = 0; k < 4; ++k) {
            float p[3];
            p[axis] = side;
            p[(axis + 1) % 3] = ring[k][0] * side;
            p[(axis + 2) % 3] = ring[k][1];
            cube.positions[f * 4 + k] = {p[0], p[1], p[2]};
            cube.texCoords[0][f * 4 + k] = {ring[k][0] + 1, ring[k][1] + 1};
            colours[f * 4 + k] = light[f] - (k == 1 ? 0x00202020 : 0);
        }
        const uint32_t idx[6] = {0, 2, 1, 0, 3, 2};  // outward faces run clockwise on screen
        for (int k = 0; k < 6; ++k) cube.indices[f * 6 + k] = static_cast<uint32_t>(f * 4) + idx[k];
    }
    cube.vertexCount = 24;
    cube.indexCount = 36;
    cube.centre = {0, 0, 0};
    cube.radius = 1.8f;
    cube.textureCount = 1;
    cube.textureHandles[0] = 0;
    Matrix44 m = MatIdentity();  // the rotation leaves the translation row as it is
    MatFromEuler(0.6f, 0.7f, 0.2f, m);
    m.m[14] = 4.5f;
    r_SetModelMatrix(&m);
    r_RenderSBM(&cube, colours.data(), 0, 0);
    EXPECT_EQ(rt::CheckGolden("lit_textured_cube"), "");
}

TEST_P(Golden, TranslucentQuadOverOpaqueQuad) {
    auto quad = [](float x0, float y0, float x1, float y1, float z, uint32_t c0, uint32_t c1) {
        const TLVertex v[4] = {V(x0, y0, z, c0), V(x1, y0, z, c1), V(x1, y1, z, c0), V(x0, y1, z, c1)};
        const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
        r_SimpleIndexedTLRender(v, 4, idx, 6, 1);
    };
    quad(20, 15, 110, 95, 0.6f, 0xFFE04010, 0xFFF0C020);
    r_SetRenderState(RS_ALPHABLEND, 1);
    r_SetRenderState(RS_BLENDMODE, BLEND_TRANSLUCENT);
    r_SetRenderState(RS_ZWRITE, 0);
    quad(60.5f, 40.25f, 145.75f, 110.5f, 0.3f, 0x602060F0, 0xC040F0A0);
    r_SetRenderState(RS_BLENDMODE, BLEND_ADDITIVE);
    quad(5, 70, 50, 115, 0.2f, 0xFF401010, 0xFF101040);
    EXPECT_EQ(rt::CheckGolden("translucent_over_opaque"), "");
}

TEST_P(Golden, RecedingCheckerboard) {
    rt::AddTexture(0, 64, 64, rt::Checker(64, 8, 0xFFFFFFFF, 0xFF202020), true);
    r_SetTexture(0, 0);
    r_SetRenderState(RS_BILINEAR, 1);
    const Vector3 p[4] = {{-30, -1, 0.6f}, {30, -1, 0.6f}, {30, -1, 90}, {-30, -1, 90}};
    rt::DrawWorldQuad(p, 15, 22);
    EXPECT_EQ(rt::CheckGolden("receding_checkerboard"), "");
}

INSTANTIATE_TEST_SUITE_P(BothWalkers, Golden,
                         ::testing::Values(raster::RasterPath::Fast, raster::RasterPath::Reference),
                         [](const auto& info) {
                             return info.param == raster::RasterPath::Fast ? std::string("Fast")
                                                                           : std::string("Reference");
                         });

}  // namespace
