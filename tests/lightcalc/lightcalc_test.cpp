// The lighting library through its C entry points, the way the engine drives it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "common/vecmath.h"
#include "tessaly/lighting_interface.h"

namespace {

std::string g_message;
int Capture(const char* text) { return g_message = text, 0; }

// Placement at (x, y, z); down turns its z axis to (0, 0, -1).
Matrix44 At(float x, float y, float z, bool down = false) {
    Matrix44 m = MatIdentity();
    m.m[12] = x, m.m[13] = y, m.m[14] = z;
    if (down) m.m[5] = m.m[10] = -1.0f;
    return m;
}

int Add(const Matrix44& placement, int type, float range, float r = 1, float g = 1, float b = 1) {
    const float rgb[3] = {r, g, b};
    return _AddLight(&placement, rgb, range, type, (type & LIGHT_PRELIT) ? 1 : 0, 0);
}

class Lighting : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(_AllocMaxLights(8, 1000, nullptr), 0);
        _SetAmbient(0, 0, 0);
        ASSERT_TRUE(mesh.Allocate(6));  // white, opaque, at the origin facing +z
        mesh.vertexCount = 4;
        mesh.colour[0] = mesh.colour[1] = mesh.colour[2] = 1.0f;
        for (int i = 0; i < 6; ++i) mesh.normals[i] = {0, 0, 1};
    }
    void TearDown() override { _FreeAllocatedLights(nullptr); }

    // Reset, pre-illuminate and light dynamically as a scene set-up and a frame do.
    uint32_t Lit(const Matrix44* model = nullptr) {
        EXPECT_EQ(_ResetSBMIllum(&mesh, 0.0f), 0);
        EXPECT_EQ(_LightMesh(&mesh, model, mesh.coloursB, mesh.coloursA, 1), 0);
        EXPECT_EQ(_LightMesh(&mesh, model, mesh.coloursA, mesh.coloursB, 0), 0);
        return (mesh.coloursA[0] >> 16) & 0xFF;  // red
    }
    uint32_t RedAt(Vector3 p, Vector3 n = {0, 0, 1}) {
        mesh.positions[0] = p;
        mesh.normals[0] = n;
        return Lit();
    }
    CMesh mesh;
};

TEST_F(Lighting, OmniAndDistantLightFrontFacesByDistanceAndAngle) {
    Add(At(0, 0, 10), LIGHT_OMNI, 20.0f);
    EXPECT_EQ(RedAt({0, 0, 5}), 191u);                                        // d 5 of 20: 0.75
    EXPECT_EQ(RedAt({0, 0, 0}), 128u);                                        // d 10: 0.5
    EXPECT_EQ(RedAt({0, 0, -10}, {0, 0, -1}), 0u);                            // at the range
    EXPECT_EQ(RedAt({0, 0, -20}, {0, 0, -1}), 0u);                            // beyond
    EXPECT_EQ(RedAt({0, 0, 0}, {0, std::sqrt(0.5f), std::sqrt(0.5f)}), 90u);  // 45 degrees
    EXPECT_EQ(RedAt({0, 0, 0}, {0, 0, -1}), 0u);                              // facing away
    _KillAllLights();
    Add(At(0, 0, 0, true), LIGHT_DISTANT, 0.0f);  // shines down, no range
    EXPECT_EQ(RedAt({1000, -500, 9000}), 255u);
    EXPECT_EQ(RedAt({0, 0, 0}, {0.6f, 0, 0.8f}), 204u);
    EXPECT_EQ(RedAt({0, 0, 0}, {0, 0, -1}), 0u);
}

TEST_F(Lighting, SpotLightsInsideItsConeWithASoftEdge) {
    Add(At(0, 0, 10, true), LIGHT_SPOT, 40.0f);
    auto offAxis = [&](float degrees) {  // 10 away from the spot, facing +z
        const float a = degrees * 3.14159265f / 180.0f;
        return RedAt({10 * std::sin(a), 0, 10 - 10 * std::cos(a)});
    };
    EXPECT_EQ(offAxis(0), 191u);
    EXPECT_GT(offAxis(15), 180u);
    EXPECT_GT(offAxis(25), 0u);
    EXPECT_LT(offAxis(25), 180u);
    EXPECT_EQ(offAxis(45), 0u);
    EXPECT_EQ(RedAt({0, 0, 20}, {0, 0, -1}), 0u);  // behind the spot, facing it
}

TEST_F(Lighting, SpotConeAndEdgeSetPerLight) {
    const int narrow = Add(At(0, 0, 10, true), LIGHT_SPOT, 40.0f);
    const float degree = 3.14159265f / 180.0f;
    ASSERT_EQ(_SetLightCone(narrow, 10 * degree, 4 * degree), 0);
    auto offAxis = [&](float degrees) {
        const float a = degrees * degree;
        return RedAt({10 * std::sin(a), 0, 10 - 10 * std::cos(a)});
    };
    EXPECT_EQ(offAxis(0), 191u);
    EXPECT_GT(offAxis(5), 180u);  // inside 10 - 4 degrees: full strength
    EXPECT_GT(offAxis(8), 0u);    // in the soft edge
    EXPECT_LT(offAxis(8), 180u);
    EXPECT_EQ(offAxis(15), 0u);  // the default 30-degree cone would light this
    // A hard edge: full strength up to the cone.
    ASSERT_EQ(_SetLightCone(narrow, 10 * degree, 0), 0);
    EXPECT_GT(offAxis(9), 180u);
    EXPECT_EQ(offAxis(11), 0u);
    EXPECT_EQ(_SetLightCone(narrow + 1, 0.1f, 0.1f), -1);
    EXPECT_EQ(_SetLightCone(narrow, std::numeric_limits<float>::quiet_NaN(), 0), -1);
    EXPECT_EQ(_SetLightCone(-1, 0.1f, 0.1f), -1);
}

TEST_F(Lighting, ResetWritesTheUnlitColourWithAlphaAndLightsClamp) {
    mesh.colour[1] = 0.5f, mesh.colour[2] = 0.25f, mesh.transparency = 0.5f;
    mesh.coloursA[4] = mesh.coloursB[4] = 0x12345678u;
    _SetAmbient(0.2f, 0.2f, 0.2f);
    ASSERT_EQ(_ResetSBMIllum(&mesh, 0.3f), 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mesh.coloursA[i], 0x80804020u) << i;  // alpha 0.5, colour x (0.2 + 0.3)
        EXPECT_EQ(mesh.coloursB[i], 0x80804020u) << i;
    }
    EXPECT_EQ(mesh.coloursA[4] & mesh.coloursB[4], 0x12345678u);  // beyond the vertices in use
    Add(At(0, 0, 1), LIGHT_OMNI, 100.0f, 1, 1, 0);
    Add(At(0, 0, 1), LIGHT_OMNI, 100.0f, 1, 1, 0);
    ASSERT_EQ(_LightMesh(&mesh, nullptr, mesh.coloursA, mesh.coloursB, 0), 0);
    EXPECT_EQ(mesh.coloursA[0], 0x80FFFF20u);  // clamped at full, alpha kept
}

TEST_F(Lighting, PreIlluminationTakesPKindsAndDynamicLightingTheOthers) {
    _SetAmbient(0.2f, 0.2f, 0.2f);
    Add(At(0, 0, 10), LIGHT_OMNI | LIGHT_PRELIT, 40.0f, 1, 0, 0);  // red 0.75
    Add(At(0, 0, 10), LIGHT_OMNI, 40.0f, 0, 0.5f, 0);              // green 0.375
    ASSERT_EQ(_ResetSBMIllum(&mesh, 0.0f), 0);
    ASSERT_EQ(_LightMesh(&mesh, nullptr, mesh.coloursB, mesh.coloursA, 1), 0);
    EXPECT_EQ(mesh.coloursB[0], 0x00F23333u);  // stored: 0.2 + 0.75 red
    EXPECT_EQ(mesh.coloursA[0], 0x00333333u);
    for (int frame = 0; frame < 2; ++frame) {  // each frame starts from the stored colours
        ASSERT_EQ(_LightMesh(&mesh, nullptr, mesh.coloursA, mesh.coloursB, 0), 0);
        EXPECT_EQ(mesh.coloursA[0], 0x00F29333u);
        EXPECT_EQ(mesh.coloursB[0], 0x00F23333u);
    }
}

TEST_F(Lighting, TheMeshMatrixCarriesPositionsAndNormals) {
    Add(At(0, 0, 10), LIGHT_OMNI, 20.0f);
    const Matrix44 nearer = At(0, 0, 5);
    EXPECT_EQ(Lit(&nearer), 191u);
    Matrix44 turned = MatIdentity();  // half a turn about x, scaled by 2
    turned.m[0] = 2.0f;
    turned.m[5] = turned.m[10] = -2.0f;
    EXPECT_EQ(Lit(&turned), 0u);
    mesh.normals[0] = {0, 0, -1};
    EXPECT_EQ(Lit(&turned), 128u);  // renormalised after the scale
}

TEST_F(Lighting, DegenerateInputsGiveNoLightAndNoFault) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Add(At(0, 0, 5), LIGHT_OMNI, 20.0f, nan, 1, 1);
    Add(At(nan, 0, 5), LIGHT_OMNI, 20.0f);
    Add(At(0, 0, 5), LIGHT_OMNI, nan);
    EXPECT_EQ(Lit(), 0u);
    _KillAllLights();
    Add(At(0, 0, 0), LIGHT_SPOT, 10.0f);
    EXPECT_EQ(RedAt({0, 0, 0}), 255u);           // the vertex sits on the light
    EXPECT_EQ(RedAt({0, 0, 1}, {0, 0, 0}), 0u);  // no normal
    EXPECT_EQ(_LightMesh(&mesh, nullptr, mesh.coloursA, nullptr, 0), -1);
    mesh.vertexCount = 1000;  // beyond the arrays: only what was allocated is written
    EXPECT_EQ(RedAt({0, 0, 0}), 255u);
}

TEST_F(Lighting, GetLightCopiesTheDescriptionAndKilledEntriesAreReused) {
    const Matrix44 p = At(1, 2, 3, true);
    const float rgb[3] = {0.25f, 0.5f, 0.75f};
    ASSERT_EQ(_AddLight(&p, rgb, 42.0f, 12, 1, 99), 0);
    uint32_t w[22];
    std::memset(w, 0xEE, sizeof w);
    ASSERT_EQ((void*)_GetLight(reinterpret_cast<LightDescription*>(w), 0), (void*)w);
    EXPECT_EQ(w[0], 1u);  // switched on, then three zero bytes
    EXPECT_EQ(w[1], 12u);
    EXPECT_EQ(std::memcmp(&w[2], rgb, 12), 0);
    EXPECT_EQ(std::memcmp(&w[5], p.m, 64), 0);
    EXPECT_EQ(std::memcmp(&w[21], "\0\0\x28\x42", 4), 0);  // 42.0f
    LightDescription d;
    EXPECT_EQ(_GetLight(&d, 1), nullptr);

    EXPECT_EQ(Add(p, LIGHT_OMNI, 20.0f), 1);
    EXPECT_EQ(Add(p, LIGHT_DISTANT, 20.0f), 2);
    EXPECT_EQ(Add(p, 3, 20.0f), -1);  // not one kind
    EXPECT_EQ(_KillLight(2), 0);
    EXPECT_EQ(_KillLight(2), -1);
    EXPECT_EQ(_KillLight(0), 0);
    EXPECT_EQ(_GetLightsNum(), 2);  // up to the highest entry in use
    ASSERT_NE(_GetLight(&d, 0), nullptr);
    EXPECT_EQ(d.switchedOn, 0);
    EXPECT_EQ(Add(p, LIGHT_OMNI, 20.0f), 0);
    for (int i = 2; i < 8; ++i) EXPECT_EQ(Add(p, LIGHT_OMNI, 1.0f), i);
    EXPECT_EQ(Add(p, LIGHT_OMNI, 1.0f), -1);  // full
    _KillAllLights();
    EXPECT_EQ(_GetLightsNum(), 0);
}

TEST(LightTable, AllocatesOnceUntilFreed) {
    ASSERT_EQ(_AllocMaxLights(4, 100, Capture), 0);
    ASSERT_EQ(Add(MatIdentity(), LIGHT_OMNI, 1.0f), 0);
    EXPECT_EQ(_AllocMaxLights(60, 100, Capture), -1);
    EXPECT_EQ(g_message, "_AllocMaxLights : 4 Lights Already Allocated , use _FreeAllocatedLights first\n");
    EXPECT_EQ(_GetLightsNum(), 1);  // the table was kept
    EXPECT_EQ(_FreeAllocatedLights(Capture), 0);
    EXPECT_EQ(Add(MatIdentity(), LIGHT_OMNI, 1.0f), -1);  // no table
    EXPECT_EQ(_AllocMaxLights(60, 100, Capture), 0);
    EXPECT_EQ(g_message, "_AllocMaxLights : Allocated 60 Lights\n");
    EXPECT_EQ(_FreeAllocatedLights(nullptr), 0);
}

}  // namespace
