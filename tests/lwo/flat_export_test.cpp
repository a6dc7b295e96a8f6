// r_ExportMD2: flat-shaded copies of exported models.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "plugin_driver.h"

using namespace lwotest;

TEST(LwoFlatExport, CubeGetsOneNormalPerTriangle)
{
    const Bytes file = LwobWriter()
                           .Names({"Empty", "Cube"})
                           .Points(CubePoints(2.0f))
                           .Polygons(CubeQuads(2))
                           .Surface(SurfaceBuilder("Cube").U16("FLAG", 0x4).F32("SMAN", 1.6f))
                           .Build();
    auto source = LoadModel(file, 0x4);
    ASSERT_TRUE(source);
    CModel flat;
    ASSERT_TRUE(flat.AllocateMeshes(2));
    // Arrays the destination already owns are replaced, not leaked.
    ASSERT_TRUE(flat.meshes[1].Allocate(6));
    flat.radius = 0.0f;
    Plugin().ExportMD2(&flat, 0, source.get());

    EXPECT_EQ(flat.meshCount, 2);
    const CMesh& empty = flat.meshes[0];
    EXPECT_EQ(empty.indexCount, 0);
    EXPECT_EQ(empty.vertexCount, 0);
    EXPECT_EQ(empty.radius, 0.0f);
    EXPECT_EQ(empty.centre.x, 0.0f);

    const CMesh& d = flat.meshes[1];
    ASSERT_EQ(d.vertexCount, 36);
    EXPECT_EQ(d.indexCount, 36);
    EXPECT_EQ(d.vertexCountCopy, 36);
    const std::vector<Vector3> points = CubePoints(2.0f);
    std::set<std::tuple<float, float, float>> normals;
    for (int t = 0; t < 12; ++t) {
        const Vector3& n = d.faceNormals[t];
        EXPECT_FLOAT_EQ(std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z), 1.0f);
        for (int j = 0; j < 3; ++j) {
            const Vector3& c = d.normals[3 * t + j];
            EXPECT_EQ(c.x, n.x);
            EXPECT_EQ(c.y, n.y);
            EXPECT_EQ(c.z, n.z);
            const Vector3& p = d.positions[3 * t + j];
            const Vector3& q = points[source->meshes[1].sourcePoints[3 * t + j]];
            EXPECT_EQ(p.x, q.x);
            EXPECT_EQ(p.y, q.y);
            EXPECT_EQ(p.z, q.z);
        }
        normals.insert({n.x, n.y, n.z});
        // The smoothed source normals are not what the flat copy holds.
        EXPECT_NE(source->meshes[1].normals[3 * t].x, n.x);
    }
    EXPECT_EQ(normals.size(), 6u);  // two triangles per face, one normal per face
    EXPECT_FLOAT_EQ(d.radius, std::sqrt(12.0f));
    EXPECT_FLOAT_EQ(flat.radius, std::sqrt(12.0f));
}

TEST(LwoFlatExport, WeldedSourceStaysInsideItsArrays)
{
    // A welded source does not match its corner-ordered source points; the
    // copy is meaningless but must not read outside any array.
    auto source = LoadModel(LwobWriter().Names({"Cube"}).Points(CubePoints()).Polygons(CubeQuads()).Build());
    ASSERT_TRUE(source);
    CModel flat;
    ASSERT_TRUE(flat.AllocateMeshes(1));
    flat.radius = 7.0f;
    Plugin().ExportMD2(&flat, 0, source.get());
    EXPECT_EQ(flat.meshes[0].vertexCount, 24);
    EXPECT_EQ(flat.meshes[0].indexCount, 36);
    EXPECT_EQ(flat.radius, 7.0f);  // only raised
}
