// Reading LWOB files: header checks, messages, chunk scan, polygons.
#include <gtest/gtest.h>

#include <cmath>

#include "plugin_driver.h"

using namespace lwotest;

namespace {

std::vector<Vector3> Square()
{
    return {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
}

// Corner triples of every triangle of a mesh exported without welding.
std::vector<std::array<uint32_t, 3>> Triangles(const CMesh& m)
{
    std::vector<std::array<uint32_t, 3>> out;
    for (int k = 0; k + 2 < m.vertexCount; k += 3)
        out.push_back({m.sourcePoints[k], m.sourcePoints[k + 1], m.sourcePoints[k + 2]});
    return out;
}

using Tri = std::array<uint32_t, 3>;

}  // namespace

TEST(LwoReader, MissingFileReportsAndFails)
{
    ClearMessages();
    const std::string path = TempPath("no-such-object.lwo");
    EXPECT_EQ(Plugin().Load3D(path.c_str(), CaptureMessage), -1);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Lwo.dll Load3D : Error, could not open " + path + "\n");
    EXPECT_EQ(Plugin().GetSurfacesNum(), 0);
    // A null callback is allowed.
    EXPECT_EQ(Plugin().Load3D(path.c_str(), nullptr), -1);
}

TEST(LwoReader, LoadedMessageAndQueries)
{
    const Bytes file = LwobWriter().Names({"A", "B"}).Points(Square()).Polygons({{{0, 1, 2, 3}, 2}}).Build();
    ASSERT_EQ(LoadBytes(file, "square.lwo"), 0);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Lwo.dll Load3D : Loaded " + TempPath("square.lwo") + "\n");
    EXPECT_EQ(Plugin().GetSurfacesNum(), 2);
    EXPECT_EQ(Plugin().GetSurfacePolys(0), 0);
    EXPECT_EQ(Plugin().GetSurfacePolys(1), 2);
    EXPECT_EQ(Plugin().GetSurfacePolys(7), 0);
    EXPECT_EQ(Plugin().GetSurfacePolys(-5), 0);
    EXPECT_EQ(Plugin().GetMaxTexturesNum(), 8);
}

TEST(LwoReader, FilesThatAreNoLwobLoadEmpty)
{
    Bytes notForm = LwobWriter().Names({"A"}).Build();
    notForm[0] = 'X';
    EXPECT_EQ(LoadBytes(notForm), 0);
    EXPECT_EQ(Plugin().GetSurfacesNum(), 0);
    EXPECT_EQ(Messages().back().rfind("Lwo.dll Load3D : Loaded ", 0), 0u);

    EXPECT_EQ(LoadBytes(LwobWriter().Names({"A"}).Build("LWO2")), 0);
    EXPECT_EQ(Plugin().GetSurfacesNum(), 0);

    EXPECT_EQ(LoadBytes(Bytes{'F', 'O', 'R'}), 0);
    EXPECT_EQ(LoadBytes(Bytes{'F', 'O', 'R', 'M', 0, 0}), 0);
    EXPECT_EQ(Plugin().GetSurfacesNum(), 0);
    // An empty file holds no data at all.
    EXPECT_EQ(LoadBytes(Bytes{}), -1);
}

TEST(LwoReader, PolygonsAreFannedInFileOrder)
{
    std::vector<Vector3> pentagon;
    for (int i = 0; i < 5; ++i)
        pentagon.push_back({std::cos(i * 1.2566371f), std::sin(i * 1.2566371f), 0.0f});
    const Bytes file = LwobWriter()
                           .Names({"S"})
                           .Points(pentagon)
                           .Polygons({{{0, 1, 2, 3}, 1}, {{0, 1, 2, 3, 4}, 1}, {{4, 2, 0}, 1}})
                           .Build();
    auto model = LoadModel(file, 0x4);
    ASSERT_TRUE(model);
    ASSERT_EQ(model->meshCount, 1);
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.vertexCount, 18);
    const std::vector<Tri> expected = {{0, 1, 2}, {0, 2, 3}, {0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {4, 2, 0}};
    EXPECT_EQ(Triangles(m), expected);
    for (int k = 0; k < 18; ++k)
        EXPECT_EQ(m.indices[k], uint32_t(k));
}

TEST(LwoReader, SurfaceNumbersMapToMeshes)
{
    // Number 1 is mesh 0; number 0 is surface index -1 and lands in no mesh.
    const Bytes file = LwobWriter()
                           .Names({"A", "B"})
                           .Points(Square())
                           .Polygons({{{0, 1, 2}, 1}, {{0, 2, 3}, 0}, {{0, 1, 3}, 2}, {{1, 2, 3}, 1}})
                           .Build();
    ASSERT_EQ(LoadBytes(file), 0);
    EXPECT_EQ(Plugin().GetSurfacePolys(0), 2);
    EXPECT_EQ(Plugin().GetSurfacePolys(1), 1);
    EXPECT_EQ(Plugin().GetSurfacePolys(-1), 1);
    auto model = ExportModel(0x4);
    ASSERT_TRUE(model);
    EXPECT_EQ(Triangles(model->meshes[0]), (std::vector<Tri>{{0, 1, 2}, {1, 2, 3}}));
    EXPECT_EQ(Triangles(model->meshes[1]), (std::vector<Tri>{{0, 1, 3}}));
}

TEST(LwoReader, ScanPassesOverPadsAndUnknownChunksInAnyOrder)
{
    // POLS before PNTS, an odd unknown chunk with its pad byte, a second
    // PNTS that replaces the first.
    const Bytes a = LwobWriter()
                        .Names({"S"})
                        .Chunk("CRAP", Bytes{1, 2, 3})
                        .Polygons({{{0, 1, 2, 3}, 1}})
                        .Points({{9, 9, 9}})
                        .Chunk("BBOX", Bytes(24, 0))
                        .Points(Square())
                        .Build();
    auto model = LoadModel(a, 0x4);
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    ASSERT_EQ(m.vertexCount, 6);
    EXPECT_EQ(m.positions[2].x, 1.0f);
    EXPECT_EQ(m.positions[2].y, 1.0f);
    EXPECT_EQ(m.normals[0].z, 1.0f);  // computed after the scan from the final points
    EXPECT_TRUE(Messages().size() == 1);  // nothing reported as damaged
}

TEST(LwoReader, FaceNormalsAndDegenerateTriangles)
{
    const Bytes file = LwobWriter()
                           .Names({"S"})
                           .Points({{0, 0, 0}, {0, 2, 0}, {0, 0, 2}, {0, 4, 0}})
                           .Polygons({{{0, 1, 2}, 1}, {{0, 1, 3}, 1}})
                           .Build();
    auto model = LoadModel(file, 0x4);
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.faceNormals[0].x, 1.0f);
    EXPECT_EQ(m.faceNormals[0].y, 0.0f);
    EXPECT_EQ(m.normals[1].x, 1.0f);
    // Collinear corners: the normal stays zero.
    EXPECT_EQ(m.faceNormals[1].x, 0.0f);
    EXPECT_EQ(m.faceNormals[1].y, 0.0f);
    EXPECT_EQ(m.faceNormals[1].z, 0.0f);
}

TEST(LwoReader, PointsAndLinesAreSkippedAndReadingGoesOn)
{
    const Bytes file = LwobWriter()
                           .Names({"S"})
                           .Points(Square())
                           .Polygons({{{}, 1}, {{2}, 1}, {{0, 1}, 1}, {{0, 1, 2}, 1}, {{1}, 1}, {{0, 2, 3}, 1}})
                           .Build();
    auto model = LoadModel(file, 0x4);
    ASSERT_TRUE(model);
    EXPECT_EQ(Triangles(model->meshes[0]), (std::vector<Tri>{{0, 1, 2}, {0, 2, 3}}));
}

TEST(LwoReader, PolygonWithPointOutOfRangeIsDropped)
{
    const Bytes file = LwobWriter()
                           .Names({"S"})
                           .Points(Square())
                           .Polygons({{{0, 1, 4}, 1}, {{0, 1, 2, 3}, 1}, {{3, 65535, 0, 1}, 1}, {{1, 2, 3}, 1}})
                           .Build();
    auto model = LoadModel(file, 0x4);
    ASSERT_TRUE(model);
    EXPECT_EQ(Triangles(model->meshes[0]), (std::vector<Tri>{{0, 1, 2}, {0, 2, 3}, {1, 2, 3}}));
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_NE(Messages()[0].find("damaged"), std::string::npos);
}

TEST(LwoReader, DetailPolygonsAreReadAsTrianglesOfTheirSurface)
{
    // A quad of surface 2 written with -2 and two detail polygons (surfaces 1
    // and 2), then an ordinary triangle.
    Bytes body;
    auto poly = [&](std::vector<uint32_t> corners, int16_t surface) {
        PutU16(body, static_cast<uint32_t>(corners.size()));
        for (uint32_t c : corners)
            PutU16(body, c);
        PutU16(body, static_cast<uint16_t>(surface));
    };
    poly({0, 1, 2, 3}, -2);
    PutU16(body, 2);
    poly({0, 1, 2}, 1);
    poly({0, 2, 3}, 2);
    poly({1, 2, 3}, 1);
    const Bytes file = LwobWriter().Names({"A", "B"}).Points(Square()).PolygonBytes(body).Build();
    auto model = LoadModel(file, 0x4);
    ASSERT_TRUE(model);
    EXPECT_EQ(Triangles(model->meshes[0]), (std::vector<Tri>{{0, 1, 2}, {1, 2, 3}}));
    EXPECT_EQ(Triangles(model->meshes[1]), (std::vector<Tri>{{0, 1, 2}, {0, 2, 3}, {0, 2, 3}}));
}

namespace {

// Signed area of triangle (a, b, c) seen from +z.
double Area(const Vector3& a, const Vector3& b, const Vector3& c)
{
    return 0.5 * ((double(b.x) - a.x) * (double(c.y) - a.y) - (double(b.y) - a.y) * (double(c.x) - a.x));
}

}  // namespace

TEST(LwoReader, ConcavePolygonsAreClippedIntoEarsWithTheirWinding)
{
    // An L shape (counter-clockwise from +z) and a clockwise arrow: each
    // becomes k - 2 triangles that turn the polygon's way and cover exactly
    // its area; the convex square keeps the fan.
    const std::vector<Vector3> points = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 3, 0}, {0, 3, 0},
                                         {5, 0, 0}, {6, 2, 0}, {7, 0, 0}, {6, 1, 0}};
    const Bytes file = LwobWriter()
                           .Names({"L", "Arrow", "Square"})
                           .Points(points)
                           .Polygons({{{0, 1, 2, 3, 4, 5}, 1}, {{6, 7, 8, 9}, 2}, {{0, 1, 2, 3}, 3}})
                           .Build();
    auto model = LoadModel(file, 0x4);
    ASSERT_TRUE(model);
    const CMesh& l = model->meshes[0];
    ASSERT_EQ(l.vertexCount, 12);
    double total = 0;
    for (int t = 0; t < 4; ++t) {
        const double a = Area(l.positions[3 * t], l.positions[3 * t + 1], l.positions[3 * t + 2]);
        EXPECT_GT(a, 0.0);
        total += a;
    }
    EXPECT_DOUBLE_EQ(total, 4.0);

    const CMesh& arrow = model->meshes[1];
    ASSERT_EQ(arrow.vertexCount, 6);
    total = 0;
    for (int t = 0; t < 2; ++t) {
        const double a = Area(arrow.positions[3 * t], arrow.positions[3 * t + 1], arrow.positions[3 * t + 2]);
        EXPECT_LT(a, 0.0);
        total += a;
    }
    EXPECT_DOUBLE_EQ(total, -1.0);
    // The fan from corner 6 would have drawn outside the arrow.
    EXPECT_NE(arrow.sourcePoints[0], 6u);

    EXPECT_EQ(Triangles(model->meshes[2]), (std::vector<Tri>{{0, 1, 2}, {0, 2, 3}}));
}

TEST(LwoReader, LargeObjectsAreReadWhole)
{
    // 260 x 130 quads: 67,600 triangles on 34,191 points, beyond 16-bit
    // signed indices and beyond 65,535 triangles.
    const int columns = 261, rows = 131;
    std::vector<Vector3> points;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            points.push_back({float(c), float(r), 0.0f});
    std::vector<Polygon> quads;
    for (int r = 0; r + 1 < rows; ++r)
        for (int c = 0; c + 1 < columns; ++c) {
            const uint32_t p = r * columns + c;
            quads.push_back({{p, p + 1, p + 1 + columns, p + columns}, 1});
        }
    auto model = LoadModel(LwobWriter().Names({"Grid"}).Points(points).Polygons(quads).Build());
    ASSERT_TRUE(model);
    EXPECT_EQ(Plugin().GetSurfacePolys(0), 67600);
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.indexCount, 3 * 67600);
    EXPECT_EQ(m.vertexCount, columns * rows);  // flat: every point welds to one vertex
    const uint32_t last = columns * rows - 1;
    EXPECT_EQ(m.sourcePoints[3 * 67600 - 2], last);
    EXPECT_EQ(m.positions[m.indices[3 * 67600 - 2]].x, float(columns - 1));
    EXPECT_EQ(m.positions[m.indices[3 * 67600 - 2]].y, float(rows - 1));
}

TEST(LwoReader, OverLongNamesAreCutAndStillMatch)
{
    const std::string longName(600, 'n');
    const Bytes file = LwobWriter()
                           .Names({longName, "Second"})
                           .Points(Square())
                           .Polygons({{{0, 1, 2}, 2}})
                           .Surface(SurfaceBuilder(longName).U16("LUMI", 128))
                           .Surface(SurfaceBuilder("Second").U16("LUMI", 64))
                           .Build();
    auto model = LoadModel(file);
    ASSERT_TRUE(model);
    ASSERT_EQ(model->meshCount, 2);
    EXPECT_EQ(std::string(model->meshes[0].name), std::string(255, 'n'));
    EXPECT_EQ(model->meshes[0].luminosity, 0.5f);
    EXPECT_EQ(std::string(model->meshes[1].name), "Second");
    EXPECT_EQ(model->meshes[1].luminosity, 0.25f);
}
