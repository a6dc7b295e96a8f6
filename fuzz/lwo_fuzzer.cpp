// LWOB and LWO2 objects: the bytes are parsed as r_Load3D parses a file, then exported
// the way the engine's model store does it (meshes sized from the surface
// triangle counts, texture sets where a slot names an image), with and
// without welding, and copied flat as r_ExportMD2 does.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "fuzz/fuzz_common.h"
#include "plugins/lwo/lwo_reader.h"
#include "plugins/lwo/mesh_export.h"

namespace {

// The engine's allocation before r_ExportMD; false when it would refuse.
bool AllocateLikeTheEngine(lwo::CLwoRead& reader, CModel& model) {
    if (!model.AllocateMeshes(reader.SurfaceCount())) return false;
    for (int i = 0; i < model.meshCount; ++i) {
        const int corners = reader.SurfacePolys(i) * 3;
        if (!model.meshes[i].Allocate(corners)) return false;
        for (int j = 0; j < lwo::kTextureSlots; ++j)
            if (reader.HasTexture(i, j) && !model.meshes[i].AllocateTexCoords(j, corners)) return false;
    }
    return true;
}

// flat: an r_ExportMD2 copy, whose arrays the plug-in sized itself.
void CheckMeshes(const CModel& model, bool flat) {
    for (int i = 0; i < model.meshCount; ++i) {
        const CMesh& mesh = model.meshes[i];
        FUZZ_CHECK(mesh.vertexCount >= 0 && (flat || mesh.vertexCount <= mesh.capacity));
        for (int k = 0; mesh.indices && k < mesh.indexCount; ++k)
            FUZZ_CHECK(mesh.indices[k] < static_cast<uint32_t>(mesh.vertexCount));
        FUZZ_CHECK(std::memchr(mesh.name, 0, sizeof mesh.name) != nullptr);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size > (1u << 24)) return 0;
    lwo::CLwoRead& reader = lwo::Reader();
    reader.Clear();
    uint8_t* copy = new uint8_t[size > 0 ? size : 1];
    if (size > 0) std::memcpy(copy, bytes, size);
    reader.data = copy;
    reader.size = static_cast<int32_t>(size);
    std::snprintf(reader.fileName, sizeof reader.fileName, "fuzz.lwo");
    if (reader.Parse(false) != lwo::ParseResult::Ok) {
        reader.Clear();
        return 0;
    }

    for (int s = 0; s < reader.SurfaceCount(); ++s)
        for (int j = 0; j < lwo::kTextureSlots; ++j) {
            const char* name = reader.TextureName(s, j);
            FUZZ_CHECK(name != nullptr && std::strlen(name) < lwo::kNameLength);
        }
    for (const lwo::LwoTriangle& t : reader.Triangles())
        FUZZ_CHECK(t.a < uint32_t(reader.PointCount()) && t.b < uint32_t(reader.PointCount()) &&
                   t.c < uint32_t(reader.PointCount()));
    // LWO2: every triangle knows its polygon, every slot its map and image.
    if (reader.IsLwo2()) {
        FUZZ_CHECK(reader.TrianglePolygons().size() == reader.Triangles().size());
        for (const lwo::LwoSurface& s : reader.Surfaces()) {
            FUZZ_CHECK(s.textureCount >= 0 && s.textureCount <= lwo::kTextureSlots);
            for (int j = 0; j < s.textureCount; ++j)
                FUZZ_CHECK(s.slots[j].imageName[0] != 0 &&
                           s.slots[j].uvMap < static_cast<int>(reader.VertexMaps().size()));
        }
    }

    for (int flags : {0, lwo::kSkipWelding}) {
        CModel model;
        if (!AllocateLikeTheEngine(reader, model)) break;
        lwo::ExportMeshes(reader, model, flags);
        FUZZ_CHECK(model.meshCount == reader.SurfaceCount());
        CheckMeshes(model, false);
        if (flags != lwo::kSkipWelding) continue;  // the engine copies flat only a model exported unwelded
        CModel flat;
        if (!flat.AllocateMeshes(model.meshCount)) break;
        lwo::ExportFlatMeshes(reader, flat, model);
        CheckMeshes(flat, true);
    }
    reader.Clear();
    return 0;
}
