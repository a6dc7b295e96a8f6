// Lights derived from light surfaces, read through the model store's internal
// accessors (this program compiles the store modules itself).
#include <cstdio>
#include <vector>

#include "engine/models/model_store.h"
#include "store_test_support.h"

namespace {

using namespace storetest;

const std::vector<Vector3> kFlat = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};  // normal (0, 0, 1)

class LightSurfaces : public EngineTest {
protected:
    int Load(int handle, const char* file, const std::vector<TestSurface>& surfaces) {
        WriteBytes(Dir() + file, BuildLwob(surfaces));
        char name[64];
        std::snprintf(name, sizeof name, "%s", file);
        return r_LoadModel(handle, name, Dir().c_str(), Dir().c_str(), 0, nullptr);
    }
};

TEST_F(LightSurfaces, PrefixesColourPlacementAndRange) {
    const std::vector<Vector3> raised = {{2, 2, 3}, {4, 2, 3}, {2, 4, 3}};
    ASSERT_EQ(Load(-1, "lamps.lwo",
                   {{.name = "LOMNIPX", .triangle = raised, .rgb = {255, 0, 51}, .smoothing = 2.0f},
                    {.name = "Body", .triangle = kFlat},
                    {.name = "LSPOTB", .triangle = kFlat},
                    {.name = "LDISTANTP", .triangle = kFlat},
                    {.name = "LSPOTP", .triangle = kFlat},
                    {.name = "LOMNI", .triangle = kFlat},
                    {.name = "LDISTANT", .triangle = kFlat},
                    {.name = "lomni", .triangle = kFlat}}),
              0);
    ASSERT_EQ(ModelLightCount(0), 6);
    const ModelLight* lights = ModelLights(0);
    const int types[] = {9, 4, 10, 12, 1, 2};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(lights[i].type, types[i]) << i;
    EXPECT_FLOAT_EQ(lights[0].red, 1.0f);
    EXPECT_FLOAT_EQ(lights[0].blue, 0.2f);
    EXPECT_FLOAT_EQ(lights[0].range, 2.0f * 56.3f);
    // Turned by the normal (0, 0, 1) taken as angles, then moved to the centre.
    Matrix44 expected = MatIdentity();
    MatRotateEuler(expected, Vector3{0, 0, 1}, true);
    MatTranslate(expected, Vector3{3, 3, 3}, false);
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(lights[0].placement.m[k], expected.m[k], 1e-5f) << k;
}

TEST_F(LightSurfaces, ReloadAndCopyReplaceTheLightsOfASlot) {
    ASSERT_EQ(Load(0, "lit.lwo", {{.name = "LOMNI", .triangle = kFlat}, {.name = "LSPOT", .triangle = kFlat}}), 0);
    ASSERT_EQ(Load(1, "one.lwo", {{.name = "LDISTANT", .triangle = kFlat}}), 1);
    ASSERT_EQ(r_CopyModel(1, 0, nullptr), 0);
    ASSERT_EQ(ModelLightCount(0), 1);
    EXPECT_EQ(ModelLights(0)[0].type, 2);
    EXPECT_NE(ModelLights(0), ModelLights(1));

    ASSERT_EQ(Load(0, "plain.lwo", {{.name = "Plain", .triangle = kFlat}}), 0);
    EXPECT_EQ(ModelLightCount(0), 0);
    EXPECT_EQ(ModelLights(0), nullptr);
    char missing[] = "gone.lwo";
    EXPECT_EQ(r_LoadModel(1, missing, Dir().c_str(), Dir().c_str(), 0, nullptr), -1);
    EXPECT_EQ(ModelLightCount(1), 0);
    EXPECT_FALSE(ModelIsLoaded(1));
}

}  // namespace
