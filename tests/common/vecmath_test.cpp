#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "common/vecmath.h"

namespace {

constexpr float kPi = 3.14159265358979f;

void ExpectNear(const Vector3& v, float x, float y, float z, float eps = 1e-5f)
{
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

void ExpectIdentity(const Matrix44& m, float eps)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m.m[i], (i % 5 == 0) ? 1.0f : 0.0f, eps) << "element " << i;
}

Matrix44 RandomRigid(std::mt19937& rng)
{
    std::uniform_real_distribution<float> angle(-kPi, kPi);
    std::uniform_real_distribution<float> offset(-100.0f, 100.0f);
    Matrix44 m = MatIdentity();
    MatFromEuler(angle(rng), angle(rng), angle(rng), m);
    m.m[12] = offset(rng);
    m.m[13] = offset(rng);
    m.m[14] = offset(rng);
    return m;
}

}  // namespace

TEST(VectorOps, BasicResults)
{
    Vector3 out{};
    VecCross({1, 0, 0}, {0, 1, 0}, out);
    ExpectNear(out, 0, 0, 1);
    EXPECT_FLOAT_EQ(VecDot({1, 2, 3}, {4, -5, 6}), 12.0f);
    EXPECT_FLOAT_EQ(VecLength(3, 4, 12), 13.0f);
    EXPECT_FLOAT_EQ(VecDistance({1, 1, 1}, {4, 5, 1}), 5.0f);

    Vector3 zero{0, 0, 0};
    VecNormalize(zero);
    ExpectNear(zero, 0, 0, 0, 0.0f);
    Vector3 v{0, -3, 4};
    VecNormalize(v);
    ExpectNear(v, 0, -0.6f, 0.8f);

    // Signed: positive on the side the normal points to.
    EXPECT_FLOAT_EQ(PlaneDistance({0, 1, 0}, {0, 2, 0}, {5, 7, 5}), 5.0f);
    EXPECT_FLOAT_EQ(PlaneDistance({0, 1, 0}, {0, 2, 0}, {5, -1, 5}), -3.0f);
    // The direction need not be unit length.
    EXPECT_NEAR(PointLineDistance(3, 4, 0, 0, 0, 0, 0, 0, 10), 5.0f, 1e-5f);
    EXPECT_NEAR(PointLineDistance(1, 5, 9, 1, 0, 0, 0, 7, 0), 9.0f, 1e-5f);
}

TEST(VectorOps, RotateIgnoresTranslationTransformApplies)
{
    Matrix44 m = MatIdentity();
    MatRotateEuler(m, {0, 0, kPi / 2}, false);
    m.m[12] = 10;
    m.m[13] = 20;
    m.m[14] = 30;
    Vector3 r{1, 0, 0};
    VecRotate(r, m);
    ExpectNear(r, 0, -1, 0);
    Vector3 t{1, 0, 0};
    VecTransform(t, m);
    ExpectNear(t, 10, 19, 30);
}

TEST(MatrixOps, InverseOfRigidMatricesGivesIdentity)
{
    std::mt19937 rng(1234);
    for (int i = 0; i < 20; ++i) {
        const Matrix44 a = RandomRigid(rng);
        Matrix44 inverse, product;
        MatInverseAffine(a, inverse);
        MatMultiply(a, inverse, product);
        ExpectIdentity(product, 1e-4f);
        MatMultiply(inverse, a, product);
        ExpectIdentity(product, 1e-4f);
    }
}

TEST(MatrixOps, InverseHandlesScaleAndShear)
{
    Matrix44 a = MatIdentity();
    a.at(0, 0) = 2.0f;
    a.at(1, 0) = 0.5f;
    a.at(2, 2) = -3.0f;
    a.at(3, 0) = 4.0f;
    a.at(3, 2) = -1.0f;
    Matrix44 inverse, product;
    MatInverseAffine(a, inverse);
    MatMultiply(a, inverse, product);
    ExpectIdentity(product, 1e-5f);
}

TEST(MatrixOps, ProductAppliesFirstThenSecondAndMayAlias)
{
    std::mt19937 rng(99);
    const Matrix44 a = RandomRigid(rng);
    const Matrix44 b = RandomRigid(rng);
    Matrix44 ab;
    MatMultiply(a, b, ab);

    Vector3 viaBoth{1.5f, -2.0f, 3.0f};
    VecTransform(viaBoth, a);
    VecTransform(viaBoth, b);
    Vector3 viaProduct{1.5f, -2.0f, 3.0f};
    VecTransform(viaProduct, ab);
    ExpectNear(viaProduct, viaBoth.x, viaBoth.y, viaBoth.z, 1e-3f);
    EXPECT_EQ(ab.m[3], 0.0f);
    EXPECT_EQ(ab.m[7], 0.0f);
    EXPECT_EQ(ab.m[11], 0.0f);
    EXPECT_EQ(ab.m[15], 1.0f);

    Matrix44 inPlace = a;
    MatMultiply(inPlace, b, inPlace);
    EXPECT_EQ(std::memcmp(&inPlace, &ab, sizeof ab), 0);
}

TEST(MatrixOps, RotateEulerSkipsTinyAnglesAndKeepsTranslation)
{
    Matrix44 m = MatIdentity();
    m.m[12] = 7.25f;
    m.m[13] = -3.5f;
    m.m[14] = 1e6f;
    const Matrix44 before = m;

    MatRotateEuler(m, {0.0005f, -0.001f, 0.001f}, false);
    EXPECT_EQ(std::memcmp(&m, &before, sizeof m), 0);
    MatRotateEuler(m, {0.0005f, 0.0f, 0.0f}, true);
    EXPECT_EQ(std::memcmp(&m, &before, sizeof m), 0);

    MatRotateEuler(m, {0.002f, 0.0f, 0.0f}, false);
    EXPECT_NE(m.at(1, 2), 0.0f);
    EXPECT_NEAR(m.at(1, 1), std::cos(0.002f), 1e-7f);

    for (bool own : {false, true}) {
        MatRotateEuler(m, {1.0f, -2.0f, 0.5f}, own);
        EXPECT_EQ(m.m[12], 7.25f);
        EXPECT_EQ(m.m[13], -3.5f);
        EXPECT_EQ(m.m[14], 1e6f);
        EXPECT_EQ(m.m[15], 1.0f);
    }
}

TEST(MatrixOps, OwnAxesTurnBeforeWorldAxesTurnAfter)
{
    // Quarter turn about Z takes the x axis to -y.
    Matrix44 base = MatIdentity();
    MatRotateEuler(base, {0, 0, kPi / 2}, false);
    Vector3 p{1, 0, 0};
    VecRotate(p, base);
    ExpectNear(p, 0, -1, 0);

    // A world-axis quarter turn about X then takes -y to +z.
    Matrix44 world = base;
    MatRotateEuler(world, {kPi / 2, 0, 0}, false);
    Vector3 w{1, 0, 0};
    VecRotate(w, world);
    ExpectNear(w, 0, 0, 1);

    // About the object's own X axis the x axis stays where it is, so the
    // result is that of the Z turn alone.
    Matrix44 own = base;
    MatRotateEuler(own, {kPi / 2, 0, 0}, true);
    Vector3 o{1, 0, 0};
    VecRotate(o, own);
    ExpectNear(o, 0, -1, 0);
}

TEST(MatrixOps, TranslateAlongOwnOrWorldAxes)
{
    Matrix44 m = MatIdentity();
    MatRotateEuler(m, {0, 0, kPi / 2}, false);
    m.m[12] = 1;
    Matrix44 own = m;
    MatTranslate(own, {2, 0, 0}, true);
    EXPECT_NEAR(own.m[12], 1.0f, 1e-6f);
    EXPECT_NEAR(own.m[13], -2.0f, 1e-6f);
    Matrix44 world = m;
    MatTranslate(world, {2, 0, 0}, false);
    EXPECT_FLOAT_EQ(world.m[12], 3.0f);
    EXPECT_FLOAT_EQ(world.m[13], 0.0f);
}

TEST(MatrixOps, EulerAndQuaternionBuildRotations)
{
    // Single angles reduce to the axis rotations.
    Matrix44 e;
    for (float& v : e.m)
        v = 9.0f;
    MatFromEuler(0.7f, 0.0f, 0.0f, e);
    Matrix44 x = MatIdentity();
    MatRotateEuler(x, {0.7f, 0, 0}, false);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(e.at(r, c), x.at(r, c), 1e-6f);
    EXPECT_EQ(e.m[12], 9.0f);  // translation row left to the caller
    EXPECT_EQ(e.m[3], 0.0f);
    EXPECT_EQ(e.m[15], 1.0f);

    MatFromEuler(0.0f, 0.0f, -1.1f, e);
    Matrix44 z = MatIdentity();
    MatRotateEuler(z, {0, 0, -1.1f}, false);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(e.at(r, c), z.at(r, c), 1e-6f);

    // Any angles give an orthonormal 3x3 part.
    MatFromEuler(0.3f, -1.2f, 2.5f, e);
    Matrix44 inverse;
    e.m[12] = e.m[13] = e.m[14] = 0;
    MatInverseAffine(e, inverse);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(inverse.at(r, c), e.at(c, r), 1e-5f);

    const float h = std::sqrt(0.5f);
    Matrix44 q;
    MatFromQuaternion(0, 0, h, h, q);
    Matrix44 quarter = MatIdentity();
    MatRotateEuler(quarter, {0, 0, kPi / 2}, false);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(q.m[i], quarter.m[i], 1e-6f) << "element " << i;
}

TEST(MatrixOps, SwappedAxesMatrixActsOnSwappedPoints)
{
    std::mt19937 rng(7);
    const Matrix44 m = RandomRigid(rng);
    Matrix44 s;
    MatFromSwappedAxes(s, m.m);

    Vector3 p{0.25f, -4.0f, 9.0f};
    Vector3 swapped{p.x, p.z, p.y};
    VecTransform(p, m);
    VecTransform(swapped, s);
    ExpectNear(swapped, p.x, p.z, p.y, 1e-3f);
    EXPECT_EQ(s.m[15], m.m[15]);
}

TEST(MatrixOps, ScreenToWorldUndoesTheCamera)
{
    Matrix44 camera = MatIdentity();
    Vector3 out{};
    ScreenToWorld(out, 0.5f, 0.5f, 10.0f, &camera, kPi / 2, 0.75f);
    ExpectNear(out, 5.0f, -3.75f, 10.0f, 1e-4f);

    camera.m[12] = 1;
    camera.m[13] = 2;
    camera.m[14] = 3;
    ScreenToWorld(out, 0.0f, 0.0f, 4.0f, &camera, kPi / 2, 1.0f);
    ExpectNear(out, -1.0f, -2.0f, 1.0f, 1e-5f);
}

TEST(KeySorts, OrderKeysAndKeepTies)
{
    int order[4];
    float keys[4] = {3, 5, 5, 1};
    SortKeysDescending(order, keys, 4);
    EXPECT_EQ(order[0], 1);
    EXPECT_EQ(order[1], 2);
    EXPECT_EQ(order[2], 0);
    EXPECT_EQ(order[3], 3);
    EXPECT_EQ(keys[0], 5.0f);
    EXPECT_EQ(keys[3], 1.0f);

    int up[6];
    float upKeys[6] = {2, -1, 2, 0, -1, 2};
    SortKeysAscending(up, upKeys, 6);
    const int expected[6] = {1, 4, 3, 0, 2, 5};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(up[i], expected[i]) << "position " << i;

    int none[1] = {42};
    SortKeysAscending(none, nullptr, 0);
    EXPECT_EQ(none[0], 42);
}

TEST(ObjectFrameBox, BoundsGrowFromTheInitialValues)
{
    ObjectFrame frame;
    ExpectIdentity(frame.placement, 0.0f);
    EXPECT_EQ(frame.boxMaximum.x, -1e38f);
    EXPECT_EQ(frame.boxMinimum.z, 1e38f);

    frame.GrowMaximum({1, -2, 3});
    frame.GrowMinimum({1, -2, 3});
    ExpectNear(frame.boxMinimum, 1, -2, 3, 0.0f);
    ExpectNear(frame.boxMaximum, 1, -2, 3, 0.0f);

    frame.GrowMaximum({0, 5, 3});
    frame.GrowMinimum({0, 5, 3});
    ExpectNear(frame.boxMinimum, 0, -2, 3, 0.0f);
    ExpectNear(frame.boxMaximum, 1, 5, 3, 0.0f);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    frame.GrowMinimum({nan, 0, 0});
    EXPECT_TRUE(std::isnan(frame.boxMinimum.x));

    frame.SwapBoxAxes();
    EXPECT_EQ(frame.boxMaximum.y, 3.0f);
    EXPECT_EQ(frame.boxMaximum.z, 5.0f);

    frame.ResetMinimum();
    frame.ResetMaximum();
    EXPECT_EQ(frame.boxMinimum.x, 1e38f);
    EXPECT_EQ(frame.boxMaximum.y, -1e38f);
}

TEST(ObjectFrameBox, BoxMeshTrianglesFaceTheirNormals)
{
    ObjectFrame frame;
    frame.GrowMinimum({-1, -2, -3});
    frame.GrowMaximum({1, 2, 3});
    frame.BuildBoxMesh();
    ExpectNear(frame.boxCorners[0], -1, -2, -3, 0.0f);
    ExpectNear(frame.boxCorners[5], 1, -2, 3, 0.0f);
    ExpectNear(frame.boxCorners[7], 1, 2, 3, 0.0f);

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

TEST(ObjectFrameBox, MultiplyAndPlacement)
{
    ObjectFrame frame;
    std::mt19937 rng(3);
    const Matrix44 a = RandomRigid(rng);
    const Matrix44 b = RandomRigid(rng);
    Matrix44 expected, got;
    MatMultiply(a, b, expected);
    frame.Multiply(a, b, got);
    EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0);

    frame.placement = a;
    frame.GetPlacement(got);
    EXPECT_EQ(std::memcmp(&got, &a, sizeof got), 0);
}
