// Surfaces, r_ExportMD and r_ExportMD2 as the engine receives them.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <set>
#include <tuple>

#include "common/vecmath.h"
#include "lwo_test_support.h"

using namespace lwotest;

namespace {

void ExpectVec(const Vector3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-6f);
    EXPECT_NEAR(v.y, y, 1e-6f);
    EXPECT_NEAR(v.z, z, 1e-6f);
}

// One triangle per surface named, then the SURF chunks.
Bytes Triangles(const std::vector<std::string>& names, const Bytes& surfs,
                const std::vector<Vector3>& points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) {
    std::vector<Polygon> polygons;
    for (size_t i = 0; i < names.size(); ++i) polygons.push_back({{0, 1, 2}, int16_t(i + 1)});
    return Lwob(
        Bytes().Chunk("SRFS", Names(names)).Chunk("PNTS", Points(points)).Chunk("POLS", Polygons(polygons)).Add(surfs));
}

Bytes Cube(const Bytes& surf = Bytes().Text("Cube")) {
    return Lwob(Bytes()
                    .Chunk("SRFS", Names({"Cube"}))
                    .Chunk("PNTS", Points(CubePoints()))
                    .Chunk("POLS", Polygons(CubeQuads()))
                    .Chunk("SURF", surf));
}

}  // namespace

TEST(LwoSurface, DefaultsLevelsColourAndFlags) {
    Bytes surfs = Bytes().Chunk("SURF", Bytes()
                                            .Text("A")
                                            .Sub("COLR", Bytes{255, 0, 128, 0})
                                            .Sub("LUMI", U16(256))
                                            .Sub("TRAN", U16(128))
                                            .Sub("DIFF", U16(17))
                                            .Sub("REFL", U16(64))
                                            .Sub("FLAG", U16(0x104))
                                            .Sub("SMAN", F32(0.75f)));
    surfs.Chunk("SURF", Bytes().Text("B").Sub("FLAG", U16(0x80)))
        .Chunk("SURF", Bytes().Text("C").Sub("FLAG", U16(0x280)));
    surfs.Chunk("SURF", Bytes().Text("Z").Sub("LUMI", U16(128)));  // no such surface
    surfs.Chunk("SURF", Bytes().Text("d").Sub("LUMI", U16(128)));  // names are case-sensitive
    auto model = LoadModel(Triangles({"A", "B", "C", "D"}, surfs));
    ASSERT_TRUE(model);
    const CMesh& a = model->meshes[0];
    EXPECT_STREQ(a.name, "A");
    EXPECT_EQ((std::vector<float>{a.colour[0], a.colour[1], a.colour[2], a.colourAlpha, a.luminosity, a.transparency,
                                  a.diffuse, a.layerAlpha, a.smoothingAngle}),
              (std::vector<float>{1, 0, 128 / 255.0f, 0, 1, 0.5f, 1, 0.75f, 0.75f}));
    EXPECT_EQ((std::vector<int>{a.doubleSided, a.blendMode, model->meshes[1].blendMode, model->meshes[2].blendMode}),
              (std::vector<int>{1, 8, 16, 4}));
    const CMesh& d = model->meshes[3];  // never described: the defaults
    EXPECT_STREQ(d.name, "");
    EXPECT_EQ((std::vector<float>{d.colour[0], d.colour[2], d.luminosity, d.diffuse, d.transparency, d.smoothingAngle,
                                  d.layerAlpha}),
              (std::vector<float>{0.784f, 0.784f, 0, 0, 0, 0, 1}));
    EXPECT_EQ(d.textureCount, 0);
    EXPECT_EQ(d.textureKinds[0], -1);
    EXPECT_FALSE(Plugin().HasTexture(3, 0));
}

TEST(LwoSurface, TextureSlotsNamesAndKinds) {
    Bytes s = Bytes().Text("S");
    const char* paths[] = {"C:\\images\\wood.iff", "maps/brick", "stone", "maps\\textures/", "a/b\\c.tga"};
    const char* ids[] = {"CTEX", "CTEX", "DTEX", "CTEX", "BTEX"};
    for (int i = 0; i < 5; ++i) s.Sub(ids[i], Text("Planar Image Map")).Sub("TIMG", Text(paths[i]));
    s.Sub("CTEX", Text("Fractal Noise")).Sub("TFLG", U16(2)).Sub("TVEL", Vec(1, 1, 1));  // no image
    s.Sub("STEX", Text("Planar Image Map")).Sub("TIMG", Text("moving")).Sub("TVEL", Vec(0.25f, -0.5f, 3));
    s.Sub("TTEX", Text("Planar Image Map")).Sub("TIMG", Text("eighth"));
    s.Sub("CTEX", Text("Planar Image Map")).Sub("TIMG", Text("ninth"));  // beyond eight: passed over
    s.Sub("LUMI", U16(128));                                             // still found after it
    auto model = LoadModel(Triangles({"S"}, Bytes().Chunk("SURF", s)));
    ASSERT_TRUE(model);
    const char* names[] = {"wood.iff", "brick", "stone", "", "c.tga", "", "moving", "eighth"};
    const int kinds[] = {1, 1, 2, -1, 32, -1, 4, 16};
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.textureCount, 8);
    for (int j = 0; j < 8; ++j) {
        EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, j), names[j]);
        EXPECT_EQ(Plugin().HasTexture(0, j) != 0, names[j][0] != 0);
        EXPECT_STREQ(m.textureNames[j], names[j]);
        EXPECT_EQ(m.textureKinds[j], kinds[j]);
        EXPECT_EQ(m.texCoords[j] != nullptr, names[j][0] != 0);
    }
    EXPECT_EQ(
        (std::vector<float>{m.textureVelocity[6][0], m.textureVelocity[6][1], m.textureVelocity[5][0], m.luminosity}),
        (std::vector<float>{0.25f, -0.5f, 0, 0.5f}));
}

TEST(LwoExport, CubeExpandsWeldsAndSmooths) {
    auto corners = LoadModel(Cube(), 0x4);
    ASSERT_TRUE(corners);
    const CMesh& c = corners->meshes[0];
    EXPECT_EQ(c.vertexCount, 36);
    for (int k = 0; k < 36; ++k) EXPECT_EQ(c.indices[k], uint32_t(k));
    // First triangle (points 0, 3, 2 of the z = -1 face): edges and planes.
    ExpectVec(c.faceNormals[0], 0, 0, -1);
    ExpectVec(c.edgeDirections[0], 0, 1, 0);
    ExpectVec(c.edgeDirections[2], -std::sqrt(0.5f), -std::sqrt(0.5f), 0);
    ExpectVec(c.edgePlanes[0], -1, 0, 0);
    ExpectVec(c.edgePlanes[1], 0, 1, 0);

    auto welded = LoadModel(Cube());
    ASSERT_TRUE(welded);
    const CMesh& w = welded->meshes[0];
    EXPECT_EQ(w.vertexCount, 24);
    EXPECT_EQ(w.vertexCountCopy, 24);
    EXPECT_EQ(w.indexCount, 36);
    const std::vector<Vector3> points = CubePoints();
    for (int k = 0; k < 36; ++k)
        EXPECT_EQ(std::memcmp(&w.positions[w.indices[k]], &points[w.sourcePoints[k]], sizeof(Vector3)), 0);
    EXPECT_FLOAT_EQ(w.radius, std::sqrt(3.0f));
    EXPECT_FLOAT_EQ(welded->radius, std::sqrt(3.0f));

    // Smoothed at 1.6 radians: 8 vertices, each normal the normalised sum of
    // its point's corner normals (a face with two triangles there counts twice).
    auto smooth = LoadModel(Cube(Bytes().Text("Cube").Sub("FLAG", U16(4)).Sub("SMAN", F32(1.6f))));
    ASSERT_TRUE(smooth);
    const CMesh& s = smooth->meshes[0];
    EXPECT_EQ(s.vertexCount, 8);
    for (int k = 0; k < 36; ++k) {
        Vector3 sum{0, 0, 0};
        for (int j = 0; j < 36; ++j)
            if (c.sourcePoints[j] == s.sourcePoints[k])
                sum = {sum.x + c.normals[j].x, sum.y + c.normals[j].y, sum.z + c.normals[j].z};
        VecNormalize(sum);
        ExpectVec(s.normals[s.indices[k]], sum.x, sum.y, sum.z);
    }
    // Without the smoothing flag the angle alone does nothing.
    auto off = LoadModel(Cube(Bytes().Text("Cube").Sub("SMAN", F32(1.6f))));
    ASSERT_TRUE(off);
    EXPECT_EQ(off->meshes[0].vertexCount, 24);
}

TEST(LwoExport, CornersPiledOnOnePointExportPromptly) {
    // A smoothed cube beside one polygon of 65,535 corners that all name point
    // 8: 65,533 degenerate triangles with every corner at one place. Comparing
    // each of those 196,599 corners with every other took most of a minute.
    std::vector<Vector3> points = CubePoints();
    points.push_back({3, 3, 3});
    std::vector<Polygon> polygons = CubeQuads();
    polygons.push_back({std::vector<uint32_t>(65535, 8u), 1});
    const auto start = std::chrono::steady_clock::now();
    auto model = LoadModel(
        OneSurfaceLwob("Pile", points, polygons, Bytes().Text("Pile").Sub("FLAG", U16(4)).Sub("SMAN", F32(1.0f))));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              30.0);  // 44 s of CPU before, under 0.1 s after
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.indexCount, 3 * (12 + 65533));
    // The cube's faces meet at right angles, beyond 1 radian: 24 vertices as
    // without smoothing; the pile welds to one vertex with no normal.
    ASSERT_EQ(m.vertexCount, 25);
    for (int k = 0; k < 36; ++k) {
        const Vector3& n = m.normals[m.indices[k]];
        EXPECT_EQ(std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z), 1.0f) << k;
    }
    const Vector3& pile = m.normals[m.indices[36]];
    EXPECT_TRUE(pile.x == 0 && pile.y == 0 && pile.z == 0);
    EXPECT_EQ(m.indices[36], m.indices[3 * (12 + 65533) - 1]);
}

TEST(LwoExport, PlanarAndCubicMaps) {
    Bytes s = Bytes().Text("P");
    auto planar = [&](const char* image, uint16_t axes, Vector3 size, Vector3 centre) {
        s.Sub("CTEX", Text("Planar Image Map")).Sub("TIMG", Text(image)).Sub("TFLG", U16(axes));
        s.Sub("TSIZ", Vec(size.x, size.y, size.z)).Sub("TCTR", Vec(centre.x, centre.y, centre.z));
    };
    planar("x", 1, {2, 2, 2}, {0, 0, 0});
    planar("y", 2, {2, 4, 8}, {1, 1, 1});
    planar("z", 4, {4, 2, 1}, {0, 0, 0});
    planar("xz", 5, {4, 2, 1}, {0, 0, 0});  // the later (z) formula wins
    planar("none", 0, {1, 1, 1}, {0, 0, 0});
    s.Sub("CTEX", Text("Cubic Image Map")).Sub("TIMG", Text("c")).Sub("TSIZ", Vec(2, 2, 2));
    // Triangle 0 faces +x; triangle 1 faces (1, 0, 1): a tie the z formula wins.
    auto model = LoadModel(
        Lwob(Bytes()
                 .Chunk("SRFS", Names({"P"}))
                 .Chunk("PNTS", Points({{0, 1, 1}, {2, 0, 0}, {0, 0, 3}, {1, 1, 0}, {1, 0, 1}, {0, 0, 1}, {1, 0, 0}}))
                 .Chunk("POLS", Polygons({{{0, 1, 2}, 1}, {{6, 3, 4}, 1}, {{5, 6, 3}, 1}}))
                 .Chunk("SURF", s)),
        0x4);
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    auto uv = [&](int slot, int k) { return std::make_pair(m.texCoords[slot][k].u, m.texCoords[slot][k].v); };
    EXPECT_EQ(uv(0, 0), std::make_pair(0.0f, 0.0f));    // (0, 1, 1) on x, size 2
    EXPECT_EQ(uv(0, 2).first, 1.0f);                    // z = 3: 3 / 2 - 0.5
    EXPECT_EQ(uv(1, 1), std::make_pair(0.0f, 0.625f));  // d = (1, -1, -1)
    EXPECT_EQ(uv(2, 1), std::make_pair(0.0f, 0.5f));
    EXPECT_EQ(uv(3, 1), std::make_pair(0.0f, 0.5f));
    EXPECT_EQ(uv(4, 2), std::make_pair(0.0f, 0.0f));  // no axis: nothing computed
    ExpectVec(m.faceNormals[1], 1, 0, 0);
    ASSERT_EQ(m.faceNormals[2].x, m.faceNormals[2].z);
    EXPECT_EQ(uv(5, 5), std::make_pair(0.0f, 0.5f));   // (1, 0, 1) on x: z / 2 - 0.5, 0.5 - y / 2
    EXPECT_EQ(uv(5, 4), std::make_pair(-0.5f, 0.0f));  // (1, 1, 0) on x
    EXPECT_EQ(uv(5, 6), std::make_pair(-0.5f, 0.5f));  // (0, 0, 1) on z: x / 2 - 0.5, 0.5 - y / 2
    EXPECT_EQ(uv(5, 8), std::make_pair(0.0f, 0.0f));   // (1, 1, 0) on z (x would give -0.5)
}

TEST(LwoExport, CylindricalMapsAndSeamRepair) {
    // y axis, corners at 0.95, 0.05 and 0.10 of a turn: the low ones move one
    // wrap up; with wrap 2 the fractions double first.
    const float turn = 6.2831852f;
    auto at = [&](float f, float y) {
        return Vector3{std::cos(f * turn), y, f > 0.5f ? -std::sin((1 - f) * turn) : std::sin(f * turn)};
    };
    Bytes s = Bytes().Text("Y");
    s.Sub("CTEX", Text("Cylindrical Image Map")).Sub("TIMG", Text("a")).Sub("TFLG", U16(2)).Sub("TSIZ", Vec(1, 4, 1));
    s.Sub("CTEX", Text("Cylindrical Image Map"))
        .Sub("TIMG", Text("b"))
        .Sub("TFLG", U16(2))
        .Sub("TSIZ", Vec(1, 4, 1))
        .Sub("TFP0", F32(2));
    s.Sub("CTEX", Text("Cylindrical Image Map")).Sub("TIMG", Text("x")).Sub("TFLG", U16(1)).Sub("TSIZ", Vec(2, 1, 1));
    s.Sub("CTEX", Text("Cylindrical Image Map")).Sub("TIMG", Text("z")).Sub("TFLG", U16(4)).Sub("TSIZ", Vec(1, 1, 2));
    auto model = LoadModel(
        Lwob(Bytes()
                 .Chunk("SRFS", Names({"Y"}))
                 .Chunk(
                     "PNTS",
                     Points({at(0.95f, 0), at(0.05f, 1), at(0.10f, 2), at(0.25f, -2), {1, 0, 1}, {1, 1, 0}, {0, 1, 1}}))
                 .Chunk("POLS", Polygons({{{0, 1, 2}, 1}, {{1, 2, 3}, 1}, {{4, 5, 6}, 1}}))
                 .Chunk("SURF", s)),
        0x4);
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    const float a[] = {0.95f, 1.05f, 1.10f, 0.05f, 0.10f, 0.25f};
    for (int k = 0; k < 6; ++k) {
        EXPECT_NEAR(m.texCoords[0][k].u, a[k], 1e-5);
        EXPECT_NEAR(m.texCoords[1][k].u, 2 * a[k], 1e-5);
    }
    EXPECT_FLOAT_EQ(m.texCoords[0][0].v, 1.5f);  // 1 - (y / 4 - 0.5)
    EXPECT_FLOAT_EQ(m.texCoords[0][5].v, 2.0f);
    // x axis: a = y / L, b = z / L; z axis: a = x / L, b = y / L. Triangle
    // (1, 0, 1), (1, 1, 0), (0, 1, 1) straddles the seam on both.
    EXPECT_NEAR(m.texCoords[2][6].u, 1.0f, 1e-6);   // a = 0: (2 pi - acos 1) / 2 pi
    EXPECT_NEAR(m.texCoords[2][7].u, 1.25f, 1e-6);  // 0.25, moved up
    EXPECT_FLOAT_EQ(m.texCoords[2][6].v, 1.0f);
    EXPECT_NEAR(m.texCoords[3][6].u, 1.25f, 1e-6);  // 0.25, moved up
    EXPECT_NEAR(m.texCoords[3][8].u, 1.0f, 1e-6);
}

TEST(LwoExport, SpheresAndEmptySurfaces) {
    // A big cube, an empty surface and a small cube at x = 10.
    std::vector<Vector3> points = CubePoints(1);
    for (Vector3 p : CubePoints(0.5f)) points.push_back({p.x + 10, p.y, p.z});
    std::vector<Polygon> polygons = CubeQuads(1);
    for (Polygon p : CubeQuads(3)) {
        for (uint32_t& c : p.corners) c += 8;
        polygons.push_back(p);
    }
    const Bytes file = Lwob(Bytes()
                                .Chunk("SRFS", Names({"Big", "Empty", "Small"}))
                                .Chunk("PNTS", Points(points))
                                .Chunk("POLS", Polygons(polygons)));
    auto model = LoadModel(file);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->meshes[1].vertexCount, 0);
    ExpectVec(model->meshes[1].centre, 0, 0, 0);
    EXPECT_EQ(model->meshes[1].radius, 0.0f);
    ExpectVec(model->meshes[2].centre, 10, 0, 0);
    EXPECT_FLOAT_EQ(model->meshes[2].radius, std::sqrt(0.75f));
    ExpectVec(model->centre, 5, 0, 0);
    EXPECT_FLOAT_EQ(model->radius, 5 + std::sqrt(3.0f));
    // A second export into a fresh record gives the same meshes; the radius
    // is only ever raised.
    CModel again;
    ASSERT_TRUE(again.AllocateMeshes(3));
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(again.meshes[i].Allocate(Plugin().GetSurfacePolys(i) * 3));
    again.radius = 100.0f;
    Plugin().ExportMD(&again, 0);
    EXPECT_EQ(again.radius, 100.0f);
    EXPECT_EQ(again.meshes[2].vertexCount, model->meshes[2].vertexCount);
    EXPECT_EQ(std::memcmp(again.meshes[2].normals, model->meshes[2].normals, sizeof(Vector3) * 24), 0);
}

TEST(LwoFlatExport, OneNormalPerTriangleAndFreshSpheres) {
    auto source = LoadModel(Lwob(Bytes()
                                     .Chunk("SRFS", Names({"Empty", "Cube"}))
                                     .Chunk("PNTS", Points(CubePoints(2)))
                                     .Chunk("POLS", Polygons(CubeQuads(2)))
                                     .Chunk("SURF", Bytes().Text("Cube").Sub("FLAG", U16(4)).Sub("SMAN", F32(1.6f)))),
                            0x4);
    ASSERT_TRUE(source);
    CModel flat;
    ASSERT_TRUE(flat.AllocateMeshes(2));
    ASSERT_TRUE(flat.meshes[1].Allocate(6));  // arrays already held are replaced, not leaked
    Plugin().ExportMD2(&flat, 0, source.get());
    EXPECT_EQ(flat.meshCount, 2);
    EXPECT_EQ(flat.meshes[0].indexCount, 0);
    EXPECT_EQ(flat.meshes[0].radius, 0.0f);
    const CMesh& d = flat.meshes[1];
    ASSERT_EQ(d.vertexCount, 36);
    EXPECT_EQ(d.vertexCountCopy, 36);
    std::set<std::tuple<float, float, float>> normals;
    const std::vector<Vector3> points = CubePoints(2);
    for (int k = 0; k < 36; ++k) {
        const Vector3& n = d.faceNormals[k / 3];
        EXPECT_EQ(std::memcmp(&d.normals[k], &n, sizeof n), 0);
        EXPECT_EQ(std::memcmp(&d.positions[k], &points[source->meshes[1].sourcePoints[k]], sizeof n), 0);
        EXPECT_NE(source->meshes[1].normals[k].x, n.x);  // the source was smoothed
        normals.insert({n.x, n.y, n.z});
    }
    EXPECT_EQ(normals.size(), 6u);
    EXPECT_FLOAT_EQ(d.radius, std::sqrt(12.0f));
    EXPECT_FLOAT_EQ(flat.radius, std::sqrt(12.0f));
}
