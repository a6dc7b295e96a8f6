// Operations on vectors of three floats and affine 4x4 matrices (the records
// are in tessaly/vector_types.h, with their conventions), the bounding-box
// object frame and the float-key sorts. Compiled into every deliverable;
// exported by none.
#pragma once

#include <cmath>
#include <cstdint>

#include "tessaly/vector_types.h"

// ---- vectors ----
void VecCross(const Vector3& a, const Vector3& b, Vector3& out);
float VecDot(const Vector3& a, const Vector3& b);
// (The small ones are inline: the per-vertex lighting and transforms call
// them for every vertex of every frame.)
inline float VecLength(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }
inline void VecNormalize(Vector3& v) {  // a zero vector stays unchanged
    const float length = VecLength(v.x, v.y, v.z);
    if (length == 0.0f) return;
    const float inv = 1.0f / length;
    v.x *= inv;
    v.y *= inv;
    v.z *= inv;
}
float VecDistance(const Vector3& a, const Vector3& b);
float PlaneDistance(const Vector3& normal, const Vector3& onPlane, const Vector3& p);
float PointLineDistance(float px, float py, float pz, float qx, float qy, float qz, float dx, float dy, float dz);
inline void VecRotate(Vector3& v, const Matrix44& m) {  // v x upper 3x3 of m
    const Vector3 r{v.x * m.m[0] + v.y * m.m[4] + v.z * m.m[8], v.x * m.m[1] + v.y * m.m[5] + v.z * m.m[9],
                    v.x * m.m[2] + v.y * m.m[6] + v.z * m.m[10]};
    v = r;
}
inline void VecTransform(Vector3& v, const Matrix44& m) {  // v x m with translation
    const Vector3 r{v.x * m.m[0] + v.y * m.m[4] + v.z * m.m[8] + m.m[12],
                    v.x * m.m[1] + v.y * m.m[5] + v.z * m.m[9] + m.m[13],
                    v.x * m.m[2] + v.y * m.m[6] + v.z * m.m[10] + m.m[14]};
    v = r;
}

// ---- matrices ----
Matrix44 MatIdentity();
void MatMultiply(const Matrix44& a, const Matrix44& b, Matrix44& out);  // out = a x b (affine)
void MatInverseAffine(const Matrix44& a, Matrix44& out);
void MatFromEuler(float a, float b, float c, Matrix44& out);
void MatFromQuaternion(float x, float y, float z, float w, Matrix44& out);
// Turns m about X, then Y, then Z, skipping angles within [-0.001, 0.001].
// ownAxes false: m = m x R (world axes); true: m = R x m (the matrix's own axes).
// The translation row is kept.
void MatRotateEuler(Matrix44& m, const Vector3& angles, bool ownAxes);
// ownAxes true: translation += v x (3x3 of m); false: translation += v.
void MatTranslate(Matrix44& m, const Vector3& v, bool ownAxes);
// values[0..15] are the values numbered 1 to 16.
void MatFromSwappedAxes(Matrix44& out, const float values[16]);
// Camera-space point (sx*z*tan(f/2), -sy*z*tan(f/2)*aspect, z) times the
// inverse of camera; a null camera stands for the identity.
void ScreenToWorld(Vector3& out, float sx, float sy, float z, const Matrix44* camera, float fieldOfView, float aspect);

// ---- key sorts ----
// Fill indices with 0..count-1 and bubble-sort the keys in place, swapping the
// indices along; equal keys are never swapped (ties keep their input order).
void SortKeysAscending(int* indices, float* keys, int count);
void SortKeysDescending(int* indices, float* keys, int count);

// A placement matrix coupled with a bounding box; the box serves as the
// accumulator for bounding spheres.
class ObjectFrame {
public:
    ObjectFrame();
    virtual ~ObjectFrame();

    void ResetMaximum();
    void ResetMinimum();
    void GrowMaximum(const Vector3& p);
    void GrowMinimum(const Vector3& p);  // a NaN component replaces the bound
    void BuildCorners();
    void BuildBoxMesh();
    void SwapBoxAxes();
    void GetPlacement(Matrix44& out) const;
    void Multiply(const Matrix44& a, const Matrix44& b, Matrix44& out);

    Vector3 faceNormals[12];
    uint16_t boxTriangles[36];
    Matrix44 placement;
    Matrix44 scratchProduct;
    Matrix44 scratchPoint;
    Matrix44 scratchRotation;
    Vector3 boxCorners[8];
    Vector3 boxMinimum;
    Vector3 boxMaximum;
};
