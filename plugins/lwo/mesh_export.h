// Filling the engine's records from the parsed object.
#pragma once

#include "lwo_reader.h"
#include "tessaly/model_records.h"

namespace lwo {

constexpr int kSkipWelding = 0x4;  // r_ExportMD flags bit: keep 3 vertices per triangle

// One mesh per surface: material, expanded triangles, edge data, smoothing,
// texture coordinates, bounding spheres, welding (r_ExportMD).
void ExportMeshes(CLwoRead& reader, CModel& model, int flags);

// Texture coordinates of one mesh whose vertices are still in corner order.
void ProjectTextureCoordinates(const LwoSurface& surface, CMesh& mesh, int cornerCount);

// Model sphere around the first meshCount mesh spheres; raises the radius only.
void EncloseMeshes(ObjectFrame& box, CModel& model, int meshCount);

// Flat-shaded copy of the geometry of a model exported with welding skipped
// (r_ExportMD2).
void ExportFlatMeshes(CLwoRead& reader, CModel& destination, const CModel& source);

}  // namespace lwo
