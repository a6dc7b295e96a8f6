// The real LWOB files of the shared corpus, checked against counts worked out
// by a separate, length-driven walk over their chunks.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <set>
#include <tuple>

#include "plugin_driver.h"

using namespace lwotest;

namespace {

std::string Corpus(const char* name)
{
    return std::string(TESSALY_CORPUS_DIR) + "/lwob/" + name;
}

struct Expected {
    int surfaces = 0;
    std::vector<int> triangles;                                  // per surface
    std::vector<std::set<std::tuple<float, float, float>>> used;  // distinct positions per surface
    std::vector<Vector3> points;
    std::vector<std::vector<uint32_t>> polygons;
};

uint32_t U32(const Bytes& b, size_t at)
{
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}

uint16_t U16(const Bytes& b, size_t at)
{
    return uint16_t((b[at] << 8) | b[at + 1]);
}

Expected Walk(const Bytes& file)
{
    Expected e;
    struct Poly {
        std::vector<uint32_t> corners;
        int surface;
    };
    std::vector<Poly> polys;
    for (size_t q = 12; q + 8 <= file.size();) {
        const uint32_t n = U32(file, q + 4);
        const size_t body = q + 8;
        if (!std::memcmp(&file[q], "SRFS", 4)) {
            std::string names(file.begin() + body, file.begin() + body + n);
            size_t start = 0;
            while (start < names.size()) {
                const size_t end = names.find('\0', start);
                if (end == std::string::npos)
                    break;
                if (end > start)
                    ++e.surfaces;
                start = end + 1;
            }
        } else if (!std::memcmp(&file[q], "PNTS", 4)) {
            for (size_t i = 0; i + 12 <= n; i += 12)
                e.points.push_back({std::bit_cast<float>(U32(file, body + i)),
                                    std::bit_cast<float>(U32(file, body + i + 4)),
                                    std::bit_cast<float>(U32(file, body + i + 8))});
        } else if (!std::memcmp(&file[q], "POLS", 4)) {
            for (size_t p = body; p < body + n;) {
                Poly poly;
                const int k = U16(file, p);
                for (int i = 0; i < k; ++i)
                    poly.corners.push_back(U16(file, p + 2 + 2 * i));
                poly.surface = int16_t(U16(file, p + 2 + 2 * k)) - 1;
                polys.push_back(poly);
                p += 4 + 2 * k;
            }
        }
        q = body + n + (n & 1);
    }
    e.triangles.assign(e.surfaces, 0);
    e.used.resize(e.surfaces);
    for (const Poly& p : polys) {
        e.triangles[p.surface] += int(p.corners.size()) - 2;
        for (uint32_t c : p.corners)
            e.used[p.surface].insert({e.points[c].x, e.points[c].y, e.points[c].z});
        e.polygons.push_back(p.corners);
    }
    return e;
}

struct Loaded {
    Expected expected;
    std::unique_ptr<CModel> model;
};

Loaded Load(const char* name, int flags = 0)
{
    Loaded l;
    l.expected = Walk(ReadFile(Corpus(name)));
    const std::string path = Corpus(name);
    ClearMessages();
    EXPECT_EQ(Plugin().Load3D(path.c_str(), CaptureMessage), 0);
    EXPECT_EQ(Messages().size(), 1u);  // "Loaded", nothing damaged
    l.model = ExportModel(flags);
    return l;
}

void ExpectCounts(const Loaded& l)
{
    ASSERT_TRUE(l.model);
    ASSERT_EQ(Plugin().GetSurfacesNum(), l.expected.surfaces);
    ASSERT_EQ(l.model->meshCount, l.expected.surfaces);
    for (int s = 0; s < l.expected.surfaces; ++s) {
        EXPECT_EQ(Plugin().GetSurfacePolys(s), l.expected.triangles[s]);
        EXPECT_EQ(l.model->meshes[s].indexCount, 3 * l.expected.triangles[s]);
    }
}

}  // namespace

TEST(LwoCorpus, SmoothedSpheres)
{
    for (const char* name : {"sphere_with_mat_gloss_10pc.lwo", "sphere_with_mat_gloss_50pc.lwo"}) {
        SCOPED_TRACE(name);
        Loaded l = Load(name);
        ExpectCounts(l);
        ASSERT_EQ(l.expected.surfaces, 1);
        EXPECT_EQ(l.expected.triangles[0], 528);
        const CMesh& m = l.model->meshes[0];
        EXPECT_STREQ(m.name, "Default");
        EXPECT_EQ(m.colour[0], 1.0f);
        EXPECT_EQ(m.colour[1], 128 / 255.0f);
        EXPECT_EQ(m.colour[2], 192 / 255.0f);
        EXPECT_NEAR(m.smoothingAngle, 1.5626f, 1e-4);
        EXPECT_EQ(m.diffuse, 1.0f);
        // Smoothed within 89.5 degrees: one vertex per distinct point.
        EXPECT_EQ(m.vertexCount, int(l.expected.used[0].size()));
        for (int k = 0; k < m.vertexCount; ++k)
            EXPECT_NEAR(VecLength(m.normals[k].x, m.normals[k].y, m.normals[k].z), 1.0f, 1e-5);
        EXPECT_GT(m.radius, 0.0f);
        EXPECT_EQ(l.model->radius, m.radius);
    }
}

TEST(LwoCorpus, CubeWithCylindricalTexture)
{
    Loaded l = Load("bluewithcylindrictexz.lwo");
    ExpectCounts(l);
    EXPECT_EQ(l.expected.triangles[0], 12);
    const CMesh& m = l.model->meshes[0];
    EXPECT_TRUE(Plugin().HasTexture(0, 0));
    EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 0), "IMAGE2.jpg");
    EXPECT_EQ(m.textureCount, 1);
    EXPECT_EQ(m.textureKinds[0], 1);
    EXPECT_EQ(m.colour[0], 0.0f);
    EXPECT_EQ(m.colour[1], 128 / 255.0f);
    EXPECT_EQ(m.colour[2], 192 / 255.0f);
    // Each face keeps its own normal and one coordinate per corner (the seam
    // repair moves corners consistently on both triangles of a face).
    EXPECT_EQ(m.vertexCount, 24);
    // Corner (1.2, 2.35, -1.25) lies 0.075 of a turn round the z axis; the
    // triangles of the far face move it one wrap up.
    bool sawWrapped = false;
    for (int k = 0; k < m.vertexCount; ++k) {
        const TexCoord& t = m.texCoords[0][k];
        EXPECT_GE(t.u, 0.0f);
        EXPECT_LT(t.u, 1.3f);
        if (std::fabs(t.u - 1.07514f) < 1e-4f)
            sawWrapped = true;
    }
    EXPECT_TRUE(sawWrapped);
}

TEST(LwoCorpus, ConcavePolygonIsClippedNotFanned)
{
    Loaded l = Load("ConcavePolygon.lwo", 0x4);
    ExpectCounts(l);
    ASSERT_EQ(l.expected.polygons.size(), 1u);
    const std::vector<uint32_t>& ring = l.expected.polygons[0];
    ASSERT_EQ(ring.size(), 66u);
    EXPECT_EQ(l.expected.triangles[0], 64);
    // The polygon's own normal and area (Newell).
    double nx = 0, ny = 0, nz = 0;
    for (size_t i = 0; i < ring.size(); ++i) {
        const Vector3& a = l.expected.points[ring[i]];
        const Vector3& b = l.expected.points[ring[(i + 1) % ring.size()]];
        nx += (double(a.y) - b.y) * (double(a.z) + b.z);
        ny += (double(a.z) - b.z) * (double(a.x) + b.x);
        nz += (double(a.x) - b.x) * (double(a.y) + b.y);
    }
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    const double area = length / 2;
    nx /= length;
    ny /= length;
    nz /= length;
    const CMesh& m = l.model->meshes[0];
    double total = 0;
    for (int t = 0; t < 64; ++t) {
        const Vector3& a = m.positions[3 * t];
        const Vector3& b = m.positions[3 * t + 1];
        const Vector3& c = m.positions[3 * t + 2];
        const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
        const double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
        const double cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
        const double along = (cx * nx + cy * ny + cz * nz) / 2;  // signed area along the polygon normal
        EXPECT_GE(along, -1e-9) << "triangle " << t << " turns against the polygon";
        total += along;
    }
    EXPECT_NEAR(total, area, area * 1e-5);
    // Welded and smoothed (flat polygon): one vertex per point.
    auto welded = ExportModel(0);
    ASSERT_TRUE(welded);
    EXPECT_EQ(welded->meshes[0].vertexCount, int(l.expected.used[0].size()));
}
