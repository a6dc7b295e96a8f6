// r_SysPrint: text onto the back buffer in the built-in font, transparent
// background, colour 0x00BBGGRR; only the pixels inside the frame are drawn.
#include <type_traits>

#include "raster/raster_device.h"
#include "raster/rasterizer/draw_queue.h"

using namespace raster;

TESSALY_EXPORT int r_SysPrint(const char* text, int x, int y, uint32_t colour) {
    raster::FinishDrawing();
    Device& dev = GetDevice();
    FrameSurface& back = dev.back;
    if (!dev.initialised || !back.present() || !text) return 0;
    uint32_t pixel = PackPixel(back.format, colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    int64_t left = x;  // 64-bit, so long texts far off the frame cannot overflow
    for (const char* p = text; *p; ++p, left += kGlyphWidth) {
        if (left >= back.width) break;
        if (left + kGlyphWidth <= 0) continue;
        const uint8_t* rows = GlyphRows(static_cast<unsigned char>(*p));
        if (!rows) continue;  // codes without a glyph leave their cell empty
        for (int r = 0; r < kGlyphHeight; ++r) {
            int64_t py = int64_t(y) + r;
            if (py < 0 || py >= back.height || rows[r] == 0) continue;
            uint8_t* row = back.pixels.data() + size_t(py) * back.pitch;
            for (int c = 0; c < kGlyphWidth; ++c) {
                int64_t px = left + c;
                if ((rows[r] & (0x80 >> c)) && px >= 0 && px < back.width)
                    WritePixel(row, back.format, static_cast<int>(px), pixel);
            }
        }
    }
    return 1;
}
