// The lighting front: model lights placed in the world, pre-illumination and
// reset of whole models, handle errors and the vertex-colour buffer.
#include <gtest/gtest.h>

#include "common/vecmath.h"
#include "engine_scene.h"
#include "tessaly/lighting_interface.h"

namespace {

using namespace et;

const Matrix44 kIdentity = MatIdentity();

std::vector<LightDescription> SwitchedOnLights() {
    std::vector<LightDescription> lights;
    LightDescription d;
    for (int i = 0; i < _GetLightsNum(); ++i)
        if (_GetLight(&d, i) != nullptr && d.switchedOn) lights.push_back(d);
    return lights;
}

class LightingFront : public ::testing::Test {
protected:
    void SetUp() override {
        r_KillAllLights();
        g_messages.clear();
    }
    void TearDown() override {
        r_KillAllLights();
        r_SetAmbient(0.0f, 0.0f, 0.0f);
    }
};

TEST_F(LightingFront, AModelWithoutLightSurfacesReturnsItsHandleAndAddsNothing) {
    const int h = LoadObject("plain.lwo", {Surface("PLAIN")}, {Rectangle(-1, -1, 1, 1, 10, 0)});
    ASSERT_GE(h, 0);
    EXPECT_EQ(r_AddModelLights(h, &kIdentity, 0), h);
    EXPECT_EQ(r_AddModelLights(500, &kIdentity, 0), 500);
    EXPECT_EQ(r_AddModelLights(59, &kIdentity, 0), 59) << "never loaded";
    EXPECT_TRUE(SwitchedOnLights().empty());
}

TEST_F(LightingFront, LightSurfacesBecomeLightsPlacedByTheModelMatrix) {
    Surface omniP("LOMNIP");
    omniP.red = 255;
    omniP.green = 102;
    omniP.blue = 0;
    omniP.smoothing = 0.5f;
    Surface spot("LSPOTB");
    const int h =
        LoadObject("lamps.lwo", {omniP, spot}, {Rectangle(1, 1, 3, 3, 5, 0), Rectangle(-3, -3, -1, -1, 5, 1)});
    ASSERT_GE(h, 0);
    const Vector3 centre = Mesh(h, 0)->centre;
    Matrix44 model = MatIdentity();
    model.m[12] = 10.0f;

    EXPECT_EQ(r_AddModelLights(h, &model, 0), 2);
    const std::vector<LightDescription> lights = SwitchedOnLights();
    ASSERT_EQ(lights.size(), 2u);
    const ModelLight& omni = lights[0].light;
    EXPECT_EQ(omni.type, 9);
    EXPECT_FLOAT_EQ(omni.red, 1.0f);
    EXPECT_FLOAT_EQ(omni.green, 0.4f);
    EXPECT_FLOAT_EQ(omni.range, 0.5f * 56.3f);
    EXPECT_FLOAT_EQ(omni.placement.m[12], centre.x + 10.0f);
    EXPECT_FLOAT_EQ(omni.placement.m[13], centre.y);
    EXPECT_FLOAT_EQ(omni.placement.m[14], centre.z);
    EXPECT_EQ(lights[1].light.type, 4);
}

TEST_F(LightingFront, ResetAndPreIlluminationWriteTheStoredColours) {
    Surface wall("WALL");
    wall.red = wall.green = wall.blue = 255;
    const int h = LoadObject("prelit.lwo", {wall}, {Rectangle(-1, -1, 1, 1, 10, 0)});
    ASSERT_GE(h, 0);
    CMesh* m = Mesh(h, 0);
    r_SetAmbient(0.2f, 0.2f, 0.2f);
    ASSERT_EQ(r_ResetModelIllum(h, Record), 0);
    EXPECT_EQ(m->coloursA[0], 0x00333333u);
    EXPECT_EQ(m->coloursB[0], 0x00333333u);

    // A pre-lit light in front of the wall raises the stored colours (B) only.
    Matrix44 place = MatIdentity();
    place.m[14] = 5.0f;
    const float white[3] = {1, 1, 1};
    ASSERT_GE(r_AddLight(&place, white, 20.0f, 9, 1, 0), 0);
    ASSERT_EQ(r_PreIllumModel(h, &kIdentity, Record), 0);
    EXPECT_GT(m->coloursB[0] & 0xFF, 0x33u);
    EXPECT_EQ(m->coloursA[0], 0x00333333u);

    ASSERT_EQ(r_ResetModelIllum(h, Record), 0);
    EXPECT_EQ(m->coloursB[0], 0x00333333u);
    EXPECT_TRUE(g_messages.empty());
}

TEST_F(LightingFront, BadAndEmptySlotsAreReportedAndLeftAlone) {
    EXPECT_EQ(r_ResetModelIllum(59, Record), -1);
    EXPECT_EQ(r_ResetModelIllum(60, Record), -1);
    EXPECT_EQ(r_PreIllumModel(60, &kIdentity, Record), -1);
    EXPECT_EQ(r_PreIllumModel(59, &kIdentity, Record), 0) << "an empty slot has nothing to light";
    const std::vector<std::string> expected = {
        "r_ResetObjectIllum : Object index out of range (59 , 0 - 59)\n",
        "r_ResetObjectIllum : Object index out of range (60 , 0 - 59)\n",
        "r_PreIllumModel : Error, Object Handle Out Of Range (60 , 0 - 59)",
    };
    EXPECT_EQ(g_messages, expected);
}

TEST_F(LightingFront, AllocatingLightsAgainReplacesTheColourBuffer) {
    // The table is already allocated; the buffer is replaced all the same and
    // the old one released (the leak check would see it otherwise).
    r_AllocMaxLights(60, 5000, nullptr);
    r_AllocMaxLights(60, 20000, nullptr);
    EXPECT_EQ(r_AllocMaxLights(60, -1, Record), -1);
    ASSERT_FALSE(g_messages.empty());
    EXPECT_EQ(g_messages.back(), "r_AllocMaxLights : Error, Could not allocate -1 rgba's\n");
    r_AllocMaxLights(60, 10000, nullptr);
    const float white[3] = {1, 1, 1};
    EXPECT_GE(r_AddLight(&kIdentity, white, 10.0f, 1, 0, 0), 0) << "the light table stays usable";
}

}  // namespace
