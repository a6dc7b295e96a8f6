// Reading LWOB files: messages, chunk scan, polygons, damaged files, corpus,
// damage texts and load limits.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>

#include "common/vecmath.h"
#include "lwo_test_support.h"

using namespace lwotest;

namespace {

using Tri = std::array<uint32_t, 3>;

std::vector<Tri> Triangles(const CMesh& m)  // source points of a mesh exported without welding
{
    std::vector<Tri> out;
    for (int k = 0; k + 2 < m.vertexCount; k += 3)
        out.push_back({m.sourcePoints[k], m.sourcePoints[k + 1], m.sourcePoints[k + 2]});
    return out;
}

}  // namespace

TEST(LwoReader, MessagesAndFilesThatAreNoLwob) {
    const std::string missing = TempPath("missing.lwo");
    Messages().clear();
    EXPECT_EQ(Plugin().Load3D(missing.c_str(), Capture), -1);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Lwo.dll Load3D : Error, could not open " + missing + "\n"});
    EXPECT_EQ(Plugin().Load3D(missing.c_str(), nullptr), -1);

    const Bytes srfs = Bytes().Chunk("SRFS", Names({"A", "B"}));
    ASSERT_EQ(LoadBytes(Lwob(srfs), "two.lwo"), 0);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Lwo.dll Load3D : Loaded " + TempPath("two.lwo") + "\n"});
    EXPECT_EQ(Plugin().GetSurfacesNum(), 2);
    EXPECT_EQ(Plugin().GetMaxTexturesNum(), 8);
    // Not FORM, not LWOB, too short: a warning box, zero surfaces, result 0.
    Bytes notForm = Lwob(srfs);
    notForm[0] = 'X';
    for (const Bytes& b : {notForm, Lwob(srfs, "LWO2"), Bytes{'F', 'O', 'R'}, Bytes{'F', 'O', 'R', 'M', 0, 0}}) {
        EXPECT_EQ(LoadBytes(b), 0);
        EXPECT_EQ(Plugin().GetSurfacesNum(), 0);
    }
    EXPECT_EQ(LoadBytes(Bytes{}), -1);  // an empty file holds no data
}

TEST(LwoReader, PolygonsFanInFileOrderOntoTheirSurfaces) {
    // POLS before PNTS, an odd unknown chunk with its pad, a second PNTS that
    // replaces the first; surface number 0 lands in no mesh.
    const Bytes file =
        Lwob(Bytes()
                 .Chunk("SRFS", Names({"A", "B"}))
                 .Chunk("CRAP", Bytes{1, 2, 3})
                 .Chunk("POLS", Polygons({{{0, 1, 2, 3}, 1}, {{0, 1, 2, 3, 4}, 2}, {{4, 2, 0}, 1}, {{1, 2, 3}, 0}}))
                 .Chunk("PNTS", Points({{9, 9, 9}}))
                 .Chunk("PNTS", Points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0.5f, 2, 0}, {0, 1, 0}})));
    auto model = LoadModel(file, 0x4);
    ASSERT_TRUE(model);
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Plugin().GetSurfacePolys(0), 3);
    EXPECT_EQ(Plugin().GetSurfacePolys(-1), 1);
    EXPECT_EQ(Plugin().GetSurfacePolys(9), 0);
    EXPECT_EQ(Triangles(model->meshes[0]), (std::vector<Tri>{{0, 1, 2}, {0, 2, 3}, {4, 2, 0}}));
    EXPECT_EQ(Triangles(model->meshes[1]), (std::vector<Tri>{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}));
    const CMesh& m = model->meshes[0];
    for (int k = 0; k < 9; ++k) EXPECT_EQ(m.indices[k], uint32_t(k));
    EXPECT_EQ(m.faceNormals[0].z, 1.0f);  // (P[a] - P[c]) x (P[b] - P[a]), from the final points
    EXPECT_EQ(m.normals[8].z, -1.0f);
}

TEST(LwoReader, PointsLinesBadIndicesAndDetailPolygons) {
    // Polygons of 0, 1 and 2 points are skipped and one with a point beyond
    // the table is dropped; reading goes on. A negative surface number s puts
    // the polygon on surface -s and is followed by a count of detail polygons,
    // which are read as ordinary polygons.
    const Bytes body = Polygons({{{}, 1}, {{2}, 1}, {{0, 1}, 1}, {{0, 1, 4}, 1}, {{3, 65535, 0, 1}, 1}, {{0, 1, 2}, 1}})
                           .Add(Polygons({{{0, 1, 2, 3}, -2}}))
                           .U16(2)
                           .Add(Polygons({{{1, 2, 3}, 1}, {{0, 2, 3}, 2}}));
    const std::vector<Vector3> square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    auto model =
        LoadModel(Lwob(Bytes().Chunk("SRFS", Names({"A", "B"})).Chunk("PNTS", Points(square)).Chunk("POLS", body)), 4);
    ASSERT_TRUE(model);
    EXPECT_EQ(Triangles(model->meshes[0]), (std::vector<Tri>{{0, 1, 2}, {1, 2, 3}}));
    EXPECT_EQ(Triangles(model->meshes[1]), (std::vector<Tri>{{0, 1, 2}, {0, 2, 3}, {0, 2, 3}}));
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_NE(Messages()[0].find("damaged"), std::string::npos);
}

TEST(LwoReader, LargeObjectsAndLongNames) {
    // 260 x 130 quads: 67,600 triangles on 34,191 points. A name of 600
    // characters is cut to 255 and still finds its SURF chunk.
    const int columns = 261, rows = 131;
    std::vector<Vector3> points;
    std::vector<Polygon> quads;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            points.push_back({float(c), float(r), 0.0f});
            const uint32_t p = r * columns + c;
            if (r + 1 < rows && c + 1 < columns) quads.push_back({{p, p + 1, p + 1 + columns, p + columns}, 1});
        }
    const std::string name(600, 'n');
    auto model = LoadModel(Lwob(Bytes()
                                    .Chunk("SRFS", Names({name}))
                                    .Chunk("PNTS", Points(points))
                                    .Chunk("POLS", Polygons(quads))
                                    .Chunk("SURF", Bytes().Text(name).Sub("LUMI", U16(128)))));
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.indexCount, 3 * 67600);
    EXPECT_EQ(m.vertexCount, columns * rows);  // flat: one welded vertex per point
    EXPECT_EQ(m.sourcePoints[3 * 67600 - 2], uint32_t(columns * rows - 1));
    EXPECT_EQ(m.positions[m.indices[3 * 67600 - 2]].y, float(rows - 1));
    EXPECT_EQ(std::string(m.name), std::string(255, 'n'));
    EXPECT_EQ(m.luminosity, 0.5f);
}

// ---------------------------------------------------------------- damaged files

namespace {

Bytes SmallObject() {
    std::vector<Polygon> polygons = CubeQuads(1);
    polygons[2].surface = 2;
    polygons.push_back({{0, 1, 2, 3, 4}, -2});
    Bytes wood =
        Bytes().Text("Wood").Sub("COLR", Bytes{200, 100, 50, 0}).Sub("FLAG", U16(0x104)).Sub("SMAN", F32(1.2f));
    wood.Sub("CTEX", Text("Planar Image Map"))
        .Sub("TFLG", U16(4))
        .Sub("TSIZ", Vec(2, 2, 2))
        .Sub("TIMG", Text("C:\\maps\\wood.iff"));
    wood.Sub("BTEX", Text("Cylindrical Image Map"))
        .Sub("TFLG", U16(2))
        .Sub("TFP0", F32(2))
        .Sub("TIMG", Text("maps/bump.tga"));
    wood.Sub("DTEX", Text("Cubic Image Map")).Sub("TIMG", Text("cube.iff"));
    return Lwob(Bytes()
                    .Chunk("SRFS", Names({"Wood", "Stone"}))
                    .Chunk("PNTS", Points(CubePoints()))
                    .Chunk("POLS", Polygons(polygons).U16(0))
                    .Chunk("SURF", wood)
                    .Chunk("SURF", Bytes().Text("Stone").Sub("TRAN", U16(100))));
}

// Loads and exports both ways; every index must stay inside its mesh.
void LoadAndCheck(const Bytes& bytes) {
    ASSERT_EQ(LoadBytes(bytes, "damaged.lwo"), bytes.empty() ? -1 : 0);
    for (int flags = 0; flags <= 4 && !bytes.empty(); flags += 4) {
        auto model = ExportModel(flags);
        ASSERT_TRUE(model);
        for (int i = 0; i < model->meshCount; ++i)
            for (int k = 0; k < model->meshes[i].indexCount; ++k)
                ASSERT_LT(model->meshes[i].indices[k], uint32_t(model->meshes[i].vertexCount));
        CModel flat;
        ASSERT_TRUE(flat.AllocateMeshes(model->meshCount));
        Plugin().ExportMD2(&flat, 0, model.get());
    }
}

void SetU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (24 - 8 * i));
}

}  // namespace

TEST(LwoDamaged, TruncatedAtEveryByteWithEitherFormLength) {
    const Bytes whole = SmallObject();
    auto model = LoadModel(whole);
    ASSERT_TRUE(model);
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Plugin().GetSurfacePolys(1), 5);
    EXPECT_EQ(model->meshes[0].textureCount, 3);
    for (size_t size = 0; size <= whole.size(); ++size) {
        SCOPED_TRACE(size);
        Bytes cut(whole.begin(), whole.begin() + size);
        LoadAndCheck(cut);
        if (size >= 8) {
            SetU32(cut, 4, uint32_t(size - 8));
            LoadAndCheck(cut);
        }
    }
}

TEST(LwoDamaged, LengthsThatLieAndCorruptedBytes) {
    const Bytes whole = SmallObject();
    std::vector<size_t> chunks = {0};  // the FORM header, then every chunk (all shorter than 64 KiB)
    for (size_t q = 12; q + 8 <= whole.size(); q += 8 + ((whole[q + 6] << 8 | whole[q + 7]) + 1) / 2 * 2)
        chunks.push_back(q);
    for (uint32_t length : {0u, 1u, 3u, 7u, 13u, 0x7FFFFFFFu, 0xFFFFFFF0u, 0xFFFFFFFFu})
        for (size_t at : chunks) {
            Bytes b = whole;
            SetU32(b, at + 4, length);
            LoadAndCheck(b);
        }
    uint32_t state = 12345;
    auto next = [&] { return (state = state * 1664525u + 1013904223u) >> 8; };
    for (int round = 0; round < 800; ++round) {
        Bytes b = whole;
        for (int c = 1 + next() % 6; c > 0; --c) b[next() % b.size()] = (next() & 1) ? uint8_t(next()) : 0xFF;
        LoadAndCheck(b);
    }
}

TEST(LwoDamaged, ValuesAndPolygonsCutByTheChunkEndAreNotRead) {
    // SMAN and TSIZ announce more bytes than their SURF chunk holds: the next
    // chunk's bytes must not become their values. A polygon announces 65,535
    // corners with four bytes left.
    Bytes cut = Bytes().Text("T").Sub("CTEX", Text("Planar Image Map")).Sub("TIMG", Text("x")).Sub("TFLG", U16(4));
    cut.Id("TSIZ").Add({0, 12, 0x40, 0, 0, 0, 0x40});
    const Bytes file = Lwob(Bytes()
                                .Chunk("SRFS", Names({"S", "T"}))
                                .Chunk("SURF", Bytes().Text("S").Id("SMAN").Add({0, 4, 0x3F, 0x80}))
                                .Chunk("SURF", cut)
                                .Chunk("PNTS", Points({{2, 2, 2}, {3, 3, 3}, {4, 4, 4}}))
                                .Chunk("POLS", Polygons({{{0, 1, 2}, 1}, {{0, 1, 2}, 2}}).U16(0xFFFF).U32(1)));
    auto model = LoadModel(file);
    ASSERT_TRUE(model);
    EXPECT_NE(Messages()[0].find("damaged"), std::string::npos);
    EXPECT_EQ(model->meshes[0].smoothingAngle, 0.0f);
    EXPECT_FALSE(std::isfinite(model->meshes[1].texCoords[0][0].u));  // the size stayed 0
}

TEST(LwoDamaged, SelfCrossingPolygonsAreSplitInBoundedTime) {
    // Found by fuzzing: a 772-corner polygon whose corners jump about a
    // sphere's points took seconds, as ear clipping found no ear in round
    // after round. Here sixteen polygons of 4,096 corners (the most that are
    // clipped) zigzag over scattered points; each must still split into
    // count - 2 triangles that use only their own corners, promptly.
    std::vector<Vector3> points;
    uint32_t state = 77;
    auto next = [&] { return (state = state * 1664525u + 1013904223u) >> 8; };
    for (int i = 0; i < 600; ++i) points.push_back({float(next() % 1000), float(next() % 1000), float(next() % 3)});
    std::vector<Polygon> polygons(16);
    for (Polygon& polygon : polygons)
        for (int i = 0; i < 4096; ++i) polygon.corners.push_back(next() % 600);
    const auto start = std::chrono::steady_clock::now();
    auto model = LoadModel(
        Lwob(Bytes().Chunk("SRFS", Names({"S"})).Chunk("PNTS", Points(points)).Chunk("POLS", Polygons(polygons))), 0x4);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(model);
    EXPECT_LT(seconds, 20.0);  // a minute and more before the ear tests were bounded
    const std::vector<Tri> triangles = Triangles(model->meshes[0]);
    ASSERT_EQ(triangles.size(), 16u * 4094u);
    for (size_t k = 0; k < polygons.size(); ++k) {
        std::vector<bool> own(points.size());
        for (uint32_t c : polygons[k].corners) own[c] = true;
        for (size_t t = k * 4094; t < (k + 1) * 4094; ++t)
            for (uint32_t p : triangles[t]) ASSERT_TRUE(own[p]) << "triangle " << t;
    }
}

// ---------------------------------------------------------------- corpus
// Expected counts from inspecting the files: surfaces in SRFS, the sum of
// (corners - 2) over POLS, the distinct points the polygons use.

namespace {

std::unique_ptr<CModel> LoadCorpus(const char* name, int triangles, int flags = 0) {
    const std::string path = std::string(TESSALY_CORPUS_DIR) + "/lwob/" + name;
    Messages().clear();
    EXPECT_EQ(Plugin().Load3D(path.c_str(), Capture), 0);
    EXPECT_EQ(Messages().size(), 1u);  // loaded, nothing damaged
    EXPECT_EQ(Plugin().GetSurfacesNum(), 1);
    EXPECT_EQ(Plugin().GetSurfacePolys(0), triangles);
    return ExportModel(flags);
}

}  // namespace

TEST(LwoCorpus, SmoothedSpheresWeldToOneVertexPerPoint) {
    // 48 triangles and 240 quads on 266 points, smoothed within 89.5 degrees.
    for (const char* name : {"sphere_with_mat_gloss_10pc.lwo", "sphere_with_mat_gloss_50pc.lwo"}) {
        auto model = LoadCorpus(name, 528);
        ASSERT_TRUE(model);
        const CMesh& m = model->meshes[0];
        EXPECT_STREQ(m.name, "Default");
        EXPECT_EQ(m.colour[1], 128 / 255.0f);
        EXPECT_NEAR(m.smoothingAngle, 1.5626f, 1e-4);
        EXPECT_EQ(m.vertexCount, 266);
        EXPECT_NEAR(VecLength(m.normals[7].x, m.normals[7].y, m.normals[7].z), 1.0f, 1e-5);
        EXPECT_EQ(model->radius, m.radius);
    }
}

TEST(LwoCorpus, CubeWithCylindricalTexture) {
    auto model = LoadCorpus("bluewithcylindrictexz.lwo", 12);
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 0), "IMAGE2.jpg");
    EXPECT_EQ(m.textureKinds[0], 1);
    EXPECT_EQ(m.colour[2], 192 / 255.0f);
    // One normal and coordinate per face corner: the seam repair moves a
    // corner alike in both triangles of a face. (1.2, 2.35) lies at 0.07514
    // of a turn round z and becomes 1.07514 on the faces across the seam.
    EXPECT_EQ(m.vertexCount, 24);
    int wrapped = 0;
    for (int k = 0; k < m.vertexCount; ++k) wrapped += std::fabs(m.texCoords[0][k].u - 1.07514f) < 1e-4f;
    EXPECT_EQ(wrapped, 4);
}

TEST(LwoCorpus, ConcavePolygonIsClippedNotFanned) {
    // One polygon of 66 corners on 64 points. Every triangle must turn the
    // polygon's way; a fan would fold some back over the outside.
    auto model = LoadCorpus("ConcavePolygon.lwo", 64, 4);
    ASSERT_TRUE(model);
    const Vector3* p = model->meshes[0].positions;
    std::vector<std::array<double, 3>> crosses;
    std::array<double, 3> total{0, 0, 0};
    for (int k = 0; k < 3 * 64; k += 3) {
        const double u[3] = {double(p[k + 1].x) - p[k].x, double(p[k + 1].y) - p[k].y, double(p[k + 1].z) - p[k].z};
        const double v[3] = {double(p[k + 2].x) - p[k].x, double(p[k + 2].y) - p[k].y, double(p[k + 2].z) - p[k].z};
        crosses.push_back({u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]});
        for (int i = 0; i < 3; ++i) total[i] += crosses.back()[i];
    }
    for (const auto& c : crosses) EXPECT_GE(c[0] * total[0] + c[1] * total[1] + c[2] * total[2], -1e-9);
    auto welded = ExportModel(0);
    ASSERT_TRUE(welded);
    EXPECT_EQ(welded->meshes[0].vertexCount, 64);  // flat and smoothed: one vertex per point
}

// ---------------------------------------------------------------- damage texts and load limits

namespace {

// The warning r_Load3D gives for damaged.lwo, without its fixed start and end.
std::string DamageText(const Bytes& bytes, const std::string& name = "damaged.lwo") {
    if (LoadBytes(bytes, name) != 0 || Messages().size() != 2)
        return "(" + std::to_string(Messages().size()) + " messages)";
    const std::string start = "Lwo.dll Load3D : Warning, " + TempPath(name) + " is damaged: ";
    const std::string& m = Messages()[0];
    if (m.compare(0, start.size(), start) != 0 || m.back() != '\n') return "(unexpected) " + m;
    return m.substr(start.size(), m.size() - start.size() - 1);
}

}  // namespace

TEST(LwoDamaged, WarningNamesTheChunkAndItsByteOffset) {
    // SRFS at byte 12 (8 bytes of body), PNTS at 28 (96), POLS at 132 (72).
    const Bytes srfs = Bytes().Chunk("SRFS", Names({"A", "B", "C", "D"}));
    const Bytes pnts = Bytes().Chunk("PNTS", Points(CubePoints()));
    auto file = [&](const std::vector<Polygon>& polygons) {
        return Lwob(Bytes().Add(srfs).Add(pnts).Chunk("POLS", Polygons(polygons)));
    };
    const std::vector<Polygon> good = CubeQuads();
    ASSERT_EQ(LoadBytes(file(good)), 0);
    EXPECT_EQ(Messages().size(), 1u);

    // Cut inside the points: the length runs past the end of the file, and
    // what is there ends in a part of a point. Eight bytes more and the file
    // ends inside the next chunk's header.
    const Bytes whole = file(good);
    EXPECT_EQ(DamageText(Bytes(whole.begin(), whole.begin() + 28 + 8 + 50)),
              "PNTS chunk at byte 28: its length 96 runs past the end of the file (50 bytes remain) "
              "(and 1 more problem)");
    EXPECT_EQ(DamageText(Bytes(whole.begin(), whole.begin() + 132 + 6)),
              "POLS chunk at byte 132: the file ends inside the chunk header");

    // A POLS length that is too short cuts polygon 5; one that is too long
    // runs past the file.
    Bytes shorter = whole;
    shorter[132 + 7] = uint8_t(4 * 12 + 5);
    EXPECT_EQ(DamageText(shorter), "POLS chunk at byte 132: polygon 5 runs past the chunk end");
    // A long path leaves the detail whole.
    EXPECT_EQ(DamageText(shorter, std::string(200, 'd') + ".lwo"),
              "POLS chunk at byte 132: polygon 5 runs past the chunk end");
    Bytes longer = whole;
    longer[132 + 6] = 1;
    EXPECT_EQ(DamageText(longer),
              "POLS chunk at byte 132: its length 328 runs past the end of the file (72 bytes remain)");

    // Bad point and surface numbers name their polygon; every problem counts.
    std::vector<Polygon> bad = good;
    bad[1].corners[2] = 9;
    EXPECT_EQ(DamageText(file(bad)), "POLS chunk at byte 132: polygon 2 uses point 9, but the object has 8 points");
    bad[3].surface = 7;
    bad[4].corners[0] = 300;
    EXPECT_EQ(DamageText(file(bad)),
              "POLS chunk at byte 132: polygon 2 uses point 9, but the object has 8 points (and 2 more problems)");
    bad = good;
    bad[5].surface = 5;
    EXPECT_EQ(DamageText(file(bad)),
              "POLS chunk at byte 132: polygon 6 names surface 5, but the object has 4 surfaces");
    bad[5].surface = 0;  // surface 0 names no surface on purpose: no warning
    ASSERT_EQ(LoadBytes(file(bad)), 0);
    EXPECT_EQ(Messages().size(), 1u);

    // A last surface name without its zero; a point table with spare bytes.
    Bytes names = Bytes().Id("SRFS").U32(3).Id("ABC");
    names.push_back(0);
    EXPECT_EQ(DamageText(Lwob(names)), "SRFS chunk at byte 12: the last name has no terminating zero");
    EXPECT_EQ(DamageText(Lwob(Bytes().Chunk("PNTS", Points(CubePoints()).U16(7)))),
              "PNTS chunk at byte 12: 2 bytes after the last whole point");

    // Whatever was read is still drawn: the cut polygon list keeps 4 quads.
    auto model = LoadModel(shorter);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->meshes[0].indexCount, 4 * 2 * 3);
}

namespace {

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

TEST(LwoLimits, ObjectsPastTheLoadLimitAreRefusedBeforeTheyAreBuilt) {
    // 150 polygons of 65,535 corners (19.7 MB) would make 9.8 million
    // triangles: 3.5 GB in the reader and the engine's meshes.
    Bytes pols;
    for (int p = 0; p < 150; ++p) {
        pols.U16(65535);
        for (uint32_t c = 0; c < 65535; ++c) pols.U16(c % 3);
        pols.U16(1);
    }
    const Bytes big = Lwob(Bytes()
                               .Chunk("SRFS", Names({"Big"}))
                               .Chunk("PNTS", Points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}))
                               .Chunk("POLS", pols));
    const long before = PeakKilobytes();
    EXPECT_EQ(LoadBytes(big, "big.lwo"), -1);
    EXPECT_LT(PeakKilobytes() - before, 200 * 1024);  // the file and little more
    ASSERT_EQ(Messages().size(), 1u);
    const std::string start = "Lwo.dll Load3D : Error, " + TempPath("big.lwo") + " is too large: it would take ";
    EXPECT_EQ(Messages()[0].substr(0, start.size()), start);
    EXPECT_NE(Messages()[0].find(" MB, more than the 1024 MB allowed for an object of " + std::to_string(big.size()) +
                                 " bytes\n"),
              std::string::npos);
    EXPECT_EQ(Plugin().GetSurfacesNum(), 0);  // nothing of it is kept

    // Relative to the file: 20,000 two-byte surface names (40 KB) would take
    // about 150 MB of surface and mesh records; 5,000 are within the allowance.
    std::vector<std::string> names;
    for (int i = 0; i < 20000; ++i) names.push_back(std::string(1, char('A' + i % 26)));
    EXPECT_EQ(LoadBytes(Lwob(Bytes().Chunk("SRFS", Names(names)))), -1);
    EXPECT_NE(Messages()[0].find("is too large"), std::string::npos);
    names.resize(5000);
    EXPECT_EQ(LoadBytes(Lwob(Bytes().Chunk("SRFS", Names(names)))), 0);
    EXPECT_EQ(Plugin().GetSurfacesNum(), 5000);

    // A file larger than the ceiling is not even read (a sparse file here).
    const std::string huge = TempPath("huge.lwo");
    ASSERT_TRUE(WriteFile(huge, Lwob(Bytes())));
    std::filesystem::resize_file(huge, (uintmax_t{1} << 30) + 1);
    Messages().clear();
    EXPECT_EQ(Plugin().Load3D(huge.c_str(), Capture), -1);
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"Lwo.dll Load3D : Error, " + huge +
                                       " is too large: 1024 MB, more than the 1024 MB an object may take\n"});
    std::filesystem::remove(huge);
}
