#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "common/vecmath.h"

namespace {

constexpr float kPi = 3.14159265358979f;

void ExpectNear(const Vector3& v, float x, float y, float z, float eps = 1e-5f) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

void ExpectMatrixNear(const Matrix44& a, const Matrix44& b, float eps) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], eps) << "element " << i;
}

Matrix44 RandomRigid(std::mt19937& rng) {
    std::uniform_real_distribution<float> angle(-kPi, kPi), offset(-100.0f, 100.0f);
    Matrix44 m = MatIdentity();
    MatFromEuler(angle(rng), angle(rng), angle(rng), m);
    m.m[12] = offset(rng);
    m.m[13] = offset(rng);
    m.m[14] = offset(rng);
    return m;
}

Vector3 Turned(const Matrix44& m, Vector3 v) {
    VecRotate(v, m);
    return v;
}

}  // namespace

TEST(VectorOps, DistancesAndNormalising) {
    Vector3 zero{0, 0, 0};
    VecNormalize(zero);
    ExpectNear(zero, 0, 0, 0, 0.0f);
    EXPECT_FLOAT_EQ(PlaneDistance({0, 1, 0}, {0, 2, 0}, {5, -1, 5}), -3.0f);
    // The line direction need not be unit length.
    EXPECT_NEAR(PointLineDistance(1, 5, 9, 1, 0, 0, 0, 7, 0), 9.0f, 1e-5f);
}

TEST(MatrixOps, InverseAndProduct) {
    std::mt19937 rng(1234);
    Matrix44 inverse, product;
    for (int i = 0; i < 20; ++i) {
        const Matrix44 a = RandomRigid(rng);
        MatInverseAffine(a, inverse);
        MatMultiply(a, inverse, product);
        ExpectMatrixNear(product, MatIdentity(), 1e-4f);
    }
    // A product applies its first matrix, then its second.
    const Matrix44 a = RandomRigid(rng), b = RandomRigid(rng);
    Matrix44 ab;
    MatMultiply(a, b, ab);
    Vector3 viaBoth{1.5f, -2.0f, 3.0f}, viaProduct = viaBoth;
    VecTransform(viaBoth, a);
    VecTransform(viaBoth, b);
    VecTransform(viaProduct, ab);
    ExpectNear(viaProduct, viaBoth.x, viaBoth.y, viaBoth.z, 1e-3f);
    EXPECT_EQ(ab.m[15], 1.0f);
}

TEST(MatrixOps, RotateEulerSkipsTinyAnglesAndKeepsTranslation) {
    Matrix44 m = MatIdentity();
    m.m[12] = 7.25f;
    m.m[14] = 1e6f;
    const Matrix44 before = m;
    MatRotateEuler(m, {0.0005f, -0.001f, 0.001f}, false);
    MatRotateEuler(m, {0.0005f, 0.0f, 0.0f}, true);
    EXPECT_EQ(std::memcmp(&m, &before, sizeof m), 0);

    MatRotateEuler(m, {0.002f, 0.0f, 0.0f}, false);
    EXPECT_NEAR(m.at(1, 2), -std::sin(0.002f), 1e-7f);
    for (bool own : {false, true}) {
        MatRotateEuler(m, {1.0f, -2.0f, 0.5f}, own);
        EXPECT_EQ(m.m[12], 7.25f);
        EXPECT_EQ(m.m[13], 0.0f);
        EXPECT_EQ(m.m[14], 1e6f);
    }
}

TEST(MatrixOps, OwnAxesTurnBeforeWorldAxesTurnAfter) {
    // A quarter turn about Z takes the x axis to -y ...
    Matrix44 base = MatIdentity();
    MatRotateEuler(base, {0, 0, kPi / 2}, false);
    ExpectNear(Turned(base, {1, 0, 0}), 0, -1, 0);
    // ... a world X turn then takes -y to +z, while a turn about the object's
    // own X axis leaves its x axis where the Z turn put it.
    Matrix44 world = base, own = base;
    MatRotateEuler(world, {kPi / 2, 0, 0}, false);
    MatRotateEuler(own, {kPi / 2, 0, 0}, true);
    ExpectNear(Turned(world, {1, 0, 0}), 0, 0, 1);
    ExpectNear(Turned(own, {1, 0, 0}), 0, -1, 0);

    MatTranslate(own, {2, 0, 0}, true);
    ExpectNear({own.m[12], own.m[13], own.m[14]}, 0, -2, 0);
    MatTranslate(own, {2, 0, 0}, false);
    ExpectNear({own.m[12], own.m[13], own.m[14]}, 2, -2, 0);
}

TEST(MatrixOps, EulerQuaternionAndSwappedAxes) {
    Matrix44 e;
    for (float& v : e.m) v = 9.0f;
    MatFromEuler(0.7f, 0.0f, -1.1f, e);
    Matrix44 expected = MatIdentity();
    MatRotateEuler(expected, {0.7f, 0, 0}, false);
    MatRotateEuler(expected, {0, 0, -1.1f}, false);
    expected.m[12] = expected.m[13] = expected.m[14] = 9.0f;  // left to the caller
    ExpectMatrixNear(e, expected, 1e-6f);

    const float h = std::sqrt(0.5f);
    Matrix44 q, quarter = MatIdentity();
    MatFromQuaternion(0, 0, h, h, q);
    MatRotateEuler(quarter, {0, 0, kPi / 2}, false);
    ExpectMatrixNear(q, quarter, 1e-6f);

    // The swapped matrix acts on swapped points as the original on the points.
    std::mt19937 rng(7);
    const Matrix44 m = RandomRigid(rng);
    Matrix44 s;
    MatFromSwappedAxes(s, m.m);
    Vector3 p{0.25f, -4.0f, 9.0f}, swapped{p.x, p.z, p.y};
    VecTransform(p, m);
    VecTransform(swapped, s);
    ExpectNear(swapped, p.x, p.z, p.y, 1e-3f);
}

TEST(MatrixOps, ScreenToWorldUndoesTheCamera) {
    Vector3 out{};
    ScreenToWorld(out, 0.5f, 0.5f, 10.0f, nullptr, kPi / 2, 0.75f);
    ExpectNear(out, 5.0f, -3.75f, 10.0f, 1e-4f);
    Matrix44 camera = MatIdentity();
    camera.m[12] = 1;
    camera.m[13] = 2;
    camera.m[14] = 3;
    ScreenToWorld(out, 0.0f, 0.0f, 4.0f, &camera, kPi / 2, 1.0f);
    ExpectNear(out, -1.0f, -2.0f, 1.0f);
}

TEST(KeySorts, OrderKeysAndKeepTies) {
    int order[4];
    float keys[4] = {3, 5, 5, 1};
    SortKeysDescending(order, keys, 4);
    EXPECT_EQ((std::vector<int>(order, order + 4)), (std::vector<int>{1, 2, 0, 3}));
    EXPECT_EQ(keys[0], 5.0f);

    int up[6];
    float upKeys[6] = {2, -1, 2, 0, -1, 2};
    SortKeysAscending(up, upKeys, 6);
    EXPECT_EQ((std::vector<int>(up, up + 6)), (std::vector<int>{1, 4, 3, 0, 2, 5}));
}

TEST(ObjectFrameBox, BoundsAndBoxMesh) {
    ObjectFrame frame;
    frame.GrowMaximum({1, -2, 3});
    frame.GrowMinimum({1, -2, 3});
    ExpectNear(frame.boxMinimum, 1, -2, 3, 0.0f);
    ExpectNear(frame.boxMaximum, 1, -2, 3, 0.0f);
    frame.GrowMinimum({std::numeric_limits<float>::quiet_NaN(), 0, 0});
    EXPECT_TRUE(std::isnan(frame.boxMinimum.x));

    frame.ResetMinimum();
    frame.GrowMinimum({-1, -2, -3});
    frame.GrowMaximum({1, 2, 3});
    frame.BuildBoxMesh();
    ExpectNear(frame.boxCorners[5], 1, -2, 3, 0.0f);
    // Every triangle winds so that (b - a) x (c - a) is its outward normal.
    for (int t = 0; t < 12; ++t) {
        const Vector3& a = frame.boxCorners[frame.boxTriangles[t * 3]];
        const Vector3& b = frame.boxCorners[frame.boxTriangles[t * 3 + 1]];
        const Vector3& c = frame.boxCorners[frame.boxTriangles[t * 3 + 2]];
        Vector3 n{};
        VecCross({b.x - a.x, b.y - a.y, b.z - a.z}, {c.x - a.x, c.y - a.y, c.z - a.z}, n);
        VecNormalize(n);
        ExpectNear(n, frame.faceNormals[t].x, frame.faceNormals[t].y, frame.faceNormals[t].z);
    }
}
