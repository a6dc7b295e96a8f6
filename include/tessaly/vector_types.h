// The vector and matrix records that cross library boundaries (model records,
// the back-end's transforms, the scene library, the lighting library). The
// operations on them are internal to each library (common/vecmath.h).
//
// Matrix44 is row-major (element r*4+c is row r, column c); points are row
// vectors multiplied from the left (p' = p x M); the translation is the fourth
// row. Angles are radians.
#pragma once

// A point or direction; owned by whoever holds the record it is part of.
struct Vector3 {
    float x, y, z;  // components along the world's (or the record's own) axes
};

// An affine transform; owned by whoever holds the record it is part of.
struct Matrix44 {
    float m[16];  // row-major elements, the translation in m[12..14]
    float& at(int row, int col) { return m[row * 4 + col]; }
    float at(int row, int col) const { return m[row * 4 + col]; }
};

static_assert(sizeof(Vector3) == 12);
static_assert(sizeof(Matrix44) == 64);
