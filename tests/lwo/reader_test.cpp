// Reading LWOB files: messages, chunk scan, polygons, damaged files, corpus.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <set>
#include <tuple>

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

const std::vector<Vector3> kSquare = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

double SignedArea(const Vector3& a, const Vector3& b, const Vector3& c)  // seen from +z
{
    return 0.5 * ((double(b.x) - a.x) * (double(c.y) - a.y) - (double(b.y) - a.y) * (double(c.x) - a.x));
}

}  // namespace

TEST(LwoReader, MessagesAndFilesThatAreNoLwob)
{
    const std::string missing = TempPath("missing.lwo");
    Messages().clear();
    EXPECT_EQ(Plugin().Load3D(missing.c_str(), Capture), -1);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Lwo.dll Load3D : Error, could not open " + missing + "\n"});
    EXPECT_EQ(Plugin().Load3D(missing.c_str(), nullptr), -1);

    ASSERT_EQ(LoadBytes(Lwob(Bytes().Chunk("SRFS", Names({"A", "B"}))), "two.lwo"), 0);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Lwo.dll Load3D : Loaded " + TempPath("two.lwo") + "\n"});
    EXPECT_EQ(Plugin().GetSurfacesNum(), 2);
    EXPECT_EQ(Plugin().GetMaxTexturesNum(), 8);

    // Not FORM, not LWOB, too short: a warning box, zero surfaces, still 0.
    Bytes notForm = Lwob(Bytes().Chunk("SRFS", Names({"A"})));
    notForm[0] = 'X';
    for (const Bytes& b : {notForm, Lwob(Bytes().Chunk("SRFS", Names({"A"})), "LWO2"), Bytes{'F', 'O', 'R'},
                           Bytes{'F', 'O', 'R', 'M', 0, 0}}) {
        EXPECT_EQ(LoadBytes(b), 0);
        EXPECT_EQ(Plugin().GetSurfacesNum(), 0);
    }
    EXPECT_EQ(LoadBytes(Bytes{}), -1);  // an empty file holds no data
}

TEST(LwoReader, PolygonsFanInFileOrderOntoTheirSurfaces)
{
    // POLS before PNTS, an odd unknown chunk with its pad, a second PNTS that
    // replaces the first; surface number 0 lands in no mesh.
    const Bytes file = Lwob(Bytes()
                                .Chunk("SRFS", Names({"A", "B"}))
                                .Chunk("CRAP", Bytes{1, 2, 3})
                                .Chunk("POLS", Polygons({{{0, 1, 2, 3}, 1}, {{0, 1, 2, 3, 4}, 2}, {{4, 2, 0}, 1},
                                                         {{1, 2, 3}, 0}}))
                                .Chunk("PNTS", Points({{9, 9, 9}}))
                                .Chunk("PNTS", Points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0.5f, 2, 0}, {0, 1, 0}})));
    auto model = LoadModel(file, 0x4);
    ASSERT_TRUE(model);
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Plugin().GetSurfacePolys(0), 3);
    EXPECT_EQ(Plugin().GetSurfacePolys(1), 3);
    EXPECT_EQ(Plugin().GetSurfacePolys(-1), 1);
    EXPECT_EQ(Plugin().GetSurfacePolys(9), 0);
    EXPECT_EQ(Triangles(model->meshes[0]), (std::vector<Tri>{{0, 1, 2}, {0, 2, 3}, {4, 2, 0}}));
    EXPECT_EQ(Triangles(model->meshes[1]), (std::vector<Tri>{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}));
    const CMesh& m = model->meshes[0];
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(m.indices[k], uint32_t(k));
    EXPECT_EQ(m.faceNormals[0].z, 1.0f);  // (P[a] - P[c]) x (P[b] - P[a]), from the final points
    EXPECT_EQ(m.normals[8].z, -1.0f);
}

TEST(LwoReader, PointsLinesBadIndicesAndDetailPolygons)
{
    // Polygons of 0, 1 and 2 points are skipped, one with a point beyond the
    // table is dropped; a negative surface number belongs to surface -s and is
    // followed by a count of detail polygons, read as ordinary polygons.
    const Bytes body = Polygons({{{}, 1}, {{2}, 1}, {{0, 1}, 1}, {{0, 1, 4}, 1}, {{3, 65535, 0, 1}, 1}, {{0, 1, 2}, 1}})
                           .Add(Polygons({{{0, 1, 2, 3}, -2}}))
                           .U16(2)
                           .Add(Polygons({{{1, 2, 3}, 1}, {{0, 2, 3}, 2}}));
    auto model = LoadModel(Lwob(Bytes().Chunk("SRFS", Names({"A", "B"})).Chunk("PNTS", Points(kSquare)).Chunk("POLS", body)), 4);
    ASSERT_TRUE(model);
    EXPECT_EQ(Triangles(model->meshes[0]), (std::vector<Tri>{{0, 1, 2}, {1, 2, 3}}));
    EXPECT_EQ(Triangles(model->meshes[1]), (std::vector<Tri>{{0, 1, 2}, {0, 2, 3}, {0, 2, 3}}));
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_NE(Messages()[0].find("damaged"), std::string::npos);
}

TEST(LwoReader, ConcavePolygonsAreClippedWithTheirWinding)
{
    // An L (counter-clockwise from +z) and a clockwise arrowhead: k - 2
    // triangles each, every one turning the polygon's way, covering its area.
    // A fan from the arrow's first corner would turn one triangle backwards.
    const std::vector<Vector3> points = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 3, 0},
                                         {0, 3, 0}, {5, 0, 0}, {6, 2, 0}, {7, 0, 0}, {6, 1, 0}};
    auto model = LoadModel(Lwob(Bytes()
                                    .Chunk("SRFS", Names({"L", "Arrow"}))
                                    .Chunk("PNTS", Points(points))
                                    .Chunk("POLS", Polygons({{{0, 1, 2, 3, 4, 5}, 1}, {{6, 7, 8, 9}, 2}}))),
                           4);
    ASSERT_TRUE(model);
    for (int s = 0; s < 2; ++s) {
        const CMesh& m = model->meshes[s];
        ASSERT_EQ(m.vertexCount, s == 0 ? 12 : 6);
        double total = 0;
        for (int k = 0; k < m.vertexCount; k += 3) {
            const double a = SignedArea(m.positions[k], m.positions[k + 1], m.positions[k + 2]);
            EXPECT_GT(s == 0 ? a : -a, 0.0);
            total += a;
        }
        EXPECT_DOUBLE_EQ(total, s == 0 ? 4.0 : -1.0);
    }
}

TEST(LwoReader, LargeObjectsAndLongNames)
{
    // 260 x 130 quads: 67,600 triangles on 34,191 points. Names of 600
    // characters are cut to 255 and still find their SURF chunk.
    const int columns = 261, rows = 131;
    std::vector<Vector3> points;
    std::vector<Polygon> quads;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            points.push_back({float(c), float(r), 0.0f});
            const uint32_t p = r * columns + c;
            if (r + 1 < rows && c + 1 < columns)
                quads.push_back({{p, p + 1, p + 1 + columns, p + columns}, 1});
        }
    const std::string name(600, 'n');
    auto model = LoadModel(Lwob(Bytes()
                                    .Chunk("SRFS", Names({name}))
                                    .Chunk("PNTS", Points(points))
                                    .Chunk("POLS", Polygons(quads))
                                    .Chunk("SURF", Bytes().Text(name).Sub("LUMI", Bytes().U16(128)))));
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

Bytes SmallObject()
{
    std::vector<Polygon> polygons = CubeQuads(1);
    polygons[2].surface = 2;
    polygons.push_back({{0, 1, 2, 3, 4}, -2});
    const Bytes wood = Bytes()
                           .Text("Wood")
                           .Sub("COLR", Bytes{200, 100, 50, 0})
                           .Sub("FLAG", Bytes().U16(0x104))
                           .Sub("SMAN", Bytes().F32(1.2f))
                           .Sub("CTEX", Bytes().Text("Planar Image Map"))
                           .Sub("TFLG", Bytes().U16(4))
                           .Sub("TSIZ", Vec(2, 2, 2))
                           .Sub("TIMG", Bytes().Text("C:\\maps\\wood.iff"))
                           .Sub("BTEX", Bytes().Text("Cylindrical Image Map"))
                           .Sub("TFLG", Bytes().U16(2))
                           .Sub("TFP0", Bytes().F32(2))
                           .Sub("TIMG", Bytes().Text("maps/bump.tga"))
                           .Sub("DTEX", Bytes().Text("Cubic Image Map"))
                           .Sub("TIMG", Bytes().Text("cube.iff"));
    return Lwob(Bytes()
                    .Chunk("SRFS", Names({"Wood", "Stone"}))
                    .Chunk("PNTS", Points(CubePoints()))
                    .Chunk("POLS", Polygons(polygons).U16(0))
                    .Chunk("SURF", wood)
                    .Chunk("SURF", Bytes().Text("Stone").Sub("TRAN", Bytes().U16(100))));
}

// Loads and exports both ways; every index must stay inside its mesh.
void LoadAndCheck(const Bytes& bytes)
{
    ASSERT_EQ(LoadBytes(bytes, "damaged.lwo"), bytes.empty() ? -1 : 0);
    for (int flags : {0, 4}) {
        auto model = bytes.empty() ? nullptr : ExportModel(flags);
        for (int i = 0; model && i < model->meshCount; ++i) {
            const CMesh& m = model->meshes[i];
            ASSERT_LE(m.vertexCount, m.indexCount);
            for (int k = 0; k < m.indexCount; ++k)
                ASSERT_LT(m.indices[k], uint32_t(m.vertexCount));
        }
        if (model && flags == 4) {
            CModel flat;
            ASSERT_TRUE(flat.AllocateMeshes(model->meshCount));
            Plugin().ExportMD2(&flat, 0, model.get());
        }
    }
}

void SetU32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (24 - 8 * i));
}

}  // namespace

TEST(LwoDamaged, TruncatedAtEveryByteWithEitherFormLength)
{
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

TEST(LwoDamaged, LengthsThatLieAndCorruptedBytes)
{
    const Bytes whole = SmallObject();
    std::vector<size_t> chunks = {0};  // the FORM header's length, then every chunk's
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
        for (int c = 1 + next() % 6; c > 0; --c)
            b[next() % b.size()] = (next() & 1) ? uint8_t(next()) : 0xFF;
        LoadAndCheck(b);
    }
}

TEST(LwoDamaged, ValuesAndPolygonsCutByTheChunkEndAreNotRead)
{
    // SMAN and TSIZ announce more bytes than their SURF chunk holds; the
    // next chunk's bytes must not become their values. A polygon announces
    // 65,535 corners with four bytes left.
    const Bytes file = Lwob(Bytes()
                                .Chunk("SRFS", Names({"S", "T"}))
                                .Chunk("SURF", Bytes().Text("S").Id("SMAN").Add({0, 4, 0x3F, 0x80}))
                                .Chunk("SURF", Bytes()
                                                   .Text("T")
                                                   .Sub("CTEX", Bytes().Text("Planar Image Map"))
                                                   .Sub("TIMG", Bytes().Text("x"))
                                                   .Sub("TFLG", Bytes().U16(4))
                                                   .Id("TSIZ").Add({0, 12, 0x40, 0, 0, 0, 0x40}))
                                .Chunk("PNTS", Points({{2, 2, 2}, {3, 3, 3}, {4, 4, 4}}))
                                .Chunk("POLS", Polygons({{{0, 1, 2}, 1}, {{0, 1, 2}, 2}}).U16(0xFFFF).U32(1)));
    auto model = LoadModel(file);
    ASSERT_TRUE(model);
    EXPECT_NE(Messages()[0].find("damaged"), std::string::npos);
    EXPECT_EQ(model->meshes[0].smoothingAngle, 0.0f);
    EXPECT_FALSE(std::isfinite(model->meshes[1].texCoords[0][0].u));  // size stayed 0
}

// ---------------------------------------------------------------- corpus

namespace {

struct Walked {  // counts from a walk that trusts the chunk lengths
    std::vector<int> triangles;                                  // per surface
    std::vector<std::set<std::tuple<float, float, float>>> used;  // distinct positions per surface
    std::vector<Vector3> points;
    std::vector<std::vector<uint32_t>> polygons;
};

Walked Walk(const Bytes& f)
{
    Walked w;
    auto u16 = [&](size_t at) { return uint32_t(f[at] << 8 | f[at + 1]); };
    auto u32 = [&](size_t at) { return u16(at) << 16 | u16(at + 2); };
    std::vector<int> surfaces;
    for (size_t q = 12; q + 8 <= f.size(); q += 8 + (u32(q + 4) + 1) / 2 * 2) {
        const size_t body = q + 8, end = body + u32(q + 4);
        if (!std::memcmp(&f[q], "SRFS", 4)) {
            for (size_t i = body; i < end; ++i)
                if (f[i] == 0 && i > body && f[i - 1] != 0)
                    w.triangles.push_back(0);
        } else if (!std::memcmp(&f[q], "PNTS", 4)) {
            for (size_t i = body; i + 12 <= end; i += 12)
                w.points.push_back({std::bit_cast<float>(u32(i)), std::bit_cast<float>(u32(i + 4)),
                                    std::bit_cast<float>(u32(i + 8))});
        } else if (!std::memcmp(&f[q], "POLS", 4)) {
            for (size_t p = body; p < end; p += 4 + 2 * u16(p)) {
                w.polygons.emplace_back();
                for (uint32_t i = 0; i < u16(p); ++i)
                    w.polygons.back().push_back(u16(p + 2 + 2 * i));
                surfaces.push_back(int(u16(p + 2 + 2 * u16(p))) - 1);
            }
        }
    }
    w.used.resize(w.triangles.size());
    for (size_t i = 0; i < w.polygons.size(); ++i) {
        w.triangles[surfaces[i]] += int(w.polygons[i].size()) - 2;
        for (uint32_t c : w.polygons[i])
            w.used[surfaces[i]].insert({w.points[c].x, w.points[c].y, w.points[c].z});
    }
    return w;
}

std::unique_ptr<CModel> LoadCorpus(const char* name, Walked& walked, int flags = 0)
{
    const std::string path = std::string(TESSALY_CORPUS_DIR) + "/lwob/" + name;
    walked = Walk(ReadFile(path));
    Messages().clear();
    EXPECT_EQ(Plugin().Load3D(path.c_str(), Capture), 0);
    EXPECT_EQ(Messages().size(), 1u);  // loaded, nothing damaged
    EXPECT_EQ(Plugin().GetSurfacesNum(), int(walked.triangles.size()));
    for (int s = 0; s < int(walked.triangles.size()); ++s)
        EXPECT_EQ(Plugin().GetSurfacePolys(s), walked.triangles[s]);
    return ExportModel(flags);
}

}  // namespace

TEST(LwoCorpus, SmoothedSpheresWeldToOneVertexPerPoint)
{
    for (const char* name : {"sphere_with_mat_gloss_10pc.lwo", "sphere_with_mat_gloss_50pc.lwo"}) {
        Walked w;
        auto model = LoadCorpus(name, w);
        ASSERT_TRUE(model);
        ASSERT_EQ(w.triangles, std::vector<int>{528});
        const CMesh& m = model->meshes[0];
        EXPECT_STREQ(m.name, "Default");
        EXPECT_EQ(m.colour[1], 128 / 255.0f);
        EXPECT_NEAR(m.smoothingAngle, 1.5626f, 1e-4);
        EXPECT_EQ(m.vertexCount, int(w.used[0].size()));
        EXPECT_NEAR(VecLength(m.normals[7].x, m.normals[7].y, m.normals[7].z), 1.0f, 1e-5);
        EXPECT_EQ(model->radius, m.radius);
    }
}

TEST(LwoCorpus, CubeWithCylindricalTexture)
{
    Walked w;
    auto model = LoadCorpus("bluewithcylindrictexz.lwo", w);
    ASSERT_TRUE(model);
    ASSERT_EQ(w.triangles, std::vector<int>{12});
    const CMesh& m = model->meshes[0];
    EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 0), "IMAGE2.jpg");
    EXPECT_EQ(m.textureKinds[0], 1);
    EXPECT_EQ(m.colour[2], 192 / 255.0f);
    // One normal and one coordinate per face corner: the seam repair moves a
    // corner the same way in both triangles of a face (worked out by hand:
    // (1.2, 2.35) lies at 0.07514 of a turn and becomes 1.07514 on two faces).
    EXPECT_EQ(m.vertexCount, 24);
    int wrapped = 0;
    for (int k = 0; k < m.vertexCount; ++k)
        wrapped += std::fabs(m.texCoords[0][k].u - 1.07514f) < 1e-4f;
    EXPECT_EQ(wrapped, 4);
}

TEST(LwoCorpus, ConcavePolygonIsClippedNotFanned)
{
    Walked w;
    auto model = LoadCorpus("ConcavePolygon.lwo", w, 4);
    ASSERT_TRUE(model);
    ASSERT_EQ(w.polygons.size(), 1u);
    ASSERT_EQ(w.triangles, std::vector<int>{64});
    const std::vector<uint32_t>& ring = w.polygons[0];
    double n[3] = {0, 0, 0};  // Newell: direction and twice the area
    for (size_t i = 0; i < ring.size(); ++i) {
        const Vector3& a = w.points[ring[i]];
        const Vector3& b = w.points[ring[(i + 1) % ring.size()]];
        n[0] += (double(a.y) - b.y) * (double(a.z) + b.z);
        n[1] += (double(a.z) - b.z) * (double(a.x) + b.x);
        n[2] += (double(a.x) - b.x) * (double(a.y) + b.y);
    }
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const Vector3* p = model->meshes[0].positions;
    double total = 0;
    for (int k = 0; k < 3 * 64; k += 3) {
        const double u[3] = {double(p[k + 1].x) - p[k].x, double(p[k + 1].y) - p[k].y, double(p[k + 1].z) - p[k].z};
        const double v[3] = {double(p[k + 2].x) - p[k].x, double(p[k + 2].y) - p[k].y, double(p[k + 2].z) - p[k].z};
        const double along = ((u[1] * v[2] - u[2] * v[1]) * n[0] + (u[2] * v[0] - u[0] * v[2]) * n[1] +
                              (u[0] * v[1] - u[1] * v[0]) * n[2]) / (2 * length);
        EXPECT_GE(along, -1e-9) << "triangle " << k / 3 << " turns against the polygon";
        total += along;
    }
    EXPECT_NEAR(total, length / 2, length * 1e-5);
    auto welded = ExportModel(0);
    ASSERT_TRUE(welded);
    EXPECT_EQ(welded->meshes[0].vertexCount, int(w.used[0].size()));
}
