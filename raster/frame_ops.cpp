// Frame operations: the frame-sized surfaces, clearing colour and depth over
// the clear rectangle, presenting through SDL (or only counting the frame when
// offscreen), and CPU access to the depth buffer and to a 24-bit copy of the
// back buffer.
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

#include "common/result_texts.h"
#include "platform/platform.h"
#include "raster/raster_device.h"
#include "raster/rasterizer/draw_queue.h"

using namespace raster;

namespace {

constexpr int32_t kResultNoDevice = static_cast<int32_t>(0x88760306);  // D3DERR_VIEWPORTHASNODEVICE

struct Presenter {
    SDL_Renderer* renderer = nullptr;
    bool ownsRenderer = false;
    SDL_Texture* texture = nullptr;
};
Presenter g_presenter;

std::vector<uint8_t> g_backCopy;  // r_LockBackBufferPointer's 24-bit copy
std::vector<uint8_t> g_capture;   // the frame handed to plat_FramePresented

int CopyPitch(int width) { return (width * 3 + 3) & ~3; }

// Writes the surface as rows of blue, green, red bytes, pitch bytes apart.
void ConvertToBgr(const FrameSurface& surface, uint8_t* out, int pitch) {
    for (int y = 0; y < surface.height; ++y) {
        const uint8_t* row = surface.pixels.data() + size_t(y) * surface.pitch;
        uint8_t* dst = out + size_t(y) * pitch;
        for (int x = 0; x < surface.width; ++x) {
            uint32_t rgb = UnpackPixel(surface.format, ReadPixel(row, surface.format, x));
            dst[3 * x] = static_cast<uint8_t>(rgb);
            dst[3 * x + 1] = static_cast<uint8_t>(rgb >> 8);
            dst[3 * x + 2] = static_cast<uint8_t>(rgb >> 16);
        }
    }
}

struct Rect {
    int left, top, right, bottom;
};

// The clear rectangle cut to the frame; an inverted or outside rectangle is empty.
Rect ClearRect(int width, int height) {
    const ViewportState& vp = GetDevice().viewport;
    Rect r{std::max(vp.clearLeft, 0), std::max(vp.clearTop, 0), std::min(vp.clearRight, width),
           std::min(vp.clearBottom, height)};
    if (r.right <= r.left || r.bottom <= r.top) r = {0, 0, 0, 0};
    return r;
}

}  // namespace

namespace raster {

bool AllocateFrame(FrameSurface& surface, int width, int height, PixelFormat format) {
    if (width < 1 || height < 1 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) return false;
    try {
        surface.pixels.assign(size_t(width) * height * BytesPerPixel(format), 0);
    } catch (const std::bad_alloc&) {
        surface = FrameSurface{};
        return false;
    }
    surface.width = width;
    surface.height = height;
    surface.pitch = width * BytesPerPixel(format);
    surface.format = format;
    return true;
}

bool AllocateDepth(DepthSurface& surface, int width, int height, int bits) {
    if (width < 1 || height < 1 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) return false;
    int bytes = bits > 16 ? 4 : 2;
    try {
        surface.samples.assign(size_t(width) * height * bytes, 0);
    } catch (const std::bad_alloc&) {
        surface = DepthSurface{};
        return false;
    }
    surface.width = width;
    surface.height = height;
    surface.bits = bytes * 8;
    surface.pitch = width * bytes;
    return true;
}

bool CreatePresenter(const char*& failedStep) {
    Device& dev = GetDevice();
    auto* window = static_cast<SDL_Window*>(plat_GetSdlWindow(dev.window));
    const FrameSurface& frame = dev.back;
    // The program's window may already carry a renderer of its own.
    g_presenter.renderer = SDL_GetRenderer(window);
    g_presenter.ownsRenderer = false;
    if (!g_presenter.renderer) {
        g_presenter.renderer = SDL_CreateRenderer(window, -1, 0);
        g_presenter.ownsRenderer = true;
    }
    if (!g_presenter.renderer) {
        failedStep = "Init D3D : Creating Device 3";
        return false;
    }
    // Scaled to fit the window, aspect kept (bars fill the rest).
    if (SDL_RenderSetLogicalSize(g_presenter.renderer, frame.width, frame.height) != 0) {
        failedStep = "Creating Viewport";
        DestroyPresenter();
        return false;
    }
    Uint32 format = frame.format == PixelFormat::RGB565 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
    g_presenter.texture =
        SDL_CreateTexture(g_presenter.renderer, format, SDL_TEXTUREACCESS_STREAMING, frame.width, frame.height);
    if (!g_presenter.texture) {
        failedStep = "InitSurf : Creting SW2 Main Surf";
        DestroyPresenter();
        return false;
    }
    SDL_SetTextureScaleMode(g_presenter.texture, SDL_ScaleModeLinear);
    // While the program waits, the platform paints the shown frame again
    // when the window is uncovered or resized.
    plat_SetRepaintHook(PresentVisible);
    return true;
}

void DestroyPresenter() {
    plat_SetRepaintHook(nullptr);
    if (g_presenter.texture) SDL_DestroyTexture(g_presenter.texture);
    if (g_presenter.renderer && g_presenter.ownsRenderer) SDL_DestroyRenderer(g_presenter.renderer);
    g_presenter = Presenter{};
}

void PresentVisible() {
    Device& dev = GetDevice();
    if (!g_presenter.texture) return;
    const FrameSurface& shown = dev.hasFront ? dev.front : dev.back;
    if (SDL_UpdateTexture(g_presenter.texture, nullptr, shown.pixels.data(), shown.pitch) != 0) {
        // Full screen drops a frame it cannot show; windowed, the copy is fatal.
        if (!dev.fullScreen) FatalPlatformFailure("BlitHDC :: Getting DC", kResultGenericFailure);
        return;
    }
    SDL_SetRenderDrawColor(g_presenter.renderer, 0, 0, 0, 255);
    SDL_RenderClear(g_presenter.renderer);
    SDL_RenderCopy(g_presenter.renderer, g_presenter.texture, nullptr, nullptr);
    SDL_RenderPresent(g_presenter.renderer);
}

void DropBackBufferCopy() {
    g_backCopy = std::vector<uint8_t>{};
    g_capture = std::vector<uint8_t>{};
}

}  // namespace raster

TESSALY_EXPORT int r_ClearScreen(uint32_t colour, r_MsgCallback cb) {
    raster::FinishDrawing();
    Device& dev = GetDevice();
    FrameSurface& back = dev.back;
    if (!dev.initialised || !back.present())
        return SendMessage(cb, "r_ClearScreen : Error, %s", DxResultText(kResultNoDevice, DxResultProfile::Raster));
    uint32_t pixel = PackPixel(back.format, (colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
    Rect r = ClearRect(back.width, back.height);
    for (int y = r.top; y < r.bottom; ++y) {
        uint8_t* row = back.pixels.data() + size_t(y) * back.pitch;
        if (back.format == PixelFormat::RGB565)
            std::fill(reinterpret_cast<uint16_t*>(row) + r.left, reinterpret_cast<uint16_t*>(row) + r.right,
                      static_cast<uint16_t>(pixel));
        else
            std::fill(reinterpret_cast<uint32_t*>(row) + r.left, reinterpret_cast<uint32_t*>(row) + r.right, pixel);
    }
    return 0;
}

TESSALY_EXPORT int r_ClearZBuffer(float depth, r_MsgCallback cb) {
    raster::FinishDrawing();
    Device& dev = GetDevice();
    DepthSurface& z = dev.depth;
    if (!dev.initialised || !z.present())
        return SendMessage(cb, "r_ClearZBuffer : Error, %s", DxResultText(kResultNoDevice, DxResultProfile::Raster));
    double d = depth >= 0.0f ? std::min(double(depth), 1.0) : 0.0;  // NaN clears to the near plane
    Rect r = ClearRect(z.width, z.height);
    for (int y = r.top; y < r.bottom; ++y) {
        uint8_t* row = z.samples.data() + size_t(y) * z.pitch;
        if (z.bits == 16)
            std::fill(reinterpret_cast<uint16_t*>(row) + r.left, reinterpret_cast<uint16_t*>(row) + r.right,
                      static_cast<uint16_t>(std::lround(d * 65535.0)));
        else
            std::fill(reinterpret_cast<uint32_t*>(row) + r.left, reinterpret_cast<uint32_t*>(row) + r.right,
                      static_cast<uint32_t>(std::llround(d * 4294967295.0)));
    }
    return 0;
}

TESSALY_EXPORT int r_SwapBuffers(int) {
    raster::FinishDrawing();
    Device& dev = GetDevice();
    if (!dev.initialised) return 0;
    const FrameSurface& back = dev.back;
    if (dev.onDisplay) {
        if (dev.hasFront) std::memcpy(dev.front.pixels.data(), back.pixels.data(), back.pixels.size());
        PresentVisible();
    }
    int pitch = back.width * 3;
    if (plat_WantsFrameCapture()) {
        g_capture.resize(size_t(pitch) * back.height);  // allocates only when the frame size changes
        ConvertToBgr(back, g_capture.data(), pitch);
        plat_FramePresented(g_capture.data(), back.width, back.height, pitch);
    } else {
        plat_FramePresented(nullptr, back.width, back.height, pitch);
    }
    return 0;
}

TESSALY_EXPORT void* r_LockZBufferPointer(int* pitch, int* depthBits) {
    raster::FinishDrawing();
    Device& dev = GetDevice();
    if (!dev.initialised || !dev.depth.present()) {
        if (pitch) *pitch = 0;
        if (depthBits) *depthBits = 0;
        return nullptr;
    }
    if (pitch) *pitch = dev.depth.pitch;
    if (depthBits) *depthBits = dev.depth.bits;
    return dev.depth.samples.data();
}

TESSALY_EXPORT int r_ReleaseZBufferPointer(void) { return 0; }

TESSALY_EXPORT uint8_t* r_LockBackBufferPointer(int* pitch, int* bitsPerPixel) {
    raster::FinishDrawing();
    Device& dev = GetDevice();
    const FrameSurface& back = dev.back;
    if (!dev.initialised || !back.present()) return nullptr;
    int copyPitch = CopyPitch(back.width);
    try {
        g_backCopy.resize(size_t(copyPitch) * back.height);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    ConvertToBgr(back, g_backCopy.data(), copyPitch);
    if (pitch) *pitch = copyPitch;
    if (bitsPerPixel) *bitsPerPixel = 24;
    return g_backCopy.data();
}

TESSALY_EXPORT int r_ReleaseBackBufferPointer(void) {
    // The copy's memory is kept for the next lock, so a release without a lock is harmless.
    return 0;
}
