#include "engine/draw/environment_mapping.h"

#include <algorithm>

void WriteEnvironmentCoords(CMesh& mesh, int slot, const Matrix44& modelToCamera) {
    if (slot < 0 || slot >= kMeshTextureSlots) return;
    TexCoord* set = mesh.texCoords[slot];
    const Vector3* normals = mesh.normals;
    if (set == nullptr || normals == nullptr) return;
    const int count = std::min({mesh.indexCount, mesh.capacity, mesh.texCoordCapacity[slot]});
    const float* m = modelToCamera.m;
    for (int i = 0; i < count; ++i) {
        const Vector3& n = normals[i];
        set[i].u = (n.x * m[0] + n.y * m[4] + n.z * m[8] + 1.0f) * 0.5f;
        set[i].v = (1.0f - (n.x * m[1] + n.y * m[5] + n.z * m[9])) * 0.5f;
    }
}
