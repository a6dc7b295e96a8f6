// Vectors, affine matrices, the object frame and the key sorts. All arithmetic
// is in 32-bit floats; nothing here touches the heap.
#include "common/vecmath.h"

#include <cmath>

namespace {

constexpr float kBoundLimit = 1e38f;
constexpr float kRotateThreshold = 0.001f;

// Writes the fourth column (0, 0, 0, 1) that every affine result carries.
void SetAffineColumn(Matrix44& m) {
    m.m[3] = 0.0f;
    m.m[7] = 0.0f;
    m.m[11] = 0.0f;
    m.m[15] = 1.0f;
}

// Rotation about one axis (0 = X, 1 = Y, 2 = Z) with zero translation.
Matrix44 AxisRotation(int axis, float angle) {
    Matrix44 r = MatIdentity();
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    switch (axis) {
        case 0:
            r.at(1, 1) = c;
            r.at(1, 2) = -s;
            r.at(2, 1) = s;
            r.at(2, 2) = c;
            break;
        case 1:
            r.at(0, 0) = c;
            r.at(0, 2) = s;
            r.at(2, 0) = -s;
            r.at(2, 2) = c;
            break;
        default:
            r.at(0, 0) = c;
            r.at(0, 1) = -s;
            r.at(1, 0) = s;
            r.at(1, 1) = c;
            break;
    }
    return r;
}

}  // namespace

// ---------------------------------------------------------------- vectors

void VecCross(const Vector3& a, const Vector3& b, Vector3& out) {
    const Vector3 r{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    out = r;
}

float VecDot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

float VecDistance(const Vector3& a, const Vector3& b) { return VecLength(b.x - a.x, b.y - a.y, b.z - a.z); }

float PlaneDistance(const Vector3& normal, const Vector3& onPlane, const Vector3& p) {
    const Vector3 d{p.x - onPlane.x, p.y - onPlane.y, p.z - onPlane.z};
    return VecDot(normal, d);
}

float PointLineDistance(float px, float py, float pz, float qx, float qy, float qz, float dx, float dy, float dz) {
    Vector3 d{dx, dy, dz};
    VecNormalize(d);
    const Vector3 qp{px - qx, py - qy, pz - qz};
    const float t = VecDot(d, qp);
    return VecLength(qp.x - d.x * t, qp.y - d.y * t, qp.z - d.z * t);
}

// ---------------------------------------------------------------- matrices

Matrix44 MatIdentity() {
    Matrix44 m{};
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
    return m;
}

void MatMultiply(const Matrix44& a, const Matrix44& b, Matrix44& out) {
    // Built in a local so that out may be a or b.
    Matrix44 r;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            r.at(row, col) = a.at(row, 0) * b.at(0, col) + a.at(row, 1) * b.at(1, col) + a.at(row, 2) * b.at(2, col);
    for (int col = 0; col < 3; ++col)
        r.at(3, col) = a.at(3, 0) * b.at(0, col) + a.at(3, 1) * b.at(1, col) + a.at(3, 2) * b.at(2, col) + b.at(3, col);
    SetAffineColumn(r);
    out = r;
}

void MatInverseAffine(const Matrix44& a, Matrix44& out) {
    const float m00 = a.at(0, 0), m01 = a.at(0, 1), m02 = a.at(0, 2);
    const float m10 = a.at(1, 0), m11 = a.at(1, 1), m12 = a.at(1, 2);
    const float m20 = a.at(2, 0), m21 = a.at(2, 1), m22 = a.at(2, 2);

    const float det = m00 * (m11 * m22 - m12 * m21) - m01 * (m10 * m22 - m12 * m20) + m02 * (m10 * m21 - m11 * m20);
    // A singular matrix gives non-finite entries; callers only invert placements.
    const float inv = 1.0f / det;

    Matrix44 r;
    r.at(0, 0) = (m11 * m22 - m12 * m21) * inv;
    r.at(0, 1) = (m02 * m21 - m01 * m22) * inv;
    r.at(0, 2) = (m01 * m12 - m02 * m11) * inv;
    r.at(1, 0) = (m12 * m20 - m10 * m22) * inv;
    r.at(1, 1) = (m00 * m22 - m02 * m20) * inv;
    r.at(1, 2) = (m02 * m10 - m00 * m12) * inv;
    r.at(2, 0) = (m10 * m21 - m11 * m20) * inv;
    r.at(2, 1) = (m01 * m20 - m00 * m21) * inv;
    r.at(2, 2) = (m00 * m11 - m01 * m10) * inv;

    const float tx = a.at(3, 0), ty = a.at(3, 1), tz = a.at(3, 2);
    for (int col = 0; col < 3; ++col) r.at(3, col) = -(tx * r.at(0, col) + ty * r.at(1, col) + tz * r.at(2, col));
    SetAffineColumn(r);
    out = r;
}

void MatFromEuler(float a, float b, float c, Matrix44& out) {
    const float ca = std::cos(a), sa = std::sin(a);
    const float cb = std::cos(-b), sb = std::sin(-b);
    const float cc = std::cos(c), sc = std::sin(c);

    out.at(0, 0) = cb * cc;
    out.at(0, 1) = -cb * sc;
    out.at(0, 2) = -sb;
    out.at(1, 0) = -cc * sb * sa + sc * ca;
    out.at(1, 1) = sc * sb * sa + cc * ca;
    out.at(1, 2) = -cb * sa;
    out.at(2, 0) = cc * sb * ca + sc * sa;
    out.at(2, 1) = -sc * sb * ca + cc * sa;
    out.at(2, 2) = cb * ca;
    // The translation row is the caller's.
    SetAffineColumn(out);
}

void MatFromQuaternion(float x, float y, float z, float w, Matrix44& out) {
    out = MatIdentity();
    out.at(0, 0) = 1.0f - 2.0f * y * y - 2.0f * z * z;
    out.at(0, 1) = 2.0f * x * y - 2.0f * z * w;
    out.at(0, 2) = 2.0f * x * z + 2.0f * y * w;
    out.at(1, 0) = 2.0f * x * y + 2.0f * z * w;
    out.at(1, 1) = 1.0f - 2.0f * x * x - 2.0f * z * z;
    out.at(1, 2) = 2.0f * y * z - 2.0f * x * w;
    out.at(2, 0) = 2.0f * x * z - 2.0f * y * w;
    out.at(2, 1) = 2.0f * y * z + 2.0f * x * w;
    out.at(2, 2) = 1.0f - 2.0f * x * x - 2.0f * y * y;
}

void MatRotateEuler(Matrix44& m, const Vector3& angles, bool ownAxes) {
    // Turn about the object's own position: take the translation out, put it back after.
    const float tx = m.m[12], ty = m.m[13], tz = m.m[14];
    m.m[12] = m.m[13] = m.m[14] = 0.0f;

    const float perAxis[3] = {angles.x, angles.y, angles.z};
    for (int axis = 0; axis < 3; ++axis) {
        const float angle = perAxis[axis];
        if (angle >= -kRotateThreshold && angle <= kRotateThreshold) continue;
        const Matrix44 r = AxisRotation(axis, angle);
        if (ownAxes)
            MatMultiply(r, m, m);
        else
            MatMultiply(m, r, m);
    }

    m.m[12] = tx;
    m.m[13] = ty;
    m.m[14] = tz;
}

void MatTranslate(Matrix44& m, const Vector3& v, bool ownAxes) {
    Vector3 step = v;
    if (ownAxes) VecRotate(step, m);
    m.m[12] += step.x;
    m.m[13] += step.y;
    m.m[14] += step.z;
}

void MatFromSwappedAxes(Matrix44& out, const float values[16]) {
    // Source positions (0-based) for each output element: the second and third
    // axes change places in rows and columns; the fourth column stays in place.
    static constexpr int kSource[16] = {0, 2, 1, 3, 8, 10, 9, 7, 4, 6, 5, 11, 12, 14, 13, 15};
    Matrix44 r;
    for (int i = 0; i < 16; ++i) r.m[i] = values[kSource[i]];
    out = r;
}

void ScreenToWorld(Vector3& out, float sx, float sy, float z, const Matrix44* camera, float fieldOfView, float aspect) {
    const float halfTan = std::tan(fieldOfView / 2.0f);
    Vector3 p{sx * z * halfTan, -sy * z * halfTan * aspect, z};
    // Without a camera the camera space is the world.
    if (camera != nullptr) {
        Matrix44 inverse;
        MatInverseAffine(*camera, inverse);
        VecTransform(p, inverse);
    }
    out = p;
}

// ---------------------------------------------------------------- key sorts

namespace {

template <typename OutOfOrder>
void BubbleSortKeys(int* indices, float* keys, int count, OutOfOrder outOfOrder) {
    for (int i = 0; i < count; ++i) indices[i] = i;
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (int i = 0; i + 1 < count; ++i) {
            if (!outOfOrder(keys[i], keys[i + 1])) continue;
            const float key = keys[i];
            keys[i] = keys[i + 1];
            keys[i + 1] = key;
            const int index = indices[i];
            indices[i] = indices[i + 1];
            indices[i + 1] = index;
            swapped = true;
        }
    }
}

}  // namespace

void SortKeysAscending(int* indices, float* keys, int count) {
    BubbleSortKeys(indices, keys, count, [](float a, float b) { return a > b; });
}

void SortKeysDescending(int* indices, float* keys, int count) {
    BubbleSortKeys(indices, keys, count, [](float a, float b) { return a < b; });
}

// ---------------------------------------------------------------- object frame

ObjectFrame::ObjectFrame()
    : faceNormals{},
      boxTriangles{},
      placement(MatIdentity()),
      scratchProduct(MatIdentity()),
      scratchPoint(MatIdentity()),
      scratchRotation(MatIdentity()),
      boxCorners{},
      boxMinimum{kBoundLimit, kBoundLimit, kBoundLimit},
      boxMaximum{-kBoundLimit, -kBoundLimit, -kBoundLimit} {}

ObjectFrame::~ObjectFrame() = default;

void ObjectFrame::ResetMaximum() { boxMaximum = Vector3{-kBoundLimit, -kBoundLimit, -kBoundLimit}; }

void ObjectFrame::ResetMinimum() { boxMinimum = Vector3{kBoundLimit, kBoundLimit, kBoundLimit}; }

void ObjectFrame::GrowMaximum(const Vector3& p) {
    if (p.x > boxMaximum.x) boxMaximum.x = p.x;
    if (p.y > boxMaximum.y) boxMaximum.y = p.y;
    if (p.z > boxMaximum.z) boxMaximum.z = p.z;
}

void ObjectFrame::GrowMinimum(const Vector3& p) {
    // Written as "not at least the bound" so that a NaN component replaces it.
    if (!(p.x >= boxMinimum.x)) boxMinimum.x = p.x;
    if (!(p.y >= boxMinimum.y)) boxMinimum.y = p.y;
    if (!(p.z >= boxMinimum.z)) boxMinimum.z = p.z;
}

void ObjectFrame::BuildCorners() {
    const Vector3& lo = boxMinimum;
    const Vector3& hi = boxMaximum;
    for (int i = 0; i < 8; ++i) {
        boxCorners[i].x = (i & 4) ? hi.x : lo.x;
        boxCorners[i].y = (i & 2) ? hi.y : lo.y;
        boxCorners[i].z = (i & 1) ? hi.z : lo.z;
    }
}

void ObjectFrame::BuildBoxMesh() {
    static constexpr uint16_t kTriangles[36] = {1, 2, 0, 3, 2, 1, 2, 6, 0, 6, 4, 0, 6, 7, 4, 7, 5, 4,
                                                7, 3, 5, 3, 1, 5, 2, 3, 6, 3, 7, 6, 4, 5, 0, 5, 1, 0};
    static constexpr Vector3 kSideNormals[6] = {{-1, 0, 0}, {0, 0, -1}, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}, {0, -1, 0}};
    BuildCorners();
    for (int i = 0; i < 36; ++i) boxTriangles[i] = kTriangles[i];
    for (int i = 0; i < 12; ++i) faceNormals[i] = kSideNormals[i / 2];
}

void ObjectFrame::SwapBoxAxes() {
    float t = boxMinimum.y;
    boxMinimum.y = boxMinimum.z;
    boxMinimum.z = t;
    t = boxMaximum.y;
    boxMaximum.y = boxMaximum.z;
    boxMaximum.z = t;
}

void ObjectFrame::GetPlacement(Matrix44& out) const { out = placement; }

void ObjectFrame::Multiply(const Matrix44& a, const Matrix44& b, Matrix44& out) {
    MatMultiply(a, b, scratchProduct);
    out = scratchProduct;
}
