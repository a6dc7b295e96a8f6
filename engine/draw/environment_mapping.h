// Environment-mapped texture coordinates for reflection textures (internal to
// libt7gfx.so).
#pragma once

#include "common/vecmath.h"
#include "tessaly/model_records.h"

// Writes set `slot` of the mesh from its vertex normals turned into camera
// space by modelToCamera (model matrix x inverse camera; the translation is not
// used): u = (n.x' + 1) / 2, v = (1 - n.y') / 2. Covers the vertices below the
// index count, never more than the normals or the set were allocated for.
void WriteEnvironmentCoords(CMesh& mesh, int slot, const Matrix44& modelToCamera);
