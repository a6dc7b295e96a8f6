// Internal state of the raster back-end shared by its modules (not exported).
//
//   survey / device set-up / frame operations / stores  write the frame, the
//   stores and the set-up fields;
//   render states, transforms and the rasterizer        read them and write
//   RasterState, TransformState and the TL vertex buffer.
//
// Pixel formats: a 16-bit frame is RGB565, a 32-bit frame XRGB8888 (0x00RRGGBB
// words). Depth is 16-bit (0..65535) or 32-bit (0..0xFFFFFFFF) unsigned, 0 the
// near plane. Textures are stored as ARGB8888 words (0xAARRGGBB), one array per
// mip level.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/vecmath.h"
#include "tessaly/raster_interface.h"

namespace raster {

enum class PixelFormat { RGB565, XRGB8888 };

// A surface the back-end draws into (the back buffer) or presents from.
struct FrameSurface {
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes per row
    PixelFormat format = PixelFormat::RGB565;
    std::vector<uint8_t> pixels;  // height x pitch bytes
    bool present() const { return !pixels.empty(); }
};

struct DepthSurface {
    int width = 0;
    int height = 0;
    int bits = 16;                 // 16 or 32
    int pitch = 0;                 // bytes per row
    std::vector<uint8_t> samples;  // height x pitch bytes
    bool present() const { return !samples.empty(); }
};

// One texture of the texture store: level 0 is width x height, level k is
// (width >> k) x (height >> k), each an ARGB8888 array.
struct TextureLevel {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> texels;
};
struct Texture {
    std::vector<TextureLevel> levels;  // empty = free slot
    bool present() const { return !levels.empty(); }
};

// One image of the image store, in the frame's own pixel format.
struct Image {
    int width = 0;
    int height = 0;
    int pitch = 0;
    PixelFormat format = PixelFormat::RGB565;
    std::vector<uint8_t> pixels;  // empty = free slot
    bool present() const { return !pixels.empty(); }
};

enum class FillMode { Points, Wireframe, Solid };
enum class DepthFunc { Less, LessEqual, Greater, GreaterEqual };
enum class CullMode { None, CounterClockwise };

// Render states, written by r_SetRenderState / r_SetTexture / r_RenderSBM.
struct RasterState {
    bool antialias = false;
    FillMode fill = FillMode::Solid;
    bool dither = true;
    bool bilinear = false;
    bool depthWrite = true;
    bool depthTest = true;
    DepthFunc depthFunc = DepthFunc::LessEqual;
    bool alphaBlend = false;
    int blendMode = BLEND_TRANSLUCENT;  // BlendModeValue
    CullMode cull = CullMode::CounterClockwise;
    int texture = -1;  // bound texture handle on stage 0, -1 none
};

// Transform and projection state (r_SetCamMatrix, r_SetModelMatrix, r_SetFrustum).
struct TransformState {
    Matrix44 camera{};
    Matrix44 inverseCamera{};
    Matrix44 model{};
    Matrix44 screen{};  // model x inverse camera x diag(scale, scale, 1, 1)
    float fieldOfView = 0, aspect = 0, nearDistance = 0, farDistance = 0;
    float cot = 0, centreX = 0, centreY = 0, screenScale = 0, depthFactor = 0, depthOffset = 0;
    float verticalAngle = 0;
    Vector3 leftPlane{}, rightPlane{}, bottomPlane{}, topPlane{};
};

// Viewport and clear rectangle (r_SetViewportArea).
struct ViewportState {
    int x = 0, y = 0, width = 0, height = 0;
    float clipX = 0, clipY = 0, clipWidth = 0, clipHeight = 0;
    int clearLeft = 0, clearTop = 0, clearRight = 0, clearBottom = 0;  // empty until set
};

// ---- survey (survey.cpp) ----
struct ModeRecord {
    uint32_t width = 0, height = 0, bits = 0;
};
struct TextureFormatRecord {
    int bits = 0;            // bits per texel
    uint32_t alphaMask = 0;  // non-zero when the format carries alpha
};
// Render-bit-depth bits of a device's hardware capabilities.
constexpr uint32_t kRenderDepth16 = 0x400, kRenderDepth24 = 0x200, kRenderDepth32 = 0x100;
struct DeviceRecord {
    uint8_t identifier[16] = {};
    char description[256] = {};
    char name[256] = {};                              // "Direct3D HAL" would mark a hardware device
    uint32_t hardwareRenderDepths = 0;                // kRenderDepth* bits the hardware renders at
    std::vector<int> depthFormats;                    // depth bits per format, in report order
    std::vector<TextureFormatRecord> textureFormats;  // in report order
};
struct CardRecord {
    RasterCardRecord info{};
    std::vector<ModeRecord> modes;  // only modes of more than 8 bits per pixel
    std::vector<DeviceRecord> devices;
    int display = -1;              // SDL display index, -1 for the offscreen card
    ModeRecord desktop;            // the display's own mode
    uint64_t freeVideoMemory = 0;  // notional free video memory in bytes
};
// The tables of the last GetSysInfo (empty before the first).
const std::vector<CardRecord>& SurveyCards();
bool IsHardwareDevice(const DeviceRecord& device);
// True when the device is the hardware device and renders at the bit count.
bool HardwareRendersAt(const DeviceRecord& device, uint32_t bits);
// True when some device of the card is the hardware device and renders at the mode's bit count.
bool HardwareRenderTest(const CardRecord& card, const ModeRecord& mode);

// The back-end's whole state (one instance).
struct Device {
    bool initialised = false;
    PlatWindow* window = nullptr;
    int card = 0, device = 0, mode = 0, initFlags = 0;
    FrameSurface back;
    bool hasFront = false;  // false in the windowed and no-front-buffer set-ups
    DepthSurface depth;
    FrameSurface front;                               // the visible frame (full screen on a display only; else empty)
    bool fullScreen = false;                          // EXCLUSIVEFULLSCREEN set-up (else windowed)
    bool onDisplay = false;                           // frames are shown through SDL (else offscreen)
    bool hardwareFlip = false;                        // always false: every device is a software rasterizer
    std::vector<TextureFormatRecord> textureFormats;  // of the device in use, in report order

    std::vector<Texture> textures;  // size = texture capacity
    std::vector<Image> images;      // size = image capacity
    bool texturesAllocated = false;
    bool imagesAllocated = false;

    RasterState state;
    TransformState xf;
    ViewportState viewport;
    std::vector<TLVertex> tlBuffer;  // r_AllocMaxVtcs
    // Homogeneous screen positions (sx*w, sy*w, sz*w, w) beside the TL buffer,
    // written by r_RenderSBM so that clipping never has to rebuild them from
    // vertices on or behind the camera plane (rasterizer module).
    std::vector<float> tlHomogeneous;  // 4 floats per TL buffer vertex
    bool inScene = false;              // between r_3DStart and r_3DEnd
};

Device& GetDevice();

// Puts every render state back to its initial value: counter-clockwise culling,
// solid fill, dithering on, nearest filtering, depth test (less-equal) and depth
// writes on, blending off (translucent mode), no texture. r_InitEngine calls it
// (rasterizer module, render_states.cpp).
void ResetRenderStates();

// ---- messages (device.cpp) ----
// The back-end's one message buffer: every diagnostic is formatted into it
// before it is handed to the caller's callback; valid until the next message.
constexpr int kMessageBufferSize = 1024;
const char* MessageBuffer();
// Formats into the message buffer without sending it; returns the buffer.
const char* FormatMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Formats into the message buffer and hands it to cb when cb is non-null.
// Returns the callback's result, 0 for a null callback.
int SendMessage(r_MsgCallback cb, const char* format, ...) __attribute__((format(printf, 2, 3)));

// ---- fatal platform failure (device_setup.cpp) ----
// Platform result codes the software back-end raises itself.
constexpr int32_t kResultGenericFailure = static_cast<int32_t>(0x80004005);  // an SDL call failed
constexpr int32_t kResultOutOfMemory = static_cast<int32_t>(0x8007000E);     // a surface allocation failed
// Deinitialises, destroys the window, shows the cursor, shows a warning box
// with the result text of code under the given caption and ends the process
// with exit code 1. Never returns; safe to raise while deinitialising.
[[noreturn]] void FatalPlatformFailure(const char* caption, int32_t code);

// ---- surfaces (frame_ops.cpp) ----
inline int BytesPerPixel(PixelFormat format) { return format == PixelFormat::RGB565 ? 2 : 4; }
// Packs 8-bit red, green, blue into one pixel of the format (RGB565 truncates).
inline uint32_t PackPixel(PixelFormat format, uint32_t r, uint32_t g, uint32_t b) {
    if (format == PixelFormat::RGB565) return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    return (r << 16) | (g << 8) | b;
}
// Unpacks one pixel to 0x00RRGGBB; RGB565 channels are widened by bit
// replication (r << 3 | r >> 2, g << 2 | g >> 4).
inline uint32_t UnpackPixel(PixelFormat format, uint32_t pixel) {
    if (format == PixelFormat::XRGB8888) return pixel & 0x00FFFFFFu;
    uint32_t r = (pixel >> 11) & 31, g = (pixel >> 5) & 63, b = pixel & 31;
    return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}
// Reads or writes pixel (x, y) of a frame-format surface; no bounds check.
inline uint32_t ReadPixel(const uint8_t* row, PixelFormat format, int x) {
    if (format == PixelFormat::RGB565) return reinterpret_cast<const uint16_t*>(row)[x];
    return reinterpret_cast<const uint32_t*>(row)[x];
}
inline void WritePixel(uint8_t* row, PixelFormat format, int x, uint32_t pixel) {
    if (format == PixelFormat::RGB565)
        reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(pixel);
    else
        reinterpret_cast<uint32_t*>(row)[x] = pixel;
}
// Sizes a surface (pixels zeroed); false when the allocation fails or the
// size is beyond kMaxSurfaceSide.
constexpr int kMaxSurfaceSide = 16384;
bool AllocateFrame(FrameSurface& surface, int width, int height, PixelFormat format);
bool AllocateDepth(DepthSurface& surface, int width, int height, int bits);
// Presentation through SDL, created at set-up for a window on a display.
bool CreatePresenter(const char*& failedStep);
void DestroyPresenter();
// Shows the front surface (full screen) or the back surface (windowed) now.
void PresentVisible();
// Releases the back-buffer copy and the frame-capture buffer (deinitialisation).
void DropBackBufferCopy();

// ---- text (text_font.cpp) ----
constexpr int kGlyphWidth = 8;
constexpr int kGlyphHeight = 16;
// The 16 rows of the glyph for an ASCII code 32..126 (bit 7 is the leftmost
// pixel), or null for any other code.
const uint8_t* GlyphRows(unsigned char code);

}  // namespace raster

// Every export of the back-end, declared from the boundary's list, so that a
// definition whose type differs from the boundary's does not compile.
TESSALY_RASTER_ENTRIES(TESSALY_DECLARE_EXPORT)
TESSALY_RASTER_SURVEY_EXPORTS(TESSALY_DECLARE_EXPORT)
