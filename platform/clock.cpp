// The program's millisecond clock, the presented-frame count and frame capture.
//
// Real time: milliseconds of a monotonic clock since the library was loaded.
// Fixed rate (fixedFps = N > 0): the clock is frames * 1000 / N plus whatever
// the program waited, computed from the counts each time so that no rounding
// builds up over a long run.
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "platform/platform.h"
#include "platform/platform_internal.h"
#include "tessaly/plugin_interface.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

const SteadyClock::time_point g_start = SteadyClock::now();
std::atomic<long> g_frames{0};              // frames presented since the run began
std::atomic<long long> g_waitedMicros{0};   // waits jumped over by the fixed clock
bool g_captureFailed = false;               // a capture failure was already reported
bool g_captureDirReady = false;             // the capture directory exists
std::atomic<void (*)(void)> g_frameHook{nullptr};  // called after every presented frame
bool g_capturePng = false;                  // captured frames are PNG files
bool g_pngLooked = false;                   // png.so was looked for (at the first PNG frame)
ImageFn_Save2D g_pngSave = nullptr;         // its writer; the library stays loaded for the run

// Writes one frame as an uncompressed 24-bit TGA with top-left origin, so the
// rows go out in the order they arrive.
bool WriteTga(const char* path, const uint8_t* bgr, int width, int height, int pitch) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    uint8_t header[18] = {};
    header[2] = 2;  // uncompressed true-colour
    header[12] = static_cast<uint8_t>(width & 0xFF);
    header[13] = static_cast<uint8_t>(width >> 8);
    header[14] = static_cast<uint8_t>(height & 0xFF);
    header[15] = static_cast<uint8_t>(height >> 8);
    header[16] = 24;    // bits per pixel
    header[17] = 0x20;  // first row is the top row
    bool ok = std::fwrite(header, sizeof header, 1, file) == 1;
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int y = 0; ok && y < height; ++y)
        ok = std::fwrite(bgr + static_cast<ptrdiff_t>(y) * pitch, 1, rowBytes, file) == rowBytes;
    if (std::fclose(file) != 0) ok = false;
    return ok;
}

// Writes one frame as a PNG through the PNG image plug-in (rows top first,
// blue, green, red, as the plug-in's writer takes them).
bool WritePng(const char* path, const uint8_t* bgr, int width, int height, int pitch) {
    if (!g_pngLooked) {
        g_pngLooked = true;
        if (void* library = plat_LoadLibrary("png.dll"))
            g_pngSave = reinterpret_cast<ImageFn_Save2D>(plat_GetProcAddress(library, "r_Save2D"));
    }
    return g_pngSave && g_pngSave(path, bgr, 24, height, width, pitch, 0, nullptr) == 0;
}

void ReportCaptureFailure(const char* what, const char* path) {
    if (g_captureFailed) return;  // once per run is enough; the run goes on
    g_captureFailed = true;
    std::fprintf(stderr, "Frame capture: %s %s\n", what, path);
}

void CaptureFrame(long index, const uint8_t* bgr, int width, int height, int pitch) {
    const char* dir = plat_GetOptions()->captureDir;
    if (!bgr || width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF ||
        pitch < width * 3) {
        ReportCaptureFailure("frame not captured, bad frame for", dir);
        return;
    }
    if (!g_captureDirReady) {
        if (mkdir(dir, 0777) != 0 && errno != EEXIST) {
            ReportCaptureFailure("cannot create directory", dir);
            return;
        }
        g_captureDirReady = true;
    }
    char path[4096];
    int length = std::snprintf(path, sizeof path, "%s/frame%05ld.%s", dir, index, g_capturePng ? "png" : "tga");
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) {
        ReportCaptureFailure("path too long:", dir);
        return;
    }
    const bool written = g_capturePng ? WritePng(path, bgr, width, height, pitch) : WriteTga(path, bgr, width, height, pitch);
    if (!written) ReportCaptureFailure("cannot write", path);
}

}  // namespace

namespace plat_internal {

void ResetClock() {
    g_frames = 0;
    g_waitedMicros = 0;
    g_captureFailed = false;
    g_captureDirReady = false;
    g_capturePng = false;
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

void plat_FramePresented(const uint8_t* bgr, int width, int height, int pitch) {
    const long index = g_frames.load();
    if (plat_WantsFrameCapture()) CaptureFrame(index, bgr, width, height, pitch);
    g_frames = index + 1;
    if (void (*hook)(void) = g_frameHook.load()) hook();
    const long limit = plat_GetOptions()->maxFrames;
    if (limit > 0 && index + 1 == limit) plat_PostMessage(PLAT_MSG_CLOSE, 0);
}

int plat_SetCaptureFormat(const char* extension) {
    if (!extension) return -1;
    if (strcasecmp(extension, "png") == 0)
        g_capturePng = true;
    else if (strcasecmp(extension, "tga") == 0)
        g_capturePng = false;
    else
        return -1;
    return 0;
}

int plat_WantsFrameCapture(void) {
    const char* dir = plat_GetOptions()->captureDir;
    return dir && dir[0] ? 1 : 0;
}

long plat_PresentedFrames(void) { return g_frames.load(); }

void plat_SetFrameHook(void (*hook)(void)) { g_frameHook = hook; }
