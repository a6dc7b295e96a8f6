// 2D effects and flares: the depth probe, the distance fade, the texture
// warning, points behind the camera and flares of the lights.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/vecmath.h"
#include "engine/effects/flare_fade.h"
#include "engine_scene.h"

namespace {

using namespace et;

const Matrix44 kIdentity = MatIdentity();

class ScreenEffects : public ::testing::Test {
protected:
    void SetUp() override {
        ClearFrame();
        r_KillAllLights();
        g_messages.clear();
    }
    void TearDown() override {
        r_KillAllLights();
        r_SetFrustum(1.0f, 0.75f, 1.0f, 1000.0f, nullptr);
    }
    static uint32_t Centre() { return Pixel(kWidth / 2, kHeight / 2); }
};

TEST(FlareFade, RisesToOneAtEightyAndFallsSlowlyBeyond) {
    EXPECT_FLOAT_EQ(FlareFade(80.0f), 1.0f);
    EXPECT_FLOAT_EQ(FlareFade(20.0f), 0.5f);
    EXPECT_FLOAT_EQ(FlareFade(320.0f), 1.0f / std::sqrt(2.0f));
    EXPECT_FLOAT_EQ(FlareFade(5120.0f), 1.0f / std::sqrt(8.0f));
    EXPECT_EQ(FlareFade(0.0f), 0.0f);
    EXPECT_EQ(FlareFade(-10.0f), 0.0f);
    EXPECT_EQ(FlareFade(std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST_F(ScreenEffects, AnEffectBehindAWallIsNotDrawn) {
    const int h = LoadObject("fxwall.lwo", {Surface("FXWALL")}, {Rectangle(-4, -4, 4, 4, 20, 0)});
    ASSERT_GE(h, 0);
    Paint(Mesh(h, 0), 0x00404040);
    r_DrawCMeshData(h, kIdentity, 0);
    const uint32_t wall = Centre();
    ASSERT_GT(Red(wall), 0);

    EXPECT_EQ(r_Render2DFX(0, Vector3{0, 0, 40}, 2, 2, 0x00FFFFFF, 4, 0, Record), 0);
    EXPECT_EQ(Centre(), wall);
    r_Render2DFX(0, Vector3{0, 0, 10}, 2, 2, 0x00FFFFFF, 4, 0, Record);
    EXPECT_GT(Red(Centre()), Red(wall) + 100) << "in front of the wall it is drawn";
    EXPECT_TRUE(g_messages.empty());
}

TEST_F(ScreenEffects, AnOutOfRangeTextureIsReportedAndDrawnUntextured) {
    r_Render2DFX(-1, Vector3{0, 0, 10}, 1, 1, 0x00FF0000, 4, 0, Record);
    EXPECT_GT(Red(Centre()), 240);
    r_RenderFlare(10, Vector3{0, 0, 10}, 1, 1, 0x00FF0000, 4, 0, Record);
    const std::vector<std::string> expected = {
        "r_Render2DFX : Warning, Texture Handle Out Of Range (-1 , 0 - 9)",
        "r_Render2DFX : Warning, Texture Handle Out Of Range (10 , 0 - 9)",
    };
    EXPECT_EQ(g_messages, expected);
}

TEST_F(ScreenEffects, AFlareShrinksAndDimsNearTheCamera) {
    // Depth 18 + half width 2 = 20: half size, half brightness.
    r_RenderFlare(-1, Vector3{0, 0, 18}, 2, 2, 0x00C8C8C8, 4, 0, nullptr);
    EXPECT_NEAR(Red(Centre()), 100, 8);
    const float halfWidth = 1.0f * ScreenScale() / 18.0f;
    EXPECT_NE(Pixel(kWidth / 2 + int(halfWidth * 0.8f), kHeight / 2), 0u);
    EXPECT_EQ(Pixel(kWidth / 2 + int(halfWidth * 1.2f), kHeight / 2), 0u);
}

TEST_F(ScreenEffects, PointsBehindOrAtTheCameraDrawNothing) {
    // With this depth range the probe of a far point behind the camera passes.
    // The mirrored quad would be clipped by the back-end, so what shows that
    // nothing was drawn is that the blend states were left alone.
    r_SetFrustum(1.0f, 0.75f, 0.01f, 1000.0f, nullptr);
    r_Render2DFX(-1, Vector3{0, 0, 10}, 1, 1, 0, 4, 0, nullptr);  // untextured, additive
    r_SetRenderState(RS_ALPHABLEND, 0);
    r_ClearScreen(0x00404040, nullptr);
    const uint32_t grey = Centre();
    EXPECT_EQ(r_RenderFlare(-1, Vector3{0, 0, -5000}, 3000, 3000, 0x00FFFFFF, 4, 0, nullptr), 0);
    EXPECT_EQ(r_Render2DFX(-1, Vector3{0, 0, -5000}, 3000, 3000, 0x00FFFFFF, 4, 0, nullptr), 0);
    EXPECT_EQ(r_Render2DFX(-1, Vector3{0, 0, 0.5f}, 1, 1, 0x00FFFFFF, 4, 0, nullptr), 0);
    EXPECT_EQ(Centre(), grey) << "nothing drawn";

    // Both windings, so culling cannot hide it: blending off leaves pure red.
    TLVertex tri[6]{};
    const float corners[6][2] = {{300, 220}, {340, 220}, {320, 260}, {300, 220}, {320, 260}, {340, 220}};
    for (int i = 0; i < 6; ++i) {
        tri[i].sx = corners[i][0];
        tri[i].sy = corners[i][1];
        tri[i].sz = 0.5f;
        tri[i].rhw = 1.0f;
        tri[i].diffuse = 0x00FF0000;
    }
    r_SimpleTLRender(tri, 6, 1, 0);
    EXPECT_LE(Green(Centre()), 8) << "blending is still off";
}

TEST_F(ScreenEffects, LightsGetFlaresExceptDistantAndSwitchedOffOnes) {
    Matrix44 place = MatIdentity();
    place.m[14] = 30.0f;
    const float orange[3] = {1.0f, 0.5f, 0.0f};
    r_AddLight(&place, orange, 4.0f, 2, 0, 0);
    r_AddLight(&place, orange, 4.0f, 10, 1, 0);
    r_RenderLightEffects();
    EXPECT_EQ(Centre(), 0u) << "distant lights get no flare";

    const int omni = r_AddLight(&place, orange, 4.0f, 1, 0, 0);
    r_KillLight(omni);
    r_RenderLightEffects();
    EXPECT_EQ(Centre(), 0u) << "a killed light gets no flare";

    r_AddLight(&place, orange, 4.0f, 1, 0, 0);
    r_RenderLightEffects();
    const uint32_t c = Centre();
    EXPECT_GT(Red(c), 100);
    EXPECT_GT(Red(c), Green(c) + 30);
    EXPECT_LE(Blue(c), 8);
}

// In a 1280 x 720 mode with the same vertical field of view the scene is drawn
// 1.5 times larger, but a flare keeps its size in pixels.
TEST_F(ScreenEffects, AFlareKeepsItsSizeInPixelsInAnyMode) {
    auto flareWidth = [](int width, int height) {
        PlatWindow* window = nullptr;
        r_DeinitEngine();
        EXPECT_EQ(r_InitEngine(0, r_SeekMode(0, width, height, 16, 0), 0, &window, EXCLUSIVEFULLSCREEN, nullptr), 0);
        r_SetViewportArea(0.0f, 0.0f, 1.0f, 1.0f, nullptr);
        // The horizontal field widens with the frame: 1 radian across 4:3.
        r_SetFrustum(2.0f * std::atan(std::tan(0.5f) * 3.0f * width / (4.0f * height)), 0.75f, 1.0f, 1000.0f, nullptr);
        ClearFrame();
        // Depth 76 + half size 4 = 80: no fade. Untextured: a solid square.
        r_RenderFlare(-1, Vector3{0, 0, 76}, 4, 4, 0x00FFFFFF, 4, 0, nullptr);
        int lit = 0;
        for (int x = 0; x < width; ++x) lit += Red(Pixel(x, height / 2)) > 128 ? 1 : 0;
        return lit;
    };
    const int small = flareWidth(640, 480);
    const int large = flareWidth(1280, 720);
    flareWidth(kWidth, kHeight);  // back to the mode the other tests use
    EXPECT_NEAR(small, 2.0 * 4.0 / 76.0 * ScreenScale(), 2.0);
    EXPECT_NEAR(large, small, 1.0);
}

}  // namespace
