#include "app/run_report.h"

#include <chrono>
#include <cstdio>

#include "app/app_state.h"
#include "app/frames.h"
#include "app/launcher_options.h"
#include "platform/platform.h"
#include "tessaly/engine_api.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kProgressInterval = 5.0;  // wall seconds between progress lines

constexpr uint32_t kShotDelayMs = 1000;  // a scene's screenshot is taken this far into it

// The program's start: the summary's time covers the whole run, start-up included,
// as its frame count does.
const Clock::time_point g_programStart = Clock::now();

struct RunReport {
    bool active = false;
    Clock::time_point lastLine;
    long lastLineFrames = 0;
    int reportedSlot = -1;     // the slot the program was last seen in
    uint32_t enteredAt = 0;    // program clock (ms) when it was entered
    bool shotPending = false;  // that slot's screenshot is still to be taken
};

RunReport g_report;

const char* SlotName(int slot) {
    static const char* const kNames[] = {"intromask", "main", "inner", "endtitle"};
    return slot >= 0 && slot < 4 ? kNames[slot] : "none";
}

double SecondsBetween(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// Saves the back buffer as shots/<prefix>NNN.tga (or .png) and names the file.
void Shot(const char* prefix) {
    char name[kPathSize];
    if (!NextShotName(g_app.shotsPath, prefix, name, sizeof name, g_app.shotFormat)) {
        std::printf("screenshot: no free name for %s in %s\n", prefix, g_app.shotsPath);
        return;
    }
    // Only a file that is there counts as saved, whatever the engine answered.
    char written[kPathSize];
    if (r_ScreenShot(prefix, g_app.shotFormat, g_app.shotsPath, 0, SilentMessage) == -1 ||
        !plat_ResolvePath(name, written, sizeof written))
        std::printf("screenshot: %s could not be saved\n", name);
    else
        std::printf("screenshot: %s\n", name);
}

}  // namespace

void FormatRunSummary(long frames, double seconds, char* out, size_t outSize) {
    const double average = seconds > 0.0 ? static_cast<double>(frames) / seconds : 0.0;
    std::snprintf(out, outSize, "summary: %ld %s in %.1f s, %.1f fps average", frames, frames == 1 ? "frame" : "frames",
                  seconds, average);
}

bool NextShotName(const char* dir, const char* prefix, char* out, size_t outSize, const char* extension) {
    // The same search as the engine's screenshots, so the printed name is the written one.
    for (int n = 0; n < 1000; ++n) {
        char candidate[kPathSize];
        const int length = std::snprintf(candidate, sizeof candidate, "%s%s%.3d.%s", dir, prefix, n, extension);
        if (length < 0 || static_cast<size_t>(length) >= sizeof candidate) return false;
        if (!plat_ResolvePath(candidate, out, outSize)) return true;
    }
    return false;
}

void ReportRunStart() {
    g_report = RunReport{};
    if (!RunLaunchOptions().progress) return;
    g_report.active = true;
    g_report.lastLine = Clock::now();
    g_report.lastLineFrames = plat_PresentedFrames();
    // The first scene starts with the main loop.
    g_report.reportedSlot = g_app.slotIndex;
    g_report.enteredAt = plat_Milliseconds();
    g_report.shotPending = true;
    std::fflush(stdout);
}

void ReportRunFrame() {
    if (!g_report.active) return;
    // A scene's screenshot shows it one second (program clock) after the pass
    // that entered it: past the black of a fade-in. A scene left sooner has none.
    const uint32_t nowMs = plat_Milliseconds();
    if (g_app.slotIndex != g_report.reportedSlot) {
        g_report.reportedSlot = g_app.slotIndex;
        g_report.enteredAt = nowMs;
        g_report.shotPending = true;
    } else if (g_report.shotPending && nowMs - g_report.enteredAt >= kShotDelayMs && !g_app.consoleVisible) {
        g_report.shotPending = false;
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "scene%d_%s_", g_app.slotIndex, SlotName(g_app.slotIndex));
        Shot(prefix);
    }

    const Clock::time_point now = Clock::now();
    const double interval = SecondsBetween(g_report.lastLine, now);
    if (interval >= kProgressInterval) {
        const long frames = plat_PresentedFrames();
        std::printf("progress: scene %d %s, scene frame %d, frame %ld, %.1f fps\n", g_app.slotIndex,
                    SlotName(g_app.slotIndex), static_cast<int>(g_app.sceneTime), frames,
                    static_cast<double>(frames - g_report.lastLineFrames) / interval);
        g_report.lastLine = now;
        g_report.lastLineFrames = frames;
    }
    std::fflush(stdout);
}

void ReportRunEnd() {
    if (!g_report.active) return;
    const double seconds = SecondsBetween(g_programStart, Clock::now());
    const long frames = plat_PresentedFrames();  // start-up's frames too: every frame presented
    // The end sequence (the end title's fade is over) leaves a black frame
    // behind; the end shot shows the credits picture as that sequence presented it.
    if (g_app.demoMode && g_app.slotIndex == 3 && g_app.quit && g_app.sceneWatch.Elapsed() >= 4.9f)
        DrawCreditsPicture();
    Shot("end_");
    char line[160];
    FormatRunSummary(frames, seconds, line, sizeof line);
    std::printf("%s\n", line);
    std::fflush(stdout);
    g_report.active = false;
}
