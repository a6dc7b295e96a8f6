// Golden frames: whole drawing passes compared pixel for pixel with stored
// pictures (the central 320 x 240 of the 640 x 480 frame). Regenerate with
// TESSALY_REGENERATE_GOLDEN=1 (see README.md).
#include <gtest/gtest.h>

#include "common/vecmath.h"
#include "engine_scene.h"
#include "png_frame.h"

namespace {

using namespace et;

constexpr int kCropWidth = 320, kCropHeight = 240;

std::string CheckCentre(const std::string& name) {
    return CheckGolden(name, kCropWidth, kCropHeight,
                       BackBufferRgb((kWidth - kCropWidth) / 2, (kHeight - kCropHeight) / 2, kCropWidth, kCropHeight));
}

class GoldenFrames : public ::testing::Test {
protected:
    void SetUp() override {
        r_SwapBuffers(0);  // from now on meshes are lit as they are drawn
        ClearFrame();
        r_KillAllLights();
    }
    void TearDown() override {
        r_KillAllLights();
        r_SetAmbient(0.0f, 0.0f, 0.0f);
    }
};

// A checkered wall lit from the upper left, a translucent blue pane and an
// additive orange one in front of it.
TEST_F(GoldenFrames, LitTexturedModelWithTranslucentAndAdditiveSurfaces) {
    std::vector<uint32_t> checker(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) checker[size_t(y) * 64 + x] = ((x / 8 + y / 8) % 2) ? 0xF0E6C8 : 0x2E7D7A;
    WriteTga("checker.tga", 64, 64, checker);

    Surface wall("WALL");
    wall.red = wall.green = wall.blue = 255;
    wall.texture = "checker.tga";
    wall.textureSize = 8.0f;
    Surface glass("GLASS", 0.5f);
    glass.red = 60;
    glass.green = 120;
    glass.blue = 255;
    Surface glow("GLOW", 0.0f, 0x300);
    glow.red = 255;
    glow.green = 140;
    glow.blue = 40;
    std::vector<Quad> quads = Grid(-7.0f, -5.5f, 7.0f, 5.5f, 24.0f, 8, 6, 0);
    quads.push_back(Rectangle(-4.5f, -3.0f, 0.5f, 2.0f, 18.0f, 1));
    quads.push_back(Rectangle(-1.0f, -2.5f, 3.5f, 2.5f, 15.0f, 2));
    const int h = LoadObject("showcase.lwo", {wall, glass, glow}, quads);
    ASSERT_GE(h, 0);
    ASSERT_GE(Mesh(h, 0)->textureHandles[0], 0) << "the checker texture is loaded";

    const Matrix44 identity = MatIdentity();
    r_SetAmbient(0.15f, 0.15f, 0.15f);
    r_ResetModelIllum(h, nullptr);
    Matrix44 lamp = MatIdentity();
    lamp.m[12] = -3.0f;
    lamp.m[13] = 3.0f;
    lamp.m[14] = 19.0f;
    const float white[3] = {1.0f, 1.0f, 1.0f};
    ASSERT_GE(r_AddLight(&lamp, white, 12.0f, 1, 0, 0), 0);
    r_PreIllumModel(h, &identity, nullptr);

    r_DrawCMeshData(h, identity, 0);
    r_FlushAlphaMeshes();
    EXPECT_EQ(CheckCentre("lit_translucent_additive"), "");
}

// A grey wall over the left half; one light behind it (its flare is hidden)
// and one beside its edge, whose flare spreads over the wall.
TEST_F(GoldenFrames, FlareBesideAWallAndOneHiddenBehindIt) {
    Surface wall("FLAREWALL");
    wall.red = wall.green = wall.blue = 255;
    const int h = LoadObject("flarewall.lwo", {wall}, {Rectangle(-9.0f, -7.0f, 0.5f, 7.0f, 20.0f, 0)});
    ASSERT_GE(h, 0);
    const Matrix44 identity = MatIdentity();
    r_SetAmbient(0.3f, 0.3f, 0.3f);
    r_ResetModelIllum(h, nullptr);

    Matrix44 hidden = MatIdentity(), shown = MatIdentity();
    hidden.m[12] = -2.0f;
    hidden.m[13] = 0.5f;
    hidden.m[14] = 30.0f;
    shown.m[12] = 2.5f;
    shown.m[13] = -1.0f;
    shown.m[14] = 25.0f;
    const float blue[3] = {0.6f, 0.8f, 1.0f}, amber[3] = {1.0f, 0.8f, 0.5f};
    ASSERT_GE(r_AddLight(&hidden, blue, 6.0f, 1, 0, 0), 0);
    ASSERT_GE(r_AddLight(&shown, amber, 6.0f, 1, 0, 0), 0);

    r_DrawCMeshData(h, identity, 0);
    r_FlushAlphaMeshes();
    r_RenderLightEffects();
    EXPECT_EQ(CheckCentre("flare_beside_wall"), "");
}

}  // namespace
