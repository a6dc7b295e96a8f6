// The grouped smoothing and welding against direct all-pairs versions.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

#include "plugins/lwo/vertex_grouping.h"

namespace {

bool Same(const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// Every vertex against every other, exactly as the passes are defined.
void ReferenceSmooth(const Vector3* positions, Vector3* normals, int count, float limit) {
    std::vector<char> pending(count, 1);
    std::vector<int> group;
    for (int v = 0; v < count; ++v) {
        if (!pending[v]) continue;
        const Vector3 n = normals[v];
        Vector3 sum{0, 0, 0};
        group.clear();
        for (int w = 0; w < count; ++w)
            if (VecDot(n, normals[w]) > limit && Same(positions[w], positions[v])) {
                sum = {sum.x + normals[w].x, sum.y + normals[w].y, sum.z + normals[w].z};
                group.push_back(w);
                pending[w] = 0;
            }
        VecNormalize(sum);
        for (int w : group) normals[w] = sum;
    }
}

int ReferenceWeld(Vector3* positions, Vector3* normals, TexCoord* const* sets, int setCount, uint32_t* map, int count) {
    std::vector<int> unique;  // the first vertex of each unique one
    for (int i = 0; i < count; ++i) {
        map[i] = uint32_t(unique.size());
        for (size_t u = 0; u < unique.size(); ++u) {
            const int f = unique[u];
            bool equal = Same(positions[f], positions[i]) && Same(normals[f], normals[i]);
            for (int j = 0; j < setCount; ++j)
                equal = equal && (!sets[j] || (sets[j][f].u == sets[j][i].u && sets[j][f].v == sets[j][i].v));
            if (equal) {
                map[i] = uint32_t(u);
                break;
            }
        }
        if (map[i] == unique.size()) unique.push_back(i);
    }
    for (size_t u = 0; u < unique.size(); ++u) {  // ascending, so sources are never overwritten first
        positions[u] = positions[unique[u]];
        normals[u] = normals[unique[u]];
        for (int j = 0; j < setCount; ++j)
            if (sets[j]) sets[j][u] = sets[j][unique[u]];
    }
    return int(unique.size());
}

struct Object {
    std::vector<Vector3> positions, normals;
    std::vector<TexCoord> uv0, uv1;
};

// Vertices from small pools, so points are shared many times over: creases
// (normals far apart at one point), fans of normals a few degrees apart,
// seams (one point and normal, two coordinates), 0.0 against -0.0, NaN, zero normals.
Object MakeObject(uint32_t seed, int count) {
    auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Vector3 points[] = {{0, 0, 0}, {-0.0f, 0, 0}, {0, -0.0f, -0.0f}, {1, 0, 0},   {1, 1, 0},
                              {0, 1, 1}, {2, 2, 2},     {nan, 0, 0},       {1, 0, nan}, {0.5f, 0.5f, 0.5f}};
    std::vector<Vector3> directions = {{0, 0, 1},       {0, 0, -1},      {1, 0, 0}, {0, 1, 0},
                                       {0.6f, 0, 0.8f}, {0, 0.8f, 0.6f}, {0, 0, 0}, {0.7071068f, 0.7071068f, 0},
                                       {nan, 0, 1}};
    for (int i = 0; i < 6; ++i) {
        directions.push_back({0.1f * i, 0.05f * (i % 3), 1.0f});
        VecNormalize(directions.back());
    }
    Object o;
    for (int i = 0; i < count; ++i) {
        o.positions.push_back(points[next() % 10]);
        o.normals.push_back(directions[next() % directions.size()]);
        o.uv0.push_back({float(next() % 3) * 0.5f, next() % 7 == 0 ? -0.0f : 0.0f});
        o.uv1.push_back({next() % 11 == 0 ? nan : 1.0f, float(next() % 2)});
    }
    return o;
}

template <typename T>
bool SameBits(const std::vector<T>& a, const std::vector<T>& b, int count) {
    return std::memcmp(a.data(), b.data(), sizeof(T) * count) == 0;
}

}  // namespace

TEST(LwoVertexGrouping, SmoothingMatchesAllPairs) {
    lwo::GroupingScratch scratch;
    std::vector<int32_t> group;
    for (uint32_t seed = 1; seed <= 12; ++seed)
        for (float angle : {0.05f, 0.3f, 1.0f, 1.4f, 1.6f, 2.5f, 3.2f}) {
            Object o = MakeObject(seed, 600 + int(seed) * 50);
            std::vector<Vector3> expected = o.normals;
            const int n = int(o.positions.size());
            ReferenceSmooth(o.positions.data(), expected.data(), n, std::cos(angle));
            lwo::SmoothNormals(o.positions.data(), o.normals.data(), n, std::cos(angle), group, scratch);
            ASSERT_TRUE(SameBits(expected, o.normals, n)) << "seed " << seed << " angle " << angle;
        }
    // Order dependence: at 80 degrees a's group is {a, b}; c's group then
    // takes a and b again with their new normal, so all three end with c's
    // group normal, which is not the plain average of a, b and c.
    std::vector<Vector3> positions(3, Vector3{1, 2, 3});
    std::vector<Vector3> normals = {{1, 0, 0}, {0.7071068f, 0.7071068f, 0}, {0, 1, 0}};
    lwo::SmoothNormals(positions.data(), normals.data(), 3, std::cos(1.4f), group, scratch);
    EXPECT_TRUE(Same(normals[0], normals[2]) && Same(normals[1], normals[2]));
    EXPECT_NEAR(normals[0].x, 0.7231f, 1e-3f);
}

TEST(LwoVertexGrouping, WeldingMatchesAllPairs) {
    lwo::GroupingScratch scratch;
    for (uint32_t seed = 1; seed <= 20; ++seed)
        for (int sets = 0; sets <= 3; ++sets) {
            Object a = MakeObject(seed, 900), b = a;
            const int n = int(a.positions.size());
            // The middle slot may have no set (a texture block without an image).
            TexCoord* setsA[3] = {a.uv0.data(), sets >= 2 ? nullptr : a.uv1.data(), a.uv1.data()};
            TexCoord* setsB[3] = {b.uv0.data(), sets >= 2 ? nullptr : b.uv1.data(), b.uv1.data()};
            std::vector<uint32_t> mapA(n), mapB(n);
            const int kept = ReferenceWeld(a.positions.data(), a.normals.data(), setsA, sets, mapA.data(), n);
            ASSERT_EQ(lwo::WeldVertices(b.positions.data(), b.normals.data(), setsB, sets, mapB.data(), n, scratch),
                      kept);
            ASSERT_EQ(mapA, mapB) << "seed " << seed << " sets " << sets;
            ASSERT_TRUE(SameBits(a.positions, b.positions, kept) && SameBits(a.normals, b.normals, kept));
            ASSERT_TRUE(SameBits(a.uv0, b.uv0, kept) && SameBits(a.uv1, b.uv1, kept));
        }
}

TEST(LwoVertexGrouping, CrowdedPositionsSmoothInBoundedWork) {
    lwo::GroupingScratch scratch;
    std::vector<int32_t> group;
    const float limit = std::cos(1.0f);

    // 1,000 corners at one point with three normals: few groups, so the exact
    // rule stays within its work and gives the all-pairs result.
    {
        const Vector3 dirs[] = {{0, 0, 1}, {0, 0.6f, 0.8f}, {1, 0, 0}};
        std::vector<Vector3> positions(1000, Vector3{1, 1, 1}), normals;
        for (int i = 0; i < 1000; ++i) normals.push_back(dirs[(i * 7) % 3]);
        std::vector<Vector3> expected = normals;
        ReferenceSmooth(positions.data(), expected.data(), 1000, limit);
        lwo::SmoothNormals(positions.data(), normals.data(), 1000, limit, group, scratch);
        EXPECT_TRUE(SameBits(expected, normals, 1000));
    }

    // 300,000 corners at one point, degenerate (zero normals) or all alike: an
    // all-pairs scan would make 9e10 comparisons (minutes). Zero normals fail
    // their own test and stay zero; equal normals form one group; a second
    // point with a few corners next to the crowd is smoothed as usual.
    for (const Vector3 n : {Vector3{0, 0, 0}, Vector3{0, 0, 1}}) {
        const int crowd = 300000;
        std::vector<Vector3> positions(crowd, Vector3{0, 0, 0}), normals(crowd, n);
        positions.insert(positions.end(), {{5, 0, 0}, {5, 0, 0}});
        normals.insert(normals.end(), {{0, 0, 1}, {0, 0.6f, 0.8f}});
        const auto start = std::chrono::steady_clock::now();
        lwo::SmoothNormals(positions.data(), normals.data(), crowd + 2, limit, group, scratch);
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 30.0);
        for (int i = 0; i < crowd; ++i) ASSERT_TRUE(Same(normals[i], n)) << i;
        EXPECT_NEAR(normals[crowd].y, 0.3162278f, 1e-6f);
        EXPECT_TRUE(Same(normals[crowd], normals[crowd + 1]));
    }

    // A cone apex: 20,000 corners at one point, every normal different and
    // 0.011 degrees from the next, smoothed within 0.1 degree. Past its work
    // the apex keeps each corner's own normal (unit length), never a mixture,
    // and NaN normals stay as they are.
    {
        const int corners = 20000;
        std::vector<Vector3> positions(corners, Vector3{0, 1, 0}), normals;
        for (int i = 0; i < corners; ++i) {
            const float a = 6.2831853f * float(i) / float(corners);
            normals.push_back(i % 1000 == 0 ? Vector3{std::numeric_limits<float>::quiet_NaN(), 0, 0}
                                            : Vector3{std::cos(a) * 0.6f, 0.8f, std::sin(a) * 0.6f});
        }
        const std::vector<Vector3> before = normals;
        lwo::SmoothNormals(positions.data(), normals.data(), corners, std::cos(0.001745f), group, scratch);
        int own = 0;
        for (int i = 0; i < corners; ++i) {
            if (i % 1000 == 0) {
                ASSERT_TRUE(std::isnan(normals[i].x));
                continue;
            }
            ASSERT_NEAR(VecLength(normals[i].x, normals[i].y, normals[i].z), 1.0f, 1e-5f);
            if (std::fabs(normals[i].x - before[i].x) < 1e-6f && std::fabs(normals[i].z - before[i].z) < 1e-6f) ++own;
        }
        EXPECT_GT(own, corners / 2);  // most corners past the work keep their own direction
    }
}
