#include "app/app_state.h"

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

void ResetAppState() { g_app = AppState{}; }

int SilentMessage(const char*) { return 0; }
