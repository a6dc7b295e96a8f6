// Loading a model through the model plug-in named by the file's extension:
// the plug-in reads the file, the engine sizes the meshes, the plug-in fills
// them, then the engine loads the surfaces' textures and derives the lights.
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/messages/messages.h"
#include "engine/models/model_store.h"
#include "engine/pictures/format_plugin.h"
#include "platform/platform.h"

namespace {

// The plug-in's messages during one r_Load3D go on to the caller's callback;
// the first warning among them (a text holding "Warning": the file was read
// only in part) and the first error (why a file was refused) are also kept,
// to be reported once for the file.
r_MsgCallback g_loadCaller = nullptr;
char g_loadWarning[1024];
int g_loadWarnings = 0;
char g_loadError[1024];

void KeepLine(char (&out)[1024], const char* text) {
    std::snprintf(out, sizeof out, "%s", text);
    out[std::strcspn(out, "\r\n")] = '\0';
}

int CaptureLoadMessage(const char* text) {
    if (text && std::strstr(text, "Warning") && g_loadWarnings++ == 0) KeepLine(g_loadWarning, text);
    if (text && std::strstr(text, "Error") && g_loadError[0] == '\0') KeepLine(g_loadError, text);
    return g_loadCaller ? g_loadCaller(text) : 0;
}

// The plug-in's own text when it names the file, otherwise the file's path and the text.
void ReportAboutFile(const std::string& path, const char* text, const char* more) {
    if (std::strstr(text, path.c_str()))
        EngineReport("%.1000s%s", text, more);
    else
        EngineReport("%s: %.1000s%s", path.c_str(), text, more);
}

// r_Load3D (or r_Load3DLayer for one layer) with the plug-in's word on a
// damaged file reported: its warning for a file read in part, its error for a
// file that is there but was refused (a missing file is the caller's business:
// detail levels are sought that way).
int LoadAndReport(const ModelPluginTable& plugin, ModelFn_Load3DLayer loadLayer, int layer, const std::string& path,
                  r_MsgCallback cb) {
    g_loadCaller = cb;
    g_loadWarnings = 0;
    g_loadWarning[0] = '\0';
    g_loadError[0] = '\0';
    const int result = loadLayer ? loadLayer(path.c_str(), layer, CaptureLoadMessage)
                                 : plugin.Load3D(path.c_str(), CaptureLoadMessage);
    g_loadCaller = nullptr;
    if (g_loadWarnings > 0) ReportAboutFile(path, g_loadWarning, g_loadWarnings > 1 ? " (and further warnings)" : "");
    char found[1024];
    if (result == -1 && g_loadError[0] != '\0' && plat_ResolvePath(path.c_str(), found, sizeof found))
        ReportAboutFile(path, g_loadError, "");
    return result;
}

// Texture slots per surface the plug-in asks to probe, at most the mesh's eight.
int TextureSlots(const ModelPluginTable& plugin) {
    const int slots = plugin.GetMaxTexturesNum();
    return slots < 0 ? 0 : slots > kMeshTextureSlots ? kMeshTextureSlots : slots;
}

// Creates one mesh per surface, sized for the surface's triangles, with a
// texture-coordinate set for every slot that holds an image.
bool AllocateMeshes(CModel& model, const ModelPluginTable& plugin) {
    if (!model.AllocateMeshes(plugin.GetSurfacesNum())) return false;
    const int slots = TextureSlots(plugin);
    for (int i = 0; i < model.meshCount; ++i) {
        const int polys = plugin.GetSurfacePolys(i);
        if (polys < 0 || polys > INT_MAX / 3) return false;
        const int vertices = polys * 3;
        if (!model.meshes[i].Allocate(vertices)) return false;
        for (int j = 0; j < slots; ++j)
            if (plugin.HasTexture(i, j) && !model.meshes[i].AllocateTexCoords(j, vertices)) return false;
    }
    return true;
}

// Loads the texture of every surface slot that names one; the handle (or -1
// when it cannot be loaded) goes into the mesh. Textures already held are
// shared by name.
void LoadSurfaceTextures(CModel& model, const ModelPluginTable& plugin, const char* textureDir, r_MsgCallback cb) {
    const int slots = TextureSlots(plugin);
    for (int i = 0; i < model.meshCount; ++i) {
        for (int j = 0; j < slots; ++j) {
            if (!plugin.HasTexture(i, j)) continue;
            // r_LoadTexture upper-cases its name in place: hand it a copy, not
            // the plug-in's text.
            char name[256];
            const char* given = plugin.GetSurfaceTextureName(i, j);
            std::snprintf(name, sizeof name, "%s", given ? given : "");
            model.meshes[i].textureHandles[j] = r_LoadTexture(-1, name, textureDir, 0, cb);
        }
    }
}

// Loads a whole object (layer 0) or one of its layers into a model slot.
int LoadModelSlot(int handle, char* name, const char* modelDir, const char* textureDir, int layer, r_MsgCallback cb) {
    const int capacity = ModelCapacity();
    if (capacity == 0) {
        EngineMessage(cb, "r_LoadModel : Error, Objects Not Allocated\n");
        return -1;
    }
    if (handle >= capacity || handle < -1) {
        EngineMessage(cb, "r_LoadModel : Error, Handle Out Of Range (%d , 0 - %d)\n", handle, capacity - 1);
        return -1;
    }
    if (handle == -1) {
        for (int i = 0; i < capacity && handle == -1; ++i)
            if (!ModelIsLoaded(i)) handle = i;
        if (handle == -1) {
            EngineMessage(cb, "r_LoadModel : Error, Not Enough Objects Allocated\n");
            return -1;
        }
    }
    char empty[1] = "";
    if (!name) name = empty;
    if (!modelDir) modelDir = "";
    if (!textureDir) textureDir = "";
    for (char* c = name; *c; ++c) *c = char(std::toupper(static_cast<unsigned char>(*c)));

    // A model already held under this name (and layer) is copied; its file is
    // not read again.
    char key[288];
    if (layer > 0)
        std::snprintf(key, sizeof key, "LAYER %d OF %s", layer, name);  // a long name is cut, never the layer
    else
        std::snprintf(key, sizeof key, "%s", name);
    const int shared = FindModelByName(key);
    if (shared == handle) return handle;
    if (shared != -1) {
        if (!CopyModelSlot(shared, handle)) {
            EngineMessage(cb, "r_LoadModel : Error, Not Enough Memory For %s\n", name);
            return -1;
        }
        SetModelName(handle, key);
        return handle;
    }

    ClearModelSlot(handle);
    char pluginFile[272];
    const bool namesFormat = PluginFileName(name, pluginFile, sizeof pluginFile);
    PluginLibrary library(pluginFile, namesFormat);
    if (!library.Loaded()) {
        EngineMessage(cb, "r_LoadModel : Error, Unknown Format (%s)\n", name);
        return -1;
    }
    ModelPluginTable plugin{};
    if (!Link3DFunctions(library.Handle(), pluginFile, plugin, cb)) {
        library.Release();
        EngineMessage(cb, "r_LoadModel : Error, Could not properly link %s\n", pluginFile);
        return -1;
    }
    // One layer needs the plug-in's layer entry; without it only layer 1 (the
    // whole object, for a plug-in that knows no layers) can be given.
    ModelFn_Load3DLayer loadLayer = nullptr;
    if (layer > 0) {
        loadLayer = reinterpret_cast<ModelFn_Load3DLayer>(
            plat_GetProcAddress(library.Handle(), TESSALY_MODEL_PLUGIN_LAYER_ENTRY));
        if (loadLayer == nullptr && layer > 1) {
            plugin = ModelPluginTable{};
            library.Release();
            EngineMessage(cb, "r_LoadModel : Error, %s cannot load layer %d of %s\n", pluginFile, layer, name);
            return -1;
        }
    }
    const std::string path = std::string(modelDir) + name;
    if (LoadAndReport(plugin, loadLayer, layer, path, cb) == -1) {
        plugin = ModelPluginTable{};
        library.Release();
        EngineMessage(cb, "r_LoadModel : Error, Could not open %s\n", name);
        return -1;
    }

    CModel& model = *ModelAt(handle);
    if (!AllocateMeshes(model, plugin)) {
        ClearModelSlot(handle);
        plugin = ModelPluginTable{};
        library.Release();
        EngineMessage(cb, "r_LoadModel : Error, Not Enough Memory For %s\n", name);
        return -1;
    }
    const int allocatedMeshes = model.meshCount;
    plugin.ExportMD(&model, 0);
    // The plug-in reports the mesh count; never trust it beyond what exists.
    if (model.meshCount < 0 || model.meshCount > allocatedMeshes) model.meshCount = allocatedMeshes;
    model.loaded = 1;

    EngineMessage(cb, "r_LoadModel : Loaded %s (index %d)\n", name, handle);
    EngineMessage(cb, "r_LoadModel : Loading Textures\n");
    LoadSurfaceTextures(model, plugin, textureDir, cb);

    int lightCount = 0;
    ModelLight* lights = BuildModelLights(model, lightCount);
    SetModelLights(handle, lights, lightCount);

    plugin = ModelPluginTable{};
    library.Release();
    SetModelName(handle, key);
    return handle;
}

}  // namespace

TESSALY_EXPORT int r_LoadModel(int handle, char* name, const char* modelDir, const char* textureDir, int /*reserved*/,
                               r_MsgCallback cb) {
    return LoadModelSlot(handle, name, modelDir, textureDir, 0, cb);
}

TESSALY_EXPORT int r_LoadModelLayer(int handle, char* name, const char* modelDir, const char* textureDir, int layer,
                                    r_MsgCallback cb) {
    return LoadModelSlot(handle, name, modelDir, textureDir, layer < 0 ? 0 : layer, cb);
}
