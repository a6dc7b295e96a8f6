// Mesh drawing: which meshes are drawn at once, deferred or skipped, the order
// of the alpha flush, environment coordinates, and slots without a model.
#include <gtest/gtest.h>

#include "common/vecmath.h"
#include "engine_scene.h"

namespace {

using namespace et;

const Matrix44 kIdentity = MatIdentity();

class MeshDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        ClearFrame();
        r_KillAllLights();
    }
    void TearDown() override { r_AllocMaxAlphaMeshes(100); }
    static int Lit(uint32_t rgb) { return Red(rgb) + Green(rgb) + Blue(rgb); }
};

TEST_F(MeshDrawing, FullyTransparentMeshesAreSkippedAndAdditiveOnesWaitForTheFlush) {
    Surface ghost("GHOST", 1.0f);
    Surface glow("GLOW", 0.0f, 0x300);  // additive, opaque
    const int h =
        LoadObject("skip.lwo", {ghost, glow}, {Rectangle(-3, -1, -1, 1, 10, 0), Rectangle(1, -1, 3, 1, 10, 1)});
    ASSERT_GE(h, 0);
    ASSERT_EQ(Mesh(h, 0)->transparency, 1.0f);
    ASSERT_EQ(Mesh(h, 1)->blendMode, 4);
    Paint(Mesh(h, 0), 0x00FF0000);
    Paint(Mesh(h, 1), 0x0000FF00);
    const int left = ScreenX(-2, 10), right = ScreenX(2, 10), y = ScreenY(0, 10);

    EXPECT_EQ(r_DrawCMeshData(h, kIdentity, 0), 0);
    EXPECT_EQ(Pixel(left, y), 0u);
    EXPECT_EQ(Pixel(right, y), 0u) << "an additive mesh is deferred";
    r_FlushAlphaMeshes();
    EXPECT_EQ(Pixel(left, y), 0u) << "transparency 1.0 is neither drawn nor deferred";
    EXPECT_GT(Green(Pixel(right, y)), 240);
}

TEST_F(MeshDrawing, AlphaFlushDrawsFarToNearAndTiesInSubmissionOrder) {
    // NEAR is submitted before FAR; two identical meshes tie.
    Surface nearer("NEAR", 0.5f);
    Surface farther("FAR", 0.5f);
    Surface first("TIE1", 0.5f);
    Surface second("TIE2", 0.5f);
    const int h = LoadObject("order.lwo", {nearer, farther, first, second},
                             {Rectangle(-3, -1, -1, 1, 10, 0), Rectangle(-6, -2, -2, 2, 20, 1),
                              Rectangle(1, -1, 3, 1, 10, 2), Rectangle(1, -1, 3, 1, 10, 3)});
    ASSERT_GE(h, 0);
    Paint(Mesh(h, 0), 0x80FF0000);
    Paint(Mesh(h, 1), 0x800000FF);
    Paint(Mesh(h, 2), 0x80FF0000);
    Paint(Mesh(h, 3), 0x800000FF);

    r_DrawCMeshData(h, kIdentity, 0);
    EXPECT_EQ(Pixel(ScreenX(-2, 10), ScreenY(0, 10)), 0u) << "translucent meshes are deferred";
    r_FlushAlphaMeshes();
    // The mesh drawn last over a translucent one keeps the larger share.
    const uint32_t overlap = Pixel(ScreenX(-2, 10), ScreenY(0, 10));
    EXPECT_GT(Red(overlap), Blue(overlap) + 40) << "the far mesh is drawn first";
    const uint32_t tie = Pixel(ScreenX(2, 10), ScreenY(0, 10));
    EXPECT_GT(Blue(tie), Red(tie) + 40) << "equal distances keep their submission order";

    // The list was emptied: a second flush draws nothing new.
    ClearFrame();
    r_FlushAlphaMeshes();
    EXPECT_EQ(Pixel(ScreenX(-2, 10), ScreenY(0, 10)), 0u);
}

TEST_F(MeshDrawing, AFullAlphaListDrawsAtOnceAndReallocationDropsItsEntries) {
    Surface a("A", 0.25f), b("B", 0.25f), c("C", 0.25f);
    const int h =
        LoadObject("three.lwo", {a, b, c},
                   {Rectangle(-5, -1, -3, 1, 10, 0), Rectangle(-1, -1, 1, 1, 10, 1), Rectangle(3, -1, 5, 1, 10, 2)});
    ASSERT_GE(h, 0);
    for (int i = 0; i < 3; ++i) Paint(Mesh(h, i), 0x00FFFFFF);
    const int y = ScreenY(0, 10);
    const int xs[3] = {ScreenX(-4, 10), ScreenX(0, 10), ScreenX(4, 10)};

    r_AllocMaxAlphaMeshes(2);
    r_DrawCMeshData(h, kIdentity, 0);
    EXPECT_EQ(Pixel(xs[0], y), 0u);
    EXPECT_EQ(Pixel(xs[1], y), 0u);
    EXPECT_GT(Lit(Pixel(xs[2], y)), 600) << "the third mesh does not fit and is drawn at once";
    r_FlushAlphaMeshes();
    EXPECT_GT(Lit(Pixel(xs[0], y)), 600);
    EXPECT_GT(Lit(Pixel(xs[1], y)), 600);

    // A second allocation without a free replaces the arrays; the entries
    // deferred so far are dropped (the leak check sees the old arrays freed).
    ClearFrame();
    r_DrawCMeshData(h, kIdentity, 0);
    r_AllocMaxAlphaMeshes(4);
    r_FlushAlphaMeshes();
    EXPECT_EQ(Pixel(xs[0], y), 0u);

    // Without a list every mesh is drawn at once.
    r_FreeAllocatedAlphaMeshes();
    ClearFrame();
    r_DrawCMeshData(h, kIdentity, 0);
    for (int x : xs) EXPECT_GT(Lit(Pixel(x, y)), 600);
}

TEST_F(MeshDrawing, ReflectionCoordinatesComeFromNormalsInCameraSpace) {
    Surface mirror("MIRROR");
    const int h = LoadObject("mirror.lwo", {mirror}, {Rectangle(-1, -1, 1, 1, 10, 0)});
    ASSERT_GE(h, 0);
    CMesh* m = Mesh(h, 0);
    ASSERT_EQ(m->indexCount, 6);
    m->textureCount = 1;
    m->textureKinds[0] = 8;
    m->textureHandles[0] = -1;
    ASSERT_TRUE(m->AllocateTexCoords(0, m->capacity));
    auto normals = [&](Vector3 n) {
        for (int i = 0; i < m->capacity; ++i) m->normals[i] = n;
    };

    normals({1, 0, 0});
    r_DrawCMeshData(h, kIdentity, 0);
    for (int i = 0; i < 6; ++i) {
        EXPECT_FLOAT_EQ(m->texCoords[0][i].u, 1.0f);
        EXPECT_FLOAT_EQ(m->texCoords[0][i].v, 0.5f);
    }

    // A camera turned about y: a normal along its own x axis still gives u = 1,
    // one along its y axis v = 0; the camera's position plays no part.
    Matrix44 camera = MatIdentity();
    MatRotateEuler(camera, Vector3{0.0f, 0.7f, 0.0f}, false);
    camera.m[12] = 50.0f;
    r_SetCamMatrix(&camera);
    normals({camera.m[0], camera.m[1], camera.m[2]});
    r_DrawCMeshData(h, kIdentity, 0);
    EXPECT_NEAR(m->texCoords[0][0].u, 1.0f, 1e-5f);
    EXPECT_NEAR(m->texCoords[0][0].v, 0.5f, 1e-5f);
    normals({camera.m[4], camera.m[5], camera.m[6]});
    r_DrawCMeshData(h, kIdentity, 0);
    EXPECT_NEAR(m->texCoords[0][0].u, 0.5f, 1e-5f);
    EXPECT_NEAR(m->texCoords[0][0].v, 0.0f, 1e-5f);

    // A set smaller than the index count is written only as far as it reaches.
    ASSERT_TRUE(m->AllocateTexCoords(0, 2));
    r_SetCamMatrix(&kIdentity);
    normals({0, 0, -1});
    r_DrawCMeshData(h, kIdentity, 0);
    EXPECT_EQ(m->texCoordCapacity[0], 2);
    EXPECT_NEAR(m->texCoords[0][1].u, 0.5f, 1e-5f);
}

TEST_F(MeshDrawing, SlotsWithoutAModelDrawNothing) {
    EXPECT_EQ(r_DrawCMeshData(-1, kIdentity, 0), -1);
    EXPECT_EQ(r_DrawCMeshData(60, kIdentity, 0), -1);
    EXPECT_EQ(r_DrawCMeshData(59, kIdentity, 0), 0) << "never loaded";
    char missing[] = "missing.lwo";
    ASSERT_EQ(r_LoadModel(58, missing, DataDir().c_str(), DataDir().c_str(), 0, nullptr), -1);
    EXPECT_EQ(r_DrawCMeshData(58, kIdentity, 0), 0) << "left free by a failed load";
    r_FlushAlphaMeshes();
    EXPECT_EQ(Pixel(kWidth / 2, kHeight / 2), 0u);
}

}  // namespace
