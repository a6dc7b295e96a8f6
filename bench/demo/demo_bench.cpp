// The default demo, written once into a temporary folder by the demo generator.
//   SceneRead      the four scenes read through the scene library, every key of
//                  every track fetched; items = keys.
//   SceneLoad      the program's load of the four scenes into its slots: scene
//                  library, models through lwo.so, their textures through tga.so,
//                  lights; the engine set up headless as the program sets it up.
//                  cpu_ms: the CPU time of one load.
//   WholeDemo      the program run as `tessaly --headless --fixed-fps 24` from
//                  start to its own end. The fixed clock makes every run draw the
//                  same frames and skips the waits; frames are drawn as fast as
//                  they can be. Reported: start-up (to the first frame of the main
//                  loop), frames of the main loop, their average rate by the
//                  wall clock (fps) and by the process's CPU time (cpu_fps, the
//                  figure to trust on a shared machine), and the mode the program
//                  chose. Arguments: the --mode width, height and bits, and
//                  --threads.
// SceneLoad and WholeDemo run in a child process each time, so every run starts
// from a fresh program.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "app/app_state.h"
#include "app/scene_slots.h"
#include "app/startup.h"
#include "platform/platform.h"
#include "tessaly/engine_api.h"
#include "tessaly/scene_api.h"
#include "tools/content/demo_set.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const kScenes[] = {"intromask.lws", "main.lws", "inner.lws", "endtitle.lws"};

// The demo folder, written on first use and removed at exit.
const std::string& DemoFolder() {
    static const std::string folder = [] {
        const std::string dir =
            (std::filesystem::temp_directory_path() / ("tessaly_demo_bench_" + std::to_string(getpid()))).string();
        const demo::DemoSetReport report = demo::WriteDemoSet(dir);
        if (!report.ok) {
            std::fprintf(stderr, "demo_bench: %s\n", report.problem.c_str());
            std::exit(1);
        }
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(DemoFolder(), ignored);
        });
        return dir;
    }();
    return folder;
}

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// What a child run sends back.
struct ChildResult {
    int exitCode = -1;
    double seconds = 0;     // the timed part
    double startUp = 0;     // WholeDemo: to the first frame of the main loop
    double cpuSeconds = 0;  // CPU time of the timed part
    long frames = 0;        // WholeDemo: frames of the main loop; SceneLoad: objects
    int width = 0, height = 0, bits = 0;
};

// Runs work in a child process and returns what it wrote to the pipe.
template <typename Work>
ChildResult InChild(Work work) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) std::exit(1);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        ChildResult result = work();
        const ssize_t written = write(pipeFds[1], &result, sizeof result);
        _exit(written == static_cast<ssize_t>(sizeof result) ? 0 : 1);
    }
    close(pipeFds[1]);
    ChildResult result;
    const bool got = read(pipeFds[0], &result, sizeof result) == static_cast<ssize_t>(sizeof result);
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) result.exitCode = -1;
    return result;
}

void SceneRead(benchmark::State& state) {
    const std::string scenes = DemoFolder() + "/scenes/";
    long keys = 0;
    KeyFrameRecord record;
    for (auto _ : state) {
        keys = 0;
        for (const char* name : kScenes) {
            if (r_LoadAnim((scenes + name).c_str(), 0) != 0) {
                state.SkipWithError("scene not read");
                return;
            }
            for (int o = 0; o < r_GetObjectsInAnim(); ++o)
                for (int k = 0; k < r_GetKeysNum(o); ++k, ++keys) r_GetKeyFrame(o, k, &record);
            for (int l = 0; l < r_GetAnimLightsNum(); ++l)
                for (int k = 0; k < r_GetLightKeysNum(l); ++k, ++keys) r_GetLightKeyFrame(l, k, &record);
            for (int c = 0; c < r_GetAnimCamerasNum(); ++c)
                for (int k = 0; k < r_GetCamKeysNum(c); ++k, ++keys) r_GetCamKeyFrame(c, k, &record);
            r_ResetAnim();
        }
    }
    state.SetItemsProcessed(state.iterations() * keys);
    state.counters["keys"] = static_cast<double>(keys);
}

void SceneLoad(benchmark::State& state) {
    const std::string folder = DemoFolder();
    long objects = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        const ChildResult r = InChild([&] {
            ChildResult result;
            if (chdir(folder.c_str()) != 0) return result;
            PlatOptions options{};
            options.headless = 1;
            options.fixedFps = 24;
            plat_Configure(&options);
            ResetAppState();
            g_app.window = plat_CreateWindow("Tessaly", 320, 200);
            r_LinkRaster("t7dxraster.dll", nullptr);
            r_GetSysInfo();
            if (!SetUpEngine()) return result;
            const std::string base = folder + "/";
            std::snprintf(g_app.meshesPath, kPathSize, "%smeshes/", base.c_str());
            std::snprintf(g_app.mapsPath, kPathSize, "%smaps/", base.c_str());
            std::snprintf(g_app.imagesPath, kPathSize, "%simages/", base.c_str());
            std::snprintf(g_app.scenesPath, kPathSize, "%sscenes/", base.c_str());
            const Clock::time_point start = Clock::now();
            const double startCpu = ProcessCpuSeconds();
            LoadAllSlots();
            result.seconds = Seconds(start, Clock::now());
            result.cpuSeconds = ProcessCpuSeconds() - startCpu;
            for (const SceneSlot& slot : g_slots) result.frames += slot.ObjectCount();
            result.exitCode = 0;
            return result;
        });
        if (r.exitCode != 0) {
            state.SkipWithError("scene load failed");
            return;
        }
        state.SetIterationTime(r.seconds);
        objects = r.frames;
        cpuSeconds += r.cpuSeconds;
    }
    state.counters["objects"] = static_cast<double>(objects);
    state.counters["cpu_ms"] = 1000.0 * cpuSeconds / static_cast<double>(state.iterations());
}

// Frame times of a WholeDemo child, taken by the platform's frame hook.
Clock::time_point g_mainLoopStart;
Clock::time_point g_lastFrame;
double g_mainLoopStartCpu = 0;
double g_lastFrameCpu = 0;
int g_modeBits = 0;
// The start-up presents three frames (the "Initializing" line and two cleared
// screens) before the main loop draws its first.
constexpr long kStartUpFrames = 3;

void OnFrame() {
    g_lastFrame = Clock::now();
    g_lastFrameCpu = ProcessCpuSeconds();
    if (plat_PresentedFrames() == kStartUpFrames) {
        g_mainLoopStart = g_lastFrame;
        g_mainLoopStartCpu = g_lastFrameCpu;
        int w = 0, h = 0;
        char reserved = 0;
        r_GetVideoModeData(g_app.card, g_app.mode, &w, &h, &g_modeBits, &reserved);
    }
}

void WholeDemo(benchmark::State& state) {
    const std::string folder = DemoFolder();
    ChildResult last;
    for (auto _ : state) {
        last = InChild([&] {
            ChildResult result;
            char arg0[] = "tessaly", data[] = "--data", headless[] = "--headless", fixed[] = "--fixed-fps",
                 fps[] = "24", modeOption[] = "--mode", threadsOption[] = "--threads";
            std::string dir = folder;
            std::string mode = std::to_string(state.range(0)) + "x" + std::to_string(state.range(1)) + "x" +
                               std::to_string(state.range(2));
            std::string threads = std::to_string(state.range(3));
            char* argv[] = {arg0,       data,        dir.data(),    headless,       fixed,  fps,
                            modeOption, mode.data(), threadsOption, threads.data(), nullptr};
            plat_SetFrameHook(OnFrame);
            const Clock::time_point start = Clock::now();
            result.exitCode = RunProgram(10, argv);
            result.startUp = Seconds(start, g_mainLoopStart);
            result.seconds = Seconds(g_mainLoopStart, g_lastFrame);
            result.cpuSeconds = g_lastFrameCpu - g_mainLoopStartCpu;
            result.frames = plat_PresentedFrames() - kStartUpFrames;
            result.width = g_app.frameWidth;
            result.height = g_app.frameHeight;
            result.bits = g_modeBits;
            return result;
        });
        if (last.exitCode != 0 || last.frames <= 0) {
            state.SkipWithError("the demo did not run to its end");
            return;
        }
        state.SetIterationTime(last.seconds);
    }
    state.counters["frames"] = static_cast<double>(last.frames);
    state.counters["fps"] = last.seconds > 0 ? last.frames / last.seconds : 0;
    state.counters["cpu_fps"] = last.cpuSeconds > 0 ? last.frames / last.cpuSeconds : 0;
    state.counters["startup_s"] = last.startUp;
    state.counters["width"] = last.width;
    state.counters["height"] = last.height;
    state.counters["bits"] = last.bits;
}

}  // namespace

BENCHMARK(SceneRead)->Unit(benchmark::kMillisecond);
BENCHMARK(SceneLoad)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(WholeDemo)
    ->ArgNames({"w", "h", "bits", "threads"})
    ->Args({640, 480, 16, 1})
    ->Args({640, 480, 16, 2})
    ->Args({1280, 720, 32, 1})
    ->Args({1280, 720, 32, 2})
    ->Unit(benchmark::kSecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK_MAIN();
