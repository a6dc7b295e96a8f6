// Run options set by the launcher, and the one decision everything else hangs
// on: whether this run has a display.
#include <cstdio>
#include <mutex>
#include <string>

#include <SDL.h>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace {

struct OptionStore {
    PlatOptions options{};   // what plat_GetOptions hands out; strings point into the copies below
    std::string captureDir;  // owned copy of options.captureDir
    std::string scriptPath;  // owned copy of options.scriptPath
    std::string audioOut;    // owned copy of options.audioOut
};

OptionStore g_store;
std::mutex g_videoMutex;
bool g_videoTried = false;  // SDL video initialisation was attempted
bool g_videoUp = false;     // ... and succeeded

// Quits SDL video; the last user of SDL (audio may still be playing through it)
// releases SDL's own state as well.
void ReleaseVideo() {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

const char* CopyOption(const char* text, std::string& copy) {
    if (!text) {
        copy.clear();
        return nullptr;
    }
    copy = text;
    return copy.c_str();
}

}  // namespace

namespace plat_internal {

bool VideoReady() {
    if (g_store.options.headless) return false;
    std::lock_guard<std::mutex> lock(g_videoMutex);
    if (!g_videoTried) {
        g_videoTried = true;
        g_videoUp = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        if (!g_videoUp) {
            std::fprintf(stderr, "No display (%s): running headless\n", SDL_GetError());
        } else if (const char* driver = SDL_GetCurrentVideoDriver();
                   driver && (SDL_strcmp(driver, "dummy") == 0 || SDL_strcmp(driver, "offscreen") == 0)) {
            // SDL falls back to these drivers when there is no display; they
            // have no screen to show anything on.
            std::fprintf(stderr, "No display (video driver %s): running headless\n", driver);
            ReleaseVideo();
            g_videoUp = false;
        }
    }
    return g_videoUp;
}

}  // namespace plat_internal

int plat_Configure(const PlatOptions* options) {
    PlatOptions copy{};
    if (options) copy = *options;
    copy.captureDir = CopyOption(copy.captureDir, g_store.captureDir);
    copy.scriptPath = CopyOption(copy.scriptPath, g_store.scriptPath);
    copy.audioOut = CopyOption(copy.audioOut, g_store.audioOut);
    g_store.options = copy;

    plat_internal::ResetClock();
    plat_internal::ResetMessages();
    plat_internal::InstallSignalHandlers();
    plat_internal::ClearScript();
    if (copy.scriptPath && !plat_internal::LoadScript(copy.scriptPath)) return -1;
    return 0;
}

const PlatOptions* plat_GetOptions(void) { return &g_store.options; }

int plat_IsHeadless(void) { return plat_internal::VideoReady() ? 0 : 1; }

void plat_Shutdown(void) {
    std::lock_guard<std::mutex> lock(g_videoMutex);
    if (g_videoUp) ReleaseVideo();
    g_videoTried = false;
    g_videoUp = false;
}
