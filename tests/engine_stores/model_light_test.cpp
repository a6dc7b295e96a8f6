// Lights derived from light surfaces, read through the model store's internal
// accessors (this program compiles the engine's store modules itself).
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/models/model_store.h"
#include "store_test_support.h"

namespace {

using namespace storetest;

class LightSurfaces : public EngineTest {
protected:
    int Load(int handle, const char* file, const std::vector<TestSurface>& surfaces) {
        WriteBytes(Dir() + file, BuildLwob(surfaces));
        char name[64];
        std::snprintf(name, sizeof name, "%s", file);
        return r_LoadModel(handle, name, Dir().c_str(), Dir().c_str(), 0, nullptr);
    }
};

const std::vector<Vector3> kFlat = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};  // normal (0, 0, 1)

TEST_F(LightSurfaces, PrefixesColourPlacementAndRange) {
    const std::vector<Vector3> raised = {{2, 2, 3}, {4, 2, 3}, {2, 4, 3}};
    const int handle = Load(-1, "lamps.lwo",
                            {TestSurface("LOMNIPX", raised).Colour(255, 0, 51).Smoothing(2.0f),
                             TestSurface("Body", kFlat),
                             TestSurface("LSPOTB", kFlat).Smoothing(0.5f),
                             TestSurface("LDISTANTP", kFlat),
                             TestSurface("LSPOTP", kFlat),
                             TestSurface("LOMNI", kFlat),
                             TestSurface("LDISTANT", kFlat),
                             TestSurface("lomni", kFlat)});
    ASSERT_EQ(handle, 0);
    ASSERT_EQ(ModelLightCount(handle), 6);
    const ModelLight* lights = ModelLights(handle);
    const int types[] = {9, 4, 10, 12, 1, 2};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(lights[i].type, types[i]) << i;

    const ModelLight& omni = lights[0];
    EXPECT_FLOAT_EQ(omni.red, 1.0f);
    EXPECT_FLOAT_EQ(omni.green, 0.0f);
    EXPECT_FLOAT_EQ(omni.blue, 0.2f);
    EXPECT_FLOAT_EQ(omni.range, 2.0f * 56.3f);
    EXPECT_FLOAT_EQ(lights[1].range, 0.5f * 56.3f);
    // Turned by the normal (0, 0, 1) read as angles: one radian about z; then
    // moved to the mesh centre.
    Matrix44 expected = MatIdentity();
    MatRotateEuler(expected, Vector3{0, 0, 1}, true);
    MatTranslate(expected, Vector3{3, 3, 3}, false);
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(omni.placement.m[k], expected.m[k], 1e-5f) << k;
    EXPECT_NEAR(omni.placement.at(0, 0), std::cos(1.0f), 1e-5f);
}

TEST_F(LightSurfaces, ReloadAndCopyReplaceTheLightsOfASlot) {
    ASSERT_EQ(Load(0, "lit.lwo", {TestSurface("LOMNI", kFlat), TestSurface("LSPOT", kFlat)}), 0);
    ASSERT_EQ(ModelLightCount(0), 2);
    ASSERT_EQ(Load(1, "one.lwo", {TestSurface("LDISTANT", kFlat)}), 1);

    // Copies carry their own lights; the target's old lights are released.
    ASSERT_EQ(r_CopyModel(1, 0, nullptr), 0);
    ASSERT_EQ(ModelLightCount(0), 1);
    EXPECT_EQ(ModelLights(0)[0].type, 2);
    EXPECT_NE(ModelLights(0), ModelLights(1));

    // A load without light surfaces leaves none; a failed load clears them too.
    ASSERT_EQ(Load(0, "plain.lwo", {TestSurface("Plain", kFlat)}), 0);
    EXPECT_EQ(ModelLightCount(0), 0);
    EXPECT_EQ(ModelLights(0), nullptr);
    char missing[] = "gone.lwo";
    EXPECT_EQ(r_LoadModel(1, missing, Dir().c_str(), Dir().c_str(), 0, nullptr), -1);
    EXPECT_EQ(ModelLightCount(1), 0);
    EXPECT_FALSE(ModelIsLoaded(1));
    EXPECT_TRUE(ModelIsLoaded(0));
    EXPECT_EQ(ModelLoadedCount(), 1);
}

}  // namespace
