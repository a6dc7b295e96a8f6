#include "tests/tools/readers.h"

#include <dlfcn.h>
#include <unistd.h>

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "tessaly/model_records.h"
#include "tessaly/plugin_interface.h"

namespace toolstest {

namespace {

int Silent(const char*) { return 0; }

void* Library(const char* file) {
    void* library = dlopen((std::string(TESSALY_BIN_DIR) + "/" + file).c_str(), RTLD_NOW | RTLD_LOCAL);
    return library;
}

template <typename Fn>
Fn Bind(void* library, const char* name) {
    return library ? reinterpret_cast<Fn>(dlsym(library, name)) : nullptr;
}

}  // namespace

ObjectInfo ReadObject(const std::string& path) {
    static void* library = Library("lwo.so");
    static const ModelPluginTable p{
        Bind<ModelFn_Load3D>(library, "r_Load3D"),
        Bind<ModelFn_ExportMD>(library, "r_ExportMD"),
        Bind<ModelFn_ExportMD2>(library, "r_ExportMD2"),
        Bind<ModelFn_GetSurfacesNum>(library, "r_GetSurfacesNum"),
        Bind<ModelFn_GetSurfacePolys>(library, "r_GetSurfacePolys"),
        Bind<ModelFn_GetMaxTexturesNum>(library, "r_GetMaxTexturesNum"),
        Bind<ModelFn_GetSurfaceTextureName>(library, "r_GetSurfaceTextureName"),
        Bind<ModelFn_HasTexture>(library, "r_HasTexture"),
    };
    ObjectInfo info;
    if (!p.Load3D || !p.ExportMD || !p.HasTexture || p.Load3D(path.c_str(), Silent) != 0) return info;
    auto model = std::make_unique<CModel>();
    if (!model->AllocateMeshes(p.GetSurfacesNum())) return info;
    std::vector<int> triangles;
    for (int i = 0; i < model->meshCount; ++i) {
        triangles.push_back(p.GetSurfacePolys(i));
        if (!model->meshes[i].Allocate(triangles.back() * 3)) return info;
        for (int j = 0; j < p.GetMaxTexturesNum(); ++j)
            if (p.HasTexture(i, j) && !model->meshes[i].AllocateTexCoords(j, triangles.back() * 3)) return info;
    }
    p.ExportMD(model.get(), 0);
    info.loaded = true;
    info.radius = model->radius;
    for (int i = 0; i < model->meshCount; ++i) {
        const CMesh& m = model->meshes[i];
        MeshInfo mesh;
        mesh.name = m.name;
        mesh.triangles = triangles[i];
        mesh.vertexCount = m.vertexCount;
        mesh.blendMode = m.blendMode;
        mesh.doubleSided = m.doubleSided != 0;
        mesh.transparency = m.transparency;
        mesh.luminosity = m.luminosity;
        mesh.layerAlpha = m.layerAlpha;
        mesh.smoothingAngle = m.smoothingAngle;
        std::copy(m.colour, m.colour + 3, mesh.colour);
        for (int j = 0; j < m.textureCount && j < kMeshTextureSlots; ++j) {
            mesh.textureNames.push_back(m.textureNames[j]);
            mesh.textureKinds.push_back(m.textureKinds[j]);
            mesh.velocityX.push_back(m.textureVelocity[j][0]);
            mesh.velocityY.push_back(m.textureVelocity[j][1]);
        }
        info.meshes.push_back(std::move(mesh));
    }
    return info;
}

PictureInfo ReadPicture(const std::string& path) {
    static void* library = Library("tga.so");
    static const auto load = Bind<ImageFn_Load2D>(library, "r_Load2D");
    static const auto data = Bind<ImageFn_GetImageData>(library, "r_GetImageData");
    static const auto pixels = Bind<ImageFn_GetImagePointer>(library, "r_GetImagePointer");
    PictureInfo info;
    if (!load || !data || !pixels) return info;
    load(path.c_str(), Silent);
    data(&info.width, &info.height, &info.bits, Silent);
    const uint8_t* p = pixels(Silent);
    if (p && info.width > 0) info.pixels.assign(p, p + size_t(info.width) * info.height * (info.bits / 8));
    return info;
}

SceneInfo ReadScene(const std::string& path) {
    SceneInfo info;
    if (r_LoadAnim(path.c_str(), 0) != 0) return info;
    info.loaded = true;
    const auto keys = [](int count, auto get, int index) {
        std::vector<KeyFrameRecord> records(static_cast<size_t>(std::max(count, 0)));
        for (int k = 0; k < count; ++k) get(index, k, &records[k]);
        return records;
    };
    for (int i = 0; i < r_GetObjectsInAnim(); ++i) {
        info.objectNames.push_back(r_GetAnimObjectName(i));
        info.objects.push_back({r_GetAnimParent(i), keys(r_GetKeysNum(i), r_GetKeyFrame, i)});
    }
    for (int l = 0; l < r_GetAnimLightsNum(); ++l)
        info.lights.push_back({r_GetLightAnimParent(l), keys(r_GetLightKeysNum(l), r_GetLightKeyFrame, l)});
    for (int c = 0; c < r_GetAnimCamerasNum(); ++c)
        info.cameras.push_back({r_GetCamAnimParent(c), keys(r_GetCamKeysNum(c), r_GetCamKeyFrame, c)});
    r_ResetAnim();
    return info;
}

ModuleInfo ReadModule(const std::vector<uint8_t>& bytes, double renderSeconds) {
    ModuleInfo info;
    openmpt_module* mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr);
    if (mod == nullptr) return info;
    info.loaded = true;
    info.durationSeconds = openmpt_module_get_duration_seconds(mod);
    info.channels = openmpt_module_get_num_channels(mod);
    info.instruments = openmpt_module_get_num_instruments(mod);
    info.samples = openmpt_module_get_num_samples(mod);
    info.patterns = openmpt_module_get_num_patterns(mod);
    constexpr int kRate = 22050;
    std::vector<float> buffer(4096);
    for (double done = 0; done < renderSeconds;) {
        const size_t frames = openmpt_module_read_float_mono(mod, kRate, buffer.size(), buffer.data());
        if (frames == 0) break;
        for (size_t i = 0; i < frames; ++i) info.peak = std::max(info.peak, static_cast<double>(std::fabs(buffer[i])));
        done += static_cast<double>(frames) / kRate;
    }
    openmpt_module_destroy(mod);
    return info;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string TempDir(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() / ("tessaly_" + name + "_" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

}  // namespace toolstest
