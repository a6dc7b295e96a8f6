// The lighting library through its C entry points, the way the engine drives it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "tessaly/lighting_interface.h"

namespace {

std::string g_lastMessage;
int Capture(const char* text)
{
    g_lastMessage = text;
    return 7;
}

Matrix44 PlacedAt(float x, float y, float z)
{
    Matrix44 m = MatIdentity();
    m.m[12] = x;
    m.m[13] = y;
    m.m[14] = z;
    return m;
}

// Placement whose z axis points down (0, 0, -1), at (x, y, z).
Matrix44 FacingDown(float x, float y, float z)
{
    Matrix44 m = PlacedAt(x, y, z);
    m.m[5] = -1.0f;
    m.m[10] = -1.0f;
    return m;
}

int Add(const Matrix44& placement, int type, float range, float r = 1.0f, float g = 1.0f, float b = 1.0f)
{
    const float rgb[3] = {r, g, b};
    return _AddLight(&placement, rgb, range, type, (type & LIGHT_PRELIT) ? 1 : 0, 0);
}

uint32_t Red(uint32_t c) { return (c >> 16) & 0xFF; }

class Lighting : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(_AllocMaxLights(8, 1000, nullptr), 0);
        _SetAmbient(0.0f, 0.0f, 0.0f);
    }
    void TearDown() override { _FreeAllocatedLights(nullptr); }

    // A mesh of n vertices at the origin facing +z, white, opaque.
    void MakeMesh(int n)
    {
        ASSERT_TRUE(mesh.Allocate(n));
        mesh.vertexCount = n;
        mesh.colour[0] = mesh.colour[1] = mesh.colour[2] = 1.0f;
        for (int i = 0; i < n; ++i)
            mesh.normals[i] = {0.0f, 0.0f, 1.0f};
    }
    // Reset, pre-illuminate and light dynamically; returns vertex i of array A.
    uint32_t Lit(int i = 0, const Matrix44* model = nullptr, float luminosity = 0.0f)
    {
        const Matrix44 identity = MatIdentity();
        if (!model)
            model = &identity;
        EXPECT_EQ(_ResetSBMIllum(&mesh, luminosity), 0);
        EXPECT_EQ(_LightMesh(&mesh, model, mesh.coloursB, mesh.coloursA, 1), 0);
        EXPECT_EQ(_LightMesh(&mesh, model, mesh.coloursA, mesh.coloursB, 0), 0);
        return mesh.coloursA[i];
    }
    // Red byte at a vertex placed at p with normal n.
    uint32_t RedAt(Vector3 p, Vector3 n = {0.0f, 0.0f, 1.0f})
    {
        mesh.positions[0] = p;
        mesh.normals[0] = n;
        return Red(Lit());
    }

    CMesh mesh;
};

TEST_F(Lighting, OmniFallsOffLinearlyToItsRange)
{
    MakeMesh(3);
    Add(PlacedAt(0, 0, 10), LIGHT_OMNI, 20.0f);
    EXPECT_EQ(RedAt({0, 0, 5}), 191u);   // d 5: 0.75
    EXPECT_EQ(RedAt({0, 0, 0}), 128u);   // d 10: 0.5
    EXPECT_EQ(RedAt({0, 0, -10}), 0u);   // d 20: at the range
    EXPECT_EQ(RedAt({0, 0, -20}), 0u);   // beyond
    // Falloff times the cosine: 45 degrees off the normal at distance 10.
    EXPECT_EQ(RedAt({0, 0, 0}, {0.0f, std::sqrt(0.5f), std::sqrt(0.5f)}), 90u);
}

TEST_F(Lighting, SpotLightsOnlyInsideItsCone)
{
    MakeMesh(3);
    Add(FacingDown(0, 0, 10), LIGHT_SPOT, 40.0f);
    EXPECT_EQ(RedAt({0, 0, 0}), 191u);  // on the axis, d 10 of 40
    const float d = 10.0f;
    // 15 degrees off the axis: full cone; 25: soft edge; 45: outside.
    auto offAxis = [&](float degrees) {
        const float a = degrees * 3.14159265f / 180.0f;
        return RedAt({d * std::sin(a), 0.0f, 10.0f - d * std::cos(a)}, {0.0f, 0.0f, 1.0f});
    };
    EXPECT_GT(offAxis(15.0f), 150u);
    const uint32_t edge = offAxis(25.0f);
    EXPECT_GT(edge, 0u);
    EXPECT_LT(edge, offAxis(15.0f));
    EXPECT_EQ(offAxis(45.0f), 0u);
    EXPECT_EQ(RedAt({0, 0, 20}, {0, 0, -1}), 0u);  // behind the spot, facing it
}

TEST_F(Lighting, DistantLightShinesAlongItsAxisEverywhere)
{
    MakeMesh(3);
    Add(FacingDown(0, 0, 0), LIGHT_DISTANT, 0.0f);  // range does not matter
    EXPECT_EQ(RedAt({1000, -500, 9000}), 255u);
    EXPECT_EQ(RedAt({0, 0, 0}, {0.6f, 0.0f, 0.8f}), 204u);
    EXPECT_EQ(RedAt({0, 0, 0}, {0.0f, 0.0f, -1.0f}), 0u);  // faces away
}

TEST_F(Lighting, BackFacingNormalsGetNoLight)
{
    MakeMesh(3);
    Add(PlacedAt(0, 0, -5), LIGHT_OMNI, 20.0f);
    Add(PlacedAt(0, 0, -5), LIGHT_SPOT, 20.0f);  // z axis +z: towards the vertex, from behind
    EXPECT_EQ(RedAt({0, 0, 0}), 0u);
    EXPECT_EQ(RedAt({0, 0, 0}, {0, 0, -1}), 255u);  // turned round, both light it (clamped)
}

TEST_F(Lighting, ChannelsClampAtFull)
{
    MakeMesh(3);
    _SetAmbient(0.9f, 0.0f, 0.0f);
    Add(PlacedAt(0, 0, 1), LIGHT_OMNI, 100.0f, 1.0f, 0.5f, 0.0f);
    Add(PlacedAt(0, 0, 1), LIGHT_OMNI, 100.0f, 1.0f, 0.5f, 0.0f);
    const uint32_t c = Lit(0, nullptr, 0.5f);
    EXPECT_EQ(c, 0x00FFFF80u);  // blue: luminosity only
}

TEST_F(Lighting, ResetWritesTheUnlitColourAndAlphaIntoBothArrays)
{
    MakeMesh(6);
    mesh.vertexCount = 4;  // welded: only four in use
    mesh.colour[1] = 0.5f;
    mesh.colour[2] = 0.25f;
    mesh.transparency = 0.5f;
    mesh.coloursA[4] = mesh.coloursB[5] = 0x12345678u;
    _SetAmbient(0.2f, 0.2f, 0.2f);
    ASSERT_EQ(_ResetSBMIllum(&mesh, 0.3f), 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mesh.coloursA[i], 0x80804020u) << i;  // alpha 128, 0.5, 0.25, 0.125
        EXPECT_EQ(mesh.coloursB[i], 0x80804020u) << i;
    }
    EXPECT_EQ(mesh.coloursA[4], 0x12345678u);
    EXPECT_EQ(mesh.coloursB[5], 0x12345678u);
    // Lighting passes keep the stored alpha.
    Add(PlacedAt(0, 0, 1), LIGHT_OMNI, 100.0f);
    ASSERT_EQ(_LightMesh(&mesh, nullptr, mesh.coloursA, mesh.coloursB, 0), 0);
    EXPECT_EQ(mesh.coloursA[0] >> 24, 0x80u);
}

TEST_F(Lighting, PreIlluminationTakesPKindsAndDynamicLightingTheOthers)
{
    MakeMesh(3);
    _SetAmbient(0.2f, 0.2f, 0.2f);
    Add(PlacedAt(0, 0, 10), LIGHT_OMNI | LIGHT_PRELIT, 40.0f, 1.0f, 0.0f, 0.0f);  // red 0.75
    Add(PlacedAt(0, 0, 10), LIGHT_OMNI, 40.0f, 0.0f, 0.5f, 0.0f);                  // green 0.375
    ASSERT_EQ(_ResetSBMIllum(&mesh, 0.0f), 0);
    ASSERT_EQ(_LightMesh(&mesh, nullptr, mesh.coloursB, mesh.coloursA, 1), 0);
    EXPECT_EQ(mesh.coloursB[0], 0x00F23333u);  // 0.2 + 0.75 red: stored
    EXPECT_EQ(mesh.coloursA[0], 0x00333333u);  // untouched
    ASSERT_EQ(_LightMesh(&mesh, nullptr, mesh.coloursA, mesh.coloursB, 0), 0);
    EXPECT_EQ(mesh.coloursA[0], 0x00F29333u);  // stored plus 0.375 green
    EXPECT_EQ(mesh.coloursB[0], 0x00F23333u);  // the stored colours stay
    // Dynamic lighting again starts from the stored colours, not from A.
    ASSERT_EQ(_LightMesh(&mesh, nullptr, mesh.coloursA, mesh.coloursB, 0), 0);
    EXPECT_EQ(mesh.coloursA[0], 0x00F29333u);
}

TEST_F(Lighting, TheMeshMatrixCarriesPositionsAndNormals)
{
    MakeMesh(3);
    Add(PlacedAt(0, 0, 10), LIGHT_OMNI, 20.0f);
    const Matrix44 nearer = PlacedAt(0, 0, 5);
    EXPECT_EQ(Red(Lit(0, &nearer)), 191u);
    Matrix44 turned = MatIdentity();  // half a turn about x, scaled by 2: normal now faces -z
    turned.m[0] = 2.0f;
    turned.m[5] = -2.0f;
    turned.m[10] = -2.0f;
    EXPECT_EQ(Red(Lit(0, &turned)), 0u);
    mesh.normals[0] = {0, 0, -1};
    EXPECT_EQ(Red(Lit(0, &turned)), 128u);  // normal renormalised after the scale
}

TEST_F(Lighting, DegenerateInputsGiveNoLightAndNoFault)
{
    MakeMesh(3);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Add(PlacedAt(0, 0, 5), LIGHT_OMNI, 20.0f, nan, 1.0f, 1.0f);  // NaN colour
    Add(PlacedAt(nan, 0, 5), LIGHT_OMNI, 20.0f);                 // NaN position
    Add(PlacedAt(0, 0, 5), LIGHT_OMNI, nan);                     // NaN range
    EXPECT_EQ(Red(Lit()), 0u);
    _KillAllLights();
    Add(PlacedAt(0, 0, 0), LIGHT_SPOT, 10.0f);  // the vertex sits on the light
    EXPECT_EQ(Red(Lit()), 255u);
    mesh.normals[0] = {0, 0, 0};  // no normal: only the zero-distance light
    mesh.positions[1] = {0, 0, 1};
    mesh.normals[1] = {0, 0, 0};
    EXPECT_EQ(Red(Lit(1)), 0u);
    EXPECT_EQ(_LightMesh(nullptr, nullptr, mesh.coloursA, mesh.coloursB, 0), -1);
    EXPECT_EQ(_LightMesh(&mesh, nullptr, mesh.coloursA, nullptr, 0), -1);
    EXPECT_EQ(_LightMesh(&mesh, nullptr, mesh.coloursA, mesh.coloursB, 2), -1);
    mesh.vertexCount = 1000;  // more than allocated: only the allocated ones are written
    EXPECT_EQ(_ResetSBMIllum(&mesh, 0.0f), 0);
    EXPECT_EQ(_LightMesh(&mesh, nullptr, mesh.coloursA, mesh.coloursB, 0), 0);
}

TEST_F(Lighting, GetLightCopiesTheDescriptionSwitchedOnFirst)
{
    Matrix44 placement = FacingDown(1, 2, 3);
    const float rgb[3] = {0.25f, 0.5f, 0.75f};
    ASSERT_EQ(_AddLight(&placement, rgb, 42.0f, 12, 1, 99), 0);
    ASSERT_EQ(_GetLightsNum(), 1);
    uint32_t words[22];
    std::memset(words, 0xEE, sizeof words);
    ASSERT_EQ(static_cast<void*>(_GetLight(reinterpret_cast<LightDescription*>(words), 0)),
              static_cast<void*>(words));
    const auto* bytes = reinterpret_cast<const uint8_t*>(words);
    EXPECT_NE(bytes[0], 0);
    EXPECT_EQ(bytes[1] | bytes[2] | bytes[3], 0);
    int32_t type;
    float f[20];
    std::memcpy(&type, &words[1], 4);
    std::memcpy(f, &words[2], sizeof f);
    EXPECT_EQ(type, 12);
    EXPECT_EQ(f[0], 0.25f);
    EXPECT_EQ(f[1], 0.5f);
    EXPECT_EQ(f[2], 0.75f);
    EXPECT_EQ(std::memcmp(&f[3], placement.m, 64), 0);
    EXPECT_EQ(f[19], 42.0f);
    LightDescription d;
    EXPECT_EQ(_GetLight(&d, 1), nullptr);
    EXPECT_EQ(_GetLight(&d, -1), nullptr);
    EXPECT_EQ(_GetLight(nullptr, 0), nullptr);
}

TEST_F(Lighting, KilledLightsAreOffAndTheirEntriesReused)
{
    MakeMesh(3);
    const Matrix44 p = PlacedAt(0, 0, 10);
    EXPECT_EQ(Add(p, LIGHT_OMNI, 20.0f), 0);
    EXPECT_EQ(Add(p, LIGHT_OMNI, 20.0f), 1);
    EXPECT_EQ(Add(p, LIGHT_DISTANT, 20.0f), 2);
    EXPECT_EQ(Add(p, 0, 20.0f), -1);  // no kind
    EXPECT_EQ(Add(p, 3, 20.0f), -1);  // two kinds
    EXPECT_EQ(_KillLight(2), 0);
    EXPECT_EQ(_KillLight(2), -1);
    EXPECT_EQ(_KillLight(8), -1);
    EXPECT_EQ(_KillLight(0), 0);
    EXPECT_EQ(_GetLightsNum(), 2);  // up to the highest entry in use
    LightDescription d;
    ASSERT_NE(_GetLight(&d, 0), nullptr);
    EXPECT_EQ(d.switchedOn, 0);
    EXPECT_EQ(Red(Lit()), 128u);  // only light 1 is left
    EXPECT_EQ(Add(p, LIGHT_OMNI | LIGHT_PRELIT, 20.0f), 0);
    ASSERT_NE(_GetLight(&d, 0), nullptr);
    EXPECT_NE(d.switchedOn, 0);
    EXPECT_EQ(d.light.type, 9);
    EXPECT_EQ(Red(Lit()), 255u);
    for (int i = 2; i < 8; ++i)
        EXPECT_EQ(Add(p, LIGHT_OMNI, 1.0f), i);
    EXPECT_EQ(Add(p, LIGHT_OMNI, 1.0f), -1);  // full
    EXPECT_EQ(_KillAllLights(), 0);
    EXPECT_EQ(_GetLightsNum(), 0);
    EXPECT_EQ(Red(Lit()), 0u);
}

TEST(LightTable, AllocatesOnceUntilFreed)
{
    g_lastMessage.clear();
    ASSERT_EQ(_AllocMaxLights(4, 100, Capture), 0);
    const Matrix44 p = MatIdentity();
    const float rgb[3] = {1, 1, 1};
    ASSERT_EQ(_AddLight(&p, rgb, 1.0f, 1, 0, 0), 0);
    EXPECT_EQ(_AllocMaxLights(60, 100, Capture), -1);
    EXPECT_EQ(g_lastMessage, "_AllocMaxLights : 4 Lights Already Allocated , use _FreeAllocatedLights first\n");
    EXPECT_EQ(_GetLightsNum(), 1);  // the table was kept
    EXPECT_EQ(_FreeAllocatedLights(Capture), 0);
    EXPECT_EQ(g_lastMessage, "_FreeAllocatedLights : Lights Deallocated\n");
    EXPECT_EQ(_GetLightsNum(), 0);
    EXPECT_EQ(_AddLight(&p, rgb, 1.0f, 1, 0, 0), -1);  // no table
    EXPECT_EQ(_KillLight(0), -1);
    EXPECT_EQ(_AllocMaxLights(-1, 100, Capture), -1);
    EXPECT_EQ(_AllocMaxLights(60, 100, Capture), 0);
    EXPECT_EQ(g_lastMessage, "_AllocMaxLights : Allocated 60 Lights\n");
    EXPECT_EQ(_FreeAllocatedLights(nullptr), 0);
}

}  // namespace
