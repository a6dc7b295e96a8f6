#include "app/app_state.h"

#include <strings.h>

#include <cstdio>

#include "platform/platform.h"

AppState g_app;

void Stopwatch::Start() {
    start = plat_Milliseconds();
    running = true;
}

float Stopwatch::Elapsed() const {
    if (!running) return 0.0f;
    return static_cast<float>(plat_Milliseconds() - start) / 1000.0f;
}

void ResetAppState() {
    g_app = AppState{};
    plat_SetCaptureFormat(g_app.shotFormat);  // the two stay one setting
}

bool SetShotFormat(const char* extension) {
    if (!extension || plat_SetCaptureFormat(extension) != 0) return false;
    std::snprintf(g_app.shotFormat, sizeof g_app.shotFormat, "%s", strcasecmp(extension, "png") == 0 ? "png" : "tga");
    return true;
}

int SilentMessage(const char*) { return 0; }
