// Start-up in its fixed order, the engine set-up with its three passes, and
// the shutdown in its fixed order.
#include "app/startup.h"

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/demo_folder.h"
#include "app/launcher_options.h"
#include "app/main_loop.h"
#include "app/music.h"
#include "app/procedural_textures.h"
#include "app/recording.h"
#include "app/scene_slots.h"
#include "app/user_reports.h"
#include "app/viewer.h"
#include "platform/platform.h"
#include "tessaly/engine_api.h"
#include "tessaly/input_api.h"
#include "tessaly/raster_interface.h"
#include "tessaly/scene_api.h"

#ifndef TESSALY_VERSION
#define TESSALY_VERSION "unknown"
#endif

namespace {

// The demo's own frame mode, used unless --mode asks for another.
constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr int kFrameBits = 16;

struct FrameMode {
    int width, height, bits;
};

// The mode of --mode (the display's size at 32 bits for --mode desktop), else the default.
FrameMode ChosenMode() {
    const PlatOptions& p = *plat_GetOptions();
    if (RunLaunchOptions().desktopMode) {
        FrameMode m{kFrameWidth, kFrameHeight, 32};
        plat_GetScreenSize(&m.width, &m.height);
        return m;
    }
    if (p.modeWidth > 0 && p.modeHeight > 0) return {p.modeWidth, p.modeHeight, p.modeBits > 0 ? p.modeBits : 16};
    return {kFrameWidth, kFrameHeight, kFrameBits};
}

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

namespace {

// The engine's failure text for the link, kept to explain a failed start.
char g_linkMessage[1024];
int KeepLinkMessage(const char* text) {
    std::snprintf(g_linkMessage, sizeof g_linkMessage, "%s", text ? text : "");
    g_linkMessage[std::strcspn(g_linkMessage, "\r\n")] = '\0';
    return 0;
}

}  // namespace

bool LinkBackEnd() {
    r_SetReportCallback(UserReportCallback);
    g_linkMessage[0] = '\0';
    if (r_LinkRaster("t7dxraster.dll", KeepLinkMessage) == 0) return true;
    // The platform's reason belongs to the load, or to the entry that was missing.
    if (std::strstr(g_linkMessage, "Failed to Link"))
        std::fprintf(stderr, "tessaly: cannot start: the raster back-end t7dxraster.dll cannot be loaded: %s\n",
                     plat_LibraryError());
    else
        std::fprintf(stderr, "tessaly: cannot start: the raster back-end t7dxraster.dll cannot be used: %s (%s)\n",
                     g_linkMessage, plat_LibraryError());
    r_FreeRaster(nullptr);  // a back-end that lacked an entry is still loaded
    return false;
}

bool DemoFolderReady(const std::string& dataFolder) {
    const std::vector<std::string> problems = DemoFolderProblems(dataFolder);
    if (problems.empty()) return true;
    const char* folder = dataFolder.c_str();
    for (const std::string& problem : problems) std::fprintf(stderr, "tessaly: %s%s\n", folder, problem.c_str());
    std::fprintf(stderr,
                 "tessaly: %s does not hold the demo (tessaly-make-demo DIR writes one; --data DIR chooses it)\n",
                 folder);
    return false;
}

float DemoFieldOfView(int width, int height) {
    constexpr float kFieldOfView = 1.0f;  // across a 4:3 frame
    if (width <= 0 || height <= 0 || width * 3 == height * 4) return kFieldOfView;
    const double across = std::tan(kFieldOfView * 0.5) * (3.0 * width) / (4.0 * height);
    return static_cast<float>(2.0 * std::atan(across));
}

PlatWindow* CreateProgramWindow() {
    if (!plat_GetOptions()->windowed) return plat_CreateWindow("Tessaly", 320, 200);
    const FrameMode frame = ChosenMode();
    return plat_CreateResizableWindow("Tessaly", frame.width, frame.height);
}

namespace {

// Starts the engine full screen on card in the frame's mode, on the hardware
// device (hardware 1) or any (0); false, with nothing started, when the card
// has no such mode.
bool StartFullScreen(int card, const FrameMode& frame, int hardware) {
    const int mode = r_SeekMode(card, frame.width, frame.height, frame.bits, hardware);
    if (mode == -1) return false;
    r_InitEngine(card, mode, hardware, &g_app.window, EXCLUSIVEFULLSCREEN, nullptr);
    g_app.card = card;
    g_app.mode = mode;
    return true;
}

}  // namespace

bool SetUpEngine() {
    bool found = false;
    const FrameMode frame = ChosenMode();
    if (!plat_GetOptions()->windowed) {
        // Hardware full screen: the highest-numbered card with the mode wins.
        for (int card = r_GetCardsNum() - 1; card >= 0 && !found; --card) found = StartFullScreen(card, frame, 1);
        // Any full-screen device: the lowest-numbered card with the mode wins.
        for (int card = 0; card < r_GetCardsNum() && !found; ++card) found = StartFullScreen(card, frame, 0);
    }
    if (!found) {
        // A window asked for (--window) shows the chosen mode; the fallback
        // after the full-screen passes takes the first mode.
        int mode = 0;
        if (plat_GetOptions()->windowed) {
            const int wanted = r_SeekMode(0, frame.width, frame.height, frame.bits, 0);
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
    int width = 0, height = 0, bits = 0;
    char reserved = 0;
    r_GetVideoModeData(g_app.card, g_app.mode, &width, &height, &bits, &reserved);
    r_SetFrustum(DemoFieldOfView(width, height), 1.0f, 0.5f, 1000.0f, nullptr);
    r_ClearScreen(0xa07000, nullptr);
    r_ClearZBuffer(1.0f, nullptr);
    return true;
}

bool StartEngine() {
    g_app.view = MatIdentity();
    // The back-end is linked before the window opens: without it the program
    // ends at once, and no window flashes up for nothing.
    if (!LinkBackEnd()) return false;
    g_app.window = CreateProgramWindow();
    plat_ShowCursor(0);
    r_GetSysInfo();
    if (!SetUpEngine()) {
        r_FreeRaster(nullptr);
        plat_DestroyWindow(g_app.window);
        g_app.window = nullptr;
        plat_ShowCursor(1);
        return false;
    }

    int bits = 0;
    char flags = 0;
    r_GetVideoModeData(g_app.card, g_app.mode, &g_app.frameWidth, &g_app.frameHeight, &bits, &flags);
    g_app.consoleRows = g_app.frameHeight / 15 - 1;
    // The console keeps more lines than it shows; Page Up and Page Down scroll
    // through them.
    r_ConsoleInit(std::max(g_app.consoleRows - 1, kConsoleScrollBack), 25, 256);
    SetConsoleReports(true);
    return true;
}

int StartUp(const std::string& dataFolder) {
    if (!StartEngine()) return 1;
    ShowWaitText();

    const char* base = dataFolder.c_str();
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
    // The music has been mixed up to the clock; the frames follow it there
    // and the video file is finished.
    StopRecording();
    g_app.sceneWatch.Stop();
    SetConsoleReports(false);
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

namespace {

// What every run does before its first frame: the platform configured, the
// video recording started where one is asked for, and the program's state
// fresh. False when the platform or the recording cannot start.
bool PrepareRun(const LaunchOptions& options, const std::string& videoPath) {
    if (plat_Configure(&options.platform) != 0) return false;
    if (options.videoPath && !StartRecording(options, videoPath)) return false;
    ResetAppState();
    SetShotFormat(options.shotFormat);
    ReleaseSlots();
    ReleaseProceduralTextures();
    return true;
}

// The viewer's run: a headless run without --fixed-fps steps the clock at the
// scene's own rate, so every presented frame is the next frame of the scene.
int RunViewerProgram(LaunchOptions& options, InputFileKind kind, const std::string& videoPath) {
    if (options.platform.headless && options.platform.fixedFps == 0) {
        int rate = 30;
        if (kind == InputFileKind::Scene && r_LoadAnim(options.file, 0) == 0)
            rate = static_cast<int>(std::lround(r_GetAnimFramesPerSecond()));
        r_ResetAnim();
        options.platform.fixedFps = std::clamp(rate, 1, 1000);
    }
    if (!PrepareRun(options, videoPath)) return 1;
    const int code = RunViewer(options.file, kind);
    StopRecording();  // finished by the viewer's shutdown already, unless it ended early
    if (code == 0 && plat_OutputFailed()) return 1;
    return code;
}

}  // namespace

int RunProgram(int argc, char** argv) {
    LaunchOptions& options = RunOptions();
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
    std::string videoPath = PathFromFolder(startFolder.c_str(), options.videoPath);
    InputFileKind fileKind = InputFileKind::Folder;
    if (options.file) {
        fileKind = ClassifyInputFile(options.file);
        if (fileKind == InputFileKind::Missing) {
            std::fprintf(stderr, "tessaly: cannot open %s: %s\n", options.file, std::strerror(ENOENT));
            return 2;
        }
        if (fileKind == InputFileKind::Other) {
            std::fprintf(stderr, "tessaly: %s is neither a LightWave scene (.lws) nor an object (.lwo)\n",
                         options.file);
            return 2;
        }
        // A folder is a demo data set.
        if (fileKind == InputFileKind::Folder) options.dataDir = options.file;
    }
    if (options.file && fileKind != InputFileKind::Folder) return RunViewerProgram(options, fileKind, videoPath);
    // The data folder, absolute: start-up takes its folders from it. The
    // program also works in it, as it always has (the current directory is
    // the last place the library lookup tries).
    std::string dataFolder = startFolder;
    if (options.dataDir) {
        std::error_code problem;
        const std::filesystem::path folder =
            std::filesystem::canonical(PathFromFolder(startFolder.c_str(), options.dataDir), problem);
        if (problem || chdir(folder.c_str()) != 0) {
            std::fprintf(stderr, "tessaly: cannot work in %s: %s\n", options.dataDir,
                         std::strerror(problem ? problem.value() : errno));
            return 1;
        }
        dataFolder = folder.string();
        if (dataFolder.back() != '/') dataFolder += '/';
    }
    if (!DemoFolderReady(dataFolder)) return 2;
    if (!PrepareRun(options, videoPath)) return 1;

    const int startError = StartUp(dataFolder);
    if (startError != 0) {
        StopRecording();
        return startError;
    }
    const int code = RunMainLoop();
    ShutDown();
    // Frames, sound or video that could not be written were reported where
    // they failed; the run is not a success.
    if (code == 0 && plat_OutputFailed()) return 1;
    return code;
}
