#include "plugin_driver.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace lwotest {
namespace {

template <typename T>
T Bind(void* library, const char* name)
{
    void* symbol = dlsym(library, name);
    if (!symbol) {
        std::fprintf(stderr, "lwo.so lacks %s\n", name);
        std::abort();
    }
    return reinterpret_cast<T>(symbol);
}

ModelPluginTable BindPlugin()
{
    const std::string path = std::string(TESSALY_BIN_DIR) + "/lwo.so";
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
        std::abort();
    }
    ModelPluginTable t{};
    t.Load3D = Bind<ModelFn_Load3D>(library, "r_Load3D");
    t.ExportMD = Bind<ModelFn_ExportMD>(library, "r_ExportMD");
    t.ExportMD2 = Bind<ModelFn_ExportMD2>(library, "r_ExportMD2");
    t.GetSurfacesNum = Bind<ModelFn_GetSurfacesNum>(library, "r_GetSurfacesNum");
    t.GetSurfacePolys = Bind<ModelFn_GetSurfacePolys>(library, "r_GetSurfacePolys");
    t.GetMaxTexturesNum = Bind<ModelFn_GetMaxTexturesNum>(library, "r_GetMaxTexturesNum");
    t.GetSurfaceTextureName = Bind<ModelFn_GetSurfaceTextureName>(library, "r_GetSurfaceTextureName");
    t.HasTexture = Bind<ModelFn_HasTexture>(library, "r_HasTexture");
    return t;
}

}  // namespace

const ModelPluginTable& Plugin()
{
    static const ModelPluginTable table = BindPlugin();
    return table;
}

std::vector<std::string>& Messages()
{
    static std::vector<std::string> messages;
    return messages;
}

void ClearMessages()
{
    Messages().clear();
}

int CaptureMessage(const char* message)
{
    Messages().emplace_back(message);
    return 0;
}

std::string TempPath(const std::string& name)
{
    static const std::filesystem::path folder = [] {
        std::filesystem::path p = std::filesystem::temp_directory_path() /
                                  ("tessaly-lwo-tests-" + std::to_string(getpid()));
        std::filesystem::create_directories(p);
        return p;
    }();
    return (folder / name).string();
}

int LoadBytes(const Bytes& bytes, const std::string& name)
{
    const std::string path = TempPath(name);
    if (!WriteFile(path, bytes))
        return -2;
    ClearMessages();
    return Plugin().Load3D(path.c_str(), CaptureMessage);
}

std::unique_ptr<CModel> ExportModel(int flags)
{
    const ModelPluginTable& p = Plugin();
    auto model = std::make_unique<CModel>();
    const int surfaces = p.GetSurfacesNum();
    if (!model->AllocateMeshes(surfaces))
        return nullptr;
    for (int i = 0; i < surfaces; ++i) {
        const int corners = p.GetSurfacePolys(i) * 3;
        if (!model->meshes[i].Allocate(corners))
            return nullptr;
        for (int j = 0; j < p.GetMaxTexturesNum(); ++j)
            if (p.HasTexture(i, j) && !model->meshes[i].AllocateTexCoords(j, corners))
                return nullptr;
    }
    model->radius = 0.0f;
    p.ExportMD(model.get(), flags);
    model->loaded = 1;
    return model;
}

std::unique_ptr<CModel> LoadModel(const Bytes& bytes, int flags)
{
    if (LoadBytes(bytes) != 0)
        return nullptr;
    return ExportModel(flags);
}

std::vector<Vector3> CubePoints(float h)
{
    return {{-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h},
            {-h, -h, h},  {h, -h, h},  {h, h, h},  {-h, h, h}};
}

std::vector<Polygon> CubeQuads(int16_t s)
{
    // Counter-clockwise seen from outside, so face normals point outwards.
    return {{{0, 3, 2, 1}, s}, {{4, 5, 6, 7}, s}, {{0, 1, 5, 4}, s},
            {{2, 3, 7, 6}, s}, {{1, 2, 6, 5}, s}, {{0, 4, 7, 3}, s}};
}

}  // namespace lwotest
