// Process-wide state of the program: settings, paths, the three loop states,
// the scene director's variables, the walk camera and the stopwatches.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/vecmath.h"
#include "tessaly/export.h"
#include "tessaly/music_api.h"

constexpr size_t kPathSize = 1024;       // every data path and the message buffer
constexpr size_t kNameSize = 256;        // console background name
constexpr int kConsoleScrollBack = 256;  // console lines kept for Page Up, shown or not

// A millisecond stopwatch over the platform clock (which is the fixed-step
// clock in deterministic runs).
struct Stopwatch {
    uint32_t start = 0;
    bool running = false;

    void Start();
    void Stop() { running = false; }
    // Seconds since Start, 0 while stopped.
    float Elapsed() const;
};

struct AppState {
    PlatWindow* window = nullptr;
    int card = 0;
    int mode = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    int consoleRows = 0;    // frame height / 15 - 1; the console shows one line fewer
    int consoleScroll = 0;  // lines the console view is scrolled back from its newest line

    char mapsPath[kPathSize] = {};
    char meshesPath[kPathSize] = {};
    char shotsPath[kPathSize] = {};
    char imagesPath[kPathSize] = {};
    char musicPath[kPathSize] = {};
    char scenesPath[kPathSize] = {};
    char message[kPathSize] = {};  // scratch text for console and screen messages

    bool quit = false;
    bool consoleVisible = false;
    bool demoMode = true;
    bool musicOn = true;

    // The music library's handles: the two modules and the play last started.
    MIDASmodule firstModule = nullptr;
    MIDASmodule secondModule = nullptr;
    MIDASmodulePlayHandle playHandle = nullptr;

    int slotIndex = 0;
    int viewTrack = 0;
    float sceneTime = 0.0f;
    float animRate = 60.0f;
    float walkStep = 0.5f;
    int animStep = 1;
    bool clearBackground = false;
    bool scenesLoaded = false;
    char consoleBackground[kNameSize] = {};
    char shotFormat[4] = "tga";  // file type of screenshots and captured frames: "tga" or "png"

    float fps = 0.0f;
    uint32_t frameCount = 0;
    Stopwatch fpsWatch;
    Stopwatch sceneWatch;

    Matrix44 view = MatIdentity();
    Vector3 walkAngles = {0, 0, 0};  // pitch, heading, bank
    Vector3 walkPosition = {0, 0, 0};

    // Settings changed by console commands.
    float ambient[3] = {0, 0, 0};
    bool bilinear = false;
    bool dither = false;
    bool antialias = false;
    bool fpsCounter = false;
};

extern AppState g_app;

// Back to the start values (a new run in the same process).
void ResetAppState();

// Sets the file type of screenshots (F3, the progress report) and of captured
// frames: "tga" or "png", without regard to case. False for anything else
// (nothing changes).
bool SetShotFormat(const char* extension);

// Message sink that ignores the text, for engine calls whose reports are not wanted.
int SilentMessage(const char* message);
