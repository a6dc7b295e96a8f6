// The program's millisecond clock, the presented-frame count and frame capture.
//
// Real time: milliseconds of a monotonic clock since the library was loaded.
// Fixed rate (fixedFps = N > 0): the clock is frames * 1000 / N plus whatever
// the program waited, computed from the counts each time so that no rounding
// builds up over a long run.
#include <unistd.h>

#include <strings.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "common/tga_encoder.h"
#include "platform/platform.h"
#include "platform/platform_internal.h"
#include "tessaly/plugin_interface.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

const SteadyClock::time_point g_start = SteadyClock::now();
std::atomic<long> g_frames{0};                     // frames presented since the run began
std::atomic<long long> g_waitedMicros{0};          // waits jumped over by the fixed clock
bool g_captureFailed = false;                      // capture failed and stopped for the rest of the run
std::atomic<bool> g_outputFailed{false};           // some output of the run could not be written
bool g_captureDirReady = false;                    // the capture directory exists
std::atomic<void (*)(void)> g_frameHook{nullptr};  // called after every presented frame
std::atomic<PlatFrameSink> g_frameSink{nullptr};   // receives every capture slot
std::atomic<PlatSoundSink> g_soundSink{nullptr};   // receives the clocked music mix
std::vector<uint8_t> g_lastFrame;                  // the last presented frame, rows packed (3 bytes a pixel)
int g_lastWidth = 0;
int g_lastHeight = 0;
long g_slots = 0;                                    // capture slots filled so far
bool g_capturePng = false;                           // captured frames are PNG files
bool g_pngLooked = false;                            // png.so was looked for (at the first PNG frame)
ImageFn_Save2D g_pngSave = nullptr;                  // its writer; the library stays loaded for the run
std::atomic<void (*)(void)> g_repaintHook{nullptr};  // shows the last presented frame again

// Writes one frame as an uncompressed 24-bit TGA with top-left origin, so the
// rows go out in the order they arrive. On failure returns the system's error
// number and leaves no file behind: a cut frame is worse than none.
int WriteTgaFrame(const char* path, const uint8_t* bgr, int width, int height, int pitch) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return errno ? errno : EIO;
    errno = 0;
    int failure = 0;
    if (!WriteTga(file, bgr, 3, pitch, TgaLayout{width, height, 24, true})) failure = errno ? errno : EIO;
    errno = 0;
    if (std::fclose(file) != 0 && !failure) failure = errno ? errno : EIO;
    if (failure) unlink(path);
    return failure;
}

// Writes one frame as a PNG through the PNG image plug-in (rows top first,
// blue, green, red, as the plug-in's writer takes them), which leaves no file
// behind when writing fails. Returns 0 or the system's error number.
int WritePng(const char* path, const uint8_t* bgr, int width, int height, int pitch) {
    errno = 0;
    if (g_pngSave(path, bgr, 24, height, width, pitch, 0, nullptr) == 0) return 0;
    return errno ? errno : EIO;
}

// The PNG plug-in's writer, looked for once per process at the first PNG frame.
bool HavePngWriter() {
    if (!g_pngLooked) {
        g_pngLooked = true;
        if (void* library = plat_LoadLibrary("png.dll"))
            g_pngSave = reinterpret_cast<ImageFn_Save2D>(plat_GetProcAddress(library, "r_Save2D"));
    }
    return g_pngSave != nullptr;
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

// Writes capture slot index as a file (once the directory exists).
void WriteCaptureFile(long index, const uint8_t* bgr, int width, int height, int pitch) {
    if (g_captureFailed) return;
    const char* dir = plat_GetOptions()->captureDir;
    if (!g_captureDirReady) {
        // The folder and any missing parents, as "mkdir -p" makes them.
        std::error_code made;
        std::filesystem::create_directories(dir, made);
        int error = made ? made.value() : 0;
        std::error_code checked;
        if (error == EEXIST || (error == 0 && !std::filesystem::is_directory(dir, checked))) error = ENOTDIR;
        if (error != 0) {
            CaptureFailed("cannot create directory", dir, error);
            return;
        }
        g_captureDirReady = true;
    }
    char path[4096];
    int length = std::snprintf(path, sizeof path, "%s/frame%05ld.%s", dir, index, g_capturePng ? "png" : "tga");
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) {
        CaptureFailed("path too long:", dir, 0);
        return;
    }
    if (g_capturePng && !HavePngWriter()) {
        CaptureFailed("no PNG writer (png.so) for", path, 0);
        return;
    }
    const int error =
        g_capturePng ? WritePng(path, bgr, width, height, pitch) : WriteTgaFrame(path, bgr, width, height, pitch);
    if (error) CaptureFailed("cannot write", path, error);
}

bool CapturesFiles() {
    const char* dir = plat_GetOptions()->captureDir;
    return dir && dir[0] && !g_captureFailed;
}

// The capture slot the clock stands at. Slot k is the screen at time k/N of
// the fixed clock, so a wait the clock jumped takes N slots a second; on the
// real-time clock every presented frame is one slot.
long SlotAtClock() {
    const int fps = plat_GetOptions()->fixedFps;
    if (fps <= 0) return g_frames.load();
    return g_frames.load() + static_cast<long>((g_waitedMicros.load() * fps + 500000) / 1000000);
}

// Fills the slots up to (not including) upTo with the last presented frame:
// the screen shows it until the next one comes.
void FillSlots(long upTo) {
    if (upTo <= g_slots || g_lastFrame.empty()) return;
    const int pitch = g_lastWidth * 3;
    if (CapturesFiles())
        for (long k = g_slots; k < upTo && !g_captureFailed; ++k)
            WriteCaptureFile(k, g_lastFrame.data(), g_lastWidth, g_lastHeight, pitch);
    if (PlatFrameSink sink = g_frameSink.load())
        sink(g_lastFrame.data(), g_lastWidth, g_lastHeight, pitch, upTo - g_slots);
    g_slots = upTo;
}

void CaptureFrame(const uint8_t* bgr, int width, int height, int pitch) {
    if (!bgr || width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF || pitch < width * 3) {
        if (CapturesFiles()) CaptureFailed("frame not captured, bad frame for", plat_GetOptions()->captureDir, 0);
        return;
    }
    const long slot = SlotAtClock();
    FillSlots(slot);  // the previous frame through a wait
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    g_lastFrame.resize(rowBytes * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(&g_lastFrame[rowBytes * static_cast<size_t>(y)], bgr + static_cast<ptrdiff_t>(y) * pitch, rowBytes);
    g_lastWidth = width;
    g_lastHeight = height;
    if (g_slots > slot) g_slots = slot;  // never happens on a clock that only moves forward
    FillSlots(slot + 1);
}

}  // namespace

namespace plat_internal {

void ResetClock() {
    g_frames = 0;
    g_waitedMicros = 0;
    g_captureFailed = false;
    g_captureDirReady = false;
    g_capturePng = false;
    g_outputFailed = false;
    g_slots = 0;
    g_lastFrame.clear();
    g_frameSink = nullptr;
    g_soundSink = nullptr;
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
    while (SteadyClock::now() < until) {}
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
    if (plat_WantsFrameCapture()) CaptureFrame(bgr, width, height, pitch);
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

int plat_WantsFrameCapture(void) { return CapturesFiles() || g_frameSink.load() ? 1 : 0; }

void plat_FinishCapture(void) {
    if (plat_WantsFrameCapture()) FillSlots(SlotAtClock());
}

long plat_CaptureSlots(void) { return g_slots; }

void plat_SetFrameSink(PlatFrameSink sink) { g_frameSink = sink; }

void plat_SetSoundSink(PlatSoundSink sink) { g_soundSink = sink; }

PlatSoundSink plat_GetSoundSink(void) { return g_soundSink.load(); }

void plat_SetOutputFailed(void) { g_outputFailed = true; }

int plat_OutputFailed(void) { return g_outputFailed.load() ? 1 : 0; }

long plat_PresentedFrames(void) { return g_frames.load(); }

void plat_SetFrameHook(void (*hook)(void)) { g_frameHook = hook; }
