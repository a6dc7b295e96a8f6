// The grouped smoothing and welding against direct all-pairs versions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "plugins/lwo/vertex_grouping.h"

namespace {

// Every vertex against every other, exactly as the passes are defined.
void ReferenceSmooth(const Vector3* positions, Vector3* normals, int count, float limit)
{
    std::vector<char> pending(count, 1);
    std::vector<int> group;
    for (int v = 0; v < count; ++v) {
        if (!pending[v])
            continue;
        const Vector3 n = normals[v];
        const Vector3 q = positions[v];
        Vector3 sum{0, 0, 0};
        group.clear();
        for (int w = 0; w < count; ++w)
            if (VecDot(n, normals[w]) > limit && positions[w].x == q.x && positions[w].y == q.y &&
                positions[w].z == q.z) {
                sum.x += normals[w].x;
                sum.y += normals[w].y;
                sum.z += normals[w].z;
                group.push_back(w);
                pending[w] = 0;
            }
        VecNormalize(sum);
        for (int w : group)
            normals[w] = sum;
    }
}

int ReferenceWeld(Vector3* positions, Vector3* normals, TexCoord* const* sets, int setCount, uint32_t* map,
                  int count)
{
    std::vector<Vector3> up, un;
    std::vector<std::vector<TexCoord>> ut(setCount);
    auto same = [](const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; };
    for (int i = 0; i < count; ++i) {
        int found = -1;
        for (int u = 0; u < int(up.size()) && found < 0; ++u) {
            bool equal = same(up[u], positions[i]) && same(un[u], normals[i]);
            for (int j = 0; j < setCount && equal; ++j)
                if (sets[j])
                    equal = ut[j][u].u == sets[j][i].u && ut[j][u].v == sets[j][i].v;
            if (equal)
                found = u;
        }
        if (found >= 0) {
            map[i] = uint32_t(found);
            continue;
        }
        map[i] = uint32_t(up.size());
        up.push_back(positions[i]);
        un.push_back(normals[i]);
        for (int j = 0; j < setCount; ++j)
            if (sets[j])
                ut[j].push_back(sets[j][i]);
    }
    for (size_t u = 0; u < up.size(); ++u) {
        positions[u] = up[u];
        normals[u] = un[u];
        for (int j = 0; j < setCount; ++j)
            if (sets[j])
                sets[j][u] = ut[j][u];
    }
    return int(up.size());
}

struct Object {
    std::vector<Vector3> positions, normals;
    std::vector<TexCoord> uv0, uv1;
};

// Vertices drawn from small pools, so positions are shared many times over:
// creases (normals far apart at one point), near-equal normals, seams (one
// point and normal with two coordinates), 0.0 against -0.0, NaN and zero normals.
Object MakeObject(uint32_t seed, int count)
{
    uint32_t state = seed;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Vector3> points = {{0, 0, 0},  {-0.0f, 0, 0}, {0, -0.0f, -0.0f}, {1, 0, 0}, {1, 1, 0},
                                         {0, 1, 1},  {2, 2, 2},     {nan, 0, 0},       {1, 0, nan}, {0.5f, 0.5f, 0.5f}};
    std::vector<Vector3> directions = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {0, 1, 0}, {0.6f, 0, 0.8f},
                                       {0, 0.8f, 0.6f}, {0, 0, 0}, {0.7071068f, 0.7071068f, 0}};
    for (int i = 0; i < 6; ++i) {
        Vector3 d{0.1f * i, 0.05f * (i % 3), 1.0f};
        VecNormalize(d);
        directions.push_back(d);  // a fan of normals a few degrees apart
    }
    directions.push_back({nan, 0, 1});
    Object o;
    for (int i = 0; i < count; ++i) {
        o.positions.push_back(points[next() % points.size()]);
        o.normals.push_back(directions[next() % directions.size()]);
        o.uv0.push_back({float(next() % 3) * 0.5f, next() % 7 == 0 ? -0.0f : 0.0f});
        o.uv1.push_back({next() % 11 == 0 ? nan : 1.0f, float(next() % 2)});
    }
    return o;
}

bool SameBits(const void* a, const void* b, size_t bytes)
{
    return std::memcmp(a, b, bytes) == 0;
}

}  // namespace

TEST(LwoVertexGrouping, SmoothingMatchesAllPairs)
{
    lwo::GroupingScratch scratch;
    std::vector<int32_t> group;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        for (float angle : {0.05f, 0.3f, 1.0f, 1.6f, 2.5f, 3.2f}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " angle " << angle);
            Object o = MakeObject(seed, 600 + int(seed) * 50);
            std::vector<Vector3> expected = o.normals;
            const float limit = std::cos(angle);
            ReferenceSmooth(o.positions.data(), expected.data(), int(o.positions.size()), limit);
            lwo::SmoothNormals(o.positions.data(), o.normals.data(), int(o.positions.size()), limit, group,
                               scratch);
            ASSERT_TRUE(SameBits(expected.data(), o.normals.data(), expected.size() * sizeof(Vector3)));
        }
    }
}

TEST(LwoVertexGrouping, SmoothingOrderDependenceIsKept)
{
    // Three normals at one point, 80 degrees allowed: a's group is {a, b}
    // (a and c are 90 degrees apart). c's group then takes a and b again with
    // their new normal, so all three end with c's group normal, which is not
    // the plain average of a, b and c.
    std::vector<Vector3> positions(3, Vector3{1, 2, 3});
    std::vector<Vector3> normals = {{1, 0, 0}, {0.7071068f, 0.7071068f, 0}, {0, 1, 0}};
    std::vector<Vector3> expected = normals;
    const float limit = std::cos(1.4f);
    ReferenceSmooth(positions.data(), expected.data(), 3, limit);
    lwo::GroupingScratch scratch;
    std::vector<int32_t> group;
    lwo::SmoothNormals(positions.data(), normals.data(), 3, limit, group, scratch);
    ASSERT_TRUE(SameBits(expected.data(), normals.data(), sizeof(Vector3) * 3));
    EXPECT_EQ(normals[0].x, normals[2].x);
    EXPECT_EQ(normals[1].y, normals[2].y);
    EXPECT_NEAR(normals[0].x, 0.7231f, 1e-3f);
}

TEST(LwoVertexGrouping, WeldingMatchesAllPairs)
{
    lwo::GroupingScratch scratch;
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        for (int sets = 0; sets <= 3; ++sets) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " sets " << sets);
            Object a = MakeObject(seed, 900);
            Object b = a;
            const int count = int(a.positions.size());
            // Slot 1 may exist without a set (a texture block without image).
            TexCoord* setsA[3] = {a.uv0.data(), sets >= 2 ? nullptr : a.uv1.data(), a.uv1.data()};
            TexCoord* setsB[3] = {b.uv0.data(), sets >= 2 ? nullptr : b.uv1.data(), b.uv1.data()};
            std::vector<uint32_t> mapA(count), mapB(count);
            const int keptA = ReferenceWeld(a.positions.data(), a.normals.data(), setsA, sets, mapA.data(), count);
            const int keptB =
                lwo::WeldVertices(b.positions.data(), b.normals.data(), setsB, sets, mapB.data(), count, scratch);
            ASSERT_EQ(keptA, keptB);
            ASSERT_EQ(mapA, mapB);
            ASSERT_TRUE(SameBits(a.positions.data(), b.positions.data(), sizeof(Vector3) * keptA));
            ASSERT_TRUE(SameBits(a.normals.data(), b.normals.data(), sizeof(Vector3) * keptA));
            ASSERT_TRUE(SameBits(a.uv0.data(), b.uv0.data(), sizeof(TexCoord) * keptA));
            ASSERT_TRUE(SameBits(a.uv1.data(), b.uv1.data(), sizeof(TexCoord) * keptA));
        }
    }
}

TEST(LwoVertexGrouping, SignedZerosWeldAndNaNNever)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<Vector3> positions = {{0, 0, 0}, {-0.0f, 0, 0}, {nan, 0, 0}, {nan, 0, 0}, {0, 0, 0}};
    std::vector<Vector3> normals(5, Vector3{0, 0, 1});
    std::vector<uint32_t> map(5);
    lwo::GroupingScratch scratch;
    const int kept = lwo::WeldVertices(positions.data(), normals.data(), nullptr, 0, map.data(), 5, scratch);
    EXPECT_EQ(kept, 3);
    EXPECT_EQ(map, (std::vector<uint32_t>{0, 0, 1, 2, 0}));
    EXPECT_FALSE(std::signbit(positions[0].x));  // the first of the equal vertices stays
}
