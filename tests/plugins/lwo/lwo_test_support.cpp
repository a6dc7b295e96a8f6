#include "lwo_test_support.h"

#include <dlfcn.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace lwotest {

Bytes& Bytes::U16(uint32_t v) {
    push_back(uint8_t(v >> 8));
    push_back(uint8_t(v));
    return *this;
}
Bytes& Bytes::U32(uint32_t v) { return U16(v >> 16).U16(v & 0xFFFF); }
Bytes& Bytes::VX(uint32_t v) { return v < 0xFF00 ? U16(v) : U32(0xFF000000u | v); }
Bytes& Bytes::F32(float v) { return U32(std::bit_cast<uint32_t>(v)); }
Bytes& Bytes::Id(const char* id) {
    for (int i = 0; i < 4; ++i) push_back(uint8_t(id[i]));
    return *this;
}
Bytes& Bytes::Add(const Bytes& more) {
    insert(end(), more.begin(), more.end());
    return *this;
}
Bytes& Bytes::Sub(const char* id, const Bytes& body) { return Id(id).U16(uint32_t(body.size())).Add(body); }

Bytes& Bytes::Text(const std::string& text) {
    insert(end(), text.begin(), text.end());
    push_back(0);
    if (text.size() % 2 == 0) push_back(0);
    return *this;
}

Bytes& Bytes::Chunk(const char* id, const Bytes& body) {
    Id(id).U32(uint32_t(body.size())).Add(body);
    if (body.size() % 2) push_back(0);
    return *this;
}

Bytes Names(const std::vector<std::string>& names) {
    Bytes b;
    for (const std::string& n : names) b.Text(n);
    return b;
}

Bytes Points(const std::vector<Vector3>& points) {
    Bytes b;
    for (const Vector3& p : points) b.F32(p.x).F32(p.y).F32(p.z);
    return b;
}

Bytes Polygons(const std::vector<Polygon>& polygons) {
    Bytes b;
    for (const Polygon& p : polygons) {
        b.U16(uint32_t(p.corners.size()));
        for (uint32_t c : p.corners) b.U16(c);
        b.U16(uint16_t(p.surface));
    }
    return b;
}

Bytes U16(uint16_t v) { return Bytes().U16(v); }
Bytes F32(float v) { return Bytes().F32(v); }
Bytes Text(const std::string& s) { return Bytes().Text(s); }
Bytes Vec(float x, float y, float z) { return Bytes().F32(x).F32(y).F32(z); }
Bytes Lwob(const Bytes& chunks, const char* type) {
    return Bytes().Id("FORM").U32(uint32_t(4 + chunks.size())).Id(type).Add(chunks);
}

Bytes OneSurfaceLwob(const std::string& name, const std::vector<Vector3>& points, const std::vector<Polygon>& polygons,
                     const Bytes& surface) {
    return Lwob(Bytes()
                    .Chunk("SRFS", Names({name}))
                    .Chunk("PNTS", Points(points))
                    .Chunk("POLS", Polygons(polygons))
                    .Chunk("SURF", surface));
}

Bytes Lwo2(const Bytes& chunks) { return Lwob(chunks, "LWO2"); }

std::vector<Vector3> CubePoints(float h) {
    return {{-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h}, {-h, -h, h}, {h, -h, h}, {h, h, h}, {-h, h, h}};
}

std::vector<Polygon> CubeQuads(int16_t s) {
    return {{{0, 3, 2, 1}, s}, {{4, 5, 6, 7}, s}, {{0, 1, 5, 4}, s},
            {{2, 3, 7, 6}, s}, {{1, 2, 6, 5}, s}, {{0, 4, 7, 3}, s}};
}

std::vector<Vector3> TorusPoints(int around, int across) {
    std::vector<Vector3> points;
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < across; ++j) {
            const float a = 6.2831853f * i / around, b = 6.2831853f * j / across;
            const float r = 3.0f + std::cos(b);
            points.push_back({r * std::cos(a), std::sin(b), r * std::sin(a)});
        }
    return points;
}

const ModelPluginTable& Plugin() {
    static const ModelPluginTable table = [] {
        const std::string path = std::string(TESSALY_BIN_DIR) + "/lwo.so";
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        auto bind = [&](const char* name) {
            void* symbol = library ? dlsym(library, name) : nullptr;
            if (!symbol) {
                std::fprintf(stderr, "%s: no %s\n", path.c_str(), name);
                std::abort();
            }
            return symbol;
        };
        return ModelPluginTable{reinterpret_cast<ModelFn_Load3D>(bind("r_Load3D")),
                                reinterpret_cast<ModelFn_ExportMD>(bind("r_ExportMD")),
                                reinterpret_cast<ModelFn_ExportMD2>(bind("r_ExportMD2")),
                                reinterpret_cast<ModelFn_GetSurfacesNum>(bind("r_GetSurfacesNum")),
                                reinterpret_cast<ModelFn_GetSurfacePolys>(bind("r_GetSurfacePolys")),
                                reinterpret_cast<ModelFn_GetMaxTexturesNum>(bind("r_GetMaxTexturesNum")),
                                reinterpret_cast<ModelFn_GetSurfaceTextureName>(bind("r_GetSurfaceTextureName")),
                                reinterpret_cast<ModelFn_HasTexture>(bind("r_HasTexture"))};
    }();
    return table;
}

std::string TempPath(const std::string& name) {
    // One folder per test program, removed when the program ends.
    static const struct Folder {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("tessaly-lwo-" + std::to_string(getpid()));
        Folder() { std::filesystem::create_directories(path); }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } folder;
    return (folder.path / name).string();
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    const size_t written = f && !bytes.empty() ? std::fwrite(bytes.data(), 1, bytes.size(), f) : 0;
    return f && std::fclose(f) == 0 && written == bytes.size();
}

int LoadBytes(const Bytes& bytes, const std::string& name) {
    const std::string path = TempPath(name);
    Messages().clear();
    return WriteFile(path, bytes) ? Plugin().Load3D(path.c_str(), Capture) : -2;
}

std::unique_ptr<CModel> ExportModel(int flags) {
    const ModelPluginTable& p = Plugin();
    auto model = std::make_unique<CModel>();
    if (!model->AllocateMeshes(p.GetSurfacesNum())) return nullptr;
    for (int i = 0; i < model->meshCount; ++i) {
        const int corners = p.GetSurfacePolys(i) * 3;
        if (!model->meshes[i].Allocate(corners)) return nullptr;
        for (int j = 0; j < p.GetMaxTexturesNum(); ++j)
            if (p.HasTexture(i, j) && !model->meshes[i].AllocateTexCoords(j, corners)) return nullptr;
    }
    p.ExportMD(model.get(), flags);
    return model;
}

std::unique_ptr<CModel> LoadModel(const Bytes& bytes, int flags) {
    return LoadBytes(bytes) == 0 ? ExportModel(flags) : nullptr;
}

}  // namespace lwotest
