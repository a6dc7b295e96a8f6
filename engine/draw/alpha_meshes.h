// The alpha list: meshes that are transparent or use a blend mode other than
// the translucent one are kept here during a drawing pass and drawn far to
// near by r_FlushAlphaMeshes (internal to libt7gfx.so).
#pragma once

#include "common/vecmath.h"
#include "tessaly/model_records.h"

// Appends the mesh with a copy of its model matrix while the list has room.
// False when the list is full (or not allocated): the caller draws at once.
bool DeferAlphaMesh(CMesh* mesh, const Matrix44& model);
