#include "fake_engine.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/message_buffer.h"
#include "platform/platform.h"
#include "tessaly/music_api.h"

namespace fake {

Engine g_engine;

void Reset() { g_engine = Engine{}; }

int Engine::CountCalls(const std::string& prefix) const {
    int n = 0;
    for (const std::string& call : calls)
        if (call.rfind(prefix, 0) == 0) ++n;
    return n;
}

int Engine::FindCall(const std::string& prefix, int from) const {
    for (size_t i = static_cast<size_t>(from < 0 ? 0 : from); i < calls.size(); ++i)
        if (calls[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
}

}  // namespace fake

using fake::g_engine;

namespace {

// Records a call in the log; 0, the answer of every call that only succeeds.
int Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
int Log(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    g_engine.calls.emplace_back(FormatBoundedV(text, sizeof text, format, args));
    va_end(args);
    return 0;
}

fake::Model* FindModel(int handle) {
    if (handle < 0 || handle >= static_cast<int>(g_engine.models.size())) return nullptr;
    return g_engine.models[static_cast<size_t>(handle)].get();
}

void UpperCase(char* text) {
    for (; *text; ++text) *text = static_cast<char>(std::toupper(static_cast<unsigned char>(*text)));
}

}  // namespace

// ---- raster link and pass-throughs ----
int r_LinkRaster(const char* name, r_MsgCallback) { return Log("r_LinkRaster %s", name); }
int r_FreeRaster(r_MsgCallback) { return Log("r_FreeRaster"); }
void r_SetReportCallback(r_MsgCallback) {}
int r_GetSysInfo(void) { return Log("r_GetSysInfo"); }
int r_InitEngine(int card, int mode, int device, PlatWindow** window, int flags, r_MsgCallback) {
    Log("r_InitEngine %d %d %d %d %s", card, mode, device, flags, window ? "window" : "null");
    return flags == 2 ? g_engine.windowedResult : 0;
}
int r_DeinitEngine(void) { return Log("r_DeinitEngine"); }
int r_SetViewportArea(float l, float t, float r, float b, r_MsgCallback) {
    return Log("r_SetViewportArea %g %g %g %g", l, t, r, b);
}
int r_ClearScreen(uint32_t colour, r_MsgCallback) { return Log("r_ClearScreen %#x", colour); }
int r_ClearZBuffer(float depth, r_MsgCallback) { return Log("r_ClearZBuffer %g", depth); }
int r_SwapBuffers(int) {
    Log("r_SwapBuffers");
    ++g_engine.swaps;
    if (g_engine.swaps == g_engine.quitAtSwap) plat_PostMessage(PLAT_MSG_QUIT, g_engine.quitCode);
    plat_FramePresented(nullptr, g_engine.frameWidth, g_engine.frameHeight, 0);
    return 0;
}
int r_SetFrustum(float f, float a, float n, float d, r_MsgCallback) {
    return Log("r_SetFrustum %g %g %g %g", f, a, n, d);
}
int r_SimpleTLRender(const TLVertex*, int, int, int) { return 0; }
int r_TransformIntoCamSpace(const Vector3*, Vector3*, int, Matrix44, int) { return 0; }
int r_AllocMaxVtcs(int count, r_MsgCallback) { return Log("r_AllocMaxVtcs %d", count); }
int r_FreeAllocatedVtcs(r_MsgCallback) { return 0; }
int r_SetRenderState(int code, int value) { return Log("r_SetRenderState %d %d", code, value); }
int r_DrawBitmap(int handle, int x, int y, int w, int h, unsigned flags, r_MsgCallback) {
    return Log("r_DrawBitmap %d %d %d %d %d %u", handle, x, y, w, h, flags);
}
int r_SysPrint(const char* text, int x, int y, uint32_t colour) {
    return Log("r_SysPrint %s|%d %d %#x", text ? text : "(null)", x, y, colour);
}
int r_SeekMode(int card, int w, int h, int bits, int hardware) {
    Log("r_SeekMode %d %d %d %d %d", card, w, h, bits, hardware);
    const auto& modes = hardware ? g_engine.hardwareModes : g_engine.anyModes;
    auto it = modes.find(card);
    return it == modes.end() ? -1 : it->second;
}
void* r_LockZBufferPointer(int*, int*) { return nullptr; }
int r_ReleaseZBufferPointer(void) { return 0; }
int r_GetCardsNum(void) { return g_engine.cards; }
int r_GetVideoModesNum(int) { return 1; }
int r_GetVideoModeData(int card, int mode, int* w, int* h, int* bits, char*) {
    Log("r_GetVideoModeData %d %d", card, mode);
    *w = g_engine.frameWidth;
    *h = g_engine.frameHeight;
    *bits = 16;
    return 0;
}
const char* r_GetVideoModeDataStr(int, int) { return ""; }

// ---- model store ----
int r_AllocMaxModels(int capacity, r_MsgCallback) { return Log("r_AllocMaxModels %d", capacity); }
// The models stay until fake::Reset, so tests can look at them after a run.
int r_FreeAllocatedModels(r_MsgCallback) { return Log("r_FreeAllocatedModels"); }
int r_LoadModel(int, char* name, const char* modelDir, const char*, int, r_MsgCallback cb) {
    UpperCase(name);
    for (size_t i = 0; i < g_engine.models.size(); ++i)
        if (g_engine.models[i]->name == name) return static_cast<int>(i);
    char path[2048];
    char resolved[2048];
    std::snprintf(path, sizeof path, "%s%s", modelDir, name);
    if (!plat_ResolvePath(path, resolved, sizeof resolved) ||
        static_cast<int>(g_engine.models.size()) >= g_engine.modelCapacity) {
        if (cb) cb("r_LoadModel : not loaded\n");
        return -1;
    }
    auto model = std::make_unique<fake::Model>();
    model->name = name;
    auto names = g_engine.meshNames.find(name);
    const std::vector<std::string> meshNames =
        names != g_engine.meshNames.end() ? names->second : std::vector<std::string>{"Default"};
    for (const std::string& meshName : meshNames) {
        auto mesh = std::make_unique<CMesh>();
        std::snprintf(mesh->name, sizeof mesh->name, "%s", meshName.c_str());
        mesh->Allocate(g_engine.meshVertices);
        mesh->AllocateTexCoords(0, g_engine.meshVertices);
        mesh->vertexCount = g_engine.meshVertices;
        mesh->textureVelocity[0][0] = 0.25f;
        mesh->textureVelocity[0][1] = -0.5f;
        model->meshes.push_back(std::move(mesh));
    }
    g_engine.models.push_back(std::move(model));
    Log("r_LoadModel %s -> %d", name, static_cast<int>(g_engine.models.size()) - 1);
    return static_cast<int>(g_engine.models.size()) - 1;
}
// Layers are the real engine's business: here every layer is the whole model.
int r_LoadModelLayer(int handle, char* name, const char* modelDir, const char* textureDir, int, r_MsgCallback cb) {
    return r_LoadModel(handle, name, modelDir, textureDir, 0, cb);
}
int r_CopyModel(int, int, r_MsgCallback) { return -1; }
int r_FreeModel(int, r_MsgCallback) { return 0; }
Vector3 r_GetModelCenter(int handle) {
    const fake::Model* m = FindModel(handle);
    return m ? m->centre : Vector3{0, 0, 0};
}
float r_GetModelRadius(int handle) {
    const fake::Model* m = FindModel(handle);
    return m ? m->radius : 0.0f;
}
int r_GetSurfNum(int) { return 0; }
const char* r_GetSurfName(int, int) { return ""; }
int r_GetSurfTexturesNum(int, int) { return 0; }
int r_GetSurfTextureIdx(int, int, int) { return -1; }
int r_GetMeshesNum(int handle, r_MsgCallback) {
    const fake::Model* m = FindModel(handle);
    return m ? static_cast<int>(m->meshes.size()) : -1;
}
CMesh* r_GetMeshPointer(int handle, int mesh, r_MsgCallback) {
    fake::Model* m = FindModel(handle);
    if (!m || mesh < 0 || mesh >= static_cast<int>(m->meshes.size())) return nullptr;
    return m->meshes[static_cast<size_t>(mesh)].get();
}

// ---- texture and image stores ----
int r_AllocMaxTextures(int capacity, r_MsgCallback) { return Log("r_AllocMaxTextures %d", capacity); }
int r_FreeAllocatedTextures(r_MsgCallback) { return Log("r_FreeAllocatedTextures"); }
int r_AllocMaxImages(int capacity, r_MsgCallback) { return Log("r_AllocMaxImages %d", capacity); }
int r_FreeAllocatedImages(r_MsgCallback) { return Log("r_FreeAllocatedImages"); }
int r_LoadTexture(int handle, char* name, const char* dir, int flags, r_MsgCallback) {
    Log("r_LoadTexture %d %s %s %#x", handle, name, dir, flags);
    return handle;
}
int r_LoadImage(int handle, const char* name, const char* dir, int flags, r_MsgCallback) {
    return Log("r_LoadImage %d %s %s %#x", handle, name, dir, flags);
}
int r_AddTexture(int handle, unsigned w, unsigned h, int bits, const uint8_t* texels, const char* name, unsigned flags,
                 r_MsgCallback) {
    if (handle >= 0 && handle < 3) ++g_engine.addTextureCalls[handle];
    if (handle == 2) {
        g_engine.lastWater.assign(texels, texels + static_cast<size_t>(w) * h * 3);
        g_engine.lastWaterWidth = static_cast<int>(w);
    }
    if (g_engine.addTextureCalls[handle < 0 || handle > 2 ? 0 : handle] == 1)
        Log("r_AddTexture %d %u %u %d %s %#x", handle, w, h, bits, name, flags);
    return handle;
}
int r_GetTexturesNum(void) { return 3; }
const char* r_GetTextureName(int) { return ""; }
int r_GetTextureData(int, int*, int*, int*) { return -1; }
const char* r_GetTextureDataStr(int) { return ""; }
uint8_t* r_LockTexturePointer(int handle, int* w, int* h, int* pitch, int* bits) {
    Log("r_LockTexturePointer %d", handle);
    if (handle != 2 || g_engine.lake.empty()) return nullptr;
    *w = g_engine.lakeWidth;
    *h = g_engine.lakeHeight;
    *pitch = g_engine.lakeWidth * 3;
    *bits = 24;
    return g_engine.lake.data();
}
int r_ReleaseTexturePointer(int handle, int writeBack) {
    return Log("r_ReleaseTexturePointer %d %d", handle, writeBack);
}

// ---- mesh drawing ----
int r_SetCamMatrix(const Matrix44* camera) {
    g_engine.camera = *camera;
    g_engine.drawnHandles.clear();
    g_engine.drawnMatrices.clear();
    return 0;
}
int r_DrawCMeshData(int handle, Matrix44 model, int) {
    g_engine.drawnHandles.push_back(handle);
    g_engine.drawnMatrices.push_back(model);
    return 0;
}
int r_AllocMaxAlphaMeshes(int capacity) { return Log("r_AllocMaxAlphaMeshes %d", capacity); }
int r_FreeAllocatedAlphaMeshes(void) { return Log("r_FreeAllocatedAlphaMeshes"); }
int r_FlushAlphaMeshes(void) { return 0; }

// ---- lighting front ----
int r_AllocMaxLights(int lights, int colours, r_MsgCallback cb) {
    return Log("r_AllocMaxLights %d %d %s", lights, colours, cb ? "silent" : "null");
}
int r_FreeAllocatedLights(r_MsgCallback) { return Log("r_FreeAllocatedLights"); }
int r_AddLight(const Matrix44*, const float*, float, int, uint8_t, int) { return 0; }
int r_KillLight(int) { return 0; }
int r_SetLightCone(int, float, float) { return 0; }
int r_KillAllLights(void) { return Log("r_KillAllLights"); }
int r_SetAmbient(float r, float g, float b) { return Log("r_SetAmbient %g %g %g", r, g, b); }
int r_LightMesh(CMesh*, const Matrix44*, uint32_t*, uint32_t*, int) { return 0; }
int r_ResetSBMIllum(CMesh*, float) { return 0; }
int r_AddModelLights(int handle, const Matrix44*, int) { return Log("r_AddModelLights %d", handle); }
int r_PreIllumModel(int handle, const Matrix44*, r_MsgCallback) { return Log("r_PreIllumModel %d", handle); }
int r_ResetModelIllum(int handle, r_MsgCallback) { return Log("r_ResetModelIllum %d", handle); }

// ---- 2D effects ----
int r_Render2DFX(int, Vector3, float, float, uint32_t, int, int, r_MsgCallback) { return 0; }
int r_RenderFlare(int, Vector3, float, float, uint32_t, int, int, r_MsgCallback) { return 0; }
void r_RenderLightEffects(void) { Log("r_RenderLightEffects"); }

// ---- console ----
namespace {
char g_command[256];
bool g_commandReady = false;
}  // namespace
int r_ConsoleInit(int lines, int history, int width) {
    Log("r_ConsoleInit %d %d %d", lines, history, width);
    g_command[0] = '\0';
    return 0;
}
int r_ConsoleDeInit(void) { return 0; }
int r_ConsoleClear(void) { return 0; }
int r_ConsoleSetCursorCharacter(int) { return 0; }
int r_ConsolePrintLine(const char* text) {
    g_engine.consoleLines.emplace_back(text);
    return 0;
}
int r_ConsoleAddChar(int c) {
    if (c == 13) {
        g_commandReady = true;
    } else if (c >= 32 && c < 127) {
        const size_t n = std::strlen(g_command);
        if (n + 1 < sizeof g_command) {
            g_command[n] = static_cast<char>(c);
            g_command[n + 1] = '\0';
        }
    }
    return 0;
}
const char* r_ConsoleGetLine(int) { return ""; }
char* r_ConsoleGetCommand(void) { return g_command; }
int r_ConsoleHasCommandAvailable(void) { return g_commandReady ? 1 : 0; }
int r_ConsoleCommandAccepted(void) {
    Log("r_ConsoleCommandAccepted");
    g_commandReady = false;
    g_command[0] = '\0';
    return 0;
}

// ---- screenshots ----
int r_ScreenShot(const char* prefix, const char* extension, const char* dir, int, r_MsgCallback) {
    return Log("r_ScreenShot %s %s %s", prefix, extension, dir);
}

// ---- music library ----
namespace {

int MidasFail(int code) {
    g_engine.midasLastError = code;
    return 0;
}

long HandleNumber(const void* handle) { return static_cast<long>(reinterpret_cast<uintptr_t>(handle)); }

}  // namespace

int MIDASstartup(void) {
    Log("MIDASstartup");
    return 1;
}
int MIDASsetOption(int option, int value) {
    Log("MIDASsetOption %d %d", option, value);
    return 1;
}
int MIDASinit(void) {
    Log("MIDASinit");
    return g_engine.midasInitFails ? MidasFail(1) : 1;
}
int MIDASstartBackgroundPlay(unsigned pollRate) {
    Log("MIDASstartBackgroundPlay %u", pollRate);
    return 1;
}
MIDASmodule MIDASloadModule(const char* fileName) {
    char resolved[2048];
    if (!plat_ResolvePath(fileName, resolved, sizeof resolved)) {
        Log("MIDASloadModule %s -> null", fileName);
        MidasFail(2);
        return nullptr;
    }
    Log("MIDASloadModule %s -> m%d", fileName, ++g_engine.midasModules);
    return reinterpret_cast<MIDASmodule>(static_cast<uintptr_t>(g_engine.midasModules));
}
MIDASmodulePlayHandle MIDASplayModule(MIDASmodule module, int loopSong) {
    if (!module) {
        Log("MIDASplayModule null %d -> null", loopSong);
        MidasFail(3);
        return nullptr;
    }
    Log("MIDASplayModule m%ld %d -> p%d", HandleNumber(module), loopSong, ++g_engine.midasPlays);
    return reinterpret_cast<MIDASmodulePlayHandle>(static_cast<uintptr_t>(g_engine.midasPlays));
}
int MIDASstopModule(MIDASmodulePlayHandle playHandle) {
    Log("MIDASstopModule p%ld", HandleNumber(playHandle));
    return 1;
}
int MIDASstopBackgroundPlay(void) {
    Log("MIDASstopBackgroundPlay");
    return 1;
}
int MIDASclose(void) {
    Log("MIDASclose");
    return g_engine.midasCloseFails ? MidasFail(4) : 1;
}
int MIDASgetLastError(void) { return g_engine.midasLastError; }
const char* MIDASgetErrorMessage(int errorCode) {
    static const char* const kTexts[] = {"no error", "no output", "no such module file", "no module", "cannot close"};
    return errorCode >= 0 && errorCode <= 4 ? kTexts[errorCode] : "unknown";
}
