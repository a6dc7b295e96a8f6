#include <gtest/gtest.h>

#include <cstring>

#include "tessaly/model_records.h"

namespace {

// A mesh of three triangles (nine corners) welded down to five vertices, with
// every array filled with recognisable values.
void FillMesh(CMesh& mesh) {
    ASSERT_TRUE(mesh.Allocate(9));
    ASSERT_TRUE(mesh.AllocateTexCoords(2, 9));
    std::snprintf(mesh.name, sizeof mesh.name, "%s", "HULL");
    std::snprintf(mesh.textureNames[2], sizeof mesh.textureNames[2], "%s", "metal.tga");
    mesh.textureHandles[2] = 17;
    mesh.blendMode = 4;
    mesh.radius = 3.5f;
    for (int i = 0; i < 9; ++i) {
        mesh.positions[i] = {float(i), float(i + 100), 0};
        mesh.indices[i] = static_cast<uint32_t>(8 - i);
        mesh.normals[i] = {0, 0, float(i)};
        mesh.coloursB[i] = 0x80000000u + i;
        mesh.edgeDirections[i] = {0, float(i), 0};
        mesh.sourcePoints[i] = static_cast<uint32_t>(i * 2);
        mesh.texCoords[2][i] = {float(i) / 8, 1};
        mesh.workA[i * 16] = static_cast<uint8_t>(i + 1);
    }
    for (int i = 0; i < 3; ++i) mesh.faceNormals[i] = {0, 1, float(i)};
    mesh.vertexCount = 5;
    mesh.vertexCountCopy = 5;
}

}  // namespace

TEST(MeshRecord, ConstructionAllocationAndReset) {
    CMesh mesh;
    EXPECT_EQ(mesh.colourAlpha, 1.0f);
    EXPECT_EQ(mesh.blendMode, 0);
    EXPECT_EQ(mesh.textureHandles[7], -1);
    EXPECT_EQ(mesh.textureKinds[0], -1);

    ASSERT_TRUE(mesh.Allocate(6));
    EXPECT_EQ(mesh.vertexCount, 0);
    EXPECT_EQ(mesh.indexCount, 6);
    EXPECT_EQ(mesh.vertexCountCopy, 6);
    EXPECT_EQ(mesh.faceNormals[1].z, 0.0f);
    EXPECT_EQ(mesh.workB[6 * 16 - 1], 0);
    EXPECT_FALSE(mesh.AllocateTexCoords(8, 3));
    EXPECT_FALSE(mesh.Allocate(-3));
    EXPECT_EQ(mesh.positions, nullptr);
    // An empty surface still gets arrays callers may hand to memset.
    ASSERT_TRUE(mesh.Allocate(0));
    EXPECT_NE(mesh.workA, nullptr);

    FillMesh(mesh);
    FillMesh(mesh);  // allocating again replaces the arrays without leaking
    mesh.Reset();
    EXPECT_EQ(mesh.positions, nullptr);
    EXPECT_EQ(mesh.texCoords[2], nullptr);
    EXPECT_EQ(mesh.indexCount, 0);
    EXPECT_EQ(mesh.name[0], '\0');
    EXPECT_EQ(mesh.textureNames[2][0], '\0');
    EXPECT_EQ(mesh.textureHandles[2], -1);
    EXPECT_EQ(mesh.blendMode, 8);
}

TEST(MeshRecord, DeepCopyDuplicatesPresentArrays) {
    CMesh src;
    FillMesh(src);
    CMesh copy;
    ASSERT_TRUE(copy.AllocateTexCoords(0, 4));  // replaced by the copy
    ASSERT_TRUE(copy.CopyFrom(src));
    EXPECT_STREQ(copy.name, "HULL");
    EXPECT_STREQ(copy.textureNames[2], "metal.tga");
    EXPECT_EQ(copy.textureHandles[2], 17);
    EXPECT_EQ(copy.blendMode, 4);
    EXPECT_EQ(copy.radius, 3.5f);
    EXPECT_EQ(copy.vertexCount, 5);
    EXPECT_EQ(copy.indexCount, 9);
    EXPECT_EQ(copy.texCoords[0], nullptr);
    ASSERT_NE(copy.texCoords[2], src.texCoords[2]);
    // Vertex arrays: the five vertices in use; index arrays: all nine.
    EXPECT_EQ(copy.positions[4].y, 104.0f);
    EXPECT_EQ(copy.positions[5].y, 0.0f);
    EXPECT_EQ(copy.sourcePoints[4], 8u);
    EXPECT_EQ(copy.texCoords[2][4].u, 0.5f);
    EXPECT_EQ(copy.indices[8], 0u);
    EXPECT_EQ(copy.normals[8].z, 8.0f);
    EXPECT_EQ(copy.coloursB[8], 0x80000008u);
    EXPECT_EQ(copy.edgeDirections[8].y, 8.0f);
    EXPECT_EQ(copy.workA[8 * 16], 9);
    EXPECT_EQ(copy.faceNormals[2].z, 2.0f);

    // The copy owns its arrays.
    src.positions[1].x = -1.0f;
    EXPECT_EQ(copy.positions[1].x, 1.0f);
    src.Reset();
    EXPECT_EQ(copy.positions[1].x, 1.0f);

    // Counts claiming more than the source holds are cut to what it holds.
    FillMesh(src);
    src.vertexCount = 1000;
    src.indexCount = 1000;
    ASSERT_TRUE(copy.CopyFrom(src));
    EXPECT_EQ(copy.texCoords[2][8].u, 1.0f);
    ASSERT_TRUE(copy.CopyFrom(copy));
    EXPECT_EQ(copy.positions[8].x, 8.0f);
}

TEST(ModelRecord, MeshArrayLifecycle) {
    CModel model;
    ASSERT_TRUE(model.AllocateMeshes(3));
    EXPECT_EQ(model.meshCount, 3);
    EXPECT_EQ(model.meshesAllocated, 1);
    EXPECT_EQ(model.meshes[2].textureHandles[0], -1);
    FillMesh(model.meshes[1]);
    ASSERT_TRUE(model.AllocateMeshes(2));  // the old meshes and their arrays go
    EXPECT_EQ(model.meshes[1].positions, nullptr);

    model.radius = 4;
    model.reserved = 9;
    model.loaded = 1;
    model.Clear();
    EXPECT_EQ(model.meshes, nullptr);
    EXPECT_EQ(model.meshCount, 0);
    EXPECT_EQ(model.meshesAllocated, 0);
    EXPECT_EQ(model.loaded, 0);
    EXPECT_EQ(model.reserved, 0);
    EXPECT_EQ(model.radius, 0.0f);
    EXPECT_FALSE(model.AllocateMeshes(-1));
    ASSERT_TRUE(model.AllocateMeshes(1));
    FillMesh(model.meshes[0]);  // released by the destructor
}
