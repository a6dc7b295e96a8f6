// r_ExportMD2: a flat-shaded copy of an exported model's geometry.
#include <new>

#include "mesh_export.h"

namespace lwo {
namespace {

// Replaces an array the destination mesh owns (allocated with new[], as the
// mesh's own allocation does) by a fresh zeroed one of count entries.
Vector3* Reallocate(Vector3*& array, int count) {
    delete[] array;
    array = new (std::nothrow) Vector3[static_cast<size_t>(count)]();
    return array;
}

}  // namespace

void ExportFlatMeshes(CLwoRead& reader, CModel& destination, const CModel& source) {
    ObjectFrame& box = reader;
    const int meshCount = source.meshes ? source.meshCount : 0;
    if (meshCount > 0 && destination.meshes == nullptr) return;
    destination.meshCount = meshCount;
    const std::vector<Vector3>& points = reader.Points();
    const auto pointCount = static_cast<uint32_t>(points.size());

    for (int i = 0; i < meshCount; ++i) {
        const CMesh& s = source.meshes[i];
        CMesh& d = destination.meshes[i];
        const int triangles = s.indexCount > 0 ? s.indexCount / 3 : 0;
        const int vertices = s.vertexCount > 0 ? s.vertexCount : 0;
        d.vertexCount = vertices;
        d.indexCount = 3 * triangles;
        d.vertexCountCopy = 3 * triangles;
        if (!Reallocate(d.positions, vertices) || !Reallocate(d.normals, 3 * triangles) ||
            !Reallocate(d.faceNormals, triangles)) {
            d.vertexCount = d.indexCount = d.vertexCountCopy = 0;
            d.centre = Vector3{0.0f, 0.0f, 0.0f};
            d.radius = 0.0f;
            continue;
        }
        // A vertex or index that points nowhere (a source welded, or not made
        // by this reader) yields the origin or a zero normal, never a stray read.
        for (int k = 0; k < vertices; ++k) {
            const bool known = s.sourcePoints && k < s.capacity && s.sourcePoints[k] < pointCount;
            d.positions[k] = known ? points[s.sourcePoints[k]] : Vector3{0.0f, 0.0f, 0.0f};
        }
        const Vector3* q = d.positions;
        for (int t = 0; t < triangles; ++t) {
            Vector3 n{0.0f, 0.0f, 0.0f};
            if (s.indices) {
                const uint32_t i0 = s.indices[3 * t], i1 = s.indices[3 * t + 1], i2 = s.indices[3 * t + 2];
                const auto limit = static_cast<uint32_t>(vertices);
                if (i0 < limit && i1 < limit && i2 < limit) {
                    const Vector3 a{q[i0].x - q[i2].x, q[i0].y - q[i2].y, q[i0].z - q[i2].z};
                    const Vector3 b{q[i1].x - q[i0].x, q[i1].y - q[i0].y, q[i1].z - q[i0].z};
                    VecCross(a, b, n);
                    VecNormalize(n);
                }
            }
            d.normals[3 * t] = d.normals[3 * t + 1] = d.normals[3 * t + 2] = n;
            d.faceNormals[t] = n;
        }
        box.ResetMaximum();
        box.ResetMinimum();
        for (int k = 0; k < vertices; ++k) {
            box.GrowMaximum(q[k]);
            box.GrowMinimum(q[k]);
        }
        d.centre = Vector3{(box.boxMinimum.x + box.boxMaximum.x) / 2.0f, (box.boxMinimum.y + box.boxMaximum.y) / 2.0f,
                           (box.boxMinimum.z + box.boxMaximum.z) / 2.0f};
        d.radius = 0.0f;
        for (int k = 0; k < vertices; ++k) {
            const float r = VecDistance(q[k], d.centre);
            if (r > d.radius) d.radius = r;
        }
    }
    const int surfaces = reader.SurfaceCount();
    EncloseMeshes(box, destination, surfaces < meshCount ? surfaces : meshCount);
}

}  // namespace lwo
