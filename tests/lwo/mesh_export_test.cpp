// r_ExportMD: expansion, edge data, smoothing, projection, spheres, welding.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "plugin_driver.h"

using namespace lwotest;

namespace {

void ExpectVec(const Vector3& v, float x, float y, float z, float tolerance = 1e-6f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

Bytes Cube(const SurfaceBuilder& surface)
{
    return LwobWriter().Names({"Cube"}).Points(CubePoints()).Polygons(CubeQuads()).Surface(surface).Build();
}

}  // namespace

TEST(LwoExport, CubeWeldsToFourVerticesPerFace)
{
    auto model = LoadModel(Cube(SurfaceBuilder("Cube")));
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.indexCount, 36);
    EXPECT_EQ(m.vertexCount, 24);
    EXPECT_EQ(m.vertexCountCopy, 24);
    for (int k = 0; k < 36; ++k)
        ASSERT_LT(m.indices[k], 24u);
    // Every corner still reads its own point through the welded index.
    const std::vector<Vector3> points = CubePoints();
    for (int k = 0; k < 36; ++k) {
        const Vector3& p = m.positions[m.indices[k]];
        EXPECT_EQ(p.x, points[m.sourcePoints[k]].x);
        EXPECT_EQ(p.y, points[m.sourcePoints[k]].y);
        EXPECT_EQ(p.z, points[m.sourcePoints[k]].z);
    }
    ExpectVec(m.centre, 0, 0, 0);
    EXPECT_FLOAT_EQ(m.radius, std::sqrt(3.0f));
    ExpectVec(model->centre, 0, 0, 0);
    EXPECT_FLOAT_EQ(model->radius, std::sqrt(3.0f));
}

TEST(LwoExport, SkippingWeldingKeepsCornerOrder)
{
    auto model = LoadModel(Cube(SurfaceBuilder("Cube")), 0x4);
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.vertexCount, 36);
    EXPECT_EQ(m.vertexCountCopy, 36);
    for (int k = 0; k < 36; ++k)
        EXPECT_EQ(m.indices[k], uint32_t(k));
    // Edge data of the first triangle (points 0, 3, 2 of the z = -1 face).
    ExpectVec(m.faceNormals[0], 0, 0, -1);
    ExpectVec(m.edgeDirections[0], 0, 1, 0);
    ExpectVec(m.edgeDirections[1], 1, 0, 0);
    ExpectVec(m.edgeDirections[2], -std::sqrt(0.5f), -std::sqrt(0.5f), 0);
    ExpectVec(m.edgePlanes[0], -1, 0, 0);  // (0,1,0) x (0,0,-1)
    ExpectVec(m.edgePlanes[1], 0, 1, 0);   // (1,0,0) x (0,0,-1)
}

TEST(LwoExport, SmoothedCubeHasEightVertices)
{
    auto unwelded = LoadModel(Cube(SurfaceBuilder("Cube").U16("FLAG", 0x4).F32("SMAN", 1.6f)), 0x4);
    ASSERT_TRUE(unwelded);
    auto model = ExportModel(0);
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.vertexCount, 8);
    EXPECT_EQ(m.smoothingAngle, 1.6f);
    // Each normal is the normalised sum of the face normals of every corner
    // at its point: a face whose two triangles meet there counts twice.
    auto flat = LoadModel(Cube(SurfaceBuilder("Cube")), 0x4);
    ASSERT_TRUE(flat);
    const CMesh& f = flat->meshes[0];
    for (uint32_t point = 0; point < 8; ++point) {
        Vector3 sum{0, 0, 0};
        int weight = 0;
        for (int k = 0; k < 36; ++k)
            if (f.sourcePoints[k] == point) {
                sum.x += f.normals[k].x;
                sum.y += f.normals[k].y;
                sum.z += f.normals[k].z;
                ++weight;
            }
        VecNormalize(sum);
        EXPECT_GE(weight, 3);
        for (int k = 0; k < 36; ++k)
            if (m.sourcePoints[k] == point)
                ExpectVec(m.normals[m.indices[k]], sum.x, sum.y, sum.z);
    }
    // Without the flag bit the angle alone does not smooth.
    auto off = LoadModel(Cube(SurfaceBuilder("Cube").F32("SMAN", 1.6f)));
    ASSERT_TRUE(off);
    EXPECT_EQ(off->meshes[0].vertexCount, 24);
}

TEST(LwoExport, CreasesBeyondTheAngleStaySharp)
{
    // Two quads folded by 90 degrees along x = 0, smoothing limit 60 degrees:
    // the shared edge keeps two normals and two welded vertices per point.
    const Bytes file = LwobWriter()
                           .Names({"Fold"})
                           .Points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 1}, {0, 1, 1}})
                           .Polygons({{{0, 2, 3, 1}, 1}, {{0, 1, 5, 4}, 1}})
                           .Surface(SurfaceBuilder("Fold").U16("FLAG", 0x4).F32("SMAN", 1.0472f))
                           .Build();
    auto model = LoadModel(file);
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.vertexCount, 8);
    for (int k = 0; k < m.vertexCount; ++k) {
        const Vector3& n = m.normals[k];
        const bool axis = (std::fabs(n.z) == 1.0f && n.x == 0.0f) || (std::fabs(n.x) == 1.0f && n.z == 0.0f);
        EXPECT_TRUE(axis) << k;
    }
}

TEST(LwoExport, PlanarMapsOnEachAxis)
{
    auto surface = SurfaceBuilder("P");
    surface.Texture("CTEX", "Planar Image Map").Image("x").U16("TFLG", 1).Vec("TSIZ", 2, 2, 2);
    surface.Texture("CTEX", "Planar Image Map").Image("y").U16("TFLG", 2).Vec("TSIZ", 2, 4, 8).Vec("TCTR", 1, 1, 1);
    surface.Texture("CTEX", "Planar Image Map").Image("z").U16("TFLG", 4).Vec("TSIZ", 4, 2, 1);
    surface.Texture("CTEX", "Planar Image Map").Image("xz").U16("TFLG", 5).Vec("TSIZ", 4, 2, 1);
    surface.Texture("CTEX", "Planar Image Map").Image("none").Vec("TSIZ", 1, 1, 1);
    const Bytes file = LwobWriter()
                           .Names({"P"})
                           .Points({{0, 1, 1}, {2, 0, 0}, {0, 0, 3}})
                           .Polygons({{{0, 1, 2}, 1}})
                           .Surface(surface)
                           .Build();
    auto model = LoadModel(file, 0x4);
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    ASSERT_NE(m.texCoords[0], nullptr);
    // x axis, size 2, centre 0: (0, 1, 1) -> (0, 0).
    EXPECT_FLOAT_EQ(m.texCoords[0][0].u, 0.0f);
    EXPECT_FLOAT_EQ(m.texCoords[0][0].v, 0.0f);
    EXPECT_FLOAT_EQ(m.texCoords[0][2].u, 1.0f);   // z = 3: 3 / 2 - 0.5
    // y axis, centre (1, 1, 1): d = (1, -1, -1) for (2, 0, 0).
    EXPECT_FLOAT_EQ(m.texCoords[1][1].u, 0.0f);   // 1 / 2 - 0.5
    EXPECT_FLOAT_EQ(m.texCoords[1][1].v, 0.625f); // 0.5 + 1 / 8
    // z axis: (2, 0, 0) -> (0.5 - 0.5, 0.5 - 0).
    EXPECT_FLOAT_EQ(m.texCoords[2][1].u, 0.0f);
    EXPECT_FLOAT_EQ(m.texCoords[2][1].v, 0.5f);
    EXPECT_FLOAT_EQ(m.texCoords[2][0].v, 0.0f);
    // x and z: the later (z) formula wins.
    EXPECT_FLOAT_EQ(m.texCoords[3][1].u, 0.0f);
    EXPECT_FLOAT_EQ(m.texCoords[3][1].v, 0.5f);
    // No axis: nothing computed, the coordinates stay zero.
    EXPECT_EQ(m.texCoords[4][0].u, 0.0f);
    EXPECT_EQ(m.texCoords[4][2].v, 0.0f);
}

TEST(LwoExport, CubicMapsFollowTheFaceNormal)
{
    // Triangle 0 faces +x, triangle 1 faces (1, 0, 1)/sqrt 2: a tie between x
    // and z, which the z formula wins.
    auto surface = SurfaceBuilder("C");
    surface.Texture("CTEX", "Cubic Image Map").Image("c").Vec("TSIZ", 2, 2, 2);
    const Bytes file = LwobWriter()
                           .Names({"C"})
                           .Points({{1, 0, 0}, {1, 1, 0}, {1, 0, 1}, {0, 0, 1}, {1, 1, 0}, {1, 0, 0}})
                           .Polygons({{{0, 1, 2}, 1}, {{3, 5, 4}, 1}})
                           .Surface(surface)
                           .Build();
    auto model = LoadModel(file, 0x4);
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    ExpectVec(m.faceNormals[0], 1, 0, 0);
    ASSERT_EQ(m.faceNormals[1].x, m.faceNormals[1].z);
    // Corner 2 = (1, 0, 1) on the x plane: u = z / 2 - 0.5, v = 0.5 - y / 2.
    EXPECT_FLOAT_EQ(m.texCoords[0][2].u, 0.0f);
    EXPECT_FLOAT_EQ(m.texCoords[0][1].v, 0.0f);
    // Corner 3 = (0, 0, 1) with the z formula: u = x / 2 - 0.5, v = 0.5 - y / 2.
    EXPECT_FLOAT_EQ(m.texCoords[0][3].u, -0.5f);
    EXPECT_FLOAT_EQ(m.texCoords[0][3].v, 0.5f);
    // Corner 5 = (1, 1, 0): u = 0, v = 0 (the x formula would give u = -0.5).
    EXPECT_FLOAT_EQ(m.texCoords[0][5].u, 0.0f);
    EXPECT_FLOAT_EQ(m.texCoords[0][5].v, 0.0f);
}

TEST(LwoExport, CylindricalMapWithSeamRepair)
{
    // y axis, wrap 1 (no TFP0): corners at 0.95, 0.05 and 0.10 of a turn.
    const float pi2 = 6.2831852f;
    auto at = [&](float fraction, float y) {
        return Vector3{std::cos(fraction * pi2), y, fraction > 0.5f ? -std::sin((1 - fraction) * pi2)
                                                                     : std::sin(fraction * pi2)};
    };
    auto surface = SurfaceBuilder("Y");
    surface.Texture("CTEX", "Cylindrical Image Map").Image("cyl").U16("TFLG", 2).Vec("TSIZ", 1, 4, 1);
    surface.Texture("CTEX", "Cylindrical Image Map").Image("wrap2").U16("TFLG", 2).Vec("TSIZ", 1, 4, 1).F32("TFP0", 2);
    const Bytes file = LwobWriter()
                           .Names({"Y"})
                           .Points({at(0.95f, 0), at(0.05f, 1), at(0.10f, 2), at(0.25f, -2)})
                           .Polygons({{{0, 1, 2}, 1}, {{1, 2, 3}, 1}})
                           .Surface(surface)
                           .Build();
    auto model = LoadModel(file, 0x4);
    ASSERT_TRUE(model);
    const TexCoord* uv = model->meshes[0].texCoords[0];
    EXPECT_NEAR(uv[0].u, 0.95f, 1e-5);
    EXPECT_NEAR(uv[1].u, 1.05f, 1e-5);
    EXPECT_NEAR(uv[2].u, 1.10f, 1e-5);
    EXPECT_NEAR(uv[3].u, 0.05f, 1e-5);  // the second triangle does not straddle the seam
    EXPECT_NEAR(uv[5].u, 0.25f, 1e-5);
    // v = 1 - (y / 4 - 0.5)
    EXPECT_FLOAT_EQ(uv[0].v, 1.5f);
    EXPECT_FLOAT_EQ(uv[2].v, 1.0f);
    EXPECT_FLOAT_EQ(uv[5].v, 2.0f);
    const TexCoord* two = model->meshes[0].texCoords[1];
    EXPECT_NEAR(two[0].u, 1.9f, 1e-5);
    EXPECT_NEAR(two[1].u, 2.1f, 1e-5);
}

TEST(LwoExport, CylindricalAxesX_Z)
{
    auto surface = SurfaceBuilder("Q");
    surface.Texture("CTEX", "Cylindrical Image Map").Image("x").U16("TFLG", 1).Vec("TSIZ", 2, 1, 1);
    surface.Texture("CTEX", "Cylindrical Image Map").Image("z").U16("TFLG", 4).Vec("TSIZ", 1, 1, 2);
    const Bytes file = LwobWriter()
                           .Names({"Q"})
                           .Points({{1, 0, 1}, {1, 1, 0}, {0, 1, 1}})
                           .Polygons({{{0, 1, 2}, 1}})
                           .Surface(surface)
                           .Build();
    auto model = LoadModel(file, 0x4);
    ASSERT_TRUE(model);
    const TexCoord* x = model->meshes[0].texCoords[0];
    // x axis: a = y / L, b = z / L. (1, 0, 1): a = 0 -> (2 pi - 0) / 2 pi = 1.
    EXPECT_NEAR(x[0].u, 1.0f, 1e-6);
    EXPECT_FLOAT_EQ(x[0].v, 1.0f);           // 1 - (1 / 2 - 0.5)
    // (1, 1, 0): a = 1, b = 0 gives 0.25, one wrap up across the seam from 1.
    EXPECT_NEAR(x[1].u, 1.25f, 1e-6);
    const TexCoord* z = model->meshes[0].texCoords[1];
    // z axis: a = x / L, b = y / L. (1, 0, 1): a = 1, b = 0 -> 0.25, moved
    // one wrap up because (0, 1, 1) lies at 1.
    EXPECT_NEAR(z[0].u, 1.25f, 1e-6);
    EXPECT_FLOAT_EQ(z[0].v, 1.0f);
    EXPECT_NEAR(z[2].u, 1.0f, 1e-6);         // (0, 1, 1): a = 0, b = 1 -> 1
}

TEST(LwoExport, EmptySurfaceStillShapesTheModelSphere)
{
    const Bytes file = LwobWriter()
                           .Names({"Empty", "Box"})
                           .Points(CubePoints(1.0f))
                           .Polygons({{{0, 3, 2, 1}, 2}, {{4, 5, 6, 7}, 2}})
                           .Build();
    ASSERT_EQ(LoadBytes(file), 0);
    const ModelPluginTable& p = Plugin();
    CModel model;
    ASSERT_TRUE(model.AllocateMeshes(2));
    ASSERT_TRUE(model.meshes[0].Allocate(0));
    ASSERT_TRUE(model.meshes[1].Allocate(p.GetSurfacePolys(1) * 3));
    model.radius = 0.0f;
    p.ExportMD(&model, 0);
    const CMesh& empty = model.meshes[0];
    EXPECT_EQ(empty.vertexCount, 0);
    ExpectVec(empty.centre, 0, 0, 0);
    EXPECT_EQ(empty.radius, 0.0f);
    // Box sphere: centre 0, radius sqrt 3; the model sphere encloses both centres.
    EXPECT_FLOAT_EQ(model.meshes[1].radius, std::sqrt(3.0f));
    ExpectVec(model.centre, 0, 0, 0);
    EXPECT_FLOAT_EQ(model.radius, std::sqrt(3.0f));

    // The radius is only raised, and a second export gives the same meshes.
    CModel again;
    ASSERT_TRUE(again.AllocateMeshes(2));
    ASSERT_TRUE(again.meshes[0].Allocate(0));
    ASSERT_TRUE(again.meshes[1].Allocate(p.GetSurfacePolys(1) * 3));
    again.radius = 10.0f;
    p.ExportMD(&again, 0);
    EXPECT_EQ(again.radius, 10.0f);
    ASSERT_EQ(again.meshes[1].vertexCount, model.meshes[1].vertexCount);
    EXPECT_EQ(std::memcmp(again.meshes[1].normals, model.meshes[1].normals,
                          sizeof(Vector3) * model.meshes[1].vertexCount),
              0);
}

TEST(LwoExport, OffsetMeshSpheres)
{
    std::vector<Vector3> points = CubePoints(1.0f);
    for (Vector3 p : CubePoints(0.5f))
        points.push_back({p.x + 10, p.y, p.z});
    std::vector<Polygon> polygons = CubeQuads(1);
    for (Polygon p : CubeQuads(2)) {
        for (uint32_t& c : p.corners)
            c += 8;
        polygons.push_back(p);
    }
    auto model = LoadModel(LwobWriter().Names({"Big", "Small"}).Points(points).Polygons(polygons).Build());
    ASSERT_TRUE(model);
    ExpectVec(model->meshes[1].centre, 10, 0, 0);
    EXPECT_FLOAT_EQ(model->meshes[1].radius, std::sqrt(0.75f));
    ExpectVec(model->centre, 5, 0, 0);
    EXPECT_FLOAT_EQ(model->radius, 5 + std::sqrt(3.0f));
}
