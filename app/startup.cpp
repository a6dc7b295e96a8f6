// Start-up in its fixed order, the engine set-up with its three passes, and
// the shutdown in its fixed order.
#include "app/startup.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/launcher_options.h"
#include "app/main_loop.h"
#include "app/music.h"
#include "app/procedural_textures.h"
#include "app/scene_slots.h"
#include "platform/platform.h"
#include "tessaly/engine_api.h"
#include "tessaly/input_api.h"
#include "tessaly/raster_interface.h"

#ifndef TESSALY_VERSION
#define TESSALY_VERSION "unknown"
#endif

namespace {

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr int kFrameBits = 16;

void SetPath(char* path, const char* base, const char* folder) {
    std::snprintf(path, kPathSize, "%s%s/", base, folder);
}

// Texture and image slots the program relies on: 0 the flare, 1 the fire,
// 2 the lake, image 0 the credits picture.
void LoadFixedPictures() {
    char flare[] = "fx_flare.tga";
    char fire[] = "fx_Phire.tga";
    char lake[] = "terrain_lake.tga";
    r_LoadTexture(0, flare, g_app.mapsPath, TEXTURE_NOMIPMAP, nullptr);
    r_LoadTexture(1, fire, g_app.mapsPath, TEXTURE_NOMIPMAP, nullptr);
    r_LoadTexture(2, lake, g_app.mapsPath, TEXTURE_NOMIPMAP, nullptr);
    r_LoadImage(0, "credits.tga", g_app.imagesPath, TEXTURE_NOMIPMAP, nullptr);
}

constexpr const char* kWaitText = "Initializing, Please Wait...";

void ShowWaitText() {
    r_ClearScreen(0, nullptr);
    r_SysPrint(kWaitText, 5, 5, 0xff00);
    r_SwapBuffers(0);
}

// The five-second start-up wait, with the wait text shown for all of it: both
// frames of the display are cleared and the second carries the text. The
// window stays responsive, and closing it (or the frame limit, or a signal)
// ends the wait and the start-up's frames; the main loop then takes that
// message and shuts down.
void ShowWaitScreen() {
    if (plat_MessagePending()) return;
    r_ClearScreen(0, nullptr);
    r_SwapBuffers(0);
    if (plat_MessagePending()) return;
    ShowWaitText();
    plat_WaitSecondsResponsive(5.0);
}

}  // namespace

bool SetUpEngine() {
    bool found = false;
    if (!plat_GetOptions()->windowed) {
        // Hardware full screen: the highest-numbered card with the mode wins.
        for (int card = r_GetCardsNum() - 1; card >= 0 && !found; --card) {
            const int mode = r_SeekMode(card, kFrameWidth, kFrameHeight, kFrameBits, 1);
            if (mode == -1) continue;
            r_InitEngine(card, mode, 1, &g_app.window, EXCLUSIVEFULLSCREEN, nullptr);
            g_app.card = card;
            g_app.mode = mode;
            found = true;
        }
        // Any full-screen device: the lowest-numbered card with the mode wins.
        for (int card = 0; card < r_GetCardsNum() && !found; ++card) {
            const int mode = r_SeekMode(card, kFrameWidth, kFrameHeight, kFrameBits, 0);
            if (mode == -1) continue;
            r_InitEngine(card, mode, 0, &g_app.window, EXCLUSIVEFULLSCREEN, nullptr);
            g_app.card = card;
            g_app.mode = mode;
            found = true;
        }
    }
    if (!found) {
        // A window asked for (--window) shows the demo's own mode; the fallback
        // after the full-screen passes takes the first mode.
        int mode = 0;
        if (plat_GetOptions()->windowed) {
            const int wanted = r_SeekMode(0, kFrameWidth, kFrameHeight, kFrameBits, 0);
            if (wanted != -1) mode = wanted;
        }
        if (r_InitEngine(0, mode, 0, &g_app.window, WINDOWED, nullptr) == -1) {
            plat_MessageBox(g_app.window, "Could not initialize 3D Engine", "Fatal Error", PLAT_MB_ICONWARNING);
            return false;
        }
        g_app.card = 0;
        g_app.mode = mode;
    }

    r_AllocMaxModels(400, nullptr);
    r_AllocMaxVtcs(20000, nullptr);
    r_AllocMaxTextures(100, nullptr);
    r_AllocMaxImages(40, nullptr);
    r_AllocMaxAlphaMeshes(100);
    r_AllocMaxLights(60, 10000, SilentMessage);
    r_SetViewportArea(0, 0, 1.0f, 1.0f, nullptr);
    r_SetFrustum(1.0f, 1.0f, 0.5f, 1000.0f, nullptr);
    r_ClearScreen(0xa07000, nullptr);
    r_ClearZBuffer(1.0f, nullptr);
    return true;
}

int StartUp() {
    g_app.view = MatIdentity();
    // Full screen starts from a small borderless window; --window opens an
    // ordinary resizable one at the mode's size.
    g_app.window = plat_GetOptions()->windowed ? plat_CreateResizableWindow("Tessaly", kFrameWidth, kFrameHeight)
                                               : plat_CreateWindow("Tessaly", 320, 200);
    plat_ShowCursor(0);
    r_LinkRaster("t7dxraster.dll", nullptr);
    r_GetSysInfo();
    if (!SetUpEngine()) {
        r_FreeRaster(nullptr);
        plat_DestroyWindow(g_app.window);
        g_app.window = nullptr;
        plat_ShowCursor(1);
        return 1;
    }

    int bits = 0;
    char flags = 0;
    r_GetVideoModeData(g_app.card, g_app.mode, &g_app.frameWidth, &g_app.frameHeight, &bits, &flags);
    g_app.consoleRows = g_app.frameHeight / 15 - 1;
    // The console keeps more lines than it shows; Page Up and Page Down scroll
    // through them.
    r_ConsoleInit(std::max(g_app.consoleRows - 1, kConsoleScrollBack), 25, 256);
    ShowWaitText();

    char base[kPathSize] = {};
    plat_GetCurrentDirectory(base, sizeof base - 1);
    SetPath(g_app.mapsPath, base, "maps");
    SetPath(g_app.meshesPath, base, "meshes");
    SetPath(g_app.shotsPath, base, "shots");
    SetPath(g_app.imagesPath, base, "images");
    SetPath(g_app.musicPath, base, "music");
    SetPath(g_app.scenesPath, base, "scenes");

    LoadFixedPictures();
    SetUpWater();
    g_app.sceneTime = 0.0f;
    LoadAllSlots();

    char ambient[] = "SETAMBIENT 0.2 0.2 0.2";
    char bilinear[] = "BILINEAR";
    RunCommand(ambient);
    RunCommand(bilinear);

    T7I_Init(nullptr, g_app.window);
    ShowWaitScreen();
    if (g_app.musicOn) StartMusic();
    g_app.fpsWatch.Start();
    g_app.sceneWatch.Start();
    return 0;
}

void ShutDown() {
    if (g_app.musicOn) StopMusic();
    g_app.sceneWatch.Stop();
    r_DeinitEngine();
    r_FreeAllocatedImages(nullptr);
    r_FreeAllocatedTextures(nullptr);
    r_FreeAllocatedAlphaMeshes();
    r_FreeRaster(nullptr);
    // The model and light stores do not touch the back-end.
    r_FreeAllocatedModels(nullptr);
    r_FreeAllocatedLights(nullptr);
    plat_ShowCursor(1);
    T7I_DeInit();

    ReleaseSlots();
    ReleaseProceduralTextures();
    plat_DestroyWindow(g_app.window);
    g_app.window = nullptr;
    plat_Shutdown();
}

int RunProgram(int argc, char** argv) {
    LaunchOptions options;
    char error[256] = {};
    switch (ParseLaunchOptions(argc, argv, options, error, sizeof error)) {
        case LaunchAction::Help:
            std::fputs(LaunchUsage(), stdout);
            return 0;
        case LaunchAction::Version:
            std::printf("tessaly %s\n", TESSALY_VERSION);
            return 0;
        case LaunchAction::Error:
            std::fprintf(stderr, "tessaly: %s\n%s", error, LaunchUsage());
            return 2;
        case LaunchAction::Run:
            break;
    }
    // Paths given on the command line belong to the folder the program was
    // started in, not to the data folder it is about to change into.
    std::error_code noFolder;
    std::string startFolder = std::filesystem::current_path(noFolder).string();
    if (!startFolder.empty() && startFolder.back() != '/') startFolder += '/';
    const std::string capture = PathFromFolder(startFolder.c_str(), options.platform.captureDir);
    const std::string script = PathFromFolder(startFolder.c_str(), options.platform.scriptPath);
    const std::string audioOut = PathFromFolder(startFolder.c_str(), options.platform.audioOut);
    if (options.platform.captureDir) options.platform.captureDir = capture.c_str();
    if (options.platform.scriptPath) options.platform.scriptPath = script.c_str();
    if (options.platform.audioOut) options.platform.audioOut = audioOut.c_str();
    if (options.dataDir && chdir(options.dataDir) != 0) {
        std::fprintf(stderr, "tessaly: cannot work in %s: %s\n", options.dataDir, std::strerror(errno));
        return 1;
    }
    if (plat_Configure(&options.platform) != 0) return 1;

    ResetAppState();
    ReleaseSlots();
    ReleaseProceduralTextures();
    const int startError = StartUp();
    if (startError != 0) return startError;
    const int code = RunMainLoop();
    ShutDown();
    // Frames, sound or video that could not be written were reported where
    // they failed; the run is not a success.
    if (code == 0 && plat_OutputFailed()) return 1;
    return code;
}
