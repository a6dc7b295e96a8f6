// Damaged files: every one must load or fail cleanly, and what is exported
// must stay inside the arrays the engine allocated.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "plugin_driver.h"

using namespace lwotest;

namespace {

Bytes SmallObject()
{
    auto textured = SurfaceBuilder("Wood");
    textured.Colour(200, 100, 50).U16("FLAG", 0x104).F32("SMAN", 1.2f).U16("LUMI", 32);
    textured.Texture("CTEX", "Planar Image Map").U16("TFLG", 4).Vec("TSIZ", 2, 2, 2).Vec("TCTR", 0, 0, 0);
    textured.Image("C:\\maps\\wood.iff");
    textured.Texture("BTEX", "Cylindrical Image Map").U16("TFLG", 2).Vec("TSIZ", 2, 2, 2).F32("TFP0", 2.0f);
    textured.Image("maps/bump.tga").Vec("TVEL", 0.1f, 0.2f, 0.0f);
    textured.Texture("DTEX", "Cubic Image Map").Image("cube.iff");
    std::vector<Polygon> polygons = CubeQuads(1);
    polygons[2].surface = 2;
    polygons.push_back({{0, 1, 2, 3, 4}, -2});
    return LwobWriter()
        .Names({"Wood", "Stone"})
        .Points(CubePoints())
        .Polygons(polygons)
        .Surface(textured)
        .Surface(SurfaceBuilder("Stone").U16("TRAN", 100).U16("FLAG", 0x200))
        .Build();
}

// Loads bytes and, when they load, exports them both ways and checks that
// every index stays inside its mesh.
void LoadAndCheck(const Bytes& bytes)
{
    const int result = LoadBytes(bytes, "damaged.lwo");
    if (bytes.empty()) {
        EXPECT_EQ(result, -1);
        return;
    }
    ASSERT_EQ(result, 0);
    for (int flags : {0, 4}) {
        auto model = ExportModel(flags);
        ASSERT_TRUE(model);
        for (int i = 0; i < model->meshCount; ++i) {
            const CMesh& m = model->meshes[i];
            ASSERT_LE(m.vertexCount, m.indexCount);
            for (int k = 0; k < m.indexCount; ++k)
                ASSERT_LT(m.indices[k], uint32_t(m.vertexCount));
        }
        if (flags == 4) {
            CModel flat;
            ASSERT_TRUE(flat.AllocateMeshes(model->meshCount));
            Plugin().ExportMD2(&flat, 0, model.get());
        }
    }
}

void SetU32(Bytes& b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v >> 24);
    b[at + 1] = uint8_t(v >> 16);
    b[at + 2] = uint8_t(v >> 8);
    b[at + 3] = uint8_t(v);
}

std::vector<size_t> ChunkOffsets(const Bytes& file)
{
    std::vector<size_t> offsets;
    for (size_t q = 12; q + 8 <= file.size();) {
        offsets.push_back(q);
        const size_t n = (size_t(file[q + 4]) << 24) | (file[q + 5] << 16) | (file[q + 6] << 8) | file[q + 7];
        q += 8 + n + (n & 1);
    }
    return offsets;
}

}  // namespace

TEST(LwoDamaged, IntactObjectLoads)
{
    auto model = LoadModel(SmallObject());
    ASSERT_TRUE(model);
    EXPECT_EQ(Messages().size(), 1u);
    ASSERT_EQ(model->meshCount, 2);
    EXPECT_EQ(Plugin().GetSurfacePolys(0), 10);
    EXPECT_EQ(Plugin().GetSurfacePolys(1), 5);  // a quad and a detail-marked pentagon
    EXPECT_EQ(model->meshes[0].textureCount, 3);
    EXPECT_STREQ(model->meshes[0].textureNames[1], "bump.tga");
}

TEST(LwoDamaged, TruncatedAtEveryByte)
{
    const Bytes whole = SmallObject();
    for (size_t size = 0; size <= whole.size(); ++size) {
        SCOPED_TRACE(size);
        Bytes cut(whole.begin(), whole.begin() + size);
        LoadAndCheck(cut);
        // Also with a FORM length that agrees with the cut file.
        if (size >= 8) {
            SetU32(cut, 4, uint32_t(size - 8));
            LoadAndCheck(cut);
        }
    }
}

TEST(LwoDamaged, LengthsThatLie)
{
    const Bytes whole = SmallObject();
    for (uint32_t length : {0u, 1u, 3u, 7u, 13u, 0x7FFFFFFFu, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(length);
        Bytes form = whole;
        SetU32(form, 4, length);
        LoadAndCheck(form);
        for (size_t at : ChunkOffsets(whole)) {
            Bytes chunk = whole;
            SetU32(chunk, at + 4, length);
            LoadAndCheck(chunk);
        }
    }
}

TEST(LwoDamaged, PolygonCountsThatLie)
{
    Bytes body;
    PutU16(body, 3);
    PutU16(body, 0);
    PutU16(body, 1);
    PutU16(body, 2);
    PutU16(body, 1);
    PutU16(body, 0xFFFF);  // 65535 corners announced, four bytes present
    PutU16(body, 0);
    PutU16(body, 1);
    const Bytes file = LwobWriter().Names({"S"}).Points(CubePoints()).PolygonBytes(body).Build();
    auto model = LoadModel(file);
    ASSERT_TRUE(model);
    EXPECT_EQ(Plugin().GetSurfacePolys(0), 1);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_NE(Messages()[0].find("damaged"), std::string::npos);
    // A detail count cut off at the end of the chunk.
    Bytes detail;
    PutU16(detail, 3);
    PutU16(detail, 0);
    PutU16(detail, 1);
    PutU16(detail, 2);
    PutU16(detail, uint16_t(-1));
    LoadAndCheck(LwobWriter().Names({"S"}).Points(CubePoints()).PolygonBytes(detail).Build());
    EXPECT_EQ(Plugin().GetSurfacePolys(0), 1);
}

TEST(LwoDamaged, SurfaceValuesCutByTheChunkEndAreNotRead)
{
    // The last sub-chunks announce more bytes than the SURF chunk holds; the
    // bytes after the chunk (a PNTS chunk) must not be taken as their values.
    auto s = SurfaceBuilder("S");
    s.Raw({'S', 'M', 'A', 'N', 0, 4, 0x3F, 0x80});
    auto t = SurfaceBuilder("T");
    t.Texture("CTEX", "Planar Image Map").Image("x").U16("TFLG", 4).Raw({'T', 'S', 'I', 'Z', 0, 12, 0x40, 0, 0, 0, 0x40});
    const Bytes file = LwobWriter()
                           .Names({"S", "T"})
                           .Surface(s)
                           .Surface(t)
                           .Points({{2, 2, 2}, {3, 3, 3}, {4, 4, 4}})
                           .Polygons({{{0, 1, 2}, 1}, {{0, 1, 2}, 2}})
                           .Build();
    auto model = LoadModel(file);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->meshes[0].smoothingAngle, 0.0f);
    ASSERT_NE(model->meshes[1].texCoords[0], nullptr);
    // Size stayed (0, 0, 0): the planar formula has nothing to divide by.
    EXPECT_FALSE(std::isfinite(model->meshes[1].texCoords[0][0].u));
}

TEST(LwoDamaged, RandomlyCorruptedBytes)
{
    const Bytes whole = SmallObject();
    uint32_t state = 12345;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int round = 0; round < 800; ++round) {
        SCOPED_TRACE(round);
        Bytes file = whole;
        const int changes = 1 + next() % 6;
        for (int c = 0; c < changes; ++c) {
            const size_t at = next() % file.size();
            switch (next() % 3) {
            case 0: file[at] = uint8_t(next()); break;
            case 1: file[at] = 0xFF; break;
            default: file[at] = 0; break;
            }
        }
        LoadAndCheck(file);
    }
}
