// The demo's music over the music library's calls, in the library's own
// order: start-up, option values, background play, loading, then play.
#include "app/music.h"

#include <cstdio>

#include "app/app_state.h"
#include "tessaly/music_api.h"

namespace {

constexpr int kMixBufferMs = 150;
constexpr int kMixBufferBlocks = 4;
constexpr unsigned kPollRate = 100;

const char* LastErrorText() {
    const char* text = MIDASgetErrorMessage(MIDASgetLastError());
    return text ? text : "";
}

// Reports the library's last error on standard output and closes the library;
// the program goes on. Nothing is shown in the window or the console.
void ReportMidasError() {
    std::printf("\nMIDAS error: %s\n", LastErrorText());
    if (!MIDASclose()) std::printf("\nBIG PANIC! MIDASclose Failed: %s\n", LastErrorText());
    std::fflush(stdout);
}

// A module that cannot be loaded is reported with the same text, but the
// library stays open: the other module still plays at its time, and a fault
// in one file does not silence the whole demo.
MIDASmodule LoadModule(const char* fileName) {
    // Room for the longest music path and the file name, so no name is cut.
    char path[kPathSize + 16];
    std::snprintf(path, sizeof path, "%s%s", g_app.musicPath, fileName);
    MIDASmodule module = MIDASloadModule(path);
    if (!module) {
        std::printf("\nMIDAS error: %s\n", LastErrorText());
        std::fflush(stdout);
    }
    return module;
}

}  // namespace

void StartMusic() {
    MIDASstartup();
    MIDASsetOption(MIDAS_OPTION_MIXBUFLEN, kMixBufferMs);
    MIDASsetOption(MIDAS_OPTION_MIXBUFBLOCKS, kMixBufferBlocks);
    if (!MIDASinit()) ReportMidasError();
    if (!MIDASstartBackgroundPlay(kPollRate)) ReportMidasError();
    // Later calls are made whatever failed before, with the handles there are.
    g_app.firstModule = LoadModule("vdm.it");
    g_app.secondModule = LoadModule("vdm2.it");
    // Without the first module there is nothing to start; the second still
    // takes over when the demo leaves the main scene.
    g_app.playHandle = g_app.firstModule ? MIDASplayModule(g_app.firstModule, 0) : nullptr;
}

void RestartFirstModule() {
    if (g_app.playHandle) MIDASstopModule(g_app.playHandle);
    g_app.playHandle = MIDASplayModule(g_app.firstModule, 1);
}

void SwitchToSecondModule() {
    if (g_app.playHandle) MIDASstopModule(g_app.playHandle);
    if (g_app.secondModule) g_app.playHandle = MIDASplayModule(g_app.secondModule, 0);
}

void StopMusic() {
    if (!MIDASstopBackgroundPlay()) ReportMidasError();
    if (!MIDASclose()) ReportMidasError();
}
