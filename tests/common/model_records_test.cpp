#include <gtest/gtest.h>

#include <cstring>

#include "tessaly/model_records.h"

namespace {

// A mesh of three triangles (nine corners) welded down to five vertices, with
// every array filled with recognisable values.
void FillMesh(CMesh& mesh)
{
    ASSERT_TRUE(mesh.Allocate(9));
    ASSERT_TRUE(mesh.AllocateTexCoords(2, 9));
    std::snprintf(mesh.name, sizeof mesh.name, "%s", "HULL");
    std::snprintf(mesh.textureNames[2], sizeof mesh.textureNames[2], "%s", "metal.tga");
    mesh.textureCount = 3;
    mesh.textureHandles[2] = 17;
    mesh.textureKinds[2] = 1;
    mesh.transparency = 0.25f;
    mesh.blendMode = 4;
    mesh.radius = 3.5f;
    mesh.centre = {1, 2, 3};
    mesh.smoothingAngle = 0.5f;
    for (int i = 0; i < 9; ++i) {
        mesh.positions[i] = {float(i), float(i + 100), 0};
        mesh.indices[i] = static_cast<uint32_t>(8 - i);
        mesh.normals[i] = {0, 0, float(i)};
        mesh.coloursA[i] = 0xFF000000u + i;
        mesh.coloursB[i] = 0x80000000u + i;
        mesh.edgePlanes[i] = {float(i), 0, 0};
        mesh.edgeDirections[i] = {0, float(i), 0};
        mesh.sourcePoints[i] = static_cast<uint32_t>(i * 2);
        mesh.texCoords[2][i] = {float(i) / 8, 1};
        mesh.workA[i * 16] = static_cast<uint8_t>(i + 1);
    }
    for (int i = 0; i < 3; ++i)
        mesh.faceNormals[i] = {0, 1, float(i)};
    mesh.vertexCount = 5;
    mesh.vertexCountCopy = 5;
}

}  // namespace

TEST(MeshRecord, ConstructionAndAllocation)
{
    CMesh mesh;
    EXPECT_EQ(mesh.colour[0], 1.0f);
    EXPECT_EQ(mesh.colourAlpha, 1.0f);
    EXPECT_EQ(mesh.transparency, 0.0f);
    EXPECT_EQ(mesh.blendMode, 0);
    EXPECT_EQ(mesh.positions, nullptr);
    EXPECT_EQ(mesh.name[0], '\0');
    for (int i = 0; i < kMeshTextureSlots; ++i) {
        EXPECT_EQ(mesh.textureHandles[i], -1);
        EXPECT_EQ(mesh.textureKinds[i], -1);
        EXPECT_EQ(mesh.texCoords[i], nullptr);
    }

    ASSERT_TRUE(mesh.Allocate(6));
    EXPECT_EQ(mesh.vertexCount, 0);
    EXPECT_EQ(mesh.indexCount, 6);
    EXPECT_EQ(mesh.vertexCountCopy, 6);
    ASSERT_NE(mesh.faceNormals, nullptr);
    EXPECT_EQ(mesh.faceNormals[1].z, 0.0f);
    EXPECT_EQ(mesh.workB[6 * 16 - 1], 0);
    EXPECT_EQ(mesh.sourcePoints[5], 0u);

    // Allocating again replaces the arrays (and drops the coordinate sets).
    ASSERT_TRUE(mesh.AllocateTexCoords(7, 6));
    ASSERT_TRUE(mesh.Allocate(3));
    EXPECT_EQ(mesh.indexCount, 3);
    EXPECT_EQ(mesh.texCoords[7], nullptr);

    EXPECT_FALSE(mesh.AllocateTexCoords(8, 3));
    EXPECT_FALSE(mesh.AllocateTexCoords(-1, 3));
    EXPECT_FALSE(mesh.AllocateTexCoords(0, -3));
    EXPECT_FALSE(mesh.Allocate(-3));
    EXPECT_EQ(mesh.positions, nullptr);
    EXPECT_EQ(mesh.indexCount, 0);

    // An empty surface still gets arrays callers may hand to memset.
    ASSERT_TRUE(mesh.Allocate(0));
    EXPECT_NE(mesh.positions, nullptr);
    EXPECT_NE(mesh.workA, nullptr);
}

TEST(MeshRecord, DeepCopyDuplicatesPresentArrays)
{
    CMesh src;
    FillMesh(src);
    CMesh copy;
    ASSERT_TRUE(copy.AllocateTexCoords(0, 4));  // replaced by the copy
    ASSERT_TRUE(copy.CopyFrom(src));

    EXPECT_STREQ(copy.name, "HULL");
    EXPECT_STREQ(copy.textureNames[2], "metal.tga");
    EXPECT_EQ(copy.textureHandles[2], 17);
    EXPECT_EQ(copy.textureKinds[2], 1);
    EXPECT_EQ(copy.textureCount, 3);
    EXPECT_EQ(copy.blendMode, 4);
    EXPECT_EQ(copy.transparency, 0.25f);
    EXPECT_EQ(copy.radius, 3.5f);
    EXPECT_EQ(copy.centre.z, 3.0f);
    EXPECT_EQ(copy.smoothingAngle, 0.5f);
    EXPECT_EQ(copy.vertexCount, 5);
    EXPECT_EQ(copy.indexCount, 9);
    EXPECT_EQ(copy.vertexCountCopy, 5);

    ASSERT_NE(copy.positions, src.positions);
    EXPECT_EQ(copy.texCoords[0], nullptr);
    ASSERT_NE(copy.texCoords[2], nullptr);
    ASSERT_NE(copy.texCoords[2], src.texCoords[2]);
    // Vertex arrays: the five vertices in use; index arrays: all nine.
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(copy.positions[i].y, float(i + 100));
        EXPECT_EQ(copy.sourcePoints[i], uint32_t(i * 2));
        EXPECT_EQ(copy.texCoords[2][i].u, float(i) / 8);
    }
    EXPECT_EQ(copy.positions[8].y, 0.0f);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(copy.indices[i], uint32_t(8 - i));
        EXPECT_EQ(copy.normals[i].z, float(i));
        EXPECT_EQ(copy.coloursA[i], 0xFF000000u + i);
        EXPECT_EQ(copy.coloursB[i], 0x80000000u + i);
        EXPECT_EQ(copy.edgePlanes[i].x, float(i));
        EXPECT_EQ(copy.edgeDirections[i].y, float(i));
        EXPECT_EQ(copy.workA[i * 16], uint8_t(i + 1));
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(copy.faceNormals[i].z, float(i));

    // The copy owns its arrays: changing or destroying the source leaves it alone.
    src.positions[0].x = -1.0f;
    src.Reset();
    EXPECT_EQ(copy.positions[0].x, 0.0f);

    // Copying onto itself keeps everything.
    ASSERT_TRUE(copy.CopyFrom(copy));
    EXPECT_EQ(copy.indices[0], 8u);
}

TEST(MeshRecord, CopyNeverReadsPastTheSourceArrays)
{
    CMesh src;
    FillMesh(src);
    // Counts claiming more than was allocated are cut to the allocation.
    src.vertexCount = 1000;
    src.indexCount = 1000;
    CMesh copy;
    ASSERT_TRUE(copy.CopyFrom(src));
    EXPECT_EQ(copy.positions[8].x, 8.0f);
    EXPECT_EQ(copy.texCoords[2][8].u, 1.0f);

    CMesh empty;
    ASSERT_TRUE(copy.CopyFrom(empty));
    EXPECT_EQ(copy.positions, nullptr);
    EXPECT_EQ(copy.texCoords[2], nullptr);
    EXPECT_EQ(copy.indexCount, 0);
}

TEST(MeshRecord, ResetFreesAndRestoresDefaults)
{
    CMesh mesh;
    FillMesh(mesh);
    mesh.Reset();
    EXPECT_EQ(mesh.positions, nullptr);
    EXPECT_EQ(mesh.indices, nullptr);
    EXPECT_EQ(mesh.faceNormals, nullptr);
    EXPECT_EQ(mesh.sourcePoints, nullptr);
    EXPECT_EQ(mesh.texCoords[2], nullptr);
    EXPECT_EQ(mesh.vertexCount, 0);
    EXPECT_EQ(mesh.indexCount, 0);
    EXPECT_EQ(mesh.textureCount, 0);
    EXPECT_EQ(mesh.name[0], '\0');
    EXPECT_EQ(mesh.textureNames[2][0], '\0');
    EXPECT_EQ(mesh.textureHandles[2], -1);
    EXPECT_EQ(mesh.blendMode, 8);
}

TEST(ModelRecord, MeshArrayLifecycle)
{
    CModel model;
    EXPECT_EQ(model.meshes, nullptr);
    EXPECT_EQ(model.meshCount, 0);
    EXPECT_EQ(model.radius, 0.0f);

    ASSERT_TRUE(model.AllocateMeshes(3));
    EXPECT_EQ(model.meshCount, 3);
    EXPECT_EQ(model.meshesAllocated, 1);
    EXPECT_EQ(model.meshes[2].textureHandles[0], -1);
    FillMesh(model.meshes[1]);

    ASSERT_TRUE(model.AllocateMeshes(2));  // the old meshes and their arrays go
    EXPECT_EQ(model.meshes[1].positions, nullptr);

    model.radius = 4;
    model.centre = {1, 1, 1};
    model.reserved = 9;
    model.loaded = 1;
    model.Clear();
    EXPECT_EQ(model.meshes, nullptr);
    EXPECT_EQ(model.meshCount, 0);
    EXPECT_EQ(model.meshesAllocated, 0);
    EXPECT_EQ(model.loaded, 0);
    EXPECT_EQ(model.reserved, 0);
    EXPECT_EQ(model.radius, 0.0f);
    EXPECT_EQ(model.centre.x, 0.0f);

    EXPECT_FALSE(model.AllocateMeshes(-1));
    EXPECT_EQ(model.meshes, nullptr);
    ASSERT_TRUE(model.AllocateMeshes(1));
    FillMesh(model.meshes[0]);  // released by the destructor
}
