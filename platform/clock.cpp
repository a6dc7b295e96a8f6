// The program's millisecond clock, the presented-frame count and frame capture.
//
// Real time: milliseconds of a monotonic clock since the library was loaded.
// Fixed rate (fixedFps = N > 0): the clock is frames * 1000 / N plus whatever
// the program waited, computed from the counts each time so that no rounding
// builds up over a long run.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

const SteadyClock::time_point g_start = SteadyClock::now();
std::atomic<long> g_frames{0};              // frames presented since the run began
std::atomic<long long> g_waitedMicros{0};   // waits jumped over by the fixed clock
bool g_captureFailed = false;               // capture failed and stopped for the rest of the run
std::atomic<bool> g_outputFailed{false};    // some output of the run could not be written
bool g_captureDirReady = false;             // the capture directory exists
std::atomic<void (*)(void)> g_frameHook{nullptr};  // called after every presented frame
std::atomic<void (*)(void)> g_repaintHook{nullptr};  // shows the last presented frame again

// Writes one frame as an uncompressed 24-bit TGA with top-left origin, so the
// rows go out in the order they arrive. On failure returns the system's error
// number and leaves no file behind: a cut frame is worse than none.
int WriteTga(const char* path, const uint8_t* bgr, int width, int height, int pitch) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return errno ? errno : EIO;
    uint8_t header[18] = {};
    header[2] = 2;  // uncompressed true-colour
    header[12] = static_cast<uint8_t>(width & 0xFF);
    header[13] = static_cast<uint8_t>(width >> 8);
    header[14] = static_cast<uint8_t>(height & 0xFF);
    header[15] = static_cast<uint8_t>(height >> 8);
    header[16] = 24;    // bits per pixel
    header[17] = 0x20;  // first row is the top row
    errno = 0;
    int failure = 0;
    if (std::fwrite(header, sizeof header, 1, file) != 1) failure = errno ? errno : EIO;
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int y = 0; !failure && y < height; ++y)
        if (std::fwrite(bgr + static_cast<ptrdiff_t>(y) * pitch, 1, rowBytes, file) != rowBytes)
            failure = errno ? errno : EIO;
    errno = 0;
    if (std::fclose(file) != 0 && !failure) failure = errno ? errno : EIO;
    if (failure) unlink(path);
    return failure;
}

// The first failure stops capture for the rest of the run, marks the run's
// output as failed and asks the program to end: frames that cannot be written
// are not worth rendering, and a full disk would only fill further.
void CaptureFailed(const char* what, const char* path, int error) {
    if (g_captureFailed) return;
    g_captureFailed = true;
    if (error)
        std::fprintf(stderr, "Frame capture: %s %s: %s; capture stopped\n", what, path, std::strerror(error));
    else
        std::fprintf(stderr, "Frame capture: %s %s; capture stopped\n", what, path);
    plat_SetOutputFailed();
    plat_PostMessage(PLAT_MSG_CLOSE, 0);
}

void CaptureFrame(long index, const uint8_t* bgr, int width, int height, int pitch) {
    if (g_captureFailed) return;
    const char* dir = plat_GetOptions()->captureDir;
    if (!bgr || width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF ||
        pitch < width * 3) {
        CaptureFailed("frame not captured, bad frame for", dir, 0);
        return;
    }
    if (!g_captureDirReady) {
        const int error = mkdir(dir, 0777) == 0 ? 0 : errno;
        struct stat info {};
        if (error == EEXIST ? stat(dir, &info) != 0 || !S_ISDIR(info.st_mode) : error != 0) {
            CaptureFailed("cannot create directory", dir, error == EEXIST ? ENOTDIR : error);
            return;
        }
        g_captureDirReady = true;
    }
    char path[4096];
    int length = std::snprintf(path, sizeof path, "%s/frame%05ld.tga", dir, index);
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) {
        CaptureFailed("path too long:", dir, 0);
        return;
    }
    if (const int error = WriteTga(path, bgr, width, height, pitch)) CaptureFailed("cannot write", path, error);
}

}  // namespace

namespace plat_internal {

void ResetClock() {
    g_frames = 0;
    g_waitedMicros = 0;
    g_captureFailed = false;
    g_captureDirReady = false;
    g_outputFailed = false;
}

}  // namespace plat_internal

uint32_t plat_Milliseconds(void) {
    const int fps = plat_GetOptions()->fixedFps;
    if (fps > 0) {
        const long long micros = static_cast<long long>(g_frames.load()) * 1000000 / fps + g_waitedMicros.load();
        return static_cast<uint32_t>(micros / 1000);
    }
    const auto elapsed = SteadyClock::now() - g_start;
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void plat_WaitSeconds(double seconds) {
    if (!(seconds > 0) || !std::isfinite(seconds)) return;
    if (plat_GetOptions()->fixedFps > 0) {
        constexpr double kLongestWait = 1e6;  // keeps the microsecond count far from overflow
        g_waitedMicros += std::llround((seconds < kLongestWait ? seconds : kLongestWait) * 1e6);
        return;
    }
    // The program expects a busy wait: nothing is pumped meanwhile.
    const auto until = SteadyClock::now() + std::chrono::duration<double>(seconds);
    while (SteadyClock::now() < until) {
    }
}

int plat_WaitSecondsResponsive(double seconds) {
    if (plat_MessagePending()) return 1;
    if (plat_GetOptions()->fixedFps > 0) {
        plat_WaitSeconds(seconds);
        return 0;
    }
    if (!(seconds > 0) || !std::isfinite(seconds)) return 0;
    // Events are looked at every few milliseconds: closing the window is
    // answered at once, and the wait still ends on time.
    constexpr SteadyClock::duration kPoll = std::chrono::milliseconds(5);
    const SteadyClock::time_point until =
        SteadyClock::now() + std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(seconds));
    for (;;) {
        if (plat_MessagePending()) return 1;
        if (plat_internal::TakeRepaintRequest())
            if (void (*repaint)(void) = g_repaintHook.load()) repaint();
        const auto now = SteadyClock::now();
        if (now >= until) return 0;
        std::this_thread::sleep_for(std::min(kPoll, until - now));
    }
}

void plat_SetRepaintHook(void (*hook)(void)) { g_repaintHook = hook; }

void plat_FramePresented(const uint8_t* bgr, int width, int height, int pitch) {
    const long index = g_frames.load();
    if (plat_WantsFrameCapture()) CaptureFrame(index, bgr, width, height, pitch);
    g_frames = index + 1;
    if (void (*hook)(void) = g_frameHook.load()) hook();
    const long limit = plat_GetOptions()->maxFrames;
    if (limit > 0 && index + 1 == limit) plat_PostMessage(PLAT_MSG_CLOSE, 0);
}

int plat_WantsFrameCapture(void) {
    const char* dir = plat_GetOptions()->captureDir;
    return dir && dir[0] && !g_captureFailed ? 1 : 0;
}

void plat_SetOutputFailed(void) { g_outputFailed = true; }

int plat_OutputFailed(void) { return g_outputFailed.load() ? 1 : 0; }

long plat_PresentedFrames(void) { return g_frames.load(); }

void plat_SetFrameHook(void (*hook)(void)) { g_frameHook = hook; }
