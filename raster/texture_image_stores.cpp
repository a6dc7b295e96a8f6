// The texture store (ARGB8888 mip chains) and the image store (bitmaps in the
// frame's pixel format), r_DrawBitmap, and CPU access to a texture's first
// level through a 24-bit blue-green-red copy.
#include <algorithm>
#include <new>
#include <type_traits>

#include "platform/platform.h"
#include "raster/raster_device.h"
#include "raster/rasterizer/draw_queue.h"

using namespace raster;

namespace {

constexpr unsigned kMaxTextureSide = 16384;

// The texture lock copy: level 0 as rows of blue, green, red bytes.
struct TextureLock {
    bool active = false;
    int handle = -1;
    int width = 0, height = 0, pitch = 0;
    std::vector<uint8_t> bytes;
};
TextureLock g_textureLock;

const char* NameText(const char* name) { return name ? name : ""; }

// Slot choice shared by both stores: -1 asks for the lowest empty slot (the
// capacity when every slot is full); any other handle must lie in the store.
template <typename Slot>
int ChooseSlot(const std::vector<Slot>& slots, int handle) {
    if (handle != -1) return handle;
    int capacity = static_cast<int>(slots.size());
    for (int i = 0; i < capacity; ++i)
        if (!slots[i].present()) return i;
    return capacity;
}

int LevelCount(unsigned width, unsigned height, unsigned flags) {
    if (flags & TEXTURE_NOMIPMAP) return 1;
    unsigned m = std::min(width, height);
    int levels = 0;
    while (m > 0) {
        ++levels;
        m >>= 1;
    }
    return levels;
}

// Level k is the truncating 2x2 box filter of level k - 1, per channel.
void BoxFilter(const TextureLevel& src, TextureLevel& dst) {
    for (int y = 0; y < dst.height; ++y) {
        const uint32_t* row0 = src.texels.data() + size_t(2 * y) * src.width;
        const uint32_t* row1 = row0 + src.width;
        uint32_t* out = dst.texels.data() + size_t(y) * dst.width;
        for (int x = 0; x < dst.width; ++x) {
            uint32_t a = row0[2 * x], b = row0[2 * x + 1], c = row1[2 * x], d = row1[2 * x + 1];
            uint32_t texel = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                uint32_t sum =
                    ((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + ((c >> shift) & 0xFF) + ((d >> shift) & 0xFF);
                texel |= (sum / 4) << shift;
            }
            out[x] = texel;
        }
    }
}

// Builds the whole chain from the caller's bytes: red, green, blue (and alpha
// for 32 bits) per pixel, rows top to bottom; 24-bit sources are opaque.
bool BuildTexture(Texture& texture, unsigned width, unsigned height, int bits, const uint8_t* src, int levels) {
    try {
        std::vector<TextureLevel> chain(levels);
        for (int k = 0; k < levels; ++k) {
            chain[k].width = static_cast<int>(width >> k);
            chain[k].height = static_cast<int>(height >> k);
            chain[k].texels.resize(size_t(chain[k].width) * chain[k].height);
        }
        int bytes = bits == 32 ? 4 : 3;
        std::vector<uint32_t>& top = chain[0].texels;
        for (size_t i = 0, n = top.size(); i < n; ++i) {
            const uint8_t* p = src + i * bytes;
            uint32_t alpha = bytes == 4 ? p[3] : 0xFF;
            top[i] = (alpha << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
        }
        for (int k = 1; k < levels; ++k) BoxFilter(chain[k - 1], chain[k]);
        texture.levels = std::move(chain);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool BuildImage(Image& image, unsigned width, unsigned height, int bits, const uint8_t* src, PixelFormat format) {
    int bytes = bits == 32 ? 4 : 3;
    int pitch = static_cast<int>(width) * BytesPerPixel(format);
    try {
        image.pixels.resize(size_t(pitch) * height);
    } catch (const std::bad_alloc&) {
        image = Image{};
        return false;
    }
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pitch = pitch;
    image.format = format;
    for (unsigned y = 0; y < height; ++y) {
        uint8_t* row = image.pixels.data() + size_t(y) * pitch;
        const uint8_t* in = src + size_t(y) * width * bytes;
        for (unsigned x = 0; x < width; ++x, in += bytes)
            WritePixel(row, format, static_cast<int>(x), PackPixel(format, in[0], in[1], in[2]));
    }
    return true;
}

std::vector<int> g_columns;  // source column per destination column, kept between calls

// Copies a source of sw x sh pixels, scaled to the rectangle (x, y, w, h) by
// nearest sampling, into the surface; only the part inside the surface is
// written. pixel(sx, sy) returns the source pixel in the surface's format.
template <typename PixelFn>
void StretchInto(FrameSurface& dst, int x, int y, int w, int h, int sw, int sh, PixelFn pixel) {
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = static_cast<int>(std::min<int64_t>(int64_t(x) + w, dst.width));
    int y1 = static_cast<int>(std::min<int64_t>(int64_t(y) + h, dst.height));
    if (x0 >= x1 || y0 >= y1) return;
    if (g_columns.size() < size_t(x1 - x0)) g_columns.resize(size_t(x1 - x0));
    for (int dx = x0; dx < x1; ++dx) g_columns[dx - x0] = static_cast<int>((int64_t(dx) - x) * sw / w);
    for (int dy = y0; dy < y1; ++dy) {
        int sy = static_cast<int>((int64_t(dy) - y) * sh / h);
        uint8_t* row = dst.pixels.data() + size_t(dy) * dst.pitch;
        for (int dx = x0; dx < x1; ++dx) WritePixel(row, dst.format, dx, pixel(g_columns[dx - x0], sy));
    }
}

uint32_t PackRgb(PixelFormat format, uint32_t rgb) {
    return PackPixel(format, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace

TESSALY_EXPORT int r_AllocMaxTextures(int count, r_MsgCallback cb) {
    raster::FinishDrawing();
    Device& dev = GetDevice();
    if (dev.texturesAllocated || !dev.textures.empty()) {
        SendMessage(cb,
                    "t7dxraster r_AllocMaxTextures : %d Textures Already Allocated , use r_FreeAllocatedTextures "
                    "first\n",
                    static_cast<int>(dev.textures.size()));
        return -1;
    }
    try {
        if (count < 0) throw std::bad_alloc();
        dev.textures.resize(size_t(count));
    } catch (const std::bad_alloc&) {
        dev.textures = std::vector<Texture>{};
        SendMessage(cb, "t7dxraster r_AllocMaxTextures : Failed to Allocate %d Texture Objects\n", count);
        return -1;
    }
    dev.texturesAllocated = true;
    return 0;
}

TESSALY_EXPORT int r_FreeAllocatedTextures(r_MsgCallback cb) {
    raster::FinishDrawing();
    Device& dev = GetDevice();
    dev.textures = std::vector<Texture>{};
    dev.texturesAllocated = false;
    g_textureLock = TextureLock{};
    SendMessage(cb, "t7dxraster r_FreeAllocatedTextures : Textures Deallocated\n");
    return 0;
}

TESSALY_EXPORT int r_AllocMaxImages(int count, r_MsgCallback cb) {
    Device& dev = GetDevice();
    if (dev.imagesAllocated || !dev.images.empty()) {
        SendMessage(cb, "t7dxraster r_AllocMaxImages : %d Images Already Allocated , use r_FreeAllocatedImages first\n",
                    static_cast<int>(dev.images.size()));
        return -1;
    }
    try {
        if (count < 0) throw std::bad_alloc();
        dev.images.resize(size_t(count));
    } catch (const std::bad_alloc&) {
        dev.images = std::vector<Image>{};
        SendMessage(cb, "t7dxraster r_AllocMaxImages : Failed to Allocate %d Image Objects\n", count);
        return -1;
    }
    dev.imagesAllocated = true;
    return 0;
}

TESSALY_EXPORT int r_FreeAllocatedImages(r_MsgCallback cb) {
    Device& dev = GetDevice();
    dev.images = std::vector<Image>{};
    dev.imagesAllocated = false;
    SendMessage(cb, "t7dxraster r_FreeAllocatedImages : Images Deallocated\n");
    return 0;
}

TESSALY_EXPORT int r_AddTexture(int handle, unsigned width, unsigned height, int bitsPerPixel, const uint8_t* texels,
                                const char* name, unsigned flags, r_MsgCallback cb) {
    raster::FinishDrawing();
    Device& dev = GetDevice();
    int capacity = static_cast<int>(dev.textures.size());
    if (capacity == 0) {
        SendMessage(cb, "t7dxraster.dll r_AddTexture : Error, Textures Not Allocated\n");
        return -1;
    }
    if (handle != -1 && (handle < 0 || handle >= capacity)) {
        SendMessage(cb, "t7dxraster.dll r_AddTexture : Error, Handle Out Of Range (%d , 0 - %d)\n", handle,
                    capacity - 1);
        return -1;
    }
    handle = ChooseSlot(dev.textures, handle);
    if (handle >= capacity) {
        SendMessage(cb, "t7dxraster.dll r_AddTexture : Error, Not Enough Allocated Textures\n");
        return -1;
    }
    if (width == 0 || height == 0 || width > kMaxTextureSide || height > kMaxTextureSide || !texels) {
        SendMessage(cb, "t7dxraster.dll r_AddTexture : Error, Invalid Texture %s (%ux%u)\n", NameText(name), width,
                    height);
        return -1;
    }
    Texture& slot = dev.textures[handle];
    if (slot.present()) {
        FormatMessage("t7dxraster.dll r_AddTexture : Error, Releasing Textures %d\n", handle);
        slot = Texture{};
    }
    if (!BuildTexture(slot, width, height, bitsPerPixel, texels, LevelCount(width, height, flags)))
        FatalPlatformFailure("t7dxraster.dll r_AddTexture : Could not create DirectDrawSurface\n", kResultOutOfMemory);
    SendMessage(cb, "t7dxraster.dll r_AddTexture : Loaded %s (%d : %ux%ux%u)\n", NameText(name), handle, width, height,
                static_cast<unsigned>(bitsPerPixel));
    return handle;
}

TESSALY_EXPORT int r_AddImage(int handle, unsigned width, unsigned height, int bitsPerPixel, const uint8_t* pixels,
                              const char* name, r_MsgCallback cb) {
    Device& dev = GetDevice();
    int capacity = static_cast<int>(dev.images.size());
    if (capacity == 0) {
        SendMessage(cb, "t7dxraster.dll r_AddImage : Error, Images Not Allocated\n");
        return -1;
    }
    if (handle != -1 && (handle < 0 || handle >= capacity)) {
        SendMessage(cb, "t7dxraster.dll r_AddImage : Error, Handle Out Of Range (%d , 0 - %d)\n", handle, capacity - 1);
        return -1;
    }
    handle = ChooseSlot(dev.images, handle);
    if (handle >= capacity) {
        SendMessage(cb, "t7dxraster.dll r_AddImage : Error, Not Enough Allocated Images\n");
        return -1;
    }
    if (width == 0 || height == 0 || width > unsigned(kMaxSurfaceSide) || height > unsigned(kMaxSurfaceSide) ||
        !pixels) {
        SendMessage(cb, "t7dxraster.dll r_AddImage : Error, Invalid Image %s (%ux%u)\n", NameText(name), width, height);
        return -1;
    }
    Image& slot = dev.images[handle];
    if (slot.present()) {
        FormatMessage("t7dxraster.dll r_AddImage : Error, Releasing Images %d\n", handle);
        slot = Image{};
    }
    // Images take the frame's format; before any set-up the 32-bit one.
    PixelFormat format = dev.back.present() ? dev.back.format : PixelFormat::XRGB8888;
    if (!BuildImage(slot, width, height, bitsPerPixel, pixels, format))
        FatalPlatformFailure("t7dxraster.dll r_AddImage : Could not create DirectDrawSurface\n", kResultOutOfMemory);
    SendMessage(cb, "t7dxraster.dll r_AddImage : Loaded %s (%d : %ux%ux%u)\n", NameText(name), handle, width, height,
                static_cast<unsigned>(bitsPerPixel));
    return handle;
}

TESSALY_EXPORT int r_DrawBitmap(int handle, int x, int y, int width, int height, unsigned flags, r_MsgCallback cb) {
    raster::FinishDrawing();
    Device& dev = GetDevice();
    bool fromTexture = (flags & DRAWBITMAP_TEXTURE) != 0;
    int capacity = static_cast<int>(fromTexture ? dev.textures.size() : dev.images.size());
    if (capacity == 0) {
        SendMessage(cb, fromTexture ? "r_DrawBitmap : Error, Textures Not Allocated"
                                    : "r_DrawBitmap : Error, Images Not Allocated");
        return 0;
    }
    if (handle < 0 || handle >= capacity) {
        SendMessage(cb,
                    fromTexture ? "r_DrawBitmap : Error, Texture Handle Out Of Range (%d , 0 - %d)"
                                : "r_DrawBitmap : Error, Image Handle Out Of Range (%d , 0 - %d)",
                    handle, capacity - 1);
        return 0;
    }
    bool toFront = (flags & DRAWBITMAP_FRONT) != 0;
    if (!dev.initialised || !dev.back.present()) {
        SendMessage(cb, "r_DrawBitmap : Error, Backbuffer Not Available");
        return 0;
    }
    if (toFront && !dev.hasFront) {
        SendMessage(cb, "r_DrawBitmap : Error, Frontbuffer Not Available");
        return 0;
    }
    FrameSurface& dst = toFront ? dev.front : dev.back;
    const PixelFormat format = dst.format;
    if (fromTexture) {
        const Texture& texture = dev.textures[handle];
        if (!texture.present()) return 0;  // an empty slot draws nothing
        const TextureLevel& top = texture.levels[0];
        StretchInto(dst, x, y, width, height, top.width, top.height,
                    [&](int sx, int sy) { return PackRgb(format, top.texels[size_t(sy) * top.width + sx]); });
    } else {
        const Image& image = dev.images[handle];
        if (!image.present()) return 0;
        auto source = [&](int sx, int sy) {
            return ReadPixel(image.pixels.data() + size_t(sy) * image.pitch, image.format, sx);
        };
        // Images are kept in the frame's format; one made before a set-up in
        // another format is converted on the way.
        if (image.format == format)
            StretchInto(dst, x, y, width, height, image.width, image.height, source);
        else
            StretchInto(dst, x, y, width, height, image.width, image.height,
                        [&](int sx, int sy) { return PackRgb(format, UnpackPixel(image.format, source(sx, sy))); });
    }
    if (toFront) PresentVisible();  // the front surface is what the screen shows
    return 0;
}

TESSALY_EXPORT uint8_t* r_LockTexturePointer(int handle, int* width, int* height, int* pitch, int* bitsPerPixel) {
    Device& dev = GetDevice();
    auto none = [&]() -> uint8_t* {
        if (width) *width = 0;
        if (height) *height = 0;
        if (pitch) *pitch = 0;
        if (bitsPerPixel) *bitsPerPixel = 0;
        return nullptr;
    };
    if (handle < 0 || handle >= static_cast<int>(dev.textures.size()) || !dev.textures[handle].present()) return none();
    const TextureLevel& top = dev.textures[handle].levels[0];
    TextureLock& lock = g_textureLock;
    int copyPitch = (top.width * 3 + 3) & ~3;
    try {
        lock.bytes.resize(size_t(copyPitch) * top.height);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    for (int y = 0; y < top.height; ++y) {
        uint8_t* out = lock.bytes.data() + size_t(y) * copyPitch;
        const uint32_t* in = top.texels.data() + size_t(y) * top.width;
        for (int x = 0; x < top.width; ++x) {
            out[3 * x] = static_cast<uint8_t>(in[x]);
            out[3 * x + 1] = static_cast<uint8_t>(in[x] >> 8);
            out[3 * x + 2] = static_cast<uint8_t>(in[x] >> 16);
        }
    }
    lock.active = true;
    lock.handle = handle;
    lock.width = top.width;
    lock.height = top.height;
    lock.pitch = copyPitch;
    if (width) *width = top.width;
    if (height) *height = top.height;
    if (pitch) *pitch = copyPitch;
    if (bitsPerPixel) *bitsPerPixel = 24;
    return lock.bytes.data();
}

TESSALY_EXPORT int r_ReleaseTexturePointer(int handle, int writeBack) {
    raster::FinishDrawing();
    Device& dev = GetDevice();
    TextureLock& lock = g_textureLock;
    if (!lock.active) return 0;
    lock.active = false;
    if ((writeBack & 0xFF) == 0) return 0;
    if (handle < 0 || handle >= static_cast<int>(dev.textures.size()) || !dev.textures[handle].present()) return 0;
    // Only the first level takes the copy, cut to the smaller of the two sizes;
    // each texel keeps its alpha.
    TextureLevel& top = dev.textures[handle].levels[0];
    int w = std::min(top.width, lock.width), h = std::min(top.height, lock.height);
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = lock.bytes.data() + size_t(y) * lock.pitch;
        uint32_t* out = top.texels.data() + size_t(y) * top.width;
        for (int x = 0; x < w; ++x)
            out[x] =
                (out[x] & 0xFF000000u) | (uint32_t(in[3 * x + 2]) << 16) | (uint32_t(in[3 * x + 1]) << 8) | in[3 * x];
    }
    return 0;
}
