// tessaly_soak: the whole program in one process, headless at a fixed rate,
// played through the demo several times (the scenes loaded again with LOAD
// through the console between passes, the demo restarted with F4), then a long
// walk through the scenes, all driven by scripted input. It checks that the
// heap in use at the end equals the heap in use after the first pass and
// reports pass times, heap figures and the peak resident size. Run it under a
// leak checker (the sanitizer build, or LeakSanitizer preloaded) to have the
// process's leaks reported at exit.
//
//   tessaly_soak [--data DIR] [--fps N] [--passes N] [--walk-frames N]
//                [--tolerance BYTES]
//
// Without --data the demo data set is written to a temporary folder first.
// Exit code: 0 when every pass ran as planned and the heap came back, 1 otherwise.
#include <dlfcn.h>
#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/frames.h"
#include "app/main_loop.h"
#include "app/procedural_textures.h"
#include "app/scene_slots.h"
#include "app/startup.h"
#include "platform/platform.h"
#include "tessaly/engine_api.h"
#include "tessaly/input_api.h"
#include "tests/soak/soak_plan.h"
#include "tools/content/demo_set.h"

namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------- measuring

// Bytes of heap the program holds. Under a sanitizer (built in, or
// LeakSanitizer preloaded) its allocator replaces malloc and keeps the count;
// otherwise glibc's arenas plus its separately mapped large blocks.
size_t HeapInUse() {
    using Counter = size_t (*)();
    static const Counter sanitizer =
        reinterpret_cast<Counter>(dlsym(RTLD_DEFAULT, "__sanitizer_get_current_allocated_bytes"));
    if (sanitizer) return sanitizer();
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

const char* HeapCounterName() {
    return dlsym(RTLD_DEFAULT, "__sanitizer_get_current_allocated_bytes") ? "sanitizer allocator" : "glibc mallinfo2";
}

// A "VmXXX:" figure of /proc/self/status in kB, -1 when absent.
long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0) return std::strtol(line.c_str() + length, nullptr, 10);
    return -1;
}

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Loaded models in the store (a loaded model has at least one mesh).
int ModelsInStore() {
    int count = 0;
    for (int h = 0; h < 400; ++h)
        if (r_GetMeshesNum(h, SilentMessage) > 0) ++count;
    return count;
}

struct Mark {
    std::string what;
    long frame;
    size_t heap;
    long rssKb;
    int models;
};

Mark Measure(const std::string& what) {
    return Mark{what, plat_PresentedFrames(), HeapInUse(), StatusKb("VmRSS:"), ModelsInStore()};
}

void PrintMark(const Mark& m) {
    std::printf("soak: %-22s frame %7ld  heap %10zu B  rss %7ld kB  models %3d\n", m.what.c_str(), m.frame, m.heap,
                m.rssKb, m.models);
    std::fflush(stdout);
}

// ---------------------------------------------------------------- phases

enum class Phase { Demo, Reload, Walk, Done };

struct Span {
    std::string name;
    long frames = 0;
    double cpu = 0.0;
    double wall = 0.0;
};

struct Soak {
    soak::PlanSettings settings;
    soak::Plan plan;
    Phase phase = Phase::Demo;
    int pass = 1;
    int deepestSlot = 0;  // furthest slot the current pass reached
    long walkFrames = 0;  // walk frames after the last pass
    long phaseStartFrame = 0;
    double phaseStartCpu = 0.0;
    double phaseStartWall = 0.0;
    std::vector<Span> spans;
    std::vector<Mark> marks;
    std::vector<std::string> failures;

    void StartSpan() {
        phaseStartFrame = plat_PresentedFrames();
        phaseStartCpu = CpuSeconds();
        phaseStartWall = WallSeconds();
    }
    void EndSpan(const std::string& name) {
        Span s{name};
        s.frames = plat_PresentedFrames() - phaseStartFrame;
        s.cpu = CpuSeconds() - phaseStartCpu;
        s.wall = WallSeconds() - phaseStartWall;
        std::printf("soak: %-22s %6ld frames  %7.1f s cpu  %7.1f s wall\n", name.c_str(), s.frames, s.cpu, s.wall);
        std::fflush(stdout);
        spans.push_back(s);
        StartSpan();
    }
    void Fail(const std::string& why) {
        std::printf("soak: FAIL %s (frame %ld)\n", why.c_str(), plat_PresentedFrames());
        std::fflush(stdout);
        failures.push_back(why);
    }
    void Record(const std::string& what) {
        marks.push_back(Measure(what));
        PrintMark(marks.back());
    }

    // After every pass of the loop: follows the run through its phases.
    void Observe() {
        switch (phase) {
            case Phase::Demo:
                if (g_app.demoMode) {
                    deepestSlot = std::max(deepestSlot, g_app.slotIndex);
                    return;
                }
                // F4 ended the pass: it must have reached the end title.
                if (deepestSlot != 3 || g_app.slotIndex != 3)
                    Fail("pass " + std::to_string(pass) + " left demo mode in slot " + std::to_string(g_app.slotIndex) +
                         " instead of the end title");
                EndSpan("pass " + std::to_string(pass));
                Record("after pass " + std::to_string(pass));
                phase = pass < settings.passes ? Phase::Reload : Phase::Walk;
                return;
            case Phase::Reload:
                if (!g_app.demoMode) return;
                if (g_app.slotIndex != 0 || g_slots[0].ObjectCount() == 0)
                    Fail("the restart after the reload is not in a loaded slot 0");
                EndSpan("reload and restart");
                ++pass;
                deepestSlot = 0;
                phase = Phase::Demo;
                return;
            case Phase::Walk:
                if (g_app.demoMode) {
                    Fail("demo mode came back during the walk");
                    phase = Phase::Done;
                    return;
                }
                if (g_app.consoleVisible) return;
                if (++walkFrames == settings.walkFrames) {
                    EndSpan("walk");
                    Record("after the walk");
                    phase = Phase::Done;
                }
                return;
            case Phase::Done:
                return;
        }
    }
};

// The program's main loop, pass for pass, with the soak looking on after each
// pass. Ends like the program's loop: F10, the quit flag, a close or quit message.
void RunLoop(Soak& soak) {
    for (;;) {
        if (T7I_CheckKey(DIK_F10) || g_app.quit) return;
        PlatMessage message;
        if (plat_PeekMessage(&message)) {
            if (message.kind == PLAT_MSG_QUIT || message.kind == PLAT_MSG_CLOSE) return;
            continue;
        }
        RunFramePass();
        soak.Observe();
    }
}

// ---------------------------------------------------------------- options

struct Options {
    std::string data;
    long tolerance = 0;
};

bool ReadLong(const char* text, long low, long high, long& out) {
    if (!text) return false;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < low || v > high) return false;
    out = v;
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: tessaly_soak [--data DIR] [--fps N] [--passes N] [--walk-frames N] [--tolerance BYTES]\n"
                 "  --fps N must divide 1000 (default 4); --passes from 1 (default 3); --walk-frames default 20000\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Soak soak;
    Options options;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long number = 0;
        if (std::strcmp(arg, "--data") == 0 && value) {
            options.data = value;
        } else if (std::strcmp(arg, "--fps") == 0 && ReadLong(value, 1, 1000, number) && 1000 % number == 0) {
            soak.settings.fps = static_cast<int>(number);
        } else if (std::strcmp(arg, "--passes") == 0 && ReadLong(value, 1, 100, number)) {
            soak.settings.passes = static_cast<int>(number);
        } else if (std::strcmp(arg, "--walk-frames") == 0 && ReadLong(value, 1, 10000000, number)) {
            soak.settings.walkFrames = number;
        } else if (std::strcmp(arg, "--tolerance") == 0 && ReadLong(value, 0, 1L << 40, number)) {
            options.tolerance = number;
        } else {
            return Usage();
        }
        ++i;
    }

    // Data set and script in temporary places of this process's own.
    const std::string work = (fs::temp_directory_path() / ("tessaly_soak_" + std::to_string(getpid()))).string();
    std::error_code error;
    fs::create_directories(work, error);
    if (error) {
        std::fprintf(stderr, "tessaly_soak: cannot create %s: %s\n", work.c_str(), error.message().c_str());
        return 1;
    }
    if (options.data.empty()) {
        options.data = work + "/demo";
        const demo::DemoSetReport report = demo::WriteDemoSet(options.data);
        if (!report.ok) {
            std::fprintf(stderr, "tessaly_soak: demo data set: %s\n", report.problem.c_str());
            fs::remove_all(work, error);
            return 1;
        }
    }
    options.data = fs::absolute(options.data).string();
    soak.plan = soak::MakePlan(soak.settings);
    const std::string scriptPath = work + "/soak.script";
    {
        std::ofstream script(scriptPath);
        script << soak.plan.script;
    }

    std::printf("soak: %d passes at %d fps, then %ld walk frames; heap counter: %s\n", soak.settings.passes,
                soak.settings.fps, soak.settings.walkFrames, HeapCounterName());
    std::printf("soak: plan: passes end at frames");
    for (long f : soak.plan.passEnds) std::printf(" %ld", f);
    std::printf(", walk from %ld, Escape at %ld\n", soak.plan.walkStart, soak.plan.escape);
    std::fflush(stdout);

    if (chdir(options.data.c_str()) != 0) {
        std::fprintf(stderr, "tessaly_soak: cannot work in %s\n", options.data.c_str());
        fs::remove_all(work, error);
        return 1;
    }
    PlatOptions platform{};
    platform.headless = 1;
    platform.fixedFps = soak.settings.fps;
    platform.maxFrames = soak.plan.frameLimit;
    platform.scriptPath = scriptPath.c_str();
    if (plat_Configure(&platform) != 0) {
        fs::remove_all(work, error);
        return 1;
    }

    // The program's own start-up, loop and shutdown (as RunProgram runs them).
    const double startCpu = CpuSeconds();
    ResetAppState();
    ReleaseSlots();
    ReleaseProceduralTextures();
    std::string dataFolder = fs::current_path(error).string();
    if (dataFolder.empty() || dataFolder.back() != '/') dataFolder += '/';
    if (StartUp(dataFolder) != 0) {
        std::fprintf(stderr, "tessaly_soak: the program did not start\n");
        fs::remove_all(work, error);
        return 1;
    }
    soak.Record("after start-up");
    soak.StartSpan();
    RunLoop(soak);
    const long frames = plat_PresentedFrames();
    ShutDown();
    const double totalCpu = CpuSeconds() - startCpu;

    if (soak.phase != Phase::Done)
        soak.Fail("the run ended before the walk was over (pass " + std::to_string(soak.pass) + ", " +
                  std::to_string(soak.walkFrames) + " walk frames)");
    if (!g_app.quit) soak.Fail("the run did not end by Escape");

    // The heap after the first pass against every later measurement.
    const Mark* first = nullptr;
    for (const Mark& m : soak.marks)
        if (m.what == "after pass 1") first = &m;
    if (first) {
        for (const Mark& m : soak.marks) {
            if (&m == first || m.frame < first->frame) continue;
            const long difference = static_cast<long>(m.heap) - static_cast<long>(first->heap);
            std::printf("soak: heap %s - after pass 1 = %+ld B, models %+d\n", m.what.c_str(), difference,
                        m.models - first->models);
            if (std::labs(difference) > options.tolerance)
                soak.Fail(std::string("heap ") + m.what + " differs from the heap after pass 1 by " +
                          std::to_string(difference) + " B");
        }
    }
    std::printf("soak: %ld frames, %.1f s cpu in all; peak resident (VmHWM) %ld kB\n", frames, totalCpu,
                StatusKb("VmHWM:"));
    std::printf("soak: %s\n", soak.failures.empty() ? "PASS" : "FAIL");
    std::fflush(stdout);

    if (chdir("/") != 0) {}
    fs::remove_all(work, error);
    return soak.failures.empty() ? 0 : 1;
}
