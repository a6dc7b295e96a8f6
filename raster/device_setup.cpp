// Display set-up and tear-down (r_InitEngine, r_DeInitEngine) and the fatal
// platform failure. Every device is a software rasterizer drawing into memory
// surfaces; full screen on a display shows the frame in a full-screen-desktop
// SDL window scaled to fit, windowed shows it in the window's client area,
// and without a display (or without a window) frames stay offscreen.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include "common/result_texts.h"
#include "platform/platform.h"
#include "raster/raster_device.h"
#include "raster/rasterizer/draw_queue.h"

using namespace raster;

namespace {

bool g_deinitialising = false;  // r_DeInitEngine is running
bool g_fatalRaised = false;     // a fatal failure is already on its way out

bool WindowOnDisplay(PlatWindow* window) {
    return window && !plat_IsHeadless() && !plat_WindowIsHeadless(window) && plat_GetSdlWindow(window);
}

PixelFormat FrameFormat(uint32_t bits) { return bits == 16 ? PixelFormat::RGB565 : PixelFormat::XRGB8888; }

int DepthBytes(int bits) { return (bits - 1) / 8 + 1; }

// Scans the depth formats from the last entry down and returns the bits of
// the first that passes: every entry passes for a software device, otherwise
// budget - pixels x depth bytes must stay positive. 0 for an empty list, -1
// when no entry passes.
int ChooseDepthFormat(const std::vector<int>& formats, bool software, int64_t budget, int64_t pixels) {
    if (formats.empty()) return 0;
    for (size_t i = formats.size(); i-- > 0;)
        if (software || budget - pixels * DepthBytes(formats[i]) > 0) return formats[i];
    return -1;
}

[[noreturn]] void NoDepthFormat(PlatWindow* window, const char* text) {
    plat_MessageBox(window, text, "Fatal Error", PLAT_MB_ICONWARNING);
    std::exit(1);
}

// Back and depth surfaces of the frame size; allocation failures are fatal.
void CreateFrameSurfaces(int width, int height, uint32_t bits, int depthBits, bool withFront) {
    Device& dev = GetDevice();
    if (depthBits <= 0) depthBits = 16;  // an empty depth list: the plainest depth
    if (withFront && !AllocateFrame(dev.front, width, height, FrameFormat(bits)))
        FatalPlatformFailure("InitSurf : Creting SW2 Main Surf", kResultOutOfMemory);
    if (!AllocateFrame(dev.back, width, height, FrameFormat(bits)))
        FatalPlatformFailure("InitSurf : Creting SW2 Back Surf", kResultOutOfMemory);
    if (!AllocateDepth(dev.depth, width, height, depthBits))
        FatalPlatformFailure("InitSurf : Creating ZBuffer Surface for Software!", kResultOutOfMemory);
    dev.hasFront = withFront;
    dev.hardwareFlip = false;
}

void StartPresenter() {
    const char* failedStep = nullptr;
    if (!CreatePresenter(failedStep)) FatalPlatformFailure(failedStep, kResultGenericFailure);
}

void FullScreenSetUp(const CardRecord& card, const ModeRecord& mode, const DeviceRecord& device, int flags) {
    Device& dev = GetDevice();
    bool noFront = (flags & NOFRONTBUFFER) != 0;
    int64_t pixels = int64_t(mode.width) * mode.height;
    int64_t screenBytes = pixels * DepthBytes(static_cast<int>(mode.bits));
    int64_t available = static_cast<int64_t>(card.freeVideoMemory) + screenBytes;
    bool software = !IsHardwareDevice(device);
    int64_t budget = available - (noFront ? 1 : 2) * screenBytes;
    int depthBits = ChooseDepthFormat(device.depthFormats, software, budget, pixels);
    if (depthBits < 0)
        NoDepthFormat(dev.window, noFront ? "No Valid Z-Buffer Format Found!" : "No valid Z-Buffer format found");

    dev.fullScreen = true;
    dev.onDisplay = WindowOnDisplay(dev.window);
    if (dev.onDisplay) {
        auto* sdlWindow = static_cast<SDL_Window*>(plat_GetSdlWindow(dev.window));
        if (SDL_SetWindowFullscreen(sdlWindow, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
            FatalPlatformFailure("InitDD : Setting Video Mode", kResultGenericFailure);
    }
    // The front surface is the visible frame: only a display has one.
    CreateFrameSurfaces(static_cast<int>(mode.width), static_cast<int>(mode.height), mode.bits, depthBits,
                        dev.onDisplay && !noFront);
    if (dev.onDisplay) StartPresenter();
}

// Returns the device index the set-up ended with (0 after a switch to software).
int WindowedSetUp(const CardRecord& card, int deviceIndex, int clientWidth, int clientHeight) {
    Device& dev = GetDevice();
    const ModeRecord& desktop = card.desktop;
    bool desktopListed = false;
    for (const ModeRecord& m : card.modes)
        if (m.width == desktop.width && m.height == desktop.height && m.bits == desktop.bits) desktopListed = true;

    const DeviceRecord* device = &card.devices[deviceIndex];
    int depthBits = device->depthFormats.empty() ? 0 : device->depthFormats.back();
    if (IsHardwareDevice(*device)) {
        int64_t bytes = DepthBytes(static_cast<int>(desktop.bits));
        int64_t clientPixels = int64_t(clientWidth) * clientHeight;
        int64_t screenPixels = int64_t(desktop.width) * desktop.height;
        int64_t available = static_cast<int64_t>(card.freeVideoMemory) + screenPixels * bytes;
        int64_t needed = bytes * (clientPixels + screenPixels);
        const char* refusal = nullptr;
        if (!desktopListed || !HardwareRendersAt(*device, desktop.bits))
            refusal = "Current Bit Depth does not support Hardware Acceleration.\nSwitching to Software Rasterizer";
        else if (needed > available)
            refusal = "Not enough memory to use Hardware Acceleration.\nSwitching to Software Rasterizer";
        if (refusal) {
            plat_MessageBox(dev.window, refusal, "3D Engine Initialization", PLAT_MB_ICONINFORMATION);
            deviceIndex = 0;
            device = &card.devices[0];
            depthBits = device->depthFormats.empty() ? 0 : device->depthFormats.back();
        } else {
            depthBits = ChooseDepthFormat(device->depthFormats, false, available - needed, clientPixels);
            if (depthBits < 0) NoDepthFormat(dev.window, "No Valid Z-Buffer Format Found!");
        }
    }
    dev.fullScreen = false;
    dev.onDisplay = WindowOnDisplay(dev.window);
    CreateFrameSurfaces(clientWidth, clientHeight, desktop.bits, depthBits, false);
    if (dev.onDisplay) StartPresenter();
    return deviceIndex;
}

void ReleaseSetUp() {
    Device& dev = GetDevice();
    DiscardDrawing();
    DestroyPresenter();
    DropBackBufferCopy();
    if (dev.onDisplay && dev.fullScreen) {
        dev.onDisplay = false;  // forgotten before the step, so a failure here cannot repeat it
        auto* sdlWindow = static_cast<SDL_Window*>(plat_GetSdlWindow(dev.window));
        if (sdlWindow && SDL_SetWindowFullscreen(sdlWindow, 0) != 0)
            FatalPlatformFailure("DeInitDD : DeSetting Display Mode", kResultGenericFailure);
    }
    dev.onDisplay = false;
    dev.back = FrameSurface{};
    dev.front = FrameSurface{};
    dev.depth = DepthSurface{};
    dev.hasFront = false;
    dev.hardwareFlip = false;
    dev.initialised = false;
}

}  // namespace

namespace raster {

[[noreturn]] void FatalPlatformFailure(const char* caption, int32_t code) {
    char captionCopy[kMessageBufferSize];
    std::snprintf(captionCopy, sizeof captionCopy, "%s", caption ? caption : "");
    Device& dev = GetDevice();
    // A failure raised by the tear-down itself must not start the tear-down again.
    if (!g_fatalRaised && !g_deinitialising) {
        g_fatalRaised = true;
        g_deinitialising = true;
        ReleaseSetUp();
        g_deinitialising = false;
    }
    g_fatalRaised = true;
    PlatWindow* window = dev.window;
    dev.window = nullptr;
    if (window) plat_DestroyWindow(window);
    plat_ShowCursor(1);
    const char* text = DxResultText(code, DxResultProfile::Raster);
    plat_MessageBox(nullptr, text ? text : "Unknown Error", captionCopy, PLAT_MB_ICONWARNING);
    std::exit(1);
}

}  // namespace raster

TESSALY_EXPORT int r_DeInitEngine(void) {
    raster::FinishDrawing();
    if (g_deinitialising) return 0;
    g_deinitialising = true;
    ReleaseSetUp();
    g_deinitialising = false;
    return 0;
}

TESSALY_EXPORT int r_InitEngine(int card, int mode, int device, PlatWindow** window, int flags, r_MsgCallback cb) {
    Device& dev = GetDevice();
    SendMessage(cb, "r_InitEngine : Begin\n");
    dev.window = window ? *window : nullptr;

    const std::vector<CardRecord>& cards = SurveyCards();
    int cardCount = static_cast<int>(cards.size());
    if (card < 0 || card >= cardCount) {
        SendMessage(cb, "r_InitEngine : Error, DirectDraw Object Index out of range (%d, 0 - %d)\n", card,
                    cardCount - 1);
        return -1;
    }
    const CardRecord& c = cards[card];
    int modeCount = static_cast<int>(c.modes.size());
    if (mode < 0 || mode >= modeCount) {
        SendMessage(cb, "r_InitEngine : Error, Video Mode Index out of range (%d, 0 - %d)\n", mode, modeCount - 1);
        return -1;
    }
    if (!(flags & (WINDOWED | EXCLUSIVEFULLSCREEN))) {
        SendMessage(cb, "r_InitEngine : Error, Invalid flags, Please select WINDOWED or EXCLUSIVEFULLSCREEN\n");
        return -1;
    }
    // A device the card does not have runs on its first (software) device.
    if (device < 0 || device >= static_cast<int>(c.devices.size())) device = 0;
    // A second set-up without a tear-down replaces the first.
    if (dev.initialised) r_DeInitEngine();

    const ModeRecord& m = c.modes[mode];
    if (flags & WINDOWED) {
        int width = static_cast<int>(m.width), height = static_cast<int>(m.height);
        if (dev.window) plat_GetClientSize(dev.window, &width, &height);
        if (width < 1) width = 1;
        if (height < 1) height = 1;
        SendMessage(cb, "r_InitEngine : %ux%u %s size\n", static_cast<unsigned>(width), static_cast<unsigned>(height),
                    "window");
        device = WindowedSetUp(c, device, width, height);
        SendMessage(cb, "r_InitEngine : r_InitWindowedEngine Ok\n");
    } else {
        SendMessage(cb, "r_InitEngine : %ux%u %s size\n", m.width, m.height, "screen");
        FullScreenSetUp(c, m, c.devices[device], flags);
        SendMessage(cb, "r_InitEngine : r_InitFullScreenEngine Ok\n");
    }

    // Texture formats of the device in use; initial render states: counter-
    // clockwise culling, Gouraud, solid fill, dithering on, no texture.
    dev.textureFormats = c.devices[device].textureFormats;
    ResetRenderStates();
    dev.inScene = false;
    SetDrawThreads(plat_GetOptions()->threads);

    dev.card = card;
    dev.device = device;
    dev.mode = mode;
    dev.initFlags = flags;
    dev.initialised = true;
    SendMessage(cb, "r_InitEngine : Initialization Successful\n");
    SendMessage(cb, "r_InitEngine : End\n");
    return 0;
}
